#!/usr/bin/env bash
# Wins level 1 from its start with a scripted pilot (tools/win_level1.cpp) through the
# game's own update, and prints the game seconds it took (KESTRUN_LEVEL=2 or 3 flies
# another level). Not part of the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build -j"$(nproc)" --target win_level1

source tools/xvfb.sh
xvfb_ensure

./build/tests/win_level1 | grep -E "docked on|Crawler touchdown|LANDED|Taking off|BOOM|mission accomplished|^level|FAILED|PASSED"
