#!/usr/bin/python3
"""Writes the independent reference data of the correction-design tests.

Run with Debian's python3 (numpy and scipy) in this folder:
    /usr/bin/python3 make_reference.py
The output is committed, so the tests need no Python.

- target_config_*.bin: target records as each document version stored
  them, packed with Python's struct module alone (little-endian int32 and
  IEEE doubles); the values they hold are listed with each stream below and
  asserted by target_config_test.cpp.
- sections_freqz.txt: model sections placed by pole-zero mapping (computed
  here with numpy), their responses from scipy.signal.freqz.
- target_curves.txt: speaker and subwoofer target curves on a 25-per-octave
  grid, built from the same sections with freqz.
- topq_fit.txt: the top-octave fit rewritten with numpy, on notched and
  rippled measurements.
"""
import math
import struct
import numpy as np
import scipy.signal as sig


def i32(*values):
    return b''.join(struct.pack('<i', v) for v in values)


def f64(*values):
    return b''.join(struct.pack('<d', v) for v in values)


def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)


# --- Target records ---------------------------------------------------------

def block_v3(crossovers, room, maxeq):
    # int32 unused, five crossovers, room gain, int32 unused, max EQ: 40 bytes
    b = i32(7, *crossovers) + f64(room) + i32(9, maxeq)
    assert len(b) == 40
    return b


def block_pairs(pairs, room, maxeq, current):
    # five pairs, room gain, int32 unused, max EQ (+ int32 for version 12 on)
    b = b''.join(i32(p, q) for p, q in pairs) + f64(room) + i32(1, maxeq)
    if current:
        b += i32(0)
    assert len(b) == (60 if current else 56)
    return b


def tail(version, offset_db, sub_trim, trims, ref_level, extra, subs):
    b = f64(offset_db) + i32(sub_trim, *trims)
    if version >= 16:
        b += i32(ref_level)
    if version >= 18:
        b += i32(extra)
    if version >= 17:
        for s in subs:
            b += i32(*s)
    return b


TRIMS = [1, -2, 3, -4, 5, -6, 7, -8]
SUBS = [(25, 30, 3), (15, 40, 0)]


def record(version, block0, block1):
    # ConfigOption 1, MusicUsesMovie 0, the blocks, then the tail:
    # RefLevelOffsetDb -3.5, MusicSubTrim 4, trims 1, -2, 3, -4, 5, -6, 7, -8,
    # RefLevel 3 (16+), ExtraOption 2 (18+), subwoofer 25/30/3 and 15/40/0 (17+).
    return i32(1, 0) + block0 + block1 + tail(version, -3.5, 4, TRIMS, 3, 2, SUBS)


# Version 3: cfg 0 crossovers 15, 60, 20, 100, 120; cfg 1 80, 15, 90, 20, 15.
write('target_config_v3.bin', record(3, block_v3([15, 60, 20, 100, 120], 1.5, 12000),
                                     block_v3([80, 15, 90, 20, 15], 2.25, 15000)))
# Version 5: {code, crossover}: cfg 0 {165,60} {40,60} {15,20} {0,100} {165,120}.
write('target_config_v5.bin', record(5, block_pairs([(165, 60), (40, 60), (15, 20), (0, 100), (165, 120)], 0.5, 8000, False),
                                     block_pairs([(0, 80)] * 5, 0.0, 20000, False)))
# Versions 11 to 18: {crossover, flag}: cfg 0 (90,1) (20,0) (60,0) (70,1) (80,0);
# cfg 1 (20,1) (80,0) (100,1) (120,0) (170,0).
PAIRS0 = [(90, 1), (20, 0), (60, 0), (70, 1), (80, 0)]
PAIRS1 = [(20, 1), (80, 0), (100, 1), (120, 0), (170, 0)]
for v in (11, 12, 13, 14, 15, 16, 17, 18):
    current = v >= 12
    write('target_config_v%d.bin' % v, record(v, block_pairs(PAIRS0, 1.0, 10000, current),
                                              block_pairs(PAIRS1, -0.5, 5000, current)))

# A freshly constructed record as written for the current version (204 bytes).
fresh = i32(0, 1)
for cfg in range(2):
    fresh += b''.join(i32(80, 0) for _ in range(5)) + f64(0.0) + i32(1, 20000, 0)
fresh += f64(0.0) + i32(0) + i32(*([0] * 8)) + i32(-1) + i32(0) + i32(20, 20, 0) + i32(20, 20, 0)
assert len(fresh) == 204
write('target_config_fresh.bin', fresh)


# --- Model sections ----------------------------------------------------------

def mapped_pair(f, q, fs):
    r = math.exp(-math.pi * f / (q * fs))
    theta = math.pi * (f / fs) * math.sqrt(4.0 - 1.0 / (q * q))
    return -2.0 * r * math.cos(theta), r * r


def with_poles(zeros, f, q, fs):
    a1, a2 = mapped_pair(f, q, fs)
    b = [1.0, -2.0, 1.0] if zeros == 'dc' else [1.0, 2.0, 1.0]
    return b, [1.0, a1, a2]


def zeros_and_poles(zf, zq, pf, pq, fs):
    b1, b2 = mapped_pair(zf, zq, fs)
    a1, a2 = mapped_pair(pf, pq, fs)
    return [1.0, b1, b2], [1.0, a1, a2]


def response(section, f, fs):
    b, a = section
    _, h = sig.freqz(b, a, worN=np.atleast_1d(np.asarray(f, dtype=float)), fs=fs)
    return h


Q = 1.0 / math.sqrt(2.0)
SHELF = math.sqrt(math.sqrt(2.0))
FREQS = [0.0, 10.0, 40.0, 80.0, 183.4, 1000.0, 10000.0, 20000.0]
# kind 0: poles (f, q) zeros at 0 Hz; 1: zeros at Nyquist; 2: zeros (f, q) poles (f2, q2)
cases = [
    (0, 48000, 80.0, Q, 0.0, 0.0),
    (1, 48000, 80.0, Q, 0.0, 0.0),
    (0, 96000, 20.0, 0.6, 0.0, 0.0),
    (1, 48000, 24000.0, 3.0, 0.0, 0.0),
    (1, 192000, 96000.0, Q, 0.0, 0.0),
    (2, 48000, 200.0 * math.sqrt(SHELF), Q, 200.0 / math.sqrt(SHELF), Q),
]
with open('sections_freqz.txt', 'w') as out:
    out.write('# kind fs f1 q1 f2 q2 f re im   (scipy.signal.freqz)\n')
    for kind, fs, f1, q1, f2, q2 in cases:
        if kind == 2:
            s = zeros_and_poles(f1, q1, f2, q2, fs)
        else:
            s = with_poles('dc' if kind == 0 else 'nyq', f1, q1, fs)
        for f in FREQS:
            if f > fs / 2:
                continue
            h = response(s, f, fs)[0]
            out.write('%d %d %r %r %r %r %r %r %r\n' % (kind, fs, f1, q1, f2, q2, f, h.real, h.imag))


# --- Target curves ------------------------------------------------------------

def grid(top):
    # 5 Hz, 25 points per octave, up to and including `top`
    x = []
    k = 0
    while 5.0 * 2.0 ** (k / 25.0) <= top:
        x.append(5.0 * 2.0 ** (k / 25.0))
        k += 1
    return np.array(x)


def speaker_db(fs, xo, shelf, top_q, x):
    half = fs // 2
    hp = with_poles('dc', xo, Q, fs)
    sh = zeros_and_poles(200.0 * math.sqrt(shelf), Q, 200.0 / math.sqrt(shelf), Q, fs)
    ro = with_poles('nyq', half, top_q, fs)
    g = abs(response(hp, half, fs)[0]) * abs(response(sh, half, fs)[0]) * abs(response(ro, 0.0, fs)[0])
    h = response(hp, x, fs) * response(sh, x, fs) * response(ro, x, fs) / g
    return 20.0 * np.log10(np.abs(h))


def subwoofer_db(fs, xo, ext, ext_q, x):
    half = fs // 2
    hp = with_poles('dc', ext, ext_q, fs)
    lp = with_poles('nyq', xo, Q, fs)
    g = abs(response(hp, half, fs)[0]) ** 2 * abs(response(lp, 0.0, fs)[0]) ** 2
    m = np.abs(response(hp, x, fs)) ** 2 * np.abs(response(lp, x, fs)) ** 2 / g
    return 20.0 * np.log10(m / m.max())


def subwoofer_order_db(fs, xo, order, fc, x):
    lp = with_poles('nyq', xo, Q, fs)
    g = abs(response(lp, 0.0, fs)[0]) ** 2
    hp = 1.0 / np.sqrt(1.0 + (fc / x) ** (2 * (order - 1)))
    m = hp * np.abs(response(lp, x, fs)) ** 2 / g
    return 20.0 * np.log10(m / m.max())


with open('target_curves.txt', 'w') as out:
    out.write('# kind fs xo param f dB   (kind 0 speaker, param TopQ; kind 1 subwoofer order 0, '
              'param Extension with Q 1/sqrt 2; kind 2 subwoofer, param the high-pass order at 30 Hz; grid 5 * 2^(k/25) up to 24000 Hz)\n')
    x = grid(24000.0)
    for fs, xo, top_q in ((48000, 80, Q), (96000, 80, Q), (192000, 80, Q), (48000, 60, 2.0)):
        xs = x[x <= fs / 2]
        db = speaker_db(fs, xo, SHELF, top_q, xs)
        for i in range(0, len(xs), 7):
            out.write('0 %d %d %r %r %r\n' % (fs, xo, top_q, xs[i], db[i]))
    for fs, xo, ext in ((48000, 80, 20.0), (96000, 120, 31.5)):
        xs = x[x <= fs / 2]
        db = subwoofer_db(fs, xo, ext, Q, xs)
        for i in range(0, len(xs), 5):
            out.write('1 %d %d %r %r %r\n' % (fs, xo, ext, xs[i], db[i]))
    # kind 2: subwoofer with a Butterworth high-pass, param the order value
    # (order - 1 is the Butterworth order), at 30 Hz
    for fs, xo, order in ((48000, 80, 2), (48000, 100, 4)):
        xs = x[x <= fs / 2]
        db = subwoofer_order_db(fs, xo, order, 30.0, xs)
        for i in range(0, len(xs), 5):
            out.write('2 %d %d %r %r %r\n' % (fs, xo, order, xs[i], db[i]))
print('done')


# --- Top-octave fit ------------------------------------------------------------
# The fit rewritten with numpy: candidates 30 / 1.05^k (repeated division) down
# to 0.5, one level offset over all curves (weights 10^((M - ref) / 20), ref the
# highest level from 3000 Hz to fs/2 - 1), score = weighted mean square over
# 3000 <= f < min(fs/2 - 1, 21000), accepted when the largest signed deviation
# is at most 6 dB, otherwise the best score is the fallback.

def topq_candidates():
    q, out = 30.0, []
    while q >= 0.5:
        out.append(q)
        q /= 1.05
    return out


def topq_fit(fs, curves):
    half = fs // 2
    best1, best2, topq, q2 = 1e300, 1e300, None, 30.0
    for q in topq_candidates():
        ro = with_poles('nyq', half, q, fs)
        pts = []
        for x, m in curves:
            ref = m[(x >= 3000.0) & (x <= half - 1.0)].max()
            sel = (x >= 3000.0) & (x < min(half - 1.0, 21000.0))
            s = 20.0 * np.log10(np.abs(response(ro, x[sel], fs)))
            pts.append((s, m[sel], 10.0 ** ((m[sel] - ref) / 20.0)))
        S = np.concatenate([p[0] for p in pts])
        M = np.concatenate([p[1] for p in pts])
        W = np.concatenate([p[2] for p in pts])
        offset = -np.sum((S - M) * W) / np.sum(W)
        d = S + offset - M
        err = np.sum(d * d * W) / np.sum(W)
        if err < best1 and d.max() <= 6.0:
            best1, topq = err, q
        elif err < best2:
            best2, q2 = err, q
    return topq if topq is not None else q2


def rolloff_measurement(fs, q, x):
    return 20.0 * np.log10(np.abs(response(with_poles('nyq', fs // 2, q, fs), x, fs)))


with open('topq_fit.txt', 'w') as out:
    out.write('# case fs k_true fitted_TopQ   (case 0: 12 dB notch at 8 kHz; 1: ripple 1.5 sin(f/900) '
              'and a second curve 2 dB lower with 0.5 dB ripple)\n')
    cands = topq_candidates()
    for fs, k in ((48000, 30), (96000, 40)):
        x = grid(fs / 2)
        m = rolloff_measurement(fs, cands[k], x)
        octaves = np.log2(x / 8000.0)
        notch = m - 12.0 * np.exp(-octaves * octaves / 0.002)
        out.write('0 %d %d %r\n' % (fs, k, topq_fit(fs, [(x, notch)])))
        m1 = m + 1.5 * np.sin(x / 900.0)
        m2 = m - 2.0 + 0.5 * np.sin(x / 700.0)
        out.write('1 %d %d %r\n' % (fs, k, topq_fit(fs, [(x, m1), (x, m2)])))


# --- Low-frequency extension fit ---------------------------------------------------
# The subwoofer fit rewritten with numpy, with the quarter-octave (10^0.6) power
# smoothing of the deviation on the measured axis written out: rounded-
# exponential kernel of 1001 points, window f K[0] .. f K[1000], weight W[k]
# for the first k >= 1 with K[k] > x_j / f. Candidates F = 5 x 1.05^i below the
# crossover, Q = 0.8 / 1.0125^j down to 0.5; one offset over all curves
# (weights 10^(model / 40) over max(F/2, 15) <= f <= max(Xo, 2F)); the score is
# the weighted mean square of the smoothed deviation over
# max(min(F/2, 20), 15) <= f <= max(Xo, 2F); accepted when below the best and
# its peak is at most 12 dB or its RMS at most 6 dB.

def smoothing_matrix(x):
    b = 1.0 / 10.0 ** 0.6
    g = 1.07 * (2.0 ** (b / 2.0) - 2.0 ** (-b / 2.0)) / 4.0
    h = 6.6383 * g
    step = ((1.0 + h) / (1.0 - h)) ** (1.0 / 999.0)
    K = [1.0 - h]
    for _ in range(1000):
        K.append(K[-1] * step)
    K = np.array(K)
    W = (1.0 + np.abs(K - 1.0) / g) * np.exp(-np.abs(K - 1.0) / g)
    n = len(x)
    rows = []
    for o in range(n):
        f = x[o]
        lo = min(int(np.searchsorted(x, f * K[0], 'left')), n - 1)
        above = int(np.searchsorted(x, f * K[1000], 'left'))
        hi = max(above - 1, lo)
        assert hi >= lo + 2, 'the measured grids always average'
        row = np.zeros(n)
        for j in range(lo, hi + 1):
            k = 1
            while k < 1000 and not K[k] > x[j] / f:
                k += 1
            row[j] = W[k]
        rows.append(row / row.sum())
    return np.array(rows)


def extension_fit(fs, xo, curves):
    half = fs // 2
    lp = with_poles('nyq', xo, Q, fs)
    lpn = abs(response(lp, 0.0, fs)[0])
    mats = [smoothing_matrix(x) for x, _ in curves]
    best1 = best2 = 1e300
    result = remembered = None
    f0 = 5.0
    while f0 < xo:
        off_lo, top, judged_lo = max(f0 / 2.0, 15.0), max(xo, 2.0 * f0), max(min(f0 / 2.0, 20.0), 15.0)
        q = 0.8
        while q >= 0.5:
            hp = with_poles('dc', f0, q, fs)
            hpn = abs(response(hp, half, fs)[0])
            models = []
            num = den = 0.0
            for x, m in curves:
                mdl = 20.0 * np.log10((np.abs(response(hp, x, fs)) / hpn) ** 2 * (np.abs(response(lp, x, fs)) / lpn) ** 2)
                models.append(mdl)
                sel = (x >= off_lo) & (x <= top)
                w = 10.0 ** (mdl[sel] / 40.0)
                num += np.sum((mdl[sel] - m[sel]) * w)
                den += np.sum(w)
            offset = -num / den
            e = w_sum = 0.0
            peak = 0.0
            for (x, m), mdl, mat in zip(curves, models, mats):
                judged = (x >= judged_lo) & (x <= top)
                d = np.where(judged, mdl + offset - m, 0.0)
                s = np.sqrt(mat @ (d * d))
                w = 10.0 ** (mdl[judged] / 40.0)
                e += np.sum(s[judged] ** 2 * w)
                w_sum += np.sum(w)
                peak = max(peak, s[judged].max())
            err = e / w_sum
            if err < best1 and (peak <= 12.0 or math.sqrt(err) <= 6.0):
                best1, result = err, (f0, q)
            elif err < best2:
                best2, remembered = err, (f0, q)
            q /= 1.0125
        f0 *= 1.05
    return result if result is not None else remembered


def extension_candidate(i, j):
    f, q = 5.0, 0.8
    for _ in range(i):
        f *= 1.05
    for _ in range(j):
        q /= 1.0125
    return f, q


def extension_model_db(fs, xo, f0, q, x):
    hp, lp = with_poles('dc', f0, q, fs), with_poles('nyq', xo, Q, fs)
    hpn, lpn = abs(response(hp, fs // 2, fs)[0]), abs(response(lp, 0.0, fs)[0])
    return 20.0 * np.log10((np.abs(response(hp, x, fs)) / hpn) ** 2 * (np.abs(response(lp, x, fs)) / lpn) ** 2)


with open('extension_fit.txt', 'w') as out:
    out.write('# case fs xo i j Extension ExtensionQ   (true candidate i, j; case 0: a +6 dB room mode at '
              '45 Hz; 1: a 35 dB notch at 60 Hz, smoothed peak above 12 dB but RMS below 6 dB at the true candidate; '
              '2: two positions, 3 dB apart with ripple; 3: a 45 dB notch, RMS above 6 dB)\n')
    x = grid(24000.0)
    for case, fs, xo, i, j in ((0, 48000, 80, 15, 10), (1, 96000, 100, 25, 20), (2, 48000, 120, 30, 5),
                               (3, 96000, 100, 25, 20)):
        f0, q = extension_candidate(i, j)
        m = extension_model_db(fs, xo, f0, q, x)
        if case == 0:
            m1 = m + 6.0 * np.exp(-np.log2(x / 45.0) ** 2 / 0.01)
            curves = [(x, m1)]
        elif case == 1:
            curves = [(x, m - 35.0 * np.exp(-np.log2(x / 60.0) ** 2 / 0.003))]
        elif case == 3:
            curves = [(x, m - 45.0 * np.exp(-np.log2(x / 60.0) ** 2 / 0.002))]
        else:
            curves = [(x, m + 1.0 * np.sin(x / 13.0)), (x, m - 3.0 + 0.7 * np.sin(x / 17.0))]
        ext, ext_q = extension_fit(fs, xo, curves)
        out.write('%d %d %d %d %d %r %r\n' % (case, fs, xo, i, j, ext, ext_q))
