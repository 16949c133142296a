#include "platform/framework/Framework.h"

#include "platform/framework/FrameClock.h"

namespace fw {
namespace {

struct State {
  CRITICAL_SECTION lock;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  Callbacks callbacks;
  HWND focusWindow = nullptr;
  HWND fullScreenWindow = nullptr;
  HWND deviceWindow = nullptr;

  bool haveSettings = false;
  DeviceSettings settings;
  // Kept from the creation so that a resize can ask the caller again.
  ModifySettingsCallback modify = nullptr;
  void* modifyUser = nullptr;

  D3DSURFACE_DESC backBuffer{};
  // The device window's client size the back buffer was last made for.
  int clientWidth = 0;
  int clientHeight = 0;
  bool lost = false;
  // The lost callback has run for the current loss; it runs once however long Reset fails.
  bool lostNotified = false;

  int timePauses = 0;
  int renderPauses = 0;
  FrameClock clock;
  int64_t frequency = 0;
  bool clockStarted = false;
  double lastFrameTime = 0.0;

  State() { InitializeCriticalSection(&lock); }
  // At process exit other modules' objects may already be gone, so no callback runs here.
  ~State() {
    if (device) device->Release();
    if (d3d) d3d->Release();
    DeleteCriticalSection(&lock);
  }
};

State& S() {
  static State state;
  return state;
}

int64_t Counter() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

void StartClockOnce() {
  State& s = S();
  if (s.clockStarted) return;
  LARGE_INTEGER freq;
  s.frequency = QueryPerformanceFrequency(&freq) ? freq.QuadPart : 0;
  s.clock.Restart(Counter());
  s.clockStarted = true;
}

void ClientSize(HWND window, int* width, int* height) {
  RECT rc{};
  if (window && GetClientRect(window, &rc)) {
    *width = rc.right - rc.left;
    *height = rc.bottom - rc.top;
  } else {
    *width = *height = 0;
  }
}

// A stencil is required: the host clears it every frame.
D3DFORMAT PickDepthStencil(IDirect3D9* d3d, const DeviceSettings& ds, D3DFORMAT backBuffer) {
  static const D3DFORMAT kCandidates[] = {D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D24FS8,
                                          D3DFMT_D15S1};
  for (D3DFORMAT f : kCandidates) {
    if (FAILED(d3d->CheckDeviceFormat(ds.adapter, ds.deviceType, ds.adapterFormat,
                                      D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, f)))
      continue;
    if (FAILED(d3d->CheckDepthStencilMatch(ds.adapter, ds.deviceType, ds.adapterFormat,
                                           backBuffer, f)))
      continue;
    return f;
  }
  return D3DFMT_UNKNOWN;
}

// Fresh settings for the default adapter: the first back-buffer format that the device takes
// and the caller accepts.
HRESULT BuildDefaultSettings(bool windowed, int width, int height,
                             DeviceAcceptableCallback acceptable, void* user,
                             DeviceSettings* out, D3DCAPS9* capsOut) {
  State& s = S();
  DeviceSettings ds;
  D3DDISPLAYMODE mode{};
  HRESULT hr = s.d3d->GetAdapterDisplayMode(ds.adapter, &mode);
  if (FAILED(hr)) return hr;
  ds.adapterFormat = mode.Format;
  D3DCAPS9 caps{};
  hr = s.d3d->GetDeviceCaps(ds.adapter, ds.deviceType, &caps);
  if (FAILED(hr)) return hr;

  const D3DFORMAT formats[] = {mode.Format, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R5G6B5};
  D3DFORMAT chosen = D3DFMT_UNKNOWN;
  for (D3DFORMAT f : formats) {
    if (FAILED(s.d3d->CheckDeviceType(ds.adapter, ds.deviceType, ds.adapterFormat, f, TRUE)))
      continue;
    if (acceptable && !acceptable(&caps, ds.adapterFormat, f, windowed, user)) continue;
    chosen = f;
    break;
  }
  if (chosen == D3DFMT_UNKNOWN) return D3DERR_NOTAVAILABLE;
  const D3DFORMAT depth = PickDepthStencil(s.d3d, ds, chosen);
  if (depth == D3DFMT_UNKNOWN) return D3DERR_NOTAVAILABLE;

  ds.behaviorFlags = (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)
                         ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                         : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
  D3DPRESENT_PARAMETERS& pp = ds.pp;
  pp = D3DPRESENT_PARAMETERS{};
  pp.BackBufferWidth = UINT(width);
  pp.BackBufferHeight = UINT(height);
  pp.BackBufferFormat = chosen;
  pp.BackBufferCount = 1;
  pp.MultiSampleType = D3DMULTISAMPLE_NONE;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = s.deviceWindow;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = depth;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  *out = ds;
  *capsOut = caps;
  return S_OK;
}

void ReadBackBufferDesc() {
  State& s = S();
  s.backBuffer = D3DSURFACE_DESC{};
  IDirect3DSurface9* surface = nullptr;
  if (SUCCEEDED(s.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface))) {
    surface->GetDesc(&s.backBuffer);
    surface->Release();
  }
}

void NotifyLostOnce() {
  State& s = S();
  if (s.lostNotified) return;
  s.lostNotified = true;
  if (s.callbacks.deviceLost) s.callbacks.deviceLost(s.callbacks.user);
}

// Releases the device after telling the caller; the stored settings stay.
void DestroyDevice() {
  State& s = S();
  if (!s.device) return;
  NotifyLostOnce();
  if (s.callbacks.deviceDestroyed) s.callbacks.deviceDestroyed(s.callbacks.user);
  s.device->Release();
  s.device = nullptr;
  s.lost = false;
  s.lostNotified = false;
  s.backBuffer = D3DSURFACE_DESC{};
}

// Tries Reset with the stored settings; true when the device is usable again.
bool TryReset() {
  State& s = S();
  NotifyLostOnce();
  EnterCriticalSection(&s.lock);
  D3DPRESENT_PARAMETERS pp = s.settings.pp;
  LeaveCriticalSection(&s.lock);
  if (FAILED(s.device->Reset(&pp))) {
    s.lost = true;
    return false;
  }
  s.lost = false;
  s.lostNotified = false;
  ReadBackBufferDesc();
  if (s.callbacks.deviceReset) s.callbacks.deviceReset(s.device, &s.backBuffer, s.callbacks.user);
  return true;
}

// The device window changed size: new settings for the new size, the caller asked again.
void ApplyNewClientSize(int width, int height) {
  State& s = S();
  DeviceSettings next;
  EnterCriticalSection(&s.lock);
  next = s.settings;
  LeaveCriticalSection(&s.lock);
  next.pp.BackBufferWidth = UINT(width);
  next.pp.BackBufferHeight = UINT(height);
  D3DCAPS9 caps{};
  s.device->GetDeviceCaps(&caps);
  if (s.modify && !s.modify(&next, &caps, s.modifyUser)) return;
  EnterCriticalSection(&s.lock);
  s.settings = next;
  LeaveCriticalSection(&s.lock);
  s.clientWidth = width;
  s.clientHeight = height;
  s.lost = true;  // the reset below goes through the usual lost/reset road
}

}  // namespace

void SetCallbacks(const Callbacks& callbacks) { S().callbacks = callbacks; }

HRESULT Init() {
  State& s = S();
  StartClockOnce();
  if (!s.d3d) s.d3d = Direct3DCreate9(D3D_SDK_VERSION);
  return s.d3d ? S_OK : E_FAIL;
}

HRESULT SetWindow(HWND focus, HWND fullScreen, HWND windowed) {
  if (!focus || !IsWindow(focus) || !windowed || !IsWindow(windowed)) return E_INVALIDARG;
  State& s = S();
  s.focusWindow = focus;
  s.fullScreenWindow = fullScreen;
  s.deviceWindow = windowed;
  return S_OK;
}

HWND GetFocusWindow() { return S().focusWindow; }
HWND GetDeviceWindow() { return S().deviceWindow; }

HRESULT CreateDevice(bool windowed, int width, int height, DeviceAcceptableCallback acceptable,
                     ModifySettingsCallback modify, void* user) {
  State& s = S();
  HRESULT hr = Init();
  if (FAILED(hr)) return hr;
  if (!s.deviceWindow) return E_INVALIDARG;
  DestroyDevice();

  int clientW = 0, clientH = 0;
  ClientSize(s.deviceWindow, &clientW, &clientH);
  if (width <= 0 || height <= 0) {
    width = clientW;
    height = clientH;
  }
  if (width <= 0 || height <= 0) return E_INVALIDARG;

  DeviceSettings ds;
  D3DCAPS9 caps{};
  EnterCriticalSection(&s.lock);
  const bool stored = s.haveSettings;
  if (stored) ds = s.settings;
  LeaveCriticalSection(&s.lock);
  if (stored) {
    ds.pp.hDeviceWindow = s.deviceWindow;
    hr = s.d3d->GetDeviceCaps(ds.adapter, ds.deviceType, &caps);
  } else {
    hr = BuildDefaultSettings(windowed, width, height, acceptable, user, &ds, &caps);
  }
  if (FAILED(hr)) return hr;
  if (modify && !modify(&ds, &caps, user)) return E_ABORT;

  EnterCriticalSection(&s.lock);
  s.settings = ds;
  s.haveSettings = true;
  LeaveCriticalSection(&s.lock);
  s.modify = modify;
  s.modifyUser = user;

  D3DPRESENT_PARAMETERS pp = ds.pp;
  IDirect3DDevice9* device = nullptr;
  hr = s.d3d->CreateDevice(ds.adapter, ds.deviceType, s.focusWindow ? s.focusWindow : s.deviceWindow,
                           ds.behaviorFlags, &pp, &device);
  if (FAILED(hr)) return hr;
  s.device = device;
  s.lost = false;
  s.lostNotified = false;
  s.clientWidth = clientW;
  s.clientHeight = clientH;
  ReadBackBufferDesc();

  if (s.callbacks.deviceCreated) {
    hr = s.callbacks.deviceCreated(s.device, &s.backBuffer, s.callbacks.user);
    if (FAILED(hr)) {
      s.device->Release();
      s.device = nullptr;
      return hr;
    }
  }
  if (s.callbacks.deviceReset) s.callbacks.deviceReset(s.device, &s.backBuffer, s.callbacks.user);
  s.lastFrameTime = GetTimeSeconds();
  return S_OK;
}

void DiscardDeviceSettings() {
  State& s = S();
  EnterCriticalSection(&s.lock);
  s.haveSettings = false;
  s.settings = DeviceSettings{};
  LeaveCriticalSection(&s.lock);
}

bool GetDeviceSettings(DeviceSettings* out) {
  State& s = S();
  EnterCriticalSection(&s.lock);
  const bool have = s.haveSettings;
  if (have && out) *out = s.settings;
  LeaveCriticalSection(&s.lock);
  return have;
}

void Render3DEnvironment() {
  State& s = S();
  if (!s.device || s.renderPauses > 0) return;

  int w = 0, h = 0;
  ClientSize(s.deviceWindow, &w, &h);
  // A minimised or zero-sized window keeps the old back buffer.
  if (w > 0 && h > 0 && (w != s.clientWidth || h != s.clientHeight)) ApplyNewClientSize(w, h);

  const HRESULT level = s.device->TestCooperativeLevel();
  if (level == D3DERR_DEVICELOST) {
    // Not ready for Reset yet; ask again next step.
    s.lost = true;
    NotifyLostOnce();
    return;
  }
  if (s.lost || level == D3DERR_DEVICENOTRESET) {
    if (!TryReset()) return;
  } else if (FAILED(level)) {
    return;
  }

  const double now = GetTimeSeconds();
  double elapsed = now - s.lastFrameTime;
  if (elapsed < 0) elapsed = 0;
  s.lastFrameTime = now;
  if (s.callbacks.frameMove) s.callbacks.frameMove(s.device, now, float(elapsed), s.callbacks.user);
  if (s.callbacks.frameRender)
    s.callbacks.frameRender(s.device, now, float(elapsed), s.callbacks.user);

  const HRESULT presented = s.device->Present(nullptr, nullptr, nullptr, nullptr);
  if (presented == D3DERR_DEVICELOST || presented == D3DERR_DEVICEHUNG ||
      presented == D3DERR_DEVICEREMOVED)
    s.lost = true;
}

void Pause(bool pauseTime, bool pauseRendering) {
  State& s = S();
  StartClockOnce();
  const int before = s.timePauses;
  s.timePauses += pauseTime ? 1 : -1;
  if (s.timePauses < 0) s.timePauses = 0;
  if (before == 0 && s.timePauses > 0) s.clock.Stop(Counter());
  if (before > 0 && s.timePauses == 0) s.clock.Start(Counter());
  s.renderPauses += pauseRendering ? 1 : -1;
  if (s.renderPauses < 0) s.renderPauses = 0;
}

bool IsTimePaused() { return S().timePauses > 0; }
bool IsRenderingPaused() { return S().renderPauses > 0; }

IDirect3DDevice9* GetDevice() { return S().device; }
IDirect3D9* GetD3D() { return S().d3d; }
const D3DSURFACE_DESC* GetBackBufferSurfaceDesc() { return &S().backBuffer; }
bool IsDeviceLost() { return S().lost; }

void Shutdown() {
  State& s = S();
  DestroyDevice();
  DiscardDeviceSettings();
  if (s.d3d) {
    s.d3d->Release();
    s.d3d = nullptr;
  }
  s.callbacks = Callbacks{};
  s.modify = nullptr;
  s.modifyUser = nullptr;
  s.focusWindow = s.fullScreenWindow = s.deviceWindow = nullptr;
  if (s.timePauses > 0) s.clock.Start(Counter());
  s.timePauses = 0;
  s.renderPauses = 0;
}

}  // namespace fw

double GetTimeSeconds() {
  fw::State& s = fw::S();
  fw::StartClockOnce();
  return s.clock.Seconds(fw::Counter(), s.frequency);
}
