#pragma once
// The keys under which the document's resource store files what scene objects ask for:
// a link's (path, stamp) and a GUID with a name.
#include <windows.h>

#include <string>

// A link's identity: a file path or a module name, and a 64-bit stamp (a file time, a
// resource id or a running number). Ordered by path, then by stamp.
struct DS_LinkKey {
  std::wstring path;
  long long stamp = 0;

  DS_LinkKey() = default;
  DS_LinkKey(std::wstring p, long long s) : path(std::move(p)), stamp(s) {}

  bool operator==(const DS_LinkKey& o) const { return stamp == o.stamp && path == o.path; }
  bool operator!=(const DS_LinkKey& o) const { return !(*this == o); }
};

// Paths compare unit by unit as unsigned 16-bit values (a prefix first), stamps as signed
// 64-bit values. Stored documents list their tables in this order.
bool operator<(const DS_LinkKey& a, const DS_LinkKey& b);

// A GUID (made by the owning object with CoCreateGuid) and a name. Ordered by the 16 GUID
// bytes alone, as memcmp orders them; the name takes no part.
struct DS_GuidKey {
  GUID guid{};
  std::wstring name;

  DS_GuidKey() = default;
  DS_GuidKey(const GUID& g, std::wstring n = std::wstring()) : guid(g), name(std::move(n)) {}
};

bool operator<(const DS_GuidKey& a, const DS_GuidKey& b);
