#pragma once
// Reads one scene-object record from bytes through the registry, as a document's object
// list does, and tells what came of it: the object (null for an unknown class), whether
// the archive failed, and the bytes left behind.
#include "core/archive/DS_IOF.h"
#include "core/archive/DS_IOF_Writer.h"
#include "core/archive/ReaderRegistry.h"
#include "core/scene/DS_ABObj.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace tw_test {

struct RecordReadResult {
  std::unique_ptr<DS_ABObj_Constructor> object;
  bool failed = true;
  size_t remaining = 0;
};

inline RecordReadResult ReadRecord(const unsigned char* data, size_t size) {
  ResourceBuffer source(data, size);
  DS_IOF_R<ResourceBuffer> archive(&source);
  RecordReadResult result;
  result.object.reset(ReadSceneObject(archive));
  result.failed = archive.Failed();
  result.remaining = archive.RemainingBytes();
  return result;
}

// A fixture of a generated header (tests/support/fixture_header.py) as a table row:
// TW_FIXTURE(FishV1) names kFixtureFishV1 and its size.
struct Fixture {
  const char* name;
  const unsigned char* data;
  size_t size;
};
#define TW_FIXTURE(name) tw_test::Fixture{#name, kFixture##name, kFixture##name##Size}

inline std::vector<unsigned char> Bytes(const Fixture& f) {
  return std::vector<unsigned char>(f.data, f.data + f.size);
}

inline RecordReadResult ReadRecord(const Fixture& f) { return ReadRecord(f.data, f.size); }

// What an item writes, as bytes.
inline std::vector<unsigned char> Written(DS_IOF_Item& item) {
  DS_IOF_W w;
  item.Write(w);
  return w.Bytes();
}

// The object read, as the class expected (null when it is another).
template <class T>
T* As(const RecordReadResult& r) {
  return dynamic_cast<T*>(r.object.get());
}

// A row of a record-version table: the fixture, whether it is in the newest layout (and
// so written back byte for byte), and the check of what was read.
struct RecordCase {
  Fixture fixture;
  bool current;
  std::function<void(const RecordReadResult&)> check;
};

// Every row reads through the registry to its end and passes its check.
template <size_t N>
void ExpectEveryRecordReads(const RecordCase (&cases)[N]) {
  for (const RecordCase& c : cases) {
    SCOPED_TRACE(c.fixture.name);
    RecordReadResult r = ReadRecord(c.fixture);
    ASSERT_NE(r.object, nullptr);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.remaining, 0u) << "the reader left bytes of its own record";
    c.check(r);
  }
}

// Every row in the newest layout writes back byte for byte, and so does the copy that
// clone makes of what was read (when a clone is given).
template <size_t N>
void ExpectCurrentRecordsWriteBack(const RecordCase (&cases)[N],
                                   std::function<DS_IOF_Item*(DS_ABObj_Constructor&)> clone = nullptr) {
  for (const RecordCase& c : cases) {
    if (!c.current) continue;
    SCOPED_TRACE(c.fixture.name);
    RecordReadResult r = ReadRecord(c.fixture);
    ASSERT_NE(r.object, nullptr);
    EXPECT_EQ(Written(*r.object), Bytes(c.fixture));
    if (!clone) continue;
    std::unique_ptr<DS_IOF_Item> copy(clone(*r.object));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(Written(*copy), Bytes(c.fixture)) << "the copy";
  }
}

}  // namespace tw_test
