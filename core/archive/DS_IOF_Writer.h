#pragma once
// A writing archive into memory, for round trips in tests and tools. The player itself
// only reads: its archive discards every write. Header-only so that nothing of it reaches
// the player unless included.

#include "core/archive/DS_IOF.h"

#include <cstring>
#include <vector>

class DS_IOF_W final : public DS_IOF_Virtual {
public:
  void WriteResourceRecord(const DS_ResourceRecord& value) override {
    WriteRaw(&value.resourceId, 4);
    WriteString(value.moduleName);
    WriteRaw(&value.size, 4);
    WriteRaw(value.data, value.size);
    WriteString(value.name);
  }
  void WriteBuffer(const NamedBuffer& value) override {
    WriteRaw(&value.size, 4);
    WriteRaw(value.data, value.size);
    WriteString(value.name);
  }
  // The one-byte length below 255, the 16-bit length below 65535, else the 32-bit one.
  void WriteString(const std::wstring& value) override {
    const unsigned char marker[3] = {0xFF, 0xFE, 0xFF};
    WriteRaw(marker, 3);
    const size_t length = value.size();
    if (length < 255) {
      const unsigned char b = static_cast<unsigned char>(length);
      WriteRaw(&b, 1);
    } else if (length < 0xFFFF) {
      const unsigned char b = 0xFF;
      const unsigned short w = static_cast<unsigned short>(length);
      WriteRaw(&b, 1);
      WriteRaw(&w, 2);
    } else {
      const unsigned char b = 0xFF;
      const unsigned short w = 0xFFFF;
      const unsigned l = static_cast<unsigned>(length);
      WriteRaw(&b, 1);
      WriteRaw(&w, 2);
      WriteRaw(&l, 4);
    }
    WriteRaw(value.data(), length * 2);
  }
  void WriteInt64(const long long& value) override { WriteRaw(&value, 8); }
  void WriteFloat(const float& value) override { WriteRaw(&value, 4); }
  void WritePoint(const POINT& value) override {
    WriteRaw(&value.x, 4);
    WriteRaw(&value.y, 4);
  }
  void WriteUInt(const unsigned& value) override { WriteRaw(&value, 4); }
  void WriteShort(const short& value) override { WriteRaw(&value, 2); }
  void WriteInt(const int& value) override { WriteRaw(&value, 4); }
  void WriteChar(const char& value) override { WriteRaw(&value, 1); }
  void WriteByte(const unsigned char& value) override { WriteRaw(&value, 1); }
  void WriteLong(const long& value) override { WriteRaw(&value, 4); }

  // A writing archive reads nothing.
  void ReadResourceRecord(DS_ResourceRecord&) override {}
  void ReadBuffer(NamedBuffer&) override {}
  void ReadString(std::wstring&) override {}
  void ReadInt64(long long&) override {}
  void ReadFloat(float&) override {}
  void ReadPoint(POINT&) override {}
  void ReadUInt(unsigned&) override {}
  void ReadShort(short&) override {}
  void ReadInt(int&) override {}
  void ReadChar(char&) override {}
  void ReadByte(unsigned char&) override {}
  void ReadLong(long&) override {}

  void WriteRaw(const void* bytes, size_t n) {
    if (n == 0) return;
    const auto* p = static_cast<const unsigned char*>(bytes);
    m_Bytes.insert(m_Bytes.end(), p, p + n);
  }
  const std::vector<unsigned char>& Bytes() const { return m_Bytes; }
  std::vector<unsigned char>& Bytes() { return m_Bytes; }

private:
  std::vector<unsigned char> m_Bytes;
};
