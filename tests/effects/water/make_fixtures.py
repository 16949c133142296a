"""Writes water_fixtures.h: records of the wave and water effects (waves, underwater,
water, move in both stored versions, waterfall) made with the document builder
(tools/docbuilder/effects.py), a few hostile ones, and the effect sources the device test
files under their links."""

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
FX = dict(speed=40, technique=1, mask_guid="{0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9}", mask_name="sea mask",
          mask_flag=0, effect=("effects\\water.fx", 71), scale=100,
          region=effects.region_rect(20.0, 10.0, 300.0, 190.0), reserved=9,
          abobj=dict(name="water", depth=70, time_line_args=dict(mode=2, intervals=[interval(0.0, 5.0)])))


def fixtures():
    out = {}
    out["Waves"] = written(effects.waves_fx, amplitude=80, wavelength=30, angle=90, wave_mode=1, fx=FX)
    out["Underwater"] = written(effects.underwater_fx, amplitude=70, wavelength=20, fx=FX)
    out["Water"] = written(effects.water_fx, profile=300, bump_amount=40, second_drift=60, first_drift_period=10,
                          angle=0, shadows=50, half_vector=30, colour=0x00336699, bump=("pictures\\bump.png", 44),
                          fx=FX)
    out["MoveV1"] = written(effects.move_fx, version=1, motion_mode=1, direction=dict(amount=50, angle=90, fx=FX))
    out["MoveV2"] = written(effects.move_fx, motion_mode=1, second_extreme=25,
                           direction=dict(amount=80, angle=180, fx=FX))
    out["Waterfall"] = written(effects.waterfall_fx, translucency=20, layer_count=3, noise_amplitude=100, fourth=7,
                              threshold=200, noise=("pictures\\noise.png", 45), base_colour=0x00CCEEFF, hidden=0,
                              direction=dict(amount=100, angle=270, fx=FX))
    out["WaterfallHidden"] = written(effects.waterfall_fx, layer_count=2, hidden=1, direction=dict(fx=FX))
    # A layer count no document means: the layers are capped, not allocated by the billion.
    out["WaterfallHugeLayerCount"] = written(effects.waterfall_fx, layer_count=-1, direction=dict(fx=FX))

    for name, path in (("WavesEffect", "module/effects/waves.fx"), ("UnderwaterEffect", "module/effects/underwater.fx"),
                       ("WaterEffect", "module/effects/water.fx"), ("MoveEffect", "module/effects/move.fx"),
                       ("WaterfallEffect", "tools/demo/effects/waterfall.fx")):
        out[name] = project_file(path)
    return out


def main(path):
    write_header(path, "tests/effects/water/make_fixtures.py", fixtures())


if __name__ == "__main__":
    main(sys.argv[1])
