"""Writes bolt_fixtures.h: discharge-bolt records made with the document builder
(tools/docbuilder/sprites.py), as byte arrays for the bolt tests."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tools", "docbuilder"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "support"))

from docbuilder import Writer  # noqa: E402
import sprites  # noqa: E402
from fixture_header import write_header  # noqa: E402

# Values that differ from every default, so a field read from the wrong place shows.
SPRITE = dict(count=6, size=40, transparency=20, blend=0, colour=0x112233, image=("segment.png", 5),
              second=("halo.png", 6), image_kind=0, animation_speed=70,
              view=dict(edges=(0.125, 0.875, 0.25, 0.75), speed=75, abobj=dict(name="bolt", depth=90)))
FULL = dict(start=(12.5, 40.0, 0.25), end=(300.0, 220.25, -1.0), deviation=30, texture_kind=0, flicker=40,
            speed=80, glow=dict(glow_colour=0x00336699, strength=150, fx=dict(effect=("bolt.fx", 3), sprite=SPRITE)))


def fixtures():
    out = {}
    w = Writer()
    sprites.discharge_fx(w, **FULL)
    out["BoltFull"] = w.bytes()

    w = Writer()
    sprites.discharge_fx(w)
    out["BoltBuilderDefaults"] = w.bytes()

    # A count far beyond any bolt: making it would take minutes.
    w = Writer()
    sprites.discharge_fx(w, start=(0.0, 0.0, 0.0), end=(100.0, 0.0, 0.0),
                         glow=dict(fx=dict(sprite=dict(count=1000000, size=10))))
    out["BoltHugeCount"] = w.bytes()
    return out


def main(path):
    write_header(path, "tests/objects/bolt/make_fixtures.py", fixtures())


if __name__ == "__main__":
    main(sys.argv[1])
