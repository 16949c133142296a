#include "core/render/RenderTargetPair.h"

DS_RenderTargetPair::~DS_RenderTargetPair() { Release(); }

void DS_RenderTargetPair::Release()
{
  current.Reset();
  textures[0].Reset();
  textures[1].Reset();
  // Saved surfaces only exist between BeginRender and EndRender; a loss in between must
  // not keep the old back buffer alive across the reset.
  savedTarget.Reset();
  savedDepthStencil.Reset();
}

void DS_RenderTargetPair::Create(UINT w, UINT h)
{
  width = w;
  height = h;
  if (w == 0 || h == 0) return;
  current.Reset();
  CreateRenderTexture(textures[0], w, h, D3DUSAGE_RENDERTARGET);
  CreateRenderTexture(textures[1], w, h, D3DUSAGE_RENDERTARGET);
  if (!textures[0] || !textures[1]) {
    // Half a pair cannot alternate: keep none.
    textures[0].Reset();
    textures[1].Reset();
    return;
  }
  if (index != 0 && index != 1) index = 0;
  current = textures[index];
  D3DSURFACE_DESC desc;
  if (SUCCEEDED(current->GetLevelDesc(0, &desc))) {
    width = desc.Width;
    height = desc.Height;
  }
}

void DS_RenderTargetPair::CopyFrom(IDirect3DTexture9* source, UINT w, UINT h)
{
  Create(w, h);
  CopyTopLevel(source, current);
}

bool DS_RenderTargetPair::BeginRender()
{
  if (!g_Device || !IsValid()) return false;
  IDirect3DSurface9* target = nullptr;
  if (FAILED(current->GetSurfaceLevel(0, &target)) || !target) return false;
  g_Device->GetRenderTarget(0, savedTarget.ReleaseAndGetAddressOf());
  if (FAILED(g_Device->GetDepthStencilSurface(savedDepthStencil.ReleaseAndGetAddressOf())))
    savedDepthStencil.Detach();  // not a reference of ours
  g_Device->SetRenderTarget(0, target);
  g_Device->SetDepthStencilSurface(nullptr);
  target->Release();
  return true;
}

void DS_RenderTargetPair::EndRender()
{
  if (!g_Device) return;
  if (savedTarget) {
    g_Device->SetRenderTarget(0, savedTarget);
    g_Device->SetDepthStencilSurface(savedDepthStencil);
  }
  savedTarget.Reset();
  savedDepthStencil.Reset();
}

IDirect3DTexture9* DS_RenderTargetPair::SwapAndClear()
{
  if (!g_Device || !IsValid()) return nullptr;
  IDirect3DTexture9* before = textures[index];
  index = (index + 1) % 2;
  current = textures[index];
  IDirect3DSurface9* target = nullptr;
  if (SUCCEEDED(current->GetSurfaceLevel(0, &target)) && target) {
    g_Device->SetRenderTarget(0, target);
    target->Release();
  }
  g_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  return before;
}
