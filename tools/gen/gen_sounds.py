#!/usr/bin/env python3
"""Makes every sound of the game into <assets>/sounds: the effects, the menu theme, one
music track per moon, the cockpit computer's spoken lines, and each level's briefing (its
spoken narration together with the text shown on the loading screen).

Effects and music are synthesised here with numpy from fixed seeds; speech comes from
espeak-ng, shaped with sox and encoded with lame. Loops are built circularly (filters,
reverb and note tails wrap around the loop end), so they repeat without a seam.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import wave
from concurrent.futures import ThreadPoolExecutor

import numpy as np

SR = 44100

# --------------------------------------------------------------------------------------
# Texts

# Cockpit computer announcements: file under speech/ and what is said.
SPEECH = [
    ("radar_offline", "Radar offline."),
    ("damping_offline", "Damping offline."),
    ("auxiliary_offline", "Auxiliary systems offline."),
    ("compass_offline", "Compass offline."),
    ("lights_offline", "Indicator lights offline."),
    ("separation", "Helium target reached. Stage separation in ten seconds."),
    ("low_fuel", "Warning. Low fuel."),
    ("fuel", "Docked. Refueling."),
    ("all_systems_online", "All systems online."),
    ("emps_recharded", "E M Ps recharged."),
    ("no_bombs", "No E M Ps left."),
    ("groundspeed", "Ground speed too low."),
]

# Level briefings: the loading screen shows the text in these short lines, and the
# narration reads the same words; "start" is said when the player leaves the screen.
BRIEFINGS = {
    "1": {
        "text": [
            "GANYMEDE",
            "",
            "The largest moon of Kestrun.",
            "Our crawlers have mined helium",
            "from its frozen plains.",
            "",
            "Land on each crawler to take its",
            "helium and fill up your fuel.",
            "When the target is aboard, the",
            "lower stage separates.",
            "Then climb to orbit.",
        ],
        "start": "Ganymede descent. Lander is yours. Good luck.",
    },
    "2": {
        "text": [
            "EUROPA",
            "",
            "An ocean sleeps under the ice.",
            "Stay clear of open water and of",
            "the crystal fields.",
            "",
            "Radiation zones drift over the",
            "surface. Too much of it shuts",
            "your systems down one by one.",
            "EMP bombs clear the way.",
        ],
        "start": "Europa descent. Watch your radiation. Good luck.",
    },
    "3": {
        "text": [
            "IO",
            "",
            "The fire moon of Kestrun.",
            "Lava flows cross the crawler",
            "routes, and the radiation",
            "is fierce.",
            "",
            "Take the last helium of the",
            "system and bring it home.",
        ],
        "start": "Io descent. Mind the lava. Good luck.",
    },
    "end": {
        "text": [
            "MISSION ACCOMPLISHED",
            "",
            "The helium of Ganymede, Europa",
            "and Io is on its way home.",
            "",
            "The Kestrun Event is over.",
            "Thank you for flying with us.",
        ],
        "start": None,
    },
}

# Level music: file name per moon (the level files name them).
LEVEL_MUSIC = ["ganymed.mp3", "europa.mp3", "io.mp3"]

# --------------------------------------------------------------------------------------
# Helpers


def write_wav(path, samples, rate=SR):
    """16-bit mono WAV."""
    pcm = np.clip(np.round(samples * 32767.0), -32768, 32767).astype("<i2")
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(pcm.tobytes())


def encode_mp3(wav_path, mp3_path, kbps):
    subprocess.run(["lame", "--quiet", "--noreplaygain", "-m", "m", "--cbr", "-b", str(kbps),
                    wav_path, mp3_path], check=True)


def db(x):
    return 10.0 ** (x / 20.0)


def level(samples, rms_db, peak_db=-1.0):
    """Scales to a target loudness (RMS) and rounds off peaks above peak_db softly."""
    rms = np.sqrt(np.mean(samples ** 2))
    if rms > 0:
        samples = samples * (db(rms_db) / rms)
    ceiling = db(peak_db)
    return ceiling * np.tanh(samples / ceiling)


def spectrum_shape(n, shape):
    """Per-bin gains of an n-sample periodic signal from shape(frequency in Hz)."""
    freqs = np.fft.rfftfreq(n, 1.0 / SR)
    return shape(np.maximum(freqs, 1e-3))


def circular_filter(x, shape):
    """Filters a loop in the frequency domain: the result wraps around seamlessly."""
    return np.fft.irfft(np.fft.rfft(x) * spectrum_shape(len(x), shape), len(x))


def band(lo, hi, order=2):
    """Smooth band-pass magnitude: rolls off below lo and above hi."""
    def shape(f):
        g = np.ones_like(f)
        if lo:
            g = g / np.sqrt(1.0 + (lo / f) ** (2 * order))
        if hi:
            g = g / np.sqrt(1.0 + (f / hi) ** (2 * order))
        return g
    return shape


def loop_lfo(n, cycles, phase=0.0):
    """A sine that completes a whole number of cycles over the loop."""
    t = np.arange(n) / n
    return np.sin(2 * np.pi * (cycles * t + phase))


def add_at(buffer, start, sound, wrap):
    """Adds a sound into the buffer; with wrap, the part past the end comes round to the start."""
    n = len(buffer)
    end = start + len(sound)
    if end <= n:
        buffer[start:end] += sound
    elif wrap:
        idx = np.arange(start, end) % n
        np.add.at(buffer, idx, sound)
    else:
        buffer[start:n] += sound[:n - start]


def reverb(x, seconds, wet, seed, loop, lowpass=4000.0):
    """Convolution with decaying noise; circular for loops, with a tail otherwise."""
    rng = np.random.RandomState(seed)
    m = int(seconds * SR)
    t = np.arange(m) / SR
    ir = rng.randn(m) * np.exp(-6.9 * t / seconds)
    ir = circular_filter(ir, band(0, lowpass, 1))
    ir /= np.sqrt(np.sum(ir ** 2))
    if loop:
        padded = np.zeros(len(x))
        add_at(padded, 0, ir[:len(x)] if m > len(x) else ir, True)
        tail = np.fft.irfft(np.fft.rfft(x) * np.fft.rfft(padded), len(x))
        return x + wet * tail
    size = len(x) + m
    tail = np.fft.irfft(np.fft.rfft(x, size) * np.fft.rfft(ir, size), size)
    out = np.zeros(size)
    out[:len(x)] = x
    return out + wet * tail


def fade(x, fade_in, fade_out):
    n_in, n_out = int(fade_in * SR), int(fade_out * SR)
    if n_in:
        x[:n_in] *= np.linspace(0.0, 1.0, n_in)
    if n_out:
        x[-n_out:] *= np.linspace(1.0, 0.0, n_out)
    return x


# --------------------------------------------------------------------------------------
# Effects


def control_thrusters():
    """Cold-gas attitude jets: a bright hiss that flutters a little. 1 s loop."""
    n = SR
    rng = np.random.RandomState(201)
    hiss = circular_filter(rng.randn(n), band(1800, 9000, 2))
    body = circular_filter(rng.randn(n), band(600, 2500, 1)) * 0.35
    flutter = 1.0 + 0.12 * loop_lfo(n, 9) + 0.06 * loop_lfo(n, 23, 0.3)
    return level((hiss + body) * flutter, -22.0)


def main_thruster():
    """Rocket roar: deep rumbling noise with crackle. 2 s loop."""
    n = 2 * SR
    rng = np.random.RandomState(202)
    roar = circular_filter(rng.randn(n), lambda f: (1.0 / (1.0 + (f / 180.0) ** 1.6)) * band(25, 0, 2)(f))
    mid = circular_filter(rng.randn(n), band(300, 1800, 1)) * 0.25
    sparks = (rng.rand(n) < 0.004) * rng.randn(n)
    crackle = circular_filter(sparks, band(1500, 6000, 1)) * 3.0
    throb = 1.0 + 0.15 * loop_lfo(n, 13) + 0.1 * loop_lfo(n, 5, 0.25)
    return level((roar + mid + crackle) * throb, -20.0)


def explosion():
    """Blast: a crack, a roaring body whose brightness falls, a sub-bass thump, debris. 2.6 s."""
    n = int(2.6 * SR)
    t = np.arange(n) / SR
    rng = np.random.RandomState(204)
    bright = circular_filter(rng.randn(n), band(200, 5000, 1))
    dark = circular_filter(rng.randn(n), band(20, 500, 2))
    mix = np.exp(-t / 0.25)
    body = (bright * mix + dark * 2.2 * (1.0 - mix)) * (1.0 - np.exp(-t / 0.004)) * np.exp(-t / 0.75)
    crack = rng.randn(n) * np.exp(-t / 0.012) * 1.5
    thump_freq = 30.0 + 45.0 * np.exp(-t / 0.12)
    thump = np.sin(2 * np.pi * np.cumsum(thump_freq) / SR) * np.exp(-t / 0.45) * 1.6
    debris = np.zeros(n)
    for _ in range(40):
        start = int(rng.uniform(0.15, 1.8) * SR)
        m = int(0.03 * SR)
        grain = rng.randn(m) * np.exp(-np.arange(m) / (0.004 * SR)) * rng.uniform(0.1, 0.45)
        add_at(debris, start, grain, False)
    debris = circular_filter(debris, band(800, 6000, 1))
    x = fade(body + crack + thump + debris * np.exp(-t / 1.2), 0.0, 0.3)
    return level(x, -14.0)


def launch_emp():
    """EMP launch: a hollow thump, then an electric whine that climbs and crackles. 1.7 s."""
    n = int(1.7 * SR)
    t = np.arange(n) / SR
    rng = np.random.RandomState(205)
    thump_freq = 40.0 + 90.0 * np.exp(-t / 0.05)
    thump = np.sin(2 * np.pi * np.cumsum(thump_freq) / SR) * np.exp(-t / 0.12)
    thump += circular_filter(rng.randn(n), band(100, 1500, 1)) * np.exp(-t / 0.02) * 0.5
    sweep = 260.0 * (9.0 ** np.clip(t / 1.3, 0, 1)) * (1.0 + 0.02 * np.sin(2 * np.pi * 31 * t))
    phase = 2 * np.pi * np.cumsum(sweep) / SR
    whine = np.zeros(n)
    for h in range(1, 12):
        alias_guard = (sweep * h < 0.45 * SR).astype(float)
        whine += np.sin(h * phase) / h * alias_guard
    whine *= np.clip((t - 0.05) / 0.15, 0, 1) * np.exp(-np.maximum(t - 1.1, 0) / 0.15) * 0.35
    zaps = ((rng.rand(n) < 0.0015) * rng.randn(n))
    zaps = circular_filter(zaps, band(2000, 9000, 1)) * 4.0 * np.clip((t - 0.1) / 0.3, 0, 1) * np.exp(-t / 0.8)
    return level(fade(thump * 1.2 + whine + zaps, 0.0, 0.15), -16.0)


def click():
    """A short interface click. 40 ms."""
    n = int(0.04 * SR)
    t = np.arange(n) / SR
    rng = np.random.RandomState(206)
    tick = np.sin(2 * np.pi * 2200 * t) * np.exp(-t / 0.003)
    tick += rng.randn(n) * np.exp(-t / 0.0008) * 0.5
    return level(tick, -18.0, -3.0)


def driving():
    """Crawler drive: engine hum, track clatter and a rumbling bed. 2 s loop."""
    n = 2 * SR
    t = np.arange(n) / SR
    rng = np.random.RandomState(207)
    hum = np.zeros(n)
    wobble = 0.4 * loop_lfo(n, 3)
    for h, a in [(1, 1.0), (2, 0.6), (3, 0.45), (4, 0.25), (6, 0.12)]:
        hum += a * np.sin(2 * np.pi * (55.0 * h) * t + h * wobble)
    hum *= 0.35 * (1.0 + 0.2 * loop_lfo(n, 8))
    clatter = np.zeros(n)
    for k in range(16):
        start = int(k * n / 16 + rng.uniform(-0.004, 0.004) * SR) % n
        m = int(0.05 * SR)
        tm = np.arange(m) / SR
        hit = (np.sin(2 * np.pi * rng.uniform(380, 520) * tm) + 0.6 * np.sin(2 * np.pi * rng.uniform(900, 1300) * tm))
        add_at(clatter, start, hit * np.exp(-tm / 0.012) * rng.uniform(0.5, 1.0), True)
    bed = circular_filter(rng.randn(n), band(30, 350, 2)) * 0.8
    return level(hum + clatter * 0.45 + bed, -22.0)


def bubbles():
    """Helium flowing through the hose: rising bubble blips over a gurgling bed. 3 s loop."""
    n = 3 * SR
    rng = np.random.RandomState(208)
    out = np.zeros(n)
    for _ in range(70):
        start = int(rng.uniform(0, n))
        dur = rng.uniform(0.025, 0.07)
        m = int(dur * SR)
        tm = np.arange(m) / SR
        f0 = rng.uniform(350, 1100)
        freq = f0 * (1.0 + 0.8 * tm / dur)
        blip = np.sin(2 * np.pi * np.cumsum(freq) / SR) * np.sin(np.pi * tm / dur) ** 2 * np.exp(-tm / (dur * 0.6))
        add_at(out, start, blip * rng.uniform(0.3, 1.0), True)
    bed = circular_filter(rng.randn(n), band(90, 420, 2)) * (0.7 + 0.3 * loop_lfo(n, 2)) * 0.5
    return level(out + bed, -22.0)


def geiger():
    """Geiger counter clicks at random, about eight a second. 2 s loop at 44.1 kHz."""
    n = 2 * SR
    rng = np.random.RandomState(209)
    out = np.zeros(n)
    times = np.sort(rng.uniform(0, n, 16)).astype(int)
    m = int(0.004 * SR)
    tm = np.arange(m) / SR
    for start in times:
        ring = np.sin(2 * np.pi * rng.uniform(2600, 3400) * tm) * np.exp(-tm / 0.0009)
        spike = np.zeros(m)
        spike[0], spike[1] = 1.0, -0.6
        add_at(out, int(start), (ring * 0.7 + spike) * rng.uniform(0.6, 1.0), True)
    return level(out, -24.0, -2.0)


# --------------------------------------------------------------------------------------
# Music

NOTE = {"C": 0, "C#": 1, "Db": 1, "D": 2, "D#": 3, "Eb": 3, "E": 4, "F": 5, "F#": 6, "Gb": 6,
        "G": 7, "G#": 8, "Ab": 8, "A": 9, "A#": 10, "Bb": 10, "B": 11}


def hz(name):
    """'A4' -> 440.0"""
    pitch, octave = name[:-1], int(name[-1])
    return 440.0 * 2.0 ** ((NOTE[pitch] + 12 * (octave + 1) - 69) / 12.0)


def envelope(m, attack, release, rate):
    e = np.ones(m)
    a, r = max(1, int(attack * rate)), max(1, int(release * rate))
    e[:a] = np.linspace(0, 1, a)
    e[-r:] *= np.linspace(1, 0, r)
    return e


def pad_note(f, dur, rate, bright=8):
    m = int(dur * rate)
    t = np.arange(m) / rate
    x = np.zeros(m)
    for h in range(1, bright + 1):
        if f * h > 0.4 * rate:
            break
        for detune in (0.997, 1.003):
            x += np.sin(2 * np.pi * f * h * detune * t + h) / h ** 1.3
    return x * envelope(m, min(0.8, dur * 0.3), min(1.0, dur * 0.4), rate) * 0.12


def pluck_note(f, dur, rate):
    m = int(dur * rate)
    t = np.arange(m) / rate
    x = np.zeros(m)
    for h in range(1, 11):
        if f * h > 0.4 * rate:
            break
        x += np.sin(2 * np.pi * f * h * t) * np.exp(-t * (2.5 + 1.8 * h)) / h
    return x * envelope(m, 0.004, 0.05, rate) * 0.5


def bell_note(f, dur, rate):
    m = int(dur * rate)
    t = np.arange(m) / rate
    x = np.zeros(m)
    for ratio, amp, decay in [(1.0, 1.0, 1.4), (2.76, 0.5, 0.8), (5.4, 0.25, 0.4), (8.93, 0.12, 0.25)]:
        if f * ratio < 0.4 * rate:
            x += amp * np.sin(2 * np.pi * f * ratio * t) * np.exp(-t / decay)
    return x * envelope(m, 0.002, 0.1, rate) * 0.35


def bass_note(f, dur, rate):
    m = int(dur * rate)
    t = np.arange(m) / rate
    x = np.sin(2 * np.pi * f * t) + 0.35 * np.sin(4 * np.pi * f * t) + 0.12 * np.sin(6 * np.pi * f * t)
    return np.tanh(1.5 * x) * envelope(m, 0.01, 0.12, rate) * np.exp(-t / (dur * 1.5)) * 0.45


def kick(rate):
    m = int(0.35 * rate)
    t = np.arange(m) / rate
    freq = 45.0 + 80.0 * np.exp(-t / 0.03)
    return np.sin(2 * np.pi * np.cumsum(freq) / rate) * np.exp(-t / 0.12) * 0.8


def hat(rate, rng):
    m = int(0.06 * rate)
    t = np.arange(m) / rate
    noise = rng.randn(m)
    noise = np.diff(noise, prepend=0.0)
    return noise * np.exp(-t / 0.012) * 0.12


def render_song(song, rate):
    """Renders a looping piece: every note's tail and the reverb wrap around to the start."""
    beat = 60.0 / song["bpm"]
    bar = 4 * beat
    n = int(round(len(song["chords"]) * song["repeats"] * bar * rate))
    out = np.zeros(n)
    rng = np.random.RandomState(song["seed"])
    pos = 0.0
    for rep in range(song["repeats"]):
        for chord in song["chords"]:
            notes = [hz(x) for x in chord]
            start = int(pos * rate)
            for f in notes[1:]:
                add_at(out, start, pad_note(f, bar * 1.15, rate, song.get("pad_bright", 8)), True)
            root = notes[0]
            for b in range(4):
                for s in song["bass"]:
                    t0 = pos + (b + s) * beat
                    add_at(out, int(t0 * rate), bass_note(root, beat * 0.5, rate), True)
            voice = song["lead"]
            steps = song["arp_steps"]
            pattern = song["arp"][rep % len(song["arp"])]
            for i in range(steps):
                idx = pattern[i % len(pattern)]
                if idx is None:
                    continue
                f = notes[1:][idx % (len(notes) - 1)] * (2.0 if idx >= len(notes) - 1 else 1.0) * song["arp_octave"]
                t0 = pos + i * bar / steps
                note = voice(f, bar / steps * 3.0, rate) * (0.8 + 0.2 * rng.rand())
                add_at(out, int(t0 * rate), note, True)
            if song.get("drums"):
                for b in range(4):   # kick on the beat, hat on the off-beat
                    add_at(out, int((pos + b * beat) * rate), kick(rate), True)
                    add_at(out, int((pos + (b + 0.5) * beat) * rate), hat(rate, rng), True)
            pos += bar
    wet = reverb(out, song["reverb"], 0.35, song["seed"] + 1, True, lowpass=rate * 0.2)
    return level(wet, -19.0)


SONGS = {
    # Menu theme: slow, wide, a little melancholic.
    "intro": dict(bpm=84, chords=[["A2", "A3", "C4", "E4", "B4"], ["F2", "F3", "A3", "C4", "E4"],
                                  ["C3", "G3", "C4", "E4", "D4"], ["G2", "G3", "B3", "D4", "F#4"]],
                  repeats=2, bass=[0.0], lead=bell_note, arp_steps=8, arp_octave=2.0,
                  arp=[[0, None, 1, None, 2, 3, None, 1], [2, None, 1, 0, None, 3, 2, None]],
                  reverb=2.4, seed=301, pad_bright=6),
    # Ganymede: calm exploration, a steady pulse.
    "ganymed": dict(bpm=96, chords=[["D2", "D3", "F3", "A3", "C4"], ["Bb1", "Bb2", "D3", "F3", "A3"],
                                    ["C2", "C3", "E3", "G3", "D4"], ["A1", "A2", "E3", "A3", "C4"]],
                    repeats=4, bass=[0.0, 0.5], lead=pluck_note, arp_steps=16, arp_octave=2.0,
                    arp=[[0, 1, 2, 3, 2, 1], [0, 2, 1, 3, None, 2, 1, 0]], reverb=1.8, seed=302),
    # Europa: icy bells over deep water.
    "europa": dict(bpm=76, chords=[["E2", "E3", "G3", "B3", "F#4"], ["C2", "C3", "E3", "G3", "B3"],
                                   ["A1", "A2", "C3", "E3", "G3"], ["B1", "B2", "D#3", "F#3", "A3"]],
                   repeats=3, bass=[0.0], lead=bell_note, arp_steps=12, arp_octave=2.0,
                   arp=[[3, None, 2, 0, None, 1], [0, 2, None, 3, 1, None]], reverb=2.8, seed=303,
                   pad_bright=5),
    # Io: tense and driving, a volcanic pulse.
    "io": dict(bpm=118, chords=[["C2", "C3", "Db3", "G3", "C4"], ["C2", "C3", "Eb3", "G3", "Bb3"],
                                ["Ab1", "Ab2", "C3", "Eb3", "G3"], ["Bb1", "Bb2", "Db3", "F3", "Ab3"]],
               repeats=5, bass=[0.0, 0.25, 0.5, 0.75], lead=pluck_note, arp_steps=16, arp_octave=1.0,
               arp=[[0, 0, 2, 0, 3, 0, 2, 1], [0, 1, 0, 2, 0, 3, 2, 0]], reverb=1.2, seed=304,
               drums=True),
}


# --------------------------------------------------------------------------------------
# Speech


def speak(text, out_mp3, tmp, name, kbps=40):
    """The cockpit computer: a calm synthetic voice through a small cabin speaker."""
    raw = os.path.join(tmp, name + ".raw.wav")
    shaped = os.path.join(tmp, name + ".wav")
    subprocess.run(["espeak-ng", "-v", "en-us+f4", "-s", "148", "-p", "38", "-g", "4", "-w", raw, text],
                   check=True)
    subprocess.run(["sox", "-R", "-D", raw, "-r", "22050", "-b", "16", "-c", "1", shaped,
                    "gain", "-6", "highpass", "180", "lowpass", "5200", "equalizer", "2500", "1.2q", "3",
                    "compand", "0.02,0.25", "-60,-60,-30,-14,-10,-8,0,-6", "-4", "-30", "0.05",
                    "reverb", "18", "50", "30", "pad", "0.05", "0.2", "norm", "-2"], check=True)
    encode_mp3(shaped, out_mp3, kbps)


def narration(brief):
    """The words of a briefing as spoken: the title line, then the text as sentences."""
    title, body = brief["text"][0], [line for line in brief["text"][1:] if line]
    spoken = title.title() + ". " + " ".join(body)
    return spoken.replace("EMP", "E M P")


# --------------------------------------------------------------------------------------


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: gen_sounds.py <assets dir>")
    root = os.path.join(sys.argv[1], "sounds")
    os.makedirs(os.path.join(root, "speech"), exist_ok=True)
    tmp = tempfile.mkdtemp(prefix="kestrun-sounds-")
    jobs = []
    try:
        with ThreadPoolExecutor(max_workers=min(8, os.cpu_count() or 2)) as pool:
            # Speech first: it runs in outside programs while numpy synthesises.
            for name, text in SPEECH:
                jobs.append(pool.submit(speak, text, os.path.join(root, "speech", name + ".mp3"), tmp, name))
            for folder, brief in BRIEFINGS.items():
                level_dir = os.path.join(root, "level", folder)
                os.makedirs(level_dir, exist_ok=True)
                with open(os.path.join(level_dir, "loading.txt"), "w", newline="\n") as f:
                    f.write("\n".join(brief["text"]) + "\n")
                jobs.append(pool.submit(speak, narration(brief), os.path.join(level_dir, "loading.mp3"), tmp,
                                        "brief_" + folder, 48))
                if brief["start"]:
                    jobs.append(pool.submit(speak, brief["start"], os.path.join(level_dir, "starting.mp3"),
                                            tmp, "start_" + folder, 48))

            write_wav(os.path.join(root, "ControlThrusters.wav"), control_thrusters())
            write_wav(os.path.join(root, "MainThruster.wav"), main_thruster())
            write_wav(os.path.join(root, "click.wav"), click())
            write_wav(os.path.join(root, "geiger.wav"), geiger())
            for name, make, kbps in [("Explosion", explosion, 96), ("LaunchEMP", launch_emp, 96),
                                     ("driving", driving, 80), ("bubbles", bubbles, 80)]:
                wav = os.path.join(tmp, name + ".wav")
                write_wav(wav, make())
                jobs.append(pool.submit(encode_mp3, wav, os.path.join(root, name + ".mp3"), kbps))

            # The menu theme is a WAV that streams from disk: mono 22.05 kHz keeps it small.
            write_wav(os.path.join(root, "intro.wav"), render_song(SONGS["intro"], 22050), 22050)
            for name, file in zip(["ganymed", "europa", "io"], LEVEL_MUSIC):
                wav = os.path.join(tmp, name + ".wav")
                write_wav(wav, render_song(SONGS[name], SR))
                jobs.append(pool.submit(encode_mp3, wav, os.path.join(root, file), 96))
            for job in jobs:
                job.result()
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
