// A small Direct3D 9 application framework: one windowed device on a window the caller owns,
// the device's life (created, lost, reset) reported through callbacks, a render step that
// heals a lost device before it moves and draws a frame, and a clock that stands still while
// the caller pauses time.
//
// It never parses the command line, installs no hotkeys and shows no message boxes: errors
// come back as HRESULTs. Everything runs on the caller's thread.
#pragma once

#include <windows.h>
#include <d3d9.h>

// Seconds since the framework's clock started (at `fw::Init`, or the first reading). The
// value stands still while time is paused. -1 when the machine has no performance counter.
double GetTimeSeconds();

namespace fw {

// What a device is created with. The modify-settings callback may change any of it.
struct DeviceSettings {
  UINT adapter = D3DADAPTER_DEFAULT;
  D3DDEVTYPE deviceType = D3DDEVTYPE_HAL;
  D3DFORMAT adapterFormat = D3DFMT_UNKNOWN;
  DWORD behaviorFlags = 0;
  D3DPRESENT_PARAMETERS pp{};
};

using DeviceCreatedCallback = HRESULT (*)(IDirect3DDevice9* device,
                                          const D3DSURFACE_DESC* backBuffer, void* user);
using DeviceResetCallback = HRESULT (*)(IDirect3DDevice9* device,
                                        const D3DSURFACE_DESC* backBuffer, void* user);
using DeviceLostCallback = void (*)(void* user);
using DeviceDestroyedCallback = void (*)(void* user);
using FrameMoveCallback = void (*)(IDirect3DDevice9* device, double time, float elapsed,
                                   void* user);
using FrameRenderCallback = void (*)(IDirect3DDevice9* device, double time, float elapsed,
                                     void* user);
using DeviceAcceptableCallback = bool (*)(const D3DCAPS9* caps, D3DFORMAT adapterFormat,
                                          D3DFORMAT backBufferFormat, bool windowed, void* user);
using ModifySettingsCallback = bool (*)(DeviceSettings* settings, const D3DCAPS9* caps,
                                        void* user);

struct Callbacks {
  DeviceCreatedCallback deviceCreated = nullptr;
  DeviceResetCallback deviceReset = nullptr;
  DeviceLostCallback deviceLost = nullptr;
  DeviceDestroyedCallback deviceDestroyed = nullptr;
  FrameMoveCallback frameMove = nullptr;
  FrameRenderCallback frameRender = nullptr;
  void* user = nullptr;
};

void SetCallbacks(const Callbacks& callbacks);

// Creates the Direct3D object and starts the clock. Calling it again is harmless.
HRESULT Init();

// The windows the device belongs to. Only windowed devices are made, so the windowed device
// window is the one that counts; the others are kept for the caller.
HRESULT SetWindow(HWND focus, HWND fullScreen, HWND windowed);
HWND GetFocusWindow();
HWND GetDeviceWindow();

// Creates a windowed device with a back buffer of width x height (0 takes the device
// window's client size). Each adapter format and back-buffer format pair is offered to
// `acceptable` (null accepts all); `modify` then sees the settings and may change them or
// refuse. The settings are kept even when creation fails, and a later call starts from them
// until `DiscardDeviceSettings`. The back buffer always has a depth-stencil surface with a
// stencil.
HRESULT CreateDevice(bool windowed, int width, int height, DeviceAcceptableCallback acceptable,
                     ModifySettingsCallback modify, void* user);

// Forgets the stored settings (under the framework's lock), so the next creation starts fresh.
void DiscardDeviceSettings();
// Copies the stored settings; false when there are none.
bool GetDeviceSettings(DeviceSettings* out);

// One step: heals a lost device (lost callback, Reset, reset callback), then frame move,
// frame render and Present. Does nothing while rendering is paused or before a device
// exists. A changed client size of the device window resets the device too, with the
// modify-settings callback of the creation asked again.
void Render3DEnvironment();

// Counted pauses: each `true` adds one pause, each `false` takes one away (never below none).
// Time stands still while its count is above zero; the render step does nothing while the
// rendering count is above zero.
void Pause(bool pauseTime, bool pauseRendering);
bool IsTimePaused();
bool IsRenderingPaused();

IDirect3DDevice9* GetDevice();
IDirect3D9* GetD3D();
const D3DSURFACE_DESC* GetBackBufferSurfaceDesc();
bool IsDeviceLost();

// Releases the device (lost and destroyed callbacks first) and the Direct3D object; the
// stored settings, pauses and callbacks are forgotten. At process exit whatever is left is
// released without callbacks, since the caller's objects may already be gone.
void Shutdown();

}  // namespace fw
