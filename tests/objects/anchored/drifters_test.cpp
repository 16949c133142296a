// God rays, sparkles, fog and lighting: their placement draws, motion, phase and size
// rules, worked out by hand from the rules and the C runtime's rand sequence.
#include "objects/sprites/Drifters.h"

#include "AnchoredTestSupport.h"
#include "objects/sprites/Anchored.h"
#include "objects/sprites/SpriteObjects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <typeinfo>

using namespace anchored_test;

namespace {

// ---------------------------------------------------------------------------------------
// God rays

struct LeanCase {
  unsigned angle;
  float lean;  // 1 / tan of the angle from the x axis
};

TEST(GodRay, LeanOfTheRayFollowsTheAngle) {
  // 80: theta 100, 1 / tan 100 = -0.17633; 260 gives theta 100 too; 45 and 225 lean by
  // one unit to the left, 135 and 315 to the right.
  const LeanCase cases[] = {{90, 0.0f},  {80, -0.1763270f}, {260, -0.1763270f}, {100, 0.1763270f},
                            {45, -1.0f}, {225, -1.0f},      {135, 1.0f},        {315, 1.0f}};
  for (const LeanCase& c : cases) {
    SCOPED_TRACE(c.angle);
    EXPECT_NEAR(DS_GodRayConstructor::LeanForAngle(c.angle), c.lean, 1e-5f);
  }
}

TEST(GodRay, AnglesAlongTheXAxisGiveAFiniteLean) {
  // One degree off the axis: 1 / tan 1 degree = 57.29.
  for (unsigned angle : {0u, 180u, 360u, 540u, 720u, 4294967295u}) {
    SCOPED_TRACE(angle);
    const float lean = DS_GodRayConstructor::LeanForAngle(angle);
    EXPECT_TRUE(std::isfinite(lean));
    EXPECT_LE(std::fabs(lean), 57.29f + 0.01f);
  }
}

TEST(GodRay, InitSpriteDrawsXVelocityAndPhaseInOrder) {
  PictureSize picture(800, 600);
  DS_GodRayConstructor d;
  SetEdges(d, 0.25f, 0.75f, 0.1f, 0.5f);  // x 200..600, y 60..300
  d.m_SpriteSize.Store(30u);
  DS_SpriteState s = PlainSprite();
  s.velocity = D3DXVECTOR3(1.0f, 2.0f, 3.0f);
  s.direction = D3DXVECTOR3(1.0f, 1.0f, 1.0f);

  tw_test::CrtRand model = Seed(1);  // 41, 18467, 6334, ...
  d.InitSprite(s);
  const float x = 200.0f + model.Unit() * 400.0f;   // 200.5005
  const float vx = model.Unit() * 20.0f - 10.0f;    // 1.2717
  const float phase = model.Unit();                 // 0.19330
  ExpectInStep(model);

  EXPECT_FLOAT_EQ(s.position.x, x);
  EXPECT_NEAR(s.position.x, 200.5005f, 1e-3f);
  // Half the area's height from the picture's top, not the area's middle (180).
  EXPECT_FLOAT_EQ(s.position.y, 120.0f);
  EXPECT_FLOAT_EQ(s.position.z, 0.0f);
  EXPECT_FLOAT_EQ(s.velocity.x, vx);
  EXPECT_NEAR(s.velocity.x, 1.2717f, 1e-4f);
  EXPECT_EQ(s.velocity.y, 0.0f);
  EXPECT_EQ(s.velocity.z, 0.0f);
  EXPECT_EQ(s.direction, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
  EXPECT_FLOAT_EQ(s.phase, phase);
  EXPECT_NEAR(s.phase, 0.19330f, 1e-5f);
  // As tall as the picture, whatever the image.
  EXPECT_FLOAT_EQ(s.halfWidth, 15.0f);
  EXPECT_FLOAT_EQ(s.halfHeight, 300.0f);
  EXPECT_NEAR(s.upAxis.x, -0.1763270f, 1e-5f);
  EXPECT_EQ(s.upAxis.y, 1.0f);
  EXPECT_EQ(s.rightAxis, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
}

TEST(GodRay, RaysOfEightyDegreesHaveTheirBottomLeftOfTheirTop) {
  PictureSize picture(800, 600);
  for (unsigned angle : {80u, 260u, 90u, 100u}) {
    SCOPED_TRACE(angle);
    DS_GodRayConstructor d;
    d.m_RayAngle.Store(angle);
    d.m_SpriteSize.Store(20u);
    ParticleGeomArray geometry;
    geometry.m_Description = &d;
    geometry.m_Sprites.push_back(PlainSprite());
    srand(1);
    d.InitSprite(geometry.m_Sprites[0]);
    DX_V::PCT v[4];
    geometry.WriteVertices(d, v, 1);
    // Vertex 0 is the bottom-left corner, vertex 1 the top-left one; the ray spans the
    // picture's height, so the lean shows as 600 x lean.
    const float shift = v[0].x - v[1].x;
    EXPECT_FLOAT_EQ(v[0].y - v[1].y, 600.0f);
    if (angle == 90u) {
      EXPECT_NEAR(shift, 0.0f, 1e-3f);
    } else {
      EXPECT_NEAR(shift, 600.0f * (angle == 100u ? 0.1763270f : -0.1763270f), 1e-2f);
    }
  }
}

struct GodRayUpdateCase {
  const char* what;
  unsigned seed;
  float timer;
  int draws;      // rand draws the update takes
  bool newSpeed;  // the second draw is the new sideways velocity
};

TEST(GodRay, UpdateRedrawsTheDriftEveryQuarterSecondOnAnOddDraw) {
  PictureSize picture(800, 600);
  const GodRayUpdateCase cases[] = {
      {"due, odd draw (41): new velocity", 1, 0.2f, 2, true},
      {"due, even draw (48): velocity kept", 3, 0.2f, 1, false},
      {"not due (0.2 s since the last look)", 1, 0.3f, 0, false},
  };
  for (const GodRayUpdateCase& c : cases) {
    SCOPED_TRACE(c.what);
    DS_GodRayConstructor d;
    SetTiming(d, 0.1f, 0.5f);
    DS_SpriteState s = PlainSprite();
    s.position = D3DXVECTOR3(100.0f, 50.0f, 0.0f);
    s.velocity = D3DXVECTOR3(3.0f, 2.0f, 1.0f);
    s.timer = c.timer;

    tw_test::CrtRand model = Seed(c.seed);
    d.UpdateSprite(s);
    D3DXVECTOR3 v(3.0f, 2.0f, 1.0f);
    if (c.draws > 0) model.Next();
    if (c.newSpeed) v = D3DXVECTOR3(model.Uniform(-10.0f, 10.0f), 0.0f, 0.0f);
    ExpectInStep(model);

    EXPECT_FLOAT_EQ(s.timer, c.draws > 0 ? 0.5f : c.timer);
    EXPECT_FLOAT_EQ(s.velocity.x, v.x);
    EXPECT_FLOAT_EQ(s.velocity.y, v.y);
    EXPECT_FLOAT_EQ(s.position.x, 100.0f + 0.1f * v.x);
    EXPECT_FLOAT_EQ(s.position.y, 50.0f + 0.1f * v.y);
    EXPECT_EQ(s.phase, 0.5f);
  }
}

TEST(GodRay, AFadedRayRespawnsAtANewPlace) {
  PictureSize picture(800, 600);
  DS_GodRayConstructor d;
  SetTiming(d, 0.1f, 0.5f);
  DS_SpriteState s = PlainSprite();
  s.timer = 0.5f;  // no drift draw this frame
  s.phase = 0.05f;
  s.phaseVelocity = -1.0f;
  s.position = D3DXVECTOR3(5.0f, 5.0f, 0.0f);

  tw_test::CrtRand model = Seed(1);
  d.UpdateSprite(s);
  const float x = model.Unit() * 800.0f;
  const float vx = model.Unit() * 20.0f - 10.0f;
  model.Next();  // the new phase, then held at the minimum
  ExpectInStep(model);

  EXPECT_FLOAT_EQ(s.position.x, x);
  EXPECT_FLOAT_EQ(s.position.y, 300.0f);
  EXPECT_FLOAT_EQ(s.velocity.x, vx);
  EXPECT_EQ(s.phase, 0.0f);
  EXPECT_EQ(s.phaseVelocity, 1.0f);
  EXPECT_EQ(Alpha(s.color), 0u);
}

// ---------------------------------------------------------------------------------------
// Sparkles

TEST(Sparkle, ConstructorDefaults) {
  DS_SparkleConstructor d;
  EXPECT_TRUE(d.m_ViewFlag);
  EXPECT_EQ(d.TimeLine().m_FadeTarget.Get(), DS_TimeLineControl::kFadeNone);
}

struct SparkleSizeCase {
  float phase;
  float sizeFactor;
  float halfWidth, halfHeight;
};

TEST(Sparkle, SizeSwellsWithThePhase) {
  // Size 40: b = 20; half width b/2 (1 + p), half height b/2 + p x half width / 2.
  const SparkleSizeCase cases[] = {
      {0.0f, 1.0f, 10.0f, 10.0f},   // 20 x 20
      {1.0f, 1.0f, 20.0f, 20.0f},   // 40 x 40
      {0.5f, 1.0f, 15.0f, 13.75f},  // the height lags
      {1.0f, 2.0f, 40.0f, 40.0f},
  };
  DS_SparkleConstructor d;
  d.m_SpriteSize.Store(40u);
  SetTiming(d, 0.0f, 0.0f);
  for (const SparkleSizeCase& c : cases) {
    SCOPED_TRACE(c.phase);
    DS_SpriteState s = PlainSprite();
    s.phase = c.phase;
    s.sizeFactor = c.sizeFactor;
    s.aspect = 0.25f;  // the image's aspect plays no part
    d.UpdateSprite(s);
    EXPECT_FLOAT_EQ(s.halfWidth, c.halfWidth);
    EXPECT_FLOAT_EQ(s.halfHeight, c.halfHeight);
  }
}

TEST(Sparkle, InitSpriteDrawsVelocityThenPointThenPhase) {
  PictureSize picture(800, 600);
  DS_SparkleConstructor d;
  SetEdges(d, 0.25f, 0.75f, 0.1f, 0.5f);
  DS_SpriteState s = PlainSprite();
  s.velocity.z = 9.0f;
  tw_test::CrtRand model = Seed(5);
  d.InitSprite(s);
  const float vx = model.Unit() * 50.0f - 25.0f;
  const float vy = model.Unit() * 50.0f - 25.0f;
  const float x = 200.0f + model.Unit() * 400.0f;
  const float y = 60.0f + model.Unit() * 240.0f;
  const float phase = model.Unit();
  ExpectInStep(model);
  EXPECT_FLOAT_EQ(s.velocity.x, vx);
  EXPECT_FLOAT_EQ(s.velocity.y, vy);
  EXPECT_EQ(s.velocity.z, 0.0f);
  EXPECT_FLOAT_EQ(s.position.x, x);
  EXPECT_FLOAT_EQ(s.position.y, y);
  EXPECT_FLOAT_EQ(s.phase, phase);

  // It drifts by frame step x velocity.
  SetTiming(d, 0.1f, 0.1f);
  d.UpdateSprite(s);
  EXPECT_FLOAT_EQ(s.position.x, x + 0.1f * vx);
  EXPECT_FLOAT_EQ(s.position.y, y + 0.1f * vy);
}

// ---------------------------------------------------------------------------------------
// Fog

TEST(Fog, ConstructorDefaults) {
  DS_FogConstructor d;
  EXPECT_FLOAT_EQ(d.m_PhaseMin, 0.2f);
  EXPECT_FLOAT_EQ(d.m_PhaseMax, 1.0f);
  EXPECT_EQ(d.m_Transparency.Get(), 50u);
  EXPECT_EQ(d.m_Transparency.Derived(), 127u);
  EXPECT_EQ(d.TimeLine().m_FadeTarget.Get(), DS_TimeLineControl::kFadeColorAlpha);
  EXPECT_EQ(d.m_MaxSpeedX, 40.0f);
  EXPECT_EQ(d.m_MaxSpeedY, 40.0f);
}

TEST(Fog, InitSpriteDrawsPointVelocityPhaseAndTurn) {
  PictureSize picture(800, 600);
  DS_FogConstructor d;
  d.m_MaxSpeedX = 40.0f;
  d.m_MaxSpeedY = 20.0f;
  DS_SpriteState s = PlainSprite();
  tw_test::CrtRand model = Seed(7);
  d.InitSprite(s);
  const float x = model.Unit() * 800.0f;
  const float y = model.Unit() * 600.0f;
  const float vx = model.Uniform(-40.0f, 40.0f);
  const float vy = model.Uniform(-20.0f, 20.0f);
  const float phase = model.Unit();
  const float turn = model.Unit() * 0.008f - 0.004f;
  ExpectInStep(model);
  EXPECT_FLOAT_EQ(s.position.x, x);
  EXPECT_FLOAT_EQ(s.position.y, y);
  EXPECT_FLOAT_EQ(s.velocity.x, vx);
  EXPECT_FLOAT_EQ(s.velocity.y, vy);
  EXPECT_FLOAT_EQ(s.phase, phase);
  EXPECT_NEAR(s.rotation._11, std::cos(turn), 1e-6f);
  EXPECT_NEAR(s.rotation._12, std::sin(turn), 1e-6f);
  EXPECT_NEAR(s.rotation._21, -std::sin(turn), 1e-6f);
  EXPECT_LE(std::fabs(turn), 0.004f);
}

struct BounceCase {
  const char* what;
  D3DXVECTOR3 position;
  D3DXVECTOR3 velocity;
  float step;
  float vx, vy;  // after the update
};

TEST(Fog, PatchesTurnBackInTheFrameTheyPassAnEdge) {
  PictureSize picture(800, 600);
  // Area x 200..600, y 60..300.
  const BounceCase cases[] = {
      {"drifts past the bottom this frame", {400, 299.9f, 0}, {0, 10, 0}, 0.05f, 0, -10},
      {"below the bottom, already rising", {400, 1000, 0}, {5, -7, 0}, 0, 5, -7},
      {"above the top", {400, 59, 0}, {5, -7, 0}, 0, 5, 7},
      {"left of the left edge", {199, 100, 0}, {-5, 7, 0}, 0, 5, 7},
      {"right of the right edge", {601, 100, 0}, {5, 7, 0}, 0, -5, 7},
      {"exactly on the bottom edge", {400, 300, 0}, {5, 7, 0}, 0, 5, 7},
      {"outside a corner", {100, 400, 0}, {-5, 7, 0}, 0, 5, -7},
  };
  for (const BounceCase& c : cases) {
    SCOPED_TRACE(c.what);
    DS_FogConstructor d;
    SetEdges(d, 0.25f, 0.75f, 0.1f, 0.5f);
    SetTiming(d, c.step, 1.0f);
    DS_SpriteState s = PlainSprite();
    s.position = c.position;
    s.velocity = c.velocity;
    tw_test::CrtRand model = Seed(1);
    d.UpdateSprite(s);
    ExpectInStep(model);  // fog never draws while it moves
    EXPECT_EQ(s.velocity.x, c.vx);
    EXPECT_EQ(s.velocity.y, c.vy);
  }
}

TEST(Fog, PhaseStaysWithinItsRangeAndReverses) {
  DS_FogConstructor d;  // phase 0.2 .. 1, transparency 50: alpha byte 127
  SetTiming(d, 0.1f, 1.0f);
  DS_SpriteState s = PlainSprite();
  s.position = D3DXVECTOR3(400.0f, 300.0f, 0.0f);
  s.phase = 0.25f;
  s.phaseVelocity = -1.0f;
  tw_test::CrtRand model = Seed(1);
  d.UpdateSprite(s);
  ExpectInStep(model);  // held at the floor, not respawned
  EXPECT_FLOAT_EQ(s.phase, 0.2f);
  EXPECT_EQ(s.phaseVelocity, 1.0f);
  EXPECT_EQ(Alpha(s.color), 25u);  // 127 x 0.2 = 25.4
  EXPECT_EQ(s.color & 0xFFFFFFu, 0xFFFFFFu);

  s.phase = 0.95f;
  d.UpdateSprite(s);
  EXPECT_FLOAT_EQ(s.phase, 1.0f);
  EXPECT_EQ(s.phaseVelocity, -1.0f);
  EXPECT_EQ(Alpha(s.color), 127u);
}

TEST(Fog, PatchTurnsByItsAngleOncePerFrame) {
  DS_FogConstructor d;
  SetTiming(d, 0.0f, 0.0f);  // no object time passes: the turn still happens
  DS_SpriteState s = PlainSprite();
  s.position = D3DXVECTOR3(400.0f, 300.0f, 0.0f);
  D3DXMatrixRotationZ(&s.rotation, 0.003f);
  d.UpdateSprite(s);
  d.UpdateSprite(s);
  EXPECT_NEAR(s.rightAxis.x, std::cos(0.006f), 1e-6f);
  EXPECT_NEAR(s.rightAxis.y, std::sin(0.006f), 1e-6f);
  EXPECT_NEAR(s.upAxis.x, -std::sin(0.006f), 1e-6f);
  EXPECT_NEAR(s.upAxis.y, std::cos(0.006f), 1e-6f);
}

// ---------------------------------------------------------------------------------------
// Lighting

TEST(Lighting, ConstructorDefaults) {
  DS_LightingConstructor d;
  EXPECT_EQ(d.m_BlendMode.Get(), 1);
  EXPECT_TRUE(d.m_ViewFlag);
  EXPECT_EQ(d.TimeLine().m_Mode.Get(), DS_TimeLineControl::kModeRandomCycle);
  EXPECT_EQ(d.TimeLine().m_FadeTarget.Get(), DS_TimeLineControl::kFadeNone);
  EXPECT_EQ(d.TimeLine().m_HiddenTime.minimum.Get(), 100u);
  EXPECT_EQ(d.TimeLine().m_HiddenTime.maximum.Get(), 500u);
}

TEST(Lighting, FlashesAreNotDimmedByTheTimeLine) {
  DS_LightingConstructor lighting;
  DS_SparkleConstructor sparkle;
  HalveTimeLineAlpha(lighting);
  HalveTimeLineAlpha(sparkle);
  EXPECT_EQ(lighting.ApplyTimeLineAlpha(0x80123456u), 0x80123456u);
  EXPECT_EQ(sparkle.ApplyTimeLineAlpha(0x80123456u), 0x40123456u);
}

TEST(Lighting, InitSpritePlacesInsideTiltsAndMirrors) {
  PictureSize picture(800, 600);
  // The fourth draw picks the mirror: 26500 after srand(1) is even, 17795 after srand(2) odd.
  for (unsigned seed : {1u, 2u}) {
    SCOPED_TRACE(seed);
    DS_LightingConstructor d;
    d.m_SpriteSize.Store(40u);
    DS_SpriteState s = PlainSprite();
    s.phase = 1.0f;
    tw_test::CrtRand model = Seed(seed);
    d.InitSprite(s);
    const float x = model.Uniform(20.0f, 780.0f);
    const float y = model.Uniform(20.0f, 580.0f);
    const float angle = model.Unit() * 0.7853982f - 0.3926991f;
    const float sign = (model.Next() & 1) ? -1.0f : 1.0f;
    ExpectInStep(model);
    EXPECT_EQ(sign, seed == 1 ? 1.0f : -1.0f);
    EXPECT_FLOAT_EQ(s.halfWidth, 20.0f);
    EXPECT_FLOAT_EQ(s.halfHeight, 20.0f);
    EXPECT_FLOAT_EQ(s.position.x, x);
    EXPECT_FLOAT_EQ(s.position.y, y);
    EXPECT_NEAR(s.rightAxis.x, sign * std::cos(angle), 1e-6f);
    EXPECT_NEAR(s.rightAxis.y, sign * std::sin(angle), 1e-6f);
    EXPECT_NEAR(s.upAxis.x, -std::sin(angle), 1e-6f);
    EXPECT_NEAR(s.upAxis.y, std::cos(angle), 1e-6f);
    EXPECT_EQ(s.phase, 0.0f);
  }
}

TEST(Lighting, ANewSpriteFlashesOnItsFirstUpdate) {
  PictureSize picture(800, 600);
  DS_LightingConstructor d;
  d.m_SpriteSize.Store(40u);
  // As the geometry makes a sprite: Init, ResetBoundary, InitSprite.
  DS_SpriteState s;
  srand(3);
  s.Init(d);
  s.ResetBoundary(d);
  d.InitSprite(s);
  ASSERT_EQ(s.phase, 0.0f);

  tw_test::CrtRand model = Seed(1);
  d.UpdateTiming(0.05f);
  d.UpdateSprite(s);
  const float x = model.Uniform(20.0f, 780.0f);
  const float y = model.Uniform(20.0f, 580.0f);
  model.Skip(2);  // tilt and mirror
  ExpectInStep(model);
  EXPECT_EQ(s.phase, 1.0f);
  EXPECT_FLOAT_EQ(s.position.x, x);
  EXPECT_FLOAT_EQ(s.position.y, y);
  EXPECT_FLOAT_EQ(s.timer, d.AccumulatedTime());
  EXPECT_EQ(Alpha(s.color), 255u);
}

TEST(Lighting, FlashFlickersOnAnOddDrawEveryFifteenHundredths) {
  struct Case {
    unsigned seed;
    float timer;
    int draws;
    float phase;
  } const cases[] = {
      {1, 0.8f, 1, 1.0f},   // due, 41 is odd: back to full
      {3, 0.8f, 1, 0.2f},   // due, 48 is even: 0.5 - 0.05 x 6
      {1, 0.9f, 0, 0.2f},   // 0.1 s since the last look: no draw
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seed);
    DS_LightingConstructor d;
    SetTiming(d, 0.05f, 1.0f, 3.0f);
    DS_SpriteState s = PlainSprite();
    s.phase = 0.5f;
    s.timer = c.timer;
    tw_test::CrtRand model = Seed(c.seed);
    d.UpdateSprite(s);
    model.Skip(c.draws);
    ExpectInStep(model);
    EXPECT_FLOAT_EQ(s.phase, c.phase);
    EXPECT_FLOAT_EQ(s.timer, c.draws ? 1.0f : c.timer);
    EXPECT_EQ(s.waitTime, 0.0f);
  }
}

TEST(Lighting, PauseAfterAFlashComesFromTheHiddenTimeOnTheTimeLineClock) {
  PictureSize picture(800, 600);
  DS_LightingConstructor d;
  d.m_SpriteSize.Store(40u);
  DS_SpriteState s = PlainSprite();
  s.phase = 0.1f;
  s.timer = 1.0f;
  SetTiming(d, 0.05f, 1.0f, 7.0f);

  tw_test::CrtRand model = Seed(1);
  d.UpdateSprite(s);  // 0.1 - 0.3 < 0: the flash is over
  // Hidden time 100..500 hundredths: (100 + 41 mod 401) / 100 = 1.41 s.
  const float wait = float((100 + model.Next() % 401) * 0.01);
  ExpectInStep(model);
  EXPECT_FLOAT_EQ(wait, 1.41f);
  EXPECT_EQ(s.phase, 0.0f);
  EXPECT_EQ(s.timer, 7.0f);
  EXPECT_FLOAT_EQ(s.waitTime, wait);
  EXPECT_EQ(Alpha(s.color), 0u);

  // The object clock plays no part in the pause; 1.4 s of the time-line clock is not enough.
  model = Seed(5);
  SetTiming(d, 0.05f, 50.0f, 8.4f);
  d.UpdateSprite(s);
  ExpectInStep(model);
  EXPECT_EQ(s.phase, 0.0f);

  SetTiming(d, 0.05f, 50.0f, 8.5f);
  d.UpdateSprite(s);
  model.Skip(4);  // the new place, tilt and mirror
  ExpectInStep(model);
  EXPECT_EQ(s.phase, 1.0f);
  EXPECT_EQ(s.timer, 50.0f);
}

TEST(Lighting, PausesLastOneToFiveSeconds) {
  DS_LightingConstructor d;
  for (unsigned seed = 1; seed < 200; ++seed) {
    DS_SpriteState s = PlainSprite();
    s.phase = 0.01f;
    s.timer = 1.0f;
    SetTiming(d, 0.05f, 1.0f, 2.0f);
    tw_test::CrtRand model = Seed(seed);
    d.UpdateSprite(s);
    const float wait = float((100 + model.Next() % 401) * 0.01);
    ASSERT_FLOAT_EQ(s.waitTime, wait) << seed;
    ASSERT_GE(s.waitTime, 1.0f);
    ASSERT_LE(s.waitTime, 5.0f);
  }
}

}  // namespace

namespace {

// ---------------------------------------------------------------------------------------
// Through the geometry

TEST(DriftersInGeometry, NewSpritesDrawSizeFactorPhaseSignThenTheirOwnPlacement) {
  PictureSize picture(800, 600);
  DS_GodRayConstructor d;
  d.m_SpriteCount.Store(2u);
  d.m_SpriteSize.Store(30u);
  d.m_SizeFactorMin = 0.5f;
  d.m_SizeFactorMax = 1.5f;
  d.m_PhaseSpeed = 0.25f;
  tw_test::CrtRand model = Seed(1);
  std::unique_ptr<DS_ABObj> object(d.CreateRuntimeObject());
  auto* sprites = dynamic_cast<DS_SpriteArrayObj*>(object.get());
  ASSERT_NE(sprites, nullptr);
  ASSERT_EQ(sprites->m_Sprites.size(), 2u);
  for (const DS_SpriteState& s : sprites->m_Sprites) {
    const float sizeFactor = model.Uniform(0.5f, 1.5f);
    const float phaseVelocity = (model.Next() & 1) ? -0.25f : 0.25f;
    const float x = model.Unit() * 800.0f;
    const float vx = model.Unit() * 20.0f - 10.0f;
    const float phase = model.Unit();
    EXPECT_FLOAT_EQ(s.sizeFactor, sizeFactor);
    EXPECT_EQ(s.phaseVelocity, phaseVelocity);
    EXPECT_FLOAT_EQ(s.position.x, x);
    EXPECT_FLOAT_EQ(s.velocity.x, vx);
    EXPECT_FLOAT_EQ(s.phase, phase);
  }
  ExpectInStep(model);
}

TEST(DriftersInGeometry, VertexFillKeepsEachSystemsTimeLineRule) {
  PictureSize picture(800, 600);
  DS_LightingConstructor lighting;
  DS_GrassConstructor grass;         // fades its clock, not its colour
  DS_SparkleConstructor sparkle;     // the plain rule
  struct {
    DS_BaseSpriteProp* d;
    unsigned alpha;
  } const cases[] = {{&lighting, 0x80u}, {&grass, 0x80u}, {&sparkle, 0x40u}};
  for (const auto& c : cases) {
    SCOPED_TRACE(typeid(*c.d).name());
    HalveTimeLineAlpha(*c.d);
    ParticleGeomArray geometry;
    geometry.m_Description = c.d;
    geometry.m_Sprites.push_back(PlainSprite());
    geometry.m_Sprites[0].color = 0x80123456u;
    alignas(16) DX_V::PCT v[4];
    geometry.WriteVertices(*c.d, v, 1);
    for (const DX_V::PCT& vertex : v) EXPECT_EQ(vertex.color, (c.alpha << 24) | 0x123456u);
  }
}

}  // namespace
