// Shared text routines: blanks, words, "@"-fields, number-text tests, and waiting.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tarvelin {

// Busy-waits for ms milliseconds, calling processEvents on every pass (so the window keeps
// painting and handlers may run inside the wait). A negative duration ends after one pass.
void WaitMilliseconds(int ms, const std::function<void()>& processEvents);

// Fixes the process-wide number conventions ("." as decimal separator for the C library).
void SetNumberFormats();

// True when every character is "0".."9"; the empty text yields true.
bool IsDigitString(std::string_view text);

// Character test, not a parse: an optional first "-"/"+", then only 0-9 . , E e.
// The empty text and a lone sign yield true; "1E-5" yields false.
bool IsNumberText(std::string_view text);

// The blank characters are exactly the codes 8, 10, 12, 13 and 32 (not tab, not 11).
bool IsBlankChar(char c);
void TrimLeadingBlanks(std::string& text);
void TrimTrailingBlanks(std::string& text);
// Keeps the first character of every run of blanks, then trims the end.
void CollapseBlanks(std::string& text);
// TrimLeadingBlanks, TrimTrailingBlanks, CollapseBlanks.
void NormaliseBlanks(std::string& text);

// The n-th word (from 1), words separated by runs of spaces; empty when out of range.
std::string GetWord(int n, const std::string& text);
// Number of separator characters plus one.
int CountFields(std::string_view text, char separator);
// The n-th field after trimming the whole text; n < 1 gives the whole trimmed text,
// n beyond the last field gives the last field. A view into text.
std::string_view GetField(int n, std::string_view text, char separator);

}  // namespace tarvelin
