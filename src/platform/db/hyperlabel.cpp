#include "platform/db/hyperlabel.h"

namespace kt {

HyperLabel::HyperLabel(Symbol name, std::string caption, std::string description, std::string helpContext)
    : NameSym(name), Caption(std::move(caption)), Description(std::move(description)), HelpContext(std::move(helpContext)) {
  if (Caption.empty()) Caption = name.Name();
}

const ClassInfo& HyperLabel::StaticClass() {
  static ClassInfo info("HyperLabel", &Object::StaticClass());
  static const bool registered = [] {
    info.Access<HyperLabel>("NameSym", [](HyperLabel& h) { return Usual(h.NameSym); });
    info.Access<HyperLabel>("Name", [](HyperLabel& h) { return Usual(h.NameSym.Name()); });
    info.Access<HyperLabel>("Caption", [](HyperLabel& h) { return Usual(h.Caption); });
    info.Assign<HyperLabel>("Caption", [](HyperLabel& h, const Usual& v) { h.Caption = std::string(v.AsStringView()); });
    info.Access<HyperLabel>("Description", [](HyperLabel& h) { return Usual(h.Description); });
    info.Assign<HyperLabel>("Description",
                            [](HyperLabel& h, const Usual& v) { h.Description = std::string(v.AsStringView()); });
    info.Access<HyperLabel>("HelpContext", [](HyperLabel& h) { return Usual(h.HelpContext); });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
