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

BRUSH_PICTURES = {}


def brush_objects(links, W, H):
    """Air brushes, bling, twinkling stars, aurora."""
    return {}


def _soft(radius):
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
    "star_dot.png": _soft(8),
    "star_glow.png": _soft(32),
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


def font_objects(links, W, H):
    """The animated font. Its letters are stored texture sets in the module."""
    return {}


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
