// Damaged records of every sprite-system class. Each record is read whole, cut short at
// every length, with each byte flipped, and with its counts inflated: a reader either
// reads it or reports the failure through the archive, never crashes, hangs or allocates
// out of proportion to the record. The sprite systems built from what did read run a
// frame without a device.
#include "core/archive/DS_IOF.h"
#include "core/archive/ReaderRegistry.h"
#include "core/render/StageView.h"
#include "core/scene/DS_ABObj.h"

#include "sprite_record_fixtures.h"

#include "tests/support/RecordRead.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using ReadResult = tw_test::RecordReadResult;

ReadResult Read(const std::vector<unsigned char>& bytes) { return tw_test::ReadRecord(bytes.data(), bytes.size()); }

// A description that read builds its runtime object and lives through a few frames.
void RunFrames(DS_ABObj_Constructor& description) {
  std::unique_ptr<DS_ABObj> object(description.CreateRuntimeObject());
  if (!object) return;
  for (float t : {0.0f, 0.05f, 0.3f, 1.7f}) object->AdvanceTime(t);
}

class RecordMutation : public testing::TestWithParam<RecordFixture> {
protected:
  void SetUp() override {
    g_ScreenLayout.pictureWidth = 320;
    g_ScreenLayout.pictureHeight = 200;
  }
  std::vector<unsigned char> Bytes() const {
    return std::vector<unsigned char>(GetParam().bytes, GetParam().bytes + GetParam().size);
  }
};

TEST_P(RecordMutation, TheWholeRecordReadsExactly) {
  ReadResult r = Read(Bytes());
  ASSERT_NE(r.object, nullptr);
  EXPECT_FALSE(r.failed);
  EXPECT_EQ(r.remaining, 0u) << "the reader left bytes of its own record";
  RunFrames(*r.object);
}

TEST_P(RecordMutation, EveryTruncationReportsTheFailure) {
  const std::vector<unsigned char> whole = Bytes();
  for (size_t n = 0; n < whole.size(); ++n) {
    SCOPED_TRACE(testing::Message() << "cut at " << n << " of " << whole.size());
    ReadResult r = Read(std::vector<unsigned char>(whole.begin(), whole.begin() + n));
    EXPECT_TRUE(r.object == nullptr || r.failed);
  }
}

TEST_P(RecordMutation, FlippedBytesAndInflatedValuesReadOrFail) {
  const std::vector<unsigned char> whole = Bytes();
  for (size_t i = 0; i < whole.size(); ++i) {
    for (unsigned char pattern : {0xFF, 0x80}) {
      std::vector<unsigned char> damaged = whole;
      damaged[i] ^= pattern;
      SCOPED_TRACE(testing::Message() << "byte " << i << " ^ " << int(pattern));
      ReadResult r = Read(damaged);
      // A value that still reads (a count, a size, a speed, an angle) must give a system
      // that runs without a device.
      if (r.object && !r.failed) RunFrames(*r.object);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Classes, RecordMutation, testing::ValuesIn(kRecordFixtures),
                         [](const testing::TestParamInfo<RecordFixture>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
