"""Reading calc_dump's output for the scipy checks of the calculation.

Importing this module ends the check as skipped (exit 77) when numpy or
scipy is missing.
"""
import subprocess
import sys

try:
    import numpy as np
    from scipy import signal
except ImportError:
    sys.exit(77)


def lines(command):
    """The lines calc_dump prints for `command` (its path and arguments)."""
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout.splitlines()


def signed24(g):
    """A 24-bit gain word as a signed number of 0.5 dB steps."""
    g &= 0xFFFFFF
    return g - 0x1000000 if g & 0x800000 else g


def response_db(sos, gain, f, rate):
    """dB of the chain `sos` (rows b0 b1 b2 1 a1 a2) with its gain word at f Hz."""
    _, h = signal.sosfreqz(np.asarray(sos, dtype=float), worN=np.asarray(f, dtype=float), fs=rate)
    return 20 * np.log10(np.abs(h)) + 0.5 * signed24(gain)
