#include "core/archive/DS_IOF.h"

#include <d3dx9math.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

// ---------------------------------------------------------------------------------------
// ResourceBuffer

void ResourceBuffer::SetMemory(const void* data, size_t size) {
  m_Cursor = static_cast<const unsigned char*>(data);
  m_End = m_Cursor ? m_Cursor + size : nullptr;
  m_Failed = false;
}

bool ResourceBuffer::OpenFile(const std::wstring& path) {
  if (m_Stream.is_open()) m_Stream.close();
  m_Stream.clear();
  m_Stream.open(std::filesystem::path(path), std::ios::in | std::ios::binary);
  m_StreamLeft = 0;
  if (!m_Stream.is_open()) return false;
  m_Stream.seekg(0, std::ios::end);
  const std::streamoff size = m_Stream.tellg();
  m_Stream.seekg(0, std::ios::beg);
  m_StreamLeft = size > 0 ? static_cast<unsigned long long>(size) : 0;
  m_Failed = false;
  return true;
}

bool ResourceBuffer::Read(void* target, size_t n) {
  if (m_Failed) return false;
  if (m_Cursor) {
    if (n > static_cast<size_t>(m_End - m_Cursor)) {
      m_Failed = true;
      return false;
    }
    std::memcpy(target, m_Cursor, n);
    m_Cursor += n;
    return true;
  }
  if (!m_Stream.is_open()) return false;  // no source: the target keeps its value
  if (n == 0) return true;
  m_Stream.read(static_cast<char*>(target), static_cast<std::streamsize>(n));
  const size_t got = static_cast<size_t>(m_Stream.gcount());
  m_StreamLeft -= std::min<unsigned long long>(m_StreamLeft, got);
  if (got != n) {
    m_Failed = true;
    return false;
  }
  return true;
}

bool ResourceBuffer::Skip(size_t n) {
  if (m_Failed) return false;
  if (m_Cursor) {
    if (n > static_cast<size_t>(m_End - m_Cursor)) {
      m_Failed = true;
      return false;
    }
    m_Cursor += n;
    return true;
  }
  if (!m_Stream.is_open()) return false;
  if (n > m_StreamLeft) {
    m_StreamLeft = 0;
    m_Stream.seekg(0, std::ios::end);
    m_Stream.setstate(std::ios::failbit | std::ios::eofbit);
    m_Failed = true;
    return false;
  }
  m_Stream.seekg(static_cast<std::streamoff>(n), std::ios::cur);
  m_StreamLeft -= n;
  return true;
}

size_t ResourceBuffer::Remaining() const {
  if (m_Failed) return 0;
  if (m_Cursor) return static_cast<size_t>(m_End - m_Cursor);
  if (m_Stream.is_open()) return static_cast<size_t>(m_StreamLeft);
  return 0;
}

// ---------------------------------------------------------------------------------------
// Byte blocks

// Resource ids are 16-bit. A larger value passed as an integer resource name would be
// taken for a pointer to a name string, and ids come from documents.
static bool IsResourceId(long long id) { return id >= 0 && id <= 0xFFFF; }

static unsigned char* DuplicateBlock(const void* bytes, unsigned n) {
  if (n == 0 || !bytes) return nullptr;
  auto* block = static_cast<unsigned char*>(std::malloc(n));
  if (!block) throw std::bad_alloc();
  std::memcpy(block, bytes, n);
  return block;
}

OwnedBytes::OwnedBytes(const OwnedBytes& other)
    : data(DuplicateBlock(other.data, other.size)), size(data ? other.size : 0) {}

OwnedBytes& OwnedBytes::operator=(const OwnedBytes& other) {
  if (this != &other) Assign(other.data, other.size);
  return *this;
}

OwnedBytes::~OwnedBytes() { std::free(data); }

void OwnedBytes::Assign(const void* bytes, unsigned n) {
  unsigned char* block = DuplicateBlock(bytes, n);
  std::free(data);
  data = block;
  size = block ? n : 0;
}

void OwnedBytes::Clear() {
  std::free(data);
  data = nullptr;
  size = 0;
}

bool DS_ResourceRecord::LoadFromModule() {
  if (moduleName.empty() || !IsResourceId(resourceId)) return false;
  // The module's name comes from the document: map it as a data file so that none of its
  // code ever runs. The bytes are copied, so the mapping is not needed afterwards.
  HMODULE module = LoadLibraryExW(moduleName.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return false;
  bool loaded = false;
  if (HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(resourceId), L"DDS")) {
    const DWORD n = SizeofResource(module, info);
    if (HGLOBAL handle = LoadResource(module, info)) {
      if (const void* bytes = LockResource(handle)) {
        Assign(bytes, n);
        loaded = true;
      }
    }
  }
  FreeLibrary(module);
  return loaded;
}

// ---------------------------------------------------------------------------------------
// Strings

void ReadStringFrom(ResourceBuffer& source, std::wstring& target) {
  unsigned char header[4];
  // Three marker bytes (never checked) and the one-byte length.
  if (!source.Read(header, 4)) return;
  unsigned length = header[3];
  if (length == 0xFF) {
    unsigned short length16 = 0;
    if (!source.Read(&length16, 2)) return;
    length = length16;
    if (length16 == 0xFFFF) {
      unsigned length32 = 0;
      if (!source.Read(&length32, 4)) return;
      length = length32;
    }
  }
  // An empty stored string never clears a field: the field keeps its default.
  if (length == 0) return;
  const size_t bytes = size_t(length) * 2;
  if (bytes > source.Remaining()) {
    // A length the document cannot hold: fail before allocating anything.
    source.MarkFailed();
    return;
  }
  static_assert(sizeof(wchar_t) == 2, "the document stores UTF-16 code units");
  std::wstring text(length, L'\0');
  if (!source.Read(text.data(), bytes)) return;
  // A stored string that contains a zero unit is cut there.
  const size_t zero = text.find(L'\0');
  if (zero != std::wstring::npos) text.resize(zero);
  target = std::move(text);
}

// ---------------------------------------------------------------------------------------
// The player's archive

void DS_IOF_R<ResourceBuffer>::ReadString(std::wstring& target) { ReadStringFrom(*m_Source, target); }

// u32 size n, then n bytes into a new block of exactly n bytes (none when n = 0) that
// replaces the old one. A size the document cannot hold fails the source before anything
// is allocated, and the old block stays.
static bool ReadOwnedBlock(ResourceBuffer& source, unsigned char*& data, unsigned& size) {
  unsigned n = 0;
  if (!source.Read(&n, 4)) return false;
  if (n > source.Remaining()) {
    source.MarkFailed();
    return false;
  }
  unsigned char* block = nullptr;
  if (n > 0) {
    block = static_cast<unsigned char*>(std::malloc(n));
    if (!block) throw std::bad_alloc();
    if (!source.Read(block, n)) {
      std::free(block);
      return false;
    }
  }
  std::free(data);
  data = block;
  size = n;
  return true;
}

void DS_IOF_R<ResourceBuffer>::ReadResourceRecord(DS_ResourceRecord& target) {
  int id = target.resourceId;
  if (!m_Source->Read(&id, 4)) return;
  target.resourceId = id;
  ReadStringFrom(*m_Source, target.moduleName);
  if (!ReadOwnedBlock(*m_Source, target.data, target.size)) return;
  ReadStringFrom(*m_Source, target.name);
}

void DS_IOF_R<ResourceBuffer>::ReadBuffer(NamedBuffer& target) {
  if (!ReadOwnedBlock(*m_Source, target.data, target.size)) return;
  ReadStringFrom(*m_Source, target.name);
}

void DS_IOF_R<ResourceBuffer>::ReadInt64(long long& target) { m_Source->Read(&target, 8); }
void DS_IOF_R<ResourceBuffer>::ReadFloat(float& target) { m_Source->Read(&target, 4); }
void DS_IOF_R<ResourceBuffer>::ReadPoint(POINT& target) {
  // x then y, each a 4-byte value; both or neither.
  LONG xy[2];
  if (m_Source->Read(xy, 8)) {
    target.x = xy[0];
    target.y = xy[1];
  }
}
void DS_IOF_R<ResourceBuffer>::ReadUInt(unsigned& target) { m_Source->Read(&target, 4); }
void DS_IOF_R<ResourceBuffer>::ReadShort(short& target) { m_Source->Read(&target, 2); }
void DS_IOF_R<ResourceBuffer>::ReadInt(int& target) { m_Source->Read(&target, 4); }
void DS_IOF_R<ResourceBuffer>::ReadChar(char& target) { m_Source->Read(&target, 1); }
void DS_IOF_R<ResourceBuffer>::ReadByte(unsigned char& target) { m_Source->Read(&target, 1); }
void DS_IOF_R<ResourceBuffer>::ReadLong(long& target) {
  static_assert(sizeof(long) == 4, "LLP64: long is the document's 32-bit value");
  m_Source->Read(&target, 4);
}

size_t DS_IOF_R<ResourceBuffer>::RemainingBytes() const { return m_Source ? m_Source->Remaining() : 0; }
bool DS_IOF_R<ResourceBuffer>::Failed() const { return m_Source && m_Source->Failed(); }
void DS_IOF_R<ResourceBuffer>::MarkFailed() {
  if (m_Source) m_Source->MarkFailed();
}

// ---------------------------------------------------------------------------------------
// Shapes built from the operations

bool ReadListCount(DS_IOF_Virtual& archive, unsigned& count, size_t minItemBytes) {
  unsigned n = 0;
  archive.ReadUInt(n);
  count = 0;
  if (archive.Failed()) return false;
  if (minItemBytes == 0) minItemBytes = 1;
  if (n > archive.RemainingBytes() / minItemBytes) {
    archive.MarkFailed();
    return false;
  }
  count = n;
  return true;
}

void WriteVector3(DS_IOF_Virtual& archive, const D3DXVECTOR3& value) {
  archive.WriteFloat(value.x);
  archive.WriteFloat(value.y);
  archive.WriteFloat(value.z);
}

void ReadVector3(DS_IOF_Virtual& archive, D3DXVECTOR3& target) {
  archive.ReadFloat(target.x);
  archive.ReadFloat(target.y);
  archive.ReadFloat(target.z);
}

void WriteGuid(DS_IOF_Virtual& archive, const GUID& value) {
  wchar_t text[64] = {};
  StringFromGUID2(value, text, 64);
  archive.WriteString(std::wstring(text));
}

void ReadGuid(DS_IOF_Virtual& archive, GUID& target) {
  std::wstring text;
  archive.ReadString(text);
  BSTR system = SysAllocString(text.c_str());
  if (!system) throw std::bad_alloc();
  // What the platform's parser leaves after an unparsable string is kept as it is.
  CLSIDFromString(system, &target);
  SysFreeString(system);
}

bool LoadModuleResource(HMODULE module, ResourceBuffer& source, int resourceId) {
  if (!IsResourceId(resourceId)) return false;
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(resourceId), L"DDS");
  if (!info) return false;
  const DWORD size = SizeofResource(module, info);
  if (size == 0) return false;
  HGLOBAL handle = LoadResource(module, info);
  if (!handle) return false;
  const void* bytes = LockResource(handle);
  if (!bytes) return false;
  source.SetMemory(bytes, size);
  return true;
}

template <class T>
static bool ReadFourByteVector(ResourceBuffer& source, std::vector<T>& values) {
  static_assert(sizeof(T) == 4);
  unsigned n = 0;
  if (!source.Read(&n, 4)) return false;
  if (size_t(n) > source.Remaining() / 4) {
    source.MarkFailed();
    return false;
  }
  values.resize(n);
  return n == 0 || source.Read(values.data(), size_t(n) * 4);
}

bool ReadDwordVector(ResourceBuffer& source, std::vector<DWORD>& values) { return ReadFourByteVector(source, values); }
bool ReadDwordVector(ResourceBuffer& source, std::vector<float>& values) { return ReadFourByteVector(source, values); }

std::wstring FileNameFromPath(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return std::wstring();
  return path.substr(slash + 1);
}
