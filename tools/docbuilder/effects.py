"""Records of the shader effects, for the document builder.

Each function writes one complete record (class name, version, fields) or one nested base
part. Keyword arguments carry the stored values; defaults are the classes' own (a scaled
value is given as its stored integer). Layouts follow the readers field by field, with
the version branches they take:

    from docbuilder import Writer
    import effects
    w = Writer()
    effects.waves_fx(w, amplitude=80, fx=dict(effect=("velmora.dll", 77), technique=1))

`fx` is always the keyword arguments of fx_part (the base part every effect ends with);
`direction`, `central` and `line` those of the shape parts, each with its own `fx`.
"""

from docbuilder import abobj_part
from sprites import file_link

MODULE = "velmora.dll"

# The mask key of records that do not name one: a fixed GUID, so fixtures stay the same
# from one build to the next.
DEFAULT_MASK_GUID = "{6D1A0F3C-52B7-4E8A-9C21-0B7E5A3D9F10}"


# -- bases ---------------------------------------------------------------------------------

def fx_part(w, version=3, speed=0, technique=0, mask_guid=DEFAULT_MASK_GUID, mask_name="", mask_flag=1,
            effect=("", 0), scale=50, region=((0.0, 0.0, 0.0),) * 4, reserved=0, abobj=None):
    """"DS_FX_Constructor": speed, technique mode, mask key (GUID string, name, flag byte),
    effect link, scale (version > 1), region and reserved value (version > 2), then the
    "DS_ABObj_Constructor" part (abobj: its keyword arguments). region: four corners (x, y,
    z) in the order (left, top), (left, bottom), (right, top), (right, bottom)."""
    with w.record("DS_FX_Constructor", version):
        w.i32(speed).long(technique)
        w.guid(mask_guid).string(mask_name).byte(mask_flag)
        file_link(w, effect)
        if version > 1:
            w.i32(scale)
        if version > 2:
            w.quad(region)
            w.long(reserved)
        abobj_part(w, **(abobj or {}))
    return w


def direction_part(w, amount=0, angle=0, fx=None):
    """"DS_DirectionBased" (version 1): amount, angle in degrees, then the base part."""
    with w.record("DS_DirectionBased", 1):
        w.i32(amount).i32(angle)
        fx_part(w, **(fx or {}))
    return w


def central_part(w, centre=(0.0, 0.0, 0.0), fx=None):
    """"DS_CentralBased" (version 1): the centre (three floats), then the base part."""
    with w.record("DS_CentralBased", 1):
        w.vec3(*centre)
        fx_part(w, **(fx or {}))
    return w


def line_part(w, angle=0, centre=(0.0, 0.0, 0.0), fx=None):
    """"DS_LineBased" (version 1): the line's angle, the centre, then the
    "DS_FX_Constructor" part directly (no "DS_CentralBased" part)."""
    with w.record("DS_LineBased", 1):
        w.i32(angle).vec3(*centre)
        fx_part(w, **(fx or {}))
    return w


def region_rect(left, top, right, bottom):
    """A rectangular region as the four corners fx_part takes."""
    return ((left, top, 0.0), (left, bottom, 0.0), (right, top, 0.0), (right, bottom, 0.0))


# -- the effect families (each family adds its records below) ------------------------------

# ==== PATTERN AND LIGHT ======================================================================

# ==== WAVES AND WATER ========================================================================

# ==== FIRE ===================================================================================

def fire_fx(w, version=3, region=((0.0, 0.0, 0.0),) * 4, colour1=0xFFFF, colour2=0xFF, stored=0,
            pattern=(MODULE, 93), noise=(MODULE, 8), reserved=0, density=100, brightness=15, tiling=100,
            fx=None):
    """"DS_FireFX", versions 1 to 3. Version 1 holds only the base part; version 2 carries
    the region (first) and the reserved value (after the noise link) among its own fields;
    version 3 keeps them in the base part (fx: region=..., reserved=...). Colours are
    0x00BBGGRR values; density, brightness and tiling stored integers."""
    fx = dict(dict(effect=(MODULE, 92), speed=50), **(fx or {}))
    with w.record("DS_FireFX", version):
        if version == 2:
            w.quad(region)
        if version > 1:
            w.u32(colour1).u32(colour2).long(stored)
            file_link(w, pattern)
            file_link(w, noise)
        if version == 2:
            w.long(reserved)
        if version > 1:
            w.i32(density).i32(brightness).i32(tiling)
        fx_part(w, **fx)
    return w


# ==== CLOUD AND PERSPECTIVE ==================================================================

# ==== CENTRED DISTORTIONS ====================================================================
