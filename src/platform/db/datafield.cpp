#include "platform/db/datafield.h"

namespace kt {

const ClassInfo& DataField::StaticClass() {
  static ClassInfo info("DataField", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<DataField>("NameSym", [](DataField& f) { return Usual(f.NameSym()); });
    info.Access<DataField>("Name", [](DataField& f) { return Usual(f.NameSym().Name()); });
    info.Access<DataField>("FieldSpec", [](DataField& f) { return Usual(f.Spec()); });
    info.Access<DataField>("HyperLabel", [](DataField& f) { return Usual(f.Label()); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
