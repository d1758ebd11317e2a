// dbf check: every problem of a table and its memo file, one line each.
#include "platform/db/dbf/check.h"

#include "command.h"
#include "platform/db/workareas.h"

namespace dbftool {

int Check(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.positional.size() != 1) {
    err << "usage: dbf check [--codepage CP] [--driver NAME] [--index FILE]... TABLE\n";
    return 2;
  }
  const std::string& path = args.positional[0];
  std::vector<std::string> problems = kt::dbf::CheckTable(path, TableOptions(args));
  const std::vector<std::string> indexes = args.All("--index");
  if (problems.empty() && !indexes.empty()) {
    kt::WorkArea* area = kt::WorkAreas::Instance().Area(OpenArea(args, indexes));
    for (int n = 1; n <= area->OrderCount(); ++n)
      for (std::string& p : area->CheckOrder(n)) problems.push_back(std::move(p));
    area->Close();
  }
  for (const std::string& p : problems) {
    // Lines from errors already start with a file name; give the others the table's.
    if (p.rfind(path, 0) == 0 || p.rfind('/', 0) == 0) out << p << '\n';
    else out << path << ": " << p << '\n';
  }
  if (problems.empty()) {
    out << path << ": no problems found\n";
    return 0;
  }
  return 1;
}

}  // namespace dbftool
