// The air brushes' rules worked out by hand, without a device: glint cycles and turns,
// twinkles against the C runtime's rand sequence, the aurora's waves, the custom brush's
// frame clock, the draws each AddParticleAt takes, and a steady state that takes no memory.
#include "objects/particles/AirBrush.h"
#include "objects/particles/AnimatedBrushes.h"

#include "tests/support/CrtRand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

constexpr float kPi = 3.1415927f;

template <class T>
struct Running {
  explicit Running(T& description)
      : object(static_cast<DS_ParticlesObj*>(description.CreateRuntimeObject())),
        brush(*static_cast<T*>(object->Generator())) {}
  std::unique_ptr<DS_ParticlesObj> object;
  T& brush;
  Particle& Front() { return brush.m_Painted.front(); }
  Particle& Back() { return brush.m_Painted.back(); }
};

float Width(const SpriteQuad& q) { return q.p[2].x - q.p[0].x; }
float Height(const SpriteQuad& q) { return q.p[0].y - q.p[1].y; }
D3DXVECTOR3 Corner(const SpriteQuad& q, int i) { return D3DXVECTOR3(q.p[i].x, q.p[i].y, q.p[i].z); }
D3DXVECTOR3 Centre(const SpriteQuad& q) { return (Corner(q, 0) + Corner(q, 1) + Corner(q, 2) + Corner(q, 3)) * 0.25f; }

// A bling with one unturned glint of size factor 1 at (200, 100), brush size 100, in
// 0.5 s, out 1.5 s, its twinkle clock at speed 1.
DS_Bling MakeBling(unsigned minSize = 0) {
  DS_Bling d;
  d.m_TwinkleClock.Set(50);
  d.m_InTime.Set(50);
  d.m_OutTime.Set(150);
  d.m_MinSize.Set(minSize);
  d.m_BrushSize.Store(100);
  d.m_Painted.emplace_back(200.0f, 100.0f, 0.0f);
  d.m_Painted.back().channels[9] = 0.0f;  // the angle offset; 1 radian by default
  return d;
}

// Restarts the runtime glint at life 0, as a finished cycle does (no pre-run).
void Restart(DS_Bling& bling, Particle& p) {
  p.ClearProcesses();
  bling.InstallGlint(p);
}

TEST(Bling, GlintGrowsOverTheInTimeShrinksOverTheOutTimeAndRestarts) {
  // Steps of 0.125 s on a 2 s cycle: life moves 0.0625 a step. The life process runs
  // first and both size windows are open, so growth (+2 per second, +0.25 a step) runs
  // while life is inside (0, 0.25): after steps 1-3. Step 4 lands on 0.25 itself. Then
  // -2/3 per second (-1/12 a step) while life is inside (0.25, 1): steps 5-15, which take
  // the size from 0.75 to -1/6. Step 16 brings life to 1: the cycle ends and restarts.
  const float c1[] = {0.25f, 0.5f, 0.75f, 0.75f, 0.75f - 1 / 12.0f, 0.75f - 2 / 12.0f, 0.5f, 0.75f - 4 / 12.0f,
                      0.75f - 5 / 12.0f, 0.25f, 0.75f - 7 / 12.0f, 0.75f - 8 / 12.0f, 0.0f, -1 / 12.0f,
                      -2 / 12.0f, 0.0f, 0.25f};
  for (unsigned minSize : {0u, 30u}) {
    SCOPED_TRACE(testing::Message() << "minimum size " << minSize);
    DS_Bling d = MakeBling(minSize);
    Running<DS_Bling> run(d);
    Particle& p = run.Front();
    Restart(run.brush, p);
    const float minimum = float(minSize) / 100.0f;
    for (int k = 1; k <= 17; ++k) {
      SCOPED_TRACE(testing::Message() << "step " << k);
      run.object->UpdateFrame(0.125f * float(k));
      EXPECT_NEAR(p.channels[Particle::kSize], c1[k - 1], 1e-5f);
      EXPECT_FLOAT_EQ(p.channels[Particle::kLife], k == 16 ? 0.0f : 0.0625f * float(k % 16));
      // Drawn between the minimum and full size: a size past either end of its cycle is
      // drawn at that end.
      const float grown = std::fmin(std::fmax(c1[k - 1], 0.0f), 1.0f);
      EXPECT_NEAR(Width(run.brush.GlintQuad(p, 0.0f)), 100.0f * (minimum + (1.0f - minimum) * grown), 1e-3f);
      EXPECT_GE(Width(run.brush.GlintQuad(p, 0.0f)), 100.0f * minimum - 1e-3f);
    }
  }
}

TEST(Bling, WithFineStepsTheGlintIsFullAtTheInTimeAndRestartsAtTheCycleEnd) {
  // Steps of 1/256 s: growth of 2/256 a step, one step short of 1 at 0.5 s because the step
  // that lands on the end of the in window adds nothing.
  DS_Bling d = MakeBling();
  Running<DS_Bling> run(d);
  Particle& p = run.Front();
  Restart(run.brush, p);
  float largest = 0.0f;
  for (int k = 1; k <= 512; ++k) {
    run.object->UpdateFrame(float(k) / 256.0f);
    largest = std::fmax(largest, p.channels[Particle::kSize]);
    if (k == 128) {
      EXPECT_FLOAT_EQ(p.channels[Particle::kSize], 127.0f * 2.0f / 256.0f);
    }
    if (k == 511) {
      EXPECT_FLOAT_EQ(p.channels[Particle::kLife], 511.0f / 512.0f);
      EXPECT_NEAR(p.channels[Particle::kSize], 0.0f, 2.0f / 256.0f);  // back at the minimum
    }
  }
  EXPECT_FLOAT_EQ(largest, 127.0f * 2.0f / 256.0f);
  // Step 512 ends the cycle at 2 s: a new glint from nothing.
  EXPECT_EQ(p.channels[Particle::kLife], 0.0f);
  EXPECT_EQ(p.channels[Particle::kSize], 0.0f);
  EXPECT_EQ(p.ProcessCount(), 3);
}

TEST(Bling, AGlintWithAQuarterTurnOffsetIsDrawnAQuarterTurnFurther) {
  DS_Bling d = MakeBling(100);  // full size throughout
  d.m_SpinClock.Set(50);        // one radian per second
  d.m_Painted.emplace_back(200.0f, 100.0f, 0.0f);
  d.m_Painted.back().channels[9] = kPi / 2.0f;
  Running<DS_Bling> run(d);
  for (float t : {0.1f, 0.3f, 0.45f}) {
    SCOPED_TRACE(t);
    run.object->UpdateFrame(t);
    const float spin = run.brush.m_SpinClock.Time();
    EXPECT_NEAR(spin, t, 1e-6f);
    const SpriteQuad a = run.brush.GlintQuad(run.Front(), spin);
    const SpriteQuad b = run.brush.GlintQuad(run.Back(), spin);
    // The right axis (p2 - p0) / scale: (cos, sin) of the angle.
    const D3DXVECTOR3 rightA = (Corner(a, 2) - Corner(a, 0)) / 100.0f;
    const D3DXVECTOR3 rightB = (Corner(b, 2) - Corner(b, 0)) / 100.0f;
    EXPECT_NEAR(rightA.x, std::cos(t), 1e-5f);
    EXPECT_NEAR(rightA.y, std::sin(t), 1e-5f);
    EXPECT_NEAR(rightB.x, -std::sin(t), 1e-5f);
    EXPECT_NEAR(rightB.y, std::cos(t), 1e-5f);
    EXPECT_NEAR(Centre(b).x, 200.0f, 1e-3f);
    EXPECT_NEAR(Centre(b).y, 100.0f, 1e-3f);
  }
}

TEST(Bling, InAndOutTimesOfZeroCycleAtTheShortestTimeWithoutDividingByZero) {
  DS_Bling d = MakeBling(30);
  d.m_InTime.Set(0);
  d.m_OutTime.Set(0);
  Particle probe;
  EXPECT_FLOAT_EQ(d.InstallGlint(probe), DS_Bling::kMinCycleSeconds);
  Running<DS_Bling> run(d);
  Particle& p = run.Front();
  for (int k = 1; k <= 40; ++k) {
    run.object->UpdateFrame(0.05f * float(k));
    for (float c : p.channels) EXPECT_TRUE(std::isfinite(c));
    // No in or out window: the glint keeps its minimum size.
    EXPECT_EQ(p.channels[Particle::kSize], 0.0f);
    EXPECT_FLOAT_EQ(Width(run.brush.GlintQuad(p, 0.0f)), 30.0f);
  }
}

TEST(Bling, AddParticleAtTakesOneDrawAndStartsTheGlintThatFarIntoItsCycle) {
  DS_Bling d = MakeBling();
  d.m_Painted.clear();
  srand(5);
  tw_test::CrtRand model{5};
  d.AddParticleAt(D3DXVECTOR3(10.0f, 20.0f, 0.0f), 0.5f, 9.0f, 0.25f, 9.0f);
  // Ten steps of u x 2 s x 0.1 at a life rate of 1/2 per second: life u.
  const float u = model.Unit();
  EXPECT_EQ(rand(), model.Next());
  ASSERT_EQ(d.m_Painted.size(), 1u);
  const Particle& p = d.m_Painted.front();
  EXPECT_NEAR(p.channels[Particle::kLife], u, 1e-5f);
  EXPECT_EQ(p.channels[6], 0.5f);
  EXPECT_FLOAT_EQ(p.channels[9], kPi / 2.0f);
  EXPECT_EQ(p.position, D3DXVECTOR3(10.0f, 20.0f, 0.0f));
  EXPECT_EQ(p.previous, D3DXVECTOR3(10.0f, 20.0f, 0.0f));
}

TEST(TwinklingStars, AStarRestsAtItsSizeAndNowAndThenFlashes) {
  DS_TwinklingStars d;  // clock value 0: speed 1
  srand(1);
  d.AddParticleAt(D3DXVECTOR3(5.0f, 6.0f, 0.0f), 2.0f, 0.0f, 0.0f, 0.0f);
  // Its opacity is fixed between 0.5 and 1 when it is added: the first draw after
  // srand(1) is 41.
  EXPECT_FLOAT_EQ(d.m_Painted.front().channels[Particle::kOpacity], 0.5f + 0.5f * 41.0f / 32767.0f);

  // Steps of 1/16 s. The twinkle's period 0 fires at step 1, which draws 18467 (not
  // divisible by 3: rest at size 2) and a period of 0.2 + 6334/32767 x 2.3 = 0.6446 s, so
  // it fires next when its timer reaches 0.6875, at step 12: 26500 rests for 0.2 +
  // 19169/32767 x 2.3 = 1.5455 s, firing at step 12 + 25 = 37: 15724 rests for 0.2 +
  // 11478/32767 x 2.3 = 1.0057 s, firing at step 37 + 17 = 54: 29358 = 3 x 9786 flashes at
  // 2 x (1 + 26962/32767 x 0.5) for 0.2 s, that is until step 58, whose 24464 rests again.
  Running<DS_TwinklingStars> run(d);
  const Particle& p = run.Front();
  const float flash = 2.0f * (1.0f + 26962.0f / 32767.0f * 0.5f);
  int flashes = 0, runLength = 0;
  for (int k = 1; k <= 16 * 60; ++k) {
    run.object->UpdateFrame(float(k) * 0.0625f);
    const float size = p.channels[Particle::kSize];
    if (k <= 58) {
      ASSERT_FLOAT_EQ(size, k >= 54 && k <= 57 ? flash : 2.0f) << "step " << k;
    }
    // Afterwards: at rest at 2, or flashing up to 3 for 0.2 s (four steps) at a time.
    ASSERT_GE(size, 2.0f);
    ASSERT_LE(size, 3.0f);
    if (size != 2.0f) {
      ++runLength;
    } else if (runLength) {
      EXPECT_EQ(runLength % 4, 0) << "step " << k;
      runLength = 0;
      ++flashes;
    }
  }
  EXPECT_GT(flashes, 3);
}

TEST(Aurora, BandHeightOpacityAndSwayFollowTheirWaves) {
  DS_Aurora d;
  d.m_BrushSize.Store(10);
  d.m_BandHeight.Store(100);
  d.m_HeightClock.Set(100);  // 3 radians per second
  d.m_HeightDepth.Set(50);   // 0.5
  d.m_HeightLength.Set(3);   // 4
  d.m_AlphaClock.Set(100);
  d.m_AlphaDepth.Set(50);
  d.m_AlphaLength.Set(3);
  d.AddParticleAt(D3DXVECTOR3(100.0f, 200.0f, 0.0f), 1.0f, 0.5f, 0.0f, 0.0f);
  // Half a wave ahead: phase channel pi x the height length (4).
  d.AddParticleAt(D3DXVECTOR3(140.0f, 200.0f, 0.0f), 1.0f, 0.5f, 0.0f, kPi * 4.0f);
  Running<DS_Aurora> run(d);
  run.object->UpdateFrame(0.1f);  // clocks at 0.3 radians
  const SpriteQuad a = run.brush.BandQuad(run.Front());
  const SpriteQuad b = run.brush.BandQuad(run.Back());
  EXPECT_NEAR(Height(a), 100.0f * (1.0f + 0.5f * std::sin(0.3f)), 1e-3f);  // 114.776
  EXPECT_NEAR(Height(b), 100.0f * (1.0f - 0.5f * std::sin(0.3f)), 1e-3f);  // 85.224
  EXPECT_NEAR(Width(a), 10.0f, 1e-4f);
  // Opacity: colour 1's alpha 255 x channel 2 (0.5) x (1 + 0.5 sin 0.3) = 0.57388 x 255
  // = 146.34 -> 146; the band half a wave ahead: 0.5 x 0.85224 x 255 = 108.66 -> 109.
  EXPECT_EQ(a.p[0].color >> 24, 146u);
  EXPECT_EQ(b.p[0].color >> 24, 109u);
  // No sway: the bands stay where they were painted, and so do the particles.
  EXPECT_NEAR(Centre(a).x, 100.0f, 1e-4f);
  EXPECT_NEAR(Centre(a).y, 200.0f, 1e-4f);
  EXPECT_EQ(run.Front().position, D3DXVECTOR3(100.0f, 200.0f, 0.0f));
}

TEST(Aurora, SwayMovesTheBandsAlongItsDirectionOnly) {
  for (unsigned direction : {0u, 90u}) {
    SCOPED_TRACE(direction);
    DS_Aurora d;
    d.m_BrushSize.Store(10);
    d.m_BandHeight.Store(50);
    d.m_SwayClock.Set(100);      // 3 radians per second
    d.m_SwayAmplitude.Set(20);   // 20 pixels
    d.m_SwayLength.Set(0);       // 1
    d.m_SwayDirection.Store(direction);
    d.AddParticleAt(D3DXVECTOR3(100.0f, 200.0f, 0.0f), 1.0f, 1.0f, 0.0f, 0.25f);
    Running<DS_Aurora> run(d);
    run.object->UpdateFrame(0.1f);
    run.object->UpdateFrame(0.2f);  // clock 0.6: s = 20 sin(0.6 + 0.25 / 1) = 15.0329
    const float s = 20.0f * std::sin(0.85f);
    const D3DXVECTOR3 c = Centre(run.brush.BandQuad(run.Front()));
    EXPECT_NEAR(c.x, direction == 0 ? 100.0f + s : 100.0f, 1e-3f);
    EXPECT_NEAR(c.y, direction == 90 ? 200.0f + s : 200.0f, 1e-3f);
    EXPECT_EQ(run.Front().position, D3DXVECTOR3(100.0f, 200.0f, 0.0f));
  }
}

TEST(Aurora, APhaseThatIsNotANumberLeavesTheBandAtRest) {
  DS_Aurora d;
  d.m_BrushSize.Store(10);
  d.m_BandHeight.Store(50);
  d.m_HeightDepth.Set(50);
  d.m_SwayAmplitude.Set(20);
  d.AddParticleAt(D3DXVECTOR3(100.0f, 200.0f, 0.0f), 1.0f, 1.0f, 0.0f, std::nanf(""));
  d.AddParticleAt(D3DXVECTOR3(100.0f, 200.0f, 0.0f), 1.0f, 1.0f, 0.0f, INFINITY);
  Running<DS_Aurora> run(d);
  run.object->UpdateFrame(0.1f);
  for (const Particle& p : run.brush.m_Painted) {
    const SpriteQuad q = run.brush.BandQuad(p);
    for (const DX_V::PCT& v : q.p) {
      EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
    }
    EXPECT_NEAR(Height(q), 50.0f, 1e-4f);
    EXPECT_NEAR(Centre(q).x, 100.0f, 1e-4f);
  }
}

TEST(CustomAirBrush, ClockValue100PlaysTheFramesAtFullSpeedAnd50AtHalf) {
  // Six frames of 0.5 s. Steps of 0.125 s; a frame switches once the clock is more than
  // 0.5 s past the last switch. Speed 1: switches at clock 0.625, 1.25, 1.875, 2.5, so
  // frame 4 at 2.5 s. Speed 0.5: clock 1.25 at 2.5 s, switches at 0.5625 and 1.125: frame 2.
  for (auto [value, frame] : {std::pair<unsigned, int>{100, 4}, {50, 2}, {0, 0}}) {
    SCOPED_TRACE(value);
    DS_CustomAirBrush d;
    d.m_PictureClock.Set(value);
    d.m_PictureFrames.ResizeFrames(6);
    d.m_PictureFrames.delays.assign(6, 0.5f);
    Running<DS_CustomAirBrush> run(d);
    for (int k = 1; k <= 20; ++k) run.object->UpdateFrame(0.125f * float(k));
    EXPECT_EQ(run.brush.m_PictureFrames.frame, frame);
  }
}

TEST(AirBrushes, AddParticleAtDrawsOnlyWhereTheRulesSay) {
  struct Case {
    const char* name;
    std::unique_ptr<DS_AirBrush> brush;
    int draws;
  };
  Case cases[3] = {{"custom", std::make_unique<DS_CustomAirBrush>(), 0},
                   {"twinkling", std::make_unique<DS_TwinklingStars>(), 1},
                   {"aurora", std::make_unique<DS_Aurora>(), 0}};
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    srand(9);
    tw_test::CrtRand model{9};
    c.brush->AddParticleAt(D3DXVECTOR3(3.0f, 4.0f, 5.0f), 0.5f, 0.25f, 0.75f, 2.0f);
    model.Skip(c.draws);
    EXPECT_EQ(rand(), model.Next());
    ASSERT_EQ(c.brush->m_Painted.size(), 1u);
    EXPECT_EQ(c.brush->m_Painted.front().previous, D3DXVECTOR3(3.0f, 4.0f, 5.0f));
  }
  // The aurora's four values: size, opacity, angle, phase.
  const Particle& band = cases[2].brush->m_Painted.front();
  EXPECT_EQ(band.channels[1], 0.5f);
  EXPECT_EQ(band.channels[2], 0.25f);
  EXPECT_EQ(band.channels[4], 0.75f);
  EXPECT_EQ(band.channels[0], 2.0f);
  // The plain air brush ignores them.
  const Particle& plain = cases[0].brush->m_Painted.front();
  EXPECT_EQ(plain.channels[1], 1.0f);
  EXPECT_EQ(plain.ProcessCount(), 0);
}

TEST(AirBrushes, RunningFramesTakeNoNewMemoryOnceRunning) {
  // Glints restarting every few frames and stars twinkling: processes come and go through
  // the block pools, whose chunks stop growing once the first cycles have run.
  DS_Bling bling = MakeBling();
  bling.m_InTime.Set(5);
  bling.m_OutTime.Set(5);
  DS_TwinklingStars stars;
  for (int i = 0; i < 200; ++i) {
    bling.m_Painted.emplace_back(float(i), 0.0f, 0.0f);
    stars.AddParticleAt(D3DXVECTOR3(float(i), 0.0f, 0.0f), 1.0f, 0, 0, 0);
  }
  Running<DS_Bling> glints(bling);
  Running<DS_TwinklingStars> twinkles(stars);
  auto frames = [&](int from, int to) {
    for (int k = from; k < to; ++k) {
      glints.object->UpdateFrame(0.02f * float(k));
      twinkles.object->UpdateFrame(0.02f * float(k));
    }
  };
  frames(1, 50);
  const size_t chunks = BlockPool::ChunkCount();
  frames(50, 1000);
  EXPECT_EQ(BlockPool::ChunkCount(), chunks);
}

}  // namespace
