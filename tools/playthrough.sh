#!/usr/bin/env bash
# The whole game from the first screen to the last, with real keys under a private X
# server: the menu, then levels 1, 2 and 3, each through its loading screen, the
# helium and the climb done with the developer keys (flying them would take too long),
# N to the next level, the end screen after level 3 and back to the menu. Played
# twice in one run, so that the memory after the second round can be compared with
# the first. Fails on any error line, a missing screen or memory that keeps growing.
# Slow (a few minutes): not part of the test suite.
#
# Usage: bash tools/playthrough.sh [--docs]     (after tools/build.sh)
#   --docs  also writes the README's screenshots (docs/*.png) from this run.
# Screenshots, the log and memory.txt go to build/e2e-output/playthrough/.
cd "$(dirname "$0")/.."
source tests/e2e/lib.sh
docs=false
[ "${1:-}" = "--docs" ] && docs=true
e2e_setup build/kestrun . "$PWD/build/e2e-output"
sed -e "s/^dev_keys_enabled = .*/dev_keys_enabled = true/" assets/settings.ini | e2e_settings

menu_shown() { # <shot>: the title picture on the left
  e2e_shot "$1"
  [ "$(e2e_mean_brightness "$1" 400x500+20+150)" -gt 40 ]
}
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$E2E_GAME_PID/status"; }

NAMES=("" "LEVEL 1: GANYMEDE" "LEVEL 2: EUROPA" "LEVEL 3: IO")
HELIUM=(0 1200 1800 2400)

play_level() { # <round> <level>
  local round=$1 level=$2 loads
  loads=$(( (round - 1) * 3 + level ))
  e2e_wait_count "Initializing level ... ${NAMES[$level]} done" "$round" 60
  e2e_wait_count "Initializing kdTree ... done" "$loads" 60
  sleep 1
  e2e_shot "r${round}_loading_$level"
  [ "$(e2e_mean_brightness "r${round}_loading_$level" 400x30+440+700)" -gt 10 ] || e2e_fail "level $level: no prompt"
  e2e_key k
  sleep 2
  e2e_shot "r${round}_flight_$level"
  if [ "$loads" = 1 ]; then
    e2e_key KP_5 # keypad moves along the world axes from here on
  fi
  # Stages apart (no countdown), up past the target height, then the level's helium.
  e2e_key shift+KP_Subtract
  for _ in $(seq 14); do e2e_key shift+KP_9; done
  for _ in $(seq $((HELIUM[level] / 600))); do e2e_key shift+ctrl+h; done
  e2e_wait_count "CHEAT: Helium = ${HELIUM[$level]}" "$round" 10
  sleep 1
  e2e_shot "r${round}_accomplished_$level"
  e2e_key n
}

start=$SECONDS
e2e_start_game
e2e_wait_window "The Kestrun Event"
e2e_wait_log "Initializing shaders ... done" 30
sleep 1
menu_shown menu_start || e2e_fail "no menu at start"
echo "menu at start: $(rss_kb) kB" > "$E2E_OUT/memory.txt"

for round in 1 2; do
  e2e_key Return # "LEVEL 1" is selected when the menu opens without a game
  for level in 1 2 3; do
    play_level "$round" "$level"
  done
  sleep 3
  e2e_shot "r${round}_end_screen"
  [ "$(e2e_mean_brightness "r${round}_end_screen" 1280x614+0+77)" -gt 10 ] || e2e_fail "round $round: no end screen"
  deadline=$((SECONDS + 60))
  until menu_shown "r${round}_menu"; do
    [ $SECONDS -lt $deadline ] || e2e_fail "round $round: no menu after the end screen"
    sleep 1
  done
  sleep 1
  echo "menu after round $round: $(rss_kb) kB" >> "$E2E_OUT/memory.txt"
done

e2e_quit "playthrough"
cat "$E2E_OUT/memory.txt"
first=$(sed -n 2p "$E2E_OUT/memory.txt" | awk '{ print $(NF-1) }')
second=$(sed -n 3p "$E2E_OUT/memory.txt" | awk '{ print $(NF-1) }')
# Flat: the second round ends within 5 % (and 20 MB) of the first.
[ "$second" -le $((first + first / 20 + 20000)) ] || e2e_fail "memory grew from $first kB to $second kB"

if $docs; then
  mkdir -p docs
  for pair in menu_start:menu r1_loading_1:loading r1_flight_1:flight; do
    convert "$E2E_OUT/${pair%%:*}.png" -resize 640x -strip -colors 255 "docs/${pair#*:}.png"
  done
fi
echo "PASS in $((SECONDS - start)) s"
