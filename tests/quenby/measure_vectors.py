#!/usr/bin/env python3
"""Known answers for the validator test reports and the measurement wire formats, computed
independently of the C++ code.

Prints the literals that test_coinreports.cpp and test_measurewire.cpp paste in.
Run: python3 tests/quenby/measure_vectors.py
"""


def packed_value(ch):
    a = ord(ch)
    return (a & 15) + 64 * (((a // 16) - 3) & 3)


def cc_frame(values):
    """A "?" frame: start byte, values, then the byte sum AND 255."""
    body = [0x3F] + list(values)
    return body + [sum(body) & 0xFF]


def g10(b):
    coin = (b & 120) // 8
    route = 11 if b & 1 else 10 if b & 2 else 9 if b & 4 else 12
    return coin, route


def binary_code(v):
    v &= 63
    lit = ["A4"] + [name for bit, name in ((8, "A5"), (4, "A3"), (2, "A2"), (1, "A1")) if v & bit]
    line = v + 1 if v < 16 else None
    return v, line, sorted(lit)


def parallel_lines(v):
    v &= 63
    return [bit + 1 for bit in range(6) if v & (1 << bit)]


def keep_alive(ticks, samples_left_at=lambda t: 1):
    """Seconds after the request at which Timer3 sends it again."""
    count, sent = 10, []
    for t in range(1, ticks + 1):
        if count < 1:
            if samples_left_at(t) > 0:
                sent.append(t)
                count = 5
        else:
            count -= 1
    return sent


def coin_data(params, outputs, values, p=6, c=12):
    digits = "".join("%X" % params[ci][pi] for pi in range(p) for ci in range(c))
    pairs = "".join("%02X" % o for o in outputs)
    packed = ""
    for v in values:
        hi = (v >> 6) & 3
        packed += chr(0x30 + 16 * hi + (v & 15))
    return digits + pairs + packed


def main():
    print("packed:", {ch: packed_value(ch) for ch in "0?AQa"})
    for vals in ([61, 130, 97], [10, 20, 30, 40, 50], [10, 20, 30, 40, 50, 60], [1, 2, 3, 4, 5, 6, 7, 8]):
        print("frame", vals, "->", " ".join("%02X" % b for b in cc_frame(vals)))
    # A C120 6-value frame whose seventh byte equals the sum of the first six.
    body = [0x3F, 1, 2, 3, 4, 5]
    s = sum(body) & 0xFF
    print("C120 ambiguous: values 1..5 then", s, "then sum of all", (sum(body) + s) & 0xFF)
    for b in (0x19, 0x20, 0x04, 0x80 | 0x7F, 0x0A):
        print("G10 %02X -> coin %d, route %d" % ((b,) + g10(b)))
    for v in (0x05, 0x13, 0x4F, 0x21, 0x3F):
        print("X%02X binary ->" % v, binary_code(v), "parallel ->", parallel_lines(v))
    print("keep-alive over 30 s:", keep_alive(30))
    print("keep-alive, samples done from 20 s:", keep_alive(40, lambda t: 0 if t >= 20 else 1))
    params = [[(ci * 6 + pi) % 16 for pi in range(6)] for ci in range(12)]
    outputs = [0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x3F, 0x40, 0x80, 0xC1, 0xFF, 0x00]
    values = [0, 15, 65, 129, 193, 1, 2, 64, 128, 192, 207, 79]
    s = coin_data(params, outputs, values)
    print("coin data (%d):" % len(s), s)
    print("  params coin 2:", params[1], "coin 12:", params[11])


if __name__ == "__main__":
    main()
