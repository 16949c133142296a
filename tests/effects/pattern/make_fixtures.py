"""Writes pattern_fixtures.h: records of the pattern, background-copy and light effects
made with the document builder (tools/docbuilder/effects.py), each class with values other
than its defaults and its base part at every stored version, and the module's effect
sources that the device tests file under the module's links."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools", "docbuilder"))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))

from docbuilder import written  # noqa: E402
import effects  # noqa: E402
from fixture_header import project_file, write_header  # noqa: E402

# A base part whose values all differ from every class's defaults; the object's name, its
# last field, shows that a record was read to its end.
MASK_GUID = "{0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9}"


def base(version=3):
    return dict(version=version, speed=70, technique=1, mask_guid=MASK_GUID, mask_name="mask", mask_flag=0,
                effect=("fx\\custom.fx", 61), scale=80, region=effects.region_rect(20.0, 10.0, 300.0, 190.0),
                reserved=7, abobj=dict(name="effect", depth=60))


PATTERN = dict(pattern=("pictures\\tile.png", 41), mirror_v=1, mirror_h=0, angle=-30, pattern_scale=150,
               offset_x=25, offset_y=40)


def fixtures():
    out = {}
    for version in (1, 2, 3):
        out["PatternBrushBaseV%d" % version] = written(effects.pattern_brush, fx=base(version), **PATTERN)
    out["PatternBrushC"] = written(effects.pattern_brush_c, fx=base(), **PATTERN)
    # The nested part's version is read and not used.
    out["PatternBrushCNestedV9"] = written(effects.pattern_brush_c, nested_version=9, fx=base(), **PATTERN)
    out["BackgroundCopy"] = written(effects.background_copy, rect=(10, 300, 20, 200, 80, -60), shift_v=1,
                                   shift_h=0, fx=base())
    out["LightFX"] = written(effects.light_fx, intensity=75, flicker=2, fx=base(2))
    out["LightFX_II"] = written(effects.light_fx_ii, intensity=60, flicker=3, blend=2, colour=0x0080FF,
                               fx=base(1))
    for name, file_name in (("BackgroundCopyEffect", "backgroundcopy.fx"), ("LightEffect", "light.fx"),
                            ("PatternEffect", "pattern.fx")):
        out[name] = project_file("module", "effects", file_name)
    return out


def main(path):
    write_header(path, "tests/effects/pattern/make_fixtures.py", fixtures())


if __name__ == "__main__":
    main(sys.argv[1])
