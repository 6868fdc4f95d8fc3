#!/bin/bash
# Long play under a private Xvfb, run by hand (not part of the CI run): scripted input
# for SOAK_SECONDS (default 600) of thrust, turns, autopilot, every flight key at once,
# crashes, restarts, pause and resume, and level switches through the menu. It fails on
# a game that ends early, on error lines in the log, or when the resident memory at the
# end is more than 10 % above that after the first minute.
#
# Usage: tools/soak.sh [kestrun binary] [output dir]
# (defaults: build/kestrun and build/soak-output)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$here/build/kestrun}
out=${2:-$here/build/soak-output}
duration=${SOAK_SECONDS:-600}

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

e2e_start_game
e2e_wait_window "The Kestrun Event" 30
e2e_wait_log "Initializing kdTree" 60
sleep 1
start=$SECONDS
rss_minute=""
next_switch=$((start + 100))
level=1
shots=0

flight_actions=(thrust thrust turn turn autopilot allkeys pause crash restart fullrestart)
while [ $((SECONDS - start)) -lt "$duration" ]; do
  alive
  xdotool windowfocus --sync "$E2E_WID" 2>/dev/null || true
  if [ -z "$rss_minute" ] && [ $((SECONDS - start)) -ge 60 ]; then
    rss_minute=$(rss_kb)
    echo "resident memory after the first minute: $rss_minute kB"
  fi
  if [ $SECONDS -ge $next_switch ]; then
    # Through the menu to another level; a key leaves its loading screen.
    level=$(( level % 3 + 1 ))
    xdotool key Escape; sleep 1
    xdotool key Left; sleep 0.2
    case $level in
      1) xdotool key Up ;;
      3) xdotool key Down ;;
    esac
    sleep 0.2
    xdotool key Return
    sleep 8
    xdotool key space; sleep 0.5
    next_switch=$((SECONDS + 100))
    echo "$((SECONDS - start)) s: level $level"
    continue
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
  if [ $(( (SECONDS - start) / 60 )) -ge "$shots" ]; then
    e2e_shot "minute_$shots"
    shots=$((shots + 1))
  fi
done

alive
rss_end=$(rss_kb)
echo "resident memory at the end: $rss_end kB"
echo "crashes $(count 'BOOM - player collision'), landings $(count 'LANDED'), level loads $(count 'Initializing kdTree')"
e2e_key shift+Escape
e2e_wait_exit 30 > /dev/null
[ "$E2E_STATUS" = "0" ] || e2e_fail "exit status $E2E_STATUS"
! grep -q "^ERROR" "$E2E_LOG" || e2e_fail "errors in the log"
[ -n "$rss_minute" ] || e2e_fail "the soak ran less than a minute"
awk -v a="$rss_minute" -v b="$rss_end" 'BEGIN { printf "memory growth after the first minute: %.1f %%\n", (b - a) * 100.0 / a; exit !(b <= a * 1.1) }' ||
  e2e_fail "resident memory grew by more than 10 %"
echo "PASS"
