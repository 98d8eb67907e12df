#!/usr/bin/python3
"""Writes the independent reference data of the curve engine's tests.

Run with Debian's python3 (numpy and scipy): /usr/bin/python3 make_reference.py
in this folder. The output is committed, so the tests need no Python.

Golden archive bytes come from Python's struct module alone (little-endian,
no tags, the framework's string form); the numeric references from numpy.fft
and scipy.signal.
"""
import struct
import numpy as np
import scipy.signal as sig


def dble_vect(values):
    return struct.pack('<i', len(values)) + b''.join(struct.pack('<d', v) for v in values)


def complex_vector(form, a, b):
    return struct.pack('<H', form) + dble_vect(a) + dble_vect(b)


def index_vector(kind, values):
    return struct.pack('<H', kind) + dble_vect(values)


def string16(text):
    units = text.encode('utf-16-le')
    n = len(units) // 2
    out = b'\xff' + struct.pack('<H', 0xFFFE)
    if n < 0xFF:
        out += struct.pack('<B', n)
    elif n < 0xFFFE:
        out += b'\xff' + struct.pack('<H', n)
    else:
        out += b'\xff' + struct.pack('<H', 0xFFFF) + struct.pack('<I', n)
    return out + units


def string8(raw):
    # The framework's 8-bit form: no marker, the length, the ANSI bytes.
    assert len(raw) < 0xFF
    return struct.pack('<B', len(raw)) + raw


def curve(kind, x, form, a, b, name_bytes):
    return index_vector(kind, x) + complex_vector(form, a, b) + struct.pack('<HI', 0, 0) + name_bytes


def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)


def write_numbers(name, rows):
    with open(name, 'w') as f:
        for row in rows:
            f.write(' '.join(repr(float(v)) for v in row) + '\n')


# --- Stored forms -----------------------------------------------------------
write('dblevect_1_2.bin', dble_vect([1.0, 2.0]))
write('complexvector_polar.bin', complex_vector(1, [1.0, 2.0, 3.0], [0.1, -0.2, 0.3]))
write('indexvector_time.bin', index_vector(1, [0.0, 0.5, 1.0, 1.5]))
write('curve_unicode_name.bin',
      curve(0, [100.0, 200.0, 300.0], 2, [-3.0, 0.0, 6.5], [0.25, -1.5, 3.0], string16('Front Left \u20ac \U0001F50A')))
write('curve_empty_name.bin', curve(0, [0.0, 46.875], 0, [1.0, -0.5], [0.0, 0.125], string16('')))
write('curve_long_name.bin', curve(1, [0.0], 0, [2.0], [-2.0], string16('L' * 300)))
write('curve_ansi_name.bin', curve(0, [20.0, 40.0], 1, [1.0, 2.0], [0.0, 0.5], string8(b'Sub \x80 \x93x\x94 \xe9')))

# --- FFT against numpy.fft.fft --------------------------------------------
rng = np.random.default_rng(20261209)
for n in (16, 256):
    re = rng.standard_normal(n)
    im = rng.standard_normal(n)
    X = np.fft.fft(re + 1j * im)
    write_numbers('fft_%d.txt' % n, zip(re, im, X.real, X.imag))

# --- A time curve's spectrum: numpy.fft.fft(x, 1024)[:513] * 2 / 1024 ------
x = rng.standard_normal(1000)
write_numbers('fr_input_1000.txt', [[v] for v in x])
F = np.fft.fft(x, 1024)[:513] * 2 / 1024
write_numbers('fr_numpy_513.txt', zip(F.real, F.imag))

# --- Butterworth high-pass: scipy.signal.lfilter on the doubled buffer ------
# The denominators are the analogue Butterworth poles mapped by z = e^(sT)
# (scipy.signal.butter(2, w, 'high', analog=True)); the numerator is the
# double zero at 0 Hz scaled to unit gain at half the sample rate.
def butter_hp(rate, fc):
    w = 2 * np.pi * fc / rate
    _, p, _ = sig.butter(2, w, 'high', analog=True, output='zpk')
    a = np.real(np.poly(np.exp(p)))
    g = (a[0] - a[1] + a[2]) / 4.0
    return np.array([g, -2 * g, g]), a


rows = []
for rate, fc, n in ((48000, 10.0, 700), (44100, 1000.0, 300)):
    b, a = butter_hp(rate, fc)
    s = rng.standard_normal(n) + 0.75
    y = sig.lfilter(b, a, np.r_[s, s])[n:]
    write_numbers('butterworth_%d_%d.txt' % (rate, int(fc)), zip(s, y))
    rows.append([rate, fc, a[1], a[2], b[0]])
write_numbers('butterworth_coefficients.txt', rows)

# --- Band-pass kernel weights: |H|^2 of the analogue third-order band-pass ---
# scipy.signal.butter(3, [2^-b/2, 2^b/2], 'bandpass', analog=True) + freqs at
# the kernel positions K[i] = K[0] (4 2^b)^(i/999).
rows = []
for width in (1.5, 1.0):
    bw = 1.0 / width
    bb, aa = sig.butter(3, [2 ** (-bw / 2), 2 ** (bw / 2)], 'bandpass', analog=True)
    k0 = 1.0 / (2 * 2 ** (bw / 2))
    idx = np.array([0, 1, 250, 499, 500, 501, 750, 999, 1000])
    K = k0 * (4 * 2 ** bw) ** (idx / 999.0)
    _, h = sig.freqs(bb, aa, K)
    for i, k, w in zip(idx, K, np.abs(h) ** 2):
        rows.append([width, i, k, w])
write_numbers('bandpass_kernel.txt', rows)

# --- Smoothing grid of (6, 25, 5, 48000) on a 0..24000 Hz axis ----------------
xs = np.arange(32769) * (24000.0 / 32768)
start, top = max(5.0, xs[1]), min(48000.0, xs[-1])
M = int(25 * np.log2(top / start)) + 2
G = [start]
while len(G) < M and G[-1] * 2 ** (1 / 25) <= xs[-1]:
    G.append(G[-1] * 2 ** (1 / 25))
write_numbers('smoothing_grid_25.txt', [[g] for g in G])
print('grid', len(G), G[0], G[-1])
