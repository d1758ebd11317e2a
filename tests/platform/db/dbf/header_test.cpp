// Table headers: version bytes, damaged headers refused with a clear error,
// and the irregularities other programs leave that must still open.
#include <gtest/gtest.h>

#include "dbf_test_util.h"
#include "platform/db/dbf/check.h"
#include "platform/db/dbf/header.h"

namespace kt::dbf::test {
namespace {

TEST(DbfHeader, VersionByteDecidesFamilyAndMemo) {
  struct Case {
    std::uint8_t version;
    bool supported;
    Family family;
    MemoKind memo;
    bool vfp;
  };
  const Case cases[] = {
      {0x03, true, Family::Ntx, MemoKind::None, false}, {0x07, true, Family::Ntx, MemoKind::None, false},
      {0x83, true, Family::Ntx, MemoKind::Dbt3, false}, {0x87, true, Family::Ntx, MemoKind::Dbt3, false},
      {0x8B, true, Family::Mdx, MemoKind::Dbt4, false}, {0xF5, true, Family::Cdx, MemoKind::Fpt, false},
      {0x30, true, Family::Cdx, MemoKind::Fpt, true},   {0x31, true, Family::Cdx, MemoKind::Fpt, true},
      {0x32, true, Family::Cdx, MemoKind::Fpt, true},   {0x04, false, Family::Ntx, MemoKind::None, false},
      {0x8C, false, Family::Ntx, MemoKind::None, false}, {0x02, false, Family::Ntx, MemoKind::None, false},
      {0xFB, false, Family::Ntx, MemoKind::None, false}, {0x00, false, Family::Ntx, MemoKind::None, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.version));
    const VersionInfo i = DescribeVersion(c.version);
    EXPECT_EQ(i.supported, c.supported);
    if (!c.supported) continue;
    EXPECT_EQ(i.family, c.family);
    EXPECT_EQ(i.memo, c.memo);
    EXPECT_EQ(i.vfp, c.vfp);
  }
}

std::string Record(const std::string& name, const std::string& num) { return " " + name + num; }

TEST(DbfHeader, DamagedTablesGiveClearErrors) {
  TempDir dir;
  const std::vector<RawField> fields{{"NAME", 'C', 5}, {"NUM", 'N', 3}};
  const std::string good = RawTable(0x03, fields, {Record("Alpha", "  1"), Record("Beta ", "  2")});
  auto patch = [&](std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    std::string s = good;
    for (std::uint8_t b : bytes) s[at++] = char(b);
    return s;
  };
  struct Case {
    const char* what;
    std::string bytes;
    int gen;
    const char* message;
  };
  const Case cases[] = {
      {"empty file", "", gen::Corruption, "too short"},
      {"truncated in the fixed header", good.substr(0, 20), gen::Corruption, "too short"},
      {"truncated in the records", good.substr(0, good.size() - 8), gen::Corruption, "record count 2"},
      {"header length beyond the file", patch(8, {0xFF, 0x7F}), gen::Corruption, "header length 32767"},
      {"header length too small", patch(8, {0x20, 0x00}), gen::Corruption, "too small"},
      {"record count beyond the file", patch(4, {0xFF, 0xFF, 0xFF, 0x0F}), gen::Corruption, "record count 268435455"},
      {"record length not matching fields", patch(10, {0x0A, 0x00}), gen::Corruption, "does not match the fields"},
      {"record length zero", patch(10, {0x00, 0x00}), gen::Corruption, "too small"},
      {"descriptor overruns the header", patch(8, {0x50, 0x00}), gen::Corruption, "overruns the header"},
      {"field of length zero", patch(32 + 16, {0x00}), gen::Corruption, "length 0"},
      {"no fields", patch(32, {0x0D}), gen::Corruption, "no fields"},
      {"dBASE 7", patch(0, {0x04}), gen::Unsupported, "dBASE 7"},
      {"garbage version", patch(0, {0x41}), gen::Corruption, "not a DBF table"},
      {"encrypted", patch(15, {0x01}), gen::Unsupported, "encrypted"},
      {"code page glibc lacks", patch(29, {0x68}), gen::Unsupported, "895"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir / "bad.dbf";
    WriteFile(path, c.bytes);
    const std::string before = ReadFile(path);
    ErrorRef e = ExpectError([&] { Table::Open(path); }, c.gen);
    EXPECT_EQ(e->FileName, path);
    EXPECT_NE(e->Description.find(path), std::string::npos) << e->Description;
    EXPECT_NE(e->Description.find(c.message), std::string::npos) << e->Description;
    EXPECT_EQ(ReadFile(path), before);  // a refused file is never touched
  }
}

TEST(DbfHeader, IrregularitiesOtherProgramsLeaveStillOpen) {
  TempDir dir;
  const std::vector<RawField> fields{{"NAME", 'C', 5}, {"NUM", 'N', 3}};
  const std::string good = RawTable(0x03, fields, {Record("Alpha", "  1"), Record("Beta ", "  2")});
  const std::size_t headerLen = 32 + 64 + 1;

  // Padding between the terminator and the first record, covered by the
  // header length.
  std::string padded = good;
  padded.insert(headerLen, std::string(7, '\0'));
  padded[8] = char(headerLen + 7);
  // No end-of-file byte.
  std::string noEof = good.substr(0, good.size() - 1);
  // A 0x1A where the count says a record continues, and a count smaller
  // than what the file holds: the count rules.
  std::string eofInside = good;
  eofInside.insert(headerLen + 9, "\x1A");
  eofInside.erase(headerLen + 9 + 1, 1);
  std::string shortCount = good;
  shortCount.insert(good.size() - 1, Record("Gamma", "  3"));
  // Descriptor list ended by 0x00 instead of 0x0D.
  std::string zeroEnd = good;
  zeroEnd[32 + 64] = '\0';

  struct Case {
    const char* what;
    std::string bytes;
    std::uint32_t count;
  };
  const Case cases[] = {{"padded header", padded, 2},
                        {"missing 0x1A", noEof, 2},
                        {"0x1A inside the data", eofInside, 2},
                        {"count below the records held", shortCount, 2},
                        {"0x00 ends the descriptors", zeroEnd, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir / "ok.dbf";
    WriteFile(path, c.bytes);
    auto t = Table::Open(path);
    ASSERT_EQ(t->RecCount(), c.count);
    ASSERT_EQ(t->FieldCount(), 2u);
    ASSERT_TRUE(t->GoTo(2));
    EXPECT_EQ(t->Get(0), Usual("Beta "));
    EXPECT_EQ(t->Get(1).AsInteger(), 2);
    EXPECT_FALSE(t->GoTo(3));
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->RecNo(), 3u);
  }
}

TEST(DbfHeader, LongCharacterFieldsKeepTheirHighByteInTheDecimals) {
  TempDir dir;
  const std::string path = dir / "long.dbf";
  // 300 = 0x012C: length byte 0x2C, decimals byte 0x01, as Clipper writes it.
  const std::string value = std::string(299, 'x') + "y";
  WriteFile(path, RawTable(0x03, {{"TEXT", 'C', 0x2C, 0x01}, {"N", 'N', 2}}, {" " + value + "42"}));
  auto t = Table::Open(path);
  ASSERT_EQ(t->FieldAt(0).length, 300);
  ASSERT_TRUE(t->GoTo(1));
  EXPECT_EQ(t->Get(0), Usual(value));
  EXPECT_EQ(t->Get(1), Usual(42));
}

TEST(DbfHeader, UnknownFieldTypeIsKeptButNotGuessed) {
  TempDir dir;
  const std::string path = dir / "v.dbf";
  WriteFile(path, RawTable(0x03, {{"NAME", 'C', 3}, {"ODD", 'V', 4}}, {" abcWXYZ"}));
  auto t = Table::Open(path, Exclusive());
  ASSERT_TRUE(t->GoTo(1));
  EXPECT_EQ(t->Get(0), Usual("abc"));
  ErrorRef e = ExpectError([&] { t->Get(1); }, gen::Unsupported);
  EXPECT_NE(e->Description.find("ODD"), std::string::npos);
  ExpectError([&] { t->Append(); }, gen::Unsupported);
  // Other fields stay writable and the unknown bytes survive.
  t->Put(0, Usual("xyz"));
  t->Close();
  EXPECT_NE(ReadFile(path).find(" xyzWXYZ"), std::string::npos);
  const auto problems = CheckTable(path);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("type 'V'"), std::string::npos);
}

}  // namespace
}  // namespace kt::dbf::test
