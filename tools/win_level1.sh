#!/usr/bin/env bash
# Wins level 1 from its start with a scripted pilot (tools/win_level1.cpp) through the
# game's own update, and prints the game seconds it took. Not part of the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build -j"$(nproc)" --target win_level1

if [ -z "${DISPLAY:-}" ]; then
  fdfile=$(mktemp /tmp/kestrun-xvfb-XXXXXX)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$fdfile" > /dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true; rm -f "$fdfile"' EXIT
  for _ in $(seq 100); do
    n=$(tr -dc '0-9' < "$fdfile")
    if [ -n "$n" ] && DISPLAY=":$n" xdpyinfo > /dev/null 2>&1; then
      export DISPLAY=":$n"
      break
    fi
    sleep 0.1
  done
  [ -n "${DISPLAY:-}" ] || { echo "could not start Xvfb" >&2; exit 1; }
fi

./build/tests/win_level1 | grep -E "docked on|Crawler touchdown|LANDED|Taking off|BOOM|mission accomplished|FAILED|PASSED"
