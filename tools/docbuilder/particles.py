"""Records of the particle generators, for the document builder.

Each function writes one complete record (class name, version, fields) or one nested base
part or block. Keyword arguments carry the stored values; defaults are the classes' own.
Layouts follow the readers field by field, with the version branches they take:

    from docbuilder import Writer
    import particles
    w = Writer()
    particles.custom_air_brush(w, picture=("star.png", 7), brush=dict(
        size=16, particles=[((10.0, 20.0, 0.0), [0.0, 1.0, 1.0, 0.0, 0.5])],
        tex=dict(images=[("star.png", 7)], effect=("particles.fx", 8))))

Painted particles (air brushes) are (position, channels): channels is a list of the
stored entries' first floats (channel k), and from version 3 each entry also carries
channel k + 5; pass `channels` as a list of ten floats for version 3 (entry k writes
channels[k] then channels[k + 5]) or of n floats for version 2.
"""

from docbuilder import abobj_part
from sprites import file_link

__all__ = [
    "generator_part", "tex_part", "static_part", "origin_block", "origin_part", "rct_rgn_part",
    "string_part", "air_brush_part", "custom_air_brush", "bling", "twinkling_stars", "aurora",
    "falling_stars", "firework_simple", "animated_font",
]


# -- bases ---------------------------------------------------------------------------------

def generator_part(w, version=3, stored=(), life=0, rate=0, size=0, speed=0, path_emission=0, abobj=None):
    """"DS_ParticleGenerator": stored particles (version > 1: u32 count, three floats
    each), life, emission rate, size, speed, path emission (version > 2), then the
    "DS_ABObj_Constructor" part (abobj: its keyword arguments)."""
    with w.record("DS_ParticleGenerator", version):
        if version > 1:
            w.list(stored, lambda w, p: w.vec3(*p))
        if version > 2:
            w.i32(life).i32(rate).i32(size).i32(speed).i32(path_emission)
        abobj_part(w, **(abobj or {}))
    return w


def tex_part(w, version=3, images=(), effect=("", 0), colour1=(0xFFFFFF, 0), colour2=(0xFFFFFF, 0), blend=0,
             mirror_v=0, mirror_h=0, frame_sequences=0, generator=None):
    """"DS_TexParticleGenerator": image links, effect link, two colours (value,
    transparency percent), blend mode, mirror flags (version > 1), frame sequences
    (version > 2), then the generator part (generator: its keyword arguments)."""
    with w.record("DS_TexParticleGenerator", version):
        w.list(images, file_link)
        file_link(w, effect)
        for value, transparency in (colour1, colour2):
            w.u32(value).i32(transparency)
        w.i32(blend)
        if version > 1:
            w.i32(mirror_v).i32(mirror_h)
        if version > 2:
            w.i32(frame_sequences)
        generator_part(w, **(generator or {}))
    return w


def static_part(w, centre=(0.0, 0.0, 0.0), version=1, tex=None):
    """"DS_StaticGenerator": centre, then the textured part (tex: its keyword arguments)."""
    with w.record("DS_StaticGenerator", version):
        w.vec3(*centre)
        tex_part(w, **(tex or {}))
    return w


def origin_block(w, life=0, rate=0, second=0, direction=0, clock=0, centre=(0.0, 0.0, 0.0), tex=None):
    """The origin generators' block (no head): life, rate, second value, direction, clock
    speed, centre, then the textured part."""
    w.i32(life).i32(rate).i32(second).i32(direction).i32(clock)
    w.vec3(*centre)
    tex_part(w, **(tex or {}))
    return w


def origin_part(w, version=1, **block):
    """"DS_ParticleOriginGenerator", version 1, then the block."""
    with w.record("DS_ParticleOriginGenerator", version):
        origin_block(w, **block)
    return w


def rct_rgn_part(w, region=((0.0, 0.0, 0.0),) * 4, version=1, tex=None):
    """"DS_ParticleRctRgnGenerator": the region's four corners (0 left top, 1 left bottom,
    2 right top, 3 right bottom), then the textured part."""
    with w.record("DS_ParticleRctRgnGenerator", version):
        w.quad(region)
        tex_part(w, **(tex or {}))
    return w


def string_part(w, start=(0.0, 0.0, 0.0), end=(0.0, 0.0, 0.0), version=1, tex=None):
    """"DS_StringGenerator": the two end points, then the textured part."""
    with w.record("DS_StringGenerator", version):
        w.vec3(*start).vec3(*end)
        tex_part(w, **(tex or {}))
    return w


# -- air brushes ---------------------------------------------------------------------------

def _painted(w, version, particle):
    position, channels = particle
    w.vec3(*position)
    if version <= 1:
        return
    if version > 2:
        n = 5 if len(channels) == 10 else len(channels)
        w.i32(n)
        for k in range(n):
            w.float(channels[k] if k < len(channels) else 0.0)
            w.float(channels[k + 5] if len(channels) == 10 else 1.0)
    else:
        w.i32(len(channels))
        for value in channels:
            w.float(value)


def air_brush_part(w, version=3, size=0, particles=(), count=None, tex=None):
    """"DS_AirBrush": size, painted particles (see the module text; count overrides the
    stored count, for hostile records), then the textured part."""
    with w.record("DS_AirBrush", version):
        w.i32(size)
        particles = list(particles)
        w.u32(len(particles) if count is None else count)
        for p in particles:
            _painted(w, version, p)
        tex_part(w, **(tex or {}))
    return w


def custom_air_brush(w, picture=("", 0), clock=0, version=1, brush=None):
    """"DS_CustomAirBrush": picture link, clock value, then the air-brush part."""
    with w.record("DS_CustomAirBrush", version):
        file_link(w, picture)
        w.i32(clock)
        air_brush_part(w, **(brush or {}))
    return w


def bling(w, version=2, twinkle_clock=0, in_time=0, out_time=0, spin_clock=0, min_size=0, brush=None):
    """"DS_Bling": twinkle clock, out time, in time (hundredths), then (version > 1) spin
    clock and minimum size, then the air-brush part."""
    with w.record("DS_Bling", version):
        w.i32(twinkle_clock).i32(out_time).i32(in_time)
        if version > 1:
            w.i32(spin_clock).i32(min_size)
        air_brush_part(w, **(brush or {}))
    return w


def twinkling_stars(w, clock=0, version=1, brush=None):
    """"DS_TwinklingStars": clock value, then the air-brush part."""
    with w.record("DS_TwinklingStars", version):
        w.i32(clock)
        air_brush_part(w, **(brush or {}))
    return w


def aurora(w, band_height=0, height_clock=0, height_depth=0, height_length=0, alpha_clock=0, alpha_depth=0,
           alpha_length=0, sway_clock=0, sway_amplitude=0, sway_length=0, sway_direction=0, version=1,
           brush=None):
    """"DS_Aurora": eleven values in field order, then the air-brush part."""
    with w.record("DS_Aurora", version):
        for value in (band_height, height_clock, height_depth, height_length, alpha_clock, alpha_depth,
                      alpha_length, sway_clock, sway_amplitude, sway_length, sway_direction):
            w.i32(value)
        air_brush_part(w, **(brush or {}))
    return w


# -- falling stars, fireworks, animated font -------------------------------------------------

def falling_stars(w, speed=0, star_rate=0, direction=0, star_size=0, glow_scale=0, shown=0, fade_in=0,
                  fade_out=0, region=((0.0, 0.0, 0.0),) * 4, version=1, tex=None):
    """"DS_FallingStars": speed, star rate, direction, star size, glow scale, shown,
    fade-in and fade-out times (hundredths), the region's twelve floats, then the textured
    part (tex: its keyword arguments)."""
    with w.record("DS_FallingStars", version):
        for value in (speed, star_rate, direction, star_size, glow_scale, shown, fade_in, fade_out):
            w.i32(value)
        w.quad(region)
        tex_part(w, **(tex or {}))
    return w


def firework_simple(w, spark_count=0, spark_size=0, spark_speed=0, glow_scale=0, version=1, origin=None):
    """"DS_FireworkSimple": spark count, spark size, spark speed, glow scale, then the
    origin block (origin: keyword arguments of origin_block)."""
    with w.record("DS_FireworkSimple", version):
        w.i32(spark_count).i32(spark_size).i32(spark_speed).i32(glow_scale)
        origin_block(w, **(origin or {}))
    return w


def animated_font(w, text="", clock=0, scale=0, settings=(0, 0, 0), setting=0, glyphs=(), letters=(), version=1,
                  static=None):
    """"DS_AnimatedFont": text, clock, scale, three settings, one setting (Long), glyph
    table ((character, link) pairs), letter links, then the static part (static: keyword
    arguments of static_part; its generator's stored particles are the letters' corners)."""
    with w.record("DS_AnimatedFont", version):
        w.string(text)
        w.i32(clock).i32(scale)
        for value in settings:
            w.i32(value)
        w.long(setting)
        w.u32(len(glyphs))
        for character, link in glyphs:
            w.short(ord(character) if isinstance(character, str) else character)
            file_link(w, link)
        w.list(letters, file_link)
        static_part(w, **(static or {}))
    return w
