#!/usr/bin/env bash
# Start-up to the window shown: the player window on a three-track image
# against a minimal Qt dialog with a list of the same rows, under Xvfb with
# openbox and a private sound server. Each start is timed from the process's
# start to its window mapped, and to the window drawn (the program's own
# drawing into it, reported by the X server's DAMAGE extension, covering it).
# The first drawn frame of each is saved as a PPM, to see that the list is there.
# Usage: bench/start_up.sh [BUILD_DIR] [SNAPSHOT_FOLDER]   (default build/release, none)
# RUNS sets the repetitions (default 11).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
snapshots=${2:-}
runs=${RUNS:-11}
source bench/bench_env.sh
bench_start_sound
bench_start_desktop
bench_make_image --track audio:20 --track audio:20 --track audio:20 --signal music \
    --format wave --output "$work" --name disc

start_up() {
    local label=$1
    shift
    local snapshot=()
    [ -n "$snapshots" ] && snapshot=(--snapshot "$snapshots/$label.ppm")
    "$build/bench/window_start_bench" --runs "$runs" --label "$label" "${snapshot[@]}" -- "$@" |
        tee -a "$work/results"
}

start_up corvid-player "$build/app/program/corvid-player" "$work/disc.cue"
start_up minimal-list "$build/bench/minimal_list_dialog" "01. <Unnamed track>" 00:20 \
    "02. <Unnamed track>" 00:20 "03. <Unnamed track>" 00:19

awk '$1 == "summary" { mapped[$2] = $4; drawn[$2] = $6 }
    END {
        a = "corvid-player"; b = "minimal-list";
        printf "figure: start-up to the window drawn, corvid-player %.1f ms, minimal list dialog %.1f ms, ratio %.2f\n",
            drawn[a], drawn[b], drawn[a] / drawn[b];
        printf "figure: start-up to the window mapped, corvid-player %.1f ms, minimal list dialog %.1f ms, ratio %.2f\n",
            mapped[a], mapped[b], mapped[a] / mapped[b];
    }' "$work/results"
