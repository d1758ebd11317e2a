#pragma once
// Subcommands of the dbf tool. A subcommand is a function from parsed
// arguments to an exit status; main() holds the table of them.
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "platform/db/dbf/table.h"

namespace dbftool {

struct Args {
  std::vector<std::string> positional;
  std::multimap<std::string, std::string> options;  // "--name value" pairs; flags have an empty value

  bool Has(const std::string& name) const { return options.count(name) > 0; }
  std::string Get(const std::string& name, const std::string& fallback = {}) const {
    auto it = options.find(name);
    return it == options.end() ? fallback : it->second;
  }
  // Every value of an option that may be given more than once.
  std::vector<std::string> All(const std::string& name) const {
    std::vector<std::string> values;
    for (auto [it, end] = options.equal_range(name); it != end; ++it) values.push_back(it->second);
    return values;
  }
};

struct Command {
  const char* name;
  const char* usage;    // arguments after the command name
  const char* summary;
  int (*run)(const Args& args, std::ostream& out, std::ostream& err);
  std::vector<std::string> options;  // options taking a value, e.g. "--codepage"
  std::vector<std::string> flags = {};  // options without a value, e.g. "--unique"
};

// Options every table command understands: --codepage CP forces the code
// page, --driver DBFNTX|DBFCDX|DBFMDX chooses the lock scheme.
kt::dbf::OpenOptions TableOptions(const Args& args);

// Prints a RuntimeError as "dbf: <description>" (the description names the
// file) and returns the exit status for failures.
int ReportError(const std::exception& e, std::ostream& err);

int Dump(const Args& args, std::ostream& out, std::ostream& err);
int Check(const Args& args, std::ostream& out, std::ostream& err);
int Index(const Args& args, std::ostream& out, std::ostream& err);

// Opens the table of `args` in a work area (for commands that evaluate key
// expressions) and adds the order files given with --index. Returns the
// area's number.
int OpenArea(const Args& args, const std::vector<std::string>& indexes);

}  // namespace dbftool
