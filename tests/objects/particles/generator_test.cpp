// The generator base, its runtime object and the generator families without a device:
// sprite colours and quads, emission along paths, the emitted particles' processes, the
// batches' bookkeeping without buffers, the origin generators' emission and actions, and
// the record parts of every stored version from document-builder bytes.
#include "ParticleTestSupport.h"
#include "particle_fixtures.h"

#include "core/archive/DS_IOF.h"
#include "core/archive/DS_IOF_Writer.h"
#include "core/document/DocResManager.h"
#include "core/render/StageView.h"
#include "tests/support/CrtRand.h"
#include "tests/support/RecordingRender.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using tw_test::DS_TestOriginGenerator;
using tw_test::DS_TestTexGenerator;

constexpr float kPiF = 3.1415927f;

// -----------------------------------------------------------------------------------------
// Sprite colours and quads

TEST(SpriteColourTest, ColourBytesAndAlphaSaturate) {
  struct Case {
    unsigned long value;
    unsigned transparency;
    float factor;
    D3DCOLOR expected;
  };
  const Case cases[] = {
      {0x0000FF, 0, 1.0f, 0xFFFF0000},   // red in the low byte becomes opaque red
      {0xFF0000, 0, 1.0f, 0xFF0000FF},   // blue moves to the low byte
      {0x00FF00, 0, 0.5f, 0x8000FF00},   // 0.5 x 255 + 0.5 = 128
      {0x123456, 0, 2.0f, 0xFF563412},   // alpha saturates at 255
      {0xFFFFFF, 100, 1.0f, 0x00FFFFFF}, // fully transparent
      {0xFFFFFF, 50, 1.0f, 0x7FFFFFFF},  // alpha byte 127 (255 - 127.5, truncated)
      {0xFFFFFF, 0, -1.0f, 0x00FFFFFF},  // a negative factor gives 0
      {0xFFFFFF, 0, NAN, 0x00FFFFFF},    // not a number gives 0
      {0xFFFFFF, 0, INFINITY, 0xFFFFFFFF},
  };
  for (const Case& c : cases) {
    MediaColor colour(c.value, c.transparency);
    EXPECT_EQ(ParticleColor(colour, c.factor), c.expected) << std::hex << c.value << " " << std::dec
                                                          << c.transparency << " " << c.factor;
  }
}

TEST(SpriteColourTest, EveryColourByteIsKept) {
  // trunc(b / 255 x 255 + 0.5) = b for every byte b, in each of the three places.
  for (unsigned b = 0; b < 256; ++b) {
    EXPECT_EQ(ParticleColor(MediaColor(b), 1.0f), 0xFF000000u | (b << 16)) << b;
    EXPECT_EQ(ParticleColor(MediaColor(b << 8), 1.0f), 0xFF000000u | (b << 8)) << b;
    EXPECT_EQ(ParticleColor(MediaColor(b << 16), 1.0f), 0xFF000000u | b) << b;
  }
}

void ExpectCorner(const DX_V::PCT& v, float x, float y, float z, const char* what) {
  EXPECT_FLOAT_EQ(v.x, x) << what;
  EXPECT_FLOAT_EQ(v.y, y) << what;
  EXPECT_FLOAT_EQ(v.z, z) << what;
}

void ExpectTex(const SpriteQuad& q, const float (&uv)[8], const char* what) {
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(q.p[i].u, uv[2 * i]) << what << " p" << i;
    EXPECT_FLOAT_EQ(q.p[i].v, uv[2 * i + 1]) << what << " p" << i;
  }
}

TEST(SpriteQuadTest, Builders) {
  const float defaultUv[8] = {0, 1, 0, 0, 1, 1, 1, 0};

  SpriteQuad c = SpriteQuad::FromCenter(D3DXVECTOR3(10.0f, 20.0f, 3.0f), 4.0f, 6.0f);
  ExpectCorner(c.p[0], 8, 23, 3, "centre p0 lower left");
  ExpectCorner(c.p[1], 8, 17, 3, "centre p1 upper left");
  ExpectCorner(c.p[2], 12, 23, 3, "centre p2 lower right");
  ExpectCorner(c.p[3], 12, 17, 3, "centre p3 upper right");
  ExpectTex(c, defaultUv, "centre");
  for (const DX_V::PCT& v : c.p) EXPECT_EQ(v.color, 0xFFFFFFFFu);

  SpriteQuad k = SpriteQuad::FromCorner(D3DXVECTOR3(10.0f, 20.0f, 1.0f), 4.0f, 6.0f);
  ExpectCorner(k.p[0], 10, 26, 1, "corner p0");
  ExpectCorner(k.p[1], 10, 20, 1, "corner p1");
  ExpectCorner(k.p[2], 14, 26, 1, "corner p2");
  ExpectCorner(k.p[3], 14, 20, 1, "corner p3");

  // r = 1.5: C -/+ R r +/- U r.
  SpriteQuad a = SpriteQuad::FromAxes(D3DXVECTOR3(1.0f, 1.0f, 0.0f), D3DXVECTOR3(2.0f, 0.0f, 0.0f),
                                      D3DXVECTOR3(0.0f, 4.0f, 0.0f), 3.0f);
  ExpectCorner(a.p[0], -2, 7, 0, "axes p0");
  ExpectCorner(a.p[1], -2, -5, 0, "axes p1");
  ExpectCorner(a.p[2], 4, 7, 0, "axes p2");
  ExpectCorner(a.p[3], 4, -5, 0, "axes p3");

  // n = (-Dy, Dx, 0) / 2L = (0, 0.5, 0).
  SpriteQuad s = SpriteQuad::FromSegment(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(10.0f, 0.0f, 0.0f), 10.0f,
                                         2.0f, 4.0f);
  ExpectCorner(s.p[0], 0, 1, 0, "segment p0");
  ExpectCorner(s.p[1], 0, -1, 0, "segment p1");
  ExpectCorner(s.p[2], 10, 2, 0, "segment p2");
  ExpectCorner(s.p[3], 10, -2, 0, "segment p3");
  SpriteQuad t = SpriteQuad::FromSegment(D3DXVECTOR3(10.0f, 0.0f, 0.0f), D3DXVECTOR3(10.0f, 0.0f, 0.0f), 10.0f,
                                         6.0f, 8.0f);
  SpriteQuad::JoinTo(s, t);
  // Previous ends 2 either side, next starts 3 either side: both meet at 2.5.
  ExpectCorner(s.p[2], 10, 2.5f, 0, "joined previous p2");
  ExpectCorner(t.p[0], 10, 2.5f, 0, "joined next p0");
  ExpectCorner(s.p[3], 10, -2.5f, 0, "joined previous p3");
  ExpectCorner(t.p[1], 10, -2.5f, 0, "joined next p1");
  ExpectCorner(t.p[2], 20, 4.0f, 0, "next p2 stays");

  // A segment of no length collapses to its start instead of dividing by zero.
  SpriteQuad z = SpriteQuad::FromSegment(D3DXVECTOR3(3.0f, 4.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 0.0f), 0.0f, 2.0f,
                                         2.0f);
  for (int i = 0; i < 4; ++i) ExpectCorner(z.p[i], 3, 4, 0, "empty segment");

  MediaQuad mq;
  mq.corners[0].Store(D3DXVECTOR3(1.0f, 2.0f, 0.0f));
  mq.corners[1].Store(D3DXVECTOR3(3.0f, 4.0f, 0.0f));
  mq.corners[2].Store(D3DXVECTOR3(5.0f, 6.0f, 0.0f));
  mq.corners[3].Store(D3DXVECTOR3(7.0f, 8.0f, 0.0f));
  SpriteQuad m = SpriteQuad::FromMediaQuad(mq);
  ExpectCorner(m.p[0], 3, 4, 0, "media quad p0 = corner 1");
  ExpectCorner(m.p[1], 1, 2, 0, "media quad p1 = corner 0");
  ExpectCorner(m.p[2], 7, 8, 0, "media quad p2 = corner 3");
  ExpectCorner(m.p[3], 5, 6, 0, "media quad p3 = corner 2");
  ExpectTex(m, defaultUv, "media quad");

  const DS_BoundsRect b = a.Bounds();
  EXPECT_FLOAT_EQ(b.x, -2.0f);
  EXPECT_FLOAT_EQ(b.y, -5.0f);
  EXPECT_FLOAT_EQ(b.width, 6.0f);
  EXPECT_FLOAT_EQ(b.height, 12.0f);
}

TEST(SpriteQuadTest, TextureCoordinatesAndMirrors) {
  struct Case {
    bool horizontal, vertical;
    float uv[8];
  };
  const Case cases[] = {
      {false, false, {0, 1, 0, 0, 1, 1, 1, 0}},
      {true, true, {1, 0, 1, 1, 0, 0, 0, 1}},
      {true, false, {1, 1, 1, 0, 0, 1, 0, 0}},
      {false, true, {0, 0, 0, 1, 1, 0, 1, 1}},
  };
  for (const Case& c : cases) {
    SpriteQuad q;
    q.Mirror(c.horizontal, c.vertical);
    ExpectTex(q, c.uv, c.horizontal ? (c.vertical ? "both" : "horizontal") : (c.vertical ? "vertical" : "none"));
  }
  SpriteQuad q;
  q.SetTexCoords(0.25f, 0.75f, 0.125f, 0.875f);
  const float uv[8] = {0.25f, 0.875f, 0.25f, 0.125f, 0.75f, 0.875f, 0.75f, 0.125f};
  ExpectTex(q, uv, "set");
}

TEST(SpriteQuadTest, ParticleSprites) {
  Particle p(100.0f, 50.0f, 2.0f);
  p.channels[Particle::kSize] = 2.0f;
  p.channels[Particle::kOpacity] = 0.5f;
  const MediaColor red(0x0000FF);
  // Side = channel 1 x size; alpha = 255 x channel 2 x factor.
  SpriteQuad q = ParticleSpriteQuad(red, p, 10.0f, 1.0f);
  ExpectCorner(q.p[0], 90, 60, 2, "sprite p0");
  ExpectCorner(q.p[3], 110, 40, 2, "sprite p3");
  for (const DX_V::PCT& v : q.p) EXPECT_EQ(v.color, 0x80FF0000u);

  // A quarter turn: the right axis (2 x 10, 0) points down the picture, the up axis
  // (0, 2 x 4) to the left.
  p.channels[Particle::kAngle] = kPiF / 2.0f;
  SpriteQuad r = RotatedParticleSpriteQuad(red, p, 10.0f, 4.0f, 0.5f);
  // p0 = C - R/2 + U/2 = (100, 50) - (0, 10) + (-4, 0).
  EXPECT_NEAR(r.p[0].x, 96.0f, 1e-4f);
  EXPECT_NEAR(r.p[0].y, 40.0f, 1e-4f);
  EXPECT_NEAR(r.p[3].x, 104.0f, 1e-4f);  // C + R/2 - U/2
  EXPECT_NEAR(r.p[3].y, 60.0f, 1e-4f);
  EXPECT_EQ(r.p[0].color, 0x40FF0000u);  // 255 x 0.5 x 0.5 = 63.75 -> 64
}

// -----------------------------------------------------------------------------------------
// Emission and the emitted particles

// A generator with its emission rate and path emission set as a document's would be.
std::unique_ptr<DS_TestTexGenerator> PathGenerator(unsigned rate, int pathEmission = 1) {
  auto g = std::make_unique<DS_TestTexGenerator>();
  g->m_EmissionRate.Set(rate);
  g->m_PathEmission.Store(pathEmission);
  g->m_Life.Set(2u);
  return g;
}

TEST(EmissionTest, RateCountsCarryOverOnlyWhileNoParticleIsDue) {
  auto g = PathGenerator(30);
  g->m_Stored.emplace_back(0.0f, 0.0f, 0.0f);
  g->m_Stored.back().position = D3DXVECTOR3(10.0f, 0.0f, 0.0f);
  // 30 x 0.025 = 0.75: none, and the last time stays.
  g->EmitAlongPaths(0.025f);
  EXPECT_EQ(g->m_Live.size(), 0u);
  EXPECT_EQ(g->m_EmissionRate.LastTime(), 0.0f);
  // 30 x 0.05 = 1.5: one, and the last time moves (the half particle is dropped).
  g->EmitAlongPaths(0.05f);
  EXPECT_EQ(g->m_Live.size(), 1u);
  EXPECT_FLOAT_EQ(g->m_EmissionRate.LastTime(), 0.05f);
  g->EmitAlongPaths(0.075f);
  EXPECT_EQ(g->m_Live.size(), 1u);
  // A clock that ran backwards resynchronises without emitting.
  g->EmitAlongPaths(0.01f);
  EXPECT_EQ(g->m_Live.size(), 1u);
  EXPECT_FLOAT_EQ(g->m_EmissionRate.LastTime(), 0.01f);
}

TEST(EmissionTest, ParticlesArePlacedAlongEachStoredParticlesStep) {
  auto g = PathGenerator(30);
  Particle moving(0.0f, 0.0f, 0.0f);
  moving.position = D3DXVECTOR3(8.0f, 4.0f, 0.0f);
  moving.channels[Particle::kOpacity] = 0.75f;
  g->m_Stored.push_back(moving);
  g->m_Stored.emplace_back(5.0f, 5.0f, 1.0f);  // did not move
  g->EmitAlongPaths(0.1f);                      // 30 x 0.1 = 3
  ASSERT_EQ(g->m_Live.size(), 6u);
  const D3DXVECTOR3 expected[6] = {{2, 1, 0}, {4, 2, 0}, {6, 3, 0}, {5, 5, 1}, {5, 5, 1}, {5, 5, 1}};
  int i = 0;
  for (const Particle& p : g->m_Live) {
    EXPECT_FLOAT_EQ(p.position.x, expected[i].x) << i;
    EXPECT_FLOAT_EQ(p.position.y, expected[i].y) << i;
    EXPECT_FLOAT_EQ(p.position.z, expected[i].z) << i;
    EXPECT_EQ(p.previous, p.position) << i;
    EXPECT_EQ(p.ProcessCount(), 3) << i;
    EXPECT_FLOAT_EQ(p.channels[Particle::kOpacity], i < 3 ? 0.75f : 1.0f) << i;
    ++i;
  }
  // Every stored particle's step starts again where it is.
  for (const Particle& s : g->m_Stored) EXPECT_EQ(s.previous, s.position);
}

TEST(EmissionTest, PathEmissionOffStillMovesTheLastTime) {
  auto g = PathGenerator(30, 0);
  g->m_Stored.emplace_back(0.0f, 0.0f, 0.0f);
  g->EmitAlongPaths(0.1f);
  EXPECT_EQ(g->m_Live.size(), 0u);
  EXPECT_FLOAT_EQ(g->m_EmissionRate.LastTime(), 0.1f);
}

TEST(EmissionTest, OneCallNeverFillsTheLiveListPastItsCap) {
  // Two stored particles, room for two more: three are due for each.
  auto g = PathGenerator(30);
  g->m_Stored.emplace_back(0.0f, 0.0f, 0.0f);
  g->m_Stored.emplace_back(1.0f, 0.0f, 0.0f);
  for (size_t i = 0; i + 2 < kMaxParticlesPerList; ++i) g->m_Live.emplace_back();
  g->EmitAlongPaths(0.1f);
  EXPECT_EQ(g->m_Live.size(), kMaxParticlesPerList);

  // A hostile rate over a long time saturates the count and stops at the cap.
  auto h = PathGenerator(0xFFFFFFFFu);
  h->m_Speed.Set(0u);
  h->m_Stored.emplace_back(0.0f, 0.0f, 0.0f);
  h->EmitAlongPaths(1.0e6f);
  EXPECT_EQ(h->m_Live.size(), kMaxParticlesPerList);
}

TEST(EmissionTest, InitParticleFadesOverTheLifeAndMovesAtARandomSpeed) {
  // Speed 0: the particle stays and fades from its channel-2 value by 1 over its life;
  // the length and both angles are still drawn.
  auto g = PathGenerator(0);
  Particle stored;
  stored.channels[Particle::kOpacity] = 0.8f;
  std::srand(1);
  Particle p(3.0f, 4.0f, 0.0f);
  g->InitParticle(p, stored);
  EXPECT_EQ(std::rand(), 26500) << "three draws: the length, then two angles";
  ASSERT_EQ(p.ProcessCount(), 3);
  EXPECT_FLOAT_EQ(p.channels[Particle::kOpacity], 0.8f);
  EXPECT_TRUE(p.RunProcesses(1.0f));
  EXPECT_FLOAT_EQ(p.channels[Particle::kOpacity], 0.3f);
  EXPECT_FALSE(p.RunProcesses(1.0f)) << "dead at its life of 2 s";
  EXPECT_NEAR(p.channels[Particle::kOpacity], -0.2f, 1e-6f);
  EXPECT_EQ(p.position, D3DXVECTOR3(3.0f, 4.0f, 0.0f));

  // Speed 100: the length from the first draw, theta from the second, phi from the third:
  // (L cos t cos f, L sin t, -L cos t sin f).
  g->m_Speed.Set(100u);
  std::srand(1);
  Particle q(0.0f, 0.0f, 0.0f);
  g->InitParticle(q, stored);
  const float length = 100.0f * 41 / 32767.0f;
  const float theta = 18467 / 32767.0f * 360.0f * kPiF / 180.0f;
  const float phi = 6334 / 32767.0f * 360.0f * kPiF / 180.0f;
  const D3DXVECTOR3 v = static_cast<PKinetic*>(q.ProcessAt(2))->velocity;
  EXPECT_NEAR(v.x, length * std::cos(theta) * std::cos(phi), 1e-4f);
  EXPECT_NEAR(v.y, length * std::sin(theta), 1e-4f);
  EXPECT_NEAR(v.z, -length * std::cos(theta) * std::sin(phi), 1e-4f);
}

TEST(GeneratorTest, UpdateFrameStepsBothListsByTheClock) {
  DS_TestTexGenerator g;
  // Speed 1: the step is the elapsed time clamped to 0.2 s.
  g.m_Stored.emplace_back();
  g.m_Stored.back().AddProcess(new PSpin(1.0f));
  g.m_Live.emplace_back();
  g.m_Live.back().AddProcess(new PAgeConst(0.3f));
  DS_ParticlesObj runtime(g.Clone());
  auto& copy = *static_cast<DS_TestTexGenerator*>(runtime.Generator());
  runtime.UpdateFrame(0.1f);
  EXPECT_FLOAT_EQ(copy.m_Clock.LastStep(), 0.1f);
  EXPECT_FLOAT_EQ(copy.m_Stored.front().channels[Particle::kAngle], 0.1f);
  ASSERT_EQ(copy.m_Live.size(), 1u);
  runtime.UpdateFrame(1.0f);  // clamped to 0.2: age 0.3, dead
  EXPECT_FLOAT_EQ(copy.m_Clock.LastStep(), 0.2f);
  EXPECT_EQ(copy.m_Live.size(), 0u);
  EXPECT_FLOAT_EQ(copy.m_Stored.front().channels[Particle::kAngle], 0.3f);
}

TEST(GeneratorTest, CopiesCarryParametersClockAndBothLists) {
  DS_TestTexGenerator g;
  g.m_Life.SetScale(0.5f, 1.0f);
  g.m_Life.Set(10u);
  g.m_EmissionRate.Store(40u);  // stored as a reader does, without the scaled value
  g.m_EmissionRate.SetLastTime(2.5f);
  g.m_Clock.Advance(0.15f);
  g.m_Stored.emplace_back(1.0f, 2.0f, 3.0f);
  g.m_Live.emplace_back();
  g.m_Live.back().AddProcess(new PSpin(1.0f));
  g.m_BlendMode.Store(3);
  g.m_Color1.Store(0x123456);

  std::unique_ptr<DS_ParticleGenerator> copy(g.Clone());
  auto& c = static_cast<DS_TestTexGenerator&>(*copy);
  EXPECT_FLOAT_EQ(c.m_Life.Derived(), 6.0f);
  EXPECT_FLOAT_EQ(c.m_EmissionRate.Derived(), 40.0f) << "the runtime copy scales the stored rate";
  EXPECT_FLOAT_EQ(c.m_EmissionRate.LastTime(), 2.5f);
  EXPECT_FLOAT_EQ(c.m_Clock.Time(), g.m_Clock.Time());
  EXPECT_FLOAT_EQ(c.m_Clock.LastStep(), g.m_Clock.LastStep());
  EXPECT_FLOAT_EQ(c.m_Clock.LastTime(), 0.15f);
  ASSERT_EQ(c.m_Stored.size(), 1u);
  ASSERT_EQ(c.m_Live.size(), 1u);
  EXPECT_NE(c.m_Live.front().ProcessAt(0), g.m_Live.front().ProcessAt(0));
  EXPECT_EQ(c.m_BlendMode.Get(), 3);
  EXPECT_EQ(c.m_Color1.Get(), 0x123456u);
  EXPECT_EQ(std::memcmp(&c.m_Key, &g.m_Key, sizeof(GUID)), 0) << "a clone keeps the key of its target pair";

  DS_TestTexGenerator other;
  EXPECT_NE(std::memcmp(&other.m_Key, &g.m_Key, sizeof(GUID)), 0) << "each new generator draws its own key";
}

TEST(GeneratorTest, BlendModeDecidesThePostPass) {
  for (int mode = -1; mode <= 7; ++mode) {
    DS_TestTexGenerator g;
    g.m_BlendMode.Store(mode);
    DS_ParticlesObj runtime(g.Clone());
    EXPECT_EQ(runtime.IsPostPass(), mode == 1 || mode == 2) << mode;
  }
}

// -----------------------------------------------------------------------------------------
// The runtime object without a device

TEST(RuntimeTest, BatchesWithoutBuffersKeepTheirCountsAndNeverLock) {
  DS_TestTexGenerator g;
  g.batches = 2;
  DS_ParticlesObj runtime(g.Clone());
  auto& copy = *static_cast<DS_TestTexGenerator*>(runtime.Generator());
  EXPECT_EQ(copy.initRuntimeCalls, 1);
  EXPECT_EQ(copy.m_Runtime, &runtime);
  ASSERT_EQ(runtime.BatchCount(), 2u);
  EXPECT_EQ(runtime.Count(0), 0u);
  EXPECT_EQ(runtime.Batch(1).primitiveType, D3DPT_TRIANGLESTRIP);

  runtime.ReserveQuads(0, 100);
  EXPECT_EQ(runtime.Count(0), 100u);
  EXPECT_EQ(runtime.Bounds(0).size(), 100u);
  EXPECT_FALSE(runtime.Batch(0).vertexBuffer) << "no device, no buffers";
  EXPECT_FALSE(runtime.LockBatch(0)) << "a batch without a buffer is never locked";
  EXPECT_FALSE(runtime.LockBatch(2));
  runtime.ReserveQuads(1, 100000);
  EXPECT_EQ(runtime.Count(1), kMaxQuadsPerBuffer);
  runtime.ReserveQuads(5, 10);  // outside the batches: nothing
  EXPECT_EQ(runtime.BatchCount(), 2u);

  // Writes to a batch that is not locked leave its bounds alone.
  SpriteQuad q = SpriteQuad::FromCenter(D3DXVECTOR3(50.0f, 50.0f, 0.0f), 10.0f, 10.0f);
  runtime.WriteQuad(q, 0, 0);
  runtime.WriteQuad(q, 7, 0);
  EXPECT_EQ(runtime.Bounds(0)[0].width, 0.0f);

  // Every reserved slot of every batch, and false.
  runtime.ReserveQuads(1, 3);
  DS_BoundsList bounds;
  EXPECT_FALSE(runtime.CollectBounds(bounds));
  EXPECT_EQ(bounds.size(), 103u);

  tw_test::RecordingRender r;
  runtime.Render(r);  // no effect: the fixed pipeline, but nothing to draw
  EXPECT_EQ(r.Sequence(), "");
}

TEST(RuntimeTest, TheGeneratorDiesAfterTheBatchesAndNeverSeesThem) {
  DS_ParticlesObj* seen = reinterpret_cast<DS_ParticlesObj*>(1);
  {
    DS_TestTexGenerator g;
    g.runtimeSeenAtDestruction = &seen;
    DS_ParticlesObj runtime(g.Clone());
    g.runtimeSeenAtDestruction = nullptr;
    runtime.SetBatchCount(3);
    runtime.ReserveQuads(2, 8);
  }
  EXPECT_EQ(seen, nullptr);

  DS_ParticlesObj empty(nullptr);  // a failed clone: no InitRuntime, nothing forwarded
  EXPECT_FALSE(empty.IsPostPass());
  EXPECT_FALSE(empty.HitTest(1.0f, 1.0f));
  empty.UpdateFrame(1.0f);
  tw_test::RecordingRender r;
  empty.Render(r);
  EXPECT_EQ(r.Sequence(), "");
}

TEST(RuntimeTest, DrawRoutinesWithoutAnEffectOrATargetDrawSafely) {
  tw_test::RecordingEffect effect;
  DS_TestTexGenerator g;
  g.testEffect = &effect;
  g.joined = true;
  g.batches = 2;
  DS_ParticlesObj runtime(g.Clone());
  auto& copy = *static_cast<DS_TestTexGenerator*>(runtime.Generator());
  tw_test::RecordingRender r;
  // No resource manager: no target pair, so the mask passes and the composite are left
  // out instead of drawing over the frame.
  EXPECT_EQ(copy.m_RenderTarget, nullptr);
  copy.DrawSingleBatch(r, nullptr);
  copy.DrawJoinedBatches(r, 1);
  copy.DrawComposite(r);
  EXPECT_EQ(r.Sequence(), "");
  EXPECT_TRUE(r.TargetsBalanced());

  // Without an effect the joined mask and the composite draw nothing at all.
  copy.m_Effect.Reset();
  effect.Clear();
  copy.DrawJoinedBatches(r, 1);
  copy.DrawComposite(r);
  EXPECT_EQ(r.Sequence(), "");
  EXPECT_EQ(effect.log, "");
  EXPECT_EQ(copy.FrameTexture(0), nullptr) << "an index beyond the sets gives no texture";
  EXPECT_EQ(copy.FrameTexture(size_t(-1)), nullptr);
}

TEST(RuntimeTest, AcloneAndItsDescriptionShareOneTargetPair) {
  g_DocResManager = new DS_DocResManager();
  {
    DS_TestTexGenerator g;
    g.AcquireRenderTarget();
    DS_ParticlesObj runtime(g.Clone());
    auto& copy = *static_cast<DS_TestTexGenerator*>(runtime.Generator());
    ASSERT_NE(g.m_RenderTarget, nullptr);
    EXPECT_EQ(copy.m_RenderTarget, g.m_RenderTarget);
    DS_TestTexGenerator other;
    other.AcquireRenderTarget();
    EXPECT_NE(other.m_RenderTarget, g.m_RenderTarget);
  }
  delete g_DocResManager;
  g_DocResManager = nullptr;
}

TEST(RuntimeTest, PlacedFlagDecidesTheCentreAndTheRegion) {
  const UINT w = g_ScreenLayout.pictureWidth, h = g_ScreenLayout.pictureHeight;
  g_ScreenLayout.pictureWidth = 640;
  g_ScreenLayout.pictureHeight = 480;
  {
    tw_test::DS_TestStaticGenerator placed;
    placed.m_Centre.Store(D3DXVECTOR3(10.0f, 20.0f, 0.0f));
    DS_ParticlesObj a(placed.Clone());
    EXPECT_EQ(static_cast<DS_StaticGenerator*>(a.Generator())->m_Centre.Get(), D3DXVECTOR3(10.0f, 20.0f, 0.0f));

    tw_test::DS_TestStaticGenerator fresh;
    fresh.m_Flag = false;
    DS_ParticlesObj b(fresh.Clone());
    auto* centred = static_cast<DS_StaticGenerator*>(b.Generator());
    EXPECT_EQ(centred->m_Centre.Get(), D3DXVECTOR3(320.0f, 240.0f, 0.0f));
    EXPECT_TRUE(centred->m_Flag);

    tw_test::DS_TestRegionGenerator region;
    region.m_Flag = false;
    DS_ParticlesObj c(region.Clone());
    auto* covered = static_cast<DS_ParticleRctRgnGenerator*>(c.Generator());
    EXPECT_EQ(covered->m_Region.corners[0].Get(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(covered->m_Region.corners[3].Get(), D3DXVECTOR3(640.0f, 480.0f, 0.0f));
    EXPECT_FALSE(covered->m_Flag) << "the region generator leaves the flag as it was";
  }
  g_ScreenLayout.pictureWidth = w;
  g_ScreenLayout.pictureHeight = h;
}

// -----------------------------------------------------------------------------------------
// Origin generators

TEST(OriginTest, EmitsAtTheRateTimesTheAlphaAndKeepsTheRemainder) {
  DS_TestOriginGenerator g;
  g.m_Rate.Store(4u);
  g.m_OriginLife.Set(100u);  // 4 s: nobody dies in this test
  const size_t counts[8] = {0, 0, 1, 1, 2, 2, 3, 3};
  for (int step = 0; step < 8; ++step) {
    g.EmitParticles(0.125f);
    EXPECT_EQ(g.m_Particles.size(), counts[step]) << "after step " << step + 1;
  }
  EXPECT_FLOAT_EQ(g.m_EmissionTime, 0.25f);
}

TEST(OriginTest, NoTimePilesUpWhileNothingCanBeEmitted) {
  DS_TestOriginGenerator g;
  g.m_Rate.Store(4u);
  g.m_OriginLife.Set(100u);
  // An intervals time line without intervals: alpha 0.
  g.TimeLine().m_Mode.Store(DS_TimeLineControl::kModeIntervals);
  for (int i = 0; i < 10; ++i) g.EmitParticles(0.125f);
  EXPECT_EQ(g.m_Particles.size(), 0u);
  EXPECT_EQ(g.m_EmissionTime, 0.0f);
  // The alpha rises: emission starts afresh instead of bursting 1.25 s of particles.
  g.TimeLine().m_Mode.Store(DS_TimeLineControl::kModeAlways);
  g.EmitParticles(0.125f);
  g.EmitParticles(0.125f);
  EXPECT_EQ(g.m_Particles.size(), 0u);
  g.EmitParticles(0.125f);
  EXPECT_EQ(g.m_Particles.size(), 1u);

  DS_TestOriginGenerator idle;  // rate 0
  for (int i = 0; i < 10; ++i) idle.EmitParticles(0.2f);
  EXPECT_EQ(idle.m_EmissionTime, 0.0f);
}

TEST(OriginTest, AStepNeverMakesMoreThanTheListHasRoomFor) {
  DS_TestOriginGenerator g;
  g.m_Rate.Store(0xFFFFFFFFu);
  g.m_OriginLife.Set(100u);
  g.EmitParticles(0.2f);
  EXPECT_EQ(g.m_Particles.size(), kMaxParticlesPerList);
  EXPECT_LE(g.m_EmissionTime, 1.0f / float(0xFFFFFFFFu) * 1.01f);
  g.EmitParticles(0.2f);
  EXPECT_EQ(g.m_Particles.size(), kMaxParticlesPerList);
}

TEST(OriginTest, ParticlesLiveTheirLifeRunningTheirActions) {
  DS_TestOriginGenerator g;
  auto* p = new OriginParticle();
  p->life = 0.5f;
  p->position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  p->AddAction(MoveAction, {});
  g.m_Particles.push_back(p);
  g.UpdateParticles(0.2f);
  ASSERT_EQ(g.m_Particles.size(), 1u);
  EXPECT_FLOAT_EQ(p->position.y, -40.0f);  // velocity (0, -200, 0)
  g.UpdateParticles(0.2f);
  EXPECT_EQ(g.m_Particles.size(), 1u);  // life 0.1
  g.UpdateParticles(0.2f);
  EXPECT_EQ(g.m_Particles.size(), 0u);  // life -0.1
}

TEST(OriginTest, Actions) {
  OriginParticle p;
  p.life = 2.0f;
  p.acceleration = D3DXVECTOR3(0.0f, 100.0f, 0.0f);
  p.AddAction(GrowAction, {10.0f});
  p.AddAction(FadeInAction, {2.0f, 1.0f});
  p.AddAction(FadeOutAction, {4.0f, 1.0f});
  p.AddAction(SpinAction, {90.0f});
  p.AddAction(MoveAction, {});
  p.RunActions(0.5f);
  EXPECT_FLOAT_EQ(p.size, 105.0f);
  EXPECT_FLOAT_EQ(p.alpha, 2.0f);  // fades in while life > 1; no fade out yet
  EXPECT_NEAR(p.right.x, std::cos(kPiF / 4.0f), 1e-6f);
  EXPECT_NEAR(p.right.y, std::sin(kPiF / 4.0f), 1e-6f);
  EXPECT_NEAR(p.up.x, -std::sin(kPiF / 4.0f), 1e-6f);
  EXPECT_FLOAT_EQ(p.position.y, -100.0f + 12.5f);
  EXPECT_FLOAT_EQ(p.velocity.y, -150.0f);
  p.life = 0.5f;
  p.RunActions(0.5f);
  EXPECT_FLOAT_EQ(p.alpha, 0.0f);  // fades out (-2) while life < 1
  EXPECT_NEAR(p.right.x, 0.0f, 1e-6f);
  EXPECT_NEAR(p.right.y, 1.0f, 1e-6f);

  p.AddAction(GrowAction, {1.0f});
  p.AddAction(GrowAction, {1.0f});  // the seventh is ignored
  EXPECT_EQ(p.actionCount, OriginParticle::kMaxActions);
}

TEST(OriginTest, CreateParticleAndCopies) {
  DS_TestOriginGenerator g;
  g.m_OriginLife.Set(50u);  // x 0.04 = 2 s
  g.m_Centre.Store(D3DXVECTOR3(30.0f, 40.0f, 0.0f));
  g.m_Direction.Store(90u);
  std::srand(1);
  std::unique_ptr<OriginParticle> p(g.CreateParticle());
  EXPECT_FLOAT_EQ(p->life, 2.0f);
  EXPECT_EQ(p->position, D3DXVECTOR3(30.0f, 40.0f, 0.0f));
  // 90 degrees turns counter-clockwise on the screen: up the picture.
  EXPECT_NEAR(p->velocity.x, 0.0f, 1e-3f);
  EXPECT_NEAR(p->velocity.y, -100.0f, 1e-3f);
  EXPECT_EQ(p->actionCount, 0);
  EXPECT_EQ(std::rand(), 18467) << "one draw for the direction";

  g.m_Particles.push_back(p.release());
  g.m_Particles.back()->AddAction(GrowAction, {3.0f});
  g.m_EmissionTime = 0.125f;
  DS_TestOriginGenerator copy(g);
  ASSERT_EQ(copy.m_Particles.size(), 1u);
  EXPECT_NE(copy.m_Particles.front(), g.m_Particles.front());
  EXPECT_EQ(copy.m_Particles.front()->actionCount, 1);
  EXPECT_FLOAT_EQ(copy.m_EmissionTime, 0.125f);
  EXPECT_FLOAT_EQ(copy.m_OriginLife.Derived(), 2.0f);
}

TEST(OriginTest, UpdateFrameAdvancesTheFamilysClock) {
  DS_TestOriginGenerator g;
  g.m_OriginClock.Set(50u);  // speed 1
  g.m_Rate.Store(4u);
  g.m_OriginLife.Set(100u);
  DS_ParticlesObj runtime(g.Clone());
  auto& copy = *static_cast<DS_TestOriginGenerator*>(runtime.Generator());
  for (int i = 1; i <= 3; ++i) runtime.UpdateFrame(0.125f * float(i));
  EXPECT_EQ(copy.m_Particles.size(), 1u);
  EXPECT_FLOAT_EQ(copy.m_EmissionTime, 0.125f);
}

// -----------------------------------------------------------------------------------------
// Records

struct Reader {
  Reader(const unsigned char* data, size_t size) : source(data, size), archive(&source) {}
  ResourceBuffer source;
  DS_IOF_R<ResourceBuffer> archive;
};

TEST(RecordTest, GeneratorPartVersions) {
  struct Case {
    const unsigned char* data;
    size_t size;
    unsigned version;
  };
  const Case cases[] = {{kFixtureGeneratorV1, kFixtureGeneratorV1Size, 1},
                        {kFixtureGeneratorV2, kFixtureGeneratorV2Size, 2},
                        {kFixtureGeneratorV3, kFixtureGeneratorV3Size, 3}};
  for (const Case& c : cases) {
    DS_TestTexGenerator g;
    Reader r(c.data, c.size);
    EXPECT_TRUE(g.DS_ParticleGenerator::ReadPart(r.archive)) << c.version;
    EXPECT_EQ(r.archive.RemainingBytes(), 0u) << c.version;
    EXPECT_EQ(g.Name(), L"sparks") << c.version;
    EXPECT_EQ(g.m_Depth.Get(), 70u) << c.version;
    if (c.version > 1) {
      ASSERT_EQ(g.m_Stored.size(), 2u) << c.version;
      const Particle& p = g.m_Stored.front();
      EXPECT_EQ(p.position, D3DXVECTOR3(10.0f, 20.0f, 1.0f));
      EXPECT_EQ(p.previous, D3DXVECTOR3(0.0f, 0.0f, 0.0f)) << "a stored particle starts from the origin";
      EXPECT_EQ(p.ProcessCount(), 0);
    } else {
      EXPECT_TRUE(g.m_Stored.empty());
    }
    if (c.version > 2) {
      EXPECT_EQ(g.m_Life.Get(), 3u);
      EXPECT_FLOAT_EQ(g.m_Life.Derived(), 3.0f);
      EXPECT_EQ(g.m_EmissionRate.Get(), 40u);
      EXPECT_FLOAT_EQ(g.m_Size.Derived(), 25.0f);
      EXPECT_FLOAT_EQ(g.m_Speed.Derived(), 60.0f);
      EXPECT_EQ(g.m_PathEmission.Get(), 1);
    } else {
      EXPECT_FLOAT_EQ(g.m_Life.Derived(), 20.0f) << c.version;
      EXPECT_EQ(g.m_EmissionRate.Get(), 30u) << c.version;
      EXPECT_FLOAT_EQ(g.m_Size.Derived(), 0.0f);
      EXPECT_FLOAT_EQ(g.m_Speed.Derived(), 0.0f);
      EXPECT_EQ(g.m_PathEmission.Get(), 0);
    }
    // The rate is stored without its scaled value; the runtime copy scales it.
    std::unique_ptr<DS_ParticleGenerator> copy(g.Clone());
    EXPECT_FLOAT_EQ(copy->m_EmissionRate.Derived(), c.version > 2 ? 40.0f : 30.0f) << c.version;
  }
}

TEST(RecordTest, TexturedPartVersions) {
  struct Case {
    const unsigned char* data;
    size_t size;
    unsigned version;
  };
  const Case cases[] = {{kFixtureTexV1, kFixtureTexV1Size, 1},
                        {kFixtureTexV2, kFixtureTexV2Size, 2},
                        {kFixtureTexV3, kFixtureTexV3Size, 3}};
  for (const Case& c : cases) {
    DS_TestTexGenerator g;
    Reader r(c.data, c.size);
    EXPECT_TRUE(g.DS_TexParticleGenerator::ReadPart(r.archive)) << c.version;
    EXPECT_EQ(r.archive.RemainingBytes(), 0u) << c.version;
    ASSERT_EQ(g.m_Images.size(), 2u);
    EXPECT_EQ(g.m_Images[1].Path(), L"glow.png");
    EXPECT_EQ(g.m_Images[1].Stamp(), 9);
    EXPECT_EQ(g.m_EffectLink.Path(), L"particles.fx");
    EXPECT_EQ(g.m_EffectLink.Stamp(), 8);
    EXPECT_EQ(g.m_Color1.Get(), 0x0000FFu);
    EXPECT_EQ(g.m_Color1.Alpha(), 127) << "the transparency's alpha follows";
    EXPECT_EQ(g.m_Color2.Get(), 0x00FF00u);
    EXPECT_EQ(g.m_Color2.Alpha(), 204);
    EXPECT_EQ(g.m_BlendMode.Get(), 2);
    EXPECT_EQ(g.m_MirrorVertical.Get(), c.version > 1 ? 1 : 0) << c.version;
    EXPECT_EQ(g.m_MirrorHorizontal.Get(), c.version > 1 ? 1 : 0) << c.version;
    EXPECT_EQ(g.m_FrameSequences, c.version > 2 ? 1 : 0) << c.version;
    EXPECT_EQ(g.m_Life.Get(), 3u) << "the generator part follows";
    EXPECT_EQ(g.Name(), L"sparks");
    EXPECT_TRUE(g.IsPostPass());
    EXPECT_EQ(g.GetPreviewImage().imageLink, &g.m_Images[0]);
    EXPECT_EQ(g.GetPreviewImage().imageKind, g.m_FrameSequences);
  }
}

TEST(RecordTest, FamilyPartsAndRoundTrips) {
  {
    tw_test::DS_TestStaticGenerator g;
    Reader r(kFixtureStatic, kFixtureStaticSize);
    EXPECT_TRUE(g.DS_StaticGenerator::ReadPart(r.archive));
    EXPECT_EQ(r.archive.RemainingBytes(), 0u);
    EXPECT_EQ(g.m_Centre.Get(), D3DXVECTOR3(120.0f, 80.0f, 2.0f));
    EXPECT_EQ(g.m_BlendMode.Get(), 2);
    DS_IOF_W w;
    g.DS_StaticGenerator::WritePart(w);
    EXPECT_EQ(w.Bytes(), std::vector<unsigned char>(kFixtureStatic, kFixtureStatic + kFixtureStaticSize));
  }
  {
    DS_TestOriginGenerator g;
    Reader r(kFixtureOrigin, kFixtureOriginSize);
    EXPECT_TRUE(g.DS_ParticleOriginGenerator::ReadPart(r.archive));
    EXPECT_EQ(r.archive.RemainingBytes(), 0u);
    EXPECT_FLOAT_EQ(g.m_OriginLife.Derived(), 2.0f);  // 50 x 0.04
    EXPECT_EQ(g.m_Rate.Get(), 12u);
    EXPECT_EQ(g.m_SecondValue.Get(), 5u);
    EXPECT_EQ(g.m_Direction.Get(), 90u);
    EXPECT_FLOAT_EQ(g.m_OriginClock.Derived(), 1.5f);  // 75 x 0.02
    EXPECT_EQ(g.m_Centre.Get(), D3DXVECTOR3(30.0f, 40.0f, 0.0f));
    EXPECT_EQ(g.m_Images.size(), 2u);
    DS_IOF_W w;
    g.DS_ParticleOriginGenerator::WritePart(w);
    EXPECT_EQ(w.Bytes(), std::vector<unsigned char>(kFixtureOrigin, kFixtureOrigin + kFixtureOriginSize));
  }
  {
    tw_test::DS_TestRegionGenerator g;
    Reader r(kFixtureRegion, kFixtureRegionSize);
    EXPECT_TRUE(g.DS_ParticleRctRgnGenerator::ReadPart(r.archive));
    EXPECT_EQ(r.archive.RemainingBytes(), 0u);
    EXPECT_EQ(g.m_Region.corners[1].Get(), D3DXVECTOR3(1.0f, 9.0f, 0.0f));
    EXPECT_EQ(g.m_Region.corners[2].Get(), D3DXVECTOR3(8.0f, 2.0f, 0.0f));
    DS_IOF_W w;
    g.DS_ParticleRctRgnGenerator::WritePart(w);
    EXPECT_EQ(w.Bytes(), std::vector<unsigned char>(kFixtureRegion, kFixtureRegion + kFixtureRegionSize));
  }
  {
    tw_test::DS_TestStringGenerator g;
    Reader r(kFixtureString, kFixtureStringSize);
    EXPECT_TRUE(g.DS_StringGenerator::ReadPart(r.archive));
    EXPECT_EQ(r.archive.RemainingBytes(), 0u);
    EXPECT_EQ(g.m_Start.Get(), D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(g.m_End.Get(), D3DXVECTOR3(4.0f, 5.0f, 6.0f));
    DS_IOF_W w;
    g.DS_StringGenerator::WritePart(w);
    EXPECT_EQ(w.Bytes(), std::vector<unsigned char>(kFixtureString, kFixtureString + kFixtureStringSize));
  }
}

TEST(RecordTest, CountsNoDocumentCanHoldFailCleanly) {
  {
    DS_TestTexGenerator g;
    Reader r(kFixtureTexHugeImageCount, kFixtureTexHugeImageCountSize);
    EXPECT_FALSE(g.DS_TexParticleGenerator::ReadPart(r.archive));
    EXPECT_TRUE(g.m_Images.empty());
  }
  {
    DS_TestTexGenerator g;
    Reader r(kFixtureGeneratorHugeStoredCount, kFixtureGeneratorHugeStoredCountSize);
    EXPECT_FALSE(g.DS_ParticleGenerator::ReadPart(r.archive));
    EXPECT_TRUE(g.m_Stored.empty());
  }
  // Every truncation of a complete part fails or stops without a crash.
  for (size_t n = 0; n < kFixtureOriginSize; ++n) {
    DS_TestOriginGenerator g;
    Reader r(kFixtureOrigin, n);
    EXPECT_FALSE(g.DS_ParticleOriginGenerator::ReadPart(r.archive)) << n;
  }
}

}  // namespace
