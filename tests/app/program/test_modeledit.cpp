// Tests of model edits: undo and redo through snapshots, tab-separated text, and the rules of
// a paste (where it lands, when the table grows, what is refused whole).
#include "app/core/modeledit.h"

#include <gtest/gtest.h>

#include "analysis/modelstore.h"

namespace tarvelin {
namespace {

ModelStore Filled() {
  ModelStore store;
  store.GridLength = 20;
  InitTables(store);
  store.CoordGrid.SetCell(1, 1, "1.000");
  store.CoordGrid.SetCell(2, 1, "0.000");
  store.CoordGrid.SetCell(3, 1, "0.000");
  store.EleGrid.SetCell(1, 1, "1");
  store.EleGrid.SetCell(2, 1, "2");
  store.EleGrid.SetCell(3, 1, "0");
  store.PropGrid.SetCell(1, 3, "2.1E8");
  store.PropGrid.SetCell(2, 3, "0.001");
  store.NumberEdit(4).SetText("5");
  return store;
}

// Every input cell, field and switch, to compare two stores.
std::string Dump(const ModelStore& store) {
  std::string out = std::to_string(store.GridLength) + (store.CheckBox2 ? "+" : "-");
  for (int n = 4; n <= 11; ++n) out += "|" + store.NumberEdit(n).Text();
  for (const TextGrid* grid : {&store.CoordGrid, &store.EleGrid, &store.PropGrid}) {
    out += "#" + std::to_string(grid->RowCount());
    for (int r = 0; r < grid->RowCount(); ++r)
      for (int c = 0; c < grid->ColCount(); ++c) out += std::string(grid->Cell(c, r)) + ",";
  }
  return out;
}

TEST(ModelEdit, SnapshotEditUndoesAndRedoesAnyCommand) {
  ModelStore store = Filled();
  const std::string before = Dump(store);
  const ModelSnapshot snap = TakeModelSnapshot(store);
  ClearModel(store);  // New: every kind of change at once
  store.NumberEdit(6).SetText("-3");
  store.CheckBox2 = false;
  store.ResizeTables(30);
  InitTables(store);
  store.CoordGrid.SetCell(2, 29, "7");
  const std::string after = Dump(store);
  const ModelEdit edit = EditSince(snap, store);
  EXPECT_FALSE(edit.Empty());
  ApplyEdit(store, edit, false);
  EXPECT_EQ(Dump(store), before);
  ApplyEdit(store, edit, true);
  EXPECT_EQ(Dump(store), after);
  // Nothing changed: an empty edit.
  EXPECT_TRUE(EditSince(TakeModelSnapshot(store), store).Empty());
}

TEST(ModelEdit, ShrunkTableComesBackWhole) {
  ModelStore store = Filled();
  store.CoordGrid.SetCell(1, 19, "9");
  const std::string before = Dump(store);
  const ModelSnapshot snap = TakeModelSnapshot(store);
  store.ResizeTables(10);
  const ModelEdit edit = EditSince(snap, store);
  ApplyEdit(store, edit, false);
  EXPECT_EQ(Dump(store), before);
}

struct TabCase {
  const char* Name;
  std::string Text;
  CellBlock Expected;
};

TEST(ModelEdit, ParsesSpreadsheetText) {
  const TabCase cases[] = {
      {"empty", "", {}},
      {"one cell", "7", {{"7"}}},
      {"trailing line end", "1\t2\n3\t4\n", {{"1", "2"}, {"3", "4"}}},
      {"CR LF", "1\t2\r\n3\t4\r\n", {{"1", "2"}, {"3", "4"}}},
      {"no trailing line end", "1\t2\n3\t4", {{"1", "2"}, {"3", "4"}}},
      {"empty cells kept", "\t5\t\n", {{"", "5", ""}}},
      {"empty row inside", "1\n\n2\n", {{"1"}, {""}, {"2"}}},
  };
  for (const TabCase& c : cases) EXPECT_EQ(ParseTabText(c.Text), c.Expected) << c.Name;
}

TEST(ModelEdit, PasteLandsFromTheCurrentCellAndGrowsTheTable) {
  ModelStore store = Filled();
  const PastePlan plan =
      PlanPaste(store, ModelTable::Nodes, 2, 18, ParseTabText("1,5\t 2 \n3\t4\n5\t6\n"));
  ASSERT_EQ(plan.Refusal, "");
  EXPECT_EQ(plan.Edit.GridLengthBefore, 20);
  EXPECT_EQ(plan.Edit.GridLengthAfter, 21);  // grid rows 18, 19, 20
  ApplyEdit(store, plan.Edit, true);
  EXPECT_EQ(store.CoordGrid.RowCount(), 21);
  EXPECT_EQ(store.PropGrid.RowCount(), 22);
  EXPECT_EQ(store.CoordGrid.Cell(2, 18), "1,5");  // as typed; the cleaning reads the comma
  EXPECT_EQ(store.CoordGrid.Cell(3, 18), "2");
  EXPECT_EQ(store.CoordGrid.Cell(3, 20), "6");
  EXPECT_EQ(store.CoordGrid.Cell(0, 20), "20");
  EXPECT_EQ(store.CoordGrid.Cell(1, 18), "");
}

TEST(ModelEdit, PasteIntoTheTypeTableStartsBelowTypeZero) {
  ModelStore store = Filled();
  const PastePlan plan = PlanPaste(store, ModelTable::Types, 1, 1, ParseTabText("3\t4\n"));
  ASSERT_EQ(plan.Refusal, "");
  for (const CellChange& c : plan.Edit.Cells) EXPECT_GE(c.Row, 2);  // type 0 follows the fields
  ApplyEdit(store, plan.Edit, true);
  EXPECT_EQ(store.PropGrid.Cell(1, 2), "3");
  EXPECT_EQ(store.PropGrid.Cell(2, 2), "4");
}

struct RefusedCase {
  const char* Name;
  ModelTable Table;
  int Col, Row;
  std::string Text;
  std::string Message;
};

TEST(ModelEdit, PasteIsRefusedWholeNamingTheCell) {
  const RefusedCase cases[] = {
      {"not a number", ModelTable::Nodes, 1, 2, "1\t2\t3\n4\tabc\t6\n",
       "Nothing was pasted: 'abc' is not a number (column \"Y [m]\", node 3)."},
      {"thousands separator", ModelTable::Bars, 1, 1, "1.234,5\t2\n",
       "Nothing was pasted: '1.234,5' is not a whole number (column \"begin node\", bar 1)."},
      {"node number with decimals", ModelTable::Bars, 2, 3, "2.5\n",
       "Nothing was pasted: '2.5' is not a whole number (column \"end node\", bar 3)."},
      {"type row label", ModelTable::Types, 2, 5, "x\n",
       "Nothing was pasted: 'x' is not a number (column \"A [m^2]\", type 4)."},
      {"too wide", ModelTable::Nodes, 2, 1, "1\t2\t3\n",
       "Nothing was pasted: the text is 3 columns wide, and from column \"Y [m]\" on the table "
       "has 2."},
      {"beyond the row limit", ModelTable::Nodes, 1, kMaxGridLength - 1, "1\n2\n",
       "Nothing was pasted: the text needs 1000001 table rows, and a table holds at most "
       "1000000."},
  };
  for (const RefusedCase& c : cases) {
    const ModelStore store = Filled();
    const PastePlan plan = PlanPaste(store, c.Table, c.Col, c.Row, ParseTabText(c.Text));
    EXPECT_EQ(plan.Refusal, c.Message) << c.Name;
    EXPECT_TRUE(plan.Edit.Empty()) << c.Name;
  }
}

TEST(ModelEdit, PasteUpToTheLastRowTheProgramHolds) {
  const ModelStore store = Filled();
  const PastePlan plan = PlanPaste(store, ModelTable::Nodes, 1, kMaxGridLength - 1, {{"1", "2"}});
  EXPECT_EQ(plan.Refusal, "");
  EXPECT_EQ(plan.Edit.GridLengthAfter, kMaxGridLength);
}

TEST(ModelEdit, ClearingCellsPassesOverFixedAndEmptyCells) {
  const ModelStore store = Filled();
  const ModelEdit edit =
      ClearCellsEdit(store, ModelTable::Types, {{1, 1}, {1, 3}, {2, 3}, {1, 4}, {0, 3}});
  ASSERT_EQ(edit.Cells.size(), 2u);
  EXPECT_EQ(edit.Cells[0].Before, "2.1E8");
  EXPECT_EQ(edit.Cells[1].Before, "0.001");
  EXPECT_EQ(ClearTableEdit(store, ModelTable::Nodes).Cells.size(), 3u);
}

}  // namespace
}  // namespace tarvelin
