# The three moons started straight from the settings: each level loads with its
# progress lines, shows terrain, sky, Kestrun and the lander, and reports its frame
# rate after F3, without a warning. Level 1 is drawn once more through the multisampled
# framebuffer.
# Europa's water and Io's lava are looked at from beside a pool.
# Screenshots and the frame rates (fps.txt) stay in the output folder.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

settings() { # <level> <antialiasing>
  sed -e "s/^initialLevel = .*/initialLevel = $1/" -e "s/^antialiasing = .*/antialiasing = $2/" \
      -e "s/^dev_keys_enabled = .*/dev_keys_enabled = true/" "$E2E_SRC/assets/settings.ini" | e2e_settings
}

# fps <label>: F3, then the frame rate the title shows once it has been measured twice.
fps() {
  e2e_key F3
  e2e_wait_title " FPS: " 10
  sleep 2.2
  local title
  title=$(xdotool getwindowname "$E2E_WID")
  echo "$1: ${title#*FPS: }" >> "$E2E_OUT/fps.txt"
  e2e_key F3
}

run_level() { # <level> <antialiasing> <name> <shot prefix> ["x y z" of a view of a pool]
  settings "$1" "$2"
  e2e_start_game
  e2e_wait_log "Initializing kdTree ... done" 60
  e2e_wait_window "The Kestrun Event"
  e2e_log_order "Initializing level ... $3 done" "Initializing texts ... done" \
    "Initializing terrain ... heights texture normals" "Initializing sky and horizon ... done" \
    "Initializing player ... done" "Initializing kdTree ... done"
  # Nothing in the shipped level is off the map or in the lander's way: no warning while
  # it loads.
  local warning
  warning=$(sed '/Initializing kdTree \.\.\. done/q' "$E2E_LOG" | grep -m1 "WARN" || true)
  [ -z "$warning" ] || e2e_fail "level $1: $warning"
  sleep 1
  fps "level $1, antialiasing $2"
  e2e_shot "$4_start"
  # Out to the camera's farthest orbit, then up at the sky and round towards Kestrun.
  for _ in $(seq 25); do xdotool click --delay 20 5; done
  sleep 0.5
  e2e_shot "$4_ground"
  for _ in $(seq 8); do e2e_key Up; done
  sleep 0.5
  e2e_shot "$4_sky"
  if [ -n "${5:-}" ]; then
    # Beside the level's first pool, looking across it from low down.
    e2e_key Down Down Down Down KP_5
    e2e_wait_log "Debug movement: absolute"
    e2e_move_to $5
    sleep 0.5
    e2e_shot "$4_pool"
  fi
  e2e_quit "level $1"
  cp "$E2E_LOG" "$E2E_OUT/$4.log"
}

rm -f "$E2E_OUT/fps.txt"
run_level 1 0 "LEVEL 1: GANYMEDE" level1
run_level 2 0 "LEVEL 2: EUROPA" level2 "256 60 -300"
run_level 3 0 "LEVEL 3: IO" level3 "-324 110 -180"
run_level 1 4 "LEVEL 1: GANYMEDE" level1_msaa
run_level 99 0 "TEST LEVEL" level99

# A level without a file ends the start-up on the fatal path, without a crash.
settings 7 0
e2e_start_game
e2e_wait_exit 30 > /dev/null
[ "$E2E_STATUS" = "255" ] || e2e_fail "level 7: exit status $E2E_STATUS"
grep -qx "ERROR: No terrain info for level 7" "$E2E_LOG" || e2e_fail "level 7: no fatal line"

cat "$E2E_OUT/fps.txt"
echo "PASS"
