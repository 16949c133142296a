// A registered class in a translation unit that nothing names: it reaches the registry
// only when its library is linked whole, which is what the registry test checks.
#include "core/archive/ReaderRegistry.h"
#include "core/scene/DS_ABObj.h"

class DS_TestUnreferenced : public DS_ABObj_Constructor {
public:
  void ReadFields(DS_IOF_Virtual& archive, unsigned version) {
    if (version > 1) ReadPart(archive);
  }
  DS_ABObj* CreateRuntimeObject() override { return nullptr; }
};
DS_REGISTER_OBJECT_READER(DS_TestUnreferenced);
