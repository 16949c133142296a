// The centred distortion effects without a device: the defaults, and the values each
// passes to its effect at known effect times, worked out by hand from the classes' rules,
// through an effect double and a recording layer (an 800 x 600 picture, screen layout and
// stage view alike).
#include "effects/CentredDistortion.h"

#include "core/render/Noise.h"
#include "core/render/StageView.h"
#include "tests/support/LoggingEffect.h"
#include "tests/support/RecordingRender.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kTol = 1e-4f;

class CentredLogic : public testing::Test {
protected:
  void SetUp() override {
    savedW_ = g_ScreenLayout.pictureWidth;
    savedH_ = g_ScreenLayout.pictureHeight;
    g_ScreenLayout.pictureWidth = 800;
    g_ScreenLayout.pictureHeight = 600;
    g_StageView = new DS_StageView();
    g_StageView->pictureWidth = 800.0f;
    g_StageView->pictureHeight = 600.0f;
  }
  void TearDown() override {
    delete g_StageView;
    g_StageView = nullptr;
    g_ScreenLayout.pictureWidth = savedW_;
    g_ScreenLayout.pictureHeight = savedH_;
  }

  // The description at effect time t, rendered through the double into the layer.
  void RenderAt(DS_FX_Constructor& d, float t) {
    effect_.Clear();
    layer_.Clear();
    d.m_Effect.Assign(&effect_);
    d.m_Speed.ResetClock(t);
    d.UpdateFrame(0.0f);  // a step of no length: the clock stays at t
    d.Render(layer_);
    d.m_Effect.Reset();
  }

  void ExpectValues(const char* name, const std::vector<float>& want, float tolerance = kTol) {
    const std::vector<float> got = effect_.Values(name);
    ASSERT_EQ(got.size(), want.size()) << name;
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], tolerance) << name << "[" << i << "]";
  }

  tw_test::LoggingEffect effect_;
  tw_test::RecordingRender layer_{800, 600};

private:
  UINT savedW_ = 0, savedH_ = 0;
};

// Alpha 0.5: one interval of the looped time 0..10 s that fades out over its whole length,
// looked at 5 s in.
void HalveAlpha(DS_ABObj_Constructor& d) {
  DS_TimeLineControl& timeLine = d.TimeLine();
  timeLine.m_Mode.Store(DS_TimeLineControl::kModeIntervals);
  DS_TimeInterval interval;
  interval.end = 10.0f;
  ASSERT_TRUE(timeLine.AddInterval(interval));
  timeLine.SetLoopTime(5.0f);
  ASSERT_FLOAT_EQ(timeLine.GetAlpha(), 0.5f);
}

void ExpectTrailing(const DS_ABObj_Constructor& d, int a, int b, int c) {
  EXPECT_EQ(d.TimeLine().m_Trailing[0], a);
  EXPECT_EQ(d.TimeLine().m_Trailing[1], b);
  EXPECT_EQ(d.TimeLine().m_Trailing[2], c);
}

TEST_F(CentredLogic, NewEffectsHaveTheirClassesDefaults) {
  {
    SCOPED_TRACE("expand");
    DS_ExpandFX d;
    EXPECT_EQ(d.m_EffectLink.Path(), L"velmora.dll");
    EXPECT_EQ(d.m_EffectLink.Stamp(), 102);
    EXPECT_FLOAT_EQ(d.m_Speed.Derived(), 1.0f);
    EXPECT_FLOAT_EQ(d.m_FirstExtreme.Derived(), 0.25f);
    EXPECT_FLOAT_EQ(d.m_SecondExtreme.Derived(), 0.0f);
    EXPECT_EQ(d.m_WaveForm.Get(), 0);
    EXPECT_FLOAT_EQ(d.m_Centre.Get().x, 400.0f);
    EXPECT_FLOAT_EQ(d.m_Centre.Get().y, 300.0f);
    EXPECT_FLOAT_EQ(d.m_Scale.Derived(), 1.0f);
    ExpectTrailing(d, 1, 1, 0);
    EXPECT_EQ(d.TimeLine().m_FadeTarget.Get(), 0);
  }
  {
    SCOPED_TRACE("radial wave");
    DS_RadialWaveFX d;
    EXPECT_EQ(d.m_EffectLink.Stamp(), 103);
    EXPECT_FLOAT_EQ(d.m_Speed.Derived(), 50.0f);
    EXPECT_FLOAT_EQ(d.m_Amplitude.Derived(), 0.0125f);
    EXPECT_FLOAT_EQ(d.m_Wavelength.Derived(), 0.006f);
    EXPECT_FLOAT_EQ(d.m_BackgroundScale.Derived(), 75.0f);
    EXPECT_EQ(d.m_Outward.Get(), 0);
    ExpectTrailing(d, 1, 1, 0);
  }
  {
    SCOPED_TRACE("rotation");
    DS_RotationFX d;
    EXPECT_EQ(d.m_EffectLink.Path(), L"");
    EXPECT_FLOAT_EQ(d.m_Speed.Derived(), 0.0f);
    EXPECT_FLOAT_EQ(d.m_Speed.Factor(), 0.005f);
    EXPECT_FLOAT_EQ(d.m_Zoom.Derived(), 0.0f);
    EXPECT_FLOAT_EQ(d.m_Zoom.Factor(), 0.001f);
    EXPECT_EQ(d.m_Angle.Get(), 0u);
    EXPECT_EQ(d.m_Reverse.Get(), 0);
    EXPECT_EQ(d.TimeLine().m_FadeTarget.Get(), 2);
    ExpectTrailing(d, 1, 6, 0);
  }
  {
    SCOPED_TRACE("bend");
    DS_BendFX d;
    EXPECT_EQ(d.m_EffectLink.Path(), L"");
    EXPECT_FLOAT_EQ(d.m_Speed.Factor(), 0.02f);
    EXPECT_FLOAT_EQ(d.m_FirstExtreme.Factor(), 0.002f);
    EXPECT_FLOAT_EQ(d.m_SecondExtreme.Factor(), 0.002f);
    EXPECT_FLOAT_EQ(d.m_Bend.Factor(), 0.01f);
    EXPECT_FLOAT_EQ(d.m_Bend.Derived(), 0.0f);
    EXPECT_EQ(d.m_BendMode.Get(), 0);
    EXPECT_EQ(d.TimeLine().m_FadeTarget.Get(), 0);
    ExpectTrailing(d, 0, 0, 0);
  }
}

// ---------------------------------------------------------------------------------------
// Expand

TEST_F(CentredLogic, ExpandAmplitudeSwingsFromMinusTheSecondExtremeToTheFirst) {
  struct Case {
    const char* what;
    int waveForm;
    unsigned first, second;  // stored, x 0.005
    float t;
    bool halfAlpha;
    float outward, inward;
  };
  const Case cases[] = {
      {"triangle at 0: the second extreme (0)", 0, 50, 0, 0.0f, false, 0.0f, 0.0f},
      {"triangle at pi: the first extreme", 0, 50, 0, kPi, false, 0.25f, 0.0f},
      {"triangle at 0 with a second extreme", 0, 50, 20, 0.0f, false, 0.0f, 0.1f},
      {"triangle at pi with a second extreme", 0, 50, 20, kPi, false, 0.25f, 0.0f},
      // Halfway up and halfway down the triangle: (A - B) / 2.
      {"triangle at pi / 2", 0, 50, 20, kPi / 2.0f, false, 0.075f, 0.0f},
      {"triangle at 3 pi / 2", 0, 50, 20, 3.0f * kPi / 2.0f, false, 0.075f, 0.0f},
      {"triangle a period on", 0, 50, 20, 3.0f * kPi, false, 0.25f, 0.0f},
      // A quarter of the way up: d = -0.5, amplitude 0.175 x -0.5 + 0.075 = -0.0125.
      {"triangle at pi / 4", 0, 50, 20, kPi / 4.0f, false, 0.0f, 0.0125f},
      {"sine at 0: (A - B) / 2", 1, 50, 20, 0.0f, false, 0.075f, 0.0f},
      {"sine at pi / 2: the first extreme", 1, 50, 20, kPi / 2.0f, false, 0.25f, 0.0f},
      {"sine at 3 pi / 2: minus the second extreme", 1, 50, 20, 3.0f * kPi / 2.0f, false, 0.0f, 0.1f},
      {"any nonzero wave form is the sine", 7, 50, 20, kPi / 2.0f, false, 0.25f, 0.0f},
      {"alpha 0.5 halves the outward swing", 0, 50, 20, kPi, true, 0.125f, 0.0f},
      {"alpha 0.5 halves the inward swing", 0, 50, 20, 0.0f, true, 0.0f, 0.05f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_ExpandFX d;
    d.m_WaveForm.Store(c.waveForm);
    d.m_FirstExtreme.Set(c.first);
    d.m_SecondExtreme.Set(c.second);
    if (c.halfAlpha) HalveAlpha(d);
    RenderAt(d, c.t);
    ExpectValues("amplitude", {c.outward, c.inward});
  }
}

TEST_F(CentredLogic, ExpandPassesItsCentreOverTheLayoutPictureAndDrawsTheWholePicture) {
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    DS_ExpandFX d;
    d.m_TechniqueMode.Store(mode);
    d.m_Centre.Store(D3DXVECTOR3(200.0f, 450.0f, 0.0f));
    d.m_Scale.Set(100u);  // 2.0
    RenderAt(d, 1.0f);
    ExpectValues("center", {0.25f, 0.75f});
    ExpectValues("Scale", {0.6667f, 0.5f});  // ((800 / 600) / 2, 1 / 2)
    EXPECT_EQ(effect_.technique, mode ? "MainFX" : "Main");
    EXPECT_TRUE(effect_.textureOf.count("Mask"));
    EXPECT_TRUE(effect_.textureOf.count("Background"));
    EXPECT_EQ(layer_.Sequence(), "Draw");
    EXPECT_EQ(layer_.calls[0].effect, &effect_);
  }
}

// ---------------------------------------------------------------------------------------
// Radial wave

TEST_F(CentredLogic, RadialWavePassesItsRingsShapeAndTime) {
  struct Case {
    const char* what;
    unsigned amplitude, wavelength, bgScale;
    int outward;
    bool halfAlpha;
    float t;
    float bgY, frequency, amp, time;
  };
  const Case cases[] = {
      // 75 x 600 / (75 x 800) = 0.75; 1 / 0.006.
      {"defaults", 50, 50, 50, 0, false, 10.0f, 0.75f, 166.6667f, 0.0125f, -0.8f},
      {"outward", 50, 50, 50, 1, false, 10.0f, 0.75f, 166.6667f, 0.0125f, 0.8f},
      {"outward, any nonzero flag", 50, 50, 50, -3, false, 2.5f, 0.75f, 166.6667f, 0.0125f, 0.2f},
      // 75 x 600 / (150 x 800); 1 / (90 x 0.0001 + 0.001); 40 x 0.00025.
      {"stored values", 40, 90, 125, 0, false, 5.0f, 0.375f, 100.0f, 0.01f, -0.4f},
      {"alpha 0.5", 50, 50, 50, 0, true, 10.0f, 0.75f, 166.6667f, 0.00625f, -0.8f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_RadialWaveFX d;
    d.m_Amplitude.Set(c.amplitude);
    d.m_Wavelength.Set(c.wavelength);
    d.m_BackgroundScale.Set(c.bgScale);
    d.m_Outward.Store(c.outward);
    d.m_Centre.Store(D3DXVECTOR3(600.0f, 150.0f, 0.0f));
    if (c.halfAlpha) HalveAlpha(d);
    RenderAt(d, c.t);
    ExpectValues("bg_scale_factor", {1.0f, c.bgY});
    ExpectValues("frequency", {c.frequency}, 0.01f);
    ExpectValues("amplitude", {c.amp}, 1e-6f);
    ExpectValues("time", {c.time}, 1e-5f);
    ExpectValues("center", {0.75f, 0.25f});
    ExpectValues("Scale", {1.3333f, 1.0f});
    EXPECT_EQ(layer_.Sequence(), "Draw");
  }
}

TEST_F(CentredLogic, RadialWaveTimeFallsAsTheEffectTimeGrowsUnlessOutward) {
  DS_RadialWaveFX d;
  RenderAt(d, 1.0f);
  const float early = effect_.Values("time").at(0);
  RenderAt(d, 2.0f);
  EXPECT_LT(effect_.Values("time").at(0), early);
  d.m_Outward.Store(1);
  RenderAt(d, 1.0f);
  const float outwardEarly = effect_.Values("time").at(0);
  RenderAt(d, 2.0f);
  EXPECT_GT(effect_.Values("time").at(0), outwardEarly);
}

// A picture or layout of no size, or a background scale of 0 at a picture of no width,
// must leave every value finite.
TEST_F(CentredLogic, RadialWaveAndExpandPassFiniteValuesForPicturesOfNoSize) {
  g_ScreenLayout.pictureWidth = 0;
  g_ScreenLayout.pictureHeight = 0;
  layer_.width = 0;
  DS_RadialWaveFX wave;
  wave.m_Centre.Store(D3DXVECTOR3(30.0f, 20.0f, 0.0f));
  RenderAt(wave, 1.0f);
  for (const char* name : {"bg_scale_factor", "center", "frequency", "amplitude", "time", "Scale"}) {
    for (float v : effect_.Values(name)) EXPECT_TRUE(std::isfinite(v)) << name;
  }
  EXPECT_EQ(layer_.Sequence(), "Draw");
  DS_ExpandFX expand;
  expand.m_Centre.Store(D3DXVECTOR3(30.0f, 20.0f, 0.0f));
  RenderAt(expand, 1.0f);
  for (float v : effect_.Values("center")) EXPECT_TRUE(std::isfinite(v));
}

// ---------------------------------------------------------------------------------------
// Rotation

TEST_F(CentredLogic, RotationTransformTurnsBySqueezesByZoomAndTiltsByAngle) {
  const float r = 0.5f;  // the effect time
  const float c = std::cos(r), s = std::sin(r);
  struct Case {
    const char* what;
    unsigned zoom;  // stored, x 0.001
    unsigned angle;
    int reverse;
    float m[4];
  };
  const Case cases[] = {
      {"zoom 1", 1000, 0, 0, {c, s, -s, c}},
      {"zoom 2", 2000, 0, 0, {c, 2.0f * s, -0.5f * s, c}},
      // The default zoom 0 would divide by zero: it turns as zoom 1 does.
      {"zoom 0", 0, 0, 0, {c, s, -s, c}},
      {"reversed", 1000, 0, 1, {c, -s, s, c}},
      {"reversed, any nonzero flag", 2000, 0, 5, {c, -2.0f * s, 0.5f * s, c}},
      // A plain turn is the same seen from any angle.
      {"zoom 1 at angle 45", 1000, 45, 0, {c, s, -s, c}},
      // RotationZ(-90) x [[c, 2s], [-s/2, c]] x RotationZ(90) = [[c, s/2], [-2s, c]]: the
      // ellipse's axes swap.
      {"zoom 2 at angle 90", 2000, 90, 0, {c, 0.5f * s, -2.0f * s, c}},
      // At 45 degrees: (1/2) [[2c - 1.5s, 2.5s], [-2.5s, 2c + 1.5s]].
      {"zoom 2 at angle 45", 2000, 45, 0, {c - 0.75f * s, 1.25f * s, -1.25f * s, c + 0.75f * s}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    DS_RotationFX d;
    d.m_Zoom.Set(k.zoom);
    d.m_Angle.Store(k.angle);
    d.m_Reverse.Store(k.reverse);
    RenderAt(d, r);
    ExpectValues("coord_transf", {k.m[0], k.m[1], k.m[2], k.m[3]});
    EXPECT_EQ(layer_.Sequence(), "Draw");
  }
}

TEST_F(CentredLogic, RotationOffsetIsMinusTheCentreAndMixAlphaFollowsOnlyAColourFade) {
  struct Case {
    const char* what;
    float cx, cy;
    int fadeTarget;
    bool halfAlpha;
    float offset[2];
    float mixAlpha;
  };
  const Case cases[] = {
      {"centred", 400.0f, 300.0f, 2, false, {-0.5f, -0.5f}, 1.0f},
      {"elsewhere", 200.0f, 450.0f, 2, false, {-0.25f, -0.75f}, 1.0f},
      {"a clock fade leaves the colour", 400.0f, 300.0f, 2, true, {-0.5f, -0.5f}, 1.0f},
      {"no fade target", 400.0f, 300.0f, 0, true, {-0.5f, -0.5f}, 1.0f},
      {"a colour fade", 400.0f, 300.0f, 1, true, {-0.5f, -0.5f}, 0.5f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_RotationFX d;
    d.m_Zoom.Set(1000u);
    d.m_Centre.Store(D3DXVECTOR3(c.cx, c.cy, 0.0f));
    d.TimeLine().m_FadeTarget.Store(c.fadeTarget);
    if (c.halfAlpha) HalveAlpha(d);
    RenderAt(d, 0.0f);
    ExpectValues("offset", {c.offset[0], c.offset[1]});
    ExpectValues("mix_color", {1.0f, 1.0f, 1.0f, c.mixAlpha});
    ExpectValues("Scale", {1.3333f, 1.0f});
  }
}

// ---------------------------------------------------------------------------------------
// Bend

TEST_F(CentredLogic, BendAngleSwingsBetweenItsExtremes) {
  struct Case {
    const char* what;
    unsigned first, second;  // stored, x 0.002
    bool halfAlpha;
    float t;
    float angle;
  };
  const Case cases[] = {
      {"at 0: halfway", 100, 0, false, 0.0f, 0.1f},
      {"at pi / 2: the first extreme", 100, 0, false, kPi / 2.0f, 0.2f},
      {"at 3 pi / 2: minus the second extreme (0)", 100, 0, false, 3.0f * kPi / 2.0f, 0.0f},
      {"a second extreme swings the other way", 0, 50, false, 3.0f * kPi / 2.0f, -0.1f},
      {"both extremes, at 0", 100, 50, false, 0.0f, 0.05f},
      {"alpha 0.5", 100, 0, true, kPi / 2.0f, 0.1f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_BendFX d;
    d.m_FirstExtreme.Set(c.first);
    d.m_SecondExtreme.Set(c.second);
    if (c.halfAlpha) HalveAlpha(d);
    RenderAt(d, c.t);
    ExpectValues("Angle", {c.angle});
  }

  // Over a whole period, first extreme 0.2 and second 0: from 0 up to 0.2 and no further.
  DS_BendFX d;
  d.m_FirstExtreme.Set(100u);
  float low = 1.0f, high = -1.0f;
  for (int i = 0; i <= 64; ++i) {
    RenderAt(d, 2.0f * kPi * float(i) / 64.0f);
    low = std::fmin(low, effect_.Values("Angle").at(0));
    high = std::fmax(high, effect_.Values("Angle").at(0));
  }
  EXPECT_NEAR(low, 0.0f, kTol);
  EXPECT_NEAR(high, 0.2f, kTol);
}

TEST_F(CentredLogic, BendModeOneRoughensTheAngleWithNoise) {
  // e + e x sin(FractalNoise1D(50 t, 75, 0.5, 3)); other modes keep e.
  DS_BendFX noisy, plain, other;
  for (DS_BendFX* d : {&noisy, &plain, &other}) d->m_FirstExtreme.Set(100u);
  noisy.m_BendMode.Store(1);
  other.m_BendMode.Store(2);
  int differing = 0;
  for (float t : {0.3f, kPi / 2.0f, 2.0f, 4.0f, 7.5f}) {
    SCOPED_TRACE(t);
    const float e = 0.1f * std::sin(t) + 0.1f;
    const float noise = float(FractalNoise1D(50.0 * t, 75.0, 0.5, 3));
    RenderAt(noisy, t);
    ExpectValues("Angle", {e + e * std::sin(noise)});
    RenderAt(plain, t);
    ExpectValues("Angle", {e});
    RenderAt(other, t);
    ExpectValues("Angle", {e});
    if (std::fabs(e * std::sin(noise)) > 1e-3f) ++differing;
  }
  EXPECT_GT(differing, 0);
}

TEST_F(CentredLogic, BendPassesItsCentreOverTheStagePictureAndDrawsItsRegion) {
  DS_BendFX d;
  d.m_Bend.Set(150u);
  d.m_Scale.Set(100u);  // 2.0
  d.m_Centre.Store(D3DXVECTOR3(200.0f, 450.0f, 0.0f));
  g_StageView->pictureWidth = 400.0f;  // the stage picture, not the layout's, measures the centre
  g_StageView->pictureHeight = 900.0f;
  d.m_TechniqueMode.Store(1);
  RenderAt(d, 1.0f);
  ExpectValues("Bend", {1.5f});
  ExpectValues("Center", {0.5f, 0.5f});
  ExpectValues("Scale", {0.6667f, 0.5f, 1.5f, 2.0f});  // (a / s, 1 / s, s / a, s), a = 4 / 3
  EXPECT_EQ(effect_.technique, "MainFX");
  EXPECT_TRUE(effect_.textureOf.count("Mask"));
  EXPECT_TRUE(effect_.textureOf.count("Background"));
  EXPECT_EQ(layer_.Sequence(), "Draw");  // technique mode 1: the whole picture quad

  // Technique mode 0 draws the region grid, which a description without a device lacks.
  d.m_TechniqueMode.Store(0);
  RenderAt(d, 1.0f);
  EXPECT_EQ(effect_.technique, "Main");
  EXPECT_EQ(layer_.Sequence(), "");
}

// ---------------------------------------------------------------------------------------
// Every class

TEST_F(CentredLogic, AnEffectThatDidNotLoadDrawsNothing) {
  std::vector<std::unique_ptr<DS_FX_Constructor>> all;
  all.emplace_back(new DS_ExpandFX());
  all.emplace_back(new DS_RadialWaveFX());
  all.emplace_back(new DS_RotationFX());
  all.emplace_back(new DS_BendFX());
  for (auto& d : all) {
    d->m_TechniqueMode.Store(1);
    d->UpdateFrame(0.1f);
    layer_.Clear();
    d->Render(layer_);
    EXPECT_EQ(layer_.Sequence(), "");
  }
}

TEST_F(CentredLogic, ClonesKeepWhatTheirUpdatesComputed) {
  DS_ExpandFX expand;
  expand.m_Speed.ResetClock(kPi);
  expand.UpdateFrame(0.0f);
  std::unique_ptr<DS_FX_Constructor> expandClone(expand.Clone());
  EXPECT_FLOAT_EQ(static_cast<DS_ExpandFX&>(*expandClone).m_Amplitude, 0.25f);

  DS_RotationFX rotation;
  rotation.m_Reverse.Store(1);
  rotation.m_Zoom.Set(1500u);
  rotation.m_Speed.ResetClock(0.7f);
  rotation.UpdateFrame(0.0f);
  std::unique_ptr<DS_FX_Constructor> rotationClone(rotation.Clone());
  auto& r = static_cast<DS_RotationFX&>(*rotationClone);
  EXPECT_FLOAT_EQ(r.m_Rotation, -0.7f);
  EXPECT_FLOAT_EQ(r.m_Zoom.Derived(), 1.5f);
  EXPECT_EQ(r.m_Reverse.Get(), 1);

  DS_BendFX bend;
  bend.m_FirstExtreme.Set(100u);
  bend.m_Speed.ResetClock(kPi / 2.0f);
  bend.UpdateFrame(0.0f);
  std::unique_ptr<DS_FX_Constructor> bendClone(bend.Clone());
  EXPECT_NEAR(static_cast<DS_BendFX&>(*bendClone).m_BendAngle, 0.2f, kTol);
}

}  // namespace
