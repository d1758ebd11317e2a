#pragma once
// DataField: one field of a data server — its name, FieldSpec and the
// HyperLabel whose caption a grid shows.
#include "platform/db/fieldspec.h"

namespace kt {

class DataField : public Object {
 public:
  DataField(Symbol name, Ref<FieldSpec> spec)
      : spec_(std::move(spec)), label_(New<HyperLabel>(name)) {}

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  Symbol NameSym() const { return label_->NameSym; }
  const Ref<FieldSpec>& Spec() const { return spec_; }
  const Ref<HyperLabel>& Label() const { return label_; }

 private:
  Ref<FieldSpec> spec_;
  Ref<HyperLabel> label_;
};

}  // namespace kt
