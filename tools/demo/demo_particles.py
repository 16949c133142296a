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


# The module's stored letter sets (module/make_resources.py): 64 x 64 frames whose glyph
# is 40 x 56 from (12, 4), so letters 48 apart leave 8 pixels between glyphs.
FONT_MODULE = "velmora.dll"
FONT_LETTER_IDS = {"H": 150, "E": 151, "L": 152, "O": 153}
FONT_ADVANCE = 48


def font_line(text, centre, scale, name):
    """A line of module letters centred on `centre` (x, y), scaled about it."""
    cx, cy = centre
    width = FONT_ADVANCE * (len(text) - 1) + 64
    left, top = cx - width / 2.0, cy - 32.0
    corners = [(left + FONT_ADVANCE * i, top, 0.0) for i in range(len(text))]
    letters = [(FONT_MODULE, FONT_LETTER_IDS[c]) for c in text]
    glyphs = [(c, (FONT_MODULE, FONT_LETTER_IDS[c])) for c in sorted(set(text))]
    return lambda w: particles.animated_font(
        w, text=text, clock=100, scale=scale, glyphs=glyphs, letters=letters,
        static=dict(centre=(cx, cy, 0.0), tex=dict(generator=dict(stored=corners, abobj=dict(name=name)))))


def font_objects(links, W, H):
    """The animated font. Its letters are stored texture sets in the module: a greeting in
    the coast's sky, drawn as the pictures show it (no effect)."""
    return {2: [font_line("HELLO", (0.55 * W, 0.3 * H), 120, "Greeting")]}


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
