# The menu and the screens around a level, with real keys: the menu at start (title,
# credits strip, items, the selected level's page), the controls page, level 1 through
# its loading screen into flight, Esc into the menu with RESUME and back, Alt+Enter in
# flight, and level 3's mission (by developer keys) ending on the end screen, fading to
# black and returning to the menu. The screenshots stay in the output folder.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

sed -e "s/^dev_keys_enabled = .*/dev_keys_enabled = true/" "$E2E_SRC/assets/settings.ini" | e2e_settings
# A controls page long enough to run down over the credits strip.
menu_pages="$E2E_WORK/game/assets/menu"
rm "$menu_pages"
cp -r "$E2E_SRC/assets/menu" "$menu_pages"
printf '\nMORE\nMORE\nMORE\nMORE\n' >> "$menu_pages/controls.txt"

# shot_until <shot> <geometry> <least mean>: screenshots until that part of the window is
# at least that bright (a loaded machine may take its time over a frame); fails after 20 s.
shot_until() {
  local deadline=$((SECONDS + 20))
  while :; do
    e2e_shot "$1"
    [ "$(e2e_mean_brightness "$1" "$2")" -ge "$3" ] && return 0
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.3
  done
}
shot_size() { identify -format "%wx%h" "$E2E_OUT/$1.png"; }
# page_pixels <shot> <geometry>: how many pixels of that part have the pages' blue.
page_pixels() {
  convert "$E2E_OUT/$1.png" -crop "$2" +repage -fx "b > 0.78 && g < 0.67 && r < 0.59" \
    -format "%[fx:round(mean * w * h)]" info:
}

e2e_start_game
e2e_wait_window "The Kestrun Event"
e2e_wait_log "Initializing shaders ... done" 30
# The title on the left, the page of "LEVEL 1" under the items on the right.
shot_until menu_start 400x500+20+150 41 || e2e_fail "no title picture in the menu"
[ "$(e2e_mean_brightness menu_start 600x300+580+280)" -gt 8 ] || e2e_fail "no page text beside the items"

e2e_key Right
sleep 0.5
e2e_shot menu_controls
# The page goes over the strip (the bottom 50 rows right of the title), not under it.
[ "$(page_pixels menu_controls 700x50+580+718)" -gt 100 ] || e2e_fail "the strip hides the end of the page"
e2e_key Return # "CONTROLS" is shown, never chosen
sleep 0.5
grep -q "Initializing level" "$E2E_LOG" && e2e_fail "Enter on CONTROLS started a level"

# Level 1: loading screen with its picture, text and (once loaded) the prompt.
e2e_key Left Return
e2e_wait_log "Initializing kdTree ... done" 60
shot_until loading_level1 400x30+440+700 11 || e2e_fail "no prompt on the loading screen"
e2e_key k
sleep 1
shot_until flight 1280x300+0+468 21 || e2e_fail "no terrain after leaving the loading screen"

# Esc: the menu with RESUME selected; Enter resumes the level.
e2e_key Escape
shot_until menu_resume 400x500+20+150 41 || e2e_fail "Esc did not open the menu"
e2e_key Return
sleep 0.5
shot_until resumed 1280x300+0+468 21 || e2e_fail "Enter on RESUME did not return to the level"

# Alt+Enter in flight: the scene is drawn over the whole new window size.
e2e_key alt+Return
e2e_wait_log "Switching to full screen mode" 5
e2e_wait_log "New window size: " 5
size=$(grep "New window size: " "$E2E_LOG" | tail -n 1 | sed 's/.*: //')
w=${size%x*}; h=${size#*x}
# Until the first frame at the new size is presented the window shows the old one in
# its corner; a loaded machine may take a while over it.
for _ in $(seq 20); do
  sleep 0.5
  e2e_shot flight_fullscreen
  [ "$(e2e_mean_brightness flight_fullscreen "$((w / 4))x$((h / 4))+$((w * 3 / 4))+$((h * 3 / 4))")" -gt 20 ] && break
done
[ "$(shot_size flight_fullscreen)" = "$size" ] || e2e_fail "window $(shot_size flight_fullscreen), log says $size"
[ "$(e2e_mean_brightness flight_fullscreen "$((w / 4))x$((h / 4))+$((w * 3 / 4))+$((h * 3 / 4))")" -gt 20 ] ||
  e2e_fail "the scene does not reach the corner of the resized window"
e2e_key alt+Return
e2e_wait_log "Switching to windowed mode" 5
sleep 0.5

# Level 3 from the menu (RESUME is selected: left and down to it); the helium and the
# climb by developer keys, then N starts the end sequence.
e2e_key Escape
sleep 0.5
e2e_key Left Down Return
e2e_wait_log "Initializing level ... LEVEL 3: IO done" 60
e2e_wait_count "Initializing kdTree ... done" 2 60
sleep 0.5
e2e_key k
sleep 1
# Stages apart first (no countdown), up past the target height, then the helium.
e2e_key KP_5 shift+KP_Subtract
for _ in $(seq 14); do e2e_key shift+KP_9; done
e2e_key shift+ctrl+h shift+ctrl+h shift+ctrl+h shift+ctrl+h
e2e_wait_log "CHEAT: Helium = 2400" 5
sleep 1
e2e_shot mission3
e2e_key n
started=$SECONDS
sleep 1
shot_until end_screen 1280x614+0+77 11 || e2e_fail "no end picture"
[ "$(e2e_mean_brightness end_screen 400x30+440+700)" -lt 6 ] || e2e_fail "a prompt on the end screen"
# The picture stays for 16 s, then fades to black over 5 s, then the menu returns (in game
# time: a machine too loaded for 60 frames a second runs it slower).
sleep 10
e2e_shot end_holding
[ "$(e2e_mean_brightness end_holding 1280x614+0+77)" -gt 10 ] || e2e_fail "the end screen faded too early"
black=""
while [ $((SECONDS - started)) -lt 300 ]; do
  e2e_shot end_fading
  if [ "$(e2e_mean_brightness end_fading)" -lt 8 ]; then black=$((SECONDS - started)); break; fi
  sleep 0.5
done
[ -n "$black" ] || e2e_fail "the end screen did not fade to black"
cp "$E2E_OUT/end_fading.png" "$E2E_OUT/end_black.png"
while [ $((SECONDS - started)) -lt 310 ]; do
  e2e_shot menu_after_end
  [ "$(e2e_mean_brightness menu_after_end 400x500+20+150)" -gt 40 ] && break
  sleep 0.5
done
[ "$(e2e_mean_brightness menu_after_end 400x500+20+150)" -gt 40 ] || e2e_fail "no menu after the end screen"
echo "end screen black after $black s" > "$E2E_OUT/end_timing.txt"
e2e_quit
echo "PASS"
