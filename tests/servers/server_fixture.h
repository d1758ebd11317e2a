#pragma once
// Shared pieces for server tests: a client that records notifications and
// errors, and a small customer table.
#include <string>
#include <utility>
#include <vector>

#include "platform/runtime/array.h"
#include "platform/runtime/error.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/text.h"
#include "servers/karrayserver.h"

namespace kt::test {

class RecordingClient : public Object {
 public:
  std::vector<std::pair<int, Usual>> notes;
  std::vector<ErrorRef> errors;
  bool vetoMoves = false;
  bool handlesErrors = true;

  const ClassInfo& Class() const override { return handlesErrors ? WithError() : Plain(); }

  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const auto& n : notes) codes.push_back(n.first);
    return codes;
  }

 private:
  static ClassInfo& Plain() {
    static ClassInfo info("RecordingClient", &Object::StaticClass());
    static bool once = [] {
      info.Method<RecordingClient>("Notify", [](RecordingClient& c, Args a) {
        const int code = int(a[0].AsInteger());
        c.notes.emplace_back(code, a.size() > 1 ? a[1] : Usual());
        return Usual(!(code == 2 && c.vetoMoves));
      });
      return true;
    }();
    (void)once;
    return info;
  }
  static ClassInfo& WithError() {
    static ClassInfo info("RecordingErrorClient", &Plain());
    static bool once = [] {
      info.Method<RecordingClient>("Error", [](RecordingClient& c, Args a) {
        c.errors.emplace_back(dynamic_cast<Error*>(a[0].AsObject()));
        return Usual();
      });
      return true;
    }();
    (void)once;
    return info;
  }
};

// {NAME C 20, CITY C 15, AGE N 3, BORN D 8, VIP L 1}
inline Usual CustomerStruct() {
  return Usual(Array{Usual(Array{"NAME", "C", 20, 0, "Name"}), Usual(Array{"CITY", "C", 15, 0}),
                     Usual(Array{"AGE", "N", 3, 0}), Usual(Array{"BORN", "D", 8, 0}), Usual(Array{"VIP", "L", 1, 0})});
}

inline Array Customers(std::initializer_list<std::pair<const char*, int>> rows) {
  Array data;
  for (const auto& [name, age] : rows)
    data.Add(Usual(Array{name, "Berlin", age, Date::FromYMD(1980, 1, 1), age % 2 == 0}));
  return data;
}

}  // namespace kt::test
