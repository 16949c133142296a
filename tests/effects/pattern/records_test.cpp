// Records of the pattern, background-copy and light effects from bytes the document
// builder wrote: read through the registry with their base part at every stored version,
// written back, and the nested record of DS_PatternBrushC.
#include "effects/PatternLight.h"

#include "core/archive/DS_IOF_Writer.h"
#include "layers/RecordHead.h"
#include "pattern_fixtures.h"
#include "tests/support/RecordRead.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <typeinfo>
#include <vector>

namespace {

using tw_test::Fixture;
using tw_test::RecordCase;
using tw_test::Bytes;
using tw_test::Written;
using tw_test::As;
using tw_test::ReadRecord;
using tw_test::RecordReadResult;

// make_fixtures.py's MASK_GUID.
const GUID kMaskGuid = {0x0A1B2C3D, 0x4E5F, 0x4061, {0x82, 0x73, 0x94, 0xA5, 0xB6, 0xC7, 0xD8, 0xE9}};

// The base part every fixture carries (make_fixtures.py, base()) at its version; speed is
// the stored value, whose derived value depends on the class's factor.
void ExpectBasePart(const DS_FX_Constructor& d, unsigned version) {
  EXPECT_EQ(d.m_Speed.Get(), 70u);
  EXPECT_EQ(d.m_TechniqueMode.Get(), 1);
  EXPECT_TRUE(IsEqualGUID(d.m_MaskKey.guid, kMaskGuid));
  EXPECT_EQ(d.m_MaskKey.name, L"mask");
  EXPECT_EQ(d.m_MaskKeyFlag, 0);
  EXPECT_EQ(d.m_EffectLink.Path(), L"fx\\custom.fx");
  EXPECT_EQ(d.m_EffectLink.Stamp(), 61);
  // Version 1 keeps the scale at 50; only version 3 carries the region and reserved value.
  EXPECT_FLOAT_EQ(d.m_Scale.Derived(), version > 1 ? 1.6f : 1.0f);
  const D3DXVECTOR3 c3 = d.m_Region.corners[3].Get();
  EXPECT_FLOAT_EQ(c3.x, version > 2 ? 300.0f : 0.0f);
  EXPECT_FLOAT_EQ(c3.y, version > 2 ? 190.0f : 0.0f);
  EXPECT_EQ(d.m_Reserved.Get(), version > 2 ? 7 : 0);
  EXPECT_EQ(d.Name(), L"effect");
}

// make_fixtures.py's PATTERN.
void ExpectPatternFields(const DS_PatternBrush& d) {
  EXPECT_EQ(d.m_PatternLink.Path(), L"pictures\\tile.png");
  EXPECT_EQ(d.m_PatternLink.Stamp(), 41);
  EXPECT_EQ(d.m_MirrorVertical.Get(), 1);
  EXPECT_EQ(d.m_MirrorHorizontal.Get(), 0);
  EXPECT_EQ(int(d.m_Angle.Get()), -30);
  EXPECT_FLOAT_EQ(d.m_PatternScale.Derived(), 1.5f);
  EXPECT_FLOAT_EQ(d.m_OffsetX.Derived(), -0.25f);  // stored x -0.01
  EXPECT_FLOAT_EQ(d.m_OffsetY.Derived(), 0.4f);
  EXPECT_FLOAT_EQ(d.m_Speed.Derived(), 1.4f);  // 70 x 0.02
}

const RecordCase kRecordCases[] = {
    {TW_FIXTURE(PatternBrushBaseV1), false,
     [](const RecordReadResult& r) {
       auto* d = As<DS_PatternBrush>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_EQ(typeid(*d), typeid(DS_PatternBrush));
       ExpectPatternFields(*d);
       ExpectBasePart(*d, 1);
     }},
    {TW_FIXTURE(PatternBrushBaseV2), false,
     [](const RecordReadResult& r) {
       auto* d = As<DS_PatternBrush>(r);
       ASSERT_NE(d, nullptr);
       ExpectPatternFields(*d);
       ExpectBasePart(*d, 2);
     }},
    {TW_FIXTURE(PatternBrushBaseV3), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_PatternBrush>(r);
       ASSERT_NE(d, nullptr);
       ExpectPatternFields(*d);
       ExpectBasePart(*d, 3);
     }},
    {TW_FIXTURE(PatternBrushC), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_PatternBrushC>(r);
       ASSERT_NE(d, nullptr);
       ExpectPatternFields(*d);
       ExpectBasePart(*d, 3);
     }},
    {TW_FIXTURE(PatternBrushCNestedV9), false,
     [](const RecordReadResult& r) {
       auto* d = As<DS_PatternBrushC>(r);
       ASSERT_NE(d, nullptr);
       ExpectPatternFields(*d);
       ExpectBasePart(*d, 3);
     }},
    {TW_FIXTURE(BackgroundCopy), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_BackgroundCopy>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_EQ(d->m_Rect.left.Get(), 10);
       EXPECT_EQ(d->m_Rect.right.Get(), 300);
       EXPECT_EQ(d->m_Rect.top.Get(), 20);
       EXPECT_EQ(d->m_Rect.bottom.Get(), 200);
       EXPECT_EQ(d->m_Rect.extra1.Get(), 80);
       EXPECT_EQ(d->m_Rect.extra2.Get(), -60);
       EXPECT_EQ(d->m_ShiftVertical.Get(), 1);
       EXPECT_EQ(d->m_ShiftHorizontal.Get(), 0);
       EXPECT_FLOAT_EQ(d->m_Speed.Derived(), 70.0f);
       ExpectBasePart(*d, 3);
     }},
    {TW_FIXTURE(LightFX), false,
     [](const RecordReadResult& r) {
       auto* d = As<DS_LightFX>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_FLOAT_EQ(d->m_Intensity.Derived(), 0.75f);
       EXPECT_EQ(d->m_FlickerMode.Get(), 2);
       ExpectBasePart(*d, 2);
     }},
    {TW_FIXTURE(LightFX_II), false,
     [](const RecordReadResult& r) {
       auto* d = As<DS_LightFX_II>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_FLOAT_EQ(d->m_Intensity.Derived(), 0.6f);
       EXPECT_EQ(d->m_FlickerMode.Get(), 3);
       EXPECT_EQ(d->m_BlendMode.Get(), 2);
       EXPECT_EQ(d->m_Colour.Get(), 0x0080FFul);
       ExpectBasePart(*d, 1);
     }},
};

TEST(PatternLightRecords, EveryRecordReadsThroughTheRegistryToItsEnd) {
  tw_test::ExpectEveryRecordReads(kRecordCases);
}

TEST(PatternLightRecords, CurrentRecordsWriteBackByteForByte) {
  tw_test::ExpectCurrentRecordsWriteBack(kRecordCases);
}

TEST(PatternLightRecords, OldBasePartsWriteBackAsTheNewestAndReadAgain) {
  for (const Fixture& f : {TW_FIXTURE(PatternBrushBaseV1), TW_FIXTURE(LightFX),
                           TW_FIXTURE(LightFX_II)}) {
    SCOPED_TRACE(f.name);
    RecordReadResult r = ReadRecord(f.data, f.size);
    ASSERT_NE(r.object, nullptr);
    const std::vector<unsigned char> bytes = Written(*r.object);
    EXPECT_GT(bytes.size(), f.size);  // the scale, region and reserved value now stored
    RecordReadResult again = ReadRecord(bytes.data(), bytes.size());
    ASSERT_NE(again.object, nullptr);
    EXPECT_FALSE(again.failed);
    EXPECT_EQ(again.remaining, 0u);
    EXPECT_EQ(Written(*again.object), bytes);
  }
}

TEST(PatternLightRecords, APatternBrushCClonesIntoAPatternBrushWithTheSameValues) {
  const Fixture f = TW_FIXTURE(PatternBrushC);
  RecordReadResult r = ReadRecord(f.data, f.size);
  auto* d = As<DS_PatternBrushC>(r);
  ASSERT_NE(d, nullptr);
  std::unique_ptr<DS_FX_Constructor> clone(d->Clone());
  EXPECT_EQ(typeid(*clone), typeid(DS_PatternBrush));
  ExpectPatternFields(static_cast<DS_PatternBrush&>(*clone));
  ExpectBasePart(*clone, 3);
  // The clone writes the nested record: the C record less its own head.
  DS_IOF_W head;
  WriteRecordHead(head, L"DS_PatternBrushC", 1);
  const std::vector<unsigned char> whole = Bytes(f);
  EXPECT_EQ(Written(*clone), std::vector<unsigned char>(whole.begin() + head.Bytes().size(), whole.end()));
  // And its runtime object draws a DS_PatternBrush.
  std::unique_ptr<DS_ABObj> object(d->CreateRuntimeObject());
  auto* brush = dynamic_cast<DS_BrushObj*>(object.get());
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(typeid(*brush->FX()), typeid(DS_PatternBrush));
}

TEST(PatternLightRecords, EveryClassCopiesEveryValue) {
  for (const Fixture& f : {TW_FIXTURE(PatternBrushBaseV3), TW_FIXTURE(BackgroundCopy),
                           TW_FIXTURE(LightFX), TW_FIXTURE(LightFX_II)}) {
    SCOPED_TRACE(f.name);
    RecordReadResult r = ReadRecord(f.data, f.size);
    auto* d = dynamic_cast<DS_FX_Constructor*>(r.object.get());
    ASSERT_NE(d, nullptr);
    std::unique_ptr<DS_FX_Constructor> clone(d->Clone());
    EXPECT_EQ(typeid(*clone), typeid(*d));
    EXPECT_EQ(Written(*clone), Written(*d));
  }
}

}  // namespace
