# The real game under Xvfb: all 32 shader programs built and the menu drawn without a
# missing uniform, window title, FPS in the title, brightness reaching every program
# (a program without its uniform says so once, not on every press), the full-screen
# switch and an orderly exit on Shift+Esc.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

e2e_start_game
e2e_wait_log "Initializing shaders ... done" 30
e2e_wait_window "The Kestrun Event"
sleep 0.5
e2e_shot start
grep -qx "Initializing shaders ... done" "$E2E_LOG" || e2e_fail "the shader line is not a line of its own"
! grep -q "WARNING: uniform" "$E2E_LOG" || e2e_fail "a uniform the menu sets is missing from its program"

e2e_key F3
e2e_wait_title " FPS: " 5
e2e_shot fps

e2e_key F10 F10 F10
e2e_wait_log "Brightness: 1.15" 5
sleep 0.5
warning='^WARNING: uniform "globalBrightnessMultiplier" not found in program '
warned=$(grep -c "$warning" "$E2E_LOG" || true)
programs=$(grep "$warning" "$E2E_LOG" | sort -u | wc -l)
[ "$warned" = "$programs" ] || e2e_fail "brightness warnings repeat ($warned lines for $programs programs)"
[ "$programs" -lt 32 ] || e2e_fail "no program takes the brightness"

e2e_key alt+Return
e2e_wait_log "Switching to full screen mode" 5
e2e_wait_log "New window size: " 5
e2e_shot fullscreen

e2e_quit
! grep -q "^([123]) err " "$E2E_LOG" || e2e_fail "GL errors while loading textures"
e2e_log_order "Initializing shaders ... done" "Brightness: 1.15" "Switching to full screen mode" \
  "New window size: " "Shutting down" "Shutdown complete"
echo "PASS"
