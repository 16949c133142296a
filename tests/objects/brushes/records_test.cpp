// Records of the air brushes, every stored version, from bytes the document builder wrote:
// read through the registry, written back, cut short, and hostile painted-particle counts.
#include "objects/particles/AirBrush.h"
#include "objects/particles/AnimatedBrushes.h"

#include "brush_fixtures.h"
#include "core/archive/DS_IOF_Writer.h"
#include "tests/support/RecordRead.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace {

using tw_test::Fixture;
using tw_test::RecordCase;
using tw_test::Bytes;
using tw_test::Written;
using tw_test::As;
using tw_test::ReadRecord;
using tw_test::RecordReadResult;
using Channels = std::array<float, Particle::kChannels>;

// The particle at index i of the painted list.
const Particle& Painted(const DS_AirBrush& brush, size_t i) {
  auto it = brush.m_Painted.begin();
  std::advance(it, i);
  return *it;
}

void ExpectChannels(const Particle& p, const Channels& expected) {
  for (int c = 0; c < Particle::kChannels; ++c) EXPECT_FLOAT_EQ(p.channels[c], expected[c]) << "channel " << c;
}

void ExpectPosition(const D3DXVECTOR3& v, float x, float y, float z) {
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
  EXPECT_FLOAT_EQ(v.z, z);
}

// The textured part every fixture carries (make_fixtures.py, TEX), its last field included.
void ExpectFixtureTexPart(const DS_TexParticleGenerator& d) {
  ASSERT_EQ(d.m_Images.size(), 2u);
  EXPECT_EQ(d.m_Images[1].Path(), L"pictures\\ray.png");
  EXPECT_EQ(d.m_EffectLink.Stamp(), 23);
  EXPECT_EQ(d.m_Color1.Get(), 0x336699ul);
  EXPECT_EQ(d.m_Color2.transparency.Get(), 40u);
  EXPECT_EQ(d.m_BlendMode.Get(), 3);
  EXPECT_EQ(d.m_MirrorVertical.Get(), 1);
  EXPECT_EQ(d.m_Speed.Get(), 11u);
  EXPECT_EQ(d.Name(), L"brush");
}

const Channels kDefaults = {0, 1, 1, 0, 0, 1, 1, 1, 1, 1};
const Channels kTen = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.5f};
// The file-order fixtures store 100 + the channel in each channel's place.
const Channels kHundreds = {100, 101, 102, 103, 104, 105, 106, 107, 108, 109};

const RecordCase kRecordCases[] = {
    {TW_FIXTURE(AirBrushV1), false,
     [](const RecordReadResult& r) {
       auto* d = As<DS_CustomAirBrush>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_EQ(d->m_BrushSize.Get(), 24u);
       ASSERT_EQ(d->m_Painted.size(), 2u);
       ExpectPosition(Painted(*d, 1).position, 30, 40, 1);
       ExpectPosition(Painted(*d, 1).previous, 0, 0, 0);
       ExpectChannels(Painted(*d, 0), kDefaults);
       EXPECT_EQ(Painted(*d, 0).ProcessCount(), 0);
       ExpectFixtureTexPart(*d);
     }},
    {TW_FIXTURE(AirBrushV2), false,
     [](const RecordReadResult& r) {
       auto* d = As<DS_CustomAirBrush>(r);
       ASSERT_NE(d, nullptr);
       ASSERT_EQ(d->m_Painted.size(), 1u);
       // n = 3: channels 0-2 from the file, 3 and 4 at 0, 5-8 at 1, channel 9 set to 0.
       ExpectChannels(Painted(*d, 0), {0.25f, 2.0f, 0.5f, 0, 0, 1, 1, 1, 1, 0});
       ExpectFixtureTexPart(*d);
     }},
    {TW_FIXTURE(AirBrushV3), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_CustomAirBrush>(r);
       ASSERT_NE(d, nullptr);
       ASSERT_EQ(d->m_Painted.size(), 2u);
       ExpectPosition(Painted(*d, 0).position, 10, 20, 0);
       ExpectChannels(Painted(*d, 0), kTen);
       ExpectChannels(Painted(*d, 1), {0.0f, 3.0f, 0.25f, 0.0f, 0.75f, 1.0f, 2.0f, 1.0f, 1.0f, 0.5f});
       ExpectFixtureTexPart(*d);
     }},
    {TW_FIXTURE(AirBrushV3Order), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_CustomAirBrush>(r);
       ASSERT_NE(d, nullptr);
       ASSERT_EQ(d->m_Painted.size(), 1u);
       // Stored as channel 0, 5, 1, 6, 2, 7, 3, 8, 4, 9.
       ExpectChannels(Painted(*d, 0), kHundreds);
       ExpectPosition(Painted(*d, 0).position, 1, 2, 3);
     }},
    {TW_FIXTURE(CustomAirBrush), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_CustomAirBrush>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_EQ(d->m_Picture.Path(), L"pictures\\brush.png");
       EXPECT_EQ(d->m_Picture.Stamp(), 31);
       EXPECT_EQ(d->m_PictureClock.Get(), 100u);
       EXPECT_FLOAT_EQ(d->m_PictureClock.Derived(), 1.0f);  // stored with notification
       EXPECT_FALSE(d->IsSpriteObject());
       ExpectFixtureTexPart(*d);
     }},
    {TW_FIXTURE(BlingV1), false,
     [](const RecordReadResult& r) {
       auto* d = As<DS_Bling>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_FLOAT_EQ(d->m_TwinkleClock.Derived(), 1.0f);
       // The out time is stored before the in time.
       EXPECT_FLOAT_EQ(d->m_OutTime.Seconds(), 1.5f);
       EXPECT_FLOAT_EQ(d->m_InTime.Seconds(), 0.5f);
       EXPECT_EQ(d->m_SpinClock.Get(), 0u);
       EXPECT_EQ(d->m_MinSize.Get(), 0u);
       EXPECT_EQ(d->m_BrushSize.Get(), 32u);
       ExpectChannels(Painted(*d, 0), kTen);
       ExpectFixtureTexPart(*d);
     }},
    {TW_FIXTURE(BlingV2), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_Bling>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_FLOAT_EQ(d->m_OutTime.Seconds(), 1.5f);
       EXPECT_FLOAT_EQ(d->m_InTime.Seconds(), 0.5f);
       EXPECT_FLOAT_EQ(d->m_SpinClock.Derived(), 0.5f);
       EXPECT_FLOAT_EQ(d->m_MinSize.Derived(), 0.3f);
       ExpectFixtureTexPart(*d);
     }},
    {TW_FIXTURE(TwinklingStars), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_TwinklingStars>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_FLOAT_EQ(d->m_TwinkleClock.Derived(), 1.4f);  // 1 + 40 / 100
       ExpectChannels(Painted(*d, 0), kTen);
       ExpectFixtureTexPart(*d);
     }},
    {TW_FIXTURE(Aurora), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_Aurora>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_EQ(d->m_BandHeight.Get(), 60u);
       EXPECT_FLOAT_EQ(d->m_HeightClock.Derived(), 3.0f);
       EXPECT_FLOAT_EQ(d->m_HeightDepth.Derived(), 0.5f);
       EXPECT_FLOAT_EQ(d->m_HeightLength.Derived(), 4.0f);
       EXPECT_FLOAT_EQ(d->m_AlphaClock.Derived(), 6.0f);
       EXPECT_FLOAT_EQ(d->m_AlphaDepth.Derived(), 0.25f);
       EXPECT_FLOAT_EQ(d->m_AlphaLength.Derived(), 5.0f);
       EXPECT_FLOAT_EQ(d->m_SwayClock.Derived(), 0.3f);
       EXPECT_FLOAT_EQ(d->m_SwayAmplitude.Derived(), 12.0f);
       EXPECT_FLOAT_EQ(d->m_SwayLength.Derived(), 6.0f);
       EXPECT_EQ(d->m_SwayDirection.Get(), 90u);
       ExpectFixtureTexPart(*d);
     }},
};

TEST(BrushRecords, EveryStoredVersionReadsThroughTheRegistry) {
  tw_test::ExpectEveryRecordReads(kRecordCases);
}

TEST(BrushRecords, CurrentRecordsWriteBackByteForByteAndSoDoTheirClones) {
  tw_test::ExpectCurrentRecordsWriteBack(kRecordCases, [](DS_ABObj_Constructor& d) -> DS_IOF_Item* {
    return dynamic_cast<DS_ParticleGenerator&>(d).Clone();
  });
}

TEST(BrushRecords, OldVersionsWriteBackAsTheNewest) {
  // Version 2 keeps channels 0-2 and zeroes channel 9; the newest layout stores all ten.
  const Fixture f = TW_FIXTURE(AirBrushV2);
  RecordReadResult r = ReadRecord(f.data, f.size);
  ASSERT_NE(r.object, nullptr);
  const std::vector<unsigned char> bytes = Written(*r.object);
  RecordReadResult again = ReadRecord(bytes.data(), bytes.size());
  ASSERT_NE(again.object, nullptr);
  EXPECT_EQ(again.remaining, 0u);
  ExpectChannels(Painted(*As<DS_CustomAirBrush>(again), 0), {0.25f, 2.0f, 0.5f, 0, 0, 1, 1, 1, 1, 0});
}

TEST(BrushRecords, EntryCountsBeyondTheChannelsAreReadPastAndNeverWrittenPastChannelNine) {
  struct Case {
    Fixture fixture;
    Channels first;
  };
  const Case cases[] = {
      // Seven version-3 entries: the first five fill the ten channels, two are read past.
      {TW_FIXTURE(AirBrushV3Surplus), kHundreds},
      // Twelve version-2 entries: ten channels, two read past, and channel 9 set to 0.
      {TW_FIXTURE(AirBrushV2Surplus), {100, 101, 102, 103, 104, 105, 106, 107, 108, 0}},
      // A negative count names no entry.
      {TW_FIXTURE(AirBrushNegativeEntries), kDefaults},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture.name);
    RecordReadResult r = ReadRecord(c.fixture.data, c.fixture.size);
    ASSERT_NE(r.object, nullptr);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.remaining, 0u);
    auto* d = As<DS_CustomAirBrush>(r);
    ASSERT_EQ(d->m_Painted.size(), 2u);
    ExpectChannels(Painted(*d, 0), c.first);
    // The next particle starts where the surplus ended.
    ExpectPosition(Painted(*d, 1).position, 5, 6, 0);
    EXPECT_FLOAT_EQ(Painted(*d, 1).channels[0], 0.5f);
    ExpectFixtureTexPart(*d);
  }
}

TEST(BrushRecords, HostileCountsFailTheArchiveAtOnce) {
  for (const Fixture& f : {TW_FIXTURE(AirBrushHugeEntries), TW_FIXTURE(AirBrushHugeCount)}) {
    SCOPED_TRACE(f.name);
    RecordReadResult r = ReadRecord(f.data, f.size);
    EXPECT_TRUE(r.failed);
    if (auto* d = As<DS_CustomAirBrush>(r)) {
      EXPECT_LE(d->m_Painted.size(), 1u);
    }
  }
}

TEST(BrushRecords, EveryTruncationFailsCleanly) {
  for (const RecordCase& c : kRecordCases) {
    SCOPED_TRACE(c.fixture.name);
    for (size_t n = 0; n < c.fixture.size; ++n) {
      RecordReadResult r = ReadRecord(c.fixture.data, n);
      EXPECT_TRUE(r.failed) << "cut at " << n;
    }
  }
}

TEST(BrushRecords, PaintedParticlesAreCappedAtWhatABatchDraws) {
  // More painted particles than 16-bit indices address: the surplus is read past.
  DS_CustomAirBrush brush;
  brush.m_BrushSize.Store(8);
  for (size_t i = 0; i < kMaxParticlesPerList + 3; ++i) {
    brush.m_Painted.emplace_back(float(i), 1.0f, 0.0f);
  }
  const std::vector<unsigned char> bytes = Written(brush);
  RecordReadResult r = ReadRecord(bytes.data(), bytes.size());
  ASSERT_NE(r.object, nullptr);
  EXPECT_FALSE(r.failed);
  EXPECT_EQ(r.remaining, 0u);
  auto* d = As<DS_CustomAirBrush>(r);
  ASSERT_EQ(d->m_Painted.size(), kMaxParticlesPerList);
  EXPECT_FLOAT_EQ(d->m_Painted.back().position.x, float(kMaxParticlesPerList - 1));
  // A full brush takes no more.
  d->AddParticleAt(D3DXVECTOR3(1, 2, 3), 1, 1, 1, 1);
  EXPECT_EQ(d->m_Painted.size(), kMaxParticlesPerList);
}

}  // namespace
