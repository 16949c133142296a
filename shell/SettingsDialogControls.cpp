// The common-control classes of the settings dialog, apart from the dialog so that the
// template can be checked on its own.
#include <windows.h>
#include <commctrl.h>

#include "shell/SettingsDialog.h"

void InitSettingsDialogControls() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}
