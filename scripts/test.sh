#!/usr/bin/env bash
# Builds everything and runs every test (unit, GUI offscreen, end-to-end under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
export PULSE_RUNTIME_PATH=/tmp/roadplayer-pulse
scripts/start-services.sh
ctest --test-dir build -j2 --output-on-failure --timeout 600
