#!/usr/bin/env bash
# Builds the player and plays a disc: the drive at /dev/cdrom when it holds
# one, else the bundled demo disc. Arguments, when given, go to the player
# instead: a drive (--device=PATH) or an image to play.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target corvid-mci demo_disc
build=build/release
player=$build/tools/corvid-mci/corvid-mci
# A desktop has a sound server already; a bare machine gets one of its own,
# which plays into a null sink when there is no sound card.
if ! pactl info >/dev/null 2>&1; then
    pulseaudio --start --exit-idle-time=-1 2>/dev/null ||
        echo "No sound server could be started: the player waits for one." >&2
fi
if [ $# -gt 0 ]; then
    exec "$player" "$@" "play cdaudio from 1 notify"
fi
if [ -b /dev/cdrom ] && "$player" --device=/dev/cdrom --no-wait \
    "status cdaudio media present" 2>/dev/null | grep -qx true; then
    exec "$player" --device=/dev/cdrom "play cdaudio from 1 notify"
fi
exec "$player" "$build/demo/demo.cue" "play cdaudio from 1 notify"
