#include "core/document/DocResManager.h"

#include <d3dx9.h>

#include "core/document/ResourceModule.h"
#include "platform/effect/Effect.h"

DS_DocResManager* g_DocResManager = nullptr;

namespace {

// Smallest stored sizes, for checking counts against the bytes a document has left.
constexpr size_t kMinResourceRecordBytes = 4 + kMinStringBytes + 4 + kMinStringBytes;
constexpr size_t kMinLinkEntryBytes = kMinStringBytes + 8 + 4;
constexpr size_t kMinGuidImageEntryBytes = kMinStringBytes + kMinStringBytes + 1 + 4 + kMinStringBytes;

// A set counts as loaded only when it holds a real texture: a set of failed loads is missing.
bool HasTexture(const DS_TextureSet& set)
{
  for (IDirect3DTexture9* t : set.textures)
    if (t) return true;
  return false;
}

void ReadLinkKey(DS_IOF_Virtual& archive, DS_LinkKey& key)
{
  archive.ReadString(key.path);
  archive.ReadInt64(key.stamp);
}

void WriteLinkKey(DS_IOF_Virtual& archive, const DS_LinkKey& key)
{
  archive.WriteString(key.path);
  archive.WriteInt64(key.stamp);
}

bool ReadRecordList(DS_IOF_Virtual& archive, DS_RecordList& records)
{
  unsigned n = 0;
  if (!ReadListCount(archive, n, kMinResourceRecordBytes)) return false;
  records.assign(n, DS_ResourceRecord());
  for (DS_ResourceRecord& record : records) {
    archive.ReadResourceRecord(record);
    if (archive.Failed()) return false;
  }
  return true;
}

bool ReadLinkRecordsMap(DS_IOF_Virtual& archive, std::map<DS_LinkKey, DS_RecordList>& map)
{
  unsigned n = 0;
  if (!ReadListCount(archive, n, kMinLinkEntryBytes)) return false;
  for (unsigned i = 0; i < n; ++i) {
    DS_LinkKey key;
    ReadLinkKey(archive, key);
    DS_RecordList records;
    if (!ReadRecordList(archive, records)) return false;
    map[key] = std::move(records);
  }
  return true;
}

bool ReadLinkFloatsMap(DS_IOF_Virtual& archive, std::map<DS_LinkKey, std::vector<float>>& map)
{
  unsigned n = 0;
  if (!ReadListCount(archive, n, kMinLinkEntryBytes)) return false;
  for (unsigned i = 0; i < n; ++i) {
    DS_LinkKey key;
    ReadLinkKey(archive, key);
    unsigned count = 0;
    if (!ReadListCount(archive, count, 4)) return false;
    std::vector<float> values(count, 0.0f);
    for (float& v : values) archive.ReadFloat(v);
    if (archive.Failed()) return false;
    map[key] = std::move(values);
  }
  return true;
}

bool ReadGuidImagesMap(DS_IOF_Virtual& archive, std::map<DS_GuidKey, DS_SavedGuidImage>& map)
{
  unsigned n = 0;
  if (!ReadListCount(archive, n, kMinGuidImageEntryBytes)) return false;
  for (unsigned i = 0; i < n; ++i) {
    DS_GuidKey key;
    // An unparsable GUID string leaves this fresh value, so the entry still has a key of
    // its own.
    CoCreateGuid(&key.guid);
    ReadGuid(archive, key.guid);
    archive.ReadString(key.name);
    DS_SavedGuidImage image;
    archive.ReadByte(image.flag);
    archive.ReadBuffer(image.image);
    if (archive.Failed()) return false;
    map[key] = std::move(image);
  }
  return true;
}

// The set's frames become exactly this one texture (or none when it failed); the size
// follows the texture record either way.
void SetSingleFrame(DS_TextureSet& set, const DS_TextureRecord& texture)
{
  set.ResizeFrames(0);
  if (texture.texture) {
    set.AddTexture(texture);
  } else {
    set.width = texture.width;
    set.height = texture.height;
    set.aspect = texture.aspect;
  }
  set.frame = 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------

DS_DocResTables::~DS_DocResTables()
{
  for (auto& entry : renderTargetPairs) delete entry.second;
  renderTargetPairs.clear();
  for (auto& entry : effects)
    if (entry.second) entry.second->Release();
  effects.clear();
  fonts.clear();
  guidTextures.clear();
}

DS_DocResManager::DS_DocResManager() : m_PreviousCache(g_TextureCache) { g_TextureCache = &m_Cache; }

DS_DocResManager::~DS_DocResManager()
{
  OnDeviceLost();
  if (g_TextureCache == &m_Cache)
    g_TextureCache = DS_TextureCache::IsLive(m_PreviousCache) ? m_PreviousCache : nullptr;
  if (g_DocResManager == this) g_DocResManager = nullptr;
}

DS_RecordList* DS_DocResManager::StoredRecords(const DS_LinkKey& link)
{
  auto found = m_Tables.store.find(link);
  if (found == m_Tables.store.end() || found->second.empty()) return nullptr;
  return &found->second;
}

bool DS_DocResManager::AddModuleRecord(const DS_LinkKey& link, const wchar_t* type, bool fallBackToProgram)
{
  // Plain file paths are never opened.
  if (!IsModulePath(link.path)) return false;
  int id = 0;
  long long lookup = 0;
  if (type == RT_RCDATA) {
    // Effect sources are looked up by the id's low 16 bits, as stored documents expect;
    // the record keeps the whole id.
    id = static_cast<int>(link.stamp);
    lookup = static_cast<WORD>(link.stamp);
  } else {
    // A "DDS" stamp beyond 16 bits names no module resource.
    if (!ModuleResourceId(link.stamp, &id)) return false;
    lookup = id;
  }
  DS_ResourceRecord record(id, link.path);
  HMODULE module = nullptr;
  const bool opened = m_Cache.FindModuleHandle(link.path, &module);
  if (opened || fallBackToProgram) {
    const void* bytes = nullptr;
    DWORD size = 0;
    if (FindResourceBytes(opened ? module : nullptr, lookup, type, &bytes, &size)) record.Assign(bytes, size);
  }
  m_Tables.store[link].push_back(record);
  return true;
}

DS_TextureSet& DS_DocResManager::GetTextureSet(const DS_LinkKey& link)
{
  DS_TextureSet& set = m_Tables.textureSets[link];
  if (HasTexture(set)) return set;
  // Bytes the document carries for the link come first (the module may not be installed
  // where the player runs); a record without a name still asks its module before them.
  if (const DS_RecordList* stored = StoredRecords(link)) {
    if (RecordHasBytes(stored->front())) {
      SetSingleFrame(set, m_Cache.LoadTexture(stored->front()));
      if (HasTexture(set)) return set;
    }
  }
  int id = 0;
  if (!IsModulePath(link.path) || !ModuleResourceId(link.stamp, &id)) return set;
  DS_ResourceRecord record(id, link.path);
  if (!StoredRecords(link)) m_Tables.store[link].push_back(record);
  SetSingleFrame(set, m_Cache.LoadTexture(record));
  return set;
}

std::vector<DS_TextureSet> DS_DocResManager::GetTextureSets(const std::vector<DS_FileLink3>& links)
{
  std::vector<DS_TextureSet> sets;
  sets.reserve(links.size());
  for (const DS_FileLink3& link : links) sets.push_back(GetTextureSet(link.GetKey()));
  return sets;
}

DS_TextureSet& DS_DocResManager::LoadModuleTextureSet(const DS_LinkKey& link)
{
  DS_TextureSet& set = m_Tables.textureSets[link];
  if (HasTexture(set)) return set;
  int id = 0;
  if (!ModuleResourceId(link.stamp, &id)) return set;
  // A module that does not open (and a plain path, which is never opened) leaves a null
  // handle: the program's own resources are searched instead.
  HMODULE module = nullptr;
  if (!IsModulePath(link.path) || !m_Cache.FindModuleHandle(link.path, &module)) module = nullptr;
  const void* bytes = nullptr;
  DWORD size = 0;
  if (!FindResourceBytes(module, id, kDdsResourceType, &bytes, &size)) return set;

  // The stored set: u32 count and that many float delays, then u32 count and that many
  // records. Both counts come from the module and are checked against its size; a set
  // that does not read completely is missing.
  ResourceBuffer source(bytes, size);
  std::vector<float> delays;
  if (!ReadDwordVector(source, delays)) return set;
  DS_IOF_R<ResourceBuffer> archive(&source);
  DS_RecordList records;
  if (!ReadRecordList(archive, records) || records.empty()) return set;

  DS_RecordList& stored = m_Tables.store[link];
  stored.insert(stored.end(), records.begin(), records.end());
  set.ResizeFrames(records.size());
  for (size_t i = 0; i < records.size(); ++i) set.SetFrame(i, m_Cache.LoadTexture(records[i]));
  set.delays = std::move(delays);
  set.lastSwitch = 0.0f;
  set.frame = 0;
  return set;
}

std::vector<DS_TextureSet> DS_DocResManager::LoadModuleTextureSets(const std::vector<DS_FileLink3>& links)
{
  std::vector<DS_TextureSet> sets;
  sets.reserve(links.size());
  for (const DS_FileLink3& link : links) sets.push_back(LoadModuleTextureSet(link.GetKey()));
  return sets;
}

const DS_ResourceRecord* DS_DocResManager::GetResourceRecord(const DS_LinkKey& link)
{
  DS_RecordList* records = StoredRecords(link);
  if (!records && PathExtension(link.path) == L".dll" && AddModuleRecord(link, kDdsResourceType, false))
    records = StoredRecords(link);
  if (!records || !RecordHasBytes(records->front())) return nullptr;
  return &records->front();
}

Effect* DS_DocResManager::GetEffect(const DS_LinkKey& link)
{
  Effect*& entry = m_Tables.effects[link];
  if (!entry) {
    // The program's own file holds no effect sources, but a module that does not open is
    // searched there all the same.
    if (!StoredRecords(link)) AddModuleRecord(link, RT_RCDATA, true);
    const DS_RecordList* records = StoredRecords(link);
    // An empty source is missing: nothing is compiled, the entry stays null and the next
    // request tries again.
    if (records && RecordHasBytes(records->front()))
      entry = CreateEffectFromSource(g_Device, records->front().data, records->front().size);
  }
  if (entry) entry->AddRef();
  return entry;
}

const DS_MeshRecord& DS_DocResManager::GetMesh(const DS_LinkKey& link, UINT vertexStride)
{
  DS_MeshRecord& entry = m_Tables.meshes[link];
  if (!entry.IsEmpty()) return entry;
  if (!StoredRecords(link)) AddModuleRecord(link, kDdsResourceType, false);
  const DS_RecordList* records = StoredRecords(link);
  if (records && RecordHasBytes(records->front()))
    LoadMeshFromMemory(records->front().data, records->front().size, vertexStride, &entry);
  return entry;
}

DS_RenderTargetPair* DS_DocResManager::GetRenderTargetPair(const DS_GuidKey& key)
{
  auto found = m_Tables.renderTargetPairs.find(key);
  if (found != m_Tables.renderTargetPairs.end()) return found->second;
  auto* pair = new DS_RenderTargetPair;
  pair->CopyFrom(m_Tables.guidTextures[key], 512, 512);
  m_Tables.renderTargetPairs[key] = pair;
  return pair;
}

void DS_DocResManager::MakeImageLink(const DS_ResourceRecord& record, DS_ImageFileLink& out)
{
  const DS_FileLink3 link(record);
  const DS_LinkKey key = link.GetKey();
  if (!StoredRecords(key)) m_Tables.store[key].push_back(record);
  SetSingleFrame(m_Tables.textureSets[key], m_Cache.LoadTexture(record));
  out = link;
}

void DS_DocResManager::MakeAnimatedImageLink(const std::vector<float>& delays, const DS_RecordList& records,
                                             DS_ImageFileLink& out)
{
  // Without a first record there is no link to make.
  if (records.empty()) return;
  const DS_FileLink3 link(records.front());
  const DS_LinkKey key = link.GetKey();
  DS_TextureSet& set = m_Tables.textureSets[key];
  if (!HasTexture(set)) {
    set.ResizeFrames(0);
    DS_RecordList& stored = m_Tables.store[key];
    for (const DS_ResourceRecord& record : records) {
      set.AddTexture(m_Cache.LoadTexture(record));
      stored.push_back(record);
    }
    set.delays = delays;
    set.lastSwitch = 0.0f;
    set.frame = 0;
  }
  out = link;
}

bool DS_DocResManager::PrepareLinkForSave(const DS_FileLink3& link)
{
  if (link.Path().empty()) return true;
  const DS_LinkKey key = link.GetKey();
  auto set = m_Tables.textureSets.find(key);
  if (set != m_Tables.textureSets.end() && !set->second.delays.empty())
    m_Tables.savedFrameDelays[key] = set->second.delays;
  if (const DS_RecordList* records = StoredRecords(key)) {
    DS_RecordList& saved = m_Tables.savedImages[key];
    saved.insert(saved.end(), records->begin(), records->end());
  }
  return true;
}

void DS_DocResManager::KeepStoredRecordsForSave(const DS_LinkKey& link)
{
  if (const DS_RecordList* records = StoredRecords(link)) {
    DS_RecordList& saved = m_Tables.savedRecords[link];
    saved.insert(saved.end(), records->begin(), records->end());
  }
}

void DS_DocResManager::WritePart(DS_IOF_Virtual& archive)
{
  archive.WriteString(L"DS_DocResManager");
  const unsigned version = kVersion;
  archive.WriteUInt(version);

  auto writeRecordsMap = [&archive](const std::map<DS_LinkKey, DS_RecordList>& map) {
    const unsigned n = static_cast<unsigned>(map.size());
    archive.WriteUInt(n);
    for (const auto& entry : map) {
      WriteLinkKey(archive, entry.first);
      const unsigned count = static_cast<unsigned>(entry.second.size());
      archive.WriteUInt(count);
      for (const DS_ResourceRecord& record : entry.second) archive.WriteResourceRecord(record);
    }
  };

  writeRecordsMap(m_Tables.savedImages);
  const unsigned delayEntries = static_cast<unsigned>(m_Tables.savedFrameDelays.size());
  archive.WriteUInt(delayEntries);
  for (const auto& entry : m_Tables.savedFrameDelays) {
    WriteLinkKey(archive, entry.first);
    const unsigned count = static_cast<unsigned>(entry.second.size());
    archive.WriteUInt(count);
    for (const float& delay : entry.second) archive.WriteFloat(delay);
  }
  writeRecordsMap(m_Tables.savedRecords);
  const unsigned guidEntries = static_cast<unsigned>(m_Tables.savedGuidImages.size());
  archive.WriteUInt(guidEntries);
  for (const auto& entry : m_Tables.savedGuidImages) {
    WriteGuid(archive, entry.first.guid);
    archive.WriteString(entry.first.name);
    archive.WriteByte(entry.second.flag);
    archive.WriteBuffer(entry.second.image);
  }
}

void DS_DocResManager::Read(DS_IOF_Virtual& archive, unsigned version)
{
  bool ok = ReadLinkRecordsMap(archive, m_Tables.savedImages);
  ok = ok && ReadLinkFloatsMap(archive, m_Tables.savedFrameDelays);
  if (version >= 2) ok = ok && ReadLinkRecordsMap(archive, m_Tables.savedRecords);
  if (version >= 3) ok = ok && ReadGuidImagesMap(archive, m_Tables.savedGuidImages);

  // 1. Stored pictures become texture sets, one frame per record.
  for (auto& entry : m_Tables.savedImages) {
    const DS_LinkKey& link = entry.first;
    DS_TextureSet& set = m_Tables.textureSets[link];
    DS_RecordList& stored = m_Tables.store[link];
    stored.insert(stored.end(), entry.second.begin(), entry.second.end());
    set.ResizeFrames(stored.size());
    for (size_t i = 0; i < stored.size(); ++i) set.SetFrame(i, m_Cache.LoadTexture(stored[i]));
    if (stored.size() > 1) set.delays = m_Tables.savedFrameDelays[link];
    set.lastSwitch = 0.0f;
    set.frame = 0;
  }
  m_Tables.savedImages.clear();
  if (version < 2) return;

  // 2. Other stored bytes join the store; a link that already has records keeps them.
  for (const auto& entry : m_Tables.savedRecords)
    if (!StoredRecords(entry.first)) m_Tables.store[entry.first] = entry.second;
  if (version < 3) return;

  // 3. Pictures stored under GUID keys.
  for (auto& entry : m_Tables.savedGuidImages) {
    IDirect3DTexture9* texture = nullptr;
    const NamedBuffer& image = entry.second.image;
    if (image.data && image.size > 0 && FAILED(LoadTextureFromMemory(nullptr, image.size, &texture, image.data)))
      texture = nullptr;
    m_Tables.guidTextures[entry.first].Attach(texture);
  }
  m_Tables.savedGuidImages.clear();
}

void DS_DocResManager::OnDeviceLost()
{
  for (auto& entry : m_Tables.effects)
    if (entry.second) entry.second->OnLostDevice();
  for (auto& entry : m_Tables.renderTargetPairs) entry.second->Release();
  for (auto& entry : m_Tables.fonts)
    if (entry.second) entry.second->OnLostDevice();
}

void DS_DocResManager::OnDeviceReset()
{
  for (auto& entry : m_Tables.effects)
    if (entry.second) entry.second->OnResetDevice();
  for (auto& entry : m_Tables.renderTargetPairs) {
    auto texture = m_Tables.guidTextures.find(entry.first);
    DS_RenderTargetPair* pair = entry.second;
    pair->CopyFrom(texture != m_Tables.guidTextures.end() ? texture->second.Get() : nullptr, pair->width,
                   pair->height);
  }
  for (auto& entry : m_Tables.fonts)
    if (entry.second) entry.second->OnResetDevice();
}
