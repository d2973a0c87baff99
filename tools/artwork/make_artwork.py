#!/usr/bin/env python3
"""Draws the program's button faces, logo and icon.

    python3 tools/artwork/make_artwork.py [output folder, default res/]

ImageMagick (/usr/bin/convert) rasterises the shapes and the lettering (fonts-nanum); this
script writes the BMP and ICO containers itself so that the committed files are byte-for-byte
the same on every run (no time stamps, no encoder-dependent headers).

The skinned buttons treat pure red RGB(255,0,0) as transparent: no face may contain it, not
even as an anti-aliasing blend, so every colour here is chosen so that blends between them
can never reach it, and the script checks the result before writing.
"""
import os
import struct
import subprocess
import sys
import zlib

CONVERT = "/usr/bin/convert"
FONT_DIR = "/usr/share/fonts/truetype/nanum"
BOLD_FONT = os.path.join(FONT_DIR, "NanumGothicBold.ttf")

APPLY_HOVER_FACE = (0, 113, 188)
APPLY_NORMAL_FACE = (153, 153, 153)
APPLY_TEXT = (255, 255, 255)
APPLY_CAPTION = "최적화 하기"

BAND = (88, 89, 91)  # the dialog's header band, behind the small buttons and the logo
GLYPH_HOVER = (250, 250, 250)
GLYPH_NORMAL = (190, 191, 193)
LOGO_BLUE = (0, 113, 188)

ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 96, 128, 256)
PNG_FROM_SIZE = 96
TRANSPARENT_RED = (255, 0, 0)


def rgb(c):
    return "rgb(%d,%d,%d)" % c


def render(size, args, alpha=False, out=None):
    """Runs convert on a canvas of size (w, h); returns raw RGB or RGBA rows, top row first, of
    the output size out (the canvas size unless the arguments scale it)."""
    fmt = "RGBA" if alpha else "RGB"
    cmd = [CONVERT, "-size", "%dx%d" % size] + args + ["-depth", "8", fmt + ":-"]
    w, h = out or size
    env = dict(os.environ, MAGICK_THREAD_LIMIT="1")  # one thread: identical rounding every run
    data = subprocess.run(cmd, check=True, stdout=subprocess.PIPE, env=env).stdout
    bpp = 4 if alpha else 3
    if len(data) != w * h * bpp:
        sys.exit("convert returned %d bytes for %dx%d %s" % (len(data), w, h, fmt))
    return data


def pixels(data, bpp):
    for i in range(0, len(data), bpp):
        yield tuple(data[i : i + 3]) + ((data[i + 3],) if bpp == 4 else ())


def check_no_red(name, data, bpp):
    for p in pixels(data, bpp):
        if p[:3] == TRANSPARENT_RED and (bpp == 3 or p[3] != 0):
            sys.exit("%s contains the transparent red" % name)


def write_bmp24(path, size, data):
    w, h = size
    stride = (w * 3 + 3) & ~3
    rows = []
    for y in range(h - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(w):
            r, g, b = data[(y * w + x) * 3 : (y * w + x) * 3 + 3]
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    bits = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(bits), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + bits)


def png_bytes(size, rgba):
    w, h = size
    raw = b"".join(b"\0" + rgba[y * w * 4 : (y + 1) * w * 4] for y in range(h))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib_icon_image(size, rgba):
    """A classic icon image: 32-bit BGRA XOR bitmap (bottom-up, double height) and AND mask."""
    w, h = size
    xor = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        mrow = bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = rgba[(y * w + x) * 4 : (y * w + x) * 4 + 4]
            xor += bytes((b, g, r, a))
            if a == 0:
                mrow[x // 8] |= 0x80 >> (x % 8)
        mask += mrow
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def write_ico(path, images):
    """images: list of (size, rgba). The three largest sizes are stored as PNG, which Windows
    reads from Vista on and which takes a twentieth of the space; Windows XP never asks for more
    than 64 pixels (48 at normal DPI), so everything up to 64 stays a DIB that XP can read."""
    blobs = [png_bytes(s, d) if s[0] >= PNG_FROM_SIZE else dib_icon_image(s, d) for s, d in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, _), blob in zip(images, blobs):
        w, h = size
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))


def apply_face(face):
    # The caption is centred; a one-pixel darker rim gives the flat face an edge on white.
    rim = tuple(max(0, c - 24) for c in face)
    return ["xc:" + rgb(face), "-fill", "none", "-stroke", rgb(rim), "-strokewidth", "1",
            "-draw", "rectangle 0,0 179,39", "-stroke", "none",
            "-font", BOLD_FONT, "-pointsize", "17", "-fill", rgb(APPLY_TEXT),
            "-gravity", "center", "-annotate", "+0+0", APPLY_CAPTION]


def minimize_glyph(colour):
    # A crisp two-pixel bar in the lower half, where a title bar's minimise sign sits.
    return ["xc:" + rgb(BAND), "+antialias", "-fill", rgb(colour),
            "-draw", "rectangle 5,12 14,13"]


def close_glyph(colour):
    return ["xc:" + rgb(BAND), "-stroke", rgb(colour), "-strokewidth", "2",
            "-draw", "line 5.5,5.5 14.5,14.5", "-draw", "line 14.5,5.5 5.5,14.5"]


def drive_drawing(scale):
    """The product mark: a blue rounded tile with a white solid-state drive (a card with a
    connector edge and three memory chips). Coordinates are on a 36-unit grid."""
    s = lambda v: "%.2f" % (v * scale)
    return ["-fill", rgb(LOGO_BLUE), "-draw",
            "roundrectangle %s,%s %s,%s %s,%s" % (s(1), s(1), s(35), s(35), s(6), s(6)),
            "-fill", "rgb(255,255,255)", "-draw",
            "roundrectangle %s,%s %s,%s %s,%s" % (s(7), s(9), s(29), s(27), s(2), s(2)),
            "-fill", rgb(LOGO_BLUE),
            "-draw", "rectangle %s,%s %s,%s" % (s(10), s(12), s(14), s(19)),
            "-draw", "rectangle %s,%s %s,%s" % (s(16), s(12), s(20), s(19)),
            "-draw", "rectangle %s,%s %s,%s" % (s(22), s(12), s(26), s(19)),
            "-draw", "rectangle %s,%s %s,%s" % (s(10), s(22), s(26), s(24))]


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "res")
    bitmaps = os.path.join(root, "bitmaps")
    os.makedirs(bitmaps, exist_ok=True)

    faces = [
        ("apply_hover.bmp", (180, 40), apply_face(APPLY_HOVER_FACE)),
        ("apply_normal.bmp", (180, 40), apply_face(APPLY_NORMAL_FACE)),
        ("minimize_hover.bmp", (20, 20), minimize_glyph(GLYPH_HOVER)),
        ("minimize_normal.bmp", (20, 20), minimize_glyph(GLYPH_NORMAL)),
        ("close_hover.bmp", (20, 20), close_glyph(GLYPH_HOVER)),
        ("close_normal.bmp", (20, 20), close_glyph(GLYPH_NORMAL)),
        ("logo.bmp", (36, 36), ["xc:" + rgb(BAND)] + drive_drawing(1.0)),
    ]
    for name, size, args in faces:
        data = render(size, args)
        check_no_red(name, data, 3)
        write_bmp24(os.path.join(bitmaps, name), size, data)

    # Icon: drawn once large and scaled down, so every size is the same picture.
    master = 512
    images = []
    for n in ICON_SIZES:
        data = render((master, master), ["xc:none"] + drive_drawing(master / 36.0)
                      + ["-resize", "%dx%d" % (n, n)], alpha=True, out=(n, n))
        check_no_red("icon %d" % n, data, 4)
        images.append(((n, n), data))
    write_ico(os.path.join(root, "DADAROR.ico"), images)


if __name__ == "__main__":
    main()
