// A Direct3D 9 device on a plain window draws a quad through a pixel shader assembled by
// D3DX; the back buffer is read back and must hold the shader's colour.
#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>
#include <gtest/gtest.h>

namespace {

struct Vertex {
  float x, y, z, rhw;
};

HWND MakeWindow(int w, int h) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SmokeDeviceWnd";
  RegisterClassW(&wc);
  return CreateWindowW(L"SmokeDeviceWnd", L"smoke", WS_OVERLAPPEDWINDOW, 0, 0, w, h, nullptr,
                       nullptr, wc.hInstance, nullptr);
}

}  // namespace

TEST(SmokeDevice, AssembledPixelShaderColourIsReadBack) {
  const int w = 64, h = 64;
  HWND wnd = MakeWindow(w, h);
  ASSERT_NE(wnd, nullptr);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);

  D3DCAPS9 caps{};
  ASSERT_EQ(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_GE(caps.PixelShaderVersion, D3DPS_VERSION(2, 0));
  EXPECT_TRUE(caps.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP);

  D3DPRESENT_PARAMETERS pp{};
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.BackBufferWidth = w;
  pp.BackBufferHeight = h;
  pp.hDeviceWindow = wnd;
  IDirect3DDevice9* dev = nullptr;
  ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, wnd,
                              D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev),
            D3D_OK);

  const char src[] = "ps_2_0\ndef c0, 1.0, 0.5, 0.0, 1.0\nmov oC0, c0\n";
  ID3DXBuffer* code = nullptr;
  ASSERT_EQ(D3DXAssembleShader(src, sizeof src - 1, nullptr, nullptr, 0, &code, nullptr), D3D_OK);
  IDirect3DPixelShader9* ps = nullptr;
  ASSERT_EQ(dev->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), &ps), D3D_OK);
  code->Release();

  const Vertex quad[4] = {{-0.5f, -0.5f, 0, 1}, {w - 0.5f, -0.5f, 0, 1},
                          {-0.5f, h - 0.5f, 0, 1}, {w - 0.5f, h - 0.5f, 0, 1}};
  dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 255), 1.0f, 0);
  ASSERT_EQ(dev->BeginScene(), D3D_OK);
  dev->SetFVF(D3DFVF_XYZRHW);
  dev->SetPixelShader(ps);
  dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
  dev->EndScene();

  IDirect3DSurface9* back = nullptr;
  IDirect3DSurface9* copy = nullptr;
  ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  ASSERT_EQ(dev->CreateOffscreenPlainSurface(w, h, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr),
            D3D_OK);
  ASSERT_EQ(dev->GetRenderTargetData(back, copy), D3D_OK);
  D3DLOCKED_RECT lr{};
  ASSERT_EQ(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  const DWORD centre = static_cast<const DWORD*>(
      static_cast<const void*>(static_cast<const BYTE*>(lr.pBits) + lr.Pitch * (h / 2)))[w / 2];
  copy->UnlockRect();
  EXPECT_NEAR(int((centre >> 16) & 0xFF), 255, 2);
  EXPECT_NEAR(int((centre >> 8) & 0xFF), 128, 2);
  EXPECT_NEAR(int(centre & 0xFF), 0, 2);

  copy->Release();
  back->Release();
  ps->Release();
  dev->Release();
  d3d->Release();
  DestroyWindow(wnd);
}
