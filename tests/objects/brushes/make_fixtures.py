"""Writes brush_fixtures.h: records of the air brushes (custom air brush, bling, twinkling
stars, aurora) made with the document builder (tools/docbuilder/particles.py), every stored
version and a few hostile ones, and the particle effect's source for the device tests."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools", "docbuilder"))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))

from docbuilder import Writer  # noqa: E402
import particles  # noqa: E402
from sprites import file_link  # noqa: E402
from fixture_header import project_file, write_header  # noqa: E402

# A textured part whose values all differ from the defaults; its last field (the object's
# name) shows that a record was read to its end.
TEX = dict(images=[("pictures\\glint.png", 21), ("pictures\\ray.png", 22)], effect=("effects\\particles.fx", 23),
           colour1=(0x336699, 20), colour2=(0x996633, 40), blend=3, mirror_v=1,
           generator=dict(life=5, rate=7, size=9, speed=11, abobj=dict(name="brush", depth=80)))
PICTURE = ("pictures\\brush.png", 31)
TEN = [0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.5]


def custom(brush, clock=100):
    w = Writer()
    particles.custom_air_brush(w, picture=PICTURE, clock=clock, brush=dict(brush, tex=TEX))
    return w.bytes()


def raw_brush(version, painted, count=None):
    """A custom air brush whose painted particles are written float by float: painted is a
    list of (position, n, floats)."""
    w = Writer()
    with w.record("DS_CustomAirBrush", 1):
        file_link(w, PICTURE)
        w.i32(100)
        with w.record("DS_AirBrush", version):
            w.i32(24)
            w.u32(len(painted) if count is None else count)
            for position, n, floats in painted:
                w.vec3(*position)
                w.i32(n)
                for value in floats:
                    w.float(value)
            particles.tex_part(w, **TEX)
    return w.bytes()


def fixtures():
    out = {}
    # Painted particles of each stored version, read through the custom air brush.
    out["AirBrushV1"] = custom(dict(version=1, size=24, particles=[((10.0, 20.0, 0.0), []),
                                                                     ((30.0, 40.0, 1.0), [])]))
    out["AirBrushV2"] = custom(dict(version=2, size=24, particles=[((10.0, 20.0, 0.0), [0.25, 2.0, 0.5])]))
    out["AirBrushV3"] = custom(dict(version=3, size=24, particles=[((10.0, 20.0, 0.0), TEN),
                                                                     ((50.0, 60.0, 0.0), [0.0, 3.0, 0.25, 0.0, 0.75,
                                                                                          1.0, 2.0, 1.0, 1.0, 0.5])]))
    # Version 3 in file order: the i-th float is 100 + the channel it holds.
    order = [0, 5, 1, 6, 2, 7, 3, 8, 4, 9]
    out["AirBrushV3Order"] = raw_brush(3, [((1.0, 2.0, 3.0), 5, [100.0 + c for c in order])])
    # Entry counts beyond the channels: the surplus floats are passed over and the next
    # particle and the textured part are read where they are.
    out["AirBrushV3Surplus"] = raw_brush(3, [((1.0, 2.0, 0.0), 7, [100.0 + c for c in order] + [7.0] * 4),
                                             ((5.0, 6.0, 0.0), 1, [0.5, 4.0])])
    out["AirBrushV2Surplus"] = raw_brush(2, [((1.0, 2.0, 0.0), 12, [100.0 + c for c in range(10)] + [7.0, 7.0]),
                                             ((5.0, 6.0, 0.0), 2, [0.5, 4.0])])
    out["AirBrushNegativeEntries"] = raw_brush(3, [((1.0, 2.0, 0.0), -4, []), ((5.0, 6.0, 0.0), 1, [0.5, 4.0])])
    out["AirBrushHugeEntries"] = raw_brush(3, [((1.0, 2.0, 0.0), 0x7FFFFFFF, [1.0] * 6)])
    out["AirBrushHugeCount"] = raw_brush(3, [((1.0, 2.0, 0.0), 5, [1.0] * 10)], count=0x7FFFFFFF)

    out["CustomAirBrush"] = custom(dict(size=24, particles=[((10.0, 20.0, 0.0), TEN)]))

    brush = dict(size=32, particles=[((100.0, 50.0, 0.0), TEN)], tex=TEX)
    for version in (1, 2):
        w = Writer()
        particles.bling(w, version=version, twinkle_clock=50, in_time=50, out_time=150, spin_clock=25, min_size=30,
                        brush=brush)
        out["BlingV%d" % version] = w.bytes()

    w = Writer()
    particles.twinkling_stars(w, clock=40, brush=brush)
    out["TwinklingStars"] = w.bytes()

    w = Writer()
    particles.aurora(w, band_height=60, height_clock=100, height_depth=50, height_length=3, alpha_clock=200,
                     alpha_depth=25, alpha_length=4, sway_clock=10, sway_amplitude=12, sway_length=5,
                     sway_direction=90, brush=brush)
    out["Aurora"] = w.bytes()

    out["ParticleEffect"] = project_file("tools", "demo", "effects", "particles.fx")
    return out


def main(path):
    write_header(path, "tests/objects/brushes/make_fixtures.py", fixtures())


if __name__ == "__main__":
    main(sys.argv[1])
