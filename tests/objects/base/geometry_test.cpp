// Sprite geometry without a device: the per-sprite record, the batch's records as the count
// changes, the rand draw order of new sprites, vertices written into a plain array (corners,
// colours, texture coordinates, flips, strip animation) and animated texture frames.
#include "BaseTestSupport.h"

#include "core/document/DocResManager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

using tw_test::DS_TestSystem;
using tw_test::PictureSize;

// A resource store holding texture sets of known sizes (no textures: only their shape).
class WithStore : public testing::Test {
protected:
  void SetUp() override {
    g_DocResManager = new DS_DocResManager();
    AddSet(L"wide.png", 64, 32);
    AddSet(L"tall.png", 32, 64);
    AddSet(L"strip.png", 128, 32);
  }
  void TearDown() override {
    delete g_DocResManager;
    g_DocResManager = nullptr;
  }
  static void AddSet(const wchar_t* path, UINT w, UINT h) {
    DS_TextureSet& set = g_DocResManager->Tables().textureSets[DS_LinkKey(path, 1)];
    set.width = w;
    set.height = h;
    set.aspect = float(h) / float(w);
  }
};

using SpriteGeometry = WithStore;

TEST_F(SpriteGeometry, HalfSizesFollowTheImageAspect) {
  struct Case {
    const wchar_t* image;
    bool strip;
    unsigned frames;
    unsigned size;
    float factor;
    float halfWidth, halfHeight;
  };
  const Case cases[] = {
      {L"wide.png", false, 1, 100, 1.0f, 50.0f, 25.0f},
      {L"tall.png", false, 1, 100, 1.0f, 25.0f, 50.0f},
      {L"strip.png", true, 4, 100, 1.0f, 50.0f, 50.0f},   // four square frames
      {L"strip.png", false, 4, 100, 1.0f, 50.0f, 12.5f},  // the whole strip without the flag
      {L"strip.png", true, 0, 100, 1.0f, 50.0f, 12.5f},   // a frame count of 0 counts as 1
      {L"wide.png", false, 1, 40, 0.5f, 10.0f, 5.0f},
      {L"missing.png", false, 1, 100, 1.0f, 50.0f, 50.0f},  // no set: square
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "image " << testing::PrintToString(std::wstring(c.image)) << " strip " << c.strip
                                    << " frames " << c.frames << " size " << c.size);
    DS_TestSystem d;
    d.m_SpriteImage.StoreKey(c.image, 1);
    d.m_Strip = c.strip;
    d.m_FrameCount = c.frames;
    d.m_SpriteSize.Store(c.size);
    d.m_SizeFactorMin = d.m_SizeFactorMax = c.factor;
    DS_SpriteState s;
    s.Init(d);
    EXPECT_FLOAT_EQ(s.halfWidth, c.halfWidth);
    EXPECT_FLOAT_EQ(s.halfHeight, c.halfHeight);
    EXPECT_EQ(s.position, D3DXVECTOR3(100.0f, 100.0f, 0.0f));
    EXPECT_EQ(s.uRange[0], 0.0f);
    EXPECT_EQ(s.uRange[1], 1.0f);
    EXPECT_EQ(s.vRange[0], 0.0f);
    EXPECT_EQ(s.vRange[1], 1.0f);
    EXPECT_EQ(s.rightAxis, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(s.upAxis, D3DXVECTOR3(0, 1, 0));
  }
}

TEST(SpriteGeometryNoStore, WithoutAStoreTheImageIsSquare) {
  ASSERT_EQ(g_DocResManager, nullptr);
  DS_TestSystem d;
  d.m_SpriteSize.Store(30);
  DS_SpriteState s;
  s.Init(d);
  EXPECT_FLOAT_EQ(s.aspect, 1.0f);
  EXPECT_FLOAT_EQ(s.halfWidth, 15.0f);
  EXPECT_FLOAT_EQ(s.halfHeight, 15.0f);
}

TEST(SpriteState, CornerTimersAndEdgeTests) {
  PictureSize size(200, 100);
  tw_test::DS_TestView area;  // (0, 200, 0, 100)
  DS_SpriteState s;
  s.position = D3DXVECTOR3(100.0f, 100.0f, 0.0f);
  s.halfWidth = 10.0f;
  s.halfHeight = 20.0f;
  EXPECT_EQ(s.GetCorner(), D3DXVECTOR3(90.0f, 80.0f, 0.0f));

  s.timer = s.waitTime = s.delayDeadline = s.delayTimer = 3.0f;
  s.phase = 0.5f;
  s.held = true;
  s.ClearTimers();
  EXPECT_EQ(s.timer + s.waitTime + s.delayDeadline + s.delayTimer, 0.0f);
  EXPECT_EQ(s.phase, 0.5f);
  EXPECT_TRUE(s.held);

  struct Case {
    float x, y, hw, hh;
    bool outL, outR, outT, outB, crossL, crossR, crossT, crossB;
  };
  const Case cases[] = {
      {100, 50, 10, 20, false, false, false, false, false, false, false, false},
      {5, 50, 10, 20, false, false, false, false, true, false, false, false},     // touches the left edge
      {-11, 50, 10, 20, true, false, false, false, true, false, false, false},    // wholly left
      {-10, 50, 10, 20, false, false, false, false, true, false, false, false},   // just touching
      // Mirrored (negative half width): the outside test takes |hw|, the crossing test hw.
      {205, 50, -10, 20, false, false, false, false, false, false, false, false},
      {211, 50, -10, 20, false, true, false, false, false, true, false, false},
      {-5, 50, -10, 20, false, false, false, false, false, false, false, false},
      {211, 50, 10, 20, false, true, false, false, false, true, false, false},
      {100, -21, 10, 20, false, false, true, false, false, false, true, false},
      {100, 121, 10, 20, false, false, false, true, false, false, false, true},
      {100, 90, 10, 20, false, false, false, false, false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "(" << c.x << ", " << c.y << ") half (" << c.hw << ", " << c.hh << ")");
    DS_SpriteState t;
    t.position = D3DXVECTOR3(c.x, c.y, 0.0f);
    t.halfWidth = c.hw;
    t.halfHeight = c.hh;
    EXPECT_EQ(t.IsOutsideLeft(area), c.outL);
    EXPECT_EQ(t.IsOutsideRight(area), c.outR);
    EXPECT_EQ(t.IsOutsideTop(area), c.outT);
    EXPECT_EQ(t.IsOutsideBottom(area), c.outB);
    EXPECT_EQ(t.CrossesLeftEdge(area), c.crossL);
    EXPECT_EQ(t.CrossesRightEdge(area), c.crossR);
    EXPECT_EQ(t.CrossesTopEdge(area), c.crossT);
    EXPECT_EQ(t.CrossesBottomEdge(area), c.crossB);
  }
}

// A geometry bound to a test system, as a runtime object builds it (no device: the buffers
// stay absent, the records are built all the same).
struct Batch {
  explicit Batch(unsigned count) {
    d.m_SpriteCount.Store(count);
    geometry.m_Description = &d;
    geometry.BindCount(d.m_SpriteCount);
  }
  DS_TestSystem d;
  AnimatedTexture<ParticleGeomArray> geometry;
};

TEST(SpriteBatch, NewSpritesDrawSizeThenPhaseSignThenTheirOwn) {
  PictureSize size(640, 480);
  DS_TestSystem d;
  d.m_SizeFactorMin = 0.5f;
  d.m_SizeFactorMax = 1.5f;
  d.m_PhaseSpeed = 2.0f;
  d.m_SpriteSize.Store(10);
  d.m_SpriteCount.Store(3);
  srand(1);
  ParticleGeomArray geometry;
  geometry.m_Description = &d;
  geometry.BindCount(d.m_SpriteCount);
  ASSERT_EQ(geometry.m_Sprites.size(), 3u);
  EXPECT_EQ(d.initCalls, 3);

  tw_test::CrtRand model{1};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const DS_SpriteState& s = geometry.m_Sprites[i];
    const float factor = model.Uniform(0.5f, 1.5f);
    const float sign = (model.Next() & 1) ? -1.0f : 1.0f;
    const float x = model.Uniform(0.0f, 640.0f);
    const float y = model.Uniform(0.0f, 480.0f);
    EXPECT_FLOAT_EQ(s.sizeFactor, factor);
    EXPECT_FLOAT_EQ(s.halfWidth, factor * 10.0f * 0.5f);
    EXPECT_EQ(s.phaseVelocity, 2.0f * sign);
    EXPECT_FLOAT_EQ(s.position.x, x);
    EXPECT_FLOAT_EQ(s.position.y, y);
    EXPECT_EQ(s.phase, 1.0f);
    EXPECT_EQ(s.boundarySide, -1);
    EXPECT_EQ(s.color, 0xFFFFFFFFu);  // white, opaque at phase 1
  }
  // Nothing else drew.
  EXPECT_EQ(rand(), model.Next());
}

TEST(SpriteBatch, CountChangesAddRecordsAndNeverRemoveThem) {
  Batch b(10);
  ASSERT_EQ(b.geometry.m_Sprites.size(), 10u);
  EXPECT_EQ(b.d.initCalls, 10);
  b.geometry.m_Sprites[7].position.x = 555.0f;

  b.d.m_SpriteCount.Set(5);
  EXPECT_EQ(b.geometry.m_Sprites.size(), 10u);
  EXPECT_EQ(b.d.initCalls, 10);
  EXPECT_EQ(b.geometry.m_Sprites[7].position.x, 555.0f);

  b.d.m_SpriteCount.Set(0);  // nothing at all happens
  EXPECT_EQ(b.geometry.m_Sprites.size(), 10u);
  EXPECT_EQ(b.d.initCalls, 10);

  b.d.m_SpriteCount.Set(12);
  EXPECT_EQ(b.geometry.m_Sprites.size(), 12u);
  EXPECT_EQ(b.d.initCalls, 12);
  EXPECT_EQ(b.geometry.m_Sprites[7].position.x, 555.0f);

  // Records beyond the count are still updated.
  b.d.m_SpriteCount.Set(2);
  b.geometry.Update(0.05f);
  EXPECT_EQ(b.d.updateCalls, 12);
}

TEST(SpriteBatch, CountsAboveTheBufferLimitAreCapped) {
  Batch b(20000);
  EXPECT_EQ(b.geometry.m_Sprites.size(), size_t(kMaxQuadsPerBuffer));
  EXPECT_EQ(b.d.initCalls, int(kMaxQuadsPerBuffer));
  b.d.m_SpriteCount.Set(4000000000u);
  EXPECT_EQ(b.geometry.m_Sprites.size(), size_t(kMaxQuadsPerBuffer));
  // Without buffers the fill writes nothing and says so.
  b.geometry.FillVertices(b.d);
  EXPECT_EQ(b.geometry.m_FillCount, 0u);
  EXPECT_EQ(b.geometry.BufferSprites(), 0u);
}

TEST(SpriteBatch, TheCountListenerLeavesWithTheGeometry) {
  DS_TestSystem d;
  const size_t listeners = d.m_SpriteCount.Controls().size();
  {
    ParticleGeomArray geometry;
    geometry.m_Description = &d;
    geometry.BindCount(d.m_SpriteCount);
    EXPECT_EQ(d.m_SpriteCount.Controls().size(), listeners + 1);
  }
  EXPECT_EQ(d.m_SpriteCount.Controls().size(), listeners);
  d.m_SpriteCount.Set(3);  // would call into the dead geometry
}

TEST(SpriteBatch, UpdateAdvancesTimingAndAnimationClockThenEverySprite) {
  Batch b(3);
  b.d.m_AnimationSpeed.Set(50u);
  for (DS_SpriteState& s : b.geometry.m_Sprites) {
    s.position = D3DXVECTOR3(100.0f, 100.0f, 0.0f);
    s.velocity = D3DXVECTOR3(10.0f, -20.0f, 0.0f);
  }
  b.geometry.Update(0.1f);
  EXPECT_FLOAT_EQ(b.d.FrameStep(), 0.1f);
  EXPECT_FLOAT_EQ(b.d.m_AnimationSpeed.Time(), 0.05f);
  EXPECT_EQ(b.d.updateCalls, 3);
  for (const DS_SpriteState& s : b.geometry.m_Sprites) {
    EXPECT_FLOAT_EQ(s.position.x, 101.0f);
    EXPECT_FLOAT_EQ(s.position.y, 98.0f);
  }
}

// Vertices of one sprite written into a plain array.
std::vector<DX_V::PCT> Write(Batch& b, UINT count) {
  std::vector<DX_V::PCT> v(size_t(count) * 4 + 4, DX_V::PCT{-1, -1, -1, 0xDEADBEEF, -1, -1});
  b.geometry.WriteVertices(b.d, v.data(), count);
  return v;
}

TEST(SpriteVertices, CornersColoursAndTexCoords) {
  Batch b(2);
  DS_SpriteState& s = b.geometry.m_Sprites[0];
  s.position = D3DXVECTOR3(100.0f, 100.0f, 0.5f);
  s.halfWidth = 10.0f;
  s.halfHeight = 20.0f;
  s.uRange[0] = 0.125f;
  s.uRange[1] = 0.875f;
  s.vRange[0] = 0.25f;
  s.vRange[1] = 0.75f;
  s.color = 0x80FF0000;
  DS_SpriteState& t = b.geometry.m_Sprites[1];
  t.position = D3DXVECTOR3(50.0f, 60.0f, 0.0f);
  t.halfWidth = 4.0f;
  t.halfHeight = 2.0f;
  t.rightAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);  // turned a quarter
  t.upAxis = D3DXVECTOR3(-1.0f, 0.0f, 0.0f);
  t.color = 0xFF00FF00;

  const std::vector<DX_V::PCT> v = Write(b, 2);
  const float want[8][5] = {
      // x, y, z, u, v: bottom-left, top-left (the corner), bottom-right, top-right
      {90, 120, 0.5f, 0.125f, 0.75f}, {90, 80, 0.5f, 0.125f, 0.25f},
      {110, 120, 0.5f, 0.875f, 0.75f}, {110, 80, 0.5f, 0.875f, 0.25f},
      // corner = (50, 60) - 4 (0, 1) - 2 (-1, 0) = (52, 56); right 8 (0, 1); up 4 (-1, 0)
      {48, 56, 0, 0, 1}, {52, 56, 0, 0, 0}, {48, 64, 0, 1, 1}, {52, 64, 0, 1, 0},
  };
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FLOAT_EQ(v[i].x, want[i][0]);
    EXPECT_FLOAT_EQ(v[i].y, want[i][1]);
    EXPECT_FLOAT_EQ(v[i].z, want[i][2]);
    EXPECT_EQ(v[i].u, want[i][3]);
    EXPECT_EQ(v[i].v, want[i][4]);
    EXPECT_EQ(v[i].color, i < 4 ? 0x80FF0000u : 0xFF00FF00u);
  }
  // Only the vertices asked for are written.
  EXPECT_EQ(v[8].color, 0xDEADBEEFu);
  // A count above the records writes the records there are.
  const std::vector<DX_V::PCT> w = Write(b, 7);
  EXPECT_EQ(w[7].color, 0xFF00FF00u);
  EXPECT_EQ(w[8].color, 0xDEADBEEFu);
}

// Locked buffers are 16-byte aligned and take streaming stores; any other array takes
// plain ones. Both give the same vertices, in every flip and for strips.
TEST(SpriteVertices, AlignedAndUnalignedArraysGetTheSameVertices) {
  Batch b(5);
  srand(9);
  for (DS_SpriteState& s : b.geometry.m_Sprites) {
    s.position = D3DXVECTOR3(RandomFloat(-50, 50), RandomFloat(0, 900), RandomFloat(-1, 1));
    s.halfWidth = RandomFloat(-20, 20);
    s.halfHeight = RandomFloat(1, 20);
    s.rightAxis = D3DXVECTOR3(0.6f, 0.8f, 0.0f);
    s.upAxis = D3DXVECTOR3(-0.8f, 0.6f, 0.0f);
    s.uRange[0] = RandomFloat(0, 1);
    s.vRange[1] = RandomFloat(0, 1);
    s.color = D3DCOLOR(rand()) * 0x10001u;
  }
  for (int variant = 0; variant < 8; ++variant) {
    SCOPED_TRACE(variant);
    b.d.m_FlipHorizontal.Store(variant & 1);
    b.d.m_FlipVertical.Store((variant >> 1) & 1);
    b.d.m_Strip = (variant & 4) != 0;
    b.d.m_FrameCount = 3;
    b.d.m_FrameRate = 1.0f;
    b.d.m_AccumulatedTime = 2.0f + float(variant);
    const unsigned frame = b.geometry.m_StripFrame;
    const float switchTime = b.geometry.m_StripSwitchTime;
    // 16-byte aligned storage, written at offset 0 and at offset 8 bytes.
    alignas(16) unsigned char aligned[20 * sizeof(DX_V::PCT) + 16];
    alignas(16) unsigned char shifted[20 * sizeof(DX_V::PCT) + 16];
    auto* a = reinterpret_cast<DX_V::PCT*>(aligned);
    auto* u = reinterpret_cast<DX_V::PCT*>(shifted + 8);
    b.geometry.WriteVertices(b.d, a, 5);
    b.geometry.m_StripFrame = frame;
    b.geometry.m_StripSwitchTime = switchTime;
    b.geometry.WriteVertices(b.d, u, 5);
    EXPECT_EQ(std::memcmp(a, u, 20 * sizeof(DX_V::PCT)), 0);
    // And the same as the rule, worked out plainly for the last sprite.
    const DS_SpriteState& s = b.geometry.m_Sprites[4];
    const float cx = s.position.x - s.halfWidth * 0.6f - s.halfHeight * -0.8f;
    const float cy = s.position.y - s.halfWidth * 0.8f - s.halfHeight * 0.6f;
    EXPECT_EQ(a[17].x, cx);
    EXPECT_EQ(a[17].y, cy);
    EXPECT_EQ(a[19].x, cx + 2.0f * s.halfWidth * 0.6f);
    EXPECT_EQ(a[16].y, cy + 2.0f * s.halfHeight * 0.6f);
    EXPECT_EQ(a[18].color, s.color);
  }
}

TEST(SpriteVertices, TheTimeLineAlphaScalesEveryVertexAlpha) {
  Batch b(1);
  DS_TimeLineControl& timeLine = b.d.TimeLine();
  timeLine.m_Mode.Store(DS_TimeLineControl::kModeIntervals);
  ASSERT_TRUE(timeLine.AddInterval(DS_TimeInterval{0.0f, 10.0f, 2.0f, 8.0f}));
  timeLine.SetLoopTime(1.0f);  // half way through the fade-in
  b.geometry.m_Sprites[0].color = 0x80FFFFFF;
  EXPECT_EQ(b.d.ApplyTimeLineAlpha(0x80FFFFFF), 0x40FFFFFFu);
  const std::vector<DX_V::PCT> v = Write(b, 1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i].color, 0x40FFFFFFu);
  timeLine.SetLoopTime(11.0f);  // outside: invisible
  EXPECT_EQ(Write(b, 1)[0].color, 0x00FFFFFFu);
}

// A system with a rule of its own (the lighting system leaves its flashes undimmed) gets
// it applied to every vertex, strip or not.
class DS_TestUndimmed : public DS_TestSystem {
public:
  D3DCOLOR ApplyTimeLineAlpha(D3DCOLOR color) override { return color ^ 0x00000001u; }
};

TEST(SpriteVertices, AnOverriddenTimeLineAlphaRuleIsApplied) {
  for (bool strip : {false, true}) {
    SCOPED_TRACE(testing::Message() << "strip " << strip);
    DS_TestUndimmed d;
    d.m_Strip = strip;
    d.m_SpriteCount.Store(3);
    ParticleGeomArray geometry;
    geometry.m_Description = &d;
    geometry.BindCount(d.m_SpriteCount);
    d.TimeLine().m_Mode.Store(DS_TimeLineControl::kModeIntervals);
    d.TimeLine().AddInterval(DS_TimeInterval{0.0f, 10.0f, 2.0f, 8.0f});
    d.TimeLine().SetLoopTime(1.0f);  // the base rule would halve the alpha
    for (DS_SpriteState& s : geometry.m_Sprites) s.color = 0x80FFFFF0;
    std::vector<DX_V::PCT> v(12);
    geometry.WriteVertices(d, v.data(), 3);
    for (const DX_V::PCT& vertex : v) EXPECT_EQ(vertex.color, 0x80FFFFF1u);
  }
}

TEST(SpriteVertices, FlipsReverseTheTexCoordRanges) {
  struct Case {
    int flipV, flipH;
    float uL, uR, vT, vB;
  };
  const Case cases[] = {
      {0, 0, 0.125f, 0.875f, 0.25f, 0.75f},
      {0, 1, 0.875f, 0.125f, 0.25f, 0.75f},
      {1, 0, 0.125f, 0.875f, 0.75f, 0.25f},
      {1, 1, 0.875f, 0.125f, 0.75f, 0.25f},
      {0, -3, 0.875f, 0.125f, 0.25f, 0.75f},  // any nonzero value flips
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "flip v " << c.flipV << " h " << c.flipH);
    Batch b(1);
    DS_SpriteState& s = b.geometry.m_Sprites[0];
    s.uRange[0] = 0.125f;
    s.uRange[1] = 0.875f;
    s.vRange[0] = 0.25f;
    s.vRange[1] = 0.75f;
    b.d.m_FlipVertical.Store(c.flipV);
    b.d.m_FlipHorizontal.Store(c.flipH);
    const std::vector<DX_V::PCT> v = Write(b, 1);
    EXPECT_EQ(v[0].u, c.uL);
    EXPECT_EQ(v[0].v, c.vB);
    EXPECT_EQ(v[1].u, c.uL);  // the top-left vertex
    EXPECT_EQ(v[1].v, c.vT);
    EXPECT_EQ(v[2].u, c.uR);
    EXPECT_EQ(v[2].v, c.vB);
    EXPECT_EQ(v[3].u, c.uR);
    EXPECT_EQ(v[3].v, c.vT);
  }
}

TEST(SpriteVertices, StripFramesAdvanceWithTheObjectTime) {
  Batch b(3);
  b.d.m_Strip = true;
  b.d.m_FrameCount = 4;
  b.d.m_FrameRate = 2.0f;  // a frame lasts 0.5 s of object time
  struct Step {
    float time;
    int flipH;
    unsigned frame;
    float uL, uR;
  };
  const Step steps[] = {
      {0.25f, 0, 0, 0.0f, 0.25f},   // 0.5 < 0.25 - 0: no switch
      {0.6f, 0, 1, 0.25f, 0.5f},    // 0.5 < 0.6: frame 1, switch time 0.6
      {0.6f, 0, 1, 0.25f, 0.5f},    // the same time again: no switch
      {1.0f, 1, 1, 0.5f, 0.25f},    // 0.4 since the switch; flipped
      {1.2f, 0, 2, 0.5f, 0.75f},
      {1.8f, 0, 3, 0.75f, 1.0f},
      {2.4f, 0, 0, 0.0f, 0.25f},    // wraps
      {0.3f, 0, 0, 0.0f, 0.25f},    // the object time was reset: switch time back to 0
      {0.6f, 0, 1, 0.25f, 0.5f},    // so the next switch comes 0.5 s after 0
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << "time " << step.time);
    b.d.m_AccumulatedTime = step.time;
    b.d.m_FlipHorizontal.Store(step.flipH);
    const std::vector<DX_V::PCT> v = Write(b, 3);
    EXPECT_EQ(b.geometry.m_StripFrame, step.frame);
    // Every sprite of one fill shows the same frame.
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(v[4 * i + 1].u, step.uL);
      EXPECT_EQ(v[4 * i + 3].u, step.uR);
    }
  }
}

TEST(SpriteVertices, StripEdgeCases) {
  {
    SCOPED_TRACE("frame rate 0 never switches");
    Batch b(1);
    b.d.m_Strip = true;
    b.d.m_FrameCount = 4;
    b.d.m_FrameRate = 0.0f;
    b.d.m_AccumulatedTime = 1000.0f;
    const std::vector<DX_V::PCT> v = Write(b, 1);
    EXPECT_EQ(b.geometry.m_StripFrame, 0u);
    EXPECT_EQ(v[3].u, 0.25f);
  }
  {
    SCOPED_TRACE("frame count 0 reads as one frame");
    Batch b(1);
    b.d.m_Strip = true;
    b.d.m_FrameCount = 0;
    b.d.m_FrameRate = 10.0f;
    b.d.m_AccumulatedTime = 1.0f;
    const std::vector<DX_V::PCT> v = Write(b, 1);
    EXPECT_EQ(b.geometry.m_StripFrame, 0u);
    EXPECT_EQ(v[1].u, 0.0f);
    EXPECT_EQ(v[3].u, 1.0f);
  }
}

TEST(AnimatedFrames, AdvanceFrameWithDelays) {
  AnimatedTexture<ParticleGeomArray> g;
  g.m_TextureSet.ResizeFrames(2);
  g.m_TextureSet.delays = {0.1f, 0.2f};
  struct Step {
    float clock;
    bool changed;
    unsigned frame;
  };
  const Step steps[] = {
      {0.05f, false, 0}, {0.1f, true, 1}, {0.25f, false, 1}, {0.35f, true, 0},
      {0.3f, false, 0},  // earlier than the last switch: no rewind, no switch
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << "clock " << s.clock);
    EXPECT_EQ(g.AdvanceFrame(s.clock), s.changed);
    EXPECT_EQ(g.m_CurrentFrame, s.frame);
  }
}

TEST(AnimatedFrames, TheFrameIndexStaysWithinTheTextures) {
  AnimatedTexture<ParticleGeomArray> g;
  EXPECT_FALSE(g.AdvanceFrame(5.0f));  // no delays: a still image
  EXPECT_EQ(g.CurrentFrameTexture(), nullptr);
  g.m_TextureSet.ResizeFrames(2);
  g.m_TextureSet.delays = {0.1f, 0.1f, 0.1f, 0.1f};
  float clock = 0.0f;
  for (int i = 0; i < 10; ++i) {
    clock += 0.1f;
    g.AdvanceFrame(clock);
    ASSERT_LT(g.m_CurrentFrame, 2u);
  }
  g.m_TextureSet.delays = {0.1f};
  g.m_CurrentFrame = 0;
  EXPECT_TRUE(g.AdvanceFrame(clock + 1.0f));
  EXPECT_EQ(g.m_CurrentFrame, 0u);
}

}  // namespace
