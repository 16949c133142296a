#pragma once
// The texture cache: turns stored resource records into textures and meshes, keeps those
// that come from modules so that each is created once, and keeps the handles of the
// modules it has opened. g_TextureCache points at the current cache: the Direct3D host
// creates one at start, and the document resource manager replaces it with its own.
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "core/archive/DS_IOF.h"
#include "core/render/D3DUtil.h"

class DS_TextureCache {
public:
  DS_TextureCache();
  // Releases every texture and mesh it holds; modules stay open until the process ends.
  // A cache that is still the current one leaves g_TextureCache null behind it.
  ~DS_TextureCache();
  DS_TextureCache(const DS_TextureCache&) = delete;
  DS_TextureCache& operator=(const DS_TextureCache&) = delete;

  // The texture of a record, with a reference for the caller:
  // - a record with a name and bytes: made from the bytes, not cached;
  // - otherwise, from its module's "DDS" resource with its id (cached per module and id),
  //   falling back to its own bytes; the empty module name is the program's own file;
  // - a module that does not open: from its own bytes, cached under (module name, id),
  //   sized 800 x 600 when nothing could be made.
  // A record with neither bytes nor a module is missing: plain file paths are never read.
  DS_TextureRecord LoadTexture(const DS_ResourceRecord& record);

  // The mesh of a record (a copy with references of its own): from its module's "DDS"
  // resource with its id (cached), else from its own bytes (not cached). Empty when
  // neither gives a mesh. `vertexStride` is the vertex size of the copy (callers pass 32).
  DS_MeshRecord LoadMesh(const DS_ResourceRecord& record, UINT vertexStride);

  // The program's own "DDS" resource 2 with a full mip chain (a new reference; null when
  // the program has none).
  IDirect3DTexture9* GetDefaultTexture();

  // The handle of a module by name (cached). The empty name is the program's own file
  // (a null handle). False, remembering nothing, when the module does not open.
  bool FindModuleHandle(const std::wstring& moduleName, HMODULE* module);

  // Whether a cache object is alive (used to restore a replaced current cache safely).
  static bool IsLive(const DS_TextureCache* cache);

private:
  struct Impl;
  std::unique_ptr<Impl> m_Impl;
};

extern DS_TextureCache* g_TextureCache;

// Whether a record carries bytes of its own (a record without them is only a name or a
// module resource).
inline bool RecordHasBytes(const DS_ResourceRecord& record) { return record.data && record.size > 0; }
