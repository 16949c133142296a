// The Direct3D host: creates the device on the player's window through the framework,
// answers its callbacks, lays the scene out (once, or once per monitor for fit and fill),
// and draws the desktop-icon layer over it.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <memory>
#include <vector>

#include "platform/ComPtr.h"
#include "platform/framework/Framework.h"
#include "shell/MonitorLayout.h"
#include "shell/SceneRoot.h"

struct DS_ScreenQuad;
class DS_TextureCache;

class DesktopRenderHost {
 public:
  explicit DesktopRenderHost(bool ownIconLayer);
  ~DesktopRenderHost();
  DesktopRenderHost(const DesktopRenderHost&) = delete;
  DesktopRenderHost& operator=(const DesktopRenderHost&) = delete;

  // Creates the device (twice the window's size where allowed, else the window's size).
  // False when no acceptable device can be made.
  bool Init(HWND window);
  // Prepares every slide's runtime objects and starts the music, silenced until the stored
  // volume is applied.
  void StartSceneAndMusic();

  // After the icon view painted into its bitmap (32-bit, bottom-up, W x H): makes painted
  // pixels opaque within `iconBounds` and copies the bitmap into the icon texture.
  void CopyIconLayer(HDC iconDC, BYTE* iconBits, const RECT& iconBounds);

  HRESULT RenderFrame();
  void RestoreDevice();
  void ReleaseDeviceObjects();

  void SetSceneRoot(std::unique_ptr<SceneRoot> root) { sceneRoot_ = std::move(root); }
  void DeleteSceneRoot() { sceneRoot_.reset(); }
  SceneRoot* GetSceneRoot() const { return sceneRoot_.get(); }
  // The shell also hands the mode to the scene when it sets it.
  void SetPicturePosition(int mode) { picturePosition_ = mode; }
  int GetPicturePosition() const { return picturePosition_; }
  void SetIconsShown(bool shown) { iconsShown_ = shown; }
  bool GetIconsShown() const { return iconsShown_; }
  void SetIconFilter(D3DTEXTUREFILTERTYPE filter) { iconFilter_ = filter; }
  D3DTEXTUREFILTERTYPE GetIconFilter() const { return iconFilter_; }
  IDirect3DTexture9* GetIconTexture() const { return iconTexture_; }
  DS_ScreenQuad* GetIconQuad() const { return iconQuad_; }
  const std::vector<MonitorRecord>& GetMonitors() const { return monitors_; }
  HWND GetDeviceWindow() const { return deviceWindow_; }

 private:
  void CreateIconTexture();

  std::unique_ptr<SceneRoot> sceneRoot_;
  DS_ScreenQuad* iconQuad_ = nullptr;  // only when the host draws its own icon layer
  ComRef<IDirect3DTexture9> iconTexture_;  // the icon layer's picture, while the device lasts
  int picturePosition_ = 1;
  bool iconsShown_ = false;
  D3DTEXTUREFILTERTYPE iconFilter_ = D3DTEXF_POINT;
  std::vector<MonitorRecord> monitors_;
  HWND deviceWindow_ = nullptr;
  std::unique_ptr<DS_TextureCache> textureCache_;
};

extern DesktopRenderHost* g_RenderHost;
extern RECT g_WindowRect;
extern float g_RenderScale;

// The framework's callbacks, also callable on their own.
bool IsDeviceAcceptable(const D3DCAPS9* caps, D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat,
                        bool windowed, void* user);
bool ModifySettingsDouble(fw::DeviceSettings* settings, const D3DCAPS9* caps, void* user);
bool ModifySettingsSingle(fw::DeviceSettings* settings, const D3DCAPS9* caps, void* user);

// Makes every pixel that the icon view painted opaque: rows top..bottom of `bounds` and
// columns up to its right edge, in a bottom-up 32-bit bitmap of width x height. Pixels of
// the key colour (1, 1, 1) stay transparent; pixels with an alpha of their own keep it.
void FixIconAlpha(BYTE* bits, int width, int height, const RECT& bounds);
