#pragma once
// Shared pieces of the column tests: a fake grid (ColumnOwner) with a
// predictable text measure, and servers of every field type.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "columns/column_owner.h"
#include "columns/kdatacolumn.h"
#include "columns/kviewstyle.h"
#include "platform/gui/error_log.h"
#include "platform/runtime/array.h"
#include "platform/runtime/text.h"
#include "servers/karrayserver.h"

namespace kt::test {

// Measures 10 px per character (or the font's point size per character),
// 15 px per line; with word break a line holds width / char-width
// characters. Counts its calls.
class FakeGrid : public ColumnOwner, public Object {
 public:
  Ref<kViewStyle> captionView, dataView, footerView;
  Symbol viewLogicAs;
  bool wordBreak = false;
  Array properties;
  int measured = 0;

  static constexpr int kLine = 15;

  Object* OwnerObject() override { return this; }
  kViewStyle* AreaView(ViewArea area) override {
    switch (area) {
      case ViewArea::Caption: return captionView.get();
      case ViewArea::Footer: return footerView.get();
      default: return dataView.get();
    }
  }
  Symbol ViewLogicAs() override { return viewLogicAs; }
  bool WordBreakInMemo() override { return wordBreak; }
  Usual PropertyGet(Symbol name, const Usual& uDefault) override {
    for (const Usual& p : properties)
      if (p.AsArray()[1].AsSymbol() == name) return p.AsArray()[2];
    // The grid's default for logic texts.
    if (name == Symbol("VIEWLOGICVALUES")) return Usual(Array{Usual(Array{"J", true}), Usual(Array{"N", false})});
    return uDefault;
  }
  void PropertyPut(Symbol name, const Usual& value) { properties.Add(Usual(Array{Usual(name), value})); }

  static int CharWidth(const Font* font) { return font ? font->PointSize() : 10; }
  TextSize MeasureText(std::string_view text, const Font* font, int width, bool wrap) override {
    ++measured;
    if (text.empty()) return {};
    const int cw = CharWidth(font);
    int lines = 0;
    int widest = 0;
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = text.find('\n', start);
      const int chars = int(text::Length(text.substr(start, end == std::string_view::npos ? end : end - start)));
      if (wrap && width >= 0) {
        const int perLine = std::max(1, width / cw);
        lines += std::max(1, (chars + perLine - 1) / perLine);
        widest = std::max(widest, std::min(chars, perLine) * cw);
      } else {
        ++lines;
        widest = std::max(widest, chars * cw);
      }
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
    return {widest, lines * kLine};
  }
};

// {NAME C 20 "Name", NOTE M 10, AGE N 3, PRICE N 8.2, BORN D 8, VIP L 1}
inline Usual AllTypesStruct() {
  return Usual(Array{Usual(Array{"NAME", "C", 20, 0, "Kundenname"}), Usual(Array{"NOTE", "M", 10, 0}),
                     Usual(Array{"AGE", "N", 3, 0}), Usual(Array{"PRICE", "N", 8, 2}), Usual(Array{"BORN", "D", 8, 0}),
                     Usual(Array{"VIP", "L", 1, 0})});
}

inline Usual AllTypesData() {
  return Usual(Array{
      Usual(Array{"Meier", "first line\nsecond line", 42, Usual::Float(12.5, 8, 2), Date::FromYMD(1980, 5, 17), true}),
      Usual(Array{"Schulz", "", 0, Usual::Float(0.0, 8, 2), Date(), false}),
  });
}

inline Ref<kArrayServer> AllTypesServer() { return New<kArrayServer>(AllTypesStruct(), AllTypesData()); }

// A server class that declares accesses of its own: NAME (access only, over
// a field of that name), AGE (access and assign over a field), GREETING
// (computed) and TITLE (an access/assign pair that is no field).
class DeclaringServer : public kArrayServer {
 public:
  using kArrayServer::kArrayServer;
  std::string title = "Dr.";
  int ageAssigns = 0;

  const ClassInfo& Class() const override { return StaticClass(); }
  static const ClassInfo& StaticClass() {
    static ClassInfo info("DeclaringServer", &kArrayServer::StaticClass());
    static const bool once = [] {
      using S = DeclaringServer;
      info.Access<S>("NAME", [](S& s) { return Usual("via access: " + AsText(s.FieldGet(Usual(1)))); });
      info.Access<S>("AGE", [](S& s) { return s.FieldGet(Usual(3)); });
      info.Assign<S>("AGE", [](S& s, const Usual& v) {
        ++s.ageAssigns;
        s.FieldPut(Usual(3), v);
      });
      info.Access<S>("GREETING", [](S& s) { return Usual("Hallo " + AsText(s.FieldGet(Usual(1)))); });
      info.Access<S>("TITLE", [](S& s) { return Usual(s.title); });
      info.Assign<S>("TITLE", [](S& s, const Usual& v) { s.title = std::string(v.AsStringView()); });
      return true;
    }();
    (void)once;
    return info;
  }

 private:
  static std::string AsText(const Usual& v) { return std::string(text::TrimRight(v.AsStringView())); }
};

// A grid stand-in and an all-types server on its first record, with the
// runtime's display settings fixed; columns are made on that pair.
class ColumnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log.runtime->dateFormat = "DD.MM.YYYY";
    log.runtime->digits = 10;
    log.runtime->decimals = 2;
    server->GoTop();
  }
  Ref<kDataColumn> Column(const Usual& field, const Usual& kind = NIL) {
    return New<kDataColumn>(&grid, Usual(server), field, kind);
  }
  Ref<kDataColumn> Expr(const char* text) { return Column(text, Usual(kDataColumn::KindExpression)); }

  ErrorLog log;
  FakeGrid grid;
  Ref<kArrayServer> server = AllTypesServer();
};

}  // namespace kt::test
