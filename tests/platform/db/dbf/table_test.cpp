// Tables: creating per family, appending, the deleted flag, pack and zap,
// crash ordering, and the end-of-file phantom record.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <clocale>

#include "dbf_test_util.h"
#include "platform/db/dbf/check.h"

namespace kt::dbf::test {
namespace {

std::uint8_t Byte(const std::string& s, std::size_t i) { return std::uint8_t(s[i]); }

TEST(DbfTable, CreateWritesTheFamilysLayout) {
  struct Case {
    Family family;
    Structure structure;
    std::uint8_t version;
    const char* memoExt;  // nullptr: no memo file
    std::uint16_t headerLen;
    std::uint8_t tableFlags;
  };
  const Structure plain{{"NAME", 'C', 20}, {"AMOUNT", 'N', 10, 2}, {"BORN", 'D', 8}, {"OK", 'L', 1}};
  Structure memo = plain;
  memo.push_back({"NOTE", 'M', 10});
  const Case cases[] = {
      {Family::Ntx, plain, 0x03, nullptr, 32 + 4 * 32 + 1, 0},
      {Family::Ntx, memo, 0x83, "dbt", 32 + 5 * 32 + 1, 0},
      {Family::Mdx, memo, 0x8B, "dbt", 32 + 5 * 32 + 1, 0},
      {Family::Cdx, plain, 0x03, nullptr, 32 + 4 * 32 + 1, 0},
      {Family::Cdx, memo, 0xF5, "fpt", 32 + 5 * 32 + 1, 0x02},
      {Family::Cdx, {{"N", 'I', 4}, {"NOTE", 'M', 4}}, 0x30, "fpt", 32 + 2 * 32 + 1 + 263, 0x02},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(FamilyName(c.family)) + " " + std::to_string(c.version));
    const std::string path = dir / "c.dbf";
    std::filesystem::remove(dir / "c.dbt");
    std::filesystem::remove(dir / "c.fpt");
    CreateOptions o;
    o.family = c.family;
    o.codePage = "CP850";
    Table::Create(path, c.structure, o)->Close();
    const std::string file = ReadFile(path);
    EXPECT_EQ(Byte(file, 0), c.version);
    const Date today = Date::Today();
    EXPECT_EQ(Byte(file, 1), today.Year() - 1900);
    EXPECT_EQ(Byte(file, 2), today.Month());
    EXPECT_EQ(Byte(file, 3), today.Day());
    EXPECT_EQ(Le32(reinterpret_cast<const std::uint8_t*>(file.data()) + 4), 0u);
    EXPECT_EQ(Le16(reinterpret_cast<const std::uint8_t*>(file.data()) + 8), c.headerLen);
    EXPECT_EQ(Byte(file, 28), c.tableFlags);
    EXPECT_EQ(Byte(file, 29), 0x02);  // CP850
    EXPECT_EQ(file.size(), c.headerLen + 1u);
    EXPECT_EQ(file.back(), '\x1A');
    EXPECT_EQ(std::filesystem::exists(dir / "c.dbt"), c.memoExt && std::string(c.memoExt) == "dbt");
    EXPECT_EQ(std::filesystem::exists(dir / "c.fpt"), c.memoExt && std::string(c.memoExt) == "fpt");

    auto t = Table::Open(path);
    // A plain 0x03 table does not tell its family; the caller names it.
    EXPECT_EQ(t->GetFamily(), c.version == 0x03 ? Family::Ntx : c.family);
    EXPECT_EQ(t->CodePageName(), "CP850");
    ASSERT_EQ(t->FieldCount(), c.structure.size());
    for (std::size_t i = 0; i < c.structure.size(); ++i) {
      EXPECT_EQ(t->FieldAt(i).name, c.structure[i].name);
      EXPECT_EQ(t->FieldAt(i).type, c.structure[i].type);
      EXPECT_EQ(t->FieldAt(i).length, c.structure[i].length);
      EXPECT_EQ(t->FieldAt(i).decimals, c.structure[i].decimals);
    }
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->RecNo(), 1u);
  }
}

// The memo file takes the case of the table's extension, judged by ASCII
// letters alone: under a single-byte locale the lead byte of "ä" would pass
// for a capital.
TEST(DbfTable, MemoNameFollowsTheExtensionsCaseInAnyLocale) {
  const std::string saved = std::setlocale(LC_CTYPE, nullptr);
  struct Case {
    const char* table;
    const char* memo;
  } cases[] = {{"a.dbf", "a.dbt"}, {"b.DBF", "b.DBT"}, {"c.äbf", "c.dbt"}, {"d.Äbf", "d.dbt"}};
  int locales = 0;
  for (const char* locale : {"C", "de_DE.ISO-8859-1"}) {
    if (!std::setlocale(LC_CTYPE, locale)) continue;
    ++locales;
    SCOPED_TRACE(locale);
    TempDir dir;
    for (const Case& c : cases) {
      CreateOptions o;
      o.family = Family::Ntx;
      Table::Create(dir / c.table, {{"NOTE", 'M', 10}}, o)->Close();
      EXPECT_TRUE(std::filesystem::exists(dir / c.memo)) << c.table;
    }
  }
  std::setlocale(LC_CTYPE, saved.c_str());
  if (locales < 2) GTEST_SKIP() << "no de_DE.ISO-8859-1 locale (scripts/install-deps.sh)";
}

TEST(DbfTable, InvalidStructuresAreRefused) {
  struct Case {
    const char* what;
    Family family;
    Structure s;
  };
  const Case cases[] = {
      {"no fields", Family::Ntx, {}},
      {"empty name", Family::Ntx, {{"", 'C', 5}}},
      {"name too long", Family::Ntx, {{"ABCDEFGHIJK", 'C', 5}}},
      {"name with blank", Family::Ntx, {{"A B", 'C', 5}}},
      {"name starting with a digit", Family::Ntx, {{"1A", 'C', 5}}},
      {"duplicate name", Family::Ntx, {{"A", 'C', 5}, {"a", 'N', 5}}},
      {"character too long", Family::Ntx, {{"A", 'C', 255}}},
      {"character zero", Family::Ntx, {{"A", 'C', 0}}},
      {"numeric too wide", Family::Ntx, {{"A", 'N', 21}}},
      {"decimals without room", Family::Ntx, {{"A", 'N', 3, 2}}},
      {"float in NTX", Family::Ntx, {{"A", 'F', 5}}},
      {"integer outside FoxPro", Family::Mdx, {{"A", 'I', 4}}},
      {"picture outside FoxPro", Family::Ntx, {{"A", 'P', 10}}},
      {"unknown type", Family::Cdx, {{"A", 'V', 10}}},
      {"binary numeric", Family::Cdx, {{"A", 'N', 5, 0, fieldflag::kBinary}}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CreateOptions o;
    o.family = c.family;
    ExpectError([&] { Table::Create(dir / "x.dbf", c.s, o); }, gen::Arg);
  }
  CreateOptions o;
  o.codePage = "CP895";
  ExpectError([&] { Table::Create(dir / "x.dbf", {{"A", 'C', 1}}, o); }, gen::Arg);
}

TEST(DbfTable, AppendKeepsCountAndEndMarkerRight) {
  TempDir dir;
  const std::string path = dir / "a.dbf";
  auto t = Table::Create(path, {{"NAME", 'C', 3}, {"N", 'N', 3}, {"D", 'D', 8}, {"L", 'L', 1}});
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(t->Append(), std::uint32_t(i));
    EXPECT_EQ(t->Get(0), Usual("   "));  // blank record
    EXPECT_EQ(t->Get(2), Usual(Date()));
    t->Put(0, Usual(std::string(1, char('a' + i - 1))));
    t->Put(1, Usual(i));
  }
  t->Flush();
  const std::string file = ReadFile(path);
  EXPECT_EQ(Le32(reinterpret_cast<const std::uint8_t*>(file.data()) + 4), 3u);
  EXPECT_EQ(file.size(), t->HeaderLength() + 3u * t->RecordLength() + 1);
  EXPECT_EQ(file.back(), '\x1A');
  EXPECT_EQ(file.substr(t->HeaderLength() + 2u * t->RecordLength(), 7), " c    3");
  t->Close();
  EXPECT_TRUE(CheckTable(path).empty());
}

TEST(DbfTable, InterruptedAppendLeavesAReadableTable) {
  TempDir dir;
  const std::string path = dir / "crash.dbf";
  {
    auto t = Table::Create(path, {{"NAME", 'C', 5}});
    t->Append();
    t->Put(0, Usual("one"));
    t->Close();
  }
  // The append wrote its record and end byte, then the program died before
  // the header counted it.
  std::string file = ReadFile(path);
  file.pop_back();
  file += " lost\x1A";
  WriteFile(path, file);
  EXPECT_TRUE(CheckTable(path).empty());
  auto t = Table::Open(path, Exclusive());
  EXPECT_EQ(t->RecCount(), 1u);
  EXPECT_FALSE(t->GoTo(2));
  EXPECT_EQ(t->Append(), 2u);  // takes the uncounted slot
  EXPECT_EQ(t->Get(0), Usual("     "));
}

TEST(DbfTable, DeletePackAndZap) {
  TempDir dir;
  const std::string path = dir / "p.dbf";
  CreateOptions o;
  o.family = Family::Cdx;
  auto t = Table::Create(path, {{"N", 'N', 6}, {"NOTE", 'M', 10}}, o);
  // 12000 records cross the pack's chunk boundaries; every third deleted.
  for (int i = 1; i <= 12000; ++i) {
    t->Append();
    t->Put(0, Usual(i));
    if (i % 3 == 0) t->Delete();
    if (i == 4) t->Put(1, Usual("memo of four"));
  }
  t->GoTo(3);
  EXPECT_TRUE(t->Deleted());
  t->Recall();
  t->GoTo(3);
  EXPECT_FALSE(t->Deleted());
  t->Delete();
  std::vector<std::uint32_t> seen;
  t->Pack([&](std::uint32_t done, std::uint32_t total) {
    EXPECT_EQ(total, 12000u);
    seen.push_back(done);
  });
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), 12000u);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(t->RecCount(), 8000u);
  EXPECT_EQ(t->RecNo(), 1u);
  for (std::uint32_t r = 1; r <= 8000; ++r) {
    ASSERT_TRUE(t->GoTo(r));
    const std::int64_t n = t->Get(0).AsInteger();
    ASSERT_EQ(n, (r - 1) / 2 * 3 + (r - 1) % 2 + 1);
    ASSERT_FALSE(t->Deleted());
  }
  t->GoTo(3);
  EXPECT_EQ(t->Get(1), Usual("memo of four"));
  EXPECT_EQ(ReadFile(path).size(), t->HeaderLength() + 8000u * t->RecordLength() + 1);

  t->Zap();
  EXPECT_EQ(t->RecCount(), 0u);
  EXPECT_TRUE(t->Eof());
  t->Close();
  EXPECT_EQ(ReadFile(path).size(), 32u + 64 + 1 + 1);
  EXPECT_EQ(ReadFile(dir / "p.fpt").size(), 512u);
  EXPECT_TRUE(CheckTable(path).empty());
}

TEST(DbfTable, ModesRefuseWhatTheyDoNotAllow) {
  TempDir dir;
  const std::string path = dir / "m.dbf";
  Table::Create(path, {{"NAME", 'C', 5}})->Append();
  const std::string before = ReadFile(path);
  {
    OpenOptions ro;
    ro.readOnly = true;
    auto t = Table::Open(path, ro);
    ASSERT_TRUE(t->GoTo(1));
    ExpectError([&] { t->Put(0, Usual("x")); }, gen::ReadOnly);
    ExpectError([&] { t->Delete(); }, gen::ReadOnly);
    ExpectError([&] { t->Append(); }, gen::ReadOnly);
    ExpectError([&] { t->Zap(); }, gen::ReadOnly);
  }
  {
    auto t = Table::Open(path);  // shared
    ExpectError([&] { t->Pack(); }, gen::Shared);
    ExpectError([&] { t->Zap(); }, gen::Shared);
    ASSERT_TRUE(t->GoTo(1));
    ExpectError([&] { t->Put(0, Usual("x")); }, gen::Unlocked);
    EXPECT_FALSE(t->GoTo(0));
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->RecNo(), 2u);
    EXPECT_EQ(t->Get(0), Usual("     "));
    ExpectError([&] { t->Put(0, Usual("x")); }, gen::Write);
  }
  EXPECT_EQ(ReadFile(path), before);
}

TEST(DbfTable, ThingsThatAreNotTablesAreRefusedWithoutHanging) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo.dbf").c_str(), 0644), 0);
  std::filesystem::create_directory(dir / "folder.dbf");
  for (const char* name : {"fifo.dbf", "folder.dbf", "missing.dbf"}) {
    SCOPED_TRACE(name);
    ErrorRef e = ExpectError([&] { Table::Open(dir / name); }, gen::Open);
    EXPECT_NE(e->OsCode, 0);
    EXPECT_EQ(e->SubSystem, "DBF");
  }
  ExpectError([&] { Table::Create(dir / "fifo.dbf", {{"A", 'C', 1}}); }, gen::Create);
}

TEST(DbfTable, ReadAheadFollowsOwnWrites) {
  TempDir dir;
  const std::string path = dir / "w.dbf";
  auto t = Table::Create(path, {{"NAME", 'C', 99}});
  for (int i = 0; i < 3000; ++i) t->Append();  // 300 KB: several read-ahead windows
  t->GoTo(1);
  t->GoTo(1500);
  t->Put(0, Usual("changed"));
  t->GoTo(1);  // writes 1500 back, reads another window
  t->GoTo(1499);
  t->GoTo(1500);
  EXPECT_EQ(t->Get(0).AsStringView().substr(0, 7), "changed");
  t->GoTo(2999);
  t->Put(0, Usual("near end"));
  t->Append();
  t->GoTo(2999);
  EXPECT_EQ(t->Get(0).AsStringView().substr(0, 8), "near end");
  EXPECT_EQ(t->RecCount(), 3001u);
}

}  // namespace
}  // namespace kt::dbf::test
