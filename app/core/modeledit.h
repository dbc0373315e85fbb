// One change of the model as undo and redo see it (cells, fields, the table length, the
// unused-dof switch), and the table operations that make one: copying and pasting
// tab-separated text, clearing cells, and any command compared before and after.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "analysis/modelstore.h"

namespace tarvelin {

// The input tables, in the order of the "Hinged bars" page.
enum class ModelTable { Nodes = 0, Bars = 1, Types = 2 };
TextGrid& TableOf(ModelStore& store, ModelTable table);
const TextGrid& TableOf(const ModelStore& store, ModelTable table);
// The first grid row the user may fill (the type table's row 1 mirrors the E and A fields).
int FirstDataRow(ModelTable table);

struct CellChange {
  ModelTable Table = ModelTable::Nodes;
  int Col = 0;
  int Row = 0;  // grid row
  std::string Before;
  std::string After;
};

struct FieldChange {
  int Field = 0;  // NumberEdit 4..11
  std::string Before;
  std::string After;
};

struct ModelEdit {
  std::vector<CellChange> Cells;
  std::vector<FieldChange> Fields;
  int GridLengthBefore = 0;  // both 0, or equal: the table length stays
  int GridLengthAfter = 0;
  bool SwitchChanged = false;  // "disregard unused dof's"
  bool SwitchAfter = false;
  bool Empty() const {
    return Cells.empty() && Fields.empty() && GridLengthBefore == GridLengthAfter && !SwitchChanged;
  }
};

// Puts the store in the state after the edit (forward) or before it.
void ApplyEdit(ModelStore& store, const ModelEdit& edit, bool forward);

// The model's input as it stands: filled data cells of the three input tables, the load and
// property fields, the switch and the table length (empty cells are not kept, so a long,
// mostly empty table costs little).
struct ModelSnapshot {
  struct Cell {
    int Col;
    int Row;
    std::string Text;
  };
  int GridLength = 0;
  bool Switch = false;
  std::array<std::string, 8> Fields;
  std::array<std::vector<Cell>, 3> Cells;
};
ModelSnapshot TakeModelSnapshot(const ModelStore& store);
// What changed from the snapshot to the store now.
ModelEdit EditSince(const ModelSnapshot& before, const ModelStore& store);

// A block of cells: rows of cells, all as text.
using CellBlock = std::vector<std::vector<std::string>>;

// Tab-separated text as a spreadsheet puts it on the clipboard: rows end in "\n" or "\r\n",
// cells are separated by tabs; the line end after the last row is not a row.
CellBlock ParseTabText(const std::string& text);
// The cells of grid columns firstCol..lastCol, rows firstRow..lastRow as tab-separated text,
// one line (ending in "\n") per row. selected(col, row) false leaves that cell empty.
// The same for any cells: text(col, row) gives a cell's text.
template <typename Text, typename Selected>
std::string TabTextOf(Text text, int firstCol, int lastCol, int firstRow, int lastRow,
                      Selected selected) {
  std::string out;
  for (int r = firstRow; r <= lastRow; ++r) {
    for (int c = firstCol; c <= lastCol; ++c) {
      if (c > firstCol) out += '\t';
      if (selected(c, r)) out += text(c, r);
    }
    out += '\n';
  }
  return out;
}
template <typename Selected>
std::string TabText(const TextGrid& grid, int firstCol, int lastCol, int firstRow, int lastRow,
                    Selected selected) {
  return TabTextOf([&grid](int c, int r) { return grid.Cell(c, r); }, firstCol, lastCol, firstRow,
                   lastRow, selected);
}

// A paste into table from cell (col, row) on: the edit that performs it, or the message
// that refuses it whole (then Edit is empty). The table grows (all tables with it) when the
// block needs more rows, up to kMaxGridLength; a cell must be empty or a number as the table
// reads typed text (a decimal comma included).
struct PastePlan {
  ModelEdit Edit;
  std::string Refusal;
};
PastePlan PlanPaste(const ModelStore& store, ModelTable table, int col, int row,
                    const CellBlock& block);

// Empties the given cells (fixed cells are passed over).
struct GridCell {
  int Col;
  int Row;
};
ModelEdit ClearCellsEdit(const ModelStore& store, ModelTable table,
                         const std::vector<GridCell>& cells);
// Empties every data cell of the table (columns from 1, rows from 1).
ModelEdit ClearTableEdit(const ModelStore& store, ModelTable table);

}  // namespace tarvelin
