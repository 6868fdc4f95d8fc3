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

# Asks for a state dump; prints the lander's position and the terrain height below it.
dump() {
  e2e_dump
  echo "$(e2e_player_pos) $(e2e_ground)"
}

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

# The sound of the radiation phases, found in the recording itself (a busy writer may
# lag behind the clock): after the last silence the Geiger starts low down, its clicks
# ring higher once the lander is up in full radiation (their pitch follows the
# radiation), and a voice (speech band) warns of a system switched off. The writer
# fills in the sizes of its chunks only when it closes, so the samples are read from
# the data chunk to the end of the file, and a recording still growing can be checked.
cat > "$E2E_WORK/radiation_sound.py" <<'EOF'
import sys
import numpy as np
rate = 44100
data = open(sys.argv[1], "rb").read()
start = data.find(b"data") + 8
s = np.frombuffer(data[start:start + (len(data) - start) // 2 * 2], dtype="<i2").astype(float) / 32768.0

# Per quarter second: loudness, the median frequency of the power above 1 kHz (the
# Geiger's clicks ring at about 3 kHz times the playback rate), and the speech band.
quarters = []
n = rate // 4
for i in range(len(s) // n):
    x = s[i * n:(i + 1) * n]
    power = np.abs(np.fft.rfft(x)) ** 2
    f = np.fft.rfftfreq(n, 1.0 / rate)
    keep = f > 1000
    c = np.cumsum(power[keep])
    median = float(f[keep][np.searchsorted(c, c[-1] / 2)]) if c[-1] > 0 else 0.0
    speech = float(np.sqrt(power[(f > 200) & (f < 1000)].sum() * 2) / n)
    quarters.append((float(np.sqrt(np.mean(x ** 2))), median, speech))

# A second without a sound: the lander on its way up, still below the radiation.
silent = [i for i in range(3, len(quarters)) if all(q[0] == 0 for q in quarters[i - 3:i + 1])]
assert silent, "no silence before the radiation phases"
phases = quarters[silent[-1] + 1:]
print("after the last silence: " + " ".join("%.3f/%.0f/%.4f" % q for q in phases))
geiger = [q for q in phases if q[0] > 0 and q[2] < 0.01]
assert len(geiger) >= 16, "too little Geiger sound (%d quarters)" % len(geiger)
low = float(np.median([m for _, m, _ in geiger[:6]]))
high = float(np.median([m for _, m, _ in geiger[-6:]]))
print("Geiger: %.0f Hz low down, %.0f Hz high up" % (low, high))
assert high > 2.0 * low, "the Geiger pitch did not rise"
quiet = float(np.median([sp for _, _, sp in geiger]))
loud = max(sp for _, _, sp in phases)
print("speech band: %.4f with the Geiger alone, %.4f at most" % (quiet, loud))
assert loud > 4.0 * quiet, "no voice high up"
EOF

# Radiation: weak at 350 (a sixth into the altitude band), full at 600, where it soon
# switches systems off. The game steps once a frame, so on a loaded machine radiation
# builds more slowly than the clock runs: the lander stays up until the recording holds
# the voice, a minute at most.
move_to 350
sleep 4
move_to 600
sleep 6
deadline=$((SECONDS + 54))
until /usr/bin/python3 "$E2E_WORK/radiation_sound.py" "$wav" > /dev/null 2>&1 || [ $SECONDS -ge $deadline ]; do
  sleep 1
done
e2e_shot radiation

e2e_quit
[ -s "$wav" ] || e2e_fail "no sound was written"
/usr/bin/python3 "$E2E_WORK/radiation_sound.py" "$wav" || e2e_fail "sound check failed"
echo "PASS"
