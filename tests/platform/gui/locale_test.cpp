// A QApplication sets the process locale from the environment. On a German
// desktop the C library writes and reads numbers with a decimal comma; none
// of that may reach expressions, shown numbers, stored fields or index keys.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <clocale>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/db/dbf/field_codec.h"
#include "platform/db/ntx/ntx_key.h"
#include "platform/runtime/compiler/macro.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/runtime.h"

namespace kt {
namespace {

class GermanLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    saved_ = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "locale de_DE.UTF-8 missing (scripts/install-deps.sh)";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    Runtime::SetErrorBlock([this](const ErrorRef& e) {
      errors.push_back(e);
      return Usual();
    });
  }
  void TearDown() override { std::setlocale(LC_ALL, saved_.c_str()); }

  Usual Eval(const std::string& text) { return CompileCodeblock("{|| " + text + "}").Eval(); }

  ScopedRuntime rt;
  std::vector<ErrorRef> errors;

 private:
  std::string saved_;
};

TEST_F(GermanLocale, NumbersBecomeTextWithAPoint) {
  rt->decimals = 2;
  struct Case {
    std::string got, expected;
  } cases[] = {
      {Str(12.5, 6, 2), " 12.50"},
      {Str(Usual(-1234.5)), "     -1234.50"},
      {NTrim(Usual(1.5)), "1.50"},
      {AsString(Usual(0.25)), "0.25"},
      {AsString(Eval("Str(2.5 * 3, 5, 1)")), "  7.5"},
      {AsString(Eval("Transform(1234.5, '9,999.99')")), "1,234.50"},
      {AsString(Eval("Transform(-0.5, '@B 99.9')")), "-0.5"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
  EXPECT_TRUE(errors.empty());
}

TEST_F(GermanLocale, TextBecomesNumbers) {
  for (const char* text : {"-3,25", "-3.25", "  -3.25xyz"}) {
    const Usual v = Val(text);
    EXPECT_DOUBLE_EQ(v.AsFloat(), -3.25) << text;
    EXPECT_EQ(v.Decimals(), 2) << text;
  }
  EXPECT_EQ(Val("123456789012345678901"), Usual(1.23456789012345678901e20));
  EXPECT_EQ(Eval("Val('0.5') + 1.25"), Usual(1.75));
}

TEST_F(GermanLocale, MessagesAndStoredNumbers) {
  Eval("10.5 ** 400");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0]->Description, "Result of 10.5 ** 400 is not a finite number");

  // Field bytes and their errors.
  dbf::Field amount;
  amount.name = "AMOUNT";
  amount.type = 'N';
  amount.length = 8;
  amount.decimals = 2;
  amount.offset = 1;
  std::vector<std::uint8_t> rec(9, ' ');
  const dbf::CodePage cp("CP850");
  dbf::EncodeField(amount, Usual(1234.5), rec.data(), cp, {});
  EXPECT_EQ(std::string(rec.begin() + 1, rec.end()), " 1234.50");
  EXPECT_EQ(dbf::DecodeField(amount, rec.data(), cp), Usual(1234.5));
  try {
    dbf::EncodeField(amount, Usual(123456789.5), rec.data(), cp, {});
    ADD_FAILURE() << "a number too wide for the field was stored";
  } catch (const RuntimeError& e) {
    EXPECT_NE(e.error()->Description.find("123456789.5"), std::string::npos) << e.error()->Description;
  }

  // Index keys read back.
  double d = 0;
  ASSERT_TRUE(ntx::DecodeNumber(ntx::EncodeNumber(12.5, 10, 2), d));
  EXPECT_DOUBLE_EQ(d, 12.5);
  ASSERT_TRUE(ntx::DecodeNumber(ntx::EncodeNumber(-7.25, 10, 2), d));
  EXPECT_DOUBLE_EQ(d, -7.25);
}

}  // namespace
}  // namespace kt
