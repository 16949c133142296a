// Records of the drifting, flashing and anchored sprite systems, every stored version,
// from bytes the document builder wrote: read through the registry, written back, and
// cut short.
#include "objects/sprites/Anchored.h"
#include "objects/sprites/Drifters.h"

#include "AnchoredTestSupport.h"
#include "anchored_fixtures.h"
#include "core/archive/DS_IOF_Writer.h"
#include "core/archive/ReaderRegistry.h"

#include "tests/support/RecordRead.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

using namespace anchored_test;

namespace {

std::vector<unsigned char> Bytes(const AnchoredFixture& f) { return std::vector<unsigned char>(f.data, f.data + f.size); }

const AnchoredFixture& Fixture(const char* name) {
  for (const AnchoredFixture& f : kAnchoredFixtures) {
    if (std::string(name) == f.name) return f;
  }
  ADD_FAILURE() << "no fixture " << name;
  return kAnchoredFixtures[0];
}

using ReadResult = tw_test::RecordReadResult;
using tw_test::ReadRecord;

std::vector<unsigned char> Written(DS_IOF_Item& item) {
  DS_IOF_W w;
  item.Write(w);
  return w.Bytes();
}

// The sprite part every current fixture carries (make_fixtures.py, SPRITE).
void ExpectFixtureSpritePart(const DS_BaseSpriteProp& d) {
  EXPECT_EQ(d.m_SpriteCount.Get(), 7u);
  EXPECT_EQ(d.m_SpriteSize.Get(), 48u);
  EXPECT_EQ(d.m_Transparency.Get(), 20u);
  EXPECT_EQ(d.m_Transparency.Derived(), 204u);  // 255 - 51
  EXPECT_EQ(d.m_BlendMode.Get(), 1);
  EXPECT_EQ(d.m_Color.Get(), 0x336699u);
  EXPECT_EQ(d.m_PhaseMin, 0.25f);
  EXPECT_EQ(d.m_PhaseMax, 0.75f);
  EXPECT_EQ(d.m_SizeFactorMax, 1.5f);
  EXPECT_EQ(d.m_SpriteImage.Path(), L"C:\\pics\\ray.png");
  EXPECT_EQ(d.m_FrameCount, 3u);
  EXPECT_EQ(d.m_FrameRate, 12.5f);
  EXPECT_TRUE(d.m_Strip);
  EXPECT_EQ(d.m_RefreshOnFrame.Get(), 1);
  EXPECT_EQ(d.m_AnimationSpeed.Get(), 150u);  // the last field of the record
  EXPECT_EQ(d.m_NormLeft, 0.125f);
  EXPECT_EQ(d.m_Speed.Get(), 75u);
  EXPECT_EQ(d.Name(), L"thing");
  EXPECT_EQ(d.m_Depth.Get(), 60u);
}

// The version-4 sprite part of the old stat-obj fixtures (SPRITE_V4): no flips of its own.
void ExpectOldSpritePart(const DS_BaseSpriteProp& d) {
  EXPECT_EQ(d.m_SpriteCount.Get(), 2u);
  EXPECT_EQ(d.m_SpriteSize.Get(), 64u);
  EXPECT_EQ(d.m_SpriteImage.Path(), L"old.png");
  EXPECT_EQ(d.m_AnimationSpeed.Get(), 100u);
}

template <class T>
T& As(DS_ABObj_Constructor* object) {
  T* typed = dynamic_cast<T*>(object);
  if (!typed) throw std::runtime_error("the record read into another class");
  return *typed;
}

void ExpectBounds(const MediaRectangle& r, std::initializer_list<int> values) {
  const int* v = values.begin();
  EXPECT_EQ(r.left.Get(), v[0]);
  EXPECT_EQ(r.right.Get(), v[1]);
  EXPECT_EQ(r.top.Get(), v[2]);
  EXPECT_EQ(r.bottom.Get(), v[3]);
  EXPECT_EQ(r.extra1.Get(), v[4]);
  EXPECT_EQ(r.extra2.Get(), v[5]);
}

struct RecordCase {
  const char* fixture;
  bool current;  // written back in the same layout
  std::function<void(DS_ABObj_Constructor*)> check;
};

const RecordCase kRecordCases[] = {
    {"GodRay", true,
     [](DS_ABObj_Constructor* o) {
       auto& d = As<DS_GodRayConstructor>(o);
       EXPECT_EQ(d.m_RayAngle.Get(), 135u);
       ExpectFixtureSpritePart(d);
     }},
    {"Sparkle", true, [](DS_ABObj_Constructor* o) { ExpectFixtureSpritePart(As<DS_SparkleConstructor>(o)); }},
    {"Fog", true,
     [](DS_ABObj_Constructor* o) {
       auto& d = As<DS_FogConstructor>(o);
       EXPECT_EQ(d.m_MaxSpeedX, 12.5f);
       EXPECT_EQ(d.m_MaxSpeedY, 7.25f);
       ExpectFixtureSpritePart(d);
     }},
    {"Lighting", true,
     [](DS_ABObj_Constructor* o) {
       auto& d = As<DS_LightingConstructor>(o);
       ExpectFixtureSpritePart(d);
       // The stored time line replaces the constructor's.
       EXPECT_EQ(d.TimeLine().m_Mode.Get(), DS_TimeLineControl::kModeAlways);
     }},
    {"Grass", true,
     [](DS_ABObj_Constructor* o) {
       auto& d = As<DS_GrassConstructor>(o);
       EXPECT_EQ(d.m_Sway, 4.5f);
       ExpectFixtureSpritePart(d);
     }},
    {"StatObjV2", true,
     [](DS_ABObj_Constructor* o) {
       auto& d = As<DS_StatObjConstructor>(o);
       ExpectBounds(d.m_Bounds, {11, 22, 33, 44, 400, 300});
       EXPECT_EQ(d.m_Rotation.Get(), 45u);
       // The flips come from the sprite part.
       EXPECT_EQ(d.m_FlipVertical.Get(), 1);
       EXPECT_EQ(d.m_FlipHorizontal.Get(), 0);
       ExpectFixtureSpritePart(d);
     }},
    {"StatObjV1", false,
     [](DS_ABObj_Constructor* o) {
       auto& d = As<DS_StatObjConstructor>(o);
       ExpectBounds(d.m_Bounds, {1, 2, 3, 4, 120, 90});
       EXPECT_EQ(d.m_Rotation.Get(), 30u);
       // Kept after the rotation in version 1.
       EXPECT_EQ(d.m_FlipVertical.Get(), 1);
       EXPECT_EQ(d.m_FlipHorizontal.Get(), 1);
       ExpectOldSpritePart(d);
     }},
    {"Flower", true,
     [](DS_ABObj_Constructor* o) {
       auto& d = As<DS_FlowerConstructor>(o);
       EXPECT_EQ(d.m_Sway, 2.25f);
       ExpectBounds(d.m_Bounds, {5, 6, 7, 8, 250, 260});
       EXPECT_EQ(d.m_Rotation.Get(), 90u);
       ExpectFixtureSpritePart(d);
     }},
    {"FlowerOfStatObjV1", false,
     [](DS_ABObj_Constructor* o) {
       auto& d = As<DS_FlowerConstructor>(o);
       EXPECT_EQ(d.m_Sway, 0.75f);
       ExpectBounds(d.m_Bounds, {0, 0, 0, 0, 50, 60});
       EXPECT_EQ(d.m_Rotation.Get(), 10u);
       EXPECT_EQ(d.m_FlipVertical.Get(), 0);
       EXPECT_EQ(d.m_FlipHorizontal.Get(), 1);
       ExpectOldSpritePart(d);
     }},
    {"Discharge", true,
     [](DS_ABObj_Constructor* o) {
       auto& d = As<DS_DischargeConstructor>(o);
       ExpectBounds(d.m_Bounds, {9, 8, 7, 6, 320, 240});
       EXPECT_EQ(d.m_Rotation.Get(), 270u);
       ExpectFixtureSpritePart(d);
     }},
};

TEST(Records, EveryStoredVersionReadsThroughTheRegistry) {
  for (const RecordCase& c : kRecordCases) {
    SCOPED_TRACE(c.fixture);
    const AnchoredFixture& f = Fixture(c.fixture);
    ReadResult r = ReadRecord(f.data, f.size);
    ASSERT_NE(r.object, nullptr);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.remaining, 0u);
    EXPECT_NO_THROW(c.check(r.object.get()));
  }
}

TEST(Records, CurrentRecordsWriteBackByteForByteAndSoDoTheirClones) {
  // The clones recompute their pixel rectangle at the picture size; with no picture yet
  // they keep the stored one, so every stored value shows in the bytes.
  PictureSize picture(0, 0);
  for (const RecordCase& c : kRecordCases) {
    if (!c.current) continue;
    SCOPED_TRACE(c.fixture);
    const AnchoredFixture& f = Fixture(c.fixture);
    ReadResult r = ReadRecord(f.data, f.size);
    ASSERT_NE(r.object, nullptr);
    EXPECT_EQ(Written(*r.object), Bytes(f));
    auto* system = dynamic_cast<DS_ParticleSystemCtrl*>(r.object.get());
    ASSERT_NE(system, nullptr);
    std::unique_ptr<DS_ParticleSystemCtrl> clone(system->Clone());
    EXPECT_EQ(typeid(*clone), typeid(*system));
    EXPECT_EQ(Written(*clone), Bytes(f));
  }
}

TEST(Records, OldStatObjRecordsWriteTheCurrentVersionWithTheSameValues) {
  for (const RecordCase& c : kRecordCases) {
    if (c.current) continue;
    SCOPED_TRACE(c.fixture);
    const AnchoredFixture& f = Fixture(c.fixture);
    ReadResult first = ReadRecord(f.data, f.size);
    ASSERT_NE(first.object, nullptr);
    const std::vector<unsigned char> bytes = Written(*first.object);
    EXPECT_NE(bytes, Bytes(f));
    ReadResult again = ReadRecord(bytes.data(), bytes.size());
    ASSERT_NE(again.object, nullptr);
    EXPECT_FALSE(again.failed);
    EXPECT_EQ(again.remaining, 0u);
    EXPECT_NO_THROW(c.check(again.object.get()));
  }
}

TEST(Records, TruncatedRecordsReadWithoutCrashAndReportFailure) {
  for (const AnchoredFixture& f : kAnchoredFixtures) {
    SCOPED_TRACE(f.name);
    for (size_t cut = 0; cut < f.size; ++cut) {
      ReadResult r = ReadRecord(f.data, cut);
      ASSERT_TRUE(r.object == nullptr || r.failed) << "a record cut to " << cut << " of " << f.size
                                                    << " bytes read as complete";
    }
  }
}

}  // namespace
