// Every document of live scene objects goes through one whole device life (the fixture in
// tests/support/DeviceLife.h): drawn, lost and Reset in the host's order, drawn again the
// same, and deleted without a device object left behind. A scene class joins by adding a
// document row to passing() in make_device_life_documents.py. Test-only classes that break the rule show that the fixture
// catches a DEFAULT-pool object kept through a loss and a reference kept past a frame.
#include "core/archive/DS_IOF.h"
#include "core/archive/ReaderRegistry.h"
#include "core/render/D3DUtil.h"
#include "core/render/Device.h"
#include "core/scene/DS_ABObj.h"
#include "layers/DS_ABRender.h"
#include "tests/support/DeviceLife.h"
#include "tests/support/TestDevice.h"

#include "device_life_documents.h"

#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------
// The test-only scene class "DS_TestDeviceLife" (record layout: make_device_life_documents.py).

namespace {

enum LifeKind : unsigned { kSquare = 0, kPostPass = 1, kOwnDefaultTexture = 2, kKeptReference = 3 };

// The references that kind 3 never gives back, so that a test can give them back for it
// once the fixture has judged, and the device can go.
std::vector<IUnknown*> g_KeptReferences;

struct LifeVertex {
  float x, y, z, rhw;
  D3DCOLOR colour;
  float u, v;
};
constexpr DWORD kLifeFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

}  // namespace

class DS_TestDeviceLife : public DS_ABObj_Constructor {
public:
  DS_TestDeviceLife() = default;
  DS_TestDeviceLife(const DS_TestDeviceLife&) = default;
  DS_ABObj* CreateRuntimeObject() override;
  bool ReadFields(DS_IOF_Virtual& archive, unsigned version) {
    archive.ReadUInt(kind);
    archive.ReadUInt(colour);
    archive.ReadInt(x);
    archive.ReadInt(y);
    archive.ReadInt(size);
    return ReadPart(archive);
  }

  unsigned kind = kSquare;
  unsigned colour = 0xFFFFFFFF;
  int x = 0, y = 0, size = 0;
};

DS_REGISTER_OBJECT_READER(DS_TestDeviceLife);

namespace {

class LifeObject : public DS_ABObj {
public:
  explicit LifeObject(DS_TestDeviceLife* d) : DS_ABObj(d), m_Kind(d->kind) {
    // The whole target (the back buffer's size: the layer's targets have it too), sampled
    // mirrored left to right at texel centres, then the square.
    const D3DSURFACE_DESC desc = GetBackBufferDesc();
    const float w = float(desc.Width) - 0.5f, h = float(desc.Height) - 0.5f;
    const float half = float(d->size) / 2.0f;
    const float x0 = float(d->x) - half - 0.5f, x1 = float(d->x) + half - 0.5f;
    const float y0 = float(d->y) - half - 0.5f, y1 = float(d->y) + half - 0.5f;
    const LifeVertex v[8] = {
        {-0.5f, h, 0, 1, 0xFFFFFFFF, 1, 1}, {-0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 1, 0},
        {w, h, 0, 1, 0xFFFFFFFF, 0, 1},     {w, -0.5f, 0, 1, 0xFFFFFFFF, 0, 0},
        {x0, y1, 0, 1, d->colour, 0, 0},    {x0, y0, 0, 1, d->colour, 0, 0},
        {x1, y1, 0, 1, d->colour, 0, 0},    {x1, y0, 0, 1, d->colour, 0, 0},
    };
    if (SUCCEEDED(g_Device->CreateVertexBuffer(sizeof v, D3DUSAGE_WRITEONLY, kLifeFvf, D3DPOOL_MANAGED,
                                               &m_Vertices, nullptr))) {
      void* p = nullptr;
      if (SUCCEEDED(m_Vertices->Lock(0, 0, &p, 0))) {
        memcpy(p, v, sizeof v);
        m_Vertices->Unlock();
      }
    }
    // The fault of kind 2: a target of its own in the DEFAULT pool, which no loss gives up.
    if (m_Kind == kOwnDefaultTexture)
      g_Device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &m_OwnTarget,
                              nullptr);
  }
  ~LifeObject() override {
    if (m_Vertices) m_Vertices->Release();
    if (m_OwnTarget) m_OwnTarget->Release();
  }

  void Render(DS_ABRender& context) override {
    if (!m_Vertices) return;
    IDirect3DTexture9* background = context.GetBackgroundTexture();
    // The fault of kind 3: the texture handed for this frame is kept, with a reference.
    if (m_Kind == kKeptReference && background && !m_Kept) {
      background->AddRef();
      m_Kept = true;
      g_KeptReferences.push_back(background);
    }
    IDirect3DDevice9* d = g_Device;
    // Input.
    d->SetFVF(kLifeFvf);
    d->SetStreamSource(0, m_Vertices, 0, sizeof(LifeVertex));
    // Rasteriser.
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    // Pixel.
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    // Output.
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    if (m_Kind == kPostPass) {
      d->SetTexture(0, background);
      d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
      d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    }
    d->SetTexture(0, nullptr);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4, 2);
    // The layer's fixed states, as its reset set them.
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  }
  void OnRuntimeEvent(int, int) override {}
  void OnScreenSizeChanged() override {}
  bool IsPostPass() override { return m_Kind == kPostPass; }
  void UpdateFrame(float) override {}

private:
  unsigned m_Kind;
  IDirect3DVertexBuffer9* m_Vertices = nullptr;
  IDirect3DTexture9* m_OwnTarget = nullptr;
  bool m_Kept = false;
};

}  // namespace

DS_ABObj* DS_TestDeviceLife::CreateRuntimeObject() { return new LifeObject(new DS_TestDeviceLife(*this)); }

namespace {

// ---------------------------------------------------------------------------------------
// The verdict's ground: the device's reference count. Each kind of device object the scene
// classes make, kept alive, must hold its device; given back, it must not, even while it is
// still bound to the device.

TEST(DeviceReferenceCount, EveryLiveObjectHoldsItsDeviceAndABindingDoesNot) {
  using Bind = std::function<void(IDirect3DDevice9*, IUnknown*)>;
  const Bind asTexture = [](IDirect3DDevice9* d, IUnknown* o) { d->SetTexture(0, static_cast<IDirect3DTexture9*>(o)); };
  const Bind asVertices = [](IDirect3DDevice9* d, IUnknown* o) {
    d->SetStreamSource(0, static_cast<IDirect3DVertexBuffer9*>(o), 0, 16);
  };
  const Bind asIndices = [](IDirect3DDevice9* d, IUnknown* o) { d->SetIndices(static_cast<IDirect3DIndexBuffer9*>(o)); };
  const Bind asTarget = [](IDirect3DDevice9* d, IUnknown* o) {
    IDirect3DSurface9* s = nullptr;
    static_cast<IDirect3DTexture9*>(o)->GetSurfaceLevel(0, &s);
    d->SetRenderTarget(0, s);
    if (s) s->Release();
  };
  const Bind asDeclaration = [](IDirect3DDevice9* d, IUnknown* o) {
    d->SetVertexDeclaration(static_cast<IDirect3DVertexDeclaration9*>(o));
  };
  const Bind none = [](IDirect3DDevice9*, IUnknown*) {};
  struct Case {
    const char* name;
    std::function<IUnknown*(IDirect3DDevice9*)> make;
    Bind bind;
  };
  const Case cases[] = {
      {"managed texture",
       [](IDirect3DDevice9* d) {
         IDirect3DTexture9* t = nullptr;
         d->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr);
         return static_cast<IUnknown*>(t);
       },
       asTexture},
      {"render-target texture",
       [](IDirect3DDevice9* d) {
         IDirect3DTexture9* t = nullptr;
         d->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr);
         return static_cast<IUnknown*>(t);
       },
       asTarget},
      {"surface level of a texture, the texture given back",
       [](IDirect3DDevice9* d) {
         IDirect3DTexture9* t = nullptr;
         IDirect3DSurface9* s = nullptr;
         d->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr);
         if (t) t->GetSurfaceLevel(0, &s);
         if (t) t->Release();
         return static_cast<IUnknown*>(s);
       },
       none},
      {"system-memory surface",
       [](IDirect3DDevice9* d) {
         IDirect3DSurface9* s = nullptr;
         d->CreateOffscreenPlainSurface(8, 8, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &s, nullptr);
         return static_cast<IUnknown*>(s);
       },
       none},
      {"the back buffer",
       [](IDirect3DDevice9* d) {
         IDirect3DSurface9* s = nullptr;
         d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &s);
         return static_cast<IUnknown*>(s);
       },
       none},
      {"managed vertex buffer",
       [](IDirect3DDevice9* d) {
         IDirect3DVertexBuffer9* b = nullptr;
         d->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &b, nullptr);
         return static_cast<IUnknown*>(b);
       },
       asVertices},
      {"managed index buffer",
       [](IDirect3DDevice9* d) {
         IDirect3DIndexBuffer9* b = nullptr;
         d->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &b, nullptr);
         return static_cast<IUnknown*>(b);
       },
       asIndices},
      {"vertex declaration",
       [](IDirect3DDevice9* d) {
         const D3DVERTEXELEMENT9 e[] = {{0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                                        D3DDECL_END()};
         IDirect3DVertexDeclaration9* v = nullptr;
         d->CreateVertexDeclaration(e, &v);
         return static_cast<IUnknown*>(v);
       },
       asDeclaration},
      {"state block",
       [](IDirect3DDevice9* d) {
         IDirect3DStateBlock9* b = nullptr;
         d->CreateStateBlock(D3DSBT_ALL, &b);
         return static_cast<IUnknown*>(b);
       },
       none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool keep : {true, false}) {
      SCOPED_TRACE(keep ? "kept" : "given back");
      tw_test::TestDevice dev;
      ASSERT_TRUE(dev.Create(32, 32)) << dev.error;
      IUnknown* object = c.make(dev.device);
      ASSERT_NE(object, nullptr);
      if (!keep) {
        // Bound where a draw leaves things, then given back: the binding is no reference.
        c.bind(dev.device, object);
        object->Release();
      }
      IDirect3DDevice9* device = dev.device;
      dev.device = nullptr;
      EXPECT_EQ(device->Release(), keep ? 1u : 0u);
      // The last reference takes the device with it.
      if (keep) {
        EXPECT_EQ(object->Release(), 0u);
      }
    }
  }
}

// ---------------------------------------------------------------------------------------
// The documents: each must live through a loss and a reset and leave nothing behind.

std::string ProgramResource(const wchar_t* type, int id) {
  HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type);
  if (!info) return std::string();
  const char* p = static_cast<const char*>(LockResource(LoadResource(nullptr, info)));
  return p ? std::string(p, SizeofResource(nullptr, info)) : std::string();
}

struct LifeDocument {
  std::string name;
  std::string bytes;
  std::vector<LifeProbe> probes;
};

void PrintTo(const LifeDocument& d, std::ostream* os) { *os << d.name; }

// The player's own scene as it embeds it ("DDS" 107: pictures, cameras and sounds; its
// pixels are checked in layers_device), then every row the document builder wrote.
std::vector<LifeDocument> Documents() {
  std::vector<LifeDocument> documents{{"DemoScene", ProgramResource(L"DDS", 107), {}}};
  for (const LifeDocumentRow& row : kLifeDocuments)
    documents.push_back({row.name, std::string(reinterpret_cast<const char*>(row.bytes), row.size),
                         std::vector<LifeProbe>(row.probes, row.probes + row.probeCount)});
  return documents;
}

class DeviceLifeTest : public testing::TestWithParam<LifeDocument> {};

TEST_P(DeviceLifeTest, SurvivesLossAndResetAndReleasesEveryDeviceObject) {
  const LifeDocument& doc = GetParam();
  ASSERT_FALSE(doc.bytes.empty());
  const tw_test::DeviceLifeReport report = tw_test::RunDeviceLife(doc.bytes.data(), doc.bytes.size());
  EXPECT_TRUE(report.Passed()) << report;
  EXPECT_EQ(report.resetResult, D3D_OK);
  EXPECT_EQ(report.referencesLeft, 0u);
  for (const LifeProbe& p : doc.probes) {
    const D3DCOLOR c = report.FirstFramePixel(p.x, p.y);
    const int r = int((c >> 16) & 0xFF), g = int((c >> 8) & 0xFF), b = int(c & 0xFF);
    EXPECT_TRUE(std::abs(r - p.r) <= 3 && std::abs(g - p.g) <= 3 && std::abs(b - p.b) <= 3)
        << "at (" << p.x << ", " << p.y << ") got (" << r << ", " << g << ", " << b << ") want (" << p.r << ", "
        << p.g << ", " << p.b << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(Documents, DeviceLifeTest, testing::ValuesIn(Documents()),
                         [](const testing::TestParamInfo<LifeDocument>& info) { return info.param.name; });

// ---------------------------------------------------------------------------------------
// Scene classes that break the rule: the fixture must report them.

TEST(DeviceLifeCatches, ADefaultPoolObjectKeptThroughALossFailsTheReset) {
  const tw_test::DeviceLifeReport report =
      tw_test::RunDeviceLife(kLifeDocOwnDefaultTexture, sizeof kLifeDocOwnDefaultTexture);
  EXPECT_FALSE(report.Passed()) << report;
  EXPECT_TRUE(report.loaded && report.firstFrameDrawn) << report;
  EXPECT_EQ(report.resetResult, D3DERR_INVALIDCALL) << report;
  EXPECT_FALSE(report.secondFrameDrawn);
  EXPECT_FALSE(report.pixelsMatched);
  // The object gives its target back when it is deleted: the reset is the only fault.
  EXPECT_EQ(report.referencesLeft, 0u) << report;
}

TEST(DeviceLifeCatches, AReferenceKeptPastAFrameIsLeftOnTheDevice) {
  g_KeptReferences.clear();
  const tw_test::DeviceLifeReport report =
      tw_test::RunDeviceLife(kLifeDocKeptReference, sizeof kLifeDocKeptReference);
  EXPECT_FALSE(report.Passed()) << report;
  // The kept texture is the picture (managed pool): the reset and the frames are whole,
  // and the one texture still alive holds the device.
  EXPECT_EQ(report.resetResult, D3D_OK) << report;
  EXPECT_TRUE(report.pixelsMatched) << report;
  ASSERT_EQ(g_KeptReferences.size(), 1u);
  EXPECT_EQ(report.referencesLeft, 1u) << report;
  // Given back for the object, the texture takes the device with it.
  EXPECT_EQ(g_KeptReferences[0]->Release(), 0u);
  g_KeptReferences.clear();
}

}  // namespace
