// Records of the centred distortion effects, every stored version, from bytes the document
// builder wrote: read through the registry to their last byte, each field where it
// belongs, and written back byte for byte (a version 1 radial wave as version 2).
#include "effects/CentredDistortion.h"

#include "centred_fixtures.h"
#include "core/archive/DS_IOF_Writer.h"
#include "tests/support/RecordRead.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using tw_test::Fixture;
using tw_test::Bytes;
using tw_test::Written;
using tw_test::ReadRecord;
using tw_test::RecordReadResult;

// The centre and base part that every fixture carries (make_fixtures.py, central()).
void ExpectFixtureBase(const DS_CentralBased& d) {
  const D3DXVECTOR3 c = d.m_Centre.Get();
  EXPECT_FLOAT_EQ(c.x, 120.0f);
  EXPECT_FLOAT_EQ(c.y, 80.0f);
  EXPECT_FLOAT_EQ(c.z, 0.5f);
  EXPECT_EQ(d.m_Speed.Get(), 70u);
  EXPECT_EQ(d.m_TechniqueMode.Get(), 1);
  EXPECT_EQ(d.m_Scale.Get(), 80u);
  EXPECT_FLOAT_EQ(d.m_Region.corners[3].Get().x, 300.0f);
  EXPECT_FLOAT_EQ(d.m_Region.corners[3].Get().y, 190.0f);
  EXPECT_EQ(d.m_Reserved.Get(), 7);
  EXPECT_EQ(d.m_MaskKey.name, L"mask");
  EXPECT_EQ(d.TimeLine().m_FadeTarget.Get(), 1);
  EXPECT_EQ(d.m_Depth.Get(), 60u);
  EXPECT_EQ(d.Name(), L"centred");
}

template <class T>
const T& AsClass(const RecordReadResult& r) {
  const T* t = dynamic_cast<const T*>(r.object.get());
  if (!t) throw std::runtime_error("the record read as another class");
  return *t;
}

struct RecordCase {
  Fixture fixture;
  std::function<void(const RecordReadResult&)> check;
};

TEST(CentredRecords, EveryClassAndVersionReadsEachFieldToTheRecordsEnd) {
  const RecordCase cases[] = {
      {TW_FIXTURE(Expand),
       [](const RecordReadResult& r) {
         const auto& d = AsClass<DS_ExpandFX>(r);
         EXPECT_FLOAT_EQ(d.m_FirstExtreme.Derived(), 0.4f);  // 80 x 0.005
         EXPECT_FLOAT_EQ(d.m_SecondExtreme.Derived(), 0.1f);
         EXPECT_EQ(d.m_WaveForm.Get(), 1);
         EXPECT_FLOAT_EQ(d.m_Speed.Derived(), 1.4f);  // 70 x 0.02
         EXPECT_EQ(d.m_EffectLink.Path(), L"velmora.dll");
         EXPECT_EQ(d.m_EffectLink.Stamp(), 102);
         ExpectFixtureBase(d);
       }},
      // Version 1 holds the centre part alone: the four fields keep their defaults.
      {TW_FIXTURE(RadialWaveV1),
       [](const RecordReadResult& r) {
         const auto& d = AsClass<DS_RadialWaveFX>(r);
         EXPECT_FLOAT_EQ(d.m_Amplitude.Derived(), 0.0125f);
         EXPECT_FLOAT_EQ(d.m_Wavelength.Derived(), 0.006f);
         EXPECT_FLOAT_EQ(d.m_BackgroundScale.Derived(), 75.0f);
         EXPECT_EQ(d.m_Outward.Get(), 0);
         EXPECT_EQ(d.m_EffectLink.Stamp(), 103);
         ExpectFixtureBase(d);
       }},
      {TW_FIXTURE(RadialWaveV2),
       [](const RecordReadResult& r) {
         const auto& d = AsClass<DS_RadialWaveFX>(r);
         EXPECT_FLOAT_EQ(d.m_Amplitude.Derived(), 0.01f);    // 40 x 0.00025
         EXPECT_FLOAT_EQ(d.m_Wavelength.Derived(), 0.01f);   // 90 x 0.0001 + 0.001
         EXPECT_FLOAT_EQ(d.m_BackgroundScale.Derived(), 150.0f);  // 125 + 25
         EXPECT_EQ(d.m_Outward.Get(), 1);
         EXPECT_FLOAT_EQ(d.m_Speed.Derived(), 70.0f);
         ExpectFixtureBase(d);
       }},
      {TW_FIXTURE(Rotation),
       [](const RecordReadResult& r) {
         const auto& d = AsClass<DS_RotationFX>(r);
         EXPECT_FLOAT_EQ(d.m_Zoom.Derived(), 2.0f);
         EXPECT_EQ(d.m_Angle.Get(), 30u);
         EXPECT_EQ(d.m_Reverse.Get(), 1);
         EXPECT_FLOAT_EQ(d.m_Speed.Derived(), 0.35f);  // 70 x 0.005
         EXPECT_EQ(d.m_EffectLink.Path(), L"fx\\rotation.fx");
         EXPECT_EQ(d.m_EffectLink.Stamp(), 61);
         ExpectFixtureBase(d);
       }},
      {TW_FIXTURE(Bend),
       [](const RecordReadResult& r) {
         const auto& d = AsClass<DS_BendFX>(r);
         EXPECT_FLOAT_EQ(d.m_FirstExtreme.Derived(), 0.2f);  // 100 x 0.002
         EXPECT_FLOAT_EQ(d.m_SecondExtreme.Derived(), 0.06f);
         EXPECT_FLOAT_EQ(d.m_Bend.Derived(), 1.5f);  // 150 x 0.01
         EXPECT_EQ(d.m_BendMode.Get(), 1);
         EXPECT_FLOAT_EQ(d.m_Speed.Derived(), 1.4f);  // 70 x 0.02
         EXPECT_EQ(d.m_EffectLink.Path(), L"fx\\bend.fx");
         ExpectFixtureBase(d);
       }},
  };
  for (const RecordCase& c : cases) {
    SCOPED_TRACE(c.fixture.name);
    const RecordReadResult r = ReadRecord(c.fixture.data, c.fixture.size);
    ASSERT_FALSE(r.failed);
    ASSERT_NE(r.object, nullptr);
    EXPECT_EQ(r.remaining, 0u);
    try {
      c.check(r);
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
    }
  }
}

TEST(CentredRecords, WrittenRecordsGiveBackTheDocumentBytes) {
  // A read record written again: the builder's bytes, except that a version 1 radial wave
  // is written as version 2 with its defaults.
  const struct {
    Fixture read, written;
  } cases[] = {
      {TW_FIXTURE(Expand), TW_FIXTURE(Expand)},
      {TW_FIXTURE(RadialWaveV1), TW_FIXTURE(RadialWaveV1Rewritten)},
      {TW_FIXTURE(RadialWaveV2), TW_FIXTURE(RadialWaveV2)},
      {TW_FIXTURE(Rotation), TW_FIXTURE(Rotation)},
      {TW_FIXTURE(Bend), TW_FIXTURE(Bend)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.read.name);
    const RecordReadResult r = ReadRecord(c.read.data, c.read.size);
    ASSERT_NE(r.object, nullptr);
    EXPECT_EQ(Written(*r.object), Bytes(c.written));
  }
}

}  // namespace
