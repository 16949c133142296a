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

from docbuilder import interval, written  # noqa: E402
import effects  # noqa: E402
from fixture_header import project_file, write_header  # noqa: E402

# A base part whose values all differ from the defaults; its last field (the object's
# name) shows that a record was read to its end.
FX = dict(speed=70, technique=1, mask_name="mask", scale=80, reserved=7,
          region=effects.region_rect(20.0, 10.0, 300.0, 190.0),
          abobj=dict(name="centred", depth=60, time_line_args=dict(mode=1, fade_target=1,
                                                                   intervals=[interval(0.0, 5.0)])))


def central(**fx):
    return dict(centre=(120.0, 80.0, 0.5), fx=dict(FX, **fx))


def fixtures():
    out = {}
    out["Expand"] = written(effects.expand_fx, first=80, second=20, wave_form=1, central=central())
    out["RadialWaveV1"] = written(effects.radial_wave_fx, version=1, central=central())
    out["RadialWaveV1Rewritten"] = written(effects.radial_wave_fx, central=central())
    out["RadialWaveV2"] = written(effects.radial_wave_fx, amplitude=40, wavelength=90, bg_scale=125,
                                                                  outward=1, central=central())
    out["Rotation"] = written(effects.rotation_fx, zoom=2000, angle=30, reverse=1, central=central(
        effect=("fx\\rotation.fx", 61)))
    out["Bend"] = written(effects.bend_fx, first=100, second=30, bend=150, bend_mode=1, central=central(
        effect=("fx\\bend.fx", 62)))
    out["ExpandEffect"] = project_file("module", "effects", "expand.fx")
    out["RadialWaveEffect"] = project_file("module", "effects", "radialwave.fx")
    out["RotationEffect"] = project_file("tools", "demo", "effects", "rotation.fx")
    out["BendEffect"] = project_file("tools", "demo", "effects", "bend.fx")
    return out


def main(path):
    write_header(path, "tests/effects/centred/make_fixtures.py", fixtures())


if __name__ == "__main__":
    main(sys.argv[1])
