// Blocks of memory inside another process, for list-view messages whose records must lie in
// the process that owns the list view. Every block is freed when its holder goes, on every
// path, and every copy reports whether it moved all the bytes.
#pragma once

#include <windows.h>

#include <cstddef>

// A process opened for reading and writing its memory; closed on destruction.
class RemoteProcess {
 public:
  // Opens the process that owns `window`. `ok()` is false when the window has no process or
  // the process cannot be opened.
  explicit RemoteProcess(HWND window);
  ~RemoteProcess();
  RemoteProcess(const RemoteProcess&) = delete;
  RemoteProcess& operator=(const RemoteProcess&) = delete;

  bool ok() const { return handle_ != nullptr; }
  HANDLE handle() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

// A committed read-write block in a remote process; released on destruction.
class RemoteBlock {
 public:
  RemoteBlock(const RemoteProcess& process, size_t size);
  ~RemoteBlock();
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  bool ok() const { return address_ != nullptr; }
  // The block's address in the remote process, as a message parameter and as a number.
  LPARAM param() const { return reinterpret_cast<LPARAM>(address_); }
  unsigned long long address() const { return reinterpret_cast<unsigned long long>(address_); }
  size_t size() const { return size_; }

  // Copies `size` bytes into / out of the block at `offset`; false unless every byte moved
  // and the range lies inside the block.
  bool Write(const void* bytes, size_t size, size_t offset = 0) const;
  bool Read(void* bytes, size_t size, size_t offset = 0) const;

 private:
  HANDLE process_;
  void* address_ = nullptr;
  size_t size_;
};

// Reads `size` bytes at any address of the remote process; false unless all were read.
bool ReadRemote(const RemoteProcess& process, unsigned long long address, void* out, size_t size);
