# The real game under Xvfb builds all 30 shader programs and the menu draws without a
# missing uniform; the brightness keys reach every program, and a program without the
# brightness uniform says so once, not on every press.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

e2e_start_game
e2e_wait_log "Initializing shaders ... done" 30
e2e_wait_window "The Kestrun Event"
sleep 1
grep -qx "Initializing shaders ... done" "$E2E_LOG" || e2e_fail "the shader line is not a line of its own"
! grep -q "WARNING: uniform" "$E2E_LOG" || e2e_fail "a uniform the menu sets is missing from its program"

e2e_key F10 F10 F10
e2e_wait_log "Brightness: 1.15" 5
sleep 0.5
warned=$(grep -c '^WARNING: uniform "globalBrightnessMultiplier" not found in program ' "$E2E_LOG" || true)
programs=$(grep '^WARNING: uniform "globalBrightnessMultiplier" not found in program ' "$E2E_LOG" | sort -u | wc -l)
[ "$warned" = "$programs" ] || e2e_fail "brightness warnings repeat ($warned lines for $programs programs)"
[ "$programs" -lt 30 ] || e2e_fail "no program takes the brightness"

e2e_key shift+Escape
# Waited for in this shell (not in a command substitution), which is the game's parent.
e2e_wait_exit 20 > "$E2E_OUT/exit-status"
status=$(cat "$E2E_OUT/exit-status")
[ "$status" = "0" ] || e2e_fail "exit status $status"
! grep "^ERROR: " "$E2E_LOG" | grep -v "^ERROR: SOUND: " | grep -q . || e2e_fail "errors in the log"
! grep -q "^([123]) err " "$E2E_LOG" || e2e_fail "GL errors while loading textures"
e2e_log_order "Initializing shaders ... done" "Brightness: 1.15" "Shutting down" "Shutdown complete"
echo "PASS"
