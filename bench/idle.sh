#!/usr/bin/env bash
# CPU of the player window while its disc is stopped, under Xvfb with a
# private sound server: it plays a three-second image from the start, the
# disc ends and stops, and the process's CPU time is read over an interval
# and scaled to a minute, with the window open and then minimized: from /proc/PID/stat (utime + stime, in clock ticks)
# and, to the nanosecond, from the run time of every thread in
# /proc/PID/task/*/schedstat.
# Usage: bench/idle.sh [BUILD_DIR]   (default build/release)
# IDLE_SECONDS sets each interval (default 30).
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
# Three seconds of play, a margin for the start and the end of the disc, and
# the caret's blinking, which stops ten seconds after the last input (here
# the start): what is measured is the window left open on a stopped disc.
sleep 13

ticks() { awk '{ print $14 + $15 }' "/proc/$player/stat"; }
run_nanoseconds() { cat /proc/"$player"/task/*/schedstat | awk '{ sum += $1 } END { print sum }'; }

# "LABEL TICKS NANOSECONDS" over one interval.
measure_interval() {
    local label=$1 ticks_before run_before
    ticks_before=$(ticks)
    run_before=$(run_nanoseconds)
    sleep "$seconds"
    echo "$label $(($(ticks) - ticks_before)) $(($(run_nanoseconds) - run_before))" >>"$work/results"
}

measure_interval open
# Minimized, the window draws nothing: what is left is its timers' own cost.
xdotool search --sync --onlyvisible --pid "$player" --name . windowminimize >/dev/null 2>&1 || true
sleep 1
measure_interval minimized
kill -TERM "$player"
wait "$player" || true

awk -v seconds="$seconds" -v hz="$(getconf CLK_TCK)" '
    { per_minute[$1] = $3 / 1e9 * 60 / seconds;
      printf "stopped, window %s, %d s: %d clock ticks (%.3f CPU s a minute), %.6f s of thread run time (%.4f CPU s a minute)\n",
          $1, seconds, $2, $2 / hz * 60 / seconds, $3 / 1e9, per_minute[$1] }
    END {
        printf "figure: CPU while stopped with the window open, corvid-player %.4f CPU s a minute (target below 0.03; minimized %.4f)\n",
            per_minute["open"], per_minute["minimized"];
    }' "$work/results"
