// Type tests, arrays, codeblock evaluation and the work-area functions.
#include "platform/runtime/array.h"
#include "platform/runtime/codeblock.h"
#include "platform/runtime/compiler/evalstate.h"
#include "platform/runtime/compiler/functions.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/runtime.h"

namespace kt::macro {
namespace {

Usual EmptyFn(Args a) { return Usual(Empty(a[0])); }
Usual ValType(Args a) { return Usual(a[0].TypeLetter()); }
Usual UsualTypeFn(Args a) { return Usual(int(a[0].Type())); }
Usual IsNilFn(Args a) { return Usual(a[0].IsNil()); }

Usual AScanFn(Args a) {
  const Usual& start = Arg(a, 2);
  const Usual& count = Arg(a, 3);
  if (!a[0].IsArray()) return ArgError("ASCAN", 1, a[0], "array");
  if (!start.IsNil() && !start.IsNumeric()) return ArgError("ASCAN", 3, start, "numeric");
  if (!count.IsNil() && !count.IsNumeric()) return ArgError("ASCAN", 4, count, "numeric");
  // Comparing against every element may scan long strings: charge for it.
  std::int64_t work = 0;
  for (const Usual& e : a[0].AsArray()) work += 1 + (e.IsString() ? std::int64_t(e.AsStringView().size() / 16) : 0);
  Charge(work);
  // Clamped so that no count or start can overflow inside the scan.
  constexpr std::int64_t kBig = std::int64_t(1) << 40;
  const Usual from = start.IsNil() ? start : Usual(static_cast<long long>(ClampInt(start, -kBig, kBig)));
  const Usual n = count.IsNil() ? count : Usual(static_cast<long long>(ClampInt(count, -kBig, kBig)));
  return Usual(static_cast<long long>(AScan(a[0], a[1], from, n)));
}

Usual ALen(Args a) {
  if (!a[0].IsArray()) return ArgError("ALEN", 1, a[0], "array");
  return Usual(static_cast<long long>(a[0].AsArray().Len()));
}

Usual ATail(Args a) {
  if (!a[0].IsArray()) return ArgError("ATAIL", 1, a[0], "array");
  const Array arr = a[0].AsArray();
  return arr.IsEmpty() ? Usual() : arr.Get(arr.Len());
}

Usual EvalWith(Args a, const char* name) {
  if (!a[0].IsCodeblock() && !a[0].IsObject()) return ArgError(name, 1, a[0], "codeblock");
  return EvalBlock(a[0], a.subspan(1));
}
Usual EvalFn(Args a) { return EvalWith(a, "EVAL"); }
Usual EvalBlockFn(Args a) { return EvalWith(a, "EVALBLOCK"); }

// Area functions answer from the selected work area; with no tables (or
// nothing open there) they give the empty value of their type.
Usual AreaFunction(Symbol name, Usual empty) {
  if (WorkAreaResolver* r = Runtime::Resolver()) {
    Usual v = r->AreaFunction(name);
    if (!v.IsNil()) return v;
  }
  return empty;
}

Usual RecNo(Args) { static const Symbol s("RECNO"); return AreaFunction(s, Usual(0)); }
Usual Deleted(Args) { static const Symbol s("DELETED"); return AreaFunction(s, Usual(false)); }
Usual Eof(Args) { static const Symbol s("EOF"); return AreaFunction(s, Usual(false)); }
Usual Bof(Args) { static const Symbol s("BOF"); return AreaFunction(s, Usual(false)); }
Usual LastRec(Args) { static const Symbol s("LASTREC"); return AreaFunction(s, Usual(0)); }
Usual RecCount(Args) { static const Symbol s("RECCOUNT"); return AreaFunction(s, Usual(0)); }
Usual Found(Args) { static const Symbol s("FOUND"); return AreaFunction(s, Usual(false)); }
Usual Alias(Args) { static const Symbol s("ALIAS"); return AreaFunction(s, Usual("")); }

}  // namespace

void RegisterMiscFunctions() {
  AddFunction("EMPTY", EmptyFn, nullptr, 1, 1);
  AddFunction("VALTYPE", ValType, nullptr, 1, 1);
  AddFunction("USUALTYPE", UsualTypeFn, nullptr, 1, 1);
  AddFunction("ISNIL", IsNilFn, nullptr, 1, 1);
  AddFunction("ASCAN", AScanFn, nullptr, 2, 4);
  AddFunction("ALEN", ALen, nullptr, 1, 1);
  AddFunction("ATAIL", ATail, nullptr, 1, 1);
  AddFunction("EVAL", EvalFn, nullptr, 1, -1);
  AddFunction("EVALBLOCK", EvalBlockFn, nullptr, 1, -1);
  AddFunction("RECNO", RecNo, nullptr, 0, 0);
  AddFunction("DELETED", Deleted, nullptr, 0, 0);
  AddFunction("EOF", Eof, nullptr, 0, 0);
  AddFunction("BOF", Bof, nullptr, 0, 0);
  AddFunction("LASTREC", LastRec, nullptr, 0, 0);
  AddFunction("RECCOUNT", RecCount, nullptr, 0, 0);
  AddFunction("FOUND", Found, nullptr, 0, 0);
  AddFunction("ALIAS", Alias, nullptr, 0, 0);
}

}  // namespace kt::macro
