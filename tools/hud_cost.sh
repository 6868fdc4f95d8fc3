#!/bin/bash
# Milliseconds per frame of the head-up display, one minimap refresh and a steady
# exhaust plume, each measured alone at 1280x768 under a private Xvfb (run by hand,
# not part of the CI run). Usage: tools/hud_cost.sh (after tools/build.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/tests/e2e/lib.sh"
trap e2e_cleanup EXIT
e2e_start_x
cd "$here"
for run in 1 2 3; do
  build/tests/gl_tests --gtest_also_run_disabled_tests --gtest_filter='HudGl.DISABLED_CostPerFrame' | grep '^COST'
done
