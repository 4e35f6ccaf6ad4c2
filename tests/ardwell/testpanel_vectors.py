#!/usr/bin/env python3
"""Known answers for test_testpanels.cpp, worked out apart from the C++ code: the lines of the
four commands that prepare a 560 or PCA mech for the live test, and the output mask lines of
the 330/126 test frame. Run: python3 tests/ardwell/testpanel_vectors.py
"""


def frame(*b):
    b = list(b)
    b.append((-sum(b)) & 0xFF)
    return "".join("%02X" % x for x in b)


COMMANDS = [("ReInitialise", [0x6F, 0x00]), ("HII Enable", [0x64, 0x8E]),
            ("HII Enable ALL", [0x64, 0x0F]), ("HII Accept ALL", [0x70, 0x00, 0x00, 0x00])]

# Destination and source bus addresses of each model's frames.
for model, dest, src in (("560", 0x01, 0x21), ("PCA", 0x00, 0x20)):
    for name, data in COMMANDS:
        print(model, name, frame(dest, src, 0x24, *data))


# The mask the box is sent: "#" and the two hex digits of 255 - m, m built from the frame's
# options and check boxes (inhibit box k adds 2^k; "ALL Inhibit" on 16-way adds 64; the dual
# polarity layout adds 64 while "Binary Mode" is clear; 10-way gives 5 with "ALL Inhibit").
def mask(model, option, inhibits=(), all_inhibit=False, binary=False):
    binary_layout = model == "126" or (model == "330" and option == "dual")
    m = 0
    if option == "16way" or binary_layout:
        m = sum(1 << k for k in inhibits if k < 6)
        if option == "16way" and all_inhibit:
            m += 64
        if binary_layout and not binary:
            m += 64
    elif option == "10way":
        m = 5 if all_inhibit else 0
    return "#%02X" % (255 - m)


print("330 entry", mask("330", "dual"))
print("330 10-way", mask("330", "10way"))
print("330 10-way ALL", mask("330", "10way", all_inhibit=True))
print("330 16-way inhibit 2 ALL", mask("330", "16way", inhibits=[1], all_inhibit=True))
print("126 binary inhibit 1 3", mask("126", "dual", inhibits=[0, 2], binary=True))
print("126 entry", mask("126", "dual"))
