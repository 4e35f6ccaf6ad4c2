#!/usr/bin/env python3
"""Writes the sample coin sets (this folder) and the bad ones (bad/): 8-bit Windows-1252 text,
CR LF line ends. The coins of each sample set are those of the simulated mech of its model, in
the record order the demo drops them (sim/quenbydemo.cpp)."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, lines, folder=HERE):
    with open(os.path.join(folder, name), "wb") as f:
        f.write("".join(l + "\r\n" for l in lines).encode("cp1252"))


RULES = [("3", 0, "3", 0), ("2", -2, "2", 2), ("M", -12, "M", 12), ("L", -3, "H", 3)]


def cd(desc, name, count, params, tol=10, fixed=None):
    groups = []
    for p in range(params):
        lo_src, lo, hi_src, hi = RULES[(p + count) % len(RULES)]
        if fixed and p == 0:
            lo_src, lo, hi_src, hi = "F", fixed[0], "F", fixed[1]
        groups.append(f"{lo_src},{lo},{hi_src},{hi},{tol + 5 * (p % 3)}")
    return f"CD,{desc},{name},{count}," + ",".join(groups)


def slug(count, params, name=None):
    s = f"S,Slugs and washers,{count}," + ",".join(f"{5 + p},{15}" for p in range(params))
    return s + (f",{name}" if name else "")


MARS_LINE2_2K = '"2K",1,1,0,0,400,700,900,1200,1800,2300'
DESCS = ["5p", "10p", "20p", "50p", "£1", "£2", "Euro 1", "Euro 2", "Token A", "Token B",
         "Token C", "Token D"]


def mars_sets():
    write("ME111.cst", [
        '"Mars.ME111","UK Sterling £2 set","GB050","A12"',
        MARS_LINE2_2K,
        cd("5p", "A1", 15, 3),
        cd("10p", "B1", 15, 3),
        cd("20p", "C1", 12, 3),
        cd("50p", "D1", 12, 3, tol=15),
        "R,£1 reference,R01,12,10,10,10",
        "CR,£1,E1,R01,-30,R01,30,10,R01,-40,R01,40,10,R01,-50,R01,50,10",
        cd("£2", "F1", 10, 3),
        "CO,Token kept from the mech,A2,A2",
        cd("Euro 1", "B2", 15, 3),
        cd("Euro 2", "C2", 15, 3, fixed=(1100, 1180)),
        slug(10, 3),
    ])
    write("ME181.cst", [
        '"Mars.ME181","Euro 12 coin set","EU181","B01"',
        MARS_LINE2_2K,
        *[cd(DESCS[i], f"{'ABCDEF'[i % 6]}{1 + i // 6}", 10 + i, 3) for i in range(8)],
        "V,5,10,20,50,100,200,1,2,0,0,0,0,0,0,0,0,1",
    ])
    write("MS1400.cst", [
        '"Mars.MS1400","Arcade tokens 1K","TK014","C03"',
        '"1K",1,0,0,0,400,700,900,1200,1800,2300',
        *[cd(f"Token {'ABCD'[i]}", f"{'ABCD'[i]}1", 12, 3) for i in range(4)],
        slug(12, 3),
    ])


def coins(n, params, tol=10):
    return [cd(DESCS[i], f"Coin {i + 1:02d}", 10 + i, params, tol) for i in range(n)]


def cc_sets():
    write("C120.cst", ['"CC.C120","C120 UK 6 coin","CC120","D01"', '"-"', *coins(6, 3),
                       "D,120M,1,2,3,4,5,6,1,2,3,4,5,6", slug(10, 3)])
    write("QZ335.cst", ['"CC.335","Generic 335 Sterling","QZ335","G01"', '"-"', *coins(5, 3), slug(10, 3)])
    paths = [sum(((c + p) % 8) << (4 * p) for p in range(4)) for c in range(16)]
    routing = paths + [1, 0x3210, 0x7654, 0xBA98, 0xFEDC, 3, 2]
    write("435.cst", ['"CC.435","435 Euro routed","CC435","E02"', '"-"', *coins(8, 5),
                      "D,435R," + ",".join(str(v) for v in routing)])
    write("Sentinel.cst", ['"CC.Sentinel","Sentinel 4 coin","SEN01","F01"', '"-"', *coins(4, 3),
                           "D,SentinelR,35243,49365"])


def g13_p_data():
    """Parameter map (parameter-major), output codes, packed inhibit lines, as the simulated
    G13-6000 holds them."""
    maps = ["402137", "421305", "40213A"]
    digits = "".join(maps[c % 3][p] for p in range(6) for c in range(1, 13))
    outputs = "".join(f"{0x10 + c:02X}" for c in range(1, 13))
    packed = ""
    for c in range(1, 13):
        line = (c - 1) % 6 + 1
        flags = 1 if c == 4 else 2 if c == 9 else 0
        packed += chr((3 + flags) * 16 + line)
    return digits + outputs + packed


def nri_sets():
    # The coin data comes first: every coin's measurement is read through the map it gives.
    write("G13-6000.cst", [
        '"NRI.G13-6000","Euro G13","NRI13","G01"', '"-"', "D,G13-6000P," + g13_p_data(), *coins(6, 6),
        "V,5,10,20,50,100,200,25,40,0,0,0,0,0,0,0,0,5",
        "D,G13-6000X,30,40,50,60,0,0",
        slug(10, 6, "Coin 12"),
    ])
    write("G18-3000.cst", ['"NRI.G18-3000","G18 Sterling","NRI18","H01"', '"-"', *coins(6, 6),
                           "D,G18-3000R,120312031203"])
    write("G13-0000.cst", ['"NRI.G13-0000","G13 old Sterling","NRI10","J01"', '"-"', *coins(6, 4),
                           "V,10,20,40,100,200,0,0,0,0,0,0,0,0,0,0,0,5"])
    write("G10-4000-5.cst", ['"NRI.G10-4000/5","G10 changer","NRI45","K01"', '"-"', *coins(8, 6),
                             "D,G10-4000/5R,120312031203,031203120312"])


def bad_sets():
    bad = os.path.join(HERE, "bad")
    c120 = '"CC.C120","C120 UK 6 coin","CC120","D01"'
    good = coins(2, 3)
    open(os.path.join(bad, "empty.cst"), "wb").close()
    write("line1-only.cst", [c120], bad)
    write("mars-no-line2.cst", ['"Mars.ME111","UK Sterling","GB050","A12"'], bad)
    write("record-cut-short.cst", [c120, '"-"', good[0], "CD,10p,Coin 02,15,3,0,3,0,10,3,0"], bad)
    write("two-param-groups.cst", [c120, '"-"', "CD,5p,Coin 01,15,3,0,3,0,10,3,0,3,0,10"], bad)
    write("435r-22-values.cst", ['"CC.435","435","CC435","E02"', '"-"', *coins(1, 5),
                                 "D,435R," + ",".join(["1"] * 22)], bad)
    write("tolerance-x.cst", [c120, '"-"', "CD,5p,Coin 01,15,3,0,3,0,x,3,0,3,0,10,3,0,3,0,10"], bad)
    write("s-count-ten.cst", [c120, '"-"', *good, "S,Slugs,ten,2,10,2,10,2,10"], bad)
    write("120m-xzz.cst", [c120, '"-"', *good, "D,120M,xZZ,2,3,4,5,6,1,2,3,4,5,6"], bad)
    write("coin-g7.cst", ['"Mars.ME111","UK","GB050","A12"', MARS_LINE2_2K, cd("5p", "G7", 15, 3)], bad)
    write("coin-17.cst", [c120, '"-"', cd("5p", "Coin 17", 15, 3)], bad)
    write("r13.cst", ['"Mars.ME111","UK","GB050","A12"', MARS_LINE2_2K, "R,reference,R13,12,10,10,10"], bad)
    write("ref-99.cst", ['"Mars.ME111","UK","GB050","A12"', MARS_LINE2_2K, "R,reference,R01,12,10,10,10",
                         "CR,£1,E1,R99,-30,R99,30,10,R01,-40,R01,40,10,R01,-50,R01,50,10"], bad)
    write("line-100k.cst", [c120, '"-"', "CD,5p,Coin 01,15," + "3" * 100000], bad)
    write("records-101.cst", [c120, '"-"', *[cd("5p", f"Coin {1 + i % 12:02d}", 10, 3) for i in range(101)]], bad)
    write("count-501.cst", [c120, '"-"', cd("5p", "Coin 01", 501, 3)], bad)
    write("hex-9-digits.cst", [c120, '"-"', *good, "D,120M,x123456789,2,3,4,5,6,1,2,3,4,5,6"], bad)


if __name__ == "__main__":
    mars_sets()
    cc_sets()
    nri_sets()
    bad_sets()
