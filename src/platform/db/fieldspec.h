#pragma once
// FieldSpec: type, size and display rules of a field, and the validation a
// value must pass before it is stored.
#include <string>

#include "platform/db/hyperlabel.h"
#include "platform/runtime/picture.h"

namespace kt {

class FieldSpec : public Object {
 public:
  FieldSpec() = default;
  // cType: "C", "M", "N", "D", "L" (other letters are kept but not checked).
  FieldSpec(Symbol name, std::string type, int length, int decimals);

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  Symbol NameSym() const { return label_->NameSym; }
  const Ref<HyperLabel>& Label() const { return label_; }
  const std::string& ValType() const { return type_; }
  int Length() const { return length_; }
  int Decimals() const { return decimals_; }
  const std::string& Picture() const { return picture_; }
  void Picture(std::string picture) { picture_ = std::move(picture); }
  void SetType(std::string type) { type_ = std::move(type); }
  void SetLength(int length, int decimals = -1);
  bool Required = false;

  // Display text: with a picture the picture decides; else a number shows
  // its decimals, a date the runtime's date format, a string is trimmed of
  // trailing blanks, a logic value ".T."/".F.".
  std::string Transform(const Usual& value) const;

  // TRUE when the value fits the field: its type matches, a number fits
  // length and decimals, a required field is not empty. Otherwise Status
  // describes why.
  bool Validate(const Usual& value);
  const Ref<HyperLabel>& Status() const { return status_; }

 private:
  std::string FieldStr(const Usual& value) const;
  std::string NumberShown(const Usual& value) const;

  Ref<HyperLabel> label_ = New<HyperLabel>();
  std::string type_ = "C";
  int length_ = 0;
  int decimals_ = 0;
  std::string picture_;
  Ref<HyperLabel> status_;
};

}  // namespace kt
