// The swimming, flying and flowing sprite systems without a device: the order of their
// random draws (stored scenes look the same only with it), their motion rules, the flow's
// boundary wrap and drawn count, and the rain's phase cycle. Expected values are worked
// out from the rules with the C runtime's generator modelled in tests/support/CrtRand.h.
#include "core/render/StageView.h"
#include "objects/sprites/Flow.h"
#include "objects/sprites/SpriteGeometry.h"
#include "objects/sprites/SpriteObjects.h"
#include "objects/sprites/Swimmers.h"
#include "tests/support/CrtRand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

using tw_test::CrtRand;

class MotionLogic : public ::testing::Test {
protected:
  void SetUp() override {
    savedWidth_ = g_ScreenLayout.pictureWidth;
    savedHeight_ = g_ScreenLayout.pictureHeight;
    g_ScreenLayout.pictureWidth = 640;
    g_ScreenLayout.pictureHeight = 480;
  }
  void TearDown() override {
    g_ScreenLayout.pictureWidth = savedWidth_;
    g_ScreenLayout.pictureHeight = savedHeight_;
  }

private:
  UINT savedWidth_ = 0, savedHeight_ = 0;
};

// A sprite made the way the sprite batch makes one: the record's own set-up (size factor
// draw), its boundary reset (phase sign draw), then the system's InitSprite.
DS_SpriteState NewSprite(DS_ParticleSystemCtrl& d) {
  DS_SpriteState s;
  s.Init(d);
  s.ResetBoundary(d);
  d.InitSprite(s);
  return s;
}

// The placement area in pixels on the 640 x 480 picture.
void PlaceArea(DS_ViewObjCtrl& d, float left, float right, float top, float bottom) {
  d.m_NormLeft = left / 640.0f;
  d.m_NormRight = right / 640.0f;
  d.m_NormTop = top / 480.0f;
  d.m_NormBottom = bottom / 480.0f;
}

// The time line at a chosen alpha and state: one interval of the looped time, 0 to
// 200 s, fading in over its first 100 s. Looped time t gives alpha t / 100 below 100 s
// (state fade-in), 1 from 100 s (shown), and 0 beyond 200 s (hidden).
void SetTimeLine(DS_ABObj_Constructor& d, float loopedTime) {
  DS_TimeLineControl& line = d.TimeLine();
  line.m_Mode.Set(DS_TimeLineControl::kModeIntervals);
  if (line.Intervals().empty()) {
    DS_TimeInterval interval;
    interval.start = 0.0f;
    interval.end = 200.0f;
    interval.fadeInEnd = 100.0f;
    interval.fadeOutStart = 200.0f;
    ASSERT_TRUE(line.AddInterval(interval));
  }
  line.SetLoopTime(loopedTime);
}

unsigned char AlphaOf(D3DCOLOR c) { return static_cast<unsigned char>(c >> 24); }

template <class T>
std::unique_ptr<T> CloneOf(T& d) {
  return std::unique_ptr<T>(static_cast<T*>(d.Clone()));
}

// ---------------------------------------------------------------------------------------
// Fish, bird, ghost

TEST_F(MotionLogic, NewFishDrawsSizePhaseSignSpeedsThenPoint) {
  DS_FishConstructor d;
  PlaceArea(d, 160.0f, 480.0f, 240.0f, 480.0f);
  d.m_SpriteSize.Store(40u);
  d.m_SizeFactorMin = 0.5f;
  d.m_SizeFactorMax = 1.5f;
  d.m_PhaseSpeed = 0.25f;
  d.m_SpriteCount.Store(1u);

  std::srand(1);
  CrtRand model{1};
  ParticleGeomArray batch;  // made as the runtime object makes it: through the count
  batch.m_Description = &d;
  batch.BindCount(d.m_SpriteCount);
  ASSERT_EQ(batch.m_Sprites.size(), 1u);
  const DS_SpriteState& s = batch.m_Sprites[0];

  const float size = model.Uniform(0.5f, 1.5f);
  const int sign = model.Next();  // 18467: odd, so the phase falls first
  const float vx = model.Uniform(-100.0f, 100.0f);  // 6334: about -61.3, facing left
  const float vy = model.Uniform(-50.0f, 50.0f);
  const float x = 160.0f + model.Unit() * (480.0f - 160.0f);
  const float y = 240.0f + model.Unit() * (480.0f - 240.0f);
  ASSERT_TRUE(sign & 1);
  ASSERT_LT(vx, 0.0f);

  EXPECT_FLOAT_EQ(s.sizeFactor, size);
  EXPECT_FLOAT_EQ(s.phaseVelocity, -0.25f);
  EXPECT_FLOAT_EQ(s.velocity.x, vx);
  EXPECT_FLOAT_EQ(s.velocity.y, vy);
  EXPECT_FLOAT_EQ(s.velocity.z, 0.0f);
  EXPECT_FLOAT_EQ(s.position.x, x);
  EXPECT_FLOAT_EQ(s.position.y, y);
  // Square image (no texture: aspect 1): both half sizes are size x 20; moving left mirrors.
  EXPECT_FLOAT_EQ(s.halfWidth, -size * 20.0f);
  EXPECT_FLOAT_EQ(s.halfHeight, size * 20.0f);
  EXPECT_EQ(std::rand(), model.Next()) << "a new fish draws exactly six numbers";
}

TEST_F(MotionLogic, FishTurnsSidewaysOnlyOutsideAndVerticallyAtTheEdge) {
  // Area x 100..300, y 60..240; sprite half size 10. No time passes: only the turns act.
  struct Case {
    const char* what;
    float x, y, vx, halfWidth, vy;
    float wantVx, wantHalfWidth, wantVy;
  };
  const Case cases[] = {
      {"wholly left of the area: turns right, unmirrored", 89, 150, -20, -10, 5, 20, 10, 5},
      {"overlapping the left edge: keeps going", 91, 150, -20, -10, 5, -20, -10, 5},
      {"wholly right of the area: turns left, mirrored", 311, 150, 20, 10, 5, -20, -10, 5},
      {"overlapping the right edge: keeps going", 309, 150, 20, 10, 5, 20, 10, 5},
      {"a mirrored fish wholly right stays turned left", 311, 150, -20, -10, 5, -20, -10, 5},
      {"touching the top: turns down", 200, 69, 20, 10, -15, 20, 10, 15},
      {"clear of the top", 200, 71, 20, 10, -15, 20, 10, -15},
      {"touching the bottom: turns up", 200, 231, 20, 10, 15, 20, 10, -15},
      {"clear of the bottom", 200, 229, 20, 10, 15, 20, 10, 15},
  };
  DS_FishConstructor d;
  PlaceArea(d, 100.0f, 300.0f, 60.0f, 240.0f);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_SpriteState s;
    s.position = D3DXVECTOR3(c.x, c.y, 0.0f);
    s.velocity = D3DXVECTOR3(c.vx, c.vy, 0.0f);
    s.halfWidth = c.halfWidth;
    s.halfHeight = 10.0f;
    d.UpdateSprite(s);
    EXPECT_EQ(s.velocity.x, c.wantVx);
    EXPECT_EQ(s.halfWidth, c.wantHalfWidth);
    EXPECT_EQ(s.velocity.y, c.wantVy);
  }
}

TEST_F(MotionLogic, FishSpeedChangeAfterASecondKeepsTheHeading) {
  struct Case {
    const char* what;
    unsigned seed;
    float vx;
    bool changes;  // the first draw is odd
  };
  const Case cases[] = {
      {"left-facing, new speed drawn positive", 1, -40.0f, true},   // 41, then 18467: +12.7
      {"right-facing, new speed drawn negative", 12, 40.0f, true},  // 77, then 5628: -65.6
      {"even draw: nothing changes", 3, -40.0f, false},            // 48
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_FishConstructor d;
    PlaceArea(d, 0.0f, 640.0f, 0.0f, 480.0f);
    DS_SpriteState s;
    s.position = D3DXVECTOR3(320.0f, 240.0f, 0.0f);
    s.velocity = D3DXVECTOR3(c.vx, 5.0f, 0.0f);
    s.halfWidth = c.vx < 0 ? -10.0f : 10.0f;
    s.halfHeight = 10.0f;

    std::srand(c.seed);
    CrtRand model{c.seed};
    d.UpdateTiming(1.5f);  // last time 1.5: more than a second since the timer (0)
    d.UpdateSprite(s);
    EXPECT_FLOAT_EQ(s.timer, 1.5f);
    ASSERT_EQ((model.Next() & 1) != 0, c.changes);
    if (c.changes) {
      const float raw = model.Uniform(-100.0f, 100.0f);
      EXPECT_FLOAT_EQ(s.velocity.x, std::copysign(raw, c.vx));
      EXPECT_FLOAT_EQ(s.velocity.y, model.Uniform(-50.0f, 50.0f));
    } else {
      EXPECT_EQ(s.velocity.x, c.vx);
      EXPECT_EQ(s.velocity.y, 5.0f);
    }
    EXPECT_EQ(s.halfWidth, c.vx < 0 ? -10.0f : 10.0f) << "a speed change does not turn the fish";

    // Half a second later: no second change, no draw.
    d.UpdateTiming(2.0f);
    d.UpdateSprite(s);
    EXPECT_FLOAT_EQ(s.timer, 1.5f);
    EXPECT_EQ(std::rand(), model.Next());
  }
}

TEST_F(MotionLogic, BirdKeepsItsSpeedsUp) {
  // Maximum speeds 100 and 50: floors 70 and 35.
  struct Case {
    const char* what;
    float vx, vy;
    float wantVy;
    int wantSignX;  // 0: vx unchanged, else a new speed in 70..100 with this sign
  };
  const Case cases[] = {
      {"slow both ways, heading left", -30, -10, 30.7143f, -1},  // 35 + (-10) x 0.3 / 0.7
      {"fast both ways", 80, 40, 40.0f, 0},
      {"fast upwards, still", 0, -40, -40.0f, 1},
      {"slow downwards, heading right", 50, 34, 49.5714f, 1},  // 35 + 34 x 0.3 / 0.7
  };
  DS_BirdConstructor d;
  PlaceArea(d, 0.0f, 640.0f, 0.0f, 480.0f);
  std::srand(7);
  CrtRand model{7};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_SpriteState s;
    s.position = D3DXVECTOR3(320.0f, 240.0f, 0.0f);
    s.velocity = D3DXVECTOR3(c.vx, c.vy, 0.0f);
    s.halfWidth = 10.0f;
    s.halfHeight = 10.0f;
    d.UpdateSprite(s);
    EXPECT_NEAR(s.velocity.y, c.wantVy, 1e-3f);
    if (c.wantSignX == 0) {
      EXPECT_EQ(s.velocity.x, c.vx);
    } else {
      EXPECT_FLOAT_EQ(s.velocity.x, float(c.wantSignX) * model.Uniform(70.0f, 100.0f));
    }
  }
  EXPECT_EQ(std::rand(), model.Next());
}

TEST_F(MotionLogic, HiddenGhostIsPlacedAnewEveryFrame) {
  DS_GhostConstructor d;  // maximum speeds 50 and 50, transparency 50
  PlaceArea(d, 160.0f, 480.0f, 240.0f, 480.0f);
  d.m_SpriteSize.Store(40u);
  SetTimeLine(d, 300.0f);  // beyond the interval: hidden, alpha 0
  ASSERT_EQ(d.TimeLine().GetState(), kTimeLineInvisible);

  std::srand(5);
  CrtRand model{5};
  DS_SpriteState s = NewSprite(d);
  model.Skip(7);  // size factor, phase sign, two speeds, point, phase

  for (int frame = 1; frame <= 2; ++frame) {
    SCOPED_TRACE(frame);
    d.UpdateTiming(0.25f * float(frame));  // under a second: the fish draws nothing
    d.UpdateSprite(s);
    const float vx = model.Uniform(-50.0f, 50.0f);
    const float vy = model.Uniform(-50.0f, 50.0f);
    const float x = 160.0f + model.Unit() * 320.0f;
    const float y = 240.0f + model.Unit() * 240.0f;
    model.Next();  // the ghost's phase, overwritten by the time line's alpha
    EXPECT_FLOAT_EQ(s.velocity.x, vx);
    EXPECT_FLOAT_EQ(s.velocity.y, vy);
    EXPECT_FLOAT_EQ(s.position.x, x);
    EXPECT_FLOAT_EQ(s.position.y, y);
    EXPECT_EQ(s.halfWidth < 0.0f, vx < 0.0f);
    EXPECT_EQ(s.phase, 0.0f);
    EXPECT_EQ(AlphaOf(s.color), 0);
  }
  EXPECT_EQ(std::rand(), model.Next());
}

TEST_F(MotionLogic, ShownGhostSwimsAndTakesTheTimeLinesAlpha) {
  DS_GhostConstructor d;
  PlaceArea(d, 0.0f, 640.0f, 0.0f, 480.0f);
  SetTimeLine(d, 55.0f);  // fading in, alpha 0.55
  std::srand(9);
  CrtRand model{9};
  DS_SpriteState s = NewSprite(d);
  model.Skip(7);
  s.position = D3DXVECTOR3(320.0f, 240.0f, 0.0f);
  s.velocity = D3DXVECTOR3(-20.0f, 10.0f, 0.0f);
  d.UpdateTiming(0.1f);  // speed 50: a step of 0.1 s
  d.UpdateSprite(s);
  EXPECT_FLOAT_EQ(s.position.x, 318.0f);
  EXPECT_FLOAT_EQ(s.position.y, 241.0f);
  EXPECT_FLOAT_EQ(s.phase, 0.55f);
  EXPECT_EQ(AlphaOf(s.color), 69);  // transparency 50: 127 x 0.55 = 69.85
  EXPECT_EQ(std::rand(), model.Next());
}

TEST_F(MotionLogic, SwimmerClonesKeepTheirClassAndSpeeds) {
  DS_FishConstructor fish;
  fish.m_MaxSpeedX = 11.0f;
  DS_BirdConstructor bird;
  bird.m_MaxSpeedY = 22.0f;
  DS_GhostConstructor ghost;
  ghost.m_MaxSpeedX = 33.0f;
  std::unique_ptr<DS_ParticleSystemCtrl> copies[] = {
      std::unique_ptr<DS_ParticleSystemCtrl>(fish.Clone()),
      std::unique_ptr<DS_ParticleSystemCtrl>(bird.Clone()),
      std::unique_ptr<DS_ParticleSystemCtrl>(ghost.Clone()),
  };
  EXPECT_EQ(typeid(*copies[0]), typeid(DS_FishConstructor));
  EXPECT_EQ(typeid(*copies[1]), typeid(DS_BirdConstructor));
  EXPECT_EQ(typeid(*copies[2]), typeid(DS_GhostConstructor));
  EXPECT_EQ(static_cast<DS_FishConstructor&>(*copies[0]).m_MaxSpeedX, 11.0f);
  EXPECT_EQ(static_cast<DS_FishConstructor&>(*copies[1]).m_MaxSpeedY, 22.0f);
  EXPECT_EQ(static_cast<DS_FishConstructor&>(*copies[2]).m_MaxSpeedX, 33.0f);
  EXPECT_EQ(static_cast<DS_FishConstructor&>(*copies[2]).m_MaxSpeedY, 50.0f);
  EXPECT_FLOAT_EQ(copies[2]->m_PhaseSpeed, 0.66f);
  EXPECT_EQ(copies[2]->m_Transparency.Derived(), 127);
  EXPECT_EQ(copies[2]->TimeLine().m_FadeTarget.Get(), 1);
}

// ---------------------------------------------------------------------------------------
// Flow and rain

TEST_F(MotionLogic, NewFlowSpriteAndRainDropDrawOrder) {
  struct Case {
    const char* what;
    bool rain;
  };
  for (const Case& c : {Case{"flow", false}, Case{"rain", true}}) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<DS_FlowConstructor> d(c.rain ? new DS_RainConstructor() : new DS_FlowConstructor());
    d->m_SpriteSize.Store(20u);
    d->m_SizeFactorMin = 0.5f;
    d->m_SizeFactorMax = 1.0f;
    d->m_PhaseSpeed = 0.3f;
    if (!c.rain) {
      d->m_Orientation.Store(DS_FlowConstructor::kTurned);
      d->m_Direction.Set(90u);
    }
    d->m_SpriteCount.Store(1u);

    std::srand(1);
    CrtRand model{1};
    ParticleGeomArray batch;
    batch.m_Description = d.get();
    batch.BindCount(d->m_SpriteCount);
    ASSERT_EQ(batch.m_Sprites.size(), 1u);
    const DS_SpriteState& s = batch.m_Sprites[0];

    const float size = model.Uniform(0.5f, 1.0f);
    const float phaseVelocity = (model.Next() & 1) ? -0.3f : 0.3f;
    const float sideways = model.Unit() * 2.0f - 1.0f;
    const float x = model.Unit() * 640.0f;
    const float y = model.Unit() * 480.0f;
    EXPECT_FLOAT_EQ(s.sizeFactor, size);
    EXPECT_FLOAT_EQ(s.phaseVelocity, phaseVelocity);
    EXPECT_FLOAT_EQ(s.velocity.z, sideways);
    EXPECT_FLOAT_EQ(s.position.x, x);
    EXPECT_FLOAT_EQ(s.position.y, y);
    EXPECT_EQ(s.direction, D3DXVECTOR3(1.0f, 1.0f, 0.0f));
    EXPECT_EQ(s.velocity.x, 0.0f);
    EXPECT_EQ(s.velocity.y, 0.0f);
    EXPECT_FLOAT_EQ(s.halfWidth, size * 10.0f);
    if (c.rain) {
      EXPECT_FLOAT_EQ(s.phase, model.Unit());
      // Turned to 270 degrees, then a further 270: a falling drop stands upright.
      EXPECT_NEAR(s.rightAxis.x, 1.0f, 1e-5f);
      EXPECT_NEAR(s.rightAxis.y, 0.0f, 1e-5f);
      EXPECT_NEAR(s.upAxis.x, 0.0f, 1e-5f);
      EXPECT_NEAR(s.upAxis.y, 1.0f, 1e-5f);
    } else {
      EXPECT_EQ(s.phase, 1.0f);
      // Turned to 90 degrees (up the picture): x axis up, y axis to the right.
      EXPECT_NEAR(s.rightAxis.x, 0.0f, 1e-5f);
      EXPECT_NEAR(s.rightAxis.y, -1.0f, 1e-5f);
      EXPECT_NEAR(s.upAxis.x, 1.0f, 1e-5f);
      EXPECT_NEAR(s.upAxis.y, 0.0f, 1e-5f);
    }
    EXPECT_EQ(std::rand(), model.Next());
  }
}

TEST_F(MotionLogic, FlowMovesAlongItsDirectionWithTheSidewaysPart) {
  // One step of 0.1 s. Base speed B along the direction, lateral value L (3 L px/s) along
  // the cross axis (sin a, cos a) times the sprite's sideways factor, all times its size.
  struct Case {
    unsigned direction;
    float baseSpeed;
    unsigned lateral;
    float sideways, sizeFactor, signX;
    float wantDx, wantDy;
  };
  const Case cases[] = {
      {0, 30, 0, 0, 1, 1, 3, 0},        {0, 30, 0, 0, 0.5f, 1, 1.5f, 0},
      {90, 30, 0, 0, 1, 1, 0, -3},      {270, 30, 0, 0, 1, 1, 0, 3},
      {180, 30, 0, 0, 1, 1, -3, 0},     {0, 0, 10, 1, 1, 1, 0, 3},
      {90, 0, 10, -1, 0.5f, 1, -1.5f, 0}, {0, 30, 10, 1, 1, 1, 3, 3},
      // A bounce reverses the main motion only; the sideways part keeps its sign.
      {0, 30, 10, 1, 1, -1, -3, 3},
  };
  std::srand(3);
  CrtRand model{3};
  for (const Case& c : cases) {
    SCOPED_TRACE("direction " + std::to_string(c.direction) + " speed " + std::to_string(c.baseSpeed) +
                 " lateral " + std::to_string(c.lateral) + " size " + std::to_string(c.sizeFactor));
    DS_FlowConstructor d;
    d.m_BaseSpeed = c.baseSpeed;
    d.m_Direction.Store(c.direction);  // as the reader stores it: the copy turns it into vectors
    d.m_LateralSpeed.Store(c.lateral);
    std::unique_ptr<DS_FlowConstructor> flow = CloneOf(d);
    DS_SpriteState s;
    s.position = D3DXVECTOR3(320.0f, 240.0f, 0.0f);
    s.direction = D3DXVECTOR3(c.signX, 1.0f, 0.0f);
    s.velocity.z = c.sideways;
    s.sizeFactor = c.sizeFactor;
    s.halfWidth = s.halfHeight = 5.0f;
    flow->UpdateTiming(0.1f);
    flow->UpdateSprite(s);
    EXPECT_NEAR(s.position.x - 320.0f, c.wantDx, 1e-3f);
    EXPECT_NEAR(s.position.y - 240.0f, c.wantDy, 1e-3f);
  }
  EXPECT_EQ(std::rand(), model.Next()) << "a lateral rate of 0 never draws";
}

TEST_F(MotionLogic, FlowOrientationsTwoAndThreeMirrorToTheMotion) {
  struct Case {
    int orientation;
    unsigned direction;
    D3DXVECTOR3 wantRight, wantUp;
  };
  const D3DXVECTOR3 oddRight(0.0f, 1.0f, 0.0f), oddUp(1.0f, 0.0f, 0.0f);  // axes the update must leave
  const Case cases[] = {
      {2, 180, {-1, 0, 0}, {0, 1, 0}},  // moving left: mirrored
      {2, 0, {1, 0, 0}, {0, 1, 0}},
      {3, 90, {1, 0, 0}, {0, -1, 0}},   // moving up: upside down
      {3, 270, {1, 0, 0}, {0, 1, 0}},
      {0, 180, oddRight, oddUp},        // upright and turned sprites keep their axes
      {1, 180, oddRight, oddUp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("orientation " + std::to_string(c.orientation) + " direction " + std::to_string(c.direction));
    DS_FlowConstructor d;
    d.m_BaseSpeed = 30.0f;
    d.m_Direction.Store(c.direction);
    d.m_Orientation.Store(c.orientation);
    std::unique_ptr<DS_FlowConstructor> flow = CloneOf(d);
    DS_SpriteState s;
    s.position = D3DXVECTOR3(320.0f, 240.0f, 0.0f);
    s.direction = D3DXVECTOR3(1.0f, 1.0f, 0.0f);
    s.halfWidth = s.halfHeight = 5.0f;
    s.rightAxis = oddRight;
    s.upAxis = oddUp;
    flow->UpdateTiming(0.1f);
    flow->UpdateSprite(s);
    EXPECT_EQ(s.rightAxis, c.wantRight);
    EXPECT_EQ(s.upAxis, c.wantUp);
  }
}

TEST_F(MotionLogic, FlowDrawsFewerSpritesAsItsTimeLineFades) {
  struct Case {
    unsigned count;
    float loopedTime;  // 55: alpha 0.55; 150: alpha 1; 300: hidden, alpha 0
    unsigned want;
  };
  const Case cases[] = {
      {10, 55, 5}, {1, 55, 1}, {1, 300, 1}, {0, 150, 0}, {2, 55, 1},
      {10, 150, 10}, {10, 300, 0}, {20000, 150, 16384},  // never more than one buffer holds
  };
  for (bool rain : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(rain ? "rain" : "flow") + " count " + std::to_string(c.count) + " at " +
                   std::to_string(c.loopedTime));
      std::unique_ptr<DS_FlowConstructor> d(rain ? new DS_RainConstructor() : new DS_FlowConstructor());
      SetTimeLine(*d, c.loopedTime);
      d->m_SpriteCount.Store(c.count);
      EXPECT_EQ(d->GetSpriteCount(), c.want);
    }
  }
}

TEST_F(MotionLogic, FlowWithPlainControlsWrapsALeavingSpriteWithoutAFade) {
  DS_FlowConstructor d;  // all four controls: mode 0, no fades, no delay
  d.m_BaseSpeed = 100.0f;
  d.m_SpriteSize.Store(10u);
  std::unique_ptr<DS_FlowConstructor> flow = CloneOf(d);
  std::srand(11);
  DS_SpriteState s = NewSprite(*flow);
  s.position = D3DXVECTOR3(630.0f, 240.0f, 0.0f);

  bool left = false, back = false;
  float t = 0.0f;
  for (int frame = 0; frame < 20 && !back; ++frame) {
    SCOPED_TRACE(frame);
    t += 0.1f;
    flow->UpdateTiming(t);
    const float before = s.position.x;
    flow->UpdateSprite(s);
    EXPECT_TRUE(s.phase == 0.0f || s.phase == 1.0f) << "no fade: " << s.phase;
    if (!left && s.position.x < 320.0f) {
      left = true;
      // Just inside the opposite side: left edge - half width + 1.
      EXPECT_FLOAT_EQ(s.position.x, -4.0f);
      EXPECT_GE(s.position.y, 0.0f);
      EXPECT_LE(s.position.y, 480.0f);
    }
    if (left && s.position.x > before) back = s.boundarySide == -1;
  }
  EXPECT_TRUE(left) << "the sprite never wrapped";
  EXPECT_TRUE(back) << "the sprite never moved on from the left side";
  EXPECT_FALSE(s.held);
  EXPECT_FALSE(s.entering);
  EXPECT_EQ(s.phase, 1.0f);
  EXPECT_EQ(AlphaOf(s.color), 255);
}

TEST_F(MotionLogic, FlowCopyOwnsItsDirectionListenerAndControls) {
  auto source = std::make_unique<DS_FlowConstructor>();
  source->m_BaseSpeed = 40.0f;
  source->m_Direction.Store(90u);
  source->m_LeftControl.m_Mode.Store(2);
  source->m_LeftControl.m_DelayMin.Store(2000u);
  source->m_RightControl.m_FadeInTime.Store(400u);
  std::unique_ptr<DS_FlowConstructor> copy = CloneOf(*source);

  EXPECT_NEAR(copy->m_Velocity.x, 0.0f, 1e-4f);
  EXPECT_NEAR(copy->m_Velocity.y, -40.0f, 1e-4f);
  EXPECT_NEAR(copy->m_Cross.x, 1.0f, 1e-6f);
  EXPECT_NEAR(copy->m_Cross.y, 0.0f, 1e-6f);
  for (int side = 0; side < 4; ++side) {
    EXPECT_EQ(copy->Control(side).m_Side, side);
    EXPECT_NE(copy->Control(side).m_OutsideTest, nullptr);
    EXPECT_NE(copy->Control(side).m_CrossingTest, nullptr);
  }
  EXPECT_EQ(copy->m_LeftControl.m_Mode.Get(), 2);
  EXPECT_EQ(copy->m_LeftControl.m_DelayMin.Get(), 2000u);
  EXPECT_EQ(copy->m_RightControl.m_FadeInTime.Get(), 400u);

  // A change of the copy's direction turns the copy, not the source.
  const D3DXVECTOR4 sourceVelocity = source->m_Velocity;
  copy->m_Direction.Set(180u);
  EXPECT_NEAR(copy->m_Velocity.x, -40.0f, 1e-4f);
  EXPECT_EQ(source->m_Velocity, sourceVelocity);
  // With the source gone the copy still answers its own direction.
  source.reset();
  copy->m_Direction.Set(0u);
  EXPECT_NEAR(copy->m_Velocity.x, 40.0f, 1e-4f);
  EXPECT_NEAR(copy->m_Velocity.y, 0.0f, 1e-4f);

  DS_RainConstructor rain;
  std::unique_ptr<DS_FlowConstructor> rainCopy = CloneOf<DS_FlowConstructor>(rain);
  EXPECT_EQ(typeid(*rainCopy), typeid(DS_RainConstructor));
  EXPECT_NEAR(rainCopy->m_Velocity.y, 2000.0f, 1e-2f);  // 2000 px/s straight down
  EXPECT_EQ(rainCopy->m_Orientation.Get(), 1);
}

TEST_F(MotionLogic, RainDropWithoutPhaseSpeedNeverRespawns) {
  DS_RainConstructor d;
  d.m_PhaseSpeed = 0.0f;
  d.m_BaseSpeed = 20.0f;
  d.m_SpriteSize.Store(10u);
  std::unique_ptr<DS_FlowConstructor> rain = CloneOf<DS_FlowConstructor>(d);
  std::srand(2);
  CrtRand model{2};
  DS_SpriteState s = NewSprite(*rain);
  model.Skip(6);  // size factor, phase sign, sideways, point, phase
  const float phase = s.phase;
  const float size = s.sizeFactor;
  s.position = D3DXVECTOR3(320.0f, 20.0f, 0.0f);
  float t = 0.0f;
  for (int frame = 0; frame < 50; ++frame) {
    t += 0.1f;
    rain->UpdateTiming(t);
    rain->UpdateSprite(s);
  }
  EXPECT_EQ(s.phase, phase);
  EXPECT_EQ(s.phaseVelocity, 0.0f);
  EXPECT_FLOAT_EQ(s.position.x, 320.0f);
  EXPECT_NEAR(s.position.y, 20.0f + 50 * 0.1f * 20.0f * size, 1e-2f);  // moved, never re-placed
  EXPECT_EQ(std::rand(), model.Next()) << "a respawn would have drawn";
}

TEST_F(MotionLogic, RespawnedRainDropIsFreeOfItsBoundaryWait) {
  DS_RainConstructor d;
  d.m_BaseSpeed = 100.0f;
  d.m_SpriteSize.Store(10u);
  d.m_PhaseSpeed = 1.0f;
  d.m_PhaseMin = 0.5f;
  d.m_PhaseMax = 1.0f;
  d.m_LeftControl.m_Mode.Store(2);  // return after a delay
  d.m_LeftControl.m_DelayMin.Store(2000u);
  d.m_LeftControl.m_DelayMax.Store(5000u);
  std::unique_ptr<DS_FlowConstructor> rain = CloneOf<DS_FlowConstructor>(d);

  std::srand(4);
  CrtRand model{4};
  DS_SpriteState s = NewSprite(*rain);
  model.Skip(6);
  // Waiting at the left side, held for seconds yet, when its phase runs out.
  rain->UpdateTiming(0.1f);
  s.held = true;
  s.boundarySide = 2;
  s.delayDeadline = 3.0f;
  s.delayTimer = 0.1f;
  s.timer = 0.1f;
  s.phase = 0.55f;
  s.phaseVelocity = -1.0f;
  rain->UpdateSprite(s);  // 0.55 - 0.1 falls below 0.5: the drop respawns

  model.Next();  // sideways
  const float x = model.Unit() * 640.0f;
  const float y = model.Unit() * 480.0f;
  model.Next();  // phase, then put at the minimum
  EXPECT_FLOAT_EQ(s.position.x, x);
  EXPECT_FLOAT_EQ(s.position.y, y);
  EXPECT_EQ(s.phase, 0.5f);
  EXPECT_EQ(s.phaseVelocity, 1.0f);
  EXPECT_FALSE(s.held);
  EXPECT_FALSE(s.entering);
  EXPECT_EQ(s.boundarySide, -1);
  EXPECT_EQ(s.delayDeadline, 0.0f);
  EXPECT_EQ(s.delayTimer, 0.0f);
  EXPECT_EQ(s.timer, 0.0f);

  // The next frame it falls: 100 px/s times its size for 0.1 s.
  rain->UpdateTiming(0.2f);
  rain->UpdateSprite(s);
  EXPECT_NEAR(s.position.y - y, 10.0f * s.sizeFactor, 1e-3f);
  EXPECT_EQ(std::rand(), model.Next());
}

// Every class through its runtime object for a while: no device, no texture, and the
// sprites stay where numbers are finite.
TEST_F(MotionLogic, RuntimeObjectsRunWithoutADevice) {
  std::vector<std::unique_ptr<DS_ParticleSystemCtrl>> descriptions;
  descriptions.emplace_back(new DS_FishConstructor());
  descriptions.emplace_back(new DS_BirdConstructor());
  descriptions.emplace_back(new DS_GhostConstructor());
  descriptions.emplace_back(new DS_FlowConstructor());
  descriptions.emplace_back(new DS_RainConstructor());
  std::srand(1);
  for (auto& d : descriptions) {
    SCOPED_TRACE(typeid(*d).name());
    d->m_SpriteCount.Store(25u);
    d->m_SpriteSize.Store(16u);
    d->m_PhaseSpeed = 0.5f;
    d->TimeLine().m_Mode.Set(DS_TimeLineControl::kModeRandomCycle);
    std::unique_ptr<DS_ABObj> object(d->CreateRuntimeObject());
    auto* sprites = dynamic_cast<DS_SpriteArrayObj*>(object.get());
    ASSERT_NE(sprites, nullptr);
    ASSERT_EQ(sprites->m_Sprites.size(), 25u);
    for (int frame = 1; frame <= 300; ++frame) object->AdvanceTime(0.05f * float(frame));
    for (const DS_SpriteState& s : sprites->m_Sprites) {
      EXPECT_TRUE(std::isfinite(s.position.x) && std::isfinite(s.position.y));
      EXPECT_TRUE(std::isfinite(s.phase));
    }
  }
}

}  // namespace
