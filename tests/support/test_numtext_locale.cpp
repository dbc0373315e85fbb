// Number text keeps "." as the decimal point under a locale whose separator is a comma.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <string>

#include "support/numtext.h"
#include "support/unitlib.h"

namespace tarvelin {
namespace {

class CommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) {
        name_ = name;
        break;
      }
    }
    if (name_.empty()) GTEST_SKIP() << "no locale with a decimal comma is installed";
    savedGlobal_ = std::locale::global(std::locale(name_));
  }
  void TearDown() override {
    if (!name_.empty()) std::locale::global(savedGlobal_);
    std::setlocale(LC_ALL, saved_.c_str());
  }

  std::string saved_;
  std::string name_;
  std::locale savedGlobal_;
};

TEST_F(CommaLocale, FormatsAndReadsWithPoint) {
  ASSERT_STREQ(std::localeconv()->decimal_point, ",") << name_;
  EXPECT_EQ(FormatGeneral(1.5), "1.5");
  EXPECT_EQ(FormatGeneral(-2.5E20), "-2.5E20");
  EXPECT_EQ(FormatGeneral(0.000012345, 8), "1.2345E-5");
  EXPECT_EQ(FormatFixed(1234.5678, 6, 3), "1234.570");
  EXPECT_EQ(FormatFixed(-0.0004, 6, 3), "-0.000");
  EXPECT_EQ(FormatGeneral(0.125, 2), "0.13");  // the tie path as well

  double value = 0;
  EXPECT_TRUE(TryStrToFloat("1.5", value));
  EXPECT_EQ(value, 1.5);
  EXPECT_TRUE(TryStrToFloat("-2.5e-3", value));
  EXPECT_EQ(value, -0.0025);
  EXPECT_FALSE(TryStrToFloat("1,5", value));
  EXPECT_THROW(StrToFloat("1,5"), UserError);
  EXPECT_EQ(StrToInt("-42"), -42);
}

TEST_F(CommaLocale, SetNumberFormatsRestoresThePoint) {
  SetNumberFormats();
  EXPECT_STREQ(std::localeconv()->decimal_point, ".");
  EXPECT_EQ(FormatFixed(12345.6789, 8, 3), "12345.679");
}

}  // namespace
}  // namespace tarvelin
