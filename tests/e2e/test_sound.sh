# The real game and its sound: without any audio device it still starts, runs and quits
# cleanly; with sound off in the settings it says so; with a device (OpenAL Soft's wave
# writer) the menu theme is heard, and Ctrl+F5 silences it.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

quit_game() { # <name>
  e2e_quit "$1"
  grep -qxF "INFO: Shutdown complete" "$E2E_LOG" || e2e_fail "$1: no orderly shutdown"
}

# run_menu <name>: starts the game, lets the menu run, quits.
run_menu() {
  E2E_LOG="$E2E_OUT/$1.log"
  e2e_start_game
  e2e_wait_window "The Kestrun Event"
  e2e_wait_log "Initializing shaders ... done" 30
  sleep 1
  quit_game "$1"
}

# RMS level in dB of <file> from <start> s for <length> s ("-inf" for digital silence).
level_db() {
  sox "$1" -n trim "$2" "$3" stats 2>&1 | awk '/^RMS lev dB/ { print $4 }'
}

# 1. No audio device at all.
ALSOFT_DRIVERS=no-such-device run_menu no-device
[ "$(grep -c "SOUND: " "$E2E_LOG")" = "1" ] || e2e_fail "no device: the failure should be told exactly once"
grep -qxF "ERROR: SOUND: Failed to init sound system: (4) Error initializing output device." "$E2E_LOG" ||
  e2e_fail "no device: missing failure line"

# 2. Sound switched off in the settings.
sed 's/^enabled *=.*/enabled = false/' "$E2E_SRC/assets/settings.ini" | e2e_settings
grep -qx "enabled = false" "$E2E_WORK/game/assets/settings.ini" || e2e_fail "settings.ini has no sound switch"
run_menu disabled
grep -qxF "Sound is disabled via ini file" "$E2E_LOG" || e2e_fail "disabled: missing line"
! grep -q "^ERROR: " "$E2E_LOG" || e2e_fail "disabled: errors in the log"
cp "$E2E_SRC/assets/settings.ini" "$E2E_WORK/game/assets/settings.ini"

# 3. A device that writes what it plays into a file. The writer runs on its own clock:
# on a busy machine it lags, then catches up, so the times below are places in the file
# (mono 16-bit, 44.1 kHz after the header) read off its size as it grows, never the
# clock: what lies before the size read just before Ctrl+F5 was mixed before the key,
# what lies well after the size read once the game took it, after.
wav="$E2E_OUT/menu.wav"
e2e_wave_output "$wav"
E2E_LOG="$E2E_OUT/wave.log"
bytes_per_second=88200
written() { stat -c %s "$wav" 2> /dev/null || echo 0; }
# wait_written <bytes>: until the file holds that many, 30 s at most.
wait_written() {
  local deadline=$((SECONDS + 30))
  until [ "$(written)" -ge "$1" ]; do
    [ $SECONDS -lt $deadline ] || e2e_fail "wave: the writer stopped at $(written) bytes"
    sleep 0.1
  done
}
ALSOFT_DRIVERS=wave e2e_start_game
e2e_wait_window "The Kestrun Event"
e2e_wait_log "Initializing shaders ... done" 30
wait_written $(($(written) + 2 * bytes_per_second))
key_at=$(written)
e2e_key ctrl+F5
e2e_wait_log "Mute: on" 5
muted_at=$(written)
wait_written $((muted_at + 3 * bytes_per_second / 2))
quit_game wave
! grep -q "^ERROR: " "$E2E_LOG" || e2e_fail "wave: errors in the log"
[ -s "$wav" ] || e2e_fail "wave: nothing was written"

header=$(($(grep -obUa data "$wav" | head -n 1 | cut -d: -f1) + 8))
at() { awk -v b="$1" -v h="$header" -v r=$bytes_per_second -v d="$2" 'BEGIN { print (b - h) / r + d }'; }
before=$(level_db "$wav" "$(at "$key_at" -1.0)" 1.0)
after=$(level_db "$wav" "$(at "$muted_at" 0.3)" 0.8)
echo "menu music: $before dB before mute, $after dB after"
[ -n "$before" ] && [ "$before" != "-inf" ] && awk "BEGIN { exit !($before > -40) }" ||
  e2e_fail "wave: the menu theme is not heard ($before dB)"
[ "$after" = "-inf" ] || e2e_fail "wave: still sounding after mute ($after dB)"
echo "PASS"
