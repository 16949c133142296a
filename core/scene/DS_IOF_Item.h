#pragma once
#include "core/archive/DS_IOF.h"

// Base of everything stored in the scene document.
class DS_IOF_Item {
public:
  virtual ~DS_IOF_Item() = default;
  // Writes the object's complete record (class name, version, fields).
  virtual void Write(DS_IOF_Virtual& archive) = 0;
};
