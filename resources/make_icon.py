"""Writes tarnwick.ico: the tray icon (16x16 and 32x32, 32-bit with alpha), a blue disc with
a white wave, drawn here so that no picture needs to be kept in the repository.

    python3 resources/make_icon.py resources/tarnwick.ico
"""
import math
import struct
import sys


def image(size):
    pixels = []  # bottom-up rows of BGRA
    c = (size - 1) / 2.0
    for row in range(size):
        y = size - 1 - row
        for x in range(size):
            d = math.hypot(x - c, y - c)
            if d > size / 2.0 - 0.5:
                pixels.append((0, 0, 0, 0))
                continue
            wave = c + math.sin((x / size) * 2 * math.pi) * size * 0.15
            if abs(y - wave) < size / 10.0:
                pixels.append((255, 255, 255, 255))
            else:
                pixels.append((200, 110, 30, 255))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(bytes(p) for p in pixels)
    mask_row = ((size + 31) // 32) * 4
    and_mask = b"\0" * (mask_row * size)
    return header + xor + and_mask


def main(path):
    sizes = [16, 32]
    blobs = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, b in zip(sizes, blobs):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(b), offset)
        offset += len(b)
    out += b"".join(blobs)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1])
