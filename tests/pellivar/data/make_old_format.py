#!/usr/bin/python3
"""Writes the older binary settings files the Pellivar tests read.

The older form is 358 little-endian int32: 8 ignored ints, then for sources
0-9 three ignored ints and 32 values in the order below. Written with
struct.pack('<358i', ...), independently of the program's reader.

Run from this folder:  /usr/bin/python3 make_old_format.py
Outputs: old_format.bin (1432 bytes), old_format_short.bin (1431),
old_format_long.bin (1433), old_format_expected.txt (source prefix value
after the reader's range check, one per line).
"""
import struct

# prefix, default, minimum, maximum of the 32 stored values, in file order
VALUES = [
    ("fS", 0, 0, 2), ("fR", 0, 0, 1), ("fc", 50, 0, 100), ("fb", 50, 0, 100),
    ("fs", 50, 0, 100), ("fh", 50, 0, 100), ("fF", 0, 0, 1), ("fd", 0, 0, 100),
    ("fD", 0, 0, 100), ("fn", 0, 0, 100), ("fm", 4, 0, 15), ("fB", 0, 0, 1),
    ("fC", 0, 0, 255), ("fl", 0, 0, 255), ("fV", 0, 0, 100), ("fP", 15, 0, 31),
    ("fW", 0, 0, 3), ("fo", 1920, 1, 1920), ("fp", 1080, 1, 1080), ("fq", 960, 1, 1920),
    ("fr", 540, 1, 1080), ("fA", 0, 0, 1), ("fE", 6, 0, 20), ("fO", 0, 0, 3),
    ("fa", 1, 0, 4), ("fe", 100, 1, 100), ("ff", 50, 0, 100), ("fg", 50, 0, 100),
    ("ft", 100, 1, 100), ("fu", 100, 1, 100), ("fv", 50, 0, 100), ("fw", 50, 0, 100),
]
assert len(VALUES) == 32

# Values out of range on purpose: (source, prefix) -> stored value.
OUT_OF_RANGE = {(3, "fm"): 16, (9, "fo"): 0, (0, "fc"): -5, (5, "fP"): 0x7FFFFFFF}


def stored(source, j):
    prefix, _, lo, hi = VALUES[j]
    if (source, prefix) in OUT_OF_RANGE:
        return OUT_OF_RANGE[(source, prefix)]
    # Distinct, in range, and different from the default where the range allows.
    return lo + (source * 5 + j * 3 + 1) % (hi - lo + 1)


def expected(source, j):
    prefix, default, lo, hi = VALUES[j]
    v = stored(source, j)
    return v if lo <= v <= hi else default


ints = [0x01020304, -1, 1432, 0, 7, 0x7FFFFFFF, -2147483648, 31]  # ignored header
for source in range(10):
    ints += [0x7EADBEEF, -source - 1, 12345]  # ignored per source
    ints += [stored(source, j) for j in range(32)]
assert len(ints) == 358
data = struct.pack("<358i", *ints)
assert len(data) == 1432

with open("old_format.bin", "wb") as f:
    f.write(data)
with open("old_format_short.bin", "wb") as f:
    f.write(data[:-1])
with open("old_format_long.bin", "wb") as f:
    f.write(data + b"\x00")
with open("old_format_expected.txt", "w") as f:
    for source in range(10):
        for j, (prefix, _, _, _) in enumerate(VALUES):
            f.write(f"{source} {prefix} {expected(source, j)}\n")
