// Tests of the shared text routines and the busy wait.
#include "support/unitlib.h"

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <string>

namespace tarvelin {
namespace {

struct TextCase {
  std::string text;
  bool expected;
};

std::ostream& operator<<(std::ostream& os, const TextCase& c) {
  os << "'";
  for (char ch : c.text) {
    if (static_cast<unsigned char>(ch) < 32) {
      os << "\\" << static_cast<int>(ch);
    } else {
      os << ch;
    }
  }
  return os << "' -> " << c.expected;
}

class NumberText : public ::testing::TestWithParam<TextCase> {};

TEST_P(NumberText, IsACharacterTest) {
  EXPECT_EQ(IsNumberText(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NumberText,
    ::testing::Values(TextCase{"", true}, TextCase{"-", true}, TextCase{"+", true},
                      TextCase{"+12.5", true}, TextCase{"12,5", true}, TextCase{"1E5", true},
                      TextCase{"1e5e3", true}, TextCase{"E", true}, TextCase{",,", true},
                      TextCase{"1.2.3", true}, TextCase{"0123456789.,Ee", true},
                      TextCase{"1E-5", false}, TextCase{"2.5e+3", false}, TextCase{"--1", false},
                      TextCase{"1 000", false}, TextCase{" 1", false}, TextCase{"1\t", false},
                      TextCase{"1d5", false}, TextCase{"0x1", false}, TextCase{"1-", false},
                      TextCase{"\xE9", false}));

class DigitString : public ::testing::TestWithParam<TextCase> {};

TEST_P(DigitString, OnlyDigits) {
  EXPECT_EQ(IsDigitString(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, DigitString,
                         ::testing::Values(TextCase{"", true}, TextCase{"0042", true},
                                           TextCase{"9", true}, TextCase{"-1", false},
                                           TextCase{" 1", false}, TextCase{"1.0", false},
                                           TextCase{"12a", false}, TextCase{"/", false},
                                           TextCase{":", false}));

TEST(BlankChars, ExactlyTheFiveCodes) {
  for (int c = 0; c < 256; ++c) {
    bool expected = c == 8 || c == 10 || c == 12 || c == 13 || c == 32;
    EXPECT_EQ(IsBlankChar(static_cast<char>(c)), expected) << "code " << c;
  }
}

struct EditCase {
  std::string text;
  std::string expected;
};

std::ostream& operator<<(std::ostream& os, const EditCase& c) {
  return os << TextCase{c.text, true} << " / " << TextCase{c.expected, true};
}

class TrimLeading : public ::testing::TestWithParam<EditCase> {};
TEST_P(TrimLeading, RemovesBlanksAtTheFront) {
  std::string text = GetParam().text;
  TrimLeadingBlanks(text);
  EXPECT_EQ(text, GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Rows, TrimLeading,
                         ::testing::Values(EditCase{"", ""}, EditCase{" \b\n\f\r", ""},
                                           EditCase{"\tx", "\tx"}, EditCase{"\vx", "\vx"},
                                           EditCase{"  a b  ", "a b  "}, EditCase{"\r\nx", "x"}));

class TrimTrailing : public ::testing::TestWithParam<EditCase> {};
TEST_P(TrimTrailing, RemovesBlanksAtTheEnd) {
  std::string text = GetParam().text;
  TrimTrailingBlanks(text);
  EXPECT_EQ(text, GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Rows, TrimTrailing,
                         ::testing::Values(EditCase{"", ""}, EditCase{" \b\n\f\r", ""},
                                           EditCase{"x\t", "x\t"}, EditCase{"  a b  ", "  a b"},
                                           EditCase{"x\r\n", "x"}));

class Collapse : public ::testing::TestWithParam<EditCase> {};
TEST_P(Collapse, KeepsTheFirstBlankOfEveryRun) {
  std::string text = GetParam().text;
  CollapseBlanks(text);
  EXPECT_EQ(text, GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Rows, Collapse,
                         ::testing::Values(EditCase{"", ""}, EditCase{"a\r\nb", "a\rb"},
                                           EditCase{"  x  ", " x"}, EditCase{"a\n  b", "a\nb"},
                                           EditCase{"a \t b", "a \t b"}, EditCase{"\b\b\bq", "\bq"},
                                           EditCase{"a b c", "a b c"}, EditCase{"   ", ""}));

class Normalise : public ::testing::TestWithParam<EditCase> {};
TEST_P(Normalise, NoBlankAtTheEndsNorTwoInARow) {
  std::string text = GetParam().text;
  NormaliseBlanks(text);
  EXPECT_EQ(text, GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Rows, Normalise,
                         ::testing::Values(EditCase{"  1  2 ", "1 2"}, EditCase{"", ""},
                                           EditCase{"\r\n 1.5 \n", "1.5"},
                                           EditCase{"1\n \r2", "1\n2"}, EditCase{"\t1", "\t1"}));

struct WordCase {
  int n;
  std::string text;
  std::string expected;
};

std::ostream& operator<<(std::ostream& os, const WordCase& c) {
  return os << c.n << " of '" << c.text << "' -> '" << c.expected << "'";
}

class Word : public ::testing::TestWithParam<WordCase> {};
TEST_P(Word, SplitsOnSpacesOnly) {
  const std::string original = GetParam().text;
  EXPECT_EQ(GetWord(GetParam().n, original), GetParam().expected);
  EXPECT_EQ(original, GetParam().text);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, Word,
    ::testing::Values(WordCase{2, "  10   20 30 ", "20"}, WordCase{1, "  10   20 30 ", "10"},
                      WordCase{3, "  10   20 30 ", "30"}, WordCase{4, "  10   20 30 ", ""},
                      WordCase{0, "  10   20 30 ", ""}, WordCase{-1, "a b", ""},
                      WordCase{1, "", ""}, WordCase{2, "", ""}, WordCase{1, "single", "single"},
                      WordCase{2, "a\tb c", "c"}, WordCase{1, "a\tb c", "a\tb"},
                      WordCase{2, "a\nb", ""}, WordCase{2, "\n a  b\n", "b"},
                      WordCase{2, "1 0 0 1", "0"}));

TEST(Fields, CountIsSeparatorsPlusOne) {
  EXPECT_EQ(CountFields("", '@'), 1);
  EXPECT_EQ(CountFields("abc", '@'), 1);
  EXPECT_EQ(CountFields("a@b@c", '@'), 3);
  EXPECT_EQ(CountFields("@@", '@'), 3);
  EXPECT_EQ(CountFields(" @ ", '@'), 2);
  EXPECT_EQ(CountFields("a;b", ';'), 2);
}

class Field : public ::testing::TestWithParam<WordCase> {};
TEST_P(Field, TrimsOnlyTheWholeText) {
  EXPECT_EQ(GetField(GetParam().n, GetParam().text, '@'), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Rows, Field,
                         ::testing::Values(WordCase{1, "a@b@c", "a"}, WordCase{2, "a@b@c", "b"},
                                           WordCase{3, "a@b@c", "c"}, WordCase{5, "a@b@c", "c"},
                                           WordCase{0, "a@b@c", "a@b@c"},
                                           WordCase{-4, " a@b ", "a@b"}, WordCase{2, "a@@c", ""},
                                           WordCase{2, "a@ b", " b"},
                                           WordCase{1, " a @b\r\n", "a "}, WordCase{1, "", ""},
                                           WordCase{3, "a@b@", ""}, WordCase{1, "@x", ""},
                                           WordCase{2, "no separator", "no separator"}));

// A blank separator among the trimmed blanks separates nothing.
TEST(Fields, BlankSeparatorInTheTrimmedEndsIsNoSeparator) {
  EXPECT_EQ(GetField(1, " a b ", ' '), "a");
  EXPECT_EQ(GetField(2, " a b ", ' '), "b");
  EXPECT_EQ(GetField(3, " a b ", ' '), "b");
  EXPECT_EQ(GetField(2, "\ra\r", '\r'), "a");
}

TEST(Wait, ReturnsAfterTheDurationAndKeepsProcessing) {
  int passes = 0;
  const auto start = std::chrono::steady_clock::now();
  WaitMilliseconds(50, [&] { ++passes; });
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(50));
  EXPECT_GT(passes, 1);
}

TEST(Wait, NegativeDurationEndsAfterOnePass) {
  int passes = 0;
  WaitMilliseconds(-5, [&] { ++passes; });
  EXPECT_EQ(passes, 1);
}

TEST(Wait, ZeroEndsOnceTheClockMoved) {
  int passes = 0;
  WaitMilliseconds(0, [&] { ++passes; });
  EXPECT_GE(passes, 1);
}

TEST(Wait, HandlersRunInsideTheWait) {
  // A handler run by the event callback sees the waiting operation half-way through.
  bool clicked = false;
  int passes = 0;
  WaitMilliseconds(20, [&] {
    if (++passes == 3) clicked = true;
  });
  EXPECT_TRUE(clicked);
}

TEST(Wait, WorksWithoutCallback) {
  const auto start = std::chrono::steady_clock::now();
  WaitMilliseconds(2, nullptr);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2));
}

TEST(NumberFormatsSetting, CLibraryUsesThePoint) {
  SetNumberFormats();
  EXPECT_STREQ(std::localeconv()->decimal_point, ".");
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
}

}  // namespace
}  // namespace tarvelin
