#!/usr/bin/env python3
"""Known answers for the memory windows, computed independently of the C++ code.

Prints the literals that test_routing435.cpp pastes in: the checksum word 127 of a 435 image
after routing edits (the byte sum of words 0..127 stays what the mech held).
Run: python3 tests/quenby/memwindow_vectors.py
"""


def byte_sum(words):
    return sum(((w >> 8) & 0xFF) + (w & 0xFF) for w in words) & 0xFF


def with_word127(read, prog):
    target = byte_sum(read[:128])
    low = read[127] & 0xFF
    high = (target - byte_sum(prog[:127]) - low) & 0xFF
    return high * 256 + low


# The read image of the routing tests: word a = (a * 97 + 13) AND FFFF, then the routing words.
read = [(a * 97 + 13) & 0xFFFF for a in range(256)]
read[11] = 0x0123
read[110], read[111], read[112], read[113] = 0x8421, 0x0000, 0xFFFF, 0x1234
read[127] = 0x9A5C
read[204] = 0x0355
read[228] = 0x0242
for c in range(16):
    read[128 + c] = (c % 8) * 0x1111  # sort paths: every nibble a letter

# Edit 1: coin 5's code (word 111 nibble 1) "0000" -> "0110", and "Plug" (word 11 bit 8 off).
prog = list(read)
prog[111] = 0x0060
prog[11] = 0x0023
print("edit 1, word 127: 0x%04X" % with_word127(read, prog))

# Edit 2: every code "1111" (words 110..113 = FFFF).
prog = list(read)
for k in range(110, 114):
    prog[k] = 0xFFFF
print("edit 2, word 127: 0x%04X" % with_word127(read, prog))
