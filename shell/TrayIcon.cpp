#include "shell/TrayIcon.h"

#include <shellapi.h>

#include "resources/resource_ids.h"
#include "shell/DS_Desktop.h"
#include "shell/IconLayerHost.h"
#include "shell/SettingsDialog.h"
#include "shell/Settings.h"
#include "shell/Strings.h"
#include "shell/WebLink.h"

namespace {

constexpr UINT kTrayIconId = 1025;
constexpr UINT kTrayCallbackMessage = WM_USER + 1;

void CopyText(wchar_t* to, size_t capacity, const std::wstring& text) {
  const size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
  text.copy(to, n);
  to[n] = 0;
}

}  // namespace

bool AddTrayIcon() {
  NOTIFYICONDATAW data{};
  data.cbSize = TrayIconRecordBytes();
  data.hWnd = PlayerMainWindow();
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = LoadIconW(PlayerInstance(), MAKEINTRESOURCEW(IDI_TARNWICK));
  CopyText(data.szTip, 128, L"Orvanel Tarnwick");
  CopyText(data.szInfo, 256, GetLocalizedString(IDS_BALLOON_TEXT));
  CopyText(data.szInfoTitle, 64, GetLocalizedString(IDS_BALLOON_TITLE));
  Shell_NotifyIconW(NIM_ADD, &data);  // a shell without a tray simply shows no icon
  return true;
}

void RemoveTrayIcon() {
  NOTIFYICONDATAW data{};
  data.cbSize = TrayIconRecordBytes();
  data.hWnd = PlayerMainWindow();
  data.uID = kTrayIconId;
  Shell_NotifyIconW(NIM_DELETE, &data);
}

TrayMenuChecks CurrentTrayMenuChecks() {
  TrayMenuChecks checks;
  checks.picPos = GetPicPos();
  DS_Desktop* desktop = PlayerDesktop();
  checks.iconsVisible = desktop && desktop->AreIconsVisible();
  checks.smoothing = GetIconSmoothing();
  return checks;
}

void ShowTrayMenu(UINT mouseMessage) {
  if (!OpensTrayMenu(mouseMessage)) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  HMENU menu = LoadTrayMenu(PlayerInstance(), g_LanguageId);
  if (!menu) return;
  if (HMENU popup = GetSubMenu(menu, 0)) {
    ApplyTrayMenuChecks(popup, CurrentTrayMenuChecks());
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, PlayerMainWindow(), nullptr);
  }
  DestroyMenu(menu);
}

void OnTrayCommand(WPARAM command) {
  const UINT id = LOWORD(command);
  switch (id) {
    case ID_TRAY_EXIT:
      SendMessageW(PlayerMainWindow(), WM_CLOSE, 0, 0);
      return;
    case ID_TRAY_MOREWALLPAPERS: {
      wchar_t address[260] = {};
      if (LoadStringW(PlayerInstance(), IDS_GALLERY_URL, address, 260) > 0) OpenUrl(address);
      return;
    }
    case ID_TRAY_SETTINGS:
      if (IsWindow(PlayerSettingsDialog())) {
        ShowWindow(PlayerSettingsDialog(), SW_SHOW);
      } else {
        ShowSettingsDialog(true);
      }
      return;
    case ID_TRAY_SHOWICONS:
      if (DS_Desktop* desktop = PlayerDesktop()) desktop->ToggleIcons();
      SyncIconsCheck();
      return;
    case ID_TRAY_MUTE:
      SetMute(!GetMute());
      IconHostApplySoundVolume(GetSoundVolume(), GetMute());
      if (HWND box = FindDialogItem(IDC_MUTE)) {
        SendMessageW(box, BM_SETCHECK, GetMute() ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      return;
    case ID_TRAY_ICONSMOOTHING:
      SetIconSmoothing(!GetIconSmoothing());
      IconHostSetIconFilter(IconFilterFor(GetIconSmoothing()));
      SyncSmoothingCheck();
      return;
    case ID_TRAY_STRETCH:
    case ID_TRAY_FIT:
    case ID_TRAY_FILL: {
      const DWORD position = static_cast<DWORD>(PicPosForCommand(id));
      SetPicPos(position);
      IconHostSetPicturePosition(position);
      SyncPicPosCombo();
      return;
    }
    default:
      return;
  }
}
