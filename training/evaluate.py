#!/usr/bin/python3
"""Scores both engines of the converter on a held-out set.

    training/evaluate.py [--cli build/tremolundrix-cli] [--clips N]

Renders clips with seeds and a SoundFont (TimGM6mb) that training never
used, converts them with `tremolundrix-cli --engine classic|accurate`, reads
the MIDI files back and scores them with mir_eval: note F1 with onsets
within 50 ms, note F1 with onsets and offsets, and frame F1 on a 10 ms grid.
Writes training/evaluation.md."""

import argparse
import os
import struct
import subprocess
import sys

import mir_eval
import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import generate  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
SEEDS_FROM = 9000


def read_midi(path):
    """[(start s, end s, key)] of a Standard MIDI File with tempo events."""
    data = open(path, "rb").read()
    division = struct.unpack(">H", data[12:14])[0]
    pos, events = 14, []
    while pos < len(data):
        length = struct.unpack(">I", data[pos + 4:pos + 8])[0]
        track, pos = data[pos + 8:pos + 8 + length], pos + 8 + length
        i, tick, status = 0, 0, 0
        while i < len(track):
            delta = 0
            while True:
                b = track[i]
                i += 1
                delta = (delta << 7) | (b & 0x7F)
                if b < 0x80:
                    break
            tick += delta
            if track[i] == 0xFF:
                kind, n = track[i + 1], track[i + 2]
                if kind == 0x51:
                    events.append((tick, "tempo", int.from_bytes(track[i + 3:i + 6], "big"), 0))
                i += 3 + n
                continue
            if track[i] & 0x80:
                status = track[i]
                i += 1
            if status & 0xF0 in (0x80, 0x90):
                key, vel = track[i], track[i + 1]
                on = status & 0xF0 == 0x90 and vel > 0
                events.append((tick, "on" if on else "off", key, vel))
                i += 2
            else:
                i += 1 if status & 0xF0 in (0xC0, 0xD0) else 2
    events.sort(key=lambda e: (e[0], e[1] != "tempo"))
    seconds, last_tick, tempo, notes, open_ = 0.0, 0, 500000, [], {}
    for tick, kind, a, _ in events:
        seconds += (tick - last_tick) * tempo / 1e6 / division
        last_tick = tick
        if kind == "tempo":
            tempo = a
        elif kind == "on" and a not in open_:
            open_[a] = seconds
        elif kind == "off" and a in open_:
            notes.append((open_.pop(a), seconds, a))
    return notes


def scores(ref, est, length):
    ref_iv, ref_p = ref[:, :2], mir_eval.util.midi_to_hz(ref[:, 2])
    if len(est) == 0:
        return 0.0, 0.0, 0.0
    est = np.array(est, dtype=np.float64)
    est = est[est[:, 1] > est[:, 0]]
    est_iv, est_p = est[:, :2], mir_eval.util.midi_to_hz(est[:, 2])
    onset = mir_eval.transcription.precision_recall_f1_overlap(
        ref_iv, ref_p, est_iv, est_p, onset_tolerance=0.05, offset_ratio=None)[2]
    offset = mir_eval.transcription.precision_recall_f1_overlap(
        ref_iv, ref_p, est_iv, est_p, onset_tolerance=0.05, offset_ratio=0.2)[2]
    times = np.arange(0, length, 0.01)
    grid = lambda iv, keys: [np.array(sorted({mir_eval.util.midi_to_hz(k) for (s, e), k in
                                              zip(iv, keys) if s <= t < e})) for t in times]
    m = mir_eval.multipitch.metrics(times, grid(ref_iv, ref[:, 2]), times,
                                    grid(est_iv, est[:, 2]))
    p, r = m[0], m[1]
    return onset, offset, (2 * p * r / (p + r) if p + r > 0 else 0.0)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", default=os.path.join(ROOT, "build", "tremolundrix-cli"))
    ap.add_argument("--clips", type=int, default=30)
    args = ap.parse_args()
    work = os.path.join(HERE, "work", "heldout")
    seeds = list(range(SEEDS_FROM, SEEDS_FROM + args.clips))
    items = generate.render_set(work, seeds, ["timgm6mb"])
    rows = []
    for engine in ("classic", "accurate"):
        out = os.path.join(work, engine)
        os.makedirs(out, exist_ok=True)
        subprocess.run([args.cli, "-q", "-j", "2", "--engine", engine, "-d", out] +
                       [w for w, _ in items], check=True)
        per_clip = []
        for wav, lab in items:
            ref = np.load(lab)
            est = read_midi(os.path.join(out, os.path.basename(wav)[:-4] + ".mid"))
            per_clip.append(scores(ref, est, 12.0))
        rows.append((engine, *np.mean(per_clip, axis=0)))
    table = ["| Engine | Note F1 (onset) | Note F1 (onset + offset) | Frame F1 |",
             "|---|---|---|---|"]
    table += [f"| {e} | {a:.3f} | {b:.3f} | {c:.3f} |" for e, a, b, c in rows]
    text = "\n".join(table)
    print(text)
    with open(os.path.join(HERE, "evaluation.md"), "w") as f:
        f.write(f"Held-out set: {args.clips} clips of 12 s, seeds {seeds[0]}..{seeds[-1]}, "
                "SoundFont TimGM6mb (not used in training).\n\n" + text + "\n")


if __name__ == "__main__":
    main()
