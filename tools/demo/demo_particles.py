"""The demo scene's particle generators: air brushes, bling, twinkling stars and an aurora,
falling stars, fireworks and a line of animated-font text, placed where they fit the
slides. Every generator draws with the particle effect that the document carries
(effects/particles.fx, stored under EFFECT_LINK)."""

import math
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

# -- air brushes ---------------------------------------------------------------------------
# Dawn: glints sparkle in the sky left of the sun, where the first slide's sprites do not go
# (they keep to x >= 0.38) and right of the desktop's icons. PARTICLE_REGION (left, right, top, bottom, fractions of the
# picture) holds every glint whole and none of the first slide's probes, so a test finds
# there particles that change from one screenshot to the next.
PARTICLE_REGION = (0.15, 0.36, 0.08, 0.31)
# Coast: starfish painted on the sand. Night: twinkling stars and an aurora over the hills.


def _soft(d):
    """1 at the centre falling smoothly to 0 at distance 1."""
    d = min(1.0, max(0.0, d))
    return (1.0 - d * d) ** 2


def paint_glint(x, y):
    """A four-pointed glint, white, on a 64 x 64 picture."""
    dx, dy = (x - 31.5) / 31.5, (y - 31.5) / 31.5
    ray = max(_soft(abs(dx) * 0.9) * _soft(abs(dy) * 9.0), _soft(abs(dy) * 0.9) * _soft(abs(dx) * 9.0))
    core = _soft(math.hypot(dx, dy) * 3.0)
    return (255, 255, 255, 255 * min(1.0, ray + core))


def paint_halo(x, y):
    """A soft round halo, white, on a 64 x 64 picture."""
    return (255, 255, 255, 200 * _soft(math.hypot(x - 31.5, y - 31.5) / 31.5))


def paint_star(x, y):
    """A small soft star, white, on a 16 x 16 picture."""
    return (255, 255, 255, 255 * _soft(math.hypot(x - 7.5, y - 7.5) / 7.5) ** 0.6)


def paint_band(x, y):
    """A curtain of light, 32 x 128: soft sides, brightest low down, fading upwards."""
    across = _soft(abs(x - 15.5) / 15.5)
    up = y / 127.0
    along = up ** 1.5 * _soft((up - 0.85) / 0.15) if up > 0.85 else up ** 1.5
    return (255, 255, 255, 255 * across * along)


def paint_starfish(x, y):
    """A five-armed starfish, 48 x 48, orange with a lighter middle."""
    dx, dy = x - 23.5, y - 23.5
    r, a = math.hypot(dx, dy), math.atan2(dy, dx)
    edge = 9.0 + 13.0 * (0.5 + 0.5 * math.cos(5 * a)) ** 1.6
    if r > edge + 1.0:
        return (0, 0, 0, 0)
    t = r / max(edge, 1.0)
    alpha = 255 * min(1.0, edge + 1.0 - r)
    return (int(250 - 40 * t), int(150 - 60 * t), int(70 - 30 * t), alpha)


BRUSH_PICTURES = {
    "glint.png": (64, 64, paint_glint), "halo.png": (64, 64, paint_halo), "star.png": (16, 16, paint_star),
    "band.png": (32, 128, paint_band), "starfish.png": (48, 48, paint_starfish),
}


def _painted(x, y, life=0.0, size=1.0, opacity=1.0, angle=0.0, factor=1.0, turn=0.0):
    """A painted particle at (x, y): channels 0 life or phase, 1 size, 2 opacity, 4 angle,
    6 size factor and 9 angle offset; the others at their defaults."""
    return ((float(x), float(y), 0.0), [life, size, opacity, 0.0, angle, 1.0, factor, 1.0, 1.0, turn])


def _brush(name, size, points, images, colour1, colour2=(0xFFFFFF, 0), blend=0):
    return dict(size=size, particles=points,
                tex=dict(images=list(images), effect=EFFECT_LINK, colour1=colour1, colour2=colour2, blend=blend,
                         generator=dict(abobj=dict(name=name))))


def brush_objects(links, W, H):
    """Air brushes, bling, twinkling stars, aurora."""
    # Glints in the dawn sky: each grows in 0.4 s, fades in 0.9 s and starts again, turning
    # slowly; a gold halo (colour 2) under a white star (colour 1).
    l, r, t, b = PARTICLE_REGION
    glints = [(0.20, 0.15, 1.0, 0.05), (0.265, 0.12, 0.7, 0.3), (0.31, 0.21, 1.1, 0.6), (0.22, 0.26, 0.8, 0.8),
              (0.28, 0.275, 0.6, 0.15), (0.335, 0.12, 0.55, 0.45)]
    size = int(0.07 * W)
    for fx, fy, factor, _ in glints:
        reach = size * factor / 2  # every glint lies whole inside the region
        assert l * W <= fx * W - reach and fx * W + reach <= r * W
        assert t * H <= fy * H - reach and fy * H + reach <= b * H
    bling = lambda w: particles.bling(  # noqa: E731
        w, twinkle_clock=50, in_time=40, out_time=90, spin_clock=10, min_size=20,
        brush=_brush("Glints", size, [_painted(fx * W, fy * H, factor=factor, turn=turn)
                                      for fx, fy, factor, turn in glints],
                     [links["halo.png"], links["glint.png"]], (0xFFFFFF, 0), (0x60C8FF, 10)))

    # Starfish on the sand, left of the boat.
    shells = [(0.20, 0.71, 1.0, 0.3), (0.27, 0.745, 0.8, 1.7), (0.355, 0.76, 1.1, 4.0), (0.43, 0.79, 0.7, 2.6),
              (0.13, 0.74, 0.9, 5.2)]
    starfish = lambda w: particles.custom_air_brush(  # noqa: E731
        w, picture=links["starfish.png"],
        brush=_brush("Starfish", int(0.038 * W),
                     [_painted(fx * W, fy * H, size=s, angle=a) for fx, fy, s, a in shells],
                     [links["starfish.png"]], (0xFFFFFF, 0)))

    # Stars over the night hills, away from the moon; a few of them flash now and then.
    stars = []
    seed = 2024
    while len(stars) < 36:
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        fx = 0.02 + (seed % 1000) / 1000.0 * 0.96
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        fy = 0.03 + (seed % 1000) / 1000.0 * 0.5
        if math.hypot(fx - 0.78, (fy - 0.2) * H / W) < 0.12:
            continue
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        stars.append(_painted(fx * W, fy * H, size=0.6 + (seed % 100) / 100.0 * 0.6,
                              opacity=0.6 + (seed % 37) / 37.0 * 0.4))
    twinkles = lambda w: particles.twinkling_stars(  # noqa: E731
        w, clock=0, brush=_brush("Stars", 14, stars, [links["star.png"]], (0xFFF4E8, 0), blend=3))

    # An aurora: a row of curtains across the upper sky whose height, brightness and sway
    # ripple along the row (each band's phase a little ahead of the one before).
    bands = [_painted((0.06 + 0.022 * i) * W, 0.30 * H + 18 * math.sin(i * 0.45), life=i * 0.55, size=1.0,
                      opacity=0.55 + 0.35 * math.sin(i * 0.3) ** 2) for i in range(28)]
    aurora = lambda w: particles.aurora(  # noqa: E731
        w, band_height=int(0.34 * H), height_clock=30, height_depth=25, height_length=0, alpha_clock=40,
        alpha_depth=40, alpha_length=1, sway_clock=20, sway_amplitude=14, sway_length=1, sway_direction=0,
        brush=_brush("Aurora", int(0.05 * W), bands, [links["band.png"]], (0x90FF50, 35), blend=3))

    return {0: [bling], 2: [starfish], 3: [aurora, twinkles]}


def _soft_dot(radius):
    """A white dot whose alpha falls off smoothly to nothing at `radius` (in pixels from the
    picture's centre)."""
    def paint(x, y, size=2 * radius):
        d = math.hypot(x + 0.5 - size / 2.0, y + 0.5 - size / 2.0) / radius
        return (255, 255, 255, 255 * max(0.0, 1.0 - d) ** 2)
    return (2 * radius, 2 * radius, paint)


def _sparkle(x, y, size=32):
    """A four-pointed star: a bright core and two thin rays."""
    dx, dy = abs(x + 0.5 - size / 2.0), abs(y + 0.5 - size / 2.0)
    r = math.hypot(dx, dy) / (size / 2.0)
    core = max(0.0, 1.0 - 2.5 * r) ** 1.5
    rays = max(0.0, 1.0 - r) ** 2 * max(math.exp(-dx * dx / 2.0), math.exp(-dy * dy / 2.0))
    return (255, 255, 255, 255 * min(1.0, core + rays))


STAR_PICTURES = {
    "star_sparkle.png": (32, 32, _sparkle),
    "star_dot.png": _soft_dot(8),
    "star_glow.png": _soft_dot(32),
}


def _colour(r, g, b):
    """A colour value: red in the low byte."""
    return r | (g << 8) | (b << 16)


def star_objects(links, W, H):
    """Falling stars and fireworks on the night slide: now and then a shooting star crosses
    the upper sky towards the lower left, trailing a thin line of fading dots; two
    fireworks above the hills burst each time their time lines show them, one gold, one
    rose, at different moments."""
    sky = ((0.08 * W, 0.03 * H, 0.0), (0.08 * W, 0.40 * H, 0.0), (0.95 * W, 0.03 * H, 0.0), (0.95 * W, 0.40 * H, 0.0))
    falling = lambda w: particles.falling_stars(  # noqa: E731
        w, speed=40, star_rate=40, direction=200, star_size=26, glow_scale=40, shown=70, fade_in=15, fade_out=45,
        region=sky,
        tex=dict(images=[links["star_sparkle.png"], links["star_dot.png"], links["star_glow.png"],
                         links["star_glow.png"]],
                 effect=EFFECT_LINK, colour1=(_colour(255, 250, 235), 0), colour2=(_colour(120, 150, 255), 55),
                 generator=dict(life=60, rate=40, size=35, speed=6, path_emission=1,
                                abobj=dict(name="Shooting stars"))))

    def firework(name, centre, spark, glow, hidden, phase):
        # Bursts at each appearance; the sparks live the visible phase (fade-in + shown +
        # fade-out: 0.2 + 1.6 + 1.2 s) and fade with it.
        return lambda w: particles.firework_simple(
            w, spark_count=48, spark_size=9, spark_speed=22, glow_scale=70,
            origin=dict(clock=50, centre=centre,
                        tex=dict(images=[links["star_dot.png"]], effect=EFFECT_LINK, colour1=(spark, 0),
                                 colour2=(glow, 50),
                                 generator=dict(life=45, rate=12, size=8, speed=12, path_emission=1,
                                                abobj=dict(name=name, time_line_args=dict(
                                                    mode=1, hidden=(hidden + phase, hidden + 300), shown=(160, 160),
                                                    fade_in=20, fade_out=120))))))

    return {3: [
        falling,
        firework("Gold firework", (0.27 * W, 0.36 * H, 0.0), _colour(255, 214, 120), _colour(255, 120, 40), 150, 0),
        firework("Rose firework", (0.56 * W, 0.27 * H, 0.0), _colour(255, 150, 210), _colour(190, 80, 255), 250, 100),
    ]}


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
