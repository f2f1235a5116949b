"""The accurate engine's network, its front end and its weights file.

Everything the C++ engine (src/engine/) reads is defined here once: the
frame layout, the log-frequency filters, the harmonic stacking, the layers
and the file format. Keep the two in step."""

import struct
import zlib

import numpy as np
import torch
from torch import nn

SAMPLE_RATE = 44100
SLICE = 2048
FFT_SIZE = 4096
HOP = 1024
FIRST_KEY = 21  # the network's keys: MIDI 21..108
KEY_COUNT = 88
SPECTRUM_LOW_KEY = 9  # log bin j is centred on MIDI pitch 9 + j
HARMONIC_SHIFTS = [-12, 0, 12, 19, 24, 28]  # semitones of harmonics 1/2, 1..5
SPECTRUM_BINS = FIRST_KEY + KEY_COUNT - 1 + max(HARMONIC_SHIFTS) - SPECTRUM_LOW_KEY + 1
FEATURE_SCALE = 1000.0
VERSION = 1
MAGIC = b"TRXW"


def key_frequency(pitch):
    return 440.0 * 2.0 ** ((pitch - 69) / 12.0)


def filterbank():
    """Triangular filters one semitone wide each side, in log frequency; a
    filter narrower than the FFT's bins takes its two nearest bins by linear
    interpolation. Returns (start, weights) per log bin."""
    bin_hz = SAMPLE_RATE / FFT_SIZE
    fft_bins = FFT_SIZE // 2 + 1
    filters = []
    for j in range(SPECTRUM_BINS):
        pitch = SPECTRUM_LOW_KEY + j
        lo, centre, hi = (key_frequency(pitch + d) / bin_hz for d in (-1, 0, 1))
        first = int(np.ceil(lo))
        last = min(int(np.floor(hi)), fft_bins - 1)
        if last - first + 1 >= 3:
            idx = np.arange(first, last + 1)
            pos = 12.0 * np.log2(np.maximum(idx, 1e-9) / centre)
            w = np.maximum(0.0, 1.0 - np.abs(pos))
            w = w / w.sum()
        else:
            first = min(int(np.floor(centre)), fft_bins - 2)
            frac = centre - first
            w = np.array([1.0 - frac, frac])
        filters.append((first, w.astype(np.float32)))
    return filters


_FILTERS = filterbank()
_WINDOW = None


def _window():
    global _WINDOW
    if _WINDOW is None:
        n = np.arange(FFT_SIZE)
        w = 0.5 - 0.5 * np.cos(2.0 * np.pi * n / FFT_SIZE)
        _WINDOW = w * (2.0 / w.sum())
    return _WINDOW


def frame_count(samples):
    return (len(samples) // SLICE) * (SLICE // HOP)


def features(samples):
    """Float32 (frames, channels, keys) input of the network for mono
    samples at 44100 Hz; frames cover the whole slices of the recording."""
    samples = np.asarray(samples, dtype=np.float32)
    frames = frame_count(samples)
    lead = (FFT_SIZE - HOP) // 2
    padded = np.zeros(frames * HOP + FFT_SIZE, dtype=np.float64)
    body = samples[: frames * HOP + FFT_SIZE - lead].astype(np.float64)
    padded[lead:lead + len(body)] = body
    out = np.zeros((frames, len(HARMONIC_SHIFTS), KEY_COUNT), dtype=np.float32)
    matrix = np.zeros((FFT_SIZE // 2 + 1, SPECTRUM_BINS), dtype=np.float32)
    for j, (first, w) in enumerate(_FILTERS):
        matrix[first:first + len(w), j] = w
    step = 256
    for a in range(0, frames, step):
        b = min(frames, a + step)
        idx = (np.arange(a, b) * HOP)[:, None] + np.arange(FFT_SIZE)[None, :]
        mags = np.abs(np.fft.rfft(padded[idx] * _window(), axis=1)).astype(np.float32)
        spec = np.log1p(FEATURE_SCALE * (mags @ matrix)).astype(np.float32)
        for c, shift in enumerate(HARMONIC_SHIFTS):
            for k in range(KEY_COUNT):
                j = FIRST_KEY + k - SPECTRUM_LOW_KEY + shift
                if 0 <= j < SPECTRUM_BINS:
                    out[a:b, c, k] = spec[:, j]
    return out


# (in, out, kernel frames, kernel keys, frame dilation, activation)
# activation: 0 none, 1 ReLU, 2 sigmoid
LAYERS = [
    (len(HARMONIC_SHIFTS), 16, 3, 3, 1, 1),
    (16, 16, 3, 3, 2, 1),
    (16, 16, 3, 1, 4, 1),
    (16, 2, 1, 1, 1, 2),
]


class Network(nn.Module):
    """Input (batch, channels, frames, keys); output onset and note
    probabilities (batch, 2, frames, keys). Sigmoid left to the loss."""

    def __init__(self):
        super().__init__()
        self.convs = nn.ModuleList()
        for cin, cout, kt, kk, dil, _ in LAYERS:
            self.convs.append(nn.Conv2d(cin, cout, (kt, kk), dilation=(dil, 1),
                                        padding=((kt - 1) // 2 * dil, (kk - 1) // 2)))

    def forward(self, x):
        for conv, (_, _, _, _, _, act) in zip(self.convs, LAYERS):
            x = conv(x)
            if act == 1:
                x = torch.relu(x)
        return x  # logits

    def probabilities(self, feats):
        """feats: (frames, channels, keys) numpy -> (onset, note) numpy
        (frames, keys)."""
        with torch.no_grad():
            x = torch.from_numpy(feats).permute(1, 0, 2).unsqueeze(0)
            p = torch.sigmoid(self.forward(x))[0]
        return p[0].numpy(), p[1].numpy()


def write_weights(path, net, onset_threshold, frame_threshold, minimum_frames):
    body = bytearray()
    u32 = lambda v: body.extend(struct.pack("<I", v))
    i32 = lambda v: body.extend(struct.pack("<i", v))
    f32s = lambda a: body.extend(np.asarray(a, dtype="<f4").tobytes())
    body.extend(MAGIC)
    u32(VERSION)
    for v in (SAMPLE_RATE, FFT_SIZE, HOP):
        u32(v)
    i32(FIRST_KEY)
    u32(KEY_COUNT)
    i32(SPECTRUM_LOW_KEY)
    u32(SPECTRUM_BINS)
    f32s([FEATURE_SCALE])
    for first, w in _FILTERS:
        i32(first)
        u32(len(w))
        f32s(w)
    u32(len(HARMONIC_SHIFTS))
    for s in HARMONIC_SHIFTS:
        i32(s)
    u32(len(LAYERS))
    for conv, (cin, cout, kt, kk, dil, act) in zip(net.convs, LAYERS):
        for v in (cin, cout, kt, kk, dil, act):
            u32(v)
        f32s(conv.weight.detach().numpy().reshape(-1))
        f32s(conv.bias.detach().numpy())
    f32s([onset_threshold, frame_threshold])
    u32(minimum_frames)
    body.extend(struct.pack("<I", zlib.crc32(bytes(body)) & 0xFFFFFFFF))
    with open(path, "wb") as f:
        f.write(bytes(body))


def notes_from_probabilities(onset, note, onset_threshold, frame_threshold, minimum_frames):
    """The C++ note creation at frame level (without the slice grid), for
    choosing thresholds: [(start frame, end frame, MIDI key)]."""
    frames, keys = onset.shape
    # The outputs of the last frames see past the recording's end, where
    # every sound seems to stop: they neither strike nor end a note.
    lead = (FFT_SIZE - HOP) // 2
    tail = -(-(FFT_SIZE - lead) // HOP) - 1 + sum((kt - 1) // 2 * dil for _, _, kt, _, dil, _ in LAYERS)
    notes = []
    for k in range(keys):
        sounding, start = False, 0
        o = onset[:, k]
        for f in range(frames - tail):
            prev = o[f - 1] if f > 0 else 0.0
            nxt = o[f + 1] if f + 1 < frames else 0.0
            peak = (o[f] >= onset_threshold and o[f] >= prev and o[f] > nxt) or \
                (f == 0 and note[f, k] >= frame_threshold)
            if peak:
                if sounding and f - start >= minimum_frames:
                    notes.append((start, f, FIRST_KEY + k))
                    sounding = False
                if not sounding:
                    sounding, start = True, f
            elif sounding and note[f, k] < frame_threshold and o[f] < onset_threshold:
                if f - start >= minimum_frames:
                    notes.append((start, f, FIRST_KEY + k))
                sounding = False
        if sounding and frames - start >= minimum_frames:
            notes.append((start, frames, FIRST_KEY + k))
    return notes
