#include "sound/TempFiles.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kMaxNameLength = 80;
constexpr unsigned kMaxAttempts = 1000;

bool WriteAll(HANDLE file, const void* bytes, size_t size) {
  const unsigned char* p = static_cast<const unsigned char*>(bytes);
  while (size > 0) {
    DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file, p, chunk, &written, nullptr) || written == 0) return false;
    p += written;
    size -= written;
  }
  return true;
}

// Creates a file that did not exist; INVALID_HANDLE_VALUE when the name is taken or the
// folder refuses it. *taken tells the two apart.
HANDLE CreateNewFile(const std::wstring& path, bool* taken) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD error = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
  *taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
  return file;
}

// Reserves a fresh file prefix + n + "_" + name, leaving it open for writing.
HANDLE ReserveUniqueFile(const std::wstring& folder, const std::wstring& prefix, const std::wstring& name,
                         std::wstring* path) {
  for (unsigned n = 0; n < kMaxAttempts; ++n) {
    *path = folder + prefix + std::to_wstring(n) + L"_" + name;
    bool taken = false;
    HANDLE file = CreateNewFile(*path, &taken);
    if (file != INVALID_HANDLE_VALUE) return file;
    if (!taken) break;
  }
  path->clear();
  return INVALID_HANDLE_VALUE;
}

}  // namespace

std::wstring GetTempFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  std::wstring folder(buffer, length);
  if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder;
}

std::wstring TempFileNameOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  for (wchar_t& c : name) {
    if (c < 32 || std::wcschr(L"<>:\"|?*", c)) c = L'_';
  }
  if (name.size() > kMaxNameLength) name.erase(0, name.size() - kMaxNameLength);
  return name;
}

bool FileHoldsBytes(const std::wstring& path, const void* bytes, size_t size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER fileSize = {};
  bool same = GetFileSizeEx(file, &fileSize) && static_cast<unsigned long long>(fileSize.QuadPart) == size;
  std::vector<unsigned char> chunk(1 << 16);
  const unsigned char* expected = static_cast<const unsigned char*>(bytes);
  size_t offset = 0;
  while (same && offset < size) {
    DWORD want = static_cast<DWORD>(size - offset < chunk.size() ? size - offset : chunk.size());
    DWORD got = 0;
    if (!ReadFile(file, chunk.data(), want, &got, nullptr) || got != want ||
        std::memcmp(chunk.data(), expected + offset, want) != 0)
      same = false;
    offset += want;
  }
  CloseHandle(file);
  return same;
}

bool CreateNewFileWithBytes(const std::wstring& path, const void* bytes, size_t size, bool* taken) {
  HANDLE file = CreateNewFile(path, taken);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool written = WriteAll(file, bytes, size);
  CloseHandle(file);
  if (!written) DeleteFileW(path.c_str());  // ours: created just now
  return written;
}

std::wstring CreateUniqueFile(const std::wstring& folder, const std::wstring& prefix, const std::wstring& name,
                              const void* bytes, size_t size) {
  std::wstring path;
  HANDLE file = ReserveUniqueFile(folder, prefix, name, &path);
  if (file == INVALID_HANDLE_VALUE) return std::wstring();
  bool written = WriteAll(file, bytes, size);
  CloseHandle(file);
  if (!written) {
    DeleteFileW(path.c_str());  // ours: created just now
    return std::wstring();
  }
  return path;
}

std::wstring CopyToUniqueFile(const std::wstring& folder, const std::wstring& prefix, const std::wstring& name,
                              const std::wstring& source) {
  std::wstring path;
  HANDLE file = ReserveUniqueFile(folder, prefix, name, &path);
  if (file == INVALID_HANDLE_VALUE) return std::wstring();
  CloseHandle(file);
  // Overwrites only the empty file reserved just now.
  if (!CopyFileW(source.c_str(), path.c_str(), FALSE)) {
    DeleteFileW(path.c_str());
    return std::wstring();
  }
  return path;
}

OwnedTempFile::~OwnedTempFile() {
  if (!m_Path.empty()) DeleteFileW(m_Path.c_str());
}

std::wstring ContentTag(const void* bytes, size_t size) {
  unsigned long long hash = 14695981039346656037ull;
  const unsigned char* p = static_cast<const unsigned char*>(bytes);
  for (size_t i = 0; i < size; ++i) {
    hash ^= p[i];
    hash *= 1099511628211ull;
  }
  wchar_t text[17];
  std::swprintf(text, 17, L"%016llx", hash);
  return text;
}
