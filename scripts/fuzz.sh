#!/usr/bin/env bash
# Builds every fuzz target with clang under ASan+UBSan into build-fuzz/ and runs each for
# FUZZ_SECONDS seconds (default 60). Exits non-zero when a fuzzer finds a crash; the crashing
# input is left in build-fuzz/fuzz-artifacts/<target>/. FUZZ_TARGETS (names, space-separated)
# picks some of the targets.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
build="${FUZZ_BUILD_DIR:-build-fuzz}"
jobs="${FUZZ_BUILD_JOBS:-2}"

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DROADPLAYER_FUZZ=ON -DROADPLAYER_SANITIZE=address -DBUILD_TESTING=OFF >/dev/null

# Every target declared in fuzz/<folder>/CMakeLists.txt, with the folder it lives in.
targets=()
folders=()
for list in fuzz/*/CMakeLists.txt; do
    for target in $(tr '\n' ' ' <"$list" | grep -oE 'roadplayer_add_fuzzer\(\s*[A-Za-z0-9_]+' \
        | sed -E 's/roadplayer_add_fuzzer\(\s*//'); do
        if [ -n "${FUZZ_TARGETS:-}" ] && [[ " $FUZZ_TARGETS " != *" $target "* ]]; then
            continue
        fi
        targets+=("$target")
        folders+=("$(dirname "$list")")
    done
done
if [ ${#targets[@]} -eq 0 ]; then
    echo "no fuzz targets" >&2
    exit 1
fi
cmake --build "$build" -j"$jobs" --target "${targets[@]}"

# Leaks are checked by the fuzzer after each input; the check at exit is off, since the
# toolkit keeps its font and glyph caches until the process ends.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:leak_check_at_exit=0:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_QPA_PLATFORM=offscreen
status=0
for i in "${!targets[@]}"; do
    target="${targets[$i]}"
    binary="$build/fuzzers/$target"
    corpus="$build/fuzz-corpus/$target"
    artifacts="$build/fuzz-artifacts/$target"
    mkdir -p "$corpus" "$artifacts"
    # Seeds: the files in fuzz/<folder>/seeds/, when the folder has them.
    if [ -d "${folders[$i]}/seeds" ]; then
        cp -n "${folders[$i]}"/seeds/* "$corpus/" 2>/dev/null || true
    fi
    echo "== $target: ${seconds}s"
    if "$binary" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
        -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus" \
        >"$build/fuzz-$target.log" 2>&1; then
        grep -E '^stat::number_of_executed_units' "$build/fuzz-$target.log" || true
        echo "== $target: clean"
    else
        echo "== $target: FAILED (see $build/fuzz-$target.log)"
        tail -n 40 "$build/fuzz-$target.log"
        status=1
    fi
done
exit $status
