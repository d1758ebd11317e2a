#pragma once
// HyperLabel: the name of a thing together with the texts shown for it
// (caption, description) and its help context.
#include <string>

#include "platform/runtime/object.h"

namespace kt {

class HyperLabel : public Object {
 public:
  HyperLabel() = default;
  // An empty caption takes the name's spelling.
  explicit HyperLabel(Symbol name, std::string caption = {}, std::string description = {}, std::string helpContext = {});

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  Symbol NameSym;
  std::string Caption;
  std::string Description;
  std::string HelpContext;
};

}  // namespace kt
