#!/usr/bin/env python3
"""Known answers for the record statistics, the flier elimination and the acceptance estimate.

Written from the rules alone (not from the C++ code): single precision by rounding through
struct after every float operation, whole numbers rounded half to even by round(), shown
numbers written by decimal rounding half away from zero. test_samplestats.cpp, test_fliers.cpp
and test_estimate.cpp paste what this prints. Run: python3 tests/quenby/stats_vectors.py
"""
import math
import struct
from decimal import Decimal, ROUND_HALF_UP


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def show(x, decimals=1):
    """A number as the one-decimal patterns show it: 15 significant digits, then rounded."""
    d = Decimal("%.14e" % x).quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_UP)
    return str(d)


# ---------------------------------------------------------------- record statistics

def record_stats(readings, sources, offsets, slug=False, slug_offsets=None, cap=255, fifth_rule=False,
                 limits_in="double", stored=None):
    """readings: list of rows (one value per parameter). Returns means, sd lower, sd upper,
    lowest, highest (per parameter) and the limits 1..2P. stored: how means and deviations are
    kept (f32 as the rules say; the identity to show what double storage would give)."""
    S = stored or f32
    P = len(readings[0])
    n = len(readings)
    means, sdl, sdu, lows, highs = [], [], [], [], []
    for p in range(P):
        col = [r[p] for r in readings]
        m = S(sum(col) / n)
        r = round(m)
        up, lo = [], []
        for x in col:
            mirror = m + m - x
            if x > r:
                up += [x, mirror]
            elif x < r:
                lo += [x, mirror]
            else:
                up.append(x)
                lo.append(x)

        def sd(values):
            if not values:
                return S(0.1)
            c = len(values)
            s = sum(values)
            q = sum(v * v for v in values)
            v = S(math.sqrt(max((q - s * s / c) / c, 0.0)))
            return S(0.1) if v < S(0.1) else v

        means.append(m)
        sdl.append(sd(lo))
        sdu.append(sd(up))
        lows.append(min(col))
        highs.append(max(col))

    limits = []
    for L in range(2 * P):
        p = L // 2
        low = L % 2 == 0
        m, sL, sU = means[p], sdl[p], sdu[p]
        if limits_in == "float":
            F = f32
        else:
            def F(x):
                return x
        if slug:
            so = slug_offsets[p]
            v = F(F(m - F(3 * sL)) - 0.5 - so) if low else F(F(F(3 * sU) + m) + 0.5 + so)
            if fifth_rule and L == 8:
                v = 0
            if fifth_rule and L == 9:
                v = highs[4] + 10
        else:
            src, off = sources[L], offsets[L]
            k = {"3*SD": 3, "2*SD": 2}.get(src)
            if k:
                v = F(F(m - F(k * sL)) + off) if low else F(F(F(k * sU) + m) + off)
            elif src == "Mean":
                v = m + off
            elif src == "Low":
                v = lows[p] + off
            elif src == "High":
                v = highs[p] + off
            elif src == "Fixed":
                v = off
            else:
                v = 0
        v = max(v, 0)
        v = min(round(v), cap)
        limits.append(v)
    return means, sdl, sdu, lows, highs, limits


def print_record(title, readings, sources, offsets, **kw):
    means, sdl, sdu, lows, highs, limits = record_stats(readings, sources, offsets, **kw)
    print("// %s" % title)
    print("//   means %s" % ", ".join("%.9g" % m for m in means))
    print("//   sd lower %s" % ", ".join("%.9g" % s for s in sdl))
    print("//   sd upper %s" % ", ".join("%.9g" % s for s in sdu))
    print("//   shown: means %s  sd %s" % (
        ", ".join(show(m) for m in means),
        ", ".join(show(a) + "/" + show(b) for a, b in zip(sdl, sdu))))
    print("//   lowest %s highest %s" % (lows, highs))
    print("//   limits %s" % limits)


print("==== statistics")
r812 = [812, 815, 809, 811, 818, 805, 812, 814, 810, 813]
print_record("one parameter 812.., 3*SD, Mars", [[x] for x in r812], ["3*SD", "3*SD"], [0, 0], cap=4095)
print_record("2*SD low, limits in double", [[x] for x in [108, 103, 103, 110, 111, 106]], ["2*SD", "2*SD"], [0, 0])
print_record("2*SD low, limits in float (not used)", [[x] for x in [108, 103, 103, 110, 111, 106]],
             ["2*SD", "2*SD"], [0, 0], limits_in="float")
print_record("2*SD, stored as float", [[x] for x in [599, 607, 603, 610, 604, 608]], ["2*SD", "2*SD"], [0, 0],
             cap=4095)
print_record("2*SD, all in double (not used)", [[x] for x in [599, 607, 603, 610, 604, 608]], ["2*SD", "2*SD"],
             [0, 0], cap=4095, stored=lambda v: v)
print_record("2*SD high, limits in double", [[x] for x in [167, 171, 167, 170, 170, 170]], ["2*SD", "2*SD"], [0, 0])
print_record("2*SD high, limits in float (not used)", [[x] for x in [167, 171, 167, 170, 170, 170]],
             ["2*SD", "2*SD"], [0, 0], limits_in="float")
print_record("100 and 101", [[100], [101]], ["3*SD", "3*SD"], [0, 0])
print_record("three parameters, every source",
             [[812, 640, 1204], [815, 633, 1199], [809, 641, 1210], [811, 629, 1201]],
             ["Low", "High", "Mean", "Fixed", "3*SD", "2*SD"], [-5, 7, -300, 950, 2, -3], cap=4095)
print_record("slug on a 435, five parameters",
             [[120, 80, 60, 200, 30], [124, 82, 61, 205, 33], [118, 79, 64, 199, 31]],
             None, None, slug=True, slug_offsets=[2, 0, 1, 3, 5], fifth_rule=True)
print_record("slug elsewhere, five parameters",
             [[120, 80, 60, 200, 30], [124, 82, 61, 205, 33], [118, 79, 64, 199, 31]],
             None, None, slug=True, slug_offsets=[2, 0, 1, 3, 5])


# ---------------------------------------------------------------- fliers

def fliers(readings, tol):
    """Two passes; returns (kept rows, F, log lines)."""
    P = len(readings[0])
    rows = [None] + [list(r) for r in readings]
    K = len(readings)

    def col_means():
        out = []
        for p in range(P):
            if K < 2:
                out.append(f32(rows[1][p]))
                continue
            s = f32(0)
            for j in range(1, K + 1):
                s = f32(s + rows[j][p])
            out.append(f32(s / K))
        return out

    means = col_means()
    F = 0
    log = []
    for pas in (1, 2):
        i = 1
        while i <= K:
            flier = False
            for p in range(P):
                if K < 2:
                    m = means[p]
                else:
                    s = f32(0)
                    for j in range(1, K + 1):
                        if j != i:
                            s = f32(s + rows[j][p])
                    m = f32(s / (K - 1))
                band = 1.5 * tol[p] / 100
                hi = f32(m * (1 + band))
                lo = f32(m * (1 - band))
                x = rows[i][p]
                if x > hi or x < lo:
                    flier = True
                    line = "Pass %d Eliminating ( %d) - on parameter %d Reading " % (pas, i, p + 1)
                    line += "".join(" %d" % rows[i][q] for q in range(P))
                    line += " Means " + "".join(show(means[q]) + " " for q in range(P))
                    log.append(line)
            if flier:
                del rows[i]
                rows.append(None)
                K -= 1
                F += 1
                means = col_means() if K >= 1 else means
            else:
                i += 1
    return [rows[j] for j in range(1, K + 1)], F, log


print("==== fliers")
for top in (115, 116):
    kept, F, log = fliers([[100]] * 9 + [[top]], [10])
    print("// nine 100 and %d, t = 10: F = %d, kept %d" % (top, F, len(kept)))
kept, F, log = fliers([[117, 640, 1204]] + [[100, 640, 1204]] * 9 + [[250, 640, 1204]], [10, 10, 10])
print("// 117, nine 100, 250 (parameters 2, 3 constant): F = %d, K = %d" % (F, len(kept)))
for line in log:
    print('"%s"' % line)
print("// pass 1 band for a mean of 100 and t = 10: %.17g .. %.17g" % (f32(100 * (1 + 1.5 * 10 / 100)),
                                                                    f32(100 * (1 - 1.5 * 10 / 100))))


# ---------------------------------------------------------------- estimate

T = [0.5, 0.5398, 0.5793, 0.6179, 0.6554, 0.6915, 0.7257, 0.758, 0.7881, 0.8159,
     0.8413, 0.8643, 0.8849, 0.9032, 0.9192, 0.9332, 0.9452, 0.9554, 0.9641, 0.9713,
     0.9772, 0.9821, 0.9861, 0.9893, 0.9918, 0.9938, 0.9953, 0.9965, 0.9974, 0.9981]
T = [f32(t) for t in T]


def table(i):
    return T[min(max(i, 0), 29)]


def cdf(z):
    z = f32(z)
    neg = z < 0
    a = abs(z)
    if a > f32(2.9):
        if a > 3.0:
            return f32(0.0) if neg else f32(1.0)
        a = f32(2.9)
    x = f32(10 * a)
    i = math.floor(x)
    f = f32(x - i)
    p = f32(table(i) + f32(f32(table(i + 1) - table(i)) * f))
    return f32(1 - p) if neg else p


def clamp01(x):
    return min(max(x, 0.0), 1.0)


def coin_factor(mean, sdl, sdu, lo, hi, cap=255, open_top=True):
    mean, sdl, sdu = f32(mean), f32(max(f32(sdl), f32(0.1))), f32(max(f32(sdu), f32(0.1)))
    if open_top and hi == cap:
        hi = round(f32(f32(f32(4 * sdu) + hi) + 10))
    z = lambda lim, sd: f32(f32(lim - mean) / sd)
    if mean <= 0 and lo <= 0:
        P = cdf(z(hi, sdu))
    elif lo <= mean:
        lower = cdf(z(lo, sdl))
        upper = cdf(z(hi, sdl)) if hi < mean else cdf(z(hi, sdu))
        P = f32(upper - lower)
    else:
        P = f32(cdf(z(hi, sdu)) - cdf(z(lo, sdu)))
    return clamp01(P)


def slug_factor(mean, sdl, sdu, lo, hi):
    mean, sdl, sdu = f32(mean), f32(max(f32(sdl), f32(0.1))), f32(max(f32(sdu), f32(0.1)))
    z = lambda lim, sd: f32(f32(lim - mean) / sd)
    if lo < mean:
        lower = cdf(z(lo, sdl))
        upper = cdf(z(hi, sdl)) if hi < mean else cdf(z(hi, sdu))
    else:
        lower = cdf(z(lo, sdu))
        upper = cdf(z(hi, sdu))
    return clamp01(f32(upper - lower))


print("==== estimate")
for zz in (0, 1.25, -3.5, 3.0, -3.0, 2.95, -0.05, 1.0):
    print("// normalCdf(%g) = %.9g" % (zz, cdf(zz)))
print("// open top of 255 with upper SD 0.875: %d" % round(f32(f32(f32(4 * f32(0.875)) + 255) + 10)))

a = coin_factor(100, 2, 2, 97, 104)
print("// mean 100, SDs 2, window 97..104: %.9g -> %s" % (a, show(f32(100 * a))))
a = coin_factor(254, 2, 2, 250, 255)
b = coin_factor(254, 2, 2, 250, 255, open_top=False)
print("// CC mean 254, window 250..255: %s (no open top %s)" % (show(f32(100 * a)), show(f32(100 * b))))
a = coin_factor(4094, 1.5, 3, 4088, 4095, cap=4095)
print("// Mars mean 4094, SDs 1.5/3, window 4088..4095: %.9g -> %s" % (a, show(f32(100 * a))))
s = slug_factor(106, 2, 2, 97, 104)
print("// slug mean 106, SD 2, window 97..104: accepted %.9g, rejection %s" % (s, show(f32(100 * clamp01(f32(1 - s))))))
a = coin_factor(100, 2, 2, 104, 97)
print("// inverted window 104..97: %.9g" % a)
# Two records on one channel, three parameters, mixed windows.
recs = [((100, 2, 3), (50, 1, 1), (200, 4, 2)), ((103, 1.5, 2.5), (52, 0.05, 1.2), (198, 2, 2))]
win = [(96, 107), (48, 54), (193, 206)]
total = f32(0)
for rec in recs:
    prod = f32(1)
    for (m, l, u), (lo, hi) in zip(rec, win):
        prod = f32(prod * coin_factor(m, l, u, lo, hi))
    total = f32(total + prod)
acc = clamp01(f32(total / 2))
print("// two records, three parameters: %.9g -> %s" % (acc, show(f32(100 * acc))))
# Slug against two coins of a page.
coins = [[(96, 107), (48, 54), (193, 206)], [(108, 118), (40, 47), (150, 170)]]
slug = ((110, 3, 3), (47, 2, 2), (180, 10, 10))
acc = f32(0)
for cw in coins:
    prod = f32(1)
    for (m, l, u), (lo, hi) in zip(slug, cw):
        prod = f32(prod * slug_factor(m, l, u, lo, hi))
    acc = clamp01(f32(acc + prod))
print("// slug against two coins: rejection %s" % show(f32(100 * clamp01(f32(1 - acc)))))
