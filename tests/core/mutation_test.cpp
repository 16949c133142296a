// Damaged documents: truncations at every offset, flipped bytes, inflated lengths and
// counts, and random corruption of valid documents made with the document builder. Each
// variant must either read or report the format error, with no crash, no hang and no
// allocation out of proportion to the document.
#include "core/archive/DS_IOF.h"
#include "core/archive/ReaderRegistry.h"
#include "core/params/CompositeParams.h"
#include "core/scene/DS_ABObj.h"

#include "core_fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

// ---------------------------------------------------------------------------------------
// Allocation accounting for this program: live bytes and the peak since the last reset.

namespace {
size_t g_LiveBytes = 0;
size_t g_PeakBytes = 0;
constexpr size_t kHeader = 16;

void* CountedAlloc(size_t n) {
  void* p = std::malloc(n + kHeader);
  if (!p) throw std::bad_alloc();
  *static_cast<size_t*>(p) = n;
  g_LiveBytes += n;
  if (g_LiveBytes > g_PeakBytes) g_PeakBytes = g_LiveBytes;
  return static_cast<char*>(p) + kHeader;
}
void CountedFree(void* p) {
  if (!p) return;
  char* base = static_cast<char*>(p) - kHeader;
  g_LiveBytes -= *reinterpret_cast<size_t*>(base);
  std::free(base);
}
}  // namespace

void* operator new(size_t n) { return CountedAlloc(n); }
void* operator new[](size_t n) { return CountedAlloc(n); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, size_t) noexcept { CountedFree(p); }

// ---------------------------------------------------------------------------------------
// The test document: header string; counted list of object records; counted list of
// resource records; a named buffer; optionally a tail string.

class DS_TestSprite : public DS_ABObj_Constructor {
public:
  void ReadFields(DS_IOF_Virtual& archive, unsigned version) {
    archive.ReadString(label);
    rect.Read(archive);
    quad.Read(archive);
    ReadVector3(archive, vector);
    ReadGuid(archive, guid);
    archive.ReadPoint(point);
    archive.ReadInt64(stamp);
    archive.ReadShort(s);
    archive.ReadChar(c);
    archive.ReadByte(b);
    if (version >= 2) ReadPart(archive);
  }
  DS_ABObj* CreateRuntimeObject() override { return nullptr; }

  std::wstring label;
  MediaRectangle rect;
  MediaQuad quad;
  D3DXVECTOR3 vector = {0, 0, 0};
  GUID guid = {};
  POINT point = {};
  long long stamp = 0;
  short s = 0;
  char c = 0;
  unsigned char b = 0;
};
DS_REGISTER_OBJECT_READER(DS_TestSprite);

namespace {

struct TestDocument {
  std::wstring header;
  std::vector<std::unique_ptr<DS_ABObj_Constructor>> objects;
  std::vector<DS_ResourceRecord> resources;
  NamedBuffer buffer;
  std::wstring tail;
};

// Returns whether the document read without a format error.
bool ReadTestDocument(const unsigned char* bytes, size_t size, TestDocument& doc) {
  ResourceBuffer source(bytes, size);
  DS_IOF_R<ResourceBuffer> archive(&source);
  archive.ReadString(doc.header);
  if (!ReadObjectList(archive, ReadSceneObject, [&](DS_ABObj_Constructor* o) { doc.objects.emplace_back(o); }))
    return false;
  unsigned count = 0;
  if (!ReadListCount(archive, count, 4 + kMinStringBytes + 4 + kMinStringBytes)) return false;
  doc.resources.reserve(count);
  for (unsigned i = 0; i < count && !archive.Failed(); ++i) {
    doc.resources.emplace_back();
    archive.ReadResourceRecord(doc.resources.back());
  }
  archive.ReadBuffer(doc.buffer);
  if (source.Remaining() > 0) archive.ReadString(doc.tail);
  return !archive.Failed();
}

struct Outcome {
  size_t read = 0;
  size_t rejected = 0;
  size_t worstPeak = 0;
};

void RunVariant(const std::vector<unsigned char>& bytes, Outcome& outcome) {
  const size_t before = g_LiveBytes;
  g_PeakBytes = g_LiveBytes;
  {
    // An exact-size heap copy, so that a read one byte past the end is a real overread.
    std::unique_ptr<unsigned char[]> copy(new unsigned char[bytes.size() ? bytes.size() : 1]);
    if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
    TestDocument doc;
    const bool ok = ReadTestDocument(copy.get(), bytes.size(), doc);
    (ok ? outcome.read : outcome.rejected)++;
    for (const auto& object : doc.objects) ASSERT_NE(object, nullptr);
  }
  const size_t peak = g_PeakBytes - before;
  if (peak > outcome.worstPeak) outcome.worstPeak = peak;
  ASSERT_EQ(g_LiveBytes, before) << "leak";
}

std::vector<unsigned char> Bytes(const unsigned char* data, size_t size) {
  return std::vector<unsigned char>(data, data + size);
}

TEST(Mutation, ValidDocumentsRead) {
  TestDocument small;
  ASSERT_TRUE(ReadTestDocument(kFixtureDocSmall, kFixtureDocSmallSize, small));
  EXPECT_EQ(small.header, L"KVQ v 4.0.0");
  ASSERT_EQ(small.objects.size(), 2u);
  auto* sprite = dynamic_cast<DS_TestSprite*>(small.objects[1].get());
  ASSERT_NE(sprite, nullptr);
  EXPECT_EQ(sprite->label, L"Sprite");
  EXPECT_EQ(sprite->rect.right.Get(), 200);
  EXPECT_EQ(sprite->rect.extra2.Get(), -7);
  EXPECT_EQ(sprite->quad.corners[3].Get().z, 1.5f);
  EXPECT_EQ(sprite->point.x, -5);
  EXPECT_EQ(sprite->stamp, (2LL << 32) | 1);
  EXPECT_EQ(sprite->s, -3);
  EXPECT_EQ(sprite->b, 0xFE);
  EXPECT_EQ(sprite->guid.Data1, 0x6B29FC40u);
  EXPECT_EQ(sprite->Name(), L"fish");
  EXPECT_EQ(sprite->m_Depth.Get(), 50u);
  EXPECT_EQ(sprite->TimeLine().Intervals().size(), 1u);
  EXPECT_EQ(small.objects[0]->Name(), L"");  // version 1: no base part
  ASSERT_EQ(small.resources.size(), 1u);
  EXPECT_EQ(small.resources[0].resourceId, 7);
  EXPECT_EQ(small.resources[0].size, 8u);
  EXPECT_EQ(small.resources[0].moduleName, L"velmora.dll");
  EXPECT_EQ(small.buffer.size, 12u);
  EXPECT_EQ(small.buffer.name, L"C:\\sound\\s.wav");

  TestDocument mixed;
  ASSERT_TRUE(ReadTestDocument(kFixtureDocMixed, kFixtureDocMixedSize, mixed));
  ASSERT_EQ(mixed.objects.size(), 4u);
  EXPECT_EQ(mixed.objects[2]->Name(), std::wstring(300, L'L'));
  EXPECT_EQ(mixed.resources.size(), 2u);
  EXPECT_EQ(mixed.resources[1].data, nullptr);
  EXPECT_EQ(mixed.tail, L"tail");

  TestDocument unknown;
  EXPECT_FALSE(ReadTestDocument(kFixtureDocUnknownClass, kFixtureDocUnknownClassSize, unknown));
  EXPECT_TRUE(unknown.objects.empty());
}

TEST(Mutation, DamagedDocumentsReadOrReportTheError) {
  const std::vector<std::vector<unsigned char>> documents = {Bytes(kFixtureDocSmall, kFixtureDocSmallSize),
                                                             Bytes(kFixtureDocMixed, kFixtureDocMixedSize)};
  Outcome outcome;
  size_t variants = 0;
  auto run = [&](const std::vector<unsigned char>& v) {
    ++variants;
    RunVariant(v, outcome);
  };
  for (const auto& doc : documents) {
    // Truncation at every offset.
    for (size_t n = 0; n < doc.size(); ++n) run(std::vector<unsigned char>(doc.begin(), doc.begin() + n));
    for (size_t i = 0; i < doc.size(); ++i) {
      // Flipped bytes.
      for (unsigned char mask : {0xFF, 0x80}) {
        auto v = doc;
        v[i] ^= mask;
        run(v);
      }
      // Inflated lengths and counts at every offset (a 32-bit and a 16-bit field).
      for (unsigned value : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x00010000u}) {
        if (i + 4 > doc.size()) break;
        auto v = doc;
        std::memcpy(&v[i], &value, 4);
        run(v);
      }
      auto v = doc;
      v[i] = 0xFF;
      if (i + 1 < doc.size()) v[i + 1] = 0xFF;
      run(v);
    }
  }
  // Random corruption of several bytes at once, reproducible.
  unsigned state = 12345;
  auto next = [&] { return state = state * 1664525u + 1013904223u; };
  for (int k = 0; k < 2000; ++k) {
    auto v = documents[k % 2];
    const int edits = 1 + int(next() % 8);
    for (int e = 0; e < edits; ++e) v[next() % v.size()] = static_cast<unsigned char>(next() >> 24);
    if (next() % 4 == 0) v.resize(next() % v.size());
    run(v);
  }
  std::printf("[ info ] %zu variants: %zu read, %zu rejected, worst peak allocation %zu bytes\n", variants,
              outcome.read, outcome.rejected, outcome.worstPeak);
  EXPECT_GE(variants, 20000u);
  EXPECT_GT(outcome.rejected, 0u);
  EXPECT_GT(outcome.read, 0u);
  // Nothing out of proportion to a 3 KB document (the objects themselves take a few KB).
  EXPECT_LT(outcome.worstPeak, size_t(1) << 20);
}

}  // namespace
