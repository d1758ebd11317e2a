#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/db/ntx/ntx_key.h"
#include "platform/runtime/error.h"
#include "platform/runtime/runtime.h"

namespace kt::ntx {
namespace {

struct NumCase {
  double value;
  int size;
  int decimals;
  const char* bytes;
};

TEST(NtxKey, NumericBytes) {
  const NumCase cases[] = {
      {12.5, 6, 2, "012.50"},
      {-12.5, 6, 2, ",+*.',"},
      {-5, 6, 2, ",,'.,,"},
      {0, 6, 2, "000.00"},
      {-0.0, 6, 2, "000.00"},      // no negative zero
      {-0.001, 6, 2, "000.00"},    // rounds to zero
      {1.005, 6, 2, "001.01"},     // rounded as written, not as the binary value
      {2.5, 3, 0, "003"},          // half away from zero
      {-2.5, 3, 0, ",,)"},         // " -3" -> "003", digits mirrored
      {999.99, 6, 2, "999.99"},    // widest that fits
      {1000, 6, 2, "999.99"},      // too wide: clamped to the largest
      {-100, 6, 2, ",##.##"},      // too wide: clamped to -99.99
      {42, 10, 0, "0000000042"},
      {123456789012.0, 12, 0, "123456789012"},
  };
  for (const NumCase& c : cases) {
    std::string got = EncodeNumber(c.value, c.size, c.decimals);
    EXPECT_EQ(got, c.bytes) << c.value;
  }
  EXPECT_EQ(EncodeInteger(-5, 6, 2), ",,'.,,");
  EXPECT_EQ(EncodeInteger(7, 4, 0), "0007");
}

TEST(NtxKey, NumericBytesSortLikeNumbers) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> dist(-9999.0, 9999.0);
  std::vector<double> values = {0, -0.01, 0.01, -9999.99, 9999.99, -1, 1, -10, 10, -10.5, -10.49};
  for (int i = 0; i < 2000; ++i) values.push_back(std::round(dist(rng) * 100) / 100);
  std::sort(values.begin(), values.end());
  for (std::size_t i = 1; i < values.size(); ++i) {
    std::string a = EncodeNumber(values[i - 1], 8, 2), b = EncodeNumber(values[i], 8, 2);
    if (values[i - 1] == values[i])
      EXPECT_EQ(a, b);
    else
      EXPECT_LT(a, b) << values[i - 1] << " vs " << values[i];
    double back = 0;
    ASSERT_TRUE(DecodeNumber(b, back)) << b;
    EXPECT_DOUBLE_EQ(back, values[i]);
  }
}

TEST(NtxKey, EncodeAndShowEachType) {
  ScopedRuntime rt;
  const KeySpec c{'C', 5, 0}, n{'N', 8, 2}, d{'D', 8, 0}, l{'L', 1, 0};
  EXPECT_EQ(EncodeKey(Usual("ab"), c), "ab   ");
  EXPECT_EQ(EncodeKey(Usual("abcdefg"), c), "abcde");
  EXPECT_EQ(EncodeKey(Usual(3), n), "00003.00");
  EXPECT_EQ(EncodeKey(Usual(-3.25), n), ",,,,).*'");
  EXPECT_EQ(EncodeKey(Usual(Date::FromYMD(2024, 2, 29)), d), "20240229");
  EXPECT_EQ(EncodeKey(Usual(Date()), d), "        ");
  EXPECT_EQ(EncodeKey(Usual(true), l), "T");
  EXPECT_EQ(EncodeKey(Usual(false), l), "F");

  EXPECT_EQ(DecodeKey("ab   ", c), Usual("ab   "));
  EXPECT_EQ(DecodeKey(",,,,).*'", n).AsFloat(), -3.25);
  EXPECT_EQ(DecodeKey("20240229", d).AsDate(), Date::FromYMD(2024, 2, 29));
  EXPECT_TRUE(DecodeKey("        ", d).AsDate().IsEmpty());
  EXPECT_TRUE(DecodeKey("T", l).AsLogic());
  EXPECT_FALSE(DecodeKey("F", l).AsLogic());
}

TEST(NtxKey, SpecsAndTypeErrors) {
  EXPECT_EQ(KeySpecFor(Usual("abc")).size, 3);
  EXPECT_EQ(KeySpecFor(Usual(Date::FromYMD(2000, 1, 1))).type, 'D');
  KeySpec f = KeySpecFor(Usual::Float(1.5, 9, 3));
  EXPECT_EQ(f.type, 'N');
  EXPECT_EQ(f.size, 9);
  EXPECT_EQ(f.decimals, 3);
  EXPECT_EQ(KeySpecFor(Usual(true)).size, 1);

  auto genOf = [](auto&& fn) {
    try {
      fn();
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.error()->SubSystem, "DBFNTX");
      return e.error()->GenCode;
    }
    return 0;
  };
  EXPECT_EQ(genOf([] { KeySpecFor(Usual()); }), gen::DataType);
  EXPECT_EQ(genOf([] { KeySpecFor(Usual(std::string(300, 'x'))); }), gen::DataWidth);
  EXPECT_EQ(genOf([] { KeySpecFor(Usual("")); }), gen::DataWidth);
  EXPECT_EQ(genOf([] { EncodeKey(Usual(1), KeySpec{'C', 4, 0}); }), gen::DataType);
  EXPECT_EQ(genOf([] { EncodeKey(Usual("x"), KeySpec{'D', 8, 0}); }), gen::DataType);
}

}  // namespace
}  // namespace kt::ntx
