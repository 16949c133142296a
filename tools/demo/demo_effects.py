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

import inspect
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
def wave_water_effects(W, H, records, guid_images, png_rgba_bytes):
    return {}


# ==== FIRE ===================================================================================
def fire_effects(W, H, records, guid_images, png_rgba_bytes):
    return {}


# ==== CLOUD AND PERSPECTIVE ==================================================================
# Mountains: clouds drift to the right across the sky in perspective, thinning and crowding
# toward the horizon and passing behind the peaks (the mask is white over the range and
# fades in above the valleys, so the region's lower edge never shows). The lake's
# reflection rocks slowly about the shore as if the water tilted.
CLOUD_LINK = ("demo\\effects\\clouds.png", 5150)
CLOUD_MASK_GUID = "{5C1E0D2A-7B3F-4E61-9A48-C2D6E0F1B357}"
# The range of the mountains slide (tools/demo/make_demo.py, paint_mountains): peaks as
# fractions (x, top) of the picture, slopes of 0.9.
MOUNTAIN_PEAKS = [(0.18, 0.22), (0.42, 0.12), (0.63, 0.25), (0.85, 0.17)]


def _tileable_noise(size, periods, seed):
    """Fractal value noise that tiles over size x size: one lattice of random values per
    period (cells across the tile), smoothly interpolated, halving in weight each octave."""
    state = seed
    octaves = []
    for period in periods:
        lattice = []
        for _ in range(period * period):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            lattice.append((state >> 8) / float(1 << 23))
        octaves.append((period, lattice))

    def value(x, y):
        total, weight, norm = 0.0, 1.0, 0.0
        for period, lattice in octaves:
            fx, fy = x * period / size, y * period / size
            ix, iy = int(fx), int(fy)
            tx, ty = fx - ix, fy - iy
            tx, ty = tx * tx * (3 - 2 * tx), ty * ty * (3 - 2 * ty)
            x0, x1, y0, y1 = ix % period, (ix + 1) % period, iy % period, (iy + 1) % period
            top = lattice[y0 * period + x0] * (1 - tx) + lattice[y0 * period + x1] * tx
            bottom = lattice[y1 * period + x0] * (1 - tx) + lattice[y1 * period + x1] * tx
            total += weight * (top * (1 - ty) + bottom * ty)
            norm += weight
            weight *= 0.5
        return total / norm
    return value


def paint_clouds(size=256):
    """A tile of puffy clouds: grey levels (the effect reads red times alpha), opaque."""
    noise = _tileable_noise(size, (4, 8, 16, 32), seed=20240611)

    def pixel(x, y):
        n = noise(x, y)
        c = min(1.0, max(0.0, (n - 0.42) / 0.3))
        c = c * c * (3 - 2 * c)
        v = 255 * c
        return (v, v, v, 255)
    return pixel


def paint_cloud_mask(W, H, w, h):
    """White over the mountain range, and fading in from 0.27 to 0.33 of the picture's
    height, so that the clouds stay in the sky behind the peaks; black elsewhere."""
    def pixel(x, y):
        px, py = (x + 0.5) * W / w, (y + 0.5) * H / h
        ridge = min(H * 0.6, min(top * H + abs(px - fx * W) * 0.9 for fx, top in MOUNTAIN_PEAKS))
        behind = min(1.0, max(0.0, (py - ridge) / 3.0 + 0.5))
        low = min(1.0, max(0.0, (py / H - 0.27) / 0.06))
        v = 255 * max(behind, low)
        return (v, v, v, 255)
    return pixel


def cloud_perspective_effects(W, H, records, guid_images, png_rgba_bytes, pictures=None):
    clouds_fx, perspective_fx = document_effect("cloud.fx", 5151), document_effect("perspective.fx", 5152)
    records += [clouds_fx, perspective_fx]
    if pictures is not None:
        pictures.append((CLOUD_LINK, "clouds.png", png_rgba_bytes(256, 256, paint_clouds())))
    guid_images.append((CLOUD_MASK_GUID, png_rgba_bytes(256, 160, paint_cloud_mask(W, H, 256, 160))))
    sky = effects.region_rect(0.0, 0.0, float(W), 0.34 * H)
    lake = effects.region_rect(0.0, 0.6 * H, float(W), float(H))
    clouds = lambda w: effects.cloud_fx(  # noqa: E731
        w, colour1=0xEBDCC8, colour2=0xFFFCFA, cloud=CLOUD_LINK, threshold=0, density=48,
        projection=dict(perspective=100, height=2),
        direction=dict(angle=0, fx=dict(speed=25, effect=clouds_fx[0], scale=80, region=sky,
                                        mask_guid=CLOUD_MASK_GUID, abobj=dict(name="Clouds"))))
    reflection = lambda w: effects.perspective_fx(  # noqa: E731
        w, depth=250, swing=3, swing_mode=2,
        line=dict(angle=0, centre=(W / 2.0, 0.6 * H, 0.0),
                  fx=dict(speed=15, effect=perspective_fx[0], region=lake, abobj=dict(name="Rocking lake"))))
    return {1: [clouds, reflection]}


# ==== CENTRED DISTORTIONS ====================================================================
def centred_effects(W, H, records, guid_images, png_rgba_bytes):
    return {}


def add_effects(slides, records, guid_images, png_rgba_bytes, W, H, pictures=None):
    """Appends every family's effects to the slides' object lists. pictures: the document's
    pictures ((link, file name, bytes) items); a family that paints pictures of its own
    takes a `pictures` argument and appends them there."""
    for family in (pattern_light_effects, wave_water_effects, fire_effects, cloud_perspective_effects,
                   centred_effects):
        extra = {"pictures": pictures} if "pictures" in inspect.signature(family).parameters else {}
        for index, objects in family(W, H, records, guid_images, png_rgba_bytes, **extra).items():
            slides[index]["objects"] = tuple(slides[index].get("objects", ())) + tuple(objects)
