"""Writes particle_fixtures.h: record parts of the particle generator bases made with the
document builder (tools/docbuilder/particles.py), a few hostile ones, and the bytes of the
particle effect (tools/demo/effects/particles.fx) that the device tests file in the
resource store as a document would."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools", "docbuilder"))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))

from docbuilder import Writer  # noqa: E402
import particles  # noqa: E402
from fixture_header import project_file, write_header  # noqa: E402

# Values that differ from every default, so a field read from the wrong place shows.
GENERATOR = dict(stored=[(10.0, 20.0, 1.0), (-5.0, 7.5, 0.0)], life=3, rate=40, size=25, speed=60, path_emission=1,
                 abobj=dict(name="sparks", depth=70))
TEX = dict(images=[("star.png", 7), ("glow.png", 9)], effect=("particles.fx", 8), colour1=(0x0000FF, 50),
           colour2=(0x00FF00, 20), blend=2, mirror_v=1, mirror_h=1, frame_sequences=1)


def tex_args(version, generator_version=3):
    return dict(TEX, version=version, generator=dict(GENERATOR, version=generator_version))


def fixtures():
    out = {}
    for version in (1, 2, 3):
        w = Writer()
        particles.generator_part(w, **dict(GENERATOR, version=version))
        out["GeneratorV%d" % version] = w.bytes()
    for version in (1, 2, 3):
        w = Writer()
        particles.tex_part(w, **tex_args(version))
        out["TexV%d" % version] = w.bytes()

    w = Writer()
    particles.static_part(w, centre=(120.0, 80.0, 2.0), tex=tex_args(3))
    out["Static"] = w.bytes()
    w = Writer()
    particles.origin_part(w, life=50, rate=12, second=5, direction=90, clock=75, centre=(30.0, 40.0, 0.0),
                          tex=tex_args(3))
    out["Origin"] = w.bytes()
    w = Writer()
    particles.rct_rgn_part(w, region=((1.0, 2.0, 0.0), (1.0, 9.0, 0.0), (8.0, 2.0, 0.0), (8.0, 9.0, 0.0)),
                           tex=tex_args(3))
    out["Region"] = w.bytes()
    w = Writer()
    particles.string_part(w, start=(1.0, 2.0, 3.0), end=(4.0, 5.0, 6.0), tex=tex_args(3))
    out["String"] = w.bytes()

    # Counts no document can hold: the image list, then the stored particles.
    w = Writer()
    with w.record("DS_TexParticleGenerator", 3):
        w.u32(0x7FFFFFFF)
        w.string("star.png").int64(7)
    out["TexHugeImageCount"] = w.bytes()
    w = Writer()
    with w.record("DS_ParticleGenerator", 3):
        w.u32(0xFFFFFFF0)
        w.vec3(1.0, 2.0, 3.0)
    out["GeneratorHugeStoredCount"] = w.bytes()

    out["ParticlesFx"] = project_file("tools", "demo", "effects", "particles.fx")
    return out


if __name__ == "__main__":
    write_header(sys.argv[1], "tests/objects/particles/make_fixtures.py", fixtures())
