// Records of the cloud and perspective effects from bytes the document builder wrote: every
// base-part version the readers know and record versions the readers do not test, read
// through the registry, written back byte for byte, and the classes' own defaults.
#include "effects/CloudPerspective.h"

#include "cloud_fixtures.h"
#include "core/archive/DS_IOF_Writer.h"
#include "tests/support/RecordRead.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using tw_test::Fixture;
using tw_test::RecordCase;
using tw_test::Bytes;
using tw_test::Written;
using tw_test::As;
using tw_test::ReadRecord;
using tw_test::RecordReadResult;

void ExpectCorner(const DS_FX_Constructor& d, int i, float x, float y) {
  EXPECT_FLOAT_EQ(d.m_Region.corners[i].Get().x, x) << "corner " << i;
  EXPECT_FLOAT_EQ(d.m_Region.corners[i].Get().y, y) << "corner " << i;
}

// The base part of make_fixtures.py's fx(): fields up to the scale are in every version,
// the region and reserved value from version 3; the object's name is the part's last field.
void ExpectBase(const DS_FX_Constructor& d, float speedFactor, float scaleFactor, int baseVersion) {
  EXPECT_EQ(d.m_Speed.Get(), 250u);
  EXPECT_FLOAT_EQ(d.m_Speed.Derived(), 250.0f * speedFactor);
  EXPECT_EQ(d.m_TechniqueMode.Get(), 1);
  EXPECT_EQ(d.m_MaskKey.guid.Data1, 0x0A1B2C3Du);
  EXPECT_EQ(d.m_MaskKey.name, L"clouds");
  EXPECT_EQ(d.m_MaskKeyFlag, 0);
  EXPECT_EQ(d.m_EffectLink.Path().substr(0, 8), L"effects\\");
  // Version 1 keeps the default stored scale 50.
  const unsigned scale = baseVersion > 1 ? 125u : 50u;
  EXPECT_EQ(d.m_Scale.Get(), scale);
  EXPECT_FLOAT_EQ(d.m_Scale.Derived(), float(scale) * scaleFactor);
  if (baseVersion > 2) {
    ExpectCorner(d, 0, 100, 50);
    ExpectCorner(d, 1, 100, 250);
    ExpectCorner(d, 2, 500, 50);
    ExpectCorner(d, 3, 500, 250);
    EXPECT_EQ(d.m_Reserved.Get(), 9);
  } else {
    for (int i = 0; i < 4; ++i) ExpectCorner(d, i, 0, 0);
    EXPECT_EQ(d.m_Reserved.Get(), 0);
  }
  EXPECT_EQ(d.m_Depth.Get(), 80u);
  EXPECT_EQ(d.TimeLine().m_Mode.Get(), 2);
  EXPECT_EQ(d.Name(), L"sky");
}

void ExpectCloud(const RecordReadResult& r, int baseVersion) {
  auto* d = As<DS_CloudFX>(r);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->m_Colour1.Get(), 0x336699ul);
  EXPECT_EQ(d->m_Colour2.Get(), 0xCCEEFFul);
  EXPECT_EQ(d->m_CloudLink.Path(), L"pictures\\cloud.png");
  EXPECT_EQ(d->m_CloudLink.Stamp(), 42);
  EXPECT_EQ(d->m_SecondLink.Path(), L"pictures\\cloud2.png");
  EXPECT_EQ(d->m_SecondLink.Stamp(), 43);
  // Scaled values read with notification, so their derived values follow.
  EXPECT_FLOAT_EQ(d->m_Threshold.Derived(), 2.0f);  // 1 + 50 x 0.02
  EXPECT_FLOAT_EQ(d->m_Density.Derived(), 0.5f);    // 25 x 0.02
  const DS_CloudPerspective& p = d->m_Projection;
  EXPECT_FLOAT_EQ(p.m_Perspective.Derived(), 2.0f);    // 1 + 50 x 0.02
  EXPECT_FLOAT_EQ(p.m_Height.Derived(), 2.0f);         // 8 x 0.25
  EXPECT_FLOAT_EQ(p.m_TextureOffset.Derived(), 0.5f);  // 50 x 0.01
  EXPECT_EQ(p.m_Flip.Get(), 1);
  EXPECT_FLOAT_EQ(p.m_Fifth.Derived(), 4.0f);  // 1 + 30 x 0.1
  EXPECT_FLOAT_EQ(p.m_Sixth.Derived(), 0.7f);  // 70 x 0.01
  EXPECT_EQ(d->m_Amount.Get(), 12u);
  EXPECT_EQ(d->m_Angle.Get(), 90u);
  ExpectBase(*d, 0.001f, 0.008f, baseVersion);
}

void ExpectPerspective(const RecordReadResult& r, int baseVersion) {
  auto* d = As<DS_PerspectiveFX>(r);
  ASSERT_NE(d, nullptr);
  EXPECT_FLOAT_EQ(d->m_Depth.Derived(), 2.0f);  // 1 + 500 x 0.002
  EXPECT_FLOAT_EQ(d->m_Swing.Derived(), 30.0f);  // 3 x 10
  EXPECT_EQ(d->m_SwingMode.Get(), 2);
  EXPECT_EQ(d->m_LineDirection.Get(), 90u);
  EXPECT_FLOAT_EQ(d->m_Centre.Get().x, 200.0f);
  EXPECT_FLOAT_EQ(d->m_Centre.Get().y, 120.0f);
  ExpectBase(*d, 0.02f, 0.02f, baseVersion);
}

const RecordCase kRecordCases[] = {
    {TW_FIXTURE(Cloud), true, [](const RecordReadResult& r) { ExpectCloud(r, 3); }},
    // The reader does not test its own version; the write-back is version 1.
    {TW_FIXTURE(CloudV2), false, [](const RecordReadResult& r) { ExpectCloud(r, 3); }},
    {TW_FIXTURE(CloudBaseV1), false, [](const RecordReadResult& r) { ExpectCloud(r, 1); }},
    {TW_FIXTURE(CloudBaseV2), false, [](const RecordReadResult& r) { ExpectCloud(r, 2); }},
    {TW_FIXTURE(Perspective), true, [](const RecordReadResult& r) { ExpectPerspective(r, 3); }},
    {TW_FIXTURE(PerspectiveV3), false, [](const RecordReadResult& r) { ExpectPerspective(r, 3); }},
    {TW_FIXTURE(PerspectiveBaseV1), false, [](const RecordReadResult& r) { ExpectPerspective(r, 1); }},
    {TW_FIXTURE(CloudDefaults), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_CloudFX>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_EQ(d->m_Colour1.Get(), 0ul);
       EXPECT_FLOAT_EQ(d->m_Threshold.Derived(), 1.0f);
       EXPECT_FLOAT_EQ(d->m_Scale.Derived(), 0.4f);  // stored 50 x 0.008
     }},
    {TW_FIXTURE(PerspectiveDefaults), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_PerspectiveFX>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_FLOAT_EQ(d->m_Depth.Derived(), 1.0f);
       EXPECT_FLOAT_EQ(d->m_Swing.Derived(), 0.0f);
     }},
};

TEST(CloudRecords, EveryStoredVersionReadsThroughTheRegistry) {
  tw_test::ExpectEveryRecordReads(kRecordCases);
}

TEST(CloudRecords, CurrentRecordsWriteBackByteForByteAndSoDoTheirClones) {
  for (const RecordCase& c : kRecordCases) {
    SCOPED_TRACE(c.fixture.name);
    RecordReadResult r = ReadRecord(c.fixture.data, c.fixture.size);
    ASSERT_NE(r.object, nullptr);
    auto* fx = dynamic_cast<DS_FX_Constructor*>(r.object.get());
    ASSERT_NE(fx, nullptr);
    const std::vector<unsigned char> written = Written(*fx);
    if (c.current) {
      EXPECT_EQ(written, Bytes(c.fixture));
    }
    // Whatever version was read, what is written reads back to the same values.
    RecordReadResult again = ReadRecord(written.data(), written.size());
    ASSERT_NE(again.object, nullptr);
    EXPECT_EQ(again.remaining, 0u);
    c.check(again);
    std::unique_ptr<DS_FX_Constructor> clone(fx->Clone());
    EXPECT_EQ(Written(*clone), written);
  }
}

TEST(CloudRecords, CutShortRecordsFailOrReadNothingAndNeverCrash) {
  for (const Fixture& f : {TW_FIXTURE(Cloud), TW_FIXTURE(Perspective)}) {
    SCOPED_TRACE(f.name);
    for (size_t n = 0; n < f.size; ++n) {
      RecordReadResult r = ReadRecord(f.data, n);
      EXPECT_TRUE(r.failed || r.object == nullptr) << "cut at " << n;
    }
  }
}

TEST(CloudRecords, NewDescriptionsHoldTheClassDefaults) {
  DS_CloudFX cloud;
  EXPECT_EQ(cloud.m_Speed.Get(), 0u);
  EXPECT_FLOAT_EQ(cloud.m_Speed.Factor(), 0.001f);
  EXPECT_FLOAT_EQ(cloud.m_Scale.Factor(), 0.008f);
  EXPECT_FLOAT_EQ(cloud.m_Scale.Derived(), 0.4f);
  EXPECT_TRUE(cloud.m_EffectLink.Path().empty());  // documents carry the effect
  EXPECT_EQ(cloud.m_Colour1.Get(), 0ul);
  EXPECT_EQ(cloud.m_Colour2.Get(), 0ul);
  EXPECT_TRUE(cloud.m_CloudLink.Path().empty());
  EXPECT_FLOAT_EQ(cloud.m_Threshold.Derived(), 1.0f);
  EXPECT_FLOAT_EQ(cloud.m_Density.Derived(), 0.0f);
  const DS_CloudPerspective& p = cloud.m_Projection;
  EXPECT_FLOAT_EQ(p.m_Perspective.Derived(), 1.0f);
  EXPECT_FLOAT_EQ(p.m_Height.Factor(), 0.25f);
  EXPECT_FLOAT_EQ(p.m_Height.Derived(), 0.0f);
  EXPECT_FLOAT_EQ(p.m_TextureOffset.Factor(), 0.01f);
  EXPECT_EQ(p.m_Flip.Get(), 0);
  EXPECT_FLOAT_EQ(p.m_Fifth.Derived(), 1.0f);
  EXPECT_FLOAT_EQ(p.m_Fifth.Factor(), 0.1f);
  EXPECT_FLOAT_EQ(p.m_Sixth.Factor(), 0.01f);
  EXPECT_FLOAT_EQ(p.m_Sixth.Derived(), 0.0f);
  for (float v : cloud.m_MaskTexShift) EXPECT_EQ(v, 0.0f);

  DS_PerspectiveFX perspective;
  EXPECT_EQ(perspective.m_Speed.Get(), 0u);
  EXPECT_FLOAT_EQ(perspective.m_Speed.Factor(), 0.02f);
  EXPECT_FLOAT_EQ(perspective.m_Scale.Derived(), 1.0f);
  EXPECT_TRUE(perspective.m_EffectLink.Path().empty());
  EXPECT_FLOAT_EQ(perspective.m_Depth.Derived(), 1.0f);
  EXPECT_FLOAT_EQ(perspective.m_Depth.Factor(), 0.002f);
  EXPECT_FLOAT_EQ(perspective.m_Swing.Factor(), 10.0f);
  EXPECT_FLOAT_EQ(perspective.m_Swing.Derived(), 0.0f);
  EXPECT_EQ(perspective.m_SwingMode.Get(), 0);
}

}  // namespace
