// The model store: four grids of text cells, the fourteen numeric fields and the results
// view state, with the table operations every subsystem shares.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/results.h"
#include "analysis/tablelength.h"
#include "support/check.h"
#include "support/numberlogic.h"

namespace tarvelin {

// The text of one cell in 16 bytes: up to 15 characters in place, a longer text in a block of
// its own. A grid of a million rows holds 13 million cells, most of them a few characters
// long, so a std::string (32 bytes, and its own block beyond 15 characters) would triple the
// memory of the tables.
class CellText {
 public:
  CellText() noexcept { bytes_[kTag] = 0; }
  CellText(const CellText& other) : CellText() { Assign(other.View()); }
  CellText(CellText&& other) noexcept {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    other.bytes_[kTag] = 0;
  }
  CellText& operator=(const CellText& other) {
    if (this != &other) Assign(other.View());
    return *this;
  }
  CellText& operator=(CellText&& other) noexcept {
    if (this != &other) {
      Release();
      std::memcpy(bytes_, other.bytes_, sizeof bytes_);
      other.bytes_[kTag] = 0;
    }
    return *this;
  }
  ~CellText() { Release(); }

  std::string_view View() const noexcept {
    const unsigned char tag = static_cast<unsigned char>(bytes_[kTag]);
    if (tag <= kInline) return {bytes_, tag};
    const char* text;
    std::uint32_t size;
    std::memcpy(&text, bytes_, sizeof text);
    std::memcpy(&size, bytes_ + sizeof text, sizeof size);
    return {text, size};
  }
  void Assign(std::string_view text);
  void Clear() noexcept {
    Release();
    bytes_[kTag] = 0;
  }

 private:
  static constexpr int kTag = 15;                  // the last byte: length in place, or kOutside
  static constexpr unsigned char kInline = 15;     // longest text held in place
  static constexpr unsigned char kOutside = 0xFF;  // pointer and length in the first 12 bytes
  void Release() noexcept;
  char bytes_[16];
};

// A grid of text cells addressed by (column, row), both from 0; row 0 holds the headers and
// column 0 the row labels.
class TextGrid {
 public:
  TextGrid(int colCount, int rowCount);

  int ColCount() const { return colCount_; }
  int RowCount() const { return rowCount_; }
  // Resizes to rows rows; cells of surviving rows are kept, new rows are empty.
  void SetRowCount(int rows);

  // Cell access for the program. A negative row or column throws
  // UserError("List index out of bounds (n)"); a cell beyond the grid reads as empty text.
  // The text stays valid until this cell is written or the grid is resized.
  std::string_view Cell(int col, int row) const {
    if (Inside(col, row)) return cells_[Index(col, row)].View();
    CheckNotNegative(col, row);
    return {};  // beyond the grid
  }
  // col and row must lie inside the grid (a negative index throws UserError as Cell does; an
  // index beyond the grid is a programming error and stops the program).
  void SetCell(int col, int row, std::string_view text);

  // Empties the cells of columns firstCol..ColCount()-1 in rows firstRow..RowCount()-1.
  void ClearCells(int firstCol, int firstRow);

 private:
  bool Inside(int col, int row) const {
    return col >= 0 && row >= 0 && col < colCount_ && row < rowCount_;
  }
  size_t Index(int col, int row) const {
    return static_cast<size_t>(row) * static_cast<size_t>(colCount_) + static_cast<size_t>(col);
  }
  static void CheckNotNegative(int col, int row);

  int colCount_;
  int rowCount_;
  std::vector<CellText> cells_;  // row-major
};

class ModelStore {
 public:
  ModelStore();

  // Rows of CoordGrid, EleGrid and StringGrid3; PropGrid has one more.
  int GridLength = kDefaultGridLength;

  TextGrid CoordGrid{4, kDefaultGridLength};
  TextGrid EleGrid{4, kDefaultGridLength};
  TextGrid PropGrid{3, kDefaultGridLength + 1};
  TextGrid StringGrid3{2, kDefaultGridLength};

  // NumberEdit4..NumberEdit9 loads, NumberEdit10 E, NumberEdit11 A,
  // NumberEdit12..NumberEdit17 displacements.
  NumberLogic& NumberEdit(int n) {
    TARVELIN_ASSERT(n >= 4 && n <= 17);
    return fields_[n - 4];
  }
  const NumberLogic& NumberEdit(int n) const {
    TARVELIN_ASSERT(n >= 4 && n <= 17);
    return fields_[n - 4];
  }

  // The record of the last calculation; cleared together with the results view.
  CalculationResult Result;

  // Results view state that the window shows.
  bool GroupBox4Visible = false;
  bool StringGrid3Visible = false;
  bool Label38Visible = false;
  bool Memo1Visible = false;
  std::string Label23;
  std::string Label24;
  std::vector<std::string> Memo1;
  bool CheckBox1 = false;  // "Show test data during calculation fase"
  bool CheckBox2 = true;   // "disregard unused dof's"
  // Active page of PageControl1: 0 "Block", 1 "Hinged bars", 2 "Results".
  int ActivePage = 0;

  // File labels and caption (ShowDataFileName).
  std::string PathNameLabel = "path=";
  std::string FileNameLabel = "file=";
  std::string Caption = "Tarvelin on bars";

  // Sets GridLength to gridLength, held within kMinGridLength..kMaxGridLength, and the row
  // counts of the four tables to it (PropGrid one more), keeping the surviving cells; does not
  // write headers (InitTables does).
  void ResizeTables(int gridLength);

 private:
  std::array<NumberLogic, 14> fields_;
};

// Sizes and heads the four tables to GridLength (held within its bounds); no data cell is
// touched.
void InitTables(ModelStore& store);
// Cleans a number text in place; true when the cleaned text passes IsNumberText.
bool CleanNumberText(std::string& text);
// The value of a cleaned coordinate cell (col 1..3 of CoordGrid row row); a text that does not
// convert throws UserError with the conversion's message and a line naming the node, the table,
// the row and the column.
double CoordinateValue(std::string_view cleaned, int col, int row);
// Cleans and reformats every filled coordinate and node cell; true when all passed.
bool NormaliseTables(ModelStore& store);
int CountNodes(const ModelStore& store);
int CountBars(const ModelStore& store);

struct BarData {
  int BeginNode = 0;
  int EndNode = 0;
  double X1 = 0, Y1 = 0, Z1 = 0;
  double X2 = 0, Y2 = 0, Z2 = 0;
  int Type = 0;
  double E = 0;
  double A = 0;
};
// Reads bar i with strict conversions: nodes, their coordinates, type, E and A, each cell
// once. The first bad cell throws UserError: the conversion's text and a line naming the entry.
BarData ReadBar(const ModelStore& store, int bar);
// The same reading of bar i's nodes and their coordinates alone (Type, E and A stay 0), for
// the scene; the first bad cell throws the conversion's UserError as it is.
BarData ReadBarNodes(const ModelStore& store, int bar);

// Clears CheckBox1, checks CheckBox2, hides GroupBox4, StringGrid3, Label38 and Memo1.
void ResetModelView(ModelStore& store);

// Results out of date (the model changed, or a calculation failed): the displacements are 0,
// the force table is empty, the result controls are hidden and the record is cleared, so that
// neither the window nor a save shows results of another model. The switches stay as they are.
void ClearResults(ModelStore& store);

// Bar type 0 is E and A of the property fields (NumberEdit 10 and 11): the first row of the
// bar-type table mirrors them as general text. Does nothing on a table without that row.
void MirrorDefaultTypeE(ModelStore& store);
void MirrorDefaultTypeA(ModelStore& store);
// Both of the above.
void MirrorDefaultType(ModelStore& store);

// The model of File > New: results hidden, "0 nodes", "0 bars", every field 0, the type-0
// row "0", "0", all data cells of the four tables empty; row and type numbers stay.
void ClearModel(ModelStore& store);

}  // namespace tarvelin
