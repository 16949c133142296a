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
# The dawn's sun (make_demo.paint_dawn): centre (0.68 W, 0.56 H), radius 0.07 H.
SUN = (0.68, 0.56)
SUN_GLOW_MASK_GUID = "{5E2C81A4-7D3B-4C19-A06F-2B9E4D71C853}"
NIGHT_HAZE_MASK_GUID = "{9A47D0E2-1C6B-4F83-B5E9-70D2A8C4163F}"
HAZE_LINK = ("demo\\haze.png", 2101)


def pattern_light_effects(W, H, records, guid_images, png_rgba_bytes):
    """The dawn's sun glows and flickers warmly: a screen blend of a warm colour at a
    strength that follows noise, kept by its mask to the sun's surroundings. Over the night
    sky a faint haze is tiled, turned a little, and held off the ground by its mask; as the
    camera pans it drifts across the screen. Both are post passes (technique mode 1), so
    they compose with the other families' effects on the same slides."""

    def smoothstep(a, b, x):
        t = max(0.0, min(1.0, (x - a) / (b - a)))
        return t * t * (3 - 2 * t)

    def tiled_noise(size, cells, seed):
        """Value noise over size x size pixels on a cells x cells lattice that wraps around,
        so the picture tiles without a seam; values 0..1."""
        state = [seed & 0x7FFFFFFF]

        def draw():
            state[0] = (state[0] * 1103515245 + 12345) & 0x7FFFFFFF
            return (state[0] >> 8) / float(1 << 23)

        lattice = [[draw() for _ in range(cells)] for _ in range(cells)]

        def at(x, y):
            fx, fy = x * cells / size, y * cells / size
            i, j = int(fx), int(fy)
            tx, ty = smoothstep(0, 1, fx - i), smoothstep(0, 1, fy - j)
            a, b = lattice[j % cells][i % cells], lattice[j % cells][(i + 1) % cells]
            c, d = lattice[(j + 1) % cells][i % cells], lattice[(j + 1) % cells][(i + 1) % cells]
            return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty
        return at

    aspect = W / float(H)

    # The glow's mask: black (the glow acts) about the sun, white (held back) from a third
    # of the picture's height away.
    def glow_mask(x, y):
        u, v = (x + 0.5) / 256.0, (y + 0.5) / 160.0
        d = (((u - SUN[0]) * aspect) ** 2 + (v - SUN[1]) ** 2) ** 0.5
        m = 255 * smoothstep(0.06, 0.32, d)
        return (m, m, m, 255)
    guid_images.append((SUN_GLOW_MASK_GUID, png_rgba_bytes(256, 160, glow_mask)))
    sun_glow = lambda w: effects.light_fx_ii(  # noqa: E731
        w, intensity=45, flicker=3, blend=1, colour=0x70C8FF,  # (255, 200, 112): warm
        fx=dict(speed=4, technique=1, mask_guid=SUN_GLOW_MASK_GUID, abobj=dict(name="Sun glow")))

    # A soft bluish haze whose opacity is noise, at most about a fifth.
    noise = tiled_noise(128, 4, 2024)
    fine = tiled_noise(128, 16, 77)

    def haze(x, y):
        n = 0.7 * noise(x, y) + 0.3 * fine(x, y)
        return (150, 170, 230, 60 * smoothstep(0.35, 0.85, n))
    records.append((HAZE_LINK, "haze.png", png_rgba_bytes(128, 128, haze)))

    # The haze's mask: the sky clear, the ground (from 0.72 H down) held back.
    def haze_mask(x, y):
        m = 255 * smoothstep(0.62, 0.74, (y + 0.5) / 64.0)
        return (m, m, m, 255)
    guid_images.append((NIGHT_HAZE_MASK_GUID, png_rgba_bytes(4, 64, haze_mask)))
    night_haze = lambda w: effects.pattern_brush(  # noqa: E731
        w, pattern=HAZE_LINK, angle=20, pattern_scale=300, offset_x=30,
        fx=dict(technique=1, mask_guid=NIGHT_HAZE_MASK_GUID, abobj=dict(name="Night haze")))
    return {0: [sun_glow], 3: [night_haze]}


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
