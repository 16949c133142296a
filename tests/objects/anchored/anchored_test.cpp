// Grass, stat-obj, flower and discharge: placement, bounds, sway and frame choice,
// worked out by hand from the rules and the C runtime's rand sequence.
#include "objects/sprites/Anchored.h"

#include "AnchoredTestSupport.h"
#include "objects/sprites/SpriteObjects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <set>

using namespace anchored_test;

namespace {

const double kTan3 = std::tan(3.0 * kPi / 180.0);     // 0.0524078
const double kTan1_5 = std::tan(1.5 * kPi / 180.0);   // 0.0261859

// ---------------------------------------------------------------------------------------
// Grass

TEST(Grass, ConstructorSlowsTheClockWithTheTimeLine) {
  DS_GrassConstructor d;
  EXPECT_EQ(d.TimeLine().m_FadeTarget.Get(), DS_TimeLineControl::kFadeClock);
  EXPECT_EQ(d.m_Sway, 3.0f);
}

TEST(Grass, InitSpriteStandsTheBladeOnTheBottomEdge) {
  PictureSize picture(800, 600);
  // The third draw picks the mirror: 6334 after srand(1) is even, 12255 after srand(5) odd.
  for (unsigned seed : {1u, 5u}) {
    SCOPED_TRACE(seed);
    DS_GrassConstructor d;
    SetEdges(d, 0.25f, 0.75f, 0.1f, 0.5f);  // x 200..600, bottom 300
    DS_SpriteState s = PlainSprite();
    s.halfWidth = 10.0f;
    s.halfHeight = 40.0f;
    tw_test::CrtRand model = Seed(seed);
    d.InitSprite(s);
    const float x = 200.0f + model.Unit() * 400.0f;
    const float offset = model.Unit() * 1.5707964f;
    const float mirror = (model.Next() & 1) ? -1.0f : 1.0f;
    ExpectInStep(model);
    EXPECT_EQ(mirror, seed == 1 ? 1.0f : -1.0f);
    EXPECT_FLOAT_EQ(s.position.x, x);
    EXPECT_FLOAT_EQ(s.position.y, 260.0f);
    EXPECT_FLOAT_EQ(DS_GrassConstructor::RootX(s), x);
    EXPECT_FLOAT_EQ(DS_GrassConstructor::SwayOffset(s), offset);
    EXPECT_EQ(s.rightAxis, D3DXVECTOR3(mirror, 0.0f, 0.0f));
    // The half size is the one Init set.
    EXPECT_EQ(s.halfWidth, 10.0f);
    EXPECT_EQ(s.halfHeight, 40.0f);
  }
}

struct SwayCase {
  float time, offset, x;
};

TEST(Grass, BladeLeansByTheSineOfTheWaveAboutItsRoot) {
  PictureSize picture(800, 600);
  const SwayCase cases[] = {
      {0.0f, 1.5707964f, 0.0f},  // sine 1: the full 3 degrees, x = -50 x tan 3 = -2.6204
      {0.0f, 0.0f, 0.0f},        // sine 0: upright
      {1.0f, 0.5f, 200.0f},      // sin(1.5 + pi / 2) = 0.0707
      {2.0f, 0.25f, 600.0f},     // sin(2.25 + 3 pi / 2) = -0.628
  };
  for (const SwayCase& c : cases) {
    SCOPED_TRACE(c.x);
    DS_GrassConstructor d;
    SetTiming(d, 0.1f, c.time);
    DS_SpriteState s = PlainSprite();
    s.halfHeight = 50.0f;
    s.position.x = c.x;
    DS_GrassConstructor::RootX(s) = c.x + 1.0f;
    DS_GrassConstructor::SwayOffset(s) = c.offset;
    tw_test::CrtRand model = Seed(1);
    d.UpdateSprite(s);
    ExpectInStep(model);
    const double sine = std::sin(double(c.time) + c.offset + c.x / 800.0 * 2.0 * kPi);
    const double lean = std::tan(sine * 3.0 * kPi / 180.0);
    EXPECT_NEAR(s.upAxis.x, lean, 2e-6);
    EXPECT_EQ(s.upAxis.y, 1.0f);
    EXPECT_NEAR(s.position.x, c.x + 1.0f - lean * 50.0, 1e-4);
  }
  // The first case by hand.
  DS_GrassConstructor d;
  SetTiming(d, 0.1f, 0.0f);
  DS_SpriteState s = PlainSprite();
  s.halfHeight = 50.0f;
  s.position.x = 0.0f;
  DS_GrassConstructor::RootX(s) = 0.0f;
  DS_GrassConstructor::SwayOffset(s) = 1.5707964f;
  d.UpdateSprite(s);
  EXPECT_NEAR(s.upAxis.x, 0.0524078f, 1e-6f);
  EXPECT_NEAR(s.position.x, -2.62039f, 1e-4f);
}

TEST(Grass, LeanStaysWithinTheSwayAndReachesIt) {
  PictureSize picture(800, 600);
  DS_GrassConstructor d;  // sway 3
  DS_SpriteState s = PlainSprite();
  s.halfHeight = 50.0f;
  s.position.x = 123.0f;
  DS_GrassConstructor::RootX(s) = 123.0f;
  double largest = 0.0;
  for (int i = 0; i < 1000; ++i) {
    SetTiming(d, 0.01f, i * 0.01f);
    d.UpdateSprite(s);
    largest = std::max(largest, std::fabs(double(s.upAxis.x)));
    ASSERT_LE(std::fabs(s.upAxis.x), kTan3 + 1e-6) << i;
  }
  EXPECT_GT(largest, kTan3 * 0.999);
}

TEST(Grass, WaveRepeatsOnceAcrossThePicture) {
  PictureSize picture(800, 600);
  DS_GrassConstructor d;
  DS_SpriteState a = PlainSprite();
  DS_SpriteState b = PlainSprite();
  a.halfHeight = b.halfHeight = 50.0f;
  a.position.x = DS_GrassConstructor::RootX(a) = 100.0f;
  b.position.x = DS_GrassConstructor::RootX(b) = 900.0f;
  DS_GrassConstructor::SwayOffset(a) = DS_GrassConstructor::SwayOffset(b) = 0.3f;
  DS_SpriteState half = a;  // half a picture away sways against them
  half.position.x = DS_GrassConstructor::RootX(half) = 500.0f;
  for (int i = 0; i < 50; ++i) {
    SetTiming(d, 0.1f, i * 0.13f);
    d.UpdateSprite(a);
    d.UpdateSprite(b);
    d.UpdateSprite(half);
    EXPECT_NEAR(a.upAxis.x, b.upAxis.x, 1e-5f) << i;
    EXPECT_NEAR(a.upAxis.x, -half.upAxis.x, 5e-3f) << i;
  }
}

TEST(Grass, SwayReachingNinetyDegreesStaysFinite) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (UINT width : {800u, 0u}) {
    PictureSize picture(width, 600);
    for (float sway : {90.0f, -90.0f, 135.0f, 180.0f, 1e30f, inf, nan}) {
      for (float offset : {1.5707964f, -1.5707964f, 0.0f}) {
        SCOPED_TRACE(testing::Message() << "width " << width << " sway " << sway << " offset " << offset);
        DS_GrassConstructor d;
        d.m_Sway = sway;
        SetTiming(d, 0.1f, 0.0f);
        DS_SpriteState s = PlainSprite();
        s.halfHeight = 50.0f;
        DS_GrassConstructor::SwayOffset(s) = offset;
        d.UpdateSprite(s);
        d.UpdateSprite(s);
        EXPECT_TRUE(std::isfinite(s.upAxis.x));
        EXPECT_TRUE(std::isfinite(s.position.x));
        // Held within 89 degrees: tan 89 = 57.29.
        EXPECT_LE(std::fabs(s.upAxis.x), 57.3f);
      }
    }
  }
}

TEST(Grass, WithoutAPictureWidthBladesSwayWithoutTheWave) {
  PictureSize picture(0, 600);
  DS_GrassConstructor d;
  SetTiming(d, 0.1f, 0.0f);
  DS_SpriteState s = PlainSprite();
  s.halfHeight = 50.0f;
  s.position.x = DS_GrassConstructor::RootX(s) = 30.0f;
  DS_GrassConstructor::SwayOffset(s) = 1.5707964f;  // sine 1 without the wave's term
  d.UpdateSprite(s);
  EXPECT_NEAR(s.upAxis.x, kTan3, 1e-6);
  EXPECT_NEAR(s.position.x, 30.0 - kTan3 * 50.0, 1e-4);
}

TEST(SwayLean, TangentOfTheLeanHeldShortOfNinety) {
  EXPECT_NEAR(SwayLean(0.0f), 0.0f, 1e-6f);
  EXPECT_NEAR(SwayLean(3.0f), 0.0524078f, 1e-6f);
  EXPECT_NEAR(SwayLean(-1.5f), -0.0261859f, 1e-6f);
  EXPECT_NEAR(SwayLean(90.0f), 57.29f, 0.01f);
  EXPECT_NEAR(SwayLean(-90.0f), -57.29f, 0.01f);
}

struct FadeCase {
  int fadeTarget;
  D3DCOLOR expected;
};

TEST(Grass, TimeLineDimsOnlyWhenItFadesTheColour) {
  const FadeCase cases[] = {{DS_TimeLineControl::kFadeNone, 0x80336699u},
                            {DS_TimeLineControl::kFadeColorAlpha, 0x40336699u},
                            {DS_TimeLineControl::kFadeClock, 0x80336699u}};
  for (const FadeCase& c : cases) {
    SCOPED_TRACE(c.fadeTarget);
    DS_GrassConstructor grass;
    DS_FlowerConstructor flower;
    for (DS_BaseSpriteProp* d : {static_cast<DS_BaseSpriteProp*>(&grass), static_cast<DS_BaseSpriteProp*>(&flower)}) {
      HalveTimeLineAlpha(*d);
      d->TimeLine().m_FadeTarget.Store(c.fadeTarget);
      EXPECT_EQ(d->ApplyTimeLineAlpha(0x80336699u), c.expected);
    }
  }
}

// ---------------------------------------------------------------------------------------
// Stat-obj

struct BoundsCase {
  unsigned rotation;
  float aspect;
  unsigned size;
  int cx, cy;
  int left, right, top, bottom;
};

TEST(StatObj, BoundsHoldTheTurnedPicture) {
  const BoundsCase cases[] = {
      {0, 1.0f, 100, 400, 300, 350, 450, 250, 350},
      // 200 x 100 before turning, 100 wide and 200 high after.
      {90, 0.5f, 200, 400, 300, 350, 450, 200, 400},
      {270, 0.5f, 200, 400, 300, 350, 450, 200, 400},
      {180, 1.0f, 100, 400, 300, 350, 450, 250, 350},
      // 400 -/+ 2 x 35.355, truncated.
      {45, 1.0f, 100, 400, 300, 329, 470, 229, 370},
      // Truncation is towards zero.
      {0, 1.0f, 100, 10, 20, -40, 60, -30, 70},
  };
  for (const BoundsCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "rotation " << c.rotation << " centre " << c.cx << "," << c.cy);
    DS_StatObjConstructor d;
    d.m_Rotation.Store(c.rotation);
    d.m_SpriteSize.Store(c.size);
    d.m_Bounds.extra1.Store(c.cx);
    d.m_Bounds.extra2.Store(c.cy);
    DS_SpriteState s = PlainSprite();
    s.aspect = c.aspect;
    tw_test::CrtRand model = Seed(1);
    d.InitSprite(s);
    ExpectInStep(model);
    EXPECT_EQ(s.position, D3DXVECTOR3(float(c.cx), float(c.cy), 0.0f));
    EXPECT_EQ(d.m_Bounds.left.Get(), c.left);
    EXPECT_EQ(d.m_Bounds.right.Get(), c.right);
    EXPECT_EQ(d.m_Bounds.top.Get(), c.top);
    EXPECT_EQ(d.m_Bounds.bottom.Get(), c.bottom);
    // The centre stays.
    EXPECT_EQ(d.m_Bounds.extra1.Get(), c.cx);
    EXPECT_EQ(d.m_Bounds.extra2.Get(), c.cy);
  }
}

TEST(StatObj, TurnsCounterClockwiseOnTheScreen) {
  DS_StatObjConstructor d;
  d.m_Rotation.Store(90u);
  d.m_SpriteSize.Store(100u);
  DS_SpriteState s = PlainSprite();
  d.InitSprite(s);
  // y grows downwards: the x axis turned a quarter counter-clockwise points up the picture.
  EXPECT_NEAR(s.rightAxis.x, 0.0f, 1e-6f);
  EXPECT_NEAR(s.rightAxis.y, -1.0f, 1e-6f);
  EXPECT_NEAR(s.upAxis.x, 1.0f, 1e-6f);
  EXPECT_NEAR(s.upAxis.y, 0.0f, 1e-6f);
  EXPECT_NEAR(d.m_RotationMatrix._12, -1.0f, 1e-6f);
}

TEST(StatObj, PlacedSpriteTakesItsColourAtItsPhase) {
  DS_StatObjConstructor d;
  d.m_Color.Store(0x00996633u);  // red 0x33, green 0x66, blue 0x99
  d.m_Transparency.Set(50u);     // alpha byte 127
  DS_SpriteState s = PlainSprite();
  s.phase = 1.0f;
  d.InitSprite(s);
  EXPECT_EQ(s.color, 0x7F336699u);
}

TEST(StatObj, ScreenQuadIsTheBounds) {
  DS_StatObjConstructor d;
  d.m_SpriteSize.Store(100u);
  d.m_Bounds.extra1.Store(400);
  d.m_Bounds.extra2.Store(300);
  DS_SpriteState s = PlainSprite();
  d.InitSprite(s);
  QuadVertices q;
  QuadVertices& result = d.GetScreenQuad(q);
  EXPECT_EQ(&result, &q);
  const float expected[4][5] = {
      {350, 350, 1, 0, 1}, {350, 250, 1, 0, 0}, {450, 350, 1, 1, 1}, {450, 250, 1, 1, 0}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(q[i].x, expected[i][0]);
    EXPECT_EQ(q[i].y, expected[i][1]);
    EXPECT_EQ(q[i].z, expected[i][2]);
    EXPECT_EQ(q[i].u, expected[i][3]);
    EXPECT_EQ(q[i].v, expected[i][4]);
  }
}

TEST(StatObj, HitTestIsTheBoundsWithItsEdges) {
  PictureSize picture(800, 600);
  DS_StatObjConstructor d;
  d.m_SpriteSize.Store(100u);
  d.m_Bounds.extra1.Store(400);
  d.m_Bounds.extra2.Store(300);
  DS_SpriteState s = PlainSprite();
  d.InitSprite(s);  // bounds 350..450 x 250..350
  struct {
    float x, y;
    bool hit;
  } const cases[] = {{400, 300, true},   {350, 250, true},  {450, 350, true}, {349.5f, 300, false},
                     {450.5f, 300, false}, {400, 249, false}, {400, 351, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    EXPECT_EQ(d.HitTest(c.x, c.y), c.hit);
  }
}

TEST(StatObj, RuntimeObjectCentresOnlyAnUnplacedDescription) {
  PictureSize picture(801, 601);
  struct {
    bool placed;
    int cx, cy;
  } const cases[] = {{false, 400, 300}, {true, 10, 20}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.placed);
    DS_StatObjConstructor d;
    d.m_Flag = c.placed;
    d.m_SpriteSize.Store(100u);
    d.m_Bounds.extra1.Store(10);
    d.m_Bounds.extra2.Store(20);
    std::unique_ptr<DS_ABObj> object(d.CreateRuntimeObject());
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(d.m_Flag);
    EXPECT_EQ(d.m_Bounds.extra1.Get(), c.cx);  // 801 / 2 in whole pixels
    EXPECT_EQ(d.m_Bounds.extra2.Get(), c.cy);
    // The runtime object's own copy placed its sprite there.
    auto* sprites = dynamic_cast<DS_SpriteArrayObj*>(object.get());
    ASSERT_NE(sprites, nullptr);
    ASSERT_EQ(sprites->m_Sprites.size(), 1u);
    EXPECT_EQ(sprites->m_Sprites[0].position, D3DXVECTOR3(float(c.cx), float(c.cy), 0.0f));
    auto& copy = static_cast<DS_StatObjConstructor&>(sprites->Desc());
    EXPECT_NE(&copy, &d);
    EXPECT_EQ(copy.m_Bounds.left.Get(), c.cx - 50);
    EXPECT_EQ(copy.m_Bounds.bottom.Get(), c.cy + 50);
  }
}

// ---------------------------------------------------------------------------------------
// Flower

// A flower of sprite size 100 and the given rotation, placed at (400, 300).
std::unique_ptr<DS_FlowerConstructor> PlacedFlower(unsigned rotation, DS_SpriteState& s) {
  auto d = std::make_unique<DS_FlowerConstructor>();
  d->m_Rotation.Store(rotation);
  d->m_SpriteSize.Store(100u);
  d->m_Bounds.extra1.Store(400);
  d->m_Bounds.extra2.Store(300);
  s = PlainSprite();
  s.aspect = 0.5f;  // 100 x 50
  d->InitSprite(s);
  return d;
}

D3DXVECTOR3 BottomCentre(const DS_SpriteState& s) { return s.position + s.halfHeight * s.upAxis; }
D3DXVECTOR3 TopCentre(const DS_SpriteState& s) { return s.position - s.halfHeight * s.upAxis; }

TEST(Flower, ConstructorSlowsTheClockWithTheTimeLine) {
  DS_FlowerConstructor d;
  EXPECT_EQ(d.TimeLine().m_FadeTarget.Get(), DS_TimeLineControl::kFadeClock);
  EXPECT_EQ(d.m_Sway, 1.5f);
}

TEST(Flower, UprightAtSineZeroWhateverTheObjectTime) {
  DS_SpriteState s;
  auto d = PlacedFlower(0, s);
  SetTiming(*d, 0.1f, 1.5707964f);  // the object clock plays no part
  d->m_AnimationSpeed.ResetClock(0.0f);
  tw_test::CrtRand model = Seed(1);
  d->UpdateSprite(s);
  ExpectInStep(model);
  EXPECT_NEAR(s.upAxis.x, 0.0f, 1e-6f);
  EXPECT_NEAR(s.upAxis.y, 1.0f, 1e-6f);
  EXPECT_NEAR(s.position.x, 400.0f, 1e-4f);
  EXPECT_NEAR(s.position.y, 300.0f, 1e-4f);
}

TEST(Flower, SwaysAboutItsBottomByAtMostTheSway) {
  for (unsigned rotation : {0u, 45u, 90u, 200u}) {
    SCOPED_TRACE(rotation);
    DS_SpriteState s;
    auto d = PlacedFlower(rotation, s);
    d->m_AnimationSpeed.ResetClock(0.0f);
    d->UpdateSprite(s);
    const D3DXVECTOR3 bottom = BottomCentre(s);
    const D3DXVECTOR3 top = TopCentre(s);
    // sin(pi / 2) = 1: the full lean of 1.5 degrees.
    d->m_AnimationSpeed.ResetClock(1.5707964f);
    d->UpdateSprite(s);
    const D3DXVECTOR3 bottomNow = BottomCentre(s);
    const D3DXVECTOR3 topNow = TopCentre(s);
    EXPECT_NEAR(bottomNow.x, bottom.x, 1e-3f);
    EXPECT_NEAR(bottomNow.y, bottom.y, 1e-3f);
    // The top moves by tan 1.5 degrees x the height (50).
    const D3DXVECTOR3 moved = topNow - top;
    EXPECT_NEAR(D3DXVec3Length(&moved), kTan1_5 * 50.0, 1e-3);
    // At rotation 0 it leans to the left: the up axis points down, its x is tan 1.5.
    if (rotation == 0) {
      EXPECT_NEAR(s.upAxis.x, kTan1_5, 1e-6);
    }
  }
}

TEST(Flower, SwayFollowsTheSpritesOffsetAndStaysFinite) {
  DS_SpriteState s;
  auto d = PlacedFlower(0, s);
  d->m_AnimationSpeed.ResetClock(0.5f);
  s.velocity.y = 1.0707964f;  // 0.5 + 1.0708 = pi / 2
  d->UpdateSprite(s);
  EXPECT_NEAR(s.upAxis.x, kTan1_5, 1e-6);

  for (float sway : {90.0f, -90.0f, 1e30f, std::numeric_limits<float>::quiet_NaN()}) {
    SCOPED_TRACE(sway);
    d->m_Sway = sway;
    d->UpdateSprite(s);
    EXPECT_TRUE(std::isfinite(s.upAxis.x));
    EXPECT_TRUE(std::isfinite(s.position.x));
    EXPECT_TRUE(std::isfinite(s.position.y));
  }
}

// ---------------------------------------------------------------------------------------
// Discharge

TEST(Discharge, NextFrameDrawsUntilTheFrameDiffers) {
  DS_DischargeConstructor d;
  d.m_FrameCount = 3;
  // After srand(1): 41 mod 3 = 2, 18467 mod 3 = 2, 6334 mod 3 = 1.
  tw_test::CrtRand model = Seed(1);
  EXPECT_EQ(d.NextFrame(2), 1u);
  model.Skip(3);
  ExpectInStep(model);

  model = Seed(1);
  EXPECT_EQ(d.NextFrame(0), 2u);
  model.Skip(1);
  ExpectInStep(model);
}

TEST(Discharge, ASingleFrameStaysWithoutADraw) {
  for (unsigned frames : {1u, 0u}) {
    for (unsigned index : {0u, 5u}) {
      SCOPED_TRACE(testing::Message() << frames << " frames, index " << index);
      DS_DischargeConstructor d;
      d.m_FrameCount = frames;
      tw_test::CrtRand model = Seed(1);
      EXPECT_EQ(d.NextFrame(index), 0u);
      ExpectInStep(model);
    }
  }
}

TEST(Discharge, StripNeverShowsTheSameFrameTwiceInARow) {
  DS_DischargeConstructor d;
  d.m_Strip = true;
  d.m_FrameCount = 3;
  d.m_FrameRate = 10.0f;  // a switch whenever more than 0.1 s passed
  d.m_SpriteSize.Store(60u);
  ParticleGeomArray geometry;
  geometry.m_Description = &d;
  geometry.m_Sprites.push_back(PlainSprite());
  d.InitSprite(geometry.m_Sprites[0]);
  srand(11);
  std::set<int> seen;
  int previous = 0;  // the strip starts at frame 0
  for (int fill = 1; fill <= 300; ++fill) {
    SetTiming(d, 0.2f, fill * 0.2f);
    DX_V::PCT v[4];
    geometry.WriteVertices(d, v, 1);
    const int frame = int(std::lround(v[1].u * 3.0f));
    ASSERT_NEAR(v[3].u - v[1].u, 1.0f / 3.0f, 1e-6f);
    ASSERT_NE(frame, previous) << fill;
    ASSERT_GE(frame, 0);
    ASSERT_LT(frame, 3);
    seen.insert(frame);
    previous = frame;
  }
  EXPECT_EQ(seen.size(), 3u);
}

TEST(Discharge, SingleFrameStripKeepsItsFrame) {
  DS_DischargeConstructor d;
  d.m_Strip = true;
  d.m_FrameCount = 1;
  d.m_FrameRate = 10.0f;
  ParticleGeomArray geometry;
  geometry.m_Description = &d;
  geometry.m_Sprites.push_back(PlainSprite());
  tw_test::CrtRand model = Seed(1);
  for (int fill = 1; fill <= 5; ++fill) {
    SetTiming(d, 0.2f, fill * 0.2f);
    DX_V::PCT v[4];
    geometry.WriteVertices(d, v, 1);
    EXPECT_EQ(v[1].u, 0.0f);
    EXPECT_EQ(v[3].u, 1.0f);
  }
  ExpectInStep(model);
}

}  // namespace
