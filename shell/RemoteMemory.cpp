#include "shell/RemoteMemory.h"

RemoteProcess::RemoteProcess(HWND window) {
  DWORD pid = 0;
  if (!window || !GetWindowThreadProcessId(window, &pid) || pid == 0) return;
  handle_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
}

RemoteProcess::~RemoteProcess() {
  if (handle_) CloseHandle(handle_);
}

RemoteBlock::RemoteBlock(const RemoteProcess& process, size_t size)
    : process_(process.handle()), size_(size) {
  if (process_) {
    address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
}

RemoteBlock::~RemoteBlock() {
  if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteBlock::Write(const void* bytes, size_t size, size_t offset) const {
  if (!address_ || offset > size_ || size > size_ - offset) return false;
  SIZE_T written = 0;
  return WriteProcessMemory(process_, static_cast<char*>(address_) + offset, bytes, size,
                            &written) &&
         written == size;
}

bool RemoteBlock::Read(void* bytes, size_t size, size_t offset) const {
  if (!address_ || offset > size_ || size > size_ - offset) return false;
  SIZE_T read = 0;
  return ReadProcessMemory(process_, static_cast<char*>(address_) + offset, bytes, size, &read) &&
         read == size;
}

bool ReadRemote(const RemoteProcess& process, unsigned long long address, void* out,
                size_t size) {
  if (!process.ok() || address == 0) return false;
  SIZE_T read = 0;
  return ReadProcessMemory(process.handle(), reinterpret_cast<const void*>(address), out, size,
                           &read) &&
         read == size;
}
