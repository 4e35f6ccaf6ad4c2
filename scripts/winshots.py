#!/usr/bin/env python3
"""Screenshots of the windows a program shows on a virtual X server.

Watches the top-level windows of DISPLAY for a while and writes a PNG of each window every time
it appears or its picture changes, cut from the frame buffer file that Xvfb keeps with -fbdir.
Needs only xwininfo and the Python standard library.

    winshots.py FBFILE OUTDIR SECONDS [STOPPID]

Stops after SECONDS, or earlier when the process STOPPID has ended; after MAX_SHOTS pictures it
takes no more but still waits, so the program runs its whole time. DEMO_SHOT_GAP (seconds, 0
by default) keeps a window that changes all the time (a progress bar) from using up the pictures:
a window is pictured again only that long after its last picture; a new window at once.
"""
import os
import re
import struct
import subprocess
import sys
import time
import zlib

MAX_SHOTS = 60


def read_screen(path):
    """(width, height, rows) of an XWD ZPixmap file of 24/32-bit pixels; rows are bytes."""
    with open(path, "rb") as f:
        data = f.read()
    h = struct.unpack(">25I", data[:100])
    header_size, _, fmt, _, width, height = h[:6]
    byte_order, bpp, bytes_per_line, ncolors = h[7], h[11], h[12], h[19]
    if fmt != 2 or bpp != 32:
        raise ValueError("unsupported frame buffer format")
    start = header_size + 12 * ncolors
    rows = [data[start + y * bytes_per_line:start + y * bytes_per_line + 4 * width] for y in range(height)]
    return width, height, rows, byte_order


def crop_rgb(screen, x, y, w, h):
    width, height, rows, byte_order = screen
    x0, y0 = max(0, x), max(0, y)
    x1, y1 = min(width, x + w), min(height, y + h)
    out = []
    for row in rows[y0:y1]:
        px = row[4 * x0:4 * x1]
        line = bytearray()
        for i in range(0, len(px), 4):
            b, g, r = (px[i], px[i + 1], px[i + 2]) if byte_order == 0 else (px[i + 3], px[i + 2], px[i + 1])
            line += bytes((r, g, b))
        out.append(bytes(line))
    return max(0, x1 - x0), max(0, y1 - y0), out


def write_png(path, w, h, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + r for r in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


def windows():
    """Viewable top-level windows: (id, title, x, y, w, h)."""
    try:
        tree = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True, timeout=5).stdout
    except (OSError, subprocess.SubprocessError):
        return []
    found = []
    for wid, title in re.findall(r"^\s+(0x[0-9a-f]+) \"(.*?)\":", tree, re.M):
        try:
            info = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True, timeout=5).stdout
        except (OSError, subprocess.SubprocessError):
            continue
        if "IsViewable" not in info:
            continue
        num = {k: int(v) for k, v in re.findall(r"(Absolute upper-left [XY]|Width|Height):\s+(-?\d+)", info)}
        if num.get("Width", 0) > 1 and num.get("Height", 0) > 1:
            found.append((wid, title, num["Absolute upper-left X"], num["Absolute upper-left Y"],
                          num["Width"], num["Height"]))
    return found


def alive(pid):
    if pid is None:
        return True
    try:
        os.kill(pid, 0)
        return True
    except OSError:
        return False


def main():
    fbfile, outdir, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3])
    stop_pid = int(sys.argv[4]) if len(sys.argv) > 4 else None
    os.makedirs(outdir, exist_ok=True)
    gap = float(os.environ.get("DEMO_SHOT_GAP", "0") or 0)
    last = {}
    taken = {}
    shots = []
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and alive(stop_pid):
        time.sleep(0.4)
        if len(shots) >= MAX_SHOTS:
            continue
        try:
            screen = read_screen(fbfile)
        except (OSError, ValueError, struct.error):
            continue
        for wid, title, x, y, w, h in windows():
            # Several windows may change within one look: the cap counts each picture.
            if len(shots) >= MAX_SHOTS:
                break
            cw, ch, rows = crop_rgb(screen, x, y, w, h)
            if cw == 0 or ch == 0:
                continue
            digest = zlib.crc32(b"".join(rows))
            if last.get(wid) == digest:
                continue
            if wid in taken and time.monotonic() - taken[wid] < gap:
                continue
            last[wid] = digest
            taken[wid] = time.monotonic()
            name = re.sub(r"[^A-Za-z0-9._-]+", "_", title).strip("_") or wid
            path = os.path.join(outdir, "%02d-%s.png" % (len(shots) + 1, name))
            write_png(path, cw, ch, rows)
            shots.append(path)
    for p in shots:
        print(p)
    return 0


if __name__ == "__main__":
    sys.exit(main())
