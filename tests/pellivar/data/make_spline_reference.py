#!/usr/bin/python3
"""Reference values of the natural cubic spline through gamma-curve points.

scipy.interpolate.CubicSpline(x, y, bc_type='natural') (Debian python3-scipy)
evaluated at every integer x from the first knot to the last, independently
of the program's tridiagonal sweep. Knots whose x does not rise above the
previous knot's are left out first, as the program does.

Run from this folder:  /usr/bin/python3 make_spline_reference.py
Output: spline_reference.txt, per curve a line "curve <name> <n> x0 y0 x1 y1 ..."
(the points as given), then one line "<x> <y>" per integer x (%.17g).
"""
import numpy as np
from scipy.interpolate import CubicSpline

CURVES = {
    "default": [(x, x) for x in range(0, 961, 64)] + [(1023, 1023)],
    "s-curve": [(0, 0), (100, 40), (300, 200), (512, 512), (700, 820), (900, 990), (1023, 1023)],
    "uneven": [(0, 30), (5, 31), (6, 200), (400, 180), (401, 900), (1023, 0)],
    "duplicate-x": [(0, 0), (256, 300), (256, 100), (512, 512), (200, 700), (768, 700), (1023, 1023)],
    "two-knots": [(10, 1000), (1000, 10)],
    "thirty": [(round(i * 1023 / 29), round(1023 * (i / 29) ** 2.2)) for i in range(30)],
}

with open("spline_reference.txt", "w") as f:
    for name, points in CURVES.items():
        kept = []
        for x, y in points:
            if not kept or x > kept[-1][0]:
                kept.append((x, y))
        xs = np.array([p[0] for p in kept], dtype=float)
        ys = np.array([p[1] for p in kept], dtype=float)
        spline = CubicSpline(xs, ys, bc_type="natural")
        flat = " ".join(f"{x} {y}" for x, y in points)
        f.write(f"curve {name} {len(points)} {flat}\n")
        for x in range(int(xs[0]), int(xs[-1]) + 1):
            f.write(f"{x} {float(spline(x)):.17g}\n")
