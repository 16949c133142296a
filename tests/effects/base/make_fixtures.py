"""Writes base_fixtures.h: the shader-effect base part of every stored version and the
three shape parts, made with the document builder (tools/docbuilder/effects.py)."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools", "docbuilder"))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))

from docbuilder import written  # noqa: E402
import effects  # noqa: E402
from fixture_header import write_header  # noqa: E402

GUID = "{01234567-89AB-CDEF-0123-456789ABCDEF}"
# Every field other than its default; the base part's name shows the part was read whole.
FX = dict(speed=70, technique=1, mask_guid=GUID, mask_name="sea mask", mask_flag=0, effect=("fx\\waves.fx", 42),
          scale=100, region=effects.region_rect(10.0, 20.0, 110.0, 220.0), reserved=-5,
          abobj=dict(name="effect", depth=80))


def fixtures():
    out = {}
    for version in (1, 2, 3):
        out["FxV%d" % version] = written(effects.fx_part, **dict(FX, version=version))
    out["FxEmptyName"] = written(effects.fx_part, **dict(FX, mask_name=""))
    out["Direction"] = written(effects.direction_part, amount=30, angle=90, fx=FX)
    out["Central"] = written(effects.central_part, centre=(400.0, 300.0, 2.0), fx=FX)
    out["Line"] = written(effects.line_part, angle=45, centre=(400.0, 300.0, 0.0), fx=FX)
    return out


if __name__ == "__main__":
    write_header(sys.argv[1], "tests/effects/base/make_fixtures.py", fixtures())
