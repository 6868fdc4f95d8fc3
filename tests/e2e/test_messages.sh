# On-screen text of the real game under Xvfb: the yellow FPS text in the lower-left
# corner (F3), the brightness notice centred in green (F10 three times), the volume
# notice (F5), and both notices gone once their second is over.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

# colour_box <image> <yellow|green>: prints "count minx miny maxx maxy" of the pixels of
# that colour (y counted from the top).
colour_box() {
  /usr/bin/python3 - "$@" <<'PY'
import sys
import numpy
from PIL import Image
image = numpy.asarray(Image.open(sys.argv[1]).convert("RGB")).astype(int)
r, g, b = image[:, :, 0], image[:, :, 1], image[:, :, 2]
if sys.argv[2] == "yellow":
    mask = (r > 200) & (g > 200) & (b < 80)
else:
    mask = (g > 200) & (r < 80) & (b < 80)
ys, xs = numpy.nonzero(mask)
if len(xs) == 0:
    print(0, -1, -1, -1, -1)
else:
    print(len(xs), xs.min(), ys.min(), xs.max(), ys.max())
PY
}

window_size() {
  xdotool getwindowgeometry "$E2E_WID" | awk '/Geometry:/ { split($2, s, "x"); print s[1], s[2] }'
}

e2e_start_game
e2e_wait_window "The Kestrun Event"
sleep 1
read -r width height < <(window_size)
[ "$width" -gt 0 ] || e2e_fail "no window size"

e2e_shot start
read -r count _ < <(colour_box "$E2E_OUT/start.png" yellow)
[ "$count" -lt 20 ] || e2e_fail "yellow text before F3 ($count pixels)"

# F3: the FPS text, yellow, in the lower-left corner.
e2e_key F3
e2e_wait_title " FPS: " 3
sleep 0.5
e2e_shot fps
read -r count minx miny maxx maxy < <(colour_box "$E2E_OUT/fps.png" yellow)
echo "FPS text: $count yellow pixels in ($minx,$miny)-($maxx,$maxy) of ${width}x${height}"
[ "$count" -gt 150 ] || e2e_fail "no yellow FPS text ($count pixels)"
[ "$minx" -lt $((width / 20)) ] || e2e_fail "FPS text does not start at the left edge (x $minx)"
[ "$maxx" -lt $((width / 2)) ] || e2e_fail "FPS text reaches too far right (x $maxx)"
[ "$miny" -gt $((height * 9 / 10)) ] || e2e_fail "FPS text is not at the bottom (top y $miny)"
e2e_key F3
sleep 0.5

# shows_notice <shot>: the green notice is there, centred; sets notice_width. A loaded
# machine may take long over a screenshot, so a few tries fit into the notice's second.
shows_notice() {
  local try
  for try in 1 2 3 4; do
    e2e_shot "$1"
    read -r count minx miny maxx maxy < <(colour_box "$E2E_OUT/$1.png" green)
    [ "$count" -gt 300 ] && break
  done
  echo "$1: $count green pixels in ($minx,$miny)-($maxx,$maxy)"
  [ "$count" -gt 300 ] || e2e_fail "no green notice in $1 ($count pixels)"
  local dx=$(((minx + maxx) / 2 - width / 2)) dy=$(((miny + maxy) / 2 - height / 2))
  [ "${dx#-}" -le 12 ] && [ "${dy#-}" -le 20 ] || e2e_fail "notice in $1 off centre by ($dx, $dy)"
  notice_width=$((maxx - minx))
}

# gone_after_its_second <shot>
gone_after_its_second() {
  sleep 1.3
  e2e_shot "$1"
  read -r count _ < <(colour_box "$E2E_OUT/$1.png" green)
  [ "$count" -lt 20 ] || e2e_fail "notice still shown in $1 ($count pixels)"
}

# Three presses of F10: "Brightness 115%" centred in green, for one second.
e2e_key F10 F10 F10
e2e_wait_log "Brightness: 1.15" 5
shows_notice brightness
brightness_width=$notice_width
gone_after_its_second brightness_gone

# F5: "Sound volume 100%", two characters wider.
e2e_key F5
e2e_wait_log "Mute: off" 5
shows_notice volume
[ "$notice_width" -gt "$brightness_width" ] || e2e_fail "volume notice not wider than the brightness one"
gone_after_its_second volume_gone

e2e_quit
echo "PASS"
