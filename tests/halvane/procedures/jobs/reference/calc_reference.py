#!/usr/bin/python3
"""Checks the calculation job's stored filters with scipy.

Runs calc_dump (the road for a synthetic room up to the calculation) and
checks, for every configuration and channel:
  - the calculated curve is the measured one times |H| of the stored
    design-rate stages (b = 2 x stored, a = [1, 2 a1/2, 2 a2/2]) times
    10^(0.5 g / 20), g the gain word sign-extended from 24 bits, by
    scipy.signal.freqz (magnitudes only; 1e-6 relative);
  - every stored slot is filled, its denominators are stable (numpy.roots);
  - every converted slot (all but the design rate and the 32000 Hz slot,
    which has its own fit) keeps the design chain's gain at 0 Hz to within
    0.25 dB (the gain word's rounding), on the same calculation's exact
    coefficients (the "exact" lines: what the conversion works on; the
    stored values are those the processor's words hold, chosen from 15 Hz
    up).
Exit 77 (skipped) when scipy is missing.
"""
import sys

# First: it ends the check as skipped where numpy or scipy is missing.
from calc_dump_output import lines, response_db

import numpy as np


def chain(stages):
    sos = []
    for b2, b1, b0, a2, a1, _ in stages:
        sos.append([2 * b0, 2 * b1, 2 * b2, 1.0, 2 * a1, 2 * a2])
    return np.array(sos)


def magnitude(sos, gain, f, rate):
    return 10 ** (response_db(sos, gain, f, rate) / 20)


def main():
    design = None
    sets = {}
    points = {}
    current = None
    for line in lines(sys.argv[1:]):
        w = line.split()
        if w[0] == "design":
            design = int(w[1])
        elif w[0] == "set":
            c, ch, rate, gain, filled = map(int, w[1:])
            current = sets.setdefault((c, ch), {})[rate] = {"gain": gain, "filled": filled, "stages": []}
        elif w[0] == "stage":
            current["stages"].append(tuple(float(x) for x in w[1:6]) + (int(w[6]),))
        elif w[0] == "exactgain":
            current["exact_gain"] = int(w[1])
            current["exact"] = []
        elif w[0] == "exact":
            current["exact"].append(tuple(float(x) for x in w[1:6]) + (int(w[6]),))
        elif w[0] == "point":
            points.setdefault((int(w[1]), int(w[2])), []).append(tuple(float(x) for x in w[3:6]))
    failures = 0
    for key, slots in sets.items():
        d = slots[design]
        dsos = chain(d["stages"])
        p = np.array(points[key])
        band = p[:, 0] <= 20000
        f, m, k = p[band, 0], p[band, 1], p[band, 2]
        want = magnitude(dsos, d["gain"], f, design)
        err = np.max(np.abs(k / m - want) / want)
        if err > 1e-6:
            print(f"{key}: calculated curve off the stored chain by {err:g}")
            failures += 1
        dc = magnitude(chain(d["exact"]), d["exact_gain"], [0.0], design)[0]
        for rate, s in slots.items():
            if s["filled"] != 1:
                print(f"{key} {rate}: not filled")
                failures += 1
                continue
            sos = chain(s["stages"])
            for row in sos:
                if np.any(np.abs(np.roots(row[3:])) >= 1):
                    print(f"{key} {rate}: unstable denominator {row[3:]}")
                    failures += 1
            if rate not in (design, 32000):
                here = magnitude(chain(s["exact"]), s["exact_gain"], [0.0], rate)[0]
                if abs(20 * np.log10(here / dc)) > 0.25 + 1e-9:
                    print(f"{key} {rate}: 0 Hz gain {20*np.log10(here/dc):.3f} dB off the design chain")
                    failures += 1
    print(f"{len(sets)} channels checked, {failures} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
