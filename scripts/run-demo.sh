#!/usr/bin/env bash
# Builds everything, makes the demo card once (build/demo-card, kept), offers it as the
# camera's removable drive "QOR-SD" and starts RoadPlayer on its first normal recording: a
# recording on a removable drive makes that drive the player's card, so the card's list shows
# with the recording playing as its row. Without a display it says so and runs a short tour
# under a virtual X server, saving screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
build/bin/mkpack check build/lib/roadplayer/VDATA.PACK >/dev/null

card="$PWD/build/demo-card"
stamp="$PWD/build/demo-card.complete"
if [ ! -f "$stamp" ]; then
    echo "Making the demo card in $card (once; a minute or two)..."
    build/bin/make-sample-card "$card" --demo
    touch "$stamp"
fi
recording=$(find "$card/NORMAL" -maxdepth 1 -name '*.mp4' | sort | head -n 1)
if [ -z "$recording" ]; then
    echo "The demo card $card has no recording; remove $stamp to make it again." >&2
    exit 1
fi
export ROADPLAYER_VIRTUAL_DRIVES="$card=QOR-SD"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display here (DISPLAY and WAYLAND_DISPLAY are not set), so RoadPlayer cannot open"
    echo "its window. Running a short tour under a virtual X server instead."
    exec python3 scripts/demo-tour.py build/lib/roadplayer/RoadPlayer "$recording" "$PWD/build/demo-tour"
fi
echo "Starting RoadPlayer on the demo card, playing $(basename "$recording")"
exec build/lib/roadplayer/RoadPlayer "$recording"
