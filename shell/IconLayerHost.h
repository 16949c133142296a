// What the desktop icon layer, the tray and the settings dialog need from the rest of the
// shell (the application object, the Direct3D host, the scene root), in one narrow place.
#pragma once

#include <windows.h>

class DS_Desktop;

// The desktop's icon view ("SHELLDLL_DefView"), or null.
HWND IconHostDesktopView();
// Copies the icon bitmap into the icon texture, when the Direct3D host exists.
void IconHostCopyLayer();
// One render step of the framework, when the Direct3D host exists.
void IconHostRenderStep();
// Whether the host draws the icon layer.
void IconHostSetIconsShown(bool shown);
// The host's icon filter: D3DTEXF_ANISOTROPIC (3) or D3DTEXF_POINT (1).
void IconHostSetIconFilter(DWORD filter);
// The host's picture position and, when there is a scene root, the scene's.
void IconHostSetPicturePosition(DWORD position);
// Music and master volume from the settings.
void IconHostApplySoundVolume(DWORD volume, bool mute);

// The application object's parts.
HINSTANCE PlayerInstance();
HWND PlayerMainWindow();
DS_Desktop* PlayerDesktop();
HWND PlayerSettingsDialog();
void SetPlayerSettingsDialog(HWND dialog);
DWORD PlayerShowDialog();
void SetPlayerShowDialog(DWORD value);
