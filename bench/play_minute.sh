#!/usr/bin/env bash
# CPU time and peak memory of playing one generated minute through a private
# PulseAudio null sink: corvid-mci against paplay on the same PCM, in one run.
# Usage: bench/play_minute.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
work=$(mktemp -d)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

"$build/tools/corvid-make-image" --track audio:60 --signal music --format wave \
    --output "$work" --name minute >/dev/null

export XDG_RUNTIME_DIR=$work HOME=$work PULSE_RUNTIME_PATH=$work
pulseaudio --daemonize=no --exit-idle-time=-1 --system=false -n --use-pid-file=no \
    --disable-shm=yes \
    --load="module-null-sink sink_name=bench_null rate=44100 channels=2 format=s16le norewinds=1" \
    --load="module-native-protocol-unix socket=$work/native auth-anonymous=1" \
    >"$work/server.log" 2>&1 &
server_pid=$!
export PULSE_SERVER=unix:$work/native
for _ in $(seq 200); do pactl info >/dev/null 2>&1 && break; done
pactl info >/dev/null

# Bash's own timer reads the children's CPU time to the millisecond;
# /usr/bin/time gives the peak resident memory.
measure() {
    local label=$1
    shift
    local TIMEFORMAT='%3U %3S'
    { time /usr/bin/time -f "%M" -o "$work/$label.rss" "$@" >/dev/null 2>&1; } 2>"$work/$label.cpu"
    echo "$label $(cat "$work/$label.cpu") $(cat "$work/$label.rss")"
}

corvid=$(measure corvid-mci "$build/tools/corvid-mci/corvid-mci" "$work/minute.cue" \
    "play cdaudio from 1 notify")
peer=$(measure paplay paplay "$work/minute.wav")

awk -v a="$corvid" -v b="$peer" 'BEGIN {
    split(a, x, " "); split(b, y, " ");
    cx = x[2] + x[3]; cy = y[2] + y[3];
    printf "%-12s %8s %10s\n", "player", "CPU s", "peak MiB";
    printf "%-12s %8.3f %10.1f\n", x[1], cx, x[4] / 1024;
    printf "%-12s %8.3f %10.1f\n", y[1], cy, y[4] / 1024;
    if (cy > 0) printf "CPU ratio corvid-mci / paplay: %.2f\n", cx / cy;
    printf "peak memory ratio corvid-mci / paplay: %.2f\n", x[4] / y[4];
}'
