"""The demo scene's shader effects, placed where they fit the slides: each family adds its
effects to the slides (0 dawn, 1 mountains, 2 coast, 3 night) through a function
(W, H) -> {slide index: [writers]}. Module effects come from "velmora.dll" by id; the
effects that documents carry (waterfall, cloud, perspective, rotation, bend) are stored
in the document under their own links, from tools/demo/effects/.

Masks: an effect's "Mask" holds the effect back where it is white (red channel 1) and
lets it act fully where it is black; an effect without a mask acts everywhere. A family
that masks its effect adds (GUID string, PNG bytes) to the document's GUID pictures and
names the GUID as the effect's mask key.

Effects go at the end of a slide's object list: the slide draws its objects from last to
first, so an effect that redraws the picture ("Main") comes first and the sprites and
particles are drawn over it; an effect of technique mode 1 ("MainFX") reads the scene
drawn so far.
"""

import os

import effects

HERE = os.path.dirname(os.path.abspath(__file__))


def document_effect(file_name, stamp):
    """(link, file name, bytes) of an effect source from tools/demo/effects/, stored in the
    document under ("demo\\\\<file name>", stamp)."""
    with open(os.path.join(HERE, "effects", file_name), "rb") as f:
        return (("demo\\" + file_name, stamp), file_name, f.read())


# Each family: a function (W, H, records, guid_images, png_rgba_bytes) -> {slide index:
# [writers]}; it appends the document-carried effects it uses to `records` and its masks
# to `guid_images`.

# ==== PATTERN AND LIGHT ======================================================================
def pattern_light_effects(W, H, records, guid_images, png_rgba_bytes):
    return {}


# ==== WAVES AND WATER ========================================================================
SEA_MASK_GUID = "{3E8C1D52-7A04-4B9F-A6E3-5C2F8D19B470}"
STREAM_MASK_GUID = "{A41F6B83-0D5E-4C72-9B18-E6F3027C5D94}"


def _mask_png(W, H, png_rgba_bytes, inside, scale=4):
    """A mask picture at 1 / scale of the picture's size: black where inside(x, y) (picture
    pixels) says how far the point lies within the area the effect acts on (soft over the
    last 6 pixels), white elsewhere."""
    def pixel(i, j):
        depth = inside((i + 0.5) * scale, (j + 0.5) * scale)
        v = 255.0 * min(1.0, max(0.0, 1.0 - depth / 6.0))
        return (v, v, v, 255)
    return png_rgba_bytes(W // scale, H // scale, pixel)


def _streaks_png(png_rgba_bytes, size=128, streaks=32):
    """Streaks that run along v: across u, smoothed random levels (streaks per width);
    along v each streak brightens and dims twice, so the picture tiles both ways."""
    import math

    state = 2311
    levels = []
    for _ in range(streaks):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        levels.append(state / float(0x7FFFFFFF))

    def level(u):
        x = u * streaks
        i = int(math.floor(x)) % streaks
        t = x - math.floor(x)
        t = t * t * (3 - 2 * t)
        return levels[i] * (1 - t) + levels[(i + 1) % streaks] * t

    def pixel(x, y):
        a = level(x / float(size))
        v = y / float(size)
        pulse = 0.75 + 0.25 * math.sin(2 * math.pi * (2 * v + 3 * a))
        red = 255 * a * pulse
        green = 128 + 40 * math.sin(2 * math.pi * (v + a))
        return (red, green, 128, 255)

    return png_rgba_bytes(size, size, pixel)


def wave_water_effects(W, H, records, guid_images, png_rgba_bytes):
    import math

    # The coast (slide 2): rippling water on the sea, held back from the sky, the headland
    # and the sand. The sea lies below the headland's foot (horizon + 2) and above the
    # sand's edge, as make_demo.paint_coast paints them.
    horizon = int(H * 0.5)

    def sand_top(x):
        return H * 0.78 - 0.18 * H * max(0.0, 1 - x / (W * 0.6)) + 6 * math.sin(x / 37.0)

    def in_sea(x, y):
        return min(y - (horizon + 2), sand_top(x) - y)

    guid_images.append((SEA_MASK_GUID, _mask_png(W, H, png_rgba_bytes, in_sea)))
    sea = lambda w: effects.water_fx(  # noqa: E731
        w, profile=60, bump_amount=20, second_drift=20, first_drift_period=20, angle=80, shadows=20, half_vector=25,
        colour=0x00F0E8D8,
        fx=dict(technique=1, speed=50, scale=30, effect=(effects.MODULE, 90), mask_guid=SEA_MASK_GUID,
                abobj=dict(name="sea")))

    # The mountains (slide 1): a waterfall from the notch between the second and third
    # peaks (about (584, 215) on a 1024 x 640 picture) down to the lake's shore, streaming
    # its layers and noise downwards (angle 270). The mask keeps it to a band that widens
    # as it falls and softens its edges.
    top, shore = 0.336 * H, 0.6 * H
    centre = 0.57 * W

    def in_stream(x, y):
        if y < top or y > shore + 6:
            return -1.0
        fall = (y - top) / (shore - top)
        half = 10.0 + 20.0 * fall
        return min(half - abs(x - centre - 4.0 * math.sin(y / 23.0)), (y - top) * 0.5, shore + 6 - y)

    guid_images.append((STREAM_MASK_GUID, _mask_png(W, H, png_rgba_bytes, in_stream, scale=2)))
    link, name, source = document_effect("waterfall.fx", 2310)
    records.append((link, name, source))
    # The stream's noise, carried by the document: fine streaks along v (red, the foam)
    # and a gentle sideways sway (green), both tiling.
    streaks_link = ("demo\\streaks.png", 2311)
    records.append((streaks_link, "streaks.png", _streaks_png(png_rgba_bytes)))
    stream = lambda w: effects.waterfall_fx(  # noqa: E731
        w, translucency=25, layer_count=3, noise_amplitude=30, threshold=300, noise=streaks_link,
        base_colour=0x00FFF4EA,
        direction=dict(amount=15, angle=270, fx=dict(
            speed=60, scale=10, effect=link, mask_guid=STREAM_MASK_GUID,
            region=effects.region_rect(centre - 40.0, top - 4.0, centre + 40.0, shore + 8.0),
            abobj=dict(name="waterfall"))))
    return {1: [stream], 2: [sea]}


# ==== FIRE ===================================================================================
def fire_effects(W, H, records, guid_images, png_rgba_bytes):
    return {}


# ==== CLOUD AND PERSPECTIVE ==================================================================
def cloud_perspective_effects(W, H, records, guid_images, png_rgba_bytes):
    return {}


# ==== CENTRED DISTORTIONS ====================================================================
def centred_effects(W, H, records, guid_images, png_rgba_bytes):
    return {}


def add_effects(slides, records, guid_images, png_rgba_bytes, W, H):
    """Appends every family's effects to the slides' object lists."""
    for family in (pattern_light_effects, wave_water_effects, fire_effects, cloud_perspective_effects,
                   centred_effects):
        for index, objects in family(W, H, records, guid_images, png_rgba_bytes).items():
            slides[index]["objects"] = tuple(slides[index].get("objects", ())) + tuple(objects)
