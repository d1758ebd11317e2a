// dbf: dump and check DBF tables from the command line.
//
//   dbf dump TABLE [--index FILE]     one JSON object with structure and records
//   dbf check TABLE [--index FILE...] one line per problem; exit status 1 when any
//   dbf index TABLE --key EXPR --out FILE.ntx   creates an order file
//
// To add a subcommand, write its function and add a row to kCommands.
#include <iostream>

#include "command.h"
#include "platform/runtime/error.h"

namespace dbftool {

namespace {

const std::vector<Command>& Commands() {
  static const std::vector<Command> kCommands = {
      {"dump", "[--codepage CP] [--driver NAME] [--index FILE] TABLE",
       "print the table as JSON (records in the order of the index when given)", Dump,
       {"--codepage", "--driver", "--index"}},
      {"check", "[--codepage CP] [--driver NAME] [--index FILE]... TABLE",
       "verify the table, its memo file and the given order files", Check, {"--codepage", "--driver", "--index"}},
      {"index", "[--codepage CP] [--driver NAME] --key EXPR [--for EXPR] [--unique] [--descending] --out FILE TABLE",
       "create an NTX order file", Index, {"--codepage", "--driver", "--key", "--for", "--out"},
       {"--unique", "--descending"}},
  };
  return kCommands;
}

void Usage(std::ostream& err) {
  err << "usage:\n";
  for (const Command& c : Commands()) err << "  dbf " << c.name << ' ' << c.usage << "\n      " << c.summary << '\n';
}

}  // namespace

kt::dbf::OpenOptions TableOptions(const Args& args) {
  kt::dbf::OpenOptions o;
  o.readOnly = true;
  o.shared = true;
  o.codePage = args.Get("--codepage");
  if (args.Has("--driver")) {
    o.family = kt::dbf::FamilyFromName(args.Get("--driver"));
    if (!o.family) throw std::invalid_argument("unknown driver " + args.Get("--driver") + " (DBFNTX, DBFCDX or DBFMDX)");
  }
  return o;
}

int ReportError(const std::exception& e, std::ostream& err) {
  if (const auto* re = dynamic_cast<const kt::RuntimeError*>(&e)) {
    err << "dbf: " << re->error()->Description << '\n';
  } else {
    err << "dbf: " << e.what() << '\n';
  }
  return 1;
}

}  // namespace dbftool

int main(int argc, char** argv) {
  using namespace dbftool;
  if (argc < 2) {
    Usage(std::cerr);
    return 2;
  }
  const std::string name = argv[1];
  const Command* cmd = nullptr;
  for (const Command& c : Commands())
    if (name == c.name) cmd = &c;
  if (!cmd) {
    std::cerr << "dbf: unknown command '" << name << "'\n";
    Usage(std::cerr);
    return 2;
  }
  Args args;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--", 0) == 0) {
      bool flag = false;
      for (const std::string& f : cmd->flags) flag |= f == a;
      if (flag) {
        args.options.emplace(a, "");
        continue;
      }
      bool known = false;
      for (const std::string& o : cmd->options) known |= o == a;
      if (!known || i + 1 >= argc) {
        std::cerr << "dbf " << name << ": " << (known ? "missing value for " : "unknown option ") << a << '\n';
        return 2;
      }
      args.options.emplace(a, argv[++i]);
    } else {
      args.positional.push_back(a);
    }
  }
  try {
    return cmd->run(args, std::cout, std::cerr);
  } catch (const std::exception& e) {
    return ReportError(e, std::cerr);
  }
}
