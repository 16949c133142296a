"""24-bit bottom-up bitmap files for test fixtures: pictures small enough to check by eye."""

import struct


def bmp(rows):
    """A bitmap of rows of (r, g, b) pixels, the first row at the top."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = b""
    for row in reversed(rows):
        line = b"".join(struct.pack("BBB", b, g, r) for (r, g, b) in row)
        pixels += line + b"\0" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def solid_bmp(width, height, rgb):
    """A bitmap of one colour."""
    return bmp([[rgb] * width] * height)
