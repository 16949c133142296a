// Sprite objects on a real device under Wine, drawn through the real layer (DS_2D_Light)
// and read back pixel by pixel: still sprites at their exact bounds, a strip frame, an
// animated texture set from the resource module, a stat-obj's picture within its bounds,
// an old record's inline pictures, and the discharge bolt's glow and sprites over a dark
// picture. The layer shows a 320 x 200 picture stretched over the
// 320 x 200 target, so picture pixels are back-buffer pixels.
#include "core/document/DocResManager.h"
#include "core/document/ResourceModule.h"
#include "core/render/Device.h"
#include "core/render/StageView.h"
#include "layers/DS_2D_Light.h"
#include "objects/sprites/Anchored.h"
#include "objects/sprites/DischargeBolt.h"
#include "objects/sprites/SpriteObjects.h"
#include "objects/sprites/SpriteSystem.h"
#include "platform/effect/Effect.h"
#include "tests/objects/base/BaseTestSupport.h"
#include "tests/support/RecordRead.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/SceneDevice.h"

#include "device_fixtures.h"

#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT kW = 320, kH = 200;

using tw_test::Near;
using tw_test::Rgb;

const Rgb kDark{10, 20, 40};  // the picture under everything
const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0}, kMagenta{255, 0, 255};

// A test-only sprite system: its sprites stay where the test puts them (centre and half
// size), one entry per sprite in creation order.
class DS_TestPlacedSprites : public DS_ParticleSystemCtrl {
public:
  struct Place {
    float x, y, halfWidth, halfHeight;
  };
  DS_TestPlacedSprites() = default;
  DS_TestPlacedSprites(const DS_TestPlacedSprites& other) = default;
  DS_ParticleSystemCtrl* Clone() override { return new DS_TestPlacedSprites(*this); }
  void InitSprite(DS_SpriteState& s) override {
    const Place& p = places[placed++ % places.size()];
    s.position = D3DXVECTOR3(p.x, p.y, 0.0f);
    s.halfWidth = p.halfWidth;
    s.halfHeight = p.halfHeight;
  }

  std::vector<Place> places{{160.0f, 100.0f, 20.0f, 20.0f}};
  size_t placed = 0;
};

class ObjectsDevice : public tw_test::SceneDeviceTest {
protected:
  void SetUp() override {
    SceneDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    StorePicture(L"dark.png", Solid(kW, kH, 0xFF0A1428));
    MakeLayer(L"dark.png");
  }
};

// ---------------------------------------------------------------------------------------
// Plain sprite systems

TEST_F(ObjectsDevice, StillSpritesCoverExactlyTheirBounds) {
  tw_test::PictureSize picture(kW, kH);
  StorePicture(L"white.png", Solid(8, 8, 0xFFFFFFFF));
  DS_TestPlacedSprites d;
  d.m_SpriteImage.StoreKey(L"white.png", 1);
  d.m_Color.Store(0x0000FF);  // red
  d.m_SpriteCount.Store(2);
  // x 80 to 120, y 70 to 90; and x 200 to 260, y 120 to 180.
  d.places = {{100.0f, 80.0f, 20.0f, 10.0f}, {230.0f, 150.0f, 30.0f, 30.0f}};
  auto* object = Add<DS_SpriteArrayObj>(d.CreateRuntimeObject());
  object->UpdateFrame(0.05f);
  DrawFrame();
  struct Probe {
    UINT x, y;
    bool inside;
  };
  const Probe probes[] = {
      {80, 70, true},   {119, 70, true},  {80, 89, true},   {119, 89, true},   {100, 80, true},
      {79, 70, false},  {120, 70, false}, {80, 69, false},  {80, 90, false},   {119, 90, false},
      {200, 120, true}, {259, 179, true}, {199, 150, false}, {260, 150, false}, {230, 180, false},
  };
  for (const Probe& p : probes) ExpectPixel(p.x, p.y, p.inside ? kRed : kDark, 0);
}

// A strip of four frames, switched at 10 frames a second of object time: each fill shows
// the next quarter of the strip, the right quarter after three switches, then the first.
TEST_F(ObjectsDevice, AStripShowsOneQuarterAtATime) {
  tw_test::PictureSize picture(kW, kH);
  // 64 x 16: red, green, blue, yellow frames of 16 x 16.
  const D3DCOLOR frames[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00};
  StorePicture(L"strip.png", MakeTexture(64, 16, [&](UINT x, UINT) { return frames[x / 16]; }));
  DS_TestPlacedSprites d;
  d.m_SpriteImage.StoreKey(L"strip.png", 1);
  d.m_Strip = true;
  d.m_FrameCount = 4;
  d.m_FrameRate = 10.0f;
  d.places = {{160.0f, 100.0f, 40.0f, 20.0f}};  // x 120 to 200
  auto* object = Add<DS_SpriteArrayObj>(d.CreateRuntimeObject());
  const Rgb shown[] = {kGreen, kBlue, kYellow, kRed};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(testing::Message() << "fill " << i + 1);
    object->UpdateFrame(0.15f * float(i + 1));  // 0.15 s of object time: one switch
    DrawFrame();
    // Inside, a few pixels from the frame's edges (the sampler filters across them).
    for (UINT x : {124u, 160u, 196u}) ExpectPixel(x, 100, shown[i], 2);
    ExpectPixel(117, 100, kDark, 0);
    ExpectPixel(203, 100, kDark, 0);
  }
}

// Image kind 1: the sprite image names the module's stored texture set 120 (red 0.25 s,
// green 0.5 s, blue 0.75 s), stepped by the animation clock; at animation speed 50 the
// clock runs at half speed and every frame lasts twice as long.
TEST_F(ObjectsDevice, AModuleTextureSetShowsItsFramesInTurn) {
  tw_test::PictureSize picture(kW, kH);
  struct Sample {
    float clock;
    Rgb colour;
  };
  // Switches near 0.3 (to green), 0.8 to 0.9 (blue), 1.55 to 1.7 (red), 1.75 or later
  // (green): each sample is clear of them.
  const Sample samples[] = {{0.1f, kRed}, {0.4f, kGreen}, {0.7f, kGreen}, {1.2f, kBlue}, {1.7f, kRed}};
  for (unsigned speed : {100u, 50u}) {
    SCOPED_TRACE(testing::Message() << "animation speed " << speed);
    DS_TestPlacedSprites d;
    d.m_SpriteImage.StoreKey(kResourceModuleName, 120);
    d.m_ImageKind = 1;
    d.m_AnimationSpeed.Set(speed);
    auto* object = Add<DS_SpriteArrayObj>(d.CreateRuntimeObject());
    ASSERT_EQ(object->m_TextureSet.textures.size(), 3u) << "velmora.dll must sit beside the test program";
    const float rate = speed == 100 ? 1.0f : 0.5f;
    int step = 0;
    for (const Sample& s : samples) {
      // The time line's clock advances 0.1 s a frame.
      while (0.1f * float(step) * rate < s.clock - 1e-4f) object->UpdateFrame(0.1f * float(++step));
      SCOPED_TRACE(testing::Message() << "clock " << s.clock);
      DrawFrame();
      ExpectPixel(160, 100, s.colour, 2);
      ExpectPixel(100, 100, kDark, 0);
    }
    m_Objects.clear();
  }
}

// ---------------------------------------------------------------------------------------
// Stat-objs

// A picture of 32 x 16, its left half red and its right half green, at sprite size 60:
// aspect 16 / 32 = 0.5 is below 1, so half width 60 x 0.5 = 30 and half height 0.5 x 30
// = 15. Centred at (100, 120) and unturned, the bounds are x 100 -/+ 30 and y 120 -/+ 15:
// x 70 to 130, y 105 to 135. Turned by 90 degrees the right axis is (0, -1) and the up
// axis (1, 0): x 100 -/+ 1 x 15 and y 120 -/+ 1 x 30, that is x 85 to 115, y 90 to 150,
// with u growing up the screen, so the picture's left (red) half is the lower one.
TEST_F(ObjectsDevice, AStatObjShowsItsPictureExactlyWithinItsBounds) {
  tw_test::PictureSize picture(kW, kH);
  StorePicture(L"halves.png", MakeTexture(32, 16, [](UINT x, UINT) -> D3DCOLOR { return x < 16 ? 0xFFFF0000 : 0xFF00FF00; }));
  struct Case {
    const char* what;
    unsigned rotation;
    int flipHorizontal;
    int left, right, top, bottom;
    bool halvesAcrossX;  // the picture's halves lie side by side along x (else along y)
    Rgb lowHalf, highHalf;  // the half at the smaller coordinate, the other one
  };
  const Case cases[] = {
      {"unturned", 0, 0, 70, 130, 105, 135, true, kRed, kGreen},
      {"mirrored", 0, 1, 70, 130, 105, 135, true, kGreen, kRed},
      {"turned a quarter", 90, 0, 85, 115, 90, 150, false, kGreen, kRed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_StatObjConstructor d;  // placed: it keeps its own centre
    d.m_SpriteImage.StoreKey(L"halves.png", 1);
    d.m_SpriteSize.Store(60u);
    d.m_Rotation.Store(c.rotation);
    d.m_FlipHorizontal.Store(c.flipHorizontal);
    d.m_Bounds.extra1.Store(100);
    d.m_Bounds.extra2.Store(120);
    auto* object = Add<DS_SpriteArrayObj>(d.CreateRuntimeObject());
    const MediaRectangle& bounds = static_cast<DS_StatObjConstructor&>(object->Desc()).m_Bounds;
    EXPECT_EQ(bounds.left.Get(), c.left);
    EXPECT_EQ(bounds.right.Get(), c.right);
    EXPECT_EQ(bounds.top.Get(), c.top);
    EXPECT_EQ(bounds.bottom.Get(), c.bottom);
    object->UpdateFrame(0.05f);
    DrawFrame();
    const int midX = (c.left + c.right) / 2, midY = (c.top + c.bottom) / 2;
    auto expectInside = [&](int x, int y) {
      const bool low = c.halvesAcrossX ? x < midX : y < midY;
      ExpectPixel(UINT(x), UINT(y), low ? c.lowHalf : c.highHalf, 2);
    };
    // The four corner pixels, and either side of the seam a few pixels off it (the
    // sampler filters across it).
    for (int x : {c.left, c.right - 1}) {
      for (int y : {c.top, c.bottom - 1}) expectInside(x, y);
    }
    if (c.halvesAcrossX) {
      expectInside(midX - 4, midY);
      expectInside(midX + 4, midY);
    } else {
      expectInside(midX, midY - 4);
      expectInside(midX, midY + 4);
    }
    // The pixels just outside each edge show the picture.
    for (int y : {c.top, midY, c.bottom - 1}) {
      ExpectPixel(UINT(c.left - 1), UINT(y), kDark, 0);
      ExpectPixel(UINT(c.right), UINT(y), kDark, 0);
    }
    for (int x : {c.left, midX, c.right - 1}) {
      ExpectPixel(UINT(x), UINT(c.top - 1), kDark, 0);
      ExpectPixel(UINT(x), UINT(c.bottom), kDark, 0);
    }
    m_Objects.clear();
  }
}

// ---------------------------------------------------------------------------------------
// Old records with their pictures inline

// A version-1 sprite part carries its pictures inline (bitmaps of 4 x 4). Making the
// runtime object turns them into links that the resource store holds, named as the
// records are, and the sprite shows them: sprite size 40 of an aspect-1 picture centred
// at (100, 120) covers x 80 to 120, y 100 to 140.
TEST_F(ObjectsDevice, InlinePicturesOfAnOldRecordBecomeStoredLinksAndAreDrawn) {
  tw_test::PictureSize picture(kW, kH);
  struct Case {
    tw_test::Fixture fixture;
    size_t frames;
    bool overlay;
    Rgb first;  // at 0.1 s of the animation clock
    Rgb later;  // at 0.4 s
  };
  const Case cases[] = {
      // Red for 0.3 s, then green.
      {TW_FIXTURE(OldStatObjTwoFrames), 2, false, kRed, kGreen},
      // A red picture with the blue second picture added over it (blend mode 1).
      {TW_FIXTURE(OldStatObjWithOverlay), 1, true, kMagenta, kMagenta},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture.name);
    tw_test::RecordReadResult read = tw_test::ReadRecord(c.fixture);
    ASSERT_FALSE(read.failed);
    auto* d = tw_test::As<DS_StatObjConstructor>(read);
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->m_SpriteImage.Path().empty());
    ASSERT_EQ(d->m_LegacyFrames.size(), c.frames);

    auto* object = Add<DS_SpriteArrayObj>(d->CreateRuntimeObject());
    // The description read from the document now names the links; its inline lists are
    // gone, and the object's clone names the same links.
    EXPECT_EQ(d->m_SpriteImage.Path(), L"frame.png");
    EXPECT_TRUE(d->m_LegacyFrames.empty());
    EXPECT_TRUE(d->m_LegacyFrameDelays.empty());
    EXPECT_EQ(object->Desc().m_SpriteImage.GetKey(), d->m_SpriteImage.GetKey());
    const auto& sets = g_DocResManager->Tables().textureSets;
    const auto frames = sets.find(d->m_SpriteImage.GetKey());
    ASSERT_NE(frames, sets.end());
    ASSERT_EQ(frames->second.textures.size(), c.frames);
    EXPECT_EQ(object->m_TextureSet.textures.size(), c.frames);
    EXPECT_EQ(object->CurrentFrameTexture(), frames->second.textures[0].Get());
    EXPECT_NE(object->CurrentFrameTexture(), nullptr);
    if (c.overlay) {
      EXPECT_EQ(d->m_SecondImage.Path(), L"second.png");
      const auto second = sets.find(d->m_SecondImage.GetKey());
      ASSERT_NE(second, sets.end());
      ASSERT_EQ(second->second.textures.size(), 1u);
      EXPECT_EQ(object->m_Overlay.Get(), second->second.textures[0].Get());
      EXPECT_NE(object->m_Overlay.Get(), nullptr);
    } else {
      EXPECT_TRUE(d->m_SecondImage.Path().empty());
      EXPECT_EQ(object->m_Overlay.Get(), nullptr);
    }

    object->UpdateFrame(0.1f);
    DrawFrame();
    for (UINT x : {80u, 100u, 119u}) {
      for (UINT y : {100u, 120u, 139u}) ExpectPixel(x, y, c.first, 2);
    }
    for (UINT x : {79u, 120u}) ExpectPixel(x, 120, kDark, 0);
    for (UINT y : {99u, 140u}) ExpectPixel(100, y, kDark, 0);
    // The time line's clock runs on in steps of 0.1 s.
    for (int step = 2; step <= 4; ++step) object->UpdateFrame(0.1f * float(step));
    DrawFrame();
    ExpectPixel(100, 120, c.later, 2);
    m_Objects.clear();
  }
}

// ---------------------------------------------------------------------------------------
// The discharge bolt

class BoltDevice : public ObjectsDevice {
protected:
  // A straight bolt of four segments along y = 100 from x = 40 to 280; sprite size 50,
  // so the segments cover y 75 to 125.
  static DS_DischargeFXConstructor StraightBolt() {
    DS_DischargeFXConstructor d;
    d.m_Start.Store(D3DXVECTOR3(40.0f, 100.0f, 0.0f));
    d.m_End.Store(D3DXVECTOR3(280.0f, 100.0f, 0.0f));
    d.m_SpriteCount.Store(4);
    d.m_Deviation.Set(0u);
    return d;
  }

  // Nothing off the bolt: the rows above and below its band and the picture beyond its
  // ends keep the picture's colour.
  void ExpectNothingOffTheLine() {
    int wrong = 0;
    for (UINT x = 0; x < kW; x += 2) {
      for (UINT y : {2u, 66u, 134u, 198u}) {
        if (!Near(Pixel(x, y), kDark, 1) && ++wrong <= 5) ADD_FAILURE() << "off the band at (" << x << ", " << y << ")";
      }
    }
    for (UINT x : {2u, 30u, 290u, 318u}) {
      if (!Near(Pixel(x, 100), kDark, 1) && ++wrong <= 5) ADD_FAILURE() << "beyond the ends at (" << x << ", 100)";
    }
    EXPECT_EQ(wrong, 0);
  }
};

// Solid pictures make every colour a sum worked out by hand: the glow picture white and
// opaque, the segment picture white at alpha 128, the sprite colour opaque white, over the
// picture (10, 20, 40).
TEST_F(BoltDevice, GlowAndSegmentsColourTheLineAndNothingElse) {
  tw_test::PictureSize picture(kW, kH);
  StorePicture(L"glow.png", Solid(8, 8, 0xFFFFFFFF));
  // The segment picture the texture kind names, as the document would carry it.
  StorePicture(DS_LinkKey(kResourceModuleName, 95), Solid(8, 8, 0x80FFFFFF));
  struct Case {
    const char* what;
    int blend;
    unsigned long glowColour;  // red in the lowest byte
    Rgb onLine;
    bool glowPicture = true;
  };
  const Case cases[] = {
      // The glow target holds (1, 1, 1, 1) on the band; tinted red it screens the picture
      // to (255, 20, 40), and the segments at alpha 128/255 give 255 x 0.502 + 0.498 x
      // that: (255, 138, 148).
      {"screened red glow", 1, 0x0000FF, {255, 138, 148}},
      // Laid over: the glow covers the picture, (255, 0, 0), then the segments.
      {"red glow laid over", 0, 0x0000FF, {255, 128, 128}},
      // Glow colour 0 laid over blacks the band out; the segments still show.
      {"black glow laid over", 0, 0x000000, {128, 128, 128}},
      // No glow picture: the segment picture glows, (0.502, 0.502, 0.502) at alpha 0.502
      // premultiplied; tinted red and laid over: (128, 0, 0) + 0.498 x the picture =
      // (133, 10, 20); the segments over that: (194, 133, 138). Not a dark band.
      {"no glow picture, laid over", 0, 0x0000FF, {194, 133, 138}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_DischargeFXConstructor d = StraightBolt();
    if (c.glowPicture) d.m_SecondImage.StoreKey(L"glow.png", 1);
    d.m_Color.Store(0xFFFFFF);
    d.m_BlendMode.Store(c.blend);
    d.m_GlowColor.Store(c.glowColour);
    auto* object = Add<DS_GlowingObj>(d.CreateRuntimeObject());
    ASSERT_NE(object->m_GlowDescription->m_Effect.Get(), nullptr) << "velmora.dll must sit beside the test program";
    object->UpdateFrame(0.05f);
    DrawFrame();
    for (UINT x : {70u, 130u, 190u, 250u}) {
      for (UINT y : {82u, 100u, 118u}) ExpectPixel(x, y, c.onLine, 3);
    }
    ExpectNothingOffTheLine();
    m_Objects.clear();
  }
}

// The module's own pictures and glow effect, as a document that names nothing else
// draws them: a bright line with a glow along the bolt, the picture everywhere else.
TEST_F(BoltDevice, TheModulePicturesDrawABrightLineAlongTheBolt) {
  tw_test::PictureSize picture(kW, kH);
  for (int kind : {1, 0}) {
    SCOPED_TRACE(testing::Message() << "texture kind " << kind);
    DS_DischargeFXConstructor d = StraightBolt();
    d.m_TextureKind.Store(kind);
    d.m_SecondImage.StoreKey(kResourceModuleName, 98);  // the soft segment as the glow
    auto* object = Add<DS_GlowingObj>(d.CreateRuntimeObject());
    ASSERT_NE(object->m_GlowDescription->m_SpriteTexture.Get(), nullptr);
    for (int f = 1; f <= 3; ++f) object->UpdateFrame(0.05f * float(f));
    DrawFrame();
    // Somewhere across each segment's middle the line is far brighter than the picture.
    for (UINT x : {70u, 130u, 190u, 250u}) {
      int brightest = 0;
      for (UINT y = 85; y <= 115; ++y) {
        const Rgb p = Pixel(x, y);
        brightest = std::max(brightest, p.r + p.g + p.b);
      }
      EXPECT_GT(brightest, 10 + 20 + 40 + 400) << "at x " << x;
    }
    ExpectNothingOffTheLine();
    m_Objects.clear();
  }
}

// The whole glow pass on a device: the glow target is bound and laid out (view mode 3),
// drawn into with "Blend_Max" and handed to the composite as "Texture2".
TEST_F(BoltDevice, RenderFillsTheGlowTargetThenCompositesAndDrawsTheSegments) {
  tw_test::PictureSize picture(kW, kH);
  tw_test::LoggingEffect effect;
  {
    DS_DischargeFXConstructor d = StraightBolt();
    d.m_GlowColor.Store(0);
    std::unique_ptr<DS_GlowingObj> object(static_cast<DS_GlowingObj*>(d.CreateRuntimeObject()));
    ASSERT_NE(object->m_GlowTarget, nullptr);
    object->m_GlowDescription->m_Effect.Assign(&effect);
    object->UpdateFrame(0.05f);
    tw_test::RecordingRender r(kW, kH);
    ASSERT_EQ(m_Device->BeginScene(), D3D_OK);
    object->Render(r);
    m_Device->EndScene();
    EXPECT_EQ(r.Sequence(), "PushRenderTarget DrawMesh PopRenderTarget Draw DrawMesh");
    ASSERT_EQ(r.calls.size(), 5u);
    EXPECT_EQ(r.calls[0].target, object->m_GlowTarget);
    EXPECT_EQ(r.calls[0].viewMode, 3);
    EXPECT_EQ(r.calls[1].depth, 1);
    EXPECT_TRUE(r.TargetsBalanced());
    EXPECT_EQ(effect.log,
              "SetTexture Texture1 | SetTechnique Blend_Max | SetTechnique Blend_Screen | SetFloatArray BlendColor | "
              "SetTexture Texture1 | SetTexture Texture2 | SetTechnique Common | SetTexture Texture1");
    // Glow colour 0 at strength 100 and a fully shown time line.
    EXPECT_EQ(effect.lastArray, std::vector<float>({0.0f, 0.0f, 0.0f, 1.0f}));
    ASSERT_EQ(effect.textures.size(), 4u);
    EXPECT_EQ(effect.textures[2], static_cast<IDirect3DBaseTexture9*>(object->m_GlowTarget->current.Get()));
    EXPECT_NE(effect.textures[2], nullptr);
    // The back buffer is bound again after the pass.
    IDirect3DSurface9* bound = nullptr;
    IDirect3DSurface9* back = nullptr;
    m_Device->GetRenderTarget(0, &bound);
    m_Device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    EXPECT_EQ(bound, back);
    bound->Release();
    back->Release();
  }
  EXPECT_EQ(effect.refs, 1u);
}

}  // namespace
