"""Writes motion_fixtures.h: records of the swimming, flying and flowing sprite systems in
every stored version, made with the document builder, as byte arrays for the tests."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tools", "docbuilder"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "support"))

from docbuilder import written  # noqa: E402
import sprites  # noqa: E402
from fixture_header import write_header  # noqa: E402

# A sprite part that differs from the defaults in every field the tests look at, so a
# field read from the wrong place shows.
SPRITE = dict(
    view=dict(edges=(0.125, 0.875, 0.25, 0.75), speed=75,
              abobj=dict(name="school", depth=80, time_line_args=dict(mode=1, fade_target=1, hidden=(300, 400),
                                                                       shown=(500, 600), fade_in=20, fade_out=30))),
    count=7, size=48, transparency=30, blend=1, colour=0x336699, phase_speed=0.5, phase_range=(0.25, 0.75),
    size_range=(0.5, 1.5), image=("fish.png", 7), frame_count=4, frame_rate=8.0, strip=1, animation_speed=85)

CONTROLS = (dict(mode=1), dict(mode=1, fade_out=100),
            dict(mode=2, delay=(2000, 5000)), dict(mode=0, fade_out=300, fade_in=400, delay=(1000, 1500)))


def fixtures():
    out = {}
    out["FishV1"] = written(sprites.fish, max_speed=(120.0, 60.0), sprite=SPRITE)
    out["BirdV1"] = written(sprites.bird, max_speed=(80.0, 40.0), sprite=SPRITE)
    out["GhostV1"] = written(sprites.ghost, version=1, max_speed=(30.0, 20.0), sprite=SPRITE)
    out["GhostV2"] = written(sprites.ghost, version=2, max_speed=(30.0, 20.0), sprite=SPRITE)
    flow = dict(direction=135, lateral_speed=24, lateral_rate=16, base_speed=100.0, sprite=SPRITE)
    out["FlowV1"] = written(sprites.flow, version=1, orientation=3, **flow)
    out["FlowV2Turned"] = written(sprites.flow, version=2, orientation=5, **flow)
    out["FlowV2Upright"] = written(sprites.flow, version=2, orientation=0, **flow)
    out["FlowV3"] = written(sprites.flow, version=3, orientation=2, **flow)
    out["FlowV4"] = written(sprites.flow, version=4, orientation=3, controls=CONTROLS, **flow)
    out["RainV1"] = written(sprites.rain, version=4, direction=250, lateral_speed=3, lateral_rate=8,
                           base_speed=1500.0, orientation=1, controls=CONTROLS, sprite=SPRITE)
    return out


def main(path):
    write_header(path, "tests/objects/motion/make_fixtures.py", fixtures())


if __name__ == "__main__":
    main(sys.argv[1])
