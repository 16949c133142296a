"""Writes cloud_fixtures.h: records of the cloud and perspective effects made with the
document builder (tools/docbuilder/effects.py), with every base-part version the readers
know, and the two effects that documents carry (tools/demo/effects) for the device tests."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools", "docbuilder"))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))

from docbuilder import Writer, interval  # noqa: E402
import effects  # noqa: E402
from fixture_header import project_file, write_header  # noqa: E402

MASK_GUID = "{0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9}"


def fx(version=3, **kw):
    """A base part whose values all differ from the defaults; its last field (the object's
    name) shows that a record was read to its end."""
    base = dict(version=version, speed=250, technique=1, mask_guid=MASK_GUID, mask_name="clouds", mask_flag=0,
                effect=("effects\\cloud.fx", 41), scale=125, region=effects.region_rect(100.0, 50.0, 500.0, 250.0),
                reserved=9, abobj=dict(name="sky", depth=80,
                                       time_line_args=dict(mode=2, intervals=[interval(1.0, 4.0)])))
    base.update(kw)
    return base


def cloud(w, version=1, base=None):
    projection = dict(perspective=50, height=8, texture_offset=50, flip=1, fifth=30, sixth=70)
    if version == 1:
        return effects.cloud_fx(w, colour1=0x336699, colour2=0xCCEEFF, cloud=("pictures\\cloud.png", 42),
                                second=("pictures\\cloud2.png", 43), threshold=50, density=25, projection=projection,
                                direction=dict(amount=12, angle=90, fx=base or fx()))
    # The reader does not test the version: any version reads the same fields.
    with w.record("DS_CloudFX", version):
        w.u32(0x336699).u32(0xCCEEFF)
        effects.file_link(w, ("pictures\\cloud.png", 42))
        effects.file_link(w, ("pictures\\cloud2.png", 43))
        w.i32(50).i32(25)
        effects.cloud_perspective_block(w, **projection)
        effects.direction_part(w, amount=12, angle=90, fx=base or fx())
    return w


def perspective(w, version=1, base=None):
    line = dict(angle=90, centre=(200.0, 120.0, 0.0), fx=base or fx(effect=("effects\\perspective.fx", 44)))
    if version == 1:
        return effects.perspective_fx(w, depth=500, swing=3, swing_mode=2, line=line)
    with w.record("DS_PerspectiveFX", version):
        w.i32(500).i32(3).long(2)
        effects.line_part(w, **line)
    return w


def fixtures():
    out = {}
    for name, write in {
        "Cloud": lambda w: cloud(w),
        "CloudV2": lambda w: cloud(w, version=2),
        "CloudBaseV1": lambda w: cloud(w, base=fx(version=1)),
        "CloudBaseV2": lambda w: cloud(w, base=fx(version=2)),
        "CloudDefaults": lambda w: effects.cloud_fx(w),
        "Perspective": lambda w: perspective(w),
        "PerspectiveV3": lambda w: perspective(w, version=3),
        "PerspectiveBaseV1": lambda w: perspective(w, base=fx(version=1)),
        "PerspectiveDefaults": lambda w: effects.perspective_fx(w),
    }.items():
        w = Writer()
        write(w)
        out[name] = w.bytes()
    for name in ("cloud", "perspective"):
        out[name.capitalize() + "Effect"] = project_file("tools", "demo", "effects", name + ".fx")
    return out


def main(path):
    write_header(path, "tests/effects/cloud/make_fixtures.py", fixtures())


if __name__ == "__main__":
    main(sys.argv[1])
