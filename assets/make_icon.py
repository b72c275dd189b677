#!/usr/bin/env python3
"""Draws the application icon, a spiral shell: into viewer.ico, one 32 x 32 image
with 16 colours and one with 256, as the window class expects of icon 101, then the
sizes Windows draws elsewhere (16 in title bars, 24 and 48 on the taskbar and in
Explorer, 256 in large views) in true colour with alpha; into icon-32.bmp, the
256-colour image with its transparency as the Linux build links it; into
icon-32.png and icon-256.png, the same artwork for desktop menus; and into the web
site's folder, its app icons."""
import math
import os
import struct
import sys
import zlib

SIZE = 32
PAGE_BLUE = (0x3a, 0x6e, 0xa5)  # the web page's background

# The standard 16-colour palette, so the 16-colour image looks right on any display.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def shell_pixel(x, y, size=SIZE):
    """Colour of the shell at a pixel centre of a size x size icon, or None where the
    icon is clear. The artwork is drawn in the 32-pixel icon's units."""
    scale = SIZE / size
    px, py = (x + 0.5) * scale - 16.0, (y + 0.5) * scale - 15.0
    best = None
    for step in range(400):
        t = step / 399.0
        angle = t * 2.6 * 2 * math.pi
        radius = 11.5 * math.exp(math.log(12.0) * (t - 1.0))
        cx, cy = radius * math.cos(angle) * 0.85, radius * math.sin(angle) * 0.85
        tube = radius * 0.42
        d = math.hypot(px - cx, py - cy)
        if d <= tube:
            ridge = 0.5 + 0.5 * math.cos(angle * 5.0)  # growth ridges across the tube
            shade = (1.0 - d / (tube + 0.001)) * (0.6 + 0.4 * ridge)
            best = (t, shade)
    if best is None:
        return None
    t, shade = best
    if t > 0.95:  # the open mouth shows the yellow inside
        return (int(200 + 55 * shade), int(170 + 60 * shade), 30)
    return (int(110 + 100 * shade), int(20 + 40 * shade), int(130 + 110 * shade))


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def palette256(image):
    used = sorted({c for row in image for c in row if c is not None})
    palette = [(0, 0, 0)] + used[:255]
    return palette + [(0, 0, 0)] * (256 - len(palette))


def dib(image, palette, bits):
    rows = []
    for y in reversed(range(SIZE)):
        indices = [0 if c is None else nearest(palette, c) for c in image[y]]
        if bits == 8:
            rows.append(bytes(indices))
        else:
            rows.append(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, SIZE, 2)))
    mask = b''.join(
        int(''.join('1' if image[y][x] is None else '0' for x in range(SIZE)), 2).to_bytes(4, 'big')
        for y in reversed(range(SIZE)))
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, bits, 0,
                         len(b''.join(rows)) + len(mask), 0, 0, len(palette), 0)
    colours = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in palette)
    return header + colours + b''.join(rows) + mask


def dib32(size):
    """An icon image of that size in true colour with alpha, and its transparency mask."""
    image = [[shell_pixel(x, y, size) for x in range(size)] for y in range(size)]
    pixels = b''.join(bytes(4) if c is None else bytes((*reversed(c), 255))
                      for y in reversed(range(size)) for c in image[y])
    stride = (size + 31) // 32 * 4
    mask = b''.join(
        int(''.join('1' if image[y][x] is None else '0' for x in range(size)).ljust(stride * 8, '0'),
            2).to_bytes(stride, 'big')
        for y in reversed(range(size)))
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask),
                         0, 0, 0, 0)
    return header + pixels + mask


def bmp(image, palette):
    """A 32-bit bitmap file of the image in the palette's colours, clear around the shell."""
    pixels = b''.join(
        bytes(4) if c is None else bytes((*reversed(palette[nearest(palette, c)]), 255))
        for y in reversed(range(SIZE)) for c in image[y])
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE, 1, 32, 0, len(pixels), 0, 0, 0, 0)
    return struct.pack('<2sIHHI', b'BM', 14 + len(header) + len(pixels), 0, 0,
                       14 + len(header)) + header + pixels


def png(size, background=None, shell=1.0):
    """An RGBA PNG of the icon at that size, clear around the shell, or on a background
    colour that fills the square with the shell drawn at that share of its side."""
    art = size * shell
    margin = (size - art) / 2

    def pixel(x, y):
        colour = shell_pixel((x - margin) * size / art, (y - margin) * size / art, size)
        if colour:
            return bytes((*colour, 255))
        return bytes((*background, 255)) if background else bytes(4)
    rows = b''
    for y in range(size):
        rows += b'\0' + b''.join(pixel(x, y) for x in range(size))

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
            chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))


def main(path):
    folder = os.path.dirname(path)
    for size in (32, 256):
        with open(os.path.join(folder, f'icon-{size}.png'), 'wb') as f:
            f.write(png(size))
    # The web app's icons: 192 and 512 pixels as they are, one for masks that may cut
    # all but a middle circle of 80 % (the shell within it, on the page's blue), and one
    # for iOS home screens, which fill a clear background with black.
    site = os.path.join(folder, '..', 'site')
    for name, size, background, shell in (('icon-192.png', 192, None, 1.0),
                                          ('icon-512.png', 512, None, 1.0),
                                          ('icon-maskable-512.png', 512, PAGE_BLUE, 0.7),
                                          ('apple-touch-icon.png', 180, PAGE_BLUE, 0.85)):
        with open(os.path.join(site, name), 'wb') as f:
            f.write(png(size, background, shell))
    image = [[shell_pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]
    with open(os.path.join(os.path.dirname(path), 'icon-32.bmp'), 'wb') as f:
        f.write(bmp(image, palette256(image)))
    # Size, colour count, bits per pixel, data; a 256-pixel image is stored as PNG and
    # written as size 0 in the directory, as Windows reads it.
    images = [(SIZE, 16, 4, dib(image, VGA16, 4)), (SIZE, 0, 8, dib(image, palette256(image), 8))]
    images += [(size, 0, 32, dib32(size)) for size in (16, 24, 48)]
    images.append((256, 0, 32, png(256)))
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colour_count, bits, data in images:
        out += struct.pack('<BBBBHHII', size % 256, size % 256, colour_count, 0, 1, bits, len(data),
                           offset)
        offset += len(data)
    out += b''.join(data for _, _, _, data in images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'viewer.ico')
