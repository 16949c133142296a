#pragma once
// The scene document archive: the abstract archive every scene class reads itself from
// and writes itself to, the byte source of the player's reading archive, and the two
// stored byte blocks (resource records and named buffers).
//
// Layout: little-endian, unaligned, no record lengths. A reader must consume exactly
// what the writer wrote.
//
// The document is untrusted. The byte source knows where its block ends; a read that
// would pass the end leaves its target unchanged and marks the source failed, after
// which every read does nothing. Lengths and counts are checked against the bytes that
// remain before anything is allocated.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

struct D3DXVECTOR3;

// The byte source of the reading archive: a cursor over a block in memory, or a file
// stream. With neither, every read does nothing.
class ResourceBuffer {
public:
  ResourceBuffer() = default;
  ResourceBuffer(const void* data, size_t size) { SetMemory(data, size); }
  ResourceBuffer(const ResourceBuffer&) = delete;
  ResourceBuffer& operator=(const ResourceBuffer&) = delete;

  // Points the cursor at [data, data + size). Clears the failed state.
  void SetMemory(const void* data, size_t size);
  // Opens a file for reading bytes; used only while the cursor is null.
  bool OpenFile(const std::wstring& path);
  bool IsStreamOpen() const { return m_Stream.is_open(); }

  // Copies n bytes into target and advances. Memory: all or nothing; past the end the
  // target is untouched and the source fails. Stream: a short read leaves the bytes
  // that were not read untouched and fails.
  bool Read(void* target, size_t n);
  bool Skip(size_t n);
  // Bytes left before the end of the block or file (0 once failed or with no source).
  size_t Remaining() const;

  const unsigned char* Cursor() const { return m_Cursor; }
  const unsigned char* End() const { return m_End; }
  bool Failed() const { return m_Failed; }
  void MarkFailed() { m_Failed = true; }

private:
  std::ifstream m_Stream;
  const unsigned char* m_Cursor = nullptr;
  const unsigned char* m_End = nullptr;
  unsigned long long m_StreamLeft = 0;
  bool m_Failed = false;
};

// A block of bytes owned by its holder: malloc'd, copied with it, freed with it.
class OwnedBytes {
public:
  OwnedBytes() = default;
  OwnedBytes(const OwnedBytes& other);
  OwnedBytes& operator=(const OwnedBytes& other);
  ~OwnedBytes();

  // Frees the old block, allocates n bytes and copies them (n = 0 leaves no block).
  void Assign(const void* bytes, unsigned n);
  void Clear();

  unsigned char* data = nullptr;  // null when empty
  unsigned size = 0;
};

// A resource stored in the document (an image, a mesh, another file).
// Archive layout: u32 resource id; string module name; u32 size n; n bytes; string name.
class DS_ResourceRecord : public OwnedBytes {
public:
  DS_ResourceRecord() = default;
  DS_ResourceRecord(int resourceId, const std::wstring& moduleName)
      : resourceId(resourceId), moduleName(moduleName) {}

  // Fills the bytes from the "DDS" resource with this record's id in the named module,
  // which is opened as a data file (its code never runs). False, leaving the record
  // unchanged, when it cannot be found, loaded or locked.
  bool LoadFromModule();

  std::wstring name;
  int resourceId = 0;
  std::wstring moduleName;
};

// A named byte block. Archive layout: u32 size n; n bytes; string name.
class NamedBuffer : public OwnedBytes {
public:
  std::wstring name;
};

// The archive interface: twelve writes, then the twelve matching reads in the same
// order; the k-th write and the k-th read move the same value in the same layout.
class DS_IOF_Virtual {
public:
  virtual ~DS_IOF_Virtual() = default;

  virtual void WriteResourceRecord(const DS_ResourceRecord& value) = 0;
  virtual void WriteBuffer(const NamedBuffer& value) = 0;
  virtual void WriteString(const std::wstring& value) = 0;
  virtual void WriteInt64(const long long& value) = 0;
  virtual void WriteFloat(const float& value) = 0;
  virtual void WritePoint(const POINT& value) = 0;
  virtual void WriteUInt(const unsigned& value) = 0;
  virtual void WriteShort(const short& value) = 0;
  virtual void WriteInt(const int& value) = 0;
  virtual void WriteChar(const char& value) = 0;
  virtual void WriteByte(const unsigned char& value) = 0;
  virtual void WriteLong(const long& value) = 0;

  virtual void ReadResourceRecord(DS_ResourceRecord& target) = 0;
  virtual void ReadBuffer(NamedBuffer& target) = 0;
  virtual void ReadString(std::wstring& target) = 0;
  virtual void ReadInt64(long long& target) = 0;
  virtual void ReadFloat(float& target) = 0;
  virtual void ReadPoint(POINT& target) = 0;
  virtual void ReadUInt(unsigned& target) = 0;
  virtual void ReadShort(short& target) = 0;
  virtual void ReadInt(int& target) = 0;
  virtual void ReadChar(char& target) = 0;
  virtual void ReadByte(unsigned char& target) = 0;
  virtual void ReadLong(long& target) = 0;

  // Bounds of an untrusted document. A reading archive answers the bytes it has left and
  // whether a read has failed (a truncated or malformed document); the loader turns a
  // failure into its format error. Writing archives have no bound and never fail.
  virtual size_t RemainingBytes() const { return SIZE_MAX; }
  virtual bool Failed() const { return false; }
  virtual void MarkFailed() {}
};

// The archive of stored documents, over a source of type Source.
template <class Source>
class DS_IOF_R;

// The player's archive: reads from a ResourceBuffer it does not own; writes do nothing.
template <>
class DS_IOF_R<ResourceBuffer> final : public DS_IOF_Virtual {
public:
  explicit DS_IOF_R(ResourceBuffer* source) : m_Source(source) {}

  void WriteResourceRecord(const DS_ResourceRecord&) override {}
  void WriteBuffer(const NamedBuffer&) override {}
  void WriteString(const std::wstring&) override {}
  void WriteInt64(const long long&) override {}
  void WriteFloat(const float&) override {}
  void WritePoint(const POINT&) override {}
  void WriteUInt(const unsigned&) override {}
  void WriteShort(const short&) override {}
  void WriteInt(const int&) override {}
  void WriteChar(const char&) override {}
  void WriteByte(const unsigned char&) override {}
  void WriteLong(const long&) override {}

  void ReadResourceRecord(DS_ResourceRecord& target) override;
  void ReadBuffer(NamedBuffer& target) override;
  void ReadString(std::wstring& target) override;
  void ReadInt64(long long& target) override;
  void ReadFloat(float& target) override;
  void ReadPoint(POINT& target) override;
  void ReadUInt(unsigned& target) override;
  void ReadShort(short& target) override;
  void ReadInt(int& target) override;
  void ReadChar(char& target) override;
  void ReadByte(unsigned char& target) override;
  void ReadLong(long& target) override;

  size_t RemainingBytes() const override;
  bool Failed() const override;
  void MarkFailed() override;

  ResourceBuffer* Source() const { return m_Source; }

private:
  ResourceBuffer* m_Source;
};

// Reads one string in the document's string layout straight from a byte source
// (the loader reads the document's header this way). An empty stored string leaves the
// target unchanged.
void ReadStringFrom(ResourceBuffer& source, std::wstring& target);

// Reads the u32 count of a counted list and checks it against the bytes left, assuming
// each item takes at least minItemBytes. A count the document cannot hold fails the
// archive and yields false with count 0, so no caller allocates or loops for it.
bool ReadListCount(DS_IOF_Virtual& archive, unsigned& count, size_t minItemBytes);

// Smallest number of bytes an object record can take (an empty class name and a version).
constexpr size_t kMinRecordBytes = 4 + 4;
// Smallest stored string (marker bytes and a zero length).
constexpr size_t kMinStringBytes = 4;

// A 3-vector: three floats x, y, z.
void WriteVector3(DS_IOF_Virtual& archive, const D3DXVECTOR3& value);
void ReadVector3(DS_IOF_Virtual& archive, D3DXVECTOR3& target);

// A GUID stored as its 38-character registry string.
void WriteGuid(DS_IOF_Virtual& archive, const GUID& value);
void ReadGuid(DS_IOF_Virtual& archive, GUID& target);

// Points the source's cursor at the module's "DDS" resource with that id. False when the
// resource is missing, empty, or cannot be loaded or locked.
bool LoadModuleResource(HMODULE module, ResourceBuffer& source, int resourceId);

// Reads straight from a byte source: u32 count n, then n 4-byte values.
bool ReadDwordVector(ResourceBuffer& source, std::vector<DWORD>& values);
bool ReadDwordVector(ResourceBuffer& source, std::vector<float>& values);

// The part of a path after its last backslash; empty when there is no backslash.
std::wstring FileNameFromPath(const std::wstring& path);
