#include "shell/SettingsDialog.h"

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "shell/Autorun.h"
#include "shell/DS_Desktop.h"
#include "shell/IconLayerHost.h"
#include "shell/Settings.h"
#include "shell/Strings.h"
#include "shell/WebLink.h"

namespace {

void SetCheck(HWND dialog, int id, bool on) {
  CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

void SetItemString(HWND dialog, int id, UINT string) {
  SetDlgItemTextW(dialog, id, GetLocalizedString(string).c_str());
}

void FillCombo(HWND dialog, int id, UINT first, int count, DWORD selected) {
  HWND combo = GetDlgItem(dialog, id);
  if (!combo) return;
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < count; ++i) {
    SendMessageW(combo, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(GetLocalizedString(first + i).c_str()));
  }
  SendMessageW(combo, CB_SETCURSEL, selected, 0);
}

void LocalizeSettingsDialog(HWND dialog) {
  SetWindowTextW(dialog, GetLocalizedString(IDS_SETTINGS_TITLE).c_str());
  SetItemString(dialog, IDC_GALLERY, IDS_GALLERY_BUTTON);
  SetItemString(dialog, IDC_HELPPAGE, IDS_HELP_BUTTON);
  SetItemString(dialog, IDCANCEL, IDS_HIDE_BUTTON);
  SetItemString(dialog, IDC_DONTSHOW, IDS_DONTSHOW);
  SetItemString(dialog, IDC_AUTORUN, IDS_AUTORUN);
  SetItemString(dialog, IDC_PICPOS_LABEL, IDS_PICPOS_LABEL);
  SetItemString(dialog, IDC_SHOWICONS, IDS_SHOWICONS);
  SetItemString(dialog, IDC_MUTE, IDS_MUTE);
  FillCombo(dialog, IDC_PRIORITY, IDS_PRIORITY_HIGH, 3, Settings().GetSleepTime());
  FillCombo(dialog, IDC_PICPOS, IDS_PICPOS_STRETCH, 3, GetPicPos());
}

void OpenStringUrl(UINT id) {
  wchar_t address[260] = {};
  if (LoadStringW(PlayerInstance(), id, address, 260) > 0) OpenUrl(address);
}

void ClearAutorun() {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegDeleteValueW(key, kAutorunValue);
  RegCloseKey(key);
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

}  // namespace

HWND ShowSettingsDialog(bool force) {
  InitSettingsDialogControls();
  HWND dialog = CreateDialogParamW(PlayerInstance(), MAKEINTRESOURCEW(IDD_SETTINGS),
                                   PlayerMainWindow(), SettingsDlgProc, 0);
  SetPlayerSettingsDialog(dialog);
  if (dialog && (PlayerShowDialog() != 0 || force)) ShowWindow(dialog, SW_SHOW);
  return dialog;
}

HWND FindDialogItem(int id) {
  HWND dialog = PlayerSettingsDialog();
  return dialog && IsWindow(dialog) ? GetDlgItem(dialog, id) : nullptr;
}

void SyncPicPosCombo() {
  if (HWND combo = FindDialogItem(IDC_PICPOS)) SendMessageW(combo, CB_SETCURSEL, GetPicPos(), 0);
}

void SyncShowDialogCheck() {
  if (HWND box = FindDialogItem(IDC_DONTSHOW)) {
    SendMessageW(box, BM_SETCHECK, PlayerShowDialog() == 0 ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void SyncIconsCheck() {
  if (HWND box = FindDialogItem(IDC_SHOWICONS)) {
    DS_Desktop* desktop = PlayerDesktop();
    const bool visible = desktop && desktop->AreIconsVisible();
    SendMessageW(box, BM_SETCHECK, visible ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void SyncSmoothingCheck() {
  // Dialog 111 has no smoothing box; a dialog that has one follows the setting.
  if (HWND box = FindDialogItem(IDC_SMOOTHING)) {
    SendMessageW(box, BM_SETCHECK, GetIconSmoothing() ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      SetPlayerSettingsDialog(dialog);
      SetCheck(dialog, IDC_DONTSHOW, PlayerShowDialog() == 0);
      SetCheck(dialog, IDC_MUTE, GetMute());
      if (HWND volume = GetDlgItem(dialog, IDC_VOLUME)) {
        SendMessageW(volume, TBM_SETTICFREQ, 10, 0);
        SendMessageW(volume, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
        SendMessageW(volume, TBM_SETPOS, TRUE, GetSoundVolume());
      }
      DS_Desktop* desktop = PlayerDesktop();
      SetCheck(dialog, IDC_SHOWICONS, desktop && desktop->AreIconsVisible());
      SetCheck(dialog, IDC_AUTORUN, IsAutorunSet());
      LocalizeSettingsDialog(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      OnSettingsCommand(dialog, wParam);
      return TRUE;
    case WM_HSCROLL: {
      HWND volume = GetDlgItem(dialog, IDC_VOLUME);
      if (!volume) return TRUE;
      const LRESULT position = SendMessageW(volume, TBM_GETPOS, 0, 0);
      SetSoundVolume(static_cast<DWORD>(position < 0 ? 0 : position));
      IconHostApplySoundVolume(GetSoundVolume(), GetMute());
      return TRUE;
    }
    default:
      return FALSE;
  }
}

void OnSettingsCommand(HWND dialog, WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  switch (id) {
    case IDCANCEL:
      EndDialog(dialog, IDCANCEL);  // modeless: hidden, and the tray's Settings shows it again
      return;
    case IDC_GALLERY:
      OpenStringUrl(IDS_GALLERY_URL);
      return;
    case IDC_HELPPAGE:
      OpenStringUrl(IDS_HELP_URL);
      return;
    case IDC_AUTORUN:
      if (IsChecked(dialog, IDC_AUTORUN)) {
        SetAutorun();
      } else {
        ClearAutorun();
      }
      return;
    case IDC_DONTSHOW: {
      const DWORD show = ShowDialogValueFor(IsChecked(dialog, IDC_DONTSHOW));
      SetPlayerShowDialog(show);
      WriteRegistryDword(show, kShowDialogValue);
      return;
    }
    case IDC_MUTE:
      SetMute(!GetMute());
      IconHostApplySoundVolume(GetSoundVolume(), GetMute());
      return;
    case IDC_SHOWICONS:
      if (DS_Desktop* desktop = PlayerDesktop()) desktop->ToggleIcons();
      return;
    case IDC_PRIORITY: {
      DWORD choice;
      if (code == CBN_SELENDOK &&
          ComboChoice(SendDlgItemMessageW(dialog, IDC_PRIORITY, CB_GETCURSEL, 0, 0), 3, &choice)) {
        SetSleepTime(choice);
      }
      return;
    }
    case IDC_PICPOS: {
      DWORD choice;
      if (code == CBN_SELENDOK &&
          ComboChoice(SendDlgItemMessageW(dialog, IDC_PICPOS, CB_GETCURSEL, 0, 0), 3, &choice)) {
        SetPicPos(choice);
        IconHostSetPicturePosition(GetPicPos());
      }
      return;
    }
    default:
      return;
  }
}
