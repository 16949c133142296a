"""Writes font_fixtures.h: animated-font records made with the document builder
(tools/docbuilder/particles.py), as byte arrays for the animated-font tests."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tools", "docbuilder"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "support"))

from docbuilder import Writer  # noqa: E402
import particles  # noqa: E402
from sprites import file_link  # noqa: E402
from fixture_header import write_header  # noqa: E402

MODULE = "velmora.dll"

# Values that differ from every default, so a field read from the wrong place shows. The
# glyph table is in character order, as a map writes it, and holds a character above
# 0x7FFF (a negative 16-bit value).
FULL = dict(
    text="HELLO", clock=150, scale=175, settings=(3, 4, 5), setting=-6,
    glyphs=[("E", (MODULE, 151)), ("H", (MODULE, 150)), ("L", (MODULE, 152)), (0xFF2F, ("glyphs\\wide.dds", 7))],
    letters=[(MODULE, 150), (MODULE, 151), (MODULE, 152), (MODULE, 152), (MODULE, 153)],
    static=dict(centre=(320.5, 240.25, 1.5), tex=dict(
        effect=("fx\\font.fx", 9), blend=3, generator=dict(
            stored=[(10.0, 20.0, 0.0), (58.0, 20.0, 0.0), (106.0, 20.0, 0.0), (154.0, 20.0, 0.0), (202.0, 20.0, 0.5)],
            life=11, rate=12, abobj=dict(name="greeting", depth=80)))))


def head(w, glyph_count, letter_count, glyphs=(), letters=()):
    """The font's own fields with counts of our choosing and the entries that follow."""
    w.string("AB").i32(100).i32(100).i32(0).i32(0).i32(0).long(0)
    w.u32(glyph_count)
    for character, link in glyphs:
        w.short(character)
        file_link(w, link)
    w.u32(letter_count)
    for link in letters:
        file_link(w, link)


def forged(glyph_count, letter_count, glyphs=(), letters=()):
    w = Writer()
    with w.record("DS_AnimatedFont", 1):
        head(w, glyph_count, letter_count, glyphs, letters)
        particles.static_part(w)
    return w.bytes()


def fixtures():
    out = {}
    w = Writer()
    particles.animated_font(w, **FULL)
    out["FontFull"] = w.bytes()

    w = Writer()
    particles.animated_font(w)
    out["FontBuilderDefaults"] = w.bytes()

    # Counts the record cannot hold: the list reads fail and allocate nothing.
    out["FontHugeGlyphCount"] = forged(0x7FFFFFFF, 0, glyphs=[(65, ("a.dds", 1))])
    out["FontHugeLetterCount"] = forged(0, 0xFFFFFFFF, letters=[("a.dds", 1)])
    return out


def main(path):
    write_header(path, "tests/objects/font/make_fixtures.py", fixtures())


if __name__ == "__main__":
    main(sys.argv[1])
