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

# ==== CLOUD AND PERSPECTIVE ==================================================================

def cloud_perspective_block(w, perspective=0, height=0, texture_offset=0, flip=0, fifth=0, sixth=0):
    """The cloud's projection block (no head of its own): perspective, height, texture
    offset, flip (Long), then two values kept for saving only."""
    w.i32(perspective).i32(height).i32(texture_offset).long(flip).i32(fifth).i32(sixth)
    return w


def cloud_fx(w, colour1=0, colour2=0, cloud=("", 0), second=("", 0), threshold=0, density=0, projection=None,
             direction=None):
    """"DS_CloudFX" (version 1): colours 1 and 2 (0x00BBGGRR), the cloud link and a second
    link, threshold, density, the projection block (its keyword arguments), then the
    "DS_DirectionBased" part (direction: its keyword arguments)."""
    with w.record("DS_CloudFX", 1):
        w.u32(colour1).u32(colour2)
        file_link(w, cloud)
        file_link(w, second)
        w.i32(threshold).i32(density)
        cloud_perspective_block(w, **(projection or {}))
        direction_part(w, **(direction or {}))
    return w


def perspective_fx(w, depth=0, swing=0, swing_mode=0, line=None):
    """"DS_PerspectiveFX" (version 1): depth, swing, swing mode (Long), then the
    "DS_LineBased" part (line: its keyword arguments)."""
    with w.record("DS_PerspectiveFX", 1):
        w.i32(depth).i32(swing).long(swing_mode)
        line_part(w, **(line or {}))
    return w


# ==== CENTRED DISTORTIONS ====================================================================
