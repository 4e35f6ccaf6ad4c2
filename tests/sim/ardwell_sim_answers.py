#!/usr/bin/env python3
"""Known answers for the simulated second mech's self-tests (test_ardwellcoins.cpp,
test_ardwellmodes.cpp), worked out apart from the simulator: frame bytes of the mech's
events and the scaled window parameters of a coin."""


def frame(*b):
    b = list(b)
    b.append((-sum(b)) & 0xFF)
    return "".join("%02X" % x for x in b)


def coin_frames(dest, src, readings, refs):
    out = []
    for i in range(6):
        a = readings[i]
        b = refs[i] if i < 4 else (readings[6] if i == 4 else refs[4])
        packed = (i << 28) | ((a & 0x3FFF) << 14) | (b & 0x3FFF)
        out.append(frame(dest, src, 0x24, 0x09, *packed.to_bytes(4, "big")))
    return out


def clng(x):
    return round(x)  # Python rounds halves to even, as CLng does


def params(m126, r, level):
    if m126:
        hft, hfd = clng(235 * (r[0] + r[1]) / 512), clng(606 * r[2] / 512)
    else:
        hft, hfd = clng((170 * r[0] + 202 * r[1]) / 512), clng(7 * r[2] / 8)
    return [hft, hfd, r[3], clng(level * (r[4] + r[5] - r[6]) / 7)]


raw = [1000, 1100, 800, 300, 400, 350, 150]
refs = [2000, 2050, 1800, 2500, 1500]
readings = [raw[j] + refs[j if j < 4 else 4] for j in range(7)]
print("330 coin frames (mech 61 <- FF):")
for f in coin_frames(0x61, 0xFF, readings, refs):
    print("  " + f)
print("560 accepted on channel 3, route 2:", frame(0x21, 0x01, 0x24, 0x01, 0x02), frame(0x21, 0x01, 0x24, 0x03, 0x02))
print("560 inhibited:", frame(0x21, 0x01, 0x24, 0x05, 0x0B), " unknown:", frame(0x21, 0x01, 0x24, 0x05, 0x01))
print("PCA accepted on channel 14 (route 5):", frame(0x20, 0x00, 0x24, 0x01, 0x0D), frame(0x20, 0x00, 0x24, 0x03, 0x05))
print("560 malformed: index 18:", frame(0x21, 0x01, 0x24, 0x01, 0x12), " code 2A:", frame(0x21, 0x01, 0x24, 0x2A, 0x02))
print("params 126 level 4:", params(True, raw, 4), " other level 7:", params(False, raw, 7))
