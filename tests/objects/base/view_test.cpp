// The placed-object base without a device: the pixel rectangle and its normalised master
// copy, the edge listeners, the per-frame timing, random points and the screen quad.
#include "BaseTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using tw_test::DS_TestView;
using tw_test::PictureSize;

TEST(ViewObj, NewDescriptionCoversThePicture) {
  PictureSize size(640, 480);
  DS_TestView view;
  EXPECT_EQ(view.m_Rect.left.Get(), 0);
  EXPECT_EQ(view.m_Rect.right.Get(), 640);
  EXPECT_EQ(view.m_Rect.top.Get(), 0);
  EXPECT_EQ(view.m_Rect.bottom.Get(), 480);
  EXPECT_EQ(view.m_NormLeft, 0.0f);
  EXPECT_EQ(view.m_NormRight, 1.0f);
  EXPECT_EQ(view.m_NormTop, 0.0f);
  EXPECT_EQ(view.m_NormBottom, 1.0f);
  EXPECT_EQ(view.m_Speed.Get(), 50u);
  // One listener per edge, each owned by the binder.
  EXPECT_EQ(view.m_EdgeBinder.Listeners().size(), 4u);
}

// A copy recomputes the pixel edges from the normalised ones at the current picture size,
// truncating the float product, and the listeners then snap the normalised edge to it.
TEST(ViewObj, CopiesTruncateTheFloatProductAndSnapTheEdge) {
  struct Case {
    const char* what;
    UINT w, h;
    int edge;  // 0 left, 1 right, 2 top, 3 bottom
    float stored;
    int pixels;
  };
  const Case cases[] = {
      {"bottom 0.2089 of 900 is 188.01", 1440, 900, 3, 0.2089f, 188},
      {"right 1439/1440 of 1440 rounds to 1439 as a float", 1440, 900, 1, 1439.0f / 1440.0f, 1439},
      {"left 0.5 of 333 is 166.5", 333, 100, 0, 0.5f, 166},
      {"top 0.999 of 100 is 99.9", 100, 100, 2, 0.999f, 99},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PictureSize size(c.w, c.h);
    DS_TestView original;
    float* norms[4] = {&original.m_NormLeft, &original.m_NormRight, &original.m_NormTop, &original.m_NormBottom};
    *norms[c.edge] = c.stored;
    DS_TestView copy(original);
    MediaParamT<int>* pixels[4] = {&copy.m_Rect.left, &copy.m_Rect.right, &copy.m_Rect.top, &copy.m_Rect.bottom};
    const float copyNorms[4] = {copy.m_NormLeft, copy.m_NormRight, copy.m_NormTop, copy.m_NormBottom};
    EXPECT_EQ(pixels[c.edge]->Get(), c.pixels);
    const float extent = c.edge < 2 ? float(c.w) : float(c.h);
    EXPECT_EQ(copyNorms[c.edge], float(c.pixels) / extent);
  }
}

TEST(ViewObj, AnEditedPixelEdgeSetsTheNormalisedEdge) {
  PictureSize size(1440, 900);
  DS_TestView view;
  view.m_Rect.left.Set(144);
  EXPECT_FLOAT_EQ(view.m_NormLeft, 0.1f);
  view.m_Rect.bottom.Set(450);
  EXPECT_FLOAT_EQ(view.m_NormBottom, 0.5f);
  // A new picture size moves the pixels and keeps the fractions.
  PictureSize::Set(720, 450);
  view.ApplyScreenSize();
  EXPECT_EQ(view.m_Rect.left.Get(), 72);
  EXPECT_EQ(view.m_Rect.bottom.Get(), 225);
  EXPECT_FLOAT_EQ(view.m_NormLeft, 0.1f);
}

TEST(ViewObj, AZeroPictureSizeGivesNoNaN) {
  const UINT sizes[][2] = {{0, 0}, {0, 480}, {640, 0}};
  for (const auto& wh : sizes) {
    SCOPED_TRACE(testing::Message() << wh[0] << " x " << wh[1]);
    PictureSize size(wh[0], wh[1]);
    DS_TestView view;
    view.m_Rect.left.Set(50);
    view.m_Rect.top.Set(60);
    view.ApplyScreenSize();
    DS_TestView copy(view);
    for (const DS_TestView* v : {&view, &copy}) {
      for (float f : {v->m_NormLeft, v->m_NormRight, v->m_NormTop, v->m_NormBottom, v->LeftPixels(),
                      v->RightPixels(), v->TopPixels(), v->BottomPixels()})
        EXPECT_TRUE(std::isfinite(f));
      srand(3);
      const D3DXVECTOR3 p = v->RandomPoint();
      EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    }
    // The edge the picture has a size for still follows its pixels.
    if (wh[0]) {
      EXPECT_FLOAT_EQ(view.m_NormLeft, 50.0f / float(wh[0]));
    }
    if (wh[1]) {
      EXPECT_FLOAT_EQ(view.m_NormTop, 60.0f / float(wh[1]));
    }
  }
}

TEST(ViewObj, UpdateTimingScalesAndClampsTheStep) {
  struct Case {
    const char* what;
    unsigned speed;
    float t0, t1;
    float frameStep, shortStep;
  };
  const Case cases[] = {
      {"a 50 ms frame at speed 50", 50, 10.0f, 10.05f, 0.05f, 0.05f},
      {"half a second clamps to 0.2 and 0.1", 50, 10.0f, 10.5f, 0.2f, 0.1f},
      {"speed 100 doubles the step", 100, 10.0f, 10.05f, 0.1f, 0.05f},
      {"a clock running backwards still steps forward", 50, 10.5f, 10.45f, 0.05f, 0.05f},
      {"a 150 ms frame: short step clamps, frame step does not", 50, 3.0f, 3.15f, 0.15f, 0.1f},
      {"speed 0 stands still", 0, 1.0f, 1.1f, 0.0f, 0.1f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_TestView view;
    view.m_Speed.Store(c.speed);
    view.UpdateTiming(c.t0);
    // The first step measures from 0 and clamps at 0.2 s.
    EXPECT_NEAR(view.FrameStep(), 0.2f * float(c.speed) * 0.02f, 1e-6);
    EXPECT_FLOAT_EQ(view.ShortStep(), 0.1f);
    const float before = view.AccumulatedTime();
    view.UpdateTiming(c.t1);
    EXPECT_NEAR(view.FrameStep(), c.frameStep, 1e-5);
    EXPECT_NEAR(view.ShortStep(), c.shortStep, 1e-5);
    EXPECT_NEAR(view.AccumulatedTime(), before + c.frameStep, 1e-5);
    EXPECT_EQ(view.LastTime(), c.t1);
  }
}

TEST(ViewObj, ResetStartsTheTimingAgain) {
  DS_TestView view;
  view.UpdateTiming(1.0f);
  view.UpdateTiming(1.1f);
  ASSERT_GT(view.AccumulatedTime(), 0.0f);
  view.Reset();
  EXPECT_EQ(view.FrameStep(), 0.0f);
  EXPECT_EQ(view.ShortStep(), 0.0f);
  EXPECT_EQ(view.LastTime(), 0.0f);
  EXPECT_EQ(view.AccumulatedTime(), 0.0f);
  // Measured from 0 again: clamped.
  view.UpdateTiming(5.0f);
  EXPECT_FLOAT_EQ(view.FrameStep(), 0.2f);
}

TEST(ViewObj, RandomPointReachesTheCornersAtTheExtremeDraws) {
  PictureSize size(800, 600);
  DS_TestView view;
  view.m_NormLeft = 0.25f;
  view.m_NormRight = 0.75f;
  view.m_NormTop = 0.5f;
  view.m_NormBottom = 1.0f;
  srand(tw_test::SeedGiving(0, 0));
  D3DXVECTOR3 p = view.RandomPoint();
  EXPECT_EQ(p, D3DXVECTOR3(200.0f, 300.0f, 0.0f));
  srand(tw_test::SeedGiving(32767, 32767));
  p = view.RandomPoint();
  EXPECT_EQ(p, D3DXVECTOR3(600.0f, 600.0f, 0.0f));
  // x takes the first draw, y the second.
  srand(tw_test::SeedGiving(32767, 0));
  p = view.RandomPoint();
  EXPECT_EQ(p, D3DXVECTOR3(600.0f, 300.0f, 0.0f));
  // After srand(1) the draws are 41 and 18467.
  srand(1);
  p = view.RandomPoint();
  EXPECT_FLOAT_EQ(p.x, 200.0f + (41.0f / 32767.0f) * 400.0f);
  EXPECT_FLOAT_EQ(p.y, 300.0f + (18467.0f / 32767.0f) * 300.0f);
}

TEST(ViewObj, RandomPointInsideKeepsTheSpriteInside) {
  PictureSize size(100, 100);
  DS_TestView view;
  DS_SpriteState sprite;
  sprite.halfWidth = 10.0f;
  sprite.halfHeight = 20.0f;
  srand(tw_test::SeedGiving(0, 0));
  EXPECT_EQ(view.RandomPointInside(sprite), D3DXVECTOR3(10.0f, 20.0f, 0.0f));
  srand(tw_test::SeedGiving(32767, 32767));
  EXPECT_EQ(view.RandomPointInside(sprite), D3DXVECTOR3(90.0f, 80.0f, 0.0f));
  srand(11);
  for (int i = 0; i < 2000; ++i) {
    const D3DXVECTOR3 p = view.RandomPointInside(sprite);
    ASSERT_TRUE(p.x >= 10.0f && p.x <= 90.0f && p.y >= 20.0f && p.y <= 80.0f) << p.x << ", " << p.y;
  }
}

TEST(ViewObj, ScreenQuadFromTheNormalisedEdges) {
  PictureSize size(800, 600);
  DS_TestView view;
  view.m_NormLeft = 0.25f;
  view.m_NormRight = 0.75f;
  view.m_NormTop = 0.0f;
  view.m_NormBottom = 0.5f;
  QuadVertices quad;
  quad[0].x = 99.0f;  // whatever was there is replaced
  view.GetScreenQuad(quad);
  const float want[4][2] = {{200, 300}, {200, 0}, {600, 300}, {600, 0}};
  const QuadVertices defaults;
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(quad[i].x, want[i][0]);
    EXPECT_EQ(quad[i].y, want[i][1]);
    EXPECT_EQ(quad[i].z, 1.0f);
    EXPECT_EQ(quad[i].u, defaults[i].u);
    EXPECT_EQ(quad[i].v, defaults[i].v);
  }
  // The edges are used as they are, not as truncated pixels.
  PictureSize::Set(801, 601);
  view.GetScreenQuad(quad);
  EXPECT_FLOAT_EQ(quad[2].x, 0.75f * 801.0f);
  EXPECT_FLOAT_EQ(quad[0].y, 0.5f * 601.0f);
}

}  // namespace
