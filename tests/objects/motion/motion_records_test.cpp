// The stored records of the swimming, flying and flowing sprite systems: every stored
// version read from document-builder bytes, the newest written back byte for byte, and
// truncated records read without harm.
#include "core/archive/DS_IOF.h"
#include "core/archive/DS_IOF_Writer.h"
#include "core/archive/ReaderRegistry.h"
#include "core/render/StageView.h"
#include "objects/sprites/Flow.h"
#include "objects/sprites/Swimmers.h"

#include "motion_fixtures.h"

#include "tests/support/RecordRead.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using tw_test::Fixture;
const Fixture kAllFixtures[] = {
    TW_FIXTURE(FishV1),       TW_FIXTURE(BirdV1),        TW_FIXTURE(GhostV1),
    TW_FIXTURE(GhostV2),      TW_FIXTURE(FlowV1),        TW_FIXTURE(FlowV2Turned),
    TW_FIXTURE(FlowV2Upright), TW_FIXTURE(FlowV3),       TW_FIXTURE(FlowV4),
    TW_FIXTURE(RainV1),
};

using ReadResult = tw_test::RecordReadResult;
using tw_test::ReadRecord;

template <class T>
std::unique_ptr<T> ReadAs(const Fixture& f) {
  ReadResult r = ReadRecord(f.data, f.size);
  EXPECT_FALSE(r.failed) << f.name;
  EXPECT_EQ(r.remaining, 0u) << f.name << ": the reader must consume the whole record";
  T* typed = dynamic_cast<T*>(r.object.get());
  EXPECT_NE(typed, nullptr) << f.name << " read as the wrong class";
  if (!typed) return nullptr;
  r.object.release();
  return std::unique_ptr<T>(typed);
}

class MotionRecords : public ::testing::Test {
protected:
  void SetUp() override {
    saved_ = {g_ScreenLayout.pictureWidth, g_ScreenLayout.pictureHeight};
    g_ScreenLayout.pictureWidth = 640;
    g_ScreenLayout.pictureHeight = 480;
  }
  void TearDown() override {
    g_ScreenLayout.pictureWidth = saved_[0];
    g_ScreenLayout.pictureHeight = saved_[1];
  }

private:
  std::vector<UINT> saved_;
};

// The sprite part of every fixture (make_fixtures.py's SPRITE): read through the nesting of
// each class, it lands in the same fields.
void ExpectSpritePart(const DS_BaseSpriteProp& d, const char* what) {
  SCOPED_TRACE(what);
  EXPECT_EQ(d.m_SpriteCount.Get(), 7u);
  EXPECT_EQ(d.m_SpriteSize.Get(), 48u);
  EXPECT_EQ(d.m_Transparency.Get(), 30u);
  EXPECT_EQ(d.m_BlendMode.Get(), 1);
  EXPECT_FLOAT_EQ(d.m_PhaseSpeed, 0.5f);
  EXPECT_FLOAT_EQ(d.m_PhaseMin, 0.25f);
  EXPECT_FLOAT_EQ(d.m_PhaseMax, 0.75f);
  EXPECT_FLOAT_EQ(d.m_SizeFactorMin, 0.5f);
  EXPECT_FLOAT_EQ(d.m_SizeFactorMax, 1.5f);
  EXPECT_EQ(d.m_FrameCount, 4u);
  EXPECT_TRUE(d.m_Strip);
  EXPECT_EQ(d.m_AnimationSpeed.Get(), 85u);
  EXPECT_EQ(d.m_Speed.Get(), 75u);
  EXPECT_FLOAT_EQ(d.m_NormLeft, 0.125f);
  EXPECT_FLOAT_EQ(d.m_NormBottom, 0.75f);
  EXPECT_EQ(d.Name(), L"school");
}

TEST_F(MotionRecords, SwimmersReadTheirFieldsAndTheSpritePart) {
  struct Case {
    Fixture fixture;
    float maxX, maxY;
  };
  const Case cases[] = {
      {TW_FIXTURE(FishV1), 120.0f, 60.0f},
      {TW_FIXTURE(BirdV1), 80.0f, 40.0f},
      {TW_FIXTURE(GhostV1), 30.0f, 20.0f},
      {TW_FIXTURE(GhostV2), 30.0f, 20.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture.name);
    std::unique_ptr<DS_FishConstructor> d = ReadAs<DS_FishConstructor>(c.fixture);
    ASSERT_NE(d, nullptr);
    EXPECT_FLOAT_EQ(d->m_MaxSpeedX, c.maxX);
    EXPECT_FLOAT_EQ(d->m_MaxSpeedY, c.maxY);
    ExpectSpritePart(*d, c.fixture.name);
  }
  EXPECT_NE(ReadAs<DS_BirdConstructor>(TW_FIXTURE(BirdV1)), nullptr);
  EXPECT_NE(ReadAs<DS_GhostConstructor>(TW_FIXTURE(GhostV2)), nullptr);
}

TEST_F(MotionRecords, GhostVersionOneTakesTheOldTimeLineAndVersionTwoKeepsItsOwn) {
  struct Case {
    Fixture fixture;
    int mode;
    unsigned shownMin, shownMax, hiddenMin, hiddenMax, fadeIn, fadeOut;
    float fadeInSeconds;
  };
  // Stored: random cycle, hidden 3-4 s, shown 5-6 s, fades 0.2 s and 0.3 s.
  const Case cases[] = {
      {TW_FIXTURE(GhostV1), 1, 0, 0, 0, 0, 150, 150, 1.5f},
      {TW_FIXTURE(GhostV2), 1, 500, 600, 300, 400, 20, 30, 0.2f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture.name);
    std::unique_ptr<DS_GhostConstructor> d = ReadAs<DS_GhostConstructor>(c.fixture);
    ASSERT_NE(d, nullptr);
    const DS_TimeLineControl& line = d->TimeLine();
    EXPECT_EQ(line.m_Mode.Get(), c.mode);
    EXPECT_EQ(line.m_FadeTarget.Get(), 1);
    EXPECT_EQ(line.m_ShownTime.minimum.Get(), c.shownMin);
    EXPECT_EQ(line.m_ShownTime.maximum.Get(), c.shownMax);
    EXPECT_EQ(line.m_HiddenTime.minimum.Get(), c.hiddenMin);
    EXPECT_EQ(line.m_HiddenTime.maximum.Get(), c.hiddenMax);
    EXPECT_EQ(line.m_FadeInTime.Get(), c.fadeIn);
    EXPECT_EQ(line.m_FadeOutTime.Get(), c.fadeOut);
    // Set with notification: the seconds the cycle uses follow.
    EXPECT_FLOAT_EQ(line.m_FadeInTime.Seconds(), c.fadeInSeconds);
  }
}

TEST_F(MotionRecords, FlowVersionsAndTheirOrientationAndControls) {
  struct ControlValues {
    int mode;
    unsigned fadeOut, fadeIn, delayMin, delayMax;
  };
  const ControlValues none{0, 0, 0, 0, 0};
  // make_fixtures.py's CONTROLS: top, bottom, left, right.
  const ControlValues stored[4] = {{1, 0, 0, 0, 0}, {1, 100, 0, 0, 0}, {2, 0, 0, 2000, 5000}, {0, 300, 400, 1000, 1500}};
  struct Case {
    Fixture fixture;
    int orientation;
    bool controlsStored;
  };
  const Case cases[] = {
      {TW_FIXTURE(FlowV1), 0, false},        // no orientation stored
      {TW_FIXTURE(FlowV2Turned), 1, false},  // 5: "turned"
      {TW_FIXTURE(FlowV2Upright), 0, false},
      {TW_FIXTURE(FlowV3), 2, false},
      {TW_FIXTURE(FlowV4), 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture.name);
    std::unique_ptr<DS_FlowConstructor> d = ReadAs<DS_FlowConstructor>(c.fixture);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->m_Direction.Get(), 135u);
    EXPECT_EQ(d->m_LateralSpeed.Get(), 24u);
    EXPECT_EQ(d->m_LateralRate.Get(), 16u);
    EXPECT_FLOAT_EQ(d->m_BaseSpeed, 100.0f);
    EXPECT_EQ(d->m_Orientation.Get(), c.orientation);
    for (int side = 0; side < 4; ++side) {
      const ControlValues& want = c.controlsStored ? stored[side] : none;
      const DS_BoundControl& got = d->Control(side);
      EXPECT_EQ(got.m_Side, side);
      EXPECT_EQ(got.m_Mode.Get(), want.mode) << "side " << side;
      EXPECT_EQ(got.m_FadeOutTime.Get(), want.fadeOut) << "side " << side;
      EXPECT_EQ(got.m_FadeInTime.Get(), want.fadeIn) << "side " << side;
      EXPECT_EQ(got.m_DelayMin.Get(), want.delayMin) << "side " << side;
      EXPECT_EQ(got.m_DelayMax.Get(), want.delayMax) << "side " << side;
    }
    ExpectSpritePart(*d, c.fixture.name);

    // The runtime copy turns the stored values into its motion: 24 x 3 px/s sideways,
    // 16 x 0.25 changes per second, 100 px/s at 135 degrees (up and to the left).
    std::unique_ptr<DS_FlowConstructor> copy(static_cast<DS_FlowConstructor*>(d->Clone()));
    EXPECT_FLOAT_EQ(copy->m_LateralSpeed.Derived(), 72.0f);
    EXPECT_FLOAT_EQ(copy->m_LateralRate.Derived(), 4.0f);
    EXPECT_NEAR(copy->m_Velocity.x, -70.7107f, 1e-3f);
    EXPECT_NEAR(copy->m_Velocity.y, -70.7107f, 1e-3f);
  }
}

TEST_F(MotionRecords, RainReadsTheNestedFlowPart) {
  std::unique_ptr<DS_RainConstructor> d = ReadAs<DS_RainConstructor>(TW_FIXTURE(RainV1));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->m_Direction.Get(), 250u);
  EXPECT_EQ(d->m_LateralSpeed.Get(), 3u);
  EXPECT_EQ(d->m_LateralRate.Get(), 8u);
  EXPECT_FLOAT_EQ(d->m_BaseSpeed, 1500.0f);
  EXPECT_EQ(d->m_Orientation.Get(), 1);
  EXPECT_EQ(d->Control(2).m_Mode.Get(), 2);
  EXPECT_EQ(d->Control(2).m_DelayMax.Get(), 5000u);
  EXPECT_EQ(d->Control(3).m_FadeInTime.Get(), 400u);
  ExpectSpritePart(*d, "rain");
}

TEST_F(MotionRecords, NewestVersionsWriteBackTheBytesTheyWereReadFrom) {
  const Fixture newest[] = {TW_FIXTURE(FishV1), TW_FIXTURE(BirdV1), TW_FIXTURE(GhostV2),
                            TW_FIXTURE(FlowV4), TW_FIXTURE(RainV1)};
  for (const Fixture& f : newest) {
    SCOPED_TRACE(f.name);
    ReadResult r = ReadRecord(f.data, f.size);
    ASSERT_NE(r.object, nullptr);
    DS_IOF_W out;
    r.object->Write(out);
    const std::vector<unsigned char> expected(f.data, f.data + f.size);
    EXPECT_EQ(out.Bytes(), expected);
  }
}

TEST_F(MotionRecords, TruncatedRecordsFailTheArchiveWithoutHarm) {
  for (const Fixture& f : kAllFixtures) {
    SCOPED_TRACE(f.name);
    // Every cut: inside the name, the version, each nested part and the last field.
    for (size_t cut = 0; cut < f.size; ++cut) {
      // One spare byte keeps the block's address valid when the cut leaves nothing.
      std::vector<unsigned char> bytes(f.data, f.data + cut);
      bytes.push_back(0);
      ReadResult r = ReadRecord(bytes.data(), cut);
      EXPECT_TRUE(r.failed) << "cut at " << cut << " of " << f.size;
      if (r.object) {
        // Whatever was read must still be a usable object.
        DS_IOF_W out;
        r.object->Write(out);
      }
    }
  }
}

}  // namespace
