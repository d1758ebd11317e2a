// dbf index: builds an NTX order file from a key expression; and the work
// area that commands evaluating expressions open the table in.
#include <filesystem>

#include "command.h"
#include "platform/db/workareas.h"

namespace dbftool {

int OpenArea(const Args& args, const std::vector<std::string>& indexes) {
  // Expressions raise their errors as exceptions here: main() reports them.
  kt::Runtime::SetErrorBlock([](const kt::ErrorRef& e) -> kt::Usual { throw kt::RuntimeError(e); });
  const std::string& path = args.positional[0];
  const std::string alias = std::filesystem::path(path).stem().string();
  kt::WorkAreas& areas = kt::WorkAreas::Instance();
  const int number = areas.Open(kt::dbf::Table::Open(path, TableOptions(args)), alias);
  areas.SelectArea(number);
  for (const std::string& index : indexes) areas.Area(number)->OrderListAdd(index);
  return number;
}

int Index(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.positional.size() != 1 || !args.Has("--key") || !args.Has("--out")) {
    err << "usage: dbf index [--codepage CP] [--driver NAME] --key EXPR [--for EXPR] [--unique] [--descending] "
           "--out FILE TABLE\n";
    return 2;
  }
  kt::WorkArea* area = kt::WorkAreas::Instance().Area(OpenArea(args, {}));
  kt::OrderCreateOptions options;
  options.forExpr = args.Get("--for");
  options.unique = args.Has("--unique");
  options.descending = args.Has("--descending");
  area->CreateOrder(args.Get("--out"), args.Get("--key"), options);
  out << args.Get("--out") << ": " << area->OrderKeyCount() << " keys\n";
  area->Close();
  return 0;
}

}  // namespace dbftool
