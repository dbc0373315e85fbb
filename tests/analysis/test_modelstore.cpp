// Tests of the model store: grids, table set-up, cleaning, normalising, counting, reading bars.
#include "analysis/modelstore.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <stdexcept>
#include <string>

#include "model_helpers.h"
#include "support/numtext.h"
#include "support/unitlib.h"

namespace tarvelin {
namespace {

using test::MakeStore;
using test::SetBar;
using test::SetNode;
using test::SetType;

// First line of a message: the conversion's text, before the line that names the entry.
std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

// Message of the UserError that fn throws, or "<no error>".
template <typename Fn>
std::string UserErrorOf(Fn&& fn) {
  try {
    fn();
  } catch (const UserError& e) {
    return e.what();
  }
  return "<no error>";
}

// ---------------------------------------------------------------------------------------------
// TextGrid

TEST(TextGrid, ResizeKeepsSurvivingCellsAndEmptiesNewRows) {
  TextGrid g(3, 4);
  g.SetCell(1, 1, "a");
  g.SetCell(2, 3, "b");
  g.SetRowCount(3);
  EXPECT_EQ(g.RowCount(), 3);
  EXPECT_EQ(g.Cell(1, 1), "a");
  EXPECT_EQ(g.Cell(2, 3), "");  // beyond the grid now
  g.SetRowCount(6);
  EXPECT_EQ(g.Cell(1, 1), "a");
  EXPECT_EQ(g.Cell(2, 3), "");  // the cut row does not come back
  g.SetCell(2, 5, "c");
  EXPECT_EQ(g.Cell(2, 5), "c");
}

TEST(TextGrid, NegativeIndexIsListIndexErrorAndBeyondReadsEmpty) {
  TextGrid g(2, 3);
  EXPECT_EQ(UserErrorOf([&] { g.Cell(1, -1); }), "List index out of bounds (-1)");
  EXPECT_EQ(UserErrorOf([&] { g.Cell(-2, 1); }), "List index out of bounds (-2)");
  EXPECT_EQ(g.Cell(5, 1), "");
  EXPECT_EQ(g.Cell(1, 3), "");
  EXPECT_EQ(UserErrorOf([&] { g.SetCell(0, -7, "x"); }), "List index out of bounds (-7)");
}

// A writable cell beyond the grid is a programming error: the program stops and says where.
TEST(TextGridDeathTest, WritingBeyondTheGridStops) {
  TextGrid g(2, 3);
  EXPECT_DEATH(g.SetCell(0, 3, "x"), "modelstore.cpp:[0-9]+: check failed: col < ColCount");
  EXPECT_DEATH(g.SetRowCount(-1), "check failed: rows >= 0");
}

// Texts of up to 15 characters are held in the cell, longer ones outside it: each length at
// and around that boundary survives writing over a shorter and a longer text, a copy of the
// grid, its own text written back, and a resize.
TEST(TextGrid, CellTextsOfEveryLengthSurviveRewritesCopiesAndResizing) {
  const std::string texts[] = {"",
                               "1",
                               std::string(14, 'a'),
                               std::string(15, 'b'),
                               std::string(16, 'c'),
                               std::string(17, 'd'),
                               "normal force [kN]",
                               std::string(5000, 'e') + "end",
                               std::string("nul\0inside", 11)};
  for (const std::string& before : texts) {
    for (const std::string& after : texts) {
      SCOPED_TRACE(std::to_string(before.size()) + " -> " + std::to_string(after.size()));
      TextGrid g(2, 3);
      g.SetCell(1, 1, before);
      g.SetCell(0, 2, "neighbour");
      EXPECT_EQ(g.Cell(1, 1), before);
      g.SetCell(1, 1, after);
      EXPECT_EQ(g.Cell(1, 1), after);
      EXPECT_EQ(g.Cell(0, 2), "neighbour");
      g.SetCell(1, 1, g.Cell(1, 1));  // its own text
      EXPECT_EQ(g.Cell(1, 1), after);
      g.SetCell(1, 2, g.Cell(1, 1).substr(after.size() / 2));  // part of another cell
      EXPECT_EQ(g.Cell(1, 2), after.substr(after.size() / 2));

      TextGrid copy = g;
      g.SetCell(1, 1, "gone");
      EXPECT_EQ(copy.Cell(1, 1), after);
      TextGrid moved = std::move(copy);
      EXPECT_EQ(moved.Cell(1, 1), after);
      copy = moved;
      EXPECT_EQ(copy.Cell(1, 1), after);

      moved.SetRowCount(2);
      moved.SetRowCount(1000);  // moves every surviving cell
      EXPECT_EQ(moved.Cell(1, 1), after);
      EXPECT_EQ(moved.Cell(1, 2), "");
      moved.ClearCells(1, 1);
      EXPECT_EQ(moved.Cell(1, 1), "");
    }
  }
}

TEST(TextGrid, ClearCellsLeavesLabelsAndHeaders) {
  TextGrid g(3, 3);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) g.SetCell(c, r, std::to_string(c) + std::to_string(r));
  g.ClearCells(1, 1);
  EXPECT_EQ(g.Cell(0, 2), "02");
  EXPECT_EQ(g.Cell(2, 0), "20");
  EXPECT_EQ(g.Cell(1, 1), "");
  EXPECT_EQ(g.Cell(2, 2), "");
}

// ---------------------------------------------------------------------------------------------
// ModelStore and InitTables

TEST(ModelStore, FieldsAsDesigned) {
  ModelStore s;
  for (int n = 4; n <= 17; ++n) {
    SCOPED_TRACE(n);
    const NumberLogic& f = s.NumberEdit(n);
    EXPECT_EQ(f.NumType(), TNumberType::RealType);
    EXPECT_EQ(f.Text(), "0");
    EXPECT_EQ(f.RealValue(), 0.0);
    const bool property = n == 10 || n == 11;
    EXPECT_EQ(f.Min(), property ? 0.0 : -1e9);
    EXPECT_EQ(f.Max(), n == 11 ? 1e5 : 1e9);
  }
  EXPECT_FALSE(s.CheckBox1);
  EXPECT_TRUE(s.CheckBox2);
  EXPECT_FALSE(s.GroupBox4Visible || s.StringGrid3Visible || s.Label38Visible || s.Memo1Visible);
}

TEST(ModelStoreDeathTest, FieldsOutsideFourToSeventeenStop) {
  ModelStore s;
  EXPECT_DEATH(s.NumberEdit(3), "modelstore.h:[0-9]+: check failed: n >= 4 && n <= 17");
  EXPECT_DEATH(s.NumberEdit(18), "check failed: n >= 4 && n <= 17");
}

TEST(InitTables, HeadersLabelsAndSizes) {
  ModelStore s;
  s.CoordGrid.SetCell(1, 5, "1.5");
  s.PropGrid.SetCell(2, 1, "0.01");
  InitTables(s);
  EXPECT_EQ(s.CoordGrid.RowCount(), 101);
  EXPECT_EQ(s.EleGrid.RowCount(), 101);
  EXPECT_EQ(s.PropGrid.RowCount(), 102);
  EXPECT_EQ(s.StringGrid3.RowCount(), 101);
  const char* coordHead[] = {"node", "X [m]", "Y [m]", "Z [m]"};
  const char* eleHead[] = {"bar", "begin node", "end node", "type"};
  const char* propHead[] = {"type", "E [kN/m^2]", "A [m^2]"};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(s.CoordGrid.Cell(c, 0), coordHead[c]);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(s.EleGrid.Cell(c, 0), eleHead[c]);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(s.PropGrid.Cell(c, 0), propHead[c]);
  EXPECT_EQ(s.StringGrid3.Cell(0, 0), "bar");
  EXPECT_EQ(s.StringGrid3.Cell(1, 0), "normal force [kN]");
  EXPECT_EQ(s.CoordGrid.Cell(0, 1), "1");
  EXPECT_EQ(s.CoordGrid.Cell(0, 100), "100");
  EXPECT_EQ(s.EleGrid.Cell(0, 100), "100");
  EXPECT_EQ(s.StringGrid3.Cell(0, 37), "37");
  EXPECT_EQ(s.PropGrid.Cell(0, 1), "0");
  EXPECT_EQ(s.PropGrid.Cell(0, 101), "100");
  // Data cells are untouched.
  EXPECT_EQ(s.CoordGrid.Cell(1, 5), "1.5");
  EXPECT_EQ(s.PropGrid.Cell(2, 1), "0.01");
}

TEST(InitTables, NewLengthKeepsSurvivingDataAndRelabels) {
  ModelStore s = MakeStore(101);
  SetNode(s, 3, "1", "2", "3");
  SetNode(s, 100, "7", "8", "9");
  s.GridLength = 21;
  InitTables(s);
  EXPECT_EQ(s.PropGrid.RowCount(), 22);
  EXPECT_EQ(s.PropGrid.Cell(0, 21), "20");
  EXPECT_EQ(s.CoordGrid.Cell(3, 3), "3");
  s.GridLength = 200;
  InitTables(s);
  EXPECT_EQ(s.CoordGrid.RowCount(), 200);
  EXPECT_EQ(s.CoordGrid.Cell(1, 100), "");  // lost when the table was shorter
  EXPECT_EQ(s.CoordGrid.Cell(0, 199), "199");
}

TEST(InitTables, LengthHeldWithinBounds) {
  ModelStore s;
  s.GridLength = -5;
  InitTables(s);
  EXPECT_EQ(s.GridLength, kMinGridLength);
  EXPECT_EQ(s.CoordGrid.RowCount(), kMinGridLength);
  EXPECT_EQ(s.PropGrid.RowCount(), kMinGridLength + 1);
}

TEST(ResetModelView, ClearsSwitchesAndHidesResults) {
  ModelStore s;
  s.CheckBox1 = true;
  s.CheckBox2 = false;
  s.GroupBox4Visible = s.StringGrid3Visible = s.Label38Visible = s.Memo1Visible = true;
  s.Label23 = "5 nodes";
  ResetModelView(s);
  EXPECT_FALSE(s.CheckBox1);
  EXPECT_TRUE(s.CheckBox2);
  EXPECT_FALSE(s.GroupBox4Visible || s.StringGrid3Visible || s.Label38Visible || s.Memo1Visible);
  EXPECT_EQ(s.Label23, "5 nodes");
}

// ---------------------------------------------------------------------------------------------
// CleanNumberText

struct CleanCase {
  std::string in;
  std::string out;
  bool passes;
};

class CleanNumberTextTest : public ::testing::TestWithParam<CleanCase> {};

TEST_P(CleanNumberTextTest, CleansInPlace) {
  std::string s = GetParam().in;
  EXPECT_EQ(CleanNumberText(s), GetParam().passes);
  EXPECT_EQ(s, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CleanNumberTextTest,
    ::testing::Values(CleanCase{"", "", false},       // empty: fails
                      CleanCase{"   ", "", true},     // blanks only: passes as empty
                      CleanCase{"\r\n", "", true},    // other blank characters too
                      CleanCase{"1,5", "1.5", true},  // first comma becomes the point
                      CleanCase{"1,2,3", "1.2,3", true},
                      CleanCase{" 2 ", "2", true},  // surrounding blanks go
                      CleanCase{"1 000", "1000", true}, CleanCase{"1  0  0", "100", true},
                      CleanCase{"- 1 . 5", "-1.5", true}, CleanCase{"1e3", "1e3", true},
                      CleanCase{"1E-5", "1E-5", false},  // a sign only in the first place
                      CleanCase{"abc", "abc", false}, CleanCase{"1.2.3", "1.2.3", true},
                      CleanCase{"-", "-", true}, CleanCase{"+3", "+3", true},
                      CleanCase{"1\t2", "1\t2", false},    // a tab is no blank
                      CleanCase{"1\r\n2", "1\r2", false},  // inner run collapses, CR stays
                      CleanCase{"\x08 7,25 \x0c", "7.25", true}));

// ---------------------------------------------------------------------------------------------
// NormaliseTables

struct NormaliseCase {
  std::string in;
  std::string out;
  bool passes;
};

class NormaliseCoordTest : public ::testing::TestWithParam<NormaliseCase> {};

TEST_P(NormaliseCoordTest, CoordinateCell) {
  ModelStore s = MakeStore();
  s.CoordGrid.SetCell(2, 7, GetParam().in);
  EXPECT_EQ(NormaliseTables(s), GetParam().passes);
  EXPECT_EQ(s.CoordGrid.Cell(2, 7), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NormaliseCoordTest,
    ::testing::Values(NormaliseCase{"1,5", "1.500", true}, NormaliseCase{" 2 ", "2.000", true},
                      NormaliseCase{"1 000", "1000.000", true},
                      NormaliseCase{"1e3", "1000.000", true}, NormaliseCase{"1E-5", "1E-5", false},
                      NormaliseCase{"1E5", "100000.000", true},
                      NormaliseCase{"1234567", "1.23457E6", true},
                      NormaliseCase{"-0.25", "-0.250", true}, NormaliseCase{"12", "12.000", true},
                      NormaliseCase{"1234.5678", "1234.570", true},
                      NormaliseCase{"-0.0004", "-0.000", true}, NormaliseCase{"-0", "0.000", true},
                      NormaliseCase{"abc", "abc", false}, NormaliseCase{"", "", true}));

TEST(NormaliseTables, InvalidCellKeepsTextAndOthersAreNormalised) {
  ModelStore s = MakeStore();
  SetNode(s, 1, "1", "abc", "3,5");
  SetNode(s, 100, "2", "2", "2");
  SetBar(s, 1, " 1 ", "x", "");
  SetBar(s, 100, "3,0", "4", "7");
  EXPECT_FALSE(NormaliseTables(s));
  EXPECT_EQ(s.CoordGrid.Cell(1, 1), "1.000");
  EXPECT_EQ(s.CoordGrid.Cell(2, 1), "abc");
  EXPECT_EQ(s.CoordGrid.Cell(3, 1), "3.500");
  EXPECT_EQ(s.CoordGrid.Cell(3, 100), "2.000");
  EXPECT_EQ(s.EleGrid.Cell(1, 1), "1");
  EXPECT_EQ(s.EleGrid.Cell(2, 1), "x");
  EXPECT_EQ(s.EleGrid.Cell(3, 1), "0");      // both node cells are non-empty
  EXPECT_EQ(s.EleGrid.Cell(1, 100), "3.0");  // cleaned, not reformatted
  EXPECT_EQ(s.EleGrid.Cell(3, 100), "7");
}

TEST(NormaliseTables, TypeCellOnlyFilledForRowsWithBothNodes) {
  ModelStore s = MakeStore();
  SetBar(s, 1, "1", "2", "");
  SetBar(s, 2, "1", "", "");
  SetBar(s, 3, "", "2", "");
  SetBar(s, 4, "1", "  ", "");    // blanks only clean to empty text
  SetBar(s, 5, "1", "2", " 3 ");  // a type cell is never cleaned
  EXPECT_TRUE(NormaliseTables(s));
  EXPECT_EQ(s.EleGrid.Cell(3, 1), "0");
  EXPECT_EQ(s.EleGrid.Cell(3, 2), "");
  EXPECT_EQ(s.EleGrid.Cell(3, 3), "");
  EXPECT_EQ(s.EleGrid.Cell(2, 4), "");
  EXPECT_EQ(s.EleGrid.Cell(3, 4), "");
  EXPECT_EQ(s.EleGrid.Cell(3, 5), " 3 ");
  EXPECT_EQ(CountBars(s), 2);
}

TEST(NormaliseTables, WellCharacteredButMalformedCoordinateStopsWithConversionError) {
  ModelStore s = MakeStore();
  SetNode(s, 1, "1", "1.2.3", "5");
  EXPECT_EQ(UserErrorOf([&] { NormaliseTables(s); }),
            "'1.2.3' is not a valid floating point value\nNode 1: Y holds no valid number (node "
            "table, row 1, column \"Y [m]\").");
  EXPECT_EQ(s.CoordGrid.Cell(1, 1), "1.000");  // done before the failure
  EXPECT_EQ(s.CoordGrid.Cell(3, 1), "5");      // not reached
}

TEST(NormaliseTables, PropGridIsNotExamined) {
  ModelStore s = MakeStore();
  SetType(s, 0, "2,1E8", "abc");
  EXPECT_TRUE(NormaliseTables(s));
  EXPECT_EQ(s.PropGrid.Cell(1, 1), "2,1E8");
}

TEST(NormaliseTables, SecondRunChangesNothing) {
  ModelStore s = MakeStore();
  SetNode(s, 1, "0.1", "-2,25", "1e2");
  SetNode(s, 2, "123456.4", "-0.0005", "7");
  SetBar(s, 1, "1", "2");
  ASSERT_TRUE(NormaliseTables(s));
  const ModelStore before = s;
  ASSERT_TRUE(NormaliseTables(s));
  for (int r = 1; r <= 2; ++r)
    for (int c = 1; c <= 3; ++c) {
      EXPECT_EQ(s.CoordGrid.Cell(c, r), before.CoordGrid.Cell(c, r));
      EXPECT_EQ(s.EleGrid.Cell(c, r), before.EleGrid.Cell(c, r));
    }
  EXPECT_EQ(s.CoordGrid.Cell(1, 2), "123456.000");
}

// ---------------------------------------------------------------------------------------------
// CountNodes and CountBars

TEST(Counting, CompleteRowsAnywhereInTheTable) {
  ModelStore s = MakeStore();
  EXPECT_EQ(CountNodes(s), 0);
  EXPECT_EQ(CountBars(s), 0);
  SetNode(s, 1, "0", "0", "0");
  SetNode(s, 2, "1", "", "0");       // incomplete
  SetNode(s, 5, "1,5", "2 0", "3");  // passes the cleaning
  SetNode(s, 6, "1", "x", "3");      // fails it
  SetNode(s, 100, "  ", "1", "1");   // blanks pass the cleaning
  EXPECT_EQ(CountNodes(s), 3);
  EXPECT_EQ(s.CoordGrid.Cell(1, 5), "1,5");  // counting changes nothing

  SetBar(s, 1, "1", "2", "");  // the type cell plays no part
  SetBar(s, 2, "1", "2", "0");
  SetBar(s, 4, "1", "2", "0");  // after an empty row
  SetBar(s, 5, "1", "", "0");
  SetBar(s, 6, "1e", "2", "0");  // passes the character test
  SetBar(s, 7, "-1", "2+", "0");
  EXPECT_EQ(CountBars(s), 4);
}

// ---------------------------------------------------------------------------------------------
// ReadBar

ModelStore OneBar() {
  ModelStore s = MakeStore();
  SetNode(s, 1, "1.000", "2.000", "3.000");
  SetNode(s, 2, "-4.000", "5.500", "0.000");
  SetBar(s, 1, "1", "2", "1");
  SetType(s, 0, "1000", "0.002");
  SetType(s, 1, "2.1E8", "0.5");
  return s;
}

TEST(ReadBar, ReadsNodesAndTypeRow) {
  const ModelStore s = OneBar();
  const BarData b = ReadBar(s, 1);
  EXPECT_EQ(b.BeginNode, 1);
  EXPECT_EQ(b.EndNode, 2);
  EXPECT_EQ(b.X1, 1.0);
  EXPECT_EQ(b.Y1, 2.0);
  EXPECT_EQ(b.Z1, 3.0);
  EXPECT_EQ(b.X2, -4.0);
  EXPECT_EQ(b.Y2, 5.5);
  EXPECT_EQ(b.Z2, 0.0);
  EXPECT_EQ(b.Type, 1);
  EXPECT_EQ(b.E, 2.1e8);
  EXPECT_EQ(b.A, 0.5);
}

// The scene's reading of a bar: the same nodes, the type and its properties not read at all,
// and a bad node cell reported by the conversion's text alone.
TEST(ReadBarNodes, ReadsTheNodesOnly) {
  ModelStore s = OneBar();
  s.EleGrid.SetCell(3, 1, "x");
  const BarData b = ReadBarNodes(s, 1);
  const BarData full = ReadBar(OneBar(), 1);
  EXPECT_EQ(b.BeginNode, full.BeginNode);
  EXPECT_EQ(b.EndNode, full.EndNode);
  EXPECT_EQ((std::array<double, 6>{b.X1, b.Y1, b.Z1, b.X2, b.Y2, b.Z2}),
            (std::array<double, 6>{full.X1, full.Y1, full.Z1, full.X2, full.Y2, full.Z2}));
  EXPECT_EQ(b.Type, 0);
  EXPECT_EQ(b.E, 0.0);
  s.CoordGrid.SetCell(2, 2, "y");
  EXPECT_EQ(UserErrorOf([&] { ReadBarNodes(s, 1); }), "'y' is not a valid floating point value");
}

struct ReadFailure {
  const char* what;
  int col;  // EleGrid column changed, or 10 + c for CoordGrid cell (c, 2), 20 + c for PropGrid
  const char* text;
  const char* message;  // the conversion's own text ...
  const char* where;    // ... and the line that names the table entry
};

class ReadBarFailureTest : public ::testing::TestWithParam<ReadFailure> {};

TEST_P(ReadBarFailureTest, StopsWithTheConversionMessage) {
  ModelStore s = OneBar();
  const ReadFailure& f = GetParam();
  if (f.col < 10)
    s.EleGrid.SetCell(f.col, 1, f.text);
  else if (f.col < 20)
    s.CoordGrid.SetCell(f.col - 10, 2, f.text);
  else
    s.PropGrid.SetCell(f.col - 20, 2, f.text);
  EXPECT_EQ(UserErrorOf([&] { ReadBar(s, 1); }), std::string(f.message) + "\n" + f.where) << f.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadBarFailureTest,
    ::testing::Values(
        ReadFailure{"node with decimals", 1, "3.0", "'3.0' is not a valid integer value",
                    "Bar 1: the begin node is not a whole number (bar table, row 1, column \"begin "
                    "node\")."},
        ReadFailure{
            "non-whole node", 2, "3.5", "'3.5' is not a valid integer value",
            "Bar 1: the end node is not a whole number (bar table, row 1, column \"end node\")."},
        ReadFailure{"empty type", 3, "", "'' is not a valid integer value",
                    "Bar 1: the type is missing (bar table, row 1, column \"type\")."},
        ReadFailure{"type with blanks", 3, " 1", "' 1' is not a valid integer value",
                    "Bar 1: the type is not a whole number (bar table, row 1, column \"type\")."},
        ReadFailure{"node 0 is the header row", 1, "0",
                    "'X [m]' is not a valid floating point value",
                    "Bar 1: begin node 0 does not exist; nodes are numbered from 1."},
        ReadFailure{"type -1 is the header row", 3, "-1",
                    "'E [kN/m^2]' is not a valid floating point value",
                    "Bar 1: bar type -1 does not exist; types are numbered from 0."},
        ReadFailure{"negative node", 2, "-3", "List index out of bounds (-3)",
                    "Bar 1: end node -3 does not exist; nodes are numbered from 1."},
        ReadFailure{"type before the table", 3, "-5", "List index out of bounds (-4)",
                    "Bar 1: bar type -5 does not exist; types are numbered from 0."},
        ReadFailure{"node beyond the table", 1, "5000", "'' is not a valid floating point value",
                    "Bar 1: begin node 5000 has no coordinates."},
        ReadFailure{"type beyond the table", 3, "2147483647",
                    "'' is not a valid floating point value",
                    "Bar 1: bar type 2147483647 has no E (bar type table, type 2147483647, column "
                    "\"E [kN/m^2]\")."},
        ReadFailure{"node pointing at an empty row", 2, "50",
                    "'' is not a valid floating point value",
                    "Bar 1: end node 50 has no coordinates."},
        ReadFailure{"node out of the 32-bit range", 1, "2147483648",
                    "'2147483648' is not a valid integer value",
                    "Bar 1: the begin node is not a whole number (bar table, row 1, column \"begin "
                    "node\")."},
        ReadFailure{
            "malformed coordinate", 12, "1.2.3", "'1.2.3' is not a valid floating point value",
            "Bar 1: end node 2 has no valid Y coordinate (node table, row 2, column \"Y [m]\")."},
        ReadFailure{
            "blank coordinate", 13, "  ", "'  ' is not a valid floating point value",
            "Bar 1: end node 2 has no valid Z coordinate (node table, row 2, column \"Z [m]\")."},
        ReadFailure{
            "decimal comma in E", 21, "2,1E8", "'2,1E8' is not a valid floating point value",
            "Bar 1: bar type 1 has no valid E (bar type table, type 1, column \"E [kN/m^2]\")."},
        ReadFailure{"empty A", 22, "", "'' is not a valid floating point value",
                    "Bar 1: bar type 1 has no A (bar type table, type 1, column \"A [m^2]\")."}));

TEST(ReadBar, FirstBadCellInReadingOrderWins) {
  ModelStore s = OneBar();
  s.PropGrid.SetCell(1, 2, "bad E");
  s.CoordGrid.SetCell(3, 2, "bad z2");
  s.CoordGrid.SetCell(2, 1, "bad y1");
  EXPECT_EQ(FirstLine(UserErrorOf([&] { ReadBar(s, 1); })),
            "'bad y1' is not a valid floating point value");
  s.CoordGrid.SetCell(2, 1, "2");
  s.EleGrid.SetCell(3, 1, "one");  // the type comes after the end node's coordinates
  EXPECT_EQ(FirstLine(UserErrorOf([&] { ReadBar(s, 1); })),
            "'bad z2' is not a valid floating point value");
  s.CoordGrid.SetCell(3, 2, "0");
  EXPECT_EQ(FirstLine(UserErrorOf([&] { ReadBar(s, 1); })), "'one' is not a valid integer value");
  s.EleGrid.SetCell(3, 1, "1");
  EXPECT_EQ(FirstLine(UserErrorOf([&] { ReadBar(s, 1); })),
            "'bad E' is not a valid floating point value");
}

}  // namespace
}  // namespace tarvelin

namespace tarvelin {
namespace {

// Random number texts near the forms the tables hold: normalising must give exactly what
// converting and formatting gives, and reading a bar exactly what the strict conversion gives
// (or its error), however the store gets there.
std::string RandomNumberText(std::mt19937& rng) {
  static const char* pieces[] = {"0", "1", "9", "5", "00", "123456", "-", "+", ".", "e", "E5"};
  std::uniform_int_distribution<int> kind(0, 4);
  std::uniform_int_distribution<int> digit(0, 9);
  std::string s;
  switch (kind(rng)) {
    case 0:
    case 1: {  // fixed-looking text with three decimals
      if (rng() % 3 == 0) s += '-';
      const int intDigits = 1 + static_cast<int>(rng() % 8);
      for (int i = 0; i < intDigits; ++i) s += static_cast<char>('0' + digit(rng));
      s += '.';
      const int decimals = 2 + static_cast<int>(rng() % 3);
      for (int i = 0; i < decimals; ++i) s += static_cast<char>('0' + (rng() % 2 ? 0 : digit(rng)));
      break;
    }
    case 2: {  // long plain decimals
      if (rng() % 2) s += '-';
      const int n = 1 + static_cast<int>(rng() % 20);
      for (int i = 0; i < n; ++i) s += static_cast<char>('0' + digit(rng));
      if (rng() % 2) s.insert(static_cast<size_t>(rng() % (s.size() + 1)), ".");
      break;
    }
    default: {  // pieces glued together
      const int n = 1 + static_cast<int>(rng() % 4);
      for (int i = 0; i < n; ++i) s += pieces[rng() % (sizeof pieces / sizeof *pieces)];
    }
  }
  return s;
}

TEST(NormaliseTables, SkippingNormalisedCellsChangesNoResult) {
  std::mt19937 rng(77);
  for (int trial = 0; trial < 20000; ++trial) {
    const std::string text = RandomNumberText(rng);
    double value;
    if (!TryStrToFloat(text, value) || !IsNumberText(text)) continue;
    ModelStore s = MakeStore(21);
    s.CoordGrid.SetCell(1, 1, text);
    ASSERT_TRUE(NormaliseTables(s)) << text;
    EXPECT_EQ(s.CoordGrid.Cell(1, 1), FormatFixed(value, 6, 3)) << text;
  }
}

TEST(ReadBar, ConversionsAgreeWithStrictConversion) {
  std::mt19937 rng(78);
  ModelStore s = MakeStore(21);
  SetBar(s, 1, "1", "2", "0");
  SetNode(s, 2, "0", "0", "0");
  SetNode(s, 1, "0", "0", "0");
  SetType(s, 0, "1", "1");
  for (int trial = 0; trial < 20000; ++trial) {
    const std::string text = RandomNumberText(rng);
    const bool inProp = trial % 2 == 1;
    if (inProp)
      s.PropGrid.SetCell(2, 1, text);
    else
      s.CoordGrid.SetCell(2, 1, text);
    double expected = 0;
    if (TryStrToFloat(text, expected)) {
      const BarData b = ReadBar(s, 1);
      const double got = inProp ? b.A : b.Y1;
      EXPECT_TRUE(got == expected && std::signbit(got) == std::signbit(expected))
          << text << " read as " << got;
    } else {
      EXPECT_EQ(FirstLine(UserErrorOf([&] { ReadBar(s, 1); })),
                "'" + text + "' is not a valid floating point value");
    }
    s.PropGrid.SetCell(2, 1, "1");
    s.CoordGrid.SetCell(2, 1, "0");
  }
}

// Type 0 mirrors the property fields as general text; the other types and rows stay.
TEST(MirrorDefaultType, WritesTypeZeroFromTheFields) {
  struct Row {
    double e, a;
    const char* eText;
    const char* aText;
  };
  for (const Row& r : {Row{210000000, 0.001, "210000000", "0.001"}, Row{0, 0, "0", "0"},
                       Row{-1.5, 1e-20, "-1.5", "1E-20"}}) {
    ModelStore s = MakeStore();
    s.PropGrid.SetCell(1, 2, "7");
    s.NumberEdit(10).SetRealValue(r.e);
    s.NumberEdit(11).SetRealValue(r.a);
    MirrorDefaultType(s);
    EXPECT_EQ(s.PropGrid.Cell(1, 1), r.eText);
    EXPECT_EQ(s.PropGrid.Cell(2, 1), r.aText);
    EXPECT_EQ(s.PropGrid.Cell(1, 2), "7");
  }
  // One field at a time leaves the other cell as it is.
  ModelStore s = MakeStore();
  s.PropGrid.SetCell(2, 1, "typed");
  s.NumberEdit(10).SetRealValue(3);
  MirrorDefaultTypeE(s);
  EXPECT_EQ(s.PropGrid.Cell(1, 1), "3");
  EXPECT_EQ(s.PropGrid.Cell(2, 1), "typed");
  s.NumberEdit(11).SetRealValue(4);
  MirrorDefaultTypeA(s);
  EXPECT_EQ(s.PropGrid.Cell(2, 1), "4");
}

// The table-length rules at each boundary.
TEST(TableLength, BoundsAndTheShortLengthRule) {
  struct Row {
    int length;
    bool inRange;
    int clamped;
    int stored;
  };
  for (const Row& r :
       {Row{-5, false, 2, 101}, Row{1, false, 2, 101}, Row{2, true, 2, 101}, Row{19, true, 19, 101},
        Row{20, true, 20, 20}, Row{21, true, 21, 21}, Row{1000001, true, 1000001, 1000001},
        Row{1000002, false, 1000001, 1000002}}) {
    EXPECT_EQ(GridLengthInRange(r.length), r.inRange) << r.length;
    EXPECT_EQ(ClampGridLength(r.length), r.clamped) << r.length;
    EXPECT_EQ(StoredGridLength(r.length), r.stored) << r.length;
  }
  EXPECT_EQ(GridLengthRangeMessage("0", 101),
            "The table length 0 lies outside the range 2 to 1000001; the table length stays 101.");
}

}  // namespace
}  // namespace tarvelin
