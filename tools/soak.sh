#!/bin/bash
# Long play under a private Xvfb, run by hand (not part of the CI run): scripted input
# of thrust, turns, autopilot, every flight key at once, crashes, restarts, pause and
# resume, for SOAK_CYCLES cycles (3 by default, 3 at least) of levels 1, 2 and 3, each
# level played for 100 s and left through the menu for the next: five and a half
# minutes a cycle, 17 minutes as shipped. It fails on a game that ends early, on error
# lines in the log, or on memory that still grows once it has had a cycle to settle.
#
# The resident memory is read every 10 s; a visit's figure is the median of its
# readings. The first cycle raises the memory to a plateau that each level keeps on
# its later visits (the C library keeps what it has freed for reuse, the software
# renderer its buffers), so every level's visit in the last cycle is compared with
# its visit in the cycle before. On an eight-core machine with Mesa's software
# renderer, a healthy run moved a level's figure from the second cycle to the third by
# 2 to 46 MB; with a leak of 90 MB a minute added, by 510 to 555 MB.
#
# Usage: tools/soak.sh [kestrun binary] [output dir]
# (defaults: build/kestrun and build/soak-output; memory.txt there has every reading)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$here/build/kestrun}
out=${2:-$here/build/soak-output}
cycles=${SOAK_CYCLES:-3}
[ "$cycles" -ge 3 ] 2>/dev/null || { echo "SOAK_CYCLES: 3 at least" >&2; exit 2; }
visit_seconds=100
# A level's figure in the last cycle may lie at most this far above the cycle before.
margin_kb=80000

source "$here/tests/e2e/lib.sh"
e2e_setup "$bin" "$here" "$out"
sed -e 's/^initialLevel *=.*/initialLevel = 1/' \
    -e 's/^antialiasing *=.*/antialiasing = 0/' \
    -e 's/^dev_keys_enabled *=.*/dev_keys_enabled = true/' \
    "$E2E_SRC/assets/settings.ini" | e2e_settings

RANDOM=4711
rss_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$E2E_GAME_PID/status"; }
alive() { kill -0 "$E2E_GAME_PID" 2>/dev/null || e2e_fail "the game ended during the soak"; }
hold() { # hold <seconds> <keys...>
  local t=$1; shift
  xdotool keydown "$@"; sleep "$t"; xdotool keyup "$@"
}
count() { grep -cF -- "$1" "$E2E_LOG" || true; }
memory="$E2E_OUT/memory.txt"
: > "$memory"

# switch_to <level>: through the menu to the level; a key leaves its loading screen.
switch_to() {
  xdotool key Escape; sleep 1
  xdotool key Left; sleep 0.2
  case $1 in
    1) xdotool key Up ;;
    3) xdotool key Down ;;
  esac
  sleep 0.2
  xdotool key Return
  sleep 8
  xdotool key space; sleep 0.5
}

# play <seconds>: random flight actions, reading the memory every 10 s into memory.txt
# as "<cycle> <level> <kB>".
play() {
  local until=$((SECONDS + $1)) next_reading=$SECONDS action keys
  local flight_actions=(thrust thrust turn turn autopilot allkeys pause crash restart fullrestart)
  while [ $SECONDS -lt $until ]; do
    alive
    xdotool windowfocus --sync "$E2E_WID" 2>/dev/null || true
    if [ $SECONDS -ge $next_reading ]; then
      echo "$cycle $level $(rss_kb)" >> "$memory"
      next_reading=$((SECONDS + 10))
    fi
    action=${flight_actions[$((RANDOM % ${#flight_actions[@]}))]}
    case $action in
      thrust) hold "0.$((RANDOM % 9 + 1))" space ;;
      turn)
        keys=(w a s d q e)
        hold "0.$((RANDOM % 9 + 1))" "${keys[$((RANDOM % 6))]}" ;;
      autopilot)
        keys=(x c z shift+c)
        hold 1.5 "${keys[$((RANDOM % 4))]}" space ;;
      allkeys) hold 1 space w a s d q e x c z ;;
      pause) xdotool key p; sleep 1; xdotool key p ;;
      crash) sleep 6 ;;
      restart) xdotool key r ;;
      fullrestart) xdotool key shift+r ;;
    esac
    sleep 0.2
  done
}

e2e_start_game
e2e_wait_window "The Kestrun Event" 30
e2e_wait_log "Initializing kdTree" 60
sleep 1
start=$SECONDS
for cycle in $(seq "$cycles"); do
  for level in 1 2 3; do
    [ "$cycle$level" = 11 ] || switch_to "$level"
    echo "$((SECONDS - start)) s: cycle $cycle, level $level"
    e2e_shot "cycle${cycle}_level$level"
    play "$visit_seconds"
  done
done

alive
echo "crashes $(count 'BOOM - player collision'), landings $(count 'LANDED'), level loads $(count 'Initializing kdTree')"
e2e_key shift+Escape
e2e_wait_exit 30 > /dev/null
[ "$E2E_STATUS" = "0" ] || e2e_fail "exit status $E2E_STATUS"
! grep -q "^ERROR" "$E2E_LOG" || e2e_fail "errors in the log"

# Each visit's median, a row per level, and the last cycle against the one before.
awk -v cycles="$cycles" -v margin="$margin_kb" '
  { n = ++count[$1, $2]; reading[$1, $2, n] = $3 }
  END {
    failed = 0
    for (level = 1; level <= 3; ++level) {
      row = sprintf("level %d, MB by cycle:", level)
      for (c = 1; c <= cycles; ++c) {
        n = count[c, level]
        for (i = 1; i <= n; ++i) sorted[i] = reading[c, level, i]
        for (i = 2; i <= n; ++i)
          for (j = i; j > 1 && sorted[j - 1] > sorted[j]; --j) { t = sorted[j]; sorted[j] = sorted[j - 1]; sorted[j - 1] = t }
        median[c] = n % 2 ? sorted[(n + 1) / 2] : (sorted[n / 2] + sorted[n / 2 + 1]) / 2
        row = row sprintf(" %d", median[c] / 1000)
      }
      growth = median[cycles] - median[cycles - 1]
      print row sprintf("  (last cycle %+d MB)", growth / 1000)
      if (growth > margin) failed = 1
    }
    exit failed
  }' "$memory" || e2e_fail "memory still grows: a level holds more than $((margin_kb / 1000)) MB more in the last cycle than in the one before"
echo "PASS"
