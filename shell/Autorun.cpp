#include "shell/Autorun.h"

#include <windows.h>

#include <vector>

std::wstring GetProgramPath() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
    if (n == 0) return std::wstring();
    if (n < buf.size()) return std::wstring(buf.data(), n);
    if (buf.size() >= 32768) return std::wstring();  // longer than any Windows path
    buf.resize(buf.size() * 2);
  }
}

std::wstring AutorunCommandFor(const std::wstring& programPath) {
  return L"\"" + programPath + L"\" -d";
}

bool SetAutorunFor(const std::wstring& programPath) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return false;
  const std::wstring command = AutorunCommandFor(programPath);
  const DWORD bytes = DWORD((command.size() + 1) * sizeof(wchar_t));  // with the terminator
  const bool ok = RegSetValueExW(key, kAutorunValue, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(command.c_str()),
                                 bytes) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

bool SetAutorun() {
  const std::wstring path = GetProgramPath();
  return !path.empty() && SetAutorunFor(path);
}

bool IsAutorunSetFor(const std::wstring& programPath) {
  if (programPath.empty()) return false;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return false;
  // Sized from the stored value, so a long path with its quotes and " -d" is read whole.
  DWORD type = 0, size = 0;
  LONG rc = RegQueryValueExW(key, kAutorunValue, nullptr, &type, nullptr, &size);
  std::wstring value;
  if (rc == ERROR_SUCCESS && type == REG_SZ && size >= sizeof(wchar_t) && size < 1u << 20) {
    std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = DWORD(buf.size() * sizeof(wchar_t));
    rc = RegQueryValueExW(key, kAutorunValue, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()),
                          &got);
    if (rc == ERROR_SUCCESS && type == REG_SZ) value.assign(buf.data());  // up to the terminator
  }
  RegCloseKey(key);
  const size_t at = value.find(programPath);
  return at != std::wstring::npos && at > 0;
}

bool IsAutorunSet() { return IsAutorunSetFor(GetProgramPath()); }
