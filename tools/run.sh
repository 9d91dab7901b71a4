#!/usr/bin/env bash
# Builds the player and opens its window on a disc: the drive at /dev/cdrom
# when it holds one, else the bundled demo disc. Arguments, when given, go to
# the player instead: a drive (--device=PATH) or an image to play.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target corvid-player corvid-mci demo_disc
build=build/release
player=$build/app/program/corvid-player
# A desktop has a sound server already; a bare machine gets one of its own,
# which plays into a null sink when there is no sound card.
if ! pactl info >/dev/null 2>&1; then
    pulseaudio --start --exit-idle-time=-1 2>/dev/null ||
        echo "No sound server could be started: the player waits for one." >&2
fi
if [ $# -gt 0 ]; then
    exec "$player" "$@"
fi
# corvid-mci asks the drive whether a disc is in, without opening a window.
if [ -b /dev/cdrom ] && "$build/tools/corvid-mci/corvid-mci" --device=/dev/cdrom --no-wait \
    "status cdaudio media present" 2>/dev/null | grep -qx true; then
    exec "$player" --device=/dev/cdrom
fi
exec "$player" "$build/demo/demo.cue"
