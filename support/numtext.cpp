// Number text: exact rounding to significant digits, the general and fixed formats, and the
// strict conversions, all independent of the process locale.
#include "support/numtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

namespace tarvelin {

namespace {

// A double has at most 767 significant decimal digits; this many always gives its exact value.
constexpr int kExactDigits = 780;
constexpr int kMaxPrecision = 767;

// Digits d1..dk (no trailing zeros) and the exponent e such that |value| = 0.d1..dk x 10^e.
struct Decimal {
  char digits[kMaxPrecision + 2];
  int count = 0;  // 0 means the value rounded to zero
  int exponent = 0;
};

// Writes |value| (finite, non-zero) in scientific form with `significant` digits, correctly
// rounded from the exact value; returns the digits without the point in `out` and the
// exponent e of 0.d1d2... x 10^e.
int ScientificDigits(double magnitude, int significant, char* out, int& exponent) {
  char buffer[kExactDigits + 32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                              std::chars_format::scientific, significant - 1);
  const char* const end = result.ptr;
  const char* const start = buffer;
  const char* e = std::find(start, end, 'e');
  int count = 0;
  for (const char* c = start; c != e; ++c) {
    if (*c != '.') out[count++] = *c;
  }
  int exp10 = 0;
  const char* c = e + 1;
  bool negative = *c == '-';
  if (*c == '-' || *c == '+') ++c;
  std::from_chars(c, end, exp10);
  exponent = (negative ? -exp10 : exp10) + 1;
  return count;
}

// Takes the first `keep` digits (keep >= 0), adds one unit in the last place when `up`, and
// drops trailing zeros; a carry out of the first digit raises the exponent.
void KeepDigits(const char* digits, int keep, bool up, int exponent, Decimal& out) {
  int count = keep;
  std::memcpy(out.digits, digits, static_cast<size_t>(count));
  if (up) {
    int i = count - 1;
    while (i >= 0 && out.digits[i] == '9') --i;
    if (i < 0) {
      out.digits[0] = '1';
      count = 1;
      ++exponent;
    } else {
      ++out.digits[i];
      count = i + 1;
    }
  }
  while (count > 0 && out.digits[count - 1] == '0') --count;
  out.count = count;
  out.exponent = count > 0 ? exponent : 0;
}

// Rounds |value| (finite, non-zero) to the digit count chosen by `digitsFor` (which gets the
// exact exponent e and may return 0 or less), halves away from zero, on the exact value.
template <class DigitsFor>
void RoundExact(double magnitude, DigitsFor digitsFor, Decimal& out) {
  // Seventeen significant digits give the exact exponent for every normal double; should a
  // subnormal one carry into the next power of ten, it rounds to that power at any count too.
  char probe[kExactDigits + 8];
  int exponent = 0;
  int length = ScientificDigits(magnitude, 17, probe, exponent);
  int keep = std::min(digitsFor(exponent), kMaxPrecision);
  if (keep < 0) {
    out.count = 0;
    out.exponent = 0;
    return;
  }
  if (keep + 1 > length) length = ScientificDigits(magnitude, keep + 3, probe, exponent);

  // The probe is itself rounded; it decides the direction unless its dropped part reads
  // exactly "500...0", which may hide a value just below or at the half.
  bool up;
  const char* tail = probe + keep;
  const char* tailEnd = probe + length;
  if (*tail != '5') {
    up = *tail > '5';
  } else if (std::any_of(tail + 1, tailEnd, [](char c) { return c != '0'; })) {
    up = true;
  } else {
    int exactExponent = 0;
    length = ScientificDigits(magnitude, kExactDigits, probe, exactExponent);
    up = probe[keep] >= '5';  // the exact first dropped digit; a true tie goes away from zero
  }

  KeepDigits(probe, keep, up, exponent, out);
}

// Shortcut on the shortest text that reads back as the double (at most 17 digits). Between
// the double and that text lies no other text of the same length or shorter, so:
// - when it has no more digits than wanted, it is the correctly rounded result, provided the
//   half unit of the last wanted digit exceeds half the double's spacing (up to 15 digits of a
//   normal number);
// - when it has more, it lies on the same side of the half as the exact value, unless it is
//   that half itself, which only the exact digits can settle.
template <class DigitsFor>
bool RoundShortest(double magnitude, DigitsFor digitsFor, Decimal& out) {
  char buffer[40];
  auto result =
      std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
  const char* const end = result.ptr;
  const char* const start = buffer;
  const char* e = std::find(start, end, 'e');
  int count = 0;
  char digits[24];
  for (const char* c = start; c != e; ++c) {
    if (*c != '.') digits[count++] = *c;
  }
  while (count > 1 && digits[count - 1] == '0') --count;
  int exp10 = 0;
  const char* c = e + 1;
  bool negative = *c == '-';
  if (*c == '-' || *c == '+') ++c;
  std::from_chars(c, end, exp10);
  int exponent = (negative ? -exp10 : exp10) + 1;
  int keep = digitsFor(exponent);
  if (count <= keep) {
    if (keep > 15 || magnitude < std::numeric_limits<double>::min()) return false;
    std::memcpy(out.digits, digits, static_cast<size_t>(count));
    out.count = count;
    out.exponent = exponent;
    return true;
  }
  if (keep < 1) return false;
  if (count == keep + 1 && digits[keep] == '5') return false;
  KeepDigits(digits, keep, digits[keep] >= '5', exponent, out);
  return true;
}

template <class DigitsFor>
void RoundValue(double magnitude, DigitsFor digitsFor, Decimal& out) {
  if (!RoundShortest(magnitude, digitsFor, out)) RoundExact(magnitude, digitsFor, out);
}

int ClampPrecision(int precision) {
  return std::clamp(precision, 1, kMaxPrecision);
}

bool NonFinite(double value, std::string& text) {
  if (std::isnan(value)) {
    text = "NAN";
    return true;
  }
  if (std::isinf(value)) {
    text = value < 0 ? "-INF" : "INF";
    return true;
  }
  return false;
}

void AppendZeros(std::string& text, int n) {
  if (n > 0) text.append(static_cast<size_t>(n), '0');
}

std::string GeneralText(bool negative, const Decimal& d, int precision) {
  std::string text;
  text.reserve(static_cast<size_t>(d.count) + 12);
  if (negative) text += '-';
  const int e = d.exponent;
  if (e >= -3 && e <= precision) {
    if (e <= 0) {
      text += "0.";
      AppendZeros(text, -e);
      text.append(d.digits, static_cast<size_t>(d.count));
    } else if (d.count <= e) {
      text.append(d.digits, static_cast<size_t>(d.count));
      AppendZeros(text, e - d.count);
    } else {
      text.append(d.digits, static_cast<size_t>(e));
      text += '.';
      text.append(d.digits + e, static_cast<size_t>(d.count - e));
    }
  } else {
    text += d.digits[0];
    if (d.count > 1) {
      text += '.';
      text.append(d.digits + 1, static_cast<size_t>(d.count - 1));
    }
    text += 'E';
    char exp[16];
    auto r = std::to_chars(exp, exp + sizeof exp, e - 1);
    text.append(exp, r.ptr);
  }
  return text;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Checks the strict real grammar and reports where the mantissa's first significant digit
// stands relative to the point, to tell overflow from underflow.
bool MatchReal(const char* begin, const char* end, long long& magnitude, bool& allZero) {
  const char* c = begin;
  if (c != end && (*c == '+' || *c == '-')) ++c;
  int intDigits = 0, fracDigits = 0;
  long long firstNonZero = 0;  // position of the first non-zero digit: digits before point
  allZero = true;
  for (; c != end && IsDigit(*c); ++c, ++intDigits) {
    if (allZero && *c != '0') {
      allZero = false;
      firstNonZero = 0;
    }
    if (!allZero) ++firstNonZero;
  }
  if (c != end && *c == '.') {
    ++c;
    long long position = 0;
    for (; c != end && IsDigit(*c); ++c, ++fracDigits) {
      --position;
      if (allZero && *c != '0') {
        allZero = false;
        firstNonZero = position + 1;
      }
    }
  }
  if (intDigits + fracDigits == 0) return false;
  long long exponent = 0;
  if (c != end && (*c == 'e' || *c == 'E')) {
    ++c;
    bool negative = false;
    if (c != end && (*c == '+' || *c == '-')) negative = *c++ == '-';
    if (c == end || !IsDigit(*c)) return false;
    for (; c != end && IsDigit(*c); ++c) {
      if (exponent < 1000000000LL) exponent = exponent * 10 + (*c - '0');
    }
    if (negative) exponent = -exponent;
  }
  if (c != end) return false;
  magnitude = firstNonZero + exponent;
  return true;
}

// The common plain decimal, without exponent and of at most 15 digits, read quickly: it is
// M / 10^d with M and 10^d exact doubles, and that one correctly rounded division gives the
// nearest double, as the full conversion does. False when the text is of any other form.
bool PlainDecimal(const char* c, const char* end, double& value) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  bool negative = false;
  if (c != end && (*c == '-' || *c == '+')) negative = *c++ == '-';
  std::uint64_t mantissa = 0;
  int digits = 0, decimals = 0;
  bool point = false;
  for (; c != end; ++c) {
    if (IsDigit(*c)) {
      if (++digits > 15) return false;
      mantissa = mantissa * 10 + static_cast<unsigned>(*c - '0');
      if (point) ++decimals;
    } else if (*c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[decimals];
  value = negative ? -magnitude : magnitude;
  return true;
}

}  // namespace

std::string FormatGeneral(double value, int precision) {
  std::string text;
  if (NonFinite(value, text)) return text;
  if (value == 0) return "0";
  const int p = ClampPrecision(precision);
  Decimal d;
  RoundValue(
      std::fabs(value), [p](int) { return p; }, d);
  return GeneralText(value < 0, d, p);
}

std::string FormatFixed(double value, int precision, int decimals) {
  std::string text;
  if (NonFinite(value, text)) return text;
  const int p = ClampPrecision(precision);
  const int places = std::max(decimals, 0);
  Decimal d;
  if (value != 0) {
    RoundValue(
        std::fabs(value),
        [p, places](int e) {
          return static_cast<int>(std::min<long long>(p, static_cast<long long>(e) + places));
        },
        d);
    if (d.count > 0 && d.exponent > p) return GeneralText(value < 0, d, p);
  }
  text.reserve(static_cast<size_t>(std::max(d.exponent, 1) + places) + 3);
  if (value < 0) text += '-';
  const int e = d.count > 0 ? d.exponent : 0;
  if (e <= 0) {
    text += '0';
  } else {
    int n = std::min(d.count, e);
    text.append(d.digits, static_cast<size_t>(n));
    AppendZeros(text, e - n);
  }
  if (places > 0) {
    text += '.';
    size_t start = text.size();
    if (e < 0) AppendZeros(text, std::min(-e, places));
    if (d.count > e) {
      int from = std::max(e, 0);
      text.append(d.digits + from, static_cast<size_t>(d.count - from));
    }
    size_t written = text.size() - start;
    if (written > static_cast<size_t>(places)) {
      text.resize(start + static_cast<size_t>(places));
    } else {
      AppendZeros(text, places - static_cast<int>(written));
    }
  }
  return text;
}

bool IsFixedText(std::string_view text, int precision, int decimals) {
  if (precision < 1 || precision > 15 || decimals < 1) return false;
  const char* c = text.data();
  const char* const end = c + text.size();
  const bool negative = c != end && *c == '-';
  if (negative) ++c;
  const char* const intBegin = c;
  while (c != end && IsDigit(*c)) ++c;
  const long intDigits = c - intBegin;
  if (intDigits < 1 || intDigits > precision || (intDigits > 1 && *intBegin == '0')) return false;
  if (end - c != decimals + 1 || *c != '.') return false;
  for (const char* f = c + 1; f != end; ++f)
    if (!IsDigit(*f)) return false;
  // Significant digits: from the first to the last non-zero digit.
  int first = -1, last = -1, position = 0;
  for (const char* d = intBegin; d != end; ++d) {
    if (*d == '.') continue;
    if (*d != '0') {
      if (first < 0) first = position;
      last = position;
    }
    ++position;
  }
  if (first < 0) return !negative;  // zero carries no sign
  return last - first + 1 <= precision;
}

bool TryStrToFloat(std::string_view text, double& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (PlainDecimal(begin, end, value)) return true;
  long long magnitude = 0;
  bool allZero = true;
  if (!MatchReal(begin, end, magnitude, allZero)) return false;
  const bool negative = *begin == '-';
  if (*begin == '+' || *begin == '-') ++begin;
  double result = 0;
  auto r = std::from_chars(begin, end, result, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    if (!allZero && magnitude > 0) return false;  // beyond the largest double
    result = 0;                                   // too small: underflows to zero
  } else if (r.ec != std::errc() || r.ptr != end) {
    return false;
  }
  if (!std::isfinite(result)) return false;
  value = negative ? -result : result;
  return true;
}

bool IsRealText(std::string_view text) {
  long long magnitude = 0;
  bool allZero = true;
  return MatchReal(text.data(), text.data() + text.size(), magnitude, allZero);
}

bool TryStrToInt(std::string_view text, int& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin == end) return false;
  bool negative = false;
  if (*begin == '+' || *begin == '-') negative = *begin++ == '-';
  if (begin == end) return false;
  long long result = 0;
  for (const char* c = begin; c != end; ++c) {
    if (!IsDigit(*c)) return false;
    result = result * 10 + (*c - '0');
    if (result > 2147483648LL) return false;
  }
  if (negative) result = -result;
  if (result > 2147483647LL) return false;
  value = static_cast<int>(result);
  return true;
}

double StrToFloat(std::string_view text) {
  double value = 0;
  if (!TryStrToFloat(text, value)) {
    throw UserError("'" + std::string(text) + "' is not a valid floating point value");
  }
  return value;
}

int StrToInt(std::string_view text) {
  int value = 0;
  if (!TryStrToInt(text, value))
    throw UserError("'" + std::string(text) + "' is not a valid integer value");
  return value;
}

std::string ListIndexErrorText(long long index) {
  return "List index out of bounds (" + std::to_string(index) + ")";
}

}  // namespace tarvelin
