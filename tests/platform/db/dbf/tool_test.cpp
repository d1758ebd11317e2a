// The dbf command-line tool: dump output and check results, run as a user
// would run them.
#include <gtest/gtest.h>

#include <cstdio>

#include "dbf_test_util.h"

#ifdef KTABLE_DBF_TOOL

namespace kt::dbf::test {
namespace {

struct ToolRun {
  int status;
  std::string out;
};

ToolRun Tool(const std::string& args) {
  const std::string cmd = std::string(KTABLE_DBF_TOOL) + " " + args + " 2>&1";
  ToolRun r{-1, {}};
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int status = ::pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

const std::string kData = std::string(KTABLE_SOURCE_DIR) + "/tests/data/dbf/";

TEST(DbfTool, DumpPrintsStructureAndRecords) {
  const ToolRun r = Tool("dump " + kData + "py_vfp_cp850.dbf");
  ASSERT_EQ(r.status, 0) << r.out;
  for (const char* part : {
           R"({"version": 48, "codepage": 850, "structure": [{"name": "NAME", "type": "C", "length": 20, "decimals": 0}, )",
           R"({"recno": 1, "deleted": false, "values": {"NAME": "Müller", "AMOUNT": 12.50, "QTY": -3, "BORN": "2024-02-29", "OK": true, "NOTE": "Zeile 0: Grüße aus Köln, Ärger über Öl\r\nZeile 1:)",
           R"("CNT": 7, "RATE": 0.25, "MONEY": 12.3455, "STAMP": "2024-01-02 03:04:05", "NICK": ""}})",
           R"({"recno": 2, "deleted": false, "values": {"NAME": "", "AMOUNT": null, "QTY": null, "BORN": "", "OK": null, "NOTE": "", )",
           R"({"recno": 3, "deleted": true, "values": {"NAME": "Größe ÄÖÜ ß", "AMOUNT": -0.25, "QTY": 9999, )",
       }) {
    EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n---\n" << r.out;
  }
  EXPECT_EQ(r.out.substr(r.out.size() - 3), "]}\n");
}

TEST(DbfTool, DumpShowsBlobsAsBase64) {
  TempDir dir;
  CreateOptions o;
  o.family = Family::Cdx;
  auto t = Table::Create(dir / "b.dbf", {{"IMG", 'P', 10}, {"NOTE", 'M', 10}}, o);
  t->Append();
  t->BlobPut(0, std::string("\x00\x01\xFF", 3));
  t->BlobPut(1, "hi");
  t->Close();
  const ToolRun r = Tool("dump " + dir / "b.dbf");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find(R"("values": {"IMG": {"base64": "AAH/"}, "NOTE": {"base64": "aGk="}})"), std::string::npos) << r.out;
}

TEST(DbfTool, CheckReportsEachProblemAndFails) {
  TempDir dir;
  const std::string good = kData + "py_db3_cp850.dbf";
  ToolRun r = Tool("check " + good);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("no problems"), std::string::npos);

  const std::string bad = dir / "bad.dbf";
  WriteFile(bad, RawTable(0x03, {{"N", 'N', 3}, {"D", 'D', 8}, {"L", 'L', 1}},
                          {" 12 20240101T", " x1 20241399T", "#  1        Q"}));
  r = Tool("check " + bad);
  EXPECT_EQ(r.status, 1) << r.out;
  for (const char* line : {": record 2: field N holds \"x1\", which is not a number\n",
                           ": record 2: field D holds \"20241399\", which is not a date\n",
                           ": record 3: deletion flag 0x23 is neither ' ' nor '*'\n",
                           ": record 3: field L holds \"Q\", which is not a logical value\n"})
    EXPECT_NE(r.out.find(bad + line), std::string::npos) << line << "\n---\n" << r.out;

  r = Tool("dump " + dir / "missing.dbf");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(dir / "missing.dbf"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("table not found"), std::string::npos) << r.out;
  EXPECT_EQ(Tool("frobnicate").status, 2);
  EXPECT_EQ(Tool("dump").status, 2);
}

TEST(DbfTool, IndexDumpInOrderAndCheckOrders) {
  TempDir dir;
  const std::string table = dir / "people.dbf";
  {
    auto t = Table::Create(table, {{"NAME", 'C', 12}, {"AGE", 'N', 3}});
    for (const auto& [name, age] : std::vector<std::pair<const char*, int>>{
             {"Meier", 40}, {"Abel", 33}, {"Zander", 51}, {"Öztürk", 27}}) {
      t->Append();
      t->Put(0, Usual(name));
      t->Put(1, Usual(age));
    }
    t->Close();
  }
  ToolRun r = Tool("index --key \"UPPER(NAME)\" --out " + dir / "name.ntx " + table);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("4 keys"), std::string::npos) << r.out;
  r = Tool("index --key AGE --for \"AGE > 30\" --descending --out " + dir / "age.ntx " + table);
  ASSERT_EQ(r.status, 0) << r.out;

  // Records come in the order of the index, and only those it holds.
  r = Tool("dump --index " + dir / "age.ntx " + table);
  ASSERT_EQ(r.status, 0) << r.out;
  const auto zander = r.out.find("\"recno\": 3"), meier = r.out.find("\"recno\": 1"), abel = r.out.find("\"recno\": 2");
  ASSERT_NE(zander, std::string::npos) << r.out;
  EXPECT_LT(zander, meier);
  EXPECT_LT(meier, abel);
  EXPECT_EQ(r.out.find("\"recno\": 4"), std::string::npos) << r.out;

  r = Tool("check --index " + dir / "name.ntx --index " + dir / "age.ntx " + table);
  EXPECT_EQ(r.status, 0) << r.out;

  // An order built for other data is caught.
  {
    OpenOptions exclusive;
    exclusive.shared = false;
    auto t = Table::Open(table, exclusive);
    t->GoTo(2);
    t->Put(0, Usual("Zzz"));
    t->Close();
  }
  r = Tool("check --index " + dir / "name.ntx " + table);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("record 2"), std::string::npos) << r.out;

  r = Tool("index --key \"UPPER(\" --out " + dir / "x.ntx " + table);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("does not compile"), std::string::npos) << r.out;
  EXPECT_EQ(Tool("index " + table).status, 2);
}

}  // namespace
}  // namespace kt::dbf::test

#endif  // KTABLE_DBF_TOOL
