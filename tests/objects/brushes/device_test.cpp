// The air brushes on a real device under Wine, drawn through the real layer (DS_2D_Light)
// and read back pixel by pixel: an air-brushed picture at its exact quads (fixed-function
// and through the particle effect's mask), a picture's aspect, frames that follow the
// brush's clock, the bling's two pictures and colours joined in one mask, and an aurora
// band. The layer shows a dark 320 x 200 picture over the 320 x 200 target, so picture
// pixels are back-buffer pixels.
#include "objects/particles/AirBrush.h"
#include "objects/particles/AnimatedBrushes.h"

#include "brush_fixtures.h"
#include "core/document/DocResManager.h"
#include "layers/DS_2D_Light.h"
#include "tests/objects/base/BaseTestSupport.h"
#include "tests/support/SceneDevice.h"

#include <d3d9.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ostream>
#include <vector>

namespace {

constexpr UINT kW = 320, kH = 200;
constexpr float kPi = 3.1415927f;

using tw_test::Rgb;

const Rgb kDark{10, 20, 40};  // the picture under everything
const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};
// Colour values as documents store them: red in the low byte.
constexpr unsigned long kRedValue = 0x0000FF, kGreenValue = 0x00FF00, kBlueValue = 0xFF0000;

const wchar_t kEffectPath[] = L"particles.fx";

class BrushDevice : public tw_test::SceneDeviceTest {
protected:
  void SetUp() override {
    SceneDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    StorePicture(L"dark.png", Solid(kW, kH, 0xFF0A1428));
    StorePicture(L"white.png", Solid(8, 8, 0xFFFFFFFF));
    MakeLayer(L"dark.png");
    // The particle effect, stored as a document stores it under its link.
    DS_ResourceRecord effect;
    effect.Assign(kFixtureParticleEffect, unsigned(kFixtureParticleEffectSize));
    effect.name = kEffectPath;
    g_DocResManager->Tables().store[DS_LinkKey(kEffectPath, 1)].push_back(effect);
  }
  // A painted particle with every channel at its default but those given.
  static Particle& Paint(DS_AirBrush& brush, float x, float y, float size = 1.0f, float angle = 0.0f,
                         float opacity = 1.0f) {
    Particle& p = brush.m_Painted.emplace_back();
    p.position = D3DXVECTOR3(x, y, 0.0f);
    p.channels[Particle::kSize] = size;
    p.channels[Particle::kAngle] = angle;
    p.channels[Particle::kOpacity] = opacity;
    return p;
  }
};

struct Probe {
  UINT x, y;
  bool inside;
};

// ---------------------------------------------------------------------------------------
// The custom air brush

TEST_F(BrushDevice, AnAirBrushedPictureCoversExactlyItsQuads) {
  tw_test::PictureSize picture(kW, kH);
  for (bool effect : {false, true}) {
    SCOPED_TRACE(effect ? "through the particle effect's mask" : "fixed-function");
    DS_CustomAirBrush d;
    d.m_Picture.StoreKey(L"white.png", 1);
    d.m_BrushSize.Store(40);
    d.m_Color1.Store(kRedValue);
    if (effect) d.m_EffectLink.StoreKey(kEffectPath, 1);
    // The time line's alpha is 0 here (intervals, none of them now): the brush ignores it.
    d.TimeLine().m_Mode.Store(DS_TimeLineControl::kModeIntervals);
    Paint(d, 80.0f, 60.0f);                    // x 60 to 100, y 40 to 80
    Paint(d, 240.0f, 60.0f, 1.0f, kPi / 4.0f);  // a diamond, 28.3 from its centre to each tip
    Paint(d, 160.0f, 150.0f, 0.5f);            // x 150 to 170, y 140 to 160
    DS_ParticlesObj* object = Add<DS_ParticlesObj>(d.CreateRuntimeObject());
    ASSERT_EQ(object->BatchCount(), 1u);
    ASSERT_EQ(object->Count(0), 3u);
    object->UpdateFrame(0.05f);
    DrawFrame();
    // Fixed-function quads cover exactly their pixels. The mask's composite lands half a
    // pixel further right and down, so its edge pixels are blends: probed one pixel away.
    const Probe exact[] = {
        {60, 40, true},   {99, 79, true},    {80, 60, true},   {59, 60, false},  {100, 60, false},
        {80, 39, false},  {80, 80, false},   {240, 60, true},  {266, 60, true},  {240, 86, true},
        {257, 77, false}, {223, 43, false},  {150, 140, true}, {169, 159, true}, {149, 150, false},
        {170, 150, false}, {160, 139, false}, {160, 160, false},
    };
    const Probe margin[] = {
        {61, 41, true},   {98, 78, true},    {80, 60, true},   {58, 60, false},  {101, 60, false},
        {80, 38, false},  {80, 81, false},   {240, 60, true},  {265, 60, true},  {240, 85, true},
        {257, 77, false}, {223, 43, false},  {151, 141, true}, {168, 158, true}, {148, 150, false},
        {171, 150, false}, {160, 138, false}, {160, 161, false},
    };
    for (const Probe& p : effect ? margin : exact) ExpectPixel(p.x, p.y, p.inside ? kRed : kDark, effect ? 2 : 0);
    m_Objects.clear();
  }
}

TEST_F(BrushDevice, APaintedParticlesOpacityScalesColourOnesAlphaAndNotTheTimeLines) {
  tw_test::PictureSize picture(kW, kH);
  // Both brushes' time lines have alpha 0 (intervals, none of them now).
  DS_CustomAirBrush half, clear;
  for (DS_CustomAirBrush* d : {&half, &clear}) {
    d->m_Picture.StoreKey(L"white.png", 1);
    d->m_BrushSize.Store(40);
    d->m_Color1.Store(kRedValue);
    d->TimeLine().m_Mode.Store(DS_TimeLineControl::kModeIntervals);
  }
  Paint(half, 80.0f, 100.0f, 1.0f, 0.0f, 0.5f);
  clear.m_Color1.transparency.Set(50);  // alpha byte 127
  Paint(clear, 240.0f, 100.0f);
  Add<DS_ParticlesObj>(half.CreateRuntimeObject())->UpdateFrame(0.05f);
  Add<DS_ParticlesObj>(clear.CreateRuntimeObject())->UpdateFrame(0.05f);
  DrawFrame();
  // Alpha 255 x 0.5 -> 128: red 255 x 128/255 + 10 x 127/255 = 133, green 20 x 127/255,
  // blue 40 x 127/255.
  ExpectPixel(80, 100, Rgb{133, 10, 20}, 1);
  // Alpha 127 x 1: red 127 + 10 x 128/255 = 132.
  ExpectPixel(240, 100, Rgb{132, 10, 20}, 1);
}

TEST_F(BrushDevice, APictureWithAspectOneHalfGivesSpritesHalfAsHighAsWide) {
  tw_test::PictureSize picture(kW, kH);
  StorePicture(L"wide.png", Solid(32, 16, 0xFFFFFFFF));
  DS_CustomAirBrush d;
  d.m_Picture.StoreKey(L"wide.png", 1);
  d.m_BrushSize.Store(40);
  d.m_Color1.Store(kGreenValue);
  Paint(d, 160.0f, 100.0f);  // x 140 to 180, y 90 to 110
  Add<DS_ParticlesObj>(d.CreateRuntimeObject())->UpdateFrame(0.05f);
  DrawFrame();
  const Probe probes[] = {{160, 90, true},   {160, 109, true},  {140, 100, true},  {179, 100, true},
                          {160, 89, false},  {160, 110, false}, {139, 100, false}, {180, 100, false}};
  for (const Probe& p : probes) ExpectPixel(p.x, p.y, p.inside ? kGreen : kDark, 0);
}

TEST_F(BrushDevice, TheFramesFollowTheBrushClockWhileTheQuadsStay) {
  tw_test::PictureSize picture(kW, kH);
  // Two frames of 0.5 s: red, then green.
  const DS_LinkKey frames(L"frames.png", 1);
  StorePicture(frames, Solid(8, 8, 0xFFFF0000));
  StorePicture(frames, Solid(8, 8, 0xFF00FF00));
  g_DocResManager->Tables().textureSets[frames].delays = {0.5f, 0.5f};
  struct Sample {
    float time;
    Rgb at100, at50;
  };
  // Steps of 0.125 s. Speed 1: the clock passes 0.5 s past the start at 0.625 s (green).
  // Speed 0.5: at 1.25 s (clock 0.625).
  const Sample samples[] = {{0.5f, kRed, kRed}, {0.75f, kGreen, kRed}, {1.25f, kRed, kGreen}};
  for (unsigned value : {100u, 50u}) {
    SCOPED_TRACE(value);
    DS_CustomAirBrush d;
    d.m_Picture.StoreKey(frames.path, frames.stamp);
    d.m_PictureClock.Set(value);
    d.m_BrushSize.Store(40);
    d.m_Color1.Store(0xFFFFFF);
    Paint(d, 160.0f, 100.0f);
    DS_ParticlesObj* object = Add<DS_ParticlesObj>(d.CreateRuntimeObject());
    int step = 0;
    for (const Sample& s : samples) {
      while (0.125f * float(step) < s.time) object->UpdateFrame(0.125f * float(++step));
      SCOPED_TRACE(s.time);
      DrawFrame();
      ExpectPixel(160, 100, value == 100 ? s.at100 : s.at50, 0);
      ExpectPixel(139, 100, kDark, 0);
    }
    m_Objects.clear();
  }
}

// ---------------------------------------------------------------------------------------
// Bling and aurora: batches joined in the mask, the mask composited ("CommonTex").

TEST_F(BrushDevice, ABlingDrawsColourTwoWithPictureZeroUnderColourOneWithPictureOne) {
  tw_test::PictureSize picture(kW, kH);
  // Picture 1: its left half opaque, its right half clear.
  StorePicture(L"half.png", MakeTexture(16, 16, [](UINT x, UINT) { return x < 8 ? 0xFFFFFFFFu : 0x00FFFFFFu; }));
  for (bool shown : {true, false}) {
    SCOPED_TRACE(shown ? "time line shown" : "time line alpha 0");
    DS_Bling d;
    d.m_Images.resize(2);
    d.m_Images[0].StoreKey(L"white.png", 1);
    d.m_Images[1].StoreKey(L"half.png", 1);
    d.m_EffectLink.StoreKey(kEffectPath, 1);
    d.m_Color1.Store(kBlueValue);
    d.m_Color2.Store(kRedValue);
    d.m_BrushSize.Store(40);
    d.m_MinSize.Set(100);  // full size at every point of the cycle
    d.m_InTime.Set(50);
    d.m_OutTime.Set(50);
    if (!shown) d.TimeLine().m_Mode.Store(DS_TimeLineControl::kModeIntervals);
    Particle& glint = Paint(d, 160.0f, 100.0f);  // x 140 to 180, y 80 to 120
    glint.channels[9] = 0.0f;
    DS_ParticlesObj* object = Add<DS_ParticlesObj>(d.CreateRuntimeObject());
    ASSERT_EQ(object->BatchCount(), 2u);
    object->UpdateFrame(0.05f);
    ASSERT_EQ(object->Count(0), 1u);
    ASSERT_EQ(object->Count(1), 1u);
    DrawFrame();
    const Rgb left = shown ? kBlue : kDark, right = shown ? kRed : kDark;
    ExpectPixel(145, 100, left, 2);
    ExpectPixel(142, 82, left, 2);
    ExpectPixel(175, 100, right, 2);
    ExpectPixel(177, 117, right, 2);
    for (const Probe& p : {Probe{137, 100, false}, Probe{183, 100, false}, Probe{150, 77, false},
                           Probe{170, 123, false}}) {
      ExpectPixel(p.x, p.y, kDark, 2);
    }
    m_Objects.clear();
  }
}

TEST_F(BrushDevice, AnAuroraBandIsDrawnThroughTheMaskAtItsHeight) {
  tw_test::PictureSize picture(kW, kH);
  DS_Aurora d;
  d.m_Images.resize(1);
  d.m_Images[0].StoreKey(L"white.png", 1);
  d.m_EffectLink.StoreKey(kEffectPath, 1);
  d.m_Color1.Store(kGreenValue);
  d.m_BrushSize.Store(20);
  d.m_BandHeight.Store(60);
  // The aurora does not fade with its time line.
  d.TimeLine().m_Mode.Store(DS_TimeLineControl::kModeIntervals);
  d.AddParticleAt(D3DXVECTOR3(160.0f, 100.0f, 0.0f), 1.0f, 1.0f, 0.0f, 0.0f);  // x 150 to 170, y 70 to 130
  Add<DS_ParticlesObj>(d.CreateRuntimeObject())->UpdateFrame(0.05f);
  DrawFrame();
  const Probe probes[] = {{152, 72, true},   {167, 127, true},  {160, 100, true},  {147, 100, false},
                          {173, 100, false}, {160, 67, false},  {160, 133, false}};
  for (const Probe& p : probes) ExpectPixel(p.x, p.y, p.inside ? kGreen : kDark, 2);
}

}  // namespace
