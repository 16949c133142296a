// The pattern, background-copy and light effects' rules worked out by hand: defaults, the
// parameters each sets at known times and sizes (through an effect double and a recording
// layer), the pattern's frame stepping, the flicker tables, and the faults that must not
// happen (an infinite tiling, a frame index past the textures, a draw without an effect or
// a pattern). A small device only makes the pattern and background textures.
#include "effects/PatternLight.h"

#include "core/document/ResourceModule.h"
#include "core/render/Noise.h"
#include "tests/support/LoggingEffect.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using tw_test::ExpectValues;
using tw_test::LoggingEffect;
using tw_test::RecordingRender;

constexpr float kPi = 3.1415927f;

// An effect double put into a description for the length of a test, given back before the
// double dies.
class Lent {
public:
  Lent(DS_FX_Constructor& d, LoggingEffect& e) : m_D(d) { d.m_Effect.Assign(&e); }
  ~Lent() { m_D.m_Effect.Reset(); }

private:
  DS_FX_Constructor& m_D;
};

// A time line whose alpha is 1/2: an interval fading in over its first 2 s, looked at 1 s in.
void HalfFaded(DS_FX_Constructor& d) {
  DS_TimeLineControl& tl = d.TimeLine();
  tl.m_Mode.Store(DS_TimeLineControl::kModeIntervals);
  ASSERT_TRUE(tl.AddInterval(DS_TimeInterval{0.0f, 10.0f, 2.0f, 8.0f}));
  tl.SetLoopTime(1.0f);
  ASSERT_FLOAT_EQ(d.Alpha(), 0.5f);
}

class PatternLightLogic : public testing::Test {
protected:
  static void SetUpTestSuite() {
    s_Device = new tw_test::TestDevice();
    ASSERT_TRUE(s_Device->Create(16, 16)) << s_Device->error;
  }
  static void TearDownTestSuite() {
    delete s_Device;
    s_Device = nullptr;
  }

  // A managed w x h texture (a reference of the caller's own).
  static IDirect3DTexture9* Texture(UINT w, UINT h) {
    IDirect3DTexture9* t = nullptr;
    if (FAILED(s_Device->device->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr)))
      return nullptr;
    return t;
  }
  // Gives the brush `frames` pattern frames of w x h (each a texture of its own).
  static std::vector<IDirect3DTexture9*> GiveFrames(DS_PatternBrush& d, UINT w, UINT h, int frames) {
    std::vector<IDirect3DTexture9*> out;
    for (int i = 0; i < frames; ++i) {
      IDirect3DTexture9* t = Texture(w, h);
      DS_TextureRecord record;
      record.Assign(t, w, h);
      d.m_Frames.AddTexture(record);
      out.push_back(t);
      t->Release();  // the set holds its own reference
    }
    return out;
  }

  inline static tw_test::TestDevice* s_Device = nullptr;
};

// ---------------------------------------------------------------------------------------
// Defaults

TEST_F(PatternLightLogic, EachClassStartsWithItsDefaults) {
  DS_PatternBrush pattern;
  EXPECT_EQ(pattern.m_EffectLink.Path(), L"velmora.dll");
  EXPECT_EQ(pattern.m_EffectLink.Stamp(), 78);
  EXPECT_EQ(pattern.m_Speed.Get(), 50u);
  EXPECT_FLOAT_EQ(pattern.m_Speed.Derived(), 1.0f);
  EXPECT_FLOAT_EQ(pattern.m_PatternScale.Derived(), 1.0f);
  EXPECT_FLOAT_EQ(pattern.m_OffsetX.Factor(), -0.01f);
  EXPECT_FLOAT_EQ(pattern.m_OffsetY.Factor(), 0.01f);
  EXPECT_EQ(pattern.m_Angle.Get(), 0u);
  EXPECT_EQ(pattern.TimeLine().m_FadeTarget.Get(), 1);
  EXPECT_EQ(pattern.TimeLine().m_Trailing[0], 1);
  EXPECT_EQ(pattern.TimeLine().m_Trailing[1], 6);
  EXPECT_EQ(pattern.TimeLine().m_Trailing[2], 0);
  EXPECT_TRUE(pattern.m_PatternLink.Path().empty());
  EXPECT_EQ(pattern.m_FrameIndex, 0u);

  DS_PatternBrushC patternC;
  EXPECT_EQ(patternC.m_EffectLink.Stamp(), 78);
  EXPECT_FLOAT_EQ(patternC.m_Speed.Derived(), 1.0f);

  DS_BackgroundCopy copy;
  EXPECT_EQ(copy.m_EffectLink.Path(), L"velmora.dll");
  EXPECT_EQ(copy.m_EffectLink.Stamp(), 75);
  EXPECT_EQ(copy.m_Speed.Get(), 0u);
  EXPECT_EQ(copy.m_Rect.extra1.Get(), 0);
  EXPECT_EQ(copy.TimeLine().m_FadeTarget.Get(), 0);
  EXPECT_EQ(copy.TimeLine().m_Trailing[0], 0);

  DS_LightFX light;
  EXPECT_EQ(light.m_EffectLink.Stamp(), 76);
  EXPECT_FLOAT_EQ(light.m_Speed.Derived(), 40.0f);
  EXPECT_FLOAT_EQ(light.m_Intensity.Derived(), 0.4f);
  EXPECT_EQ(light.TimeLine().m_Trailing[0], 1);
  EXPECT_EQ(light.TimeLine().m_Trailing[1], 1);

  DS_LightFX_II light2;
  EXPECT_EQ(light2.m_EffectLink.Stamp(), 76);
  EXPECT_FLOAT_EQ(light2.m_Speed.Derived(), 0.0f);
  EXPECT_FLOAT_EQ(light2.m_Intensity.Derived(), 0.0f);
  EXPECT_FLOAT_EQ(light2.m_Intensity.Factor(), 0.01f);
  EXPECT_EQ(light2.m_Colour.Get(), 0ul);
  EXPECT_EQ(light2.TimeLine().m_Trailing[1], 0);
}

// ---------------------------------------------------------------------------------------
// The pattern brush

struct PatternCase {
  const char* what;
  unsigned angle;
  int mirrorH, mirrorV;
  unsigned patternScale;  // stored hundredths
  float transform[4];
};

// A 64 x 32 pattern on an 800 x 600 picture: at scale 1 it repeats 12.5 times across and
// 18.75 times down; "coord_transf" = (a cos, a sin, -b sin, b cos).
const PatternCase kPatternCases[] = {
    {"plain", 0, 0, 0, 100, {12.5f, 0.0f, 0.0f, 18.75f}},
    {"mirrored horizontally", 0, 1, 0, 100, {-12.5f, 0.0f, 0.0f, 18.75f}},
    {"mirrored vertically", 0, 0, 1, 100, {12.5f, 0.0f, 0.0f, -18.75f}},
    {"turned 90", 90, 0, 0, 100, {0.0f, 12.5f, -18.75f, 0.0f}},
    {"turned -90 (stored as a large unsigned)", unsigned(-90), 0, 0, 100, {0.0f, -12.5f, 18.75f, 0.0f}},
    {"turned 30", 30, 0, 0, 100, {12.5f * 0.8660254f, 12.5f * 0.5f, -18.75f * 0.5f, 18.75f * 0.8660254f}},
    {"twice the size", 0, 0, 0, 200, {6.25f, 0.0f, 0.0f, 9.375f}},
    {"half the size, mirrored both ways", 0, 1, 1, 50, {-25.0f, 0.0f, 0.0f, -37.5f}},
};

TEST_F(PatternLightLogic, APatternIsTiledByThePicturesSizeOverItsOwnTurnedAndMirrored) {
  for (const PatternCase& c : kPatternCases) {
    SCOPED_TRACE(c.what);
    DS_PatternBrush d;
    const std::vector<IDirect3DTexture9*> frames = GiveFrames(d, 64, 32, 1);
    d.m_Angle.Store(c.angle);
    d.m_MirrorHorizontal.Store(c.mirrorH);
    d.m_MirrorVertical.Store(c.mirrorV);
    d.m_PatternScale.Set(c.patternScale);
    LoggingEffect e;
    Lent lent(d, e);
    RecordingRender layer(800, 600);
    d.Render(layer);
    ExpectValues(e, "scale", {2.0f, 1.0f});
    ExpectValues(e, "coord_transf", {c.transform[0], c.transform[1], c.transform[2], c.transform[3]});
    ExpectValues(e, "offset", {0.0f, 0.0f});
    ExpectValues(e, "mix_color", {1.0f, 1.0f, 1.0f, 1.0f});
    EXPECT_EQ(e.textureOf["Pattern"], frames[0]);
    // Then the shared full-picture draw.
    ExpectValues(e, "Scale", {800.0f / 600.0f, 1.0f});
    EXPECT_TRUE(e.textureOf.count("Mask"));
    EXPECT_TRUE(e.textureOf.count("Background"));
    EXPECT_EQ(e.technique, "Main");
    EXPECT_EQ(layer.Sequence(), "Draw");
  }
}

TEST_F(PatternLightLogic, APatternsOffsetsAreItsDerivedValuesAndMainFXFollowsTheMode) {
  DS_PatternBrush d;
  GiveFrames(d, 32, 32, 1);
  d.m_OffsetX.Set(25u);  // x -0.01
  d.m_OffsetY.Set(40u);  // x 0.01
  d.m_TechniqueMode.Store(1);
  d.m_Scale.Set(100u);  // derived 2
  LoggingEffect e;
  Lent lent(d, e);
  RecordingRender layer(1600, 1200);
  d.Render(layer);
  ExpectValues(e, "offset", {-0.25f, 0.4f});
  ExpectValues(e, "scale", {1.0f, 1.0f});
  ExpectValues(e, "coord_transf", {50.0f, 0.0f, 0.0f, 37.5f});
  ExpectValues(e, "Scale", {0.6667f, 0.5f});
  EXPECT_EQ(e.technique, "MainFX");
}

TEST_F(PatternLightLogic, APatternScaleOfZeroGivesAFiniteTiling) {
  // pw x k = 0 and ph x k = 0 would repeat the pattern infinitely often: each divisor
  // falls back to 1, a picture pixel per repeat.
  DS_PatternBrush d;
  GiveFrames(d, 64, 32, 1);
  d.m_PatternScale.Set(0u);
  LoggingEffect e;
  Lent lent(d, e);
  RecordingRender layer(800, 600);
  d.Render(layer);
  ExpectValues(e, "coord_transf", {800.0f, 0.0f, 0.0f, 600.0f});
  for (float v : e.Values("coord_transf")) EXPECT_TRUE(std::isfinite(v));
  EXPECT_EQ(layer.Sequence(), "Draw");
}

TEST_F(PatternLightLogic, TheMixColoursAlphaFollowsTheTimeLineOnlyWhenItFadesTheColour) {
  for (int fadeTarget : {1, 0, 2}) {
    SCOPED_TRACE(fadeTarget);
    DS_PatternBrush d;
    GiveFrames(d, 8, 8, 1);
    HalfFaded(d);
    d.TimeLine().m_FadeTarget.Store(fadeTarget);
    LoggingEffect e;
    Lent lent(d, e);
    RecordingRender layer(800, 600);
    d.Render(layer);
    ExpectValues(e, "mix_color", {1.0f, 1.0f, 1.0f, fadeTarget == 1 ? 0.5f : 1.0f});
  }
}

TEST_F(PatternLightLogic, APatternWithoutAPictureSetsOnlyTheMixColourAndDrawsNothing) {
  struct Case {
    const char* what;
    std::function<void(DS_PatternBrush&)> make;
  };
  const Case cases[] = {
      {"no picture (height 0)", [](DS_PatternBrush&) {}},
      // A set with a size but no frame textures, or a frame whose picture did not load:
      // nothing to tile, and the pattern set before must not be drawn again.
      {"a size but an empty frame list", [](DS_PatternBrush& d) { d.m_Frames.height = d.m_Frames.width = 32; }},
      {"a frame that did not load",
       [](DS_PatternBrush& d) {
         d.m_Frames.ResizeFrames(2);
         d.m_Frames.height = d.m_Frames.width = 32;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_PatternBrush d;
    c.make(d);
    LoggingEffect e;
    Lent lent(d, e);
    RecordingRender layer(800, 600);
    d.Render(layer);
    EXPECT_EQ(e.log, "SetFloatArray mix_color");
    EXPECT_TRUE(layer.calls.empty());
  }
}

TEST_F(PatternLightLogic, WithoutAnEffectNoClassSetsOrDrawsAnything) {
  DS_PatternBrush pattern;
  GiveFrames(pattern, 8, 8, 1);
  DS_BackgroundCopy copy;
  DS_LightFX light;
  DS_LightFX_II light2;
  for (DS_FX_Constructor* d : std::vector<DS_FX_Constructor*>{&pattern, &copy, &light, &light2}) {
    RecordingRender layer(800, 600);
    d->Render(layer);
    EXPECT_TRUE(layer.calls.empty());
  }
}

// The frame shown after each update: updates every 1/8 s (exact in binary), speed 1.0.
struct SteppingCase {
  const char* what;
  std::vector<float> delays;
  int textures;
  std::vector<unsigned> frames;  // after the updates at 1/8, 2/8, ...
};

const SteppingCase kSteppingCases[] = {
    // Frame 1 at the first update whose time exceeds 0.5 (0.625; at 0.5 the delay is not
    // yet less than the time passed); back to 0 at the first that exceeds 0.625 by more
    // than 0.5 (1.25).
    {"two frames of 1/2 s", {0.5f, 0.5f}, 2, {0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0}},
    // Three delays but two textures: the index steps through the two frames that have
    // both, and never reaches the third delay's frame.
    {"more delays than textures", {0.0f, 0.0f, 0.0f}, 2, {1, 0, 1, 0, 1, 0}},
    {"more textures than delays", {0.0f}, 3, {0, 0, 0, 0}},
    {"no delays", {}, 2, {0, 0, 0, 0}},
};

TEST_F(PatternLightLogic, PatternFramesStepWhenTheirDelayHasPassedAndStayWithinTheTextures) {
  for (const SteppingCase& c : kSteppingCases) {
    SCOPED_TRACE(c.what);
    DS_PatternBrush d;
    d.m_Frames.ResizeFrames(size_t(c.textures));
    d.m_Frames.delays = c.delays;
    for (size_t i = 0; i < c.frames.size(); ++i) {
      const float now = float(i + 1) / 8.0f;
      d.UpdateFrame(now);
      ASSERT_FLOAT_EQ(d.EffectTime(), now);
      EXPECT_EQ(d.m_FrameIndex, c.frames[i]) << "after the update at " << now;
      EXPECT_LT(d.m_FrameIndex, d.m_Frames.textures.size());
    }
  }
}

TEST_F(PatternLightLogic, TheDrawnFrameFollowsTheStepping) {
  DS_PatternBrush d;
  const std::vector<IDirect3DTexture9*> frames = GiveFrames(d, 8, 8, 2);
  d.m_Frames.delays = {0.1f, 0.1f};
  LoggingEffect e;
  Lent lent(d, e);
  RecordingRender layer(800, 600);
  const unsigned expected[] = {1, 0, 1};  // after the updates at 0.125, 0.25, 0.375
  for (int i = 0; i < 3; ++i) {
    d.UpdateFrame(float(i + 1) / 8.0f);
    d.Render(layer);
    EXPECT_EQ(e.textureOf["Pattern"], frames[expected[i]]) << "update " << i;
  }
}

TEST_F(PatternLightLogic, AnEffectTimeBeforeTheLastSwitchRestartsTheDelayFromIt) {
  DS_PatternBrush d;
  d.m_Frames.ResizeFrames(2);
  d.m_Frames.delays = {0.5f, 0.5f};
  d.m_LastSwitch = 5.0f;
  d.m_Speed.ResetClock(1.0f);
  d.UpdateFrame(0.125f);  // effect time 1.125, before the last switch
  EXPECT_FLOAT_EQ(d.m_LastSwitch, 1.125f);
  EXPECT_EQ(d.m_FrameIndex, 0u);
  for (int i = 2; i <= 5; ++i) d.UpdateFrame(float(i) / 8.0f);  // 1.625: exactly 0.5 later
  EXPECT_EQ(d.m_FrameIndex, 0u);
  d.UpdateFrame(0.75f);  // 1.75
  EXPECT_EQ(d.m_FrameIndex, 1u);
  EXPECT_FLOAT_EQ(d.m_LastSwitch, 1.75f);
}

TEST_F(PatternLightLogic, LoadingThePatternWithoutAStoreLeavesNoFrames) {
  DS_PatternBrush d;
  d.m_Frames.ResizeFrames(3);
  d.m_FrameIndex = 2;
  d.LoadPattern();
  EXPECT_TRUE(d.m_Frames.IsEmpty());
  EXPECT_EQ(d.m_FrameIndex, 0u);
}

// ---------------------------------------------------------------------------------------
// The background copy

struct OffsetCase {
  const char* what;
  UINT width, height;
  int shiftH, shiftV;
  float offset[2];
};

const OffsetCase kOffsetCases[] = {
    {"no flags", 800, 600, 0, 0, {0.1f, -0.1f}},
    {"both flags", 800, 600, 1, 1, {1.1f, 0.9f}},
    {"horizontal flag", 800, 600, 1, 0, {1.1f, -0.1f}},
    {"vertical flag", 800, 600, 0, 1, {0.1f, 0.9f}},
    // A picture of no size would divide by zero: the shift is kept finite.
    {"a picture of no size", 0, 0, 0, 0, {80.0f, -60.0f}},
};

TEST_F(PatternLightLogic, ABackgroundCopysOffsetIsItsShiftOverThePictureSizePlusItsFlags) {
  for (const OffsetCase& c : kOffsetCases) {
    SCOPED_TRACE(c.what);
    DS_BackgroundCopy d;
    d.m_Rect = MediaRectangle(10, 20, 30, 40);  // the edges take no part
    d.m_Rect.extra1.Store(80);
    d.m_Rect.extra2.Store(-60);
    d.m_ShiftHorizontal.Store(c.shiftH);
    d.m_ShiftVertical.Store(c.shiftV);
    LoggingEffect e;
    Lent lent(d, e);
    RecordingRender layer(c.width, c.height);
    d.Render(layer);
    ExpectValues(e, "offset", {c.offset[0], c.offset[1]});
    for (float v : e.Values("Scale")) EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(layer.Sequence(), "Draw");
  }
}

TEST_F(PatternLightLogic, AMissingBackgroundOrMaskIsPassedAsNull) {
  DS_BackgroundCopy d;
  LoggingEffect e;
  Lent lent(d, e);
  RecordingRender layer(800, 600);  // its background slot is empty
  d.Render(layer);
  ASSERT_TRUE(e.textureOf.count("Background"));
  EXPECT_EQ(e.textureOf["Background"], nullptr);
  ASSERT_TRUE(e.textureOf.count("Mask"));
  EXPECT_EQ(e.textureOf["Mask"], nullptr);

  // With one, it is the layer's background texture.
  IDirect3DTexture9* background = Texture(8, 8);
  layer.background.Attach(background);
  d.Render(layer);
  EXPECT_EQ(e.textureOf["Background"], background);
}

// ---------------------------------------------------------------------------------------
// The light effects

struct FlickerCase {
  const char* what;
  float t;
  int mode;
  float lightFX;  // DS_LightFX's f at mode; DS_LightFX_II's f at mode + 1
};

// (sin(0.2 t) + 1) / 2: 1/2 at t = 0, 1 at t = 2.5 pi, 0 at t = 7.5 pi, 3/4 at t = 5 pi / 6.
const FlickerCase kFlickerCases[] = {
    {"sine at 0", 0.0f, 0, 0.5f},
    {"sine at its top", 2.5f * kPi, 0, 1.0f},
    {"sine at its foot", 7.5f * kPi, 0, 0.0f},
    {"sine at 5 pi / 6", 5.0f * kPi / 6.0f, 0, 0.75f},
    {"on/off at 0 (not above 1/2)", 0.0f, 1, 0.0f},
    {"on/off at 5 pi / 6", 5.0f * kPi / 6.0f, 1, 1.0f},
    {"on/off at 7.5 pi", 7.5f * kPi, 1, 0.0f},
};

TEST_F(PatternLightLogic, TheLightsFlickerFollowsTheSineAndItsSwitchNumberedOneApartInTheTwoClasses) {
  for (const FlickerCase& c : kFlickerCases) {
    SCOPED_TRACE(c.what);
    DS_LightFX one;
    one.m_FlickerMode.Store(c.mode);
    one.m_Speed.ResetClock(c.t);
    EXPECT_NEAR(one.Flicker(), c.lightFX, 1e-5f);
    DS_LightFX_II two;
    two.m_FlickerMode.Store(c.mode + 1);
    two.m_Speed.ResetClock(c.t);
    EXPECT_NEAR(two.Flicker(), c.lightFX, 1e-5f);
  }
}

TEST_F(PatternLightLogic, NoiseFlickerAndModesOutsideTheTable) {
  for (float t : {0.0f, 0.37f, 3.0f, 41.5f}) {
    SCOPED_TRACE(t);
    const float noise = float((FractalNoise1D(10.0 * t, 75.0, 0.5, 2) + 1.0) * 0.5);
    DS_LightFX one;
    one.m_Speed.ResetClock(t);
    DS_LightFX_II two;
    two.m_Speed.ResetClock(t);
    // DS_LightFX: 2 and 3 are noise, above 3 as 2, below 0 as 0.
    for (int mode : {2, 3, 4, 1000}) {
      one.m_FlickerMode.Store(mode);
      EXPECT_FLOAT_EQ(one.Flicker(), noise) << mode;
    }
    one.m_FlickerMode.Store(-5);
    EXPECT_FLOAT_EQ(one.Flicker(), SineFlicker(t));
    // DS_LightFX_II: 3 is noise, 0 and every mode outside 0..3 steady.
    two.m_FlickerMode.Store(3);
    EXPECT_FLOAT_EQ(two.Flicker(), noise);
    for (int mode : {0, 4, -1, 99}) {
      two.m_FlickerMode.Store(mode);
      EXPECT_FLOAT_EQ(two.Flicker(), 1.0f) << mode;
    }
  }
}

TEST_F(PatternLightLogic, TheLightsMultiplierIsIntensityTimesFlickerTimesAlpha) {
  struct Case {
    const char* what;
    int mode;
    bool halfFaded;
    float multiplier;
  };
  // At effect time 0: mode 0 gives f = 1/2, mode 1 gives 0; default intensity 0.4.
  const Case cases[] = {
      {"mode 0", 0, false, 0.2f},
      {"mode 1", 1, false, 0.0f},
      {"mode 0, half faded", 0, true, 0.1f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_LightFX d;
    d.m_FlickerMode.Store(c.mode);
    if (c.halfFaded) HalfFaded(d);
    LoggingEffect e;
    Lent lent(d, e);
    RecordingRender layer(800, 600);
    d.Render(layer);
    ExpectValues(e, "multiplier", {c.multiplier});
    ExpectValues(e, "Scale", {800.0f / 600.0f, 1.0f});
    EXPECT_TRUE(e.textureOf.count("Mask"));
    EXPECT_TRUE(e.textureOf.count("Background"));
    EXPECT_EQ(e.technique, "Main");
    EXPECT_EQ(layer.Sequence(), "Draw");
  }
}

TEST_F(PatternLightLogic, TheSecondLightsBlendColourCarriesItsColourAndStrength) {
  DS_LightFX_II d;
  d.m_Colour.Store(0x0080FFul);  // red 255, green 128, blue 0
  d.m_Intensity.Set(60u);
  d.m_FlickerMode.Store(0);
  HalfFaded(d);
  d.m_MaskTexture.Attach(Texture(8, 8));
  LoggingEffect e;
  Lent lent(d, e);
  RecordingRender layer(800, 600);
  IDirect3DTexture9* background = Texture(8, 8);
  layer.background.Attach(background);
  d.Render(layer);
  ExpectValues(e, "BlendColor", {1.0f, 128.0f / 255.0f, 0.0f, 0.3f});
  EXPECT_EQ(e.textureOf["Texture1"], background);
  EXPECT_EQ(e.textureOf["Texture2"], d.m_MaskTexture.Get());
  // Neither the shared parameters nor the region grid.
  EXPECT_FALSE(e.Has("Scale"));
  EXPECT_FALSE(e.Has("Mask"));
  EXPECT_FALSE(e.Has("Background"));
  EXPECT_EQ(layer.Sequence(), "Draw");
  EXPECT_EQ(e.technique, "Blend_Normal");
}

TEST_F(PatternLightLogic, TheBlendModeNamesTheTechniqueAndOtherModesKeepTheCurrentOne) {
  struct Case {
    int mode;
    const char* technique;
  };
  const Case cases[] = {{0, "Blend_Normal"}, {1, "Blend_Screen"}, {2, "PS_ColorDodge"},
                        {3, "Blend_Sum"},    {7, "Previous"},     {-1, "Previous"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    DS_LightFX_II d;
    d.m_BlendMode.Store(c.mode);
    LoggingEffect e;
    e.technique = "Previous";
    Lent lent(d, e);
    RecordingRender layer(800, 600);
    d.Render(layer);
    EXPECT_EQ(e.technique, c.technique);
    EXPECT_EQ(layer.Sequence(), "Draw");
    // A missing background is null.
    ASSERT_TRUE(e.textureOf.count("Texture1"));
    EXPECT_EQ(e.textureOf["Texture1"], nullptr);
  }
}

}  // namespace
