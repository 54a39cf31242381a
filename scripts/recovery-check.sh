#!/usr/bin/env bash
# Cuts RUNS (default 50) recordings written by make-sample-card at random points between 5 and
# 99 % of their bytes (one and two cameras, AAC and PCM, H.264 with and without B-frames, HEVC),
# rebuilds each one's index from its healthy sibling and checks what comes back; prints the
# summed figures. Outside CI (a few minutes); CI runs the same test on five fixed cuts.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
cmake --build "$build" -j2 --target platform_media_tests make-sample-card >/dev/null
ROADPLAYER_RECOVERY_RUNS="${RUNS:-50}" QT_QPA_PLATFORM=offscreen \
    "$build/tests/platform/media/platform_media_tests" \
    --gtest_filter='RecordingRecovery.CutRecordingsGiveBackWhatTheCutLeft'
