"""Writes device_fixtures.h: old stat-obj records whose pictures are stored inline (a
version-1 sprite part), made with the document builder, as byte arrays for the device
tests."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tools", "docbuilder"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "support"))

from docbuilder import Writer  # noqa: E402
import sprites  # noqa: E402
from bitmaps import solid_bmp  # noqa: E402
from fixture_header import write_header  # noqa: E402

RED, GREEN, BLUE = (255, 0, 0), (0, 255, 0), (0, 0, 255)



def old_stat_obj(frames, delays=(), second=b"", blend=0):
    """A version-1 stat-obj centred at (100, 120), unturned, its one 40-pixel sprite's
    pictures inline."""
    sprite = dict(version=1, count=1, size=40, blend=blend, legacy_frames=frames, legacy_delays=delays,
                  legacy_second=second)
    w = Writer()
    sprites.stat_obj(w, version=1, bounds=(0, 0, 0, 0, 100, 120), sprite=sprite)
    return w.bytes()


def fixtures():
    return {
        # Two frames, red then green, 0.3 s each.
        "OldStatObjTwoFrames": old_stat_obj([solid_bmp(4, 4, RED), solid_bmp(4, 4, GREEN)], delays=(0.3, 0.3)),
        # A red picture and a blue second picture, added over it (blend mode 1).
        "OldStatObjWithOverlay": old_stat_obj([solid_bmp(4, 4, RED)], second=solid_bmp(4, 4, BLUE), blend=1),
    }


def main(path):
    write_header(path, "tests/objects/device/make_fixtures.py", fixtures())


if __name__ == "__main__":
    main(sys.argv[1])
