// The particle record and its processes without a device: each process over a few steps
// with values worked out by hand, the random draws against the C runtime's sequence, and
// the ownership of processes through copies.
#include "objects/particles/Particle.h"
#include "tests/support/CrtRand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// A process that counts how many of its kind are alive and votes as told.
struct CountingProcess final : PProcess {
  static int alive;
  explicit CountingProcess(bool vote = true) : vote(vote) { ++alive; }
  CountingProcess(const CountingProcess& other) : PProcess(), vote(other.vote), runs(other.runs) { ++alive; }
  ~CountingProcess() override { --alive; }
  bool Process(float, Particle&) override {
    ++runs;
    return vote;
  }
  PProcess* Clone() const override { return new CountingProcess(*this); }
  bool vote;
  int runs = 0;
};
int CountingProcess::alive = 0;

TEST(ParticleTest, DefaultsAndConstruction) {
  const Particle a;
  const float defaults[10] = {0.0f, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(a.channels[i], defaults[i]) << "channel " << i;
  EXPECT_EQ(a.ProcessCount(), 0);

  const Particle b(1.0f, 2.0f, 3.0f);
  EXPECT_EQ(b.position, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
  EXPECT_EQ(b.previous, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
}

TEST(ParticleTest, RunProcessesRunsEveryProcessAndAndsTheVotes) {
  Particle empty;
  EXPECT_TRUE(empty.RunProcesses(1.0f)) << "a particle without processes lives for ever";

  CountingProcess::alive = 0;
  {
    Particle p;
    auto* first = new CountingProcess(true);
    auto* dying = new CountingProcess(false);
    auto* last = new CountingProcess(true);
    p.AddProcess(first);
    p.AddProcess(dying);
    p.AddProcess(last);
    EXPECT_FALSE(p.RunProcesses(0.1f));
    // The false vote in the middle does not stop the walk.
    EXPECT_EQ(first->runs, 1);
    EXPECT_EQ(dying->runs, 1);
    EXPECT_EQ(last->runs, 1);
    p.ClearProcesses();
    EXPECT_EQ(p.ProcessCount(), 0);
    EXPECT_EQ(CountingProcess::alive, 0);
  }

  // Age limit 2 with a kinetic step after it: the particle dies on the step that reaches
  // age 2, and still moves on that step.
  Particle q;
  q.AddProcess(new PAgeConst(2.0f));
  q.AddProcess(new PKinetic(D3DXVECTOR3(10.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
  EXPECT_TRUE(q.RunProcesses(1.0f));
  EXPECT_FLOAT_EQ(q.position.x, 10.0f);
  EXPECT_FALSE(q.RunProcesses(1.0f));
  EXPECT_FLOAT_EQ(q.position.x, 20.0f);
}

TEST(ParticleTest, CopiesCloneProcessesAndAFullListDropsTheExtra) {
  CountingProcess::alive = 0;
  {
    Particle p(1.0f, 2.0f, 3.0f);
    p.position.x = 5.0f;
    p.channels[7] = 0.25f;
    p.AddProcess(new PFade(Particle::kOpacity, 0.0f, 2.0f, -1.0f));
    p.AddProcess(new CountingProcess());

    Particle copy(p);
    EXPECT_EQ(copy.position, p.position);
    EXPECT_EQ(copy.previous, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(copy.channels[7], 0.25f);
    ASSERT_EQ(copy.ProcessCount(), 2);
    EXPECT_NE(copy.ProcessAt(0), p.ProcessAt(0));
    EXPECT_EQ(CountingProcess::alive, 2);

    // The copy's fade runs on its own state.
    copy.channels[Particle::kAge] = 1.0f;
    copy.RunProcesses(0.0f);
    EXPECT_FLOAT_EQ(static_cast<PFade*>(copy.ProcessAt(0))->remaining, -0.5f);
    EXPECT_FLOAT_EQ(static_cast<PFade*>(p.ProcessAt(0))->remaining, -1.0f);

    Particle assigned;
    assigned.AddProcess(new CountingProcess());
    assigned = copy;
    EXPECT_EQ(assigned.ProcessCount(), 2);
    EXPECT_FLOAT_EQ(static_cast<PFade*>(assigned.ProcessAt(0))->remaining, -0.5f);
    EXPECT_EQ(CountingProcess::alive, 3);

    Particle full;
    for (int i = 0; i < Particle::kMaxProcesses + 2; ++i) full.AddProcess(new CountingProcess());
    EXPECT_EQ(full.ProcessCount(), Particle::kMaxProcesses);
    EXPECT_EQ(CountingProcess::alive, 3 + Particle::kMaxProcesses);
  }
  EXPECT_EQ(CountingProcess::alive, 0) << "destroying a particle deletes its processes";
}

// Age from PAgeConst first, then the fade of the opacity.
struct FadeCase {
  const char* name;
  float start, end, change;
  std::vector<float> steps;
  std::vector<float> opacity;  // after each step
};

TEST(ProcessTest, FadeMovesTheChannelAlongItsLineInSteps) {
  const FadeCase cases[] = {
      {"half steps", 0.0f, 2.0f, -1.0f, {0.5f, 0.5f, 1.0f, 0.5f}, {0.75f, 0.5f, 0.0f, 0.0f}},
      {"uneven steps", 0.0f, 2.0f, -1.0f, {0.25f, 0.75f, 1.5f}, {0.875f, 0.5f, 0.0f}},
      {"one step past the end", 0.0f, 2.0f, -1.0f, {3.0f, 1.0f}, {0.0f, 0.0f}},
      // Untouched below the start age; at the start age the step is zero.
      {"start age 3", 3.0f, 5.0f, -1.0f, {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 0.5f, 0.0f, 0.0f}},
      // A window of no length adds the whole change once the age reaches it.
      {"empty window", 1.0f, 1.0f, -0.5f, {0.5f, 0.5f, 0.5f}, {1.0f, 0.5f, 0.5f}},
  };
  for (const FadeCase& c : cases) {
    Particle p;
    p.AddProcess(new PAgeConst(100.0f));
    p.AddProcess(new PFade(Particle::kOpacity, c.start, c.end, c.change));
    for (size_t i = 0; i < c.steps.size(); ++i) {
      EXPECT_TRUE(p.RunProcesses(c.steps[i])) << c.name;
      EXPECT_FLOAT_EQ(p.channels[Particle::kOpacity], c.opacity[i]) << c.name << ", step " << i;
    }
  }
}

TEST(ProcessTest, SteadyActsOnlyStrictlyInsideItsLifeWindow) {
  struct Case {
    float life, expected;
  };
  // PSteady(size, 0, 0.5, rate 2) over dt 0.25 on size 1.
  const Case cases[] = {{0.0f, 1.0f}, {0.25f, 1.5f}, {0.4999f, 1.5f}, {0.5f, 1.0f}, {-0.1f, 1.0f}};
  for (const Case& c : cases) {
    Particle p;
    p.channels[Particle::kLife] = c.life;
    PSteady steady(Particle::kSize, 0.0f, 0.5f, 2.0f);
    EXPECT_TRUE(steady.Process(0.25f, p));
    EXPECT_FLOAT_EQ(p.channels[Particle::kSize], c.expected) << "life " << c.life;
  }
}

TEST(ProcessTest, LifeAgeSpinAndKinetic) {
  Particle p;
  PLifeConst life(0.5f);
  EXPECT_TRUE(life.Process(1.0f, p));
  EXPECT_FLOAT_EQ(p.channels[Particle::kLife], 0.5f);
  EXPECT_FALSE(life.Process(1.0f, p)) << "dead once channel 0 reaches 1";

  PSpin spin(2.0f);
  spin.Process(0.25f, p);
  EXPECT_FLOAT_EQ(p.channels[Particle::kAngle], 0.5f);

  // x = v t + a t^2 / 2 per step, then v += a t.
  PKinetic kinetic(D3DXVECTOR3(10.0f, 0.0f, -4.0f), D3DXVECTOR3(0.0f, 20.0f, 0.0f));
  kinetic.Process(0.5f, p);
  EXPECT_FLOAT_EQ(p.position.x, 5.0f);
  EXPECT_FLOAT_EQ(p.position.y, 2.5f);
  EXPECT_FLOAT_EQ(p.position.z, -2.0f);
  kinetic.Process(0.5f, p);
  EXPECT_FLOAT_EQ(p.position.y, 10.0f);  // 2.5 + 10 x 0.5 + 2.5
  EXPECT_FLOAT_EQ(kinetic.velocity.y, 20.0f);
}

TEST(ProcessTest, AChannelOutsideTheTenActsOnNothing) {
  Particle p;
  p.channels[Particle::kLife] = 0.25f;
  p.channels[Particle::kAge] = 1.0f;
  const Particle before(p);
  PFade fade(10, 0.0f, 2.0f, -1.0f);
  PSteady steady(-1, 0.0f, 0.5f, 3.0f);
  PTwinkle twinkle(12, 0.0f, 2.0f, 0.0f);
  EXPECT_TRUE(fade.Process(0.5f, p));
  EXPECT_TRUE(steady.Process(0.5f, p));
  EXPECT_TRUE(twinkle.Process(0.5f, p));
  for (int i = 0; i < Particle::kChannels; ++i) EXPECT_EQ(p.channels[i], before.channels[i]) << "channel " << i;
}

TEST(ProcessTest, TwinkleRestsAndFlashesInTheOrderOfTheDraws) {
  // After srand(1) the C runtime gives 41, 18467, 6334, 26500, 19169, 15724, 11478,
  // 29358, 26962, 24464, ...; a firing draws r, then one uniform value.
  tw_test::CrtRand check{1};
  const int sequence[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
  for (int r : sequence) ASSERT_EQ(check.Next(), r);

  const float base = 2.0f;

  std::srand(1);
  Particle p;
  p.channels[Particle::kSize] = 7.0f;
  PTwinkle twinkle(Particle::kSize, 0.0f, base, 0.0f);
  // Period 0 fires on the first step with a positive dt.
  twinkle.Process(0.01f, p);
  EXPECT_FLOAT_EQ(p.channels[Particle::kSize], base);  // 41: rest
  EXPECT_FLOAT_EQ(twinkle.period, 0.2f + 18467 / 32767.0f * 2.3f);
  EXPECT_EQ(twinkle.timer, 0.0f);

  // Not past the period: nothing drawn, the timer runs.
  twinkle.Process(1.0f, p);
  EXPECT_FLOAT_EQ(twinkle.timer, 1.0f);

  twinkle.Process(3.0f, p);  // 6334 % 3 = 1: rest, period from 26500
  EXPECT_FLOAT_EQ(p.channels[Particle::kSize], base);
  EXPECT_FLOAT_EQ(twinkle.period, 0.2f + 26500 / 32767.0f * 2.3f);
  twinkle.Process(3.0f, p);  // 19169 % 3 = 2: rest, period from 15724
  EXPECT_FLOAT_EQ(twinkle.period, 0.2f + 15724 / 32767.0f * 2.3f);
  twinkle.Process(3.0f, p);  // 11478 % 3 = 0: flash from 29358 for 0.2 s
  EXPECT_FLOAT_EQ(p.channels[Particle::kSize], base * (1.0f + 29358 / 32767.0f * 0.5f));
  EXPECT_FLOAT_EQ(twinkle.period, 0.2f);
  twinkle.Process(0.1f, p);  // still flashing
  EXPECT_FLOAT_EQ(p.channels[Particle::kSize], base * (1.0f + 29358 / 32767.0f * 0.5f));
  twinkle.Process(0.15f, p);  // 26962 % 3 = 1: back to rest, period from 24464
  EXPECT_FLOAT_EQ(p.channels[Particle::kSize], base);
  EXPECT_FLOAT_EQ(twinkle.period, 0.2f + 24464 / 32767.0f * 2.3f);
}

BrownianSettings Box(float steer) {
  BrownianSettings s;
  s.x0 = 0.0f;
  s.y0 = 0.0f;
  s.x1 = 100.0f;
  s.y1 = 100.0f;
  s.speed = 1.0f;
  s.retargetPeriod = 2.0f;
  s.steerTime = steer;
  return s;
}

TEST(ProcessTest, BrownianDrawsItsStartAndRetargetsInsideItsRectangle) {
  const BrownianSettings settings = Box(0.5f);
  std::srand(1);
  PBrownian b(&settings);
  // y from the first draw, x from the second, the retarget time from the third.
  EXPECT_FLOAT_EQ(b.velocity.y, 41 / 32767.0f * 200.0f - 100.0f);
  EXPECT_FLOAT_EQ(b.velocity.x, 18467 / 32767.0f * 200.0f - 100.0f);
  EXPECT_EQ(b.velocity.z, 0.0f);
  EXPECT_FLOAT_EQ(b.retargetTimeLeft, 1.0f + 6334 / 32767.0f * 4.0f);
  EXPECT_EQ(b.inside, 1);
  EXPECT_EQ(b.acceleration, D3DXVECTOR3(0.0f, 0.0f, 0.0f));

  // A step without a retarget: straight on at S x v.
  Particle p(50.0f, 50.0f, 0.0f);
  const D3DXVECTOR3 v0 = b.velocity;
  b.Process(0.1f, p);
  EXPECT_FLOAT_EQ(p.position.x, 50.0f + v0.x * 0.1f);
  EXPECT_FLOAT_EQ(p.position.y, 50.0f + v0.y * 0.1f);

  // The retarget time runs out: a new time from 26500, then the target x from 19169 and
  // y from 15724, reached over the steering time 0.5 s.
  b.retargetTimeLeft = 0.05f;
  const D3DXVECTOR3 at = p.position;
  b.Process(0.1f, p);
  EXPECT_FLOAT_EQ(b.retargetTimeLeft, 2.0f * (0.5f + 26500 / 32767.0f));
  const D3DXVECTOR3 target(-100.0f + 19169 / 32767.0f * 200.0f, -100.0f + 15724 / 32767.0f * 200.0f, 0.0f);
  const D3DXVECTOR3 a = (target - v0) / 0.5f;
  EXPECT_FLOAT_EQ(b.acceleration.x, a.x);
  EXPECT_FLOAT_EQ(b.acceleration.y, a.y);
  EXPECT_FLOAT_EQ(b.accelerationTimeLeft, 0.4f);
  EXPECT_NEAR(p.position.x, at.x + v0.x * 0.1f + a.x * 0.005f, 1e-4f);
  EXPECT_NEAR(p.position.y, at.y + v0.y * 0.1f + a.y * 0.005f, 1e-4f);
  EXPECT_NEAR(b.velocity.x, v0.x + a.x * 0.1f, 1e-4f);

  // Four more steps of 0.1 s end the steering: the target velocity is reached and the
  // acceleration stops.
  for (int i = 0; i < 4; ++i) b.Process(0.1f, p);
  EXPECT_NEAR(b.velocity.x, target.x, 1e-3f);
  EXPECT_NEAR(b.velocity.y, target.y, 1e-3f);
  b.Process(0.1f, p);
  EXPECT_EQ(b.acceleration, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
  EXPECT_EQ(b.accelerationTimeLeft, 0.0f);
}

TEST(ProcessTest, BrownianOutsideItsRectangleHeadsForTheCentre) {
  const BrownianSettings settings = Box(0.5f);
  struct Case {
    const char* name;
    unsigned char insideBefore;
    D3DXVECTOR3 accelerationBefore;
    D3DXVECTOR3 position;
    bool steers;
  };
  const Case cases[] = {
      {"just left the rectangle", 1, D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(200.0f, 50.0f, 0.0f), true},
      {"never inside, not steering", 0, D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(200.0f, 50.0f, 0.0f), true},
      {"outside and already steering", 0, D3DXVECTOR3(1.0f, 0.0f, 0.0f), D3DXVECTOR3(200.0f, 50.0f, 0.0f), false},
      {"the depth counts in the direction", 1, D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(200.0f, 50.0f, 200.0f),
       true},
  };
  for (const Case& c : cases) {
    std::srand(1);
    PBrownian b(&settings);
    b.inside = c.insideBefore;
    b.acceleration = c.accelerationBefore;
    b.accelerationTimeLeft = 10.0f;
    b.retargetTimeLeft = 100.0f;
    const D3DXVECTOR3 v0 = b.velocity;
    Particle p(c.position.x, c.position.y, c.position.z);
    b.Process(0.0f, p);
    EXPECT_EQ(b.inside, 0) << c.name;
    if (!c.steers) {
      EXPECT_EQ(b.acceleration, c.accelerationBefore) << c.name;
      continue;
    }
    // 100 x the unit vector towards (50, 50, 0).
    D3DXVECTOR3 towards = D3DXVECTOR3(50.0f, 50.0f, 0.0f) - c.position;
    towards *= 100.0f / std::sqrt(towards.x * towards.x + towards.y * towards.y + towards.z * towards.z);
    EXPECT_FLOAT_EQ(b.acceleration.x, (towards.x - v0.x) / 0.5f) << c.name;
    EXPECT_FLOAT_EQ(b.acceleration.y, (towards.y - v0.y) / 0.5f) << c.name;
    EXPECT_FLOAT_EQ(b.acceleration.z, (towards.z - v0.z) / 0.5f) << c.name;
    EXPECT_FLOAT_EQ(b.accelerationTimeLeft, 0.5f) << c.name;
  }
}

TEST(ProcessTest, BrownianOutsideRetargetsItsTimeOnlyAndNeverDividesByAZeroSteeringTime) {
  for (float steer : {0.0f, -1.0f, NAN}) {
    const BrownianSettings settings = Box(steer);
    std::srand(1);
    PBrownian b(&settings);
    b.retargetTimeLeft = 0.05f;
    Particle p(200.0f, 50.0f, 0.0f);
    b.Process(0.1f, p);
    // The steering takes the velocity towards the centre at once.
    EXPECT_FLOAT_EQ(b.velocity.x, -100.0f) << steer;
    EXPECT_FLOAT_EQ(b.velocity.y, 0.0f) << steer;
    EXPECT_EQ(b.acceleration, D3DXVECTOR3(0.0f, 0.0f, 0.0f)) << steer;
    EXPECT_FLOAT_EQ(p.position.x, 190.0f) << steer;
    EXPECT_FLOAT_EQ(p.position.y, 50.0f) << steer;
    // Outside, the retarget draws only its time (26500); no target is drawn.
    EXPECT_FLOAT_EQ(b.retargetTimeLeft, 2.0f * (0.5f + 26500 / 32767.0f)) << steer;
    EXPECT_EQ(std::rand(), 19169) << steer;
  }
}

TEST(ProcessTest, RepointBrownianMovesOnlyProcessesOfTheOldSettings) {
  BrownianSettings a, b, other;
  ParticleList list;
  list.emplace_back();
  list.back().AddProcess(new PBrownian(&a));
  list.back().AddProcess(new PBrownian(&other));
  list.back().AddProcess(new PSpin(1.0f));
  list.emplace_back();
  list.back().AddProcess(new PBrownian(&a));
  RepointBrownian(list, &a, &b);
  EXPECT_EQ(static_cast<PBrownian*>(list.front().ProcessAt(0))->settings, &b);
  EXPECT_EQ(static_cast<PBrownian*>(list.front().ProcessAt(1))->settings, &other);
  EXPECT_EQ(static_cast<PBrownian*>(list.back().ProcessAt(0))->settings, &b);
}

TEST(BlockPoolTest, FreedBlocksAreReusedWithoutNewChunks) {
  // Warm the pools the way a running generator does, then run frames of churn.
  ParticleList list;
  auto frame = [&list] {
    for (int i = 0; i < 200; ++i) {
      list.emplace_back(float(i), 0.0f, 0.0f);
      list.back().AddProcess(new PAgeConst(1.0f));
      list.back().AddProcess(new PFade(2, 0.0f, 1.0f, -1.0f));
      list.back().AddProcess(new PKinetic(D3DXVECTOR3(1.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
    }
    while (list.size() > 100) list.pop_front();
  };
  for (int i = 0; i < 3; ++i) frame();
  list.clear();
  frame();
  const size_t chunks = BlockPool::ChunkCount();
  for (int i = 0; i < 50; ++i) {
    list.clear();
    frame();
  }
  EXPECT_EQ(BlockPool::ChunkCount(), chunks);

  // Blocks of one chunk come in address order; a chunk whose blocks are all free starts
  // again from its first block.
  void* a = BlockPool::Allocate(200);
  void* b = BlockPool::Allocate(200);
  EXPECT_EQ(static_cast<char*>(b) - static_cast<char*>(a), 208) << "200 bytes take a block of 208";
  BlockPool::Free(b, 200);
  EXPECT_EQ(BlockPool::Allocate(193), b) << "a freed block is handed out again";
  BlockPool::Free(b, 193);
  BlockPool::Free(a, 200);
  EXPECT_EQ(BlockPool::Allocate(200), a);
  BlockPool::Free(a, 200);
  // Larger requests go to the heap and come back from it.
  void* big = BlockPool::Allocate(BlockPool::kMaxBlockBytes + 1);
  ASSERT_NE(big, nullptr);
  BlockPool::Free(big, BlockPool::kMaxBlockBytes + 1);
}

}  // namespace
