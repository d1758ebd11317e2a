// Compatibility with independent xBase implementations: tables written by
// python3-dbf (committed fixtures, see tests/data/dbf/make_fixtures.py) read
// here, and tables written here read (and extended) by python3-dbfread and
// python3-dbf when they are installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "dbf_test_util.h"
#include "platform/db/dbf/check.h"

namespace kt::dbf::test {
namespace {

const std::string kDataDir = std::string(KTABLE_SOURCE_DIR) + "/tests/data/dbf/";

std::string LongMemo() {
  std::string s;
  for (int i = 0; i < 30; ++i) s += "Zeile " + std::to_string(i) + ": Grüße aus Köln, Ärger über Öl\r\n";
  return s;
}

// --- tables written by python3-dbf -------------------------------------------

TEST(DbfInterop, ReadsTablesWrittenByPythonDbf) {
  struct Fixture {
    const char* name;
    std::uint8_t version;
    MemoKind memo;
    int codePage;
  };
  const Fixture fixtures[] = {{"py_db3_cp850", 0x83, MemoKind::Dbt3, 850},
                              {"py_fp_cp1252", 0xF5, MemoKind::Fpt, 1252},
                              {"py_vfp_cp850", 0x30, MemoKind::Fpt, 850}};
  for (const Fixture& fx : fixtures) {
    SCOPED_TRACE(fx.name);
    const std::string path = kDataDir + fx.name + ".dbf";
    OpenOptions o;
    o.readOnly = true;
    auto t = Table::Open(path, o);
    EXPECT_EQ(t->Version(), fx.version);
    EXPECT_EQ(t->Memo(), fx.memo);
    EXPECT_EQ(CodePageForLdid(t->LanguageDriver()).number, fx.codePage);
    ASSERT_EQ(t->RecCount(), 3u);
    const int name = t->FieldIndex("name"), amount = t->FieldIndex("AMOUNT"), qty = t->FieldIndex("QTY"),
              born = t->FieldIndex("BORN"), ok = t->FieldIndex("OK"), note = t->FieldIndex("NOTE");
    ASSERT_GE(std::min({name, amount, qty, born, ok, note}), 0);

    ASSERT_TRUE(t->GoTo(1));
    EXPECT_FALSE(t->Deleted());
    EXPECT_EQ(t->Get(name), Usual("Müller" + std::string(14, ' ')));
    EXPECT_EQ(t->Get(amount), Usual::Float(12.5, 8, 2));
    EXPECT_EQ(t->Get(qty), Usual(-3));
    EXPECT_EQ(t->Get(born), Usual(Date::FromYMD(2024, 2, 29)));
    EXPECT_EQ(t->Get(ok), Usual(true));
    EXPECT_EQ(t->Get(note), Usual(LongMemo()));  // spans several memo blocks

    ASSERT_TRUE(t->GoTo(2));  // blank record
    EXPECT_EQ(t->Get(name), Usual(std::string(20, ' ')));
    EXPECT_EQ(t->Get(amount), Usual::Float(0, 8, 2));
    EXPECT_EQ(t->Get(born), Usual(Date()));
    EXPECT_EQ(t->Get(ok), Usual(false));
    EXPECT_EQ(t->Get(note), Usual(""));

    ASSERT_TRUE(t->GoTo(3));
    EXPECT_TRUE(t->Deleted());
    EXPECT_EQ(t->Get(name), Usual("Größe ÄÖÜ ß" + std::string(9, ' ')));
    EXPECT_EQ(t->Get(amount), Usual::Float(-0.25, 8, 2));
    EXPECT_EQ(t->Get(qty), Usual(9999));
    EXPECT_EQ(t->Get(born), Usual(Date::FromYMD(1999, 12, 31)));
    EXPECT_EQ(t->Get(ok), Usual(false));
    EXPECT_EQ(t->Get(note), Usual("kurz"));

    if (fx.version == 0x30) {
      EXPECT_EQ(t->Get(t->FieldIndex("CNT")), Usual(-1));
      EXPECT_EQ(t->Get(t->FieldIndex("RATE")).AsFloat(), -1.5);
      EXPECT_EQ(t->Get(t->FieldIndex("MONEY")), Usual::Float(-0.01, 20, 4));
      EXPECT_EQ(t->Get(t->FieldIndex("STAMP")), Usual("1999-12-31 23:59:59"));
      EXPECT_EQ(t->Get(t->FieldIndex("NICK")), Usual("Kai   "));
      EXPECT_EQ(t->FieldCount(), 11u);  // _NullFlags stays hidden
    }
    EXPECT_TRUE(CheckTable(path).empty());
  }
}

// --- tables written here, read by the other programs -------------------------

bool PythonHas(const char* module) {
  const std::string cmd = std::string("/usr/bin/python3 -c 'import ") + module + "' >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// Lines printed by read_with_python.py, sorted (dbfread does not keep deleted
// records in file order).
std::vector<std::string> ReadWithPython(const std::string& reader, const std::string& path, const char* extra = "") {
  const std::string cmd = "/usr/bin/python3 '" + kDataDir + "read_with_python.py' " + reader + " '" + path + "' " +
                          extra + " 2>/dev/null";
  std::vector<std::string> lines;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return lines;
  std::string cur;
  for (int c; (c = std::fgetc(p)) != EOF;) {
    if (c == '\n') {
      lines.push_back(cur);
      cur.clear();
    } else {
      cur += char(c);
    }
  }
  EXPECT_EQ(::pclose(p), 0) << cmd;
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string Escape(std::string s) {
  std::string out;
  for (char c : s) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

std::string Line(bool deleted, const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::string s = deleted ? "1" : "0";
  for (const auto& [k, v] : pairs) s += "\x1F" + k + "=" + v;
  return s;
}

struct Written {
  const char* what;
  Family family;
  const char* codePage;
  bool vfp;
};

// Writes the two-record table every reader is compared against.
std::vector<std::string> WriteSample(const std::string& path, const Written& w) {
  CreateOptions o;
  o.family = w.family;
  o.codePage = w.codePage;
  Structure s{{"NAME", 'C', 20}, {"AMOUNT", 'N', 8, 2}, {"QTY", 'N', 4}, {"BORN", 'D', 8}, {"OK", 'L', 1}, {"NOTE", 'M', 10}};
  if (w.vfp) s.insert(s.end(), {{"CNT", 'I', 4}, {"RATE", 'B', 8, 2}, {"MONEY", 'Y', 8}, {"STAMP", 'T', 8}});
  auto t = Table::Create(path, s, o);
  t->Append();
  for (auto [i, v] : std::vector<std::pair<int, Usual>>{{0, Usual("Müller")},
                                                        {1, Usual(12.5)},
                                                        {2, Usual(-3)},
                                                        {3, Usual(Date::FromYMD(2024, 2, 29))},
                                                        {4, Usual(true)},
                                                        {5, Usual(LongMemo())}})
    t->Put(std::size_t(i), v);
  t->Append();
  for (auto [i, v] : std::vector<std::pair<int, Usual>>{{0, Usual("Größe ÄÖÜ ß")},
                                                        {1, Usual(-0.25)},
                                                        {2, Usual(9999)},
                                                        {3, Usual(Date::FromYMD(1999, 12, 31))},
                                                        {4, Usual(false)},
                                                        {5, Usual("kurz")}})
    t->Put(std::size_t(i), v);
  t->Delete();
  // Rewrite the first memo shorter (in place) to exercise block reuse too.
  t->GoTo(1);
  t->Put(5, Usual(LongMemo().substr(0, 700)));
  if (w.vfp) {
    t->GoTo(1);
    t->Put(6, Usual(7));
    t->Put(7, Usual(0.25));
    t->Put(8, Usual(12.3456));
    t->Put(9, Usual("2024-01-02 03:04:05"));
    t->GoTo(2);
    t->Put(6, Usual(-1));
    t->Put(7, Usual(-1.5));
    t->Put(8, Usual(-0.01));
    t->Put(9, Usual("1999-12-31 23:59:59"));
  }
  t->Close();

  std::vector<std::pair<std::string, std::string>> r1{{"NAME", "Müller"}, {"AMOUNT", "12.5"},        {"QTY", "-3"},
                                                      {"BORN", "2024-02-29"}, {"OK", "T"},
                                                      {"NOTE", Escape(LongMemo().substr(0, 700))}};
  std::vector<std::pair<std::string, std::string>> r2{{"NAME", "Größe ÄÖÜ ß"}, {"AMOUNT", "-0.25"}, {"QTY", "9999"},
                                                      {"BORN", "1999-12-31"},  {"OK", "F"},        {"NOTE", "kurz"}};
  if (w.vfp) {
    r1.insert(r1.end(), {{"CNT", "7"}, {"RATE", "0.25"}, {"MONEY", "12.3456"}, {"STAMP", "2024-01-02 03:04:05"}});
    r2.insert(r2.end(), {{"CNT", "-1"}, {"RATE", "-1.5"}, {"MONEY", "-0.01"}, {"STAMP", "1999-12-31 23:59:59"}});
  }
  std::vector<std::string> expect{Line(false, r1), Line(true, r2)};
  std::sort(expect.begin(), expect.end());
  return expect;
}

const Written kWritten[] = {
    {"DBFNTX, dBASE III memo, CP850", Family::Ntx, "CP850", false},
    {"DBFMDX, dBASE IV memo, CP1252", Family::Mdx, "CP1252", false},
    {"DBFCDX, FoxPro memo, CP1252", Family::Cdx, "CP1252", false},
    {"DBFCDX, Visual FoxPro types, CP850", Family::Cdx, "CP850", true},
};

TEST(DbfInterop, DbfreadReadsWhatWeWrite) {
  if (!PythonHas("dbfread")) GTEST_SKIP() << "python3-dbfread is not installed (apt-get install python3-dbfread)";
  TempDir dir;
  for (const Written& w : kWritten) {
    SCOPED_TRACE(w.what);
    const std::string path = dir / "w.dbf";
    const std::vector<std::string> expect = WriteSample(path, w);
    EXPECT_EQ(ReadWithPython("dbfread", path), expect);
  }
}

TEST(DbfInterop, PythonDbfReadsAndExtendsWhatWeWrite) {
  if (!PythonHas("dbf")) GTEST_SKIP() << "python3-dbf is not installed (apt-get install python3-dbf)";
  TempDir dir;
  for (const Written& w : kWritten) {
    if (w.family == Family::Mdx) continue;  // python3-dbf does not handle dBASE IV tables
    SCOPED_TRACE(w.what);
    const std::string path = dir / "w.dbf";
    const std::vector<std::string> expect = WriteSample(path, w);
    EXPECT_EQ(ReadWithPython("dbf", path), expect);

    // The other program appends a record; we read its change.
    ReadWithPython("dbf", path, "append");
    auto t = Table::Open(path);
    ASSERT_EQ(t->RecCount(), 3u);
    ASSERT_TRUE(t->GoTo(3));
    EXPECT_EQ(t->Get(0), Usual("Zusatz ä" + std::string(12, ' ')));
    EXPECT_EQ(t->Get(2), Usual(42));
    t->GoTo(1);
    EXPECT_EQ(t->Get(5), Usual(LongMemo().substr(0, 700)));
    EXPECT_TRUE(CheckTable(path).empty());
  }
}

}  // namespace
}  // namespace kt::dbf::test
