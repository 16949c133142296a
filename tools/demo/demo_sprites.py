"""The demo scene's sprite systems and the small pictures they draw.

Every picture is painted here as an RGBA PNG and kept in the document's resource store.
Each slide gets the systems that fit it:

  Dawn       god rays from the sun, a flock of birds, grass and flowers in the foreground
  Mountains  rain, drifting fog and a ghostly mist, snow flowing down the valley
  Coast      fish in the sea, sparkles on the water, a boat at anchor, gulls
  Night      a discharge bolt between two peaks with sparks at its ends, lightning flashes

The first slide keeps its sprites to the right of x = 0.38 of the picture and above the
ground's probes, so the probes that tests look at still show the painted picture; the
birds are near-black on the sky (BIRD_COLOUR) so a test can find them.
"""

import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "docbuilder"))
import sprites  # noqa: E402

# The birds' region on the first slide (fractions of the picture) and their colour.
BIRD_REGION = (0.42, 0.98, 0.06, 0.36)
BIRD_COLOUR = (18, 18, 26)


def clamp01(t):
    return 0.0 if t < 0 else 1.0 if t > 1 else t


def smooth(t):
    t = clamp01(t)
    return t * t * (3 - 2 * t)


# -- pictures ------------------------------------------------------------------------------

def paint_bird(x, y):
    # A gull from afar: two wings meeting at a lower body.
    d = abs(x - 31.5) / 32.0
    line = 19 - 12 * d ** 0.8
    thick = 3.2 * (1 - 0.6 * d)
    a = 255 * smooth((thick - abs(y - line)) / 1.2)
    return BIRD_COLOUR + (a,)


def paint_fish(x, y):
    # Facing right: an oval body and a tail at the left.
    bx, by = (x - 38) / 22.0, (y - 16) / 10.0
    body = bx * bx + by * by <= 1.0
    tail = 4 <= x <= 18 and abs(y - 16) <= (18 - x) * 0.7 + 1
    eye = (x - 52) ** 2 + (y - 13) ** 2 <= 4
    if eye:
        return (10, 10, 10, 255)
    if body:
        return (245, 140 + 40 * (1 - abs(by)), 40, 255)
    if tail:
        return (230, 110, 30, 240)
    return (0, 0, 0, 0)


def paint_raindrop(x, y):
    a = 200 * smooth(1 - abs(x - 3.5) / 4.0) * (y / 31.0)
    return (200, 220, 255, a)


def paint_snow(x, y):
    r = math.hypot(x - 7.5, y - 7.5) / 7.5
    return (255, 255, 255, 255 * smooth(1 - r))


def paint_fog(x, y):
    r = math.hypot(x - 63.5, y - 63.5) / 63.5
    return (235, 240, 245, 130 * smooth(1 - r) ** 1.5)


def paint_ghost(x, y):
    r = math.hypot((x - 31.5) / 31.5, (y - 36) / 28.0)
    return (200, 225, 255, 160 * smooth(1 - r))


def paint_ray(x, y):
    across = math.cos((x - 31.5) / 32.0 * math.pi / 2) ** 2
    along = smooth(y / 40.0) * smooth((255 - y) / 60.0)
    return (255, 240, 200, 110 * across * along)


def paint_sparkle(x, y):
    dx, dy = abs(x - 15.5), abs(y - 15.5)
    star = max(smooth(1 - dx / 16.0) * smooth(1 - dy / 2.0), smooth(1 - dy / 16.0) * smooth(1 - dx / 2.0))
    core = smooth(1 - math.hypot(dx, dy) / 5.0)
    return (255, 250, 220, 255 * max(star, core))


def paint_blade(x, y):
    # Narrowing from the root (bottom) to the tip.
    half = 7.5 * (y / 63.0)
    a = 255 * smooth((half - abs(x - 7.5) + 0.5) / 1.0)
    t = y / 63.0
    return (40 + 40 * (1 - t), 150 - 40 * t, 35, a)


def paint_flower(x, y):
    if (x - 31.5) ** 2 + (y - 30) ** 2 <= 36:
        return (250, 210, 40, 255)
    ang = math.atan2(y - 30, x - 31.5)
    r = math.hypot(x - 31.5, y - 30)
    if r <= 20 + 5 * math.cos(5 * ang):
        return (225, 60, 90, 255)
    if abs(x - 31.5) <= 2 and y > 40:
        return (50, 130, 40, 255)
    return (0, 0, 0, 0)


def paint_boat(x, y):
    if 44 <= y <= 60 and abs(x - 47.5) <= 40 - (y - 44) * 1.2:
        return (110, 70, 40, 255)
    if 6 <= y < 44 and 48 <= x <= 48 + (y - 6) * 0.9:
        return (245, 245, 240, 255)
    if 4 <= y < 46 and 45 <= x <= 47:
        return (80, 60, 40, 255)
    return (0, 0, 0, 0)


def paint_sparks(x, y):
    # Four frames side by side, each a different small zig-zag.
    frame, fx = divmod(x, 32)
    best = 99.0
    pts = [(2, 16)] + [(2 + 7 * k, 16 + ((k * 7 + frame * 5) % 11) - 5) for k in range(1, 5)]
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        t = clamp01(((fx - x0) * (x1 - x0) + (y - y0) * (y1 - y0)) / float((x1 - x0) ** 2 + (y1 - y0) ** 2))
        best = min(best, math.hypot(fx - (x0 + t * (x1 - x0)), y - (y0 + t * (y1 - y0))))
    return (200, 235, 255, 255 * smooth(1 - best / 2.5))


def paint_flash(x, y):
    best = 99.0
    pts = [(64, 14), (58, 36), (72, 56), (60, 80), (70, 100), (64, 114)]
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        t = clamp01(((x - x0) * (x1 - x0) + (y - y0) * (y1 - y0)) / float((x1 - x0) ** 2 + (y1 - y0) ** 2))
        best = min(best, math.hypot(x - (x0 + t * (x1 - x0)), y - (y0 + t * (y1 - y0))))
    core = smooth(1 - best / 2.0)
    glow = smooth(1 - best / 24.0) * 0.5 * smooth(y / 14.0) * smooth((127 - y) / 14.0)
    return (230, 235, 255, 255 * max(core, glow))


def paint_glow(x, y):
    # Laid out as the bolt's segment pictures are: two variants in the upper and lower
    # halves, each a soft band along the segment, fading in the end caps. Soft in colour as
    # well as in alpha: the glow pass may add the colour alone.
    f = smooth(1 - abs((y % 32) - 15.5) / 15.5) * smooth(min(x, 63 - x) / 12.0)
    return (255 * f, 255 * f, 255 * f, 255 * f)


PICTURES = {
    "bird.png": (64, 32, paint_bird), "fish.png": (64, 32, paint_fish), "rain.png": (8, 32, paint_raindrop),
    "snow.png": (16, 16, paint_snow), "fog.png": (128, 128, paint_fog), "ghost.png": (64, 64, paint_ghost),
    "ray.png": (64, 256, paint_ray), "sparkle.png": (32, 32, paint_sparkle), "blade.png": (16, 64, paint_blade),
    "flower.png": (64, 128, paint_flower), "boat.png": (96, 64, paint_boat), "sparks.png": (128, 32, paint_sparks),
    "flash.png": (128, 128, paint_flash), "glow.png": (64, 64, paint_glow),
}


# -- systems -------------------------------------------------------------------------------

def area(l, r, t, b, W, H, name, **abobj):
    """The placed-object part for the area (l, r, t, b) in fractions of the picture."""
    return dict(rect=(int(l * W), int(r * W), int(t * H), int(b * H), 0, 0), edges=(l, r, t, b),
                abobj=dict(name=name, **abobj))


def add_sprites(slides, pictures, png_rgba_bytes, W, H):
    """Adds the sprite systems to the slides' object lists and their pictures to
    `pictures` ((link, file name, bytes) items for the resource store)."""
    links = {}
    for i, (name, (pw, ph, paint)) in enumerate(sorted(PICTURES.items())):
        links[name] = ("demo\\sprites\\" + name, 3000 + i)
        pictures.append((links[name], name, png_rgba_bytes(pw, ph, paint)))

    def sprite(name, where, image, time_line=None, **kw):
        abobj = dict(time_line_args=time_line) if time_line else {}
        return dict(view=area(*where, W, H, name, **abobj), image=links[image], **kw)

    dawn = [
        lambda w: sprites.god_ray(w, angle=100, sprite=sprite(
            "God rays", (0.45, 0.95, 0.0, 1.0), "ray.png", count=5, size=90, blend=1, phase_speed=0.15,
            phase_range=(0.3, 1.0), colour=0xA0E0FF)),
        lambda w: sprites.bird(w, max_speed=(70.0, 12.0), sprite=sprite(
            "Birds", BIRD_REGION, "bird.png", count=7, size=44, size_range=(0.7, 1.0))),
        lambda w: sprites.grass(w, sway=6.0, sprite=sprite(
            "Grass", (0.40, 1.0, 0.70, 0.90), "blade.png", count=160, size=44, size_range=(0.6, 1.0))),
        lambda w: sprites.flower(w, sway=4.0, stat=dict(
            bounds=(0, 0, 0, 0, int(0.55 * W), int(0.80 * H)), sprite=sprite(
                "Flower", (0.0, 1.0, 0.0, 1.0), "flower.png", size=70, animation_speed=120))),
        lambda w: sprites.flower(w, sway=3.0, stat=dict(
            bounds=(0, 0, 0, 0, int(0.86 * W), int(0.82 * H)), rotation=8, sprite=sprite(
                "Flower 2", (0.0, 1.0, 0.0, 1.0), "flower.png", size=56, animation_speed=90))),
    ]
    mountains = [
        lambda w: sprites.fog(w, max_speed=(18.0, 6.0), sprite=sprite(
            "Fog", (0.0, 1.0, 0.45, 0.75), "fog.png", count=8, size=360, phase_speed=0.2,
            phase_range=(0.2, 1.0), transparency=40, size_range=(0.7, 1.0))),
        lambda w: sprites.ghost(w, sprite=sprite(
            "Mist", (0.1, 0.9, 0.3, 0.6), "ghost.png", count=3, size=120, transparency=50, phase_speed=0.66,
            time_line=dict(mode=1, hidden=(150, 300), shown=(300, 500), fade_in=150, fade_out=150)),
            max_speed=(25.0, 10.0)),
        lambda w: sprites.flow(w, direction=270, lateral_speed=10, lateral_rate=4, base_speed=60.0,
                               controls=[{}, {}, {}, {}], sprite=sprite(
            "Snow", (0.0, 1.0, 0.0, 1.0), "snow.png", count=220, size=10, size_range=(0.5, 1.0))),
        lambda w: sprites.rain(w, direction=270, base_speed=900.0, orientation=1, sprite=sprite(
            "Rain", (0.0, 1.0, 0.0, 1.0), "rain.png", count=300, size=26, size_range=(0.5, 1.0),
            phase_speed=1.5, phase_range=(0.0, 1.0), transparency=30)),
    ]
    coast = [
        lambda w: sprites.sparkle(w, sprite=sprite(
            "Sun on the water", (0.05, 0.75, 0.52, 0.75), "sparkle.png", count=40, size=22, blend=1,
            phase_speed=1.2)),
        lambda w: sprites.fish(w, max_speed=(60.0, 12.0), sprite=sprite(
            "Fish", (0.0, 1.0, 0.62, 0.95), "fish.png", count=6, size=48, transparency=20)),
        lambda w: sprites.stat_obj(w, bounds=(0, 0, 0, 0, int(0.62 * W), int(0.56 * H)), rotation=3,
                                   sprite=sprite("Boat", (0.0, 1.0, 0.0, 1.0), "boat.png", size=120)),
        lambda w: sprites.bird(w, max_speed=(90.0, 15.0), sprite=sprite(
            "Gulls", (0.0, 1.0, 0.05, 0.4), "bird.png", count=5, size=36, colour=0xFFFFFF)),
    ]
    night = [
        lambda w: sprites.lighting(w, sprite=sprite(
            "Flashes", (0.05, 0.6, 0.05, 0.5), "flash.png", count=2, size=220, blend=1)),
        lambda w: sprites.discharge_fx(w, start=(0.18 * W, 0.70 * H, 0.0), end=(0.50 * W, 0.72 * H, 0.0),
                                       deviation=40, glow=dict(glow_colour=0xFF9060, strength=100, fx=dict(
                                           effect=("velmora.dll", 97), sprite=dict(
                                               view=area(0.0, 1.0, 0.0, 1.0, W, H, "Bolt"), count=8, size=40,
                                               blend=1, colour=0xFFEEDD, second=links["glow.png"])))),
        lambda w: sprites.discharge(w, stat=dict(
            bounds=(0, 0, 0, 0, int(0.18 * W), int(0.70 * H)), sprite=sprite(
                "Sparks", (0.0, 1.0, 0.0, 1.0), "sparks.png", size=48, frame_count=4, frame_rate=12.0,
                strip=1, blend=1))),
        lambda w: sprites.discharge(w, stat=dict(
            bounds=(0, 0, 0, 0, int(0.50 * W), int(0.72 * H)), rotation=180, sprite=sprite(
                "Sparks 2", (0.0, 1.0, 0.0, 1.0), "sparks.png", size=48, frame_count=4, frame_rate=10.0,
                strip=1, blend=1))),
    ]
    for s, objects in zip(slides, (dawn, mountains, coast, night)):
        s["objects"] = tuple(s.get("objects", ())) + tuple(objects)
