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
    """Two fires on the night slide's dark ground, in the module fire's own colours (red
    deepening to yellow): a campfire left of the middle, three of the pattern's four tongues
    wide (tiling 1.33) on a region narrower at the top than at the foot, so that its flames
    lean together; and a small one far off on the right, a single tongue (tiling 4). Each
    region's foot lies on the ground line there (0.77 to 0.79 H), so the flames rise out
    of the ground."""
    def fire(name, foot, crown, top, bottom, tiling, speed, brightness):
        (l0, r0), (l1, r1) = crown, foot
        region = ((l0 * W, top * H, 0.0), (l1 * W, bottom * H, 0.0), (r0 * W, top * H, 0.0),
                  (r1 * W, bottom * H, 0.0))
        return lambda w: effects.fire_fx(w, tiling=tiling, brightness=brightness,
                                         fx=dict(speed=speed, region=region, abobj=dict(name=name)))
    return {3: [fire("Campfire", (0.235, 0.325), (0.255, 0.305), 0.63, 0.79, 133, 40, 13),
                fire("Distant fire", (0.662, 0.681), (0.662, 0.681), 0.725, 0.785, 400, 45, 15)]}


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
