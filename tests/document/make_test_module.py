#!/usr/bin/env python3
"""Writes the resource-store tests' fixtures into OUTDIR: small pictures, a .x mesh, stored
texture sets (well formed, with hostile counts, truncated), an effect source, and the .rc
scripts of the resource-only test module (tw_test_module.dll), of a module with code
(tw_test_code_module.dll) and of the test program's own resources (the fallback when a
module does not open)."""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from bitmaps import solid_bmp  # noqa: E402

MODULE = "tw_test_module.dll"

# Solid pictures: (width, height, (r, g, b)).
PICTURES = {
    "green_4x2.bmp": (4, 2, (0, 200, 0)),
    "blue_2x2.bmp": (2, 2, (0, 0, 220)),
    "red_8x8.bmp": (8, 8, (230, 0, 0)),
    "grey_16x4.bmp": (16, 4, (128, 128, 128)),
}

TETRAHEDRON_X = """xof 0303txt 0032
Mesh Tetrahedron {
 4;
 0.0;0.0;0.0;,
 2.0;0.0;0.0;,
 0.0;2.0;0.0;,
 0.0;0.0;2.0;;
 4;
 3;0,2,1;,
 3;0,1,3;,
 3;0,3,2;,
 3;1,2,3;;
}
"""

# Inside the project effect runtime's subset: one technique, fixed-function passes.
EFFECT_FX = """float Time = 0.0;
texture Picture;
technique Plain
{
  pass P0
  {
    AlphaBlendEnable = false;
    VertexShader = null;
    PixelShader = null;
  }
}
"""



def string(text):
    """The document's string layout (one-byte length form; the fixtures stay short)."""
    units = text.encode("utf-16-le")
    assert len(text) < 255
    return b"\xff\xfe\xff" + bytes([len(text)]) + units


def record(resource_id, module, data, name):
    return (struct.pack("<I", resource_id & 0xFFFFFFFF) + string(module) + struct.pack("<I", len(data)) + data
            + string(name))


def texture_set(delays, records):
    out = struct.pack("<I", len(delays)) + b"".join(struct.pack("<f", d) for d in delays)
    return out + struct.pack("<I", len(records)) + b"".join(records)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)

    def put(name, data):
        path = os.path.join(out, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    pics = {name: solid_bmp(*spec) for name, spec in PICTURES.items()}
    paths = {name: put(name, data) for name, data in pics.items()}
    mesh = put("tetrahedron.x", TETRAHEDRON_X.encode("ascii"))
    effect = put("plain.fx", EFFECT_FX.encode("ascii"))

    # Two frames: the first carries its bytes, the second names picture 5 of this module.
    # Three delays for two frames: the frame index must still stay within the textures.
    good_set = put("set_good.bin", texture_set(
        [0.5, 0.25, 1.0],
        [record(0, "", pics["blue_2x2.bmp"], "frame0.bmp"), record(5, MODULE, b"", "")]))
    # A record count far beyond what the resource holds.
    huge_count = put("set_huge_count.bin", struct.pack("<I", 0) + struct.pack("<I", 0x10000000)
                     + record(0, "", pics["blue_2x2.bmp"], "a.bmp"))
    # A delay count beyond the resource.
    huge_delays = put("set_huge_delays.bin", struct.pack("<I", 0xFFFFFFFF) + struct.pack("<f", 1.0))
    # Two records announced, the second cut short.
    whole = record(0, "", pics["blue_2x2.bmp"], "a.bmp")
    truncated = put("set_truncated.bin", texture_set([], [whole, whole])[:-(len(whole) // 2)])
    # The program's own stored set: one grey frame.
    program_set = put("set_program.bin", texture_set([], [record(0, "", pics["grey_16x4.bmp"], "grey.bmp")]))

    with open(os.path.join(out, "test_module.rc"), "w") as f:
        f.write(f'5 DDS "{paths["green_4x2.bmp"]}"\n')
        f.write(f'6 DDS "{paths["blue_2x2.bmp"]}"\n')
        f.write(f'68 DDS "{mesh}"\n')
        f.write(f'30 DDS "{good_set}"\n')
        f.write(f'31 DDS "{huge_count}"\n')
        f.write(f'32 DDS "{huge_delays}"\n')
        f.write(f'33 DDS "{truncated}"\n')
        f.write(f'77 RCDATA "{effect}"\n')
        # Not an effect: compiling it must fail and leave no effect.
        f.write(f'78 RCDATA "{paths["blue_2x2.bmp"]}"\n')
    # A module with code of its own: opening it for a picture must not run that code.
    with open(os.path.join(out, "code_module.rc"), "w") as f:
        f.write(f'5 DDS "{paths["green_4x2.bmp"]}"\n')
    with open(os.path.join(out, "test_program.rc"), "w") as f:
        f.write(f'2 DDS "{paths["red_8x8.bmp"]}"\n')
        f.write(f'5 DDS "{paths["grey_16x4.bmp"]}"\n')
        f.write(f'40 DDS "{program_set}"\n')


if __name__ == "__main__":
    main()
