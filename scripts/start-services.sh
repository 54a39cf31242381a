#!/usr/bin/env bash
# Starts what the tests need beside the build: a PulseAudio daemon with a null sink, so the
# real audio path runs and can be recorded back from "roadplayer_null.monitor".
set -euo pipefail
export PULSE_RUNTIME_PATH="${PULSE_RUNTIME_PATH:-/tmp/roadplayer-pulse}"
mkdir -p "$PULSE_RUNTIME_PATH"
if ! pactl info >/dev/null 2>&1; then
    pulseaudio --daemonize=yes --exit-idle-time=-1 --disallow-exit --log-target=stderr \
        -n --load=module-native-protocol-unix --load="module-null-sink sink_name=roadplayer_null" \
        >/dev/null 2>&1 || true
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
fi
pactl set-default-sink roadplayer_null >/dev/null 2>&1 || true
