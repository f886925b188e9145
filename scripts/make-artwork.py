#!/usr/bin/env python3
"""Regenerates the installer's artwork from the drawings in resources/artwork/.

Writes three files that the build takes as they are:
  resources/side.bmp       bitmap 10, the side panel: 112 x 218 pixels, 24 bits
                           per pixel, uncompressed, bottom-up rows.
  resources/side.bmp.deflate  side.bmp as one raw deflate stream: the shipped
                           program carries the panel in this form (a quarter
                           of the size) and expands it at start-up; the test
                           programs and the toolkit's demo take side.bmp.
  resources/installer.ico  the icon group MAINICON: 16, 24, 32 and 48 pixel
                           images in 32-bit colour with alpha and an AND mask,
                           and a PNG-compressed 256 pixel image.

The window draws every pixel of the side panel whose colour equals the panel's
top-left pixel in the system's button-face colour, and that colour differs
between systems. So the panel drawing has a transparent surround: there the
bitmap gets the key colour KEY, and the drawing's anti-aliased rim is blended
over that same light grey, the middle of the button-face colours it will meet
(212,208,200 to 240,240,240), so the rim shows no halo on any of them. A pixel
that is mostly drawn and still comes out in the key colour would vanish into
the window: the script stops with an error if there is one.

Needs Python 3 (standard library only) and rsvg-convert to render SVG (Debian:
apt-get install librsvg2-bin). The build never runs this script; run it after
changing a drawing and commit the drawings and all outputs together:

  python3 scripts/make-artwork.py [--preview DIR]

An existing build tree does not notice new artwork on its own (the build tracks
installer.rc, not the files it names): touch resources/installer.rc or build
anew.

--preview DIR also writes PNG previews into DIR (never commit them): the panel
keyed onto both ends of the button-face range, and every icon size magnified on
light, grey and dark backgrounds. The outputs depend only on the drawings and
the renderer, so a run without changes rewrites identical files.
"""
import argparse
import os
import struct
import subprocess
import sys
import zlib

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
ARTWORK = os.path.join(ROOT, "resources", "artwork")

PANEL_DRAWING = "side.svg"
PANEL_SIZE = (112, 218)
# The colour that shows as the button face: the panel's corners. The panel's rim
# is blended over this grey too.
KEY = (226, 224, 220)
# The ends of the range of button-face colours the panel is checked against.
FACES = ((212, 208, 200), (240, 240, 240))

# Icon images in file order: (size in pixels, drawing, stored as PNG). The
# small sizes have drawings of their own, fitted to their pixel grids.
ICON_IMAGES = (
    (16, "icon-16.svg", False),
    (24, "icon-24.svg", False),
    (32, "icon-32.svg", False),
    (48, "icon-48.svg", False),
    (256, "icon-48.svg", True),
)


def fail(message):
    sys.exit("make-artwork: " + message)


class Image:
    """Straight (not premultiplied) RGBA pixels, rows top to bottom."""

    def __init__(self, width, height, rgba):
        if len(rgba) != width * height * 4:
            raise ValueError("%d bytes for a %d x %d image" % (len(rgba), width, height))
        self.width, self.height, self.rgba = width, height, bytearray(rgba)

    def pixel(self, x, y):
        i = (y * self.width + x) * 4
        return tuple(self.rgba[i:i + 4])

    def pixels(self):
        """Every pixel with its position, row by row."""
        for y in range(self.height):
            for x in range(self.width):
                yield x, y, self.pixel(x, y)


def solid(width, height, rgb):
    return Image(width, height, (bytes(rgb) + b"\xff") * (width * height))


def over(rgba, matte):
    """The colour of a straight-alpha pixel blended over an opaque matte."""
    a = rgba[3]
    return tuple((rgba[c] * a + matte[c] * (255 - a) + 127) // 255 for c in range(3))


# PNG reading and writing: the renderer's output in; the icon's large image and
# the previews out. Reads only what rsvg-convert writes: 8-bit RGB or RGBA, not
# interlaced.

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_chunks(data):
    if not data.startswith(PNG_SIGNATURE):
        raise ValueError("not a PNG file")
    pos = len(PNG_SIGNATURE)
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if len(body) != length:
            raise ValueError("PNG chunk runs past the end of the file")
        yield kind, body
        pos += 12 + length


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def unfilter(raw, width, height, channels):
    """Undoes the per-row PNG filters; returns the packed pixel bytes."""
    stride = width * channels
    if len(raw) != (stride + 1) * height:
        raise ValueError("PNG image data has the wrong length")
    out = bytearray()
    prev = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, row = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = row[i - channels] if i >= channels else 0
            upleft = prev[i - channels] if i >= channels else 0
            if kind == 1:
                row[i] = (row[i] + left) & 255
            elif kind == 2:
                row[i] = (row[i] + prev[i]) & 255
            elif kind == 3:
                row[i] = (row[i] + ((left + prev[i]) >> 1)) & 255
            elif kind == 4:
                row[i] = (row[i] + paeth(left, prev[i], upleft)) & 255
            elif kind != 0:
                raise ValueError("unknown PNG filter %d" % kind)
        out += row
        prev = row
    return out


def decode_png(data):
    header, idat = None, bytearray()
    for kind, body in png_chunks(data):
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
    if header is None:
        raise ValueError("PNG file without a header")
    width, height, depth, colour, _, _, interlace = header
    channels = {2: 3, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace:
        raise ValueError("PNG format not read here: depth %d, colour type %d, interlace %d" %
                         (depth, colour, interlace))
    pixels = unfilter(zlib.decompress(bytes(idat)), width, height, channels)
    if channels == 3:
        pixels = b"".join(pixels[i:i + 3] + b"\xff" for i in range(0, len(pixels), 3))
    return Image(width, height, pixels)


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def filter_cost(row):
    """Sum of the bytes taken as signed: the usual guess at what deflates best."""
    return sum(b if b < 128 else 256 - b for b in row)


def encode_png(image):
    """An 8-bit RGBA PNG. Each row is stored as it is or as its difference from
    the row above, whichever looks smaller: a cheap, deterministic choice."""
    stride = image.width * 4
    raw = bytearray()
    prev = bytes(stride)
    for y in range(image.height):
        row = bytes(image.rgba[y * stride:(y + 1) * stride])
        up = bytes((row[i] - prev[i]) & 255 for i in range(stride))
        raw += b"\x02" + up if filter_cost(up) < filter_cost(row) else b"\x00" + row
        prev = row
    header = struct.pack(">IIBBBBB", image.width, image.height, 8, 6, 0, 0, 0)
    return (PNG_SIGNATURE + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            png_chunk(b"IEND", b""))


def render(drawing, width, height):
    """Renders one drawing of resources/artwork at the given pixel size."""
    command = ["rsvg-convert", "--format", "png", "--width", str(width), "--height", str(height),
               os.path.join(ARTWORK, drawing)]
    try:
        result = subprocess.run(command, check=True, capture_output=True)
    except FileNotFoundError:
        fail("rsvg-convert not found (Debian: apt-get install librsvg2-bin)")
    except subprocess.CalledProcessError as error:
        fail("rsvg-convert failed on %s: %s" % (drawing, error.stderr.decode(errors="replace").strip()))
    image = decode_png(result.stdout)
    if (image.width, image.height) != (width, height):
        fail("%s rendered at %d x %d, not %d x %d" % (drawing, image.width, image.height, width, height))
    return image


# The side panel.

def key_panel(panel):
    """The bitmap's colours, row by row: the drawing blended over KEY, so KEY where
    it is transparent. Stops when a pixel that is at least half drawn comes out
    in the key colour (it would show as button face), or when the top-left
    pixel, which sets the key, is not background."""
    rgb = []
    for x, y, pixel in panel.pixels():
        colour = over(pixel, KEY)
        if colour == KEY and pixel[3] >= 128:
            fail("the drawn pixel (%d, %d) of %s has the key colour %s: change the drawing" %
                 (x, y, PANEL_DRAWING, KEY))
        rgb.append(colour)
    if rgb[0] != KEY:
        fail("the top-left pixel of %s is %s, not the key colour %s" % (PANEL_DRAWING, rgb[0], KEY))
    return rgb


def shown_on(keyed, face):
    """The panel as the window draws it on a button face of this colour."""
    return [face if colour == KEY else colour for colour in keyed]


def halo(panel, keyed, face):
    """How far the window's picture on this face strays from the drawing blended
    straight onto it: (largest difference in any colour channel, out of 255;
    number of pixels that differ at all). Only the rim can differ."""
    worst, count = 0, 0
    for (_, _, pixel), shown in zip(panel.pixels(), shown_on(keyed, face)):
        difference = max(abs(s - t) for s, t in zip(shown, over(pixel, face)))
        worst = max(worst, difference)
        count += difference > 0
    return worst, count


def bmp24(width, height, rgb):
    """A plain BMP: BITMAPINFOHEADER, 24 bits, BI_RGB, bottom-up rows padded to
    four bytes."""
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = b"".join(bytes((b, g, r)) for r, g, b in rgb[y * width:(y + 1) * width])
        data += row + bytes(stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + bytes(data)


# The icon.

def raw_deflate(data):
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    return packer.compress(data) + packer.flush()


def icon_dib(image):
    """One icon image as a DIB: an info header whose height counts the colour
    rows and the mask rows, 32-bit BGRA rows bottom-up, then the AND mask (one
    bit a pixel, rows padded to four bytes). The mask marks exactly the fully
    transparent pixels and their colour is black, so a system that draws
    through the mask instead of the alpha leaves the background there as it is
    and paints every other pixel."""
    size = image.width
    colour, mask = bytearray(), bytearray()
    mask_stride = (size + 31) // 32 * 4
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = image.pixel(x, y)
            if a == 0:
                r = g = b = 0
                bits[x >> 3] |= 0x80 >> (x & 7)
            colour += bytes((b, g, r, a))
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return info + bytes(colour) + bytes(mask)


def ico(images):
    """An icon file: header, one directory entry a picture (a size of 256 is
    written as 0), then the pictures, PNG or DIB, in the same order."""
    bodies = [encode_png(image) if png else icon_dib(image) for image, png in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = len(out) + 16 * len(images)
    for (image, _), body in zip(images, bodies):
        size = image.width % 256
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(body), offset)
        offset += len(body)
    return out + b"".join(bodies)


# Previews.

def paste(canvas, image, left, top, scale=1):
    """Draws image onto canvas, blended by its alpha, each pixel scale x scale."""
    for y in range(image.height * scale):
        for x in range(image.width * scale):
            i = ((top + y) * canvas.width + left + x) * 4
            canvas.rgba[i:i + 3] = bytes(over(image.pixel(x // scale, y // scale), canvas.rgba[i:i + 3]))


def write_png(folder, name, image):
    path = os.path.join(folder, name)
    with open(path, "wb") as f:
        f.write(encode_png(image))
    return path


def write_previews(folder, keyed, icons):
    """Writes the preview pictures into folder; returns their paths."""
    os.makedirs(folder, exist_ok=True)
    written = []

    # The panel as the window shows it, at 1:1 and doubled, on each end of the
    # range of button faces.
    width, height = PANEL_SIZE
    for face in FACES:
        shown = Image(width, height, b"".join(bytes(c) + b"\xff" for c in shown_on(keyed, face)))
        canvas = solid(20 + width + 20 + 2 * width + 20, 20 + 2 * height + 20, face)
        paste(canvas, shown, 20, 20)
        paste(canvas, shown, 40 + width, 20, 2)
        written.append(write_png(folder, "side-on-%d-%d-%d.png" % face, canvas))

    # The DIB sizes magnified and at 1:1, on white, the classic face and dark.
    backgrounds = ((255, 255, 255), (212, 208, 200), (32, 32, 32))
    small = [image for image, png in icons if not png]
    scale = 8
    band_height = 20 + max(i.height for i in small) * scale + 20
    canvas = solid(20 + sum(i.width * (scale + 1) + 40 for i in small), len(backgrounds) * band_height, (0, 0, 0))
    for n, background in enumerate(backgrounds):
        top = n * band_height
        paste(canvas, solid(canvas.width, band_height, background), 0, top)
        left = 20
        for image in small:
            paste(canvas, image, left, top + 20, scale)
            left += image.width * scale + 20
            paste(canvas, image, left, top + 20)
            left += image.width + 20
    written.append(write_png(folder, "icon-sizes.png", canvas))

    # The PNG image at 1:1 on white and on dark.
    for image, png in icons:
        if png:
            size = image.width
            canvas = solid(2 * size + 80, size + 40, (255, 255, 255))
            paste(canvas, solid(size + 40, size + 40, (32, 32, 32)), size + 40, 0)
            paste(canvas, image, 20, 20)
            paste(canvas, image, size + 60, 20)
            written.append(write_png(folder, "icon-%d.png" % size, canvas))
    return written


def main():
    parser = argparse.ArgumentParser(description="Regenerates side.bmp and installer.ico from resources/artwork.")
    parser.add_argument("--out", default=os.path.join(ROOT, "resources"), help="folder for side.bmp and installer.ico")
    parser.add_argument("--preview", metavar="DIR", help="also write PNG previews into DIR")
    args = parser.parse_args()

    panel = render(PANEL_DRAWING, *PANEL_SIZE)
    keyed = key_panel(panel)
    icons = [(render(drawing, size, size), png) for size, drawing, png in ICON_IMAGES]

    with open(os.path.join(args.out, "side.bmp"), "wb") as f:
        f.write(bmp24(*PANEL_SIZE, keyed))
    with open(os.path.join(args.out, "side.bmp.deflate"), "wb") as f:
        f.write(raw_deflate(bmp24(*PANEL_SIZE, keyed)))
    with open(os.path.join(args.out, "installer.ico"), "wb") as f:
        f.write(ico(icons))

    print("side.bmp: key colour %s" % (KEY,))
    for face in FACES:
        worst, count = halo(panel, keyed, face)
        print("  on a face of %s: %d rim pixels differ from a true blend, by at most %d of 255" % (face, count, worst))
    if args.preview:
        for path in write_previews(args.preview, keyed, icons):
            print("preview:", path)


if __name__ == "__main__":
    main()
