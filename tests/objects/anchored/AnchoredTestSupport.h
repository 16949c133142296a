#pragma once
// Shared pieces of the drifting and anchored sprite tests.
#include "core/render/StageView.h"
#include "objects/sprites/SpriteGeometry.h"
#include "objects/sprites/SpriteSystem.h"
#include "tests/support/CrtRand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace anchored_test {

constexpr double kPi = 3.14159265358979323846;

// Sets the picture size (and a layout that maps screen points straight onto the picture)
// for one test, and puts back what was there.
class PictureSize {
public:
  PictureSize(UINT width, UINT height) : m_Saved(g_ScreenLayout) {
    g_ScreenLayout = DS_ScreenLayout();
    g_ScreenLayout.pictureWidth = width;
    g_ScreenLayout.pictureHeight = height;
  }
  ~PictureSize() { g_ScreenLayout = m_Saved; }
  PictureSize(const PictureSize&) = delete;
  PictureSize& operator=(const PictureSize&) = delete;

private:
  DS_ScreenLayout m_Saved;
};

// Reseeds rand and a model of it with the same seed.
inline tw_test::CrtRand Seed(unsigned seed) {
  srand(seed);
  return tw_test::CrtRand{seed};
}

// The code under test drew exactly as many numbers as the model: the next draws agree.
inline void ExpectInStep(tw_test::CrtRand& model) {
  EXPECT_EQ(rand(), model.Next()) << "the code drew a different number of random values";
}

// A sprite as a test sets it up by hand: unit size factor, square image, no motion.
inline DS_SpriteState PlainSprite() {
  DS_SpriteState s;
  s.sizeFactor = 1.0f;
  s.aspect = 1.0f;
  s.phase = 0.5f;
  s.phaseVelocity = 0.0f;
  D3DXMatrixIdentity(&s.rotation);
  return s;
}

// Pins the timing record to the given values (the sprite rules read only these).
inline void SetTiming(DS_ViewObjCtrl& d, float frameStep, float accumulated, float last = 0.0f) {
  d.m_FrameStep = frameStep;
  d.m_AccumulatedTime = accumulated;
  d.m_LastTime = last;
}

inline void SetEdges(DS_ViewObjCtrl& d, float left, float right, float top, float bottom) {
  d.m_NormLeft = left;
  d.m_NormRight = right;
  d.m_NormTop = top;
  d.m_NormBottom = bottom;
}

inline unsigned Alpha(D3DCOLOR c) { return c >> 24; }

// Makes the time line's alpha 0.5: one interval of the looped time 0..10 s that fades out
// over its whole length, looked at 5 s in.
inline void HalveTimeLineAlpha(DS_ABObj_Constructor& d) {
  DS_TimeLineControl& timeLine = d.TimeLine();
  timeLine.m_Mode.Store(DS_TimeLineControl::kModeIntervals);
  DS_TimeInterval interval;
  interval.start = 0.0f;
  interval.end = 10.0f;
  interval.fadeInEnd = 0.0f;
  interval.fadeOutStart = 0.0f;
  ASSERT_TRUE(timeLine.AddInterval(interval));
  timeLine.SetLoopTime(5.0f);
  ASSERT_FLOAT_EQ(timeLine.GetAlpha(), 0.5f);
}

}  // namespace anchored_test
