// Stands in for a browser: writes its process id and the command line it was started with
// (UTF-16, "pid\n" then the line) to the file named by TW_RECORD_FILE, writing to a
// temporary name first so a reader never sees half.
#include <windows.h>

#include <string>

int wmain() {
  wchar_t target[MAX_PATH * 4];
  const DWORD n = GetEnvironmentVariableW(L"TW_RECORD_FILE", target, MAX_PATH * 4);
  if (n == 0 || n >= MAX_PATH * 4) return 2;
  const std::wstring temp = std::wstring(target) + L".part";
  HANDLE f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 3;
  const std::wstring line = std::to_wstring(GetCurrentProcessId()) + L"\n" + GetCommandLineW();
  DWORD written = 0;
  WriteFile(f, line.c_str(), DWORD(line.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(f);
  return MoveFileExW(temp.c_str(), target, MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
