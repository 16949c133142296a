// The parts of the desktop icon layer that follow Explorer's list view.
#include "shell/IconSync.h"

#include <commctrl.h>

#include "shell/DS_Desktop.h"
#include "shell/IconLayerHost.h"

namespace {
HWND g_ExplorerListView = nullptr;
}  // namespace

bool ReadExplorerIcons32() { return ReadListViewIcons(ExplorerListView(), false, g_IconTable); }
bool ReadExplorerIcons64() { return ReadListViewIcons(ExplorerListView(), true, g_IconTable); }

HWND ExplorerListView() {
  if (g_ExplorerListView && IsWindow(g_ExplorerListView)) return g_ExplorerListView;
  g_ExplorerListView = nullptr;
  if (HWND view = IconHostDesktopView()) {
    g_ExplorerListView = FindWindowExW(view, nullptr, L"SysListView32", nullptr);
  }
  return g_ExplorerListView;
}

void MoveExplorerIcon(POINT position, int explorerIndex) {
  if (HWND explorer = ExplorerListView()) {
    SendMessageW(explorer, LVM_SETITEMPOSITION, explorerIndex, PackPosition(position.x, position.y));
  }
}


int DS_Desktop::GetHeaderHeight() const {
  if (!ownListView_) return 0;
  HWND header = FindWindowExW(ownListView_, nullptr, L"SysHeader32", nullptr);
  RECT r;
  if (!header || !GetWindowRect(header, &r)) return 0;
  return r.bottom - r.top;
}

void DS_Desktop::MatchIconSize() {
  if (!ownListView_) return;
  RECT theirs;
  if (!GetRemoteItemRect(ExplorerListView(), 0, LVIR_ICON, &theirs)) return;
  const int target = theirs.bottom - theirs.top;
  HWND own = ownListView_;
  StepIconSizeToward(
      target,
      [own] {
        RECT r{LVIR_ICON, 0, 0, 0};
        if (!SendMessageW(own, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r))) return 0;
        return static_cast<int>(r.bottom - r.top);
      },
      [own](int direction) {
        // Control + wheel steps the list view's icon size.
        const WPARAM wParam = direction < 0 ? 0xFF880008 : 0x00780008;
        SendMessageW(own, WM_MOUSEWHEEL, wParam, 0);
      });
}

void DS_Desktop::ComputeIconBounds(int count) {
  if (!ownListView_) return;
  RECT window;
  if (!GetWindowRect(ownListView_, &window)) return;
  std::vector<RECT> labels;
  labels.reserve(count > 0 ? count : 0);
  for (int i = 0; i < count; ++i) {
    RECT r{LVIR_LABEL, 0, 0, 0};
    if (SendMessageW(ownListView_, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r))) {
      labels.push_back(r);
    }
  }
  g_IconBounds = BoundsOfLabels(window, labels);
}

void DS_Desktop::SyncIcons() {
  if (!ownListView_ || !IsWindow(ownListView_)) return;
  if (!AreIconsVisible() && IsWindowVisible(hostWindow_)) return;
  const int n = static_cast<int>(SendMessageW(ownListView_, LVM_GETITEMCOUNT, 0, 0));

  if (n == knownIconCount_) {
    if (g_DraggedIcons.empty()) return;
    POINT own{};
    const IconPlacement* first = FindIconEntry(ownListView_, g_DraggedIcons.front());
    if (first &&
        SendMessageW(ownListView_, LVM_GETITEMPOSITION, g_DraggedIcons.front(),
                     reinterpret_cast<LPARAM>(&own)) &&
        own.x == first->x && own.y == first->y) {
      return;  // the drag has not ended in a move yet
    }
    for (int index : g_DraggedIcons) {
      IconPlacement* entry = FindIconEntry(ownListView_, index);
      if (!entry) continue;
      POINT p{};
      if (!SendMessageW(ownListView_, LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(&p))) continue;
      entry->x = p.x;
      entry->y = p.y;
      MoveExplorerIcon(p, entry->index);
    }
    g_DraggedIcons.clear();
    ComputeIconBounds(n);
    IconHostCopyLayer();
    return;
  }

  g_DraggedIcons.clear();
  SetWindowPos(ownListView_, nullptr, 0, -GetHeaderHeight(), 0, 0, SWP_NOZORDER | SWP_NOSIZE);
  if (ExplorerUsesWideItems()) {
    ReadExplorerIcons64();
  } else {
    ReadExplorerIcons32();
  }
  if (knownIconCount_ == 0) {
    PlaceOwnIcons(ownListView_);
  } else if (knownIconCount_ < n) {
    // Items were added: the own view placed them; Explorer follows for every known item.
    for (int i = 0; i < n; ++i) {
      IconPlacement* entry = FindIconEntry(ownListView_, i);
      POINT p{};
      if (!entry ||
          !SendMessageW(ownListView_, LVM_GETITEMPOSITION, i, reinterpret_cast<LPARAM>(&p))) {
        continue;
      }
      entry->x = p.x;
      entry->y = p.y;
      MoveExplorerIcon(p, entry->index);
    }
  }
  knownIconCount_ = n;
  MatchIconSize();
  ComputeIconBounds(n);
  ShowWindow(hostWindow_, SW_SHOW);
  HWND explorer = ExplorerListView();
  if (!explorer || !IsWindowVisible(explorer)) ShowWindow(ownListView_, SW_HIDE);
}
