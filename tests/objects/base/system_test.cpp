// The sprite-system bases without a device: sprite colour and time-line alpha bytes, the
// phase rules, strip frame order, boundary control on every side and mode, and the records
// of every stored version read from document-builder bytes.
#include "BaseTestSupport.h"

#include "base_fixtures.h"
#include "core/archive/DS_IOF_Writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using tw_test::ByteReader;
using tw_test::DS_TestSystem;
using tw_test::PictureSize;

// ---------------------------------------------------------------------------------------
// Colour, phase and frames

TEST(SpriteColour, AlphaFromTransparencyAndPhaseSaturates) {
  struct Case {
    unsigned transparency;
    float phase;
    unsigned alpha;
  };
  const Case cases[] = {
      {50, 1.0f, 127},   // 255 - 127.5
      {50, 0.5f, 63},    // 127 x 0.5 = 63.5
      {0, 1.0f, 255},
      {100, 1.0f, 0},
      {0, 1.5f, 255},    // 382.5 would wrap to 126
      {20, 3.0f, 255},   // 204 x 3
      {0, -0.5f, 0},
      {0, 0.0f, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "transparency " << c.transparency << " phase " << c.phase);
    DS_TestSystem d;
    d.m_Transparency.Set(c.transparency);
    d.m_Color.Store(0x00996633);  // bytes from the lowest: 51, 102, 153
    DS_SpriteState s;
    s.phase = c.phase;
    d.SpriteColor(s);
    EXPECT_EQ(s.color, (c.alpha << 24) | 0x00336699u);
  }
}

TEST(SpriteColour, TimeLineAlphaScalesOnlyTheAlphaByte) {
  DS_TestSystem d;
  DS_TimeLineControl& timeLine = d.TimeLine();
  EXPECT_EQ(d.ApplyTimeLineAlpha(0x80FFFFFF), 0x80FFFFFFu);  // always shown
  timeLine.m_Mode.Store(DS_TimeLineControl::kModeIntervals);
  ASSERT_TRUE(timeLine.AddInterval(DS_TimeInterval{0.0f, 10.0f, 4.0f, 6.0f}));
  struct Case {
    float loopTime;
    D3DCOLOR in, out;
  };
  const Case cases[] = {
      {2.0f, 0x80FFFFFF, 0x40FFFFFF},  // alpha 0.5
      {2.0f, 0xFF123456, 0x7F123456},  // 127.5 truncated
      {1.0f, 0xC8ABCDEF, 0x32ABCDEF},  // 200 x 0.25
      {5.0f, 0xC8ABCDEF, 0xC8ABCDEF},
      {12.0f, 0xFFFFFFFF, 0x00FFFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "loop time " << c.loopTime << " colour " << std::hex << c.in);
    timeLine.SetLoopTime(c.loopTime);
    EXPECT_EQ(d.ApplyTimeLineAlpha(c.in), c.out);
  }
}

TEST(SpritePhase, AdvancePhaseReversesPastABound) {
  struct Case {
    const char* what;
    float phase, velocity, minimum, maximum;
    bool respawn;
    float wantPhase, wantVelocity;
    int initCalls;
  };
  const Case cases[] = {
      {"over the maximum", 0.95f, 1.0f, 0.0f, 1.0f, false, 1.0f, -1.0f, 0},
      {"under the minimum, respawning", 0.05f, -1.0f, 0.0f, 1.0f, true, 0.0f, 1.0f, 1},
      {"under the minimum, not respawning", 0.05f, -1.0f, 0.0f, 1.0f, false, 0.0f, 1.0f, 0},
      {"reaching the maximum exactly", 0.5f, 5.0f, 0.0f, 1.0f, true, 1.0f, 5.0f, 0},
      {"inside the bounds", 0.5f, -2.0f, 0.25f, 0.75f, true, 0.3f, -2.0f, 0},
      {"over a lower maximum", 0.7f, 1.0f, 0.25f, 0.75f, true, 0.75f, -1.0f, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DS_TestSystem d;
    d.placeAtRandom = false;
    d.m_PhaseMin = c.minimum;
    d.m_PhaseMax = c.maximum;
    d.m_FrameStep = 0.1f;
    DS_SpriteState s;
    s.phase = c.phase;
    s.phaseVelocity = c.velocity;
    d.AdvancePhase(s, c.respawn);
    EXPECT_NEAR(s.phase, c.wantPhase, 1e-6);
    EXPECT_EQ(s.phaseVelocity, c.wantVelocity);
    EXPECT_EQ(d.initCalls, c.initCalls);
  }
}

TEST(SpriteFrames, NextFrameWrapsAndACountOfZeroIsOne) {
  DS_TestSystem d;
  d.m_FrameCount = 4;
  EXPECT_EQ(d.NextFrame(0), 1u);
  EXPECT_EQ(d.NextFrame(3), 0u);
  d.m_FrameCount = 0;
  EXPECT_EQ(d.NextFrame(0), 0u);
  EXPECT_EQ(d.NextFrame(5), 0u);
  EXPECT_EQ(d.GetPreviewImage().frameFraction, 1.0f);
  d.m_FrameCount = 4;
  const DS_PreviewImage preview = d.GetPreviewImage();
  EXPECT_EQ(preview.imageLink, &d.m_SpriteImage);
  EXPECT_EQ(preview.frameFraction, 0.25f);
}

// ---------------------------------------------------------------------------------------
// Boundary control. The area is the whole 200 x 100 picture.

struct BoundFixture {
  BoundFixture(int mode, int side) : size(200, 100) {
    control.SetSide(side);
    control.m_Mode.Store(mode);
    d.m_FrameStep = 0.5f;
    d.m_AccumulatedTime = 10.0f;
    s.halfWidth = 20.0f;
    s.halfHeight = 10.0f;
    s.direction = D3DXVECTOR3(1.0f, 1.0f, 0.0f);
  }
  PictureSize size;
  tw_test::DS_TestView d;
  DS_BoundControl control;
  DS_SpriteState s;
};

TEST(BoundControl, EntryStepsPerModeAndSide) {
  struct Case {
    const char* what;
    int mode, side;
    float x, y, phase;
    bool handled;
    float wantX, wantY, dirX, dirY;
    bool entering, held;
  };
  const Case cases[] = {
      // Mode 1 starts when the sprite reaches past its side.
      {"bounce left: x - 20 < 0", 1, 2, 15, 50, 1, true, 15, 50, -1, 1, false, false},
      {"bounce left: inside", 1, 2, 25, 50, 1, false, 25, 50, 1, 1, false, false},
      {"bounce right", 1, 3, 185, 50, 1, true, 185, 50, -1, 1, false, false},
      {"bounce top", 1, 0, 100, 5, 1, true, 100, 5, 1, -1, false, false},
      {"bounce bottom", 1, 1, 100, 95, 1, true, 100, 95, 1, -1, false, false},
      // Mode 2 starts only when the sprite is wholly outside, and holds it.
      {"return left: only touching", 2, 2, 15, 50, 1, false, 15, 50, 1, 1, false, false},
      {"return left: outside", 2, 2, -25, 50, 1, true, -25, 50, -1, 1, false, true},
      {"return bottom: outside", 2, 1, 100, 111, 1, true, 100, 111, 1, -1, false, true},
      // Mode 0: a visible sprite leaving starts fading; an invisible one wraps just inside
      // the opposite side (one pixel of it overlapping), the other coordinate random.
      {"fade top: visible", 0, 0, 100, -11, 1, true, 100, -11, 1, 1, false, false},
      {"fade top: invisible wraps to the bottom", 0, 0, 100, -11, 0, true, -1, 109, 1, 1, true, false},
      {"fade bottom: invisible wraps to the top", 0, 1, 100, 111, 0, true, -1, -9, 1, 1, true, false},
      {"fade left: invisible wraps to the right", 0, 2, -21, 50, 0, true, 219, -1, 1, 1, true, false},
      {"fade right: invisible wraps to the left", 0, 3, 221, 50, 0, true, -19, -1, 1, 1, true, false},
      {"fade left: still inside", 0, 2, 10, 50, 0, false, 10, 50, 1, 1, false, false},
      {"an unknown mode does nothing", 7, 2, -100, 50, 1, false, -100, 50, 1, 1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BoundFixture f(c.mode, c.side);
    f.s.position = D3DXVECTOR3(c.x, c.y, 0.0f);
    f.s.phase = c.phase;
    srand(1);
    tw_test::CrtRand model{1};
    EXPECT_EQ(f.control.Process(f.s, f.d), c.handled);
    EXPECT_EQ(f.s.boundarySide, c.handled ? c.side : -1);
    // -1 marks the coordinate drawn at random over the opposite side's extent.
    const bool vertical = c.side < 2;
    const float random = model.Uniform(0.0f, vertical ? 200.0f : 100.0f);
    EXPECT_FLOAT_EQ(f.s.position.x, c.wantX == -1 ? random : c.wantX);
    EXPECT_FLOAT_EQ(f.s.position.y, c.wantY == -1 ? random : c.wantY);
    EXPECT_EQ(f.s.direction.x, c.dirX);
    EXPECT_EQ(f.s.direction.y, c.dirY);
    EXPECT_EQ(f.s.entering, c.entering);
    EXPECT_EQ(f.s.held, c.held);
  }
}

TEST(BoundControl, BounceHoldsTheCentreInsideUntilTheEdgeIsClear) {
  BoundFixture f(1, 2);
  f.s.position = D3DXVECTOR3(15.0f, 50.0f, 0.0f);
  ASSERT_TRUE(f.control.Process(f.s, f.d));
  EXPECT_EQ(f.s.direction.x, -1.0f);
  // Still touching: x is pushed to half width + 1, and then the edge is clear.
  EXPECT_TRUE(f.control.Process(f.s, f.d));
  EXPECT_EQ(f.s.position.x, 21.0f);
  EXPECT_EQ(f.s.boundarySide, -1);
  // Clear of the edge: the control lets the sprite be.
  EXPECT_FALSE(f.control.Process(f.s, f.d));
  EXPECT_EQ(f.s.direction.x, -1.0f);
  // Another side's action is not this control's business.
  f.s.boundarySide = 3;
  EXPECT_FALSE(f.control.Process(f.s, f.d));
}

TEST(BoundControl, ReturnWaitsAtTheSideForTheDelay) {
  BoundFixture f(2, 2);
  f.control.m_DelayMin.Store(2000);
  f.control.m_DelayMax.Store(5000);
  f.s.position = D3DXVECTOR3(-25.0f, 50.0f, 0.0f);
  srand(1);
  ASSERT_TRUE(f.control.Process(f.s, f.d));
  tw_test::CrtRand model{1};
  const float deadline = 10.0f + model.Uniform(2.0f, 5.0f);  // 2.00375 s after now
  EXPECT_FLOAT_EQ(f.s.delayDeadline, deadline);
  EXPECT_EQ(f.s.delayTimer, 10.0f);
  EXPECT_TRUE(f.s.held);
  EXPECT_EQ(f.s.direction.x, -1.0f);
  // Each frame: held one pixel over the edge, the timer runs by the frame step (0.5 s).
  int frames = 0;
  while (f.s.held && frames < 20) {
    EXPECT_TRUE(f.control.Process(f.s, f.d));
    EXPECT_EQ(f.s.position.x, -19.0f);
    ++frames;
  }
  // 10.5, 11.0, 11.5, 12.0 are not past 12.00375; 12.5 is.
  EXPECT_EQ(frames, 5);
  EXPECT_FALSE(f.s.held);
  // Held at -19 it no longer lies wholly outside, so the control lets it come back.
  EXPECT_EQ(f.s.boundarySide, -1);
}

TEST(BoundControl, FadeWithZeroTimesVanishesWaitsAndReappearsOpposite) {
  BoundFixture f(0, 0);
  f.control.m_DelayMin.Store(1000);
  f.control.m_DelayMax.Store(1000);
  f.s.position = D3DXVECTOR3(100.0f, -11.0f, 0.0f);
  srand(5);
  tw_test::CrtRand model{5};
  ASSERT_TRUE(f.control.Process(f.s, f.d));  // leaving while visible
  EXPECT_EQ(f.s.phase, 1.0f);
  ASSERT_TRUE(f.control.Process(f.s, f.d));  // fade-out time 0: gone at once
  model.Next();                              // the delay's draw (min = max)
  EXPECT_EQ(f.s.phase, 0.0f);
  EXPECT_EQ(f.s.boundarySide, -1);
  EXPECT_TRUE(f.s.held);
  EXPECT_FLOAT_EQ(f.s.delayDeadline, 11.0f);
  EXPECT_EQ(f.s.delayTimer, 10.0f);
  ASSERT_TRUE(f.control.Process(f.s, f.d));  // still outside, invisible: wraps to the bottom
  EXPECT_EQ(f.s.position.y, 109.0f);
  EXPECT_FLOAT_EQ(f.s.position.x, model.Uniform(0.0f, 200.0f));
  EXPECT_TRUE(f.s.entering);
  // Waits while held: 10.5 and 11.0 are not past 11.
  EXPECT_TRUE(f.control.Process(f.s, f.d));
  EXPECT_TRUE(f.control.Process(f.s, f.d));
  EXPECT_TRUE(f.s.held);
  EXPECT_EQ(f.s.phase, 0.0f);
  // 11.5: released, fade-in time 0: full phase at once.
  EXPECT_TRUE(f.control.Process(f.s, f.d));
  EXPECT_FALSE(f.s.held);
  EXPECT_EQ(f.s.phase, 1.0f);
  EXPECT_EQ(f.s.boundarySide, 0);
  // At full phase the control lets it go.
  EXPECT_TRUE(f.control.Process(f.s, f.d));
  EXPECT_EQ(f.s.boundarySide, -1);
  EXPECT_FALSE(f.s.entering);
  // Nothing else drew.
  EXPECT_EQ(rand(), model.Next());
}

TEST(BoundControl, FadeTimesScaleThePhaseStep) {
  BoundFixture f(0, 3);
  f.control.m_FadeOutTime.Store(2000);  // 0.5 s step x 1000 / 2000 = 0.25 per frame
  f.control.m_FadeInTime.Store(1000);
  f.s.position = D3DXVECTOR3(221.0f, 50.0f, 0.0f);
  ASSERT_TRUE(f.control.Process(f.s, f.d));
  const float fadingOut[] = {0.75f, 0.5f, 0.25f, 0.0f};
  for (float want : fadingOut) {
    EXPECT_TRUE(f.control.Process(f.s, f.d));
    EXPECT_FLOAT_EQ(f.s.phase, want);
  }
  EXPECT_EQ(f.s.boundarySide, -1);
  ASSERT_TRUE(f.control.Process(f.s, f.d));  // wraps to the left
  EXPECT_EQ(f.s.position.x, -19.0f);
  EXPECT_TRUE(f.control.Process(f.s, f.d));  // delay 0: released at once (0 < 0.5)
  EXPECT_FLOAT_EQ(f.s.phase, 0.5f);
  EXPECT_TRUE(f.control.Process(f.s, f.d));
  EXPECT_FLOAT_EQ(f.s.phase, 1.0f);
  EXPECT_TRUE(f.control.Process(f.s, f.d));
  EXPECT_EQ(f.s.boundarySide, -1);
}

TEST(BoundControl, ACopyTakesTheSideTestsAndValues) {
  DS_BoundControl a;
  a.SetSide(1);
  a.m_Mode.Store(2);
  a.m_FadeOutTime.Store(300);
  a.m_FadeInTime.Store(400);
  a.m_DelayMin.Store(1);
  a.m_DelayMax.Store(2);
  DS_BoundControl b;
  b.CopyValues(a);
  EXPECT_EQ(b.m_Side, 1);
  EXPECT_EQ(b.m_OutsideTest, &DS_SpriteState::IsOutsideBottom);
  EXPECT_EQ(b.m_CrossingTest, &DS_SpriteState::CrossesBottomEdge);
  EXPECT_EQ(b.m_Mode.Get(), 2);
  EXPECT_EQ(b.m_FadeOutTime.Get(), 300u);
  EXPECT_EQ(b.m_FadeInTime.Get(), 400u);
  EXPECT_EQ(b.m_DelayMin.Get(), 1u);
  EXPECT_EQ(b.m_DelayMax.Get(), 2u);
  EXPECT_EQ(b.m_Mode.GetUndo().Saved(), 2);  // an undo snapshot of the copied value
  // A control without a side handles nothing.
  DS_BoundControl none;
  DS_SpriteState s;
  tw_test::DS_TestView d;
  s.position = D3DXVECTOR3(-1000.0f, -1000.0f, 0.0f);
  EXPECT_FALSE(none.Process(s, d));
}

// ---------------------------------------------------------------------------------------
// Records

struct SpriteExpect {
  unsigned version;
  const unsigned char* bytes;
  size_t size;
  unsigned speed;
  bool links;  // version 1 carries inline records instead
  int imageKind, flipV, flipH, refresh;
  unsigned animationSpeed;
};

TEST(SpriteRecords, EveryVersionReadsItsFields) {
  const SpriteExpect cases[] = {
      {1, kFixtureSpriteV1, kFixtureSpriteV1Size, 80, false, 0, 0, 0, 0, 100},
      {2, kFixtureSpriteV2, kFixtureSpriteV2Size, 80, true, 0, 0, 0, 0, 100},
      {3, kFixtureSpriteV3, kFixtureSpriteV3Size, 75, true, 0, 0, 0, 0, 100},
      {4, kFixtureSpriteV4, kFixtureSpriteV4Size, 75, true, 1, 0, 0, 0, 100},
      {5, kFixtureSpriteV5, kFixtureSpriteV5Size, 75, true, 1, 1, 1, 0, 100},
      {6, kFixtureSpriteV6, kFixtureSpriteV6Size, 75, true, 1, 1, 1, 1, 100},
      {7, kFixtureSpriteV7, kFixtureSpriteV7Size, 75, true, 1, 1, 1, 1, 50},
  };
  PictureSize size(640, 480);
  for (const SpriteExpect& c : cases) {
    SCOPED_TRACE(testing::Message() << "version " << c.version);
    ByteReader r(c.bytes, c.size);
    DS_TestSystem d;
    EXPECT_TRUE(d.ReadPart(r.archive));
    EXPECT_FALSE(r.archive.Failed());
    EXPECT_EQ(r.Consumed(), c.size);
    // The view part.
    EXPECT_EQ(d.m_Rect.left.Get(), 10);
    EXPECT_EQ(d.m_Rect.extra2.Get(), 6);
    EXPECT_EQ(d.m_NormLeft, 0.25f);
    EXPECT_EQ(d.m_NormBottom, 0.875f);
    EXPECT_TRUE(d.m_ViewFlag);
    EXPECT_EQ(d.Name(), L"sprites");
    EXPECT_EQ(d.m_Depth.Get(), 80u);
    EXPECT_EQ(d.m_Speed.Get(), c.speed);
    // The sprite fields every version has.
    EXPECT_EQ(d.m_SpriteCount.Get(), 12u);
    EXPECT_EQ(d.m_SpriteSize.Get(), 48u);
    EXPECT_EQ(d.m_Transparency.Get(), 50u);
    EXPECT_EQ(d.m_Transparency.Derived(), 127);  // the alpha byte followed the value
    EXPECT_EQ(d.m_BlendMode.Get(), 1);
    EXPECT_EQ(d.m_Color.Get(), 0x996633ul);
    EXPECT_EQ(d.m_PhaseSpeed, 0.5f);
    EXPECT_EQ(d.m_PhaseMin, 0.25f);
    EXPECT_EQ(d.m_PhaseMax, 0.75f);
    EXPECT_EQ(d.m_SizeFactorMin, 0.5f);
    EXPECT_EQ(d.m_SizeFactorMax, 1.5f);
    EXPECT_EQ(d.m_ReservedCount, 3u);
    EXPECT_EQ(d.m_ReservedValue, 2.5f);
    EXPECT_EQ(d.m_FrameCount, 4u);
    EXPECT_EQ(d.m_FrameRate, 8.0f);
    EXPECT_TRUE(d.m_Strip);
    if (c.links) {
      EXPECT_EQ(d.m_SpriteImage.Path(), L"fish.png");
      EXPECT_EQ(d.m_SpriteImage.Stamp(), 7);
      EXPECT_EQ(d.m_SecondImage.Path(), L"over.png");
      EXPECT_EQ(d.m_SecondImage.Stamp(), 9);
      EXPECT_TRUE(d.m_LegacyFrames.empty());
      EXPECT_TRUE(d.m_LegacyFrameDelays.empty());
    } else {
      EXPECT_TRUE(d.m_SpriteImage.Path().empty());
      ASSERT_EQ(d.m_LegacyFrames.size(), 2u);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.m_LegacyFrames[1].data), d.m_LegacyFrames[1].size),
                "BBBBBB");
      EXPECT_EQ(d.m_LegacyFrames[0].name, L"frame.png");
      EXPECT_EQ(d.m_LegacySecondImage.size, 3u);
      EXPECT_EQ(d.m_LegacyFrameDelays, std::vector<float>({0.125f, 0.25f}));
    }
    EXPECT_EQ(d.m_ImageKind, c.imageKind);
    EXPECT_EQ(d.m_FlipVertical.Get(), c.flipV);
    EXPECT_EQ(d.m_FlipHorizontal.Get(), c.flipH);
    EXPECT_EQ(d.m_RefreshOnFrame.Get(), c.refresh);
    EXPECT_EQ(d.m_AnimationSpeed.Get(), c.animationSpeed);
    EXPECT_FLOAT_EQ(d.m_AnimationSpeed.Derived(), float(c.animationSpeed) * 0.01f);
    // The reader stores the normalised edges as read; the pixel rectangle is the copy's.
    EXPECT_EQ(d.m_Rect.right.Get(), 630);
    DS_TestSystem copy(d);
    EXPECT_EQ(copy.m_Rect.right.Get(), 480);
    EXPECT_EQ(copy.m_SpriteCount.Get(), 12u);
    EXPECT_EQ(copy.m_LegacyFrames.size(), d.m_LegacyFrames.size());
    EXPECT_EQ(copy.m_AnimationSpeed.Derived(), d.m_AnimationSpeed.Derived());
  }
}

TEST(SpriteRecords, OldViewPartsLeaveTheSpeedToTheSpritePart) {
  {
    SCOPED_TRACE("view version 1 alone");
    ByteReader r(kFixtureViewV1, kFixtureViewV1Size);
    tw_test::DS_TestView v;
    EXPECT_TRUE(v.ReadPart(r.archive));
    EXPECT_EQ(r.Consumed(), kFixtureViewV1Size);
    EXPECT_EQ(v.m_Speed.Get(), 50u);
    EXPECT_EQ(v.Name(), L"sprites");
  }
  {
    SCOPED_TRACE("view version 2 alone");
    ByteReader r(kFixtureViewV2, kFixtureViewV2Size);
    tw_test::DS_TestView v;
    EXPECT_TRUE(v.ReadPart(r.archive));
    EXPECT_EQ(v.m_Speed.Get(), 75u);
  }
  {
    SCOPED_TRACE("sprite version 1 over view version 1");
    ByteReader r(kFixtureSpriteV1ViewV1, kFixtureSpriteV1ViewV1Size);
    DS_TestSystem d;
    EXPECT_TRUE(d.ReadPart(r.archive));
    EXPECT_EQ(r.Consumed(), kFixtureSpriteV1ViewV1Size);
    EXPECT_EQ(d.m_Speed.Get(), 80u);
  }
}

TEST(SpriteRecords, TheWrittenRecordIsTheBuildersVersion7) {
  ByteReader r(kFixtureSpriteV7, kFixtureSpriteV7Size);
  DS_TestSystem d;
  ASSERT_TRUE(d.ReadPart(r.archive));
  DS_IOF_W w;
  d.WritePart(w);
  const std::vector<unsigned char> want(kFixtureSpriteV7, kFixtureSpriteV7 + kFixtureSpriteV7Size);
  EXPECT_EQ(w.Bytes(), want);
}

TEST(SpriteRecords, AHugeLegacyFrameCountFailsWithoutAllocating) {
  ByteReader r(kFixtureSpriteV1HugeFrameCount, kFixtureSpriteV1HugeFrameCountSize);
  DS_TestSystem d;
  EXPECT_FALSE(d.ReadPart(r.archive));
  EXPECT_TRUE(r.archive.Failed());
  EXPECT_TRUE(d.m_LegacyFrames.empty());
}

struct PartCase {
  const char* name;
  const unsigned char* bytes;
  size_t size;
  bool (*read)(DS_IOF_Virtual& archive);
};

bool ReadSprite(DS_IOF_Virtual& a) {
  DS_TestSystem d;
  return d.ReadPart(a);
}
bool ReadView(DS_IOF_Virtual& a) {
  tw_test::DS_TestView v;
  return v.ReadPart(a);
}
bool ReadFx(DS_IOF_Virtual& a) {
  tw_test::DS_TestGlow d;  // any effect-drawn system
  return d.DS_FXParticleSystemCtrl::ReadPart(a);
}
bool ReadBaseFx(DS_IOF_Virtual& a) {
  tw_test::DS_TestStatFX d;
  return d.DS_BaseFXCtrl::ReadPart(a);
}
bool ReadStat(DS_IOF_Virtual& a) {
  tw_test::DS_TestStatFX d;
  return d.ReadPart(a);
}
bool ReadGlow(DS_IOF_Virtual& a) {
  tw_test::DS_TestGlow d;
  return d.ReadPart(a);
}
bool ReadBound(DS_IOF_Virtual& a) {
  DS_BoundControl c;
  return c.ReadPart(a);
}

const PartCase kParts[] = {
    {"sprite v1", kFixtureSpriteV1, kFixtureSpriteV1Size, ReadSprite},
    {"sprite v2", kFixtureSpriteV2, kFixtureSpriteV2Size, ReadSprite},
    {"sprite v3", kFixtureSpriteV3, kFixtureSpriteV3Size, ReadSprite},
    {"sprite v4", kFixtureSpriteV4, kFixtureSpriteV4Size, ReadSprite},
    {"sprite v5", kFixtureSpriteV5, kFixtureSpriteV5Size, ReadSprite},
    {"sprite v6", kFixtureSpriteV6, kFixtureSpriteV6Size, ReadSprite},
    {"sprite v7", kFixtureSpriteV7, kFixtureSpriteV7Size, ReadSprite},
    {"view v1", kFixtureViewV1, kFixtureViewV1Size, ReadView},
    {"fx part", kFixtureFxPart, kFixtureFxPartSize, ReadFx},
    {"base fx part", kFixtureBaseFxPart, kFixtureBaseFxPartSize, ReadBaseFx},
    {"stat base v1", kFixtureStatBaseV1, kFixtureStatBaseV1Size, ReadStat},
    {"stat base v2", kFixtureStatBaseV2, kFixtureStatBaseV2Size, ReadStat},
    {"glow part", kFixtureGlowPart, kFixtureGlowPartSize, ReadGlow},
    {"bound control", kFixtureBoundControl, kFixtureBoundControlSize, ReadBound},
};

// Every prefix of every record is a truncated document: the archive reports the failure
// and nothing crashes or hangs.
TEST(SpriteRecords, TruncatedRecordsFailCleanly) {
  for (const PartCase& c : kParts) {
    SCOPED_TRACE(c.name);
    {
      ByteReader whole(c.bytes, c.size);
      EXPECT_TRUE(c.read(whole.archive));
      EXPECT_EQ(whole.Consumed(), c.size);
    }
    for (size_t n = 0; n < c.size; ++n) {
      ByteReader r(c.bytes, n);
      EXPECT_FALSE(c.read(r.archive)) << "prefix of " << n << " bytes";
      ASSERT_TRUE(r.archive.Failed()) << "prefix of " << n << " bytes";
    }
  }
}

TEST(EffectRecords, PartsReadTheirOwnFieldsAndTheSpritePart) {
  PictureSize size(640, 480);
  {
    SCOPED_TRACE("effect part");
    ByteReader r(kFixtureFxPart, kFixtureFxPartSize);
    tw_test::DS_TestGlow d;
    ASSERT_TRUE(d.DS_FXParticleSystemCtrl::ReadPart(r.archive));
    EXPECT_EQ(d.m_EffectLink.Path(), L"glow.fx");
    EXPECT_EQ(d.m_EffectLink.Stamp(), 3);
    EXPECT_EQ(d.m_SpriteCount.Get(), 12u);
    EXPECT_EQ(d.m_AnimationSpeed.Get(), 50u);
  }
  {
    SCOPED_TRACE("base effect part");
    ByteReader r(kFixtureBaseFxPart, kFixtureBaseFxPartSize);
    tw_test::DS_TestStatFX d;
    ASSERT_TRUE(d.DS_BaseFXCtrl::ReadPart(r.archive));
    EXPECT_EQ(d.m_EffectLink.Path(), L"text.fx");
    EXPECT_EQ(d.m_SpriteSize.Get(), 48u);
  }
  const struct {
    const unsigned char* bytes;
    size_t size;
    unsigned height, width;
  } stats[] = {{kFixtureStatBaseV1, kFixtureStatBaseV1Size, 0, 0}, {kFixtureStatBaseV2, kFixtureStatBaseV2Size, 64, 128}};
  for (const auto& c : stats) {
    SCOPED_TRACE(testing::Message() << "stat base, " << c.size << " bytes");
    ByteReader r(c.bytes, c.size);
    tw_test::DS_TestStatFX d;
    EXPECT_EQ(d.m_Centre.Get(), D3DXVECTOR3(320.0f, 240.0f, 0.0f));  // the picture's middle
    ASSERT_TRUE(d.ReadPart(r.archive));
    EXPECT_EQ(r.Consumed(), c.size);
    EXPECT_EQ(d.m_Centre.Get(), D3DXVECTOR3(320.0f, 240.0f, 1.5f));
    EXPECT_EQ(d.m_Height.Get(), c.height);
    EXPECT_EQ(d.m_Width.Get(), c.width);
    EXPECT_EQ(d.m_EffectLink.Path(), L"stat.fx");
    EXPECT_EQ(d.m_Color.Get(), 0x996633ul);
    DS_IOF_W w;
    d.WritePart(w);
    if (c.height) {
      const std::vector<unsigned char> want(c.bytes, c.bytes + c.size);
      EXPECT_EQ(w.Bytes(), want);
    }
  }
  {
    SCOPED_TRACE("glow part");
    ByteReader r(kFixtureGlowPart, kFixtureGlowPartSize);
    tw_test::DS_TestGlow d;
    EXPECT_FLOAT_EQ(d.m_GlowStrength.Derived(), 1.0f);
    ASSERT_TRUE(d.ReadPart(r.archive));
    EXPECT_EQ(d.m_GlowColor.Get(), 0x00102030ul);
    EXPECT_EQ(d.m_GlowStrength.Get(), 150u);
    EXPECT_FLOAT_EQ(d.m_GlowStrength.Derived(), 1.5f);
    EXPECT_EQ(d.m_EffectLink.Path(), L"glow.fx");
    EXPECT_EQ(d.m_EffectLink.Stamp(), 6);
    DS_IOF_W w;
    d.WritePart(w);
    const std::vector<unsigned char> want(kFixtureGlowPart, kFixtureGlowPart + kFixtureGlowPartSize);
    EXPECT_EQ(w.Bytes(), want);
    tw_test::DS_TestGlow copy(d);
    EXPECT_EQ(copy.m_GlowColor.Get(), 0x00102030ul);
    EXPECT_FLOAT_EQ(copy.m_GlowStrength.Derived(), 1.5f);
  }
  {
    SCOPED_TRACE("bound control");
    ByteReader r(kFixtureBoundControl, kFixtureBoundControlSize);
    DS_BoundControl c;
    ASSERT_TRUE(c.ReadPart(r.archive));
    EXPECT_EQ(c.m_Mode.Get(), 2);
    EXPECT_EQ(c.m_FadeOutTime.Get(), 300u);
    EXPECT_EQ(c.m_FadeInTime.Get(), 400u);
    EXPECT_EQ(c.m_DelayMin.Get(), 2000u);
    EXPECT_EQ(c.m_DelayMax.Get(), 5000u);
    EXPECT_EQ(c.m_Side, -1);  // not stored: the owner sets it
    DS_IOF_W w;
    c.Write(w);
    const std::vector<unsigned char> want(kFixtureBoundControl, kFixtureBoundControl + kFixtureBoundControlSize);
    EXPECT_EQ(w.Bytes(), want);
  }
}

}  // namespace
