// Number logic of the numeric edit control: checking, readable numbers and the assignment
// rules of Text, IntValue, RealValue, Min and Max, without any window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tarvelin {

enum class TNumberType { IntType = 0, RealType = 1 };

class NumberLogic {
 public:
  struct NumberParts {
    std::string Mantissa;
    std::string Exponent;
    bool HasExponent = false;
  };

  NumberLogic() = default;

  // A control as the designer creates it: properties arrive in the order Text, DefaultHint,
  // NumType, Min, Max, IntValue (so the text is first read while NumType is still IntType).
  static NumberLogic Designed(TNumberType type, double min, double max, const std::string& text,
                              bool defaultHint = false, int intValue = 0);

  TNumberType NumType() const { return numType_; }
  void SetNumType(TNumberType type) { numType_ = type; }

  double Min() const { return min_; }
  void SetMin(double value);
  // Reading Max yields Min + 100 when the stored maximum equals Min.
  double Max() const;
  double StoredMax() const { return max_; }
  void SetMax(double value);

  int IntValue() const { return intValue_; }
  void SetIntValue(int value);
  double RealValue() const { return realValue_; }
  void SetRealValue(double value);

  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);

  bool DefaultHint() const { return defaultHint_; }
  void SetDefaultHint(bool on);
  const std::string& Hint() const { return hint_; }
  bool ShowHint() const { return showHint_; }

  // Result of the last check: 0 ok, 1 beyond the number format, 2 outside Min..Max,
  // 3 not a number.
  std::uint8_t ErrorKind() const { return errorKind_; }
  void SetErrorKind(std::uint8_t kind) { errorKind_ = kind; }

  NumberParts SplitNumberText(const std::string& text) const;
  static int DecimalMagnitude(double m);
  // Checks split parts. When the mantissa and exponent pass the range test but cannot be read
  // together (a lone sign before the exponent), internalMessage receives the text
  // "NUMEDIT: There is something wrong !!\rMantisse: ...\rExponent: ..." and 0 is returned.
  std::uint8_t CheckNumberParts(const NumberParts& parts, std::string* internalMessage) const;
  // The whole check of a text (empty text and an empty exponent give 3).
  std::uint8_t CheckText(const std::string& text, std::string* internalMessage) const;

  // The part of a checked key release that stores the live content and takes over the value:
  // an empty content gives ErrorKind 3 and keeps the stored text; otherwise the content is
  // stored, checked, and (unless ErrorKind is 3) its value taken over, even when out of range.
  // Returns the internal message, if the check produced one, in internalMessage.
  void CheckLiveContent(const std::string& content, std::string* internalMessage);

  // Readable numbers: optional leading spaces, optional sign, digits (and for reals a point
  // and an exponent), nothing after; "." only, never a comma.
  static bool ReadWholeNumber(const std::string& text, int& value);
  static bool ReadRealNumber(const std::string& text, double& value);

  // Message of an ErrorKind on Tab or Enter; empty for 0.
  static const char* ErrorMessage(std::uint8_t kind);

  // Called whenever the stored text or the hint changed through an assignment, so that a
  // widget showing this logic can repaint.
  std::function<void()> Changed;

 private:
  void NotifyChanged();

  TNumberType numType_ = TNumberType::IntType;
  double min_ = 0;
  double max_ = 0;
  int intValue_ = 0;
  double realValue_ = 0;
  std::string text_;
  bool defaultHint_ = false;
  bool showHint_ = false;
  std::string hint_;
  std::uint8_t errorKind_ = 0;
};

}  // namespace tarvelin
