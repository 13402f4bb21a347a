#include "velko/frame/variant.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "support/error_helpers.hpp"
#include "velko/frame/error.hpp"
#include "velko/frame/numeric.hpp"

namespace velko {
namespace {

TEST(VariantConversion, RoundsHalvesToEven) {
  struct Case {
    Variant value;
    Long expected;
  };
  const Case cases[] = {{2.5, 2},   {3.5, 4},   {-2.5, -2},        {0.5, 0},   {1.5, 2},
                        {"2.5", 2}, {" 7 ", 7}, {Single(4.5f), 4}, {true, -1}, {Variant(), 0}};
  for (const auto& c : cases)
    EXPECT_EQ(c.value.ToLong(), c.expected) << c.value.ToString();
}

TEST(VariantConversion, ErrorsOfTheRuntime) {
  EXPECT_EQ(test::ErrorNumberOf([] { Variant(3e10).ToLong(); }), rt::kOverflow);
  EXPECT_EQ(test::ErrorNumberOf([] { Variant(40000).ToInteger(); }), rt::kOverflow);
  EXPECT_EQ(test::ErrorNumberOf([] { Variant("abc").ToLong(); }), rt::kTypeMismatch);
  EXPECT_EQ(test::ErrorNumberOf([] { Variant::Null().ToString(); }), rt::kInvalidUseOfNull);
  EXPECT_EQ(test::ErrorNumberOf([] { Variant(1e300).ToSingle(); }), rt::kOverflow);
  // Found by fuzzing: a text beyond double range parses as infinite.
  EXPECT_EQ(test::ErrorNumberOf([] { Variant(-HUGE_VAL).ToSingle(); }), rt::kOverflow);
  EXPECT_EQ(test::ErrorNumberOf([] {
              Ref<IUnknown> none;
              none.operator->();
            }),
            rt::kObjectNotSet);
}

TEST(VariantConversion, TextsOfValues) {
  EXPECT_EQ(Variant(Single(0.1f)).ToString(), "0.1");
  EXPECT_EQ(Variant(220.0).ToString(), "220");
  EXPECT_EQ(Variant(true).ToString(), "True");
  EXPECT_EQ(Variant(Long(-3)).ToString(), "-3");
  EXPECT_EQ(Variant("True").ToBoolean(), true);
}

TEST(VariantArrays, CopyIsDeep) {
  Variant a = Variant::Array({1, 2});
  Variant b = a;
  b.Elements()[0] = 9;
  EXPECT_EQ(a.Elements()[0].ToLong(), 1);
  EXPECT_EQ(a.UBound(), 1);
  EXPECT_EQ(Variant(VariantArray{}).UBound(), -1);
  EXPECT_EQ(Variant(5).UBound(), -1);
}

TEST(NumericParse, LenientReadingOfStoredTexts) {
  struct Case {
    const char* text;
    double expected;
  };
  const Case cases[] = {{"12", 12},     {"  1 2 ", 12},   {"3.5abc", 3.5}, {"abc", 0},
                        {"", 0},        {"-0.25", -0.25}, {"1e3", 1000},   {"1e", 1},
                        {"1.2.3", 1.2}, {"+4", 4},        {"\t5\n", 5},    {".5", 0.5},
                        {"2.", 2},      {"-", 0}};
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(ParseNumber(c.text), c.expected) << c.text;
}

TEST(NumericFormat, ShortestTextReadsBack) {
  for (double v : {0.1, 220.0, -3.0, 1e-7, 123456789.125, 1e22, 3.4028234663852886e38}) {
    EXPECT_EQ(ParseNumber(FormatNumber(v)), v) << FormatNumber(v);
  }
  EXPECT_EQ(FormatNumber(220.0), "220");
  EXPECT_EQ(FormatNumber(Single(0.3f)), "0.3");
  EXPECT_EQ(FormatNumber(-0.0), "0");
  // Whole numbers print plainly on both sides of the 64-bit integer range.
  EXPECT_EQ(FormatNumber(-4096.0), "-4096");
  EXPECT_EQ(FormatNumber(8999999999999998976.0), "8999999999999998976");
  EXPECT_EQ(FormatNumber(9e18), "9000000000000000000");
  EXPECT_EQ(FormatNumber(-1e20), "-100000000000000000000");
  EXPECT_EQ(FormatNumber(Single(16777216.0f)), "16777216");
}

TEST(NumericFormat, ThroughDecimalKeepsSevenDigits) {
  EXPECT_EQ(ThroughDecimal(200.0f * 1.1f), 220.0f);
  EXPECT_EQ(ThroughDecimal(100.0 + 100.0 * 5.0 / 100.0), 105.0f);
}

TEST(NumericFormat, Patterns) {
  EXPECT_EQ(FormatNumberPattern(3.14159, "0.00"), "3.14");
  EXPECT_EQ(FormatNumberPattern(1234567.5, "#,##0.0"), "1,234,567.5");
  EXPECT_EQ(FormatNumberPattern(0.5, "0"), "0");
  EXPECT_EQ(FormatNumberPattern(12345, "0.00E+00"), "1.23E+04");
  EXPECT_EQ(FormatNumberPattern(2.5, ""), "2.5");
}

TEST(DateValues, RoundTripToTheSecond) {
  const auto d = Date::FromParts({2024, 2, 29, 13, 5, 59});
  ASSERT_TRUE(d);
  const DateParts p = d->Parts();
  EXPECT_EQ(p.year, 2024);
  EXPECT_EQ(p.month, 2);
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.hour, 13);
  EXPECT_EQ(p.minute, 5);
  EXPECT_EQ(p.second, 59);
  EXPECT_EQ(Date().Parts().year, 1899);
  EXPECT_FALSE(Date::FromParts({2023, 2, 29}));
  EXPECT_FALSE(Date::FromParts({2023, 13, 1}));
  EXPECT_FALSE(Date::FromParts({2023, 1, 1, 25}));
  const auto before = Date::FromParts({1899, 12, 29, 6, 0, 0});
  EXPECT_DOUBLE_EQ(before->Serial(), -1.25);
  EXPECT_EQ(before->Parts().hour, 6);
}

}  // namespace
}  // namespace velko
