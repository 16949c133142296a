// The tray menu's resource, its check marks and the record of the tray icon: the parts of the
// tray that need no player around them.
#include "shell/TrayIcon.h"

#include <shellapi.h>

#include "resources/resource_ids.h"

namespace {
constexpr int kIconsSubmenu = 1;
constexpr int kPicPosSubmenu = 2;
}  // namespace

UINT TrayIconRecordBytes() { return NOTIFYICONDATAW_V2_SIZE; }

bool OpensTrayMenu(UINT mouseMessage) {
  return mouseMessage == WM_LBUTTONUP || mouseMessage == WM_RBUTTONUP;
}

HMENU LoadTrayMenu(HMODULE module, WORD language) {
  HRSRC found = FindResourceExW(module, RT_MENU, MAKEINTRESOURCEW(IDR_TRAYMENU), language);
  if (!found) {
    found = FindResourceExW(module, RT_MENU, MAKEINTRESOURCEW(IDR_TRAYMENU),
                            MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  }
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  return bytes ? LoadMenuIndirectW(bytes) : nullptr;
}

void ApplyTrayMenuChecks(HMENU popup, const TrayMenuChecks& checks) {
  if (HMENU positions = GetSubMenu(popup, kPicPosSubmenu)) {
    CheckMenuItem(positions, checks.picPos, MF_BYPOSITION | MF_CHECKED);
  }
  if (HMENU icons = GetSubMenu(popup, kIconsSubmenu)) {
    if (checks.iconsVisible) CheckMenuItem(icons, 0, MF_BYPOSITION | MF_CHECKED);
    if (checks.smoothing) CheckMenuItem(icons, 1, MF_BYPOSITION | MF_CHECKED);
  }
}

int PicPosForCommand(UINT command) {
  if (command >= ID_TRAY_STRETCH && command <= ID_TRAY_FILL) {
    return static_cast<int>(command - ID_TRAY_STRETCH);
  }
  return -1;
}
