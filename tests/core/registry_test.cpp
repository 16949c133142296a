// The polymorphic read over the registries.
#include "core/archive/DS_IOF_Writer.h"
#include "core/archive/ReaderRegistry.h"
#include "core/scene/DS_ABObj.h"

#include <gtest/gtest.h>

namespace {

// Test-only classes in the registries of this test program.
class DS_TestReadObject : public DS_ABObj_Constructor {
public:
  void ReadFields(DS_IOF_Virtual& archive, unsigned v) {
    version = v;
    archive.ReadInt(value);
  }
  DS_ABObj* CreateRuntimeObject() override { return nullptr; }
  unsigned version = 0;
  int value = 0;
};
DS_REGISTER_OBJECT_READER(DS_TestReadObject);

class DS_TestLightBase : public DS_IOF_Item {
public:
  void Write(DS_IOF_Virtual&) override {}
  unsigned version = 0;
};
class DS_TestLight : public DS_TestLightBase {
public:
  void ReadFields(DS_IOF_Virtual&, unsigned v) { version = v; }
};
const bool s_LightRegistered = RegisterReader(GetLightReaderRegistry(), L"DS_TestLight",
                                              IOF_Virtual_ReaderT_II<DS_TestLight, DS_TestLightBase>::Instance());

std::vector<unsigned char> Record(const std::wstring& name, unsigned version, int field) {
  DS_IOF_W w;
  w.WriteString(name);
  w.WriteUInt(version);
  w.WriteInt(field);
  return w.Bytes();
}

TEST(Registry, KnownNameBuildsTheClassAtTheStoredVersion) {
  const auto bytes = Record(L"DS_TestReadObject", 3, 77);
  ResourceBuffer source(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> archive(&source);
  std::unique_ptr<DS_ABObj_Constructor> object(ReadSceneObject(archive));
  auto* typed = dynamic_cast<DS_TestReadObject*>(object.get());
  ASSERT_NE(typed, nullptr);
  EXPECT_EQ(typed->version, 3u);
  EXPECT_EQ(typed->value, 77);
  EXPECT_EQ(source.Remaining(), 0u);

  const auto light = Record(L"DS_TestLight", 3, 0);
  ResourceBuffer lightSource(light.data(), light.size());
  DS_IOF_R<ResourceBuffer> lightArchive(&lightSource);
  std::unique_ptr<DS_TestLightBase> layer(ReadLightObject<DS_TestLightBase>(lightArchive));
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->version, 3u);
}

TEST(Registry, UnknownNamesConsumeOnlyNameAndVersion) {
  const std::vector<std::wstring> names = {L"DS_SlideContainer",  // only in the slide registry
                                           L"ds_testreadobject",  // letter case counts
                                           L"DS_TestLight",       // another registry's name
                                           L"",                   // empty name
                                           L"DS_NoSuchClass"};
  for (const std::wstring& name : names) {
    const auto bytes = Record(name, 9, 0x1234);
    ResourceBuffer source(bytes.data(), bytes.size());
    DS_IOF_R<ResourceBuffer> archive(&source);
    EXPECT_EQ(ReadSceneObject(archive), nullptr) << std::string(name.begin(), name.end());
    EXPECT_EQ(source.Remaining(), 4u);  // the field is left unread
    EXPECT_FALSE(archive.Failed());
  }
}

TEST(Registry, ObjectListsNeverHoldNull) {
  DS_IOF_W w;
  w.WriteUInt(3);
  for (const wchar_t* name : {L"DS_TestReadObject", L"DS_Unknown", L"DS_TestReadObject"}) {
    w.WriteString(name);
    w.WriteUInt(1);
    w.WriteInt(5);
  }
  ResourceBuffer source(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> archive(&source);
  std::vector<std::unique_ptr<DS_ABObj_Constructor>> list;
  EXPECT_FALSE(ReadObjectList(archive, ReadSceneObject,
                              [&](DS_ABObj_Constructor* o) { list.emplace_back(o); }));
  EXPECT_EQ(list.size(), 1u);
  EXPECT_TRUE(archive.Failed());

  // A count larger than the bytes could hold fails before any read.
  DS_IOF_W bomb;
  bomb.WriteUInt(0x40000000u);
  ResourceBuffer bombSource(bomb.Bytes().data(), bomb.Bytes().size());
  DS_IOF_R<ResourceBuffer> bombArchive(&bombSource);
  int calls = 0;
  EXPECT_FALSE(ReadObjectList(bombArchive, [&](DS_IOF_Virtual& a) { ++calls; return ReadSceneObject(a); },
                              [&](DS_ABObj_Constructor* o) { delete o; }));
  EXPECT_EQ(calls, 0);
}

TEST(Registry, ASecondRegistrationReplacesTheFirst) {
  ReaderRegistry registry;
  RegisterReader(registry, L"X", IOF_Virtual_ReaderT<DS_TestReadObject>::Instance());
  RegisterReader(registry, L"X", nullptr);
  EXPECT_EQ(registry.size(), 1u);
  EXPECT_EQ(registry[L"X"], nullptr);
  const auto bytes = Record(L"X", 1, 0);
  ResourceBuffer source(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> archive(&source);
  EXPECT_EQ(ReadRegisteredObject(registry, archive), nullptr);
}

}  // namespace
