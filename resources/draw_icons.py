#!/usr/bin/env python3
"""Draws the program's icons and the kit's button and message images.

Only the standard library is used, so the images can be redrawn anywhere:
    python3 resources/draw_icons.py
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


class Canvas:
    def __init__(self, size):
        self.w = self.h = size
        self.px = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def blend(self, x, y, rgb, alpha):
        if not (0 <= x < self.w and 0 <= y < self.h) or alpha <= 0:
            return
        r0, g0, b0, a0 = self.px[y][x]
        a = alpha + a0 * (1 - alpha)
        if a <= 0:
            return
        mix = lambda c1, c0: int(round((c1 * alpha + c0 * a0 * (1 - alpha)) / a))
        self.px[y][x] = (mix(rgb[0], r0), mix(rgb[1], g0), mix(rgb[2], b0), a)

    def shape(self, inside, rgb, samples=4):
        """Fills every pixel by the fraction of its sub-samples for which inside(x, y) holds."""
        for y in range(self.h):
            for x in range(self.w):
                hits = 0
                for sy in range(samples):
                    for sx in range(samples):
                        if inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples):
                            hits += 1
                if hits:
                    self.blend(x, y, rgb, hits / (samples * samples))

    def rounded_rect(self, x0, y0, x1, y1, r, rgb):
        def inside(x, y):
            if not (x0 <= x <= x1 and y0 <= y <= y1):
                return False
            cx = min(max(x, x0 + r), x1 - r)
            cy = min(max(y, y0 + r), y1 - r)
            return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
        self.shape(inside, rgb)

    def circle(self, cx, cy, r, rgb):
        self.shape(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, rgb)

    def ring(self, cx, cy, r, width, rgb):
        self.shape(lambda x, y: (r - width) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r, rgb)

    def line(self, x0, y0, x1, y1, width, rgb):
        def inside(x, y):
            dx, dy = x1 - x0, y1 - y0
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
            px, py = x0 + t * dx, y0 + t * dy
            return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
        self.shape(inside, rgb)

    def rgba_rows(self):
        return [[(r, g, b, int(round(a * 255))) for (r, g, b, a) in row] for row in self.px]


def write_png(path, canvas):
    raw = b''.join(b'\x00' + bytes(v for p in row for v in p) for row in canvas.rgba_rows())
    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data) & 0xFFFFFFFF)
    header = struct.pack('>IIBBBBB', canvas.w, canvas.h, 8, 6, 0, 0, 0)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def write_ico(path, canvas):
    rows = canvas.rgba_rows()
    n = canvas.w
    pixels = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((n + 31) // 32) * 4
    mask = b'\x00' * (mask_row * n)
    dib = struct.pack('<IiiHHIIiiII', 40, n, n * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0) + pixels + mask
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1))
        f.write(struct.pack('<BBBBHHII', n % 256, n % 256, 0, 0, 1, 32, len(dib), 6 + 16))
        f.write(dib)


# The program's icon, on a 64-unit grid: the body, the screen and four lamps. device() and
# device_svg() draw the same shapes.
DEVICE_BODY = (6, 10, 58, 54, 6, (52, 73, 94))
DEVICE_SCREEN = (12, 16, 52, 36, 3, (46, 204, 113))
DEVICE_LAMPS = [(x, 45, 3, (236, 240, 241) if i % 2 == 0 else (241, 196, 15))
                for i, x in enumerate((18, 28, 38, 48))]
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)


def device(size=64):
    c = Canvas(size)
    s = size / 64
    for x0, y0, x1, y1, r, rgb in (DEVICE_BODY, DEVICE_SCREEN):
        c.rounded_rect(x0 * s, y0 * s, x1 * s, y1 * s, r * s, rgb)
    for x, y, r, rgb in DEVICE_LAMPS:
        c.circle(x * s, y * s, r * s, rgb)
    return c


def device_svg():
    colour = lambda rgb: '#%02x%02x%02x' % rgb
    rect = '<rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="%s"/>'
    shapes = [rect % (x0, y0, x1 - x0, y1 - y0, r, colour(rgb))
              for x0, y0, x1, y1, r, rgb in (DEVICE_BODY, DEVICE_SCREEN)]
    circle = '<circle cx="%g" cy="%g" r="%g" fill="%s"/>'
    shapes += [circle % (x, y, r, colour(rgb)) for x, y, r, rgb in DEVICE_LAMPS]
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">\n  '
            + '\n  '.join(shapes) + '\n</svg>\n')


def serial(size=32):
    c = Canvas(size)
    s = size / 32
    c.rounded_rect(3 * s, 8 * s, 29 * s, 24 * s, 5 * s, (41, 128, 185))
    for x in (9, 14, 19, 24):
        c.circle(x * s, 13 * s, 1.6 * s, (255, 255, 255))
    for x in (11.5, 16.5, 21.5):
        c.circle(x * s, 19 * s, 1.6 * s, (255, 255, 255))
    return c


def main_icon(size=32):
    c = Canvas(size)
    s = size / 32
    c.circle(16 * s, 16 * s, 14 * s, (231, 76, 60))
    c.line(9 * s, 16 * s, 23 * s, 16 * s, 3 * s, (255, 255, 255))
    c.line(18 * s, 11 * s, 23 * s, 16 * s, 3 * s, (255, 255, 255))
    c.line(18 * s, 21 * s, 23 * s, 16 * s, 3 * s, (255, 255, 255))
    return c


def check_mark(size=18):
    c = Canvas(size)
    s = size / 18
    c.line(3 * s, 9.5 * s, 7.5 * s, 14 * s, 2.6 * s, (39, 174, 96))
    c.line(7.5 * s, 14 * s, 15 * s, 4.5 * s, 2.6 * s, (39, 174, 96))
    return c


def cross_mark(size=18):
    c = Canvas(size)
    s = size / 18
    c.line(4 * s, 4 * s, 14 * s, 14 * s, 2.6 * s, (192, 57, 43))
    c.line(14 * s, 4 * s, 4 * s, 14 * s, 2.6 * s, (192, 57, 43))
    return c


def message(kind, size=30):
    c = Canvas(size)
    s = size / 30
    colour = {'info': (52, 152, 219), 'question': (243, 156, 18), 'error': (231, 76, 60)}[kind]
    c.circle(15 * s, 15 * s, 14 * s, colour)
    white = (255, 255, 255)
    if kind == 'info':
        c.circle(15 * s, 8.5 * s, 2 * s, white)
        c.line(15 * s, 13 * s, 15 * s, 22 * s, 3.2 * s, white)
    elif kind == 'question':
        for k in range(0, 181, 10):
            a = math.radians(180 + k)
            c.circle((15 + 5 * math.cos(a)) * s, (11 + 5 * math.sin(a)) * s, 1.5 * s, white)
        c.line(20 * s, 11 * s, 15 * s, 16 * s, 3 * s, white)
        c.line(15 * s, 16 * s, 15 * s, 18 * s, 3 * s, white)
        c.circle(15 * s, 22.5 * s, 1.8 * s, white)
    else:
        c.line(10 * s, 10 * s, 20 * s, 20 * s, 3.2 * s, white)
        c.line(20 * s, 10 * s, 10 * s, 20 * s, 3.2 * s, white)
    return c


if __name__ == '__main__':
    write_png(os.path.join(HERE, 'device.png'), device())
    # The installed program's icon in the freedesktop theme folders.
    hicolor = os.path.join(HERE, 'icons', 'hicolor')
    for size in ICON_SIZES:
        folder = os.path.join(hicolor, '%dx%d' % (size, size), 'apps')
        os.makedirs(folder, exist_ok=True)
        write_png(os.path.join(folder, 'norvane.png'), device(size))
    os.makedirs(os.path.join(hicolor, 'scalable', 'apps'), exist_ok=True)
    with open(os.path.join(hicolor, 'scalable', 'apps', 'norvane.svg'), 'w') as f:
        f.write(device_svg())
    write_ico(os.path.join(HERE, 'main.ico'), main_icon())
    write_ico(os.path.join(HERE, 'serial.ico'), serial())
    write_png(os.path.join(HERE, 'image', 'btn_ok.png'), check_mark())
    write_png(os.path.join(HERE, 'image', 'btn_close.png'), cross_mark())
    for kind in ('info', 'question', 'error'):
        write_png(os.path.join(HERE, 'image', 'msg_%s.png' % kind), message(kind))
