// A stand-in for the player, to check the test tools against: a "TarnwickWnd" window on top
// of the desktop view's children that logs the stop, resume and close messages it receives
// to the file named on its command line and exits with 0 on WM_CLOSE. With --fail it shows
// an error message box instead and exits with 1 once the box is dismissed.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

std::wstring g_log;

void Log(const char* text) {
  HANDLE f = CreateFileW(g_log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, text, DWORD(strlen(text)), &written, nullptr);
  WriteFile(f, "\n", 1, &written, nullptr);
  CloseHandle(f);
}

LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_USER + 2: Log("stop"); return 0;
    case WM_USER + 3: Log("resume"); return 0;
    case WM_CLOSE: Log("close"); break;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

HWND FindView() {
  HWND progman = FindWindowW(L"Progman", nullptr);
  HWND view = progman ? FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr) : nullptr;
  for (HWND w = nullptr; !view && (w = FindWindowExW(nullptr, w, L"WorkerW", nullptr));)
    view = FindWindowExW(w, nullptr, L"SHELLDLL_DefView", nullptr);
  return view;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc >= 2 && std::wstring(argv[1]) == L"--fail") {
    MessageBoxW(nullptr, L"Cannot open file: Wrong file format.", L"Tarnwick", MB_ICONERROR);
    return 1;
  }
  if (argc < 2) return 2;
  g_log = argv[1];
  HWND view = FindView();
  if (!view) return 3;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hbrBackground = CreateSolidBrush(RGB(200, 40, 40));
  wc.lpszClassName = L"TarnwickWnd";
  RegisterClassExW(&wc);
  RECT rc{};
  GetClientRect(view, &rc);
  HWND wnd = CreateWindowExW(0, L"TarnwickWnd", L"TarnwickWnd", WS_CHILD, 0, 0, rc.right / 2,
                             rc.bottom / 2, view, nullptr, instance, nullptr);
  if (!wnd) return 4;
  SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  Log("ready");
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
