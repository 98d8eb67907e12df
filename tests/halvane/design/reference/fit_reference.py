#!/usr/bin/python3
"""Independent check of halvane-lab fit and convert with scipy.

    /usr/bin/python3 fit_reference.py path/to/halvane-lab

Builds a recoverable channel (the measurement is a speaker-like target
divided by a known chain of peaking sections, evaluated with
scipy.signal.sosfreqz), runs `halvane-lab fit`, recomputes the corrected
response from the printed stages with scipy.signal.sosfreqz and checks the
in-band error E_band (RMS under 0.1 dB), the pole radii with numpy.roots and
the coefficient range; then converts the stages 96 -> 48 kHz with
`halvane-lab convert` and checks the 0 Hz gain and stability there.
The optimum is checked too: from the printed stages, scipy.optimize.
least_squares(method='lm') on the same residual (G h - t over the fit points
that --points writes, G the least-squares gain) must not find a sum of
squares below 0.8 times the fitter's, and the fitter's own fit_error must
equal that residual's sum of squares.
Exits 77 (skipped) without numpy and scipy.
"""
import math
import os
import subprocess
import sys
import tempfile

try:
    import numpy as np
    from scipy import optimize, signal
except ImportError:
    print("numpy/scipy not available: skipped")
    sys.exit(77)

LAB = sys.argv[1]
RATE = 96000
LOWER, UPPER = 30.0, 16000.0


def grid():
    f = []
    k = 0
    while 5.0 * 2.0 ** (k / 25.0) <= 24000.0:
        f.append(5.0 * 2.0 ** (k / 25.0))
        k += 1
    return np.array(f)


def placed_pair(w0, q):
    r = math.exp(-w0 / (2 * q))
    th = math.sqrt(max(0.0, 4 - 1 / q ** 2)) * w0 / 2
    return -2 * r * math.cos(th), r * r


def peak_sos(f0, q, db, fs):
    v = 10 ** (db / 20)
    qp, qz = (q, q / v) if v >= 1 else (q * v, q)
    w0 = 2 * math.pi * f0 / fs
    b1, b2 = placed_pair(w0, qz)
    a1, a2 = placed_pair(w0, qp)
    return [1.0, b1, b2, 1.0, a1, a2]


def sos_mag(sos, f, fs):
    _, h = signal.sosfreqz(np.array(sos), worN=2 * np.pi * f / fs)
    return np.abs(h)


def target(f):
    x = f / 80.0
    return x * x / np.hypot(1 - x * x, x * math.sqrt(2))


def write_curve(path, f, mag):
    with open(path, "w") as out:
        out.write("frequency,dB,phase\n")
        for fi, mi in zip(f, mag):
            out.write("%.17g,%.17g,0\n" % (fi, 20 * math.log10(mi)))


def parse_stages(text):
    sos, steps, err = [], None, None
    for line in text.splitlines():
        p = line.split(",")
        if p[0] == "gain_steps":
            steps = int(p[1])
        elif p[0] == "fit_error":
            err = float(p[1])
        elif p[0] != "b0":
            sos.append([float(v) for v in p])
    return np.array(sos), steps, err


def check_stable(sos, what):
    for row in sos:
        assert abs(row[3] - 1.0) < 1e-15, what
        for c in (row[0], row[1], row[2], row[4], row[5]):
            assert abs(c / 2) <= 1.0, "%s: coefficient %r beyond the word range" % (what, c)
        radius = max(abs(np.roots([1.0, row[4], row[5]])))
        assert radius < 1.0, "%s: pole radius %r" % (what, radius)


def residual(params, w, t):
    z1 = np.exp(-1j * w)
    h = np.ones_like(w)
    for b1, b2, a1, a2 in params.reshape(-1, 4):
        h = h * np.abs(1 + b1 * z1 + b2 * z1 ** 2) / np.abs(1 + a1 * z1 + a2 * z1 ** 2)
    g = np.dot(t, h) / np.dot(h, h)
    return g * h - t


def check_optimum(sos, points, err):
    w, t = points[:, 0], points[:, 1]
    # Numerators normalised to b0 = 1: the projected gain absorbs the scale.
    start = np.array([[r[1] / r[0], r[2] / r[0], r[4], r[5]] for r in sos]).ravel()
    ours = float(np.sum(residual(start, w, t) ** 2))
    assert abs(ours - err) <= 1e-6 * err + 1e-15, (ours, err)
    ref = optimize.least_squares(residual, start, args=(w, t), method="lm")
    theirs = float(np.sum(ref.fun ** 2))
    print("sum of squares: fitter %.6g, scipy lm from there %.6g" % (ours, theirs))
    assert ours <= 1.25 * theirs + 1e-12, (ours, theirs)


def main():
    f = grid()
    chain = [peak_sos(60, 4, 6, RATE), peak_sos(300, 2, -4, RATE), peak_sos(2000, 1, 3, RATE)]
    measured = target(f) / sos_mag(chain, f, RATE)
    with tempfile.TemporaryDirectory() as tmp:
        m_path = os.path.join(tmp, "measured.csv")
        t_path = os.path.join(tmp, "target.csv")
        write_curve(m_path, f, measured)
        p_path = os.path.join(tmp, "points.csv")
        write_curve(t_path, f, target(f))
        fit = subprocess.run([LAB, "fit", "--measured", m_path, "--target", t_path, "--rate", str(RATE),
                              "--stages", "10", "--lower", str(LOWER), "--upper", str(UPPER), "--points", p_path],
                             capture_output=True, text=True, check=True)
        points = np.loadtxt(p_path, delimiter=",", skiprows=1)
    sos, steps, err = parse_stages(fit.stdout)
    assert sos.shape == (10, 6) and steps is not None and err is not None, fit.stdout
    check_stable(sos, "fit")
    check_optimum(sos, points, err)

    lo = LOWER * math.sqrt(2)
    hi = min(UPPER / math.sqrt(2), RATE // 4, 12000.0)
    band = (f >= lo) & (f <= hi)
    corrected = measured * sos_mag(sos, f, RATE) * 10 ** (steps / 40)
    e = 20 * np.log10(corrected[band]) - 20 * np.log10(target(f)[band])
    rms = math.sqrt(np.mean(e ** 2))
    print("E_band rms %.4f dB, max %.4f dB over %d points; gain steps %d" % (rms, np.max(np.abs(e)), band.sum(), steps))
    assert rms < 0.1, rms

    # The stages as the processor holds them: halved, 24-bit words.
    def word(x):
        x = x / 2
        return int(x * 8388608 - 0.5) / 8388608 * 2 if x < 0 else int(x * 8388607 + 0.5) / 8388607 * 2
    q = np.array([[word(c) if j != 3 else 1.0 for j, c in enumerate(row)] for row in sos])
    eq = 20 * np.log10(measured[band] * sos_mag(q, f, RATE)[band] * 10 ** (steps / 40)) - 20 * np.log10(target(f)[band])
    print("E_quant rms %.4f dB" % math.sqrt(np.mean(eq ** 2)))

    conv = subprocess.run([LAB, "convert", "--from", str(RATE), "--to", "48000"], input=fit.stdout,
                          capture_output=True, text=True, check=True)
    sos48, steps48, _ = parse_stages(conv.stdout)
    check_stable(sos48, "convert")
    dc96 = sos_mag(sos, np.array([0.0]), RATE)[0] * 10 ** (steps / 40)
    dc48 = sos_mag(sos48, np.array([0.0]), 48000)[0] * 10 ** (steps48 / 40)
    # Only a carry into the gain word (rounded to 0.5 dB) may move it.
    print("0 Hz gain %.9f -> %.9f" % (dc96, dc48))
    assert abs(20 * math.log10(dc48 / dc96)) <= 0.25 + 1e-9
    room_case(f)
    print("ok")


def analog_peak(f, f0, q, db):
    v = 10 ** (db / 20)
    qp, qz = (q, q / v) if v >= 1 else (q * v, q)
    x = f / f0
    return np.hypot(1 - x * x, x / qz) / np.hypot(1 - x * x, x / qp)


def room_case(f):
    """A subwoofer with room modes: only the optimum and stability."""
    lp = 1 / np.hypot(1 - (f / 120) ** 2, f / 120 / 0.7)
    hp = (f / 24) ** 2 / np.hypot(1 - (f / 24) ** 2, f / 24 / 0.9)
    measured = lp * lp * hp * analog_peak(f, 32, 8, 10) * analog_peak(f, 55, 5, -8) * analog_peak(f, 86, 6, 6)
    tlp = 1 / np.hypot(1 - (f / 80) ** 2, f / 80 * math.sqrt(2))
    thp = (f / 20) ** 2 / np.hypot(1 - (f / 20) ** 2, f / 20 * math.sqrt(2))
    with tempfile.TemporaryDirectory() as tmp:
        m_path = os.path.join(tmp, "measured.csv")
        t_path = os.path.join(tmp, "target.csv")
        p_path = os.path.join(tmp, "points.csv")
        write_curve(m_path, f, measured)
        write_curve(t_path, f, tlp * tlp * thp)
        fit = subprocess.run([LAB, "fit", "--measured", m_path, "--target", t_path, "--rate", "48000",
                              "--stages", "10", "--lower", "21.2132", "--upper", "240", "--subwoofer",
                              "--points", p_path], capture_output=True, text=True, check=True)
        points = np.loadtxt(p_path, delimiter=",", skiprows=1)
    sos, _, err = parse_stages(fit.stdout)
    check_stable(sos, "subwoofer fit")
    check_optimum(sos, points, err)


if __name__ == "__main__":
    main()
