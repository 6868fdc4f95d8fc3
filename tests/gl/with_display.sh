# Runs a GL test program on the X server of DISPLAY or, when none is set (ctest started
# by hand in build/), on a private Xvfb of its own.
set -euo pipefail
source "$(dirname "$0")/../../tools/xvfb.sh"
xvfb_ensure
"$@"
