#pragma once
// The sounds made at build time, in sound_fixtures beside the test programs.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

inline std::wstring FixturePath(const std::wstring& name) {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe);
  dir.erase(dir.find_last_of(L"\\/") + 1);
  return dir + L"sound_fixtures\\" + name;
}

inline std::vector<unsigned char> ReadFixture(const std::wstring& path) {
  std::vector<unsigned char> bytes;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(h, nullptr));
  DWORD got = 0;
  if (!bytes.empty()) ReadFile(h, bytes.data(), DWORD(bytes.size()), &got, nullptr);
  CloseHandle(h);
  bytes.resize(got);
  return bytes;
}

// Prints "main thread XXXX", the id written as Wine writes it in its one-line fault
// reports. The sound code starts no threads of its own, so the test scripts can tell a
// fault in the platform's threads (DirectShow's, DirectSound's) from one in the code
// under test.
inline void PrintMainThread() {
  std::printf("main thread %04lx\n", GetCurrentThreadId());
  std::fflush(stdout);
}
