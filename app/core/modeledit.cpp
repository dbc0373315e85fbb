// Model edits for undo and redo, snapshots of the model's input, and pasting and clearing
// table cells.
#include "app/core/modeledit.h"

#include <algorithm>

#include "support/numtext.h"

namespace tarvelin {

namespace {

constexpr int kFirstInputField = 4;
constexpr int kLastInputField = 11;
constexpr ModelTable kTables[] = {ModelTable::Nodes, ModelTable::Bars, ModelTable::Types};

// A pasted cell the table takes: empty, or a number once cleaned as the page change cleans
// typed text (blanks out, a decimal comma read as a point) that the calculation then reads:
// whole numbers in the bar table, any number elsewhere.
bool AcceptedCell(const std::string& text, ModelTable table) {
  if (text.empty()) return true;
  std::string cleaned = text;
  if (!CleanNumberText(cleaned)) cleaned = text;  // 1e-3: read as it stands
  if (table == ModelTable::Bars) {
    int whole = 0;
    return TryStrToInt(cleaned, whole);
  }
  double value = 0;
  return TryStrToFloat(cleaned, value);
}

std::string Trimmed(const std::string& text) {
  const auto blank = [](char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; };
  size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

TextGrid& TableOf(ModelStore& store, ModelTable table) {
  switch (table) {
    case ModelTable::Nodes:
      return store.CoordGrid;
    case ModelTable::Bars:
      return store.EleGrid;
    case ModelTable::Types:
      break;
  }
  return store.PropGrid;
}

const TextGrid& TableOf(const ModelStore& store, ModelTable table) {
  return TableOf(const_cast<ModelStore&>(store), table);
}

int FirstDataRow(ModelTable table) {
  return table == ModelTable::Types ? 2 : 1;
}

void ApplyEdit(ModelStore& store, const ModelEdit& edit, bool forward) {
  const int length = forward ? edit.GridLengthAfter : edit.GridLengthBefore;
  const bool resized = edit.GridLengthBefore != edit.GridLengthAfter;
  // Grown before the cells are written, cut after they are emptied.
  const bool grow = resized && length > store.GridLength;
  if (grow) {
    store.ResizeTables(length);
    InitTables(store);
  }
  for (const CellChange& c : edit.Cells) {
    TextGrid& grid = TableOf(store, c.Table);
    if (c.Row < grid.RowCount() && c.Col < grid.ColCount())
      grid.SetCell(c.Col, c.Row, forward ? c.After : c.Before);
  }
  for (const FieldChange& f : edit.Fields)
    store.NumberEdit(f.Field).SetText(forward ? f.After : f.Before);
  if (edit.SwitchChanged) store.CheckBox2 = forward ? edit.SwitchAfter : !edit.SwitchAfter;
  if (resized && !grow) {
    store.ResizeTables(length);
    InitTables(store);
  }
}

ModelSnapshot TakeModelSnapshot(const ModelStore& store) {
  ModelSnapshot snap;
  snap.GridLength = store.GridLength;
  snap.Switch = store.CheckBox2;
  for (int n = kFirstInputField; n <= kLastInputField; ++n)
    snap.Fields[n - kFirstInputField] = store.NumberEdit(n).Text();
  for (ModelTable table : kTables) {
    const TextGrid& grid = TableOf(store, table);
    auto& cells = snap.Cells[static_cast<int>(table)];
    for (int r = 1; r < grid.RowCount(); ++r)
      for (int c = 1; c < grid.ColCount(); ++c)
        if (!grid.Cell(c, r).empty()) cells.push_back({c, r, std::string(grid.Cell(c, r))});
  }
  return snap;
}

ModelEdit EditSince(const ModelSnapshot& before, const ModelStore& store) {
  ModelEdit edit;
  if (before.GridLength != store.GridLength) {
    edit.GridLengthBefore = before.GridLength;
    edit.GridLengthAfter = store.GridLength;
  }
  if (before.Switch != store.CheckBox2) {
    edit.SwitchChanged = true;
    edit.SwitchAfter = store.CheckBox2;
  }
  for (int n = kFirstInputField; n <= kLastInputField; ++n) {
    const std::string& old = before.Fields[n - kFirstInputField];
    if (old != store.NumberEdit(n).Text())
      edit.Fields.push_back({n, old, store.NumberEdit(n).Text()});
  }
  for (ModelTable table : kTables) {
    const TextGrid& grid = TableOf(store, table);
    const auto& cells = before.Cells[static_cast<int>(table)];
    size_t i = 0;
    // Both in row-major order: one pass over the grid with a cursor in the snapshot.
    for (int r = 1; r < grid.RowCount(); ++r) {
      for (int c = 1; c < grid.ColCount(); ++c) {
        const bool kept = i < cells.size() && cells[i].Row == r && cells[i].Col == c;
        const std::string_view old = kept ? std::string_view(cells[i++].Text) : std::string_view();
        const std::string_view now = grid.Cell(c, r);
        if (old != now) edit.Cells.push_back({table, c, r, std::string(old), std::string(now)});
      }
    }
    for (; i < cells.size(); ++i)  // rows the table no longer has
      edit.Cells.push_back({table, cells[i].Col, cells[i].Row, cells[i].Text, std::string()});
  }
  return edit;
}

CellBlock ParseTabText(const std::string& text) {
  CellBlock block;
  std::vector<std::string> row(1);
  for (size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (ch == '\n' || ch == '\r') {
      block.push_back(std::move(row));
      row.assign(1, std::string());
    } else if (ch == '\t') {
      row.emplace_back();
    } else {
      row.back() += ch;
    }
  }
  if (row.size() > 1 || !row.front().empty()) block.push_back(std::move(row));
  return block;
}

PastePlan PlanPaste(const ModelStore& store, ModelTable table, int col, int row,
                    const CellBlock& block) {
  PastePlan plan;
  const TextGrid& grid = TableOf(store, table);
  size_t width = 0;
  for (const auto& cells : block) width = std::max(width, cells.size());
  if (block.empty() || width == 0) return plan;
  col = std::max(col, 1);
  row = std::max(row, FirstDataRow(table));
  const int room = grid.ColCount() - col;
  if (static_cast<long long>(width) > room) {
    plan.Refusal = "Nothing was pasted: the text is " + std::to_string(width) +
                   " columns wide, and from column \"" + std::string(grid.Cell(col, 0)) +
                   "\" on the table has " + std::to_string(room) + ".";
    return plan;
  }
  const long long lastRow = static_cast<long long>(row) + static_cast<long long>(block.size()) - 1;
  const long long neededLength = table == ModelTable::Types ? lastRow : lastRow + 1;
  if (neededLength > kMaxGridLength) {
    plan.Refusal = "Nothing was pasted: the text needs " + std::to_string(neededLength - 1) +
                   " table rows, and a table holds at most " + std::to_string(kMaxGridLength - 1) +
                   ".";
    return plan;
  }
  const int length = std::max(store.GridLength, static_cast<int>(neededLength));
  for (size_t i = 0; i < block.size(); ++i) {
    const int r = row + static_cast<int>(i);
    for (size_t j = 0; j < block[i].size(); ++j) {
      const int c = col + static_cast<int>(j);
      const std::string text = Trimmed(block[i][j]);
      if (!AcceptedCell(text, table)) {
        plan.Edit = ModelEdit{};
        // Rows beyond the table are labelled as they will be once it has grown.
        const std::string label =
            table == ModelTable::Types ? std::to_string(r - 1) : std::to_string(r);
        const char* kind = table == ModelTable::Bars ? "a whole number" : "a number";
        plan.Refusal = "Nothing was pasted: '" + text + "' is not " + kind + " (column \"" +
                       std::string(grid.Cell(c, 0)) + "\", " + std::string(grid.Cell(0, 0)) + " " +
                       label + ").";
        return plan;
      }
      const std::string_view old = grid.Cell(c, r);  // empty beyond the table
      if (old != text) plan.Edit.Cells.push_back({table, c, r, std::string(old), text});
    }
  }
  if (length != store.GridLength) {
    plan.Edit.GridLengthBefore = store.GridLength;
    plan.Edit.GridLengthAfter = length;
  }
  return plan;
}

ModelEdit ClearCellsEdit(const ModelStore& store, ModelTable table,
                         const std::vector<GridCell>& cells) {
  ModelEdit edit;
  const TextGrid& grid = TableOf(store, table);
  for (const GridCell& cell : cells) {
    if (cell.Col < 1 || cell.Row < FirstDataRow(table) || cell.Col >= grid.ColCount() ||
        cell.Row >= grid.RowCount())
      continue;
    const std::string_view old = grid.Cell(cell.Col, cell.Row);
    if (!old.empty())
      edit.Cells.push_back({table, cell.Col, cell.Row, std::string(old), std::string()});
  }
  return edit;
}

ModelEdit ClearTableEdit(const ModelStore& store, ModelTable table) {
  ModelEdit edit;
  const TextGrid& grid = TableOf(store, table);
  for (int r = 1; r < grid.RowCount(); ++r)
    for (int c = 1; c < grid.ColCount(); ++c)
      if (!grid.Cell(c, r).empty())
        edit.Cells.push_back({table, c, r, std::string(grid.Cell(c, r)), std::string()});
  return edit;
}

}  // namespace tarvelin
