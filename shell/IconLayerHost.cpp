// The bridge from the icon layer, the tray and the settings dialog to the rest of the shell:
// the application object and, while it exists, the Direct3D host.
#include "shell/IconLayerHost.h"

#include "platform/framework/Framework.h"
#include "shell/DS_Desktop.h"
#include "shell/DesktopRenderHost.h"
#include "shell/IconSync.h"
#include "shell/PlayerApp.h"
#include "sound/DirectSound.h"

HWND IconHostDesktopView() { return FindDesktopView(); }

void IconHostCopyLayer() {
  if (g_RenderHost && g_IconMemDC && g_IconBits) {
    g_RenderHost->CopyIconLayer(g_IconMemDC, static_cast<BYTE*>(g_IconBits), g_IconBounds);
  }
}

void IconHostRenderStep() {
  if (g_RenderHost) fw::Render3DEnvironment();
}

void IconHostSetIconsShown(bool shown) {
  if (g_App.host) g_App.host->SetIconsShown(shown);
}

void IconHostSetIconFilter(DWORD filter) {
  if (g_App.host) g_App.host->SetIconFilter(static_cast<D3DTEXTUREFILTERTYPE>(filter));
}

void IconHostSetPicturePosition(DWORD position) {
  if (!g_App.host) return;
  g_App.host->SetPicturePosition(static_cast<int>(position));
  if (SceneRoot* root = g_App.host->GetSceneRoot()) root->SetPicturePosition(static_cast<int>(position));
}

void IconHostApplySoundVolume(DWORD volume, bool mute) { ApplySoundVolume(volume, mute); }

HINSTANCE PlayerInstance() { return g_App.instance ? g_App.instance : GetModuleHandleW(nullptr); }
HWND PlayerMainWindow() { return g_App.mainWindow; }
DS_Desktop* PlayerDesktop() { return g_App.desktop; }
HWND PlayerSettingsDialog() { return g_App.settingsDialog; }
void SetPlayerSettingsDialog(HWND dialog) { g_App.settingsDialog = dialog; }
DWORD PlayerShowDialog() { return g_App.showDialog; }
void SetPlayerShowDialog(DWORD value) { g_App.showDialog = value; }
