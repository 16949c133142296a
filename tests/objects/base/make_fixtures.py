"""Writes base_fixtures.h: records of the placed-object and sprite-system bases made with
the document builder (tools/docbuilder/sprites.py), as byte arrays for the base tests."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tools", "docbuilder"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "support"))

from docbuilder import Writer  # noqa: E402
import sprites  # noqa: E402
from fixture_header import write_header  # noqa: E402

# One set of values that differs from every default, so a field read from the wrong place
# or not read at all shows.
VIEW = dict(rect=(10, 630, 20, 460, 5, 6), edges=(0.25, 0.75, 0.125, 0.875), flag=1, speed=75,
            abobj=dict(name="sprites", depth=80))
SPRITE = dict(count=12, old_speed=80, size=48, transparency=50, blend=1, colour=0x996633, phase_speed=0.5,
              phase_range=(0.25, 0.75), size_range=(0.5, 1.5), image=("fish.png", 7), second=("over.png", 9),
              reserved_count=3, reserved_value=2.5, frame_count=4, frame_rate=8.0, strip=1, image_kind=1,
              flip_v=1, flip_h=1, refresh=1, animation_speed=50,
              legacy_frames=(b"AAAA", b"BBBBBB"), legacy_second=b"SEC", legacy_delays=(0.125, 0.25))


def sprite_args(version, view_version=2):
    args = dict(SPRITE)
    args["version"] = version
    args["view"] = dict(VIEW, version=view_version)
    return args


def fixtures():
    out = {}
    for version in range(1, 8):
        w = Writer()
        sprites.base_sprite_part(w, **sprite_args(version))
        out["SpriteV%d" % version] = w.bytes()

    # An old sprite part whose view part is version 1 too: the speed lives only in the
    # sprite part.
    w = Writer()
    sprites.base_sprite_part(w, **sprite_args(1, view_version=1))
    out["SpriteV1ViewV1"] = w.bytes()

    for version in (1, 2):
        w = Writer()
        sprites.view_obj_part(w, **dict(VIEW, version=version))
        out["ViewV%d" % version] = w.bytes()

    # A version-1 legacy frame count that no document can hold.
    w = Writer()
    with w.record("DS_BaseSpriteProp", 1):
        sprites.view_obj_part(w, version=1)
        w.i32(3).i32(50)
        w.i32(32).i32(0).long(0).u32(0xFFFFFF)
        for value in (0.0, 0.0, 1.0, 1.0, 1.0):
            w.float(value)
        w.u32(0x7FFFFFFF)
        w.resource_record(b"", name="")
    out["SpriteV1HugeFrameCount"] = w.bytes()

    sprite7 = sprite_args(7)
    w = Writer()
    sprites.fx_part(w, effect=("glow.fx", 3), sprite=sprite7)
    out["FxPart"] = w.bytes()

    w = Writer()
    sprites.base_fx_part(w, effect=("text.fx", 4), sprite=sprite7)
    out["BaseFxPart"] = w.bytes()

    for version in (1, 2):
        w = Writer()
        sprites.stat_base_fx_part(w, version=version, centre=(320.0, 240.0, 1.5), height=64, width=128,
                                  fx=dict(effect=("stat.fx", 5), sprite=sprite7))
        out["StatBaseV%d" % version] = w.bytes()

    w = Writer()
    sprites.glow_part(w, glow_colour=0x00102030, strength=150, fx=dict(effect=("glow.fx", 6), sprite=sprite7))
    out["GlowPart"] = w.bytes()

    w = Writer()
    sprites.bound_control(w, mode=2, fade_out=300, fade_in=400, delay=(2000, 5000))
    out["BoundControl"] = w.bytes()
    return out


def main(path):
    write_header(path, "tests/objects/base/make_fixtures.py", fixtures())


if __name__ == "__main__":
    main(sys.argv[1])
