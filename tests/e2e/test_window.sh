# The real game under Xvfb: window title, FPS in the title, full-screen switch and an
# orderly exit on Shift+Esc.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

e2e_start_game
e2e_wait_window "The Kestrun Event"
sleep 0.5
e2e_shot start

e2e_key F3
e2e_wait_title " FPS: " 2
e2e_shot fps

e2e_key alt+Return
e2e_wait_log "Switching to full screen mode" 5
e2e_wait_log "New window size: " 5
e2e_shot fullscreen

e2e_key shift+Escape
e2e_wait_exit 20 > /dev/null
[ "$E2E_STATUS" = "0" ] || e2e_fail "exit status $E2E_STATUS"
# A machine without an audio device runs silently; any other error is a failure.
! grep "^ERROR: " "$E2E_LOG" | grep -v "^ERROR: SOUND: " | grep -q . || e2e_fail "errors in the log"
e2e_log_order "Switching to full screen mode" "New window size: " "Shutting down" "Shutdown complete"
echo "PASS"
