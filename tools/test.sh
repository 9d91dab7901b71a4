#!/usr/bin/env bash
# Builds everything and runs every test: the optimised build first (the
# optimiser finds warnings of its own), then the developer build and the same
# tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
for preset in dev asan; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" -j2
done
