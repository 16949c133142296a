#include "shell/WebLink.h"

#include <windows.h>

#include <vector>

namespace {

// The default value of HKCR\http\shell\open\command; empty when missing or not a string.
std::wstring ReadBrowserCommand() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kBrowserCommandKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return std::wstring();
  DWORD type = 0, size = 0;
  std::wstring command;
  if (RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ) && size < 1u << 20) {
    std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = DWORD(buf.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()),
                         &got) == ERROR_SUCCESS)
      command.assign(buf.data());
  }
  RegCloseKey(key);
  if (type == REG_EXPAND_SZ && !command.empty()) {
    const DWORD n = ExpandEnvironmentStringsW(command.c_str(), nullptr, 0);
    if (n > 0) {
      std::vector<wchar_t> expanded(n + 1, L'\0');
      if (ExpandEnvironmentStringsW(command.c_str(), expanded.data(), n + 1) > 0)
        command.assign(expanded.data());
    }
  }
  return command;
}

}  // namespace

std::wstring BuildBrowserCommandLine(const std::wstring& command, const std::wstring& address) {
  // The command is only ever searched, never used as a format: a '%' anywhere else in it or
  // in the address is copied as it is.
  const size_t at = command.find(L"\"%1\"");
  if (at == std::wstring::npos) return command + L" " + address;
  std::wstring line = command;
  line.replace(at + 1, 2, address);
  return line;
}

bool OpenUrl(const std::wstring& address) {
  const std::wstring command = ReadBrowserCommand();
  if (command.empty()) return false;
  std::wstring line = BuildBrowserCommandLine(command, address);
  std::vector<wchar_t> mutableLine(line.begin(), line.end());  // CreateProcessW may write to it
  mutableLine.push_back(L'\0');
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi))
    return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}
