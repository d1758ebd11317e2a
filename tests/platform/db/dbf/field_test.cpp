// Field values: what each type stores and reads back, and the checks that
// keep wrong values out of the record.
#include <gtest/gtest.h>

#include <cstring>

#include "dbf_test_util.h"
#include "platform/db/dbf/codepage.h"
#include "platform/db/dbf/field_codec.h"

namespace kt::dbf::test {
namespace {

std::string FieldBytes(const Table& t, std::size_t i) {
  const Field& f = t.FieldAt(i);
  return std::string(reinterpret_cast<const char*>(t.Record().data()) + f.offset, f.length);
}

struct RoundTrip {
  const char* what;
  std::size_t field;
  Usual in;
  std::string bytes;  // as stored
  Usual out;          // as read back
};

void RunRoundTrips(Table& t, const std::vector<RoundTrip>& cases) {
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.what);
    t.Put(c.field, c.in);
    EXPECT_EQ(FieldBytes(t, c.field), c.bytes);
    const Usual back = t.Get(c.field);
    EXPECT_EQ(back, c.out);
    EXPECT_EQ(back.Type(), c.out.Type());
    if (c.out.IsFloat()) {
      EXPECT_EQ(back.Digits(), c.out.Digits());
      EXPECT_EQ(back.Decimals(), c.out.Decimals());
    }
  }
}

TEST(DbfField, ClassicTypesRoundTrip) {
  TempDir dir;
  auto t = Table::Create(dir / "t.dbf", {{"NAME", 'C', 8}, {"PRICE", 'N', 8, 2}, {"QTY", 'N', 5}, {"WHEN", 'D', 8},
                                         {"OK", 'L', 1}, {"BIG", 'N', 20}});
  t->Append();
  const std::vector<RoundTrip> cases = {
      {"short text is padded", 0, Usual("ab"), "ab      ", Usual("ab      ")},
      {"umlaut takes one byte in CP1252", 0, Usual("Müller"), "M\xFCller  ", Usual("Müller  ")},
      {"long text is cut", 0, Usual("abcdefghijk"), "abcdefgh", Usual("abcdefgh")},
      {"empty text", 0, Usual(""), "        ", Usual("        ")},
      {"decimals", 1, Usual(12.5), "   12.50", Usual::Float(12.5, 8, 2)},
      {"rounding half away from zero", 1, Usual(2.675), "    2.68", Usual::Float(2.68, 8, 2)},
      {"negative rounding", 1, Usual(-2.675), "   -2.68", Usual::Float(-2.68, 8, 2)},
      {"integer into decimals", 1, Usual(7), "    7.00", Usual::Float(7, 8, 2)},
      {"negative zero shows no sign", 1, Usual(-0.001), "    0.00", Usual::Float(0, 8, 2)},
      {"widest value", 1, Usual(99999.99), "99999.99", Usual::Float(99999.99, 8, 2)},
      {"integer", 2, Usual(-1234), "-1234", Usual(-1234)},
      {"float into integer field rounds", 2, Usual(41.5), "   42", Usual(42)},
      {"20 digits", 5, Usual(std::int64_t(-999999999999999999)), " -999999999999999999",
       Usual(std::int64_t(-999999999999999999))},
      {"date", 3, Usual(Date::FromYMD(2024, 2, 29)), "20240229", Usual(Date::FromYMD(2024, 2, 29))},
      {"empty date", 3, Usual(Date()), "        ", Usual(Date())},
      {"true", 4, Usual(true), "T", Usual(true)},
      {"false", 4, Usual(false), "F", Usual(false)},
  };
  RunRoundTrips(*t, cases);
}

TEST(DbfField, BlankAndForeignBytesRead) {
  TempDir dir;
  const std::string path = dir / "t.dbf";
  // What other writers leave: blanks, '?', NULs, lower-case logicals,
  // numbers without leading blanks or with decimals the field does not
  // declare, and stars from an overflow.
  const std::vector<std::string> recs = {" " + std::string(8, ' ') + std::string(5, ' ') + "        " + " ",
                                         " " + std::string(8, '\0') + "12   " + "2024011" + "?" + "?",
                                         " " + std::string("  -.5   ") + "3.25 " + "19991231" + "y",
                                         " " + std::string("********") + "  abc" + "        " + "n"};
  WriteFile(path, RawTable(0x03, {{"PRICE", 'N', 8, 2}, {"QTY", 'N', 5}, {"WHEN", 'D', 8}, {"OK", 'L', 1}}, recs));
  auto t = Table::Open(path);
  struct Expect {
    Usual price, qty, when, ok;
  };
  const Expect want[] = {
      {Usual::Float(0, 8, 2), Usual(0), Usual(Date()), Usual(false)},
      {Usual::Float(0, 8, 2), Usual(12), Usual(Date()), Usual(false)},
      {Usual::Float(-0.5, 8, 2), Usual::Float(3.25, 5, 2), Usual(Date::FromYMD(1999, 12, 31)), Usual(true)},
      {Usual::Float(0, 8, 2), Usual(0), Usual(Date()), Usual(false)},
  };
  for (std::uint32_t r = 1; r <= 4; ++r) {
    SCOPED_TRACE(r);
    ASSERT_TRUE(t->GoTo(r));
    const Expect& e = want[r - 1];
    EXPECT_EQ(t->Get(0), e.price);
    EXPECT_EQ(t->Get(0).Decimals(), 2);
    EXPECT_EQ(t->Get(1), e.qty);
    EXPECT_EQ(t->Get(2), e.when);
    EXPECT_EQ(t->Get(3), e.ok);
  }
}

TEST(DbfField, RejectedValuesLeaveTheRecordUntouched) {
  TempDir dir;
  auto t = Table::Create(dir / "t.dbf", {{"NAME", 'C', 4}, {"PRICE", 'N', 6, 2}, {"WHEN", 'D', 8}, {"OK", 'L', 1}});
  t->Append();
  t->Put(0, Usual("keep"));
  t->Put(1, Usual(1.5));
  const std::vector<std::uint8_t> before(t->Record().begin(), t->Record().end());
  struct Case {
    const char* what;
    std::size_t field;
    Usual value;
    int gen;
  };
  const Case cases[] = {
      {"number into text", 0, Usual(1), gen::DataType},
      {"NIL into text", 0, Usual(), gen::DataType},
      {"text into number", 1, Usual("12"), gen::DataType},
      {"too wide", 1, Usual(1000.0), gen::DataWidth},
      {"too wide negative", 1, Usual(-100.0), gen::DataWidth},
      {"too wide integer", 1, Usual(123456), gen::DataWidth},
      {"not a number", 1, Usual(std::numeric_limits<double>::quiet_NaN()), gen::DataWidth},
      {"infinite", 1, Usual(std::numeric_limits<double>::infinity()), gen::DataWidth},
      {"text into date", 2, Usual("20240101"), gen::DataType},
      {"number into logic", 3, Usual(1), gen::DataType},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ErrorRef e = ExpectError([&] { t->Put(c.field, c.value); }, c.gen);
    EXPECT_NE(e->Description.find(t->FieldAt(c.field).name), std::string::npos) << e->Description;
    EXPECT_EQ(std::vector<std::uint8_t>(t->Record().begin(), t->Record().end()), before);
  }
  ExpectError([&] { t->Get(9); }, gen::Bound);
}

TEST(DbfField, FoxProBinaryTypesRoundTrip) {
  TempDir dir;
  CreateOptions o;
  o.family = Family::Cdx;
  auto t = Table::Create(dir / "t.dbf",
                         {{"COUNT", 'I', 4}, {"RATE", 'B', 8, 3}, {"MONEY", 'Y', 8}, {"STAMP", 'T', 8},
                          {"NOTE", 'C', 5, 0, fieldflag::kNullable}},
                         o);
  EXPECT_EQ(t->Version(), 0x30);
  t->Append();
  const std::vector<RoundTrip> cases = {
      {"integer", 0, Usual(-7), std::string("\xF9\xFF\xFF\xFF", 4), Usual(-7)},
      {"double", 1, Usual(0.5), std::string("\0\0\0\0\0\0\xE0\x3F", 8), Usual::Float(0.5, 20, 3)},
      {"currency", 2, Usual(12.3456), std::string("\x40\xE2\x01\0\0\0\0\0", 8), Usual::Float(12.3456, 20, 4)},
      {"date time", 3, Usual("2024-01-02 03:04:05"),
       std::string("\x98\x8A\x25\x00\x88\x88\xA8\x00", 8), Usual("2024-01-02 03:04:05")},
      {"date into date time", 3, Usual(Date::FromYMD(1970, 1, 1)), std::string("\x8C\x3D\x25\x00\0\0\0\0", 8),
       Usual("1970-01-01 00:00:00")},
      {"empty date time", 3, Usual(""), std::string(8, '\0'), Usual("")},
  };
  RunRoundTrips(*t, cases);
  ExpectError([&] { t->Put(0, Usual(std::int64_t(1) << 40)); }, gen::DataWidth);
  ExpectError([&] { t->Put(3, Usual("yesterday")); }, gen::DataType);

  // Nullable field: NIL sets the null bit and reads back as NIL.
  t->Put(4, Usual());
  EXPECT_TRUE(t->IsNull(4));
  EXPECT_TRUE(t->Get(4).IsNil());
  t->Put(4, Usual("x"));
  EXPECT_FALSE(t->IsNull(4));
  EXPECT_EQ(t->Get(4), Usual("x    "));
  ExpectError([&] { t->Put(0, Usual()); }, gen::DataType);  // not nullable
}

TEST(DbfField, NumberFormattingMatchesFieldWidth) {
  struct Case {
    double v;
    int width, decimals;
    const char* text;  // nullptr: does not fit
  };
  const Case cases[] = {
      {0.5, 3, 1, "0.5"}, {0.5, 2, 1, ".5"}, {-0.5, 3, 1, "-.5"}, {9.995, 5, 2, "10.00"}, {9.995, 4, 2, nullptr},
      {1e300, 20, 0, nullptr}, {123456789012345678.0, 20, 0, "  123456789012345680"}, {1e-300, 6, 2, "  0.00"},
      {0.125, 6, 2, "  0.13"}, {-999.5, 5, 0, "-1000"}, {-999.5, 4, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.v);
    std::string out;
    const bool fits = FormatNumber(c.v, c.width, c.decimals, out);
    EXPECT_EQ(fits, c.text != nullptr);
    if (c.text) {
      EXPECT_EQ(out, c.text);
    }
  }
}

TEST(DbfField, TextIsCutAtCharacterBoundariesOfTheTableEncoding) {
  // Shift-JIS: two bytes per kanji; a 5-byte field holds two of them, never
  // one and a half.
  CodePage sjis("932");
  bool cut = false;
  const std::string kanji = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // 日本語
  EXPECT_EQ(sjis.FromUtf8(kanji, 5, &cut).size(), 4u);
  EXPECT_TRUE(cut);
  EXPECT_EQ(sjis.ToUtf8(sjis.FromUtf8(kanji, 5)), "\xE6\x97\xA5\xE6\x9C\xAC");

  TempDir dir;
  CreateOptions o;
  o.codePage = "CP932";
  auto t = Table::Create(dir / "j.dbf", {{"NAME", 'C', 5}}, o);
  t->Append();
  t->Put(0, Usual(kanji));
  EXPECT_EQ(t->Get(0), Usual("\xE6\x97\xA5\xE6\x9C\xAC "));
}

TEST(DbfField, CodePageConversion) {
  struct Case {
    const char* page;
    std::string utf8;
    std::string bytes;
  };
  const Case cases[] = {
      {"CP850", "Grüße ÄÖÜ", "Gr\x81\xE1" "e \x8E\x99\x9A"},
      {"CP1252", "Grüße €", "Gr\xFC\xDF" "e \x80"},
      {"CP437", "ñ", "\xA4"},
      {"CP1252", "日", "?"},            // not representable: '?'
      {"CP850", "\xFF\xFE", "??"},      // malformed UTF-8: '?' per byte
      {"CP1252", "\xC2\x81", "\x81"},  // bytes the page leaves undefined survive a round trip
      {"CP1253", "\xEF\x9E\xAA", "\xAA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page + std::string(" ") + c.utf8);
    CodePage cp(c.page);
    EXPECT_EQ(cp.FromUtf8(c.utf8), c.bytes);
    if (c.bytes.find('?') == std::string::npos) {
      EXPECT_EQ(cp.ToUtf8(c.bytes), c.utf8);
    }
  }
  EXPECT_THROW(CodePage("CP895"), std::invalid_argument);
  EXPECT_EQ(LdidForCodePage("cp850"), 0x02);
  EXPECT_EQ(LdidForCodePage("1252"), 0x03);
  EXPECT_EQ(std::string(CodePageForLdid(0x57).iconv), "CP1252");
  EXPECT_EQ(CodePageForLdid(0x65).number, 866);
  EXPECT_EQ(CodePageForLdid(0x66).number, 865);
  EXPECT_EQ(CodePageForLdid(0x00).number, 0);
}

}  // namespace
}  // namespace kt::dbf::test
