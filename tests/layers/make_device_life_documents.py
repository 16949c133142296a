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


TILE_LINK = ("life\\tile.png", 3020)
RIGHT_MASK_GUID = "{3C0E7A51-9B2D-4F60-8E14-5A7D2B9C0F36}"


def pattern_light_rows():
    """The pattern brush (and its C form), background copy and both lights, each over the
    whole picture with technique mode 0 ("Background" is the slide's picture), drawing
    through the module's effects, which the documents carry. Steady values only: the
    second frame must match the first."""
    records = [module_effect(75, "backgroundcopy.fx"), module_effect(76, "light.fx"),
               module_effect(78, "pattern.fx")]
    # A 16 x 16 tile, opaque magenta on its left half and clear on its right; at pattern
    # scale 1 it repeats every 16 pixels: x mod 16 < 8 magenta, else the picture.
    tile = (TILE_LINK, "tile.png",
            png_rgba_bytes(16, 16, lambda x, y: MAGENTA + (255,) if x < 8 else (0, 0, 0, 0)))
    # White (holding the effect back) on the right half of the picture.
    mask = (RIGHT_MASK_GUID, png_bytes(16, 16, [bytes((0, 0, 0)) * 8 + bytes((255, 255, 255)) * 8] * 16))

    def row(objects, probes, guid_images=()):
        return document(objects, [tile], records, guid_images), probes

    def mixed(a, b, t):
        return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))

    def lit(colour, factor):
        return tuple(min(255, int(round(c * factor))) for c in colour)

    name = lambda n: dict(abobj=dict(name=n))  # noqa: E731
    # Half the picture's width: each half shows the other.
    copy = lambda w: effects.background_copy(w, rect=(0, 0, 0, 0, 80, 0), fx=name("copy"))  # noqa: E731
    # Speed 0 keeps the effect time at 0: flicker mode 0 gives 1/2, a multiplier of 0.5 at
    # intensity 1. Near the centre (d^2 < 0.01 picture heights) the picture is brightened by
    # about 1.496; the right half's pixels at x = 90 likewise.
    light = lambda w: effects.light_fx(w, intensity=100, flicker=0, fx=dict(speed=0, **name("light")))  # noqa: E731
    # Blue at half strength (steady flicker), held back on the right half by its mask.
    light2 = lambda w: effects.light_fx_ii(  # noqa: E731
        w, intensity=50, flicker=0, blend=0, colour=0xFF0000, fx=dict(mask_guid=RIGHT_MASK_GUID, **name("light 2")))
    pattern = lambda w: effects.pattern_brush(w, pattern=TILE_LINK, fx=name("pattern"))  # noqa: E731
    # Mirrored across: x mod 16 >= 8 magenta.
    pattern_c = lambda w: effects.pattern_brush_c(w, pattern=TILE_LINK, mirror_h=1, fx=name("pattern C"))  # noqa: E731
    return {
        "BackgroundCopy": row([copy], [(40, 50, RIGHT), (120, 50, LEFT), (20, 80, RIGHT), (140, 20, LEFT)]),
        "LightFX": row([light], [(70, 50, lit(LEFT, 1.496)), (90, 50, lit(RIGHT, 1.496)), (76, 45, lit(LEFT, 1.5))]),
        "LightFX_II": row([light2], [(40, 50, mixed(LEFT, BLUE, 0.5)), (20, 20, mixed(LEFT, BLUE, 0.5)),
                                     (120, 50, RIGHT), (140, 80, RIGHT)],
                          [mask]),
        "PatternBrush": row([pattern], [(4, 50, MAGENTA), (12, 50, LEFT), (100, 50, MAGENTA), (108, 50, RIGHT),
                                        (36, 90, MAGENTA)]),
        "PatternBrushC": row([pattern_c], [(4, 50, LEFT), (12, 50, MAGENTA), (100, 50, RIGHT), (108, 50, MAGENTA)]),
    }


def wave_water_rows():
    """The wave and water effects (the underwater effect has no reader: it comes with the
    layer that holds it), each with speed 0 so that the first frame is the same
    whatever the object time: effect time 0. The picture's halves meet at x = 80; an effect
    that moves the picture sideways moves that edge, which the probes find. The picture is
    160 x 100 at scale 1: "Scale" (1.6, 1), a pixel's coordinate ((x + 0.5) / 160,
    (y + 0.5) / 100)."""
    flat_link = ("life\\flat.png", 3020)
    waterfall_link = ("life\\waterfall.fx", 3021)
    flat = png_bytes(8, 8, [bytes((128, 128, 255)) * 8] * 8)
    with open(os.path.join(HERE, "..", "..", "tools", "demo", "effects", "waterfall.fx"), "rb") as f:
        waterfall_effect = f.read()
    mask_guid = "{5B0E7A41-2C9D-4F36-8E15-7D4A2B9C6E03}"
    top_white = png_bytes(PICTURE_W, PICTURE_H, [bytes((255, 255, 255)) * PICTURE_W] * (PICTURE_H // 2)
                          + [bytes((0, 0, 0)) * PICTURE_W] * (PICTURE_H - PICTURE_H // 2))

    def fx(name, **kw):
        return dict(speed=0, abobj=dict(name=name), **kw)

    # Amplitude 400 (0.1), wavelength 628 (0.315: frequency 3.1746), angle 90, mode 0:
    # "direction" (0, 1), "direction_n" (1, 0): each row reads the picture 0.1 sin(3.1746 v)
    # to the right, 16 px near the middle row: x 64..79 show the right half there. Drawn
    # as a post pass ("MainFX").
    waves = lambda w: effects.waves_fx(  # noqa: E731
        w, amplitude=400, wavelength=628, angle=90, fx=fx("waves", technique=1, effect=("velmora.dll", 77)))
    # No wave (profile 0), a flat bump map, no light: only the colour 0x000080FF tints,
    # (1, 0.502, 0): the left half (200, 50, 0), the right (40, 100, 0).
    water = lambda w: effects.water_fx(  # noqa: E731
        w, profile=0, colour=0x000080FF, bump=flat_link, fx=fx("water", scale=50, effect=("velmora.dll", 90)))
    # Amount 1600 (0.32), second extreme 0, angle 0 at effect time 0: e = -(0.32 - 0) / 2,
    # the displacement (-0.16, 0), read 0.16 / 1.6 = 0.1 (16 px) to the left: x 80..95
    # show the left half; the mask's white top half keeps the picture as it is.
    move = lambda w: effects.move_fx(  # noqa: E731
        w, direction=dict(amount=1600, angle=0, fx=fx("move", technique=1, mask_guid=mask_guid,
                                                      effect=("velmora.dll", 91))))
    # Two layers over x 40..120, y 20..80, length 50 (0.2), angle 180 (direction (-1, 0)):
    # fractions 0 (translucency 0) and 0.5 (translucency 1, shift (0.1, 0)): the region
    # reads the picture 16 px to the right.
    waterfall = lambda w: effects.waterfall_fx(  # noqa: E731
        w, layer_count=2, direction=dict(amount=50, angle=180, fx=fx(
            "waterfall", effect=waterfall_link, region=effects.region_rect(40.0, 20.0, 120.0, 80.0))))
    pictures = [(flat_link, "flat.png", flat)]
    return {
        "WavesFX": (document([waves], records=[module_effect(77, "waves.fx")]),
                  [(70, 50, RIGHT), (74, 40, RIGHT), (60, 50, LEFT), (40, 20, LEFT), (120, 80, RIGHT)]),
        "WaterFX": (document([water], pictures, records=[module_effect(90, "water.fx")]),
                  [(40, 50, (200, 50, 0)), (120, 50, (40, 100, 0)), (10, 90, (200, 50, 0)), (150, 5, (40, 100, 0))]),
        "MoveFX": (document([move], records=[module_effect(91, "move.fx")], guid_images=[(mask_guid, top_white)]),
                 [(88, 70, LEFT), (84, 90, LEFT), (100, 70, RIGHT), (88, 20, RIGHT), (40, 70, LEFT),
                  (150, 80, RIGHT)]),
        "WaterfallFX": (document([waterfall], records=[(waterfall_link, "waterfall.fx", waterfall_effect)]),
                      [(70, 50, RIGHT), (60, 50, LEFT), (70, 10, LEFT), (100, 50, RIGHT), (30, 50, LEFT),
                       (110, 90, RIGHT)]),
    }


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
    """The cloud and perspective effects, with the effects that documents carry
    (tools/demo/effects). The cloud: an opaque white cloud picture over x 20..140, y 10..60
    through "Main", at full density and tinted blue where dense. The perspective: through
    "MainFX" (a post-pass object), swung about the column x 40 at depth 2 with sin t = 1
    (speed 393 x 0.02, one step of 0.2 s: t = 1.572), so each column reads the one twice as
    far from x 40 and the halves' edge (x 80) shows at x 60."""
    def carried(name, stamp):
        with open(os.path.join(HERE, "..", "..", "tools", "demo", "effects", name), "rb") as f:
            return (("life\\" + name, stamp), name, f.read())
    cloud_fx, perspective_fx = carried("cloud.fx", 3041), carried("perspective.fx", 3042)
    cloud_link = ("life\\cloud.png", 3040)
    white = png_rgba_bytes(8, 8, lambda x, y: (255, 255, 255, 255))
    blue = (0, 0, 255)
    cloud = lambda w: effects.cloud_fx(  # noqa: E731
        w, colour2=0xFF0000, cloud=cloud_link, density=50,
        direction=dict(fx=dict(effect=cloud_fx[0], region=effects.region_rect(20.0, 10.0, 140.0, 60.0),
                               abobj=dict(name="cloud"))))
    perspective = lambda w: effects.perspective_fx(  # noqa: E731
        w, depth=500, line=dict(angle=90, centre=(40.0, 50.0, 0.0), fx=dict(
            speed=393, technique=1, effect=perspective_fx[0], abobj=dict(name="perspective"))))
    return {
        "CloudFX": (document([cloud], [(cloud_link, "cloud.png", white)], [cloud_fx]),
                    [(30, 20, blue), (130, 50, blue), (80, 35, blue), (10, 30, LEFT), (30, 80, LEFT),
                     (150, 30, RIGHT), (120, 80, RIGHT)]),
        "PerspectiveFX": (document([perspective], records=[perspective_fx]),
                          [(50, 50, LEFT), (20, 20, LEFT), (70, 50, RIGHT), (65, 90, RIGHT), (150, 50, RIGHT)]),
    }


def demo_effect(link, file_name):
    """(link, name, bytes) of a resource-store record: tools/demo/effects/<file_name>,
    as documents carry it."""
    with open(os.path.join(HERE, "..", "..", "tools", "demo", "effects", file_name), "rb") as f:
        return (link, file_name, f.read())


def centred_rows():
    """The centred distortions, each alone over the two halves (the boundary at x = 80).
    One update at time 100 moves an effect clock by 0.2 s times its speed. Probes sit
    where the distortion reads the other half than the pixel's own, and where it cannot."""
    region = effects.region_rect(40.0, 20.0, 120.0, 80.0)
    # Expand: the sine at t = 0.2 x 393 x 0.02 = 1.572 (sin 1.0000) swells by the first
    # extreme 0.5 about (40, 50): within 75 pixels of the centre a pixel reads half its way
    # nearer (at 1.6 : 1, Scale (1.6, 1) counts 100 pixels per picture height); from 100
    # out, not at all. (100, 50) and (110, 50) read x 70 and 75, the left half;
    # (150, 50) reads itself.
    expand = lambda w: effects.expand_fx(  # noqa: E731
        w, first=100, second=0, wave_form=1,
        central=dict(centre=(40.0, 50.0, 0.0), fx=dict(speed=393, abobj=dict(name="expand"))))
    # Radial wave about (120, 50) with its clock still (time 0): wavelength 1582 (0.1592,
    # frequency 6.281), amplitude 400 (0.1 picture widths, 16 pixels). A pixel dx pixels
    # left of the centre reads 16 sin(dx / 160 x 6.281) pixels farther left: (88, 50),
    # 31.5 out, reads x 73.3 and (90, 50), 29.5 out, x 75.8, both on the left half.
    wave = lambda w: effects.radial_wave_fx(  # noqa: E731
        w, amplitude=400, wavelength=1582, outward=1,
        central=dict(centre=(120.0, 50.0, 0.0), fx=dict(speed=0, abobj=dict(name="radial wave"))))
    # Rotation about (80, 50) by t = 0.2 x 1000 x 0.005 = 1 radian at zoom 1: a pixel at
    # centre + (dx, dy) reads centre + (dx cos 1 - dy sin 1, dx sin 1 + dy cos 1).
    # (70, 20) reads (99.8, 25.4): the right half; (90, 80) reads (60.2, 74.6): the left.
    rotation_link = ("life\\rotation.fx", 3020)
    rotation = lambda w: effects.rotation_fx(  # noqa: E731
        w, zoom=1000, central=dict(centre=(80.0, 50.0, 0.0), fx=dict(
            speed=1000, effect=rotation_link, abobj=dict(name="rotation"))))
    # Bend over x 40..120, y 20..80 about (80, 50), drawn on its region grid: at t = 0.2 x
    # 393 x 0.02 = 1.572 the angle is 0.785 (1 + sin t) = 1.571, a quarter turn; with bend
    # 0 the region turns as a whole: (70, 30) reads (100, 40), the right half, (90, 70)
    # reads (60, 60), the left. Outside the region the picture stays.
    bend_link = ("life\\bend.fx", 3021)
    bend = lambda w: effects.bend_fx(  # noqa: E731
        w, first=785, central=dict(centre=(80.0, 50.0, 0.0), fx=dict(
            speed=393, effect=bend_link, region=region, abobj=dict(name="bend"))))
    return {
        "CentredExpand": (document([expand], records=[module_effect(102, "expand.fx")]),
                          [(100, 50, LEFT), (110, 50, LEFT), (150, 50, RIGHT), (20, 20, LEFT), (140, 90, RIGHT)]),
        "CentredRadialWave": (document([wave], records=[module_effect(103, "radialwave.fx")]),
                              [(88, 50, LEFT), (90, 50, LEFT), (120, 50, RIGHT), (150, 20, RIGHT), (20, 80, LEFT)]),
        "CentredRotation": (document([rotation], records=[demo_effect(rotation_link, "rotation.fx")]),
                            [(70, 20, RIGHT), (90, 80, LEFT), (60, 50, LEFT), (100, 50, RIGHT)]),
        "CentredBend": (document([bend], records=[demo_effect(bend_link, "bend.fx")]),
                        [(70, 30, RIGHT), (90, 70, LEFT), (20, 50, LEFT), (140, 50, RIGHT), (60, 10, LEFT)]),
    }


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
