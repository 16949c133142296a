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
def wave_water_effects(W, H, records, guid_images, png_rgba_bytes):
    return {}


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
