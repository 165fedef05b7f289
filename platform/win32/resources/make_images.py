#!/usr/bin/env python3
"""Makes the banner and the icon of Quelmar.exe.

banner.bmp: 207 x 31 pixels, 16 colours, light grey (192, 192, 192)
background, the wording embossed (white above and left, dark grey below and
right). The text is rendered without anti-aliasing by ImageMagick, so that
only the three colours appear; the rest is written here.

quelmar.ico: 32 x 32 pixels, 16 colours: a printer with a sheet of paper.

Run from anywhere: python3 platform/win32/resources/make_images.py
Needs ImageMagick 6 (/usr/bin/convert) and the DejaVu fonts.
"""
import os
import struct
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
WORDING = "Migration des imprimantes"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
WIDTH, HEIGHT = 207, 31

# The 16 colours of the standard VGA palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_BLUE, LIGHT_GREY, DARK_GREY, WHITE = 0, 4, 7, 8, 15


def text_mask(text, pointsize):
    """The text as rows of booleans, trimmed to its ink."""
    pbm = subprocess.run(
        ["/usr/bin/convert", "+antialias", "-background", "white", "-fill",
         "black", "-font", FONT, "-pointsize", str(pointsize),
         "label:" + text, "-trim", "+repage", "-compress", "none", "pbm:-"],
        check=True, capture_output=True).stdout.decode("ascii").split()
    width, height = int(pbm[1]), int(pbm[2])
    bits = [b == "1" for b in pbm[3:]]
    return [bits[y * width:(y + 1) * width] for y in range(height)]


def emboss(mask, width, height):
    """Pixels (palette indices) of the banner with `mask` centred."""
    pixels = [[LIGHT_GREY] * width for _ in range(height)]
    mask_height, mask_width = len(mask), len(mask[0])
    left = (width - mask_width) // 2
    top = (height - mask_height) // 2
    for dx, dy, colour in ((-1, -1, WHITE), (1, 1, DARK_GREY),
                           (0, 0, LIGHT_GREY)):
        for y, row in enumerate(mask):
            for x, ink in enumerate(row):
                if ink:
                    pixels[top + y + dy][left + x + dx] = colour
    return pixels


def packed_rows(pixels):
    """Bottom-up rows of 4-bit indices, each padded to 4 bytes."""
    rows = []
    for row in reversed(pixels):
        data = bytearray()
        for x in range(0, len(row), 2):
            high = row[x]
            low = row[x + 1] if x + 1 < len(row) else 0
            data.append(high << 4 | low)
        data.extend(b"\0" * (-len(data) % 4))
        rows.append(bytes(data))
    return b"".join(rows)


def dib_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0,
                       image_size, 2835, 2835, 16, 16)


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def write_bmp(path, pixels):
    image = packed_rows(pixels)
    info = dib_header(len(pixels[0]), len(pixels), len(image)) + palette_bytes()
    offset = 14 + len(info)
    with open(path, "wb") as out:
        out.write(struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0,
                              offset))
        out.write(info + image)


def icon_pixels():
    """A printer: grey body, dark outline, a white sheet, a green lamp."""
    size = 32
    pixels = [[None] * size for _ in range(size)]

    def box(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                pixels[y][x] = colour

    box(8, 2, 23, 12, BLACK)        # sheet going in
    box(9, 3, 22, 12, WHITE)
    box(2, 11, 29, 25, BLACK)       # body
    box(3, 12, 28, 24, LIGHT_GREY)
    box(3, 12, 28, 13, WHITE)
    box(3, 23, 28, 24, DARK_GREY)
    box(24, 15, 26, 16, 10)         # lamp
    box(6, 20, 25, 21, BLACK)       # paper slot
    box(7, 21, 24, 29, BLACK)       # sheet coming out
    box(8, 22, 23, 28, WHITE)
    for y in (24, 26):
        box(10, y, 21, y, DARK_BLUE)
    return pixels


def write_ico(path, pixels):
    size = len(pixels)
    colours = [[0 if c is None else c for c in row] for row in pixels]
    image = packed_rows(colours)
    mask = bytearray()
    for row in reversed(pixels):
        bits = 0
        for x, colour in enumerate(row):
            if colour is None:
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    # The icon's DIB counts the colour image and the mask in its height.
    data = dib_header(size, size * 2, len(image) + len(mask)) + \
        palette_bytes() + image + bytes(mask)
    with open(path, "wb") as out:
        out.write(struct.pack("<HHH", 0, 1, 1))
        out.write(struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data),
                              6 + 16))
        out.write(data)


def main():
    write_bmp(os.path.join(HERE, "banner.bmp"),
              emboss(text_mask(WORDING, 12), WIDTH, HEIGHT))
    write_ico(os.path.join(HERE, "quelmar.ico"), icon_pixels())


if __name__ == "__main__":
    main()
