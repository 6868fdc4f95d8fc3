#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest. Starts a virtual
# X server for the OpenGL tests when no display is set.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
bash tools/build.sh

source tools/xvfb.sh
xvfb_ensure

cd build
ctest --output-on-failure -j"$(nproc)"
