#!/usr/bin/env python3
"""Known answers for coin window learning, computed independently of the C++ code.

Readings come from a small linear congruential generator that test_learning.cpp repeats (it is
input, not an answer); everything else - scaling, one-sided statistics in 32-bit floats, the
level search, the limits, flier elimination and the 13 record bytes - is worked out here from
the rules of the coin bench and printed as C++ initialisers for the test to paste.
Run: python3 tests/ardwell/learning_vectors.py
"""
import math
import struct


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def clng(x):
    return int(round(x))  # Python rounds halves to even, as CLng does


def floor(x):
    return int(math.floor(x))


# ---- Readings: the generator the test repeats ----
class Lcg:
    def __init__(self, seed):
        self.s = seed & 0x7FFFFFFF

    def next(self, spread):
        self.s = (self.s * 1103515245 + 12345) & 0x7FFFFFFF
        return (self.s >> 8) % (2 * spread + 1) - spread


def readings(seed, means, spread_pct, count, fliers=()):
    """count rows of seven raw values about means, each within +-spread_pct[j] % of its mean
    (at least 1 unless the percentage is 0); rows listed in fliers carry value j scaled by
    factor %: (row, j, factor)."""
    g = Lcg(seed)
    rows = []
    for _ in range(count):
        row = []
        for m, pct in zip(means, spread_pct):
            spread = max(1, m * pct // 100) if pct > 0 else 0
            row.append(m + g.next(spread))
        rows.append(row)
    for row, j, factor_pct in fliers:
        rows[row][j] = rows[row][j] * factor_pct // 100
    return rows


# ---- Scaling, statistics, level search, limits ----
def scale(rows, model, discrim, level):
    level = min(max(level, 1), 7)
    out = []
    for r1, r2, r3, r4, r5, r6, r7 in rows:
        if model == "126":
            hft = clng(235 * (r1 + r2) / 512)
            hfd = clng(606 * r3 / 512)
        else:
            hft = clng((170 * r1 + 202 * r2) / 512)
            hfd = clng(7 * r3 / 8)
            if discrim == 2:
                hfd = clng(hfd * 0.93)
            if discrim == 3:
                hfd = clng(hfd * 0.88)
        lfa = clng(level * (r5 + r6 - r7) / 7)
        out.append([hft, hfd, r4, lfa])
    return out


def stats(scaled):
    n = len(scaled)
    res = []
    for k in range(4):
        xs = [s[k] for s in scaled]
        m = f32(sum(xs) / n)
        c = clng(m)
        lo, up = [], []
        for x in xs:
            mirror = 2.0 * m - x
            if x == c:
                up.append(x)
                lo.append(x)
            elif x < c:
                lo.extend([x, mirror])
            else:
                up.extend([x, mirror])

        def sd(vals):
            if not vals:
                var = 0.0
            else:
                s = q = 0.0
                for v in vals:
                    s += v
                    q += v * v
                var = (q - s * s / len(vals)) / len(vals)
            var = max(var, 0.0)
            v = f32(math.sqrt(var))
            return f32(0.1) if v < f32(0.1) else v

        res.append(dict(mean=m, sdl=sd(lo), sdu=sd(up), low=min(xs), high=max(xs), range=max(xs) - min(xs)))
    return res


def search_level(rows, model, discrim):
    levels = [4, 3, 2, 1] if model == "126" else [7, 4, 3, 2, 1]
    for level in levels:
        st = stats(scale(rows, model, discrim, level))
        if st[3]["range"] < 256:
            break
    return level, st


def limits(st, model, perf, coin):
    f = {"std": 3.0, "tight": 2.5}.get(perf, 2.0)
    lim = []
    m, sl, su = st[0]["mean"], st[0]["sdl"], st[0]["sdu"]
    lim += [floor(m - f * sl - 0.5 - 10), floor(m + f * su + 0.5 + 10 + 10 + 0.033 * m)]
    m, sl, su = st[1]["mean"], st[1]["sdl"], st[1]["sdu"]
    if model != "126":
        lim += [floor(m - f * sl - 0.5 - 10 - 0.033 * m), floor(m + f * su + 0.5 + 10)]
    elif coin == "bi":
        lim += [floor(m - 3.0 * sl - 0.5 - 10 + 0.033 * m), floor(m + 3.0 * su + 0.5 + 10 + 0.033 * m)]
    else:
        lim += [floor(m - f * sl - 0.5 - 10), floor(m + f * su + 0.5 + 10)]
    m, sl, su = st[2]["mean"], st[2]["sdl"], st[2]["sdu"]
    lim += [floor(m - f * sl - 0.5 - 4), floor(m + f * su + 0.5 + 4)]
    if coin == "std":
        m, sl, su = st[3]["mean"], st[3]["sdl"], st[3]["sdu"]
        lim += [floor(m - f * sl - 0.5 - 15), floor(m + f * su + 0.5 + 15)]
    else:
        lim += [st[3]["low"] - 5, st[3]["high"] + 5]
    return lim


# ---- Flier elimination ----
FLIERS_LIMIT = [15, 15, 10, 10, 20, 20, 20]


def fliers(rows, coin, coins_to_gather=0):
    """Returns (remaining rows, eliminated, coins to gather, more, flier lines)."""
    before = len(rows)
    rows = [list(r) for r in rows]
    lines = []

    def means_of(rs):
        return [sum(r[j] for r in rs) / len(rs) for j in range(7)]

    means = means_of(rows)
    eliminated = 0
    for p in (1, 2):
        i = 0
        while i < len(rows):
            n = len(rows)
            flier = False
            for j in range(7):
                x = rows[i][j]
                m = means[j] if n < 2 else (sum(r[j] for r in rows) - x) / (n - 1)
                t = FLIERS_LIMIT[j] * 1.5 / 100 if p == 1 else FLIERS_LIMIT[j] / 100
                ok = m * (1 - t) <= x <= m * (1 + t)
                if not ok and not (coin == "bi" and j >= 4):
                    flier = True
                    lines.append((p, i + 1, j + 1, list(rows[i]), list(means)))
            if flier:
                del rows[i]
                eliminated += 1
                if rows:
                    means = means_of(rows)
            else:
                i += 1
    more = False
    if eliminated > 0 and len(rows) < 10:
        coins_to_gather = min(10 - len(rows), eliminated)
        if len(rows) < 5:
            rows = []
            coins_to_gather = before
        coins_to_gather = max(coins_to_gather, 0)
        more = True
    return rows, eliminated, coins_to_gather, more, lines


# ---- The window record ----
def record(lim, means, level):
    low, width = [], []
    for k in range(4):
        lo, w = lim[2 * k], lim[2 * k + 1] - lim[2 * k]
        if w > 255:
            w, lo = 254, floor(means[k] - 127 - 0.5)
        low.append(lo)
        width.append(w)
    r = [0x44, 0x11 * level if 1 <= level <= 6 else 0x77, 0x10 * level if 1 <= level <= 6 else 0x70]
    mag = []
    for k in range(4):
        if low[k] < 0:
            r[2] += 8 >> k
        mag.append(min(abs(low[k]), 4095))
        width[k] = min(max(width[k], 0), 255)
    for q in (0, 1):
        a, b = 2 * q, 2 * q + 1
        r += [mag[a] // 16, (mag[a] & 15) * 16 + width[a] // 16, (width[a] & 15) * 16 + mag[b] // 256,
              mag[b] & 255, width[b]]
    return r


# ---- Output ----
def fmt_f(x):
    t = "%.9g" % x
    return t + ("f" if "." in t or "e" in t else ".0f")


def fmt_format(x):
    # Format(x, "#0.0 "): one decimal, rounded half away from zero on the decimal value.
    from decimal import Decimal, ROUND_HALF_UP
    return str(Decimal(repr(x)).quantize(Decimal("0.1"), rounding=ROUND_HALF_UP)) + " "


def vb_str(n):
    return (" " if n >= 0 else "") + str(n)


DISCRIM = {1: "DiscrimType::Type1", 2: "DiscrimType::Type2", 3: "DiscrimType::Type3", 4: "DiscrimType::Type4"}
PERF = {"std": "Performance::Standard", "tight": "Performance::Tight", "vtight": "Performance::VeryTight"}
COIN = {"std": "CoinType::Standard", "bi": "CoinType::BiMetallic", "bi2": "CoinType::BiMetallic2"}
MODEL = {"126": "Model::M126", "330": "Model::M330", "340": "Model::M340", "560": "Model::M560", "PCA": "Model::PCA"}

# name, seed, model, discrim, performance, coin type, means of the seven raw values, spread %,
# count, flier rows
CASES = [
    ("Equal126", 1, "126", 1, "std", "std", [1000, 1100, 800, 300, 400, 350, 150], [0] * 7, 20, []),
    ("Brass330", 11, "330", 1, "std", "std", [1210, 1330, 905, 412, 388, 356, 171], [2] * 7, 20, []),
    ("Nickel340Tight", 23, "340", 1, "tight", "std", [1525, 1610, 1180, 520, 455, 430, 215], [3] * 7, 25, []),
    ("Steel560Old", 37, "560", 2, "vtight", "std", [980, 1045, 760, 350, 300, 280, 120], [2] * 7, 15, []),
    ("CopperPcaOld2", 41, "PCA", 3, "std", "bi2", [1405, 1500, 1020, 450, 390, 360, 160], [2] * 7, 20, []),
    ("BiMetal126", 53, "126", 4, "vtight", "bi", [1700, 1800, 1350, 600, 520, 480, 250], [2, 2, 2, 2, 8, 8, 8], 20, []),
    ("Wide126Level3", 67, "126", 1, "std", "std", [1100, 1200, 870, 380, 1200, 1100, 500], [2, 2, 2, 2, 12, 12, 12], 20, []),
    ("Small330NegLow", 71, "330", 1, "tight", "std", [1300, 1400, 950, 430, 60, 50, 100], [3] * 7, 20, []),
]

FLIER_CASES = [
    # name, seed, coin type, means, spread %, count, flier rows (row, value index, factor %)
    ("Fliers20of3", 5, "std", [1210, 1330, 905, 412, 388, 356, 171], [2] * 7, 20, [(3, 0, 150), (9, 2, 60), (15, 3, 140)]),
    ("Fliers12of4", 6, "std", [1210, 1330, 905, 412, 388, 356, 171], [2] * 7, 12, [(0, 1, 160), (4, 1, 155), (7, 2, 50), (11, 3, 145)]),
    ("Fliers8of4", 7, "std", [1210, 1330, 905, 412, 388, 356, 171], [2] * 7, 8, [(1, 0, 140), (2, 0, 145), (5, 3, 60), (6, 2, 150)]),
    ("BiLfScatter", 8, "bi", [1700, 1800, 1350, 600, 520, 480, 250], [2] * 7, 20, [(2, 4, 150), (6, 5, 60), (10, 6, 170), (12, 0, 140)]),
]


def main():
    print("// ---- Learning runs ----")
    for name, seed, model, discrim, perf, coin, means, spread, count, fl in CASES:
        rows = readings(seed, means, spread, count, fl)
        rem, elim, _, _, _ = fliers(rows, coin)
        level, st = search_level(rem, model, discrim)
        lim = limits(st, model, perf, coin)
        rec = record(lim, [s["mean"] for s in st], level)
        print("{\"%s\", %d, %s, %s, %s, %s, {%s}, {%s}, %d, %d," % (
            name, seed, MODEL[model], DISCRIM[discrim], PERF[perf], COIN[coin], ", ".join(map(str, means)),
            ", ".join(map(str, spread)), count, sum(map(sum, rows))))
        print("  %d, %d, {%s}, {%s}, {%s}," % (elim, level, ", ".join(fmt_f(s["mean"]) for s in st),
                                           ", ".join(fmt_f(s["sdl"]) for s in st), ", ".join(fmt_f(s["sdu"]) for s in st)))
        print("  {%s}, {%s}, {%s}," % (", ".join(str(s["low"]) for s in st), ", ".join(str(s["high"]) for s in st),
                                       ", ".join(str(s["range"]) for s in st)))
        print("  {%s}, {%s}}," % (", ".join(map(str, lim)), ", ".join("0x%02X" % b for b in rec)))

    print("\n// ---- Flier elimination ----")
    for name, seed, coin, means, spread, count, fl in FLIER_CASES:
        rows = readings(seed, means, spread, count, fl)
        rem, elim, ctg, more, lines = fliers(rows, coin)
        print("{\"%s\", %d, %s, {%s}, {%s}, %d, {%s}, %d," % (
            name, seed, COIN[coin], ", ".join(map(str, means)), ", ".join(map(str, spread)), count,
            ", ".join("{%d, %d, %d}" % f for f in fl), sum(map(sum, rows))))
        p, row, j, vals, ms = lines[0]
        text = "Pass %d Eliminating (%s) - on parameter%s Reading %s Means %s" % (
            p, vb_str(row), vb_str(j), "".join(vb_str(v) for v in vals), "".join(fmt_format(m) for m in ms))
        print("  %d, %d, %d, %s, %d," % (len(rem), elim, ctg, "true" if more else "false", len(lines)))
        print("  \"\\\"%s\\\"\"}," % text)


if __name__ == "__main__":
    main()
