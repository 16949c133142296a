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

import math
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
def cloud_perspective_effects(W, H, records, guid_images, png_rgba_bytes):
    return {}


# ==== CENTRED DISTORTIONS ====================================================================
# Rings spread over the coast's water from a point off the shore, squashed two to one as
# water seen at a shallow angle shows them, and fading out with the distance from that
# point; the mask holds them back off the water (sky, headland, sand) with a soft edge, so
# that the horizon and the shore line stay still.
RING_CENTRE = (0.62, 0.66)   # picture fractions
RING_SQUASH = 2.0            # vertical distances count twice
RING_REACH = (150.0, 380.0)  # picture pixels (squashed) where the rings fade out
RING_MASK_GUID = "{3C8E51A2-7F04-4B9D-A6E3-92D1C05B7E48}"


def coast_water_mask(W, H, png_rgba_bytes, mask_w=512, mask_h=320):
    """The radial wave's mask for the coast picture (tools/demo/make_demo.py, paint_coast):
    black on the water near the rings' centre, white elsewhere."""
    horizon = int(H * 0.5) + 2
    cx, cy = RING_CENTRE[0] * W, RING_CENTRE[1] * H
    feather = 12.0

    def sand_top(x):
        return H * 0.78 - 0.18 * H * max(0.0, 1 - x / (W * 0.6)) + 6 * math.sin(x / 37.0)

    def smooth(a, b, v):
        t = min(max((v - a) / (b - a), 0.0), 1.0)
        return t * t * (3 - 2 * t)

    def pixel(i, j):
        x, y = (i + 0.5) * W / mask_w, (j + 0.5) * H / mask_h
        inside = min(y - horizon, sand_top(x) - y)  # pixels into the water
        edge = 1.0 - smooth(0.0, feather, inside)
        far = smooth(RING_REACH[0], RING_REACH[1], math.hypot(x - cx, (y - cy) * RING_SQUASH))
        v = int(round(255 * max(edge, far)))
        return (v, v, v, 255)

    return png_rgba_bytes(mask_w, mask_h, pixel)


def centred_effects(W, H, records, guid_images, png_rgba_bytes):
    guid_images.append((RING_MASK_GUID, coast_water_mask(W, H, png_rgba_bytes)))
    # Gentle rings 70 pixels apart (wavelength 100: 0.011 widths), spreading at about 45
    # pixels a second (time 0.08 x 50 per second over a frequency of 91 per width);
    # background scale 12 (37) squashes them two to one (75 / 37). They push the water 6
    # pixels along x (amplitude 24 x 0.00025 picture widths) and 3 along y, so the light's
    # streaks on the water sway.
    rings = lambda w: effects.radial_wave_fx(  # noqa: E731
        w, amplitude=24, wavelength=100, bg_scale=12, outward=1, central=dict(
            centre=(RING_CENTRE[0] * W, RING_CENTRE[1] * H, 0.0),
            fx=dict(speed=50, technique=1, mask_guid=RING_MASK_GUID, abobj=dict(name="rings on the water"))))
    return {2: [rings]}


def add_effects(slides, records, guid_images, png_rgba_bytes, W, H):
    """Appends every family's effects to the slides' object lists."""
    for family in (pattern_light_effects, wave_water_effects, fire_effects, cloud_perspective_effects,
                   centred_effects):
        for index, objects in family(W, H, records, guid_images, png_rgba_bytes).items():
            slides[index]["objects"] = tuple(slides[index].get("objects", ())) + tuple(objects)
