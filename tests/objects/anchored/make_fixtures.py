"""Writes anchored_fixtures.h: records of the drifting, flashing and anchored sprite
systems made with the document builder, every stored version, as byte arrays.

Each record carries values that differ from the class's defaults, so a reader that skips
or misplaces a field shows it in the values that follow."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tools", "docbuilder"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "support"))

from docbuilder import Writer  # noqa: E402
import sprites  # noqa: E402
from fixture_header import write_header  # noqa: E402

# A sprite part of the current version whose values all differ from the defaults.
SPRITE = dict(count=7, size=48, transparency=20, blend=1, colour=0x336699, phase_speed=0.5,
              phase_range=(0.25, 0.75), size_range=(0.5, 1.5), image=("C:\\pics\\ray.png", 0x1122334455),
              frame_count=3, frame_rate=12.5, strip=1, flip_v=1, flip_h=0, refresh=1, animation_speed=150,
              view=dict(edges=(0.125, 0.875, 0.25, 0.75), speed=75, abobj=dict(name="thing", depth=60)))

# A version-4 sprite part: no flips of its own, so the ones a version-1 stat-obj kept
# before it survive.
SPRITE_V4 = dict(version=4, count=2, size=64, image=("old.png", 9), image_kind=0)


def fixtures():
    out = {}

    def record(name, write, *args, **kwargs):
        w = Writer()
        write(w, *args, **kwargs)
        out[name] = w.bytes()

    record("GodRay", sprites.god_ray, angle=135, sprite=SPRITE)
    record("Sparkle", sprites.sparkle, sprite=SPRITE)
    record("Fog", sprites.fog, max_speed=(12.5, 7.25), sprite=SPRITE)
    record("Lighting", sprites.lighting, sprite=SPRITE)
    record("Grass", sprites.grass, sway=4.5, sprite=SPRITE)
    record("StatObjV2", sprites.stat_obj, version=2, bounds=(11, 22, 33, 44, 400, 300), rotation=45,
           sprite=SPRITE)
    record("StatObjV1", sprites.stat_obj, version=1, bounds=(1, 2, 3, 4, 120, 90), rotation=30, flips=(1, 1),
           sprite=SPRITE_V4)
    record("Flower", sprites.flower, sway=2.25,
           stat=dict(bounds=(5, 6, 7, 8, 250, 260), rotation=90, sprite=SPRITE))
    record("FlowerOfStatObjV1", sprites.flower, sway=0.75,
           stat=dict(version=1, bounds=(0, 0, 0, 0, 50, 60), rotation=10, flips=(0, 1), sprite=SPRITE_V4))
    record("Discharge", sprites.discharge,
           stat=dict(bounds=(9, 8, 7, 6, 320, 240), rotation=270, sprite=SPRITE))
    return out


def main(path):
    write_header(path, "tests/objects/anchored/make_fixtures.py", fixtures(), table=("AnchoredFixture", "kAnchoredFixtures", "data"))


if __name__ == "__main__":
    main(sys.argv[1])
