#!/usr/bin/env bash
# CPU of the player window while its disc is stopped, under Xvfb with a
# private sound server: it plays a three-second image from the start, the
# disc ends and stops, and the process's CPU time is read over an interval
# and scaled to a minute, with the window open and then minimized: from /proc/PID/stat (utime + stime, in clock ticks)
# and, to the nanosecond, from the run time of every thread in
# /proc/PID/task/*/schedstat. Its peer, measured over the same intervals, is
# the minimal Qt list dialog of start_up.sh with a 200 ms timer that does
# nothing: what any Qt window with the player's tick pays on this machine.
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
# The peer runs beside the player, so that both meet the same load of this
# machine, which moves the cost of a wake-up by half from one minute to the next.
"$build/bench/minimal_list_dialog" --tick-every 200 "01. <Unnamed track>" 00:03 \
    >"$work/peer.log" 2>&1 &
peer=$!
bench_pids+=("$peer")
# Three seconds of play, a margin for the start and the end of the disc, and
# the caret's blinking, which stops ten seconds after the last input (here
# the start): what is measured is the window left open on a stopped disc.
sleep 13

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
run_nanoseconds() { cat /proc/"$1"/task/*/schedstat | awk '{ sum += $1 } END { print sum }'; }

# "LABEL TICKS NANOSECONDS" of each LABEL PID pair, over one interval.
measure_interval() {
    local -a labels=() pids=() ticks_before=() run_before=()
    while [ $# -ge 2 ]; do
        labels+=("$1")
        pids+=("$2")
        ticks_before+=("$(ticks "$2")")
        run_before+=("$(run_nanoseconds "$2")")
        shift 2
    done
    sleep "$seconds"
    local index
    for index in "${!pids[@]}"; do
        echo "${labels[index]} $(($(ticks "${pids[index]}") - ticks_before[index])) $(($(run_nanoseconds "${pids[index]}") - run_before[index]))" >>"$work/results"
    done
}

measure_interval open "$player" peer "$peer"
# Minimized, the window draws nothing: what is left is its timers' own cost.
xdotool search --sync --onlyvisible --pid "$player" --name . windowminimize >/dev/null 2>&1 || true
sleep 1
measure_interval minimized "$player" peer-beside-minimized "$peer"
kill -TERM "$player" "$peer"
wait "$player" "$peer" || true

awk -v seconds="$seconds" -v hz="$(getconf CLK_TCK)" '
    { per_minute[$1] = $3 / 1e9 * 60 / seconds;
      printf "stopped, %s, %d s: %d clock ticks (%.3f CPU s a minute), %.6f s of thread run time (%.4f CPU s a minute)\n",
          $1, seconds, $2, $2 / hz * 60 / seconds, $3 / 1e9, per_minute[$1] }
    END {
        printf "figure: CPU while stopped with the window open, corvid-player %.4f CPU s a minute (target below 0.03; minimized %.4f)\n",
            per_minute["open"], per_minute["minimized"];
        printf "figure: CPU while stopped, over the same %d s, corvid-player %.4f, minimal list dialog with an empty 200 ms tick %.4f CPU s a minute, ratio %.2f (minimized %.2f)\n",
            seconds, per_minute["open"], per_minute["peer"], per_minute["open"] / per_minute["peer"],
            per_minute["minimized"] / per_minute["peer-beside-minimized"];
    }' "$work/results"
