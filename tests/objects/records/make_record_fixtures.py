"""Writes sprite_record_fixtures.h: one complete record of every sprite-system class, with
values other than the defaults, made with the document builder (every stored version the
readers know). The mutation test damages them."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tools", "docbuilder"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "support"))

from docbuilder import Writer, interval  # noqa: E402
import effects  # noqa: E402
import particles  # noqa: E402
import sprites  # noqa: E402
from fixture_header import write_header  # noqa: E402


def part(**kw):
    base = dict(view=dict(rect=(10, 300, 20, 200, 0, 0), edges=(0.1, 0.9, 0.05, 0.8), flag=1, speed=70,
                          abobj=dict(name="damaged", time_line_args=dict(mode=1, intervals=[interval(0.0, 5.0)]))),
                count=12, size=40, transparency=20, blend=1, colour=0x336699, phase_speed=0.5,
                phase_range=(0.2, 0.9), size_range=(0.5, 1.5), image=("pictures\\sprite.png", 77),
                second=("pictures\\overlay.png", 78), frame_count=4, frame_rate=8.0, strip=1, image_kind=0,
                flip_v=1, flip_h=0, refresh=0, animation_speed=150)
    base.update(kw)
    return base


def legacy():
    return part(version=1, legacy_frames=[b"\x89PNG-one", b"\x89PNG-two"], legacy_second=b"\x89PNG-2nd",
                legacy_delays=[0.1, 0.2])


def records():
    controls = [dict(mode=0, fade_out=300, fade_in=200, delay=(100, 400)), dict(mode=1),
                dict(mode=2, delay=(2000, 5000)), dict(mode=0)]
    return {
        "Fish": lambda w: sprites.fish(w, max_speed=(90.0, 30.0), sprite=part()),
        "FishLegacy": lambda w: sprites.fish(w, sprite=legacy()),
        "FishV2": lambda w: sprites.fish(w, sprite=part(version=2, old_speed=60)),
        "Bird": lambda w: sprites.bird(w, sprite=part(version=4)),
        "GhostV1": lambda w: sprites.ghost(w, version=1, sprite=part(version=5)),
        "Ghost": lambda w: sprites.ghost(w, sprite=part(version=6)),
        "FlowV1": lambda w: sprites.flow(w, version=1, direction=90, base_speed=40.0, sprite=part(version=3)),
        "FlowV2": lambda w: sprites.flow(w, version=2, orientation=5, sprite=part()),
        "Flow": lambda w: sprites.flow(w, direction=360, lateral_speed=24, lateral_rate=16, base_speed=100.0,
                                       orientation=2, controls=controls, sprite=part()),
        "Rain": lambda w: sprites.rain(w, controls=controls, sprite=part()),
        "GodRay": lambda w: sprites.god_ray(w, angle=100, sprite=part()),
        "Sparkle": lambda w: sprites.sparkle(w, sprite=part()),
        "Fog": lambda w: sprites.fog(w, sprite=part()),
        "Lighting": lambda w: sprites.lighting(w, sprite=legacy()),
        "Grass": lambda w: sprites.grass(w, sway=5.0, sprite=part()),
        "StatObjV1": lambda w: sprites.stat_obj(w, version=1, bounds=(1, 2, 3, 4, 200, 100), rotation=30,
                                                flips=(1, 1), sprite=part()),
        "StatObj": lambda w: sprites.stat_obj(w, bounds=(1, 2, 3, 4, 200, 100), rotation=30, sprite=part()),
        "Flower": lambda w: sprites.flower(w, stat=dict(rotation=10, sprite=part())),
        "Discharge": lambda w: sprites.discharge(w, stat=dict(sprite=part())),
        "DischargeFX": lambda w: sprites.discharge_fx(
            w, start=(10.0, 20.0, 0.0), end=(200.0, 120.0, 0.0), glow=dict(glow_colour=0xFF9900, strength=80, fx=dict(
                effect=("velmora.dll", 97), sprite=part()))),
    }


# -- particle generators: each family's records, {name: writer} as in records() -------------

def air_brush_records():
    tex = dict(images=[("pictures\\glint.png", 81), ("pictures\\ray.png", 82)], effect=("effects\\particles.fx", 83),
               colour1=(0x336699, 20), colour2=(0x996633, 40), blend=1, mirror_v=1, mirror_h=1,
               generator=dict(stored=[(5.0, 6.0, 0.0)], life=5, rate=7, size=9, speed=11, path_emission=1,
                              abobj=dict(name="damaged", time_line_args=dict(mode=1, intervals=[interval(0.0, 5.0)]))))
    ten = [0.25, 2.0, 0.5, 0.0, 0.75, 1.0, 1.5, 1.0, 1.0, 0.125]

    def brush(version):
        channels = {1: [], 2: ten[:4], 3: ten}[version]
        return dict(version=version, size=24, tex=tex,
                    particles=[((10.0, 20.0, 0.0), channels), ((300.0, 150.0, 1.0), channels)])

    def custom(version):
        return lambda w: particles.custom_air_brush(w, picture=("pictures\\brush.png", 84), clock=150,
                                                    brush=brush(version))

    return {
        "CustomAirBrushV1": custom(1),
        "CustomAirBrushV2": custom(2),
        "CustomAirBrushV3": custom(3),
        "BlingV1": lambda w: particles.bling(w, version=1, twinkle_clock=50, in_time=20, out_time=80, brush=brush(3)),
        "Bling": lambda w: particles.bling(w, twinkle_clock=50, in_time=20, out_time=80, spin_clock=30, min_size=25,
                                           brush=brush(3)),
        "TwinklingStars": lambda w: particles.twinkling_stars(w, clock=40, brush=brush(3)),
        "Aurora": lambda w: particles.aurora(w, band_height=60, height_clock=100, height_depth=50, height_length=3,
                                             alpha_clock=200, alpha_depth=25, alpha_length=4, sway_clock=10,
                                             sway_amplitude=12, sway_length=5, sway_direction=90, brush=brush(3)),
    }


def star_tex(images):
    return dict(images=images, effect=("pictures\\particles.fx", 81), colour1=(0x3366FF, 10), colour2=(0xFFCC00, 40),
                blend=1, mirror_v=1, mirror_h=1, frame_sequences=0,
                generator=dict(stored=[(5.0, 6.0, 0.0), (7.0, 8.0, 0.0)], life=40, rate=12, size=30, speed=25,
                               path_emission=1,
                               abobj=dict(name="damaged", time_line_args=dict(mode=2, intervals=[
                                   interval(0.0, 0.2), interval(1.0, 5.0, 1.5, 4.0)]))))


def falling_star_records():
    images = [("pictures\\star%d.png" % i, 90 + i) for i in range(4)]
    return {
        "FallingStars": lambda w: particles.falling_stars(
            w, speed=12, star_rate=400, direction=250, star_size=16, glow_scale=30, shown=150, fade_in=40,
            fade_out=60, region=((10.0, 20.0, 0.0), (10.0, 180.0, 0.0), (300.0, 20.0, 0.0), (300.0, 180.0, 0.0)),
            tex=star_tex(images)),
        "FireworkSimple": lambda w: particles.firework_simple(
            w, spark_count=40, spark_size=10, spark_speed=30, glow_scale=50,
            origin=dict(life=25, rate=6, second=2, direction=90, clock=80, centre=(160.0, 90.0, 0.0),
                        tex=star_tex(images[:1]))),
    }


def animated_font_records():
    module = "velmora.dll"
    return {
        "AnimatedFont": lambda w: particles.animated_font(
            w, text="HELLO", clock=150, scale=175, settings=(3, 4, 5), setting=6,
            glyphs=[("E", (module, 151)), ("H", (module, 150)), ("L", (module, 152)), ("O", (module, 153))],
            letters=[(module, 150), (module, 151), (module, 152), (module, 152), (module, 153)],
            static=dict(centre=(160.0, 100.0, 0.0), tex=dict(effect=("fx\\font.fx", 9), generator=dict(
                stored=[(10.0, 20.0, 0.0), (58.0, 20.0, 0.0), (106.0, 20.0, 0.0), (154.0, 20.0, 0.0)],
                abobj=dict(name="damaged", time_line_args=dict(mode=1, intervals=[interval(0.0, 5.0)])))))),
    }


# -- shader effects: each family's records, {name: writer} as in records() ------------------

def fx_base(**kw):
    """A base part whose values all differ from the defaults."""
    base = dict(speed=70, technique=1, mask_name="mask", effect=("fx\\effect.fx", 61), scale=80,
                region=effects.region_rect(20.0, 10.0, 300.0, 190.0), reserved=7,
                abobj=dict(name="damaged", time_line_args=dict(mode=1, intervals=[interval(0.0, 5.0)])))
    base.update(kw)
    return base


def pattern_light_records():
    pattern = dict(pattern=("pictures\\pattern.png", 41), mirror_v=1, mirror_h=1, angle=30, pattern_scale=150,
                   offset_x=25, offset_y=40)
    return {
        "PatternBrush": lambda w: effects.pattern_brush(w, fx=fx_base(), **pattern),
        "PatternBrushC": lambda w: effects.pattern_brush_c(w, fx=fx_base(version=2), **pattern),
        "BackgroundCopy": lambda w: effects.background_copy(w, rect=(10, 300, 20, 200, 80, -60), shift_v=1,
                                                            shift_h=1, fx=fx_base()),
        "LightFX": lambda w: effects.light_fx(w, intensity=75, flicker=2, fx=fx_base(version=1)),
        "LightFX_II": lambda w: effects.light_fx_ii(w, intensity=60, flicker=3, blend=2, colour=0x0080FF,
                                                    fx=fx_base()),
    }


def wave_water_records():
    # The underwater effect has no reader of its own (its layer holds its record): its
    # record is damaged in tests/effects/water.
    return {
        "WavesFX": lambda w: effects.waves_fx(w, amplitude=80, wavelength=30, angle=90, wave_mode=1, fx=fx_base()),
        "WaterFX": lambda w: effects.water_fx(w, profile=10000, bump_amount=40, second_drift=60, first_drift_period=0,
                                              angle=200, shadows=50, half_vector=30, colour=0x00336699,
                                              bump=("pictures\\bump.png", 44), fx=fx_base()),
        "MoveFXV1": lambda w: effects.move_fx(w, version=1, motion_mode=1, direction=dict(amount=50, angle=90,
                                                                                          fx=fx_base())),
        "MoveFX": lambda w: effects.move_fx(w, motion_mode=1, second_extreme=25, direction=dict(amount=80, angle=180,
                                                                                                fx=fx_base())),
        "WaterfallFX": lambda w: effects.waterfall_fx(w, translucency=20, layer_count=5, noise_amplitude=100, fourth=7,
                                                      threshold=200, noise=("pictures\\noise.png", 45),
                                                      base_colour=0x00CCEEFF, direction=dict(amount=100, angle=270,
                                                                                             fx=fx_base())),
    }


def fire_records():
    fire = dict(colour1=0x2040FF, colour2=0x1020C0, stored=5, pattern=("fire\\pattern.png", 41),
                noise=("fire\\noise.png", 42), density=150, brightness=40, tiling=200)
    region = effects.region_rect(20.0, 10.0, 300.0, 190.0)
    return {
        "FireV1": lambda w: effects.fire_fx(w, version=1, fx=fx_base()),
        "FireV2": lambda w: effects.fire_fx(w, version=2, region=region, reserved=9, fx=fx_base(version=2), **fire),
        "FireV3": lambda w: effects.fire_fx(w, fx=fx_base(), **fire),
    }


def cloud_perspective_records():
    return {
        "CloudFX": lambda w: effects.cloud_fx(
            w, colour1=0x336699, colour2=0xCCEEFF, cloud=("pictures\\cloud.png", 62),
            second=("pictures\\cloud2.png", 63), threshold=50, density=25,
            projection=dict(perspective=50, height=8, texture_offset=50, flip=1, fifth=30, sixth=70),
            direction=dict(amount=12, angle=90, fx=fx_base())),
        "PerspectiveFX": lambda w: effects.perspective_fx(
            w, depth=500, swing=3, swing_mode=2, line=dict(angle=45, centre=(200.0, 120.0, 0.0), fx=fx_base())),
    }


def centred_records():
    def central(**fx):
        return dict(centre=(150.0, 90.0, 0.5), fx=fx_base(**fx))

    return {
        "ExpandFX": lambda w: effects.expand_fx(w, first=80, second=20, wave_form=1, central=central()),
        "RadialWaveFXV1": lambda w: effects.radial_wave_fx(w, version=1, central=central()),
        "RadialWaveFX": lambda w: effects.radial_wave_fx(w, amplitude=40, wavelength=90, bg_scale=125, outward=1,
                                                         central=central()),
        "RotationFX": lambda w: effects.rotation_fx(w, zoom=1500, angle=30, reverse=1,
                                                    central=central(effect=("fx\\rotation.fx", 62))),
        "BendFX": lambda w: effects.bend_fx(w, first=100, second=30, bend=150, bend_mode=1,
                                            central=central(effect=("fx\\bend.fx", 63))),
    }


def effect_records():
    return {**pattern_light_records(), **wave_water_records(), **fire_records(), **cloud_perspective_records(),
            **centred_records()}


def main(path):
    fixtures = {}
    for name, write in {**records(), **air_brush_records(), **falling_star_records(),
                        **animated_font_records(), **effect_records()}.items():
        w = Writer()
        write(w)
        fixtures[name] = w.bytes()
    write_header(path, "tests/objects/records/make_record_fixtures.py", fixtures, prefix="kRecord",
                 table=("RecordFixture", "kRecordFixtures", "bytes"))


if __name__ == "__main__":
    main(sys.argv[1])
