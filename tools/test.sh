#!/usr/bin/env bash
# Builds everything and runs every test: first the developer build, then the
# same tests built with AddressSanitizer and UndefinedBehaviorSanitizer. The
# optimised build is made too, since the optimiser finds warnings of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
for preset in dev asan; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" -j2
done
cmake --preset release >/dev/null
cmake --build --preset release
