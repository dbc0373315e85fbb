// A slow, independent model of the number formats: exact decimal expansion of a double by
// big-integer arithmetic, rounding by hand, and the formats as their rules read.
#pragma once

#include <string>

namespace tarvelin::test {

// All significant digits of |value| (finite, non-zero), without trailing zeros, and the
// exponent e such that |value| = 0.digits x 10^e.
struct ExactDecimal {
  std::string Digits;
  int Exponent = 0;
};
ExactDecimal ExpandExactly(double value);

std::string ReferenceGeneral(double value, int precision);
std::string ReferenceFixed(double value, int precision, int decimals);

}  // namespace tarvelin::test
