// The wave and water effects on a real device under Wine, each drawn by its brush object
// through the real layer (DS_2D_Light) and read back pixel by pixel. The layer shows a
// 256 x 256 coordinate picture (red = x, green = y, blue 200) over the 256 x 256 target,
// so the colour read back at a pixel names the picture point the effect read there. The
// effect sources are filed under their links as documents carry them.
#include "effects/WaveWater.h"

#include "core/document/DocResManager.h"
#include "core/document/ResourceModule.h"
#include "core/render/StageView.h"
#include "layers/DS_2D_Light.h"
#include "tests/support/SceneDevice.h"
#include "water_fixtures.h"

#include <d3d9.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr UINT kSize = 256;
constexpr int kBlue = 200;
constexpr double kPi = 3.14159265358979;

using tw_test::Rgb;

const wchar_t kWaterfallPath[] = L"demo\\waterfall.fx";

// The value a linear read of the coordinate picture gives at coordinate t (0..1).
double ChannelAt(double t) { return std::min(std::max(t * kSize - 0.5, 0.0), 255.0); }

class WaterDevice : public tw_test::SceneDeviceTest {
protected:
  WaterDevice() : SceneDeviceTest(kSize, kSize) {}

  void SetUp() override {
    SceneDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    m_SavedW = g_ScreenLayout.pictureWidth;
    m_SavedH = g_ScreenLayout.pictureHeight;
    g_ScreenLayout.pictureWidth = kSize;
    g_ScreenLayout.pictureHeight = kSize;
    g_StageView->pictureWidth = float(kSize);
    g_StageView->pictureHeight = float(kSize);
    StorePicture(L"coords.png", MakeTexture(kSize, kSize, [](UINT x, UINT y) {
                   return D3DCOLOR(0xFF000000u | (x << 16) | (y << 8) | kBlue);
                 }));
    // A flat normal map: (128, 128, 255) tilts by 1/255 at most.
    StorePicture(L"flat.png", Solid(8, 8, 0xFF8080FF));
    StoreEffectSource(DS_LinkKey(kResourceModuleName, 77), kFixtureWavesEffect, kFixtureWavesEffectSize);
    StoreEffectSource(DS_LinkKey(kResourceModuleName, 88), kFixtureUnderwaterEffect, kFixtureUnderwaterEffectSize);
    StoreEffectSource(DS_LinkKey(kResourceModuleName, 90), kFixtureWaterEffect, kFixtureWaterEffectSize);
    StoreEffectSource(DS_LinkKey(kResourceModuleName, 91), kFixtureMoveEffect, kFixtureMoveEffectSize);
    StoreEffectSource(DS_LinkKey(kWaterfallPath, 1), kFixtureWaterfallEffect, kFixtureWaterfallEffectSize);
    MakeLayer(L"coords.png");
  }
  void TearDown() override {
    SceneDeviceTest::TearDown();
    g_ScreenLayout.pictureWidth = m_SavedW;
    g_ScreenLayout.pictureHeight = m_SavedH;
  }

  // The description's mask: white (held back) on the left half of the picture.
  void MaskLeftHalf(DS_FX_Constructor& d) {
    StoreGuidPicture(d.m_MaskKey, MakeTexture(kSize, kSize, [](UINT x, UINT) {
                       return D3DCOLOR(x < kSize / 2 ? 0xFFFFFFFFu : 0xFF000000u);
                     }));
  }

  // The runtime object of the description on the slide, its clock moved to object time t
  // in steady frames, then one frame drawn.
  DS_BrushObj* DrawAt(DS_FX_Constructor& d, float t) {
    DS_BrushObj* object = Add<DS_BrushObj>(d.CreateRuntimeObject());
    for (float now = 0.1f; now < t; now += 0.1f) object->UpdateFrame(now);
    object->UpdateFrame(t);
    DrawFrame();
    return object;
  }

  // Every 16th pixel (from 8) against the picture read at the displaced coordinate, where
  // `displace(u, v, &du, &dv)`; `inside(x, y)` says where the effect acts (elsewhere the
  // picture shows as it is). Blue is the picture's times `blueFactor`.
  void ExpectDisplaced(const std::function<void(double, double, double*, double*)>& displace,
                       const std::function<bool(UINT, UINT)>& inside = nullptr, double blueFactor = 1.0) {
    int wrong = 0;
    for (UINT y = 8; y < kSize; y += 16) {
      for (UINT x = 8; x < kSize; x += 16) {
        const double u = (x + 0.5) / kSize, v = (y + 0.5) / kSize;
        double du = 0, dv = 0;
        const bool acts = !inside || inside(x, y);
        if (acts) displace(u, v, &du, &dv);
        const Rgb want{int(std::lround(ChannelAt(u + du))), int(std::lround(ChannelAt(v + dv))),
                       int(std::lround(kBlue * (acts ? blueFactor : 1.0)))};
        const Rgb got = Pixel(x, y);
        if (!tw_test::Near(got, want, 2) && ++wrong <= 6)
          ADD_FAILURE() << "at (" << x << ", " << y << ") got " << got << " want " << want;
      }
    }
    EXPECT_EQ(wrong, 0);
  }

  UINT m_SavedW = 0, m_SavedH = 0;
};

// ---------------------------------------------------------------------------------------

// Amplitude 80 (0.02), wavelength 98 (frequency 20), angle 0, mode 0: "direction" (-1, 0),
// "direction_n" (0, 1); at effect time 5 (0.2 s at speed 25) "time" 0.4. Every point is
// pushed along y by 0.02 sin(-20 u + 0.4).
TEST_F(WaterDevice, WavesPushThePictureAcrossTheWaveNormal) {
  DS_WavesFX d;
  d.m_Amplitude.Set(80u);
  d.m_Wavelength.Set(98u);
  DrawAt(d, 0.2f);
  ExpectDisplaced([](double u, double, double*, double* dv) { *dv = 0.02 * std::sin(-20.0 * u + 0.4); });
}

// The mask's white half shows the picture as it is; a scale of 2 doubles the waves' length.
TEST_F(WaterDevice, WavesHeldBackByTheMaskAndStretchedByTheScale) {
  DS_WavesFX d;
  d.m_Amplitude.Set(80u);
  d.m_Wavelength.Set(98u);
  d.m_Scale.Set(100u);  // "Scale" (0.5, 0.5)
  MaskLeftHalf(d);
  DrawAt(d, 0.2f);
  ExpectDisplaced([](double u, double, double*, double* dv) { *dv = 0.02 * std::sin(-10.0 * u + 0.4); },
                  [](UINT x, UINT) { return x >= kSize / 2; });
}

// Amplitude 160 (0.02), wavelength 24 (0.049: d = 20.408); on a square picture "frequency"
// (d, d); at effect time 2.5 "time" 0.2: (du, dv) = 0.02 (sin(20.408 v + 0.2), sin(20.408 u + 0.2)).
TEST_F(WaterDevice, UnderwaterWobblesThePictureBothWays) {
  DS_UnderwaterFX d;
  d.m_Amplitude.Set(160u);
  d.m_Wavelength.Set(24u);
  d.m_TechniqueMode.Store(1);  // drawn as a post pass: "MainFX" over the scene so far
  DrawAt(d, 0.1f);
  const double f = 1.0 / 0.049;
  ExpectDisplaced([f](double u, double v, double* du, double* dv) {
    *du = 0.02 * std::sin(f * v + 0.2);
    *dv = 0.02 * std::sin(f * u + 0.2);
  });
}

// A flat bump map, profile 400 (P = 0.04: "P1" (-0.96, -1, -0.96), h = 7 / 6), first drift
// period 98 (0.05) at angle 0: "Direction1" (-10, 0); at effect time 0.2 "Time" 0.4. The
// wave pushes the picture along Direction1 by 0.04 f: each point reads the picture 0.04 f
// to its left, e = (1 + cos(-10 u + 0.4)) / 2, f = e / (h - (h - 1) e); the colour
// 0x0080FFFF halves blue.
void SetFlatWater(DS_WaterFX& d) {
  d.m_BumpLink.StoreKey(L"flat.png", 1);
  d.m_Angle.Set(0u);
  d.m_Profile.Set(400u);
  d.m_FirstDriftPeriod.Set(98u);
  d.m_Scale.Set(50u);
  d.m_Colour.Set(0x0080FFFFul);
}

void FlatWaterPush(double u, double, double* du, double*) {
  const double h = 7.0 / 6.0;
  const double e = 0.5 + 0.5 * std::cos(-10.0 * u + 0.4);
  *du = -0.04 * e / (h - (h - 1.0) * e);
}

TEST_F(WaterDevice, WaterBendsAndTintsThePicture) {
  DS_WaterFX d;
  SetFlatWater(d);
  DS_BrushObj* object = DrawAt(d, 0.2f);
  EXPECT_NE(static_cast<DS_WaterFX*>(object->FX())->m_BumpTexture.Get(), nullptr);
  ExpectDisplaced(FlatWaterPush, nullptr, 128.0 / 255.0);
}

// The same water held back on the left half by its mask.
TEST_F(WaterDevice, WaterHeldBackByTheMask) {
  DS_WaterFX d;
  SetFlatWater(d);
  MaskLeftHalf(d);
  DrawAt(d, 0.2f);
  ExpectDisplaced(FlatWaterPush, [](UINT x, UINT) { return x >= kSize / 2; }, 128.0 / 255.0);
}

// Amount 250 (0.05), angle 0, second extreme 0, at effect time pi / 2: the displacement
// (-0.05, 0); on a square picture at scale 1 every point reads the picture 0.05 to the left.
TEST_F(WaterDevice, MoveSwaysThePictureAlongItsDirection) {
  DS_MoveFX d;
  d.m_Amount.Set(250u);
  MaskLeftHalf(d);
  DrawAt(d, float(kPi / 2.0));
  ExpectDisplaced([](double, double, double* du, double*) { *du = -0.05; }, [](UINT x, UINT) { return x >= 128; });
}

// ---------------------------------------------------------------------------------------
// The waterfall over the region x 64..192, y 64..192, angle 270 (downwards), speed 1.0.

class WaterfallDevice : public WaterDevice {
protected:
  static void Stream(DS_WaterfallFX& d) {
    d.m_EffectLink.StoreKey(kWaterfallPath, 1);
    d.m_Region.corners[0].Store(D3DXVECTOR3(64.0f, 64.0f, 0.0f));
    d.m_Region.corners[1].Store(D3DXVECTOR3(64.0f, 192.0f, 0.0f));
    d.m_Region.corners[2].Store(D3DXVECTOR3(192.0f, 64.0f, 0.0f));
    d.m_Region.corners[3].Store(D3DXVECTOR3(192.0f, 192.0f, 0.0f));
    d.m_Speed.Set(50u);
    d.m_Angle.Set(270u);
  }
  static bool InRegion(UINT x, UINT y) { return x >= 64 && x < 192 && y >= 64 && y < 192; }
};

// One layer of length 25 (0.1) at effect time 0.5: fraction 0.5, shift (0, -0.05),
// translucency 1: the picture slid 0.05 down inside the region.
TEST_F(WaterfallDevice, ALayerSlidesThePictureDownTheStream) {
  DS_WaterfallFX d;
  Stream(d);
  d.m_LayerCount.Store(1u);
  d.m_Amount.Set(25u);
  DrawAt(d, 0.5f);
  ExpectDisplaced([](double, double, double*, double* dv) { *dv = -0.05; }, InRegion);
}

// At effect time 0.25 the layer's fraction is 0.25: shift (0, -0.025), translucency 0.5,
// laid over the picture by half.
TEST_F(WaterfallDevice, ALayerIsLaidOverByItsTranslucency) {
  DS_WaterfallFX d;
  Stream(d);
  d.m_LayerCount.Store(1u);
  d.m_Amount.Set(25u);
  DrawAt(d, 0.25f);
  for (UINT y : {80u, 128u, 176u}) {
    const double v = (y + 0.5) / kSize;
    const int green = int(std::lround(0.5 * ChannelAt(v - 0.025) + 0.5 * ChannelAt(v)));
    ExpectPixel(128, y, Rgb{128, green, kBlue}, 2);
  }
  ExpectPixel(128, 40, Rgb{128, 40, kBlue}, 1);
}

// Threshold 500 (0.5) with base colour 0x0000FF00 (green): where the slid picture's
// brightness (0.299 r + 0.587 g + 0.114 b) passes 0.625 the layer is the base colour, below
// 0.5 the picture itself. The mask's white half gets nothing.
TEST_F(WaterfallDevice, FoamTakesTheBaseColourPastTheThresholdAndTheMaskHoldsItBack) {
  DS_WaterfallFX d;
  Stream(d);
  d.m_LayerCount.Store(1u);
  d.m_Amount.Set(0u);
  d.m_Threshold.Set(500u);
  d.m_BaseColour.Store(0x0000FF00ul);
  MaskLeftHalf(d);
  DrawAt(d, 0.5f);
  // (176, 176, 200): brightness 0.701, foam.
  ExpectPixel(176, 176, Rgb{0, 255, 0}, 2);
  // (176, 80, 200): 0.480, the picture.
  ExpectPixel(176, 80, Rgb{176, 80, kBlue}, 2);
  // (100, 176, 200): 0.612, nearly foam, but held back by the mask.
  ExpectPixel(100, 176, Rgb{100, 176, kBlue}, 2);
  // Outside the region: the picture.
  ExpectPixel(220, 220, Rgb{220, 220, kBlue}, 1);
}

// Noise amplitude 200 (0.02) over a solid noise map (255, 128): each point of the region
// reads the picture (1, 1/255) x 0.02 away; hidden, nothing is drawn.
TEST_F(WaterfallDevice, TheNoiseBendsTheRegionAndHiddenDrawsNothing) {
  StorePicture(L"noise.png", Solid(8, 8, 0xFFFF80FF));
  for (int hidden : {0, 1}) {
    SCOPED_TRACE(hidden ? "hidden" : "shown");
    DS_WaterfallFX d;
    Stream(d);
    d.m_NoiseAmplitude.Set(200u);
    d.m_NoiseLink.StoreKey(L"noise.png", 1);
    d.m_Hidden.Store(hidden);
    DrawAt(d, 0.5f);
    ExpectDisplaced([hidden](double, double, double* du, double*) { *du = hidden ? 0.0 : 0.02; }, InRegion);
    m_Objects.clear();
  }
}

}  // namespace
