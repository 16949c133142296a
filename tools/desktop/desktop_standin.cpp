// desktop_standin: the desktop's window tree as the player expects to find it, for systems
// that have no shell of their own (Wine):
//
//   "Progman" (top level, over the whole virtual screen)
//     "SHELLDLL_DefView" (the icon view, filling it)
//       "SysListView32" (the real list view in icon mode, with named icons at known places)
//
// Usage: desktop_standin.exe [--variant progman|workerw|noview] [--report FILE]
//   progman  the view is a child of "Progman" (the default);
//   workerw  "Progman" is empty and the view sits under a top-level "WorkerW"; an empty,
//            hidden "WorkerW" lies above it, so a finder must walk past it;
//   noview   "Progman" without a view, and an empty "WorkerW".
//
// Reporting, without any help from the program under test: with --report FILE the stand-in
// writes FILE once its windows exist, and again after each request. A request is a file
// FILE.req (a line of ASCII) that the stand-in looks for every 100 ms, carries out and
// deletes:
//   report         write the report again
//   resize W H     resize the view and its list view to W x H, then report
//   redraw         paint the whole desktop again (erasing), then report; under Wine a
//                  hidden child window's place is not always painted again at once
//   quit           close the stand-in (exit code 0)
// FILE is written whole under a temporary name and renamed, so a reader never sees half of
// it. Its lines (UTF-8):
//   seq N                              counts the reports written
//   variant NAME
//   screen X Y W H                     the virtual screen
//   view none | view HWND X Y W H      the icon view, in screen coordinates
//   listview HWND style 0xS exstyle 0xE count N
//   icon X Y NAME                      each item's position (LVM_GETITEMPOSITION), in order
//   child I CLASS visible V X Y W H TITLE   the view's children, top of the z-order first
//   end
// Closing "Progman" (WM_CLOSE) ends the stand-in too.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct IconSpec {
  const wchar_t* name;
  int x, y;
  LPCWSTR icon;
};

// Names and places the tests look for; one icon sits near the right edge of a 1280-wide
// screen and is placed relative to the view's right side.
const IconSpec kIcons[] = {
    {L"Recycle Bin", 20, 20, IDI_APPLICATION},
    {L"Documents", 20, 120, IDI_INFORMATION},
    {L"Notes.txt", 20, 220, IDI_QUESTION},
    {L"Holiday Photos", 120, 20, IDI_WARNING},
    {L"Readme.html", -120, 20, IDI_ERROR},  // negative: from the right edge
};

const COLORREF kDesktopColour = RGB(0x2B, 0x4C, 0x6F);

enum class Variant { kProgman, kWorkerW, kNoView };

Variant g_variant = Variant::kProgman;
std::wstring g_report;
int g_seq = 0;
HWND g_progman = nullptr;
HWND g_view = nullptr;
HWND g_list = nullptr;
HBRUSH g_brush = nullptr;

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), nullptr, 0, nullptr,
                                    nullptr);
  std::string s(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::string Hwnd(HWND h) {
  char buf[32];
  snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(
                                          reinterpret_cast<uintptr_t>(h)));
  return buf;
}

std::string RectText(HWND h) {
  RECT rc{};
  GetWindowRect(h, &rc);
  char buf[96];
  snprintf(buf, sizeof buf, "%ld %ld %ld %ld", rc.left, rc.top, rc.right - rc.left,
           rc.bottom - rc.top);
  return buf;
}

void WriteReport() {
  if (g_report.empty()) return;
  std::string out;
  char line[512];
  snprintf(line, sizeof line, "seq %d\n", ++g_seq);
  out += line;
  out += std::string("variant ") +
         (g_variant == Variant::kProgman ? "progman"
          : g_variant == Variant::kWorkerW ? "workerw"
                                           : "noview") +
         "\n";
  snprintf(line, sizeof line, "screen %d %d %d %d\n", GetSystemMetrics(SM_XVIRTUALSCREEN),
           GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN),
           GetSystemMetrics(SM_CYVIRTUALSCREEN));
  out += line;
  if (!g_view) {
    out += "view none\n";
  } else {
    out += "view " + Hwnd(g_view) + " " + RectText(g_view) + "\n";
    if (g_list) {
      const LONG_PTR style = GetWindowLongPtrW(g_list, GWL_STYLE);
      const DWORD ex = DWORD(SendMessageW(g_list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
      const int count = int(SendMessageW(g_list, LVM_GETITEMCOUNT, 0, 0));
      snprintf(line, sizeof line, "listview %s style 0x%lx exstyle 0x%lx count %d\n",
               Hwnd(g_list).c_str(), static_cast<unsigned long>(style),
               static_cast<unsigned long>(ex), count);
      out += line;
      for (int i = 0; i < count; ++i) {
        POINT pt{};
        SendMessageW(g_list, LVM_GETITEMPOSITION, WPARAM(i), LPARAM(&pt));
        wchar_t text[260] = {};
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = 260;
        SendMessageW(g_list, LVM_GETITEMTEXTW, WPARAM(i), LPARAM(&item));
        snprintf(line, sizeof line, "icon %ld %ld ", pt.x, pt.y);
        out += line + Utf8(text) + "\n";
      }
    }
    int index = 0;
    for (HWND c = GetWindow(g_view, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      wchar_t cls[256] = {}, title[256] = {};
      GetClassNameW(c, cls, 256);
      GetWindowTextW(c, title, 256);
      snprintf(line, sizeof line, "child %d %s visible %d %s ", index++, Utf8(cls).c_str(),
               IsWindowVisible(c) ? 1 : 0, RectText(c).c_str());
      out += line + Utf8(title) + "\n";
    }
  }
  out += "end\n";

  const std::wstring temp = g_report + L".tmp";
  HANDLE f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, out.data(), DWORD(out.size()), &written, nullptr);
  CloseHandle(f);
  MoveFileExW(temp.c_str(), g_report.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void ResizeView(int w, int h) {
  if (!g_view || w <= 0 || h <= 0) return;
  SetWindowPos(g_view, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Carries out a pending request; false when the stand-in should end.
bool ServeRequest() {
  if (g_report.empty()) return true;
  const std::wstring path = g_report + L".req";
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return true;
  char buf[256] = {};
  DWORD got = 0;
  ReadFile(f, buf, sizeof buf - 1, &got, nullptr);
  CloseHandle(f);
  DeleteFileW(path.c_str());
  buf[got] = '\0';
  int w = 0, h = 0;
  if (strncmp(buf, "quit", 4) == 0) return false;
  if (sscanf(buf, "resize %d %d", &w, &h) == 2) ResizeView(w, h);
  if (strncmp(buf, "redraw", 6) == 0)
    RedrawWindow(g_progman, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  WriteReport();
  return true;
}

LRESULT CALLBACK ProgmanProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      if (!ServeRequest()) DestroyWindow(wnd);
      return 0;
    case WM_ERASEBKGND: {
      RECT rc;
      GetClientRect(wnd, &rc);
      FillRect(reinterpret_cast<HDC>(wp), &rc, g_brush);
      return 1;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

LRESULT CALLBACK ViewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      if (g_list)
        SetWindowPos(g_list, nullptr, 0, 0, LOWORD(lp), HIWORD(lp),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    case WM_ERASEBKGND: {
      RECT rc;
      GetClientRect(wnd, &rc);
      FillRect(reinterpret_cast<HDC>(wp), &rc, g_brush);
      return 1;
    }
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

bool Register(const wchar_t* name, WNDPROC proc, HBRUSH background = nullptr) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hbrBackground = background;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) != 0;
}

HWND MakeListView(HWND view, int w, int h) {
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"FolderView",
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LVS_ICON |
                                  LVS_SHAREIMAGELISTS | LVS_NOSCROLL,
                              0, 0, w, h, view, HMENU(1), GetModuleHandleW(nullptr), nullptr);
  if (!list) return nullptr;
  HIMAGELIST images = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, int(std::size(kIcons)), 0);
  for (const IconSpec& spec : kIcons) ImageList_AddIcon(images, LoadIconW(nullptr, spec.icon));
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, LPARAM(images));
  SendMessageW(list, LVM_SETBKCOLOR, 0, LPARAM(kDesktopColour));
  SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, LPARAM(CLR_NONE));
  SendMessageW(list, LVM_SETTEXTCOLOR, 0, LPARAM(RGB(255, 255, 255)));
  int i = 0;
  for (const IconSpec& spec : kIcons) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(spec.name);
    item.iImage = i;
    SendMessageW(list, LVM_INSERTITEMW, 0, LPARAM(&item));
    ++i;
  }
  return list;
}

// Places the icons. The list view lays its items out afresh at its first paint, so it is
// painted once before.
void PlaceIcons(HWND list) {
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  RECT rc{};
  GetClientRect(list, &rc);
  int i = 0;
  for (const IconSpec& spec : kIcons) {
    const int x = spec.x >= 0 ? spec.x : rc.right + spec.x;
    SendMessageW(list, LVM_SETITEMPOSITION, WPARAM(i++), MAKELPARAM(x, spec.y));
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  for (int i = 1; argv && i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a == L"--variant" && i + 1 < argc) {
      const std::wstring v = argv[++i];
      if (v == L"progman") g_variant = Variant::kProgman;
      else if (v == L"workerw") g_variant = Variant::kWorkerW;
      else if (v == L"noview") g_variant = Variant::kNoView;
      else return 2;
    } else if (a == L"--report" && i + 1 < argc) {
      g_report = argv[++i];
    } else {
      return 2;
    }
  }
  LocalFree(argv);

  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  g_brush = CreateSolidBrush(kDesktopColour);
  if (!Register(L"Progman", ProgmanProc) || !Register(L"WorkerW", DefWindowProcW, g_brush) ||
      !Register(L"SHELLDLL_DefView", ViewProc))
    return 1;

  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  g_progman = CreateWindowExW(WS_EX_TOOLWINDOW, L"Progman", L"Program Manager",
                              WS_POPUP | WS_CLIPCHILDREN, x, y, w, h, nullptr, nullptr,
                              instance, nullptr);
  if (!g_progman) return 1;

  HWND viewParent = nullptr;
  if (g_variant == Variant::kProgman) {
    viewParent = g_progman;
  } else if (g_variant == Variant::kWorkerW) {
    viewParent = CreateWindowExW(WS_EX_TOOLWINDOW, L"WorkerW", L"", WS_POPUP | WS_CLIPCHILDREN,
                                 x, y, w, h, nullptr, nullptr, instance, nullptr);
    if (!viewParent) return 1;
  }
  // An empty "WorkerW" above any other: whoever looks for the view must walk past it.
  if (g_variant != Variant::kProgman &&
      !CreateWindowExW(WS_EX_TOOLWINDOW, L"WorkerW", L"", WS_POPUP, x, y, 1, 1, nullptr,
                       nullptr, instance, nullptr))
    return 1;

  if (viewParent) {
    g_view = CreateWindowExW(0, L"SHELLDLL_DefView", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                             0, 0, w, h, viewParent, nullptr, instance, nullptr);
    if (!g_view) return 1;
    g_list = MakeListView(g_view, w, h);
    if (!g_list) return 1;
    if (viewParent != g_progman) ShowWindow(viewParent, SW_SHOWNOACTIVATE);
  }
  ShowWindow(g_progman, SW_SHOWNOACTIVATE);
  UpdateWindow(g_progman);
  if (g_list) PlaceIcons(g_list);
  SetTimer(g_progman, 1, 100, nullptr);
  WriteReport();

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
