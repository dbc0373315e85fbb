// The table length's bounds, rules and messages.
#include "analysis/tablelength.h"

#include <algorithm>

namespace tarvelin {

int ClampGridLength(int gridLength) {
  return std::clamp(gridLength, kMinGridLength, kMaxGridLength);
}

bool GridLengthInRange(int length) {
  return length >= kMinGridLength && length <= kMaxGridLength;
}

int StoredGridLength(int length) {
  return length < kShortGridLength ? kDefaultGridLength : length;
}

std::string GridLengthRangeMessage(const std::string& text, int current) {
  return "The table length " + text + " lies outside the range " + std::to_string(kMinGridLength) +
         " to " + std::to_string(kMaxGridLength) + "; the table length stays " +
         std::to_string(current) + ".";
}

TableLengthChange AcceptTableLength(int newGridLength, int current) {
  if (newGridLength == current || newGridLength <= kShortGridLength) {
    return TableLengthChange::Unchanged;
  }
  if (newGridLength > kMaxGridLength) return TableLengthChange::OutOfRange;
  return TableLengthChange::Accepted;
}

std::string TableLengthOutOfRangeText(int newGridLength, int current) {
  // The shortest accepted length, kShortGridLength + 1 rows, is kShortGridLength data rows.
  return "The table length " + std::to_string(static_cast<long long>(newGridLength) - 1) +
         " lies outside the range " + std::to_string(kShortGridLength) + " to " +
         std::to_string(kMaxGridLength - 1) + "; the table length stays " +
         std::to_string(current - 1) + ".";
}

}  // namespace tarvelin
