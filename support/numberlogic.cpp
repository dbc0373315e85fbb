// Number logic of the numeric edit control: checking a text, readable numbers, and how the
// stored text and the values follow each other on assignment.
#include "support/numberlogic.h"

#include <cmath>
#include <limits>

#include "support/numtext.h"

namespace tarvelin {

namespace {

constexpr int kShownDigits = 8;

std::string WithoutLeadingSpaces(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  return text.substr(i);
}

bool IsLoneSign(const std::string& text) {
  return text == "-" || text == "+";
}

// Like a readable real number, but a well-formed number beyond the double range reads as an
// infinity of its sign, so that the check can call it too large instead of not a number.
bool ReadRealForCheck(const std::string& text, double& value) {
  if (NumberLogic::ReadRealNumber(text, value)) return true;
  const std::string trimmed = WithoutLeadingSpaces(text);
  if (!IsRealText(trimmed)) return false;
  value = trimmed[0] == '-' ? -std::numeric_limits<double>::infinity()
                            : std::numeric_limits<double>::infinity();
  return true;
}

}  // namespace

NumberLogic NumberLogic::Designed(TNumberType type, double min, double max, const std::string& text,
                                  bool defaultHint, int intValue) {
  NumberLogic logic;
  logic.SetText(text);
  logic.SetDefaultHint(defaultHint);
  logic.SetNumType(type);
  logic.SetMin(min);
  logic.SetMax(max);
  logic.SetIntValue(intValue);
  return logic;
}

void NumberLogic::NotifyChanged() {
  if (Changed) Changed();
}

void NumberLogic::SetMin(double value) {
  if (value == min_) return;
  min_ = value;
  if (defaultHint_) SetDefaultHint(true);
  NotifyChanged();
}

double NumberLogic::Max() const {
  return max_ == min_ ? min_ + 100 : max_;
}

void NumberLogic::SetMax(double value) {
  if (value == max_ || value == min_) return;
  max_ = value;
  if (defaultHint_) SetDefaultHint(true);
  NotifyChanged();
}

void NumberLogic::SetDefaultHint(bool on) {
  if (on) {
    showHint_ = true;
    hint_ = FormatGeneral(min_, kShownDigits) + " " + FormatGeneral(Max(), kShownDigits);
    NotifyChanged();
  }
  defaultHint_ = on;
}

void NumberLogic::SetText(const std::string& text) {
  text_ = text;
  NotifyChanged();
  if (numType_ == TNumberType::IntType) {
    int value = 0;
    if (!ReadWholeNumber(text_, value)) {
      SetIntValue(0);
    } else if (value != intValue_) {
      SetIntValue(value);
    }
  } else {
    double value = 0;
    if (!ReadRealNumber(text_, value)) {
      SetRealValue(0);
    } else if (value != realValue_) {
      SetRealValue(value);
    }
  }
}

void NumberLogic::SetIntValue(int value) {
  intValue_ = value;
  int shown = 0;
  if (text_.empty() || (ReadWholeNumber(text_, shown) && shown != value)) {
    SetText(FormatGeneral(value, kShownDigits));
  }
}

void NumberLogic::SetRealValue(double value) {
  realValue_ = value;
  double shown = 0;
  if (text_.empty() || (ReadRealNumber(text_, shown) && shown != value)) {
    SetText(FormatGeneral(value, kShownDigits));
  }
}

NumberLogic::NumberParts NumberLogic::SplitNumberText(const std::string& text) const {
  NumberParts parts;
  if (numType_ == TNumberType::IntType) {
    parts.Mantissa = text;
    return parts;
  }
  size_t p = text.find('e');
  if (p == std::string::npos) p = text.find('E');
  if (p == std::string::npos) {
    parts.Mantissa = text;
  } else {
    parts.Mantissa = text.substr(0, p);
    parts.Exponent = text.substr(p + 1);
    parts.HasExponent = true;
  }
  return parts;
}

int NumberLogic::DecimalMagnitude(double m) {
  if (m == 0) return -300;
  const double magnitude = std::log10(std::fabs(m));
  if (!std::isfinite(magnitude)) return magnitude > 0 ? 100000 : -100000;
  return static_cast<int>(std::nearbyint(magnitude));  // halves to the even neighbour
}

std::uint8_t NumberLogic::CheckNumberParts(const NumberParts& parts,
                                           std::string* internalMessage) const {
  if (numType_ == TNumberType::IntType) {
    int value = 0;
    if (!ReadWholeNumber(parts.Mantissa, value)) return 3;
    if (value < -2147483646) return 1;
    if (value < min_ || value > max_) return 2;
    return 0;
  }

  std::uint8_t kind = 0;
  int exponent = 0;
  if (parts.Exponent.empty()) {
    exponent = 0;
  } else if (IsLoneSign(parts.Exponent)) {
    exponent = 0;
    kind = 3;
  } else if (!ReadWholeNumber(parts.Exponent, exponent)) {
    kind = 3;
  }

  double mantissa = 0;
  if (parts.Mantissa.empty()) {
    kind = 3;
  } else if (IsLoneSign(parts.Mantissa)) {
    mantissa = 0;
  } else if (!ReadRealForCheck(parts.Mantissa, mantissa)) {
    kind = 3;
  }
  if (kind == 3) return 3;

  if (!parts.Exponent.empty()) {
    // A written zero (0E-5) is zero whatever its exponent and never beyond the range; a lone
    // sign still counts with the magnitude of zero.
    if (mantissa != 0 || IsLoneSign(parts.Mantissa)) {
      const long long magnitude = static_cast<long long>(DecimalMagnitude(mantissa)) + exponent;
      if (magnitude < -300 || magnitude > 300) return 1;
    }
    double value = mantissa;
    if (exponent != 0 && !ReadRealNumber(parts.Mantissa + "E" + parts.Exponent, value)) {
      if (internalMessage) {
        *internalMessage = "NUMEDIT: There is something wrong !!\rMantisse: " + parts.Mantissa +
                           "\rExponent: " + parts.Exponent;
      }
      return kind;
    }
    if (value < min_ || value > max_) return 2;
    return 0;
  }

  const double size = std::fabs(mantissa);
  if ((mantissa != 0 && size < 1E-300) || size > 1E300) return 1;
  if (mantissa < min_ || mantissa > max_) return 2;
  return 0;
}

std::uint8_t NumberLogic::CheckText(const std::string& text, std::string* internalMessage) const {
  if (text.empty()) return 3;
  const NumberParts parts = SplitNumberText(text);
  if (parts.HasExponent && parts.Exponent.empty()) return 3;
  return CheckNumberParts(parts, internalMessage);
}

void NumberLogic::CheckLiveContent(const std::string& content, std::string* internalMessage) {
  if (content.empty()) {
    errorKind_ = 3;
    return;
  }
  // The field already shows the content, so storing it needs no repaint.
  text_ = content;
  const NumberParts parts = SplitNumberText(content);
  errorKind_ = CheckText(content, internalMessage);
  if (errorKind_ == 3) return;

  if (numType_ == TNumberType::IntType) {
    int value = 0;
    if (ReadWholeNumber(content, value)) intValue_ = value;
    return;
  }

  double mantissa = 0;
  if (IsLoneSign(parts.Mantissa) || !ReadRealForCheck(parts.Mantissa, mantissa)) {
    errorKind_ = 3;
    mantissa = 0;
  }
  int exponent = 0;
  if (!parts.Exponent.empty() && !ReadWholeNumber(parts.Exponent, exponent)) {
    errorKind_ = 3;
    return;
  }
  // mantissa x 10^exponent, read as one number where possible so that it is correctly rounded.
  double value = mantissa;
  if (mantissa != 0 && exponent != 0 &&
      !ReadRealNumber(parts.Mantissa + "E" + parts.Exponent, value)) {
    value = mantissa * std::pow(10.0, exponent);
  }
  // A value beyond the double range is reported by ErrorKind 1 and never taken over.
  if (std::isfinite(value)) realValue_ = value;
}

bool NumberLogic::ReadWholeNumber(const std::string& text, int& value) {
  return TryStrToInt(WithoutLeadingSpaces(text), value);
}

bool NumberLogic::ReadRealNumber(const std::string& text, double& value) {
  return TryStrToFloat(WithoutLeadingSpaces(text), value);
}

const char* NumberLogic::ErrorMessage(std::uint8_t kind) {
  switch (kind) {
    case 1:
      return "Number exceeds compiler range.";
    case 2:
      return "Number exceeds user defined range.";
    case 3:
      return "Error in number.";
    default:
      return "";
  }
}

}  // namespace tarvelin
