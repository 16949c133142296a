"""Writes centred_fixtures.h: records of the centred distortion effects (expand, radial
wave of both versions, rotation, bend) made with the document builder
(tools/docbuilder/effects.py), and the effect sources the device tests file: the module's
expand and radial-wave effects and the rotation and bend effects that documents carry."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools", "docbuilder"))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))

from docbuilder import Writer, interval  # noqa: E402
import effects  # noqa: E402
from fixture_header import write_header  # noqa: E402

# A base part whose values all differ from the defaults; its last field (the object's
# name) shows that a record was read to its end.
FX = dict(speed=70, technique=1, mask_name="mask", scale=80, reserved=7,
          region=effects.region_rect(20.0, 10.0, 300.0, 190.0),
          abobj=dict(name="centred", depth=60, time_line_args=dict(mode=1, fade_target=1,
                                                                   intervals=[interval(0.0, 5.0)])))


def central(**fx):
    return dict(centre=(120.0, 80.0, 0.5), fx=dict(FX, **fx))


def record(write):
    w = Writer()
    write(w)
    return w.bytes()


def source(*path):
    with open(os.path.join(ROOT, *path), "rb") as f:
        return f.read()


def fixtures():
    out = {}
    out["Expand"] = record(lambda w: effects.expand_fx(w, first=80, second=20, wave_form=1, central=central()))
    out["RadialWaveV1"] = record(lambda w: effects.radial_wave_fx(w, version=1, central=central()))
    out["RadialWaveV1Rewritten"] = record(lambda w: effects.radial_wave_fx(w, central=central()))
    out["RadialWaveV2"] = record(lambda w: effects.radial_wave_fx(w, amplitude=40, wavelength=90, bg_scale=125,
                                                                  outward=1, central=central()))
    out["Rotation"] = record(lambda w: effects.rotation_fx(w, zoom=2000, angle=30, reverse=1, central=central(
        effect=("fx\\rotation.fx", 61))))
    out["Bend"] = record(lambda w: effects.bend_fx(w, first=100, second=30, bend=150, bend_mode=1, central=central(
        effect=("fx\\bend.fx", 62))))
    out["ExpandEffect"] = source("module", "effects", "expand.fx")
    out["RadialWaveEffect"] = source("module", "effects", "radialwave.fx")
    out["RotationEffect"] = source("tools", "demo", "effects", "rotation.fx")
    out["BendEffect"] = source("tools", "demo", "effects", "bend.fx")
    return out


def main(path):
    write_header(path, "tests/effects/centred/make_fixtures.py", fixtures())


if __name__ == "__main__":
    main(sys.argv[1])
