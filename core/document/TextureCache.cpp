#include "core/document/TextureCache.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/document/ResourceModule.h"

DS_TextureCache* g_TextureCache = nullptr;

namespace {

// Caches alive right now (main thread only), so that a manager can tell whether the cache
// it replaced may be made current again.
std::vector<const DS_TextureCache*>& LiveCaches()
{
  static std::vector<const DS_TextureCache*> caches;
  return caches;
}

using ModuleKey = std::pair<uintptr_t, int>;  // handle as an unsigned address, then id

ModuleKey KeyOf(HMODULE module, int id) { return ModuleKey(reinterpret_cast<uintptr_t>(module), id); }

DS_TextureRecord TextureFromBytes(const DS_ResourceRecord& record, UINT presetWidth, UINT presetHeight)
{
  DS_TextureRecord result;
  D3DXIMAGE_INFO info{};
  info.Width = presetWidth;
  info.Height = presetHeight;
  IDirect3DTexture9* texture = nullptr;
  if (RecordHasBytes(record) && SUCCEEDED(LoadTextureFromMemory(&info, record.size, &texture, record.data))) {
    result.Assign(texture, info.Width, info.Height);
    texture->Release();
  } else {
    result.Assign(nullptr, info.Width, info.Height);
  }
  return result;
}

}  // namespace

struct DS_TextureCache::Impl {
  std::map<int, ComRef<IDirect3DTexture9>> texturesById;
  std::map<ModuleKey, DS_TextureRecord> texturesByModule;
  std::map<std::pair<std::wstring, int>, DS_TextureRecord> texturesByModuleName;
  // Keyed by module as well as id: two modules may use the same number for different meshes.
  std::map<ModuleKey, DS_MeshRecord> meshesByModule;
  std::map<std::wstring, HMODULE> moduleHandles;
};

DS_TextureCache::DS_TextureCache() : m_Impl(new Impl) { LiveCaches().push_back(this); }

DS_TextureCache::~DS_TextureCache()
{
  auto& live = LiveCaches();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
  if (g_TextureCache == this) g_TextureCache = nullptr;
}

bool DS_TextureCache::IsLive(const DS_TextureCache* cache)
{
  const auto& live = LiveCaches();
  return cache && std::find(live.begin(), live.end(), cache) != live.end();
}

bool DS_TextureCache::FindModuleHandle(const std::wstring& moduleName, HMODULE* module)
{
  auto found = m_Impl->moduleHandles.find(moduleName);
  if (found != m_Impl->moduleHandles.end()) {
    *module = found->second;
    return true;
  }
  HMODULE handle = nullptr;
  if (!moduleName.empty()) {
    handle = OpenResourceModule(moduleName);
    if (!handle) return false;  // tried again on the next request
  }
  m_Impl->moduleHandles[moduleName] = handle;
  *module = handle;
  return true;
}

DS_TextureRecord DS_TextureCache::LoadTexture(const DS_ResourceRecord& record)
{
  if (!record.name.empty()) {
    if (RecordHasBytes(record)) return TextureFromBytes(record, 0, 0);
    // A stored name without bytes is a plain file path: it is never opened. Only a module
    // can still supply the picture.
    if (record.moduleName.empty()) return DS_TextureRecord();
  }

  HMODULE module = nullptr;
  if (FindModuleHandle(record.moduleName, &module)) {
    DS_TextureRecord& entry = m_Impl->texturesByModule[KeyOf(module, record.resourceId)];
    if (entry.texture) return entry;
    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* texture = nullptr;
    if (SUCCEEDED(LoadModuleTexture(module, record.resourceId, &texture, &info))) {
      entry.Assign(texture, info.Width, info.Height);
      texture->Release();
    } else {
      entry = TextureFromBytes(record, 0, 0);
    }
    return entry;
  }

  DS_TextureRecord& entry = m_Impl->texturesByModuleName[std::make_pair(record.moduleName, record.resourceId)];
  if (entry.texture) return entry;
  entry = TextureFromBytes(record, 800, 600);
  return entry;
}

DS_MeshRecord DS_TextureCache::LoadMesh(const DS_ResourceRecord& record, UINT vertexStride)
{
  HMODULE module = nullptr;
  if (FindModuleHandle(record.moduleName, &module)) {
    DS_MeshRecord& entry = m_Impl->meshesByModule[KeyOf(module, record.resourceId)];
    if (!entry.IsEmpty()) return entry;
    LoadModuleMesh(module, record.resourceId, vertexStride, &entry);
    if (!entry.IsEmpty()) return entry;
    entry.Reset();
  }
  DS_MeshRecord mesh;
  // Plain file paths are never opened: without bytes the mesh is missing.
  if (RecordHasBytes(record)) LoadMeshFromMemory(record.data, record.size, vertexStride, &mesh);
  return mesh;
}

IDirect3DTexture9* DS_TextureCache::GetDefaultTexture()
{
  ComRef<IDirect3DTexture9>& slot = m_Impl->texturesById[2];
  if (!slot) {
    IDirect3DTexture9* texture = nullptr;
    if (SUCCEEDED(LoadProgramTexture(2, &texture, true))) slot.Attach(texture);
  }
  if (slot) slot->AddRef();  // the caller's own reference
  return slot;
}
