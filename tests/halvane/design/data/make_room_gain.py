#!/usr/bin/python3
"""Writes room_gain.txt: the room-gain estimate rewritten with numpy and
scipy, for room_gain check in crossovers_test.cpp.

Run with Debian's python3 (numpy and scipy) in this folder:
    /usr/bin/python3 make_room_gain.py

Three main curves on the 25-per-octave grid from 5 Hz (levels in dB):
    L + Butterworth high-pass (order 2 at 25 Hz) + the target's bass shelf
    lifting `lift` dB (0 dB at half the rate) + room modes + ripple,
with the formulas below (the test builds the same curves). The estimate is
judged with every curve's own crossover at 60 Hz (the test searches 60..60)
and the reference band from 80 Hz. The shelf responses come from
scipy.signal.freqz of the pole-zero mapped sections.

Each row: case, lift (dB), the chosen ratio v, its error, and the
second-best error (the margin the choice stands on).
"""
import math
import numpy as np
import scipy.signal as sig

FS = 96000.0
Q = 1.0 / math.sqrt(2.0)


def mapped(f, q, fs):
    r = math.exp(-math.pi * f / (q * fs))
    theta = math.pi * (f / fs) * math.sqrt(4.0 - 1.0 / (q * q))
    return [1.0, -2.0 * r * math.cos(theta), r * r]


def shelf_mag(v, f):
    root = math.sqrt(v)
    b = mapped(200.0 * root, Q, FS)
    a = mapped(200.0 / root, Q, FS)
    _, h = sig.freqz(b, a, worN=np.asarray(f, dtype=float), fs=FS)
    return np.abs(h)


def grid():
    x = []
    k = 0
    while 5.0 * 2.0 ** (k / 25.0) <= 24000.0:
        x.append(5.0 * 2.0 ** (k / 25.0))
        k += 1
    return np.array(x)


def level(case, i, f, lift):
    v = 10.0 ** (lift / 40.0)
    hp = -10.0 * np.log10(1.0 + (25.0 / f) ** 4)
    sh = 20.0 * np.log10(shelf_mag(v, f) / shelf_mag(v, [FS / 2.0])[0])
    o = np.log2(f)
    modes = 5.0 * np.exp(-(np.log2(f / 45.0) / 0.2) ** 2) - 6.0 * np.exp(-(np.log2(f / 120.0) / 0.1) ** 2)
    ripple = (0.8 + 0.4 * case) * np.sin(9.0 * o + 0.3 + i) + 0.5 * np.sin(17.0 * o + 1.1 * i)
    return 78.0 + i + hp + sh + modes + ripple


def estimate(curves, f, own=60.0, crossover=80.0):
    judged = []
    for lv in curves:
        m = 10.0 ** (lv / 20.0)
        mid = (f >= 400.0) & (f <= 3000.0)
        peak = m[mid].max()
        sel = mid & (m >= peak / 2.0)
        k = sel.sum() / m[sel].sum()
        ref = m[(f >= crossover) & (f <= 3000.0)].max()
        pts = (f >= own) & (f <= 3000.0) & (m >= ref / 2.0)
        judged.append((f[pts], k * m[pts]))
    errs = []
    k = 0
    while 1.0 + 0.005 * k <= 10.0 ** 0.1:
        v = 1.0 + 0.005 * k
        e = 0.0
        n = 0
        for fj, sj in judged:
            d = shelf_mag(v, fj) - sj
            e += float(np.sum(d * d))
            n += len(fj)
        errs.append((e / n, v))
        k += 1
    best = min(range(len(errs)), key=lambda j: (errs[j][0], j))
    rest = sorted(e for j, (e, _) in enumerate(errs) if j != best)
    return errs[best][1], errs[best][0], rest[0]


f = grid()
with open('room_gain.txt', 'w') as out:
    for case, lift in enumerate([0.7, 2.3, 3.4]):
        curves = [level(case, i, f, lift) for i in range(3)]
        v, e, second = estimate(curves, f)
        out.write('%d %.3f %.17g %.17g %.17g\n' % (case, lift, v, e, second))
