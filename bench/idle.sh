#!/usr/bin/env bash
# CPU of the player window while its disc is stopped, under Xvfb with a
# private sound server: it plays a three-second image from the start, the
# disc ends and stops, and the process's CPU time is read over an interval
# and scaled to a minute: from /proc/PID/stat (utime + stime, in clock ticks)
# and, to the nanosecond, from the run time of every thread in
# /proc/PID/task/*/schedstat.
# Usage: bench/idle.sh [BUILD_DIR]   (default build/release)
# IDLE_SECONDS sets the interval (default 30).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
seconds=${IDLE_SECONDS:-30}
source bench/bench_env.sh
bench_start_sound
bench_start_desktop
bench_make_image --track audio:3 --signal music --format wave --output "$work" --name short

"$build/app/program/corvid-player" "$work/short.cue" >"$work/player.log" 2>&1 &
player=$!
bench_pids+=("$player")
# Three seconds of play and a margin for the start and the end of the disc.
sleep 6

ticks() { awk '{ print $14 + $15 }' "/proc/$player/stat"; }
run_nanoseconds() { cat /proc/"$player"/task/*/schedstat | awk '{ sum += $1 } END { print sum }'; }

ticks_before=$(ticks)
run_before=$(run_nanoseconds)
sleep "$seconds"
ticks_after=$(ticks)
run_after=$(run_nanoseconds)
kill -TERM "$player"
wait "$player" || true

awk -v seconds="$seconds" -v hz="$(getconf CLK_TCK)" \
    -v ticks=$((ticks_after - ticks_before)) -v run="$run_after $run_before" '
    BEGIN {
        split(run, ns, " ");
        per_minute = (ns[1] - ns[2]) / 1e9 * 60 / seconds;
        printf "stopped %d s: %d clock ticks (%.3f CPU s a minute), %.6f s of thread run time\n",
            seconds, ticks, ticks / hz * 60 / seconds, (ns[1] - ns[2]) / 1e9;
        printf "figure: CPU while stopped with the window open, corvid-player %.4f CPU s a minute (target below 0.05)\n",
            per_minute;
    }'
