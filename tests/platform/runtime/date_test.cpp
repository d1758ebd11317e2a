#include <gtest/gtest.h>

#include "platform/runtime/date.h"

namespace kt {
namespace {

TEST(Date, JulianRoundTripAndCalendarRules) {
  const Date d = Date::FromYMD(2000, 2, 29);
  EXPECT_EQ(d.Year(), 2000);
  EXPECT_EQ(d.Month(), 2);
  EXPECT_EQ(d.Day(), 29);
  EXPECT_EQ(Date::FromYMD(2000, 3, 1).Julian() - d.Julian(), 1);
  EXPECT_EQ(Date::FromYMD(1970, 1, 1).Julian(), 2440588);
  EXPECT_TRUE(Date::FromYMD(1900, 2, 29).IsEmpty());
  EXPECT_TRUE(Date::FromYMD(2024, 13, 1).IsEmpty());
  EXPECT_EQ(Date::FromYMD(2024, 12, 10).DayOfWeek(), 3);  // Tuesday
  EXPECT_LT(Date(), Date::FromYMD(1, 1, 1));
}

TEST(Date, FormatsAndDtos) {
  const Date d = Date::FromYMD(2024, 3, 7);
  EXPECT_EQ(d.Format("DD.MM.YYYY"), "07.03.2024");
  EXPECT_EQ(d.Format("MM/DD/YYYY"), "03/07/2024");
  EXPECT_EQ(d.Format("YYYY-MM-DD"), "2024-03-07");
  EXPECT_EQ(d.Format("DD.MM.YY"), "07.03.24");
  EXPECT_EQ(Date().Format("DD.MM.YYYY"), "  .  .    ");
  EXPECT_EQ(d.ToDtos(), "20240307");
  EXPECT_EQ(Date().ToDtos(), "        ");
  EXPECT_EQ(Date::FromDtos("20240307"), d);
  EXPECT_TRUE(Date::FromDtos("2024x307").IsEmpty());
  EXPECT_TRUE(Date::FromDtos("        ").IsEmpty());
}

TEST(Date, ParseWithPictureAndEpoch) {
  struct Case {
    const char* text;
    const char* picture;
    int epoch;
    Date expected;
    bool ok;
  } cases[] = {
      {"07.03.2024", "DD.MM.YYYY", 1930, Date::FromYMD(2024, 3, 7), true},
      {"03/07/2024", "MM/DD/YYYY", 1930, Date::FromYMD(2024, 3, 7), true},
      {"2024-03-07", "YYYY-MM-DD", 1930, Date::FromYMD(2024, 3, 7), true},
      {"07.03.29", "DD.MM.YY", 1930, Date::FromYMD(2029, 3, 7), true},
      {"07.03.30", "DD.MM.YY", 1930, Date::FromYMD(1930, 3, 7), true},
      {"07.03.30", "DD.MM.YY", 1950, Date::FromYMD(2030, 3, 7), true},
      {"7.3.2024", "DD.MM.YYYY", 1930, Date::FromYMD(2024, 3, 7), true},
      {"  .  .    ", "DD.MM.YYYY", 1930, Date(), true},
      {"31.02.2024", "DD.MM.YYYY", 1930, Date(), false},
      {"ab.cd.efgh", "DD.MM.YYYY", 1930, Date(), false},
      {"07.03", "DD.MM.YYYY", 1930, Date(), false},
  };
  for (const auto& c : cases) {
    bool ok = !c.ok;
    EXPECT_EQ(Date::Parse(c.text, c.picture, c.epoch, &ok), c.expected) << c.text;
    EXPECT_EQ(ok, c.ok) << c.text;
  }
}

}  // namespace
}  // namespace kt
