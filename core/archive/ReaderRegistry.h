#pragma once
// Object records and the class-name registries.
//
// An object record is: class name (string), version (u32), then the class's fields.
// Each registered class has one static reader object, stored under its class name in one
// of three registries (layers; the slide container; every other scene object). Readers
// register themselves from static initialisers, so every library that holds registered
// classes must be linked whole (tw_link_whole / WHOLE in tw_add_test).

#include "core/archive/DS_IOF.h"
#include "core/scene/DS_ABObj.h"
#include "core/scene/DS_IOF_Item.h"

#include <map>
#include <memory>
#include <string>

class DS_2D_Light;
class DS_SlideContainer;

// The reader of one class. Create builds an object with the class's default
// constructor and reads its fields at the given version (name and version are already
// consumed); the caller owns the result.
class IOF_Virtual_Reader {
public:
  virtual DS_IOF_Item* Create(DS_IOF_Virtual& archive, unsigned version) = 0;

protected:
  ~IOF_Virtual_Reader() = default;  // static objects, never deleted through the base
};

using ReaderRegistry = std::map<std::wstring, IOF_Virtual_Reader*>;

// The registries, each created empty on first use and destroyed at process exit.
ReaderRegistry& GetLightReaderRegistry();   // g_LightReaderRegistry: layers
ReaderRegistry& GetSlideReaderRegistry();   // g_SlideReaderRegistry: the slide container
ReaderRegistry& GetObjectReaderRegistry();  // g_ObjectReaderRegistry: every other scene object

// The registration step of one class: stores the reader under the name (a later
// registration of the same name replaces the earlier one). Returns true so that it can
// initialise a static flag.
bool RegisterReader(ReaderRegistry& registry, const wchar_t* className, IOF_Virtual_Reader* reader);

// The polymorphic read: class name, version, then the registered reader's Create. A
// name the registry does not know (or an empty one) yields null after consuming the
// name and the version and nothing else. A failed archive yields null too.
DS_IOF_Item* ReadRegisteredObject(const ReaderRegistry& registry, DS_IOF_Virtual& archive);

DS_ABObj_Constructor* ReadSceneObject(DS_IOF_Virtual& archive);

// Layers and slides live in libraries above this one; the templates resolve the
// conversion where the class is complete. Call as ReadLightObject(archive).
template <class B = DS_2D_Light>
B* ReadLightObject(DS_IOF_Virtual& archive) {
  return static_cast<B*>(ReadRegisteredObject(GetLightReaderRegistry(), archive));
}
template <class B = DS_SlideContainer>
B* ReadSlideObject(DS_IOF_Virtual& archive) {
  return static_cast<B*>(ReadRegisteredObject(GetSlideReaderRegistry(), archive));
}

// The field reader the templates call: T::ReadFields(archive, version). A class whose
// reader does more specialises Create.
template <class T>
class IOF_Virtual_ReaderT final : public IOF_Virtual_Reader {
public:
  DS_IOF_Item* Create(DS_IOF_Virtual& archive, unsigned version) override {
    std::unique_ptr<T> object(new T());
    object->ReadFields(archive, version);
    return static_cast<DS_ABObj_Constructor*>(object.release());
  }
  static IOF_Virtual_ReaderT* Instance() {
    static IOF_Virtual_ReaderT reader;
    return &reader;
  }
};

template <class T, class B>
class IOF_Virtual_ReaderT_II final : public IOF_Virtual_Reader {
public:
  DS_IOF_Item* Create(DS_IOF_Virtual& archive, unsigned version) override {
    std::unique_ptr<T> object(new T());
    object->ReadFields(archive, version);
    return static_cast<B*>(object.release());
  }
  static IOF_Virtual_ReaderT_II* Instance() {
    static IOF_Virtual_ReaderT_II reader;
    return &reader;
  }
};

// One registration per class, at namespace scope in the class's .cpp file. The class name
// in the document is the C++ class name, spelled exactly as stored documents spell it.
#define DS_REGISTER_OBJECT_READER(T)                                           \
  static const bool s_ReaderRegistered_##T =                                   \
      RegisterReader(GetObjectReaderRegistry(), L"" #T, IOF_Virtual_ReaderT<T>::Instance())
#define DS_REGISTER_LIGHT_READER(T)                                            \
  static const bool s_ReaderRegistered_##T = RegisterReader(                   \
      GetLightReaderRegistry(), L"" #T, IOF_Virtual_ReaderT_II<T, DS_2D_Light>::Instance())
#define DS_REGISTER_SLIDE_READER(T)                                            \
  static const bool s_ReaderRegistered_##T = RegisterReader(                   \
      GetSlideReaderRegistry(), L"" #T, IOF_Virtual_ReaderT_II<T, DS_SlideContainer>::Instance())

// Reads a counted list of object records with read (ReadSceneObject, ReadSlideObject<>,
// ...) and hands each object to add, which takes ownership. A null result means a class
// that no registry knows: records carry no length, so nothing after it can be found, and
// the archive is marked failed (the loader reports the document as malformed). A null
// object therefore never enters a list. Returns whether the whole list was read.
template <class Read, class Add>
bool ReadObjectList(DS_IOF_Virtual& archive, Read read, Add add) {
  unsigned count = 0;
  if (!ReadListCount(archive, count, kMinRecordBytes)) return false;
  for (unsigned i = 0; i < count; ++i) {
    auto* object = read(archive);
    if (!object) {
      archive.MarkFailed();
      return false;
    }
    add(object);
    if (archive.Failed()) return false;
  }
  return true;
}
