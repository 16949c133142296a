#!/usr/bin/env python3
"""Writes the render tests' resource fixtures into OUTDIR: a 4 x 2 picture, a cube as a
text .x mesh, and the .rc script that puts both into the test program as "DDS" resources
(the program's own resources stand in for a resource module)."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from bitmaps import bmp  # noqa: E402

# Top row first; the BMP stores rows bottom-up. Colours as (r, g, b).
PICTURE = [
    [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)],
    [(0, 0, 0), (255, 255, 0), (255, 0, 255), (0, 255, 255)],
]

CUBE_X = """xof 0303txt 0032
Mesh Cube {
 8;
 -1.0;-1.0;-1.0;,
 -1.0;1.0;-1.0;,
 1.0;1.0;-1.0;,
 1.0;-1.0;-1.0;,
 -1.0;-1.0;1.0;,
 -1.0;1.0;1.0;,
 1.0;1.0;1.0;,
 1.0;-1.0;1.0;;
 12;
 3;0,1,2;,
 3;0,2,3;,
 3;4,6,5;,
 3;4,7,6;,
 3;4,5,1;,
 3;4,1,0;,
 3;3,2,6;,
 3;3,6,7;,
 3;1,5,6;,
 3;1,6,2;,
 3;4,0,3;,
 3;4,3,7;;
}
"""



def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    picture = os.path.join(out, "picture.bmp")
    cube = os.path.join(out, "cube.x")
    with open(picture, "wb") as f:
        f.write(bmp(PICTURE))
    with open(cube, "w", newline="\n") as f:
        f.write(CUBE_X)
    with open(os.path.join(out, "render_fixtures.rc"), "w") as f:
        f.write(f'0 DDS "{picture}"\n')
        f.write(f'2 DDS "{picture}"\n')
        f.write(f'68 DDS "{cube}"\n')


if __name__ == "__main__":
    main()
