// Shared text routines (blanks, words, fields, number-text tests) and the busy wait.
#include "support/unitlib.h"

#include <chrono>
#include <clocale>
#include <cmath>

namespace tarvelin {

void WaitMilliseconds(int ms, const std::function<void()>& processEvents) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  bool over = false;
  // No sleep between passes: events are handled at full speed for the whole wait.
  while (!over) {
    const std::chrono::duration<double, std::milli> elapsed = Clock::now() - start;
    if (std::fabs(elapsed.count()) > ms) over = true;
    if (processEvents) processEvents();
  }
}

void SetNumberFormats() {
  // Our own number text never depends on the locale; this keeps any C library conversion
  // elsewhere in the process on "." as well.
  std::setlocale(LC_NUMERIC, "C");
}

bool IsDigitString(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool IsNumberText(std::string_view text) {
  size_t i = 0;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (!((c >= '0' && c <= '9') || c == '.' || c == ',' || c == 'E' || c == 'e')) return false;
  }
  return true;
}

bool IsBlankChar(char c) {
  return c == 8 || c == 10 || c == 12 || c == 13 || c == 32;
}

void TrimLeadingBlanks(std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsBlankChar(text[i])) ++i;
  text.erase(0, i);
}

void TrimTrailingBlanks(std::string& text) {
  size_t n = text.size();
  while (n > 0 && IsBlankChar(text[n - 1])) --n;
  text.resize(n);
}

void CollapseBlanks(std::string& text) {
  std::string out;
  out.reserve(text.size());
  bool inRun = false;
  for (char c : text) {
    if (IsBlankChar(c)) {
      if (!inRun) out += c;  // the run's first character stays, whatever blank it is
      inRun = true;
    } else {
      out += c;
      inRun = false;
    }
  }
  TrimTrailingBlanks(out);
  text.swap(out);
}

void NormaliseBlanks(std::string& text) {
  TrimLeadingBlanks(text);
  TrimTrailingBlanks(text);
  CollapseBlanks(text);
}

std::string GetWord(int n, const std::string& text) {
  std::string copy = text;
  TrimLeadingBlanks(copy);
  TrimTrailingBlanks(copy);
  std::string result;
  int counter = 0;
  size_t from = 0;
  while (true) {
    const size_t p = copy.find(' ', from);
    ++counter;
    if (p == std::string::npos) {
      if (counter == n) result = copy.substr(from);
      break;
    }
    if (counter == n) result = copy.substr(from, p - from);
    from = copy.find_first_not_of(' ', p);
    if (from == std::string::npos) from = copy.size();
  }
  return result;
}

int CountFields(std::string_view text, char separator) {
  int count = 1;
  for (char c : text) {
    if (c == separator) ++count;
  }
  return count;
}

std::string_view GetField(int n, std::string_view text, char separator) {
  // The text without its leading and trailing blanks, as a range: no copy of the whole text.
  std::size_t from = 0, end = text.size();
  while (from < end && IsBlankChar(text[from])) ++from;
  while (end > from && IsBlankChar(text[end - 1])) --end;
  if (n < 1) return text.substr(from, end - from);
  for (int counter = 1;; ++counter) {
    const std::size_t p = text.find(separator, from);
    if (p == std::string_view::npos || p >= end) return text.substr(from, end - from);
    if (counter == n) return text.substr(from, p - from);
    from = p + 1;
  }
}

}  // namespace tarvelin
