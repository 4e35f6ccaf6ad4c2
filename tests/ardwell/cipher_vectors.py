#!/usr/bin/env python3
"""Known-answer vectors for the link cipher, computed independently of the C++ code.

Reads the fixed bytes from ardwell/link/cipherconsts.h and prints C++ initialisers that
test_cipher.cpp pastes in. Run: python3 tests/ardwell/cipher_vectors.py
"""
import os
import re

HERE = os.path.dirname(os.path.abspath(__file__))
CONSTS = os.path.join(HERE, "..", "..", "ardwell", "link", "cipherconsts.h")

K = {}
with open(CONSTS) as f:
    for name, value in re.findall(r"constexpr std::uint8_t (\w+) = (0x[0-9A-Fa-f]+);", f.read()):
        K[name] = int(value, 16)


def rol8(v, n):
    v &= 0xFF
    n %= 8
    return ((v << n) | (v >> (8 - n))) & 0xFF


def key_byte(a, b):
    u = a ^ K["C1"]
    x1 = rol8(a + b + K["C2"], 3) ^ K["C3"]
    x2 = rol8(x1 + u + K["C5"], 2) ^ K["C6"]
    return rol8(x2 + (x1 ^ K["C4"]) + K["C7"], 1)


def encipher(plain, m1, m2):
    s1, s2 = (K["K2"] ^ m2) & 0xFF, (K["K1"] ^ m1) & 0xFF
    out = []
    for p in plain:
        c = (p & 0xFF) ^ key_byte(s1, s2)
        out.append(c)
        s1, s2 = s2, c
    return out


def check(payload):
    return (256 - (sum(payload) & 0xFF)) & 0xFF


def hexlist(xs):
    return "{" + ", ".join("0x%02X" % x for x in xs) + "}"


print("// keyByte(a, b) -> k")
for a, b in [(0, 0), (0xFF, 0xFF), (0x12, 0x34), (0xA5, 0x5A), (0x80, 0x01)]:
    print("{0x%02X, 0x%02X, 0x%02X}," % (a, b, key_byte(a, b)))

print("// m1, m2, plain -> cipher")
cases = [
    (0x00, 0x00, [0x00, 0x05]),                       # read request, address 5, before any logon
    (0x3C, 0x9E, [0x00, 0x10]),                       # read request, address 16
    (0x3C, 0x9E, [0x00, 0x10, 0x12, 0x34]),           # write request / read reply
    (0xFF, 0x01, [0x00, 0xFF, 0xFF, 0xFF]),
    (0x7A, 0x21, [0x00, 0x00, 0x12, 0x34]),
]
for m1, m2, payload in cases:
    plain = payload + [check(payload)]
    print("{0x%02X, 0x%02X, %s, %s}," % (m1, m2, hexlist(plain), hexlist(encipher(plain, m1, m2))))

print("// m1, m2, plain -> cipher, with a non-zero address high byte")
high_cases = [
    (0x3C, 0x9E, [0x01, 0x23]),                       # read request, address 0x123
    (0x00, 0x00, [0x10, 0x00]),                       # read request, address 4096
    (0x7A, 0x21, [0x01, 0x00, 0xBE, 0xEF]),           # write request, address 256
    (0xC5, 0x0B, [0xFF, 0x00, 0x00, 0x01]),
]
for m1, m2, payload in high_cases:
    plain = payload + [check(payload)]
    print("{0x%02X, 0x%02X, %s, %s}," % (m1, m2, hexlist(plain), hexlist(encipher(plain, m1, m2))))


def frame_line(data):
    return "".join("%02X" % b for b in data + [(-sum(data)) & 0xFF])


def enciphered(m1, m2, payload):
    return encipher(payload + [check(payload)], m1, m2)


print("// wire lines (without the CR)")
print("read 0x123, keys 3C 9E, model 330:", frame_line([0xFF, 0x61, 0x94] + enciphered(0x3C, 0x9E, [0x01, 0x23])))
print("write 0x100 = 0xBEEF, keys 7A 21, model 330:",
      frame_line([0xFF, 0x61, 0xD4] + enciphered(0x7A, 0x21, [0x01, 0x00, 0xBE, 0xEF])))
print("read reply 0x100 = 0x1234, keys 3C 9E, from a 330:",
      frame_line([0x61, 0xFF, 0xB4] + enciphered(0x3C, 0x9E, [0x01, 0x00, 0x12, 0x34])))
for model, d, s in [("330", 0xFF, 0x61), ("560", 0x01, 0x21), ("PCA", 0x00, 0x20)]:
    for name, cmd in [("ReInitialise", [0x6F, 0x00]), ("HII Enable", [0x64, 0x8E]),
                      ("HII Enable ALL", [0x64, 0x0F]), ("coin data 1", [0x64, 0x8E, 0x00]),
                      ("coin data 2", [0x64, 0x88, 0x00]),
                      ("logon request", [0xCA, K["K1"], K["K2"]]),
                      ("message understood", None)]:
        body = [d, s, 0x04] if cmd is None else [d, s, 0x24] + cmd
        print("%s %s: %s" % (model, name, frame_line(body)))
