#!/usr/bin/env python3
"""Known answers for whole clones: the memory a mech holds after a sample coin set was run with
the readings the tests drop, transferred and programmed.

Written from the rules alone (not from the C++ code): the statistics, limits and fliers of
stats_vectors.py, the coin set records as the sample files give them, the Mars PROM layout (a
window as three nibbles, low first, at 1 + 36 (p - 1) + 6 (k - 1) of its segment, the high limit
3 further; word 0 of a segment 15; the reference code from 112 and the version from 122 as high,
low nibble pairs), the CC window words (high byte the high limit) at base + (c - 1) + stride (p - 1)
and the 435 route words, the NRI coin limit records. test_clone*.cpp paste what this prints.
Run: python3 tests/quenby/clone_vectors.py
"""
import contextlib
import io
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
with contextlib.redirect_stdout(io.StringIO()):
    import stats_vectors as sv

f32 = sv.f32
WOBBLE = [0, 3, -2, 5, -4, 1, -1, 2, -3, 4, -5]


def around(base, n, start=0):
    """Reading i of a record: each parameter's base plus a small wobble (the tests' own rule)."""
    return [[b + WOBBLE[(3 * i + 5 * p) % 11] for p, b in enumerate(base)] for i in range(start, start + n)]


SOURCES = {"3": "3*SD", "2": "2*SD", "M": "Mean", "L": "Low", "H": "High", "F": "Fixed"}


def recipe(fields):
    """CD limit fields (5 per parameter) -> sources, offsets, tolerances."""
    src, off, tol = [], [], []
    for p in range(len(fields) // 5):
        lo_s, lo_v, hi_s, hi_v, t = fields[5 * p:5 * p + 5]
        src += [SOURCES[lo_s], SOURCES[hi_s]]
        off += [int(lo_v), int(hi_v)]
        tol.append(int(t))
    return src, off, tol


def gather(readings, tol, redrop=None):
    """The readings a record keeps: the fliers eliminated; when fewer than 10 are left the user
    accepts and the redrop readings join the kept ones, which are looked at again."""
    kept, F, _ = sv.fliers(readings, tol)
    if F == 0:
        return readings
    if len(kept) >= 10:
        return kept
    return gather(kept + redrop, tol)


def coin_limits(readings, fields, cap, redrop=None):
    src, off, tol = recipe(fields)
    final = gather(readings, tol, redrop)
    return sv.record_stats(final, src, off, cap=cap)


def nibbles_of_segment(table, s, ref, version):
    """128 nibbles of Mars segment s from channel windows table[c] = [lo1, hi1, lo2, hi2, lo3, hi3]."""
    img = [0] * 128
    img[0] = 15
    offsets = [1, 4, 37, 40, 73, 76]
    for k in range(1, 7):
        w = table.get(6 * s + k, [0] * 6)
        for m in range(6):
            v = w[m]
            a = 6 * (k - 1) + offsets[m]
            img[a], img[a + 1], img[a + 2] = v % 16, (v // 16) % 16, (v // 256) % 16
    img[111] = 0
    for i, ch in enumerate(ref[:5].encode("cp1252")):
        img[112 + 2 * i], img[113 + 2 * i] = ch // 16, ch % 16
    for i, ch in enumerate(version[:3].encode("cp1252")):
        img[122 + 2 * i], img[123 + 2 * i] = ch // 16, ch % 16
    return img


def typical_mars_window(c):
    """The windows the simulated mech's own PROM holds for channel c (the old PROM of a copy)."""
    out = []
    for centre in (800 + 37 * c, 1400 + 53 * c, 1900 + 71 * c):
        half = centre // 25
        out += [centre - half, centre + half]
    return out


def show_nibbles(name, img):
    print("// %s" % name)
    for i in range(0, len(img), 64):
        print('"%s"' % "".join("%X" % n for n in img[i:i + 64]))


# ------------------------------------------------------------------ Mars ME111, sample set ME111.cst
print("==== Mars ME111: ME111.cst")
ME111 = [  # channel, base readings, count, limit fields (the CD records of the set)
    (1, [900, 1500, 2000], 15, "L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20"),
    (2, [950, 1550, 2100], 15, "L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20"),
    (3, [1000, 1600, 2200], 12, "3,0,3,0,10,2,-2,2,2,15,M,-12,M,12,20"),
    (4, [1050, 1650, 2300], 12, "3,0,3,0,15,2,-2,2,2,20,M,-12,M,12,25"),
]
table = {}
for c, base, n, fields in ME111:
    table[c] = coin_limits(around(base, n), fields.split(","), 4095)[5]
# R01: 12 readings around 1100, 1700, 2400; CR on E1 (channel 5): offsets -30/30, -40/40, -50/50.
ref_means = sv.record_stats(around([1100, 1700, 2400], 12), ["Mean"] * 6, [0] * 6, cap=4095)[0]
table[5] = []
for p, (lo, hi) in enumerate([(-30, 30), (-40, 40), (-50, 50)]):
    table[5] += [math.floor(f32(ref_means[p]) + 0.5 + lo), math.floor(f32(ref_means[p]) + 0.5 + hi)]
# F1 (channel 6): ten readings, the fifth a flier on parameter 1 (its base x 1.3), one redropped.
f1 = around([1150, 1750, 2500], 10)
f1[4][0] = 1150 * 13 // 10
table[6] = coin_limits(f1, "M,-12,M,12,10,L,-3,H,3,15,3,0,3,0,20".split(","), 4095,
                       redrop=around([1150, 1750, 2500], 1, start=10))[5]
table[7] = typical_mars_window(7)  # CO A2 <- A2: kept from the old PROM
table[8] = coin_limits(around([1200, 1800, 2600], 15), "L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20".split(","), 4095)[5]
table[9] = coin_limits(around([1250, 1850, 2700], 15), "F,1100,F,1180,10,3,0,3,0,15,2,-2,2,2,20".split(","),
                       4095)[5]
slug = sv.record_stats(around([600, 900, 1200], 10), None, None, slug=True, slug_offsets=[5, 6, 7], cap=4095)[5]
for c in sorted(table):
    print("// channel %d: %s" % (c, table[c]))
print("// slug: %s" % slug)
seg0 = nibbles_of_segment(table, 0, "GB050", "A12")
seg1 = nibbles_of_segment(table, 1, "GB050", "A12")
show_nibbles("PROM words 0..255 (256..511 stay blank)", seg0 + seg1)


def logged(x):
    """A single-precision value in the log: seven significant digits, no trailing zeros."""
    t = "%.7g" % f32(x)
    if "." in t:
        t = t.rstrip("0").rstrip(".")
    return t


def log_record(description, name, names, readings, stats):
    means, sdl, sdu, _, _, limits = stats
    rows = ['"%s","%s"' % (description, name),
            '""' + "".join(',"%s",""' % n for n in names) + ',""']
    for r in readings:
        rows.append('""' + "".join(',%d,""' % v for v in r) + ',""')
    for title, values in (("Mean", means), ("SD Lower", sdl), ("SD Upper", sdu)):
        rows.append('"%s"' % title + "".join(',%s,"","",""' % logged(v) for v in values) + ',""')
    rows.append('"Limits : "' + "".join(',%d,""' % v for v in limits) + ',""')
    rows.append('""')
    return rows


five_p = around([900, 1500, 2000], 15)
rows = ['"UK Sterling \\xA32 set","GB050","A12"', '"2K",1,1,0,0', '""', '"Idles",512,1024,2048']
src, off, _ = recipe("L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20".split(","))
rows += log_record("5p", "A1", ["Thickness", "Diameter", "Material"], five_p,
                   sv.record_stats(five_p, src, off, cap=4095))
print("// the log up to the first record's end (cp1252, CR LF)")
for r in rows:
    print('"%s\\r\\n"' % r.replace('"', '\\"'))


# ------------------------------------------------------------------ CC 435, sample set 435.cst
def cc_set(path_fields, cap=255):
    """CD records of a set: (channel, count, limit fields)."""
    return path_fields


print("==== CC 435: 435.cst")
C435 = [  # channel, count, limit fields
    (1, 10, "M,-12,M,12,10,L,-3,H,3,15,3,0,3,0,20,2,-2,2,2,10,M,-12,M,12,15"),
    (2, 11, "L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20,M,-12,M,12,10,L,-3,H,3,15"),
    (3, 12, "3,0,3,0,10,2,-2,2,2,15,M,-12,M,12,20,L,-3,H,3,10,3,0,3,0,15"),
    (4, 13, "2,-2,2,2,10,M,-12,M,12,15,L,-3,H,3,20,3,0,3,0,10,2,-2,2,2,15"),
    (5, 14, "M,-12,M,12,10,L,-3,H,3,15,3,0,3,0,20,2,-2,2,2,10,M,-12,M,12,15"),
    (6, 15, "L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20,M,-12,M,12,10,L,-3,H,3,15"),
    (7, 16, "3,0,3,0,10,2,-2,2,2,15,M,-12,M,12,20,L,-3,H,3,10,3,0,3,0,15"),
    (8, 17, "2,-2,2,2,10,M,-12,M,12,15,L,-3,H,3,20,3,0,3,0,10,2,-2,2,2,15"),
]


def cc_base(c):
    return [60 + 10 * c, 80 + 8 * c, 100 + 6 * c, 120 + 4 * c, 40 + 5 * c]


words = {}
for c, n, fields in C435:
    readings = around(cc_base(c), n)
    redrop = None
    if c == 1:  # the fourth coin of the first record is a flier on parameter 2; one is dropped again
        readings[3][1] = cc_base(1)[1] * 13 // 10
        redrop = around(cc_base(1), 1, start=n)
    lim = coin_limits(readings, fields.split(","), 255, redrop)[5]
    for p in range(5):
        words[16 + (c - 1) + 16 * p] = lim[2 * p + 1] * 256 + lim[2 * p]
print("// window words 16 + (c - 1) + 16 (p - 1): address = value")
for a in sorted(words):
    print("{%d, %d}," % (a, words[a]))
r = [12816, 17185, 21554, 25923, 30292, 1893, 4214, 8455, 12816, 17185, 21554, 25923, 30292, 1893, 4214, 8455, 1,
     12816, 30292, 47768, 65244, 3, 2]
print("// route words 128..143 %s; 110..113 %s; high byte of 228 %d (low 0x42), of 204 %d; bit 8 of 11 %s"
      % (r[0:16], r[17:21], r[21], r[22], "set" if r[16] else "clear"))


# ------------------------------------------------------------------ CC C120, sample set C120.cst
print("==== CC C120: C120.cst")
C120 = [(1, 10, "M,-12,M,12,10,L,-3,H,3,15,3,0,3,0,20"), (2, 11, "L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20"),
        (3, 12, "3,0,3,0,10,2,-2,2,2,15,M,-12,M,12,20"), (4, 13, "2,-2,2,2,10,M,-12,M,12,15,L,-3,H,3,20"),
        (5, 14, "M,-12,M,12,10,L,-3,H,3,15,3,0,3,0,20"), (6, 15, "L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20")]
words = {}
for c, n, fields in C120:
    lim = coin_limits(around(cc_base(c)[:3], n), fields.split(","), 255)[5]
    for p in range(3):
        words[10 + (c - 1) + 12 * p] = lim[2 * p + 1] * 256 + lim[2 * p]
outputs = [1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6]
for j in range(6):
    words[109 + j] = outputs[2 * j] + outputs[2 * j + 1] * 256
for a in sorted(words):
    print("{%d, %d}," % (a, words[a]))


# ------------------------------------------------------------------ NRI G13-6000, sample set G13-6000.cst
def hex2(v):
    return "%02X" % (v & 0xFF)


print("==== NRI G13-6000: G13-6000.cst")
G13 = [(1, 10, "M,-12,M,12,10,L,-3,H,3,15,3,0,3,0,20,2,-2,2,2,10,M,-12,M,12,15,L,-3,H,3,20"),
       (2, 11, "L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20,M,-12,M,12,10,L,-3,H,3,15,3,0,3,0,20"),
       (3, 12, "3,0,3,0,10,2,-2,2,2,15,M,-12,M,12,20,L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20"),
       (4, 13, "2,-2,2,2,10,M,-12,M,12,15,L,-3,H,3,20,3,0,3,0,10,2,-2,2,2,15,M,-12,M,12,20"),
       (5, 14, "M,-12,M,12,10,L,-3,H,3,15,3,0,3,0,20,2,-2,2,2,10,M,-12,M,12,15,L,-3,H,3,20"),
       (6, 15, "L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20,M,-12,M,12,10,L,-3,H,3,15,3,0,3,0,20")]


def nri_base(c):
    return [60 + 10 * c, 80 + 8 * c, 100 + 6 * c, 120 + 4 * c, 140 + 5 * c, 160 + 3 * c]


records = {}
for c, n, fields in G13:
    lim = coin_limits(around(nri_base(c), n), fields.split(","), 255)[5]
    records[2 + c] = "".join(hex2(lim[2 * p + 1]) + hex2(lim[2 * p]) for p in range(6))
for c in range(7, 13):
    records[2 + c] = "00" * 12
records[2] = hex2(7) + hex2(12) + hex2(2026 - 2000)
P = ("4444444444442002002002001221221221223113113113110330330330335A75A75A75A7"
     "1112131415161718191A1B1C123D5612S456")
params = [[int(P[p * 12 + c], 16) for p in range(6)] for c in range(12)]
outputs = [int(P[72 + 2 * i:74 + 2 * i], 16) for i in range(12)]
inhibits = [(ord(ch) & 15) + 64 * (((ord(ch) // 16) - 3) & 3) for ch in P[96:108]]
records[0x0F] = "".join(hex2(o) for o in outputs)
values = [5, 10, 20, 50, 100, 200, 25, 40, 0, 0, 0, 0]
multiple = 5
records[0x10] = hex2(multiple) + "".join(hex2(v // (multiple & 63)) for v in values)


def inhibit_byte(v):
    line = v & 63
    return (v & 192) + ((1 << (line - 1)) if 1 <= line <= 6 else 0)


records[0x12] = "".join(hex2(inhibit_byte(v)) for v in inhibits)
records[0x13] = "".join("".join("%X" % (params[c][p] & 15) for p in range(6)) for c in range(12))
records[0x19] = "".join(hex2(v) for v in [30, 40, 50, 60])
for r in sorted(records):
    print('{0x%02X, "%s"},' % (r, records[r]))


# ------------------------------------------------------------------ NRI G13-0000, sample set G13-0000.cst
print("==== NRI G13-0000: G13-0000.cst")
G13OLD = [(1, 10, "M,-12,M,12,10,L,-3,H,3,15,3,0,3,0,20,2,-2,2,2,10"),
          (2, 11, "L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20,M,-12,M,12,10"),
          (3, 12, "3,0,3,0,10,2,-2,2,2,15,M,-12,M,12,20,L,-3,H,3,10"),
          (4, 13, "2,-2,2,2,10,M,-12,M,12,15,L,-3,H,3,20,3,0,3,0,10"),
          (5, 14, "M,-12,M,12,10,L,-3,H,3,15,3,0,3,0,20,2,-2,2,2,10"),
          (6, 15, "L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20,M,-12,M,12,10")]
for c, n, fields in G13OLD:
    lim = coin_limits(around(nri_base(c)[:4], n), fields.split(","), 255)[5]
    print('// "D" coin %d: "%d%s\\r%s\\r"' % (c, c, "".join("%03d" % lim[2 * p + 1] for p in range(4)),
                                           "".join("%03d" % lim[2 * p] for p in range(4))))
print('// "B": "%03d%s\\r"' % (5, "".join("%03d" % v for v in [0, 200, 100, 40, 20, 10])))
print('// "E": "07/12/26\\r"')


# ------------------------------------------------------------------ Mars ME181, sample set ME181.cst
print("==== Mars ME181: ME181.cst")
ME181 = [(1, 10, "M,-12,M,12,10,L,-3,H,3,15,3,0,3,0,20"), (2, 11, "L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20"),
         (3, 12, "3,0,3,0,10,2,-2,2,2,15,M,-12,M,12,20"), (4, 13, "2,-2,2,2,10,M,-12,M,12,15,L,-3,H,3,20"),
         (5, 14, "M,-12,M,12,10,L,-3,H,3,15,3,0,3,0,20"), (6, 15, "L,-3,H,3,10,3,0,3,0,15,2,-2,2,2,20"),
         (7, 16, "3,0,3,0,10,2,-2,2,2,15,M,-12,M,12,20"), (8, 17, "2,-2,2,2,10,M,-12,M,12,15,L,-3,H,3,20")]


def mars_base(c):
    return [900 + 50 * c, 1500 + 40 * c, 2000 + 60 * c]


table = {c: coin_limits(around(mars_base(c), n), f.split(","), 4095)[5] for c, n, f in ME181}
img = [0] * 512
img[0] = img[256] = 15
img[128:256] = nibbles_of_segment(table, 0, "EU181", "B01")
img[384:512] = nibbles_of_segment(table, 1, "EU181", "B01")
values = [5, 10, 20, 50, 100, 200, 1, 2, 0, 0, 0, 0]
for c, word in enumerate([64, 32, 16, 8, 4, 2, 320, 288, 272, 264, 260, 258]):
    img[word], img[word + 1] = values[c] % 16, values[c] // 16
show_nibbles("ME181 PROM words 0..511", img)
