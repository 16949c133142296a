// Falling stars and fireworks without a device: records read from document-builder bytes,
// the random draws in their stored order, star and spark lives, bursts and fountains.
// Expected values are worked out from the classes' rules with the C runtime's rand model.
#include "StarsTestSupport.h"

#include "core/archive/DS_IOF_Writer.h"
#include "core/render/Device.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/CrtRand.h"
#include "tests/support/RecordRead.h"
#include "tests/support/RecordingRender.h"

#include "stars_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>


namespace {

using tw_test::CrtRand;
using tw_test::ExpectedDirection;
using tw_test::RunningGenerator;

constexpr float kTwoPi = 2.0f * 3.1415927f;

void ExpectVector(const D3DXVECTOR3& got, const D3DXVECTOR3& want, float tolerance) {
  EXPECT_NEAR(got.x, want.x, tolerance);
  EXPECT_NEAR(got.y, want.y, tolerance);
  EXPECT_NEAR(got.z, want.z, tolerance);
}

// ---------------------------------------------------------------------------------------
// Records

TEST(StarRecords, FallingStarsValuesLandInTheirFieldsWithTheirFactors) {
  tw_test::RecordReadResult r = tw_test::ReadRecord(kFixtureFallingStars, kFixtureFallingStarsSize);
  ASSERT_NE(r.object, nullptr);
  EXPECT_FALSE(r.failed);
  EXPECT_EQ(r.remaining, 0u);
  auto* d = dynamic_cast<DS_FallingStars*>(r.object.get());
  ASSERT_NE(d, nullptr);

  EXPECT_EQ(d->m_StarSpeed.Get(), 10u);
  EXPECT_FLOAT_EQ(d->m_StarSpeed.Derived(), 80.0f);
  EXPECT_EQ(d->m_StarRate.Get(), 75u);
  EXPECT_EQ(d->m_Direction.Get(), 90u);
  EXPECT_EQ(d->m_StarSize.Get(), 24u);
  EXPECT_FLOAT_EQ(d->m_GlowScale.Derived(), 3.0f);
  EXPECT_FLOAT_EQ(d->m_ShownTime.Seconds(), 2.0f);
  EXPECT_FLOAT_EQ(d->m_FadeInTime.Seconds(), 1.0f);
  EXPECT_FLOAT_EQ(d->m_FadeOutTime.Seconds(), 1.5f);
  // The region's own block: corners 0 and 3 bound the random points.
  ExpectVector(d->m_Region.corners[0].Get(), D3DXVECTOR3(10.0f, 20.0f, 0.0f), 0.0f);
  ExpectVector(d->m_Region.corners[1].Get(), D3DXVECTOR3(10.0f, 220.0f, 0.0f), 0.0f);
  ExpectVector(d->m_Region.corners[3].Get(), D3DXVECTOR3(310.0f, 220.0f, 0.0f), 0.0f);

  // The textured part and the generator part behind it.
  ASSERT_EQ(d->m_Images.size(), 4u);
  EXPECT_EQ(d->m_Images[3].Path(), L"stars\\trail_glow.png");
  EXPECT_EQ(d->m_Images[3].Stamp(), 14);
  EXPECT_EQ(d->m_EffectLink.Path(), L"stars\\particles.fx");
  EXPECT_EQ(d->m_Color1.Get(), 0x0000FFul);
  EXPECT_EQ(d->m_Color1.transparency.Get(), 20u);
  EXPECT_EQ(d->m_Color2.Get(), 0x00FF00ul);
  EXPECT_EQ(d->m_BlendMode.Get(), 2);
  EXPECT_EQ(d->m_MirrorVertical.Get(), 1);
  // The star factors on the base: trail life value / 100 s, 2 x value per second, size
  // value / 100 of the star size.
  EXPECT_FLOAT_EQ(d->m_Life.Derived(), 0.5f);
  EXPECT_EQ(d->m_EmissionRate.Get(), 15u);
  EXPECT_FLOAT_EQ(d->m_Size.Derived(), 0.4f);
  EXPECT_FLOAT_EQ(d->m_Speed.Derived(), 30.0f);
  EXPECT_EQ(d->m_PathEmission.Get(), 1);
  ASSERT_EQ(d->m_Stored.size(), 2u);
  ExpectVector(d->m_Stored.back().position, D3DXVECTOR3(4.0f, 5.0f, 6.0f), 0.0f);
  EXPECT_EQ(d->Name(), L"sky");
  EXPECT_EQ(d->m_Depth.Get(), 80u);
  EXPECT_TRUE(d->IsPostPass());

  // The runtime copy scales what was stored without notification and drops the
  // document's particles: its stored list holds only stars.
  RunningGenerator<DS_FallingStars> run(*d);
  EXPECT_FLOAT_EQ(run->m_StarRate.Derived(), 1.5f);
  EXPECT_FLOAT_EQ(run->m_EmissionRate.Derived(), 30.0f);
  EXPECT_TRUE(run->m_Stored.empty());
  EXPECT_EQ(run.Runtime().BatchCount(), 4u);
  // Direction 90: the unit vector (cos, sin) the stars fly along (y negated on screen).
  EXPECT_NEAR(run->m_Direction.direction.x, 0.0f, 1e-6f);
  EXPECT_NEAR(run->m_Direction.direction.y, 1.0f, 1e-6f);
}

TEST(StarRecords, FireworkValuesLandInTheirFieldsAndTheOriginBlock) {
  tw_test::RecordReadResult r = tw_test::ReadRecord(kFixtureFireworkSimple, kFixtureFireworkSimpleSize);
  ASSERT_NE(r.object, nullptr);
  EXPECT_FALSE(r.failed);
  EXPECT_EQ(r.remaining, 0u);
  auto* d = dynamic_cast<DS_FireworkSimple*>(r.object.get());
  ASSERT_NE(d, nullptr);

  EXPECT_EQ(d->m_SparkCount.Get(), 12u);
  EXPECT_EQ(d->m_SparkSize.Get(), 16u);
  EXPECT_FLOAT_EQ(d->m_SparkSpeed.Derived(), 100.0f);
  EXPECT_FLOAT_EQ(d->m_GlowScale.Derived(), 4.0f);
  EXPECT_FLOAT_EQ(d->m_Gravity.Derived(), 0.0f);
  EXPECT_EQ(d->m_Armed, 1);
  // The origin block: life (x 0.04), rate, second value, direction, clock, centre.
  EXPECT_FLOAT_EQ(d->m_OriginLife.Derived(), 2.0f);
  EXPECT_EQ(d->m_Rate.Get(), 3u);
  EXPECT_EQ(d->m_SecondValue.Get(), 7u);
  EXPECT_EQ(d->m_Direction.Get(), 45u);
  EXPECT_EQ(d->m_OriginClock.Get(), 60u);
  EXPECT_FLOAT_EQ(d->m_OriginClock.Derived(), 1.2f);
  ExpectVector(d->m_Centre.Get(), D3DXVECTOR3(160.0f, 100.0f, 2.0f), 0.0f);
  ASSERT_EQ(d->m_Images.size(), 1u);
  EXPECT_EQ(d->m_Images[0].Path(), L"stars\\star.png");
  EXPECT_EQ(d->m_BlendMode.Get(), 2);
  // The firework factors on the base: trail life value / 100 s, 1 + 2 x value per
  // second, growth value / 10.
  EXPECT_FLOAT_EQ(d->m_Life.Derived(), 0.5f);
  EXPECT_EQ(d->m_EmissionRate.Get(), 15u);
  EXPECT_FLOAT_EQ(d->m_Size.Derived(), 4.0f);
  EXPECT_EQ(d->m_PathEmission.Get(), 1);
  EXPECT_EQ(d->Name(), L"sky");
  // The time line read from the record keeps the fixed shown time.
  EXPECT_EQ(d->TimeLine().m_Mode.Get(), 2);
  EXPECT_FALSE(d->TimeLine().m_ShownTime.random);

  RunningGenerator<DS_FireworkSimple> run(*d);
  EXPECT_FLOAT_EQ(run->m_EmissionRate.Derived(), 31.0f);
  EXPECT_TRUE(run->m_Stored.empty());
  EXPECT_EQ(run.Runtime().BatchCount(), 2u);
  EXPECT_FALSE(run->TimeLine().m_ShownTime.random);
}

TEST(StarRecords, WritingWhatWasReadGivesTheSameBytes) {
  const struct {
    const char* name;
    const unsigned char* bytes;
    size_t size;
  } fixtures[] = {{"falling stars", kFixtureFallingStars, kFixtureFallingStarsSize},
                  {"firework", kFixtureFireworkSimple, kFixtureFireworkSimpleSize}};
  for (const auto& f : fixtures) {
    SCOPED_TRACE(f.name);
    tw_test::RecordReadResult r = tw_test::ReadRecord(f.bytes, f.size);
    ASSERT_NE(r.object, nullptr);
    DS_IOF_W w;
    r.object->Write(w);
    EXPECT_EQ(w.Bytes(), std::vector<unsigned char>(f.bytes, f.bytes + f.size));
  }
}

// ---------------------------------------------------------------------------------------
// Falling stars

// A falling-stars description: speed 10 (80 px/s, spin 0.16 rad/s), the region's corner 0
// at (20, 40) and corner 3 at (300, 180), times in hundredths.
DS_FallingStars Stars(unsigned rate, unsigned direction = 0, unsigned fadeIn = 100, unsigned shown = 200,
                      unsigned fadeOut = 100) {
  DS_FallingStars d;
  d.m_StarSpeed.Set(10u);
  d.m_StarRate.Set(rate);
  d.m_Direction.Set(direction);
  d.m_StarSize.Store(10u);
  d.m_FadeInTime.Set(fadeIn);
  d.m_ShownTime.Set(shown);
  d.m_FadeOutTime.Set(fadeOut);
  d.m_Region.corners[0].Store(D3DXVECTOR3(20.0f, 40.0f, 0.0f));
  d.m_Region.corners[1].Store(D3DXVECTOR3(20.0f, 180.0f, 0.0f));
  d.m_Region.corners[2].Store(D3DXVECTOR3(300.0f, 40.0f, 0.0f));
  d.m_Region.corners[3].Store(D3DXVECTOR3(300.0f, 180.0f, 0.0f));
  return d;
}

TEST(FallingStars, StarsComeWhereAndHowTheDrawsSay) {
  // Star rate 100: two stars per second. The clock runs at 1 (50 x 0.02); updates 0.125 s
  // apart give n = 2 x trunc(2 x 0.125 k): 0 for k = 1, 2, 3, then 2 at 0.5 s.
  DS_FallingStars d = Stars(100);
  RunningGenerator<DS_FallingStars> run(d);
  std::srand(1);
  CrtRand model{1};
  for (int k = 1; k <= 3; ++k) {
    run.Update(0.125f * float(k));
    model.Next();  // rand() mod 1
    EXPECT_TRUE(run->m_Stored.empty());
  }
  run.Update(0.5f);
  const int count = model.Next() % 3;
  ASSERT_GT(count, 0) << "the seed gives no star here";
  ASSERT_EQ(run->m_Stored.size(), size_t(count));
  for (const Particle& star : run->m_Stored) {
    // The region's point: y drawn first, then x.
    const float y = 40.0f + model.Unit() * 140.0f;
    const float x = 20.0f + model.Unit() * 280.0f;
    const float angle = model.Unit() * kTwoPi;
    const bool negated = (model.Next() & 1) != 0;
    ExpectVector(star.position, D3DXVECTOR3(x, y, 0.0f), 1e-3f);
    EXPECT_NEAR(star.channels[Particle::kAngle], angle, 1e-5f);
    EXPECT_EQ(star.channels[Particle::kOpacity], 0.0f);
    // The next 0.125 s: 10 px to the right, the spin's sign, an eighth of the fade-in.
    Particle next(star);
    next.RunProcesses(0.125f);
    ExpectVector(next.position, D3DXVECTOR3(x + 10.0f, y, 0.0f), 1e-3f);
    EXPECT_NEAR(next.channels[Particle::kAngle] - angle, negated ? -0.02f : 0.02f, 1e-5f);
    EXPECT_NEAR(next.channels[Particle::kOpacity], 0.125f, 1e-6f);
  }
  // Nothing but those draws: the next draw is the model's next one.
  EXPECT_EQ(std::rand(), model.Next());
}

TEST(FallingStars, StarRateFiftyMakesNoStarUnderASecondThenUpToTwo) {
  // One star per second on average: n = 0 while less than a second has passed since the
  // rate's last time, then n = 2 (count = rand() mod 3) and the last time moves on.
  DS_FallingStars d = Stars(50, 0, 0, 1000, 0);
  RunningGenerator<DS_FallingStars> run(d);
  ASSERT_EQ(run->m_StarRate.Derived(), 1.0f);
  std::srand(77);
  CrtRand model{77};
  size_t stars = 0;
  int outcomes[3] = {0, 0, 0};
  for (int k = 1; k <= 80; ++k) {
    SCOPED_TRACE(testing::Message() << "update " << k);
    const float clock = 0.125f * float(k);
    run.Update(clock);
    if (k % 8 != 0) {
      model.Next();
      EXPECT_EQ(run->m_StarRate.LastTime(), float(k / 8));
    } else {
      const int count = model.Next() % 3;
      ++outcomes[count];
      stars += size_t(count);
      model.Skip(4 * count);  // y, x, angle, spin sign per star
      EXPECT_EQ(run->m_StarRate.LastTime(), clock);
    }
    if (k < 8) {
      EXPECT_TRUE(run->m_Stored.empty());
    }
    ASSERT_EQ(run->m_Stored.size(), stars);
  }
  // Ten chances: 0, 1 and 2 stars each came up.
  EXPECT_GT(outcomes[0], 0);
  EXPECT_GT(outcomes[1], 0);
  EXPECT_GT(outcomes[2], 0);
}

TEST(FallingStars, AStarFadesInStaysFadesOutAndGoes) {
  // Fade-in 1 s, shown 2 s, fade-out 1 s; no new stars (rate 0).
  DS_FallingStars d = Stars(0, 0, 100, 200, 100);
  RunningGenerator<DS_FallingStars> run(d);
  run->AddStar();
  const struct {
    int update;  // 0.125 s each
    float opacity;
  } expected[] = {{4, 0.5f}, {8, 1.0f}, {12, 1.0f}, {16, 1.0f}, {24, 1.0f}, {28, 0.5f}, {31, 0.125f}};
  int k = 0;
  for (const auto& e : expected) {
    while (k < e.update) run.Update(0.125f * float(++k));
    SCOPED_TRACE(testing::Message() << "age " << 0.125f * float(k));
    ASSERT_EQ(run->m_Stored.size(), 1u);
    EXPECT_NEAR(run->m_Stored.front().channels[Particle::kOpacity], e.opacity, 1e-5f);
  }
  run.Update(4.0f);  // age 4: gone
  EXPECT_TRUE(run->m_Stored.empty());
}

TEST(FallingStars, DirectionAndSpeedMoveAndSpinTheStars) {
  // Speed value 10: 80 px/s and a spin of 0.16 rad/s; after 0.5 s, 40 px along the
  // direction with y up the screen, and 0.08 rad turned either way.
  const struct {
    unsigned degrees;
    float dx, dy;
  } cases[] = {{0, 40.0f, 0.0f}, {90, 0.0f, -40.0f}, {180, -40.0f, 0.0f}, {270, 0.0f, 40.0f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "direction " << c.degrees);
    DS_FallingStars d = Stars(0, c.degrees);
    RunningGenerator<DS_FallingStars> run(d);
    EXPECT_FLOAT_EQ(run->m_StarSpeed.Derived(), 80.0f);
    run->AddStar();
    const Particle start = run->m_Stored.front();
    for (int k = 1; k <= 4; ++k) run.Update(0.125f * float(k));
    const Particle& star = run->m_Stored.front();
    EXPECT_NEAR(star.position.x - start.position.x, c.dx, 1e-3f);
    EXPECT_NEAR(star.position.y - start.position.y, c.dy, 1e-3f);
    EXPECT_NEAR(std::fabs(star.channels[Particle::kAngle] - start.channels[Particle::kAngle]), 0.08f, 1e-5f);
  }
}

TEST(FallingStars, HugeRatesAndLongGapsStayBoundedAndNeverDrawWithoutATarget) {
  // The largest stored rate over a long gap: the doubled count saturates instead of
  // wrapping, the draw stays rand() mod (n + 1), and the star list stops at its cap.
  DS_FallingStars d = Stars(0xFFFFFFFFu, 0, 0, 60000, 0);
  d.m_StarSize.Store(0xFFFFFFFFu);
  RunningGenerator<DS_FallingStars> run(d);
  for (int k = 1; k <= 40; ++k) run.Update(0.2f * float(k));
  EXPECT_LE(run->m_Stored.size(), kMaxParticlesPerList);
  EXPECT_GT(run->m_Stored.size(), 0u);

  // No device: no target and no effect, so nothing is drawn and nothing is left bound.
  tw_test::RecordingRender r;
  run.object->Render(r);
  EXPECT_TRUE(r.calls.empty());
  EXPECT_TRUE(r.TargetsBalanced());
}

// ---------------------------------------------------------------------------------------
// Fireworks

// A firework at (160, 100) whose clock runs at 1 (50 x 0.02), sparks of 8 px at 100 px/s.
DS_FireworkSimple Firework(unsigned sparks, int mode) {
  DS_FireworkSimple d;
  d.m_OriginClock.Set(50u);
  d.m_SparkCount.Store(sparks);
  d.m_SparkSize.Store(8u);
  d.m_SparkSpeed.Set(25u);
  d.m_Centre.Store(D3DXVECTOR3(160.0f, 100.0f, 0.0f));
  d.TimeLine().m_Mode.Set(mode);
  return d;
}

TEST(Fireworks, BurstSparksFlyInTheDrawnDirectionsForTheVisiblePhase) {
  DS_FireworkSimple d = Firework(3, DS_TimeLineControl::kModeIntervals);
  d.TimeLine().AddInterval(DS_TimeInterval{0.0f, 10.0f, 0.0f, 10.0f});
  RunningGenerator<DS_FireworkSimple> run(d);
  // The composite lays the scene so far under the sparks whatever the blend mode (0 here):
  // without the layer handing it over it would lay the bare picture over the frame.
  EXPECT_TRUE(run->IsPostPass());
  run.object->SetLoopTime(1.0f);
  std::srand(3);
  CrtRand model{3};
  run.Update(0.125f);
  ASSERT_EQ(run->m_Stored.size(), 3u);
  std::vector<D3DXVECTOR3> velocities;
  for (int i = 0; i < 3; ++i) {
    const float a = model.Unit();
    const float b = model.Unit();
    velocities.push_back(ExpectedDirection(100.0f, a, b));
  }
  EXPECT_EQ(std::rand(), model.Next()) << "a burst draws two values per spark and nothing else";
  run.Update(0.25f);
  ASSERT_EQ(run->m_Stored.size(), 3u) << "armed once per appearance";
  size_t i = 0;
  for (const Particle& spark : run->m_Stored) {
    SCOPED_TRACE(testing::Message() << "spark " << i);
    // Born at the centre; a step of 0.125 s later; life 10 s (the interval's length).
    ExpectVector(spark.position, D3DXVECTOR3(160.0f, 100.0f, 0.0f) + velocities[i] * 0.125f, 1e-3f);
    EXPECT_NEAR(spark.channels[Particle::kLife], 0.125f / 10.0f, 1e-6f);
    ++i;
  }
}

TEST(Fireworks, EachAppearanceFiresOneBurstWhoseSparksLiveThePhase) {
  // Shown from 0 to 2 s and from 5 to 7 s of the looped time.
  DS_FireworkSimple d = Firework(4, DS_TimeLineControl::kModeIntervals);
  d.TimeLine().AddInterval(DS_TimeInterval{0.0f, 2.0f, 0.0f, 2.0f});
  d.TimeLine().AddInterval(DS_TimeInterval{5.0f, 7.0f, 5.0f, 7.0f});
  RunningGenerator<DS_FireworkSimple> run(d);
  std::vector<float> bursts;
  for (int k = 1; k <= 64; ++k) {
    const float t = 0.125f * float(k);
    run.object->SetLoopTime(t);
    run.Update(t);
    size_t born = 0;
    for (const Particle& spark : run->m_Stored) born += spark.channels[Particle::kLife] == 0.0f ? 1 : 0;
    if (born) {
      EXPECT_EQ(born, 4u) << "at " << t;
      bursts.push_back(t);
    }
    // Each burst lives 2 s of the clock: 16 updates after its birth it is gone.
    if (t == 2.0f) {
      EXPECT_EQ(run->m_Stored.size(), 4u);
    }
    if (t == 2.125f) {
      EXPECT_TRUE(run->m_Stored.empty());
    }
  }
  EXPECT_EQ(bursts, (std::vector<float>{0.125f, 5.0f}));
}

TEST(Fireworks, FountainMakesOneSparkPerTwentiethOfASecondAtMostOnePerUpdate) {
  // Spark count 10 in fountain mode: a spark whenever the clock has passed the last
  // spark's time + 0.05 s, each living 0.5 s at full size and opacity.
  const struct {
    float step;
    int updates;
    int births;
  } cases[] = {
      {0.02f, 30, 10},  // births at 0.02, 0.08, 0.14 ...: the first update past each 0.05
      {0.03f, 40, 20},  // every other update
      {0.1f, 10, 10},   // slower updates than 0.05 s: one per update, so fewer in all
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "step " << c.step);
    DS_FireworkSimple d = Firework(10, DS_TimeLineControl::kModeAlways);
    RunningGenerator<DS_FireworkSimple> run(d);
    int births = 0;
    for (int k = 1; k <= c.updates; ++k) {
      run.Update(c.step * float(k));
      int born = 0;
      for (const Particle& spark : run->m_Stored) {
        born += spark.channels[Particle::kLife] == 0.0f ? 1 : 0;
        // Only the life and the motion act on a spark: full size and opacity to the end.
        EXPECT_EQ(spark.channels[Particle::kSize], 1.0f);
        EXPECT_EQ(spark.channels[Particle::kOpacity], 1.0f);
      }
      EXPECT_LE(born, 1);
      births += born;
    }
    EXPECT_EQ(births, c.births);
  }
}

TEST(Fireworks, FountainWithNoSparkCountMakesExactlyOneSpark) {
  DS_FireworkSimple d = Firework(0, DS_TimeLineControl::kModeAlways);
  RunningGenerator<DS_FireworkSimple> run(d);
  int births = 0;
  for (int k = 1; k <= 100; ++k) {
    run.Update(0.1f * float(k));
    for (const Particle& spark : run->m_Stored) births += spark.channels[Particle::kLife] == 0.0f ? 1 : 0;
  }
  EXPECT_EQ(births, 1);
  EXPECT_TRUE(std::isinf(run->m_NextSparkTime));
  EXPECT_TRUE(run->m_Stored.empty()) << "the one spark lived its half second";
}

TEST(Fireworks, BurstsStopWhereTheSparkListIsFull) {
  DS_FireworkSimple d = Firework(0xFFFFFFFFu, DS_TimeLineControl::kModeRandomCycle);
  d.TimeLine().m_HiddenTime.minimum.Store(0u);
  d.TimeLine().m_HiddenTime.maximum.Store(0u);
  RunningGenerator<DS_FireworkSimple> run(d);
  for (int k = 1; k <= 6; ++k) run.object->AdvanceTime(0.1f * float(k));
  EXPECT_EQ(run->m_Stored.size(), kMaxParticlesPerList);
}

TEST(Fireworks, TrailParticlesFadeGrowAndDriftFromTheTimeLinesAlpha) {
  // Trail life value 50 (0.5 s, rate 2), growth value 40 (4 over the life), drift up to
  // 40 px/s; the time line half faded in at the looped time 1 s.
  DS_FireworkSimple d = Firework(1, DS_TimeLineControl::kModeIntervals);
  d.m_Life.Set(50u);
  d.m_Size.Set(40u);
  d.m_Speed.Set(40u);
  d.TimeLine().AddInterval(DS_TimeInterval{0.0f, 10.0f, 2.0f, 8.0f});
  RunningGenerator<DS_FireworkSimple> run(d);
  run.object->SetLoopTime(1.0f);
  std::srand(9);
  CrtRand model{9};
  Particle trail(10.0f, 20.0f, 0.0f);
  run->InitParticle(trail, Particle());
  const float length = 40.0f * model.Unit();  // the drift's length is drawn first
  const float a = model.Unit();
  const float b = model.Unit();
  const D3DXVECTOR3 v = ExpectedDirection(length, a, b);
  EXPECT_FLOAT_EQ(trail.channels[Particle::kOpacity], 0.5f);
  ASSERT_TRUE(trail.RunProcesses(0.125f));
  EXPECT_NEAR(trail.channels[Particle::kLife], 0.25f, 1e-6f);
  EXPECT_NEAR(trail.channels[Particle::kOpacity], 0.25f, 1e-6f);  // -2 per second
  EXPECT_NEAR(trail.channels[Particle::kSize], 2.0f, 1e-5f);      // +8 per second
  ExpectVector(trail.position, D3DXVECTOR3(10.0f, 20.0f, 0.0f) + v * 0.125f, 1e-4f);
  ASSERT_TRUE(trail.RunProcesses(0.25f));
  EXPECT_FALSE(trail.RunProcesses(0.125f)) << "gone when its life is used up";
}

// ---------------------------------------------------------------------------------------
// Steady state

TEST(StarsSteadyState, RunningUpdatesAllocateNothing) {
  // Shooting stars with trails (about 4 stars a second, each 1 s long, trails 80 a second
  // living 0.5 s) and a fountain with trails: once running, stars, sparks, trails and
  // their processes reuse freed blocks.
  DS_FallingStars stars = Stars(200, 200, 20, 50, 30);
  stars.m_PathEmission.Store(1);
  stars.m_EmissionRate.Store(40u);
  stars.m_Life.Set(50u);
  DS_FireworkSimple fountain = Firework(20, DS_TimeLineControl::kModeAlways);
  fountain.m_PathEmission.Store(1);
  fountain.m_EmissionRate.Store(20u);
  fountain.m_Life.Set(40u);
  RunningGenerator<DS_FallingStars> a(stars);
  RunningGenerator<DS_FireworkSimple> b(fountain);
  std::srand(5);
  const auto run = [&](int from, int to) {
    for (int k = from; k < to; ++k) {
      a.Update(0.05f * float(k));
      b.Update(0.05f * float(k));
    }
  };
  run(1, 2000);
  ASSERT_GT(a->m_Live.size(), 0u);
  ASSERT_GT(b->m_Live.size(), 0u);
  EXPECT_EQ(tw_test::AllocationsDuring([&] { run(2000, 2400); }), 0u);
}

}  // namespace
