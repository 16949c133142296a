#pragma once
// A real Direct3D 9 device on a hidden window for tests that must see results, and pixel
// read-back from the back buffer, render targets and textures. Header only.
//
//   tw_test::TestDevice dev;
//   ASSERT_TRUE(dev.Create(64, 64)) << dev.error;
//   g_Device = dev.device;           // when the code under test uses the global
//   D3DCOLOR c; dev.ReadBackBufferPixel(3, 4, &c);
#include <d3d9.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tw_test {

struct TestDevice {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  HWND window = nullptr;
  D3DPRESENT_PARAMETERS params{};
  std::string error;

  TestDevice() = default;
  TestDevice(const TestDevice&) = delete;
  TestDevice& operator=(const TestDevice&) = delete;
  ~TestDevice() { Destroy(); }

  // A hidden window of width x height and a windowed device whose X8R8G8B8 back buffer has
  // that size (or backWidth x backHeight when given), with a D24S8 depth buffer.
  bool Create(UINT width, UINT height, UINT backWidth = 0, UINT backHeight = 0)
  {
    Destroy();
    static const wchar_t* kClass = L"TwTestDeviceWindow";
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);  // fails harmlessly when already registered
    window = CreateWindowExW(0, kClass, L"test device", WS_POPUP, 0, 0, static_cast<int>(width),
                             static_cast<int>(height), nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) return Fail("CreateWindowExW failed");
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) return Fail("Direct3DCreate9 failed");
    params = {};
    params.BackBufferWidth = backWidth ? backWidth : width;
    params.BackBufferHeight = backHeight ? backHeight : height;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.BackBufferCount = 1;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.hDeviceWindow = window;
    params.Windowed = TRUE;
    params.EnableAutoDepthStencil = TRUE;
    params.AutoDepthStencilFormat = D3DFMT_D24S8;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    D3DPRESENT_PARAMETERS pp = params;
    HRESULT hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                   D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE, &pp, &device);
    if (FAILED(hr)) return Fail("CreateDevice failed", hr);
    return true;
  }

  void Destroy()
  {
    if (device) device->Release();
    device = nullptr;
    if (d3d) d3d->Release();
    d3d = nullptr;
    if (window) DestroyWindow(window);
    window = nullptr;
  }

  // Reset with the parameters of Create; fails while any DEFAULT-pool resource is alive.
  HRESULT Reset()
  {
    D3DPRESENT_PARAMETERS pp = params;
    return device->Reset(&pp);
  }

  // Reads a rectangle of a render-target (or back-buffer) surface as 0xAARRGGBB values,
  // row by row. Only 32-bit formats are read.
  bool ReadSurfaceRect(IDirect3DSurface9* surface, const RECT& r, std::vector<D3DCOLOR>* out)
  {
    out->clear();
    D3DSURFACE_DESC desc;
    if (!surface || FAILED(surface->GetDesc(&desc))) return false;
    if (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8) return false;
    IDirect3DSurface9* copy = nullptr;
    bool ok = false;
    if (desc.Pool == D3DPOOL_DEFAULT) {
      if (SUCCEEDED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                        &copy, nullptr)) &&
          SUCCEEDED(device->GetRenderTargetData(surface, copy)))
        ok = ReadLocked(copy, r, out);
      if (copy) copy->Release();
    } else {
      ok = ReadLocked(surface, r, out);
    }
    return ok;
  }

  bool ReadSurfacePixel(IDirect3DSurface9* surface, UINT x, UINT y, D3DCOLOR* out)
  {
    std::vector<D3DCOLOR> px;
    RECT r{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + 1), static_cast<LONG>(y + 1)};
    if (!ReadSurfaceRect(surface, r, &px) || px.empty()) return false;
    *out = px[0];
    return true;
  }

  // Level 0 of a texture (render target or lockable).
  bool ReadTexturePixel(IDirect3DTexture9* texture, UINT x, UINT y, D3DCOLOR* out)
  {
    IDirect3DSurface9* s = nullptr;
    if (!texture || FAILED(texture->GetSurfaceLevel(0, &s))) return false;
    bool ok = ReadSurfacePixel(s, x, y, out);
    s->Release();
    return ok;
  }

  bool ReadBackBufferPixel(UINT x, UINT y, D3DCOLOR* out)
  {
    IDirect3DSurface9* s = nullptr;
    if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &s))) return false;
    bool ok = ReadSurfacePixel(s, x, y, out);
    s->Release();
    return ok;
  }

  // The current render target 0.
  bool ReadTargetPixel(UINT x, UINT y, D3DCOLOR* out)
  {
    IDirect3DSurface9* s = nullptr;
    if (FAILED(device->GetRenderTarget(0, &s))) return false;
    bool ok = ReadSurfacePixel(s, x, y, out);
    s->Release();
    return ok;
  }

private:
  bool Fail(const char* what, HRESULT hr = S_OK)
  {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%s (0x%08lx)", what, static_cast<unsigned long>(hr));
    error = buf;
    Destroy();
    return false;
  }

  static bool ReadLocked(IDirect3DSurface9* s, const RECT& r, std::vector<D3DCOLOR>* out)
  {
    D3DLOCKED_RECT lr;
    if (FAILED(s->LockRect(&lr, &r, D3DLOCK_READONLY))) return false;
    for (LONG y = 0; y < r.bottom - r.top; ++y) {
      const D3DCOLOR* row = reinterpret_cast<const D3DCOLOR*>(static_cast<const BYTE*>(lr.pBits) + y * lr.Pitch);
      out->insert(out->end(), row, row + (r.right - r.left));
    }
    s->UnlockRect();
    return true;
  }
};

}  // namespace tw_test
