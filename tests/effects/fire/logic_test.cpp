// The fire's parameters worked out by hand, through an effect double and a layer double
// (no device): the colour range, the faded brightness and density, the clocks, the
// matrices and the screen-over-picture factor of the stage, and what is skipped without an
// effect or a grid.
#include "effects/Fire.h"

#include "core/archive/DS_IOF_Writer.h"
#include "core/render/StageView.h"
#include "tests/support/LoggingEffect.h"
#include "tests/support/RecordingRender.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using tw_test::ExpectValues;
using tw_test::LoggingEffect;
using tw_test::RecordingRender;

// The time line at alpha a: an interval of 0..10 s fading in over its first 2 s, at a x 2 s.
void SetAlpha(DS_FireFX& fire, float a) {
  DS_TimeLineControl& line = fire.TimeLine();
  line.m_Mode.Store(DS_TimeLineControl::kModeIntervals);
  line.AddInterval(DS_TimeInterval{0.0f, 10.0f, 2.0f, 8.0f});
  line.SetLoopTime(2.0f * a);
}

// Renders the fire with the double as its effect (no grid: the draw itself is skipped).
void RenderWith(DS_FireFX& fire, LoggingEffect& effect, DS_ABRender& layer) {
  fire.m_Effect.Assign(&effect);
  fire.Render(layer);
  fire.m_Effect.Reset();
}

struct ColourCase {
  const char* what;
  unsigned long colour1, colour2;
  float alpha;
  unsigned density, brightness;
  std::vector<float> k1, k2;
  float brightnessOut, densityOut;
};

TEST(FireParameters, ColourRangeAndFadedStrength) {
  const ColourCase cases[] = {
      // Colour 1 yellow, colour 2 red: ColorK1 the red, ColorK2 yellow less red.
      {"defaults", 0xFFFF, 0xFF, 1.0f, 100, 15, {1, 0, 0}, {0, 1, 0}, 0.3f, 0.0f},
      // Brightness 0.3 x 0.5 x 0.5; density 0.5 x (0 + 1) - 1.
      {"defaults half faded", 0xFFFF, 0xFF, 0.5f, 100, 15, {1, 0, 0}, {0, 1, 0}, 0.075f, -0.5f},
      {"faded out", 0xFFFF, 0xFF, 0.0f, 100, 15, {1, 0, 0}, {0, 1, 0}, 0.0f, -1.0f},
      // Colour 1 (255, 64, 32), colour 2 (192, 32, 16); density 0.5 and brightness 0.8 at
      // alpha 0.5: 0.5 x 1.5 - 1 and 0.8 x 0.25.
      {"own colours half faded", 0x2040FF, 0x1020C0, 0.5f, 150, 40, {192 / 255.0f, 32 / 255.0f, 16 / 255.0f},
       {63 / 255.0f, 32 / 255.0f, 16 / 255.0f}, 0.2f, -0.25f},
      // Colour 1 darker than colour 2: the range runs downward.
      {"falling range", 0x000000, 0xFFFFFF, 1.0f, 100, 15, {1, 1, 1}, {-1, -1, -1}, 0.3f, 0.0f},
  };
  for (const ColourCase& c : cases) {
    SCOPED_TRACE(c.what);
    DS_FireFX fire;
    fire.m_Colour1.Store(c.colour1);
    fire.m_Colour2.Store(c.colour2);
    fire.m_Density.Set(c.density);
    fire.m_Brightness.Set(c.brightness);
    SetAlpha(fire, c.alpha);
    ASSERT_FLOAT_EQ(fire.Alpha(), c.alpha);
    LoggingEffect effect;
    RecordingRender layer(320, 200);
    RenderWith(fire, effect, layer);
    ExpectValues(effect, "ColorK1", c.k1);
    ExpectValues(effect, "ColorK2", c.k2);
    ExpectValues(effect, "Brightness", {c.brightnessOut});
    ExpectValues(effect, "Density", {c.densityOut});
  }
}

TEST(FireParameters, ClocksFollowTheEffectTime) {
  struct Case {
    unsigned speed;
    float c11, c12, c13;
  };
  // Ten seconds of frames at 0.1 s: at speed 1.0 the effect time is 10, at 2.0 it is 20.
  for (const Case& c : {Case{50, 13, 21, 23}, Case{100, 26, 42, 46}}) {
    SCOPED_TRACE("speed " + std::to_string(c.speed));
    DS_FireFX fire;
    fire.m_Speed.Set(c.speed);
    for (int frame = 1; frame <= 100; ++frame) fire.UpdateFrame(0.1f * float(frame));
    LoggingEffect effect;
    RecordingRender layer;
    RenderWith(fire, effect, layer);
    ExpectValues(effect, "c11", {0, c.c11}, 1e-3f);
    ExpectValues(effect, "c12", {0, c.c12}, 1e-3f);
    ExpectValues(effect, "c13", {0, c.c13}, 1e-3f);
  }
}

// A stage view for the test's duration: a W x H picture on a target of the given size.
class StageFixture : public testing::Test {
protected:
  void SetUp() override { g_StageView = new DS_StageView(); }
  void TearDown() override {
    delete g_StageView;
    g_StageView = nullptr;
  }
  static void Lay(UINT pictureW, UINT pictureH, UINT targetW, UINT targetH, int mode) {
    DS_TextureRecord picture;
    picture.width = pictureW;
    picture.height = pictureH;
    g_StageView->SetLayout(picture, targetW, targetH, picture, mode, false);
  }
};

D3DXVECTOR4 Through(const std::vector<float>& m, float x, float y) {
  EXPECT_EQ(m.size(), 16u);
  if (m.size() != 16) return D3DXVECTOR4(0, 0, 0, 0);
  D3DXMATRIX matrix(m.data());
  D3DXVECTOR4 out;
  const D3DXVECTOR4 in(x, y, 0.0f, 1.0f);
  D3DXVec4Transform(&out, &in, &matrix);
  return out;
}

using FireStage = StageFixture;

// The picture point (50, 25) of a 200 x 100 picture through the fire's matrices, and the
// screen-over-picture factor, for the stage's layouts. The factor turns the screen point
// of ViewProj back into the picture position (0.25, 0.25), whatever the zoom.
TEST_F(FireStage, MatricesAndBackgroundScalePlaceThePicture) {
  struct Case {
    const char* what;
    UINT targetW, targetH;
    int mode;
    float zoom;
    float viewProj[2], worldViewProj[2], bg[2];
  };
  const Case cases[] = {
      // The picture over the whole 200 x 100 target: x / 100 - 1, 1 - y / 50.
      {"stretched", 200, 100, kFitStretch, 1.0f, {-0.5f, 0.5f}, {-0.5f, 0.5f}, {1, 1}},
      // Zoomed 2 about the picture's centre (100, 50): the point moves to (0, 0).
      {"zoomed", 200, 100, kFitStretch, 2.0f, {-0.5f, 0.5f}, {-1.0f, 1.0f}, {1, 1}},
      // Fitted into 200 x 200: the picture lies over y 50..150, the screen is twice as
      // tall; the point lies at (50, 75) of the target: x / 100 - 1, 1 - y / 100.
      {"fitted", 200, 200, kFitFit, 1.0f, {-0.5f, 0.25f}, {-0.5f, 0.25f}, {1, 2}},
      // Off screen the picture covers the target and the zoom is not applied.
      {"off screen", 200, 100, kFitOffscreen, 2.0f, {-0.5f, 0.5f}, {-0.5f, 0.5f}, {1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Lay(200, 100, c.targetW, c.targetH, c.mode);
    g_StageView->SetZoomPan(c.zoom, 0.0f, 0.0f);
    DS_FireFX fire;
    LoggingEffect effect;
    RecordingRender layer(200, 100);
    RenderWith(fire, effect, layer);
    const D3DXVECTOR4 vp = Through(effect.Values("ViewProj"), 50, 25);
    const D3DXVECTOR4 wvp = Through(effect.Values("WorldViewProj"), 50, 25);
    EXPECT_NEAR(vp.x, c.viewProj[0], 1e-5f);
    EXPECT_NEAR(vp.y, c.viewProj[1], 1e-5f);
    EXPECT_NEAR(wvp.x, c.worldViewProj[0], 1e-5f);
    EXPECT_NEAR(wvp.y, c.worldViewProj[1], 1e-5f);
    ExpectValues(effect, "bg_scale_factor", {c.bg[0], c.bg[1]});
    // The picture position the effect reads its mask and background at.
    EXPECT_NEAR(vp.x * 0.5f * c.bg[0] + 0.5f, 0.25f, 1e-5f);
    EXPECT_NEAR(-vp.y * 0.5f * c.bg[1] + 0.5f, 0.25f, 1e-5f);
  }
}

// Without a stage view the matrices are the identity and the factor 1 (nothing to crash on).
TEST(FireParameters, WithoutAStageViewTheStageIsTheIdentity) {
  ASSERT_EQ(g_StageView, nullptr);
  DS_FireFX fire;
  LoggingEffect effect;
  RecordingRender layer;
  RenderWith(fire, effect, layer);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  const std::vector<float> id(&identity._11, &identity._11 + 16);
  ExpectValues(effect, "WorldViewProj", id);
  ExpectValues(effect, "ViewProj", id);
  ExpectValues(effect, "bg_scale_factor", {1, 1});
}

// Every frame sets the same names; without a grid the draw is skipped, and without an
// effect nothing is done at all.
TEST(FireParameters, NothingIsDrawnWithoutAnEffectOrAGrid) {
  DS_FireFX fire;
  fire.m_TechniqueMode.Store(1);
  LoggingEffect effect;
  RecordingRender layer;
  RenderWith(fire, effect, layer);
  EXPECT_EQ(effect.log,
            "SetMatrix WorldViewProj | SetMatrix ViewProj | SetTexture Noise | SetTexture Pattern | "
            "SetFloatArray c11 | SetFloatArray c12 | SetFloatArray c13 | SetFloatArray bg_scale_factor | "
            "SetFloatArray ColorK1 | SetFloatArray ColorK2 | SetTexture Mask | SetTexture Background | "
            "SetFloat Brightness | SetFloat Density | SetTechnique Main");
  EXPECT_TRUE(layer.calls.empty());

  ASSERT_EQ(fire.GetEffect(), nullptr);
  fire.Render(layer);
  fire.SetFireParameters(fire.m_Grid, nullptr);
  EXPECT_TRUE(layer.calls.empty());
}

std::vector<unsigned char> Written(DS_IOF_Item& item) {
  DS_IOF_W w;
  item.Write(w);
  return w.Bytes();
}

// A copy and an assignment (as a layer takes a fire read from its record) keep every
// value: they write the same record.
TEST(FireParameters, CopiesAndAssignmentsKeepEveryValue) {
  DS_FireFX fire;
  fire.m_Colour1.Store(0x123456);
  fire.m_Colour2.Store(0x654321);
  fire.m_StoredValue.Store(3);
  fire.m_PatternLink.StoreKey(L"p.png", 5);
  fire.m_NoiseLink.StoreKey(L"n.png", 6);
  fire.m_Density.Set(120u);
  fire.m_Brightness.Set(33u);
  fire.m_Tiling.Set(250u);
  fire.m_Speed.Set(70u);
  fire.m_TechniqueMode.Store(1);
  fire.m_Region.corners[3].Store(D3DXVECTOR3(30.0f, 40.0f, 0.0f));
  fire.m_Reserved.Store(4);
  fire.m_Name = L"torch";
  const std::vector<unsigned char> record = Written(fire);

  DS_FireFX copy(fire);
  EXPECT_EQ(Written(copy), record);
  DS_FireFX assigned;
  assigned = fire;
  EXPECT_EQ(Written(assigned), record);
  EXPECT_FLOAT_EQ(assigned.m_Tiling.Derived(), 2.5f);
  EXPECT_NEAR(assigned.m_Density.Derived(), 0.2f, 1e-6f);
  std::unique_ptr<DS_FX_Constructor> clone(fire.Clone());
  EXPECT_EQ(Written(*clone), record);
}

}  // namespace
