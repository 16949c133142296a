"""Writes stars_fixtures.h: records of the falling stars and the fireworks made with the
document builder (tools/docbuilder/particles.py), and the particle effect's source, as
byte arrays for the star tests."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools", "docbuilder"))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))

from docbuilder import Writer, interval  # noqa: E402
import particles  # noqa: E402
from fixture_header import project_file, write_header  # noqa: E402

# Values that differ from every default and from each other, so a field read from the
# wrong place shows.
IMAGES = [("stars\\star.png", 11), ("stars\\trail.png", 12), ("stars\\glow.png", 13), ("stars\\trail_glow.png", 14)]
TEX = dict(images=IMAGES, effect=("stars\\particles.fx", 21), colour1=(0x0000FF, 20), colour2=(0x00FF00, 40), blend=2,
           mirror_v=1, mirror_h=0, frame_sequences=0,
           generator=dict(stored=[(1.0, 2.0, 3.0), (4.0, 5.0, 6.0)], life=50, rate=15, size=40, speed=30,
                          path_emission=1,
                          abobj=dict(name="sky", depth=80,
                                     time_line_args=dict(mode=2, intervals=[interval(1.0, 4.0, 1.5, 3.0)]))))
REGION = ((10.0, 20.0, 0.0), (10.0, 220.0, 0.0), (310.0, 20.0, 0.0), (310.0, 220.0, 0.0))


def fixtures():
    out = {}
    w = Writer()
    particles.falling_stars(w, speed=10, star_rate=75, direction=90, star_size=24, glow_scale=50, shown=200,
                            fade_in=100, fade_out=150, region=REGION, tex=TEX)
    out["FallingStars"] = w.bytes()

    w = Writer()
    particles.firework_simple(w, spark_count=12, spark_size=16, spark_speed=25, glow_scale=75,
                              origin=dict(life=50, rate=3, second=7, direction=45, clock=60,
                                          centre=(160.0, 100.0, 2.0), tex=dict(TEX, images=IMAGES[:1])))
    out["FireworkSimple"] = w.bytes()

    out["ParticleEffect"] = project_file("tools", "demo", "effects", "particles.fx")
    return out


def main(path):
    write_header(path, "tests/objects/stars/make_fixtures.py", fixtures())


if __name__ == "__main__":
    main(sys.argv[1])
