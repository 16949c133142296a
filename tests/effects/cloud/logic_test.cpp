// The parameters the cloud and perspective effects pass, worked out by hand, through an
// effect double and a recording layer (no device): the projection block, the region's
// mask shift, the drift, the tilt amplitudes at known times and alphas, and the values that
// would divide by zero or read past the end of the cloud's frames.
#include "effects/CloudPerspective.h"

#include "core/render/StageView.h"
#include "tests/objects/base/BaseTestSupport.h"
#include "tests/support/LoggingEffect.h"
#include "tests/support/RecordingRender.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using tw_test::ExpectValues;
using tw_test::LoggingEffect;
using tw_test::RecordingRender;

constexpr float kPi = 3.1415927f;
constexpr float kNear = 1e-4f;

void ExpectFinite(const LoggingEffect& e) {
  for (const auto& [name, values] : e.values)
    for (float v : values) EXPECT_TRUE(std::isfinite(v)) << name;
}

// A description drawing into the effect double; the double is given back before it dies.
template <class T>
struct Described {
  explicit Described(T& d) : d(d) { d.m_Effect.Assign(&effect); }
  ~Described() { d.m_Effect.Reset(); }
  void Render(UINT w = 800, UINT h = 600) {
    RecordingRender layer(w, h);
    d.Render(layer);
    calls = layer.Sequence();
  }
  T& d;
  LoggingEffect effect;
  std::string calls;
};

void SetRegion(DS_FX_Constructor& d, const D3DXVECTOR3& c0, const D3DXVECTOR3& c1, const D3DXVECTOR3& c2,
               const D3DXVECTOR3& c3) {
  d.m_Region.corners[0].Store(c0);
  d.m_Region.corners[1].Store(c1);
  d.m_Region.corners[2].Store(c2);
  d.m_Region.corners[3].Store(c3);
}

// ---------------------------------------------------------------------------------------
// The cloud

struct ProjectionCase {
  const char* name;
  unsigned perspective, height, offset;
  int flip;
  float px, pyH, pyZ;
  std::vector<float> texShift;
};

TEST(CloudParameters, TheProjectionBlockPassesItsTransformsAndTextureShift) {
  const ProjectionCase cases[] = {
      {"defaults", 0, 0, 0, 0, 0.0f, 1.0f, 0.0f, {1, 1, 0, 0}},
      {"offset 50, not flipped", 0, 0, 50, 0, 0.0f, 1.0f, 0.0f, {1, 1, -0.5f, 0}},
      {"offset 50, flipped", 0, 0, 50, 1, 0.0f, 1.0f, 0.0f, {1, -1, -0.5f, 1}},
      {"any nonzero flip flips", 0, 0, 0, -3, 0.0f, 1.0f, 0.0f, {1, -1, 0, 1}},
      // P = 2, Hh = 2: (2 - 1) / 2, 2 / 2 + 1, 2.
      {"perspective 2, height 2", 50, 8, 0, 0, 0.5f, 2.0f, 2.0f, {1, 1, 0, 0}},
      // P = 4, Hh = 1: 3 / 4, 1 / 4 + 1, 1; To = 1.25.
      {"perspective 4, height 1", 150, 4, 125, 0, 0.75f, 1.25f, 1.0f, {1, 1, -1.25f, 0}},
  };
  for (const ProjectionCase& c : cases) {
    SCOPED_TRACE(c.name);
    DS_CloudFX d;
    d.m_Projection.m_Perspective.Set(c.perspective);
    d.m_Projection.m_Height.Set(c.height);
    d.m_Projection.m_TextureOffset.Set(c.offset);
    d.m_Projection.m_Flip.Set(c.flip);
    Described<DS_CloudFX> r(d);
    r.Render();
    ExpectValues(r.effect, "PX_Transform", {c.px});
    ExpectValues(r.effect, "PY_TransformH", {c.pyH});
    ExpectValues(r.effect, "PY_TransformZ", {c.pyZ});
    ExpectValues(r.effect, "tex_shift", c.texShift);
  }
}

struct ShiftCase {
  const char* name;
  UINT wl, hl;
  D3DXVECTOR3 c[4];
  std::vector<float> shift;
};

TEST(CloudParameters, TheMaskShiftIsTheRegionAsFractionsOfThePicture) {
  const ShiftCase cases[] = {
      {"a rectangle on 800 x 600", 800, 600,
       {{100, 50, 0}, {100, 250, 0}, {500, 50, 0}, {500, 250, 0}},
       {0.5f, 0.125f, 0.33333f, 0.08333f}},
      // Widths from corners 0 and 2, heights from corners 2 and 3, the corner from 0.
      {"a skewed quad on 400 x 200", 400, 200,
       {{10, 20, 0}, {0, 200, 0}, {300, 40, 0}, {330, 260, 0}},
       {0.725f, 0.025f, 1.1f, 0.1f}},
      // A layout without a picture size divides by 1, not by 0.
      {"no picture size", 0, 0,
       {{10, 20, 0}, {0, 200, 0}, {300, 40, 0}, {330, 260, 0}},
       {290.0f, 10.0f, 220.0f, 20.0f}},
  };
  for (const ShiftCase& c : cases) {
    SCOPED_TRACE(c.name);
    tw_test::PictureSize picture(c.wl, c.hl);
    DS_CloudFX d;
    SetRegion(d, c.c[0], c.c[1], c.c[2], c.c[3]);
    // Without a device there is no grid to fill; the shift is still worked out.
    d.BuildRegionMesh();
    Described<DS_CloudFX> r(d);
    r.Render();
    ExpectValues(r.effect, "mask_tex_shift", c.shift);
  }
}

TEST(CloudParameters, TheCloudDriftsAgainstItsDirectionByTheEffectTime) {
  struct Case {
    unsigned angle;
    float vx, vy;
  };
  // Direction (cos a, -sin a); "Velocity" = -direction x t at t = 2.
  const Case cases[] = {{0, -2.0f, 0.0f}, {90, 0.0f, 2.0f}, {180, 2.0f, 0.0f}, {270, 0.0f, -2.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    DS_CloudFX d;
    d.m_Angle.Set(c.angle);
    // Stored 10000 x 0.001 = 10 per second; one step of 0.2 s gives effect time 2.
    d.m_Speed.Set(10000u);
    d.UpdateFrame(0.2f);
    ASSERT_NEAR(d.EffectTime(), 2.0f, kNear);
    Described<DS_CloudFX> r(d);
    r.Render();
    ExpectValues(r.effect, "Velocity", {c.vx, c.vy});
  }
}

TEST(CloudParameters, EveryParameterIsPassedBeforeTheDraw) {
  tw_test::PictureSize picture(800, 600);
  DS_CloudFX d;
  d.m_Colour1.Store(0x336699);  // red 0x99, green 0x66, blue 0x33
  d.m_Colour2.Store(0xFF00CC);
  d.m_Threshold.Set(50u);
  d.m_Density.Set(25u);
  d.m_Scale.Set(125u);  // 1.0
  d.m_TechniqueMode.Store(1);
  ComRef<IDirect3DTexture9> none;
  d.LoadResources(none);
  Described<DS_CloudFX> r(d);
  r.Render(800, 600);
  ExpectValues(r.effect, "Scale", {800.0f / 600.0f, 1.0f});
  ExpectValues(r.effect, "Threshold", {2.0f});
  ExpectValues(r.effect, "Density", {0.5f});
  ExpectValues(r.effect, "ColorK1", {0.6f, 0.4f, 0.2f});
  ExpectValues(r.effect, "ColorK2", {0.8f, 0.0f, 1.0f});
  ExpectValues(r.effect, "Velocity", {0.0f, 0.0f});
  EXPECT_TRUE(r.effect.textureOf.count("Mask"));
  // The cloud frames are empty here (no store): "Background" is null, not a frame past the
  // end of the set.
  ASSERT_TRUE(r.effect.textureOf.count("Background"));
  EXPECT_EQ(r.effect.textureOf.at("Background"), nullptr);
  // Technique mode 1: "MainFX" over the picture quad, after every parameter.
  EXPECT_EQ(r.effect.technique, "MainFX");
  EXPECT_EQ(r.calls, "Draw");
  EXPECT_EQ(r.effect.log.substr(r.effect.log.rfind('|') + 2), "SetTechnique MainFX");
}

TEST(CloudParameters, TheDefaultScaleIsAZoomOfZeroPointFour) {
  DS_CloudFX d;
  Described<DS_CloudFX> r(d);
  r.Render(1600, 1200);
  ExpectValues(r.effect, "Scale", {(1600.0f / 1200.0f) / 0.4f, 2.5f});
}

TEST(CloudParameters, ACloudLinkWithoutTexturesPassesANullBackground) {
  g_DocResManager = new DS_DocResManager();
  DS_CloudFX d;
  d.m_CloudLink.StoreKey(L"clouds\\missing.png", 5);
  ComRef<IDirect3DTexture9> none;
  d.LoadResources(none);
  EXPECT_TRUE(d.m_CloudFrames.IsEmpty());
  // An index left past the end of the (empty) frames must not be read.
  d.m_CloudFrames.frame = 3;
  {
    Described<DS_CloudFX> r(d);
    r.Render();
    ASSERT_TRUE(r.effect.textureOf.count("Background"));
    EXPECT_EQ(r.effect.textureOf.at("Background"), nullptr);
  }
  delete g_DocResManager;
  g_DocResManager = nullptr;
}

TEST(CloudParameters, ValuesThatWouldDivideByZeroStayFinite) {
  tw_test::PictureSize picture(0, 0);
  DS_CloudFX d;
  d.m_Scale.Set(0u);  // a scale read as 0
  d.m_Projection.m_Perspective.SetScale(0.02f, -1.0f);
  d.m_Projection.m_Perspective.Set(50u);  // derived 0
  ASSERT_EQ(d.m_Projection.m_Perspective.Derived(), 0.0f);
  d.m_Projection.m_Height.Set(8u);
  SetRegion(d, {10, 20, 0}, {10, 220, 0}, {110, 20, 0}, {110, 220, 0});
  d.BuildRegionMesh();
  d.m_Speed.Set(1000u);
  d.UpdateFrame(0.2f);
  Described<DS_CloudFX> r(d);
  r.Render(0, 0);
  ExpectFinite(r.effect);
  // A scale of 0 stands for 1; a perspective of 0 divides by 1: (0 - 1) / 1, 2 / 1 + 1.
  ExpectValues(r.effect, "Scale", {0.0f, 1.0f});
  ExpectValues(r.effect, "PX_Transform", {-1.0f});
  ExpectValues(r.effect, "PY_TransformH", {3.0f});
  ExpectValues(r.effect, "mask_tex_shift", {100.0f, 10.0f, 200.0f, 20.0f});
}

TEST(CloudParameters, WithoutAnEffectNothingIsDrawn) {
  tw_test::PictureSize picture(800, 600);
  for (int mode : {0, 1}) {
    DS_CloudFX cloud;
    cloud.m_TechniqueMode.Store(mode);
    DS_PerspectiveFX perspective;
    perspective.m_TechniqueMode.Store(mode);
    RecordingRender layer;
    cloud.Render(layer);
    perspective.Render(layer);
    EXPECT_TRUE(layer.calls.empty()) << layer.Sequence();
  }
}

TEST(CloudParameters, ACopyKeepsEveryValueItsFactorsTheFramesAndTheShift) {
  tw_test::PictureSize picture(800, 600);
  DS_CloudFX d;
  d.m_Colour1.Store(0x123456);
  d.m_Colour2.Store(0x654321);
  d.m_CloudLink.StoreKey(L"c.png", 7);
  d.m_SecondLink.StoreKey(L"d.png", 8);
  d.m_Threshold.Set(10u);
  d.m_Density.Set(20u);
  d.m_Projection.m_Perspective.Set(30u);
  d.m_Projection.m_Height.Set(4u);
  d.m_Projection.m_TextureOffset.Set(5u);
  d.m_Projection.m_Flip.Set(1);
  d.m_Projection.m_Fifth.SetScale(0.5f, 2.0f);
  d.m_Projection.m_Fifth.Set(6u);
  d.m_Projection.m_Sixth.Set(7u);
  d.m_Angle.Set(90u);
  d.m_CloudFrames.frame = 2;
  d.m_CloudFrames.delays = {0.5f, 0.25f};
  SetRegion(d, {100, 50, 0}, {100, 250, 0}, {500, 50, 0}, {500, 250, 0});
  d.BuildRegionMesh();
  std::unique_ptr<DS_FX_Constructor> clone(d.Clone());
  auto* c = dynamic_cast<DS_CloudFX*>(clone.get());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->m_Colour1.Get(), 0x123456ul);
  EXPECT_EQ(c->m_Colour2.Get(), 0x654321ul);
  EXPECT_EQ(c->m_CloudLink.Stamp(), 7);
  EXPECT_EQ(c->m_SecondLink.Path(), L"d.png");
  EXPECT_FLOAT_EQ(c->m_Threshold.Derived(), 1.2f);
  EXPECT_FLOAT_EQ(c->m_Density.Derived(), 0.4f);
  EXPECT_FLOAT_EQ(c->m_Projection.m_Perspective.Derived(), 1.6f);
  EXPECT_FLOAT_EQ(c->m_Projection.m_Height.Derived(), 1.0f);
  EXPECT_FLOAT_EQ(c->m_Projection.m_TextureOffset.Derived(), 0.05f);
  EXPECT_EQ(c->m_Projection.m_Flip.Get(), 1);
  EXPECT_FLOAT_EQ(c->m_Projection.m_Fifth.Derived(), 5.0f);  // 2 + 6 x 0.5
  EXPECT_FLOAT_EQ(c->m_Projection.m_Sixth.Derived(), 0.07f);
  EXPECT_NEAR(c->m_Direction.y, -1.0f, kNear);
  EXPECT_EQ(c->m_CloudFrames.frame, 2);
  EXPECT_EQ(c->m_CloudFrames.delays, (std::vector<float>{0.5f, 0.25f}));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(c->m_MaskTexShift[i], d.m_MaskTexShift[i]);
  EXPECT_FLOAT_EQ(c->m_MaskTexShift[0], 0.5f);
}

// ---------------------------------------------------------------------------------------
// The perspective

struct TiltCase {
  const char* name;
  unsigned depth;      // stored
  float time;          // effect time
  float fadeInAlpha;   // 1: always shown; else the alpha within a fade-in interval
  float amplitude;
  float pAmplitude[3];  // swing stored 3 (30), modes 0, 1, 2
};

TEST(PerspectiveParameters, TheTiltFollowsAlphaTimesTheSineOfTheEffectTime) {
  const TiltCase cases[] = {
      // e = 1, g = 1, f = 1 / 2: 1/2 + 0 - 1.
      {"depth 2 at a quarter turn", 500, kPi / 2, 1.0f, -0.5f, {30.0f, -30.0f, 30.0f}},
      // e = -1: g and -g keep their sign, e does not.
      {"depth 2 at three quarters", 500, 3 * kPi / 2, 1.0f, -0.5f, {30.0f, -30.0f, -30.0f}},
      // e = 0.5, g = 0.25: 0.5 + 0.75 x 0.5 - 1.
      {"depth 2 at sin t = 0.5", 500, kPi / 6, 1.0f, -0.125f, {7.5f, -7.5f, 15.0f}},
      // alpha 0.5, sin t = 1: e = 0.5 again; p_amplitude carries a second alpha.
      {"depth 2 at alpha 0.5", 500, kPi / 2, 0.5f, -0.125f, {3.75f, -3.75f, 7.5f}},
      // Depth 1 never shortens the picture.
      {"depth 1", 0, kPi / 2, 1.0f, 0.0f, {30.0f, -30.0f, 30.0f}},
      {"at rest", 500, 0.0f, 1.0f, 0.0f, {0.0f, 0.0f, 0.0f}},
  };
  for (const TiltCase& c : cases) {
    for (int mode = 0; mode < 3; ++mode) {
      SCOPED_TRACE(std::string(c.name) + ", swing mode " + std::to_string(mode));
      DS_PerspectiveFX d;
      d.m_Depth.Set(c.depth);
      d.m_Swing.Set(3u);
      d.m_SwingMode.Set(mode);
      d.m_Speed.ResetClock(c.time);
      if (c.fadeInAlpha < 1.0f) {
        // A fade-in from 0 to 2 s, looked at where it has come as far as wanted.
        d.TimeLine().m_Mode.Store(DS_TimeLineControl::kModeIntervals);
        ASSERT_TRUE(d.TimeLine().AddInterval(DS_TimeInterval{0.0f, 10.0f, 2.0f, 10.0f}));
        d.TimeLine().SetLoopTime(2.0f * c.fadeInAlpha);
      }
      ASSERT_NEAR(d.Alpha(), c.fadeInAlpha, kNear);
      Described<DS_PerspectiveFX> r(d);
      r.Render();
      ExpectValues(r.effect, "amplitude", {c.amplitude});
      ExpectValues(r.effect, "p_amplitude", {c.pAmplitude[mode]});
    }
  }
}

TEST(PerspectiveParameters, AtItsDefaultsThePerspectivePassesNoTilt) {
  DS_PerspectiveFX d;
  d.m_Speed.ResetClock(1.0f);
  Described<DS_PerspectiveFX> r(d);
  r.Render();
  ExpectValues(r.effect, "amplitude", {0.0f});
  ExpectValues(r.effect, "p_amplitude", {0.0f});
}

TEST(PerspectiveParameters, ADepthOfZeroDividesByOne) {
  DS_PerspectiveFX d;
  d.m_Depth.SetScale(0.0f, 0.0f);
  ASSERT_EQ(d.m_Depth.Derived(), 0.0f);
  d.m_Speed.ResetClock(kPi / 2);
  Described<DS_PerspectiveFX> r(d);
  r.Render();
  ExpectFinite(r.effect);
  ExpectValues(r.effect, "amplitude", {0.0f});  // f = 1: 1 + 0 - 1
}

TEST(PerspectiveParameters, TheLineParametersComeBeforeTheTiltAndTheDraw) {
  tw_test::PictureSize picture(800, 600);
  g_StageView = new DS_StageView();
  g_StageView->pictureWidth = 800.0f;
  g_StageView->pictureHeight = 600.0f;
  {
    DS_PerspectiveFX d;
    d.m_TechniqueMode.Store(1);
    d.m_Centre.Store(D3DXVECTOR3(400, 300, 0));
    d.m_Depth.Set(500u);
    d.m_Speed.ResetClock(kPi / 2);
    ComRef<IDirect3DTexture9> none;
    d.LoadResources(none);
    Described<DS_PerspectiveFX> r(d);
    r.Render(1600, 1200);
    ExpectValues(r.effect, "Scale", {1.33333f, 1.0f, 0.75f, 1.0f});
    ExpectValues(r.effect, "Center", {0.5f, 0.5f});
    ExpectValues(r.effect, "Ln", {0.0f, 1.0f, -0.5f});
    ExpectValues(r.effect, "n", {1.0f, 0.0f});
    ExpectValues(r.effect, "t", {0.0f, -1.0f});
    EXPECT_TRUE(r.effect.Has("Lt"));
    EXPECT_TRUE(r.effect.textureOf.count("Mask"));
    EXPECT_TRUE(r.effect.textureOf.count("Background"));
    ExpectValues(r.effect, "amplitude", {-0.5f});
    EXPECT_EQ(r.effect.technique, "MainFX");
    EXPECT_EQ(r.calls, "Draw");
    EXPECT_EQ(r.effect.log.substr(r.effect.log.rfind('|') + 2), "SetTechnique MainFX");
  }
  delete g_StageView;
  g_StageView = nullptr;
}

}  // namespace
