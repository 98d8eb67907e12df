#!/usr/bin/python3
"""Writes the independent reference data of the chirp-processing and curve-set tests.

Run with Debian's python3 (numpy and scipy): /usr/bin/python3 make_chirp_reference.py
in this folder. The output is committed, so the tests need no Python.

chirp_biquad.txt
    first row: b0 b1 b2 a1 a2 of the known biquad (an RBJ peaking section,
    1000 Hz, Q 1.5, +8 dB at 48 kHz); then rows "f |H(f)| |HP10(f)|" for
    every 4th point of the measurement's 8193-point axis (f = i 48000/16384),
    where H is the biquad and HP10 the 10 Hz high-pass the processing applies
    to the take, both from scipy.signal.freqz. HP10's coefficients follow the
    processing's rule (the analogue Butterworth poles mapped by z = e^(sT),
    a double zero at 0 Hz, unit gain at 24 kHz).
chirp_reference_sweep.txt
    rows "i x[i]" of the reference sweep from scipy.signal.chirp(t, f0=f1,
    t1=T, f1=f2, method='logarithmic', phi=-90), N=65536, R=48000.
curveset_7_2.bin, measset_2.bin
    golden stored forms (struct): a curve set holding curves at keys 7 and 2
    (stored 2 then 7), and a measurement set of two positions (the first
    holds that set, the second is empty).
"""
import struct
import numpy as np
import scipy.signal as sig

R = 48000
N = 65536

# The known biquad.
f0, q, gain_db = 1000.0, 1.5, 8.0
A = 10 ** (gain_db / 40)
w0 = 2 * np.pi * f0 / R
alpha = np.sin(w0) / (2 * q)
a0 = 1 + alpha / A
b = np.array([1 + alpha * A, -2 * np.cos(w0), 1 - alpha * A]) / a0
a = np.array([1.0, -2 * np.cos(w0) / a0, (1 - alpha / A) / a0])

# The 10 Hz high-pass of the processing.
w = 2 * np.pi * 10.0 / R
r = np.exp(-w / np.sqrt(2))
hp_a = np.array([1.0, -2 * r * np.cos(w / np.sqrt(2)), r * r])
b0 = (1 - hp_a[1] + hp_a[2]) / 4
hp_b = np.array([b0, -2 * b0, b0])

freqs = np.arange(0, 8193, 4) * (R / 16384)
_, H = sig.freqz(b, a, worN=freqs, fs=R)
_, HP = sig.freqz(hp_b, hp_a, worN=freqs, fs=R)
with open('chirp_biquad.txt', 'w') as f:
    f.write(' '.join('%.17g' % v for v in (b[0], b[1], b[2], a[1], a[2])) + '\n')
    for fr, h, hp in zip(freqs, H, HP):
        f.write('%.17g %.17g %.17g\n' % (fr, abs(h), abs(hp)))

f1 = 17 * R / N
f2 = 31569 * R / N
T = N / R
t = np.arange(N) / R
x = sig.chirp(t, f0=f1, t1=T, f1=f2, method='logarithmic', phi=-90)
with open('chirp_reference_sweep.txt', 'w') as f:
    for i in (0, 1, 2, 500, 12345, 30000, 50000, 65000, 65535):
        f.write('%d %.17g\n' % (i, x[i]))


def dble_vect(values):
    return struct.pack('<i', len(values)) + b''.join(struct.pack('<d', v) for v in values)


def string16(text):
    units = text.encode('utf-16-le')
    return b'\xff' + struct.pack('<H', 0xFFFE) + struct.pack('<B', len(units) // 2) + units


def curve(kind, x, form, va, vb, name):
    return (struct.pack('<H', kind) + dble_vect(x) + struct.pack('<H', form) + dble_vect(va) + dble_vect(vb)
            + struct.pack('<HI', 0, 0) + string16(name))


c2 = curve(0, [100.0, 200.0], 1, [1.0, 2.0], [0.0, 0.5], 'two')
c7 = curve(0, [50.0], 2, [-3.0], [0.25], 'sub')
curveset = struct.pack('<i', 2) + struct.pack('<i', 2) + c2 + struct.pack('<i', 7) + c7
with open('curveset_7_2.bin', 'wb') as f:
    f.write(curveset)
with open('measset_2.bin', 'wb') as f:
    f.write(struct.pack('<i', 2) + curveset + struct.pack('<i', 0))
