// Number text: the program's three number formats and the strict conversions, locale-proof.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace tarvelin {

// A failure the user must see: a strict conversion that failed, a file that could not be
// written. Thrown from deep inside an operation, caught once per command by the window's
// general error display (or by the headless batch run, which prints it and exits 1).
class UserError : public std::runtime_error {
 public:
  explicit UserError(const std::string& message) : std::runtime_error(message) {}
};

// General format with p significant digits (p = 15 is "the general text of a number").
// Rounds the exact value of the double to p significant digits, halves away from zero,
// drops trailing zeros; plain for -3 <= e <= p, else scientific ("1E-5", "2.5E20").
// Zero, negative zero included, is "0".
std::string FormatGeneral(double value, int precision = 15);

// Fixed format with precision p and d decimals: at most p significant digits and at most
// d decimals, exactly d decimals shown; more than p digits before the point falls back to
// FormatGeneral(value, p). The sign follows the value before rounding (-0.0004 with d = 3
// reads "-0.000"); zero and negative zero have no sign.
std::string FormatFixed(double value, int precision, int decimals);

// True when text is exactly what FormatFixed(value, precision, decimals) writes for its own
// value (precision up to 15, decimals at least 1), so that converting and formatting it again
// can be skipped: an optional "-", an integer part of one to `precision` digits without leading
// zero, a point and `decimals` decimals, at most `precision` significant digits, and no negative
// zero. Such a decimal lies within half an ulp of its double, far from any rounding boundary of
// its own digits, so converting and formatting gives it back.
bool IsFixedText(std::string_view text, int precision, int decimals);

// Strict conversions. A real is: optional sign, digits with optional point and fraction
// (".5" and "5." included), optional exponent ("E"/"e", optional sign, digits), finite.
// A whole number is: optional sign and digits, within the 32-bit range. Nothing else passes
// (no blanks, comma, "inf", "nan", hexadecimal). "." is the decimal point whatever the locale.
bool TryStrToFloat(std::string_view text, double& value);
bool TryStrToInt(std::string_view text, int& value);
// True when the text has the form of a strict real, whatever its size (1E400 included).
bool IsRealText(std::string_view text);

// As above, throwing UserError("'<text>' is not a valid floating point value") or
// UserError("'<text>' is not a valid integer value").
double StrToFloat(std::string_view text);
int StrToInt(std::string_view text);

// "List index out of bounds (<index>)": the message of a negative row number.
std::string ListIndexErrorText(long long index);

}  // namespace tarvelin
