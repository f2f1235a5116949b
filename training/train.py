#!/usr/bin/python3
"""Trains the accurate engine's network from generated recordings and
writes its weights file, the test fixture and the training curves.

    training/train.py [--epochs E] [--threads N]

Renders (once, into training/work/) clips with two SoundFonts, trains
with fixed seeds, picks the note thresholds on a validation set of other
seeds, and writes src/engine/accurate-engine.trxw,
tests/data/engine/forward_fixture.bin and training/training-curves.png."""

import argparse
import json
import multiprocessing
import os
import random
import struct
import sys
import time

import mir_eval
import numpy as np
import torch

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import generate  # noqa: E402
import trxnet  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
WORK = os.path.join(HERE, "work")
WEIGHTS = os.path.join(ROOT, "src", "engine", "accurate-engine.trxw")
FIXTURE = os.path.join(ROOT, "tests", "data", "engine", "forward_fixture.bin")
CURVES = os.path.join(HERE, "training-curves.png")
LOG = os.path.join(HERE, "training-log.json")

TRAIN_SEEDS = range(1000, 1360)
VALID_SEEDS = range(5000, 5024)
TRAIN_FONTS = ["fluid", "musescore"]
CROP = 96  # frames per training example
MIN_FRAMES = 2


def labels(notes_path, frames):
    onset = np.zeros((frames, trxnet.KEY_COUNT), dtype=np.float32)
    active = np.zeros_like(onset)
    rate = trxnet.SAMPLE_RATE / trxnet.HOP
    for start, end, key, _ in np.load(notes_path):
        k = int(key) - trxnet.FIRST_KEY
        if not 0 <= k < trxnet.KEY_COUNT:
            continue
        f0 = int(start * rate)
        f1 = max(f0 + 1, int(np.ceil(end * rate - 0.5)))
        if f0 < frames:
            onset[f0, k] = 1.0
            active[f0:min(f1, frames), k] = 1.0
    return onset, active


def cached_features(item):
    wav, lab = item
    cache = wav[:-4] + ".feat.npz"
    if not os.path.exists(cache):
        x = trxnet.features(generate.read_wav(wav))
        onset, active = labels(lab, len(x))
        np.savez(cache, x=x, onset=onset, active=active)
    return cache


def load_set(items, pool):
    data = []
    for (_, lab), cache in zip(items, pool.map(cached_features, items)):
        z = np.load(cache)
        data.append((z["x"], z["onset"], z["active"], lab))
    return data


def render(pool, folder, seeds):
    """Each SoundFont's clips in a process of their own."""
    fonts = len(TRAIN_FONTS)
    jobs = [(folder, [s for s in seeds if s % fonts == i], TRAIN_FONTS) for i in range(fonts)]
    pool.starmap(generate.render_set, jobs)
    return [(os.path.join(folder, f"clip_{s}.wav"), os.path.join(folder, f"clip_{s}.npy"))
            for s in seeds]


def frame_notes_to_times(notes):
    """Frame notes on the slice grid the program writes: [(start s, end s, key)]."""
    per = trxnet.SLICE // trxnet.HOP
    sl = trxnet.SLICE / trxnet.SAMPLE_RATE
    out = []
    for f0, f1, key in notes:
        s0, s1 = f0 // per, (f1 - 1) // per + 1
        out.append((s0 * sl, s1 * sl, key))
    return out


def note_f1(est, ref_path, offsets=False):
    ref = np.load(ref_path)
    ref = ref[(ref[:, 2] >= trxnet.FIRST_KEY) & (ref[:, 2] < trxnet.FIRST_KEY + trxnet.KEY_COUNT)]
    if len(ref) == 0 or len(est) == 0:
        return 0.0
    est = np.array(est, dtype=np.float64)
    p, r, f, _ = mir_eval.transcription.precision_recall_f1_overlap(
        ref[:, :2], mir_eval.util.midi_to_hz(ref[:, 2]), est[:, :2],
        mir_eval.util.midi_to_hz(est[:, 2]), onset_tolerance=0.05,
        offset_ratio=0.2 if offsets else None)
    return f


def evaluate(net, data, onset_threshold, frame_threshold):
    scores = []
    for x, _, _, lab in data:
        on, fr = net.probabilities(x)
        est = frame_notes_to_times(
            trxnet.notes_from_probabilities(on, fr, onset_threshold, frame_threshold, MIN_FRAMES))
        scores.append(note_f1(est, lab))
    return float(np.mean(scores))


def write_fixture(net):
    rng = np.random.default_rng(7)
    n = 3 * trxnet.SLICE + 500
    t = np.arange(n) / trxnet.SAMPLE_RATE
    samples = 0.3 * np.sin(2 * np.pi * 440 * t) + 0.2 * np.sin(2 * np.pi * 261.63 * t)
    samples[n // 2:] += 0.25 * np.sin(2 * np.pi * 659.26 * t[n // 2:])
    samples = (samples + 0.01 * rng.standard_normal(n)).astype(np.float32)
    x = trxnet.features(samples)
    on, fr = net.probabilities(x)
    os.makedirs(os.path.dirname(FIXTURE), exist_ok=True)
    with open(FIXTURE, "wb") as f:
        f.write(struct.pack("<I", n) + samples.astype("<f4").tobytes())
        f.write(struct.pack("<II", *on.shape))
        f.write(on.astype("<f4").tobytes() + fr.astype("<f4").tobytes())


def plot(history):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    epochs = [h["epoch"] for h in history]
    fig, ax = plt.subplots(1, 2, figsize=(9, 3.5))
    ax[0].plot(epochs, [h["train_loss"] for h in history], label="training")
    ax[0].plot(epochs, [h["valid_loss"] for h in history], label="validation")
    ax[0].set_xlabel("epoch")
    ax[0].set_ylabel("loss (onset + note BCE)")
    ax[0].legend()
    ax[1].plot(epochs, [h["valid_f1"] for h in history], marker="o")
    ax[1].set_xlabel("epoch")
    ax[1].set_ylabel("validation note F1 (onset, 50 ms)")
    ax[1].set_ylim(0, 1)
    fig.tight_layout()
    fig.savefig(CURVES, dpi=80)


def main():
    ap = argparse.ArgumentParser()
    # A number of epochs, not a time budget: the same command gives the same
    # weights however busy the machine is.
    ap.add_argument("--epochs", type=int, default=90)
    ap.add_argument("--threads", type=int, default=2)
    ap.add_argument("--steps", type=int, default=300, help="training steps per epoch")
    args = ap.parse_args()
    torch.set_num_threads(args.threads)
    random.seed(1)
    np.random.seed(1)
    torch.manual_seed(1)

    t0 = time.time()
    with multiprocessing.Pool(args.threads) as pool:
        train = load_set(render(pool, os.path.join(WORK, "train"), TRAIN_SEEDS), pool)
        valid = load_set(render(pool, os.path.join(WORK, "valid"), VALID_SEEDS), pool)
    print(f"data ready in {time.time() - t0:.0f} s: {sum(len(d[0]) for d in train)} frames", flush=True)

    net = trxnet.Network()
    print("parameters:", sum(p.numel() for p in net.parameters()), flush=True)
    opt = torch.optim.Adam(net.parameters(), lr=2e-3)
    bce = torch.nn.functional.binary_cross_entropy_with_logits
    pos_weight = torch.tensor(4.0)
    gen = np.random.default_rng(2)

    def batch(size):
        xs, ons, acts = [], [], []
        for _ in range(size):
            x, on, act, _ = train[gen.integers(len(train))]
            a = gen.integers(0, max(1, len(x) - CROP))
            xs.append(x[a:a + CROP])
            ons.append(on[a:a + CROP])
            acts.append(act[a:a + CROP])
        x = torch.from_numpy(np.stack(xs)).permute(0, 2, 1, 3)
        return x, torch.from_numpy(np.stack(ons)), torch.from_numpy(np.stack(acts))

    def loss_of(out, on, act):
        return (bce(out[:, 0], on, pos_weight=pos_weight) + bce(out[:, 1], act))

    valid_batches = []
    for x, on, act, _ in valid:
        valid_batches.append((torch.from_numpy(x).permute(1, 0, 2).unsqueeze(0),
                              torch.from_numpy(on)[None], torch.from_numpy(act)[None]))

    history, start = [], time.time()
    steps_per_epoch = args.steps
    for epoch in range(1, args.epochs + 1):
        # The last third at a quarter of the rate.
        if epoch == args.epochs * 2 // 3 + 1:
            for g in opt.param_groups:
                g["lr"] = 5e-4
        net.train()
        total = 0.0
        for _ in range(steps_per_epoch):
            x, on, act = batch(16)
            loss = loss_of(net(x), on, act)
            opt.zero_grad()
            loss.backward()
            opt.step()
            total += float(loss)
        net.eval()
        with torch.no_grad():
            vloss = float(np.mean([float(loss_of(net(x), on, act)) for x, on, act in valid_batches]))
        f1 = evaluate(net, valid, 0.5, 0.5)
        history.append({"epoch": epoch, "train_loss": total / steps_per_epoch,
                        "valid_loss": vloss, "valid_f1": f1,
                        "seconds": round(time.time() - start)})
        print(history[-1], flush=True)

    best = (0.5, 0.5, -1.0)
    for ot in (0.3, 0.4, 0.5, 0.6):
        for ft in (0.3, 0.4, 0.5):
            f1 = evaluate(net, valid, ot, ft)
            if f1 > best[2]:
                best = (ot, ft, f1)
    print("thresholds", best, flush=True)
    trxnet.write_weights(WEIGHTS, net, best[0], best[1], MIN_FRAMES)
    write_fixture(net)
    plot(history)
    with open(LOG, "w") as f:
        json.dump({"history": history, "onset_threshold": best[0], "frame_threshold": best[1],
                   "valid_f1": best[2]}, f, indent=1)


if __name__ == "__main__":
    main()
