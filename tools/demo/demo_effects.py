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


# Each family: a function (W, H, records, guid_images, png_rgba_bytes, pictures) ->
# {slide index: [writers]}; it appends the document-carried effects it uses to `records`,
# its masks to `guid_images` and the pictures it paints to `pictures`.

# ==== PATTERN AND LIGHT ======================================================================
# The dawn's sun (make_demo.paint_dawn): centre (0.68 W, 0.56 H), radius 0.07 H.
SUN = (0.68, 0.56)
SUN_GLOW_MASK_GUID = "{5E2C81A4-7D3B-4C19-A06F-2B9E4D71C853}"
NIGHT_HAZE_MASK_GUID = "{9A47D0E2-1C6B-4F83-B5E9-70D2A8C4163F}"
HAZE_LINK = ("demo\\haze.png", 2101)


def pattern_light_effects(W, H, records, guid_images, png_rgba_bytes, pictures=None):
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


def wave_water_effects(W, H, records, guid_images, png_rgba_bytes, pictures=None):
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
def fire_effects(W, H, records, guid_images, png_rgba_bytes, pictures=None):
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


def centred_effects(W, H, records, guid_images, png_rgba_bytes, pictures=None):
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


def add_effects(slides, records, guid_images, png_rgba_bytes, W, H, pictures=None):
    """Appends every family's effects to the slides' object lists. pictures: the document's
    pictures ((link, file name, bytes) items); a family that paints pictures of its own
    appends them there."""
    for family in (pattern_light_effects, wave_water_effects, fire_effects, cloud_perspective_effects,
                   centred_effects):
        for index, objects in family(W, H, records, guid_images, png_rgba_bytes, pictures).items():
            slides[index]["objects"] = tuple(slides[index].get("objects", ())) + tuple(objects)
