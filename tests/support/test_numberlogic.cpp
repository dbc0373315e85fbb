// Tests of the edit control's number logic: checks, readable numbers and assignment rules.
#include "support/numberlogic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace tarvelin {
namespace {

struct CheckCase {
  std::string text;
  int kind;
  bool internalMessage = false;
};

std::ostream& operator<<(std::ostream& os, const CheckCase& c) {
  return os << "'" << c.text.substr(0, 40) << "' -> " << c.kind;
}

void ExpectCheck(const NumberLogic& logic, const CheckCase& c) {
  std::string message;
  EXPECT_EQ(logic.CheckText(c.text, &message), c.kind);
  if (c.internalMessage) {
    EXPECT_EQ(message.rfind("NUMEDIT: There is something wrong !!\rMantisse: ", 0), 0u) << message;
  } else {
    EXPECT_EQ(message, "");
  }
}

// A load field: real numbers from -1E9 to 1E9.
class LoadFieldCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(LoadFieldCheck, GivesTheErrorKind) {
  NumberLogic logic = NumberLogic::Designed(TNumberType::RealType, -1E9, 1E9, "0");
  ExpectCheck(logic, GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LoadFieldCheck,
    ::testing::Values(CheckCase{"1e9", 0}, CheckCase{"1000000000", 0}, CheckCase{"-1000000000", 0},
                      CheckCase{"-1E9", 0}, CheckCase{"2e9", 2}, CheckCase{"1000000001", 2},
                      CheckCase{"1e300", 2}, CheckCase{"3e300", 2}, CheckCase{"1e301", 1},
                      CheckCase{"9e300", 1}, CheckCase{"1e-301", 1}, CheckCase{"1E-300", 0},
                      CheckCase{"1E-400", 1}, CheckCase{std::string(400, '9'), 1},
                      CheckCase{"0." + std::string(305, '0') + "1", 1}, CheckCase{"1.5E", 3},
                      CheckCase{"1,5", 3}, CheckCase{"-", 0}, CheckCase{"+", 0}, CheckCase{"", 3},
                      CheckCase{"abc", 3}, CheckCase{"1e", 3}, CheckCase{"1e-", 3},
                      CheckCase{"1e+", 3}, CheckCase{"e5", 3}, CheckCase{"1e5.5", 3},
                      CheckCase{".", 3}, CheckCase{".5", 0}, CheckCase{"5.", 0}, CheckCase{" 5", 0},
                      CheckCase{"5 ", 3}, CheckCase{"1e+5", 0}, CheckCase{"2.5e-3", 0},
                      CheckCase{"1E99999999999", 3}, CheckCase{"0e-5", 0}, CheckCase{"0E-400", 0},
                      CheckCase{"-E5", 0, true}, CheckCase{"+e2", 0, true}, CheckCase{"-E0", 0},
                      CheckCase{"-E-5", 1}, CheckCase{"1E5e3", 0, true}, CheckCase{"1e 5", 0, true},
                      CheckCase{"1e5", 0}));

TEST(NumberLogicCheck, InternalMessageNamesBothParts) {
  NumberLogic logic = NumberLogic::Designed(TNumberType::RealType, -1E9, 1E9, "0");
  std::string message;
  EXPECT_EQ(logic.CheckText("-E5", &message), 0);
  EXPECT_EQ(message, "NUMEDIT: There is something wrong !!\rMantisse: -\rExponent: 5");
  EXPECT_EQ(logic.CheckText("-E5", nullptr), 0);  // no receiver needed
}

// The E field: 0 to 50000000.
class StiffnessFieldCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(StiffnessFieldCheck, GivesTheErrorKind) {
  NumberLogic logic = NumberLogic::Designed(TNumberType::RealType, 0, 50000000, "0");
  ExpectCheck(logic, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Rows, StiffnessFieldCheck,
                         ::testing::Values(CheckCase{"-1", 2}, CheckCase{"210000000", 2},
                                           CheckCase{"50000000", 0}, CheckCase{"0", 0},
                                           CheckCase{"-0", 0}, CheckCase{"210000", 0},
                                           CheckCase{"5e7", 0}, CheckCase{"5.0000001e7", 2}));

class WholeFieldCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(WholeFieldCheck, GivesTheErrorKind) {
  NumberLogic logic;
  logic.SetMin(-5);
  logic.SetMax(5);
  ExpectCheck(logic, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Rows, WholeFieldCheck,
                         ::testing::Values(CheckCase{"3", 0}, CheckCase{"-5", 0}, CheckCase{"5", 0},
                                           CheckCase{"+3", 0}, CheckCase{" 3", 0},
                                           CheckCase{"7", 2}, CheckCase{"-6", 2},
                                           CheckCase{"1.5", 3}, CheckCase{"1e2", 3},
                                           CheckCase{"3 ", 3}, CheckCase{"", 3}, CheckCase{"-", 3},
                                           CheckCase{"-2147483647", 1}, CheckCase{"-2147483648", 1},
                                           CheckCase{"-2147483646", 2}, CheckCase{"2147483647", 2},
                                           CheckCase{"2147483648", 3}));

TEST(NumberLogicCheck, RangeNeverSetAcceptsOnlyZero) {
  NumberLogic whole;
  EXPECT_EQ(whole.Max(), 100);
  EXPECT_EQ(whole.StoredMax(), 0);
  EXPECT_EQ(whole.CheckText("0", nullptr), 0);
  EXPECT_EQ(whole.CheckText("1", nullptr), 2);
  EXPECT_EQ(whole.CheckText("-1", nullptr), 2);
  NumberLogic real;
  real.SetNumType(TNumberType::RealType);
  EXPECT_EQ(real.CheckText("0", nullptr), 0);
  EXPECT_EQ(real.CheckText("0.5", nullptr), 2);
  EXPECT_EQ(real.CheckText("0e5", nullptr), 0);
}

TEST(NumberLogicSplit, FirstLowerCaseEThenUpperCase) {
  NumberLogic real;
  real.SetNumType(TNumberType::RealType);
  auto parts = real.SplitNumberText("1E5e3");
  EXPECT_EQ(parts.Mantissa, "1E5");
  EXPECT_EQ(parts.Exponent, "3");
  EXPECT_TRUE(parts.HasExponent);
  parts = real.SplitNumberText("2.5E-3");
  EXPECT_EQ(parts.Mantissa, "2.5");
  EXPECT_EQ(parts.Exponent, "-3");
  parts = real.SplitNumberText("1.5E");
  EXPECT_TRUE(parts.HasExponent);
  EXPECT_EQ(parts.Exponent, "");
  parts = real.SplitNumberText("42");
  EXPECT_FALSE(parts.HasExponent);
  EXPECT_EQ(parts.Mantissa, "42");
  NumberLogic whole;
  parts = whole.SplitNumberText("1e5");
  EXPECT_EQ(parts.Mantissa, "1e5");
  EXPECT_FALSE(parts.HasExponent);
}

TEST(NumberLogicSplit, DecimalMagnitudeRoundsTheLogarithm) {
  EXPECT_EQ(NumberLogic::DecimalMagnitude(0), -300);
  EXPECT_EQ(NumberLogic::DecimalMagnitude(-0.0), -300);
  EXPECT_EQ(NumberLogic::DecimalMagnitude(1), 0);
  EXPECT_EQ(NumberLogic::DecimalMagnitude(3.16), 0);
  EXPECT_EQ(NumberLogic::DecimalMagnitude(3.17), 1);
  EXPECT_EQ(NumberLogic::DecimalMagnitude(-1000), 3);
  EXPECT_EQ(NumberLogic::DecimalMagnitude(0.001), -3);
  EXPECT_EQ(NumberLogic::DecimalMagnitude(0.0005), -3);  // log10 = -3.30
  EXPECT_EQ(NumberLogic::DecimalMagnitude(1E300), 300);
  EXPECT_EQ(NumberLogic::DecimalMagnitude(5E-324), -323);
}

struct ReadCase {
  std::string text;
  bool valid;
  double value;
};

std::ostream& operator<<(std::ostream& os, const ReadCase& c) {
  return os << "'" << c.text << "' " << c.valid;
}

class ReadableReal : public ::testing::TestWithParam<ReadCase> {};
TEST_P(ReadableReal, LeadingSpacesSignPointExponent) {
  double value = -99;
  EXPECT_EQ(NumberLogic::ReadRealNumber(GetParam().text, value), GetParam().valid);
  if (GetParam().valid) {
    EXPECT_EQ(value, GetParam().value);
  }
}
INSTANTIATE_TEST_SUITE_P(Rows, ReadableReal,
                         ::testing::Values(ReadCase{"1.5", true, 1.5},
                                           ReadCase{"   -1.5e3", true, -1500},
                                           ReadCase{" +2E-2", true, 0.02},
                                           ReadCase{".5", true, 0.5}, ReadCase{"1.5 ", false, 0},
                                           ReadCase{"1,5", false, 0}, ReadCase{"\t1", false, 0},
                                           ReadCase{"- 1", false, 0}, ReadCase{"", false, 0},
                                           ReadCase{"   ", false, 0}, ReadCase{"-", false, 0},
                                           ReadCase{"abc", false, 0}, ReadCase{"1e400", false, 0}));

class ReadableWhole : public ::testing::TestWithParam<ReadCase> {};
TEST_P(ReadableWhole, LeadingSpacesSignDigits) {
  int value = -99;
  EXPECT_EQ(NumberLogic::ReadWholeNumber(GetParam().text, value), GetParam().valid);
  if (GetParam().valid) {
    EXPECT_EQ(value, GetParam().value);
  }
}
INSTANTIATE_TEST_SUITE_P(Rows, ReadableWhole,
                         ::testing::Values(ReadCase{"12", true, 12}, ReadCase{"  -12", true, -12},
                                           ReadCase{" +7", true, 7},
                                           ReadCase{"2147483647", true, 2147483647},
                                           ReadCase{"-2147483648", true, -2147483648.0},
                                           ReadCase{"12 ", false, 0}, ReadCase{"1.0", false, 0},
                                           ReadCase{"1e3", false, 0},
                                           ReadCase{"2147483648", false, 0}, ReadCase{"", false, 0},
                                           ReadCase{"+", false, 0}, ReadCase{"1,000", false, 0}));

TEST(NumberLogicMessages, OneTextPerKind) {
  EXPECT_STREQ(NumberLogic::ErrorMessage(0), "");
  EXPECT_STREQ(NumberLogic::ErrorMessage(1), "Number exceeds compiler range.");
  EXPECT_STREQ(NumberLogic::ErrorMessage(2), "Number exceeds user defined range.");
  EXPECT_STREQ(NumberLogic::ErrorMessage(3), "Error in number.");
}

TEST(NumberLogicRange, MaxEqualToMinIsIgnored) {
  NumberLogic logic;
  logic.SetMin(-5);
  logic.SetMax(5);
  logic.SetMax(-5);
  EXPECT_EQ(logic.StoredMax(), 5);
  EXPECT_EQ(logic.Max(), 5);
  NumberLogic fresh;
  fresh.SetMax(0);
  EXPECT_EQ(fresh.StoredMax(), 0);
  EXPECT_EQ(fresh.Max(), 100);
}

TEST(NumberLogicRange, MinMovingOntoMaxMakesMaxReadHundredMore) {
  NumberLogic logic;
  logic.SetMax(5);
  logic.SetMin(5);
  EXPECT_EQ(logic.StoredMax(), 5);
  EXPECT_EQ(logic.Max(), 105);
  EXPECT_EQ(logic.CheckText("5", nullptr), 0);
  EXPECT_EQ(logic.CheckText("6", nullptr), 2);  // checks use the stored maximum
}

TEST(NumberLogicHint, ShowsTheRangeWhenSwitchedOn) {
  NumberLogic logic = NumberLogic::Designed(TNumberType::RealType, -1E9, 1E9, "0", true);
  EXPECT_TRUE(logic.DefaultHint());
  EXPECT_TRUE(logic.ShowHint());
  EXPECT_EQ(logic.Hint(), "-1E9 1E9");
  logic.SetMax(0.000012345);
  EXPECT_EQ(logic.Hint(), "-1E9 1.2345E-5");
  logic.SetDefaultHint(false);
  logic.SetMin(-5);
  EXPECT_EQ(logic.Hint(), "-1E9 1.2345E-5") << "switching off keeps the last hint";
  EXPECT_TRUE(logic.ShowHint());
  EXPECT_FALSE(logic.DefaultHint());
}

TEST(NumberLogicHint, UsesMaxAsRead) {
  NumberLogic logic;
  logic.SetDefaultHint(true);
  EXPECT_EQ(logic.Hint(), "0 100");
  NumberLogic off;
  EXPECT_FALSE(off.ShowHint());
  EXPECT_EQ(off.Hint(), "");
}

TEST(NumberLogicAssign, RealValueShowsEightDigits) {
  NumberLogic logic = NumberLogic::Designed(TNumberType::RealType, -1E9, 1E9, "0");
  logic.SetRealValue(0.000012345);
  EXPECT_EQ(logic.Text(), "1.2345E-5");
  EXPECT_EQ(logic.RealValue(), 0.000012345);
  logic.SetRealValue(123456789);
  EXPECT_EQ(logic.Text(), "1.2345679E8");
  EXPECT_EQ(logic.RealValue(), 123456790);
  logic.SetRealValue(0.123456789);
  EXPECT_EQ(logic.Text(), "0.12345679");
  EXPECT_EQ(logic.RealValue(), 0.12345679);
  logic.SetRealValue(-0.0);
  EXPECT_EQ(logic.Text(), "0");
}

TEST(NumberLogicAssign, UnreadableTextStaysWhenRealValueIsAssigned) {
  NumberLogic logic = NumberLogic::Designed(TNumberType::RealType, -1E9, 1E9, "0");
  logic.SetRealValue(3);
  logic.SetText("abc");
  EXPECT_EQ(logic.RealValue(), 0);
  logic.SetRealValue(5);
  EXPECT_EQ(logic.Text(), "abc");
  EXPECT_EQ(logic.RealValue(), 5);
}

TEST(NumberLogicAssign, TextIsReadBack) {
  NumberLogic logic = NumberLogic::Designed(TNumberType::RealType, -1E9, 1E9, "0");
  logic.SetText("1e3");
  EXPECT_EQ(logic.Text(), "1e3") << "an equal value leaves the text as typed";
  EXPECT_EQ(logic.RealValue(), 1000);
  logic.SetText("  -2.5");
  EXPECT_EQ(logic.RealValue(), -2.5);
  EXPECT_EQ(logic.Text(), "  -2.5");
  logic.SetText("");
  EXPECT_EQ(logic.RealValue(), 0);
  EXPECT_EQ(logic.Text(), "0") << "an empty text is replaced by the value's text";
}

TEST(NumberLogicAssign, IntValueWithMoreThanEightDigitsEndsAtZero) {
  NumberLogic logic;
  logic.SetIntValue(12345678);
  EXPECT_EQ(logic.Text(), "12345678");
  EXPECT_EQ(logic.IntValue(), 12345678);
  logic.SetIntValue(123456789);
  EXPECT_EQ(logic.Text(), "1.2345679E8");
  EXPECT_EQ(logic.IntValue(), 0);
  logic.SetIntValue(4);  // the scientific text is no whole number, so it stays
  EXPECT_EQ(logic.Text(), "1.2345679E8");
  EXPECT_EQ(logic.IntValue(), 4);
}

TEST(NumberLogicAssign, WholeTextIsReadBack) {
  NumberLogic logic;
  logic.SetText(" 42");
  EXPECT_EQ(logic.IntValue(), 42);
  EXPECT_EQ(logic.Text(), " 42");
  logic.SetText("4.5");
  EXPECT_EQ(logic.IntValue(), 0);
  EXPECT_EQ(logic.Text(), "4.5");
  logic.SetText("");
  EXPECT_EQ(logic.Text(), "0");
  EXPECT_EQ(logic.IntValue(), 0);
}

TEST(NumberLogicDesigned, TextIsReadWhileStillWhole) {
  NumberLogic logic = NumberLogic::Designed(TNumberType::RealType, -1E9, 1E9, "0");
  EXPECT_EQ(logic.NumType(), TNumberType::RealType);
  EXPECT_EQ(logic.Text(), "0");
  EXPECT_EQ(logic.RealValue(), 0);
  EXPECT_EQ(logic.IntValue(), 0);
  EXPECT_EQ(logic.Min(), -1E9);
  EXPECT_EQ(logic.Max(), 1E9);
  EXPECT_FALSE(logic.ShowHint());

  // The text arrives while the field is still whole: "2.5" is no whole number, so IntValue 7
  // leaves it; "0" is, so IntValue 7 replaces it and the real field then reads the new text.
  NumberLogic seven = NumberLogic::Designed(TNumberType::RealType, 0, 100, "2.5", false, 7);
  EXPECT_EQ(seven.Text(), "2.5");
  EXPECT_EQ(seven.IntValue(), 7);
  NumberLogic fromZero = NumberLogic::Designed(TNumberType::RealType, 0, 100, "0", false, 7);
  EXPECT_EQ(fromZero.Text(), "7");
  EXPECT_EQ(fromZero.RealValue(), 7);
}

TEST(NumberLogicChanged, CalledWhenTextOrHintChanges) {
  NumberLogic logic = NumberLogic::Designed(TNumberType::RealType, -1E9, 1E9, "0");
  int calls = 0;
  logic.Changed = [&] { ++calls; };
  logic.SetRealValue(2.5);
  EXPECT_GE(calls, 1);
  calls = 0;
  logic.SetText("abc");
  EXPECT_GE(calls, 1);
  calls = 0;
  logic.SetDefaultHint(true);
  EXPECT_GE(calls, 1);
  calls = 0;
  logic.SetMin(-1E9);     // unchanged: nothing to repaint
  logic.SetRealValue(7);  // unreadable text stays
  EXPECT_EQ(calls, 0);
}

// Live content at a key release (the field's check step).
class LoadField : public ::testing::Test {
 protected:
  NumberLogic logic = NumberLogic::Designed(TNumberType::RealType, -1E9, 1E9, "0");
  std::string message;
};

TEST_F(LoadField, OutOfRangeValueIsTakenOver) {
  logic.CheckLiveContent("2e9", &message);
  EXPECT_EQ(logic.ErrorKind(), 2);
  EXPECT_EQ(logic.RealValue(), 2E9);
  EXPECT_EQ(logic.Text(), "2e9");
  logic.CheckLiveContent("1e301", &message);
  EXPECT_EQ(logic.ErrorKind(), 1);
  EXPECT_EQ(logic.RealValue(), 1E301);
}

TEST_F(LoadField, ValueBeyondDoubleRangeIsNotTakenOver) {
  logic.CheckLiveContent("12.5", &message);
  logic.CheckLiveContent("1e400", &message);
  EXPECT_EQ(logic.ErrorKind(), 1);
  EXPECT_EQ(logic.RealValue(), 12.5);
  logic.CheckLiveContent(std::string(400, '9'), &message);
  EXPECT_EQ(logic.ErrorKind(), 1);
  EXPECT_EQ(logic.RealValue(), 12.5);
}

TEST_F(LoadField, EmptyContentKeepsTextAndValue) {
  logic.CheckLiveContent("12.5", &message);
  EXPECT_EQ(logic.ErrorKind(), 0);
  logic.CheckLiveContent("", &message);
  EXPECT_EQ(logic.ErrorKind(), 3);
  EXPECT_EQ(logic.Text(), "12.5");
  EXPECT_EQ(logic.RealValue(), 12.5);
}

TEST_F(LoadField, LoneMinusBecomesKindThreeWithValueZero) {
  logic.CheckLiveContent("7", &message);
  logic.CheckLiveContent("-", &message);
  EXPECT_EQ(logic.ErrorKind(), 3);
  EXPECT_EQ(logic.RealValue(), 0);
  EXPECT_EQ(logic.Text(), "-");
  EXPECT_EQ(message, "");
}

TEST_F(LoadField, LoneSignBeforeExponentGivesInternalMessage) {
  logic.CheckLiveContent("7", &message);
  logic.CheckLiveContent("-E5", &message);
  EXPECT_EQ(message, "NUMEDIT: There is something wrong !!\rMantisse: -\rExponent: 5");
  EXPECT_EQ(logic.ErrorKind(), 3);
  EXPECT_EQ(logic.RealValue(), 0);
}

TEST_F(LoadField, NotANumberKeepsValueButStoresText) {
  logic.CheckLiveContent("7", &message);
  logic.CheckLiveContent("7,5", &message);
  EXPECT_EQ(logic.ErrorKind(), 3);
  EXPECT_EQ(logic.RealValue(), 7);
  EXPECT_EQ(logic.Text(), "7,5");
  logic.CheckLiveContent("1.5E", &message);
  EXPECT_EQ(logic.ErrorKind(), 3);
  EXPECT_EQ(logic.RealValue(), 7);
}

TEST_F(LoadField, ExponentTextIsCorrectlyRounded) {
  logic.CheckLiveContent("1.5e-5", &message);
  EXPECT_EQ(logic.ErrorKind(), 0);
  EXPECT_EQ(logic.RealValue(), 1.5E-5);
  logic.CheckLiveContent("1.1e1", &message);
  EXPECT_EQ(logic.RealValue(), 11);
  EXPECT_EQ(logic.Text(), "1.1e1") << "the live text is stored as typed";
}

TEST_F(LoadField, LongContentIsCheckedWhole) {
  std::string longText = std::string(100, '0') + "1";
  logic.CheckLiveContent(longText, &message);
  EXPECT_EQ(logic.ErrorKind(), 0);
  EXPECT_EQ(logic.RealValue(), 1);
  logic.CheckLiveContent(std::string(90, '0') + "1x", &message);
  EXPECT_EQ(logic.ErrorKind(), 3);
}

TEST(WholeField, LiveContentTakesOverTheValue) {
  NumberLogic logic;
  logic.SetMin(-5);
  logic.SetMax(5);
  std::string message;
  logic.CheckLiveContent("3", &message);
  EXPECT_EQ(logic.ErrorKind(), 0);
  EXPECT_EQ(logic.IntValue(), 3);
  logic.CheckLiveContent("7", &message);
  EXPECT_EQ(logic.ErrorKind(), 2);
  EXPECT_EQ(logic.IntValue(), 7);
  logic.CheckLiveContent("-2147483647", &message);
  EXPECT_EQ(logic.ErrorKind(), 1);
  EXPECT_EQ(logic.IntValue(), -2147483647);
  logic.CheckLiveContent("1.5", &message);
  EXPECT_EQ(logic.ErrorKind(), 3);
  EXPECT_EQ(logic.IntValue(), -2147483647);
  EXPECT_EQ(logic.Text(), "1.5");
}

}  // namespace
}  // namespace tarvelin
