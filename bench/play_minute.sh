#!/usr/bin/env bash
# CPU time and peak memory of playing one generated minute through a private
# PulseAudio null sink: corvid-mci and the player window (under Xvfb) against
# paplay, mpv and ffplay on the same PCM, in one run. Players not installed
# are left out. The window's peak is also set beside that of the minimal Qt
# list dialog of start_up.sh, shown with the same one row for a few seconds.
# Usage: bench/play_minute.sh [BUILD_DIR]   (default build/release)
# MINUTE_SECONDS sets the length played (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
seconds=${MINUTE_SECONDS:-60}
source bench/bench_env.sh
bench_start_sound
bench_start_desktop
bench_make_image --track "audio:$seconds" --signal music --format wave --output "$work" --name minute

# Bash's own timer reads the children's CPU time to the millisecond;
# /usr/bin/time gives the peak resident memory.
measure() {
    local label=$1
    shift
    local TIMEFORMAT='%3U %3S'
    if ! { time /usr/bin/time -f "%M" -o "$work/$label.rss" "$@" >/dev/null 2>&1; } 2>"$work/$label.cpu"; then
        echo "$label ended with a failure: $(tail -n 1 "$work/$label.rss")" >&2
    fi
    echo "$label $(cat "$work/$label.cpu") $(cat "$work/$label.rss")" >>"$work/results"
}

# The player window plays its disc from the start and stays open when the
# disc ends: it is closed with SIGTERM (its close box's path) a second after.
measure_window() {
    local label=corvid-player
    (
        TIMEFORMAT='%3U %3S'
        time /usr/bin/time -f "%M" -o "$work/$label.rss" \
            "$build/app/program/corvid-player" "$work/minute.cue" >/dev/null 2>&1
    ) 2>"$work/$label.cpu" &
    local shell=$!
    sleep $((seconds + 1))
    local timer player
    timer=$(pgrep -P "$shell" || true)
    player=$(pgrep -P "${timer:-0}" || true)
    if [ -n "$player" ]; then
        kill -TERM "$player"
    else
        echo "$label had ended before the disc's end" >&2
    fi
    wait "$shell" || echo "$label ended with a failure: $(tail -n 1 "$work/$label.rss")" >&2
    echo "$label $(cat "$work/$label.cpu") $(cat "$work/$label.rss")" >>"$work/results"
}

measure corvid-mci "$build/tools/corvid-mci/corvid-mci" "$work/minute.cue" \
    "play cdaudio from 1 notify"
measure_window
measure paplay paplay "$work/minute.wav"
measure minimal-list "$build/bench/minimal_list_dialog" --close-after 3 \
    "01. <Unnamed track>" "$(printf '%02d:%02d' $((seconds / 60)) $((seconds % 60)))"
if command -v mpv >/dev/null; then
    measure mpv mpv --no-config --no-video --ao=pulse --really-quiet "$work/minute.wav"
fi
if command -v ffplay >/dev/null; then
    SDL_AUDIODRIVER=pulseaudio measure ffplay ffplay -nodisp -autoexit -loglevel quiet \
        "$work/minute.wav"
fi

awk -v seconds="$seconds" '
    { label[NR] = $1; cpu[NR] = $2 + $3; rss[NR] = $4 / 1024; row[$1] = NR }
    END {
        printf "%-14s %8s %10s %12s %12s\n", "player", "CPU s", "peak MiB", "CPU/paplay", "MiB/paplay";
        p = row["paplay"];
        for (i = 1; i <= NR; ++i)
            printf "%-14s %8.3f %10.1f %12.2f %12.2f\n", label[i], cpu[i], rss[i],
                cpu[i] / cpu[p], rss[i] / rss[p];
        if ("minimal-list" in row && "corvid-player" in row) {
            d = rss[row["minimal-list"]]; w = rss[row["corvid-player"]];
            printf "figure: peak memory, corvid-player playing %.1f MiB, minimal list dialog %.1f MiB, ratio %.2f\n",
                w, d, w / d;
        }
        for (i = 1; i <= NR; ++i) {
            if (label[i] !~ /^corvid/) continue;
            printf "figure: playing %d s, CPU: %s %.3f s, paplay %.3f s, ratio %.2f\n",
                seconds, label[i], cpu[i], cpu[p], cpu[i] / cpu[p];
            line = sprintf("figure: playing %d s, peak memory: %s %.1f MiB, paplay %.1f MiB",
                seconds, label[i], rss[i], rss[p]);
            if ("mpv" in row) line = line sprintf(", mpv %.1f MiB, ratio to mpv %.2f",
                rss[row["mpv"]], rss[i] / rss[row["mpv"]]);
            print line;
        }
    }' "$work/results"
