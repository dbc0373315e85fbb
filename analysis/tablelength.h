// The table length (rows of the node, bar and force tables, header row included): its bounds,
// the rules that pick it from the command line, the settings file and the about box, and their
// messages.
#pragma once

#include <string>

namespace tarvelin {

constexpr int kDefaultGridLength = 101;
// The table length never exceeds 1,000,001 rows (1,000,000 data rows) nor goes below 2.
constexpr int kMinGridLength = 2;
constexpr int kMaxGridLength = 1000001;
// Lengths up to this are too short to choose: a stored one below it is replaced by
// kDefaultGridLength and the about box accepts only a longer one.
constexpr int kShortGridLength = 20;

// gridLength brought into kMinGridLength..kMaxGridLength.
int ClampGridLength(int gridLength);
// kMinGridLength <= length <= kMaxGridLength.
bool GridLengthInRange(int length);
// The settings file's "gridlength" as used: below kShortGridLength it is kDefaultGridLength.
int StoredGridLength(int length);

// "The table length <text> lies outside the range 2 to 1000001; the table length stays
// <current>." (command line and settings file).
std::string GridLengthRangeMessage(const std::string& text, int current);

// What the main window does with the table length the about box gave back.
enum class TableLengthChange {
  Unchanged,   // same as now, or 20 data rows or fewer (ignored without a message)
  Accepted,    // resize the four tables to it
  OutOfRange,  // beyond kMaxGridLength: report TableLengthOutOfRangeText, keep the length
};
TableLengthChange AcceptTableLength(int newGridLength, int current);
// "The table length <rows> lies outside the range 20 to 1000000; the table length stays
// <rows>." in data rows, as the combo box shows them.
std::string TableLengthOutOfRangeText(int newGridLength, int current);

}  // namespace tarvelin
