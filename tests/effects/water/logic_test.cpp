// The wave and water effects without a device: the values each passes to its effect at
// known times, worked out by hand from the classes' rules, through an effect double and a
// recording layer; the motion of the sway and the waterfall's layers; and the faults a
// document could cause (a profile of 0, 1 or past 2, a zero scale or drift period, a
// huge layer count, a link without a picture, no effect at all).
#include "effects/WaveWater.h"

#include "core/render/Noise.h"
#include "tests/support/LoggingEffect.h"
#include "tests/support/RecordingRender.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using tw_test::ExpectValues;
using tw_test::LoggingEffect;
using tw_test::RecordingRender;

constexpr float kPi = 3.1415927f;

// Gives a description the effect double for the life of the object.
class EffectOn {
public:
  explicit EffectOn(DS_FX_Constructor& d) : m_D(d) { d.m_Effect.Assign(&effect); }
  ~EffectOn() { m_D.m_Effect.Reset(); }
  LoggingEffect effect;

private:
  DS_FX_Constructor& m_D;
};

// Moves the clock on from its last object time to t in frames of 0.1 s (a step is clamped
// to 0.2 s).
void RunTo(DS_FX_Constructor& d, float t) {
  for (float now = d.m_Speed.LastTime() + 0.1f; now < t; now += 0.1f) d.UpdateFrame(now);
  d.UpdateFrame(t);
}

// The time line at alpha 0.5: half way through the fade-in of an interval (0, 10) that is
// fully in at 2.
void HalfFadedIn(DS_FX_Constructor& d) {
  d.TimeLine().m_Mode.Store(DS_TimeLineControl::kModeIntervals);
  ASSERT_TRUE(d.TimeLine().AddInterval(DS_TimeInterval{0.0f, 10.0f, 2.0f, 10.0f}));
  d.TimeLine().SetLoopTime(1.0f);
  ASSERT_FLOAT_EQ(d.Alpha(), 0.5f);
}

// ---------------------------------------------------------------------------------------
// Defaults

TEST(WaterDefaults, EachClassStartsWithItsOwnValues) {
  DS_WavesFX waves;
  EXPECT_EQ(waves.m_EffectLink.Path(), L"velmora.dll");
  EXPECT_EQ(waves.m_EffectLink.Stamp(), 77);
  EXPECT_FLOAT_EQ(waves.m_Speed.Derived(), 25.0f);
  EXPECT_FLOAT_EQ(waves.m_Amplitude.Derived(), 0.0125f);
  EXPECT_FLOAT_EQ(waves.m_Wavelength.Derived(), 0.026f);
  EXPECT_EQ(waves.TimeLine().m_Trailing[0], 1);
  EXPECT_EQ(waves.TimeLine().m_Trailing[1], 1);
  EXPECT_EQ(waves.TimeLine().m_Trailing[2], 0);

  DS_UnderwaterFX underwater;
  EXPECT_EQ(underwater.m_EffectLink.Stamp(), 88);
  EXPECT_FLOAT_EQ(underwater.m_Speed.Derived(), 25.0f);
  EXPECT_FLOAT_EQ(underwater.m_Amplitude.Derived(), 0.00625f);
  EXPECT_FLOAT_EQ(underwater.m_Wavelength.Derived(), 0.101f);
  EXPECT_EQ(underwater.TimeLine().m_Trailing[0], 0);

  DS_WaterFX water;
  EXPECT_EQ(water.m_EffectLink.Stamp(), 90);
  EXPECT_FLOAT_EQ(water.m_Speed.Derived(), 1.0f);
  EXPECT_FLOAT_EQ(water.m_Scale.Derived(), 0.6f);
  EXPECT_EQ(water.m_Angle.Get(), 40u);
  EXPECT_EQ(water.m_Colour.Get(), 0x00FFFFFFul);
  EXPECT_EQ(water.m_BumpLink.Path(), L"velmora.dll");
  EXPECT_EQ(water.m_BumpLink.Stamp(), 89);
  EXPECT_FLOAT_EQ(water.m_FirstDriftPeriod.Derived(), 0.011f);
  EXPECT_EQ(water.TimeLine().m_Trailing[1], 0);

  DS_MoveFX move;
  EXPECT_EQ(move.m_EffectLink.Stamp(), 91);
  EXPECT_FLOAT_EQ(move.m_Speed.Derived(), 1.0f);
  EXPECT_FLOAT_EQ(move.m_Amount.Derived(), 0.01f);
  EXPECT_FLOAT_EQ(move.m_SecondExtreme.Derived(), 0.0f);
  EXPECT_EQ(move.TimeLine().m_Trailing[0], 1);
  EXPECT_EQ(move.TimeLine().m_Trailing[2], 0);

  DS_WaterfallFX waterfall;
  EXPECT_TRUE(waterfall.m_EffectLink.Path().empty());
  EXPECT_FLOAT_EQ(waterfall.m_Speed.Derived(), 0.0f);
  EXPECT_FLOAT_EQ(waterfall.m_Translucency.Derived(), 1.0f);
  EXPECT_FLOAT_EQ(waterfall.m_Threshold.Derived(), 1.0f);
  EXPECT_EQ(waterfall.m_BaseColour.Get(), 0ul);
  EXPECT_EQ(waterfall.TimeLine().m_Trailing[0], 0);
}

// ---------------------------------------------------------------------------------------
// Waves

TEST(Waves, DirectionsFollowTheAngleAndTheWaveMode) {
  struct Case {
    unsigned angle;
    int mode;
    float direction[2], normal[2];
  };
  // direction = -(cos, sin) of 360 - angle; the normal (0, 1) or (-1, 0) turned as far.
  const Case cases[] = {
      {0, 0, {-1, 0}, {0, 1}},
      {0, 1, {-1, 0}, {-1, 0}},
      {90, 0, {0, 1}, {1, 0}},
      {90, 1, {0, 1}, {0, 1}},
      {180, 0, {1, 0}, {0, -1}},
  };
  RecordingRender layer;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "angle " << c.angle << " mode " << c.mode);
    DS_WavesFX d;
    // Set with notification, as an editor sets them: the vectors follow at once.
    d.m_Angle.Set(c.angle);
    d.m_WaveMode.Set(c.mode);
    EffectOn on(d);
    d.Render(layer);
    ExpectValues(on.effect, "direction", {c.direction[0], c.direction[1]}, 1e-5f);
    ExpectValues(on.effect, "direction_n", {c.normal[0], c.normal[1]}, 1e-5f);
  }
}

TEST(Waves, FrequencyAmplitudeAndTimeAtKnownTimes) {
  DS_WavesFX d;
  EffectOn on(d);
  // One second of steady frames at 25 per second: effect time 25 x 1.0 x 1 = 25.
  for (int i = 1; i <= 25; ++i) d.UpdateFrame(float(i) * 0.04f);
  RecordingRender layer(640, 480);
  d.Render(layer);
  ExpectValues(on.effect, "frequency", {38.461538f}, 1e-3f);  // 1 / 0.026
  ExpectValues(on.effect, "amplitude", {0.0125f}, 1e-7f);
  ExpectValues(on.effect, "time", {2.0f}, 1e-4f);  // 25 x 0.08
  ExpectValues(on.effect, "Scale", {640.0f / 480.0f, 1.0f}, 1e-6f);
  EXPECT_EQ(on.effect.technique, "Main");
  ASSERT_EQ(layer.Sequence(), "Draw");
  EXPECT_EQ(layer.calls[0].effect, &on.effect);

  // The amplitude follows the time line's alpha; the mode picks the technique.
  HalfFadedIn(d);
  d.m_TechniqueMode.Store(1);
  d.Render(layer);
  ExpectValues(on.effect, "amplitude", {0.00625f}, 1e-7f);
  EXPECT_EQ(on.effect.technique, "MainFX");
}

// ---------------------------------------------------------------------------------------
// Underwater

TEST(Underwater, FrequencyCarriesTheAspectAndTheAmplitudeIgnoresAlpha) {
  DS_UnderwaterFX d;
  EffectOn on(d);
  HalfFadedIn(d);
  for (int i = 1; i <= 5; ++i) d.UpdateFrame(float(i) * 0.1f);  // effect time 0.5 x 25
  RecordingRender layer(1600, 1200);
  d.Render(layer);
  // d = 1 / 0.101 = 9.90099; (d x 1600 / 1200, d).
  ExpectValues(on.effect, "frequency", {13.20132f, 9.90099f}, 1e-3f);
  ExpectValues(on.effect, "amplitude", {0.00625f}, 1e-7f);
  ExpectValues(on.effect, "time", {1.0f}, 1e-4f);  // 12.5 x 0.08
  ExpectValues(on.effect, "Scale", {1.3333333f, 1.0f}, 1e-5f);
  EXPECT_EQ(layer.Sequence(), "Draw");

  // A picture of no height keeps every value finite.
  RecordingRender flat(1600, 0);
  d.m_Scale.Set(0u);
  d.Render(flat);
  for (const char* name : {"frequency", "Scale"})
    for (float v : on.effect.Values(name)) EXPECT_TRUE(std::isfinite(v)) << name;
}

// ---------------------------------------------------------------------------------------
// Water

TEST(Water, ParametersAtTheDefaults) {
  DS_WaterFX d;
  EffectOn on(d);
  RunTo(d, 0.2f);  // effect time 0.2 at speed 1.0
  RecordingRender layer(640, 480);
  d.Render(layer);
  // P = 0.002: k = 999, h = (sqrt(999) + 999) / 998 = 1.03267.
  ExpectValues(on.effect, "P1", {-0.998f, -1.0f, -0.998f}, 1e-6f);
  ExpectValues(on.effect, "P2", {1.0f, 1.03267f, 1.0f}, 1e-4f);
  ExpectValues(on.effect, "Time", {0.4f}, 1e-5f);
  // Angle 40: d = (0.76604, 0.64279); Direction1 = -d x 0.5 / 0.011, Direction2 = -d x 0.005 / 2.
  ExpectValues(on.effect, "Direction1", {-34.8202f, -29.2177f}, 1e-3f);
  ExpectValues(on.effect, "Direction2", {-0.0019151f, -0.0016070f}, 1e-6f);
  ExpectValues(on.effect, "Shadows", {0.0f}, 0.0f);
  ExpectValues(on.effect, "Vhalf", {0.4472136f, 0.8944272f, 0.0f}, 1e-6f);  // (1, 2, 0) / sqrt(5)
  ExpectValues(on.effect, "Color", {1.0f, 1.0f, 1.0f}, 0.0f);
  // phi = 0.2 x 0.5 x 9 = 0.9; b = 0.02: (b cos, -b sin, b sin, b cos).
  ExpectValues(on.effect, "BampTrans", {0.0124322f, -0.0156665f, 0.0156665f, 0.0124322f}, 1e-6f);
  // Scale derived 0.6: (640 / 480 / 0.6, 1 / 0.6).
  ExpectValues(on.effect, "Scale", {2.2222222f, 1.6666667f}, 1e-5f);
  EXPECT_TRUE(on.effect.textureOf.count("BumpMap"));
  EXPECT_EQ(layer.Sequence(), "Draw");
}

TEST(Water, EachSettingReachesItsParameter) {
  DS_WaterFX d;
  d.m_Angle.Set(0u);
  d.m_SecondDrift.Set(80u);         // 0.02
  d.m_FirstDriftPeriod.Set(18u);    // 0.01
  d.m_Shadows.Set(75u);             // 0.75
  d.m_HalfVectorHeight.Set(20u);    // 2.0
  d.m_Colour.Set(0x00336699ul);
  d.m_BumpAmount.Set(50u);          // 0.05
  d.m_Speed.Set(100u);              // 2.0
  EffectOn on(d);
  RunTo(d, 0.2f);  // effect time 0.4: phi = 1.8
  RecordingRender layer(640, 480);
  d.Render(layer);
  ExpectValues(on.effect, "Direction1", {-50.0f, 0.0f}, 1e-3f);
  ExpectValues(on.effect, "Direction2", {-0.01f, 0.0f}, 1e-7f);
  ExpectValues(on.effect, "Shadows", {0.75f}, 1e-7f);
  ExpectValues(on.effect, "Vhalf", {1.0f / 3.0f, 2.0f / 3.0f, 2.0f / 3.0f}, 1e-6f);  // (1, 2, 2) / 3
  ExpectValues(on.effect, "Color", {0.6f, 0.4f, 0.2f}, 1e-6f);  // 0x99, 0x66, 0x33 over 255
  ExpectValues(on.effect, "Time", {0.8f}, 1e-5f);
  // cos 1.8 = -0.227202, sin 1.8 = 0.973848.
  ExpectValues(on.effect, "BampTrans", {-0.0113601f, -0.0486924f, 0.0486924f, -0.0113601f}, 1e-6f);
}

TEST(Water, EveryProfilePassesFiniteVectors) {
  struct Case {
    unsigned stored;
    float p1x, h;
  };
  // h = (sqrt(P (2 - P)) + 2 - P) / (2 (1 - P)), the height term multiplied out; profiles
  // from 0.99 up are passed as 0.99.
  const Case cases[] = {
      {0, -1.0f, 1.0f},              // k infinite: the limit, 1
      {20, -0.998f, 1.03267f},       // the default
      {5000, -0.5f, 2.3660254f},     // k = 3: (sqrt 3 + 3) / 2
      {9900, -0.01f, 100.49749f},    // the last profile taken as it is
      {10000, -0.01f, 100.49749f},   // P = 1: the pole
      {30000, -0.01f, 100.49749f},   // P = 3: k negative
      {0xFFFFFFFFu, -0.01f, 100.49749f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "profile stored " << c.stored);
    DS_WaterFX d;
    d.m_Profile.Set(c.stored);
    float p1[3], p2[3];
    d.ProfileVectors(p1, p2);
    for (float v : {p1[0], p1[1], p1[2], p2[0], p2[1], p2[2]}) EXPECT_TRUE(std::isfinite(v));
    EXPECT_NEAR(p1[0], c.p1x, 1e-5f);
    EXPECT_EQ(p1[1], -1.0f);
    EXPECT_EQ(p1[2], p1[0]);
    EXPECT_EQ(p2[0], 1.0f);
    EXPECT_NEAR(p2[1], c.h, c.h * 1e-4f);
    EXPECT_EQ(p2[2], 1.0f);
  }
}

TEST(Water, ADriftPeriodOrScaleOfZeroKeepsTheValuesFinite) {
  DS_WaterFX d;
  d.m_FirstDriftPeriod.SetScale(0.0f, 0.0f);
  d.m_Scale.Set(0u);
  EffectOn on(d);
  RecordingRender layer(640, 0);
  d.Render(layer);
  for (const char* name : {"Direction1", "Scale"})
    for (float v : on.effect.Values(name)) EXPECT_TRUE(std::isfinite(v)) << name;
}

// A bump or noise link whose set holds no picture leaves the texture null: "BumpMap" and
// "NoiseMap" are set to null, nothing is read past the end of an empty set.
TEST(WaterEffects, ALinkWithoutAPictureGivesANullTexture) {
  g_DocResManager = new DS_DocResManager();
  {
    DS_WaterFX d;
    d.m_BumpLink.StoreKey(L"pictures\\missing.png", 3);
    std::unique_ptr<DS_ABObj> object(d.CreateRuntimeObject());
    auto* fx = static_cast<DS_WaterFX*>(static_cast<DS_BrushObj*>(object.get())->FX());
    EXPECT_EQ(fx->m_BumpTexture.Get(), nullptr);
    EffectOn on(*fx);
    RecordingRender layer;
    fx->Render(layer);
    ASSERT_TRUE(on.effect.textureOf.count("BumpMap"));
    EXPECT_EQ(on.effect.textureOf["BumpMap"], nullptr);
  }
  for (const wchar_t* path : {L"", L"pictures\\missing.png"}) {
    DS_WaterfallFX d;
    d.m_NoiseLink.StoreKey(path, 4);
    d.m_NoiseAmplitude.Set(10u);
    std::unique_ptr<DS_ABObj> object(d.CreateRuntimeObject());
    auto* fx = static_cast<DS_WaterfallFX*>(static_cast<DS_BrushObj*>(object.get())->FX());
    EXPECT_EQ(fx->m_NoiseTexture.Get(), nullptr);
    EffectOn on(*fx);
    RecordingRender layer;
    fx->Render(layer);
    ASSERT_TRUE(on.effect.textureOf.count("NoiseMap"));
    EXPECT_EQ(on.effect.textureOf["NoiseMap"], nullptr);
  }
  delete g_DocResManager;
  g_DocResManager = nullptr;
}

// ---------------------------------------------------------------------------------------
// Move

TEST(Move, TheSwayRunsBetweenItsTwoExtremes) {
  struct Case {
    const char* what;
    unsigned second;
    float atQuarter, atThreeQuarters;  // e at sin t = 1 and sin t = -1
  };
  // m = (A + B) / 2, r = (A - B) / 2, e = -(sin t x m + r): -A at sin t = 1, B at -1.
  const Case cases[] = {
      {"second extreme 0 (a new move)", 0u, -0.01f, 0.0f},
      {"second extreme as the amount (a version 1 record)", 50u, -0.01f, 0.01f},
      {"second extreme 0.005", 25u, -0.01f, 0.005f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (unsigned angle : {0u, 90u}) {
      SCOPED_TRACE(testing::Message() << "angle " << angle);
      DS_MoveFX d;
      d.m_Angle.Set(angle);
      d.m_SecondExtreme.Set(c.second);
      // The direction: (1, 0) at 0, (0, -1) at 90.
      const float dx = angle == 0 ? 1.0f : 0.0f, dy = angle == 0 ? 0.0f : -1.0f;
      RunTo(d, kPi / 2.0f);
      EXPECT_NEAR(d.m_Displacement[0], dx * c.atQuarter, 1e-5f);
      EXPECT_NEAR(d.m_Displacement[1], dy * c.atQuarter, 1e-5f);
      RunTo(d, 3.0f * kPi / 2.0f);
      EXPECT_NEAR(d.m_Displacement[0], dx * c.atThreeQuarters, 1e-5f);
      EXPECT_NEAR(d.m_Displacement[1], dy * c.atThreeQuarters, 1e-5f);
    }
  }
}

TEST(Move, NoiseModeAlphaAndTheDrawnParameter) {
  DS_MoveFX d;
  d.m_MotionMode.Store(1);
  d.m_Angle.Set(180u);  // direction (-1, 0)
  HalfFadedIn(d);
  RunTo(d, 0.3f);
  // c = FractalNoise1D(50 t, 75, 0.5, 1), e = -(c x 0.005 + 0.005), times alpha 0.5.
  const float c = float(FractalNoise1D(50.0 * 0.3, 75.0, 0.5, 1));
  const float e = -(c * 0.005f + 0.005f);
  EXPECT_NEAR(d.m_Displacement[0], -1.0f * e * 0.5f, 1e-6f);
  EXPECT_NEAR(d.m_Displacement[1], 0.0f, 1e-6f);

  EffectOn on(d);
  RecordingRender layer(800, 400);
  d.Render(layer);
  ExpectValues(on.effect, "Direction", {d.m_Displacement[0], d.m_Displacement[1]}, 0.0f);
  ExpectValues(on.effect, "Scale", {2.0f, 1.0f}, 1e-6f);
  EXPECT_EQ(layer.Sequence(), "Draw");
}

// ---------------------------------------------------------------------------------------
// Waterfall

// A waterfall loaded as its runtime object loads it (no device: no grid).
std::unique_ptr<DS_ABObj> Loaded(DS_WaterfallFX& d, DS_WaterfallFX** fx) {
  std::unique_ptr<DS_ABObj> object(d.CreateRuntimeObject());
  *fx = static_cast<DS_WaterfallFX*>(static_cast<DS_BrushObj*>(object.get())->FX());
  return object;
}

TEST(Waterfall, LayersSpreadOverOneUnitOfEffectTime) {
  DS_WaterfallFX d;
  d.m_LayerCount.Store(3u);
  d.m_Speed.Set(50u);        // 1.0
  d.m_Amount.Set(100u);      // length 0.4
  d.m_Angle.Set(270u);       // direction (0, 1)
  d.m_Translucency.Set(20u);  // 0.8
  DS_WaterfallFX* fx = nullptr;
  auto object = Loaded(d, &fx);
  ASSERT_EQ(fx->m_Layers.size(), 3u);
  for (const DS_WaterfallLayer& l : fx->m_Layers) {
    EXPECT_EQ(l.shiftX, 0.0f);
    EXPECT_EQ(l.shiftY, 0.0f);
    EXPECT_EQ(l.translucency, 0.0f);
  }
  RunTo(*fx, 0.5f);
  // Fractions 0.5, 0.8333, 0.1667: shift (0, -0.4 f), translucency 0.8 (1 - |2 f - 1|).
  const float f[3] = {0.5f, 5.0f / 6.0f, 1.0f / 6.0f};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(testing::Message() << "layer " << i);
    EXPECT_NEAR(fx->m_Layers[i].shiftX, 0.0f, 1e-6f);
    EXPECT_NEAR(fx->m_Layers[i].shiftY, -0.4f * f[i], 1e-5f);
    EXPECT_NEAR(fx->m_Layers[i].translucency, 0.8f * (1.0f - std::fabs(2.0f * f[i] - 1.0f)), 1e-5f);
  }
  // Noise shift -(t d 0.1) / s at scale 1.
  EXPECT_NEAR(fx->m_NoiseShift[0], 0.0f, 1e-7f);
  EXPECT_NEAR(fx->m_NoiseShift[1], -0.05f, 1e-6f);

  // A unit later every layer is where it was.
  RunTo(*fx, 1.5f);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(fx->m_Layers[i].shiftY, -0.4f * f[i], 1e-4f) << i;
}

TEST(Waterfall, TheNoiseShiftFollowsTheDirectionOverTheScale) {
  struct Case {
    unsigned angle, scale;
    float shift[2];
  };
  // At effect time 2: -(2 d 0.1) / s.
  const Case cases[] = {
      {0u, 50u, {-0.2f, 0.0f}},
      {90u, 100u, {0.0f, 0.1f}},  // d = (0, -1), s = 2
      {0u, 0u, {-0.2f, 0.0f}},    // a scale of 0 divides by 1
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "angle " << c.angle << " scale " << c.scale);
    DS_WaterfallFX d;
    d.m_Speed.Set(100u);  // 2.0
    d.m_Angle.Set(c.angle);
    d.m_Scale.Set(c.scale);
    RunTo(d, 1.0f);
    EXPECT_NEAR(d.m_NoiseShift[0], c.shift[0], 1e-6f);
    EXPECT_NEAR(d.m_NoiseShift[1], c.shift[1], 1e-6f);
  }
}

TEST(Waterfall, AScaleOfZeroOnAPictureOfNoHeightKeepsBumpScaleFinite) {
  DS_WaterfallFX d;
  d.m_Scale.Set(0u);
  d.m_NoiseAmplitude.Set(10u);
  EffectOn on(d);
  RecordingRender layer(640, 0);
  d.Render(layer);
  ExpectValues(on.effect, "bump_scale", {640.0f, 1.0f}, 0.0f);  // both divisors taken as 1
}

TEST(Waterfall, TheStoredLayerCountIsCapped) {
  for (unsigned count : {64u, 65u, 1000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(count);
    DS_WaterfallFX d;
    d.m_LayerCount.Store(count);
    DS_WaterfallFX* fx = nullptr;
    auto object = Loaded(d, &fx);
    EXPECT_EQ(fx->m_Layers.size(), size_t(DS_WaterfallFX::kMaxLayers));
  }
}

TEST(Waterfall, RenderSetsItsParametersInOrderAndHiddenStopsAfterTheTextures) {
  struct Case {
    const char* what;
    int hidden;
    unsigned noise, layers;
    const char* log;
  };
  const std::string textures = "SetTexture Mask | SetTexture Background";
  const std::string noise =
      " | SetTexture NoiseMap | SetTechnique Noise | SetFloatArray noise_shift | SetFloatArray bump_scale"
      " | SetFloat noise_amplitude";
  const std::string colour = " | SetTechnique ColorWaves | SetFloatArray base_color | SetFloat treshold";
  const std::string layer = " | SetFloatArray shift | SetFloat transluency";
  const Case cases[] = {
      {"hidden", 1, 100u, 2u, ""},
      {"no noise and no layers", 0, 0u, 0u, ""},
      {"noise only", 0, 100u, 0u, "noise"},
      {"two layers only", 0, 0u, 2u, "layers"},
      {"both", 0, 100u, 2u, "both"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_WaterfallFX d;
    d.m_Hidden.Store(c.hidden);
    d.m_NoiseAmplitude.Set(c.noise);
    d.m_LayerCount.Store(c.layers);
    d.m_BaseColour.Store(0x00FF8000ul);
    d.m_Threshold.Set(250u);
    DS_WaterfallFX* fx = nullptr;
    auto object = Loaded(d, &fx);
    EffectOn on(*fx);
    RecordingRender r(640, 480);
    fx->Render(r);
    std::string want = textures;
    const std::string kind = c.log;
    if (kind == "noise" || kind == "both") want += noise;
    if (kind == "layers" || kind == "both") want += colour + layer + layer;
    EXPECT_EQ(on.effect.log, want);
    if (kind == "noise" || kind == "both") {
      ExpectValues(on.effect, "bump_scale", {640.0f / 480.0f, 1.0f}, 1e-6f);
      ExpectValues(on.effect, "noise_amplitude", {0.01f}, 1e-7f);
    }
    if (kind == "layers" || kind == "both") {
      ExpectValues(on.effect, "base_color", {0.0f, 128.0f / 255.0f, 1.0f}, 1e-6f);
      ExpectValues(on.effect, "treshold", {0.75f}, 1e-6f);
    }
    // No grid without a device: nothing is drawn.
    EXPECT_TRUE(r.calls.empty());
  }
}

// ---------------------------------------------------------------------------------------
// Every class: no effect, nothing set and nothing drawn.

TEST(WaterEffects, WithoutAnEffectNothingIsDrawn) {
  std::vector<std::unique_ptr<DS_FX_Constructor>> all;
  all.emplace_back(new DS_WavesFX());
  all.emplace_back(new DS_UnderwaterFX());
  all.emplace_back(new DS_WaterFX());
  all.emplace_back(new DS_MoveFX());
  auto* waterfall = new DS_WaterfallFX();
  waterfall->m_NoiseAmplitude.Set(10u);
  waterfall->m_LayerCount.Store(2u);
  all.emplace_back(waterfall);
  for (auto& d : all) {
    std::unique_ptr<DS_ABObj> object(d->CreateRuntimeObject());
    object->UpdateFrame(0.1f);
    RecordingRender layer;
    object->Render(layer);
    EXPECT_TRUE(layer.calls.empty());
  }
}

}  // namespace
