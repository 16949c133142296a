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

def pattern_part(w, version=1, pattern=("", 0), mirror_v=0, mirror_h=0, angle=0, pattern_scale=100, offset_x=0,
                 offset_y=0, fx=None):
    """"DS_PatternBrush" fields after its head: pattern link, mirror vertically, mirror
    horizontally (longs), angle in degrees, pattern scale (hundredths), offset x (stored x
    -0.01), offset y (stored x 0.01), then the base part. fx defaults to the module's
    pattern effect at speed 50."""
    with w.record("DS_PatternBrush", version):
        file_link(w, pattern)
        w.long(mirror_v).long(mirror_h)
        w.i32(angle).i32(pattern_scale).i32(offset_x).i32(offset_y)
        fx_part(w, **dict(dict(effect=(MODULE, 78), speed=50), **(fx or {})))
    return w


def pattern_brush(w, **kw):
    """A complete "DS_PatternBrush" record (keyword arguments of pattern_part)."""
    return pattern_part(w, **kw)


def pattern_brush_c(w, version=1, nested_version=1, **kw):
    """"DS_PatternBrushC", version, then a whole "DS_PatternBrush" record of
    nested_version (keyword arguments of pattern_part)."""
    with w.record("DS_PatternBrushC", version):
        pattern_part(w, version=nested_version, **kw)
    return w


def background_copy(w, version=1, rect=(0, 0, 0, 0, 0, 0), shift_v=0, shift_h=0, fx=None):
    """"DS_BackgroundCopy": the rectangle (left, right, top, bottom, dx, dy: the shift in
    picture pixels is dx, dy), vertical and horizontal shift flags (each adds a whole
    picture), then the base part (the module's effect 75)."""
    with w.record("DS_BackgroundCopy", version):
        w.rectangle(*rect)
        w.long(shift_v).long(shift_h)
        fx_part(w, **dict(dict(effect=(MODULE, 75)), **(fx or {})))
    return w


def light_fx(w, version=1, intensity=40, flicker=0, fx=None):
    """"DS_LightFX": intensity (hundredths), flicker mode (0 sine, 1 on/off, 2 and 3
    noise), then the base part (the module's effect 76 at speed 40)."""
    with w.record("DS_LightFX", version):
        w.i32(intensity).long(flicker)
        fx_part(w, **dict(dict(effect=(MODULE, 76), speed=40), **(fx or {})))
    return w


def light_fx_ii(w, version=1, intensity=0, flicker=0, blend=0, colour=0, fx=None):
    """"DS_LightFX_II": intensity (hundredths), flicker mode (0 steady, 1 sine, 2 on/off,
    3 noise), blend mode (0 normal, 1 screen, 2 colour dodge, 3 sum), colour 0x00BBGGRR
    (u32), then the base part (the module's effect 76)."""
    with w.record("DS_LightFX_II", version):
        w.i32(intensity).long(flicker).long(blend).u32(colour)
        fx_part(w, **dict(dict(effect=(MODULE, 76)), **(fx or {})))
    return w


# ==== WAVES AND WATER ========================================================================

def waves_fx(w, amplitude=50, wavelength=50, angle=0, wave_mode=0, fx=None):
    """"DS_WavesFX" (version 1): amplitude, wavelength, angle in degrees, wave mode, then
    the base part (default effect: the module's 77, speed 25)."""
    with w.record("DS_WavesFX", 1):
        w.i32(amplitude).i32(wavelength).i32(angle).long(wave_mode)
        fx_part(w, **{"effect": (MODULE, 77), "speed": 25, **(fx or {})})
    return w


def underwater_fx(w, amplitude=50, wavelength=50, fx=None):
    """"DS_UnderwaterFX" (version 1): amplitude, wavelength, then the base part (default
    effect: the module's 88, speed 25). No reader of its own: the underwater layer holds
    it inside its record."""
    with w.record("DS_UnderwaterFX", 1):
        w.i32(amplitude).i32(wavelength)
        fx_part(w, **{"effect": (MODULE, 88), "speed": 25, **(fx or {})})
    return w


def water_fx(w, profile=20, bump_amount=20, second_drift=20, first_drift_period=20, angle=40, shadows=0,
             half_vector=0, colour=0x00FFFFFF, bump=(MODULE, 89), fx=None):
    """"DS_WaterFX" (version 1): profile, bump amount, second drift, first drift period,
    angle in degrees, shadows, half-vector height, colour 0x00BBGGRR, bump link, then the
    base part (default effect: the module's 90, speed 50, scale 30)."""
    with w.record("DS_WaterFX", 1):
        w.i32(profile).i32(bump_amount).i32(second_drift).i32(first_drift_period).i32(angle)
        w.i32(shadows).i32(half_vector).u32(colour)
        file_link(w, bump)
        fx_part(w, **{"effect": (MODULE, 90), "speed": 50, "scale": 30, **(fx or {})})
    return w


def move_fx(w, version=2, motion_mode=0, second_extreme=0, direction=None):
    """"DS_MoveFX" (versions 1 and 2): motion mode, the second extreme (version > 1), then
    the "DS_DirectionBased" part (direction: its keyword arguments; default amount 50 and
    effect the module's 91, speed 50)."""
    d = {"amount": 50, **(direction or {})}
    d["fx"] = {"effect": (MODULE, 91), "speed": 50, **d.get("fx", {})}
    with w.record("DS_MoveFX", version):
        w.long(motion_mode)
        if version > 1:
            w.i32(second_extreme)
        direction_part(w, **d)
    return w


def waterfall_fx(w, translucency=0, layer_count=0, noise_amplitude=0, fourth=0, threshold=0, noise=("", 0),
                 base_colour=0, hidden=0, direction=None):
    """"DS_WaterfallFX" (version 1): translucency, layer count, noise amplitude, a fourth
    stored value, threshold, noise link, base colour 0x00BBGGRR, hidden flag, then the
    "DS_DirectionBased" part (direction: its keyword arguments; the effect link is the
    document's own)."""
    with w.record("DS_WaterfallFX", 1):
        w.i32(translucency).i32(layer_count).i32(noise_amplitude).i32(fourth).i32(threshold)
        file_link(w, noise)
        w.u32(base_colour).long(hidden)
        direction_part(w, **(direction or {}))
    return w


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

def expand_fx(w, first=50, second=0, wave_form=0, central=None):
    """"DS_ExpandFX" (version 1): first and second extreme (stored, x 0.005), wave form (0
    triangle, nonzero sine), then the "DS_CentralBased" part (central: its keyword
    arguments; the effect link defaults to the module's 102)."""
    with w.record("DS_ExpandFX", 1):
        w.i32(first).i32(second).long(wave_form)
        central_part(w, **_with_effect(central, (MODULE, 102)))
    return w


def radial_wave_fx(w, version=2, amplitude=50, wavelength=50, bg_scale=50, outward=0, central=None):
    """"DS_RadialWaveFX" (version 2 written): amplitude (x 0.00025), wavelength (x 0.0001 +
    0.001), background scale (x 1 + 25) and outward flag only when the version exceeds 1,
    then the "DS_CentralBased" part (effect link defaults to the module's 103)."""
    with w.record("DS_RadialWaveFX", version):
        if version > 1:
            w.i32(amplitude).i32(wavelength).i32(bg_scale).long(outward)
        central_part(w, **_with_effect(central, (MODULE, 103)))
    return w


def rotation_fx(w, zoom=0, angle=0, reverse=0, central=None):
    """"DS_RotationFX" (version 1): zoom (x 0.001), angle in degrees, reverse flag, then
    the "DS_CentralBased" part (the document names the effect)."""
    with w.record("DS_RotationFX", 1):
        w.i32(zoom).i32(angle).long(reverse)
        central_part(w, **(central or {}))
    return w


def bend_fx(w, first=0, second=0, bend=0, bend_mode=0, central=None):
    """"DS_BendFX" (version 1): first and second extreme (x 0.002), bend (x 0.01), bend
    mode (1 adds noise), then the "DS_CentralBased" part (the document names the effect;
    the region in its fx part is what the bend covers)."""
    with w.record("DS_BendFX", 1):
        w.i32(first).i32(second).i32(bend).long(bend_mode)
        central_part(w, **(central or {}))
    return w


def _with_effect(central, effect):
    """The central part's arguments with the effect link given unless they name one."""
    central = dict(central or {})
    fx = dict(central.get("fx") or {})
    fx.setdefault("effect", effect)
    central["fx"] = fx
    return central
