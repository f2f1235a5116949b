"""Renders procedurally generated music to WAV files with their notes.

A clip is one to three instruments of General MIDI playing melodies, chords
or both (at most six voices), at a random tempo with changing dynamics,
rendered by the fluidsynth program through one SoundFont, then mixed to
mono at a random level with a little noise. Nothing but generated material
is used. Each clip is decided by its seed alone."""

import os
import random
import struct
import subprocess
import sys
import tempfile
import wave

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "scripts"))
import evaluate_beats  # noqa: E402

SOUNDFONTS = {
    "fluid": "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "musescore": "/usr/share/sounds/sf3/MuseScore_General_Full.sf3",
    "timgm6mb": "/usr/share/sounds/sf2/TimGM6mb.sf2",
}

# (programs, lowest, highest MIDI key they play)
FAMILIES = [
    (range(0, 8), 28, 100),     # pianos
    (range(16, 21), 36, 96),    # organs
    (range(24, 31), 40, 86),    # guitars
    (range(40, 45), 40, 100),   # strings
    (range(48, 52), 36, 96),    # ensembles
    (range(52, 55), 48, 81),    # voices
    (range(56, 64), 40, 84),    # brass
    (range(64, 72), 50, 91),    # reeds
    (range(72, 80), 60, 96),    # pipes
    (range(80, 82), 48, 96),    # synth leads
    (range(8, 16), 60, 100),    # chromatic percussion
    (range(32, 34), 28, 60),    # basses
]

TICKS = 480


def write_midi(path, notes, programs_at, bpm):
    """notes: [(start s, end s, key, velocity, channel)]; programs_at:
    [(time s, {channel: program})]; one track."""
    spq = 60.0 / bpm
    events = []
    for when, programs in programs_at:
        for ch, prog in programs.items():
            events.append((round(when / spq * TICKS), 0, bytes([0xC0 | ch, prog])))
    for start, end, key, vel, ch in notes:
        events.append((round(start / spq * TICKS), 2, bytes([0x90 | ch, key, vel])))
        events.append((round(end / spq * TICKS), 1, bytes([0x80 | ch, key, 0])))
    events.sort(key=lambda e: (e[0], e[1]))
    track = bytearray(b"\x00\xff\x51\x03" + struct.pack(">I", round(spq * 1e6))[1:])
    last = 0
    for tick, _, data in events:
        track += evaluate_beats.vlq(tick - last) + data
        last = tick
    track += b"\x00\xff\x2f\x00"
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS))
        f.write(b"MTrk" + struct.pack(">I", len(track)) + track)


def compose(rng, seconds):
    """Random notes [(start, end, key, velocity, channel)], programs, bpm."""
    bpm = rng.uniform(60, 180)
    beat = 60.0 / bpm
    parts = rng.choice(["melody", "chords", "both", "both", "poly"])
    voices = []
    if parts in ("melody", "both"):
        voices.append("melody")
    if parts in ("chords", "both"):
        voices.append("chords")
    if parts == "poly":
        voices = ["melody"] * rng.randint(2, 3)
    programs, notes = {}, []
    scale = [0, 2, 4, 5, 7, 9, 11] if rng.random() < 0.7 else list(range(12))
    tonic = rng.randrange(12)
    in_scale = lambda k: (k - tonic) % 12 in scale
    total_voices = 0
    for ch, kind in enumerate(voices):
        progs, lo, hi = rng.choice(FAMILIES)
        programs[ch] = rng.choice(list(progs))
        lo = rng.randint(lo, max(lo, hi - 24))
        hi = min(hi, lo + rng.randint(12, 36))
        t = rng.uniform(0, beat)
        dyn = rng.uniform(50, 110)
        key = rng.randint(lo, hi)
        while t < seconds - 0.3:
            dyn = min(125, max(25, dyn + rng.gauss(0, 8)))
            length = beat * rng.choice([0.25, 0.5, 0.5, 1, 1, 1.5, 2, 3])
            if kind == "melody":
                step = rng.choice([-5, -4, -3, -2, -1, 1, 2, 3, 4, 5, 7, -7, 12, -12, 0])
                key = min(hi, max(lo, key + step))
                while not in_scale(key) and key < hi:
                    key += 1
                chord = [key]
            else:
                size = rng.randint(2, min(4, 6 - total_voices if total_voices < 6 else 2))
                root = rng.randint(lo, max(lo, hi - 12))
                chord = sorted({min(hi, root + iv) for iv in
                                rng.sample([0, 3, 4, 7, 10, 12, 14, 16, 19], size)})
            legato = rng.uniform(0.5, 1.0)
            for k in chord:
                vel = int(min(127, max(1, dyn + rng.gauss(0, 6))))
                notes.append((t, min(seconds, t + length * legato), k, vel, ch))
            t += length
            if rng.random() < 0.15:
                t += beat * rng.choice([0.5, 1, 2])
        total_voices += 1 if kind == "melody" else 4
    return notes, programs, bpm


def read_wav(path):
    with wave.open(path, "rb") as w:
        raw = w.readframes(w.getnframes())
        channels, rate = w.getnchannels(), w.getframerate()
    assert rate == 44100 and w.getsampwidth() == 2
    data = np.frombuffer(raw, dtype="<i2").astype(np.float32) / 32768.0
    return data.reshape(-1, channels).mean(axis=1)


def write_wav(path, samples):
    pcm = np.clip(np.round(samples * 32768.0), -32768, 32767).astype("<i2")
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(44100)
        w.writeframes(pcm.tobytes())


GAP = 2.0  # seconds of silence between the clips of one rendering


def render_batch(seeds, soundfont, out_dir, seconds, batch_seed):
    """Renders the clips of seeds one after another in one run of the
    synthesiser (a SoundFont loads once), then cuts them apart. Writes
    clip_<seed>.wav (mono 16-bit, as the program reads it) and clip_<seed>.npy
    ((n, 4): start s, end s, key, velocity)."""
    rng = random.Random(batch_seed)
    events, programs_at, clips = [], [], []
    for i, seed in enumerate(seeds):
        crng = random.Random(seed)
        notes, programs, bpm = compose(crng, seconds)
        offset = i * (seconds + GAP)
        clips.append((seed, offset, notes, crng))
        programs_at.append((offset, programs))
        events += [(s + offset, e + offset, k, v, ch) for s, e, k, v, ch in notes]
    with tempfile.TemporaryDirectory() as tmp:
        mid = os.path.join(tmp, "batch.mid")
        raw = os.path.join(tmp, "batch.wav")
        write_midi(mid, events, programs_at, 120.0)
        cmd = ["fluidsynth", "-ni", "-q", "-r", "44100", "-g", "0.5", "-O", "s16", "-T", "wav",
               "-R", "1" if rng.random() < 0.6 else "0", "-C", "1" if rng.random() < 0.3 else "0",
               "-o", f"synth.reverb.room-size={rng.uniform(0.1, 0.9):.2f}",
               "-F", raw, SOUNDFONTS[soundfont], mid]
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        audio = read_wav(raw)
    for seed, offset, notes, crng in clips:
        a = int(round(offset * 44100))
        clip = audio[a:a + int(seconds * 44100)].copy()
        clip = np.pad(clip, (0, int(seconds * 44100) - len(clip)))
        peak = float(np.max(np.abs(clip))) or 1.0
        clip = clip / peak * crng.uniform(0.05, 0.9)
        noise = np.random.default_rng(seed).standard_normal(len(clip)).astype(np.float32)
        clip = clip + noise * 10 ** crng.uniform(-4.5, -2.5)
        write_wav(os.path.join(out_dir, f"clip_{seed}.wav"), clip)
        np.save(os.path.join(out_dir, f"clip_{seed}.npy"),
                np.array([(s, e, k, v) for s, e, k, v, _ in notes], dtype=np.float64).reshape(-1, 4))


def render_set(out_dir, seeds, soundfonts, seconds=12.0, batch=60):
    """Renders the clips of seeds (each with the SoundFont its seed picks)
    unless already there; returns [(wav path, notes path)]."""
    os.makedirs(out_dir, exist_ok=True)
    path = lambda seed, ext: os.path.join(out_dir, f"clip_{seed}.{ext}")
    missing = [s for s in seeds if not (os.path.exists(path(s, "wav")) and os.path.exists(path(s, "npy")))]
    for i, sf in enumerate(soundfonts):
        mine = [s for s in missing if soundfonts[s % len(soundfonts)] == sf]
        for b in range(0, len(mine), batch):
            render_batch(mine[b:b + batch], sf, out_dir, seconds, mine[b] * 7919 + i)
    return [(path(s, "wav"), path(s, "npy")) for s in seeds]
