#include "core/document/ResourceKeys.h"

#include <cstring>

bool operator<(const DS_LinkKey& a, const DS_LinkKey& b)
{
  const size_t n = a.path.size() < b.path.size() ? a.path.size() : b.path.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned short x = static_cast<unsigned short>(a.path[i]);
    const unsigned short y = static_cast<unsigned short>(b.path[i]);
    if (x != y) return x < y;
  }
  if (a.path.size() != b.path.size()) return a.path.size() < b.path.size();
  return a.stamp < b.stamp;
}

bool operator<(const DS_GuidKey& a, const DS_GuidKey& b)
{
  return std::memcmp(&a.guid, &b.guid, sizeof(GUID)) < 0;
}
