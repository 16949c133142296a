// The modeless settings dialog (dialog 111).
#pragma once

#include <windows.h>

// Registers the common-control classes the dialog uses (the trackbar); without them the
// dialog cannot be created. Harmless to call again.
void InitSettingsDialogControls();

// Creates the dialog (owner: the main window) and keeps it in the application object; shows
// it when "Show dialog" is not 0 or when forced. Returns the dialog or null.
HWND ShowSettingsDialog(bool force);
INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
void OnSettingsCommand(HWND dialog, WPARAM wParam);

// The dialog's control with that id, or null (also while there is no dialog).
HWND FindDialogItem(int id);
// Bring one control in line with the settings; each does nothing without the dialog.
void SyncPicPosCombo();
void SyncShowDialogCheck();
void SyncIconsCheck();
void SyncSmoothingCheck();

// "Show dialog" for the state of "Don’t show this at startup".
inline DWORD ShowDialogValueFor(bool dontShowChecked) { return dontShowChecked ? 0 : 1; }
// A drop-down list's selection as a setting: false for "no selection" or an index past the
// list's `count` choices, so a stray notification never stores a wild value.
inline bool ComboChoice(LRESULT selection, int count, DWORD* out) {
  if (selection < 0 || selection >= count) return false;
  *out = static_cast<DWORD>(selection);
  return true;
}
