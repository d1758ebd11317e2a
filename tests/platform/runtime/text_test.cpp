#include <gtest/gtest.h>

#include "platform/runtime/text.h"

namespace kt::text {
namespace {

TEST(Text, CountsCharactersNotBytes) {
  EXPECT_EQ(Length("Müller"), 6u);
  EXPECT_EQ(Sub("Müller", 1, 3), "üll");
  EXPECT_EQ(Left("Müller", 2), "Mü");
  EXPECT_EQ(Right("Müller", 5), "üller");
  EXPECT_EQ(At("ll", "Müller"), 3u);
  EXPECT_EQ(At("", "abc"), 0u);
  EXPECT_EQ(PadRight("Mü", 4, U'.'), "Mü..");
  EXPECT_EQ(PadLeft("Mü", 4), "  Mü");
  EXPECT_EQ(PadCenter("ab", 5, U'*'), "*ab**");
  EXPECT_EQ(PadRight("Müller", 2), "Mü");
}

TEST(Text, CaseOfLatinLetters) {
  EXPECT_EQ(Upper("müller straße"), "MÜLLER STRAßE");
  EXPECT_EQ(Lower("ÄÖÜ Abc"), "äöü abc");
}

TEST(Text, MalformedBytesNeverFail) {
  const std::string bad = "a\xC3\xFF\xE2\x82";
  EXPECT_EQ(Length(bad), 5u);
  EXPECT_EQ(Upper(bad), "A\xC3\xFF\xE2\x82");  // malformed bytes pass through unchanged
}

TEST(Text, TrimAndReplace) {
  EXPECT_EQ(TrimRight("ab  "), "ab");
  EXPECT_EQ(TrimLeft(" \tab"), "ab");
  EXPECT_EQ(Trim("  ab  "), "ab");
  EXPECT_EQ(Replace("a-b-c", "-", "+"), "a+b+c");
  EXPECT_EQ(Replace("abc", "", "x"), "abc");
  EXPECT_EQ(Repeat("ab", 3), "ababab");
}

}  // namespace
}  // namespace kt::text
