// Independent model of the number formats built on an exact big-integer expansion.
#include "exact_decimal.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace tarvelin::test {

namespace {

// Little-endian big integer in base 10^9.
using Big = std::vector<std::uint32_t>;
constexpr std::uint32_t kBase = 1000000000u;

void MultiplySmall(Big& n, std::uint32_t factor) {
  std::uint64_t carry = 0;
  for (auto& limb : n) {
    std::uint64_t v = std::uint64_t{limb} * factor + carry;
    limb = static_cast<std::uint32_t>(v % kBase);
    carry = v / kBase;
  }
  while (carry) {
    n.push_back(static_cast<std::uint32_t>(carry % kBase));
    carry /= kBase;
  }
}

std::string ToText(const Big& n) {
  std::string text = std::to_string(n.back());
  for (size_t i = n.size() - 1; i-- > 0;) {
    std::string limb = std::to_string(n[i]);
    text += std::string(9 - limb.size(), '0') + limb;
  }
  return text;
}

// Rounds the exact digits to `keep` significant digits, halves away from zero.
ExactDecimal RoundHalfAway(ExactDecimal d, int keep) {
  if (keep >= static_cast<int>(d.Digits.size())) return d;
  if (keep < 0) return {"", 0};
  bool up = d.Digits[static_cast<size_t>(keep)] >= '5';
  std::string digits = d.Digits.substr(0, static_cast<size_t>(keep));
  int exponent = d.Exponent;
  if (up) {
    int i = keep - 1;
    while (i >= 0 && digits[static_cast<size_t>(i)] == '9') digits[static_cast<size_t>(i--)] = '0';
    if (i < 0) {
      digits.insert(digits.begin(), '1');
      ++exponent;
    } else {
      ++digits[static_cast<size_t>(i)];
    }
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) return {"", 0};
  return {digits, exponent};
}

std::string Zeros(int n) {
  return n > 0 ? std::string(static_cast<size_t>(n), '0') : "";
}

std::string GeneralOf(bool negative, const ExactDecimal& d, int precision) {
  const std::string& s = d.Digits;
  const int k = static_cast<int>(s.size());
  const int e = d.Exponent;
  std::string text = negative ? "-" : "";
  if (-3 <= e && e <= precision) {
    if (e <= 0) {
      text += "0." + Zeros(-e) + s;
    } else {
      text += k >= e ? s.substr(0, static_cast<size_t>(e)) : s + Zeros(e - k);
      if (k > e) text += "." + s.substr(static_cast<size_t>(e));
    }
  } else {
    text += s.substr(0, 1);
    if (k > 1) text += "." + s.substr(1);
    text += "E" + std::to_string(e - 1);
  }
  return text;
}

}  // namespace

ExactDecimal ExpandExactly(double value) {
  int binaryExponent = 0;
  double fraction = std::frexp(std::fabs(value), &binaryExponent);
  auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  int shift = binaryExponent - 53;  // |value| = mantissa * 2^shift
  Big n{static_cast<std::uint32_t>(mantissa % kBase)};
  if (mantissa >= kBase) n.push_back(static_cast<std::uint32_t>(mantissa / kBase));
  int decimalShift = 0;
  for (; shift > 0; --shift) MultiplySmall(n, 2);
  for (; shift < 0; ++shift) {  // m / 2^s = m * 5^s / 10^s
    MultiplySmall(n, 5);
    --decimalShift;
  }
  while (n.size() > 1 && n.back() == 0) n.pop_back();
  std::string digits = ToText(n);
  ExactDecimal d;
  d.Exponent = static_cast<int>(digits.size()) + decimalShift;
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  d.Digits = digits;
  return d;
}

std::string ReferenceGeneral(double value, int precision) {
  if (value == 0) return "0";
  ExactDecimal d = RoundHalfAway(ExpandExactly(value), precision);
  return GeneralOf(value < 0, d, precision);
}

std::string ReferenceFixed(double value, int precision, int decimals) {
  ExactDecimal d;
  if (value != 0) {
    ExactDecimal exact = ExpandExactly(value);
    d = RoundHalfAway(exact, std::min(precision, exact.Exponent + decimals));
    if (!d.Digits.empty() && d.Exponent > precision) return ReferenceGeneral(value, precision);
  }
  std::string text = value < 0 ? "-" : "";
  std::string all;  // the digits placed from 10^(e-1) down, e <= 0 padded with zeros
  int e = d.Digits.empty() ? 0 : d.Exponent;
  if (e <= 0) {
    text += "0";
    all = Zeros(-e) + d.Digits;
  } else {
    std::string whole = d.Digits + Zeros(e - static_cast<int>(d.Digits.size()));
    text += whole.substr(0, static_cast<size_t>(e));
    all = whole.substr(static_cast<size_t>(e));
  }
  if (decimals > 0) {
    all += Zeros(decimals - static_cast<int>(all.size()));
    text += "." + all.substr(0, static_cast<size_t>(decimals));
  }
  return text;
}

}  // namespace tarvelin::test
