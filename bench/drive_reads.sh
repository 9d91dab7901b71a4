#!/usr/bin/env bash
# The reads the playback engine makes of a simulated drive (4x quiet, 8x
# fast) while it plays a 40-second two-track image through a private null
# sink in real time: bursts, pauses, speed changes and the duty cycle.
# Usage: bench/drive_reads.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
source bench/bench_env.sh
bench_start_sound
bench_make_image --track audio:20 --track audio:20 --signal music --format wave \
    --output "$work" --name disc

"$build/bench/drive_read_bench" "$work/disc.cue" | tee "$work/results"
awk '$1 == "summary" {
        printf "figure: drive reads over a 40 s disc, %d reads in %d bursts, duty cycle %.1f %% at 4x\n",
            $4, $6, $8;
    }' "$work/results"
