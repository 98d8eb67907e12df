#!/usr/bin/python3
"""Writes the project-file fixtures of the document tests.

An implementation of the .QEX layout of its own, written from the file's
version table with Python's struct module (nothing shared with the C++
reader). Run from anywhere:

    /usr/bin/python3 tests/halvane/document/data/make_documents.py

It rewrites doc_*.qex beside itself. The contents follow fixed rules that
the tests check field by field (see Expected* in DocumentFixtures.h):
  - calibration ids (7, 42) from version 2; calibration bytes 0..9 from
    version 3; older-version flag 0 from version 8; correction kind 3 from
    version 15;
  - curve sets: slot 0 keys 0 and 7, slot 1 key 1, slots 2 and 4 key 0 and 2,
    slots 3 and 5 empty; measurement set 6 of two positions (key 0 in each),
    set 7 empty; every curve 3 points (20, 1000, 20000 Hz), polar;
  - filter sets: Gain = 1000 cfg + 100 slot + channel + 1, Filled 1; stored
    stages (version 11 on) k: (0.01 k, -0.02, 0.25 + 0.001 channel, 0.125,
    -0.5), flag 1 for even k and -1 for odd, in-use 1; the six trailing bytes
    0 in the version 21 file and 0xAA elsewhere (they are ignored);
    old stage entries (versions 1 to 10) are filled with 0x5A (skipped);
  - target configuration: ConfigOption 1, MusicUsesMovie 0, crossovers
    60 70 80 90 100 (Movie) and 110 120 130 140 20 (Music: 20 is the old
    "no crossover" before version 14), group flags 1 0 1 0 0 / 0 1 0 1 0,
    room gain 1.5 / -2.5 dB, max EQ 16000 / 18000 Hz, RefLevelOffsetDb 3.25,
    MusicSubTrim -4, trims 1..8, RefLevel 75 (16 on), ExtraOption 1 (18 on),
    subwoofer 25 30 3 / 35 40 4 (17 on).
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def i32(v):
    return struct.pack('<i', v)


def u32(v):
    return struct.pack('<I', v)


def u16(v):
    return struct.pack('<H', v)


def f64(v):
    return struct.pack('<d', v)


def cstring16(text):
    units = text.encode('utf-16-le')
    n = len(units) // 2
    out = b'\xff' + u16(0xFFFE)
    if n < 0xFF:
        out += bytes([n])
    elif n < 0xFFFE:
        out += b'\xff' + u16(n)
    else:
        out += b'\xff' + u16(0xFFFF) + u32(n)
    return out + units


def cstring8(raw):
    assert len(raw) < 0xFF
    return bytes([len(raw)]) + raw


def dble(values):
    return i32(len(values)) + b''.join(f64(v) for v in values)


def curve(name_bytes, axis_kind=0, form=1, level=1.0):
    x = [20.0, 1000.0, 20000.0]
    a = [level, level / 2, level / 4]
    b = [0.0, 0.1, -0.1]
    return u16(axis_kind) + dble(x) + u16(form) + dble(a) + dble(b) + u16(0) + u32(0) + name_bytes


def curve_set(entries):
    """entries: list of (key, curve bytes), written in the given order."""
    return i32(len(entries)) + b''.join(i32(k) + c for k, c in entries)


CHANNEL = ['Left Front', 'Center', 'Right Front', 'Right Surround', 'Right Rear', 'Left Rear', 'Left Surround',
           'Subwoofer']


def named(key, eight_bit=False):
    if eight_bit:
        return cstring8(b'Caf\xe9 \x80')  # Windows-1252: "Cafe" with an acute e, a blank, the euro sign
    return cstring16(CHANNEL[key])


def curve_sets(version, eight_bit=False, long_name=False, bad_key=False, bad_form=False, nan=None):
    slot0 = curve_set([(0, curve(named(0, eight_bit), level=1.0)),
                       (9 if bad_key else 7, curve(named(7), level=2.0))])
    slot1 = curve_set([(1, curve(named(1), form=3 if bad_form else 1, level=3.0))])
    second = [(0, curve(named(0), level=5.0))]
    if nan == 'curve':
        # The front of no numbers beside a subwoofer: the level update after
        # the load of an older document would carry the NaN into a trim.
        second = [(0, curve(named(0), level=float('nan'))), (7, curve(named(7), level=5.0))]
    meas6 = i32(2) + curve_set([(0, curve(named(0), level=4.0))]) + curve_set(second)
    meas7 = i32(0)
    slot2 = curve_set([(0, curve(named(0), level=6.0))])
    slot3 = curve_set([])
    slot4 = curve_set([(2, curve(named(2), level=7.0))])
    slot5 = curve_set([(3, curve(cstring16('x' * 300), level=8.0))]) if long_name else curve_set([])
    return slot0 + slot1 + meas6 + meas7 + slot2 + slot3 + slot4 + slot5


def layout(kind):
    return {1: (5, 10), 2: (8, 10), 4: (8, 5)}[kind]


def stage(k, channel, pad, nan=False):
    flag = 1 if k % 2 == 0 else -1
    return (f64(float('nan') if nan else 0.01 * k) + f64(-0.02) + f64(0.25 + 0.001 * channel) + f64(0.125) + f64(-0.5) +
            struct.pack('<bB', flag, 1) + bytes([pad]) * 6)


def filter_block(version, kind, pad=0xAA, nan=None):
    slots, stages = layout(kind)
    out = b''
    for cfg in range(2):
        for slot in range(slots):
            for ch in range(8):
                out += i32(1000 * cfg + 100 * slot + ch + 1) + i32(1)
                if version == 1:
                    out += b'\x5a' * (52 * 10)
                elif version <= 10:
                    out += b'\x5a' * (32 * 10)
                else:
                    out += b''.join(stage(k, ch, pad, nan == 'stage' and (cfg, slot, ch, k) == (1, 2, 3, 4))
                                    for k in range(stages))
    return out


CROSSOVER = [[60, 70, 80, 90, 100], [110, 120, 130, 140, 20]]
FLAGS = [[1, 0, 1, 0, 0], [0, 1, 0, 1, 0]]
ROOM_GAIN = [1.5, -2.5]
MAX_EQ = [16000, 18000]
SUB = [[25, 30, 3], [35, 40, 4]]


def target_config(version, nan=None):
    out = i32(1) + i32(0)
    for cfg in range(2):
        if version <= 3:
            # int32 unused, five crossovers (15 meant full range), room gain,
            # int32 unused, max EQ frequency.
            out += i32(0) + b''.join(i32(c) for c in CROSSOVER[cfg])
        elif version <= 5:
            # five {code, crossover}: code 15 or 165 sets the group flag.
            out += b''.join(i32(15 if f else 0) + i32(c) for c, f in zip(CROSSOVER[cfg], FLAGS[cfg]))
        else:
            out += b''.join(i32(c) + i32(f) for c, f in zip(CROSSOVER[cfg], FLAGS[cfg]))
        out += f64(ROOM_GAIN[cfg]) + i32(1) + i32(MAX_EQ[cfg])
        if version >= 12:
            out += i32(0)
    out += f64(float('nan') if nan == 'reference' else 3.25) + i32(-4) + b''.join(i32(t) for t in range(1, 9))
    if version >= 16:
        out += i32(75)
    if version >= 18:
        out += i32(1)
    if version >= 17:
        out += b''.join(i32(v) for cfg in SUB for v in cfg)
    return out


def document(version, kind=1, slot_count=None, stored_kind=None, eight_bit=False, long_name=False,
             bad_key=False, bad_form=False, calibration_size=None, pad=0xAA, nan=None):
    """nan: 'curve' (a measured point), 'stage' (a coefficient) or 'reference'
    (the reference level) holds a NaN: a damaged document."""
    out = i32(version)
    if version >= 13:
        out += i32(kind if stored_kind is None else stored_kind)
    if version >= 2:
        out += i32(7) + i32(42)
    out += curve_sets(version, eight_bit, long_name, bad_key, bad_form, nan)
    if 10 <= version <= 12:
        out += i32(slot_count if slot_count is not None else layout(kind)[0])
    out += filter_block(version, kind, pad, nan)
    out += target_config(version, nan)
    if version >= 3:
        data = bytes(range(10))
        out += u32(len(data) if calibration_size is None else calibration_size) + data
    if version >= 8:
        out += i32(0)
    if version >= 15:
        out += i32(3)
    return out


FIXTURES = {
    'doc_v1.qex': document(1),
    'doc_v2.qex': document(2),
    'doc_v5.qex': document(5, eight_bit=True),
    'doc_v10_slots5.qex': document(10, kind=1, slot_count=5),
    'doc_v10_slots8.qex': document(10, kind=2, slot_count=8),
    'doc_v12.qex': document(12, kind=2),
    'doc_v13_kind3.qex': document(13, kind=1, stored_kind=3),
    'doc_v14_kind4.qex': document(14, kind=4),
    'doc_v17.qex': document(17, kind=2),
    'doc_v18.qex': document(18, kind=4),
    'doc_v20.qex': document(20, kind=1),
    'doc_v21.qex': document(21, kind=2, long_name=True, pad=0),
    'doc_v0.qex': document(0),
    'doc_v22.qex': i32(22) + document(21)[4:],
    'doc_bad_key.qex': document(21, kind=1, bad_key=True, pad=0),
    'doc_bad_form.qex': document(21, kind=1, bad_form=True, pad=0),
    # An older document (its levels are updated after the load) with a NaN
    # in a measurement, and current ones with a NaN coefficient and level.
    'doc_nan_curve.qex': document(14, kind=4, nan='curve'),
    'doc_nan_stage.qex': document(21, kind=2, nan='stage', pad=0),
    'doc_nan_reference.qex': document(21, kind=1, nan='reference', pad=0),
    'doc_huge_calibration.qex': document(21, kind=1, calibration_size=0xFFFFFFF0, pad=0),
}
FIXTURES['doc_truncated.qex'] = FIXTURES['doc_v21.qex'][:-7]
# A version 1 document whose target configuration (its last bytes) is
# overwritten with 0x5A: finite numbers no version can have written, the
# crossovers and trims 1515870810, the room gains and the reference level
# 1.78e127 dB.
FIXTURES['doc_v1_absurd.qex'] = FIXTURES['doc_v1.qex'][:-len(target_config(1))] + b'\x5a' * len(target_config(1))

if __name__ == '__main__':
    for name, data in FIXTURES.items():
        with open(os.path.join(HERE, name), 'wb') as f:
            f.write(data)
    print('wrote %d fixtures' % len(FIXTURES))
