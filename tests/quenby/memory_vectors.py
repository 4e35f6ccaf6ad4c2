#!/usr/bin/env python3
"""Known answers for the memory wire formats, computed independently of the C++ code.

Prints the literals that test_ccwire.cpp and test_nriwire.cpp paste in.
Run: python3 tests/quenby/memory_vectors.py
"""


def hexbytes(bs):
    return " ".join("%02X" % b for b in bs)


def cc_read(a):
    a &= 0xFF
    return [0x7B, a, (0x7B + a) & 0xFF]


def cc_write(a, v):
    a &= 0xFF
    hi, lo = (v // 256) & 0xFF, v & 0xFF
    return [0x7A, a, hi, lo, (0x7A + a + hi + lo) & 0xFF]


def byte_sum(words):
    return sum((w // 256 & 0xFF) + (w & 0xFF) for w in words) & 0xFF


def word127(read, prog):
    """Word 127 such that the byte sum of words 0..127 equals the read image's."""
    target = byte_sum(read[:128])
    low = read[127] & 0xFF
    rest = byte_sum(prog[:127]) + low
    high = (target - rest) & 0xFF
    return high * 256 + low


def sentinel63(words):
    return 256 - byte_sum(words[:63])


print("cc read 0x1FF:", hexbytes(cc_read(0x1FF)))
print("cc write 0xFF 0xFFFF:", hexbytes(cc_write(0xFF, 0xFFFF)))

# The image the checksum tests use: word a = (a * 37 + 11) & 0xFFFF, word 127 = 0x5A33.
read = [(a * 37 + 11) & 0xFFFF for a in range(128)]
read[127] = 0x5A33
prog = list(read)
prog[5] = 0x0304
print("word 127, word 5 := 0x0304: 0x%04X" % word127(read, prog))
prog[20] = 0xFFFF
prog[100] = 0x0000
print("word 127, also 20 := 0xFFFF, 100 := 0: 0x%04X" % word127(read, prog))

# Sentinel image: word a = a * 0x0101 for a < 63.
sent = [a * 0x0101 for a in range(64)]
print("sentinel word 63: %d" % sentinel63(sent))


def hex2(v):
    return "%02X" % (v & 0xFF)


# New-model coin record, six parameters with (low, high) pairs; limits clamped to 0..255.
pairs = [(10, 30), (0, 255), (-4, 300), (16, 17), (1, 2), (200, 201)]
rec = "".join(hex2(max(0, min(255, h))) + hex2(max(0, min(255, l))) for l, h in pairs)
print("coin record:", rec)

# Record 10: multiplier 0x45 (low six bits 5), coin values 50, 5, 1275, 0 and the rest 0.
m = 0x45
vals = [50, 5, 1275, 0] + [0] * 8
print("record 10:", hex2(m) + "".join(hex2(v // (m & 63)) for v in vals))

# Record 12 for nriCoinValues 68, 1, 6, 7, 0, 192 + 3, rest 0.
def inhibit(v):
    line = v & 63
    return (v & 192) + ((1 << (line - 1)) if 1 <= line <= 6 else 0)


nv = [68, 1, 6, 7, 0, 195] + [0] * 6
print("record 12:", "".join(hex2(inhibit(v)) for v in nv))

