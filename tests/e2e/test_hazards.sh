# Radiation, an EMP bomb and a checkpoint on level 1, with real key events and the sound
# written by OpenAL Soft's wave writer:
# - high up radiation builds until a system-offline voice plays; the Geiger counter
#   clicks faster and higher the stronger the radiation;
# - B throws a bomb that falls, explodes 600 steps later with a shock wave and hits the
#   lander close by with radiation;
# - Ctrl+S, a crash, R: the lander is back where it was saved, with that fuel and helium.
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

# A small window keeps the frame rate up: the game runs one 1/60 s step per frame.
sed -e 's/^initialLevel *=.*/initialLevel = 1/' \
    -e 's/^width *=.*/width = 640/' -e 's/^height *=.*/height = 384/' \
    -e 's/^antialiasing *=.*/antialiasing = 2/' \
    -e 's/^dev_keys_enabled *=.*/dev_keys_enabled = true/' \
    -e 's/^music_volume *=.*/music_volume = 0.0/' \
    "$E2E_SRC/assets/settings.ini" | e2e_settings
sed -i 's/^\[game\]$/[game]\nrad_rate_inc = 0.1/' "$E2E_WORK/game/assets/settings.ini"

wav="$E2E_OUT/hazards.wav"
e2e_wave_output "$wav"

# Seconds since the game started (the wave file starts with it, give or take).
clock() { awk "BEGIN { print $(date +%s.%N) - $start }"; }

# The n-th "Player pos [x y z]" of the log, as "x y z".
player_pos() {
  grep -F "Player pos [" "$E2E_LOG" | sed -n "${1}p" | sed -E 's/^Player pos \[([^]]+)\].*/\1/'
}
dumps() { grep -cF "Player pos [" "$E2E_LOG" || true; }
# Asks for a state dump; prints the lander's position and the terrain height below it.
dump() {
  local before
  before=$(dumps)
  e2e_key i
  local deadline=$((SECONDS + 20))
  while [ "$(dumps)" -le "$before" ]; do
    [ $SECONDS -lt $deadline ] || e2e_fail "no state dump after I"
    sleep 0.1
  done
  echo "$(player_pos $((before + 1))) $(grep -F "INFO: Terrain height " "$E2E_LOG" | tail -n 1 | awk '{ print $4 }' | tr -d ,)"
}

start=$(date +%s.%N)
ALSOFT_DRIVERS=wave e2e_start_game
e2e_wait_window "The Kestrun Event" 30
e2e_wait_log "Initializing kdTree" 60
sleep 1
# U frees the cursor, so that pointer moves cannot turn the camera, and R puts the
# camera back where the level starts it (pointer jumps while the window came up may
# have turned it); gravity off so that the lander hovers where the keypad puts it;
# keypad 5 switches the keypad to world axes.
e2e_key u r g KP_Begin
e2e_wait_log "Debug movement: absolute" 5

# move_to <height>: the keypad moves the lander in steps of 100 (Shift) and 10.
move_to() {
  local x y z ground delta key n
  read -r x y z ground < <(dump)
  delta=$(awk -v y="$y" -v t="$1" 'BEGIN { printf "%d", (t - y) / 10 }')
  key=KP_Prior
  if [ "$delta" -lt 0 ]; then key=KP_Next; delta=$((-delta)); fi
  for _ in $(seq $((delta / 10))); do e2e_key shift+$key; done
  for _ in $(seq $((delta % 10))); do e2e_key $key; done
  return 0
}
ground_height() { dump | awk '{ print $4 }'; }

# A bomb thrown 12 above the ground explodes beside the lander.
ground=$(ground_height)
move_to "$(awk -v g="$ground" 'BEGIN { print g + 12 }')"
e2e_key b
sleep 0.3
e2e_shot bomb_falling
e2e_wait_log "Bomb exploded" 120
e2e_shot shockwave
sleep 0.3
e2e_shot shockwave_later
sleep 2
e2e_shot after_shockwave
# The ring is faint on smooth ground; the difference to the frame after it shows it.
compare -fuzz 2% "$E2E_OUT/shockwave.png" "$E2E_OUT/after_shockwave.png" "$E2E_OUT/shockwave_ring.png" 2> /dev/null || true
grep -qF "EMP inflicted radiation: " "$E2E_LOG" || e2e_fail "the blast 12 below gave no radiation"

# Checkpoint: some fuel burnt and 600 helium taken (half the level's target), saved;
# a crash into the ground; R.
xdotool keydown space
sleep 0.5
xdotool keyup space
e2e_key ctrl+shift+h
e2e_wait_log "CHEAT: Helium = 600" 5
e2e_key ctrl+s
e2e_wait_log "Checkpoint saved!" 5
saved=$(grep -F "INFO: Checkpoint lander at" "$E2E_LOG" | tail -n 1 | sed 's/^INFO: Checkpoint lander at //')
for _ in $(seq 10); do
  grep -qF "BOOM - player collision" "$E2E_LOG" && break
  e2e_key KP_Next
  sleep 0.5
done
e2e_wait_log "BOOM - player collision" 20
sleep 1
e2e_shot crash
e2e_key r
e2e_wait_log "Checkpoint loaded" 5
loaded=$(grep -F "INFO: Checkpoint lander at" "$E2E_LOG" | tail -n 1 | sed 's/^INFO: Checkpoint lander at //')
echo "saved:  $saved"
echo "loaded: $loaded"
[ "$saved" = "$loaded" ] || e2e_fail "R did not bring back the saved lander"
echo "$saved" | grep -q "fuel 4[0-4][0-9][0-9], helium 600$" || e2e_fail "the checkpoint lacks the fuel burnt or the helium"
sleep 0.5
e2e_shot restored

# Radiation: weak at 350 (a sixth into the altitude band), full at 600, where it soon
# switches systems off.
move_to 350
low_from=$(clock)
sleep 4
low_to=$(clock)
move_to 600
high_from=$(clock)
sleep 6
high_to=$(clock)
e2e_shot radiation

e2e_quit
[ -s "$wav" ] || e2e_fail "no sound was written"

# Geiger: audible in both windows, its clicks higher and faster up in the full band;
# a voice (speech band) somewhere in the high window.
sox "$wav" -t raw -e signed -b 16 -c 1 -r 44100 "$E2E_WORK/hazards.raw"
/usr/bin/python3 - "$E2E_WORK/hazards.raw" "$low_from" "$low_to" "$high_from" "$high_to" <<'EOF' || e2e_fail "sound check failed"
import sys
import numpy as np
path, lf, lt, hf, ht = sys.argv[1], *map(float, sys.argv[2:])
rate = 44100
s = np.fromfile(path, dtype=np.int16).astype(float) / 32768.0

def part(a, b):
    return s[int(a * rate):int(b * rate)]

def centroid(x):
    spec = np.abs(np.fft.rfft(x))
    f = np.fft.rfftfreq(len(x), 1.0 / rate)
    keep = f > 1000
    return float((spec[keep] * f[keep]).sum() / spec[keep].sum())

def band_rms(x, lo, hi):
    spec = np.fft.rfft(x)
    f = np.fft.rfftfreq(len(x), 1.0 / rate)
    spec[(f < lo) | (f > hi)] = 0
    return float(np.sqrt(np.mean(np.fft.irfft(spec, len(x)) ** 2)))

# Per quarter second: loudness, the median frequency of the power above 1 kHz (the
# Geiger's clicks ring at about 3 kHz times the playback rate), and the speech band.
def quarters(a, b):
    out = []
    for t in np.arange(a, b - 0.25, 0.25):
        x = part(t, t + 0.25)
        spec = np.abs(np.fft.rfft(x)) ** 2
        f = np.fft.rfftfreq(len(x), 1.0 / rate)
        keep = f > 1000
        c = np.cumsum(spec[keep])
        median = f[keep][np.searchsorted(c, c[-1] / 2)] if c[-1] > 0 else 0.0
        speech = float(np.sqrt(spec[(f > 200) & (f < 1000)].sum() * 2) / len(x))
        out.append((float(np.sqrt(np.mean(x ** 2))), float(median), speech))
    return out

low = quarters(lf + 1.0, lt)
high = quarters(hf + 1.0, ht)
for name, q in (("low", low), ("high", high)):
    print(name + ": " + " ".join("%.3f/%.0f/%.4f" % v for v in q))
low_pitch = np.median([m for r, m, _ in low if r > 0])
high_pitch = np.median([m for r, m, _ in high if r > 0])
print("Geiger: %.0f Hz low, %.0f Hz high" % (low_pitch, high_pitch))
level = float(np.sqrt(np.mean(part(lf + 1.0, lt) ** 2)))
print("Geiger level low down: %.4f" % level)
assert level > 0.005, "the Geiger is not heard low down"
assert high_pitch > 2.0 * low_pitch, "the Geiger pitch did not rise"
quiet = np.median([sp for _, _, sp in low])
loud = max(sp for _, _, sp in high)
print("speech band: %.4f low, %.4f at most high" % (quiet, loud))
assert loud > 4.0 * quiet, "no voice high up"
EOF
echo "PASS"
