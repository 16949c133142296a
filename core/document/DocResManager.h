#pragma once
// The document's resource store: the bytes of every picture, sound, effect source and mesh
// that the document carries, and the textures, texture sets, effects and meshes made from
// them. Scene objects ask it by link or by GUID key; it answers from its tables, from the
// document's stored bytes, or from the resource module, in that order. It owns everything
// it hands out and shares each resource among all objects naming the same link.
#include <map>
#include <vector>

#include "core/archive/DS_IOF.h"
#include "core/document/FileLink.h"
#include "core/document/ResourceKeys.h"
#include "core/document/TextureCache.h"
#include "core/render/RenderTargetPair.h"
#include "core/render/TextureSet.h"
#include "core/scene/DS_IOF_Item.h"

struct Effect;
struct ID3DXFont;

using DS_RecordList = std::vector<DS_ResourceRecord>;

// A picture stored under a GUID key in the document: a flag byte and its bytes.
struct DS_SavedGuidImage {
  unsigned char flag = 1;
  NamedBuffer image;
};

// The manager's tables. COM pointers held here carry one reference each; render-target
// pairs are owned.
struct DS_DocResTables {
  std::map<DS_LinkKey, DS_RecordList> savedRecords;
  std::map<DS_LinkKey, DS_RecordList> savedImages;
  std::map<DS_LinkKey, std::vector<float>> savedFrameDelays;
  std::map<DS_GuidKey, DS_SavedGuidImage> savedGuidImages;
  std::map<DS_LinkKey, DS_TextureSet> textureSets;
  std::map<DS_LinkKey, DS_MeshRecord> meshes;
  std::map<DS_GuidKey, DS_RenderTargetPair*> renderTargetPairs;
  std::map<DS_LinkKey, Effect*> effects;
  std::map<DS_GuidKey, ComRef<ID3DXFont>> fonts;  // nothing adds fonts; kept for loss and reset
  std::map<DS_LinkKey, DS_RecordList> store;
  std::map<DS_GuidKey, ComRef<IDirect3DTexture9>> guidTextures;

  DS_DocResTables() = default;
  DS_DocResTables(const DS_DocResTables&) = delete;
  DS_DocResTables& operator=(const DS_DocResTables&) = delete;
  ~DS_DocResTables();
};

class DS_DocResManager : public DS_IOF_Item {
public:
  static constexpr unsigned kVersion = 3;

  // Builds its own texture cache and makes it g_TextureCache.
  DS_DocResManager();
  // Device objects go first; the cache it replaced becomes current again when it still
  // exists (else g_TextureCache is left null), so the pointer never dangles.
  ~DS_DocResManager() override;
  DS_DocResManager(const DS_DocResManager&) = delete;
  DS_DocResManager& operator=(const DS_DocResManager&) = delete;

  // --- Lookups by link ---------------------------------------------------------------
  // The link's texture set: loaded at Read, else from the bytes the store carries for the
  // link, else from the link's module ("DDS" resource number stamp) for a ".dll" or empty
  // path. Never fails; without a texture it is missing.
  DS_TextureSet& GetTextureSet(const DS_LinkKey& link);
  std::vector<DS_TextureSet> GetTextureSets(const std::vector<DS_FileLink3>& links);
  // The stored texture set (frame delays, then records) in the link's module resource.
  // A module that does not open reads the program's own resources.
  DS_TextureSet& LoadModuleTextureSet(const DS_LinkKey& link);
  std::vector<DS_TextureSet> LoadModuleTextureSets(const std::vector<DS_FileLink3>& links);
  // The link's first stored record (the one lookups use), or null when there is none or
  // it holds no bytes. A ".dll" link not yet stored is filled from its module first.
  const DS_ResourceRecord* GetResourceRecord(const DS_LinkKey& link);
  // The link's effect with a reference for the caller, or null. Stored bytes win over the
  // module's RT_RCDATA resource, which is looked up by the stamp's low 16 bits.
  Effect* GetEffect(const DS_LinkKey& link);
  // The link's mesh record (empty when missing). `vertexStride`: callers pass 32.
  const DS_MeshRecord& GetMesh(const DS_LinkKey& link, UINT vertexStride);
  // The key's render-target pair (owned by the manager), filled at first from the GUID
  // texture under the same key at 512 x 512.
  DS_RenderTargetPair* GetRenderTargetPair(const DS_GuidKey& key);
  // The GUID texture slot (an empty slot is made for a new key; no reference is added).
  ComRef<IDirect3DTexture9>& operator[](const DS_GuidKey& key) { return m_Tables.guidTextures[key]; }

  // --- Links for records that came inline in old documents -----------------------------
  void MakeImageLink(const DS_ResourceRecord& record, DS_ImageFileLink& out);
  void MakeAnimatedImageLink(const std::vector<float>& delays, const DS_RecordList& records,
                             DS_ImageFileLink& out);

  // --- Write side ---------------------------------------------------------------------
  bool PrepareLinkForSave(const DS_FileLink3& link);
  // Appends the link's stored records to its saved-records entry (before its link record
  // is written).
  void KeepStoredRecordsForSave(const DS_LinkKey& link);
  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }
  void WritePart(DS_IOF_Virtual& archive);

  // --- Read side ----------------------------------------------------------------------
  // Reads the tables (after the class name and version) and builds the texture sets,
  // the store and the GUID textures. A malformed record stops at the first bad count.
  void Read(DS_IOF_Virtual& archive, unsigned version);

  // --- Device -------------------------------------------------------------------------
  // Effects and fonts are told; render-target pairs drop their DEFAULT-pool textures.
  void OnDeviceLost();
  // Effects and fonts are told; every pair is made again from its GUID texture at its
  // own size.
  void OnDeviceReset();

  DS_TextureCache& TextureCache() { return m_Cache; }
  DS_DocResTables& Tables() { return m_Tables; }

private:
  // The store's records for a link, or null when it has none (an empty list is none).
  DS_RecordList* StoredRecords(const DS_LinkKey& link);
  // Appends a (id = stamp, module = path) record for a module link when the store has none
  // for it, filling its bytes from the module resource of that type. False, adding nothing,
  // when the link names no module resource.
  // A module that does not open leaves the record without bytes, unless fallBackToProgram,
  // which searches the program's own file instead.
  bool AddModuleRecord(const DS_LinkKey& link, const wchar_t* type, bool fallBackToProgram);

  DS_TextureCache m_Cache;
  DS_TextureCache* m_PreviousCache;
  DS_DocResTables m_Tables;
};

// The process-wide resource store, set by the document loader; null until then.
extern DS_DocResManager* g_DocResManager;
