// The resource store on a real device under Wine: the texture cache and the manager against
// a resource-only test module (tw_test_module.dll beside this program) and this program's
// own "DDS" resources, documents read at each version, hostile counts, and the device-loss
// cycle proven by a real IDirect3DDevice9::Reset.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/archive/DS_IOF_Writer.h"
#include "core/document/DocResManager.h"
#include "core/document/ResourceModule.h"
#include "core/document/TextureCache.h"
#include "platform/effect/Effect.h"
#include "tests/support/TestDevice.h"

namespace {

const wchar_t kModule[] = L"tw_test_module.dll";
const wchar_t kMissingModule[] = L"tw_no_such_module.dll";

// Ids in the test module (make_test_module.py).
constexpr int kGreen4x2 = 5, kBlue2x2 = 6, kMesh = 68;
constexpr int kGoodSet = 30, kHugeCountSet = 31, kHugeDelaySet = 32, kTruncatedSet = 33;
constexpr int kPlainEffect = 77, kNotAnEffect = 78;
// Ids in this program's own resources.
constexpr int kProgramGrey16x4 = 5, kProgramSet = 40;

constexpr D3DCOLOR kGreen = 0x00C800, kBlue = 0x0000DC, kRed = 0xE60000, kGrey = 0x808080;

std::vector<unsigned char> ModuleBytes(const wchar_t* type, int id)
{
  HMODULE module = LoadLibraryExW(kModule, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const void* bytes = nullptr;
  DWORD size = 0;
  if (!module || !FindResourceBytes(module, id, type, &bytes, &size)) return {};
  const auto* p = static_cast<const unsigned char*>(bytes);
  return std::vector<unsigned char>(p, p + size);
}

DS_ResourceRecord RecordWithBytes(const std::vector<unsigned char>& bytes, const wchar_t* name, int id = 0,
                                  const wchar_t* module = L"")
{
  DS_ResourceRecord record(id, module);
  record.name = name;
  record.Assign(bytes.data(), static_cast<unsigned>(bytes.size()));
  return record;
}

// A real file on disk that a document could name by path.
std::wstring WriteTempPicture(const std::vector<unsigned char>& bytes)
{
  wchar_t dir[MAX_PATH], path[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  GetTempFileNameW(dir, L"twd", 0, path);
  std::wstring result = std::wstring(path) + L".bmp";
  FILE* f = _wfopen(result.c_str(), L"wb");
  if (f) {
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }
  DeleteFileW(path);
  return result;
}

GUID MakeGuid()
{
  GUID g;
  CoCreateGuid(&g);
  return g;
}

// Counts the lost/reset calls the manager makes; the manager's table holds its reference.
class RecordingEffect final : public Effect {
public:
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override
  {
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
  }
  HRESULT SetTechnique(const char*) override { return S_OK; }
  HRESULT SetTexture(const char*, IDirect3DBaseTexture9*) override { return S_OK; }
  HRESULT SetFloat(const char*, float) override { return S_OK; }
  HRESULT SetFloatArray(const char*, const float*, UINT) override { return S_OK; }
  HRESULT SetMatrix(const char*, const D3DXMATRIX*) override { return S_OK; }
  HRESULT Begin(UINT*, DWORD) override { return S_OK; }
  HRESULT BeginPass(UINT) override { return S_OK; }
  HRESULT CommitChanges() override { return S_OK; }
  HRESULT EndPass() override { return S_OK; }
  HRESULT End() override { return S_OK; }
  HRESULT OnLostDevice() override
  {
    ++lost;
    return S_OK;
  }
  HRESULT OnResetDevice() override
  {
    ++reset;
    return S_OK;
  }
  ULONG refs = 1;
  int lost = 0, reset = 0;
};

class DocumentDevice : public ::testing::Test {
protected:
  void SetUp() override
  {
    ASSERT_TRUE(dev.Create(64, 64)) << dev.error;
    g_Device = dev.device;
    manager = new DS_DocResManager;
    g_DocResManager = manager;
    green = ModuleBytes(L"DDS", kGreen4x2);
    blue = ModuleBytes(L"DDS", kBlue2x2);
    ASSERT_FALSE(green.empty()) << "tw_test_module.dll is missing beside the test program";
  }
  void TearDown() override
  {
    delete manager;
    manager = nullptr;
    g_Device = nullptr;
  }

  // The RGB of a texture's first pixel (textures from 24-bit pictures are 32-bit here).
  D3DCOLOR Rgb(IDirect3DTexture9* texture)
  {
    D3DCOLOR c = 0xDEADBEEF;
    EXPECT_TRUE(dev.ReadTexturePixel(texture, 0, 0, &c));
    return c & 0x00FFFFFF;
  }

  size_t StoredCount(const DS_LinkKey& link)
  {
    auto found = manager->Tables().store.find(link);
    return found == manager->Tables().store.end() ? 0 : found->second.size();
  }

  tw_test::TestDevice dev;
  DS_DocResManager* manager = nullptr;
  std::vector<unsigned char> green, blue;
};

// ---------------------------------------------------------------------------------------
// Texture cache

TEST_F(DocumentDevice, CacheLoadsEachModuleTextureOnce)
{
  DS_TextureCache& cache = manager->TextureCache();
  const DS_ResourceRecord record(kGreen4x2, kModule);
  DS_TextureRecord a = cache.LoadTexture(record);
  DS_TextureRecord b = cache.LoadTexture(record);
  ASSERT_NE(a.texture, nullptr);
  EXPECT_EQ(a.texture, b.texture);
  EXPECT_EQ(a.width, 4u);
  EXPECT_EQ(a.height, 2u);
  EXPECT_FLOAT_EQ(a.aspect, 0.5f);
  EXPECT_EQ(Rgb(a.texture), kGreen);
}

TEST_F(DocumentDevice, CacheRecordsByKind)
{
  DS_TextureCache& cache = manager->TextureCache();
  const std::wstring plainFile = WriteTempPicture(green);
  struct Case {
    const char* what;
    DS_ResourceRecord record;
    bool texture;
    UINT width, height;
    D3DCOLOR rgb;
  };
  DS_ResourceRecord programOwn(kProgramGrey16x4, L"");
  DS_ResourceRecord unopenedWithBytes = RecordWithBytes(blue, L"", 12, kMissingModule);
  unopenedWithBytes.name.clear();
  DS_ResourceRecord unopenedBare(13, kMissingModule);  // a key of its own: (module name, id)
  DS_ResourceRecord plain;
  plain.name = plainFile;  // a file path without bytes: never opened
  DS_ResourceRecord plainWithModule(kBlue2x2, kModule);
  plainWithModule.name = plainFile;  // no bytes, but a module that has the picture
  DS_ResourceRecord inlineBytes = RecordWithBytes(blue, L"inline.bmp");
  DS_ResourceRecord largeId(0x10000 + kGreen4x2, kModule);
  const Case cases[] = {
      {"program's own resource", programOwn, true, 16, 4, kGrey},
      {"module does not open, bytes", unopenedWithBytes, true, 2, 2, kBlue},
      {"module does not open, no bytes", unopenedBare, false, 800, 600, 0},
      {"plain file path", plain, false, 0, 0, 0},
      {"file name and a module", plainWithModule, true, 2, 2, kBlue},
      {"name with bytes", inlineBytes, true, 2, 2, kBlue},
      {"id beyond 16 bits", largeId, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    DS_TextureRecord t = cache.LoadTexture(c.record);
    EXPECT_EQ(t.texture != nullptr, c.texture) << c.what;
    EXPECT_EQ(t.width, c.width) << c.what;
    EXPECT_EQ(t.height, c.height) << c.what;
    if (c.texture && t.texture) {
      EXPECT_EQ(Rgb(t.texture), c.rgb) << c.what;
    }
  }
  // Bytes for a module that does not open are cached under (module name, id).
  EXPECT_EQ(cache.LoadTexture(unopenedWithBytes).texture, cache.LoadTexture(unopenedWithBytes).texture);
  // Bytes with a name are not cached: each call makes a texture of its own.
  EXPECT_NE(cache.LoadTexture(inlineBytes).texture, cache.LoadTexture(inlineBytes).texture);
  DeleteFileW(plainFile.c_str());
}

TEST_F(DocumentDevice, CacheDefaultTextureAndMeshes)
{
  DS_TextureCache& cache = manager->TextureCache();
  IDirect3DTexture9* a = cache.GetDefaultTexture();
  IDirect3DTexture9* b = cache.GetDefaultTexture();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_GT(a->GetLevelCount(), 1u);  // full mip chain
  EXPECT_EQ(Rgb(a), kRed);
  a->Release();
  b->Release();

  const DS_MeshRecord m1 = cache.LoadMesh(DS_ResourceRecord(kMesh, kModule), 32);
  const DS_MeshRecord m2 = cache.LoadMesh(DS_ResourceRecord(kMesh, kModule), 32);
  ASSERT_FALSE(m1.IsEmpty());
  EXPECT_EQ(m1.vertexBuffer, m2.vertexBuffer);  // cached per module and id
  EXPECT_EQ(m1.faceCount, 4u);
  EXPECT_GT(m1.radius, 0.0f);

  // The program has no mesh 68: the record's own bytes are used, uncached.
  const std::vector<unsigned char> x = ModuleBytes(L"DDS", kMesh);
  const DS_ResourceRecord own = RecordWithBytes(x, L"", kMesh, L"");
  const DS_MeshRecord fromBytes = cache.LoadMesh(own, 32);
  ASSERT_FALSE(fromBytes.IsEmpty());
  EXPECT_NE(fromBytes.vertexBuffer, m1.vertexBuffer);
  EXPECT_EQ(fromBytes.faceCount, 4u);

  DS_ResourceRecord plainFile;
  plainFile.name = L"C:\\windows\\system32\\anything.x";
  EXPECT_TRUE(cache.LoadMesh(plainFile, 32).IsEmpty());
  EXPECT_TRUE(cache.LoadMesh(DS_ResourceRecord(kMesh, kMissingModule), 32).IsEmpty());
}

// ---------------------------------------------------------------------------------------
// Texture sets by link

TEST_F(DocumentDevice, TextureSetsByLink)
{
  const std::wstring plainFile = WriteTempPicture(green);
  struct Case {
    const char* what;
    DS_LinkKey link;
    bool found;
    UINT width, height;
    D3DCOLOR rgb;
    size_t stored;  // records the store then holds for the link
  };
  const Case cases[] = {
      {"module picture", {kModule, kGreen4x2}, true, 4, 2, kGreen, 1},
      {"upper-case extension", {L"TW_TEST_MODULE.DLL", kBlue2x2}, true, 2, 2, kBlue, 1},
      {"empty path: the program's own", {L"", kProgramGrey16x4}, true, 16, 4, kGrey, 1},
      {"id beyond 16 bits", {kModule, 0x10000 + kGreen4x2}, false, 0, 0, 0, 0},
      {"stamp beyond 32 bits", {kModule, 0x100000000LL + kGreen4x2}, false, 0, 0, 0, 0},
      {"negative stamp", {kModule, -1}, false, 0, 0, 0, 0},
      {"missing id", {kModule, 999}, false, 0, 0, 0, 1},
      {"module does not open", {kMissingModule, kGreen4x2}, false, 800, 600, 0, 1},
      {"plain file path", {plainFile, 0}, false, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    DS_TextureSet& set = manager->GetTextureSet(c.link);
    EXPECT_EQ(set.CurrentTexture() != nullptr, c.found) << c.what;
    EXPECT_EQ(set.width, c.width) << c.what;
    EXPECT_EQ(set.height, c.height) << c.what;
    if (c.found && set.CurrentTexture()) {
      EXPECT_EQ(Rgb(set.CurrentTexture()), c.rgb) << c.what;
    }
    EXPECT_EQ(StoredCount(c.link), c.stored) << c.what;
    // Asking again gives the same set and the same texture.
    IDirect3DTexture9* first = set.CurrentTexture();
    EXPECT_EQ(&manager->GetTextureSet(c.link), &set) << c.what;
    EXPECT_EQ(manager->GetTextureSet(c.link).CurrentTexture(), first) << c.what;
  }
  const auto& stored = manager->Tables().store[DS_LinkKey(kModule, kGreen4x2)];
  EXPECT_EQ(stored.front().resourceId, kGreen4x2);
  EXPECT_EQ(stored.front().moduleName, kModule);

  // Bytes the document carries come first, for a module that is not installed and for a
  // path that is never opened; a record without bytes still leaves the module to answer.
  struct Carried {
    const char* what;
    DS_LinkKey link;
    DS_ResourceRecord record;
    D3DCOLOR rgb;
  };
  DS_ResourceRecord bare(kGreen4x2, kModule);
  const Carried carried[] = {
      {"module not installed", {kMissingModule, 40}, RecordWithBytes(blue, L"b.bmp", 40, kMissingModule), kBlue},
      {"plain path", {L"C:\\pictures\\b.bmp", 3}, RecordWithBytes(blue, L"C:\\pictures\\b.bmp"), kBlue},
      {"record without bytes", {kModule, kGreen4x2}, bare, kGreen},
  };
  for (const Carried& c : carried) {
    DS_DocResManager m;
    m.Tables().store[c.link].push_back(c.record);
    IDirect3DTexture9* t = m.GetTextureSet(c.link).CurrentTexture();
    ASSERT_NE(t, nullptr) << c.what;
    EXPECT_EQ(Rgb(t), c.rgb) << c.what;
    EXPECT_EQ(m.Tables().store[c.link].size(), 1u) << c.what;
  }

  DS_FileLink3 a(kGreen4x2, kModule), b(kBlue2x2, kModule);
  const std::vector<DS_TextureSet> sets = manager->GetTextureSets({a, b});
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[0].width, 4u);
  EXPECT_EQ(sets[1].width, 2u);
  EXPECT_EQ(&a.GetTextureSet(*manager), &manager->GetTextureSet(a.GetKey()));
  DeleteFileW(plainFile.c_str());
}

TEST_F(DocumentDevice, ModulesAreReadWithoutRunningTheirCode)
{
  const DS_LinkKey link(L"tw_test_code_module.dll", kGreen4x2);
  ASSERT_EQ(GetModuleHandleW(L"tw_test_code_module.dll"), nullptr);
  DS_TextureSet& set = manager->GetTextureSet(link);
  ASSERT_NE(set.CurrentTexture(), nullptr);
  EXPECT_EQ(Rgb(set.CurrentTexture()), kGreen);
  EXPECT_EQ(manager->GetEffect(DS_LinkKey(L"tw_test_code_module.dll", kPlainEffect)), nullptr);
  wchar_t ran[8] = L"";
  EXPECT_EQ(GetEnvironmentVariableW(L"TW_MODULE_CODE_RAN", ran, 8), 0u) << "the module's code ran";
}

TEST_F(DocumentDevice, StoredTextureSetFromModule)
{
  const DS_LinkKey link(kModule, kGoodSet);
  DS_TextureSet& set = manager->LoadModuleTextureSet(link);
  ASSERT_EQ(set.textures.size(), 2u);
  ASSERT_NE(set.textures[0], nullptr);
  ASSERT_NE(set.textures[1], nullptr);
  EXPECT_EQ(Rgb(set.textures[0]), kBlue);   // carried bytes
  EXPECT_EQ(Rgb(set.textures[1]), kGreen);  // picture 5 of the module
  EXPECT_EQ(set.delays, (std::vector<float>{0.5f, 0.25f, 1.0f}));
  EXPECT_EQ(set.width, 4u);  // the last frame's
  EXPECT_EQ(set.height, 2u);
  EXPECT_EQ(set.frame, 0);
  EXPECT_EQ(StoredCount(link), 2u);
  // Three delays, two frames: stepping never leaves the textures.
  for (int i = 1; i <= 40; ++i) {
    set.AdvanceFrame(0.3f * i);
    ASSERT_GE(set.frame, 0);
    ASSERT_LT(set.frame, 2);
    EXPECT_NE(set.CurrentTexture(), nullptr);
  }
  // Held: a second request does not read the module again.
  EXPECT_EQ(&manager->LoadModuleTextureSet(link), &set);
  EXPECT_EQ(StoredCount(link), 2u);

  DS_FileLink3 viaLink(kGoodSet, kModule);
  EXPECT_EQ(&viaLink.LoadModuleTextureSet(*manager), &set);
  EXPECT_EQ(manager->LoadModuleTextureSets({viaLink}).front().textures.size(), 2u);
}

TEST_F(DocumentDevice, StoredTextureSetsThatAreMissingOrHostile)
{
  struct Case {
    const char* what;
    DS_LinkKey link;
    size_t frames;
    D3DCOLOR rgb;
  };
  const Case cases[] = {
      {"record count beyond the resource", {kModule, kHugeCountSet}, 0, 0},
      {"delay count beyond the resource", {kModule, kHugeDelaySet}, 0, 0},
      {"truncated record", {kModule, kTruncatedSet}, 0, 0},
      {"missing id", {kModule, 999}, 0, 0},
      {"id beyond 16 bits", {kModule, 0x10000 + kGoodSet}, 0, 0},
      {"module does not open: the program's own", {kMissingModule, kProgramSet}, 1, kGrey},
  };
  for (const Case& c : cases) {
    DS_TextureSet& set = manager->LoadModuleTextureSet(c.link);
    EXPECT_EQ(set.textures.size(), c.frames) << c.what;
    if (c.frames) {
      EXPECT_EQ(Rgb(set.textures[0]), c.rgb) << c.what;
    }
    EXPECT_EQ(StoredCount(c.link), c.frames) << c.what;
  }
}

// ---------------------------------------------------------------------------------------
// Records, effects, meshes

TEST_F(DocumentDevice, ResourceRecordsFromStoreOrModule)
{
  const std::vector<unsigned char> x = ModuleBytes(L"DDS", kMesh);
  const DS_LinkKey meshLink(kModule, kMesh);
  const DS_ResourceRecord* r = manager->GetResourceRecord(meshLink);
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(r->size, x.size());
  EXPECT_EQ(std::vector<unsigned char>(r->data, r->data + r->size), x);
  EXPECT_EQ(manager->GetResourceRecord(meshLink), r);  // stored: the same record

  // The document's bytes come first.
  const DS_LinkKey carried(L"sound.wav", 4);
  manager->Tables().store[carried].push_back(RecordWithBytes({'R', 'I', 'F', 'F'}, L"sound.wav"));
  ASSERT_NE(manager->GetResourceRecord(carried), nullptr);
  EXPECT_EQ(manager->GetResourceRecord(carried)->size, 4u);

  // An empty record list is no record: the module is asked.
  const DS_LinkKey emptyList(kModule, kBlue2x2);
  manager->Tables().store[emptyList];
  ASSERT_NE(manager->GetResourceRecord(emptyList), nullptr);
  EXPECT_EQ(manager->GetResourceRecord(emptyList)->size, blue.size());

  EXPECT_EQ(manager->GetResourceRecord(DS_LinkKey(L"C:\\music\\song.wav", 7)), nullptr);
  EXPECT_EQ(manager->GetResourceRecord(DS_LinkKey(kModule, 999)), nullptr);
  EXPECT_EQ(manager->GetResourceRecord(DS_LinkKey(kModule, 0x10000 + kMesh)), nullptr);
  EXPECT_EQ(manager->GetResourceRecord(DS_LinkKey(kMissingModule, kMesh)), nullptr);
}

TEST_F(DocumentDevice, EffectsAreSharedPerLink)
{
  const DS_LinkKey link(kModule, kPlainEffect);
  Effect* a = manager->GetEffect(link);
  ASSERT_NE(a, nullptr) << "the effect runtime did not compile the test module's effect";
  Effect* b = manager->GetEffect(link);
  EXPECT_EQ(a, b);
  // The table's reference and one per request.
  EXPECT_EQ(b->Release(), 2u);
  EXPECT_EQ(a->Release(), 1u);
  EXPECT_EQ(a->SetTechnique("Plain"), S_OK);

  EXPECT_EQ(manager->GetEffect(DS_LinkKey(kModule, kNotAnEffect)), nullptr);
  EXPECT_EQ(manager->GetEffect(DS_LinkKey(kModule, 999)), nullptr);
  // Effect sources are found by the stamp's low 16 bits; the stored record keeps the id.
  const DS_LinkKey wide(kModule, 0x10000 + kPlainEffect);
  Effect* low = manager->GetEffect(wide);
  ASSERT_NE(low, nullptr);
  low->Release();
  EXPECT_EQ(manager->Tables().store[wide].front().resourceId, 0x10000 + kPlainEffect);
  EXPECT_EQ(manager->GetEffect(DS_LinkKey(kMissingModule, kPlainEffect)), nullptr);
  EXPECT_EQ(manager->GetEffect(DS_LinkKey(L"C:\\effects\\water.fx", 0)), nullptr);
}

TEST_F(DocumentDevice, StoredEffectSourceWinsAndEmptyIsMissing)
{
  const std::vector<unsigned char> source = ModuleBytes(RT_RCDATA, kPlainEffect);
  ASSERT_FALSE(source.empty());
  // The module's resource under this id is not an effect; the document's copy is.
  const DS_LinkKey carried(kModule, kNotAnEffect);
  manager->Tables().store[carried].push_back(RecordWithBytes(source, L"plain.fx"));
  Effect* e = manager->GetEffect(carried);
  ASSERT_NE(e, nullptr);
  e->Release();

  // A stored record without bytes is missing, although the module has a good source.
  const DS_LinkKey empty(kModule, kPlainEffect);
  manager->Tables().store[empty].push_back(DS_ResourceRecord(kPlainEffect, kModule));
  EXPECT_EQ(manager->GetEffect(empty), nullptr);
  EXPECT_EQ(manager->GetEffect(empty), nullptr);
}

TEST_F(DocumentDevice, MeshesByLink)
{
  const DS_MeshRecord& mesh = manager->GetMesh(DS_LinkKey(kModule, kMesh), 32);
  ASSERT_FALSE(mesh.IsEmpty());
  EXPECT_EQ(mesh.faceCount, 4u);
  EXPECT_GE(mesh.vertexCount, 4u);
  EXPECT_GT(mesh.radius, 0.0f);
  EXPECT_EQ(&manager->GetMesh(DS_LinkKey(kModule, kMesh), 32), &mesh);
  EXPECT_EQ(manager->GetMesh(DS_LinkKey(kModule, kMesh), 32).vertexBuffer, mesh.vertexBuffer);

  EXPECT_TRUE(manager->GetMesh(DS_LinkKey(kModule, kGreen4x2), 32).IsEmpty());  // not a mesh
  EXPECT_TRUE(manager->GetMesh(DS_LinkKey(kModule, 0x10000 + kMesh), 32).IsEmpty());
  EXPECT_TRUE(manager->GetMesh(DS_LinkKey(kMissingModule, kMesh), 32).IsEmpty());
  EXPECT_TRUE(manager->GetMesh(DS_LinkKey(L"C:\\meshes\\leaf.x", 0), 32).IsEmpty());
}

// ---------------------------------------------------------------------------------------
// Links for records that came inline in old documents

TEST_F(DocumentDevice, ImageLinksFromInlineRecords)
{
  DS_ImageFileLink out;
  manager->MakeImageLink(DS_ResourceRecord(kGreen4x2, kModule), out);
  EXPECT_EQ(out.GetKey(), DS_LinkKey(kModule, kGreen4x2));
  EXPECT_EQ(Rgb(manager->GetTextureSet(out.GetKey()).CurrentTexture()), kGreen);

  const int next = PeekNextLinkNumber();
  manager->MakeImageLink(RecordWithBytes(blue, L"inline.bmp"), out);
  EXPECT_EQ(out.GetKey(), DS_LinkKey(L"inline.bmp", next));
  EXPECT_EQ(out.GetUndo().Saved(), out.GetKey());
  DS_TextureSet& inlineSet = manager->GetTextureSet(out.GetKey());
  EXPECT_EQ(inlineSet.width, 2u);
  EXPECT_EQ(Rgb(inlineSet.CurrentTexture()), kBlue);
  EXPECT_EQ(StoredCount(out.GetKey()), 1u);

  std::vector<DS_ResourceRecord> frames;
  frames.push_back(RecordWithBytes(blue, L"b.bmp", kBlue2x2, kModule));
  frames.push_back(RecordWithBytes(green, L"g.bmp"));
  manager->MakeAnimatedImageLink({0.1f, 0.2f}, frames, out);
  EXPECT_EQ(out.GetKey(), DS_LinkKey(kModule, kBlue2x2));
  DS_TextureSet& anim = manager->GetTextureSet(out.GetKey());
  ASSERT_EQ(anim.textures.size(), 2u);
  EXPECT_EQ(Rgb(anim.textures[0]), kBlue);
  EXPECT_EQ(Rgb(anim.textures[1]), kGreen);
  EXPECT_EQ(anim.delays, (std::vector<float>{0.1f, 0.2f}));
  // Already loaded: only the link is set.
  manager->MakeAnimatedImageLink({9.0f}, frames, out);
  EXPECT_EQ(anim.delays.size(), 2u);
  EXPECT_EQ(StoredCount(out.GetKey()), 2u);
  // No records: nothing to link.
  manager->MakeAnimatedImageLink({}, {}, out);
  EXPECT_EQ(out.GetKey(), DS_LinkKey(kModule, kBlue2x2));
}

// ---------------------------------------------------------------------------------------
// Reading the store's record

struct DocumentParts {
  DS_LinkKey animated{L"frames.gif", 7};
  DS_LinkKey single{L"single.bmp", 8};
  DS_LinkKey sound{L"sound.wav", 9};
  DS_GuidKey guid{MakeGuid(), L"glow"};
};

// The tables in the stored layout, as far as `version` has them.
std::vector<unsigned char> WriteDocument(const DocumentParts& p, unsigned version,
                                         const std::vector<unsigned char>& green,
                                         const std::vector<unsigned char>& blue,
                                         const std::vector<unsigned char>& red)
{
  DS_IOF_W w;
  auto key = [&w](const DS_LinkKey& k) {
    w.WriteString(k.path);
    w.WriteInt64(k.stamp);
  };
  auto u32 = [&w](unsigned v) { w.WriteUInt(v); };
  // Saved images: three frames for one link, one for the other.
  u32(2);
  key(p.animated);
  u32(3);
  w.WriteResourceRecord(RecordWithBytes(blue, L"f0.bmp"));
  w.WriteResourceRecord(RecordWithBytes(green, L"f1.bmp"));
  w.WriteResourceRecord(RecordWithBytes(blue, L"f2.bmp"));
  key(p.single);
  u32(1);
  w.WriteResourceRecord(RecordWithBytes(green, L"one.bmp"));
  // Saved frame delays.
  u32(2);
  key(p.animated);
  u32(3);
  for (float d : {0.1f, 0.2f, 0.3f}) w.WriteFloat(d);
  key(p.single);
  u32(1);
  w.WriteFloat(9.0f);
  if (version >= 2) {
    u32(1);
    key(p.sound);
    u32(1);
    w.WriteResourceRecord(RecordWithBytes({'R', 'I', 'F', 'F', 0, 0}, L"sound.wav"));
  }
  if (version >= 3) {
    u32(1);
    WriteGuid(w, p.guid.guid);
    w.WriteString(p.guid.name);
    w.WriteByte(1);
    NamedBuffer image;
    image.Assign(red.data(), static_cast<unsigned>(red.size()));
    w.WriteBuffer(image);
  }
  return w.Bytes();
}

TEST_F(DocumentDevice, ReadsEachVersion)
{
  // This program's own default picture serves as the GUID image.
  HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(2), L"DDS");
  ASSERT_NE(info, nullptr);
  const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, info)));
  const std::vector<unsigned char> redPicture(bytes, bytes + SizeofResource(nullptr, info));

  const DocumentParts parts;
  for (unsigned version = 1; version <= 3; ++version) {
    SCOPED_TRACE("version " + std::to_string(version));
    const std::vector<unsigned char> doc = WriteDocument(parts, version, green, blue, redPicture);
    DS_DocResManager m;
    ResourceBuffer source(doc.data(), doc.size());
    DS_IOF_R<ResourceBuffer> archive(&source);
    m.Read(archive, version);
    EXPECT_FALSE(archive.Failed());
    EXPECT_EQ(source.Remaining(), 0u);

    DS_TextureSet& anim = m.GetTextureSet(parts.animated);
    ASSERT_EQ(anim.textures.size(), 3u);
    EXPECT_EQ(Rgb(anim.textures[0]), kBlue);
    EXPECT_EQ(Rgb(anim.textures[1]), kGreen);
    EXPECT_EQ(anim.delays, (std::vector<float>{0.1f, 0.2f, 0.3f}));
    DS_TextureSet& single = m.GetTextureSet(parts.single);
    ASSERT_EQ(single.textures.size(), 1u);
    EXPECT_TRUE(single.delays.empty());  // one frame: the stored delays are not taken
    EXPECT_EQ(single.width, 4u);
    EXPECT_TRUE(m.Tables().savedImages.empty());

    EXPECT_EQ(m.GetResourceRecord(parts.sound) != nullptr, version >= 2);
    EXPECT_EQ(m[parts.guid] != nullptr, version >= 3);
    if (version >= 3) {
      EXPECT_EQ(Rgb(m[parts.guid]), kRed);
      EXPECT_TRUE(m.Tables().savedGuidImages.empty());
    }
  }
}

TEST_F(DocumentDevice, WrittenStoreReadsBack)
{
  const DocumentParts parts;
  DS_DocResManager first;
  {
    const std::vector<unsigned char> doc = WriteDocument(parts, 2, green, blue, {});
    ResourceBuffer source(doc.data(), doc.size());
    DS_IOF_R<ResourceBuffer> archive(&source);
    first.Read(archive, 2);
  }
  EXPECT_TRUE(first.PrepareLinkForSave(DS_FileLink3(parts.animated)));
  // Writing a link keeps its stored bytes for saving, in the current manager.
  const size_t keptBefore = first.Tables().savedRecords[parts.sound].size();
  g_DocResManager = &first;
  DS_IOF_W linkRecord;
  WriteFileLink(linkRecord, DS_FileLink3(parts.sound));
  g_DocResManager = manager;
  EXPECT_EQ(first.Tables().savedRecords[parts.sound].size(), keptBefore + 1);
  DS_IOF_W w;
  first.WritePart(w);

  ResourceBuffer source(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> archive(&source);
  std::wstring className;
  unsigned version = 0;
  archive.ReadString(className);
  archive.ReadUInt(version);
  EXPECT_EQ(className, L"DS_DocResManager");
  EXPECT_EQ(version, 3u);
  DS_DocResManager second;
  second.Read(archive, version);
  EXPECT_FALSE(archive.Failed());
  EXPECT_EQ(source.Remaining(), 0u);
  DS_TextureSet& anim = second.GetTextureSet(parts.animated);
  EXPECT_EQ(anim.textures.size(), 3u);
  EXPECT_EQ(anim.delays.size(), 3u);
  ASSERT_NE(second.GetResourceRecord(parts.sound), nullptr);
  EXPECT_EQ(second.GetResourceRecord(parts.sound)->size, 6u);
}

TEST_F(DocumentDevice, HostileStoreRecordsStopSafely)
{
  auto header = [](DS_IOF_W& w, unsigned images) { w.WriteUInt(images); };
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
  };
  std::vector<Case> cases;
  {
    DS_IOF_W w;
    header(w, 0x7FFFFFFF);  // map count beyond the bytes
    cases.push_back({"map count", w.Bytes()});
  }
  {
    DS_IOF_W w;
    header(w, 1);
    w.WriteString(L"x.gif");
    w.WriteInt64(1);
    w.WriteUInt(0x40000000);  // record count beyond the bytes
    w.WriteResourceRecord(RecordWithBytes(blue, L"a.bmp"));
    cases.push_back({"record count", w.Bytes()});
  }
  {
    DS_IOF_W w;
    header(w, 0);
    w.WriteUInt(1);
    w.WriteString(L"x.gif");
    w.WriteInt64(1);
    w.WriteUInt(0xFFFFFFFF);  // delay count beyond the bytes
    w.WriteFloat(1.0f);
    cases.push_back({"delay count", w.Bytes()});
  }
  {
    DS_IOF_W w;
    header(w, 1);
    w.WriteString(L"x.gif");
    w.WriteInt64(1);
    w.WriteUInt(1);
    w.WriteResourceRecord(RecordWithBytes(blue, L"a.bmp"));
    std::vector<unsigned char> cut = w.Bytes();
    cut.resize(cut.size() - 20);  // inside the picture's bytes
    cases.push_back({"truncated record", cut});
  }
  for (const Case& c : cases) {
    DS_DocResManager m;
    ResourceBuffer source(c.bytes.data(), c.bytes.size());
    DS_IOF_R<ResourceBuffer> archive(&source);
    m.Read(archive, 3);
    EXPECT_TRUE(archive.Failed()) << c.what;
    EXPECT_EQ(m.GetTextureSet(DS_LinkKey(L"x.gif", 1)).CurrentTexture(), nullptr) << c.what;
    EXPECT_TRUE(m.Tables().guidTextures.empty()) << c.what;
  }
}

TEST_F(DocumentDevice, UnreadableGuidStringStillKeysItsPicture)
{
  // A GUID image whose key is not a GUID string: the entry is read through and its
  // picture is kept under a key of its own; the bytes after it still read.
  DS_IOF_W w;
  w.WriteUInt(0);  // saved images
  w.WriteUInt(0);  // saved frame delays
  w.WriteUInt(0);  // saved records
  w.WriteUInt(1);
  w.WriteString(L"{not a guid}");
  w.WriteString(L"glow");
  w.WriteByte(1);
  NamedBuffer image;
  image.Assign(green.data(), static_cast<unsigned>(green.size()));
  w.WriteBuffer(image);
  w.WriteUInt(0xA5A5A5A5);
  ResourceBuffer source(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> archive(&source);
  manager->Read(archive, 3);
  EXPECT_FALSE(archive.Failed());
  ASSERT_EQ(manager->Tables().guidTextures.size(), 1u);
  EXPECT_EQ(Rgb(manager->Tables().guidTextures.begin()->second), kGreen);
  unsigned tail = 0;
  archive.ReadUInt(tail);
  EXPECT_EQ(tail, 0xA5A5A5A5u);
}

// ---------------------------------------------------------------------------------------
// Device loss

TEST_F(DocumentDevice, RenderTargetPairsStartFromTheirGuidTexture)
{
  const DS_GuidKey key(MakeGuid(), L"glow");
  IDirect3DTexture9* picture = nullptr;
  ASSERT_TRUE(SUCCEEDED(LoadTextureFromMemory(nullptr, green.size(), &picture, green.data())));
  (*manager)[key].Attach(picture);  // the table takes the reference

  DS_RenderTargetPair* pair = manager->GetRenderTargetPair(key);
  ASSERT_NE(pair, nullptr);
  ASSERT_TRUE(pair->IsValid());
  EXPECT_EQ(pair->width, 512u);
  EXPECT_EQ(pair->height, 512u);
  EXPECT_EQ(Rgb(pair->current), kGreen);
  EXPECT_EQ(manager->GetRenderTargetPair(key), pair);

  // A key without a GUID texture gets an empty slot and a pair that is still usable.
  const DS_GuidKey bare(MakeGuid());
  DS_RenderTargetPair* other = manager->GetRenderTargetPair(bare);
  EXPECT_TRUE(other->IsValid());
  EXPECT_EQ((*manager)[bare], nullptr);
}

TEST_F(DocumentDevice, DeviceLossCycleWithRealReset)
{
  // A render-target pair refilled from its GUID texture, a real effect, a recording effect
  // and a font: everything the manager keeps on the device.
  const DS_GuidKey key(MakeGuid(), L"glow");
  IDirect3DTexture9* picture = nullptr;
  ASSERT_TRUE(SUCCEEDED(LoadTextureFromMemory(nullptr, blue.size(), &picture, blue.data())));
  (*manager)[key].Attach(picture);
  DS_RenderTargetPair* pair = manager->GetRenderTargetPair(key);
  pair->Create(64, 32);  // as users do, at their own size
  ASSERT_TRUE(pair->IsValid());

  Effect* real = manager->GetEffect(DS_LinkKey(kModule, kPlainEffect));
  auto* recording = new RecordingEffect;
  manager->Tables().effects[DS_LinkKey(L"recording.fx", 1)] = recording;
  ID3DXFont* font = nullptr;
  ASSERT_TRUE(SUCCEEDED(D3DXCreateFontW(dev.device, 16, 0, FW_BOLD, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                        DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Arial", &font)));
  manager->Tables().fonts[DS_GuidKey(MakeGuid())].Attach(font);
  if (SUCCEEDED(dev.device->BeginScene())) {
    RECT r{0, 0, 64, 64};
    font->DrawTextW(nullptr, L"Tw", -1, &r, DT_LEFT, 0xFFFFFFFF);
    dev.device->EndScene();
  }

  // The pair's DEFAULT-pool targets keep the device from resetting.
  EXPECT_TRUE(FAILED(dev.Reset()));

  for (int cycle = 0; cycle < 2; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    manager->OnDeviceLost();
    EXPECT_FALSE(pair->IsValid());
    ASSERT_EQ(dev.Reset(), D3D_OK) << "a DEFAULT-pool resource outlived the device loss";
    manager->OnDeviceReset();
    ASSERT_TRUE(pair->IsValid());
    EXPECT_EQ(pair->width, 64u);
    EXPECT_EQ(pair->height, 32u);
    EXPECT_EQ(Rgb(pair->current), kBlue);  // refilled from its GUID texture
    EXPECT_EQ(recording->lost, cycle + 1);
    EXPECT_EQ(recording->reset, cycle + 1);
  }
  if (real) {
    EXPECT_EQ(real->SetTechnique("Plain"), S_OK);
    real->Release();
  }
}

}  // namespace
