#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest. Starts a virtual
# X server for the OpenGL tests when no display is set.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
bash tools/build.sh

if [ -z "${DISPLAY:-}" ]; then
  display=":$((90 + RANDOM % 400))"
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY="$display"
  for _ in $(seq 50); do
    xdpyinfo > /dev/null 2>&1 && break
    sleep 0.1
  done
fi

cd build
ctest --output-on-failure -j"$(nproc)"
