#!/usr/bin/env bash
# Builds everything and checks the default resource pack.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
build/bin/mkpack check build/lib/roadplayer/VDATA.PACK
