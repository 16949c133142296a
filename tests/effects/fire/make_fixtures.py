"""Writes fire_fixtures.h: records of the fire effect made with the document builder
(tools/docbuilder/effects.py), every stored version, a version 3 record under another class
name (as a layer that carries a fire may spell it), the version 3 record that versions 1
and 2 write back as, and the module's fire effect source for the device tests."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools", "docbuilder"))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))

from docbuilder import Writer, interval, written  # noqa: E402
import effects  # noqa: E402
from fixture_header import project_file, write_header  # noqa: E402

REGION = effects.region_rect(20.0, 10.0, 300.0, 190.0)
# Fire fields other than the defaults: colours 1 and 2 (0x00BBGGRR), the stored value,
# the two links, density 150 (0.5), brightness 40 (0.8), tiling 200 (2.0).
FIRE = dict(colour1=0x2040FF, colour2=0x1020C0, stored=5, pattern=("fire\\pattern.png", 41),
            noise=("fire\\noise.png", 42), density=150, brightness=40, tiling=200)
# A base part other than the fire's defaults: speed 80 (1.6), technique mode 1, scale 75,
# a named mask key and a named object.
BASE = dict(effect=("fire\\fire.fx", 43), speed=80, technique=1, scale=75, mask_name="flames",
            abobj=dict(name="campfire", depth=90, time_line_args=dict(mode=2, intervals=[interval(0.0, 5.0)])))


def renamed(data, name):
    """The record with its class name replaced (the version and fields kept)."""
    head = Writer().string("DS_FireFX").u32(3).bytes()
    assert data.startswith(head)
    return Writer().string(name).u32(3).raw(data[len(head):]).bytes()


def fixtures():
    out = {}
    # Version 1: the base part alone (its own region and reserved value).
    out["FireV1"] = written(effects.fire_fx, version=1, fx=dict(BASE, region=REGION, reserved=7))
    # Version 2: the region and the reserved value among the fire's fields, with a
    # version 2 base part, which carries neither.
    out["FireV2"] = written(effects.fire_fx, version=2, region=REGION, reserved=9, fx=dict(BASE, version=2), **FIRE)
    out["FireV3"] = written(effects.fire_fx, version=3, fx=dict(BASE, region=REGION, reserved=9), **FIRE)
    out["FireV3Renamed"] = renamed(out["FireV3"], "DS_FlameFire")
    # What the version 1 and 2 records write back as.
    out["FireV1AsV3"] = written(effects.fire_fx, version=3, fx=dict(BASE, region=REGION, reserved=7))
    out["FireEffect"] = project_file("module", "effects", "fire.fx")
    return out


def main(path):
    write_header(path, "tests/effects/fire/make_fixtures.py", fixtures())


if __name__ == "__main__":
    main(sys.argv[1])
