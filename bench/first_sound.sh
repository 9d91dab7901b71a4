#!/usr/bin/env bash
# Time to the first sound at a private null sink, recorded from its monitor:
# from the start of paplay, mpv, ffplay and corvid-mci on the same two
# seconds of PCM; from a "play" command to the open corvid-mci device; and
# from a click on Play/Stop of the player window under Xvfb.
# Usage: bench/first_sound.sh [BUILD_DIR]   (default build/release)
# RUNS sets the repetitions (default 9).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
runs=${RUNS:-9}
source bench/bench_env.sh
bench_start_sound
bench_start_desktop
bench_make_image --track audio:2 --signal music --format wave --output "$work" --name short
bench_make_image --track audio:30 --track audio:30 --signal music --format wave \
    --output "$work" --name disc

first_sound() {
    "$build/bench/first_sound_bench" --runs "$runs" "$@" | tee -a "$work/results"
}

first_sound --label paplay spawn -- paplay "$work/short.wav"
if command -v mpv >/dev/null; then
    first_sound --label mpv spawn -- mpv --no-config --no-video --ao=pulse --really-quiet \
        "$work/short.wav"
fi
if command -v ffplay >/dev/null; then
    SDL_AUDIODRIVER=pulseaudio first_sound --label ffplay spawn -- ffplay -nodisp -autoexit \
        -loglevel quiet "$work/short.wav"
fi
first_sound --label corvid-mci-start spawn -- "$build/tools/corvid-mci/corvid-mci" \
    "$work/short.cue" "play cdaudio from 1 notify"
first_sound --label corvid-mci-play stdin -- "$build/tools/corvid-mci/corvid-mci" "$work/disc.cue"
first_sound --label corvid-player-click click -- "$build/app/program/corvid-player" "$work/disc.cue"

awk '$1 == "summary" { median[$2] = $3 }
    END {
        p = median["paplay"];
        n = split("corvid-mci-start corvid-mci-play corvid-player-click", labels, " ");
        for (i = 1; i <= n; ++i)
            printf "figure: first sound, %s %.1f ms, paplay start %.1f ms, difference %+.1f ms\n",
                labels[i], median[labels[i]], p, median[labels[i]] - p;
    }' "$work/results"
