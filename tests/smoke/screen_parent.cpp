// The parent half of the screen smoke test: a top-level window at a known place that
// starts screen_child with its handle, then lives until the child ends (at most 60 s).
#include <windows.h>
#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = L"SmokeParentWnd";
  RegisterClassW(&wc);
  HWND parent = CreateWindowExW(0, L"SmokeParentWnd", L"parent", WS_POPUP | WS_VISIBLE, 100, 100,
                                400, 300, nullptr, nullptr, wc.hInstance, nullptr);
  if (!parent) return 2;

  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring child(self);
  child = child.substr(0, child.find_last_of(L"\\/") + 1) + L"smoke_screen_child.exe";
  std::wstring cmd = L"\"" + child + L"\" " + std::to_wstring(reinterpret_cast<UINT_PTR>(parent));
  if (argc > 1) cmd += std::wstring(L" \"") + argv[1] + L"\"";
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return 3;
  DWORD code = 1;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 60000) {
    if (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}
