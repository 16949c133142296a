// The archive's byte layout and its bounds on untrusted input.
#include "core/archive/DS_IOF.h"
#include "core/archive/DS_IOF_Writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Units(const std::wstring& text) {
  Bytes out;
  for (wchar_t c : text) {
    out.push_back(static_cast<unsigned char>(c & 0xFF));
    out.push_back(static_cast<unsigned char>(c >> 8));
  }
  return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

struct Reader {
  explicit Reader(const Bytes& bytes) : data(bytes), source(data.data(), data.size()), archive(&source) {}
  size_t Consumed() const { return size_t(source.Cursor() - data.data()); }
  Bytes data;
  ResourceBuffer source;
  DS_IOF_R<ResourceBuffer> archive;
};

struct StringCase {
  const char* what;
  Bytes bytes;
  std::wstring expected;
  size_t consumed;
};

TEST(ArchiveString, LengthFormsAndMarkers) {
  const std::wstring eleven = L"hello world";
  const std::wstring three00(300, L'x');
  const std::wstring seventy(70000, L'q');
  const std::vector<StringCase> cases = {
      {"one-byte length", Cat({{0xFF, 0xFE, 0xFF, 0x0B}, Units(eleven)}), eleven, 26},
      {"16-bit length", Cat({{0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01}, Units(three00)}), three00, 606},
      {"32-bit length", Cat({{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x03, 0, 0, 0}, Units(L"abc")}), L"abc", 16},
      {"32-bit length, long", Cat({{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}, Units(seventy)}),
       seventy, 10 + 140000},
      {"markers ignored", Cat({{0x00, 0x00, 0x00, 0x03}, Units(L"xyz")}), L"xyz", 10},
      {"zero unit cuts", Cat({{0xFF, 0xFE, 0xFF, 0x04}, Units(std::wstring(L"ab\0d", 4))}), L"ab", 12},
      {"254 is one byte", Cat({{0xFF, 0xFE, 0xFF, 0xFE}, Units(std::wstring(254, L'z'))}), std::wstring(254, L'z'),
       4 + 508},
      {"non-BMP units", Cat({{0xFF, 0xFE, 0xFF, 0x02}, Units(std::wstring(L"\xD83D\xDE00"))}), L"\xD83D\xDE00", 8},
  };
  for (const StringCase& c : cases) {
    SCOPED_TRACE(c.what);
    Reader r(c.bytes);
    std::wstring s = L"old";
    r.archive.ReadString(s);
    EXPECT_EQ(s, c.expected);
    EXPECT_EQ(r.Consumed(), c.consumed);
    EXPECT_FALSE(r.archive.Failed());
  }
}

TEST(ArchiveString, EmptyKeepsTargetAndConsumesFour) {
  Reader r({0xFF, 0xFE, 0xFF, 0x00, 0x99});
  std::wstring s = L"abc";
  r.archive.ReadString(s);
  EXPECT_EQ(s, L"abc");
  EXPECT_EQ(r.Consumed(), 4u);
  // The 16- and 32-bit forms of zero keep it too.
  Reader r16({0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x00});
  r16.archive.ReadString(s);
  Reader r32({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
  r32.archive.ReadString(s);
  EXPECT_EQ(s, L"abc");
  EXPECT_EQ(r16.Consumed(), 6u);
  EXPECT_EQ(r32.Consumed(), 10u);
}

TEST(ArchiveString, WriterFormsReadBack) {
  for (size_t n : {0u, 1u, 254u, 255u, 300u, 65534u, 65535u, 70000u}) {
    SCOPED_TRACE(n);
    DS_IOF_W w;
    std::wstring text(n, L'k');
    w.WriteString(text);
    const size_t header = n < 255 ? 4 : n < 65535 ? 6 : 10;
    ASSERT_EQ(w.Bytes().size(), header + 2 * n);
    Reader r(w.Bytes());
    std::wstring back = n ? L"" : L"keep";
    r.archive.ReadString(back);
    EXPECT_EQ(back, n ? text : L"keep");
    EXPECT_EQ(r.Consumed(), w.Bytes().size());
  }
}

TEST(ArchiveValues, FourByteReadsShareTheLayout) {
  Reader r({0x78, 0x56, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 1, 0, 0, 0, 2, 0, 0, 0,
            0xFE, 0xFF, 0x80, 0x41, 0, 0, 0xC0, 0x3F, 0xFF, 0xFF, 0xFF, 0xFF, 7, 0, 0, 0});
  unsigned u = 0;
  int i = 0;
  long l = 0;
  long long q = 0;
  short s = 0;
  char c = 0;
  unsigned char b = 0;
  float f = 0;
  POINT p = {};
  r.archive.ReadUInt(u);
  r.archive.ReadInt(i);
  r.archive.ReadLong(l);
  EXPECT_EQ(u, 0x12345678u);
  EXPECT_EQ(i, 0x12345678);
  EXPECT_EQ(l, 0x12345678L);
  r.archive.ReadInt64(q);
  EXPECT_EQ(q, (2LL << 32) | 1);
  r.archive.ReadShort(s);
  r.archive.ReadChar(c);
  r.archive.ReadByte(b);
  EXPECT_EQ(s, -2);
  EXPECT_EQ(c, char(0x80));
  EXPECT_EQ(b, 0x41);
  r.archive.ReadFloat(f);
  EXPECT_EQ(f, 1.5f);
  r.archive.ReadPoint(p);
  EXPECT_EQ(p.x, -1);
  EXPECT_EQ(p.y, 7);
  EXPECT_EQ(r.Consumed(), r.data.size());
  EXPECT_FALSE(r.archive.Failed());
}

TEST(ArchiveBlocks, ResourceRecordAndBufferLayouts) {
  const Bytes record = Cat({{7, 0, 0, 0, 0xFF, 0xFE, 0xFF, 0x02}, Units(L"m1"), {3, 0, 0, 0, 0xAA, 0xBB, 0xCC},
                            {0xFF, 0xFE, 0xFF, 0x03}, Units(L"a.x")});
  Reader r(record);
  DS_ResourceRecord rec;
  r.archive.ReadResourceRecord(rec);
  EXPECT_EQ(rec.resourceId, 7);
  EXPECT_EQ(rec.moduleName, L"m1");
  ASSERT_EQ(rec.size, 3u);
  EXPECT_EQ(rec.data[2], 0xCC);
  EXPECT_EQ(rec.name, L"a.x");
  EXPECT_EQ(r.Consumed(), record.size());

  // A copy duplicates the block.
  DS_ResourceRecord copy(rec);
  EXPECT_NE(copy.data, rec.data);
  EXPECT_EQ(copy.data[0], 0xAA);

  // A buffer of size 0 consumes 4 bytes plus its name and allocates nothing.
  Reader empty(Cat({{0, 0, 0, 0, 0xFF, 0xFE, 0xFF, 0x01}, Units(L"n")}));
  NamedBuffer nb;
  nb.Assign("xy", 2);
  empty.archive.ReadBuffer(nb);
  EXPECT_EQ(nb.size, 0u);
  EXPECT_EQ(nb.data, nullptr);
  EXPECT_EQ(nb.name, L"n");
  EXPECT_EQ(empty.Consumed(), 10u);

  // Writer and reader agree on both layouts.
  DS_IOF_W w;
  NamedBuffer out;
  out.Assign("abcd", 4);
  out.name = L"sound.wav";
  w.WriteBuffer(out);
  w.WriteResourceRecord(rec);
  Reader back(w.Bytes());
  NamedBuffer in;
  DS_ResourceRecord rin;
  back.archive.ReadBuffer(in);
  back.archive.ReadResourceRecord(rin);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(in.data), in.size), "abcd");
  EXPECT_EQ(in.name, L"sound.wav");
  EXPECT_EQ(rin.name, L"a.x");
  EXPECT_EQ(rin.size, 3u);
  EXPECT_EQ(back.Consumed(), w.Bytes().size());
}

TEST(ArchiveReader, WritesLeaveTheSourceUntouched) {
  Reader r({1, 2, 3, 4});
  DS_IOF_Virtual& a = r.archive;
  DS_ResourceRecord rec;
  NamedBuffer nb;
  a.WriteResourceRecord(rec);
  a.WriteBuffer(nb);
  a.WriteString(L"x");
  a.WriteInt64(1LL);
  a.WriteFloat(1.0f);
  a.WritePoint(POINT{1, 2});
  a.WriteUInt(1u);
  a.WriteShort(short(1));
  a.WriteInt(1);
  a.WriteChar('a');
  a.WriteByte(1);
  a.WriteLong(1L);
  EXPECT_EQ(r.Consumed(), 0u);
  EXPECT_EQ(r.data, Bytes({1, 2, 3, 4}));
}

// Truncated or hostile bytes: targets keep their values, the archive reports the failure,
// nothing large is allocated, and every later read does nothing.
struct BoundCase {
  const char* what;
  Bytes bytes;
};

TEST(ArchiveBounds, ReadsPastTheEndFailWithoutTouchingTargets) {
  {
    Reader r({1, 2, 3});
    unsigned u = 77;
    r.archive.ReadUInt(u);
    EXPECT_EQ(u, 77u);
    EXPECT_TRUE(r.archive.Failed());
    unsigned char b = 9;
    r.archive.ReadByte(b);  // would fit, but the archive has failed
    EXPECT_EQ(b, 9);
  }
  {
    Reader r({1, 0, 0, 0, 2, 0});
    POINT p = {5, 6};
    r.archive.ReadPoint(p);
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.y, 6);
    EXPECT_TRUE(r.archive.Failed());
  }
  const std::vector<BoundCase> strings = {
      {"header cut", {0xFF, 0xFE}},
      {"16-bit length cut", {0xFF, 0xFE, 0xFF, 0xFF, 0x10}},
      {"32-bit length cut", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0}},
      {"units cut", {0xFF, 0xFE, 0xFF, 0x03, 'a', 0, 'b', 0}},
      {"length bomb", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0}},
      {"max length", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const BoundCase& c : strings) {
    SCOPED_TRACE(c.what);
    Reader r(c.bytes);
    std::wstring s = L"keep";
    r.archive.ReadString(s);
    EXPECT_EQ(s, L"keep");
    EXPECT_TRUE(r.archive.Failed());
  }
  const std::vector<BoundCase> blocks = {
      {"size bomb", {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3}},
      {"size one past", {4, 0, 0, 0, 1, 2, 3}},
      {"name cut", {1, 0, 0, 0, 9, 0xFF, 0xFE, 0xFF, 0x05, 'a', 0}},
  };
  for (const BoundCase& c : blocks) {
    SCOPED_TRACE(c.what);
    Reader r(c.bytes);
    NamedBuffer nb;
    nb.Assign("old", 3);
    nb.name = L"keep";
    r.archive.ReadBuffer(nb);
    EXPECT_TRUE(r.archive.Failed());
    EXPECT_EQ(nb.name, L"keep");
    // The whole record is 4 + size + name; a block read in full may have replaced the
    // bytes, a block that did not fit never did.
    if (std::string(c.what) != "name cut") {
      EXPECT_EQ(std::string(reinterpret_cast<char*>(nb.data), nb.size), "old");
    }
  }
  {
    Reader r({5, 0, 0, 0, 0xFF, 0xFE, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0x0F});
    DS_ResourceRecord rec;
    r.archive.ReadResourceRecord(rec);
    EXPECT_TRUE(r.archive.Failed());
    EXPECT_EQ(rec.data, nullptr);
  }
}

TEST(ArchiveBounds, ListCountsAreCheckedAgainstTheBytesLeft) {
  struct CountCase {
    Bytes bytes;
    size_t itemBytes;
    bool ok;
    unsigned count;
  };
  const std::vector<CountCase> cases = {
      {{2, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, 4, true, 2},
      {{3, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, 4, false, 0},
      {{0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4}, 1, false, 0},
      {{0, 0, 0, 0}, 16, true, 0},
      {{0, 0}, 16, false, 0},
  };
  for (const CountCase& c : cases) {
    Reader r(c.bytes);
    unsigned count = 99;
    EXPECT_EQ(ReadListCount(r.archive, count, c.itemBytes), c.ok);
    EXPECT_EQ(count, c.count);
    EXPECT_EQ(r.archive.Failed(), !c.ok);
  }
}

TEST(ArchiveSource, NullSourceReadsNothing) {
  ResourceBuffer source;
  DS_IOF_R<ResourceBuffer> archive(&source);
  unsigned u = 5;
  std::wstring s = L"keep";
  archive.ReadUInt(u);
  archive.ReadString(s);
  EXPECT_EQ(u, 5u);
  EXPECT_EQ(s, L"keep");
  EXPECT_EQ(archive.RemainingBytes(), 0u);
}

TEST(ArchiveSource, FileStreamReadsTheSameLayout) {
  DS_IOF_W w;
  w.WriteString(L"stream");
  w.WriteUInt(42u);
  w.WriteString(std::wstring(300, L'w'));
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  const std::wstring path = std::wstring(dir) + L"tw_archive_stream.bin";
  FILE* f = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(f, nullptr);
  fwrite(w.Bytes().data(), 1, w.Bytes().size() - 10, f);  // the last string cut short
  fclose(f);

  ResourceBuffer source;
  ASSERT_TRUE(source.OpenFile(path));
  DS_IOF_R<ResourceBuffer> archive(&source);
  std::wstring s;
  unsigned u = 0;
  archive.ReadString(s);
  archive.ReadUInt(u);
  EXPECT_EQ(s, L"stream");
  EXPECT_EQ(u, 42u);
  std::wstring longOne = L"keep";
  archive.ReadString(longOne);
  EXPECT_EQ(longOne, L"keep");
  EXPECT_TRUE(archive.Failed());
  DeleteFileW(path.c_str());
}

TEST(ArchiveHelpers, GuidRoundTripAndFileNames) {
  const GUID g = {0x6B29FC40, 0xCA47, 0x1067, {0xB3, 0x1D, 0x00, 0xDD, 0x01, 0x06, 0x62, 0xDA}};
  DS_IOF_W w;
  WriteGuid(w, g);
  ASSERT_EQ(w.Bytes().size(), 4u + 2 * 38);
  Reader r(w.Bytes());
  GUID back = {};
  ReadGuid(r.archive, back);
  EXPECT_TRUE(IsEqualGUID(g, back));
  std::wstring text;
  Reader r2(w.Bytes());
  r2.archive.ReadString(text);
  EXPECT_EQ(text, L"{6B29FC40-CA47-1067-B31D-00DD010662DA}");

  struct PathCase {
    const wchar_t* path;
    const wchar_t* name;
  };
  for (const PathCase& c : {PathCase{L"C:\\music\\song.mp3", L"song.mp3"}, PathCase{L"song.mp3", L""},
                            PathCase{L"dir\\", L""}, PathCase{L"", L""}, PathCase{L"a/b\\c/d", L"c/d"}}) {
    EXPECT_EQ(FileNameFromPath(c.path), c.name) << c.path;
  }
}

TEST(ArchiveHelpers, DwordVectorIsBounded) {
  Reader ok({2, 0, 0, 0, 0, 0, 0x80, 0x3F, 0, 0, 0, 0x40});
  std::vector<float> delays;
  EXPECT_TRUE(ReadDwordVector(ok.source, delays));
  EXPECT_EQ(delays, (std::vector<float>{1.0f, 2.0f}));
  Reader bomb({0xFF, 0xFF, 0xFF, 0x3F, 1, 2, 3, 4});
  std::vector<DWORD> values = {9};
  EXPECT_FALSE(ReadDwordVector(bomb.source, values));
  EXPECT_EQ(values, std::vector<DWORD>{9});
}

TEST(ArchiveHelpers, ModuleResourceLookupFailsCleanly) {
  ResourceBuffer source;
  EXPECT_FALSE(LoadModuleResource(GetModuleHandleW(nullptr), source, 107));
  EXPECT_EQ(source.Cursor(), nullptr);
  // Ids above 16 bits would be taken for pointers to resource names.
  for (int id : {0x10000, 0x12345678, -1}) EXPECT_FALSE(LoadModuleResource(GetModuleHandleW(nullptr), source, id)) << id;
  struct Case {
    int id;
    const wchar_t* module;
  };
  for (const Case& c : {Case{5, L"no_such_module_tw.dll"}, Case{6, L"tw_core_code_module.dll"},
                        Case{0x10005, L"tw_core_code_module.dll"}, Case{-1, L"tw_core_code_module.dll"},
                        Case{5, L""}}) {
    DS_ResourceRecord rec(c.id, c.module);
    rec.Assign("ab", 2);
    EXPECT_FALSE(rec.LoadFromModule()) << c.id;
    ASSERT_EQ(rec.size, 2u);
    EXPECT_EQ(rec.data[1], 'b');
  }
}

TEST(ArchiveHelpers, RecordTakesModuleBytesWithoutRunningItsCode) {
  SetEnvironmentVariableW(L"TW_CORE_MODULE_CODE_RAN", nullptr);
  DS_ResourceRecord rec(5, L"tw_core_code_module.dll");
  rec.name = L"kept";
  ASSERT_TRUE(rec.LoadFromModule());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(rec.data), rec.size), std::string("TWDMULE\0", 8));
  EXPECT_EQ(rec.name, L"kept");
  EXPECT_EQ(GetEnvironmentVariableW(L"TW_CORE_MODULE_CODE_RAN", nullptr, 0), 0u) << "the module's code ran";
}

}  // namespace
