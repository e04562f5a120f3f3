#!/usr/bin/env python3
"""Pixel statistics straight from the X server (XGetImage on the root window), for the
Wine tests. Needs only libX11; reads the display named by $DISPLAY.

  xpix.py stats [X Y W H]           nonblack=N total=T fraction=F
  xpix.py blobs [MINPIX]            one line per 8-connected group of non-black pixels
                                    (at least MINPIX pixels, default 20): "blob x y w h n";
                                    then "blobs N"
  xpix.py blocks N [PALETTE.bmp]    the screen cut into N x N blocks from (0, 0): "blocks B mixed M
                                    colours C foreign F", M the blocks whose pixels are not all
                                    alike, C the distinct colours, F those not in the colour table
                                    of the 8-bit BMP (-1 without one)
  xpix.py watch SECONDS [STEP_MS]   grab every 8th row every STEP_MS ms (default 10) for SECONDS
                                    and count how often the picture changed: "grabs G changes C bursts B
                                    median_ms M mean_ms A first_ms F" (a burst: changes
                                    less than 15 ms apart; median/mean are over bursts)
  xpix.py wait-black SECONDS        wait until the whole screen is black: "black_after_ms T"
                                    or "not_black nonblack=N" (exit 1)
  xpix.py steady FILE.ppm [TRIES]   grab the whole screen until two grabs in a row agree (default
                                    at most 10 grabs), write that picture as a binary PPM:
                                    "steady_after G" or "not_steady grabs G" (exit 1)
"""
import ctypes
import ctypes.util
import hashlib
import os
import statistics
import sys
import time


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]


X = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
X.XOpenDisplay.restype = ctypes.c_void_p
X.XOpenDisplay.argtypes = [ctypes.c_char_p]
X.XDefaultRootWindow.restype = ctypes.c_ulong
X.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
X.XGetImage.restype = ctypes.POINTER(XImage)
X.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                        ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
X.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
X.XDisplayWidth.argtypes = [ctypes.c_void_p, ctypes.c_int]
X.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]

dpy = X.XOpenDisplay(None)
if not dpy:
    sys.exit("xpix: cannot open display %r" % os.environ.get("DISPLAY"))
root = X.XDefaultRootWindow(dpy)
SW, SH = X.XDisplayWidth(dpy, 0), X.XDisplayHeight(dpy, 0)
ALLPLANES = (1 << 64) - 1
ZPIXMAP = 2


def grab(x=0, y=0, w=None, h=None):
    """(width, height, bits per pixel, bytes per row, raw pixel bytes) of a region of the root."""
    w = SW - x if w is None else w
    h = SH - y if h is None else h
    img = X.XGetImage(dpy, root, x, y, w, h, ALLPLANES, ZPIXMAP)
    if not img:
        sys.exit("xpix: XGetImage failed")
    im = img.contents
    bpp, stride = im.bits_per_pixel, im.bytes_per_line
    raw = ctypes.string_at(im.data, stride * h)
    X.XDestroyImage(img)
    return w, h, bpp, stride, raw


def mask_of(w, h, bpp, stride, raw):
    """A bytearray of w*h entries, 1 where the pixel is not black."""
    step = bpp // 8
    if step == 4:
        rows = bytearray()
        for row in range(h):
            rows += raw[row * stride:row * stride + w * 4]
        rows[3::4] = bytes(len(rows) // 4)  # ignore the padding byte
        return bytearray(1 if v else 0 for v in memoryview(rows).cast("I"))
    out = bytearray(w * h)
    for row in range(h):
        line = raw[row * stride:row * stride + w * step]
        for col in range(w):
            if any(line[col * step:(col + 1) * step]):
                out[row * w + col] = 1
    return out


def cmd_stats(args):
    x, y, w, h = (int(a) for a in args) if len(args) == 4 else (0, 0, SW, SH)
    m = mask_of(*grab(x, y, w, h))
    n = sum(m)
    print("nonblack=%d total=%d fraction=%.6f" % (n, w * h, n / float(w * h)))


def cmd_blobs(args):
    minpix = int(args[0]) if args else 20
    w, h, bpp, stride, raw = grab()
    m = mask_of(w, h, bpp, stride, raw)
    seen = bytearray(w * h)
    blobs = []
    for start in range(w * h):
        if not m[start] or seen[start]:
            continue
        stack = [start]
        seen[start] = 1
        x0 = x1 = start % w
        y0 = y1 = start // w
        n = 0
        while stack:
            p = stack.pop()
            n += 1
            px, py = p % w, p // w
            x0, x1, y0, y1 = min(x0, px), max(x1, px), min(y0, py), max(y1, py)
            for dy in (-1, 0, 1):
                ny = py + dy
                if ny < 0 or ny >= h:
                    continue
                for dx in (-1, 0, 1):
                    nx = px + dx
                    if 0 <= nx < w:
                        q = ny * w + nx
                        if m[q] and not seen[q]:
                            seen[q] = 1
                            stack.append(q)
        if n >= minpix:
            blobs.append((x0, y0, x1 - x0 + 1, y1 - y0 + 1, n))
    for b in blobs:
        print("blob %d %d %d %d %d" % b)
    print("blobs %d" % len(blobs))


def bmp_colours(path):
    """The colour table of a BMP with a 40-byte header, as 0xRRGGBB numbers."""
    with open(path, "rb") as f:
        data = f.read()
    used = int.from_bytes(data[46:50], "little") or 1 << int.from_bytes(data[28:30], "little")
    table = data[54:54 + 4 * used]
    return {table[i + 2] << 16 | table[i + 1] << 8 | table[i] for i in range(0, len(table), 4)}


def cmd_blocks(args):
    n = int(args[0])
    w, h, bpp, stride, raw = grab()
    if bpp != 32:
        sys.exit("xpix: blocks needs a 24-bit display")
    px = memoryview(raw).cast("I")
    row = stride // 4
    colours = set()
    mixed = blocks = 0
    for by in range(0, h - h % n, n):
        for bx in range(0, w - w % n, n):
            cells = {px[(by + j) * row + bx + i] & 0xFFFFFF for j in range(n) for i in range(n)}
            colours |= cells
            blocks += 1
            mixed += len(cells) > 1
    foreign = len(colours - bmp_colours(args[1])) if len(args) > 1 else -1
    print("blocks %d mixed %d colours %d foreign %d" % (blocks, mixed, len(colours), foreign))


def lines_digest(step=8):
    """Digest of every STEP-th screen row: a whole-screen grab takes 30 to 90 ms here, too slow
    for 33 ms ticks, while 96 single rows take about 4 ms and cross every walker."""
    h = hashlib.md5()
    for y in range(step // 2, SH, step):
        h.update(grab(0, y, SW, 1)[4])
    return h.digest()


def cmd_watch(args):
    seconds = float(args[0])
    step = (float(args[1]) if len(args) > 1 else 10.0) / 1000.0
    t0 = time.monotonic()
    last = None
    grabs = 0
    changes = []
    while time.monotonic() - t0 < seconds:
        t = time.monotonic()
        digest = lines_digest()
        grabs += 1
        if last is not None and digest != last:
            changes.append(t)
        last = digest
        rest = step - (time.monotonic() - t)
        if rest > 0:
            time.sleep(rest)
    # Changes less than 15 ms apart belong to one tick (a frame can reach the screen in parts).
    ticks = [t for i, t in enumerate(changes) if i == 0 or t - changes[i - 1] > 0.015]
    gaps = [(b - a) * 1000.0 for a, b in zip(ticks, ticks[1:])]
    med = statistics.median(gaps) if gaps else 0.0
    mean = statistics.mean(gaps) if gaps else 0.0
    first = (changes[0] - t0) * 1000.0 if changes else -1
    print("grabs %d changes %d bursts %d median_ms %.1f mean_ms %.1f first_ms %.0f elapsed_ms %.0f" %
          (grabs, len(changes), len(ticks), med, mean, first, (time.monotonic() - t0) * 1000.0))


def cmd_wait_black(args):
    seconds = float(args[0])
    t0 = time.monotonic()
    n = -1
    while time.monotonic() - t0 < seconds:
        n = sum(mask_of(*grab()))
        if n == 0:
            print("black_after_ms %.0f" % ((time.monotonic() - t0) * 1000.0))
            return 0
        time.sleep(0.05)
    print("not_black nonblack=%d" % n)
    return 1


def cmd_steady(args):
    """A tick landing during a grab leaves part of two frames in it. Grabs back to back take
    30-90 ms each here, so two that agree fall between two ticks of a slow saver."""
    tries = int(args[1]) if len(args) > 1 else 10
    w, h, bpp, stride, last = grab()
    probe = X.XGetImage(dpy, root, 0, 0, 1, 1, ALLPLANES, ZPIXMAP)
    masks = (probe.contents.red_mask, probe.contents.blue_mask)
    X.XDestroyImage(probe)
    if bpp != 32 or masks != (0xFF0000, 0xFF):
        sys.exit("xpix: steady needs a 24-bit display")
    for n in range(2, tries + 1):
        now = grab()[4]
        if now == last:
            rgb = bytearray(w * h * 3)
            for y in range(h):
                row = now[y * stride:y * stride + w * 4]
                out = memoryview(rgb)[y * w * 3:(y + 1) * w * 3]
                out[0::3], out[1::3], out[2::3] = row[2::4], row[1::4], row[0::4]
            with open(args[0], "wb") as f:
                f.write(b"P6\n%d %d\n255\n" % (w, h) + bytes(rgb))
            print("steady_after %d" % n)
            return 0
        last = now
    print("not_steady grabs %d" % tries)
    return 1


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    cmd, args = sys.argv[1], sys.argv[2:]
    if cmd == "stats":
        cmd_stats(args)
    elif cmd == "blobs":
        cmd_blobs(args)
    elif cmd == "blocks":
        cmd_blocks(args)
    elif cmd == "watch":
        cmd_watch(args)
    elif cmd == "wait-black":
        sys.exit(cmd_wait_black(args))
    elif cmd == "steady":
        sys.exit(cmd_steady(args))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
