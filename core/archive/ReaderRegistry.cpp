#include "core/archive/ReaderRegistry.h"

#include "core/scene/DS_ABObj.h"

// Constant-initialised before any static initialiser runs, so a registration from any
// translation unit finds them ready; each map is built on first use and freed at exit.
static std::unique_ptr<ReaderRegistry> g_LightReaderRegistry;
static std::unique_ptr<ReaderRegistry> g_SlideReaderRegistry;
static std::unique_ptr<ReaderRegistry> g_ObjectReaderRegistry;

static ReaderRegistry& Ensure(std::unique_ptr<ReaderRegistry>& registry) {
  if (!registry) registry.reset(new ReaderRegistry());
  return *registry;
}

ReaderRegistry& GetLightReaderRegistry() { return Ensure(g_LightReaderRegistry); }
ReaderRegistry& GetSlideReaderRegistry() { return Ensure(g_SlideReaderRegistry); }
ReaderRegistry& GetObjectReaderRegistry() { return Ensure(g_ObjectReaderRegistry); }

bool RegisterReader(ReaderRegistry& registry, const wchar_t* className, IOF_Virtual_Reader* reader) {
  registry[std::wstring(className)] = reader;
  return true;
}

DS_IOF_Item* ReadRegisteredObject(const ReaderRegistry& registry, DS_IOF_Virtual& archive) {
  std::wstring className;
  unsigned version = 0;
  archive.ReadString(className);
  archive.ReadUInt(version);
  // A truncated record builds nothing: the caller sees null and the archive's failure.
  if (archive.Failed()) return nullptr;
  const auto found = registry.find(className);
  if (found == registry.end() || !found->second) return nullptr;
  return found->second->Create(archive, version);
}

DS_ABObj_Constructor* ReadSceneObject(DS_IOF_Virtual& archive) {
  return static_cast<DS_ABObj_Constructor*>(ReadRegisteredObject(GetObjectReaderRegistry(), archive));
}
