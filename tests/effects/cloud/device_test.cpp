// The cloud and perspective effects on a real device under Wine, through the real layer
// (DS_2D_Light) and the effects that documents carry (tools/demo/effects/cloud.fx and
// perspective.fx), read back pixel by pixel. The layer shows a 320 x 200 picture over the
// 320 x 200 target, so picture pixels are back-buffer pixels. Every parameter the classes
// pass is shown acting, in both techniques where they differ.
#include "effects/CloudPerspective.h"

#include "cloud_fixtures.h"
#include "core/document/DocResManager.h"
#include "core/render/StageView.h"
#include "layers/DS_2D_Light.h"
#include "tests/support/SceneDevice.h"

#include <d3d9.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kW = 320, kH = 200;
constexpr float kPi = 3.1415927f;

using tw_test::Rgb;

const DS_LinkKey kCloudEffect(L"effects\\cloud.fx", 1);
const DS_LinkKey kPerspectiveEffect(L"effects\\perspective.fx", 1);

struct Probe {
  UINT x, y;
  Rgb colour;
};

// ---------------------------------------------------------------------------------------
// The cloud, over a dark picture. Colour values as documents store them: red in the low
// byte. Clouds are tinted blue where thin (colour 1) and red where dense (colour 2).

const Rgb kDark{10, 20, 40};
const Rgb kRed{255, 0, 0};
constexpr unsigned long kRedValue = 0x0000FF, kBlueValue = 0xFF0000;

class CloudDevice : public tw_test::SceneDeviceTest {
protected:
  void SetUp() override {
    SceneDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    StorePicture(L"dark.png", Solid(kW, kH, 0xFF0A1428));
    // Cloud pictures of 64 x 64: opaque white in the left half, clear in the right; opaque
    // white in the top half; opaque grey 191 (0.749) all over; opaque white all over.
    StorePicture(L"halves.png", MakeTexture(64, 64, [](UINT x, UINT) { return x < 32 ? 0xFFFFFFFFu : 0u; }));
    StorePicture(L"top.png", MakeTexture(64, 64, [](UINT, UINT y) { return y < 32 ? 0xFFFFFFFFu : 0u; }));
    StorePicture(L"grey.png", Solid(64, 64, 0xFFBFBFBF));
    StorePicture(L"white.png", Solid(64, 64, 0xFFFFFFFF));
    StoreEffectSource(kCloudEffect, kFixtureCloudEffect, kFixtureCloudEffectSize);
    MakeLayer(L"dark.png");
  }

  // A cloud over the whole picture at scale 1 ("Scale" (1.6, 1)), full density, red where
  // dense and blue where thin.
  static void Cloud(DS_CloudFX& d, const wchar_t* picture, int technique = 0) {
    d.m_EffectLink.StoreKey(kCloudEffect.path, kCloudEffect.stamp);
    d.m_CloudLink.StoreKey(picture, 1);
    d.m_TechniqueMode.Store(technique);
    d.m_Scale.Set(125u);    // 125 x 0.008 = 1
    d.m_Density.Set(50u);   // 1
    d.m_Colour1.Store(kBlueValue);
    d.m_Colour2.Store(kRedValue);
    Region(d, 0, 0, float(kW), float(kH));
  }
  static void Region(DS_FX_Constructor& d, float l, float t, float r, float b) {
    d.m_Region.corners[0].Store(D3DXVECTOR3(l, t, 0));
    d.m_Region.corners[1].Store(D3DXVECTOR3(l, b, 0));
    d.m_Region.corners[2].Store(D3DXVECTOR3(r, t, 0));
    d.m_Region.corners[3].Store(D3DXVECTOR3(r, b, 0));
  }

  void Draw(DS_FX_Constructor& d) {
    m_Objects.clear();
    Add(d.CreateRuntimeObject());
    DrawFrame();
  }
  void ExpectProbes(std::initializer_list<Probe> probes, int tolerance = 3) {
    for (const Probe& p : probes) ExpectPixel(p.x, p.y, p.colour, tolerance);
  }
};

TEST_F(CloudDevice, TheCloudTilesItsRegionInEitherTechniqueAndLeavesTheRestAlone) {
  for (int technique : {0, 1}) {
    SCOPED_TRACE(technique == 0 ? "Main over the region" : "MainFX over the picture");
    DS_CloudFX d;
    Cloud(d, L"halves.png", technique);
    // x 40 to 280, y 20 to 180: "mask_tex_shift" (0.75, 0.125, 0.8, 0.1). Across the region
    // the cloud coordinate runs 0 to 0.75 x 1.6 = 1.2: opaque halves for x 40 to 140 and
    // x 240 to 280, clear from 140 to 240.
    Region(d, 40, 20, 280, 180);
    Draw(d);
    ExpectProbes({{60, 100, kRed}, {130, 100, kRed}, {150, 100, kDark}, {230, 100, kDark}, {250, 100, kRed},
                  {275, 60, kRed}, {100, 25, kRed}, {100, 175, kRed},
                  // outside the region
                  {30, 100, kDark}, {290, 100, kDark}, {100, 15, kDark}, {100, 185, kDark}});
  }
}

TEST_F(CloudDevice, ThresholdDensityAndBothColoursShapeTheCloud) {
  struct Case {
    const char* name;
    unsigned threshold, density;  // stored
    Rgb want;
  };
  // A grey cloud of value c = 0.749: cover = 1 - (1 - c) x threshold; colour = blue +
  // (red - blue) x cover; opacity = cover x density, over the dark picture (10, 20, 40).
  const Case cases[] = {
      // cover 0.749, opacity 0.749: red 0.749 x 0.749 x 255 + 10 x 0.251, green 20 x 0.251,
      // blue 0.251 x 0.749 x 255 + 40 x 0.251.
      {"threshold 1, density 1", 0, 50, {146, 5, 58}},
      // cover 1 - 0.251 x 2 = 0.498, opacity 0.498.
      {"threshold 2", 50, 50, {68, 10, 84}},
      // cover 0.749, opacity 0.375.
      {"density 0.5", 0, 25, {78, 13, 49}},
      // opacity 1.498, saturated to 1: the tint alone.
      {"density 2", 0, 100, {191, 0, 64}},
      // cover 1 - 0.251 x 4 < 0: nothing.
      {"threshold 4", 150, 50, kDark},
      {"density 0", 0, 0, kDark},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DS_CloudFX d;
    Cloud(d, L"grey.png");
    d.m_Threshold.Set(c.threshold);
    d.m_Density.Set(c.density);
    Draw(d);
    ExpectProbes({{50, 50, c.want}, {250, 150, c.want}});
  }
}

TEST_F(CloudDevice, TheCloudDriftsAgainstItsVelocityAndScaleZoomsIt) {
  struct Case {
    const char* name;
    unsigned speed, angle, scale;  // stored
    Rgb at25, at125, at175, at225;
  };
  // The cloud coordinate across the picture: 1.6 u / s - velocity x. At rest and scale 1
  // the opaque halves cover x 0 to 100 and 200 to 300.
  const Case cases[] = {
      {"at rest", 0, 0, 125, kRed, kDark, kDark, kRed},
      // Effect time 0.25 at angle 0: "Velocity" (-0.25, 0), the cloud 50 pixels further
      // right: opaque from 50 to 150 and from 250.
      {"drifting right", 1250, 0, 125, kDark, kRed, kDark, kDark},
      // Angle 180: (0.25, 0), 50 pixels left: opaque to 50, from 150 to 250.
      {"drifting left", 1250, 180, 125, kRed, kDark, kRed, kRed},
      // Angle 90 drifts up, along which this cloud does not change.
      {"drifting up", 1250, 90, 125, kRed, kDark, kDark, kRed},
      // Scale 2 (stored 250): 0.8 u, one opaque half from 0 to 200.
      {"scale 2", 0, 0, 250, kRed, kRed, kRed, kDark},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DS_CloudFX d;
    Cloud(d, L"halves.png");
    d.m_Angle.Set(c.angle);
    d.m_Scale.Set(c.scale);
    d.m_Speed.Set(c.speed);  // x 0.001 per second
    d.UpdateFrame(0.2f);
    Draw(d);
    ExpectProbes({{25, 100, c.at25}, {125, 100, c.at125}, {175, 100, c.at175}, {225, 100, c.at225}});
  }
}

TEST_F(CloudDevice, TheProjectionBendsFlipsAndShiftsTheCloud) {
  struct Case {
    const char* name;
    const wchar_t* picture;
    unsigned perspective, height, offset;  // stored
    int flip;
    std::vector<Probe> probes;
  };
  const Case cases[] = {
      // The top half opaque: y = v, opaque above 100.
      {"top, as it is", L"top.png", 0, 0, 0, 0, {{160, 40, kRed}, {160, 90, kRed}, {160, 115, kDark}, {160, 170, kDark}}},
      // Flipped: y = 1 - v, opaque below 100.
      {"top, flipped", L"top.png", 0, 0, 0, 1,
       {{160, 40, kDark}, {160, 90, kDark}, {160, 115, kRed}, {160, 170, kRed}}},
      // Offset 0.25: y = v - 0.25, opaque from 50 to 150.
      {"top, offset 0.25", L"top.png", 0, 0, 25, 0,
       {{160, 40, kDark}, {160, 60, kRed}, {160, 140, kRed}, {160, 170, kDark}}},
      // Height 1: y = v / (2 - v), opaque above v = 2/3 (133).
      {"top, height 1", L"top.png", 0, 4, 0, 0, {{160, 90, kRed}, {160, 115, kRed}, {160, 125, kRed}, {160, 145, kDark}}},
      // Perspective 2: x = (u - 0.5) / (1 - v / 2) + 0.5. The edge of the left half
      // (1.6 x = 0.5, at x 100 without perspective) lies at x 102 in row 10, 115 in row 100
      // and 129 in row 190.
      {"halves, perspective 2", L"halves.png", 50, 0, 0, 0,
       {{96, 10, kRed}, {108, 10, kDark}, {108, 100, kRed}, {122, 100, kDark}, {122, 190, kRed}, {136, 190, kDark}}},
      {"halves, as it is", L"halves.png", 0, 0, 0, 0,
       {{96, 10, kRed}, {108, 10, kDark}, {108, 100, kDark}, {122, 190, kDark}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DS_CloudFX d;
    Cloud(d, c.picture);
    d.m_Projection.m_Perspective.Set(c.perspective);
    d.m_Projection.m_Height.Set(c.height);
    d.m_Projection.m_TextureOffset.Set(c.offset);
    d.m_Projection.m_Flip.Set(c.flip);
    Draw(d);
    for (const Probe& p : c.probes) ExpectPixel(p.x, p.y, p.colour, 3);
  }
}

TEST_F(CloudDevice, TheMaskHoldsTheCloudBackWhereItIsWhiteAtPictureCoordinates) {
  for (int technique : {0, 1}) {
    SCOPED_TRACE(technique == 0 ? "Main over the region" : "MainFX over the picture");
    DS_CloudFX d;
    Cloud(d, L"white.png", technique);
    Region(d, 40, 20, 280, 180);
    // White left of x 100 of the picture. Read at the region's own coordinate the edge
    // would land at x 115 instead.
    StoreGuidPicture(d.m_MaskKey, MakeTexture(32, 20, [](UINT x, UINT) { return x < 10 ? 0xFFFFFFFFu : 0xFF000000u; }));
    Draw(d);
    ExpectProbes({{60, 100, kDark}, {90, 100, kDark}, {108, 100, kRed}, {200, 100, kRed}, {30, 100, kDark}});
  }
}

TEST_F(CloudDevice, ACloudLinkWithoutAPictureLeavesThePictureAsItIs) {
  DS_CloudFX d;
  Cloud(d, L"missing.png");
  Draw(d);
  ExpectProbes({{50, 50, kDark}, {250, 150, kDark}}, 0);
}

// ---------------------------------------------------------------------------------------
// The perspective, over a picture in four parts: A above y 150 and left of x 240, B right
// of it; C below y 150 on the left, D on the right. The line runs through the centre
// (160, 100) of the 320 x 200 stage picture: with angle 0 it is the row y 100, across it
// d = y / 200 - 0.5; along it the distance is x / 320 - 0.5.

const Rgb kA{200, 100, 50}, kB{40, 200, 120}, kC{250, 230, 20}, kD{30, 30, 200};

class PerspectiveDevice : public tw_test::SceneDeviceTest {
protected:
  void SetUp() override {
    SceneDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    StorePicture(L"parts.png", MakeTexture(kW, kH, [](UINT x, UINT y) {
                   if (y < 150) return x < 240 ? 0xFFC86432u : 0xFF28C878u;
                   return x < 240 ? 0xFFFAE614u : 0xFF1E1EC8u;
                 }));
    StoreEffectSource(kPerspectiveEffect, kFixturePerspectiveEffect, kFixturePerspectiveEffectSize);
    MakeLayer(L"parts.png");
  }

  // A perspective about the centre, over the whole picture, at effect time t.
  static void Perspective(DS_PerspectiveFX& d, float t, int technique = 0) {
    d.m_EffectLink.StoreKey(kPerspectiveEffect.path, kPerspectiveEffect.stamp);
    d.m_TechniqueMode.Store(technique);
    d.m_Centre.Store(D3DXVECTOR3(160, 100, 0));
    d.m_Speed.ResetClock(t);
    for (int i = 0; i < 4; ++i)
      d.m_Region.corners[i].Store(D3DXVECTOR3(i < 2 ? 0.0f : float(kW), i % 2 ? float(kH) : 0.0f, 0));
  }
  void Draw(DS_FX_Constructor& d) {
    m_Objects.clear();
    Add(d.CreateRuntimeObject());
    DrawFrame();
  }
};

TEST_F(PerspectiveDevice, AtRestThePictureIsDrawnAsItIs) {
  for (int technique : {0, 1}) {
    SCOPED_TRACE(technique);
    // Depth 2 and swing 30, but sin t = 0: neither shortens nor narrows anything.
    DS_PerspectiveFX d;
    Perspective(d, 0.0f, technique);
    d.m_Depth.Set(500u);
    d.m_Swing.Set(3u);
    Draw(d);
    for (const Probe& p : std::initializer_list<Probe>{{100, 140, kA}, {250, 140, kB}, {100, 160, kC}, {250, 160, kD}})
      ExpectPixel(p.x, p.y, p.colour, 2);
  }
}

TEST_F(PerspectiveDevice, DepthShortensThePictureAcrossTheLineInBothTechniques) {
  for (int technique : {0, 1}) {
    SCOPED_TRACE(technique);
    DS_PerspectiveFX d;
    Perspective(d, kPi / 2, technique);
    d.m_Depth.Set(500u);  // 2: "amplitude" -0.5 at sin t = 1
    Draw(d);
    // Each row reads the row twice as far from the line: y -> 100 + 2 (y - 100). The row
    // 150 shows at 125; rows past 150 read the last row.
    for (const Probe& p : std::initializer_list<Probe>{
             {100, 120, kA}, {100, 130, kC}, {250, 120, kB}, {250, 130, kD}, {100, 60, kA}, {100, 195, kC}})
      ExpectPixel(p.x, p.y, p.colour, 2);
  }
}

TEST_F(PerspectiveDevice, TheLinesAngleAndCentreMoveTheAxis) {
  struct Case {
    const char* name;
    unsigned angle;
    float cy;
    std::vector<Probe> probes;
  };
  const Case cases[] = {
      // Centre row 50: y -> 50 + 2 (y - 50); the row 150 shows at 100.
      {"centre row 50", 0, 50.0f, {{100, 95, kA}, {100, 105, kC}, {250, 105, kD}}},
      // Angle 90: the line is the column x 160; x -> 160 + 2 (x - 160), the column 240
      // shows at 200, and rows keep their places.
      {"angle 90", 90, 100.0f, {{195, 60, kA}, {205, 60, kB}, {205, 160, kD}, {100, 145, kA}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DS_PerspectiveFX d;
    Perspective(d, kPi / 2);
    d.m_Depth.Set(500u);
    d.m_LineDirection.Set(c.angle);
    d.m_Centre.Store(D3DXVECTOR3(160, c.cy, 0));
    Draw(d);
    for (const Probe& p : c.probes) ExpectPixel(p.x, p.y, p.colour, 2);
  }
}

TEST_F(PerspectiveDevice, SwingNarrowsTheFarSideAndItsModeChoosesTheSide) {
  struct Case {
    const char* name;
    int mode;
    float time;
    unsigned scale;  // stored, x 0.02
    Rgb at234, at248;  // row 40
    Rgb at228;         // row 170
  };
  // Depth 1, swing 30: "p_amplitude" +-30, k = 30 x pi / 180 / s. With k = 0.524 the upper
  // side comes near and widens: the column 240 shows at x 252.6 in row 40 and at 225.3 in
  // row 170. With k = -0.524 the other way: at 227.4 in row 40 and 254.7 in row 170. With
  // k = 0.262 (scale 2), at 246.3 in row 40 and 232.7 in row 170.
  const Case cases[] = {
      {"mode 0 at a quarter turn", 0, kPi / 2, 50, kA, kA, kD},
      {"mode 1 at a quarter turn", 1, kPi / 2, 50, kB, kB, kC},
      {"mode 2 at a quarter turn", 2, kPi / 2, 50, kA, kA, kD},
      // sin t = -1: modes 0 and 1 keep their side, mode 2 changes it.
      {"mode 0 at three quarters", 0, 3 * kPi / 2, 50, kA, kA, kD},
      {"mode 1 at three quarters", 1, 3 * kPi / 2, 50, kB, kB, kC},
      {"mode 2 at three quarters", 2, 3 * kPi / 2, 50, kB, kB, kC},
      {"mode 0, scale 2", 0, kPi / 2, 100, kA, kB, kC},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DS_PerspectiveFX d;
    Perspective(d, c.time);
    d.m_Swing.Set(3u);
    d.m_SwingMode.Set(c.mode);
    d.m_Scale.Set(c.scale);
    Draw(d);
    ExpectPixel(234, 40, c.at234, 2);
    ExpectPixel(248, 40, c.at248, 2);
    ExpectPixel(228, 170, c.at228, 2);
    ExpectPixel(160, 100, kA, 2);  // the line itself stays
  }
}

TEST_F(PerspectiveDevice, TheMaskKeepsThePictureWhereWhiteAndMainDrawsOnlyItsRegion) {
  {
    SCOPED_TRACE("mask white on the left");
    DS_PerspectiveFX d;
    Perspective(d, kPi / 2);
    d.m_Depth.Set(500u);
    StoreGuidPicture(d.m_MaskKey, MakeTexture(32, 20, [](UINT x, UINT) { return x < 16 ? 0xFFFFFFFFu : 0xFF000000u; }));
    Draw(d);
    ExpectPixel(100, 130, kA, 2);  // held back: the picture as it is
    ExpectPixel(250, 130, kD, 2);  // shortened
  }
  for (int technique : {0, 1}) {
    SCOPED_TRACE(technique == 0 ? "Main over the left half" : "MainFX over the picture");
    DS_PerspectiveFX d;
    Perspective(d, kPi / 2, technique);
    d.m_Depth.Set(500u);
    for (int i = 2; i < 4; ++i) d.m_Region.corners[i].Store(D3DXVECTOR3(160, i == 2 ? 0.0f : float(kH), 0));
    Draw(d);
    ExpectPixel(100, 130, kC, 2);
    ExpectPixel(250, 130, technique == 0 ? kB : kD, 2);
  }
}

}  // namespace
