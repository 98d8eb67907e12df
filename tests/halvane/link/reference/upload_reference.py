#!/usr/bin/python3
"""Expected processor memory after an upload of the synthetic test project.

Computes, independently of the C++ code, what a full upload of the project
built by SyntheticProject.h leaves in a processor:
  flagship: DSP memory address -> 24-bit word (coefficients and gains),
  receiver: "C<c><k><r><b><i>" and "G<c><k><r>" words -> float bits.
The stage values are the same integer formulas as the C++ builder; the
coefficient words follow the processors' 24-bit fraction format and the
float bits come from struct.pack('>f', x).

  upload_reference.py flagship CLASS > flagship_classN.txt
  upload_reference.py receiver > receiver_class4.txt
  upload_reference.py --check DIR   (recomputes and compares the committed files)
"""
import math
import struct
import sys

SLOT_CHANNEL = [0, 2, 6, 3, 1, 7, 5, 4]
RECEIVER_CODE = [0, 2, 1, 4, 6, 5, 3, 7]
COEFFICIENT_BASE = 0x002000
GAIN_BASE = 0x000800
LIMITS = {1: (5, 10), 2: (8, 10), 4: (8, 5)}
DESIGNED_STAGES = 7  # stages from this one on are the identity section


def stage(c, r, ch, b):
    """(b2/2, b1/2, b0/2, a2/2, a1/2) of a stage of the synthetic project."""
    if b >= DESIGNED_STAGES:
        return (0.0, 0.0, 0.5, 0.0, 0.0)
    n = c * 1000 + r * 100 + ch * 10 + b
    return (((n * 37) % 201 - 100) / 256.0,
            ((n * 53) % 401 - 200) / 256.0,
            0.25 + ((n * 17) % 101) / 404.0,
            ((n * 29) % 181 - 90) / 200.0,
            -((n * 41) % 301) / 320.0)


def gain_word(c, r, ch):
    g = ((c * 100 + r * 10 + ch) * 13) % 41 - 20
    return g & 0xFFFFFF


def coefficient_word(x):
    assert -1.0 <= x <= 1.0
    v = int(x * 8388608.0 - 0.5) if x < 0.0 else int(x * 8388607.0 + 0.5)
    return v & 0xFFFFFF


def float_bits(x):
    return struct.unpack('>I', struct.pack('>f', x))[0]


def flagship(unit_class):
    rates, stages = LIMITS[unit_class]
    memory = {}
    for c in range(2):
        for r in range(rates):
            for s in range(8):
                ch = SLOT_CHANNEL[s]
                for b in range(stages):
                    a = COEFFICIENT_BASE + (c * rates + r) * 640 + (s * stages + b) * 8
                    for k, x in enumerate(stage(c, r, ch, b)):
                        memory[a + k] = coefficient_word(x)
                    memory[a + 5] = 0  # the flag byte
                memory[GAIN_BASE + (c * rates + r) * 8 + s] = gain_word(c, r, ch)
    return ['%06X %06X' % (a, w) for a, w in sorted(memory.items())]


def receiver():
    rates, stages = LIMITS[4]
    lines = []
    for c in range(2):
        for k in range(8):
            code = RECEIVER_CODE[k]
            for r in range(rates):
                product = 1.0
                for b in range(stages):
                    b2, b1, b0, a2, a1 = stage(c, r, k, b)
                    product *= 2.0 * b0
                    values = [b1 / b0, b2 / b0, -2.0 * a1, -2.0 * a2]
                    for i, v in enumerate(values):
                        lines.append('C%d%d%d%d%d %08X' % (c, code, r, b, i, float_bits(v)))
                w = gain_word(c, r, k)
                g = ((w & 0xFFFFFF) ^ 0x800000) - 0x800000
                lines.append('G%d%d%d %08X' % (c, code, r, float_bits(math.exp(g * 0.5 * math.log(10) / 20) * product)))
    return sorted(lines)


def main(argv):
    if len(argv) == 3 and argv[1] == 'flagship':
        print('\n'.join(flagship(int(argv[2]))))
    elif len(argv) == 2 and argv[1] == 'receiver':
        print('\n'.join(receiver()))
    elif len(argv) == 3 and argv[1] == '--check':
        ok = True
        for name, lines in (('flagship_class2.txt', flagship(2)), ('receiver_class4.txt', receiver())):
            with open(argv[2] + '/' + name) as f:
                committed = f.read().split('\n')
            committed = [l for l in committed if l]
            if committed != lines:
                print('%s differs from the recomputed reference' % name)
                ok = False
        return 0 if ok else 1
    else:
        print(__doc__)
        return 2
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
