#!/usr/bin/env bash
# Configures and builds the one build tree (build/) that the run and test scripts use.
set -euo pipefail
cd "$(dirname "$0")/.."
"$PWD/scripts/install-deps.sh"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
