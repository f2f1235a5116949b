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
import subprocess
import sys

import mir_eval
import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path[:0] = [HERE, os.path.join(ROOT, "scripts")]
import beat_grid_picture  # noqa: E402
import generate  # noqa: E402

SLICE_SECONDS = 2048 / 44100
SEEDS_FROM = 9000

# Frame scores take every MIDI key: the converter writes keys above the
# 5 kHz and below the 20 Hz mir_eval allows by default.
mir_eval.multipitch.MAX_FREQ = float(mir_eval.util.midi_to_hz(128))
mir_eval.multipitch.MIN_FREQ = float(mir_eval.util.midi_to_hz(-1))


def read_midi(path):
    """[(start s, end s, key)] of the converter's plain MIDI file: one tick
    a slice."""
    _, notes = beat_grid_picture.read_notes(path)
    return [(s * SLICE_SECONDS, e * SLICE_SECONDS, k) for s, e, k in notes]


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
