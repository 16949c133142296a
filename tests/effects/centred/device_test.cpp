// The centred distortion effects on a real device under Wine, each drawn by its brush
// object through the real layer (DS_2D_Light) and read back: the layer shows a 320 x 200
// coordinate picture over the 320 x 200 target (red grows with x, green with y), so the
// colour of a pixel names the picture point that the effect read there. The effect sources
// are filed in the resource store as documents file them (the module's under its links).
#include "effects/CentredDistortion.h"

#include "centred_fixtures.h"
#include "core/document/ResourceModule.h"
#include "core/render/StageView.h"
#include "tests/support/SceneDevice.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr UINT kW = 320, kH = 200;
constexpr float kPi = 3.1415927f;

using tw_test::Rgb;

// The picture point (pixel centres at whole numbers) whose colour a read there gives.
Rgb PictureAt(float x, float y) {
  x = std::fmin(std::fmax(x, 0.0f), float(kW - 1));
  y = std::fmin(std::fmax(y, 0.0f), float(kH - 1));
  return Rgb{int(std::lround(x * 255.0f / float(kW - 1))), int(std::lround(y * 255.0f / float(kH - 1))), 64};
}

class CentredDevice : public tw_test::SceneDeviceTest {
protected:
  CentredDevice() : SceneDeviceTest(kW, kH) {}

  void SetUp() override {
    SceneDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    StorePicture(L"coordinates.png", MakeTexture(kW, kH, [](UINT x, UINT y) {
                   const Rgb c = PictureAt(float(x), float(y));
                   return D3DCOLOR(0xFF000000u | c.r << 16 | c.g << 8 | c.b);
                 }));
    MakeLayer(L"coordinates.png");
    g_ScreenLayout.pictureWidth = kW;
    g_ScreenLayout.pictureHeight = kH;
    g_StageView->pictureWidth = float(kW);
    g_StageView->pictureHeight = float(kH);
    StoreEffectSource(DS_LinkKey(kResourceModuleName, ModuleId::kExpandEffect), kFixtureExpandEffect,
                      kFixtureExpandEffectSize);
    StoreEffectSource(DS_LinkKey(kResourceModuleName, ModuleId::kRadialWaveEffect), kFixtureRadialWaveEffect,
                      kFixtureRadialWaveEffectSize);
    StoreEffectSource(DS_LinkKey(L"rotation.fx", 1), kFixtureRotationEffect, kFixtureRotationEffectSize);
    StoreEffectSource(DS_LinkKey(L"bend.fx", 1), kFixtureBendEffect, kFixtureBendEffectSize);
  }

  // The description's runtime object on the slide, its effect clock at t.
  DS_BrushObj* Place(DS_FX_Constructor& d, float t) {
    DS_BrushObj* brush = Add<DS_BrushObj>(d.CreateRuntimeObject());
    EXPECT_NE(brush->FX()->GetEffect(), nullptr) << "the effect did not load";
    brush->FX()->m_Speed.ResetClock(t);
    brush->UpdateFrame(0.0f);
    return brush;
  }

  // The pixel (x, y) shows the picture read at (sx, sy).
  void ExpectRead(UINT x, UINT y, float sx, float sy, int tolerance = 3) {
    SCOPED_TRACE(testing::Message() << "reading (" << sx << ", " << sy << ")");
    ExpectPixel(x, y, PictureAt(sx, sy), tolerance);
  }
};

// At the triangle's top (t = pi) the picture swells by the first extreme (0.25) about the
// centre: a pixel reads the picture three quarters of its way from the centre. The
// centre's own pixel stays, wherever the centre is put.
TEST_F(CentredDevice, ExpandSwellsThePictureAboutItsCentre) {
  struct Case {
    float cx, cy;
    int mode;
  };
  for (const Case& c : {Case{120.0f, 100.0f, 0}, Case{200.0f, 80.0f, 1}}) {
    SCOPED_TRACE(testing::Message() << "centre (" << c.cx << ", " << c.cy << "), mode " << c.mode);
    DS_ExpandFX d;
    d.m_Centre.Store(D3DXVECTOR3(c.cx, c.cy, 0.0f));
    d.m_TechniqueMode.Store(c.mode);
    Place(d, kPi);
    DrawFrame();
    // Within 100 pixels of the centre (half the picture's height), where the swelling acts
    // fully.
    const int offsets[][2] = {{0, 0}, {80, 0}, {-80, 0}, {0, 60}, {0, -60}, {-60, 60}, {48, -64}};
    for (const auto& o : offsets) {
      const float x = c.cx + float(o[0]), y = c.cy + float(o[1]);
      ExpectRead(UINT(x), UINT(y), c.cx + 0.75f * float(o[0]), c.cy + 0.75f * float(o[1]));
    }
    m_Objects.clear();
  }
}

// Rings about the centre (160, 100): at the default background scale distances count in
// picture widths alike both ways, and a pixel at d pixels from the centre reads the
// picture 0.02 x 320 x sin(d / 320 x frequency - time) = 6.4 sin(...) pixels farther out.
TEST_F(CentredDevice, RadialWaveRunsRingsFromItsCentre) {
  DS_RadialWaveFX d;
  d.m_Amplitude.Set(80u);     // 0.02
  d.m_Wavelength.Set(300u);   // 0.031: frequency 32.258
  d.m_Outward.Store(1);
  d.m_Centre.Store(D3DXVECTOR3(160.0f, 100.0f, 0.0f));
  Place(d, 10.0f);  // time 0.8
  DrawFrame();
  const float frequency = 1.0f / 0.031f, time = 0.8f;
  for (int dist : {20, 37, 55, 75, 90}) {
    SCOPED_TRACE(dist);
    const float push = 6.4f * std::sin(float(dist) / 320.0f * frequency - time);
    ExpectRead(160 + dist, 100, 160.0f + float(dist) + push, 100.0f);
    ExpectRead(160 - dist, 100, 160.0f - float(dist) - push, 100.0f);
    // Vertically 0.625 x dist / 200 = dist / 320 picture widths: the same ring.
    ExpectRead(160, UINT(100 + dist), 160.0f, 100.0f + float(dist) + push);
  }
}

// A quarter turn (t = pi / 2) about (160, 100). Measured in picture heights over the
// scale (x 320 / 200 / s, y / s), turned by coord_transf and brought back to picture units
// (x 200 / 320), the pixel at centre + (dx, dy) reads the picture at centre + M (dx, dy):
// zoom 1: (-dy, dx); zoom 2: coord_transf (0, 2, -0.5, 0), (-dy / 2, 2 dx); zoom 2 at angle
// 90: (0, 0.5, -2, 0), (-2 dy, dx / 2); scale 2 magnifies: (-dy / 2, dx / 2).
TEST_F(CentredDevice, RotationTurnsThePictureAboutItsCentre) {
  struct Case {
    const char* what;
    unsigned zoom, angle, scale;
    float m[4];  // read offset = (m0 dx + m1 dy, m2 dx + m3 dy)
  };
  const Case cases[] = {
      {"zoom 1", 1000, 0, 50, {0.0f, -1.0f, 1.0f, 0.0f}},
      {"zoom 2", 2000, 0, 50, {0.0f, -0.5f, 2.0f, 0.0f}},
      {"zoom 2 at angle 90", 2000, 90, 50, {0.0f, -2.0f, 0.5f, 0.0f}},
      {"scale 2", 1000, 0, 100, {0.0f, -0.5f, 0.5f, 0.0f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_RotationFX d;
    d.m_EffectLink.StoreKey(L"rotation.fx", 1);
    d.m_Zoom.Set(c.zoom);
    d.m_Angle.Store(c.angle);
    d.m_Scale.Set(c.scale);
    d.m_Centre.Store(D3DXVECTOR3(160.0f, 100.0f, 0.0f));
    Place(d, kPi / 2.0f);
    DrawFrame();
    const int offsets[][2] = {{0, 0}, {40, 0}, {0, -30}, {-30, 20}, {36, 25}};
    for (const auto& o : offsets) {
      const float dx = float(o[0]), dy = float(o[1]);
      ExpectRead(UINT(160 + o[0]), UINT(100 + o[1]), 160.0f + c.m[0] * dx + c.m[1] * dy,
                 100.0f + c.m[2] * dx + c.m[3] * dy);
    }
    m_Objects.clear();
  }

  // Under a colour fade at alpha 0.5 the turned picture lies half over the picture:
  // (200, 100) reads (160, 140) and shows it half over itself.
  DS_RotationFX faded;
  faded.m_EffectLink.StoreKey(L"rotation.fx", 1);
  faded.m_Zoom.Set(1000u);
  faded.m_Centre.Store(D3DXVECTOR3(160.0f, 100.0f, 0.0f));
  faded.TimeLine().m_FadeTarget.Store(DS_TimeLineControl::kFadeColorAlpha);
  faded.TimeLine().m_Mode.Store(DS_TimeLineControl::kModeIntervals);
  DS_TimeInterval interval;
  interval.end = 10.0f;
  ASSERT_TRUE(faded.TimeLine().AddInterval(interval));
  Place(faded, kPi / 2.0f)->FX()->TimeLine().SetLoopTime(5.0f);
  DrawFrame();
  const Rgb turned = PictureAt(160.0f, 140.0f), under = PictureAt(200.0f, 100.0f);
  ExpectPixel(200, 100, Rgb{(turned.r + under.r) / 2, (turned.g + under.g) / 2, 64}, 3);
}

// The bend over the region x 80..240, y 50..150 about (160, 100), at the top of its swing
// (t = pi / 2: angle = the first extreme, 0.5): with bend 0 the region turns as a whole by
// 0.5 radians, each pixel reading centre + R(0.5) (dx, dy); with bend 1 the turn grows
// with the distance r (in picture heights): 0.5 r. Outside the region the picture stays
// under technique mode 0 ("Main", the region grid); mode 1 ("MainFX") bends it all. Scale
// 2 halves r; a mask white left of x = 140 holds the bend back there (the region grid's
// texture coordinates sit half a pixel off the pixel centres, so no probe is near its edge).
TEST_F(CentredDevice, BendTurnsItsRegionAboutTheCentre) {
  struct Case {
    const char* what;
    unsigned bend;  // stored, x 0.01
    int mode;
    unsigned scale;
    bool masked;
  };
  const Case cases[] = {{"bend 0, region", 0, 0, 50, false},
                        {"bend 1, region", 100, 0, 50, false},
                        {"bend 1, scale 2", 100, 0, 100, false},
                        {"bend 0, whole picture", 0, 1, 50, false},
                        {"bend 0, masked on the left", 0, 0, 50, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_BendFX d;
    d.m_EffectLink.StoreKey(L"bend.fx", 1);
    d.m_FirstExtreme.Set(250u);  // 0.5
    d.m_Bend.Set(c.bend);
    d.m_TechniqueMode.Store(c.mode);
    d.m_Scale.Set(c.scale);
    d.m_Centre.Store(D3DXVECTOR3(160.0f, 100.0f, 0.0f));
    if (c.masked) {
      StoreGuidPicture(d.m_MaskKey, MakeTexture(kW, kH, [](UINT x, UINT) {
                         return x < 140 ? D3DCOLOR(0xFFFFFFFF) : D3DCOLOR(0xFF000000);
                       }));
    }
    for (int i = 0; i < 4; ++i) {
      const float x = (i < 2) ? 80.0f : 240.0f, y = (i % 2 == 0) ? 50.0f : 150.0f;
      d.m_Region.corners[i].Store(D3DXVECTOR3(x, y, 0.0f));
    }
    DS_BrushObj* brush = Place(d, kPi / 2.0f);
    EXPECT_EQ(brush->FX()->m_Grid.columns, 2u);
    EXPECT_EQ(brush->FX()->m_Grid.rows, 2u);
    DrawFrame();
    const int offsets[][2] = {{0, 0}, {40, 0}, {0, -30}, {-50, 25}, {60, 35}};
    for (const auto& o : offsets) {
      const float dx = float(o[0]), dy = float(o[1]);
      const float r = std::sqrt(dx * dx + dy * dy) / 200.0f / (float(c.scale) / 50.0f);
      const float phi = c.bend ? 0.5f * r : 0.5f;
      if (c.masked && o[0] < 0) {
        ExpectRead(UINT(160 + o[0]), UINT(100 + o[1]), 160.0f + dx, 100.0f + dy);
        continue;
      }
      ExpectRead(UINT(160 + o[0]), UINT(100 + o[1]), 160.0f + dx * std::cos(phi) - dy * std::sin(phi),
                 100.0f + dx * std::sin(phi) + dy * std::cos(phi));
    }
    // Outside the region, (20, 20) is pushed away from the centre only when the whole
    // picture bends.
    const float dx = -140.0f, dy = -80.0f;
    if (c.mode == 0) {
      ExpectRead(20, 20, 20.0f, 20.0f, 1);
    } else {
      ExpectRead(20, 20, 160.0f + dx * std::cos(0.5f) - dy * std::sin(0.5f),
                 100.0f + dx * std::sin(0.5f) + dy * std::cos(0.5f));
    }
    m_Objects.clear();
  }
}

}  // namespace
