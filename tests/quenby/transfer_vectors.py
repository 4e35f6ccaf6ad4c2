#!/usr/bin/env python3
"""Known answers for the transfer's reference-derived windows and the log's single-precision numbers.

Written from the rules alone (not from the C++ code): a reference mean is kept in single
precision (rounded through struct), the limit is Int(mean + 0.5 + offset) computed in double and
rounded towards minus infinity; a single-precision value is logged with its 7 significant digits.
test_channelmap.cpp and test_measurelog.cpp paste what this prints.
Run: python3 tests/quenby/transfer_vectors.py
"""
import math
import struct


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def reference_limit(mean, offset):
    return math.floor(f32(mean) + 0.5 + offset)


def logged(x):
    """Seven significant digits, no trailing zeros, a 0 before a bare decimal point."""
    t = "%.7g" % f32(x)
    if "e" in t:
        raise ValueError(t)
    if "." in t:
        t = t.rstrip("0").rstrip(".")
    return t


print("# reference limits: mean, offset -> limit")
for mean, offset in [(100.4, -8), (100.5, 8), (250.7, -10), (250.7, 12), (99.5, 0), (0.3, -5),
                     (4090.6, 10), (17.49999, 0), (1234.55, -3)]:
    print(f"{{{mean}f, {offset}, {reference_limit(mean, offset)}}},")

print("# logged single-precision values")
for x in [805.2381, 630.0, 1199.5, 100.4, 0.1, 1.0 / 3.0, 2.0 / 3.0, 12345.678, 0.47140452]:
    print(f"{{{x!r}f, \"{logged(x)}\"}},")
