#include "shell/DesktopRenderHost.h"

#include "core/document/DocResManager.h"
#include "core/document/TextureCache.h"
#include "core/render/D3DUtil.h"
#include "core/render/Device.h"
#include "core/render/ScreenQuad.h"
#include "core/render/StageView.h"
#include "layers/SceneDeviceCycle.h"
#include "sound/Music.h"

DesktopRenderHost* g_RenderHost = nullptr;
RECT g_WindowRect{};
float g_RenderScale = 1.0f;

namespace {

HRESULT OnDeviceCreated(IDirect3DDevice9* device, const D3DSURFACE_DESC*, void*) {
  g_Device = device;
  return S_OK;
}

HRESULT OnDeviceReset(IDirect3DDevice9*, const D3DSURFACE_DESC*, void*) {
  if (g_RenderHost) g_RenderHost->RestoreDevice();
  return S_OK;
}

void OnDeviceLost(void*) {
  if (g_RenderHost) g_RenderHost->ReleaseDeviceObjects();
}

void OnFrameMove(IDirect3DDevice9*, double time, float, void*) {
  if (g_RenderHost && g_RenderHost->GetSceneRoot())
    g_RenderHost->GetSceneRoot()->UpdateFrame(float(time));
}

void OnFrameRender(IDirect3DDevice9*, double, float, void*) {
  if (g_RenderHost) g_RenderHost->RenderFrame();
}

BOOL CALLBACK AppendMonitor(HMONITOR monitor, HDC, LPRECT rect, LPARAM list) {
  reinterpret_cast<std::vector<MonitorRecord>*>(list)->push_back({monitor, *rect});
  return TRUE;
}

LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

bool ModifySettings(fw::DeviceSettings* settings, int factor) {
  settings->pp.BackBufferWidth = UINT(Width(g_WindowRect) * factor);
  settings->pp.BackBufferHeight = UINT(Height(g_WindowRect) * factor);
  settings->pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  settings->pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
  g_RenderScale = float(factor);
  return true;
}

}  // namespace

bool IsDeviceAcceptable(const D3DCAPS9* caps, D3DFORMAT adapterFormat, D3DFORMAT, bool, void*) {
  // Water and glass layers bump-map through V8U8 textures; a device without them cannot
  // show those scenes.
  if (!(caps->TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP)) return false;
  IDirect3D9* d3d = fw::GetD3D();
  return d3d && SUCCEEDED(d3d->CheckDeviceFormat(caps->AdapterOrdinal, caps->DeviceType,
                                                 adapterFormat, 0, D3DRTYPE_TEXTURE,
                                                 D3DFMT_V8U8));
}

bool ModifySettingsDouble(fw::DeviceSettings* settings, const D3DCAPS9*, void*) {
  return ModifySettings(settings, 2);
}

bool ModifySettingsSingle(fw::DeviceSettings* settings, const D3DCAPS9*, void*) {
  return ModifySettings(settings, 1);
}

void FixIconAlpha(BYTE* bits, int width, int height, const RECT& bounds) {
  if (!bits || width <= 0 || height <= 0) return;
  const int top = bounds.top < 0 ? 0 : int(bounds.top);
  const int bottom = bounds.bottom >= height ? height - 1 : int(bounds.bottom);
  const int right = bounds.right >= width ? width - 1 : int(bounds.right);
  for (int y = top; y <= bottom; ++y) {
    BYTE* row = bits + size_t(height - 1 - y) * size_t(width) * 4;  // bottom-up
    for (int x = 0; x <= right; ++x) {
      BYTE* p = row + size_t(x) * 4;  // blue, green, red, alpha
      const bool key = p[0] == 1 && p[1] == 1 && p[2] == 1;
      if (p[3] == 0 && !key) p[3] = 255;
    }
  }
}

DesktopRenderHost::DesktopRenderHost(bool ownIconLayer) : iconsShown_(ownIconLayer) {
  if (ownIconLayer) {
    iconQuad_ = new DS_ScreenQuad();
  }
}

DesktopRenderHost::~DesktopRenderHost() {
  if (g_RenderHost == this) g_RenderHost = nullptr;
  ReleaseMusicGraph();
  sceneRoot_.reset();
  delete iconQuad_;
  iconQuad_ = nullptr;
  iconTexture_.Reset();
  monitors_.clear();
}

void DesktopRenderHost::CreateIconTexture() {
  if (!iconQuad_) return;
  CreateRenderTexture(iconTexture_, UINT(Width(g_WindowRect)), UINT(Height(g_WindowRect)),
                      D3DUSAGE_DYNAMIC);
}

bool DesktopRenderHost::Init(HWND window) {
  deviceWindow_ = window;
  monitors_.clear();
  EnumDisplayMonitors(nullptr, nullptr, AppendMonitor, reinterpret_cast<LPARAM>(&monitors_));

  textureCache_.reset(new DS_TextureCache());
  g_TextureCache = textureCache_.get();

  fw::Callbacks callbacks;
  callbacks.deviceCreated = OnDeviceCreated;
  callbacks.deviceReset = OnDeviceReset;
  callbacks.deviceLost = OnDeviceLost;
  callbacks.frameMove = OnFrameMove;
  callbacks.frameRender = OnFrameRender;
  fw::SetCallbacks(callbacks);

  if (!GetWindowRect(window, &g_WindowRect)) return false;
  if (FAILED(fw::Init())) return false;
  if (FAILED(fw::SetWindow(window, window, window))) return false;
  const int w = Width(g_WindowRect), h = Height(g_WindowRect);
  if (FAILED(fw::CreateDevice(true, w, h, IsDeviceAcceptable, ModifySettingsDouble, nullptr))) {
    fw::DiscardDeviceSettings();
    if (FAILED(fw::CreateDevice(true, w, h, IsDeviceAcceptable, ModifySettingsSingle, nullptr)))
      return false;
  }
  if (!g_Device) return false;

  if (iconQuad_) {
    CreateIconTexture();
    iconQuad_->BuildTexturedQuad(iconTexture_, MakeBackBufferQuad());
  }
  g_Device->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED |
                                                       D3DCOLORWRITEENABLE_GREEN |
                                                       D3DCOLORWRITEENABLE_BLUE);
  InitMusicGraph(window);
  g_RenderHost = this;
  return true;
}

void DesktopRenderHost::StartSceneAndMusic() {
  if (!sceneRoot_) return;
  sceneRoot_->BuildRuntimeObjects();
  StartSceneMusic(sceneRoot_->MusicFiles());
}

void DesktopRenderHost::ReleaseDeviceObjects() {
  if (iconQuad_) iconQuad_->SetTexture(nullptr);
  iconTexture_.Reset();
  ReleaseSceneDeviceObjects(sceneRoot_.get());
}

void DesktopRenderHost::RestoreDevice() {
  if (iconQuad_ && !iconTexture_) {
    CreateIconTexture();
    iconQuad_->SetTexture(iconTexture_);
  }
  // The icon view paints its icons into the bitmap again. Without one (the icons drawn by
  // the desktop's own view) there is nothing to invalidate, and a null window would
  // invalidate every window on the desktop.
  HWND iconView = GetWindow(GetWindow(fw::GetDeviceWindow(), GW_CHILD), GW_CHILD);
  if (iconView) InvalidateRect(iconView, nullptr, TRUE);
  RestoreSceneDeviceObjects(sceneRoot_.get());
}

HRESULT DesktopRenderHost::RenderFrame() {
  if (!g_Device) return E_FAIL;
  if (FAILED(g_Device->BeginScene())) return E_FAIL;
  g_Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000,
                  1.0f, 0);
  // Without a scene (after a stop and a resume) the frame is black: a discarded back buffer
  // holds no defined picture, and presenting it would show a stale or garbled frame.
  if (!sceneRoot_) {
    g_Device->EndScene();
    return E_FAIL;
  }

  if (!UsesPerMonitorPasses(monitors_.size(), picturePosition_)) {
    if (g_StageView) g_StageView->SetZoomPan(1.0f, 0.0f, 0.0f);
    sceneRoot_->Render(false);
  } else {
    const float aspect = sceneRoot_->GetAspectRatio();
    for (const MonitorRecord& m : monitors_) {
      const MonitorPass pass =
          ComputeMonitorPass(picturePosition_, m.rect, g_WindowRect, aspect, g_RenderScale);
      if (pass.clip) {
        g_Device->SetRenderState(D3DRS_CLIPPLANEENABLE, 3);
        g_Device->SetClipPlane(0, pass.plane0);
        g_Device->SetClipPlane(1, pass.plane1);
      }
      if (g_StageView) g_StageView->SetZoomPan(pass.zoom, pass.panX, 0.0f);
      sceneRoot_->Render(true);
      g_Device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    }
  }

  if (iconQuad_ && iconsShown_) {
    g_Device->SetSamplerState(0, D3DSAMP_MINFILTER, iconFilter_);
    g_Device->SetSamplerState(0, D3DSAMP_MAGFILTER, iconFilter_);
    sceneRoot_->DrawIconLayer(iconQuad_);
    g_Device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    g_Device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  }
  g_Device->EndScene();
  return S_OK;
}

void DesktopRenderHost::CopyIconLayer(HDC iconDC, BYTE* iconBits, const RECT& iconBounds) {
  if (!iconQuad_) return;
  const int w = Width(g_WindowRect), h = Height(g_WindowRect);
  FixIconAlpha(iconBits, w, h, iconBounds);
  IDirect3DTexture9* texture = GetIconTexture();
  if (!texture || !iconDC) return;  // lost device: the reset paints again
  IDirect3DSurface9* surface = nullptr;
  if (FAILED(texture->GetSurfaceLevel(0, &surface))) return;
  HDC dc = nullptr;
  if (SUCCEEDED(surface->GetDC(&dc))) {
    BitBlt(dc, 0, 0, w, h, iconDC, 0, 0, SRCCOPY);
    surface->ReleaseDC(dc);
  }
  surface->Release();
}
