#!/usr/bin/env python3
"""Writes the demo scene document that the player carries as its "DDS" resource 107.

The pictures are painted here, at build time, from simple procedural scenes (gradients,
hills, mountains, water, stars), and stored in the document as PNG files that the
player's texture loader reads from memory. Nothing binary is kept in the repository.

    make_demo.py --out build/demo/demo_scene.dds [--probes build/demo/demo_scene_probes.txt]
    make_demo.py --still --out build/demo/still_scene.dds

The probes file lists, for the first slide's picture, a few points (as fractions of the
picture's width and height) with the colour painted there, so that a test can check what
the player shows.

The show:
  slide 0 "Dawn"      still camera (mode 0), fades after 10 s
  slide 1 "Mountains" random pan and zoom (camera mode 1)
  slide 2 "Coast"     key-frame path (camera mode 2)
  slide 3 "Night"     key-frame path; the slide never advances (slide mode 1)

Each slide carries sprite systems (demo_sprites.py).

With --still the show is the first slide alone, without its sounds and sprites: a show of one slide
never fades or advances and its camera stands still, so every frame is the same picture.
Tests that compare screenshots taken seconds apart play it (tarnwick_still.exe).
"""

import argparse
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "docbuilder"))
from docbuilder import Writer  # noqa: E402
import demo_sprites  # noqa: E402
import demo_particles  # noqa: E402
import demo_effects  # noqa: E402

HEADER = "KVQ v 4.0.0"
PICTURE_W, PICTURE_H = 1024, 640


# -- pictures -----------------------------------------------------------------------------

def png_bytes(width, height, rows):
    """A 24-bit RGB PNG from rows of bytes (r, g, b per pixel)."""
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter: none
        raw += row
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def png_rgba_bytes(width, height, pixel):
    """A 32-bit RGBA PNG; pixel(x, y) gives (r, g, b, a)."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw += bytes(max(0, min(255, int(round(v)))) for v in pixel(x, y))
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c0, c1, t):
    t = 0.0 if t < 0 else 1.0 if t > 1 else t
    return tuple(int(round(lerp(x, y, t))) for x, y in zip(c0, c1))


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.rows = [bytearray(w * 3) for _ in range(h)]

    def fill_rows(self, colour_of_row):
        for y in range(self.h):
            r, g, b = colour_of_row(y)
            self.rows[y][:] = bytes((r, g, b)) * self.w

    def ridge(self, heights, colour_of_row, bottom=None):
        """Fills every column x from heights[x] down to the bottom (or the given row)."""
        for y in range(self.h if bottom is None else int(bottom)):
            c = bytes(colour_of_row(y))
            row = self.rows[y]
            for x in range(self.w):
                if y >= heights[x]:
                    row[3 * x:3 * x + 3] = c

    def disc(self, cx, cy, radius, colour, glow=0.0):
        r2 = radius * radius
        reach = radius * (1.0 + glow)
        for y in range(max(0, int(cy - reach)), min(self.h, int(cy + reach) + 1)):
            row = self.rows[y]
            for x in range(max(0, int(cx - reach)), min(self.w, int(cx + reach) + 1)):
                d2 = (x - cx) ** 2 + (y - cy) ** 2
                if d2 <= r2:
                    row[3 * x:3 * x + 3] = bytes(colour)
                elif glow > 0 and d2 <= reach * reach:
                    t = (math.sqrt(d2) - radius) / (reach - radius)
                    old = tuple(row[3 * x:3 * x + 3])
                    row[3 * x:3 * x + 3] = bytes(mix(colour, old, t))

    def dot(self, x, y, colour):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.rows[y][3 * x:3 * x + 3] = bytes(colour)

    def pixel(self, x, y):
        return tuple(self.rows[y][3 * x:3 * x + 3])

    def png(self):
        return png_bytes(self.w, self.h, self.rows)


def wave_heights(w, base, parts):
    """Column heights of a ridge: base plus a sum of sines (amplitude, period, phase)."""
    return [int(base + sum(a * math.sin(2 * math.pi * x / p + ph) for a, p, ph in parts)) for x in range(w)]


def paint_dawn(w, h):
    c = Canvas(w, h)
    horizon = int(h * 0.62)
    top, glow = (28, 52, 120), (246, 170, 92)
    c.fill_rows(lambda y: mix(top, glow, y / horizon) if y < horizon else (70, 110, 60))
    c.disc(w * 0.68, horizon - h * 0.06, h * 0.07, (255, 236, 170), glow=1.2)
    c.ridge(wave_heights(w, h * 0.58, [(18, 410, 0.3), (9, 150, 1.1)]), lambda y: (96, 104, 140))
    c.ridge(wave_heights(w, h * 0.66, [(22, 520, 2.0), (7, 120, 0.4)]), lambda y: (62, 98, 70))
    c.ridge(wave_heights(w, h * 0.80, [(14, 700, 4.0), (5, 90, 2.2)]),
            lambda y: mix((52, 96, 44), (30, 62, 26), (y - h * 0.78) / (h * 0.22)))
    return c


def paint_mountains(w, h):
    c = Canvas(w, h)
    c.fill_rows(lambda y: mix((90, 150, 220), (200, 225, 245), y / (h * 0.55)) if y < h * 0.6
                else mix((60, 110, 150), (20, 50, 80), (y - h * 0.6) / (h * 0.4)))
    peaks = [(0.18, 0.22), (0.42, 0.12), (0.63, 0.25), (0.85, 0.17)]
    heights = []
    for x in range(w):
        best = h * 0.6
        for px, py in peaks:
            best = min(best, py * h + abs(x - px * w) * 0.9)
        heights.append(int(best))
    snow = lambda y: (240, 244, 250) if y < h * 0.3 else mix((120, 110, 120), (70, 80, 90), (y - h * 0.3) / (h * 0.3))
    shore = int(h * 0.6)
    c.ridge(heights, snow, bottom=shore)
    # The lake mirrors the range and the sky, darker.
    for y in range(shore, h):
        mirror = max(0, 2 * shore - 1 - y)
        src = c.rows[mirror]
        c.rows[y][:] = bytes(v // 2 + (0, 10, 30)[i % 3] for i, v in enumerate(src))
    return c


def paint_coast(w, h):
    c = Canvas(w, h)
    horizon = int(h * 0.5)
    c.fill_rows(lambda y: mix((120, 180, 235), (225, 240, 250), y / horizon) if y < horizon
                else mix((30, 110, 160), (10, 60, 100), (y - horizon) / (h - horizon)))
    c.disc(w * 0.25, h * 0.2, h * 0.06, (255, 250, 220), glow=0.8)
    for k in range(40):
        y = horizon + 8 + (k * 37) % max(1, int(h * 0.25))
        x0 = (k * 211) % w
        for x in range(x0, min(w, x0 + 60)):
            c.dot(x, y, (200, 230, 245))
    # Sandy shore and a headland.
    c.ridge([int(h * 0.78 - 0.18 * h * max(0.0, 1 - x / (w * 0.6)) + 6 * math.sin(x / 37.0)) for x in range(w)],
            lambda y: mix((236, 214, 160), (200, 170, 110), (y - h * 0.6) / (h * 0.4)))
    c.ridge([int(horizon + 2 - (h * 0.2 * math.exp(-((x - w * 0.85) / (w * 0.09)) ** 2))) for x in range(w)],
            lambda y: (70, 90, 60), bottom=horizon + 2)
    return c


def paint_night(w, h):
    c = Canvas(w, h)
    c.fill_rows(lambda y: mix((4, 6, 24), (28, 34, 80), y / h))
    seed = 12345
    for _ in range(900):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        x = seed % w
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        y = seed % int(h * 0.75)
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        b = 150 + seed % 106
        c.dot(x, y, (b, b, min(255, b + 20)))
    c.disc(w * 0.78, h * 0.2, h * 0.08, (245, 245, 225), glow=0.6)
    c.ridge(wave_heights(w, h * 0.8, [(26, 380, 0.9), (11, 130, 2.5)]), lambda y: (8, 10, 16))
    return c


def paint_border(w=64, h=64):
    c = Canvas(w, h)
    c.fill_rows(lambda y: (12, 12, 16))
    return c


# -- document records ---------------------------------------------------------------------

def file_link(w, path, stamp):
    w.string(path).int64(stamp)


def camera(w, mode=0, view=(0, 0), key_frames=(), zoom=120, speed=50, border=None):
    """A "DSM_Camera" record, version 3. key_frames: (x, y, z, seconds) in picture pixels."""
    with w.record("DSM_Camera", 3):
        w.long(mode).i32(view[0]).i32(view[1])
        w.list(key_frames, lambda w, k: w.u32(0).float(k[0]).float(k[1]).float(k[2]).float(k[3]))
        w.i32(zoom).i32(speed)
        file_link(w, *(border or ("velmora.dll", 6)))


def layer(w, picture, camera_args):
    with w.record("DS_2D_Light", 3):
        file_link(w, *picture)
        camera(w, **camera_args)


def slide(w, name, picture, camera_args, mode=0, fade_in=1.0, fade_out=1.0, show=10.0, loop=1000,
          objects=(), sounds=()):
    """A "DS_SlideContainer" record, version 5. objects and sounds: functions that write one
    scene-object record each."""
    with w.record("DS_SlideContainer", 5):
        w.long(mode).float(fade_in).float(fade_out).float(show)
        w.long(0)  # spare value
        w.string(name)
        w.i32(loop)
        layer(w, picture, camera_args)
        w.list(objects, lambda w, obj: obj(w))
        w.list(sounds, lambda w, obj: obj(w))


def audio_file(w, name, data, source_path):
    with w.record("DS_AudioFile", 1):
        w.string(name)
        w.buffer(data, source_path)


def resource_store(w, pictures, records=(), guid_images=()):
    """The "DS_DocResManager" record, version 3: every picture as a saved image, and the
    byte blocks of other links (a WAV sound's file, say) as saved records. Both take
    ((path, stamp), file name, bytes) items. guid_images: (GUID string, picture bytes)
    items, the pictures kept under GUID keys (an effect's mask, say)."""
    def saved(w, item):
        (path, stamp), file_name, data = item
        w.string(path).int64(stamp)
        w.u32(1)
        w.resource_record(data, name=file_name, resource_id=0, module_name="")

    def guid_image(w, item):
        guid, data = item
        w.guid(guid).string("").byte(1)
        w.buffer(data, name="mask.png")
    with w.record("DS_DocResManager", 3):
        w.list(pictures, saved)
        w.u32(0)  # saved frame delays
        w.list(records, saved)
        w.list(guid_images, guid_image)


# -- the show -----------------------------------------------------------------------------

def build(out_path, probes_path=None, still=False):
    W, H = PICTURE_W, PICTURE_H
    painters = [("dawn.png", lambda: paint_dawn(W, H)), ("mountains.png", lambda: paint_mountains(W, H)),
                ("coast.png", lambda: paint_coast(W, H)), ("night.png", lambda: paint_night(W, H)),
                ("border.png", paint_border)]
    links = {name: ("demo\\" + name, 1000 + i) for i, (name, _) in enumerate(painters)}
    border = links["border.png"]

    slides = [
        dict(name="Dawn", picture=links["dawn.png"], show=10.0,
             camera_args=dict(mode=0, border=border)),
        dict(name="Mountains", picture=links["mountains.png"], show=15.0,
             camera_args=dict(mode=1, zoom=130, speed=50, border=border)),
        dict(name="Coast", picture=links["coast.png"], show=14.0,
             camera_args=dict(mode=2, key_frames=[(300, 260, 0, 6.0), (700, 320, 0, 5.0), (560, 400, 0, 5.0)],
                              border=border)),
        dict(name="Night", picture=links["night.png"], mode=1,
             camera_args=dict(mode=2, key_frames=[(420, 300, 0, 12.0), (640, 280, 0, 12.0)], border=border)),
    ]
    audio_files = []
    stored_records = []
    sprite_pictures = []
    guid_images = []
    if still:
        slides = slides[:1]
    else:
        add_sounds(slides, audio_files, stored_records)
        demo_sprites.add_sprites(slides, sprite_pictures, png_rgba_bytes, W, H)
        demo_particles.add_particles(slides, sprite_pictures, stored_records, png_rgba_bytes, W, H)
        demo_effects.add_effects(slides, stored_records, guid_images, png_rgba_bytes, W, H,
                                 pictures=sprite_pictures)
    used = {s["picture"] for s in slides} | {border}
    painted = [(name, paint()) for name, paint in painters if links[name] in used]

    w = Writer()
    w.string(HEADER)
    with w.record("DS_SlideShow_Light", 1):
        w.list(slides, lambda w, s: slide(w, **s))
        w.list(audio_files, lambda w, a: audio_file(w, *a))
    resource_store(w, [(links[name], name, canvas.png()) for name, canvas in painted] + sprite_pictures,
                   stored_records, guid_images)

    os.makedirs(os.path.dirname(os.path.abspath(out_path)), exist_ok=True)
    with open(out_path, "wb") as f:
        f.write(w.bytes())

    if probes_path:
        # Points well inside flat areas of the first picture, with the colour there.
        dawn = painted[0][1]
        with open(probes_path, "w") as f:
            f.write("# fx fy r g b: the first slide's picture at (fx * width, fy * height)\n")
            f.write("picture %d %d\n" % (W, H))
            # Left of the first slide's sprites (see demo_sprites.py).
            for fx, fy in [(0.1, 0.05), (0.25, 0.05), (0.3, 0.35), (0.2, 0.95), (0.05, 0.95)]:
                r, g, b = dawn.pixel(int(fx * W), int(fy * H))
                f.write("%.3f %.3f %d %d %d\n" % (fx, fy, r, g, b))
            # The region where the first slide's birds fly, and their colour.
            f.write("sprites %.3f %.3f %.3f %.3f %d %d %d\n" % (demo_sprites.BIRD_REGION + demo_sprites.BIRD_COLOUR))
            # The region where the first slide's particles show, and the picture under it on
            # a grid of points, so a test sees where the particles differ from the picture.
            l, r, t, b = demo_particles.PARTICLE_REGION
            f.write("particles %.3f %.3f %.3f %.3f\n" % (l, r, t, b))
            for j in range(30):
                for i in range(40):
                    fx, fy = l + (r - l) * (i + 0.5) / 40, t + (b - t) * (j + 0.5) / 30
                    f.write("under %.4f %.4f %d %d %d\n" % ((fx, fy) + dawn.pixel(int(fx * W), int(fy * H))))


def add_sounds(slides, audio_files, stored_records):
    """Puts the sounds on the first slide and the music into the show."""
    # ==== SOUND SECTION (the sound objects and the music playlist are added here) ======
    # Each slide's "sounds" takes functions that write one sound record; audio_files takes
    # (name, bytes, source path) tuples for the show's music playlist; stored_records takes
    # ((path, stamp), file name, bytes) items that the resource store keeps for links.
    #
    # The sounds are made here with sound/tools/make_sound.py: a melody of tones as the
    # music (MP3), a spoken greeting as the WAV sound and a two-note chime as the MP3 sound,
    # both on the first slide.
    #
    # Both sounds run on the random cycle (MODE 1) with a fixed hidden time: a slide never
    # hands its sounds the looped time, so a sound on intervals (MODE 2) would never be
    # heard. Each starts as the slide starts and comes back after its hidden time: the
    # greeting every 8 s after it ends, the chime every 5 s. A sound's shown time is its own
    # length (an MP3's in whole seconds), so the chime ends in a short silence that keeps
    # its notes whole when the shown second is over.
    sys.path.insert(0, os.path.join(HERE, "..", "..", "sound", "tools"))
    import make_sound  # noqa: E402
    import docbuilder as db  # noqa: E402
    import tempfile
    with tempfile.TemporaryDirectory() as tmp:
        def made(name):
            with open(os.path.join(tmp, name), "rb") as f:
                return f.read()

        def tones(name, freqs, seconds, rate=22050, silence=0.0):
            frames = b"".join(make_sound.tone_frames(f, seconds, rate, 1, 0.4) for f in freqs)
            frames += b"\0\0" * int(silence * rate)
            make_sound.write_wav(os.path.join(tmp, name), frames, rate, 1)

        tones("melody.wav", (392, 440, 494, 523, 587, 523, 494, 440), 0.45)
        make_sound.mp3(os.path.join(tmp, "melody.wav"), os.path.join(tmp, "demo_music.mp3"), 64)
        make_sound.speech(os.path.join(tmp, "greeting.wav"), "Welcome to Tarnwick")
        tones("chime.wav", (880, 1320), 0.45, silence=0.2)
        make_sound.mp3(os.path.join(tmp, "chime.wav"), os.path.join(tmp, "chime.mp3"), 64)
        music_bytes, greeting_bytes, chime_bytes = made("demo_music.mp3"), made("greeting.wav"), made("chime.mp3")

    audio_files.append(("demo_music.mp3", music_bytes, "C:\\Tarnwick\\Demo\\demo_music.mp3"))
    greeting_link = ("demo\\greeting.wav", 2000)

    def sound_ctrl(w, name, volume, balance, hidden):
        with w.record("DS_Sound_Ctrl", 3):
            w.i32(volume).i32(balance)
            db.abobj_part(w, name=name, time_line_args=dict(mode=1, hidden=(hidden, hidden)))

    def greeting_sound(w):
        with w.record("DS_WAV_Constructor", 1):
            file_link(w, *greeting_link)
            sound_ctrl(w, "Greeting", 100, 50, 800)

    def chime_sound(w):
        with w.record("DS_MP3_Constructor", 1):
            w.buffer(chime_bytes, "C:\\Tarnwick\\Demo\\chime.mp3")
            sound_ctrl(w, "Chime", 80, 50, 500)

    slides[0]["sounds"] = (greeting_sound, chime_sound)

    # A WAV sound's bytes are the stored records of its link, which the resource store
    # writes as its saved records.
    stored_records.append((greeting_link, "greeting.wav", greeting_bytes))
    # ==== END OF SOUND SECTION =========================================================


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--probes")
    parser.add_argument("--still", action="store_true", help="the first slide alone, without sounds")
    args = parser.parse_args()
    build(args.out, args.probes, args.still)


if __name__ == "__main__":
    main()
