// icons_probe: looks at and acts on the player's icon layer, tray menu and settings dialog
// from another process, as a user's clicks would. Output is UTF-8 lines; exit code 0 on
// success, 2 when the window asked for is missing.
//
//   icons_probe items own|standin          "listview HWND visible V exstyle 0xE count N",
//                                          then "item I X Y TEXT" per item
//   icons_probe setpos own|standin I X Y   moves item I (LVM_SETITEMPOSITION)
//   icons_probe drag I DX DY               presses the button on the own item I, moves the
//                                          mouse by (DX, DY) and lets go, as messages
//   icons_probe tray MOUSEMSG [--send]     the tray icon's callback (1025) with that message,
//                                          posted; with --send sent, and the probe returns
//                                          once the player has handled it ("handled"), or
//                                          after 10 s without an answer ("no answer", exit 3)
//   icons_probe command ID                 WM_COMMAND ID to the player's window
//   icons_probe menu                       "menu open N": popup menus shown (class #32768)
//   icons_probe closemenu                  closes any open popup menu
//   icons_probe dialog                     "dialog HWND visible V title T", and per control
//                                          "control ID checked C sel S pos P text T"
//   icons_probe click ID                   BM_CLICK on the dialog's check box or button ID
//   icons_probe combo ID INDEX NOTIFY      selects INDEX and notifies the dialog with NOTIFY
//                                          (CBN_SELCHANGE 1, CBN_SELENDOK 9, CBN_SELENDCANCEL 10)
//   icons_probe volume POS                 moves the trackbar and scrolls the dialog
//   icons_probe zorder                     "above N below M" siblings of the player's window
//   icons_probe toplevels                  "window CLASS X Y W H" per visible top-level window
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "resources/resource_ids.h"
#include "shell/IconSync.h"
#include "shell/RemoteMemory.h"

namespace {

void Print(const std::wstring& line) {
  const std::wstring text = line + L"\n";
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), n, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), DWORD(out.size()), &written, nullptr);
}

std::wstring Num(long long v) { return std::to_wstring(v); }
std::wstring Hex(unsigned long long v) {
  wchar_t b[32];
  swprintf(b, 32, L"0x%llx", v);
  return b;
}

HWND Child(HWND parent, const wchar_t* cls) {
  return parent ? FindWindowExW(parent, nullptr, cls, nullptr) : nullptr;
}

HWND StandinView() {
  HWND view = Child(FindWindowW(L"Progman", nullptr), L"SHELLDLL_DefView");
  for (HWND w = nullptr; !view && (w = FindWindowExW(nullptr, w, L"WorkerW", nullptr));) {
    view = Child(w, L"SHELLDLL_DefView");
  }
  return view;
}

HWND Player() { return Child(StandinView(), L"TarnwickWnd"); }

HWND ListView(const std::wstring& which) {
  if (which == L"standin") return Child(StandinView(), L"SysListView32");
  return Child(Child(Player(), L"SHELLDLL_DefView"), L"SysListView32");
}

struct DialogSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindDialog(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<DialogSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t cls[16] = {};
  GetClassNameW(w, cls, 16);
  if (pid == s->pid && wcscmp(cls, L"#32770") == 0 && GetDlgItem(w, IDC_VOLUME)) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

HWND SettingsDialog() {
  DialogSearch s{0, nullptr};
  if (!Player() || !GetWindowThreadProcessId(Player(), &s.pid)) return nullptr;
  EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

BOOL CALLBACK CountMenus(HWND w, LPARAM lp) {
  wchar_t cls[16] = {};
  GetClassNameW(w, cls, 16);
  if (wcscmp(cls, L"#32768") == 0 && IsWindowVisible(w)) ++*reinterpret_cast<int*>(lp);
  return TRUE;
}

int Items(const std::wstring& which) {
  HWND list = ListView(which);
  if (!list) return 2;
  const DWORD ex = DWORD(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  const int count = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  Print(L"listview " + Hex(reinterpret_cast<uintptr_t>(list)) + L" visible " +
        Num(IsWindowVisible(list) ? 1 : 0) + L" exstyle " + Hex(ex) + L" count " + Num(count));
  IconTable table;
  ReadListViewIcons(list, ExplorerUsesWideItems(), table);
  for (const auto& [text, p] : table) {
    Print(L"item " + Num(p.index) + L" " + Num(p.x) + L" " + Num(p.y) + L" " + text);
  }
  return 0;
}

void PostMouse(HWND w, UINT msg, WPARAM keys, int x, int y) {
  PostMessageW(w, msg, keys, MAKELPARAM(x, y));
  Sleep(60);
}

int Drag(int index, int dx, int dy) {
  HWND list = ListView(L"own");
  if (!list) return 2;
  RemoteProcess process(list);
  RemoteBlock block(process, sizeof(RECT));
  RECT r{LVIR_ICON, 0, 0, 0};
  if (!block.Write(&r, sizeof r) || !SendMessageW(list, LVM_GETITEMRECT, index, block.param()) ||
      !block.Read(&r, sizeof r)) {
    return 1;
  }
  const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  PostMouse(list, WM_MOUSEMOVE, 0, x, y);
  PostMouse(list, WM_LBUTTONDOWN, MK_LBUTTON, x, y);
  for (int step = 1; step <= 4; ++step) {
    PostMouse(list, WM_MOUSEMOVE, MK_LBUTTON, x + dx * step / 4, y + dy * step / 4);
  }
  PostMouse(list, WM_LBUTTONUP, 0, x + dx, y + dy);
  Print(L"dragged " + Num(index) + L" from " + Num(x) + L" " + Num(y));
  return 0;
}

int Dialog() {
  HWND d = SettingsDialog();
  if (!d) return 2;
  wchar_t title[128] = {};
  GetWindowTextW(d, title, 128);
  Print(L"dialog " + Hex(reinterpret_cast<uintptr_t>(d)) + L" visible " +
        Num(IsWindowVisible(d) ? 1 : 0) + L" title " + title);
  for (int id : {IDC_DONTSHOW, IDC_AUTORUN, IDC_SHOWICONS, IDC_MUTE, IDC_PRIORITY, IDC_PICPOS,
                 IDC_VOLUME, IDC_GALLERY, IDC_HELPPAGE, IDCANCEL, IDC_PICPOS_LABEL}) {
    HWND c = GetDlgItem(d, id);
    if (!c) continue;
    wchar_t text[128] = {};
    GetWindowTextW(c, text, 128);
    const long long checked = SendMessageW(c, BM_GETCHECK, 0, 0);
    const long long sel = id == IDC_PRIORITY || id == IDC_PICPOS ? SendMessageW(c, CB_GETCURSEL, 0, 0) : -1;
    const long long pos = id == IDC_VOLUME ? SendMessageW(c, TBM_GETPOS, 0, 0) : -1;
    Print(L"control " + Num(id) + L" checked " + Num(checked) + L" sel " + Num(sel) + L" pos " +
          Num(pos) + L" text " + text);
  }
  return 0;
}

BOOL CALLBACK PrintTopLevel(HWND w, LPARAM) {
  if (!IsWindowVisible(w)) return TRUE;
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  RECT r{};
  GetWindowRect(w, &r);
  Print(L"window " + std::wstring(cls) + L" " + Num(r.left) + L" " + Num(r.top) + L" " +
        Num(r.right - r.left) + L" " + Num(r.bottom - r.top));
  return TRUE;
}

int ZOrder() {
  HWND p = Player();
  if (!p) return 2;
  int above = 0, below = 0;
  for (HWND w = GetWindow(p, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) ++above;
  for (HWND w = GetWindow(p, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT)) ++below;
  Print(L"above " + Num(above) + L" below " + Num(below));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 1;
  const std::wstring cmd = argv[1];
  auto arg = [&](int i) { return i < argc ? _wtoi(argv[i]) : 0; };
  if (cmd == L"items" && argc >= 3) return Items(argv[2]);
  if (cmd == L"setpos" && argc >= 6) {
    HWND list = ListView(argv[2]);
    if (!list) return 2;
    return SendMessageW(list, LVM_SETITEMPOSITION, arg(3), PackPosition(arg(4), arg(5))) ? 0 : 1;
  }
  if (cmd == L"drag" && argc >= 5) return Drag(arg(2), arg(3), arg(4));
  if (cmd == L"tray" && argc >= 3) {
    if (!Player()) return 2;
    if (argc >= 4 && std::wstring(argv[3]) == L"--send") {
      // A callback that opens the menu tracks it inside the handler, so a send that does
      // not come back says the menu is open.
      DWORD_PTR result = 0;
      if (!SendMessageTimeoutW(Player(), WM_USER + 1, 1025, arg(2), SMTO_NORMAL, 10000, &result)) {
        Print(L"no answer");
        return 3;
      }
      Print(L"handled");
      return 0;
    }
    return PostMessageW(Player(), WM_USER + 1, 1025, arg(2)) ? 0 : 1;
  }
  if (cmd == L"command" && argc >= 3) {
    if (!Player()) return 2;
    return PostMessageW(Player(), WM_COMMAND, arg(2), 0) ? 0 : 1;
  }
  if (cmd == L"menu") {
    int open = 0;
    EnumWindows(CountMenus, reinterpret_cast<LPARAM>(&open));
    Print(L"menu open " + Num(open));
    return 0;
  }
  if (cmd == L"closemenu") {
    if (!Player()) return 2;
    // The menu's owner ends its tracking on WM_CANCELMODE, as a click elsewhere would.
    PostMessageW(Player(), WM_CANCELMODE, 0, 0);
    for (HWND m = nullptr; (m = FindWindowExW(nullptr, m, L"#32768", nullptr));) {
      PostMessageW(m, WM_KEYDOWN, VK_ESCAPE, 0);
      PostMessageW(m, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    return 0;
  }
  if (cmd == L"dialog") return Dialog();
  if (cmd == L"click" && argc >= 3) {
    HWND d = SettingsDialog();
    HWND c = d ? GetDlgItem(d, arg(2)) : nullptr;
    if (!c) return 2;
    SendMessageW(c, BM_CLICK, 0, 0);
    return 0;
  }
  if (cmd == L"combo" && argc >= 5) {
    HWND d = SettingsDialog();
    HWND c = d ? GetDlgItem(d, arg(2)) : nullptr;
    if (!c) return 2;
    SendMessageW(c, CB_SETCURSEL, arg(3), 0);
    SendMessageW(d, WM_COMMAND, MAKEWPARAM(arg(2), arg(4)), reinterpret_cast<LPARAM>(c));
    return 0;
  }
  if (cmd == L"volume" && argc >= 3) {
    HWND d = SettingsDialog();
    HWND c = d ? GetDlgItem(d, IDC_VOLUME) : nullptr;
    if (!c) return 2;
    SendMessageW(c, TBM_SETPOS, TRUE, arg(2));
    SendMessageW(d, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(c));
    return 0;
  }
  if (cmd == L"zorder") return ZOrder();
  if (cmd == L"toplevels") return EnumWindows(PrintTopLevel, 0) ? 0 : 1;
  return 1;
}
