#!/usr/bin/env bash
# CPU time and peak memory of playing one generated minute through a private
# PulseAudio null sink: corvid-mci and the player window (under Xvfb) against
# paplay, mpv and ffplay on the same PCM, in one run. Players not installed
# are left out. The window's peak is also set beside that of the minimal Qt
# list dialog of start_up.sh, shown with the same one row for a few seconds.
# corvid-mci, the window and paplay play together, in ROUNDS rounds (default
# 3), and each figure is the median of the rounds; the CPU ratios are taken
# within each round.
# Usage: bench/play_minute.sh [BUILD_DIR]   (default build/release)
# MINUTE_SECONDS sets the length played (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
seconds=${MINUTE_SECONDS:-60}
rounds=${ROUNDS:-3}
source bench/bench_env.sh
bench_start_sound
bench_start_desktop
bench_make_image --track "audio:$seconds" --signal music --format wave --output "$work" --name minute

# Bash's own timer reads the children's CPU time to the millisecond;
# /usr/bin/time gives the peak resident memory. "LABEL USER SYSTEM KIB" goes
# to the results, once a round.
record() {
    local label=$1
    echo "$label $(cat "$work/$label.cpu") $(tail -n 1 "$work/$label.rss")" >>"$work/results"
}

timed() {
    local label=$1
    shift
    local TIMEFORMAT='%3U %3S'
    if ! { time /usr/bin/time -f "%M" -o "$work/$label.rss" "$@" >/dev/null 2>&1; } 2>"$work/$label.cpu"; then
        echo "$label ended with a failure: $(tail -n 1 "$work/$label.rss")" >&2
    fi
}

measure() {
    timed "$@"
    record "$1"
}

# The player window plays its disc from the start and stays open when the
# disc ends: it is closed with SIGTERM (its close box's path) a second after.
# corvid-mci and paplay play the same minute beside it, so that the three
# meet the same load of this machine, which moves a wake-up's cost by half.
play_round() {
    timed corvid-mci "$build/tools/corvid-mci/corvid-mci" "$work/minute.cue" \
        "play cdaudio from 1 notify" &
    local engine=$!
    timed paplay paplay "$work/minute.wav" &
    local peer=$!
    timed corvid-player "$build/app/program/corvid-player" "$work/minute.cue" &
    local shell=$!
    sleep $((seconds + 1))
    local timer player
    timer=$(pgrep -f -n "time -f %M -o $work/corvid-player.rss" || true)
    player=$(pgrep -P "${timer:-0}" || true)
    if [ -n "$player" ]; then
        kill -TERM "$player"
    else
        echo "corvid-player had ended before the disc's end" >&2
    fi
    wait "$shell" "$engine" "$peer" || true
    record corvid-mci
    record corvid-player
    record paplay
}

for _ in $(seq "$rounds"); do
    play_round
done
measure minimal-list "$build/bench/minimal_list_dialog" --close-after 3 \
    "01. <Unnamed track>" "$(printf '%02d:%02d' $((seconds / 60)) $((seconds % 60)))"
if command -v mpv >/dev/null; then
    measure mpv mpv --no-config --no-video --ao=pulse --really-quiet "$work/minute.wav"
fi
if command -v ffplay >/dev/null; then
    SDL_AUDIODRIVER=pulseaudio measure ffplay ffplay -nodisp -autoexit -loglevel quiet \
        "$work/minute.wav"
fi

awk -v seconds="$seconds" -v rounds="$rounds" '
    function median(values, count,    i, j, swap) {
        for (i = 2; i <= count; ++i)
            for (j = i; j > 1 && values[j - 1] > values[j]; --j) {
                swap = values[j]; values[j] = values[j - 1]; values[j - 1] = swap;
            }
        return count % 2 ? values[(count + 1) / 2] : (values[count / 2] + values[count / 2 + 1]) / 2;
    }
    # The n-th of a label belongs to round n; ratios are taken within a round.
    {
        if (!($1 in count)) { order[++labels] = $1 }
        n = ++count[$1];
        cpu[$1, n] = $2 + $3; rss[$1, n] = $4 / 1024;
    }
    END {
        for (l = 1; l <= labels; ++l) {
            label = order[l];
            for (n = 1; n <= count[label]; ++n) { c[n] = cpu[label, n]; r[n] = rss[label, n] }
            mcpu[label] = median(c, count[label]); mrss[label] = median(r, count[label]);
            delete c; delete r;
        }
        printf "%-14s %8s %10s %12s %12s   (medians of %d rounds where played together)\n",
            "player", "CPU s", "peak MiB", "CPU/paplay", "MiB/paplay", rounds;
        for (l = 1; l <= labels; ++l) {
            label = order[l];
            printf "%-14s %8.3f %10.1f %12.2f %12.2f\n", label, mcpu[label], mrss[label],
                mcpu[label] / mcpu["paplay"], mrss[label] / mrss["paplay"];
        }
        if ("minimal-list" in mrss && "corvid-player" in mrss)
            printf "figure: peak memory, corvid-player playing %.1f MiB, minimal list dialog %.1f MiB, ratio %.2f\n",
                mrss["corvid-player"], mrss["minimal-list"], mrss["corvid-player"] / mrss["minimal-list"];
        split("corvid-mci corvid-player", ours, " ");
        for (o = 1; o <= 2; ++o) {
            label = ours[o];
            line = "";
            for (n = 1; n <= rounds; ++n) {
                ratio[n] = cpu[label, n] / cpu["paplay", n];
                line = line sprintf("%s%.2f", n > 1 ? ", " : "", ratio[n]);
            }
            printf "figure: playing %d s, CPU: %s %.3f s, paplay %.3f s, ratio %.2f (the median; each round: %s)\n",
                seconds, label, mcpu[label], mcpu["paplay"], median(ratio, rounds), line;
            delete ratio;
            line = sprintf("figure: playing %d s, peak memory: %s %.1f MiB, paplay %.1f MiB",
                seconds, label, mrss[label], mrss["paplay"]);
            if ("mpv" in mrss) line = line sprintf(", mpv %.1f MiB, ratio to mpv %.2f",
                mrss["mpv"], mrss[label] / mrss["mpv"]);
            print line;
        }
    }' "$work/results"
