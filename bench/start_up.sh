#!/usr/bin/env bash
# Start-up to the window shown: the player window on a three-track image
# against a minimal Qt dialog with a list of the same rows, under Xvfb with
# openbox and a private sound server. Each start is timed from the process's
# start to its window mapped, and to the window drawn (the program's own
# drawing into it, reported by the X server's DAMAGE extension, covering it).
# The first drawn frame of each is saved as a PPM, to see that the list is there.
# Usage: bench/start_up.sh [BUILD_DIR] [SNAPSHOT_FOLDER]   (default build/release, none)
# RUNS sets the rounds (default 11): one start of each a round, in turn.
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

# One start of each in turn, round by round, so that a slower spell of the
# machine falls on both alike; round 0 warms the caches and is not counted.
start_once() {
    local label=$1 round=$2
    shift 2
    local snapshot=()
    [ -n "$snapshots" ] && [ "$round" = 1 ] && snapshot=(--snapshot "$snapshots/$label.ppm")
    "$build/bench/window_start_bench" --runs 1 --warm-up 0 --label "$label" "${snapshot[@]}" \
        -- "$@" | grep ' run ' | sed "s/ run 1:/ round $round:/"
}

for round in $(seq 0 "$runs"); do
    start_once corvid-player "$round" "$build/app/program/corvid-player" "$work/disc.cue"
    start_once minimal-list "$round" "$build/bench/minimal_list_dialog" \
        "01. <Unnamed track>" 00:20 "02. <Unnamed track>" 00:20 "03. <Unnamed track>" 00:19
done | tee "$work/results"

# "LABEL round N: mapped X ms, drawn Y ms"
awk '$3 != "0:" { mapped[$1] = mapped[$1] " " $5; drawn[$1] = drawn[$1] " " $8 }
    function median(list,    values, count, i, j, swap) {
        count = split(list, values, " ");
        for (i = 1; i <= count; ++i)
            for (j = i + 1; j <= count; ++j)
                if (values[j] < values[i]) { swap = values[i]; values[i] = values[j]; values[j] = swap }
        return count % 2 ? values[(count + 1) / 2] : (values[count / 2] + values[count / 2 + 1]) / 2;
    }
    function spread(list,    values, count, low, high, i) {
        count = split(list, values, " ");
        low = high = values[1];
        for (i = 2; i <= count; ++i) {
            if (values[i] < low) low = values[i];
            if (values[i] > high) high = values[i];
        }
        return sprintf("min %.1f, max %.1f, n %d", low, high, count);
    }
    END {
        a = "corvid-player"; b = "minimal-list";
        for (label in drawn)
            printf "%s: mapped median %.1f ms (%s), drawn median %.1f ms (%s)\n", label,
                median(mapped[label]), spread(mapped[label]), median(drawn[label]), spread(drawn[label]);
        printf "figure: start-up to the window drawn, corvid-player %.1f ms, minimal list dialog %.1f ms, ratio %.2f\n",
            median(drawn[a]), median(drawn[b]), median(drawn[a]) / median(drawn[b]);
        printf "figure: start-up to the window mapped, corvid-player %.1f ms, minimal list dialog %.1f ms, ratio %.2f\n",
            median(mapped[a]), median(mapped[b]), median(mapped[a]) / median(mapped[b]);
    }' "$work/results"
