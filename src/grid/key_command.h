#pragma once
// Key bindings of a grid: a key with its modifier states bound to a method
// of an owner object, and the list the grid consults before its own key map.
//
// Key codes are Qt::Key values throughout (Qt::Key_F5, Qt::Key_A, ...), the
// codes a QKeyEvent reports; a one-character string names the key that
// types that character.
#include <string_view>

#include "platform/runtime/array.h"
#include "platform/runtime/object.h"
#include "support/kitemlist.h"

namespace kt {

class kKeyCommand : public Object {
 public:
  kKeyCommand() = default;
  kKeyCommand(const Usual& uKey, const Usual& lAlt = NIL, const Usual& lShift = NIL, const Usual& lCtrl = NIL,
              const Usual& oOwner = NIL, const Usual& symCommand = NIL, const Usual& aArguments = NIL) {
    Init(uKey, lAlt, lShift, lCtrl, oOwner, symCommand, aArguments);
  }

  // uKey: a key code or a one-character string; anything else raises an
  // argument error and leaves the key 0 (matching no key). The logics
  // default to FALSE, the argument list to an empty one; a command that is
  // neither a symbol nor a string, or arguments that are no array, raise an
  // argument error too and are left empty.
  void Init(const Usual& uKey, const Usual& lAlt = NIL, const Usual& lShift = NIL, const Usual& lCtrl = NIL,
            const Usual& oOwner = NIL, const Usual& symCommand = NIL, const Usual& aArguments = NIL);

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // The key code of the key that types `character` (one character, UTF-8);
  // 0 when the text is not exactly one character.
  static int KeyOfCharacter(std::string_view character);

  int Key() const { return key_; }
  bool Alt() const { return alt_; }
  bool Shift() const { return shift_; }
  bool Ctrl() const { return ctrl_; }
  const Usual& Owner() const { return owner_; }
  Symbol Command() const { return command_; }
  const Array& ArgumentList() const { return arguments_; }
  void Owner(const Usual& owner) { owner_ = owner; }
  void Command(Symbol command) { command_ = command; }
  void ArgumentList(const Array& arguments) { arguments_ = arguments; }

  bool Matches(int key, bool alt, bool shift, bool ctrl) const {
    return key_ == key && alt_ == alt && shift_ == shift && ctrl_ == ctrl;
  }
  // Calls the owner's method named Command with the argument list; NIL when
  // the owner has no such method. A result of 0 tells the grid to skip its
  // own handling of the key.
  Usual Eval();

 private:
  int key_ = 0;
  bool alt_ = false, shift_ = false, ctrl_ = false;
  Usual owner_;
  Symbol command_;
  Array arguments_;
};

class kKeyCommandList : public kItemList {
 public:
  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass();

  // The first entry bound to the key with exactly these modifier states;
  // null when there is none.
  kKeyCommand* Find(int key, bool alt, bool shift, bool ctrl) const;
  // Evaluates that entry; NIL when none matches. `flag` is accepted for
  // callers that pass it and not used.
  Usual Eval(int key, bool alt, bool shift, bool ctrl, bool flag = false);
};

}  // namespace kt
