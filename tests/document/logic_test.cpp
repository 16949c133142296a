// The resource store's pure logic: key ordering, link construction and the running number,
// extensions, link records and undo, frame stepping of stored sets, and the current
// texture cache across managers. No device.
#include <gtest/gtest.h>

#include <vector>

#include "core/archive/DS_IOF_Writer.h"
#include "core/document/DocResManager.h"
#include "core/document/FileLink.h"
#include "core/document/ResourceKeys.h"
#include "core/document/ResourceModule.h"
#include "core/document/TextureCache.h"

namespace {

GUID GuidOf(unsigned long data1, unsigned char last = 0)
{
  GUID g{};
  g.Data1 = data1;
  g.Data4[7] = last;
  return g;
}

// ---------------------------------------------------------------------------------------
// Keys

TEST(LinkKeyOrder, PathThenSignedStamp)
{
  struct Case {
    DS_LinkKey a, b;
    bool aBeforeB, bBeforeA;
  };
  const Case cases[] = {
      {{L"a", 5}, {L"b", 0}, true, false},
      {{L"ab", 100}, {L"abc", -5}, true, false},          // a prefix comes first
      {{L"a", -1}, {L"a", 1}, true, false},               // stamps are signed
      {{L"a", 0x7FFFFFFFFFFFFFFFLL}, {L"a", -0x7FFFFFFFFFFFFFFFLL - 1}, false, true},
      {{L"Z", 0}, {L"a", 0}, true, false},                // no case folding
      {{L"a", 0}, {std::wstring(1, wchar_t(0xFF00)), 0}, true, false},  // units unsigned
      {{L"velmora.dll", 5}, {L"velmora.dll", 5}, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.a < c.b, c.aBeforeB) << std::string(c.a.path.begin(), c.a.path.end()) << " " << c.a.stamp;
    EXPECT_EQ(c.b < c.a, c.bBeforeA) << std::string(c.b.path.begin(), c.b.path.end()) << " " << c.b.stamp;
  }
}

TEST(GuidKeyOrder, MemoryBytesAloneNameIgnored)
{
  // In memory Data1 = 1 is 01 00 00 00 and Data1 = 0x100 is 00 01 00 00: memcmp puts the
  // second first although it is the larger number.
  EXPECT_TRUE(DS_GuidKey(GuidOf(0x100)) < DS_GuidKey(GuidOf(1)));
  EXPECT_FALSE(DS_GuidKey(GuidOf(1)) < DS_GuidKey(GuidOf(0x100)));
  EXPECT_TRUE(DS_GuidKey(GuidOf(7, 1)) < DS_GuidKey(GuidOf(7, 2)));
  // Same GUID, different names: one key.
  std::map<DS_GuidKey, int> map;
  map[DS_GuidKey(GuidOf(9), L"first")] = 1;
  map[DS_GuidKey(GuidOf(9), L"second")] = 2;
  ASSERT_EQ(map.size(), 1u);
  EXPECT_EQ(map.begin()->first.name, L"first");
  EXPECT_EQ(map.begin()->second, 2);
}

// ---------------------------------------------------------------------------------------
// Links

TEST(FileLink, Construction)
{
  struct Case {
    const char* what;
    DS_FileLink3 link;
    std::wstring path;
    long long stamp;
  };
  DS_ResourceRecord fromModule(2016, L"velmora.dll");
  fromModule.name = L"ignored.bmp";
  DS_ResourceRecord negativeId(-1, L"velmora.dll");
  const Case cases[] = {
      {"default", DS_FileLink3(), L"", 0},
      {"module id", DS_FileLink3(77, L"velmora.dll"), L"velmora.dll", 77},
      {"module id sign-extended", DS_FileLink3(-2, L"m.dll"), L"m.dll", -2},
      {"key", DS_FileLink3(DS_LinkKey(L"x.png", -9)), L"x.png", -9},
      {"record with id", DS_FileLink3(fromModule), L"velmora.dll", 2016},
      {"record id zero-extended", DS_FileLink3(negativeId), L"velmora.dll", 0xFFFFFFFFLL},
      {"missing file", DS_FileLink3(std::wstring(L"Z:\\no\\such\\file.png")), L"Z:\\no\\such\\file.png", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.link.Path(), c.path) << c.what;
    EXPECT_EQ(c.link.Stamp(), c.stamp) << c.what;
  }
}

TEST(FileLink, RecordsWithoutIdTakeTheRunningNumberInOrder)
{
  DS_ResourceRecord a, b;
  a.name = L"a.bmp";
  b.name = L"b.bmp";
  const int next = PeekNextLinkNumber();
  const DS_FileLink3 first(a);
  const DS_FileLink3 second(b);
  EXPECT_EQ(first.Path(), L"a.bmp");
  EXPECT_EQ(first.Stamp(), next);
  EXPECT_EQ(second.Path(), L"b.bmp");
  EXPECT_EQ(second.Stamp(), next + 1);
  EXPECT_EQ(PeekNextLinkNumber(), next + 2);
  // Links with an id do not count.
  DS_FileLink3 withId(DS_ResourceRecord(5, L"m.dll"));
  EXPECT_EQ(PeekNextLinkNumber(), next + 2);
}

TEST(FileLink, ExtensionIsTheLastDotOnwardInLowerCase)
{
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"picture.JPG", L".jpg"}, {L"VELMORA.DLL", L".dll"}, {L"velmora.dll", L".dll"},
      {L"noextension", L""},     {L"a.b.Png", L".png"},     {L"", L""},
      {L"trailing.", L"."},
  };
  for (const auto& c : cases) EXPECT_EQ(DS_FileLink3(DS_LinkKey(c.first, 0)).GetExtension(), c.second) << c.first;
}

TEST(FileLink, ModulePathsAndIds)
{
  EXPECT_TRUE(IsModulePath(L""));
  EXPECT_TRUE(IsModulePath(L"velmora.dll"));
  EXPECT_TRUE(IsModulePath(L"C:\\x\\Velmora.DLL"));
  EXPECT_FALSE(IsModulePath(L"C:\\x\\picture.bmp"));
  EXPECT_FALSE(IsModulePath(L"effect.fx"));
  struct Case {
    long long stamp;
    bool ok;
  };
  // FindResourceW takes only 16-bit integer names; nothing larger may pass as an id.
  const Case ids[] = {{0, true}, {5, true}, {0xFFFF, true}, {0x10000, false},
                      {0x10005, false}, {0x100000005LL, false}, {-1, false}};
  for (const Case& c : ids) {
    int id = -7;
    EXPECT_EQ(ModuleResourceId(c.stamp, &id), c.ok) << c.stamp;
    if (c.ok) {
      EXPECT_EQ(id, c.stamp);
    }
  }
}

class CountingListener : public MediaControl {
public:
  void OnChanged(MediaControl*) override { ++calls; }
  int calls = 0;
};

TEST(FileLink, RecordRoundTripWithoutNotification)
{
  DS_FileLink3 written(DS_LinkKey(L"velmora.dll", 0x123456789LL));
  DS_IOF_W writer;
  WriteFileLink(writer, written);
  // Path string (4 + 2 x 11 bytes), then 8 bytes of stamp.
  ASSERT_EQ(writer.Bytes().size(), 4u + 22u + 8u);

  DS_ImageFileLink read;
  CountingListener listener;
  read.AddControl(&listener);
  ResourceBuffer source(writer.Bytes().data(), writer.Bytes().size());
  DS_IOF_R<ResourceBuffer> archive(&source);
  ReadFileLink(archive, read);
  EXPECT_EQ(read.Path(), L"velmora.dll");
  EXPECT_EQ(read.Stamp(), 0x123456789LL);
  EXPECT_EQ(listener.calls, 0);
  read.RemoveControl(&listener);

  // A record cut inside its stamp leaves the link as it was.
  DS_FileLink3 kept(DS_LinkKey(L"keep.bmp", 3));
  ResourceBuffer cut(writer.Bytes().data(), writer.Bytes().size() - 3);
  DS_IOF_R<ResourceBuffer> cutArchive(&cut);
  ReadFileLink(cutArchive, kept);
  EXPECT_EQ(kept.Path(), L"keep.bmp");
  EXPECT_EQ(kept.Stamp(), 3);
}

TEST(FileLink, SetterNotifiesOthersOnlyOnChange)
{
  DS_FileLink3 link;
  CountingListener a, b;
  link.AddControl(&a);
  link.AddControl(&b);
  link.SetKey(L"x.dll", 4, &a);
  EXPECT_EQ(a.calls, 0);
  EXPECT_EQ(b.calls, 1);
  link.SetKey(L"x.dll", 4);
  EXPECT_EQ(b.calls, 1);
  link.RemoveControl(&a);
  link.RemoveControl(&b);
}

TEST(ImageFileLink, UndoRedoOfKeys)
{
  DS_ImageFileLink link;
  auto& undo = link.GetUndo();
  CountingListener other;
  link.AddControl(&other);

  link.SetKey(L"one.bmp", 1);
  undo.RecordUndo();
  link.SetKey(L"two.bmp", 2);
  undo.RecordUndo();
  link.SetKey(L"three.bmp", 3);
  const int before = other.calls;
  undo.Undo();
  EXPECT_EQ(link.GetKey(), DS_LinkKey(L"two.bmp", 2));
  undo.Undo();
  EXPECT_EQ(link.GetKey(), DS_LinkKey(L"one.bmp", 1));
  undo.Undo();  // nothing older: stays
  EXPECT_EQ(link.GetKey(), DS_LinkKey(L"one.bmp", 1));
  undo.Redo();
  EXPECT_EQ(link.GetKey(), DS_LinkKey(L"two.bmp", 2));
  EXPECT_GE(other.calls, before + 3);
  // Recording now discards what could have been redone.
  undo.RecordUndo();
  EXPECT_EQ(undo.History().front(), DS_LinkKey(L"two.bmp", 2));
  EXPECT_EQ(undo.History().size(), 2u);

  for (int i = 0; i < 25; ++i) {
    link.SetKey(L"n.bmp", 100 + i);
    undo.RecordUndo();
  }
  EXPECT_EQ(undo.History().size(), DS_ImageFileLink::UndoImage::kMaxEntries);
  EXPECT_EQ(undo.History().front().stamp, 124);
  link.RemoveControl(&other);
}

TEST(ImageFileLink, CopiesHaveTheirOwnUndo)
{
  DS_ImageFileLink a;
  a.SetKey(L"a.bmp", 1);
  DS_ImageFileLink b(a);
  EXPECT_EQ(b.GetKey(), a.GetKey());
  ASSERT_EQ(b.Controls().size(), 1u);
  EXPECT_EQ(b.Controls().front(), &b.GetUndo());
  EXPECT_EQ(b.GetUndo().Saved(), a.GetKey());
}

TEST(FontParam, DefaultsAndCopy)
{
  FontMediaParam font;
  EXPECT_EQ(font.height, 32);
  EXPECT_EQ(font.weight, 700);
  EXPECT_EQ(font.third, 0);
  EXPECT_EQ(font.faceName, L"Arial");
  font.height = 12;
  font.faceName = L"Tahoma";
  CountingListener l;
  font.AddControl(&l);
  FontMediaParam copy(font);
  EXPECT_EQ(copy.height, 12);
  EXPECT_EQ(copy.faceName, L"Tahoma");
  EXPECT_TRUE(copy.Controls().empty());
  font.RemoveControl(&l);
}

// ---------------------------------------------------------------------------------------
// Frame stepping of a stored set whose delays outnumber its frames (the counts come from
// the document or the module and need not agree).

TEST(TextureSetFrames, StepWithinTheFramesThatExist)
{
  DS_TextureSet set;
  set.ResizeFrames(2);  // two frames whose loads failed: no device needed
  set.delays = {0.5f, 0.25f, 1.0f};
  struct Step {
    float now;
    int frame;
  };
  const Step steps[] = {
      {0.4f, 0}, {0.6f, 1},   // 0.6 - 0 > 0.5
      {0.8f, 1}, {0.9f, 0},   // 0.9 - 0.6 > 0.25, wraps over two frames, not three
      {1.3f, 0}, {1.5f, 1},
      {1.0f, 1},              // time ran back: the delay restarts from 1.0
      {1.2f, 1}, {1.3f, 0},
  };
  for (const Step& s : steps) {
    set.AdvanceFrame(s.now);
    EXPECT_EQ(set.frame, s.frame) << "at " << s.now;
  }
  for (int i = 0; i < 20; ++i) {
    set.RewindFrame(10.0f * (i + 1));
    EXPECT_GE(set.frame, 0);
    EXPECT_LT(set.frame, 2);
  }
}

TEST(TextureSetFrames, OneFrameOrNoDelaysStaysPut)
{
  DS_TextureSet single;
  single.ResizeFrames(1);
  single.delays = {0.1f, 0.1f};
  DS_TextureSet noDelays;
  noDelays.ResizeFrames(3);
  for (float t = 0.0f; t < 5.0f; t += 0.3f) {
    single.AdvanceFrame(t);
    noDelays.AdvanceFrame(t);
  }
  EXPECT_EQ(single.frame, 0);
  EXPECT_EQ(noDelays.frame, 0);
}

// ---------------------------------------------------------------------------------------
// The current cache and the current manager never dangle.

TEST(CurrentCache, ManagerRestoresTheCacheItReplaced)
{
  g_TextureCache = nullptr;
  {
    DS_TextureCache host;
    g_TextureCache = &host;
    {
      DS_DocResManager manager;
      EXPECT_EQ(g_TextureCache, &manager.TextureCache());
      g_DocResManager = &manager;
    }
    EXPECT_EQ(g_TextureCache, &host);
    EXPECT_EQ(g_DocResManager, nullptr);
  }
  EXPECT_EQ(g_TextureCache, nullptr);

  // The replaced cache went first: nothing to go back to.
  auto* host = new DS_TextureCache;
  g_TextureCache = host;
  auto* manager = new DS_DocResManager;
  delete host;
  EXPECT_EQ(g_TextureCache, &manager->TextureCache());
  delete manager;
  EXPECT_EQ(g_TextureCache, nullptr);

  // Two managers in turn: each restores what it found.
  DS_TextureCache base;
  g_TextureCache = &base;
  {
    DS_DocResManager first;
    {
      DS_DocResManager second;
      EXPECT_EQ(g_TextureCache, &second.TextureCache());
    }
    EXPECT_EQ(g_TextureCache, &first.TextureCache());
  }
  EXPECT_EQ(g_TextureCache, &base);
  g_TextureCache = nullptr;
}

}  // namespace
