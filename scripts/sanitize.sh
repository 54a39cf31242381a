#!/usr/bin/env bash
# Builds everything under AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/) and under
# ThreadSanitizer (build-tsan/) and runs the whole test suite in each; the style checks, which
# compile nothing of ours, are left out. Heavy: a full build per sanitizer; not part of CI.
#
# usage: scripts/sanitize.sh [address|thread]...   (default: both, address first)
# SANITIZE_JOBS sets the build's parallel jobs (default 2); extra ctest arguments can be
# given in CTEST_ARGS (for instance "-R player_").
set -euo pipefail
cd "$(dirname "$0")/.."
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(address thread)
jobs="${SANITIZE_JOBS:-2}"
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

export PULSE_RUNTIME_PATH=/tmp/roadplayer-pulse
scripts/start-services.sh
# Qt, fontconfig and D-Bus are not built with the sanitizers: their one-time caches are not
# leaks of ours (scripts/lsan.supp names those libraries); a finding stops the test at once.
# Under the thread checker only our code is checked: memory calls made from inside the
# uninstrumented libraries are not (their own locks are invisible to it; scripts/tsan.supp).
# The browser engine behind the map page frees some of its own objects with a smaller size
# than it made them, inside its library; a base deleted without a virtual destructor in our
# code is a compile error (-Wall -Werror), so that check is off. The same engine starts its
# helper processes by forking and starting threads before it replaces the child's program,
# which the thread checker would otherwise stop at.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0:new_delete_type_mismatch=0}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:die_after_fork=0:ignore_noninstrumented_modules=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp}"

status=0
for kind in "${kinds[@]}"; do
    case "$kind" in
        address) dir=build-asan ;;
        thread) dir=build-tsan ;;
        *) echo "unknown sanitizer: $kind (address or thread)" >&2; exit 2 ;;
    esac
    echo "== $kind: building in $dir"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DROADPLAYER_SANITIZE="$kind" "${launcher[@]}" >/dev/null
    cmake --build "$dir" -j"$jobs"
    echo "== $kind: testing"
    # The end-to-end tests stretch their waits (and the recordings a scenario must not outlast)
    # by how much slower the programs run under the sanitizer.
    if [ "$kind" = address ]; then
        export ROADPLAYER_KEEP_MODULES="$PWD/$dir/tests/support/libkeep_modules.so"
        export ROADPLAYER_E2E_SLOWDOWN=2
    else
        unset ROADPLAYER_KEEP_MODULES
        export ROADPLAYER_E2E_SLOWDOWN=3
    fi
    # shellcheck disable=SC2086
    if ! ctest --test-dir "$dir" -j2 --output-on-failure --timeout 1200 -LE style \
        ${CTEST_ARGS:-}; then
        echo "== $kind: FAILED"
        status=1
    else
        echo "== $kind: clean"
    fi
done
exit $status
