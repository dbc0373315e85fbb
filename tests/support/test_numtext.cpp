// Tests of the general and fixed number formats and the strict conversions.
#include "support/numtext.h"

#include <gtest/gtest.h>

#include <locale.h>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include "exact_decimal.h"

namespace tarvelin {
namespace {

struct GeneralCase {
  double value;
  int precision;
  const char* expected;
};

std::ostream& operator<<(std::ostream& os, const GeneralCase& c) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17g p=%d", c.value, c.precision);
  return os << buffer << " -> " << c.expected;
}

class GeneralFormat : public ::testing::TestWithParam<GeneralCase> {};

TEST_P(GeneralFormat, ReadsAsExpected) {
  const GeneralCase& c = GetParam();
  EXPECT_EQ(FormatGeneral(c.value, c.precision), c.expected);
}

const double kBelowTenThousandth = std::nextafter(0.0001, 0.0);

INSTANTIATE_TEST_SUITE_P(
    Examples, GeneralFormat,
    ::testing::Values(
        // The plain range and its ends at 15 digits.
        GeneralCase{0.0001, 15, "0.0001"}, GeneralCase{0.00001, 15, "1E-5"},
        GeneralCase{2.5E20, 15, "2.5E20"}, GeneralCase{1E14, 15, "100000000000000"},
        GeneralCase{1E15, 15, "1E15"}, GeneralCase{1E16, 15, "1E16"},
        GeneralCase{999999999999999.0, 15, "999999999999999"},
        GeneralCase{123456789012345678.0, 15, "1.23456789012346E17"},
        GeneralCase{0.000123, 15, "0.000123"}, GeneralCase{0.00009999, 15, "9.999E-5"},
        GeneralCase{1E-300, 15, "1E-300"}, GeneralCase{1E23, 15, "1E23"},
        // Just below 0.0001: rounding decides between plain and scientific.
        GeneralCase{kBelowTenThousandth, 15, "0.0001"},
        GeneralCase{kBelowTenThousandth, 16, "9.999999999999999E-5"},
        GeneralCase{kBelowTenThousandth, 17, "9.9999999999999991E-5"},
        // Zero, signs, familiar fractions.
        GeneralCase{0.0, 15, "0"}, GeneralCase{-0.0, 15, "0"}, GeneralCase{-0.0, 8, "0"},
        GeneralCase{-1.5, 15, "-1.5"}, GeneralCase{100, 15, "100"},
        GeneralCase{0.1 + 0.2, 15, "0.3"}, GeneralCase{1.0 / 3, 15, "0.333333333333333"},
        GeneralCase{2.0 / 3, 15, "0.666666666666667"},
        GeneralCase{-2.0 / 3, 15, "-0.666666666666667"},
        // Eight digits, as the edit control shows them.
        GeneralCase{9.9999995, 8, "9.9999995"}, GeneralCase{9.99999995, 8, "9.9999999"},
        GeneralCase{99999999.5, 8, "1E8"}, GeneralCase{123456789, 8, "1.2345679E8"},
        GeneralCase{0.000012345, 8, "1.2345E-5"}, GeneralCase{0.123456789, 8, "0.12345679"},
        GeneralCase{12345678, 8, "12345678"}, GeneralCase{-1E9, 8, "-1E9"},
        GeneralCase{1E9, 8, "1E9"}, GeneralCase{50000000, 8, "50000000"},
        // Halves go away from zero; what only looks like a half goes by its exact value.
        GeneralCase{0.5, 1, "0.5"}, GeneralCase{1.5, 1, "2"}, GeneralCase{2.5, 1, "3"},
        GeneralCase{-2.5, 1, "-3"}, GeneralCase{0.125, 2, "0.13"}, GeneralCase{-0.125, 2, "-0.13"},
        GeneralCase{0.375, 2, "0.38"}, GeneralCase{1.05, 2, "1.1"}, GeneralCase{1.005, 3, "1"},
        GeneralCase{2.675, 3, "2.67"}, GeneralCase{0.045, 1, "0.04"}, GeneralCase{9.5, 1, "1E1"},
        GeneralCase{0.95, 1, "0.9"},
        // Extremes and long precisions.
        GeneralCase{std::numeric_limits<double>::denorm_min(), 15, "4.94065645841247E-324"},
        GeneralCase{DBL_MAX, 15, "1.79769313486232E308"},
        GeneralCase{-DBL_MAX, 17, "-1.7976931348623157E308"},
        GeneralCase{0.1, 17, "0.10000000000000001"},
        GeneralCase{0.1, 20, "0.10000000000000000555"}));

struct FixedCase {
  double value;
  int precision;
  int decimals;
  const char* expected;
};

std::ostream& operator<<(std::ostream& os, const FixedCase& c) {
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "%.17g p=%d d=%d", c.value, c.precision, c.decimals);
  return os << buffer << " -> " << c.expected;
}

class FixedFormat : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedFormat, ReadsAsExpected) {
  const FixedCase& c = GetParam();
  EXPECT_EQ(FormatFixed(c.value, c.precision, c.decimals), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FixedFormat,
    ::testing::Values(
        FixedCase{1234.5678, 6, 3, "1234.570"}, FixedCase{1234567, 6, 3, "1.23457E6"},
        FixedCase{12345.6789, 8, 3, "12345.679"}, FixedCase{1234567.891, 8, 3, "1234567.900"},
        FixedCase{123456.7, 6, 3, "123457.000"}, FixedCase{999999.4, 6, 3, "999999.000"},
        // Rounding that carries into a new digit, up to the fallback.
        FixedCase{999.9996, 6, 3, "1000.000"}, FixedCase{999999.5, 6, 3, "1E6"},
        FixedCase{12345678, 8, 2, "12345678.00"}, FixedCase{123456789, 8, 2, "1.2345679E8"},
        FixedCase{1E20, 8, 4, "1E20"}, FixedCase{-1E20, 8, 4, "-1E20"},
        // The sign follows the value before rounding; zero has none.
        FixedCase{-0.0004, 6, 3, "-0.000"}, FixedCase{0.0004, 6, 3, "0.000"},
        FixedCase{-0.0, 6, 3, "0.000"}, FixedCase{0.0, 8, 4, "0.0000"},
        FixedCase{-1E-20, 8, 4, "-0.0000"}, FixedCase{1E-20, 8, 4, "0.0000"},
        FixedCase{-0.4, 8, 0, "-0"}, FixedCase{0.0, 8, 0, "0"},
        // Halves at the last decimal, exact or only apparent.
        FixedCase{0.0005, 6, 3, "0.001"}, FixedCase{-0.0005, 6, 3, "-0.001"},
        FixedCase{0.0015, 8, 3, "0.002"}, FixedCase{0.125, 8, 2, "0.13"},
        FixedCase{-0.125, 8, 2, "-0.13"}, FixedCase{1.005, 8, 2, "1.00"}, FixedCase{0.5, 8, 0, "1"},
        FixedCase{2.5, 8, 0, "3"}, FixedCase{-12.5, 6, 0, "-13"},
        // Fewer significant digits than decimals allow.
        FixedCase{3.14159, 8, 4, "3.1416"}, FixedCase{100, 6, 3, "100.000"},
        FixedCase{0.000012345, 8, 4, "0.0000"}, FixedCase{0.00012345, 8, 6, "0.000123"},
        FixedCase{1.0 / 3, 2, 4, "0.3300"}, FixedCase{-2.0 / 3, 8, 2, "-0.67"},
        FixedCase{9.87654321, 3, 5, "9.88000"}));

// The model in exact_decimal.cpp expands every double exactly with big integers; the fast
// formatter must agree with it on every value.
std::vector<double> AwkwardValues() {
  std::mt19937_64 random(20261208);
  std::vector<double> values;
  // Arbitrary bit patterns over the whole range, subnormals included.
  for (int i = 0; i < 1500; ++i) {
    std::uint64_t bits = random();
    double x;
    std::memcpy(&x, &bits, sizeof x);
    if (std::isfinite(x) && x != 0) values.push_back(x);
  }
  // Short binary fractions: exact decimal halves at many digit counts.
  for (int i = 0; i < 3000; ++i) {
    double x =
        std::ldexp(static_cast<double>(random() % 2000000), -static_cast<int>(random() % 24));
    if (x != 0) values.push_back(random() % 2 ? x : -x);
  }
  // Decimal texts with few digits, as users type them, and values next to powers of ten.
  for (int i = 0; i < 3000; ++i) {
    double x = static_cast<double>(random() % 100000) *
               std::pow(10.0, static_cast<int>(random() % 30) - 15);
    if (x != 0) values.push_back(x);
  }
  for (int e = -30; e <= 30; ++e) {
    double p = std::pow(10.0, e);
    values.push_back(p);
    values.push_back(std::nextafter(p, 0.0));
    values.push_back(std::nextafter(p, HUGE_VAL));
    values.push_back(-5 * p);
  }
  return values;
}

TEST(GeneralFormatModel, AgreesWithExactExpansion) {
  int compared = 0;
  for (double x : AwkwardValues()) {
    for (int p : {1, 2, 3, 6, 8, 15, 16, 17}) {
      ASSERT_EQ(FormatGeneral(x, p), test::ReferenceGeneral(x, p)) << "value " << x << " p " << p;
      ++compared;
    }
  }
  EXPECT_GT(compared, 50000);
}

TEST(FixedFormatModel, AgreesWithExactExpansion) {
  const int settings[][2] = {{6, 3}, {8, 3}, {8, 4}, {8, 2}, {3, 0}, {15, 6}, {1, 5}};
  for (double x : AwkwardValues()) {
    for (const auto& s : settings) {
      ASSERT_EQ(FormatFixed(x, s[0], s[1]), test::ReferenceFixed(x, s[0], s[1]))
          << "value " << x << " p " << s[0] << " d " << s[1];
    }
  }
}

TEST(GeneralFormatModel, ModelMatchesHandWorkedDigits) {
  // Guards the model itself: 0.1 is 0.1000000000000000055511151231257827021181583404541015625.
  test::ExactDecimal d = test::ExpandExactly(0.1);
  EXPECT_EQ(d.Digits, "1000000000000000055511151231257827021181583404541015625");
  EXPECT_EQ(d.Exponent, 0);
  d = test::ExpandExactly(1536);
  EXPECT_EQ(d.Digits, "1536");
  EXPECT_EQ(d.Exponent, 4);
}

TEST(GeneralFormat, SeventeenDigitsReadBackExactly) {
  for (double x : AwkwardValues()) {
    double back = 0;
    ASSERT_TRUE(TryStrToFloat(FormatGeneral(x, 17), back)) << FormatGeneral(x, 17);
    ASSERT_EQ(back, x) << FormatGeneral(x, 17);
  }
}

TEST(NumberFormats, NonFiniteValuesHaveAText) {
  EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FormatGeneral(-std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::quiet_NaN(), 8, 3), "NAN");
}

TEST(NumberFormats, OutOfRangeSettingsAreClamped) {
  EXPECT_EQ(FormatGeneral(2.5, 0), "3");     // at least one digit
  EXPECT_EQ(FormatFixed(2.25, 8, -2), "2");  // no negative decimal count
  // At most every exact digit: the smallest subnormal has 751 of them.
  const double tiny = std::numeric_limits<double>::denorm_min();
  EXPECT_EQ(FormatGeneral(tiny, 100000), test::ReferenceGeneral(tiny, 767));
  EXPECT_EQ(FormatGeneral(tiny, 100000).size(), 751u + 6u);
  EXPECT_EQ(FormatFixed(1E300, 6, 2147483647), "1E300");
}

// Strict conversion of reals.
struct RealCase {
  const char* text;
  bool valid;
  double value;
};

std::ostream& operator<<(std::ostream& os, const RealCase& c) {
  return os << "'" << c.text << "' " << (c.valid ? "valid" : "invalid");
}

class StrictReal : public ::testing::TestWithParam<RealCase> {};

TEST_P(StrictReal, AcceptsExactlyTheNumberForm) {
  const RealCase& c = GetParam();
  double value = -12345;
  EXPECT_EQ(TryStrToFloat(c.text, value), c.valid);
  if (c.valid) {
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(std::signbit(value), std::signbit(c.value));
    EXPECT_EQ(StrToFloat(c.text), c.value);
  } else {
    EXPECT_EQ(value, -12345) << "a failed conversion leaves the target alone";
    try {
      StrToFloat(c.text);
      ADD_FAILURE() << "no exception";
    } catch (const UserError& e) {
      EXPECT_EQ(std::string(e.what()),
                "'" + std::string(c.text) + "' is not a valid floating point value");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StrictReal,
    ::testing::Values(
        RealCase{"0", true, 0.0}, RealCase{"-0", true, -0.0}, RealCase{"+1", true, 1},
        RealCase{"1.5", true, 1.5}, RealCase{".5", true, 0.5}, RealCase{"5.", true, 5},
        RealCase{"-.5", true, -0.5}, RealCase{"+5.", true, 5}, RealCase{"1e5", true, 1e5},
        RealCase{"1E5", true, 1e5}, RealCase{"1e+5", true, 1e5}, RealCase{"2.5E-3", true, 0.0025},
        RealCase{".5e1", true, 5}, RealCase{"5.e1", true, 50}, RealCase{"00012.50", true, 12.5},
        RealCase{"1e0005", true, 1e5}, RealCase{"0.1", true, 0.1},
        RealCase{"123456789012345678901234567890", true, 1.2345678901234568e29},
        RealCase{"1.7976931348623157e308", true, DBL_MAX},
        RealCase{"4.9406564584124654e-324", true, 4.9406564584124654e-324},
        RealCase{"1e-400", true, 0.0}, RealCase{"-1e-400", true, -0.0},
        RealCase{"0e999999999999", true, 0.0},
        // Everything else is refused.
        RealCase{"", false, 0}, RealCase{" ", false, 0}, RealCase{" 1", false, 0},
        RealCase{"1 ", false, 0}, RealCase{"1,5", false, 0}, RealCase{".", false, 0},
        RealCase{"-", false, 0}, RealCase{"+", false, 0}, RealCase{"-.", false, 0},
        RealCase{"e5", false, 0}, RealCase{".e5", false, 0}, RealCase{"1e", false, 0},
        RealCase{"1e+", false, 0}, RealCase{"1E-", false, 0}, RealCase{"1.2.3", false, 0},
        RealCase{"1e5.5", false, 0}, RealCase{"1e5e3", false, 0}, RealCase{"--1", false, 0},
        RealCase{"+-1", false, 0}, RealCase{"inf", false, 0}, RealCase{"-INF", false, 0},
        RealCase{"infinity", false, 0}, RealCase{"nan", false, 0}, RealCase{"NaN", false, 0},
        RealCase{"0x10", false, 0}, RealCase{"0x1p3", false, 0}, RealCase{"1e400", false, 0},
        RealCase{"-1e400", false, 0}, RealCase{"1.8e308", false, 0}, RealCase{"1d5", false, 0},
        RealCase{"1_000", false, 0}, RealCase{"\t1", false, 0}, RealCase{"1\n", false, 0},
        RealCase{"1E 5", false, 0}, RealCase{"$10", false, 0}));

TEST(StrictReal, EmbeddedNulIsRefused) {
  double value = 0;
  EXPECT_FALSE(TryStrToFloat(std::string("1\0", 2), value));
}

// glibc's strtod under the C locale is an independent reader of the same texts.
TEST(StrictReal, AgreesWithCLibraryReader) {
  locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  ASSERT_NE(c, nullptr);
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    if (random() % 3 == 0) text += random() % 2 ? "-" : "+";
    int intDigits = static_cast<int>(random() % 20);
    int fracDigits = static_cast<int>(random() % 20);
    if (intDigits + fracDigits == 0) intDigits = 1;
    for (int k = 0; k < intDigits; ++k) text += static_cast<char>('0' + random() % 10);
    if (fracDigits > 0 || random() % 4 == 0) text += '.';
    for (int k = 0; k < fracDigits; ++k) text += static_cast<char>('0' + random() % 10);
    if (random() % 2) {
      text += random() % 2 ? "e" : "E";
      if (random() % 2) text += random() % 2 ? "-" : "+";
      text += std::to_string(random() % 330);
    }
    double ours = 0;
    bool ok = TryStrToFloat(text, ours);
    double theirs = strtod_l(text.c_str(), nullptr, c);
    if (std::isinf(theirs)) {
      EXPECT_FALSE(ok) << text;
    } else {
      ASSERT_TRUE(ok) << text;
      ASSERT_EQ(ours, theirs) << text;
    }
  }
  freelocale(c);
}

// Plain decimals (no exponent) are read by a quicker way up to 15 digits; on both sides of
// that limit, and for every form of sign and point, the value and its sign match the C reader.
TEST(StrictReal, PlainDecimalsAgreeWithCLibraryReaderAtTheDigitLimit) {
  locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  ASSERT_NE(c, nullptr);
  const char* const rows[] = {
      "0",
      "-0",
      "+0",
      "-0.000",
      ".5",
      "5.",
      "-.5",
      "+5.",
      "0.1",
      "-0.3",
      "1.005",
      "0.0001",
      "000000000000001.5",  // leading zeros count
      "123456789012345",
      "1234567890123456",  // 15 and 16 digits
      "12345678901234.5",
      "1234567890123.456",
      "0.123456789012345",
      "0.1234567890123456",
      "9007199254740993",
      "999999999999999.",
      ".000000000000001",
      "-98765.4321",
  };
  for (const char* text : rows) {
    double ours = 1;
    ASSERT_TRUE(TryStrToFloat(text, ours)) << text;
    const double theirs = strtod_l(text, nullptr, c);
    EXPECT_EQ(ours, theirs) << text;
    EXPECT_EQ(std::signbit(ours), std::signbit(theirs)) << text;
  }
  freelocale(c);
  // Forms the quicker way must pass on to the full check, which refuses them.
  for (const char* text : {"", "-", ".", "+.", "1..2", "1.2.3", "1-2", "1 ", "0x1"}) {
    double value = 0;
    EXPECT_FALSE(TryStrToFloat(text, value)) << text;
  }
}

// Texts that the fixed format writes for their own value, and those it would write otherwise.
struct FixedTextCase {
  const char* text;
  int precision;
  int decimals;
  bool fixed;
};

std::ostream& operator<<(std::ostream& os, const FixedTextCase& c) {
  return os << "'" << c.text << "' p=" << c.precision << " d=" << c.decimals;
}

class FixedText : public ::testing::TestWithParam<FixedTextCase> {};

TEST_P(FixedText, TellsWhatTheFixedFormatGivesBack) {
  const FixedTextCase& c = GetParam();
  EXPECT_EQ(IsFixedText(c.text, c.precision, c.decimals), c.fixed);
  double value = 0;
  if (c.fixed) {
    ASSERT_TRUE(TryStrToFloat(c.text, value));
    EXPECT_EQ(FormatFixed(value, c.precision, c.decimals), c.text);
  } else if (TryStrToFloat(c.text, value)) {
    // Every refused number would be written differently, or is refused as beyond the check.
    EXPECT_TRUE(FormatFixed(value, c.precision, c.decimals) != c.text || c.precision > 15)
        << FormatFixed(value, c.precision, c.decimals);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FixedText,
    ::testing::Values(FixedTextCase{"0.000", 8, 3, true}, FixedTextCase{"-0.001", 8, 3, true},
                      FixedTextCase{"1.250", 8, 3, true}, FixedTextCase{"-12.500", 6, 3, true},
                      FixedTextCase{"12345.678", 8, 3, true},   // eight significant digits
                      FixedTextCase{"12345.678", 6, 3, false},  // more than six
                      FixedTextCase{"123456.000", 6, 3, true},  // six digits before the point
                      FixedTextCase{"12345678.000", 8, 3, true},
                      FixedTextCase{"123456789.000", 8, 3, false},  // more than eight before
                      FixedTextCase{"100000.001", 8, 3, false},     // nine significant digits
                      FixedTextCase{"0.123456789012345", 15, 15, true},
                      FixedTextCase{"0.1234567890123456", 16, 16, false},  // beyond the check
                      FixedTextCase{"-0.000", 8, 3, false},                // negative zero
                      FixedTextCase{"01.000", 8, 3, false},                // leading zero
                      FixedTextCase{"1.00", 8, 3, false}, FixedTextCase{"1.0000", 8, 3, false},
                      FixedTextCase{"1", 8, 3, false}, FixedTextCase{".500", 8, 3, false},
                      FixedTextCase{"+1.000", 8, 3, false}, FixedTextCase{"1,000", 8, 3, false},
                      FixedTextCase{"1.0e0", 8, 3, false}, FixedTextCase{"", 8, 3, false},
                      FixedTextCase{"-", 8, 3, false}, FixedTextCase{"1.000", 8, 0, false}));

// Strict conversion of whole numbers.
struct IntCase {
  const char* text;
  bool valid;
  int value;
};

std::ostream& operator<<(std::ostream& os, const IntCase& c) {
  return os << "'" << c.text << "' " << (c.valid ? "valid" : "invalid");
}

class StrictInt : public ::testing::TestWithParam<IntCase> {};

TEST_P(StrictInt, AcceptsSignAndDigitsInRange) {
  const IntCase& c = GetParam();
  int value = -777;
  EXPECT_EQ(TryStrToInt(c.text, value), c.valid);
  if (c.valid) {
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(StrToInt(c.text), c.value);
  } else {
    EXPECT_EQ(value, -777);
    try {
      StrToInt(c.text);
      ADD_FAILURE() << "no exception";
    } catch (const UserError& e) {
      EXPECT_EQ(std::string(e.what()),
                "'" + std::string(c.text) + "' is not a valid integer value");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StrictInt,
    ::testing::Values(IntCase{"0", true, 0}, IntCase{"-0", true, 0}, IntCase{"+7", true, 7},
                      IntCase{"007", true, 7}, IntCase{"2147483647", true, 2147483647},
                      IntCase{"-2147483648", true, -2147483647 - 1},
                      IntCase{"0000000000002147483647", true, 2147483647}, IntCase{"", false, 0},
                      IntCase{"-", false, 0}, IntCase{"+", false, 0},
                      IntCase{"2147483648", false, 0}, IntCase{"-2147483649", false, 0},
                      IntCase{"99999999999999999999999", false, 0}, IntCase{"1.0", false, 0},
                      IntCase{"1e3", false, 0}, IntCase{" 1", false, 0}, IntCase{"1 ", false, 0},
                      IntCase{"0x10", false, 0}, IntCase{"$10", false, 0},
                      IntCase{"1,000", false, 0}, IntCase{"--1", false, 0},
                      IntCase{"12a", false, 0}));

TEST(NumberMessages, ListIndexNamesTheRow) {
  EXPECT_EQ(ListIndexErrorText(-1), "List index out of bounds (-1)");
  EXPECT_EQ(ListIndexErrorText(-2147483649LL), "List index out of bounds (-2147483649)");
  UserError e(ListIndexErrorText(-3));
  EXPECT_STREQ(e.what(), "List index out of bounds (-3)");
}

}  // namespace
}  // namespace tarvelin
