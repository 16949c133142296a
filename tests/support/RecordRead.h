#pragma once
// Reads one scene-object record from bytes through the registry, as a document's object
// list does, and tells what came of it: the object (null for an unknown class), whether
// the archive failed, and the bytes left behind.
#include "core/archive/DS_IOF.h"
#include "core/archive/ReaderRegistry.h"
#include "core/scene/DS_ABObj.h"

#include <memory>

namespace tw_test {

struct RecordReadResult {
  std::unique_ptr<DS_ABObj_Constructor> object;
  bool failed = true;
  size_t remaining = 0;
};

inline RecordReadResult ReadRecord(const unsigned char* data, size_t size) {
  ResourceBuffer source(data, size);
  DS_IOF_R<ResourceBuffer> archive(&source);
  RecordReadResult result;
  result.object.reset(ReadSceneObject(archive));
  result.failed = archive.Failed();
  result.remaining = archive.RemainingBytes();
  return result;
}

}  // namespace tw_test
