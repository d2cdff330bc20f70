#!/usr/bin/env python3
"""Draws the sample event icons (16x16) and writes them as Windows BMP files.

Most icons are 24 bits per pixel; a few are written at 8, 4 and 1 bits per
pixel (palette) and one at 32 bits, so that every decoding path of the
library is exercised by the sample data. The bottom-left pixel of every icon
is its background, which the library draws transparent.

Usage: tools/make_icons.py [OUTPUT_DIR]   (default data/sample/EventBitmap)
"""
import os
import struct
import sys

SIZE = 16

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
RED = (220, 30, 30)
GREEN = (30, 170, 60)
BLUE = (40, 90, 220)
YELLOW = (250, 210, 30)
ORANGE = (245, 140, 20)
GREY = (128, 128, 128)
MAGENTA = (255, 0, 255)  # background: never used inside a shape
CYAN = (20, 180, 200)
PURPLE = (130, 60, 180)


def canvas(background=MAGENTA):
    return [[background] * SIZE for _ in range(SIZE)]


def rect(img, x0, y0, x1, y1, colour):
    for y in range(max(y0, 0), min(y1, SIZE - 1) + 1):
        for x in range(max(x0, 0), min(x1, SIZE - 1) + 1):
            img[y][x] = colour


def disc(img, cx, cy, r, colour):
    for y in range(SIZE):
        for x in range(SIZE):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                img[y][x] = colour


def ring(img, cx, cy, r, width, colour):
    for y in range(SIZE):
        for x in range(SIZE):
            d = (x - cx) ** 2 + (y - cy) ** 2
            if (r - width) ** 2 < d <= r * r:
                img[y][x] = colour


def line(img, x0, y0, x1, y1, colour, thick=1):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        rect(img, x, y, x + thick - 1, y + thick - 1, colour)


def cross(img, colour):
    line(img, 2, 2, 12, 12, colour, 2)
    line(img, 12, 2, 2, 12, colour, 2)


def arrow_down(img, colour):
    rect(img, 6, 1, 9, 9, colour)
    for i in range(6):
        rect(img, 2 + i, 9 + i, 13 - i, 9 + i, colour)


def arrow_up(img, colour):
    rect(img, 6, 6, 9, 14, colour)
    for i in range(6):
        rect(img, 2 + i, 6 - i, 13 - i, 6 - i, colour)


def handset(img, colour):
    rect(img, 2, 2, 5, 6, colour)
    rect(img, 10, 9, 13, 13, colour)
    line(img, 4, 6, 10, 12, colour, 2)


def triangle(img, colour, mark):
    for i in range(13):
        half = i // 2
        rect(img, 7 - half, 1 + i, 8 + half, 1 + i, colour)
    rect(img, 7, 5, 8, 10, mark)
    rect(img, 7, 12, 8, 13, mark)


def bars(img, colours):
    for i, colour in enumerate(colours):
        rect(img, 1 + i * 4, 13 - i * 3, 3 + i * 4, 14, colour)


def envelope(img, body, edge):
    rect(img, 1, 4, 14, 12, body)
    for x in range(1, 15):
        img[4][x] = img[12][x] = edge
    for y in range(4, 13):
        img[y][1] = img[y][14] = edge
    line(img, 1, 4, 7, 9, edge)
    line(img, 14, 4, 8, 9, edge)


def icons():
    made = {}

    img = canvas(); handset(img, GREEN); made["CallSetup.bmp"] = (img, 24)
    img = canvas(); handset(img, GREY); cross(img, RED); made["CallDrop.bmp"] = (img, 24)
    img = canvas(); handset(img, BLUE); made["CallEnd.bmp"] = (img, 24)
    img = canvas(); line(img, 1, 5, 13, 5, GREEN, 2); line(img, 14, 10, 2, 10, GREEN, 2)
    rect(img, 11, 3, 12, 8, GREEN); rect(img, 3, 8, 4, 13, GREEN); made["HandoverSuccess.bmp"] = (img, 24)
    img = canvas(); line(img, 1, 5, 13, 5, ORANGE, 2); line(img, 14, 10, 2, 10, ORANGE, 2)
    cross(img, RED); made["HandoverFailure.bmp"] = (img, 24)
    img = canvas(); disc(img, 7, 6, 5, BLUE); disc(img, 7, 6, 2, WHITE); line(img, 7, 11, 7, 15, BLUE, 2)
    made["LocationUpdate.bmp"] = (img, 24)
    img = canvas(); ring(img, 7, 7, 7, 2, RED); line(img, 3, 3, 11, 11, RED, 2); made["RrcReject.bmp"] = (img, 24)
    img = canvas(); bars(img, [RED, GREY, GREY, GREY]); made["LowRxLev.bmp"] = (img, 24)
    img = canvas(); triangle(img, YELLOW, BLACK); made["Warning.bmp"] = (img, 24)
    img = canvas(); arrow_down(img, BLUE); made["FtpDownload.bmp"] = (img, 24)
    img = canvas(); arrow_up(img, GREEN); made["FtpUpload.bmp"] = (img, 24)
    img = canvas(); ring(img, 7, 7, 6, 2, CYAN); disc(img, 7, 7, 2, CYAN); made["Ping.bmp"] = (img, 24)

    img = canvas(WHITE); envelope(img, YELLOW, BLACK); made["Sms.bmp"] = (img, 8)
    img = canvas(WHITE); envelope(img, CYAN, PURPLE); rect(img, 10, 1, 14, 3, RED); made["Mms.bmp"] = (img, 8)
    img = canvas(); bars(img, [GREEN, GREEN, GREEN, GREY]); made["Attach.bmp"] = (img, 4)
    img = canvas(); disc(img, 7, 7, 6, PURPLE); rect(img, 5, 4, 6, 11, WHITE); rect(img, 7, 4, 9, 5, WHITE)
    rect(img, 9, 6, 10, 7, WHITE); rect(img, 7, 8, 9, 8, WHITE); made["PdpActive.bmp"] = (img, 4)
    img = canvas(WHITE); handset(img, BLACK); made["Dial.bmp"] = (img, 1)
    img = canvas(WHITE); cross(img, BLACK); made["Failure.bmp"] = (img, 1)
    img = canvas(); rect(img, 1, 3, 10, 12, BLUE); line(img, 11, 7, 14, 4, BLUE, 2); line(img, 11, 8, 14, 11, BLUE, 2)
    made["VideoCall.bmp"] = (img, 32)
    return made


def palette_of(img, bits):
    colours = []
    for row in img:
        for c in row:
            if c not in colours:
                colours.append(c)
    if len(colours) > (1 << bits):
        raise ValueError(f"{len(colours)} colours do not fit {bits} bits per pixel")
    return colours


def pack_row(indices, bits):
    out = bytearray()
    per_byte = 8 // bits
    for i in range(0, len(indices), per_byte):
        value = 0
        for j in range(per_byte):
            idx = indices[i + j] if i + j < len(indices) else 0
            value |= idx << (8 - bits * (j + 1))
        out.append(value)
    return out


def bmp_bytes(img, bits):
    rows = []
    palette = []
    if bits <= 8:
        palette = palette_of(img, bits)
        for row in reversed(img):  # bottom-up
            rows.append(pack_row([palette.index(c) for c in row], bits))
    else:
        for row in reversed(img):
            data = bytearray()
            for r, g, b in row:
                data += bytes((b, g, r)) + (b"\xff" if bits == 32 else b"")
            rows.append(data)
    stride = (SIZE * bits + 31) // 32 * 4
    pixels = b"".join(bytes(r) + b"\0" * (stride - len(r)) for r in rows)
    colour_table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(colour_table)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, bits, 0, len(pixels), 2835, 2835,
                       len(palette), 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + colour_table + pixels


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join("data", "sample", "EventBitmap")
    os.makedirs(out_dir, exist_ok=True)
    for name, (img, bits) in sorted(icons().items()):
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(bmp_bytes(img, bits))
        print(f"{name}: {bits} bpp")


if __name__ == "__main__":
    main()
