#!/usr/bin/env python3
"""Render the program's icons from res/icon/*.svg and pack them into res/*.ico.

The build only uses the committed .ico files, so nobody needs an art tool
to compile Orlenza. Run this after editing the artwork and commit both the
SVG and the new .ico files:

    python3 tools/make_icon.py              # writes every icon in ICONS
    python3 tools/make_icon.py --png-dir D  # also keeps the PNGs, to look at
    python3 tools/make_icon.py --check res/app.ico   # only check a file

Rendering uses rsvg-convert (Debian package librsvg2-bin), installed with
apt-get if missing. The ICO itself is written here with the standard library
rather than by ImageMagick, so we control exactly what goes in: every image
a 32-bit BGRA bitmap with an alpha channel, as the Windows shell expects.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ART = os.path.join(ROOT, "res", "icon")
RES = os.path.join(ROOT, "res")

# Icon file in res/ -> {size: drawing}. A 16 px image has its own
# pixel-aligned drawing; scaling a big one down that far blurs it into a
# blob. The button icons are drawn on a 32 px grid; the dialog loads them at
# 32 px scaled by the monitor's DPI, so each has its 150 % (48) and 200 % (64)
# image, and the program icon the 64 px image that the caption and the task
# bar ask for at 200 %. Up to 200 % nothing is stretched up.
BUTTON_SIZES = (32, 48, 64)
ICONS = {
    "app.ico": {16: "orlenza-16.svg", 32: "orlenza.svg", 48: "orlenza.svg",
                64: "orlenza.svg", 128: "orlenza.svg"},
    "btn-add.ico": dict.fromkeys(BUTTON_SIZES, "add.svg"),
    "btn-close.ico": dict.fromkeys(BUTTON_SIZES, "close.svg"),
    "btn-delete.ico": dict.fromkeys(BUTTON_SIZES, "delete.svg"),
    "btn-clear.ico": {16: "clear-16.svg", **dict.fromkeys(BUTTON_SIZES, "clear.svg")},
    "btn-start.ico": dict.fromkeys(BUTTON_SIZES, "start.svg"),
    "btn-about.ico": dict.fromkeys(BUTTON_SIZES, "about.svg"),
}


class IconError(Exception):
    pass


# ---------------------------------------------------------------- rendering

def ensure_renderer():
    if shutil.which("rsvg-convert"):
        return
    if os.geteuid() != 0:
        raise IconError("rsvg-convert is missing; install librsvg2-bin "
                        "(apt-get install librsvg2-bin) and run again")
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    install = ["apt-get", "install", "-y", "-q", "librsvg2-bin"]
    # A fresh machine may have no package lists yet; update only if needed.
    if subprocess.call(install, env=env) != 0:
        subprocess.check_call(["apt-get", "update", "-q"], env=env)
        subprocess.check_call(install, env=env)
    if not shutil.which("rsvg-convert"):
        raise IconError("rsvg-convert still missing after installing "
                        "librsvg2-bin")


def render(svg, size, png):
    subprocess.check_call(["rsvg-convert", "-w", str(size), "-h", str(size),
                           "-f", "png", "-o", png, svg])


# ------------------------------------------------------------- PNG reading

def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read_png_rgba(path):
    """Return (width, height, rows) with rows top-down as RGBA bytes.

    Only 8-bit RGBA, non-interlaced PNGs are accepted: that is what
    rsvg-convert writes, and anything else means the renderer changed under
    us, which we would rather hear about than silently mis-decode.
    """
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise IconError("%s: not a PNG file" % path)
    pos, ihdr, idat = 8, None, []
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            ihdr = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
        pos += 12 + length
    if ihdr is None:
        raise IconError("%s: no IHDR chunk" % path)
    width, height, depth, ctype, _, _, interlace = ihdr
    if (depth, ctype, interlace) != (8, 6, 0):
        raise IconError("%s: want 8-bit RGBA non-interlaced PNG, got depth "
                        "%d colour type %d interlace %d"
                        % (path, depth, ctype, interlace))
    raw = zlib.decompress(b"".join(idat))
    stride, bpp = width * 4, 4
    if len(raw) != height * (stride + 1):
        raise IconError("%s: image data has the wrong length" % path)
    rows, prev = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        ftype = raw[start]
        line = bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if ftype == 0:
                break
            elif ftype == 1:
                line[i] = (line[i] + a) & 0xFF
            elif ftype == 2:
                line[i] = (line[i] + b) & 0xFF
            elif ftype == 3:
                line[i] = (line[i] + ((a + b) >> 1)) & 0xFF
            elif ftype == 4:
                line[i] = (line[i] + _paeth(a, b, c)) & 0xFF
            else:
                raise IconError("%s: bad filter type %d" % (path, ftype))
        rows.append(bytes(line))
        prev = line
    return width, height, rows


# --------------------------------------------------------------- ICO files

ICONDIR = struct.Struct("<HHH")
ICONDIRENTRY = struct.Struct("<BBBBHHII")
BITMAPINFOHEADER = struct.Struct("<IiiHHIIiiII")


def _mask_stride(width):
    # Each row of the 1-bit mask is padded to a whole 32-bit word.
    return ((width + 31) // 32) * 4


def dib_from_rgba(size, rows):
    """One icon image: header, BGRA pixels bottom-up, then the AND mask."""
    header = BITMAPINFOHEADER.pack(
        BITMAPINFOHEADER.size, size,
        size * 2,          # ICO counts the colour bitmap and the mask
        1, 32, 0,          # one plane, 32 bpp, BI_RGB
        0, 0, 0, 0, 0)
    pixels, mask = bytearray(), bytearray()
    mstride = _mask_stride(size)
    for row in reversed(rows):         # DIBs are stored bottom row first
        bits = bytearray(mstride)
        for x in range(size):
            r, g, b, a = row[4 * x:4 * x + 4]
            pixels += bytes((b, g, r, a))
            # The mask only matters where alpha is ignored (old code paths);
            # mark only fully clear pixels so soft edges are not cut away.
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def write_ico(path, images):
    """images: list of (size, rows) in the order they go into the file."""
    blobs = [dib_from_rgba(size, rows) for size, rows in images]
    out = bytearray(ICONDIR.pack(0, 1, len(images)))
    offset = ICONDIR.size + ICONDIRENTRY.size * len(images)
    for (size, _), blob in zip(images, blobs):
        dim = 0 if size == 256 else size   # 0 stands for 256 in the entry
        out += ICONDIRENTRY.pack(dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(out)
    os.replace(tmp, path)


def read_ico(path):
    """Parse an ICO and return {size: rows} with rows top-down as RGBA.

    Raises IconError for anything the program's icon should not be: a
    broken directory, a non-32-bpp or compressed image, a height field that
    is not doubled, a mask that disagrees with the alpha channel.
    """
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < ICONDIR.size:
        raise IconError("%s: too short" % path)
    reserved, kind, count = ICONDIR.unpack_from(data, 0)
    if reserved != 0 or kind != 1:
        raise IconError("%s: not an icon file" % path)
    images = {}
    for i in range(count):
        entry = ICONDIRENTRY.unpack_from(
            data, ICONDIR.size + i * ICONDIRENTRY.size)
        w, h, colours, _, planes, bpp, length, offset = entry
        w, h = w or 256, h or 256
        where = "%s: image %d (%dx%d)" % (path, i, w, h)
        if w != h:
            raise IconError(where + ": not square")
        if (colours, planes, bpp) != (0, 1, 32):
            raise IconError(where + ": entry says %d colours, %d planes, "
                            "%d bpp" % (colours, planes, bpp))
        if offset + length > len(data):
            raise IconError(where + ": runs past the end of the file")
        blob = data[offset:offset + length]
        if blob[:8] == b"\x89PNG\r\n\x1a\n":
            raise IconError(where + ": stored as PNG, want a bitmap")
        (hsize, bw, bh, bplanes, bbpp, comp,
         _, _, _, _, _) = BITMAPINFOHEADER.unpack_from(blob, 0)
        if hsize != BITMAPINFOHEADER.size:
            raise IconError(where + ": header size %d" % hsize)
        if (bw, bh) != (w, 2 * h):
            raise IconError(where + ": bitmap is %dx%d, want %dx%d"
                            % (bw, bh, w, 2 * h))
        if (bplanes, bbpp, comp) != (1, 32, 0):
            raise IconError(where + ": bitmap has %d planes, %d bpp, "
                            "compression %d" % (bplanes, bbpp, comp))
        mstride = _mask_stride(w)
        want = hsize + w * h * 4 + mstride * h
        if length != want:
            raise IconError(where + ": %d bytes, want %d" % (length, want))
        pix = blob[hsize:hsize + w * h * 4]
        mask = blob[hsize + w * h * 4:]
        rows = []
        for y in range(h):                   # y counts bottom-up here
            src = pix[y * w * 4:(y + 1) * w * 4]
            row = bytearray()
            for x in range(w):
                b, g, r, a = src[4 * x:4 * x + 4]
                clear = mask[y * mstride + x // 8] & (0x80 >> (x % 8))
                if bool(clear) != (a == 0):
                    raise IconError(where + ": mask and alpha disagree at "
                                    "%d,%d" % (x, h - 1 - y))
                row += bytes((r, g, b, a))
            rows.append(bytes(row))
        rows.reverse()
        if w in images:
            raise IconError(where + ": size appears twice")
        images[w] = rows
    return images


def check_ico(path, expected=None):
    """Check the icon has exactly its sizes, each with real content.

    If expected ({size: rows}) is given, the pixels must match it exactly,
    which catches a flipped row order or swapped colour channels.
    """
    images = read_ico(path)
    want = sorted(ICONS.get(os.path.basename(path), images))
    if sorted(images) != want:
        raise IconError("%s: sizes %s, want %s"
                        % (path, sorted(images), want))
    for size, rows in images.items():
        alphas = [row[i] for row in rows for i in range(3, len(row), 4)]
        # An all-clear or all-solid image means the render went wrong
        # (empty drawing, or the background was not transparent).
        if max(alphas) != 255 or min(alphas) != 0:
            raise IconError("%s: %d px image is blank or has no "
                            "transparency" % (path, size))
        if expected is not None and rows != expected[size]:
            raise IconError("%s: %d px image differs from its render"
                            % (path, size))
    return images


# -------------------------------------------------------------------- main

def build(out, sources, png_dir=None):
    rendered = {}
    sizes = sorted(sources)
    stem = os.path.splitext(os.path.basename(out))[0]
    with tempfile.TemporaryDirectory() as tmp:
        for size in sizes:
            svg = os.path.join(ART, sources[size])
            png = os.path.join(png_dir or tmp, "%s-%d.png" % (stem, size))
            render(svg, size, png)
            w, h, rows = read_png_rgba(png)
            if (w, h) != (size, size):
                raise IconError("%s rendered at %dx%d, want %d"
                                % (svg, w, h, size))
            rendered[size] = rows
    write_ico(out, [(size, rendered[size]) for size in sizes])
    check_ico(out, rendered)
    print("wrote %s: %s px, 32 bpp" % (out, ", ".join(map(str, sizes))))


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--png-dir", help="also keep the rendered PNGs here")
    ap.add_argument("--check", metavar="ICO",
                    help="only check an existing icon file")
    args = ap.parse_args(argv)
    try:
        if args.check:
            images = check_ico(args.check)
            print("%s: OK (%s px, 32 bpp)" % (args.check,
                                               ", ".join(map(str, sorted(images)))))
        else:
            if args.png_dir:
                os.makedirs(args.png_dir, exist_ok=True)
            ensure_renderer()
            for name, sources in ICONS.items():
                build(os.path.join(RES, name), sources, args.png_dir)
    except (IconError, subprocess.CalledProcessError, OSError) as e:
        print("make_icon: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
