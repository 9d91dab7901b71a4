#!/usr/bin/env bash
# Instructions spent playing one generated minute, counted by callgrind: a
# count that does not move with the machine's load, beside the CPU seconds of
# play_minute.sh. corvid-mci and the player window (under Xvfb, closed with
# SIGTERM a little after the disc's end) against paplay, each through a
# private PulseAudio null sink. Every thread of the process is counted, its
# start and end included.
# Usage: bench/play_minute_callgrind.sh [BUILD_DIR]   (default build/release)
# MINUTE_SECONDS sets the length played (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
seconds=${MINUTE_SECONDS:-60}
source bench/bench_env.sh
bench_start_sound
bench_start_desktop
bench_make_image --track "audio:$seconds" --signal music --format wave --output "$work" --name minute

# callgrind's summary line: "==PID== Collected : N".
collected() {
    awk '/Collected :/ { print $NF }' "$work/$1.callgrind.log"
}

callgrind() {
    local label=$1
    shift
    valgrind --tool=callgrind --log-file="$work/$label.callgrind.log" \
        --callgrind-out-file="$work/$label.callgrind.out" "$@" >/dev/null 2>&1 || true
    echo "$label $(collected "$label")" >>"$work/results"
}

callgrind corvid-mci "$build/tools/corvid-mci/corvid-mci" "$work/minute.cue" \
    "play cdaudio from 1 notify"

# The window stays open when its disc ends: SIGTERM closes it as its close
# box does. Under valgrind its start takes seconds, so the wait is longer.
valgrind --tool=callgrind --log-file="$work/corvid-player.callgrind.log" \
    --callgrind-out-file="$work/corvid-player.callgrind.out" \
    "$build/app/program/corvid-player" "$work/minute.cue" >/dev/null 2>&1 &
window=$!
bench_pids+=("$window")
sleep $((seconds + 8))
kill -TERM "$window" 2>/dev/null || echo "corvid-player had ended before the disc's end" >&2
wait "$window" || true
echo "corvid-player $(collected corvid-player)" >>"$work/results"

callgrind paplay paplay "$work/minute.wav"

awk -v seconds="$seconds" '
    { label[NR] = $1; count[NR] = $2; row[$1] = NR }
    END {
        p = count[row["paplay"]];
        printf "%-14s %16s %12s\n", "player", "instructions", "/paplay";
        for (i = 1; i <= NR; ++i)
            printf "%-14s %16d %12.2f\n", label[i], count[i], count[i] / p;
        for (i = 1; i <= NR; ++i) {
            if (label[i] !~ /^corvid/) continue;
            printf "figure: playing %d s, instructions (callgrind): %s %d, paplay %d, ratio %.2f\n",
                seconds, label[i], count[i], p, count[i] / p;
        }
    }' "$work/results"
