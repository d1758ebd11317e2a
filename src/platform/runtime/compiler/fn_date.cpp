// Date and time functions. CToD and DToC follow the runtime's date format
// and epoch.
#include <ctime>

#include "platform/runtime/compiler/evalstate.h"
#include "platform/runtime/compiler/functions.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/numtext.h"
#include "platform/runtime/runtime.h"

namespace kt::macro {
namespace {

Usual Today(Args) { return Usual(Date::Today()); }

Usual CToDFn(Args a) {
  if (!a[0].IsString()) return ArgError("CTOD", 1, a[0], "string");
  return Usual(CToD(a[0].AsStringView()));
}

Usual DToCFn(Args a) {
  if (!a[0].IsDate()) return ArgError("DTOC", 1, a[0], "date");
  return Usual(DToC(a[0].AsDate()));
}

Usual DToS(Args a) {
  if (!a[0].IsDate()) return ArgError("DTOS", 1, a[0], "date");
  return Usual(a[0].AsDate().ToDtos());
}

Usual SToD(Args a) {
  if (!a[0].IsString()) return ArgError("STOD", 1, a[0], "string");
  return Usual(Date::FromDtos(a[0].AsStringView()));
}

template <int (Date::*Part)() const>
Usual DatePart(Args a, const char* name) {
  if (!a[0].IsDate()) return ArgError(name, 1, a[0], "date");
  return Usual((a[0].AsDate().*Part)());
}
Usual Year(Args a) { return DatePart<&Date::Year>(a, "YEAR"); }
Usual Month(Args a) { return DatePart<&Date::Month>(a, "MONTH"); }
Usual Day(Args a) { return DatePart<&Date::Day>(a, "DAY"); }
Usual DoW(Args a) { return DatePart<&Date::DayOfWeek>(a, "DOW"); }

bool German() { return Runtime::Settings().german; }

Usual CDoW(Args a) {
  if (!a[0].IsDate()) return ArgError("CDOW", 1, a[0], "date");
  static const char* const en[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  static const char* const de[] = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
  const int d = a[0].AsDate().DayOfWeek();
  if (d < 1) return Usual("");
  return Usual((German() ? de : en)[d - 1]);
}

Usual CMonth(Args a) {
  if (!a[0].IsDate()) return ArgError("CMONTH", 1, a[0], "date");
  static const char* const en[] = {"January", "February", "March", "April", "May", "June",
                                   "July", "August", "September", "October", "November", "December"};
  static const char* const de[] = {"Januar", "Februar", "März", "April", "Mai", "Juni",
                                   "Juli", "August", "September", "Oktober", "November", "Dezember"};
  const int m = a[0].AsDate().Month();
  if (m < 1) return Usual("");
  return Usual((German() ? de : en)[m - 1]);
}

Usual Time(Args) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return Usual(ZeroPadded(local.tm_hour, 2) + ":" + ZeroPadded(local.tm_min, 2) + ":" + ZeroPadded(local.tm_sec, 2));
}

}  // namespace

void RegisterDateFunctions() {
  AddFunction("DATE", Today, nullptr, 0, 0);
  AddFunction("TODAY", Today, nullptr, 0, 0);
  AddFunction("CTOD", CToDFn, nullptr, 1, 1);
  AddFunction("DTOC", DToCFn, nullptr, 1, 1);
  AddFunction("DTOS", DToS, nullptr, 1, 1);
  AddFunction("STOD", SToD, nullptr, 1, 1);
  AddFunction("YEAR", Year, nullptr, 1, 1);
  AddFunction("MONTH", Month, nullptr, 1, 1);
  AddFunction("DAY", Day, nullptr, 1, 1);
  AddFunction("DOW", DoW, nullptr, 1, 1);
  AddFunction("CDOW", CDoW, nullptr, 1, 1);
  AddFunction("CMONTH", CMonth, nullptr, 1, 1);
  AddFunction("TIME", Time, nullptr, 0, 0);
}

}  // namespace kt::macro
