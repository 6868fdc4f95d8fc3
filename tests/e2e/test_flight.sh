# Level 1 flown with real key events: the main thruster lifts the lander, releasing it
# lets the lander fall back until it lands or crashes, R restarts the level. The
# developer state dump (I) reports the lander's position in the log.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

sed -e 's/^initialLevel *=.*/initialLevel = 1/' \
    -e 's/^antialiasing *=.*/antialiasing = 0/' \
    -e 's/^dev_keys_enabled *=.*/dev_keys_enabled = true/' \
    "$E2E_SRC/assets/settings.ini" | e2e_settings

# Asks for one more state dump and prints the lander's height from it.
dump_y() {
  e2e_dump
  read -r _ y _ <<< "$(e2e_player_pos)"
  echo "$y"
}

e2e_start_game
e2e_wait_window "The Kestrun Event" 30
e2e_wait_log "Initializing kdTree" 60
sleep 1
e2e_shot start
start_y=$(dump_y)

# Space both ends the pause the level starts in and fires the main thruster.
xdotool windowfocus --sync "$E2E_WID" 2>/dev/null || true
xdotool keydown space
sleep 1.5
e2e_shot flight
xdotool keyup space
climb_y=$(dump_y)
echo "start y $start_y, after the thrust y $climb_y"
awk -v a="$start_y" -v b="$climb_y" 'BEGIN { exit !(b > a + 1.0) }' || e2e_fail "the thruster did not lift the lander"

# Falling back: the touchdown speed and attitude decide between a landing and a crash.
deadline=$((SECONDS + 200))
outcome=""
while [ $SECONDS -lt $deadline ]; do
  if grep -qF "BOOM - player collision" "$E2E_LOG"; then outcome=crash; break; fi
  if grep -qF "LANDED" "$E2E_LOG"; then outcome=landed; break; fi
  kill -0 "$E2E_GAME_PID" 2>/dev/null || e2e_fail "the game ended during the flight"
  sleep 0.1
done
[ -n "$outcome" ] || e2e_fail "the lander neither landed nor crashed"
echo "outcome: $outcome"
if [ "$outcome" = crash ]; then
  sleep 0.3
  e2e_shot explosion
  sleep 4
  e2e_shot crash_view
else
  sleep 1
  e2e_shot landed
fi

# R back to the level start (unpaused, so the lander may have begun to fall again).
e2e_key r
restart_y=$(dump_y)
echo "after the restart y $restart_y"
awk -v a="$start_y" -v b="$restart_y" 'BEGIN { exit !(b <= a && b > a - 3.0) }' ||
  e2e_fail "restart left the lander at y $restart_y"

e2e_quit
echo "PASS"
