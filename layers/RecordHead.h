#pragma once
// The head of a record whose class the reader already knows (the root, the resource
// store, a layer's camera, a layer's base part, an audio file): the class name is read and
// not compared, so documents that spell it otherwise still load.
#include "core/archive/DS_IOF.h"

#include <string>

// Reads the class name and the version; returns the version.
inline unsigned ReadKnownRecordHead(DS_IOF_Virtual& archive) {
  std::wstring className;
  unsigned version = 0;
  archive.ReadString(className);
  archive.ReadUInt(version);
  return version;
}

// Writes a record's head: the class name, then the version.
inline void WriteRecordHead(DS_IOF_Virtual& archive, const wchar_t* className, unsigned version) {
  archive.WriteString(className);
  archive.WriteUInt(version);
}
