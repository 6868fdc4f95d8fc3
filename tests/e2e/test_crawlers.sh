# Crawlers, crystals and liquids seen in the running game, driven by real key events.
# Level 1: the developer keypad moves put the paused lander beside a crystal, then
# over the pad of the driving crawler; unpaused, it falls onto the pad, docks
# ("Crawler touchdown"), rides and drains the crawler's helium. Screenshots stay in the
# output folder (Europa's water and Io's lava are in test_levels' output).
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

settings() { # <level>
  sed -e "s/^initialLevel *=.*/initialLevel = $1/" -e 's/^antialiasing *=.*/antialiasing = 0/' \
      -e 's/^dev_keys_enabled *=.*/dev_keys_enabled = true/' "$E2E_SRC/assets/settings.ini" | e2e_settings
}

# A view along the ground from further out.
low_wide_view() {
  xdotool windowfocus --sync "$E2E_WID" 2>/dev/null || true
  xdotool key --delay 25 Up Up Up
  xdotool click --repeat "${1:-8}" --delay 25 5
  sleep 0.5
}

start_level() { # <level>
  settings "$1"
  e2e_start_game
  e2e_wait_window "The Kestrun Event" 30
  e2e_wait_log "Initializing kdTree" 60
  sleep 1
  e2e_key KP_5
  e2e_wait_log "Debug movement: absolute"
}

# ---- Level 1: a crystal, then docking on the crawler that drives its loop ----
start_level 1
e2e_dump
grep -qF "Crawler 1: pos [" "$E2E_LOG" || e2e_fail "the state dump lists no second crawler"

# Crystal cry_2 stands on the ground at world (156, 36): look at it from 30 units south.
e2e_move_to 156 150 66
e2e_move_to 156 "$(awk -v g="$(e2e_ground)" 'BEGIN { print g + 10 }')" 66
low_wide_view 4
e2e_shot crystal

# Over the pad of crawler 2 (index 1), 9 units behind its front end, about 5 above it.
# At the level start it heads from its first waypoint towards the second: world
# direction (400, -40).
read -r cx cy cz <<< "$(e2e_crawler_pos 1)"
tx=$(awk -v x="$cx" 'BEGIN { print x - 9 * 0.995037 }')
tz=$(awk -v z="$cz" 'BEGIN { print z + 9 * 0.0995037 }')
ty=$(awk -v y="$cy" 'BEGIN { print y + 11 }')
e2e_move_to "$tx" "$ty" "$tz"
helium_before=$(e2e_crawler_helium 1)
e2e_key p
# A slow machine runs the game slower (one step per frame at most): wait in game time.
e2e_wait_log "Crawler touchdown; coll = L_" 150
e2e_wait_log "LANDED" 30
! grep -qF "BOOM - player collision" "$E2E_LOG" || e2e_fail "the lander crashed instead of docking"
sleep 1
low_wide_view 20
e2e_shot riding
e2e_dump
read -r ax ay az <<< "$(e2e_crawler_pos 1)"
helium_a=$(e2e_crawler_helium 1)
# Riding on: the crawler drives at least a unit further and hands over more helium.
deadline=$((SECONDS + 120))
while :; do
  sleep 1
  e2e_dump
  read -r bx by bz <<< "$(e2e_crawler_pos 1)"
  helium_b=$(e2e_crawler_helium 1)
  awk -v a="$ax" -v b="$bx" -v c="$az" -v d="$bz" 'BEGIN { exit !((a - b) ^ 2 + (c - d) ^ 2 > 1.0) }' && break
  [ $SECONDS -lt $deadline ] || e2e_fail "the crawler does not drive with the lander on board"
done
e2e_shot riding_later
echo "crawler helium: $helium_before before docking, then $helium_a, then $helium_b"
echo "crawler position: ($ax, $az), then ($bx, $bz)"
[ "$helium_a" -lt "$helium_before" ] && [ "$helium_b" -lt "$helium_a" ] ||
  e2e_fail "the docked lander takes no helium"
read -r lx ly lz <<< "$(e2e_player_pos)"
awk -v a="$lx" -v b="$bx" -v c="$lz" -v d="$bz" 'BEGIN { exit !((a - b) ^ 2 + (c - d) ^ 2 < 15 ^ 2) }' ||
  e2e_fail "the lander is not riding on the crawler"
e2e_quit "level 1"

echo "PASS"
