#pragma once
// A fresh folder of the test's own inside the temp folder, emptied and removed at the end.

#include "sound/TempFiles.h"

#include <windows.h>

#include <string>
#include <vector>

class TestFolder {
public:
  explicit TestFolder(const std::wstring& tag) {
    path_ = GetTempFolder() + L"tw_" + tag + L"_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    Wipe();
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TestFolder() { Wipe(); }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::wstring& Path() const { return path_; }

  std::vector<std::wstring> Files() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path_ + L"*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
  }

  static bool Write(const std::wstring& file, const std::string& bytes) {
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(h);
    return ok;
  }
  static std::string Read(const std::wstring& file) {
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(GetFileSize(h, nullptr), '\0');
    DWORD got = 0;
    if (!bytes.empty()) ReadFile(h, bytes.data(), DWORD(bytes.size()), &got, nullptr);
    CloseHandle(h);
    return bytes;
  }
  static bool Exists(const std::wstring& file) { return GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; }

private:
  void Wipe() {
    for (const std::wstring& name : Files()) DeleteFileW((path_ + name).c_str());
    RemoveDirectoryW(path_.c_str());
  }
  std::wstring path_;
};
