"""Records of the placed objects and sprite systems, for the document builder.

Each function writes one complete record (class name, version, fields) or one nested
base part. Keyword arguments carry the stored values; defaults are the classes' own.
Layouts follow the readers field by field, with the version branches they take, so
fixtures of every stored version can be written:

    from docbuilder import Writer
    import sprites
    w = Writer()
    sprites.fish(w, max_speed=(100, 50), sprite=dict(count=5, size=32, image=("fish.png", 7)))
"""

from docbuilder import abobj_part

__all__ = [
    "file_link", "view_obj_part", "base_sprite_part", "fx_part", "base_fx_part", "stat_base_fx_part",
    "glow_part", "bound_control",
    "fish", "bird", "ghost", "flow", "rain", "god_ray", "sparkle", "fog", "lighting",
    "grass", "stat_obj", "stat_obj_part", "flower", "discharge", "discharge_fx",
]


def file_link(w, link):
    """A file link: path string, then the 64-bit stamp. link: (path, stamp)."""
    path, stamp = link
    w.string(path).int64(stamp)
    return w


# -- bases ---------------------------------------------------------------------------------

def view_obj_part(w, version=2, rect=(0, 0, 0, 0, 0, 0), edges=(0.0, 1.0, 0.0, 1.0), flag=0,
                  speed=50, abobj=None):
    """"DS_ViewObjCtrl": rectangle (six values), normalised left, right, top, bottom, flag
    byte, speed (version > 1), then the "DS_ABObj_Constructor" part (abobj: its keyword
    arguments)."""
    with w.record("DS_ViewObjCtrl", version):
        w.rectangle(*rect)
        for value in edges:
            w.float(value)
        w.byte(flag)
        if version > 1:
            w.i32(speed)
        abobj_part(w, **(abobj or {}))
    return w


def base_sprite_part(w, version=7, view=None, count=1, old_speed=50, size=0, transparency=0, blend=0,
                     colour=0xFFFFFF, phase_speed=0.0, phase_range=(0.0, 1.0), size_range=(1.0, 1.0),
                     image=("", 0), second=("", 0), legacy_frames=(), legacy_second=b"",
                     legacy_delays=(), reserved_count=1, reserved_value=0.0, frame_count=1,
                     frame_rate=0.0, strip=0, image_kind=0, flip_v=0, flip_h=0, refresh=0,
                     animation_speed=100):
    """"DS_BaseSpriteProp", versions 1 to 7. view: keyword arguments of view_obj_part.
    Version 1 carries inline frames (legacy_frames: byte strings, legacy_second: bytes)
    and frame delays instead of links; versions below 3 the speed after the count."""
    with w.record("DS_BaseSpriteProp", version):
        view_obj_part(w, **(view or {}))
        w.i32(count)
        if version < 3:
            w.i32(old_speed)
        w.i32(size).i32(transparency).long(blend).u32(colour)
        w.float(phase_speed).float(phase_range[0]).float(phase_range[1])
        w.float(size_range[0]).float(size_range[1])
        if version == 1:
            w.list(legacy_frames, lambda w, data: w.resource_record(data, name="frame.png"))
            w.resource_record(legacy_second, name="second.png" if legacy_second else "")
        else:
            file_link(w, image)
            file_link(w, second)
        w.i32(reserved_count).float(reserved_value).i32(frame_count).float(frame_rate).byte(strip)
        if version == 1:
            w.list(legacy_delays, lambda w, d: w.float(d))
            return w
        if version > 3:
            w.long(image_kind)
        if version > 4:
            w.long(flip_v).long(flip_h)
        if version > 5:
            w.long(refresh)
        if version > 6:
            w.i32(animation_speed)
    return w


def fx_part(w, effect=("", 0), sprite=None):
    """"DS_FXParticleSystemCtrl", version 1: effect link, then the sprite part."""
    with w.record("DS_FXParticleSystemCtrl", 1):
        file_link(w, effect)
        base_sprite_part(w, **(sprite or {}))
    return w


def base_fx_part(w, **fx):
    """"DS_BaseFXCtrl", version 1, then the effect part (fx: fx_part's arguments)."""
    with w.record("DS_BaseFXCtrl", 1):
        fx_part(w, **fx)
    return w


def stat_base_fx_part(w, version=2, centre=(0.0, 0.0, 0.0), height=0, width=0, fx=None):
    """"DS_StatBaseFXCtrl": centre x, y, z; height and width (version > 1); base-FX part."""
    with w.record("DS_StatBaseFXCtrl", version):
        w.vec3(*centre)
        if version > 1:
            w.i32(height).i32(width)
        base_fx_part(w, **(fx or {}))
    return w


def glow_part(w, glow_colour=0, strength=100, fx=None):
    """"DS_GlowEffectCtrl", version 1: glow colour, glow strength, then the effect part."""
    with w.record("DS_GlowEffectCtrl", 1):
        w.u32(glow_colour).i32(strength)
        fx_part(w, **(fx or {}))
    return w


def bound_control(w, mode=0, fade_out=0, fade_in=0, delay=(0, 0)):
    """"DS_BoundControl", version 1: mode, fade-out and fade-in (ms), delay min and max (ms)."""
    with w.record("DS_BoundControl", 1):
        w.long(mode).i32(fade_out).i32(fade_in).i32(delay[0]).i32(delay[1])
    return w


# -- swimming and flying -------------------------------------------------------------------

def _fish_fields(w, max_speed, sprite):
    w.float(max_speed[0]).float(max_speed[1])
    base_sprite_part(w, **(sprite or {}))


def fish(w, max_speed=(100.0, 50.0), sprite=None):
    with w.record("DS_FishConstructor", 1):
        _fish_fields(w, max_speed, sprite)
    return w


def bird(w, max_speed=(100.0, 50.0), sprite=None):
    with w.record("DS_BirdConstructor", 1):
        with w.record("DS_FishConstructor", 1):
            _fish_fields(w, max_speed, sprite)
    return w


def ghost(w, version=2, max_speed=(50.0, 50.0), sprite=None):
    """Version 1 takes the old time line (random cycle, 1.5 s fades) when read."""
    with w.record("DS_GhostConstructor", version):
        with w.record("DS_FishConstructor", 1):
            _fish_fields(w, max_speed, sprite)
    return w


# -- flowing --------------------------------------------------------------------------------

def _flow_fields(w, version, direction, lateral_speed, lateral_rate, base_speed, orientation, controls,
                 sprite):
    w.i32(direction).i32(lateral_speed).i32(lateral_rate).float(base_speed)
    if version >= 2:
        w.long(orientation)
    if version > 3:
        for c in (controls or ({}, {}, {}, {})):
            bound_control(w, **c)
    base_sprite_part(w, **(sprite or {}))


def flow(w, version=4, direction=0, lateral_speed=0, lateral_rate=0, base_speed=0.0, orientation=0,
         controls=None, sprite=None):
    """controls: four dicts of bound_control arguments, top, bottom, left, right (version 4).
    Version 2 stores a nonzero-means-turned value where later versions store the
    orientation; version 1 stores neither."""
    with w.record("DS_FlowConstructor", version):
        _flow_fields(w, version, direction, lateral_speed, lateral_rate, base_speed, orientation, controls,
                     sprite)
    return w


def rain(w, **flow_args):
    with w.record("DS_RainConstructor", 1):
        flow(w, **flow_args)
    return w


# -- drifting and flashing ------------------------------------------------------------------

def god_ray(w, angle=80, sprite=None):
    with w.record("DS_GodRayConstructor", 1):
        w.i32(angle)
        base_sprite_part(w, **(sprite or {}))
    return w


def sparkle(w, sprite=None):
    with w.record("DS_SparkleConstructor", 1):
        base_sprite_part(w, **(sprite or {}))
    return w


def fog(w, max_speed=(40.0, 40.0), sprite=None):
    with w.record("DS_FogConstructor", 1):
        w.float(max_speed[0]).float(max_speed[1])
        base_sprite_part(w, **(sprite or {}))
    return w


def lighting(w, sprite=None):
    with w.record("DS_LightingConstructor", 1):
        base_sprite_part(w, **(sprite or {}))
    return w


# -- anchored -------------------------------------------------------------------------------

def grass(w, sway=3.0, sprite=None):
    with w.record("DS_GrassConstructor", 1):
        w.float(sway)
        base_sprite_part(w, **(sprite or {}))
    return w


def _stat_obj_fields(w, version, bounds, rotation, flips, sprite):
    w.rectangle(*bounds)
    w.i32(rotation)
    if version < 2:
        w.long(flips[0]).long(flips[1])
    base_sprite_part(w, **(sprite or {}))


def stat_obj(w, version=2, bounds=(0, 0, 0, 0, 0, 0), rotation=0, flips=(0, 0), sprite=None):
    """bounds: left, right, top, bottom, centre x, centre y. Version 1 carries the flip
    vertical and flip horizontal values after the rotation."""
    with w.record("DS_StatObjConstructor", version):
        _stat_obj_fields(w, version, bounds, rotation, flips, sprite)
    return w


stat_obj_part = stat_obj


def flower(w, sway=1.5, stat=None):
    with w.record("DS_FlowerConstructor", 1):
        w.float(sway)
        stat_obj(w, **(stat or {}))
    return w


def discharge(w, stat=None):
    with w.record("DS_DischargeConstructor", 1):
        stat_obj(w, **(stat or {}))
    return w


# -- discharge bolt -------------------------------------------------------------------------

def discharge_fx(w, start=(0.0, 0.0, 0.0), end=(0.0, 0.0, 0.0), deviation=50, texture_kind=1, flicker=100,
                 speed=50, glow=None):
    """glow: glow_part's arguments (its fx: the effect link and the sprite part)."""
    with w.record("DS_DischargeFXConstructor", 1):
        w.vec3(*start).vec3(*end)
        w.i32(deviation).long(texture_kind).i32(flicker).i32(speed)
        glow_part(w, **(glow or {}))
    return w
