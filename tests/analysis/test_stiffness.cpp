// Tests of the stiffness analysis: hand cases, failures, test output, and models checked
// against an independent solution and against statics.
#include "analysis/stiffness.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "model_helpers.h"
#include "recording_dialogs.h"
#include "support/numtext.h"

namespace tarvelin {
namespace {

using test::MakeStore;
using test::Milli;
using test::RecordingDialogs;
using test::SetBar;
using test::SetNode;
using test::SetType;

void SetLoads(ModelStore& s, const std::array<double, 6>& f) {
  for (int j = 0; j < 6; ++j) s.NumberEdit(4 + j).SetRealValue(f[j]);
}

std::array<double, 6> Displacements(const ModelStore& s) {
  std::array<double, 6> u;
  for (int j = 0; j < 6; ++j) u[j] = s.NumberEdit(12 + j).RealValue();
  return u;
}

std::string ZeroRow() {
  return " 0.00  0.00  0.00  0.00  0.00  0.00";
}

// The one-bar model: block node (1, 0, 0), support (3, 0, 0), E = 1000, A = 0.002, so L = 2,
// k = 1 and g = (-1, 0, 0, 0, 0, 0).
ModelStore OneBarModel(bool reversed = false) {
  ModelStore s = MakeStore();
  SetNode(s, 1, "1", "0", "0");
  SetNode(s, 2, "3", "0", "0");
  if (reversed)
    SetBar(s, 1, "2", "1");
  else
    SetBar(s, 1, "1", "2");
  SetType(s, 0, "1000", "0.002");
  SetLoads(s, {5, 0, 0, 0, 0, 0});
  return s;
}

TEST(CalculateModel, OneBarHandCase) {
  ModelStore s = OneBarModel();
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  EXPECT_TRUE(dialogs.Log.empty());
  EXPECT_EQ(Displacements(s), (std::array<double, 6>{5, 0, 0, 0, 0, 0}));
  EXPECT_EQ(s.NumberEdit(12).Text(), "5");
  EXPECT_EQ(s.NumberEdit(13).Text(), "0");
  EXPECT_EQ(s.StringGrid3.Cell(1, 1), "-5.0000");  // compression
  EXPECT_EQ(s.StringGrid3.Cell(1, 2), "");
  EXPECT_EQ(s.Label23, "2 nodes");
  EXPECT_EQ(s.Label24, "1 bars");
  EXPECT_EQ(s.EleGrid.Cell(3, 1), "0");
  EXPECT_EQ(s.CoordGrid.Cell(1, 2), "3.000");
  const std::vector<std::string> report = {" 1.00  0.00  0.00  0.00  0.00  0.00",
                                           ZeroRow(),
                                           ZeroRow(),
                                           ZeroRow(),
                                           ZeroRow(),
                                           ZeroRow(),
                                           "",
                                           "NOTE: All numbers times 1"};
  EXPECT_EQ(s.Memo1, report);
  EXPECT_TRUE(s.GroupBox4Visible && s.StringGrid3Visible && s.Label38Visible && s.Memo1Visible);
}

// The process locale has no say in the number texts.
TEST(CalculateModel, CommaLocaleChangesNothing) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "nl_NL.UTF-8"))
    GTEST_SKIP() << "no locale with a decimal comma installed";
  ModelStore s = OneBarModel();
  s.CoordGrid.SetCell(1, 1, "1,25");
  s.CheckBox1 = true;
  RecordingDialogs dialogs;
  const bool ok = CalculateModel(s, dialogs);
  std::setlocale(LC_ALL, previous.c_str());
  ASSERT_TRUE(ok);
  EXPECT_EQ(s.CoordGrid.Cell(1, 1), "1.250");
  EXPECT_EQ(s.NumberEdit(12).Text(), "4.375");  // L = 1.75, k = 8/7
  EXPECT_EQ(s.StringGrid3.Cell(1, 1), "-5.0000");
  ASSERT_FALSE(dialogs.Log.empty());
  EXPECT_EQ(dialogs.Log[0].Text.substr(0, 47), "bar=1 from node 1 to node   2\rx1=1.25 y1=0 z1=0");
}

TEST(CalculateModel, ReversedNodesFlipTheForceOnly) {
  ModelStore s = OneBarModel(true);
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  EXPECT_EQ(Displacements(s), (std::array<double, 6>{5, 0, 0, 0, 0, 0}));
  EXPECT_EQ(s.StringGrid3.Cell(1, 1), "5.0000");
}

TEST(CalculateModel, UnusedDofWithoutTheSwitchIsSingular) {
  ModelStore s = OneBarModel();
  s.CheckBox2 = false;
  s.Label23 = "old nodes";
  s.StringGrid3.SetCell(1, 1, "old");
  s.NumberEdit(12).SetRealValue(42);
  RecordingDialogs dialogs;
  EXPECT_FALSE(CalculateModel(s, dialogs));
  ASSERT_EQ(dialogs.Log.size(), 1u);
  EXPECT_EQ(dialogs.Log[0].Kind, "error");
  // The message scripts look for stays the first line; the free motions follow.
  EXPECT_EQ(dialogs.Log[0].Text.substr(0, dialogs.Log[0].Text.find('\n')),
            "Wrong bar layout, singular matrix found.");
  EXPECT_NE(dialogs.Log[0].Text.find("1. Translation of the block along (0, 1, 0)"),
            std::string::npos)
      << dialogs.Log[0].Text;
  // The report is already rewritten; no earlier result survives.
  ASSERT_EQ(s.Memo1.size(), 8u);
  EXPECT_EQ(s.Memo1[0], " 1.00  0.00  0.00  0.00  0.00  0.00");
  EXPECT_FALSE(s.Memo1Visible);
  EXPECT_EQ(s.StringGrid3.Cell(1, 1), "");
  EXPECT_EQ(s.NumberEdit(12).RealValue(), 0);
  EXPECT_FALSE(s.Result.Valid);
  EXPECT_TRUE(s.Result.Mechanism);
}

TEST(CalculateModel, LoadOnUnusedDofIsDropped) {
  ModelStore s = OneBarModel();
  SetLoads(s, {5, 7, -3, 11, 0, 2});
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  EXPECT_EQ(Displacements(s), (std::array<double, 6>{5, 0, 0, 0, 0, 0}));
  EXPECT_EQ(s.StringGrid3.Cell(1, 1), "-5.0000");
}

// Regression: a singular K without an all-zero row passed the factorisation with a pivot of
// 1.0E-20 and "succeeded" with displacements of the order of 10^20.
TEST(CalculateModel, MechanismNoLongerGivesHugeDisplacements) {
  ModelStore s = MakeStore();
  SetNode(s, 1, "0", "0", "0");
  SetNode(s, 2, "-1", "-1", "0");
  SetBar(s, 1, "1", "2");
  SetType(s, 0, "1", "2");  // EA = 2
  SetLoads(s, {1, 0, 0, 0, 0, 0});
  RecordingDialogs dialogs;
  EXPECT_FALSE(CalculateModel(s, dialogs));
  ASSERT_EQ(dialogs.Texts("error").size(), 1u);
  EXPECT_EQ(dialogs.Texts("error")[0],
            "Wrong bar layout, singular matrix found.\n"
            "The bars leave the block free to move, and the load drives that motion.\n"
            "Translation of the block along (0.7071, -0.7071, 0).\n"
            "A bar with a component along this direction would restrain it.");
  EXPECT_EQ(Displacements(s), (std::array<double, 6>{}));
}

TEST(CalculateModel, ZeroLengthBarAddsNothingButCounts) {
  ModelStore s = OneBarModel();
  SetNode(s, 3, "1.0004", "0", "0");  // the same place once normalised
  SetBar(s, 2, "1", "3");
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  EXPECT_EQ(s.StringGrid3.Cell(1, 1), "-5.0000");
  EXPECT_EQ(s.StringGrid3.Cell(1, 2), "0.0000");
  EXPECT_EQ(s.Label24, "2 bars");
  EXPECT_EQ(s.Label23, "3 nodes");
}

// One bar of EA = 1000 from (x, 0, 0) to (-x, 0, 0), loaded by fx.
ModelStore OneBarAlongX(const std::string& x, double fx) {
  ModelStore s = MakeStore();
  SetNode(s, 1, x, "0", "0");
  SetNode(s, 2, "-" + x, "0", "0");
  SetBar(s, 1, "1", "2");
  SetType(s, 0, "1000", "1");
  SetLoads(s, {fx, 0, 0, 0, 0, 0});
  return s;
}

// A bar so long that the square of its length leaves the double range still has its length
// and its stiffness: it must not drop out of the model as if it had none.
TEST(CalculateModel, BarLongerThanTheSquareRangeKeepsItsStiffness) {
  ModelStore s = OneBarAlongX("1e200", 1);
  s.CheckBox1 = true;
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  // L = 2E200, g = (1, 0, 0, 0, 0, 0), k = 1000 / L: ux = L / 1000, the bar carries the load.
  ASSERT_GE(dialogs.Log.size(), 2u);
  EXPECT_EQ(dialogs.Log[0].Text,
            "bar=1 from node 1 to node   2\rx1=1E200 y1=0 z1=0\rx2=-1E200 y2=0 z2=0\rEA=1000\r"
            "length=2E200");
  EXPECT_EQ(dialogs.Log[1].Text.substr(0, 44), "Bg[1]=[1.000 0.000 0.000 0.000 0.000 0.000]\r");
  EXPECT_EQ(s.NumberEdit(12).Text(), "2E197");
  EXPECT_EQ(s.StringGrid3.Cell(1, 1), "1.0000");
  EXPECT_EQ(s.Memo1[0], " 1.00  0.00  0.00  0.00  0.00  0.00");
  EXPECT_EQ(s.Memo1[7], "NOTE: All numbers times 5E-198");
}

// Ends on opposite sides near the largest double: the difference itself overflows. The bar is
// longer than any double, so EA/L is 0; it is named as a bar without stiffness instead of
// filling the matrix with NaN.
TEST(CalculateModel, BarLongerThanTheLargestDoubleIsNamedAsAddingNothing) {
  ModelStore s = OneBarAlongX("1.2e308", 0);
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  ASSERT_EQ(s.Result.Warnings.size(), 1u);
  EXPECT_EQ(s.Result.Warnings[0],
            "A bar adds no stiffness: bar 1 (it is longer than the largest number, 1.8E308 m).");
  EXPECT_EQ(s.Memo1[0], ZeroRow());
  EXPECT_EQ(s.StringGrid3.Cell(1, 1), "0.0000");
}

TEST(CalculateModel, NoBars) {
  ModelStore s = MakeStore();
  SetLoads(s, {1, 2, 3, 4, 5, 6});
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  EXPECT_EQ(Displacements(s), (std::array<double, 6>{}));
  EXPECT_EQ(s.Label24, "0 bars");
  EXPECT_EQ(s.Memo1.back(), "NOTE: All numbers times 1");

  s.CheckBox2 = false;
  EXPECT_FALSE(CalculateModel(s, dialogs));
  ASSERT_EQ(dialogs.Log.size(), 1u);
  EXPECT_EQ(dialogs.Log[0].Text.substr(0, 40), "Wrong bar layout, singular matrix found.");
  // Nothing holds the block: three translations along the axes, three rotations about axes
  // through the mass centre.
  EXPECT_NE(dialogs.Log[0].Text.find("The block has 6 independent free motions"),
            std::string::npos);
  EXPECT_NE(dialogs.Log[0].Text.find(
                "6. Rotation of the block about the axis through (0, 0, 0) m with direction "
                "(0, 0, 1)"),
            std::string::npos)
      << dialogs.Log[0].Text;
}

TEST(CalculateModel, ForceRowsAfterTheLastBarAreCleared) {
  ModelStore s = MakeStore();
  SetType(s, 0, "1000", "0.01");
  // Five bars to five supports on the axes around a block node at the origin.
  SetNode(s, 1, "0", "0", "0");
  SetNode(s, 2, "1", "0", "0");
  SetNode(s, 3, "0", "1", "0");
  SetNode(s, 4, "0", "0", "1");
  SetNode(s, 5, "-1", "0", "0");
  SetNode(s, 6, "0", "-1", "0");
  for (int i = 1; i <= 5; ++i) SetBar(s, i, "1", std::to_string(i + 1));
  SetLoads(s, {1, 1, 1, 0, 0, 0});
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  const std::string fifth(s.StringGrid3.Cell(1, 5));
  ASSERT_FALSE(fifth.empty());
  SetBar(s, 5, "", "", "");
  SetLoads(s, {2, 0, 3, 0, 0, 0});
  ASSERT_TRUE(CalculateModel(s, dialogs));
  EXPECT_EQ(s.Label24, "4 bars");
  EXPECT_EQ(s.StringGrid3.Cell(1, 5), "");  // row 5 is no bar any more
  // Two bars of k = 10 along x: ux = 0.1 towards the support of bar 1, which shortens.
  EXPECT_EQ(s.StringGrid3.Cell(1, 1), "-1.0000");
}

// ---------------------------------------------------------------------------------------------
// Failures: no earlier result survives them

// The results of an earlier run are gone: zero displacements, an empty force table, hidden
// result controls and an empty record.
void ExpectCleared(const ModelStore& s) {
  EXPECT_EQ(Displacements(s), (std::array<double, 6>{}));
  EXPECT_EQ(s.StringGrid3.Cell(1, 1), "");
  EXPECT_FALSE(s.GroupBox4Visible || s.StringGrid3Visible || s.Label38Visible || s.Memo1Visible);
  EXPECT_FALSE(s.Result.Valid);
}

ModelStore WithOldResults() {
  ModelStore s = OneBarModel();
  s.NumberEdit(14).SetRealValue(0.5);
  s.Label23 = "9 nodes";
  s.Label24 = "9 bars";
  s.StringGrid3.SetCell(1, 1, "1.2345");
  s.Memo1 = {"old report"};
  return s;
}

TEST(CalculateModel, InputErrorInTables) {
  ModelStore s = WithOldResults();
  s.CoordGrid.SetCell(2, 2, "1E-5");
  s.ActivePage = 2;
  RecordingDialogs dialogs;
  EXPECT_FALSE(CalculateModel(s, dialogs));
  ASSERT_EQ(dialogs.Log.size(), 1u);
  EXPECT_EQ(dialogs.Log[0].Kind, "error");
  EXPECT_EQ(dialogs.Log[0].Text, "Input error in coordinate table, check the numbers.");
  EXPECT_EQ(s.ActivePage, 1);
  EXPECT_EQ(s.CoordGrid.Cell(2, 2), "1E-5");
  EXPECT_EQ(s.CoordGrid.Cell(1, 2), "3.000");  // the valid cells are normalised
  ExpectCleared(s);
}

struct ConversionCase {
  const char* what;
  void (*spoil)(ModelStore&);
  const char* message;
};

class ConversionFailureTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ConversionFailureTest, ThrowsAndClearsEarlierResults) {
  ModelStore s = WithOldResults();
  // A second, valid bar so that the failure comes after some assembly.
  SetNode(s, 3, "1", "2", "0");
  SetBar(s, 2, "1", "3");
  GetParam().spoil(s);
  s.CheckBox1 = true;
  RecordingDialogs dialogs;
  try {
    CalculateModel(s, dialogs);
    ADD_FAILURE() << "no error for " << GetParam().what;
  } catch (const UserError& e) {
    EXPECT_EQ(std::string(e.what()), GetParam().message) << GetParam().what;
  }
  ExpectCleared(s);
  for (const auto& entry : dialogs.Log) EXPECT_EQ(entry.Kind, "message");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConversionFailureTest,
    ::testing::Values(
        ConversionCase{
            "decimal comma in PropGrid", [](ModelStore& s) { SetType(s, 0, "1000", "0,002"); },
            "'0,002' is not a valid floating point value\n"
            "Bar 1: bar type 0 has no valid A (bar type table, type 0, column \"A [m^2]\")."},
        ConversionCase{
            "node 3,0", [](ModelStore& s) { SetBar(s, 2, "3,0", "1"); },
            "'3.0' is not a valid integer value\nBar 2: the begin node is not a whole number (bar "
            "table, row 2, column \"begin node\")."},
        ConversionCase{
            "gap in the bar rows",
            [](ModelStore& s) {
              SetBar(s, 4, "1", "2");
              SetBar(s, 2, "", "", "");
            },
            "'' is not a valid integer value\nBar 2: the begin node is missing (bar table, row 2, "
            "column \"begin node\")."},
        ConversionCase{
            "missing type", [](ModelStore& s) { SetBar(s, 2, "1", "3", "7"); },
            "'' is not a valid floating point value\nBar 2: bar type 7 has no E (bar type "
            "table, type 7, column \"E [kN/m^2]\")."},
        ConversionCase{
            "malformed number in a node cell", [](ModelStore& s) { SetBar(s, 2, "1e", "3"); },
            "'1e' is not a valid integer value\nBar 2: the begin node is not a whole number (bar "
            "table, row 2, column \"begin node\")."},
        ConversionCase{"node 0", [](ModelStore& s) { SetBar(s, 2, "0", "3"); },
                       "'X [m]' is not a valid floating point value\nBar 2: begin node 0 does not "
                       "exist; nodes "
                       "are numbered from 1."},
        ConversionCase{
            "negative node", [](ModelStore& s) { SetBar(s, 2, "1", "-2"); },
            "List index out of bounds (-2)\nBar 2: end node -2 does not exist; nodes are "
            "numbered from 1."},
        ConversionCase{
            "type -3", [](ModelStore& s) { SetBar(s, 2, "1", "3", "-3"); },
            "List index out of bounds (-2)\nBar 2: bar type -3 does not exist; types are "
            "numbered from 0."},
        ConversionCase{"blank coordinate", [](ModelStore& s) { s.CoordGrid.SetCell(3, 3, "  "); },
                       "'' is not a valid floating point value\nNode 3: Z holds blanks only (node "
                       "table, row 3, column \"Z [m]\")."}));

// ---------------------------------------------------------------------------------------------
// Test output

TEST(CalculateModel, TestMessagesInOrder) {
  ModelStore s = OneBarModel();
  SetNode(s, 3, "1", "0", "0");
  SetBar(s, 2, "1", "3");  // zero length: no kinematic message, no element matrix
  s.CheckBox1 = true;
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));

  const std::string bar1 =
      "bar=1 from node 1 to node   2\rx1=1 y1=0 z1=0\rx2=3 y2=0 z2=0\rEA=2\rlength=2.00";
  const std::string bg1 = "Bg[1]=[-1.000 0.000 0.000 0.000 0.000 0.000]\rEA=2 L=2.000\rk =1";
  const std::string bar2 =
      "bar=2 from node 1 to node   3\rx1=1 y1=0 z1=0\rx2=1 y2=0 z2=0\rEA=2\rlength=0.00";
  std::string zeros;
  for (int r = 0; r < 5; ++r) zeros += "0.00 0.00 0.00 0.00 0.00 0.00 \r";
  const std::string unitFirst =
      "1.00 0.00 0.00 0.00 0.00 0.00 \r" + zeros + "\rNOTE: All numbers times 1";
  const std::vector<std::string> expected = {bar1,
                                             bg1,
                                             "Element[1] stiffness matrix \r\r" + unitFirst,
                                             bar2,
                                             "System stiffness Matrix:\r\r" + unitFirst,
                                             bar1,
                                             bg1,
                                             bar2};
  ASSERT_EQ(dialogs.Log.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(dialogs.Log[i].Kind, "message") << i;
    EXPECT_EQ(dialogs.Log[i].Text, expected[i]) << i;
  }
}

TEST(BarGeometry, KinematicVectorIsPositionCrossDirection) {
  ModelStore s = MakeStore();
  SetNode(s, 1, "1", "2", "3");
  SetNode(s, 2, "1", "2", "-1");  // straight below: e = (0, 0, 1)
  SetBar(s, 1, "1", "2", "0");
  SetType(s, 0, "200", "0.5");
  RecordingDialogs dialogs;
  const BarGeometryResult r = BarGeometry(s, 1, dialogs);
  EXPECT_EQ(r.L, 4.0);
  EXPECT_EQ(r.K, 25.0);
  EXPECT_EQ(r.G, (TVector6{0, 0, 1, 2, -1, 0}));
  EXPECT_TRUE(dialogs.Log.empty());
}

TEST(AddBarStiffness, NothingForZeroLength) {
  ModelStore s = MakeStore();
  s.CheckBox1 = true;
  RecordingDialogs dialogs;
  TMatrix6 K{};
  AddBarStiffness(s, 1, K, TVector6{1, 1, 1, 1, 1, 1}, 5, 0, dialogs);
  EXPECT_EQ(K, TMatrix6{});
  EXPECT_TRUE(dialogs.Log.empty());
  AddBarStiffness(s, 1, K, TVector6{1, 0, 0, 0, 0, 2}, 5, 1, dialogs);
  EXPECT_EQ(K[0][0], 5);
  EXPECT_EQ(K[0][5], 10);
  EXPECT_EQ(K[5][5], 20);
  EXPECT_EQ(dialogs.Log.size(), 1u);
}

TEST(BarNormalForce, ZeroForZeroLengthAndElongationTimesStiffness) {
  EXPECT_EQ(BarNormalForce(TVector6{1, 2, 3, 4, 5, 6}, 7, 0, TVector6{1, 1, 1, 1, 1, 1}), 0.0);
  EXPECT_EQ(BarNormalForce(TVector6{1, 0, 0, 0, 0, 2}, 3, 1, TVector6{1, 0, 0, 0, 0, 0.5}), 6.0);
}

TEST(StiffnessReport, SignColumnAndTinyNegatives) {
  TMatrix6 K{};
  K[0][0] = 4;
  K[0][1] = -1e-9;
  K[1][0] = -2;
  K[2][2] = -0.0;
  K[5][5] = 0.02;
  const std::vector<std::string> r = StiffnessReport(K);
  ASSERT_EQ(r.size(), 8u);
  EXPECT_EQ(r[0], " 1.00 -0.00  0.00  0.00  0.00  0.00");
  EXPECT_EQ(r[1], "-0.50  0.00  0.00  0.00  0.00  0.00");
  EXPECT_EQ(r[2], ZeroRow());
  EXPECT_EQ(r[5], " 0.00  0.00  0.00  0.00  0.00  0.01");
  EXPECT_EQ(r[6], "");
  EXPECT_EQ(r[7], "NOTE: All numbers times 4");
  K[0][0] = 1234.5;
  EXPECT_EQ(StiffnessReport(K)[7], "NOTE: All numbers times 1234.5");
}

// Seven bars of three types in space (one of zero length, an unused node): every test message,
// the report, the displayed displacements and the forces, digit for digit. The expected texts
// come from a separate hand-written solver.
ModelStore SpatialModel() {
  ModelStore s = MakeStore();
  SetNode(s, 1, "0.5", "-1.2", "2");
  SetNode(s, 2, "-3", "2.5", "-4");
  SetNode(s, 3, "1.5", "0.75", "-0.5");
  SetNode(s, 4, "4", "-2", "-1");
  SetNode(s, 5, "-1", "-1", "1");
  SetNode(s, 6, "-2.5", "-3", "-2.75");
  SetNode(s, 7, "0.5", "-1.2", "2");
  SetNode(s, 8, "2", "1.5", "0.25");
  SetNode(s, 9, "9", "9", "9");  // used by no bar
  SetBar(s, 1, "1", "2", "1");
  SetBar(s, 2, "3", "4", "0");
  SetBar(s, 3, "5", "6", "2");
  SetBar(s, 4, "1", "7");  // zero length
  SetBar(s, 5, "8", "6", "1");
  SetBar(s, 6, "2", "3", "2");
  SetBar(s, 7, "5", "4", "0");
  SetType(s, 0, "210000000", "0.001");
  SetType(s, 1, "2.5e5", "0.04");
  SetType(s, 2, "7e7", "2.5E-3");
  SetLoads(s, {10, -20, 5, 0, 3, -1});
  return s;
}

TEST(CalculateModel, SpatialModelTextsDigitForDigit) {
  ModelStore s = SpatialModel();
  s.CheckBox1 = true;
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));

  const std::vector<std::string> messages = {
      "bar=1 from node 1 to node   2\rx1=0.5 y1=-1.2 z1=2\rx2=-3 y2=2.5 "
      "z2=-4\rEA=10000\rlength=7.87",
      "Bg[1]=[0.445 -0.470 0.762 0.025 0.508 0.299]\rEA=10000 L=7.870\rk =1270.61623312567",
      "Element[1] stiffness matrix \r\r0.34 -0.36 0.58 0.02 0.39 0.23 \r-0.36 0.38 -0.62 -0.02 "
      "-0.41 -0.24 \r0.58 -0.62 1.00 0.03 0.67 0.39 \r0.02 -0.02 0.03 0.00 0.02 0.01 \r0.39 -0.41 "
      "0.67 0.02 0.44 0.26 \r0.23 -0.24 0.39 0.01 0.26 0.15 \r\rNOTE: All numbers times "
      "738.491837141171",
      "bar=2 from node 3 to node   4\rx1=1.5 y1=0.75 z1=-0.5\rx2=4 y2=-2 "
      "z2=-1\rEA=210000\rlength=3.75",
      "Bg[2]=[-0.667 0.733 0.133 0.467 0.133 1.600]\rEA=210000 L=3.750\rk =56000",
      "Element[2] stiffness matrix \r\r0.17 -0.19 -0.03 -0.12 -0.03 -0.42 \r-0.19 0.21 0.04 0.13 "
      "0.04 0.46 \r-0.03 0.04 0.01 0.02 0.01 0.08 \r-0.12 0.13 0.02 0.09 0.02 0.29 \r-0.03 0.04 "
      "0.01 0.02 0.01 0.08 \r-0.42 0.46 0.08 0.29 0.08 1.00 \r\rNOTE: All numbers times 143360",
      "bar=3 from node 5 to node   6\rx1=-1 y1=-1 z1=1\rx2=-2.5 y2=-3 "
      "z2=-2.75\rEA=175000\rlength=4.51",
      "Bg[3]=[0.333 0.444 0.832 -1.276 1.165 -0.111]\rEA=175000 L=4.507\rk =38829.013735766",
      "Element[3] stiffness matrix \r\r0.07 0.09 0.17 -0.26 0.24 -0.02 \r0.09 0.12 0.23 -0.35 0.32 "
      "-0.03 \r0.17 0.23 0.43 -0.65 0.60 -0.06 \r-0.26 -0.35 -0.65 1.00 -0.91 0.09 \r0.24 0.32 "
      "0.60 -0.91 0.83 -0.08 \r-0.02 -0.03 -0.06 0.09 -0.08 0.01 \r\rNOTE: All numbers times "
      "63201.6869729853",
      "bar=4 from node 1 to node   7\rx1=0.5 y1=-1.2 z1=2\rx2=0.5 y2=-1.2 "
      "z2=2\rEA=210000\rlength=0.00",
      "bar=5 from node 8 to node   6\rx1=2 y1=1.5 z1=0.25\rx2=-2.5 y2=-3 "
      "z2=-2.75\rEA=10000\rlength=7.04",
      "Bg[5]=[0.640 0.640 0.426 0.480 -0.693 0.320]\rEA=10000 L=7.036\rk =1421.3381090374",
      "Element[5] stiffness matrix \r\r0.85 0.85 0.57 0.64 -0.92 0.43 \r0.85 0.85 0.57 0.64 -0.92 "
      "0.43 \r0.57 0.57 0.38 0.43 -0.62 0.28 \r0.64 0.64 0.43 0.48 -0.69 0.32 \r-0.92 -0.92 -0.62 "
      "-0.69 1.00 -0.46 \r0.43 0.43 0.28 0.32 -0.46 0.21 \r\rNOTE: All numbers times "
      "682.403808032162",
      "bar=6 from node 2 to node   3\rx1=-3 y1=2.5 z1=-4\rx2=1.5 y2=0.75 "
      "z2=-0.5\rEA=175000\rlength=5.96",
      "Bg[6]=[-0.755 0.293 -0.587 -0.293 1.258 1.006]\rEA=175000 L=5.963\rk =29345.5265705223",
      "Element[6] stiffness matrix \r\r0.36 -0.14 0.28 0.14 -0.60 -0.48 \r-0.14 0.05 -0.11 -0.05 "
      "0.23 0.19 \r0.28 -0.11 0.22 0.11 -0.47 -0.37 \r0.14 -0.05 0.11 0.05 -0.23 -0.19 \r-0.60 "
      "0.23 -0.47 -0.23 1.00 0.80 \r-0.48 0.19 -0.37 -0.19 0.80 0.64 \r\rNOTE: All numbers times "
      "46416.4743646223",
      "bar=7 from node 5 to node   4\rx1=-1 y1=-1 z1=1\rx2=4 y2=-2 z2=-1\rEA=210000\rlength=5.48",
      "Bg[7]=[-0.913 0.183 0.365 -0.548 -0.548 -1.095]\rEA=210000 L=5.477\rk =38340.5790253616",
      "Element[7] stiffness matrix \r\r0.69 -0.14 -0.28 0.42 0.42 0.83 \r-0.14 0.03 0.06 -0.08 "
      "-0.08 -0.17 \r-0.28 0.06 0.11 -0.17 -0.17 -0.33 \r0.42 -0.08 -0.17 0.25 0.25 0.50 \r0.42 "
      "-0.08 -0.17 0.25 0.25 0.50 \r0.83 -0.17 -0.33 0.50 0.50 1.00 \r\rNOTE: All numbers times "
      "46008.694830434",
      "System stiffness Matrix:\r\r0.36 -0.16 0.03 -0.04 0.00 -0.20 \r-0.16 0.19 0.08 -0.04 0.14 "
      "0.30 \r0.03 0.08 0.20 -0.18 0.04 -0.11 \r-0.04 -0.04 -0.18 0.41 -0.25 0.28 \r0.00 0.14 0.04 "
      "-0.25 0.51 0.30 \r-0.20 0.30 -0.11 0.28 0.30 1.00 \r\rNOTE: All numbers times "
      "219811.784801435",
      "bar=1 from node 1 to node   2\rx1=0.5 y1=-1.2 z1=2\rx2=-3 y2=2.5 "
      "z2=-4\rEA=10000\rlength=7.87",
      "Bg[1]=[0.445 -0.470 0.762 0.025 0.508 0.299]\rEA=10000 L=7.870\rk =1270.61623312567",
      "bar=2 from node 3 to node   4\rx1=1.5 y1=0.75 z1=-0.5\rx2=4 y2=-2 "
      "z2=-1\rEA=210000\rlength=3.75",
      "Bg[2]=[-0.667 0.733 0.133 0.467 0.133 1.600]\rEA=210000 L=3.750\rk =56000",
      "bar=3 from node 5 to node   6\rx1=-1 y1=-1 z1=1\rx2=-2.5 y2=-3 "
      "z2=-2.75\rEA=175000\rlength=4.51",
      "Bg[3]=[0.333 0.444 0.832 -1.276 1.165 -0.111]\rEA=175000 L=4.507\rk =38829.013735766",
      "bar=4 from node 1 to node   7\rx1=0.5 y1=-1.2 z1=2\rx2=0.5 y2=-1.2 "
      "z2=2\rEA=210000\rlength=0.00",
      "bar=5 from node 8 to node   6\rx1=2 y1=1.5 z1=0.25\rx2=-2.5 y2=-3 "
      "z2=-2.75\rEA=10000\rlength=7.04",
      "Bg[5]=[0.640 0.640 0.426 0.480 -0.693 0.320]\rEA=10000 L=7.036\rk =1421.3381090374",
      "bar=6 from node 2 to node   3\rx1=-3 y1=2.5 z1=-4\rx2=1.5 y2=0.75 "
      "z2=-0.5\rEA=175000\rlength=5.96",
      "Bg[6]=[-0.755 0.293 -0.587 -0.293 1.258 1.006]\rEA=175000 L=5.963\rk =29345.5265705223",
      "bar=7 from node 5 to node   4\rx1=-1 y1=-1 z1=1\rx2=4 y2=-2 z2=-1\rEA=210000\rlength=5.48",
      "Bg[7]=[-0.913 0.183 0.365 -0.548 -0.548 -1.095]\rEA=210000 L=5.477\rk =38340.5790253616",
  };
  ASSERT_EQ(dialogs.Log.size(), messages.size());
  for (size_t i = 0; i < messages.size(); ++i) {
    EXPECT_EQ(dialogs.Log[i].Kind, "message") << i;
    EXPECT_EQ(dialogs.Log[i].Text, messages[i]) << i;
  }
  const std::vector<std::string> report = {
      " 0.36 -0.16  0.03 -0.04  0.00 -0.20",
      "-0.16  0.19  0.08 -0.04  0.14  0.30",
      " 0.03  0.08  0.20 -0.18  0.04 -0.11",
      "-0.04 -0.04 -0.18  0.41 -0.25  0.28",
      " 0.00  0.14  0.04 -0.25  0.51  0.30",
      "-0.20  0.30 -0.11  0.28  0.30  1.00",
      "",
      "NOTE: All numbers times 219811.784801435",
  };
  EXPECT_EQ(s.Memo1, report);
  const std::vector<std::string> shown = {"0.0041615265", "-0.066319019", "-0.019514538",
                                          "-0.11029982",  "-0.075718622", "0.072417588"};
  const std::vector<std::string> forces = {"-1.9203",  "16.1750",  "7.9013",  "0.0000",
                                           "-36.0498", "-33.6774", "-18.2416"};
  for (int j = 0; j < 6; ++j) EXPECT_EQ(s.NumberEdit(12 + j).Text(), shown[j]) << j;
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(s.StringGrid3.Cell(1, i), forces[i - 1]) << i;
  EXPECT_EQ(s.Label23, "9 nodes");
  EXPECT_EQ(s.Label24, "7 bars");
}

// ---------------------------------------------------------------------------------------------
// Against an independent computation

struct RefBar {
  std::array<long double, 3> p, q;
  long double ea;
};

struct RefSolution {
  test::LVec6 u;
  std::vector<long double> n;
  std::vector<test::LVec6> g;
  test::LMat6 k;
};

RefSolution Reference(const std::vector<RefBar>& bars, const std::array<double, 6>& f) {
  RefSolution sol{};
  for (const RefBar& b : bars) {
    long double length = 0;
    const test::LVec6 g = test::RefKinematic(b.p, b.q, length);
    sol.g.push_back(g);
    for (int i = 0; i < 6; ++i)
      for (int j = 0; j < 6; ++j) sol.k[i][j] += b.ea / length * g[i] * g[j];
  }
  test::LVec6 rhs;
  for (int j = 0; j < 6; ++j) rhs[j] = f[j];
  EXPECT_TRUE(test::RefSolve(sol.k, rhs, sol.u));
  for (size_t i = 0; i < bars.size(); ++i) {
    long double length = 0;
    test::RefKinematic(bars[i].p, bars[i].q, length);
    long double e = 0;
    for (int j = 0; j < 6; ++j) e += sol.g[i][j] * sol.u[j];
    sol.n.push_back(bars[i].ea / length * e);
  }
  return sol;
}

struct RandomModel {
  ModelStore store = MakeStore();
  std::vector<RefBar> bars;
  std::array<double, 6> f{};
};

RandomModel MakeRandomModel(std::mt19937& rng, int barCount) {
  RandomModel m;
  std::uniform_int_distribution<int> coord(-2000, 2000);
  std::uniform_int_distribution<int> dir(-1000, 1000);
  std::uniform_int_distribution<int> load(-500, 500);
  const double es[] = {1000, 2.1e8, 7e7, 35000};
  const double as[] = {0.002, 0.0005, 0.01, 0.25};
  const char* eText[] = {"1000", "2.1E8", "7e7", "35000"};
  const char* aText[] = {"0.002", "0.0005", "0.01", ".25"};
  for (int t = 0; t < 4; ++t) SetType(m.store, t, eText[t], aText[t]);
  for (int i = 1; i <= barCount; ++i) {
    const int p[3] = {coord(rng), coord(rng), coord(rng)};
    int d[3];
    do {
      for (int& x : d) x = dir(rng);
    } while (std::abs(d[0]) + std::abs(d[1]) + std::abs(d[2]) < 300);
    const int q[3] = {p[0] - d[0], p[1] - d[1], p[2] - d[2]};
    SetNode(m.store, 2 * i - 1, Milli(p[0]), Milli(p[1]), Milli(p[2]));
    SetNode(m.store, 2 * i, Milli(q[0]), Milli(q[1]), Milli(q[2]));
    const int t = static_cast<int>(rng() % 4);
    SetBar(m.store, i, std::to_string(2 * i - 1), std::to_string(2 * i),
           t == 0 && i % 2 ? "" : std::to_string(t));
    m.bars.push_back({{p[0] / 1000.0L, p[1] / 1000.0L, p[2] / 1000.0L},
                      {q[0] / 1000.0L, q[1] / 1000.0L, q[2] / 1000.0L},
                      static_cast<long double>(as[t] * es[t])});
  }
  for (double& x : m.f) x = load(rng);
  SetLoads(m.store, m.f);
  return m;
}

long double MaxAbs(const test::LVec6& v) {
  long double m = 0;
  for (long double x : v) m = std::max(m, std::fabs(x));
  return m;
}

TEST(CalculateModel, RandomModelsAgreeWithIndependentSolution) {
  std::mt19937 rng(4711);
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE(trial);
    const int barCount = 6 + trial % 40;
    RandomModel m = MakeRandomModel(rng, barCount);
    RecordingDialogs dialogs;
    ASSERT_TRUE(CalculateModel(m.store, dialogs));
    ASSERT_TRUE(dialogs.Log.empty());
    const RefSolution ref = Reference(m.bars, m.f);

    // Displacements are shown with 8 significant digits.
    const auto u = Displacements(m.store);
    const long double uMax = MaxAbs(ref.u);
    for (int j = 0; j < 6; ++j)
      EXPECT_NEAR(u[j], static_cast<double>(ref.u[j]), static_cast<double>(1e-7L * uMax)) << j;

    // Forces are shown with 4 decimals (at most 8 significant digits).
    long double nMax = 0;
    for (long double n : ref.n) nMax = std::max(nMax, std::fabs(n));
    const double tol = 6e-5 + static_cast<double>(1e-7L * nMax);
    std::vector<double> shown;
    for (int i = 1; i <= barCount; ++i) {
      shown.push_back(StrToFloat(m.store.StringGrid3.Cell(1, i)));
      EXPECT_NEAR(shown.back(), static_cast<double>(ref.n[i - 1]), tol) << "bar " << i;
    }

    // The shown forces balance the load.
    for (int j = 0; j < 6; ++j) {
      long double sum = 0, gMax = 0;
      for (int i = 0; i < barCount; ++i) {
        sum += shown[i] * ref.g[i][j];
        gMax = std::max(gMax, std::fabs(ref.g[i][j]));
      }
      EXPECT_NEAR(static_cast<double>(sum), m.f[j],
                  static_cast<double>(barCount * tol * (1 + gMax)))
          << "equilibrium " << j;
    }

    // The report shows the assembled matrix scaled by its largest entry.
    ASSERT_EQ(m.store.Memo1.size(), 8u);
    long double kMax = 0;
    for (const auto& row : ref.k)
      for (long double x : row) kMax = std::max(kMax, std::fabs(x));
    for (int r = 0; r < 6; ++r) {
      const std::string& line = m.store.Memo1[r];
      ASSERT_EQ(line.size(), 35u) << line;
      for (int q = 0; q < 6; ++q) {
        std::string entry = line.substr(q * 6, 5);
        if (entry[0] == ' ') entry.erase(0, 1);
        EXPECT_NEAR(StrToFloat(entry), static_cast<double>(ref.k[r][q] / kMax), 0.00500001)
            << r << "," << q;
      }
    }
  }
}

// The building blocks, used as CalculateModel uses them, agree with the extended-precision
// solution to the precision a well-conditioned system allows.
TEST(CalculateModel, FullPrecisionDisplacementsAgreeWithIndependentSolution) {
  std::mt19937 rng(99);
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE(trial);
    const int barCount = 8 + trial;
    RandomModel m = MakeRandomModel(rng, barCount);
    ASSERT_TRUE(NormaliseTables(m.store));
    RecordingDialogs dialogs;
    TMatrix6 K{};
    for (int i = 1; i <= barCount; ++i) {
      const BarGeometryResult geo = BarGeometry(m.store, i, dialogs);
      AddBarStiffness(m.store, i, K, geo.G, geo.K, geo.L, dialogs);
    }
    TIndexVector6 indx{};
    double d;
    std::string err;
    LUDecompose(K, 6, indx, d, err);
    ASSERT_EQ(err, "");
    TVector6 u = m.f;
    LUSolve(K, 6, indx, u);
    const RefSolution ref = Reference(m.bars, m.f);
    const long double uMax = MaxAbs(ref.u);
    for (int j = 0; j < 6; ++j)
      EXPECT_NEAR(u[j], static_cast<double>(ref.u[j]), static_cast<double>(1e-10L * uMax));
    for (int i = 1; i <= barCount; ++i) {
      const BarGeometryResult geo = BarGeometry(m.store, i, dialogs);
      const long double n = ref.n[i - 1];
      EXPECT_NEAR(BarNormalForce(geo.G, geo.K, geo.L, u), static_cast<double>(n),
                  static_cast<double>(1e-9L * (1 + std::fabs(n))));
    }
  }
}

// Six bars that hold the block in a statically determinate way: the forces follow from the
// six equilibrium equations alone, whatever the bar stiffnesses.
//   vertical bars at (1,0,0), (0,1,0), (-1,-1,0) to supports 2 m below,
//   bars along x at (0,1,0) and (0,-1,0), a bar along y at (1,0,0).
// Equilibrium: Fx = N4 + N5, Fy = -N6, Fz = N1 + N2 + N3, Tx = N2 - N3, Ty = N3 - N1,
// Tz = N5 - N4 - N6.
ModelStore SixBarModel(bool varyStiffness) {
  ModelStore s = MakeStore();
  SetNode(s, 1, "1", "0", "0");
  SetNode(s, 2, "0", "1", "0");
  SetNode(s, 3, "-1", "-1", "0");
  SetNode(s, 4, "1", "0", "-2");
  SetNode(s, 5, "0", "1", "-2");
  SetNode(s, 6, "-1", "-1", "-2");
  SetNode(s, 7, "0", "-1", "0");
  SetNode(s, 8, "-2", "1", "0");
  SetNode(s, 9, "-2", "-1", "0");
  SetNode(s, 10, "1", "2", "0");
  SetBar(s, 1, "1", "4", varyStiffness ? "1" : "0");
  SetBar(s, 2, "2", "5", varyStiffness ? "2" : "0");
  SetBar(s, 3, "3", "6", varyStiffness ? "3" : "0");
  SetBar(s, 4, "2", "8", varyStiffness ? "4" : "0");
  SetBar(s, 5, "7", "9", varyStiffness ? "5" : "0");
  SetBar(s, 6, "1", "10", "0");
  SetType(s, 0, "210000000", "0.001");
  SetType(s, 1, "1000", "0.3");
  SetType(s, 2, "5e6", "0.02");
  SetType(s, 3, "70000", "1");
  SetType(s, 4, "30", "2");
  SetType(s, 5, "2.1E8", "0.5");
  return s;
}

TEST(CalculateModel, StaticallyDeterminateSixBars) {
  for (bool vary : {false, true}) {
    SCOPED_TRACE(vary);
    ModelStore s = SixBarModel(vary);
    SetLoads(s, {10, -4, 12, 3, -6, 2});
    RecordingDialogs dialogs;
    ASSERT_TRUE(CalculateModel(s, dialogs));
    // N6 = -Fy, N5 - N4 = Tz + N6, N4 + N5 = Fx, N3 = (Fz - Tx + Ty) / 3, N1 = N3 - Ty,
    // N2 = N3 + Tx.
    const char* expected[] = {"7.0000", "4.0000", "1.0000", "2.0000", "8.0000", "4.0000"};
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(s.StringGrid3.Cell(1, i), expected[i - 1]) << i;
  }
}

TEST(CalculateModel, StaticallyDeterminateSixBarsRandomLoads) {
  // The forces solve G^T N = F for the kinematic vectors G of the six bars, independently of
  // the stiffnesses that the displacements depend on.
  const std::array<std::array<long double, 3>, 6> p = {
      {{1, 0, 0}, {0, 1, 0}, {-1, -1, 0}, {0, 1, 0}, {0, -1, 0}, {1, 0, 0}}};
  const std::array<std::array<long double, 3>, 6> q = {
      {{1, 0, -2}, {0, 1, -2}, {-1, -1, -2}, {-2, 1, 0}, {-2, -1, 0}, {1, 2, 0}}};
  test::LMat6 gt{};
  for (int i = 0; i < 6; ++i) {
    long double length;
    const test::LVec6 g = test::RefKinematic(p[i], q[i], length);
    for (int j = 0; j < 6; ++j) gt[j][i] = g[j];
  }
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> load(-1000, 1000);
  for (int trial = 0; trial < 20; ++trial) {
    std::array<double, 6> f;
    test::LVec6 rhs, n;
    for (int j = 0; j < 6; ++j) rhs[j] = f[j] = load(rng);
    ASSERT_TRUE(test::RefSolve(gt, rhs, n));
    ModelStore s = SixBarModel(trial % 2 == 1);
    SetLoads(s, f);
    RecordingDialogs dialogs;
    ASSERT_TRUE(CalculateModel(s, dialogs));
    for (int i = 1; i <= 6; ++i)
      EXPECT_NEAR(StrToFloat(s.StringGrid3.Cell(1, i)), static_cast<double>(n[i - 1]), 6e-5)
          << "trial " << trial << " bar " << i;
  }
}

}  // namespace
}  // namespace tarvelin
