"""Writes device_life_documents.h: the documents that the device-life test runs through
loss and reset, made with the document builder, as byte arrays. kLifeDocuments holds the
rows that must pass (a scene class joins by adding one to passing()); the faulty documents
are written on their own.

Each document is one still slide over a 160 x 100 picture (left half (200, 100, 50),
right half (40, 200, 120)) holding scene objects: the sprite systems, the discharge bolt,
or objects of the test-only class "DS_TestDeviceLife" (registered by the test program). Its record, version 1: u32 kind, u32 colour 0xAARRGGBB,
i32 centre x, i32 centre y, i32 size (back-buffer pixels), then the DS_ABObj_Constructor
base part. Kinds: 0 a square; 1 a post-pass object that draws the scene so far mirrored
left to right over the whole target, then its square; 2 a square that makes a DEFAULT-pool
texture of its own and keeps it through a loss; 3 a square that keeps a reference on the
texture it is handed and never gives it back.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "docbuilder"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "demo"))

from docbuilder import Writer, abobj_part  # noqa: E402
from make_demo import HEADER, png_bytes, png_rgba_bytes, resource_store, slide  # noqa: E402
import effects  # noqa: E402
import particles  # noqa: E402
import sprites  # noqa: E402

PICTURE_W, PICTURE_H = 160, 100
LEFT, RIGHT = (200, 100, 50), (40, 200, 120)

SQUARE, POST_PASS, OWN_DEFAULT_TEXTURE, KEPT_REFERENCE = range(4)


def picture():
    row = bytes(LEFT) * (PICTURE_W // 2) + bytes(RIGHT) * (PICTURE_W - PICTURE_W // 2)
    return png_bytes(PICTURE_W, PICTURE_H, [row] * PICTURE_H)


def life_object(kind, colour, x, y, size, name):
    def write(w):
        with w.record("DS_TestDeviceLife", 1):
            w.u32(kind).u32(colour).i32(x).i32(y).i32(size)
            abobj_part(w, name=name)
    return write


def document(objects, pictures=(), records=(), guid_images=()):
    """pictures, records and guid_images: further items of the resource store (see
    resource_store)."""
    picture_link = ("life\\picture.png", 3000)
    border_link = ("life\\border.png", 3001)
    border = png_bytes(8, 8, [bytes((12, 12, 16)) * 8] * 8)
    w = Writer()
    w.string(HEADER)
    with w.record("DS_SlideShow_Light", 1):
        w.list([dict(name="Life", picture=picture_link, mode=1, camera_args=dict(mode=0, border=border_link),
                     objects=objects)],
               lambda w, s: slide(w, **s))
        w.u32(0)  # no music
    resource_store(w, [(picture_link, "picture.png", picture()), (border_link, "border.png", border)] + list(pictures),
                   list(records), list(guid_images))
    return w.bytes()


def bolt_document():
    """A straight discharge bolt along y = 50 from x = 20 to 140, segments 20 high, in
    white over the picture. The document carries the module's glow effect and an opaque
    white segment picture under the module's links, as documents carry what they use."""
    with open(os.path.join(HERE, "..", "..", "module", "effects", "glow.fx"), "rb") as f:
        glow = f.read()
    segment = png_bytes(16, 8, [bytes((255, 255, 255)) * 16] * 8)
    bolt = lambda w: sprites.discharge_fx(  # noqa: E731
        w, start=(20.0, 50.0, 0.0), end=(140.0, 50.0, 0.0), deviation=0, texture_kind=1,
        glow=dict(glow_colour=0xFF9900, fx=dict(effect=("velmora.dll", 97),
                                                sprite=dict(count=3, size=20, colour=0xFFFFFF, blend=1,
                                                            view=dict(abobj=dict(name="bolt"))))))
    return document([bolt], pictures=[(("velmora.dll", 95), "segment.png", segment)],
                    records=[(("velmora.dll", 97), "glow.fx", glow)])



# -- sprite systems ------------------------------------------------------------------------
MAGENTA = (255, 0, 255)
SPRITE_LINK = ("life\\sprite.png", 3002)
STRIP_LINK = ("life\\strip.png", 3003)


def sprite_pictures():
    """A solid magenta 16 x 16 sprite, and a strip of four 16 x 16 frames."""
    solid = png_rgba_bytes(16, 16, lambda x, y: MAGENTA + (255,))
    strip = png_rgba_bytes(64, 16, lambda x, y: ((60 * (x // 16), 255, 255 - 60 * (x // 16), 255)))
    return [(SPRITE_LINK, "sprite.png", solid), (STRIP_LINK, "strip.png", strip)]


def sprite_part(name, where=(0.0, 0.45, 0.0, 1.0), image=SPRITE_LINK, **kw):
    l, r, t, b = where
    return dict(view=dict(rect=(int(l * PICTURE_W), int(r * PICTURE_W), int(t * PICTURE_H), int(b * PICTURE_H), 0, 0),
                          edges=where, abobj=dict(name=name)),
                image=image, **kw)


def sprite_systems():
    """Every plain sprite system, small, in the left part of the picture; the still picture
    drawn last (first in the list) covers x 110..129, y 20..39 (size 20, aspect 1, centre
    (120, 30))."""
    small = dict(count=3, size=8)
    return [
        lambda w: sprites.stat_obj(w, bounds=(0, 0, 0, 0, 120, 30), sprite=sprite_part("still", size=20)),
        lambda w: sprites.fish(w, sprite=sprite_part("fish", **small)),
        lambda w: sprites.bird(w, sprite=sprite_part("bird", **small)),
        lambda w: sprites.ghost(w, sprite=sprite_part("ghost", **small)),
        lambda w: sprites.flow(w, base_speed=20.0, sprite=sprite_part("flow", **small)),
        lambda w: sprites.rain(w, base_speed=200.0, orientation=1, sprite=sprite_part("rain", phase_speed=1.0, **small)),
        lambda w: sprites.god_ray(w, angle=90, sprite=sprite_part("rays", where=(0.05, 0.4, 0.0, 1.0), blend=1, **small)),
        lambda w: sprites.sparkle(w, sprite=sprite_part("sparkle", blend=1, phase_speed=1.0, **small)),
        lambda w: sprites.fog(w, sprite=sprite_part("fog", phase_speed=0.5, **small)),
        lambda w: sprites.lighting(w, sprite=sprite_part("flash", blend=1, **small)),
        lambda w: sprites.grass(w, sprite=sprite_part("grass", where=(0.0, 0.45, 0.5, 0.9), **small)),
        lambda w: sprites.flower(w, stat=dict(bounds=(0, 0, 0, 0, 30, 60), sprite=sprite_part("flower", size=12))),
        lambda w: sprites.discharge(w, stat=dict(bounds=(0, 0, 0, 0, 40, 20), sprite=sprite_part(
            "sparks", image=STRIP_LINK, size=16, frame_count=4, frame_rate=10.0, strip=1))),
    ]


# -- particle generators -------------------------------------------------------------------
# Each family's rows: {name: (document, probes)} as in passing().

BRUSH_LINK = ("life\\brush.png", 3010)
EFFECT_LINK = ("life\\particles.fx", 3011)
RED, BLUE, YELLOW, GREEN = (255, 0, 0), (0, 0, 255), (255, 255, 0), (0, 255, 0)


def brush_resources():
    """An opaque white 8 x 8 picture, and the particle effect."""
    with open(os.path.join(HERE, "..", "..", "tools", "demo", "effects", "particles.fx"), "rb") as f:
        effect = f.read()
    white = png_rgba_bytes(8, 8, lambda x, y: (255, 255, 255, 255))
    return [(BRUSH_LINK, "brush.png", white)], [(EFFECT_LINK, "particles.fx", effect)]


def painted(x, y, c9=1.0):
    """A painted particle at (x, y) with default channels (angle offset c9)."""
    return ((float(x), float(y), 0.0), [0.0, 1.0, 1.0, 0.0, 0.0, 1.0, 1.0, 1.0, 1.0, c9])


def brush(name, size, colour1, points, images=(), colour2=(0xFFFFFF, 0)):
    """The air-brush part's keyword arguments: drawn through the effect's mask and
    composited over the picture (blend mode 0)."""
    return dict(size=size, particles=points,
                tex=dict(images=list(images), effect=EFFECT_LINK, colour1=(colour1, 0), colour2=colour2,
                         generator=dict(abobj=dict(name=name))))


def air_brush_rows():
    """The air brushes: custom air brush, bling, twinkling stars, aurora. Each draws
    through the particle effect, so its mask (a render-target pair of the store) and the
    effect go through the loss as well. Probes sit well inside the sprites, clear of the
    mask's edges, and well away from them on the picture."""
    pictures, records = brush_resources()

    def row(objects, probes):
        return document(objects, pictures, records), probes

    # Two red squares of 20 at (40, 50) and (120, 50).
    custom = lambda w: particles.custom_air_brush(  # noqa: E731
        w, picture=BRUSH_LINK, brush=brush("air brush", 20, 0x0000FF, [painted(40, 50), painted(120, 50)]))
    # A glint of 24 at (40, 50), full size at every point of its cycle: colour 2 (red) under
    # colour 1 (blue), both with the white picture, so blue shows.
    bling = lambda w: particles.bling(  # noqa: E731
        w, twinkle_clock=50, in_time=50, out_time=50, spin_clock=0, min_size=100,
        brush=brush("bling", 24, 0xFF0000, [painted(40, 50, c9=0.0)], images=[BRUSH_LINK, BRUSH_LINK],
                    colour2=(0x0000FF, 0)))
    # A yellow star of 16 at (120, 50); a flash only makes it larger.
    stars = lambda w: particles.twinkling_stars(  # noqa: E731
        w, clock=0, brush=brush("stars", 16, 0x00FFFF, [painted(120, 50)], images=[BRUSH_LINK]))
    # A green band 10 wide and 40 high at (120, 50), its height growing by up to half and
    # swaying up to 5 pixels to the right over the first frame's step (0.6 radians at most):
    # x 115 to 128, y 30 to 70 at least.
    aurora = lambda w: particles.aurora(  # noqa: E731
        w, band_height=40, height_clock=100, height_depth=50, height_length=0, sway_clock=100, sway_amplitude=5,
        sway_length=0, sway_direction=0, brush=brush("aurora", 10, 0x00FF00, [painted(120, 50)], images=[BRUSH_LINK]))
    return {
        "CustomAirBrush": row([custom], [(40, 50, RED), (120, 50, RED), (34, 44, RED), (40, 20, LEFT),
                                         (20, 80, LEFT), (140, 80, RIGHT), (100, 50, RIGHT)]),
        "Bling": row([bling], [(40, 50, BLUE), (32, 58, BLUE), (40, 20, LEFT), (120, 50, RIGHT)]),
        "TwinklingStars": row([stars], [(120, 50, YELLOW), (115, 45, YELLOW), (40, 50, LEFT), (150, 90, RIGHT)]),
        "Aurora": row([aurora], [(121, 50, GREEN), (121, 35, GREEN), (121, 65, GREEN), (40, 50, LEFT),
                                 (100, 50, RIGHT), (140, 50, RIGHT)]),
    }


STAR_IMAGE_LINK = ("life\\star.png", 3010)
PARTICLE_EFFECT_LINK = ("life\\particles.fx", 3011)


def star_resources():
    """An opaque white 8 x 8 picture, and the particle effect (tools/demo/effects)."""
    with open(os.path.join(HERE, "..", "..", "tools", "demo", "effects", "particles.fx"), "rb") as f:
        effect = f.read()
    white = png_bytes(8, 8, [bytes((255, 255, 255)) * 8] * 8)
    return [(STAR_IMAGE_LINK, "star.png", white)], [(PARTICLE_EFFECT_LINK, "particles.fx", effect)]


def star_tex(images, name):
    """Opaque red particles with opaque green glows (blend mode 0), drawn with the effect."""
    return dict(images=[STAR_IMAGE_LINK] * images, effect=PARTICLE_EFFECT_LINK, colour1=(0x0000FF, 0),
                colour2=(0x00FF00, 0), generator=dict(abobj=dict(name=name)))


def falling_star_rows():
    """Falling stars and fireworks. Both draw into their masks (a render-target pair of the
    resource store) and composite them with the scene so far through "Main"."""
    pictures, records = star_resources()
    # Stars over the whole picture at 10 per second. Each is born at opacity 0 and fades in
    # from its next update, so the one frame drawn shows the scene so far passed whole
    # through the empty masks: the picture's halves, not black.
    stars = lambda w: particles.falling_stars(  # noqa: E731
        w, speed=5, star_rate=500, direction=30, star_size=12, glow_scale=50, shown=300, fade_in=100, fade_out=100,
        region=((0.0, 0.0, 0.0), (0.0, 100.0, 0.0), (160.0, 0.0, 0.0), (160.0, 100.0, 0.0)),
        tex=star_tex(4, "stars"))
    # A fountain at (40, 50) whose sparks stand still (speed 0): the first update makes
    # one spark, 20 px red (x 30..49), over its 40 px green glow (x 20..59, y 30..69).
    # Where the glow alone lies, the left half screened with green: (200, 255, 50).
    firework = lambda w: particles.firework_simple(  # noqa: E731
        w, spark_count=10, spark_size=20, spark_speed=0, glow_scale=25,
        origin=dict(clock=50, centre=(40.0, 50.0, 0.0), tex=star_tex(1, "fountain")))
    return {
        "FallingStars": (document([stars], pictures, records),
                         [(40, 50, LEFT), (120, 50, RIGHT), (10, 90, LEFT), (150, 10, RIGHT)]),
        "Fireworks": (document([firework], pictures, records),
                      [(40, 50, (255, 0, 0)), (34, 44, (255, 0, 0)), (55, 50, (200, 255, 50)),
                       (40, 33, (200, 255, 50)), (70, 50, LEFT), (120, 50, RIGHT)]),
    }


def animated_font_rows():
    """The animated font: two letters whose sets the document carries under the module's
    links (so the module is not needed): a magenta 16 x 16 at corner (50, 40) and a white
    8 x 8 at (90, 50), the line at scale 200 about (80, 50). Each box moves to the centre
    plus twice its corner's offset and doubles: magenta x 20..51, y 30..61 (left half);
    white x 100..115, y 50..65 (right half)."""
    white = (255, 255, 255)
    magenta_link, white_link = ("velmora.dll", 150), ("velmora.dll", 151)
    pictures = [(magenta_link, "magenta.png", png_rgba_bytes(16, 16, lambda x, y: MAGENTA + (255,))),
                (white_link, "white.png", png_rgba_bytes(8, 8, lambda x, y: white + (255,)))]
    font = lambda w: particles.animated_font(  # noqa: E731
        w, text="Hi", scale=200, letters=[magenta_link, white_link],
        static=dict(centre=(80.0, 50.0, 0.0), tex=dict(generator=dict(
            stored=[(50.0, 40.0, 0.0), (90.0, 50.0, 0.0)], abobj=dict(name="font")))))
    return {
        "AnimatedFont": (document([font], pictures),
                         [(20, 30, MAGENTA), (51, 61, MAGENTA), (35, 45, MAGENTA), (52, 45, LEFT), (19, 45, LEFT),
                          (100, 50, white), (115, 65, white), (99, 58, RIGHT), (116, 58, RIGHT), (108, 66, RIGHT),
                          (150, 90, RIGHT)]),
    }


# -- shader effects ------------------------------------------------------------------------
# A document may carry a module effect's source under the module's link ("velmora.dll",
# id): stored bytes win over the module, so the test needs no module beside it.

def module_effect(effect_id, file_name):
    """(link, name, bytes) of a resource-store record: module/effects/<file_name> stored
    under ("velmora.dll", effect_id)."""
    with open(os.path.join(HERE, "..", "..", "module", "effects", file_name), "rb") as f:
        return (("velmora.dll", effect_id), file_name, f.read())


def pattern_light_rows():
    return {}


def wave_water_rows():
    return {}


def fire_rows():
    """A fire over x 20..140, y 30..90 in red (colour 1) over blue (colour 2), its mask white
    over x < 50. The document carries the module's fire effect, an opaque white pattern and
    a noise of 64 / 255 under the module's links. The coverage k and the intensity are then
    0.502, the flame (k, 0, 1 - k) x 0.502 = (0.252, 0, 0.25), screened onto the picture:
    p + f x (255 - p)."""
    pictures = [(("velmora.dll", 93), "pattern.png", png_rgba_bytes(8, 8, lambda x, y: (255, 255, 255, 255))),
                (("velmora.dll", 8), "noise.png", png_bytes(8, 8, [bytes((64, 64, 64)) * 8] * 8))]
    mask = png_bytes(PICTURE_W, PICTURE_H, [bytes((255, 255, 255)) * 50 + bytes(3) * (PICTURE_W - 50)] * PICTURE_H)
    fire = lambda w: effects.fire_fx(  # noqa: E731
        w, colour1=0x0000FF, colour2=0xFF0000,
        fx=dict(region=effects.region_rect(20.0, 30.0, 140.0, 90.0), abobj=dict(name="fire")))
    burning_left, burning_right = (214, 100, 101), (94, 200, 154)
    return {
        "Fire": (document([fire], pictures, [module_effect(92, "fire.fx")], [(effects.DEFAULT_MASK_GUID, mask)]),
                 [(35, 60, LEFT), (65, 60, burning_left), (75, 35, burning_left), (110, 60, burning_right),
                  (135, 85, burning_right), (10, 60, LEFT), (150, 60, RIGHT), (60, 15, LEFT), (110, 95, RIGHT)]),
    }


def cloud_perspective_rows():
    return {}


def centred_rows():
    return {}


# The documents every scene class must carry through a device life: a class joins by adding
# a row. Each row: a document, and points of its first frame (x, y, (r, g, b)) worked out by
# hand, which show that the frame is the scene (a black frame would match itself after any
# reset).
def passing():
    # Objects draw in reverse list order: the red square first, the post-pass object last.
    red_square = life_object(SQUARE, 0xFFFF0000, 40, 50, 20, "red square")
    return {
        # A post-pass object over a plain one: the layer's render-target pair and background
        # slot take part. The picture fills the 160 x 100 back buffer; the red square covers
        # x 30..49, y 40..59 of the scene so far; the post-pass object draws that scene
        # mirrored (x -> 159 - x), then its blue square over x 32..47, y 12..27.
        "PostPass": (document([life_object(POST_PASS, 0xFF0000FF, 40, 20, 16, "mirror"), red_square]),
                     [(120, 50, (255, 0, 0)),  # the red square, read from the scene so far
                      (40, 50, RIGHT),         # where it was drawn: the right half, mirrored
                      (20, 80, RIGHT),
                      (140, 80, LEFT),
                      (40, 20, (0, 0, 255))]),  # the post-pass object's own square
        # Every plain sprite system; the still picture on top, and the right half's picture
        # where no sprite goes.
        "SpriteSystems": (document(sprite_systems(), sprite_pictures()),
                          [(120, 30, MAGENTA), (150, 90, RIGHT), (100, 80, RIGHT)]),
        # A glow object: its glow target (a render-target pair of the resource store) and
        # the effect go through the loss as well. The opaque segments cover y 40..59.
        "DischargeBolt": (bolt_document(),
                          [(40, 50, (255, 255, 255)), (100, 45, (255, 255, 255)),
                           (40, 20, LEFT), (120, 80, RIGHT), (10, 50, LEFT), (150, 50, RIGHT)]),
        **air_brush_rows(),
        **falling_star_rows(),
        **animated_font_rows(),
        **pattern_light_rows(),
        **wave_water_rows(),
        **fire_rows(),
        **cloud_perspective_rows(),
        **centred_rows(),
    }


# Documents of test-only objects that break the rule; the test expects the fixture to fail
# them.
def faulty():
    return {
        "OwnDefaultTexture": document([life_object(OWN_DEFAULT_TEXTURE, 0xFF00FF00, 80, 50, 10, "own target")]),
        "KeptReference": document([life_object(KEPT_REFERENCE, 0xFF00FF00, 80, 50, 10, "keeper")]),
    }


def c_array(name, data):
    lines = ["  " + ", ".join("0x%02x" % b for b in data[i:i + 20]) + "," for i in range(0, len(data), 20)]
    return "inline const unsigned char kLifeDoc%s[] = {\n%s\n};\n" % (name, "\n".join(lines))


def main(path):
    text = ["// Generated by tests/layers/make_device_life_documents.py. Do not edit.", "#pragma once",
            "#include <cstddef>", "",
            "struct LifeProbe {", "  unsigned x, y;", "  int r, g, b;", "};",
            "struct LifeDocumentRow {", "  const char* name;", "  const unsigned char* bytes;", "  size_t size;",
            "  const LifeProbe* probes;", "  size_t probeCount;", "};", ""]
    rows = []
    for name, (data, probes) in passing().items():
        text.append(c_array(name, data))
        probe_table = "nullptr"
        if probes:  # C++ has no empty arrays
            probe_table = "kLifeProbes" + name
            text.append("inline const LifeProbe %s[] = {\n%s\n};" % (
                probe_table, "\n".join("  {%d, %d, %d, %d, %d}," % (x, y, *rgb) for x, y, rgb in probes)))
        rows.append('  {"%s", kLifeDoc%s, sizeof kLifeDoc%s, %s, %d},' % (name, name, name, probe_table, len(probes)))
    text.append("inline const LifeDocumentRow kLifeDocuments[] = {\n%s\n};\n" % "\n".join(rows))
    for name, data in faulty().items():
        text.append(c_array(name, data))
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write("\n".join(text))
    os.replace(tmp, path)


if __name__ == "__main__":
    main(sys.argv[1])
