#!/usr/bin/env bash
# Every whole-process figure of the player beside its peer, in one run:
# playing a minute (CPU, peak memory), the first sound after a start, a play
# command and a click, start-up to the window drawn, CPU while stopped, and
# the engine's reads of a simulated drive. Each part has a script of its own
# here, with its details; the figures are gathered in a table at the end.
# Usage: [CALLGRIND=1] bench/run_all.sh [BUILD_DIR]   (default build/release; build it first:
#        cmake --preset release && cmake --build --preset release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
for program in app/program/corvid-player tools/corvid-mci/corvid-mci bench/first_sound_bench \
    bench/window_start_bench bench/drive_read_bench bench/minimal_list_dialog; do
    if [ ! -x "$build/$program" ]; then
        echo "$build/$program is not built: cmake --preset release && cmake --build --preset release" >&2
        exit 1
    fi
done
log=$(mktemp)
trap 'rm -f "$log"' EXIT

parts=(play_minute first_sound start_up idle drive_reads)
# CALLGRIND=1 adds the instruction counts of a minute of play (some minutes more).
[ -n "${CALLGRIND:-}" ] && parts+=(play_minute_callgrind)
for part in "${parts[@]}"; do
    echo "== bench/$part.sh $build"
    "bench/$part.sh" "$build" 2>&1 | tee -a "$log"
    echo
done

echo "== image_open_bench"; "$build/bench/image_open_bench" 2>&1 | tee -a "$log"; echo
echo "== figures"
grep '^figure: ' "$log" | sed 's/^figure: /  /'
