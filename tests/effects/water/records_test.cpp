// Records of the wave and water effects, every stored version, from bytes the document
// builder wrote: read through the registry (the underwater effect through its own entry,
// as the layer that holds it reads it), written back, and cut short.
#include "effects/WaveWater.h"

#include "core/archive/DS_IOF_Writer.h"
#include "tests/support/RecordRead.h"
#include "water_fixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

using tw_test::Fixture;
using tw_test::RecordCase;
using tw_test::Written;
using tw_test::As;
using tw_test::ReadRecord;
using tw_test::RecordReadResult;

// The base part every fixture carries (make_fixtures.py, FX), its last field included.
void ExpectFixtureBase(const DS_FX_Constructor& d) {
  EXPECT_EQ(d.m_Speed.Get(), 40u);
  EXPECT_EQ(d.m_TechniqueMode.Get(), 1);
  EXPECT_EQ(d.m_MaskKey.name, L"sea mask");
  EXPECT_EQ(d.m_MaskKeyFlag, 0);
  EXPECT_EQ(d.m_EffectLink.Path(), L"effects\\water.fx");
  EXPECT_EQ(d.m_EffectLink.Stamp(), 71);
  EXPECT_FLOAT_EQ(d.m_Scale.Derived(), 2.0f);  // 100 x 0.02, stored with notification
  EXPECT_FLOAT_EQ(d.m_Region.corners[3].Get().x, 300.0f);
  EXPECT_EQ(d.m_Reserved.Get(), 9);
  EXPECT_EQ(d.m_Depth.Get(), 70u);
  EXPECT_EQ(d.TimeLine().m_Mode.Get(), 2);
  EXPECT_EQ(d.Name(), L"water");
}

const RecordCase kRecordCases[] = {
    {TW_FIXTURE(Waves), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_WavesFX>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_FLOAT_EQ(d->m_Amplitude.Derived(), 0.02f);    // 80 x 0.00025
       EXPECT_FLOAT_EQ(d->m_Wavelength.Derived(), 0.016f);  // 30 x 0.0005 + 0.001
       EXPECT_EQ(d->m_Angle.Get(), 90u);
       EXPECT_EQ(d->m_WaveMode.Get(), 1);
       ExpectFixtureBase(*d);
       // Angle and mode are stored without notification: the description keeps the
       // vectors of angle 0, mode 0; its clone computes them from the values read:
       // (1, 0) and (-1, 0) turned through 270 degrees.
       EXPECT_NEAR(d->m_Direction.x, 1.0f, 1e-6f);
       EXPECT_NEAR(d->m_WaveNormal.y, 1.0f, 1e-6f);
       std::unique_ptr<DS_WavesFX> clone(static_cast<DS_WavesFX*>(d->Clone()));
       EXPECT_NEAR(clone->m_Direction.x, 0.0f, 1e-6f);
       EXPECT_NEAR(clone->m_Direction.y, -1.0f, 1e-6f);
       EXPECT_NEAR(clone->m_WaveNormal.x, 0.0f, 1e-6f);
       EXPECT_NEAR(clone->m_WaveNormal.y, 1.0f, 1e-6f);
     }},
    {TW_FIXTURE(Water), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_WaterFX>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_FLOAT_EQ(d->m_Profile.Derived(), 0.03f);           // 300 x 0.0001
       EXPECT_FLOAT_EQ(d->m_BumpAmount.Derived(), 0.04f);        // 40 x 0.001
       EXPECT_FLOAT_EQ(d->m_SecondDrift.Derived(), 0.015f);      // 60 x 0.00025
       EXPECT_FLOAT_EQ(d->m_FirstDriftPeriod.Derived(), 0.006f);  // 10 x 0.0005 + 0.001
       EXPECT_EQ(d->m_Angle.Get(), 0u);
       EXPECT_FLOAT_EQ(d->m_Shadows.Derived(), 0.5f);
       EXPECT_FLOAT_EQ(d->m_HalfVectorHeight.Derived(), 3.0f);
       EXPECT_EQ(d->m_Colour.Get(), 0x00336699ul);
       EXPECT_EQ(d->m_BumpLink.Path(), L"pictures\\bump.png");
       EXPECT_EQ(d->m_BumpLink.Stamp(), 44);
       EXPECT_FLOAT_EQ(d->m_Speed.Derived(), 0.8f);  // 40 x 0.02
       ExpectFixtureBase(*d);
       // The angle read without notification: the clone turns by 0, not the default 40.
       std::unique_ptr<DS_WaterFX> clone(static_cast<DS_WaterFX*>(d->Clone()));
       EXPECT_NEAR(d->m_Direction.x, 0.7660444f, 1e-6f);
       EXPECT_NEAR(clone->m_Direction.x, 1.0f, 1e-6f);
       EXPECT_NEAR(clone->m_Direction.y, 0.0f, 1e-6f);
     }},
    {TW_FIXTURE(MoveV1), false,
     [](const RecordReadResult& r) {
       auto* d = As<DS_MoveFX>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_EQ(d->m_MotionMode.Get(), 1);
       EXPECT_FLOAT_EQ(d->m_Amount.Derived(), 0.01f);  // 50 x 0.0002
       // No second extreme stored: it takes the amount's value, factor and offset.
       EXPECT_EQ(d->m_SecondExtreme.Get(), 50u);
       EXPECT_FLOAT_EQ(d->m_SecondExtreme.Derived(), 0.01f);
       EXPECT_EQ(d->m_Angle.Get(), 90u);
       ExpectFixtureBase(*d);
     }},
    {TW_FIXTURE(MoveV2), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_MoveFX>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_EQ(d->m_MotionMode.Get(), 1);
       EXPECT_FLOAT_EQ(d->m_SecondExtreme.Derived(), 0.005f);  // 25 x 0.0002
       EXPECT_FLOAT_EQ(d->m_Amount.Derived(), 0.016f);
       EXPECT_EQ(d->m_Angle.Get(), 180u);
       ExpectFixtureBase(*d);
     }},
    {TW_FIXTURE(Waterfall), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_WaterfallFX>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_FLOAT_EQ(d->m_Translucency.Derived(), 0.8f);  // 1 - 20 x 0.01
       EXPECT_EQ(d->m_LayerCount.Get(), 3u);
       EXPECT_FLOAT_EQ(d->m_NoiseAmplitude.Derived(), 0.01f);
       EXPECT_FLOAT_EQ(d->m_Fourth.Derived(), 7.0f);
       EXPECT_FLOAT_EQ(d->m_Threshold.Derived(), 0.8f);  // 1 - 200 x 0.001
       EXPECT_EQ(d->m_NoiseLink.Path(), L"pictures\\noise.png");
       EXPECT_EQ(d->m_NoiseLink.Stamp(), 45);
       EXPECT_EQ(d->m_BaseColour.Get(), 0x00CCEEFFul);
       EXPECT_EQ(d->m_Hidden.Get(), 0);
       EXPECT_FLOAT_EQ(d->m_Amount.Derived(), 0.4f);  // 100 x 0.004
       EXPECT_EQ(d->m_Angle.Get(), 270u);
       EXPECT_TRUE(d->m_Layers.empty());  // made when the runtime object loads
       ExpectFixtureBase(*d);
     }},
    {TW_FIXTURE(WaterfallHidden), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_WaterfallFX>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_EQ(d->m_Hidden.Get(), 1);
       EXPECT_EQ(d->m_LayerCount.Get(), 2u);
     }},
    {TW_FIXTURE(WaterfallHugeLayerCount), true,
     [](const RecordReadResult& r) {
       auto* d = As<DS_WaterfallFX>(r);
       ASSERT_NE(d, nullptr);
       EXPECT_EQ(d->m_LayerCount.Get(), 0xFFFFFFFFu);
       // Loading makes at most the cap of layers, and the frame runs over them.
       std::unique_ptr<DS_ABObj> object(d->CreateRuntimeObject());
       auto* fx = static_cast<DS_WaterfallFX*>(static_cast<DS_BrushObj*>(object.get())->FX());
       EXPECT_EQ(fx->m_Layers.size(), size_t(DS_WaterfallFX::kMaxLayers));
       object->UpdateFrame(0.1f);
     }},
};

TEST(WaterRecords, EveryStoredVersionReadsThroughTheRegistry) {
  tw_test::ExpectEveryRecordReads(kRecordCases);
}

TEST(WaterRecords, CurrentRecordsWriteBackByteForByteAndSoDoTheirClones) {
  tw_test::ExpectCurrentRecordsWriteBack(
      kRecordCases, [](DS_ABObj_Constructor& d) -> DS_IOF_Item* { return dynamic_cast<DS_FX_Constructor&>(d).Clone(); });
}

// A version 1 move record is written as version 2 with the second extreme it took, and
// reads back to the same motion.
TEST(WaterRecords, AVersionOneMoveWritesAsVersionTwo) {
  RecordReadResult r = ReadRecord(kFixtureMoveV1, kFixtureMoveV1Size);
  ASSERT_NE(As<DS_MoveFX>(r), nullptr);
  const std::vector<unsigned char> bytes = Written(*r.object);
  RecordReadResult again = ReadRecord(bytes.data(), bytes.size());
  auto* d = As<DS_MoveFX>(again);
  ASSERT_NE(d, nullptr);
  EXPECT_FALSE(again.failed);
  EXPECT_EQ(again.remaining, 0u);
  EXPECT_EQ(d->m_SecondExtreme.Get(), 50u);
  EXPECT_FLOAT_EQ(d->m_SecondExtreme.Derived(), 0.01f);
  EXPECT_EQ(d->m_MotionMode.Get(), 1);
}

// The underwater effect has no reader: the layer that embeds it reads the whole record
// (class name and version not compared) and takes the values.
TEST(WaterRecords, TheUnderwaterRecordReadsThroughItsOwnEntry) {
  const std::vector<unsigned char> original(kFixtureUnderwater, kFixtureUnderwater + kFixtureUnderwaterSize);
  // Not in the registry: a document cannot hold it as a scene object.
  RecordReadResult registry = ReadRecord(original.data(), original.size());
  EXPECT_EQ(registry.object, nullptr);

  ResourceBuffer source(original.data(), original.size());
  DS_IOF_R<ResourceBuffer> archive(&source);
  DS_UnderwaterFX read;
  read.ReadPart(archive);
  EXPECT_FALSE(archive.Failed());
  EXPECT_EQ(archive.RemainingBytes(), 0u);
  EXPECT_FLOAT_EQ(read.m_Amplitude.Derived(), 0.00875f);  // 70 x 0.000125
  EXPECT_FLOAT_EQ(read.m_Wavelength.Derived(), 0.041f);   // 20 x 0.002 + 0.001
  ExpectFixtureBase(read);
  EXPECT_EQ(Written(read), original);

  // Taken over by assignment, as the layer takes a temporary's values.
  DS_UnderwaterFX taken;
  taken = read;
  EXPECT_FLOAT_EQ(taken.m_Amplitude.Derived(), 0.00875f);
  EXPECT_FLOAT_EQ(taken.m_Wavelength.Derived(), 0.041f);
  ExpectFixtureBase(taken);
  EXPECT_EQ(Written(taken), original);

  // Cut short anywhere, the archive reports it.
  for (size_t n = 0; n < original.size(); ++n) {
    ResourceBuffer cut(original.data(), n);
    DS_IOF_R<ResourceBuffer> a(&cut);
    DS_UnderwaterFX d;
    d.ReadPart(a);
    EXPECT_TRUE(a.Failed()) << "cut at " << n;
  }
}

}  // namespace
