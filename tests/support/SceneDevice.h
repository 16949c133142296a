#pragma once
// A test fixture for scene objects on a real device under Wine: the device with the
// globals a scene draws with (g_Device, g_StageView, g_DocResManager), pictures filed in
// the resource store as a document's stored images are, and a layer whose picture fills
// the target, so that picture pixels are back-buffer pixels. A test puts runtime objects
// on the slide, draws frames as the slide does and reads them back pixel by pixel.
// Tear-down gives everything back and checks that the device's last reference was the
// test's own.
#include "core/document/DocResManager.h"
#include "core/render/Device.h"
#include "core/render/StageView.h"
#include "layers/DS_2D_Light.h"
#include "tests/support/TestDevice.h"

#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace tw_test {

// A back-buffer colour as 8-bit channels, printed as (r, g, b) when an expectation fails.
struct Rgb {
  int r, g, b;
};

inline std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

inline bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

class SceneDeviceTest : public testing::Test {
protected:
  explicit SceneDeviceTest(UINT width = 320, UINT height = 200) : m_Width(width), m_Height(height) {}

  void SetUp() override {
    ASSERT_TRUE(m_Dev.Create(m_Width, m_Height)) << m_Dev.error;
    m_Device = m_Dev.device;
    g_Device = m_Device;
    g_StageView = new DS_StageView();
    g_DocResManager = new DS_DocResManager();
  }

  void TearDown() override {
    m_Objects.clear();
    if (m_Layer) m_Layer->OnDeviceLost();
    m_Layer.reset();
    delete g_DocResManager;
    g_DocResManager = nullptr;
    delete g_StageView;
    g_StageView = nullptr;
    g_Device = nullptr;
    if (m_Device) {
      m_Dev.device = nullptr;
      EXPECT_EQ(m_Device->Release(), 0u) << "device objects leaked";
    }
    m_Dev.Destroy();
  }

  // The layer, showing the picture filed under the link (path, 1) over the whole target.
  void MakeLayer(const std::wstring& picture) {
    m_Layer.reset(new DS_2D_Light());
    m_Layer->PictureLink().StoreKey(picture, 1);
    m_Layer->CreateDeviceObjects();
    m_Layer->Resize(m_Width, m_Height);
    m_Layer->SetViewMode(0);
    m_Layer->OnDeviceReset();
  }

  // A managed texture of w x h filled by colour(x, y) (0xAARRGGBB).
  IDirect3DTexture9* MakeTexture(UINT w, UINT h, const std::function<D3DCOLOR(UINT, UINT)>& colour) {
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(m_Device->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
    if (!t) return nullptr;
    D3DLOCKED_RECT lr{};
    t->LockRect(0, &lr, nullptr, 0);
    for (UINT y = 0; y < h; ++y) {
      auto* row = reinterpret_cast<D3DCOLOR*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch);
      for (UINT x = 0; x < w; ++x) row[x] = colour(x, y);
    }
    t->UnlockRect(0);
    return t;
  }
  IDirect3DTexture9* Solid(UINT w, UINT h, D3DCOLOR c) {
    return MakeTexture(w, h, [c](UINT, UINT) { return c; });
  }

  // Files a picture (taking over the caller's reference) under a link, as a document's
  // stored image is.
  void StorePicture(const DS_LinkKey& key, IDirect3DTexture9* texture) {
    ASSERT_NE(texture, nullptr);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    DS_TextureRecord record;
    record.Assign(texture, desc.Width, desc.Height);
    g_DocResManager->Tables().textureSets[key].AddTexture(record);
    texture->Release();
  }
  void StorePicture(const std::wstring& path, IDirect3DTexture9* texture) {
    StorePicture(DS_LinkKey(path, 1), texture);
  }

  // Files an effect source under a link, as a document's stored record is: the resource
  // store's GetEffect then compiles it for the link (stored bytes win over the module).
  void StoreEffectSource(const DS_LinkKey& key, const void* bytes, size_t size) {
    DS_ResourceRecord record;
    record.Assign(bytes, unsigned(size));
    g_DocResManager->Tables().store[key].push_back(record);
  }
  // Files a picture (taking over the caller's reference) under a GUID key, as a document's
  // GUID pictures (an effect's mask, say) are.
  void StoreGuidPicture(const DS_GuidKey& key, IDirect3DTexture9* texture) {
    (*g_DocResManager)[key].Attach(texture);
  }

  // The runtime object joins the slide's objects, which draw in the order added.
  template <class T = DS_ABObj>
  T* Add(DS_ABObj* object) {
    m_Objects.push_back(DS_SharedRef<DS_ABObj>(object));
    return static_cast<T*>(object);
  }

  // One frame as the slide draws it: the picture, then the objects (a post-pass object
  // reads the picture as the scene so far); the back buffer read back.
  void DrawFrame() {
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(m_Device->BeginScene(), D3D_OK);
    m_Layer->DrawPicture(false);
    m_Layer->RenderObjects(m_Objects, 0);
    m_Device->EndScene();
    ReadBack();
  }

  // The render target as it is now, into m_Pixels.
  void ReadBack() {
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(m_Device->GetRenderTarget(0, &target), D3D_OK);
    const bool read = m_Dev.ReadSurfaceRect(target, RECT{0, 0, LONG(m_Width), LONG(m_Height)}, &m_Pixels);
    target->Release();
    ASSERT_TRUE(read);
  }

  // A pixel of the last read-back.
  Rgb Pixel(UINT x, UINT y) const {
    const DWORD p = m_Pixels[size_t(y) * m_Width + x];
    return Rgb{int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)};
  }
  void ExpectPixel(UINT x, UINT y, Rgb want, int tolerance) const {
    const Rgb got = Pixel(x, y);
    EXPECT_TRUE(Near(got, want, tolerance)) << "at (" << x << ", " << y << ") got " << got << " want " << want;
  }

  // One object alone, drawn straight through the layer over a cleared target.
  void DrawObject(DS_ABObj& object, D3DCOLOR clear = 0xFF000000) {
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0);
    ASSERT_EQ(m_Device->BeginScene(), D3D_OK);
    object.Render(*m_Layer);
    m_Device->EndScene();
  }
  // A back-buffer pixel read on its own, without alpha.
  D3DCOLOR BackBufferColour(UINT x, UINT y) {
    D3DCOLOR c = 0;
    EXPECT_TRUE(m_Dev.ReadBackBufferPixel(x, y, &c));
    return c & 0x00FFFFFF;
  }

  UINT m_Width, m_Height;
  TestDevice m_Dev;
  IDirect3DDevice9* m_Device = nullptr;
  std::unique_ptr<DS_2D_Light> m_Layer;
  DS_RuntimeObjects m_Objects;
  std::vector<DWORD> m_Pixels;
};

}  // namespace tw_test
