// The notification-area icon and its popup menu (menu 102).
#pragma once

#include <windows.h>

// NOTIFYICONDATAW in the form with the balloon (szInfo, szInfoTitle) and without the GUID.
// 936 bytes is that form's size in a 32-bit program; this player passes the same form's size
// for its own width.
UINT TrayIconRecordBytes();

bool AddTrayIcon();
void RemoveTrayIcon();

// Only the button-up messages of the icon's callback open the menu.
bool OpensTrayMenu(UINT mouseMessage);
void ShowTrayMenu(UINT mouseMessage);
void OnTrayCommand(WPARAM command);

// The tray menu in `language`, else in 1033; null when neither exists. The caller destroys it.
HMENU LoadTrayMenu(HMODULE module, WORD language);

// Check marks of the popup (submenu 0), by position: the picture-position submenu's item
// `picPos`, the icons submenu's item 0 for visible icons and item 1 for smoothing.
struct TrayMenuChecks {
  DWORD picPos = 0;
  bool iconsVisible = false;
  bool smoothing = false;
};
void ApplyTrayMenuChecks(HMENU popup, const TrayMenuChecks& checks);
TrayMenuChecks CurrentTrayMenuChecks();

// The host's icon filter for a smoothing setting: anisotropic or nearest point.
inline DWORD IconFilterFor(bool smoothing) { return smoothing ? 3 : 1; }
// The picture position a command chooses, or -1 for other commands.
int PicPosForCommand(UINT command);
