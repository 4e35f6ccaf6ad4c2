#!/usr/bin/env python3
"""Known answers for the adjust panel's window steps, worked out apart from the C++ code: a
coin's window widened by "Loosen" to a percentage, each width taken down to 254 (about the old
window's middle) when it would pass its byte, and the record bytes R3..R12 that then hold it.
Run: python3 tests/ardwell/adjust_vectors.py
"""
import math


def loosened(low, width, percent):
    new = math.floor(width * percent / 100)
    if new > 255:
        new = max(254, width)
    # The low limit moves down by the larger half of the growth (up by it when narrowing).
    return low - math.floor((new - width) / 2), new


def record_tail(lows, widths):
    r = []
    for q in (0, 1):
        a, b = 2 * q, 2 * q + 1
        r += [lows[a] // 16, (lows[a] & 15) * 16 + widths[a] // 16, (widths[a] & 15) * 16 + lows[b] // 256,
              lows[b] & 255, widths[b]]
    return r


# Channel 1 of a 330: lows and widths as the mech holds them, loosened five times (110 %).
LOWS, WIDTHS, PERCENT = [500, 600, 700, 300], [254, 250, 255, 100], 110
win = [loosened(l, w, PERCENT) for l, w in zip(LOWS, WIDTHS)]
for (l, w), (l0, w0) in zip(win, zip(LOWS, WIDTHS)):
    assert l <= l0 and l + w >= l0 + w0, "a loosened window holds the old one"
print("windows", win)
print("R3..R12", ", ".join(str(b) for b in record_tail([l for l, _ in win], [w for _, w in win])))
