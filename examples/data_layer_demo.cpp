// A console tour of the data layer: an in-memory table, an order, a seek,
// a filter written as expression text and an edit that moves a record.
#include <cstdio>
#include <string>

#include "platform/runtime/array.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/text.h"
#include "servers/karrayserver.h"

using namespace kt;

namespace {

void Show(kArrayServer& server, const char* title) {
  std::printf("\n%s\n", title);
  std::printf("  %-4s %-12s %-10s %5s  %-10s\n", "Rec", "Name", "City", "Age", "Born");
  for (server.GoTop(); !server.EoF(); server.Skip(1)) {
    // Columns are padded in characters, so umlauts keep the alignment.
    std::printf("  %-4lld %s %s %5s  %-10s\n", static_cast<long long>(server.RecNo()),
                text::PadRight(server.FieldGet("NAME").AsStringView(), 12).c_str(),
                text::PadRight(server.FieldGet("CITY").AsStringView(), 10).c_str(),
                Str(server.FieldGet("AGE"), 5).c_str(), DToC(server.FieldGet("BORN").AsDate()).c_str());
  }
}

}  // namespace

int main() {
  Runtime::Settings().dateFormat = "DD.MM.YYYY";
  Runtime::SetErrorBlock([](const ErrorRef& e) {
    std::fprintf(stderr, "error: %s\n", e->Summary().c_str());
    return Usual();
  });

  const Usual structure(Array{Usual(Array{"NAME", "C", 12, 0, "Name"}), Usual(Array{"CITY", "C", 10, 0, "Stadt"}),
                              Usual(Array{"AGE", "N", 3, 0, "Alter"}), Usual(Array{"BORN", "D", 8, 0})});
  Array rows;
  const struct {
    const char* name;
    const char* city;
    int age;
    int year;
  } people[] = {{"Müller", "Köln", 41, 1983}, {"Schmidt", "Berlin", 29, 1995}, {"Abel", "Hamburg", 57, 1967},
                {"Zander", "München", 35, 1989}, {"Becker", "Bonn", 22, 2002}};
  for (const auto& p : people) rows.Add(Usual(Array{p.name, p.city, p.age, Date::FromYMD(p.year, 5, 17)}));

  Ref<kArrayServer> server = New<kArrayServer>(structure, Usual(rows));
  Show(*server, "Natural order:");

  server->CreateOrder("Upper(Server:NAME)");
  Show(*server, "Order by Upper(Server:NAME):");

  if (server->Seek(Usual("SCHMIDT")) || server->Seek(Usual(text::PadRight("SCHMIDT", 12))))
    std::printf("\nSeek found record %lld\n", static_cast<long long>(server->RecNo()));
  else
    std::printf("\nSeek \"SCHMIDT\" stands on record %lld (EOF %s)\n", static_cast<long long>(server->RecNo()),
                server->EoF() ? "yes" : "no");

  server->SetFilter("Server:AGE >= 30");
  Show(*server, "Filter Server:AGE >= 30:");
  server->ClearFilter();

  server->GoTop();
  server->FieldPut("NAME", "Zimmer");
  server->Commit();
  Show(*server, "After renaming the first record to Zimmer (it moves to the end):");
  return 0;
}
