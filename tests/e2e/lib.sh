# Shared helpers of the end-to-end tests: a private X server, a scratch copy of the
# assets, the real game binary driven by xdotool, screenshots and log checks.
# Usage in a test script:  source "$(dirname "$0")/lib.sh"; e2e_setup "$@"
set -euo pipefail

E2E_BIN=""
E2E_SRC=""
E2E_OUT=""
E2E_WORK=""
E2E_XVFB_PID=""
E2E_GAME_PID=""
E2E_WID=""
E2E_LOG=""

E2E_FAILED=""
e2e_fail() {
  E2E_FAILED=1
  echo "FAIL: $*" >&2
  if [ -n "$E2E_LOG" ] && [ -f "$E2E_LOG" ]; then
    echo "---- game log (last 40 lines) ----" >&2
    tail -n 40 "$E2E_LOG" >&2
  fi
  exit 1
}

e2e_cleanup() {
  local status=$?
  # A command that failed under set -e ends the test without a word of its own.
  if [ "$status" != 0 ] && [ -z "$E2E_FAILED" ]; then
    echo "FAIL: exit status $status after: $BASH_COMMAND" >&2
    [ -n "$E2E_LOG" ] && [ -f "$E2E_LOG" ] && tail -n 20 "$E2E_LOG" >&2
  fi
  if [ -n "$E2E_GAME_PID" ] && kill -0 "$E2E_GAME_PID" 2>/dev/null; then
    kill "$E2E_GAME_PID" 2>/dev/null || true
    sleep 0.5
    kill -9 "$E2E_GAME_PID" 2>/dev/null || true
  fi
  [ -n "$E2E_XVFB_PID" ] && kill "$E2E_XVFB_PID" 2>/dev/null || true
  # The tools that only borrow the X server (bench.sh) have no work dir; the trap must
  # not turn their exit status into a failure.
  if [ -n "$E2E_WORK" ]; then rm -rf "$E2E_WORK"; fi
}

source "$(dirname "${BASH_SOURCE[0]}")/../../tools/xvfb.sh"

# Starts the test's own X server (see tools/xvfb.sh) and exports DISPLAY. E2E_SCREEN
# sets its size (1280x1024x24).
e2e_start_x() {
  xvfb_start "${E2E_SCREEN:-1280x1024x24}" || e2e_fail "could not start Xvfb"
  E2E_XVFB_PID=$XVFB_PID
}

# e2e_setup <binary> <source dir> <output dir>: scratch work dir whose assets link to
# the real ones except settings.ini, which is a copy a test may rewrite.
e2e_setup() {
  E2E_BIN=$(realpath "$1")
  E2E_SRC=$(realpath "$2")
  local name
  name=$(basename "$0" .sh)
  E2E_OUT="$3/$name"
  rm -rf "$E2E_OUT"
  mkdir -p "$E2E_OUT"
  E2E_WORK=$(mktemp -d /tmp/kestrun-e2e-XXXXXX)
  trap e2e_cleanup EXIT
  mkdir -p "$E2E_WORK/game/assets"
  local entry
  for entry in "$E2E_SRC"/assets/*; do
    [ "$(basename "$entry")" = "settings.ini" ] && continue
    ln -s "$entry" "$E2E_WORK/game/assets/$(basename "$entry")"
  done
  cp "$E2E_SRC/assets/settings.ini" "$E2E_WORK/game/assets/settings.ini"
  E2E_LOG="$E2E_OUT/game.log"
  e2e_start_x
}

# Replaces the scratch settings.ini with the text on standard input.
e2e_settings() {
  cat > "$E2E_WORK/game/assets/settings.ini"
}

# Starts the game in the scratch work dir with standard input closed. Sound goes to
# OpenAL Soft's silent null output unless the test chose another (ALSOFT_DRIVERS), so
# the run neither needs nor disturbs the machine's sound card.
e2e_start_game() {
  # Emptied here, not by the game's redirection in the background: a wait for a line
  # must never find it in the previous game's log.
  : > "$E2E_LOG"
  (cd "$E2E_WORK/game" && exec env ALSOFT_DRIVERS="${ALSOFT_DRIVERS:-null}" "$E2E_BIN" > "$E2E_LOG" 2>&1 < /dev/null) &
  E2E_GAME_PID=$!
}

# e2e_wave_output <file>: the next games play into <file> (mono 16-bit, 44.1 kHz)
# through OpenAL Soft's wave writer; start them with ALSOFT_DRIVERS=wave.
e2e_wave_output() {
  cat > "$E2E_WORK/alsoft.conf" <<EOF
[general]
channels = mono
sample-type = int16
frequency = 44100
dither = false
[wave]
file = $1
EOF
  export ALSOFT_CONF="$E2E_WORK/alsoft.conf"
}

# e2e_wait_window <title substring> [seconds]: sets E2E_WID.
e2e_wait_window() {
  local deadline=$((SECONDS + ${2:-20}))
  while [ $SECONDS -lt $deadline ]; do
    E2E_WID=$(xdotool search --name "$1" 2>/dev/null | head -n 1 || true)
    if [ -n "$E2E_WID" ]; then
      xdotool windowfocus --sync "$E2E_WID" 2>/dev/null || true
      return 0
    fi
    kill -0 "$E2E_GAME_PID" 2>/dev/null || e2e_fail "game ended before its window appeared"
    sleep 0.1
  done
  e2e_fail "no window titled '$1'"
}

# e2e_wait_log <fixed string> [seconds]
e2e_wait_log() {
  local deadline=$((SECONDS + ${2:-20}))
  while [ $SECONDS -lt $deadline ]; do
    grep -qF -- "$1" "$E2E_LOG" 2>/dev/null && return 0
    sleep 0.1
  done
  e2e_fail "log never showed '$1'"
}

# e2e_wait_title <fixed string> [seconds]: waits until the window title contains it.
e2e_wait_title() {
  local deadline=$((SECONDS + ${2:-20}))
  while [ $SECONDS -lt $deadline ]; do
    xdotool getwindowname "$E2E_WID" 2>/dev/null | grep -qF -- "$1" && return 0
    sleep 0.1
  done
  e2e_fail "title never showed '$1' (title: $(xdotool getwindowname "$E2E_WID" 2>/dev/null))"
}

# e2e_key <keys...>: real key events to the game window.
e2e_key() {
  xdotool windowfocus --sync "$E2E_WID" 2>/dev/null || true
  xdotool key --delay 60 "$@" || e2e_fail "xdotool could not press $*"
}

# e2e_shot <name>: grabs the game window into <output>/<name>.png.
e2e_shot() {
  # A loaded X server now and then fails a grab: two more tries.
  local try
  for try in 1 2 3; do
    import -window "$E2E_WID" "$E2E_OUT/$1.png" 2> "$E2E_OUT/import.err" && return 0
    sleep 0.5
  done
  e2e_fail "cannot grab the window for $1: $(cat "$E2E_OUT/import.err")"
}

# e2e_wait_exit [seconds]: waits for the game to end; its exit status goes to
# E2E_STATUS and standard output. Call it in the test's own shell, not inside $(...):
# only the shell that started the game can wait for it.
E2E_STATUS=""
e2e_wait_exit() {
  local deadline=$((SECONDS + ${1:-20}))
  while [ $SECONDS -lt $deadline ]; do
    if ! kill -0 "$E2E_GAME_PID" 2>/dev/null; then
      local status=0
      wait "$E2E_GAME_PID" || status=$?
      E2E_GAME_PID=""
      E2E_STATUS=$status
      echo "$status"
      return 0
    fi
    sleep 0.1
  done
  e2e_fail "game did not end within ${1:-20} s"
}

# e2e_quit [label] [seconds]: Shift+Esc; the game must end with status 0 and log no
# error but the sound system's (a machine may have no audio device).
e2e_quit() {
  e2e_key shift+Escape
  e2e_wait_exit "${2:-30}" > /dev/null
  [ "$E2E_STATUS" = "0" ] || e2e_fail "${1:+$1: }exit status $E2E_STATUS"
  ! grep "^ERROR: " "$E2E_LOG" | grep -v "^ERROR: SOUND: " | grep -q . || e2e_fail "${1:+$1: }errors in the log"
}

# e2e_mean_brightness <shot> [geometry]: mean grey level 0..255 of a screenshot (or a
# crop of it, "WxH+X+Y" from the top left).
e2e_mean_brightness() {
  local crop=()
  [ -n "${2:-}" ] && crop=(-crop "$2" +repage)
  convert "$E2E_OUT/$1.png" "${crop[@]}" -colorspace Gray -format "%[fx:round(mean*255)]" info:
}

# e2e_wait_count <fixed string> <count> [seconds]: waits until the log holds it count times.
e2e_wait_count() {
  local deadline=$((SECONDS + ${3:-20}))
  while [ $SECONDS -lt $deadline ]; do
    [ "$(grep -cF -- "$1" "$E2E_LOG" || true)" -ge "$2" ] && return 0
    sleep 0.1
  done
  e2e_fail "log never showed '$1' $2 times"
}

# e2e_log_order <line1> <line2> ...: the fixed strings appear in the log in this order.
e2e_log_order() {
  local previous=0 line
  for text in "$@"; do
    line=$(grep -nF -- "$text" "$E2E_LOG" | head -n 1 | cut -d: -f1 || true)
    [ -n "$line" ] || e2e_fail "log lacks '$text'"
    [ "$line" -gt "$previous" ] || e2e_fail "'$text' is out of order in the log"
    previous=$line
  done
}

# ---- Developer-key helpers: the state dump (I) and the keypad moves of the lander ----

e2e_dumps() {
  grep -cF "Player pos [" "$E2E_LOG" || true
}

# State dump (developer key I); waits until it is in the log.
e2e_dump() {
  local before
  before=$(e2e_dumps)
  e2e_key i
  local deadline=$((SECONDS + 20))
  while [ "$(e2e_dumps)" -le "$before" ]; do
    [ $SECONDS -lt $deadline ] || e2e_fail "no state dump after I"
    sleep 0.1
  done
}

# "x y z" of the lander, of crawler <i>, and the terrain height below the lander, all
# from the last dump.
e2e_player_pos() {
  grep -F "Player pos [" "$E2E_LOG" | tail -n 1 | sed -E 's/^Player pos \[([^]]+)\].*/\1/'
}
e2e_crawler_pos() {
  grep -F "Crawler $1: pos [" "$E2E_LOG" | tail -n 1 | sed -E 's/.*pos \[([^]]+)\].*/\1/'
}
e2e_crawler_helium() {
  grep -F "Crawler $1: pos [" "$E2E_LOG" | tail -n 1 | sed -E 's/.*helium:(-?[0-9]+).*/\1/'
}
# e2e_camera_at_reset <label>: in the last dump the camera's yaw and pitch are the
# level's reset angles (nothing but the player's own mouse motion turns them).
e2e_camera_at_reset() {
  local now reset
  now=$(grep -F "INFO: Cam params " "$E2E_LOG" | tail -n 1 | sed -E 's/.*focus\): *([^ ]+) deg, ([^ ]+) deg,.*/\1 \2/')
  reset=$(grep -F "INFO: Cam reset " "$E2E_LOG" | tail -n 1 | sed -E 's/.*focus\): *([^ ]+) deg, ([^ ]+) deg,.*/\1 \2/')
  awk -v a="$now" -v b="$reset" 'BEGIN { split(a, x); split(b, y);
    exit !(x[1] - y[1] < 0.01 && y[1] - x[1] < 0.01 && x[2] - y[2] < 0.01 && y[2] - x[2] < 0.01) }' ||
    e2e_fail "$1: the camera turned by itself (yaw, pitch $now deg; the level's reset $reset deg)"
}
e2e_ground() {
  grep -F "INFO: Terrain height " "$E2E_LOG" | tail -n 1 | sed -E 's/^INFO: Terrain height ([^,]+),.*/\1/'
}

# e2e_move_axis <delta> <key for +> <key for ->: keypad moves of 100 (Shift), 10 and 1 (Ctrl).
e2e_move_axis() {
  local d key i
  d=$(awk -v d="$1" 'BEGIN { printf "%d", (d < 0 ? d - 0.5 : d + 0.5) }')
  key=$2
  if [ "$d" -lt 0 ]; then key=$3; d=$((-d)); fi
  local keys=()
  for i in $(seq $((d / 100))); do keys+=("shift+$key"); done
  for i in $(seq $(((d % 100) / 10))); do keys+=("$key"); done
  for i in $(seq $((d % 10))); do keys+=("ctrl+$key"); done
  [ ${#keys[@]} -eq 0 ] || xdotool key --delay 25 "${keys[@]}"
}

# e2e_move_to <x> <y> <z>: the lander to that world point (developer keypad moves in
# absolute mode: keypad 5 first).
e2e_move_to() {
  e2e_dump
  read -r px py pz <<< "$(e2e_player_pos)"
  xdotool windowfocus --sync "$E2E_WID" 2>/dev/null || true
  e2e_move_axis "$(awk -v a="$1" -v b="$px" 'BEGIN { print a - b }')" KP_6 KP_4
  e2e_move_axis "$(awk -v a="$2" -v b="$py" 'BEGIN { print a - b }')" KP_9 KP_3
  e2e_move_axis "$(awk -v a="$3" -v b="$pz" 'BEGIN { print a - b }')" KP_2 KP_8
  e2e_dump
}
