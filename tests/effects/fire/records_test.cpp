// Records of the fire effect, every stored version, from bytes the document builder wrote:
// read through the registry and through the entry a layer uses for the fire inside its own
// record, then written back at the newest version.
#include "effects/Fire.h"

#include "core/archive/DS_IOF_Writer.h"
#include "core/document/ResourceModule.h"
#include "fire_fixtures.h"
#include "tests/support/RecordRead.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using tw_test::Written;
struct Expected {
  const char* name;
  const unsigned char* data;
  size_t size;
  const unsigned char* writtenBack;
  size_t writtenBackSize;
  unsigned long colour1, colour2;
  int stored;
  const wchar_t* pattern;
  long long patternStamp;
  const wchar_t* noise;
  long long noiseStamp;
  float density, brightness, tiling;
  int reserved;
};

#define FIRE_FIXTURE(name) #name, kFixture##name, kFixture##name##Size
#define WRITTEN(name) kFixture##name, kFixture##name##Size

// Region (20, 10)-(300, 190), speed 80 (1.6), technique mode 1, scale 75 (1.5) and the
// object name "campfire" in every record; stored density 150, brightness 40 and tiling
// 200 give 150 x 0.01 - 1, 40 x 0.02 and 200 x 0.01.
const Expected kRecords[] = {
    // Version 1: only the base part; every fire field keeps its default.
    {FIRE_FIXTURE(FireV1), WRITTEN(FireV1AsV3), 0xFFFF, 0xFF, 0, L"velmora.dll", 93, L"velmora.dll", 8, 0.0f, 0.3f,
     1.0f, 7},
    // Version 2: the fire's own fields fill the base's region and reserved value.
    {FIRE_FIXTURE(FireV2), WRITTEN(FireV3), 0x2040FF, 0x1020C0, 5, L"fire\\pattern.png", 41, L"fire\\noise.png", 42,
     0.5f, 0.8f, 2.0f, 9},
    {FIRE_FIXTURE(FireV3), WRITTEN(FireV3), 0x2040FF, 0x1020C0, 5, L"fire\\pattern.png", 41, L"fire\\noise.png", 42,
     0.5f, 0.8f, 2.0f, 9},
};

void ExpectCorner(const DS_FireFX& fire, int i, float x, float y) {
  const D3DXVECTOR3& c = fire.m_Region.corners[i].Get();
  EXPECT_FLOAT_EQ(c.x, x) << "corner " << i;
  EXPECT_FLOAT_EQ(c.y, y) << "corner " << i;
}

void ExpectFire(const DS_FireFX& fire, const Expected& e) {
  EXPECT_EQ(fire.m_Colour1.Get(), e.colour1);
  EXPECT_EQ(fire.m_Colour2.Get(), e.colour2);
  EXPECT_EQ(fire.m_StoredValue.Get(), e.stored);
  EXPECT_EQ(fire.m_PatternLink.Path(), e.pattern);
  EXPECT_EQ(fire.m_PatternLink.Stamp(), e.patternStamp);
  EXPECT_EQ(fire.m_NoiseLink.Path(), e.noise);
  EXPECT_EQ(fire.m_NoiseLink.Stamp(), e.noiseStamp);
  EXPECT_FLOAT_EQ(fire.m_Density.Derived(), e.density);
  EXPECT_FLOAT_EQ(fire.m_Brightness.Derived(), e.brightness);
  EXPECT_FLOAT_EQ(fire.m_Tiling.Derived(), e.tiling);
  ExpectCorner(fire, 0, 20.0f, 10.0f);
  ExpectCorner(fire, 1, 20.0f, 190.0f);
  ExpectCorner(fire, 2, 300.0f, 10.0f);
  ExpectCorner(fire, 3, 300.0f, 190.0f);
  EXPECT_EQ(fire.m_Reserved.Get(), e.reserved);
  // The base part after the fire's fields.
  EXPECT_FLOAT_EQ(fire.m_Speed.Derived(), 1.6f);
  EXPECT_EQ(fire.m_TechniqueMode.Get(), 1);
  EXPECT_FLOAT_EQ(fire.m_Scale.Derived(), 1.5f);
  EXPECT_EQ(fire.m_MaskKey.name, L"flames");
  EXPECT_EQ(fire.m_Name, L"campfire");
}

TEST(FireRecords, EveryVersionReadsThroughTheRegistryAndWritesBackAsVersionThree) {
  for (const Expected& e : kRecords) {
    SCOPED_TRACE(e.name);
    tw_test::RecordReadResult r = tw_test::ReadRecord(e.data, e.size);
    ASSERT_FALSE(r.failed);
    EXPECT_EQ(r.remaining, 0u);
    auto* fire = dynamic_cast<DS_FireFX*>(r.object.get());
    ASSERT_NE(fire, nullptr);
    ExpectFire(*fire, e);
    EXPECT_EQ(Written(*fire), std::vector<unsigned char>(e.writtenBack, e.writtenBack + e.writtenBackSize));
  }
}

// A layer reads the fire inside its own record whatever the class name says; the registry
// knows the fire only by its own name.
TEST(FireRecords, TheLayerEntryReadsAWholeRecordWithoutComparingItsName) {
  for (auto [name, data, size] : {std::tuple{"FireV3", kFixtureFireV3, kFixtureFireV3Size},
                                  std::tuple{"FireV3Renamed", kFixtureFireV3Renamed, kFixtureFireV3RenamedSize}}) {
    SCOPED_TRACE(name);
    ResourceBuffer source(data, size);
    DS_IOF_R<ResourceBuffer> archive(&source);
    std::unique_ptr<DS_FireFX> fire(DS_FireFX::ReadRecord(archive));
    ASSERT_NE(fire, nullptr);
    EXPECT_FALSE(archive.Failed());
    EXPECT_EQ(archive.RemainingBytes(), 0u);
    ExpectFire(*fire, kRecords[2]);
  }
  EXPECT_EQ(tw_test::ReadRecord(kFixtureFireV3Renamed, kFixtureFireV3RenamedSize).object, nullptr);

  // Cut short in the middle of the fire's fields: the archive tells, nothing is read past
  // the end.
  ResourceBuffer cut(kFixtureFireV3, 40);
  DS_IOF_R<ResourceBuffer> archive(&cut);
  std::unique_ptr<DS_FireFX> fire(DS_FireFX::ReadRecord(archive));
  EXPECT_TRUE(archive.Failed());
}

}  // namespace
