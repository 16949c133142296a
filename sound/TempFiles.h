#pragma once
// Temporary files of the sounds: the music tracks and the MP3 sounds play from files of
// the temp folder, because DirectShow plays files.
//
// Rules that keep the user's files and the sounds' files apart:
// - a file is only ever created new (never opened over an existing one), so nothing that
//   was in the folder before is overwritten;
// - only a file the player created itself is deleted, and only by its last user;
// - names carry a unique part, so two sounds with the same file name, or a sound and a
//   music track, never share a file.

#include <cstddef>
#include <memory>
#include <string>

// The temp folder (GetTempPathW), ending in a backslash; empty when there is none.
std::wstring GetTempFolder();

// The name part of a stored path for a temp file: after the last backslash or slash (the
// whole text when there is none), characters that Windows refuses in names replaced by
// '_', at most 80 characters (the end kept, so the extension that DirectShow goes by
// stays).
std::wstring TempFileNameOf(const std::wstring& path);

// Whether the file exists and holds exactly these bytes.
bool FileHoldsBytes(const std::wstring& path, const void* bytes, size_t size);

// Creates the file, only when no file of that name exists, and writes the bytes. False
// when the name is taken (*taken true) or the file cannot be created or written (a partly
// written file is deleted again).
bool CreateNewFileWithBytes(const std::wstring& path, const void* bytes, size_t size, bool* taken);

// Creates a new file named prefix + a number + "_" + name in the folder (the first
// number whose name is free) and writes the bytes. Returns its path; empty when no file
// could be created or written (a partly written file is deleted again).
std::wstring CreateUniqueFile(const std::wstring& folder, const std::wstring& prefix, const std::wstring& name,
                              const void* bytes, size_t size);

// Creates a new file the same way and fills it with a copy of another file.
std::wstring CopyToUniqueFile(const std::wstring& folder, const std::wstring& prefix, const std::wstring& name,
                              const std::wstring& source);

// A file the player created: deleted when the last sound holding it lets go.
class OwnedTempFile {
public:
  explicit OwnedTempFile(std::wstring path) : m_Path(std::move(path)) {}
  ~OwnedTempFile();
  OwnedTempFile(const OwnedTempFile&) = delete;
  OwnedTempFile& operator=(const OwnedTempFile&) = delete;
  const std::wstring& Path() const { return m_Path; }

private:
  std::wstring m_Path;
};
using SharedTempFile = std::shared_ptr<OwnedTempFile>;

// A 64-bit FNV-1a hash of the bytes as 16 hexadecimal digits (names music files by their
// content, so a later run finds them again).
std::wstring ContentTag(const void* bytes, size_t size);
