// The model store: text grids, the numeric fields, and cleaning, counting and reading the model.
#include "analysis/modelstore.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "support/numtext.h"
#include "support/unitlib.h"

namespace tarvelin {

namespace {

// A row number computed from user data (a type plus one) may not fit an int; such a row lies
// beyond every grid and reads as empty.
std::string_view CellAtRow(const TextGrid& grid, int col, long long row) {
  if (row > INT_MAX) return {};
  return grid.Cell(col, static_cast<int>(row));
}

void WriteRowNumbers(TextGrid& grid, int offset) {
  char digits[16];
  for (int r = 1; r < grid.RowCount(); ++r) {
    const auto end = std::to_chars(digits, digits + sizeof digits, r - offset).ptr;
    grid.SetCell(0, r, std::string_view(digits, static_cast<size_t>(end - digits)));
  }
}

// The characters that cleaning may change: the blank characters and the comma.
struct CleanableChars {
  bool table[256] = {};
  CleanableChars() {
    for (int c = 0; c < 256; ++c) table[c] = c == ',' || IsBlankChar(static_cast<char>(c));
  }
};

bool HasBlankOrComma(std::string_view text) {
  static const CleanableChars cleanable;
  for (char c : text)
    if (cleanable.table[static_cast<unsigned char>(c)]) return true;
  return false;
}

// True when a copy of the cell would pass CleanNumberText; the cell stays as it is.
bool CellPassesCleaning(std::string_view cell, std::string& scratch) {
  if (cell.empty()) return false;
  if (!HasBlankOrComma(cell)) return IsNumberText(cell);
  scratch.assign(cell);
  return CleanNumberText(scratch);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TextGrid

void CellText::Assign(std::string_view text) {
  if (text.size() <= kInline) {
    // Through a copy: text may lie in this cell's own bytes.
    char copy[kInline];
    if (!text.empty()) std::memcpy(copy, text.data(), text.size());
    Release();
    if (!text.empty()) std::memcpy(bytes_, copy, text.size());
    bytes_[kTag] = static_cast<char>(text.size());
    return;
  }
  if (text.size() > UINT32_MAX) throw std::length_error("TextGrid: cell text too long");
  char* block = new char[text.size()];
  std::memcpy(block, text.data(), text.size());
  const auto size = static_cast<std::uint32_t>(text.size());
  Release();
  std::memcpy(bytes_, &block, sizeof block);
  std::memcpy(bytes_ + sizeof block, &size, sizeof size);
  bytes_[kTag] = static_cast<char>(kOutside);
}

void CellText::Release() noexcept {
  if (static_cast<unsigned char>(bytes_[kTag]) != kOutside) return;
  char* block;
  std::memcpy(&block, bytes_, sizeof block);
  delete[] block;
  bytes_[kTag] = 0;
}

TextGrid::TextGrid(int colCount, int rowCount)
    : colCount_(std::max(colCount, 0)),
      rowCount_(std::max(rowCount, 0)),
      cells_(static_cast<size_t>(colCount_) * static_cast<size_t>(rowCount_)) {}

void TextGrid::SetRowCount(int rows) {
  TARVELIN_ASSERT(rows >= 0);
  // Row-major storage: cutting or extending the tail keeps every surviving row.
  cells_.resize(static_cast<size_t>(colCount_) * static_cast<size_t>(rows));
  if (rows < rowCount_) cells_.shrink_to_fit();
  rowCount_ = rows;
}

void TextGrid::CheckNotNegative(int col, int row) {
  if (col < 0) throw UserError(ListIndexErrorText(col));
  if (row < 0) throw UserError(ListIndexErrorText(row));
}

void TextGrid::SetCell(int col, int row, std::string_view text) {
  if (!Inside(col, row)) {
    CheckNotNegative(col, row);
    // Beyond the grid: the caller promised a cell inside it.
    CheckFailed(__FILE__, __LINE__, "col < ColCount() && row < RowCount()");
  }
  cells_[Index(col, row)].Assign(text);
}

void TextGrid::ClearCells(int firstCol, int firstRow) {
  for (int r = std::max(firstRow, 0); r < rowCount_; ++r)
    for (int c = std::max(firstCol, 0); c < colCount_; ++c) cells_[Index(c, r)].Clear();
}

// ---------------------------------------------------------------------------------------------
// ModelStore

ModelStore::ModelStore()
    : fields_{
          // Loads Fx, Fy, Fz, Tx, Ty, Tz.
          NumberLogic::Designed(TNumberType::RealType, -1000000000, 1000000000, "0"),
          NumberLogic::Designed(TNumberType::RealType, -1000000000, 1000000000, "0"),
          NumberLogic::Designed(TNumberType::RealType, -1000000000, 1000000000, "0"),
          NumberLogic::Designed(TNumberType::RealType, -1000000000, 1000000000, "0"),
          NumberLogic::Designed(TNumberType::RealType, -1000000000, 1000000000, "0"),
          NumberLogic::Designed(TNumberType::RealType, -1000000000, 1000000000, "0"),
          // Default E and A (bar type 0).
          NumberLogic::Designed(TNumberType::RealType, 0, 1000000000, "0"),
          NumberLogic::Designed(TNumberType::RealType, 0, 100000, "0"),
          // Displacements ux, uy, uz, phix, phiy, phiz.
          NumberLogic::Designed(TNumberType::RealType, -1000000000, 1000000000, "0"),
          NumberLogic::Designed(TNumberType::RealType, -1000000000, 1000000000, "0"),
          NumberLogic::Designed(TNumberType::RealType, -1000000000, 1000000000, "0"),
          NumberLogic::Designed(TNumberType::RealType, -1000000000, 1000000000, "0"),
          NumberLogic::Designed(TNumberType::RealType, -1000000000, 1000000000, "0"),
          NumberLogic::Designed(TNumberType::RealType, -1000000000, 1000000000, "0"),
      } {}

void ModelStore::ResizeTables(int gridLength) {
  GridLength = ClampGridLength(gridLength);
  CoordGrid.SetRowCount(GridLength);
  EleGrid.SetRowCount(GridLength);
  PropGrid.SetRowCount(GridLength + 1);
  StringGrid3.SetRowCount(GridLength);
}

// ---------------------------------------------------------------------------------------------
// Table operations

void InitTables(ModelStore& store) {
  store.ResizeTables(store.GridLength);

  TextGrid& coord = store.CoordGrid;
  coord.SetCell(0, 0, "node");
  coord.SetCell(1, 0, "X [m]");
  coord.SetCell(2, 0, "Y [m]");
  coord.SetCell(3, 0, "Z [m]");
  WriteRowNumbers(coord, 0);

  TextGrid& ele = store.EleGrid;
  ele.SetCell(0, 0, "bar");
  ele.SetCell(1, 0, "begin node");
  ele.SetCell(2, 0, "end node");
  ele.SetCell(3, 0, "type");
  WriteRowNumbers(ele, 0);

  TextGrid& prop = store.PropGrid;
  prop.SetCell(0, 0, "type");
  prop.SetCell(1, 0, "E [kN/m^2]");
  prop.SetCell(2, 0, "A [m^2]");
  WriteRowNumbers(prop, 1);  // row r holds type r - 1

  TextGrid& forces = store.StringGrid3;
  forces.SetCell(0, 0, "bar");
  forces.SetCell(1, 0, "normal force [kN]");
  WriteRowNumbers(forces, 0);
}

double CoordinateValue(std::string_view cleaned, int col, int row) {
  try {
    return StrToFloat(cleaned);
  } catch (const UserError& e) {
    const char axis = "XYZ"[col - 1];
    throw UserError(std::string(e.what()) + "\nNode " + std::to_string(row) + ": " + axis +
                    (cleaned.empty() ? " holds blanks only" : " holds no valid number") +
                    " (node table, row " + std::to_string(row) + ", column \"" + axis + " [m]\").");
  }
}

bool CleanNumberText(std::string& text) {
  if (text.empty()) return false;
  if (!HasBlankOrComma(text)) return IsNumberText(text);  // nothing to clean
  NormaliseBlanks(text);
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  const auto comma = text.find(',');
  if (comma != std::string::npos) text[comma] = '.';
  return IsNumberText(text);
}

bool NormaliseTables(ModelStore& store) {
  bool ok = true;
  std::string scratch;

  TextGrid& coord = store.CoordGrid;
  for (int r = 1; r < coord.RowCount(); ++r) {
    for (int c = 1; c <= 3 && c < coord.ColCount(); ++c) {
      const std::string_view cell = coord.Cell(c, r);
      if (cell.empty() || IsFixedText(cell, 6, 3)) continue;
      scratch.assign(cell);
      if (CleanNumberText(scratch)) {
        coord.SetCell(c, r, FormatFixed(CoordinateValue(scratch, c, r), 6, 3));
      } else {
        ok = false;  // the cell keeps its text so the user can find it
      }
    }
  }

  TextGrid& ele = store.EleGrid;
  for (int r = 1; r < ele.RowCount(); ++r) {
    for (int c = 1; c <= 2; ++c) {
      const std::string_view cell = ele.Cell(c, r);
      if (cell.empty()) continue;
      if (!HasBlankOrComma(cell)) {
        ok = ok && IsNumberText(cell);  // cleaning would leave it as it is
        continue;
      }
      scratch.assign(cell);
      if (CleanNumberText(scratch)) {
        ele.SetCell(c, r, scratch);
      } else {
        ok = false;
      }
    }
    if (!ele.Cell(1, r).empty() && !ele.Cell(2, r).empty() && ele.Cell(3, r).empty())
      ele.SetCell(3, r, "0");
  }
  return ok;
}

int CountNodes(const ModelStore& store) {
  const TextGrid& coord = store.CoordGrid;
  std::string scratch;
  int count = 0;
  for (int r = 1; r < coord.RowCount(); ++r) {
    if (CellPassesCleaning(coord.Cell(1, r), scratch) &&
        CellPassesCleaning(coord.Cell(2, r), scratch) &&
        CellPassesCleaning(coord.Cell(3, r), scratch))
      ++count;
  }
  return count;
}

int CountBars(const ModelStore& store) {
  const TextGrid& ele = store.EleGrid;
  std::string scratch;
  int count = 0;
  for (int r = 1; r < ele.RowCount(); ++r) {
    if (CellPassesCleaning(ele.Cell(1, r), scratch) && CellPassesCleaning(ele.Cell(2, r), scratch))
      ++count;
  }
  return count;
}

namespace {

// Where a bar's reading stopped: the cell being converted.
enum class BarStage { BeginNode, BeginCoordinates, EndNode, EndCoordinates, Type, E, A };

const char* const kCoordinateColumns[3] = {"X [m]", "Y [m]", "Z [m]"};

// The sentence that names the table, row and column of the entry a bar could not read.
std::string BarEntryText(const ModelStore& store, int bar, BarStage stage, const BarData& b,
                         int coordinate) {
  const std::string prefix = "Bar " + std::to_string(bar) + ": ";
  const std::string barCell = " (bar table, row " + std::to_string(bar) + ", column \"";
  auto wrong = [&](int col) {
    return store.EleGrid.Cell(col, bar).empty() ? " is missing" : " is not a whole number";
  };
  switch (stage) {
    case BarStage::BeginNode:
      return prefix + "the begin node" + wrong(1) + barCell + "begin node\").";
    case BarStage::EndNode:
      return prefix + "the end node" + wrong(2) + barCell + "end node\").";
    case BarStage::Type:
      return prefix + "the type" + wrong(3) + barCell + "type\").";
    case BarStage::BeginCoordinates:
    case BarStage::EndCoordinates: {
      const bool begin = stage == BarStage::BeginCoordinates;
      const int node = begin ? b.BeginNode : b.EndNode;
      const std::string which = (begin ? "begin node " : "end node ") + std::to_string(node);
      if (node < 1) return prefix + which + " does not exist; nodes are numbered from 1.";
      const TextGrid& coord = store.CoordGrid;
      if (coord.Cell(1, node).empty() && coord.Cell(2, node).empty() && coord.Cell(3, node).empty())
        return prefix + which + " has no coordinates.";
      const std::string no =
          coord.Cell(coordinate + 1, node).empty() ? " has no " : " has no valid ";
      return prefix + which + no + std::string(1, "XYZ"[coordinate]) +
             " coordinate (node table, row " + std::to_string(node) + ", column \"" +
             kCoordinateColumns[coordinate] + "\").";
    }
    case BarStage::E:
    case BarStage::A: {
      if (b.Type < 0)
        return prefix + "bar type " + std::to_string(b.Type) +
               " does not exist; types are numbered from 0.";
      const bool e = stage == BarStage::E;
      const std::string name = e ? "E" : "A";
      const bool empty =
          CellAtRow(store.PropGrid, e ? 1 : 2, static_cast<long long>(b.Type) + 1).empty();
      return prefix + "bar type " + std::to_string(b.Type) +
             (empty ? " has no " : " has no valid ") + name + " (bar type table, type " +
             std::to_string(b.Type) + ", column \"" + (e ? "E [kN/m^2]" : "A [m^2]") + "\").";
    }
  }
  return prefix;
}

}  // namespace

namespace {

// The one reading of a bar's cells, in table order: begin node and its X, Y, Z, end node and
// its X, Y, Z, then (withProperties) type, E and A. The first cell that does not convert
// throws its UserError; stage and coordinate then tell which cell it was.
void ReadBarCells(const ModelStore& store, int bar, bool withProperties, BarData& b,
                  BarStage& stage, int& coordinate) {
  const TextGrid& coord = store.CoordGrid;
  const TextGrid& ele = store.EleGrid;
  auto readNode = [&](int node, double& x, double& y, double& z) {
    coordinate = 0;
    x = StrToFloat(coord.Cell(1, node));
    coordinate = 1;
    y = StrToFloat(coord.Cell(2, node));
    coordinate = 2;
    z = StrToFloat(coord.Cell(3, node));
  };
  stage = BarStage::BeginNode;
  b.BeginNode = StrToInt(ele.Cell(1, bar));
  stage = BarStage::BeginCoordinates;
  readNode(b.BeginNode, b.X1, b.Y1, b.Z1);
  stage = BarStage::EndNode;
  b.EndNode = StrToInt(ele.Cell(2, bar));
  stage = BarStage::EndCoordinates;
  readNode(b.EndNode, b.X2, b.Y2, b.Z2);
  if (!withProperties) return;
  stage = BarStage::Type;
  b.Type = StrToInt(ele.Cell(3, bar));
  stage = BarStage::E;
  const long long typeRow = static_cast<long long>(b.Type) + 1;
  if (typeRow < 0) throw UserError(ListIndexErrorText(typeRow));
  b.E = StrToFloat(CellAtRow(store.PropGrid, 1, typeRow));
  stage = BarStage::A;
  b.A = StrToFloat(CellAtRow(store.PropGrid, 2, typeRow));
}

}  // namespace

BarData ReadBar(const ModelStore& store, int bar) {
  BarData b;
  BarStage stage = BarStage::BeginNode;
  int coordinate = 0;
  try {
    ReadBarCells(store, bar, true, b, stage, coordinate);
  } catch (const UserError& e) {
    // The conversion's own text first, then where the entry lies.
    throw UserError(std::string(e.what()) + "\n" + BarEntryText(store, bar, stage, b, coordinate));
  }
  return b;
}

BarData ReadBarNodes(const ModelStore& store, int bar) {
  BarData b;
  BarStage stage = BarStage::BeginNode;
  int coordinate = 0;
  ReadBarCells(store, bar, false, b, stage, coordinate);
  return b;
}

void ResetModelView(ModelStore& store) {
  store.CheckBox1 = false;
  store.CheckBox2 = true;
  store.GroupBox4Visible = false;
  store.StringGrid3Visible = false;
  store.Label38Visible = false;
  store.Memo1Visible = false;
  store.Result = CalculationResult{};
}

void MirrorDefaultTypeE(ModelStore& store) {
  if (store.PropGrid.RowCount() < 2) return;
  store.PropGrid.SetCell(1, 1, FormatGeneral(store.NumberEdit(10).RealValue()));
}

void MirrorDefaultTypeA(ModelStore& store) {
  if (store.PropGrid.RowCount() < 2) return;
  store.PropGrid.SetCell(2, 1, FormatGeneral(store.NumberEdit(11).RealValue()));
}

void MirrorDefaultType(ModelStore& store) {
  MirrorDefaultTypeE(store);
  MirrorDefaultTypeA(store);
}

void ClearModel(ModelStore& store) {
  ResetModelView(store);
  store.Label23 = "0 nodes";
  store.Label24 = "0 bars";
  for (int n = 4; n <= 17; ++n) store.NumberEdit(n).SetRealValue(0);
  MirrorDefaultType(store);
  store.StringGrid3.ClearCells(1, 1);
  store.CoordGrid.ClearCells(1, 1);
  store.EleGrid.ClearCells(1, 1);
  store.PropGrid.ClearCells(1, 2);
}

void ClearResults(ModelStore& store) {
  store.GroupBox4Visible = false;
  store.StringGrid3Visible = false;
  store.Label38Visible = false;
  store.Memo1Visible = false;
  for (int n = 12; n <= 17; ++n) store.NumberEdit(n).SetRealValue(0);
  store.StringGrid3.ClearCells(1, 1);
  store.Result = CalculationResult{};
}

}  // namespace tarvelin
