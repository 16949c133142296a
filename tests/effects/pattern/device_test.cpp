// The pattern, background-copy and light effects on a real device under Wine, drawn by
// their brush objects through the real layer (DS_2D_Light) and read back: a copy of the
// picture shifted by its offset, a light pool brightening the picture by its multiplier,
// a colour blended over it, and a pattern tiled at its size, mirrored and stepping through
// its frames (a picture's, or a stored set of the module's); each held back by its mask
// where the mask is white. The module's effect
// sources are filed under the module's links, as a document carries them.
#include "effects/PatternLight.h"

#include "core/render/StageView.h"
#include "pattern_fixtures.h"
#include "tests/support/SceneDevice.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using tw_test::Rgb;

constexpr UINT kW = 320, kH = 200;

// The picture: four quadrants of their own colour.
const Rgb kTopLeft{200, 40, 40}, kTopRight{40, 200, 40}, kBottomLeft{40, 40, 200}, kBottomRight{200, 200, 40};
const Rgb kGrey{100, 100, 100};

D3DCOLOR Argb(Rgb c) { return D3DCOLOR_XRGB(c.r, c.g, c.b); }

class PatternLightDevice : public tw_test::SceneDeviceTest {
protected:
  void SetUp() override {
    SceneDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    g_ScreenLayout.pictureWidth = kW;
    g_ScreenLayout.pictureHeight = kH;
    StorePicture(L"quadrants.png", MakeTexture(kW, kH, [](UINT x, UINT y) {
                   return Argb(y < kH / 2 ? (x < kW / 2 ? kTopLeft : kTopRight)
                                          : (x < kW / 2 ? kBottomLeft : kBottomRight));
                 }));
    StorePicture(L"grey.png", Solid(kW, kH, Argb(kGrey)));
    StoreEffectSource(DS_LinkKey(L"velmora.dll", 75), kFixtureBackgroundCopyEffect,
                      kFixtureBackgroundCopyEffectSize);
    StoreEffectSource(DS_LinkKey(L"velmora.dll", 76), kFixtureLightEffect, kFixtureLightEffectSize);
    StoreEffectSource(DS_LinkKey(L"velmora.dll", 78), kFixturePatternEffect, kFixturePatternEffectSize);
  }

  // A mask, white on the right half of the picture, filed under the description's key.
  void MaskRightHalf(DS_FX_Constructor& d) {
    StoreGuidPicture(d.m_MaskKey, MakeTexture(64, 64, [](UINT x, UINT) { return x < 32 ? 0xFF000000u : 0xFFFFFFFFu; }));
  }

  DS_BrushObj* AddEffect(DS_FX_Constructor& d) {
    DS_BrushObj* object = Add<DS_BrushObj>(d.CreateRuntimeObject());
    EXPECT_NE(object->FX()->GetEffect(), nullptr) << "the effect did not load";
    return object;
  }
};

TEST_F(PatternLightDevice, ABackgroundCopyRedrawsThePictureShiftedByItsOffset) {
  MakeLayer(L"quadrants.png");
  for (bool masked : {false, true}) {
    SCOPED_TRACE(masked ? "masked on the right" : "unmasked");
    DS_BackgroundCopy d;
    // A quarter of the picture right and a quarter up: offset (0.25, -0.25); the picture
    // repeats, so what leaves on one side comes in on the other.
    d.m_Rect.extra1.Store(80);
    d.m_Rect.extra2.Store(-50);
    if (masked) MaskRightHalf(d);
    AddEffect(d);
    DrawFrame();
    // Pixel (x, y) shows the picture at (x - 80, y + 50), wrapped.
    ExpectPixel(40, 25, kTopRight, 2);       // from (280, 75)
    ExpectPixel(120, 25, kTopLeft, 2);       // from (40, 75)
    ExpectPixel(40, 140, kBottomRight, 2);   // from (280, 190)
    ExpectPixel(120, 170, kTopLeft, 2);      // from (40, 20), wrapped from below
    // On the right half the mask, where set, holds the copy back: the picture in place.
    ExpectPixel(200, 40, masked ? kTopRight : kTopLeft, 2);     // from (120, 90)
    ExpectPixel(300, 60, masked ? kTopRight : kBottomRight, 2);  // from (220, 110)
    m_Objects.clear();
  }
}

TEST_F(PatternLightDevice, ALightBrightensThePictureByItsMultiplierInAPoolAboutTheCentre) {
  MakeLayer(L"grey.png");
  for (bool masked : {false, true}) {
    SCOPED_TRACE(masked ? "masked on the right" : "unmasked");
    DS_LightFX d;
    d.m_Intensity.Set(100u);  // 1.0; at effect time 0 mode 0 flickers at 1/2: multiplier 0.5
    if (masked) MaskRightHalf(d);
    AddEffect(d);
    DrawFrame();
    // Grey 100 x (1 + 0.5 x falloff), falloff = 1 - |d|^2, d measured from the centre in
    // picture heights ("Scale" = (1.6, 1) at scale 1).
    auto lit = [](UINT x, UINT y) {
      const double dx = ((x + 0.5) / kW - 0.5) * 1.6, dy = (y + 0.5) / kH - 0.5;
      const double falloff = std::fmax(0.0, 1.0 - (dx * dx + dy * dy));
      const int v = int(std::lround(100.0 * (1.0 + 0.5 * falloff)));
      return Rgb{v, v, v};
    };
    ExpectPixel(150, 99, lit(150, 99), 2);  // about 150 near the centre
    ExpectPixel(80, 100, lit(80, 100), 2);
    ExpectPixel(20, 20, lit(20, 20), 2);
    ExpectPixel(240, 60, masked ? kGrey : lit(240, 60), 2);
    ExpectPixel(300, 180, masked ? kGrey : lit(300, 180), 2);
    m_Objects.clear();
  }
}

TEST_F(PatternLightDevice, ASecondLightBlendsItsColourAtItsStrengthAndBuildsItsGrid) {
  MakeLayer(L"grey.png");
  DS_LightFX_II d;
  d.m_Colour.Store(0x0000FFul);  // red
  d.m_Intensity.Set(50u);        // steady flicker (mode 0): alpha 0.5
  d.m_BlendMode.Store(0);        // normal
  MaskRightHalf(d);
  DS_BrushObj* object = AddEffect(d);
  // The 2 x 2 grid over the region: 9 vertices, 8 triangles (never drawn).
  EXPECT_EQ(object->FX()->m_Grid.vertexCount, 9u);
  EXPECT_EQ(object->FX()->m_Grid.indexedPrimitiveCount, 8u);
  DrawFrame();
  // lerp(grey, red, 1/2) where the mask is black; the grey where it is white.
  ExpectPixel(40, 50, Rgb{178, 50, 50}, 2);
  ExpectPixel(120, 150, Rgb{178, 50, 50}, 2);
  ExpectPixel(200, 50, kGrey, 2);
  ExpectPixel(300, 150, kGrey, 2);
}

TEST_F(PatternLightDevice, APatternIsTiledAtItsSizeMirroredAndSteppedThroughItsFrames) {
  // Two 32 x 32 frames under one link: red left half and blue right half, then green and
  // yellow; each frame for 1/2 s.
  const DS_LinkKey link(L"tile.png", 1);
  StorePicture(link, MakeTexture(32, 32, [](UINT x, UINT) { return x < 16 ? 0xFFFF0000u : 0xFF0000FFu; }));
  StorePicture(link, MakeTexture(32, 32, [](UINT x, UINT) { return x < 16 ? 0xFF00FF00u : 0xFFFFFF00u; }));
  g_DocResManager->Tables().textureSets[link].delays = {0.5f, 0.5f};
  const Rgb kRed{255, 0, 0}, kBlue{0, 0, 255}, kGreen{0, 255, 0}, kYellow{255, 255, 0};

  MakeLayer(L"quadrants.png");
  for (bool mirrored : {false, true}) {
    SCOPED_TRACE(mirrored ? "mirrored horizontally" : "plain");
    DS_PatternBrush d;
    d.m_PatternLink.StoreKey(L"tile.png", 1);
    d.m_MirrorHorizontal.Store(mirrored ? 1 : 0);
    MaskRightHalf(d);
    DS_BrushObj* object = AddEffect(d);
    DrawFrame();
    // At scale 1 the tile repeats every 32 pixels: red on x mod 32 < 16, blue beyond;
    // mirrored, the other way round.
    ExpectPixel(8, 20, mirrored ? kBlue : kRed, 3);
    ExpectPixel(24, 20, mirrored ? kRed : kBlue, 3);
    ExpectPixel(72, 180, mirrored ? kBlue : kRed, 3);
    ExpectPixel(120, 100, mirrored ? kRed : kBlue, 3);
    // Held back by the mask on the right half.
    ExpectPixel(200, 20, kTopRight, 2);
    ExpectPixel(300, 180, kBottomRight, 2);

    // Past the first frame's 1/2 s (speed 1.0, clock steps of at most 0.2 s), frame 1.
    for (int i = 1; i <= 3; ++i) object->UpdateFrame(0.2f * float(i));
    ASSERT_EQ(d.m_FrameIndex, 0u);  // the description itself never runs
    DrawFrame();
    ExpectPixel(8, 20, mirrored ? kYellow : kGreen, 3);
    ExpectPixel(24, 20, mirrored ? kGreen : kYellow, 3);
    m_Objects.clear();
  }
}

TEST_F(PatternLightDevice, APatternLinkToTheModuleReadsItsStoredFramesAndDelays) {
  // The module's stored texture set 120: solid red, green and blue 32 x 32 frames shown
  // for 0.25, 0.5 and 0.75 s.
  MakeLayer(L"quadrants.png");
  DS_PatternBrush d;
  d.m_PatternLink.StoreKey(L"velmora.dll", 120);
  DS_BrushObj* object = AddEffect(d);
  DrawFrame();
  ExpectPixel(30, 30, Rgb{255, 0, 0}, 2);
  ExpectPixel(290, 170, Rgb{255, 0, 0}, 2);
  object->UpdateFrame(0.2f);
  object->UpdateFrame(0.4f);  // effect time 0.4: past the first frame's 0.25 s
  DrawFrame();
  ExpectPixel(30, 30, Rgb{0, 255, 0}, 2);
  ExpectPixel(290, 170, Rgb{0, 255, 0}, 2);
}

}  // namespace
