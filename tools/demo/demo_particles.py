"""The demo scene's particle generators: air brushes, bling, twinkling stars and an aurora,
falling stars, fireworks and a line of animated-font text, placed where they fit the
slides. Every generator draws with the particle effect that the document carries
(effects/particles.fx, stored under EFFECT_LINK)."""

import os

import particles

HERE = os.path.dirname(os.path.abspath(__file__))
EFFECT_LINK = ("demo\\particles.fx", 4000)


def effect_source():
    with open(os.path.join(HERE, "effects", "particles.fx"), "rb") as f:
        return f.read()


# Each family adds its generators: a function (links, W, H) -> {slide index: [writers]},
# slides 0 dawn, 1 mountains, 2 coast, 3 night. `links` maps a picture's file name to its
# link; the family's pictures are in its PICTURES table: name -> (width, height, paint(x, y)
# -> (r, g, b, a)).

BRUSH_PICTURES = {}


def brush_objects(links, W, H):
    """Air brushes, bling, twinkling stars, aurora."""
    return {}


STAR_PICTURES = {}


def star_objects(links, W, H):
    """Falling stars and fireworks."""
    return {}


FONT_PICTURES = {}


def font_objects(links, W, H):
    """The animated font. Its letters are stored texture sets in the module."""
    return {}


def add_particles(slides, pictures, records, png_rgba_bytes, W, H):
    """Adds the generators to the slides' object lists, their pictures to `pictures` and the
    effect to `records` ((link, file name, bytes) items for the resource store)."""
    links = {}
    tables = dict(BRUSH_PICTURES, **STAR_PICTURES, **FONT_PICTURES)
    for i, (name, (pw, ph, paint)) in enumerate(sorted(tables.items())):
        links[name] = ("demo\\particles\\" + name, 4100 + i)
        pictures.append((links[name], name, png_rgba_bytes(pw, ph, paint)))
    records.append((EFFECT_LINK, "particles.fx", effect_source()))
    for family in (brush_objects, star_objects, font_objects):
        for index, objects in family(links, W, H).items():
            slides[index]["objects"] = tuple(slides[index].get("objects", ())) + tuple(objects)
