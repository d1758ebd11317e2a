#include "grid/key_command.h"

#include <QKeySequence>
#include <QList>
#include <QString>

#include "platform/runtime/error.h"

namespace kt {
namespace {

const Usual& Arg(Args a, std::size_t i) { return i < a.size() ? a[i] : NIL; }

bool TakeFlag(const Usual& v, const char* what) {
  if (v.IsNil()) return false;
  if (v.IsLogic()) return v.AsLogic();
  RaiseError(gen::Arg, "kKeyCommand:Init", std::string(what) + ": logic value expected, got " + v.TypeLetter());
  return false;
}

}  // namespace

int kKeyCommand::KeyOfCharacter(std::string_view character) {
  const QString text = QString::fromUtf8(character.data(), qsizetype(character.size()));
  // One character, also one outside the basic plane.
  if (text.isEmpty() || text.size() > 2 || (text.size() == 2 && !text.at(0).isHighSurrogate())) return 0;
  const QString upper = text.toUpper();
  const QKeySequence sequence(upper, QKeySequence::PortableText);
  if (sequence.count() == 1 && sequence[0].keyboardModifiers() == Qt::NoModifier) return int(sequence[0].key());
  // Characters the key-sequence syntax does not take alone (" ", ","):
  // Qt's code of a printable key is the code point of its upper-case
  // character.
  return int(upper.toUcs4().value(0));
}

void kKeyCommand::Init(const Usual& uKey, const Usual& lAlt, const Usual& lShift, const Usual& lCtrl,
                       const Usual& oOwner, const Usual& symCommand, const Usual& aArguments) {
  key_ = 0;
  if (uKey.IsNumeric()) {
    const std::int64_t k = uKey.AsInteger();
    if (k > 0 && k <= 0x7FFFFFFF) key_ = int(k);
    else RaiseError(gen::Arg, "kKeyCommand:Init", "Key code out of range: " + std::to_string(k));
  } else if (uKey.IsString()) {
    key_ = KeyOfCharacter(uKey.AsStringView());
    if (key_ == 0)
      RaiseError(gen::Arg, "kKeyCommand:Init",
                 "Key must be one character, got \"" + std::string(uKey.AsStringView()) + "\"");
  } else {
    RaiseError(gen::Arg, "kKeyCommand:Init", std::string("Key code or character expected, got ") + uKey.TypeLetter());
  }
  alt_ = TakeFlag(lAlt, "Alt");
  shift_ = TakeFlag(lShift, "Shift");
  ctrl_ = TakeFlag(lCtrl, "Ctrl");
  owner_ = oOwner;
  command_ = Symbol();
  if (symCommand.IsSymbol()) command_ = symCommand.AsSymbol();
  else if (symCommand.IsString()) command_ = Symbol(symCommand.AsStringView());
  else if (!symCommand.IsNil())
    RaiseError(gen::Arg, "kKeyCommand:Init", std::string("Method name expected, got ") + symCommand.TypeLetter());
  arguments_ = Array();
  if (aArguments.IsArray()) arguments_ = aArguments.AsArray();
  else if (!aArguments.IsNil())
    RaiseError(gen::Arg, "kKeyCommand:Init", std::string("Argument array expected, got ") + aArguments.TypeLetter());
}

Usual kKeyCommand::Eval() {
  if (!command_ || !IsMethod(owner_, command_)) return NIL;
  // The owner may drop this binding from its list while it runs.
  const Ref<kKeyCommand> keep(this);
  const Array args = arguments_;
  return kt::Send(owner_, command_, Args(args.Items().data(), args.Len()));
}

const ClassInfo& kKeyCommand::StaticClass() {
  static ClassInfo info("kKeyCommand", &Object::StaticClass());
  static const bool registered = [] {
    using T = kKeyCommand;
    info.Method<T>("Init", [](T& k, Args a) {
      k.Init(Arg(a, 0), Arg(a, 1), Arg(a, 2), Arg(a, 3), Arg(a, 4), Arg(a, 5), Arg(a, 6));
      return Usual(&k);
    });
    info.Method<T>("Eval", [](T& k, Args) { return k.Eval(); });
    info.Access<T>("Key", [](T& k) { return Usual(k.Key()); });
    info.Access<T>("Alt", [](T& k) { return Usual(k.Alt()); });
    info.Access<T>("Shift", [](T& k) { return Usual(k.Shift()); });
    info.Access<T>("Ctrl", [](T& k) { return Usual(k.Ctrl()); });
    info.Access<T>("Owner", [](T& k) { return k.Owner(); });
    info.Assign<T>("Owner", [](T& k, const Usual& v) { k.Owner(v); });
    info.Access<T>("Command", [](T& k) { return k.Command() ? Usual(k.Command()) : Usual(); });
    info.Assign<T>("Command", [](T& k, const Usual& v) {
      if (v.IsSymbol()) k.Command(v.AsSymbol());
      else if (v.IsString()) k.Command(Symbol(v.AsStringView()));
      else if (v.IsNil()) k.Command(Symbol());
      else RaiseError(gen::Arg, "kKeyCommand:Command", std::string("Method name expected, got ") + v.TypeLetter());
    });
    info.Access<T>("ArgumentList", [](T& k) { return Usual(k.ArgumentList()); });
    info.Assign<T>("ArgumentList", [](T& k, const Usual& v) {
      if (v.IsArray()) k.ArgumentList(v.AsArray());
      else if (v.IsNil()) k.ArgumentList(Array());
      else RaiseError(gen::Arg, "kKeyCommand:ArgumentList", std::string("Array expected, got ") + v.TypeLetter());
    });
    return true;
  }();
  (void)registered;
  return info;
}

kKeyCommand* kKeyCommandList::Find(int key, bool alt, bool shift, bool ctrl) const {
  for (const Usual& item : Items())
    if (auto* command = dynamic_cast<kKeyCommand*>(item.AsObject()); command && command->Matches(key, alt, shift, ctrl))
      return command;
  return nullptr;
}

Usual kKeyCommandList::Eval(int key, bool alt, bool shift, bool ctrl, bool) {
  kKeyCommand* command = Find(key, alt, shift, ctrl);
  if (!command) return NIL;
  const Ref<kKeyCommand> keep(command);
  return command->Eval();
}

const ClassInfo& kKeyCommandList::StaticClass() {
  static ClassInfo info("kKeyCommandList", &kItemList::StaticClass());
  static const bool registered = [] {
    using T = kKeyCommandList;
    info.Method<T>("Eval", [](T& l, Args a) {
      const Usual& key = Arg(a, 0);
      if (!key.IsNumeric()) {
        RaiseError(gen::Arg, "kKeyCommandList:Eval", std::string("Key code expected, got ") + key.TypeLetter());
        return Usual();
      }
      const std::int64_t k = key.AsInteger();
      if (k <= 0 || k > 0x7FFFFFFF) return Usual();
      return l.Eval(int(k), Arg(a, 1).AsLogic(), Arg(a, 2).AsLogic(), Arg(a, 3).AsLogic(), Arg(a, 4).AsLogic());
    });
    return true;
  }();
  (void)registered;
  return info;
}

}  // namespace kt
