// dbf check: every problem of a table and its memo file, one line each.
#include "platform/db/dbf/check.h"

#include "command.h"

namespace dbftool {

int Check(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.positional.size() != 1) {
    err << "usage: dbf check [--codepage CP] [--driver NAME] TABLE\n";
    return 2;
  }
  const std::string& path = args.positional[0];
  const std::vector<std::string> problems = kt::dbf::CheckTable(path, TableOptions(args));
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
