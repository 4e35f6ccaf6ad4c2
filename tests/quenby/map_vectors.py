#!/usr/bin/env python3
"""Known answers for the coin table to image mapping: CC images with their window words, C120
output words, routing words and the checksum words after them.

Written from the layouts alone (not from the C++ code): a CC window word is high * 256 + low at
base + (c - 1) + stride * (p - 1); the word-protocol checksum keeps the byte sum of words 0..127
through word 127's high byte; the Sentinel's word 63 is 256 - (byte sum of words 0..62 mod 256);
the Sentinel routing check word 56 is ((256 - s) mod 256) * 256 with s the byte sum of words
53..58 taken with word 56 at 0. test_imagemap.cpp pastes what this prints.
Run: python3 tests/quenby/map_vectors.py
"""


def byte_sum(words):
    return sum((w & 0xFF) + ((w >> 8) & 0xFF) for w in words)


def keep_sum_127(read, prog):
    """Word 127's high byte lowered by every byte change of words 0..126."""
    high = (read[127] >> 8) & 0xFF
    for a in range(127):
        if prog[a] != read[a]:
            high -= ((prog[a] >> 8) & 0xFF) - ((read[a] >> 8) & 0xFF)
            high -= (prog[a] & 0xFF) - (read[a] & 0xFF)
    prog[127] = (high & 0xFF) * 256 + (read[127] & 0xFF)


def sentinel_63(prog):
    prog[63] = 256 - (byte_sum(prog[0:63]) & 0xFF)


def windows(prog, base, stride, channels, params, lo_hi):
    for c in range(1, channels + 1):
        for p in range(1, params + 1):
            lo, hi = lo_hi(c, p)
            prog[base + (c - 1) + stride * (p - 1)] = hi * 256 + lo


def show(name, prog, addresses):
    print(name + ": " + ", ".join("%d = 0x%04X" % (a, prog[a]) for a in addresses))


# ---- Sentinel: read word a = a * 0x0101, with 53 = 0x0507 and 57 = 0; windows lo 10c + p,
# hi 100 + 10c + p; route values 0x1234, 0x0056.
def sentinel(r0, r1, w53=0x0507):
    read = [(a * 0x0101) & 0xFFFF for a in range(64)]
    read[53] = w53
    read[57] = 0
    prog = list(read)
    windows(prog, 0, 8, 8, 3, lambda c, p: (10 * c + p, 100 + 10 * c + p))
    sentinel_63(prog)
    prog[54], prog[55] = r0, r1
    prog[53] = ((((read[53] >> 8) + 1) & 0xFF) << 8) | (read[53] & 0xFF)
    prog[58] = 0xD2D0
    prog[56] = 0
    s = byte_sum(prog[53:59]) & 0xFF
    prog[56] = ((256 - s) & 0xFF) * 256
    sentinel_63(prog)
    return prog


show("Sentinel routing", sentinel(0x1234, 0x0056), [53, 54, 55, 56, 57, 58, 63])
show("Sentinel routing, sum 0", sentinel(0x0058, 0x0000, 0x0500), [53, 56, 63])


# ---- 435: read word a = (a * 37 + 11) & 0xFFFF over 256 words; windows lo (7c + 3p) & 0x7F,
# hi lo + 100; routes r(i) = 0x0100 + 0x11 i (0..15), r16 = 1, r(17..20) = 0x1111 (i - 16),
# r21 = 3, r22 = 2.
def cc435(r21=3):
    read = [(a * 37 + 11) & 0xFFFF for a in range(256)]
    prog = list(read)
    windows(prog, 16, 16, 16, 5, lambda c, p: ((7 * c + 3 * p) & 0x7F, ((7 * c + 3 * p) & 0x7F) + 100))
    keep_sum_127(read, prog)
    r = [0x0100 + 0x11 * i for i in range(16)] + [1] + [0x1111 * (i - 16) for i in range(17, 21)] + [r21, 2]
    for i in range(16):
        prog[128 + i] = r[i]
    prog[11] = read[11] | 0x100 if r[16] != 0 else read[11] & ~0x100
    for i in range(17, 21):
        prog[110 + i - 17] = r[i]
    if r[21] <= 255:
        prog[228] = r[21] * 256 + 0x42
    prog[204] = r[22] * 256 + (read[204] & 0xFF)
    keep_sum_127(read, prog)
    return prog


show("435 routing", cc435(), [11, 110, 113, 127, 128, 143, 204, 228])
show("435 routing, 21 too wide", cc435(256), [127, 228])


# ---- C120: read word a = (a * 37 + 11) & 0xFFFF over 128 words; windows lo 5c + p, hi 150 + p;
# values None: no output record.
def c120(layout_m, values):
    read = [(a * 37 + 11) & 0xFFFF for a in range(128)]
    prog = list(read)
    if values is not None and layout_m:
        b = [v & 0xFF for v in values]
        for j in range(6):
            prog[109 + j] = b[2 * j] + b[2 * j + 1] * 256
    elif values is not None:
        b = [0 if v == 0 else 1 << (v - 1) for v in values]
        prog[82] = b[0] * 256
        for j in range(5):
            prog[83 + j] = b[2 * j + 1] + b[2 * j + 2] * 256
        prog[88] = b[11]
    windows(prog, 10, 12, 12, 3, lambda c, p: (5 * c + p, 150 + p))
    keep_sum_127(read, prog)
    return prog


show("C120 120N", c120(False, [1, 2, 3, 4, 5, 6, 0, 1, 2, 3, 4, 5]), list(range(82, 89)) + [127])
show("C120 120M", c120(True, [0x41, 0x12, -65535, 0x1FF, 0, 1, 2, 3, 4, 5, 6, 7]), list(range(109, 115)) + [127])
show("C120 no outputs", c120(False, None), [82, 88, 127])
