// Tests of the mechanism check: every family of free motion, driven by the load (failure) and
// left alone (success with a warning), the same verdict in other units, the words that explain
// it, and the other warnings of a calculation.
#include "analysis/mechanism.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/stiffness.h"
#include "model_helpers.h"
#include "recording_dialogs.h"

namespace tarvelin {
namespace {

using test::MakeStore;
using test::RecordingDialogs;
using test::SetBar;
using test::SetNode;
using test::SetType;

struct Point {
  double x, y, z;
};
struct Bar {
  Point begin, support;
};

struct MechanismCase {
  const char* name;
  std::vector<Bar> bars;
  TVector6 drivingLoad;  // has a component along a free motion
  TVector6 quietLoad;    // has none
  const char* explanation;
};

std::string Coordinate(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.6f", v);
  return buffer;
}

// The model of a case with every length times lengthScale and E times stiffnessScale.
ModelStore Model(const MechanismCase& c, const TVector6& load, double lengthScale = 1,
                 double stiffnessScale = 1) {
  ModelStore s = MakeStore();
  int node = 0, bar = 0;
  for (const Bar& b : c.bars) {
    for (const Point& p : {b.begin, b.support}) {
      ++node;
      SetNode(s, node, Coordinate(p.x * lengthScale), Coordinate(p.y * lengthScale),
              Coordinate(p.z * lengthScale));
    }
    ++bar;
    SetBar(s, bar, std::to_string(node - 1), std::to_string(node));
  }
  SetType(s, 0, Coordinate(1000 * stiffnessScale), "0.01");
  for (int j = 0; j < 6; ++j) s.NumberEdit(4 + j).SetRealValue(load[j]);
  return s;
}

const char* const kHeader =
    "Wrong bar layout, singular matrix found.\n"
    "The bars leave the block free to move, and the load drives that motion.\n";
const char* const kQuietHeader =
    "The bar layout is a mechanism: the bars leave the block free to move. The load does not "
    "drive that motion, so the displacements leave it out.\n";

const double kR = 0.5;  // pitch of the screw case

const MechanismCase kCases[] = {
    {"translation",
     // Every bar across (1, 1, 0): the block slides along it.
     {{{0, 0, 0}, {-1, 1, 0}},
      {{1, 1, 0}, {0, 2, 0}},
      {{0, 0, 0}, {0, 0, -1}},
      {{1, 0, 0}, {1, 0, -1}},
      {{0, 1, 0}, {0, 1, -1}}},
     {1, 0, 0, 0, 0, 0},
     {1, -1, 2, 0, 0, 0},
     "Translation of the block along (0.7071, 0.7071, 0).\n"
     "A bar with a component along this direction would restrain it."},
    {"rotation",
     // Every bar meets the vertical line through (1, 0, 0) or runs parallel to it.
     {{{0, 0, 0}, {0, 0, -1}},
      {{2, 0, 0}, {2, 0, -1}},
      {{0, 1, 0}, {0, 1, -1}},
      {{1, 0, 0}, {2, 0, 0}},
      {{1, 0, 0}, {1, -1, 0}}},
     {0, 0, 0, 0, 0, 1},
     {1, 0, 3, 0, 0, 0},
     "Rotation of the block about the axis through (1, 0, 0) m with direction (0, 0, 1).\n"
     "A bar whose line neither meets this axis nor is parallel to it would restrain it."},
    {"screw",
     // Inclined bars that a turn about z with a rise of 0.5 m per radian leaves unstrained.
     {{{0, 0, 0}, {-1, 0, 0}},
      {{0, 0, 0}, {0, -1, 0}},
      {{1, 0, 0}, {1, kR, -1}},
      {{-1, 0, 0}, {-1, -kR, -1}},
      {{0, 1, 0}, {-kR, 1, -1}}},
     {0, 0, 0, 0, 0, 1},
     {1, 0, 0, 0, 0, 0},
     "Screw motion of the block about the axis through (0, 0, 0) m with direction (0, 0, 1), "
     "pitch 0.5 m per radian (it turns and moves along the axis together).\n"
     "A bar parallel to the axis, or one whose line neither meets the axis nor is parallel to "
     "it, would restrain it."},
    {"three bars through one point",
     // The block turns freely about every axis through (1, 1, 0).
     {{{1, 1, 0}, {0, 1, 0}}, {{1, 1, 0}, {1, 0, 0}}, {{1, 1, 0}, {1, 1, -1}}},
     {1, 0, 0, 0, 0, 0},
     // A force through the common point: Fx at (1, 1, 0) is Fx with Tz = -Fx at the centre.
     {1, 0, 0, 0, 0, -1},
     "The block has 3 independent free motions, and every combination of them; a basis:\n"
     "1. Rotation of the block about the axis through (0, 1, 0) m with direction (1, 0, 0).\n"
     "2. Rotation of the block about the axis through (1, 0, 0) m with direction (0, 1, 0).\n"
     "3. Rotation of the block about the axis through (1, 1, 0) m with direction (0, 0, 1).\n"
     "At least 3 more bars are needed, each lengthened or shortened by one of these motions: "
     "for each axis a bar whose line neither meets it nor is parallel to it."},
    {"all bars parallel",
     // Parallel to (1, 1, 1): the block slides across them and turns about their direction.
     {{{1, 0, 0}, {0, -1, -1}}, {{0, 1, 0}, {-1, 0, -1}}, {{0, 0, 1}, {-1, -1, 0}}},
     {1, 0, 0, 0, 0, 0},
     {1, 1, 1, 0, 0, 0},
     "The block has 3 independent free motions, and every combination of them; a basis:\n"
     "1. Translation of the block along (0.8165, -0.4082, -0.4082).\n"
     "2. Translation of the block along (0, 0.7071, -0.7071).\n"
     "3. Rotation of the block about the axis through (0, 0, 0) m with direction (0.5774, "
     "0.5774, 0.5774).\n"
     "At least 3 more bars are needed, each lengthened or shortened by one of these motions: "
     "for a translation a bar with a component along its direction, for a rotation a bar whose "
     "line neither meets its axis nor is parallel to it."},
};

class MechanismTest : public ::testing::TestWithParam<MechanismCase> {};

TEST_P(MechanismTest, DrivingLoadFailsWithTheExplanation) {
  const MechanismCase& c = GetParam();
  ModelStore s = Model(c, c.drivingLoad);
  s.StringGrid3.SetCell(1, 1, "1.0000");  // an earlier result
  RecordingDialogs dialogs;
  EXPECT_FALSE(CalculateModel(s, dialogs));
  ASSERT_EQ(dialogs.Log.size(), 1u);
  EXPECT_EQ(dialogs.Log[0].Kind, "error");
  EXPECT_EQ(dialogs.Log[0].Text, kHeader + std::string(c.explanation));
  EXPECT_EQ(s.StringGrid3.Cell(1, 1), "");
  EXPECT_FALSE(s.Result.Valid);
  EXPECT_TRUE(s.Result.Mechanism);
  EXPECT_FALSE(s.Result.FreeMotions.empty());  // kept for the view
  EXPECT_LE(s.Result.EigenvalueRatio, kSingularRatio);
}

TEST_P(MechanismTest, QuietLoadSucceedsWithAWarning) {
  const MechanismCase& c = GetParam();
  ModelStore s = Model(c, c.quietLoad);
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  EXPECT_TRUE(dialogs.Log.empty());
  const CalculationResult& r = s.Result;
  ASSERT_TRUE(r.Valid);
  ASSERT_EQ(r.Warnings.size(), 1u);
  EXPECT_EQ(r.Warnings[0], kQuietHeader + std::string(c.explanation));
  // The bars carry the load, and the displacements have no part along a free motion.
  EXPECT_LT(r.RelativeResidual, 1e-9);
  const double L = r.CharacteristicLength;
  double uNorm = 0;
  for (int j = 0; j < 6; ++j) uNorm += std::pow(r.Displacements[j] * (j < 3 ? 1 : L), 2);
  for (const FreeMotion& m : r.FreeMotions) {
    double dot = 0, mNorm = 0;
    for (int j = 0; j < 6; ++j) {
      const double w = j < 3 ? 1 : L * L;
      dot += m.Mode[j] * r.Displacements[j] * w;
      mNorm += m.Mode[j] * m.Mode[j] * w;
    }
    EXPECT_LE(std::fabs(dot), 1e-9 * std::sqrt(mNorm * uNorm)) << m.Text;
  }
  // Each free motion really is free: it lengthens no bar.
  for (const FreeMotion& m : r.FreeMotions)
    for (int i = 1; i <= static_cast<int>(c.bars.size()); ++i) {
      const BarGeometryResult geo = BarGeometry(s, i, dialogs);
      double elongation = 0;
      for (int j = 0; j < 6; ++j) elongation += geo.G[j] * m.Mode[j];
      EXPECT_NEAR(elongation, 0, 1e-9) << "bar " << i << ": " << m.Text;
    }
}

// Millimetres instead of metres and kN/mm^2-sized numbers: the same verdict and motions.
TEST_P(MechanismTest, VerdictDoesNotDependOnUnits) {
  const MechanismCase& c = GetParam();
  const double lengths[] = {1, 1000, 1};
  const double stiffnesses[] = {1, 1, 1e6};
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    // Moments grow with the lengths, so a load through a point stays a load through it.
    TVector6 driving = c.drivingLoad, quietLoad = c.quietLoad;
    for (int j = 3; j < 6; ++j) {
      driving[j] *= lengths[k];
      quietLoad[j] *= lengths[k];
    }
    ModelStore driven = Model(c, driving, lengths[k], stiffnesses[k]);
    ModelStore quiet = Model(c, quietLoad, lengths[k], stiffnesses[k]);
    RecordingDialogs dialogs;
    EXPECT_FALSE(CalculateModel(driven, dialogs));
    EXPECT_TRUE(CalculateModel(quiet, dialogs));
    const ModelStore reference = Model(c, c.quietLoad);
    ModelStore copy = reference;
    ASSERT_TRUE(CalculateModel(copy, dialogs));
    const auto& a = quiet.Result.FreeMotions;
    const auto& b = copy.Result.FreeMotions;
    ASSERT_EQ(a.size(), b.size());
    for (size_t m = 0; m < a.size(); ++m) {
      EXPECT_EQ(a[m].Type, b[m].Type);
      for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(a[m].Direction[i], b[m].Direction[i], 1e-9);
        EXPECT_NEAR(a[m].AxisPoint[i], b[m].AxisPoint[i] * lengths[k], 1e-9 * lengths[k]);
      }
      EXPECT_NEAR(a[m].Pitch, b[m].Pitch * lengths[k], 1e-9 * lengths[k]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Families, MechanismTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<MechanismCase>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name)
                             if (ch == ' ') ch = '_';
                           return name;
                         });

// ---------------------------------------------------------------------------------------------
// Near a mechanism, and sound layouts

// The rotation case with a sixth bar, against the free turn, so soft that K is nearly singular.
ModelStore NearlySingular(const std::string& softArea) {
  ModelStore s = Model(kCases[1], {0, 0, 0, 0, 0, 1});
  SetNode(s, 11, "0", "0", "0");
  SetNode(s, 12, "0", "-1", "0");
  SetBar(s, 6, "11", "12", "1");
  SetType(s, 1, "1000", softArea);
  return s;
}

TEST(Mechanism, NearlySingularIsSolvedWithAWarning) {
  ModelStore s = NearlySingular("1e-9");
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  const CalculationResult& r = s.Result;
  EXPECT_GT(r.EigenvalueRatio, kSingularRatio);
  EXPECT_LE(r.EigenvalueRatio, kNearlySingularRatio);
  ASSERT_EQ(r.Warnings.size(), 1u);
  EXPECT_EQ(r.Warnings[0].substr(0, 57),
            "The bar layout is close to a mechanism (eigenvalue ratio ");
  EXPECT_NE(r.Warnings[0].find("The weakest motion:\nRotation of the block about the axis "
                               "through (1, 0, 0) m with direction (0, 0, 1)."),
            std::string::npos)
      << r.Warnings[0];
  // Solved as a sound layout: the soft bar carries the whole moment.
  EXPECT_LT(r.RelativeResidual, 1e-6);
}

TEST(Mechanism, BoundariesOfTheRatio) {
  // Below the singular limit the same layout is a mechanism; well above it, sound.
  ModelStore singular = NearlySingular("1e-14");
  ModelStore sound = NearlySingular("1e-4");
  RecordingDialogs dialogs;
  EXPECT_FALSE(CalculateModel(singular, dialogs));
  EXPECT_LE(singular.Result.EigenvalueRatio, kSingularRatio);
  ASSERT_TRUE(CalculateModel(sound, dialogs));
  EXPECT_GT(sound.Result.EigenvalueRatio, kNearlySingularRatio);
  EXPECT_TRUE(sound.Result.Warnings.empty());
  EXPECT_TRUE(sound.Result.FreeMotions.empty());
}

// The check decides, the LU solves: a sound layout's digits are those of the factorisation
// alone.
TEST(Mechanism, SoundLayoutKeepsTheLUSolution) {
  ModelStore s = NearlySingular("0.01");
  s.NumberEdit(4).SetRealValue(3);
  s.NumberEdit(8).SetRealValue(-2);
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  TMatrix6 K = s.Result.Stiffness;
  TIndexVector6 indx{};
  double d = 0;
  std::string err;
  LUDecompose(K, 6, indx, d, err);
  ASSERT_TRUE(err.empty());
  TVector6 b = s.Result.Load;
  LUSolve(K, 6, indx, b);
  for (int j = 0; j < 6; ++j) EXPECT_EQ(s.Result.Displacements[j], b[j]) << j;
}

TEST(Mechanism, ZeroLoadOnAMechanismGivesZeroDisplacements) {
  ModelStore s = Model(kCases[4], {0, 0, 0, 0, 0, 0});
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  EXPECT_EQ(s.Result.Displacements, (TVector6{}));
  for (int j = 12; j <= 17; ++j) EXPECT_EQ(s.NumberEdit(j).RealValue(), 0);
  ASSERT_EQ(s.Result.Warnings.size(), 1u);
  EXPECT_EQ(s.Result.RelativeResidual, 0);
}

// ---------------------------------------------------------------------------------------------
// Bars that add nothing, loads that are disregarded, values that are refused

TEST(Mechanism, BarsWithoutStiffnessAreNamed) {
  // The translation case with its first bar of type 1, E = 0: the block is freer still.
  ModelStore s = Model(kCases[0], {1, 0, 0, 0, 0, 0});
  SetBar(s, 1, "1", "2", "1");
  SetType(s, 1, "0", "0.01");
  SetNode(s, 11, "5", "5", "5");
  SetBar(s, 6, "11", "11");  // both ends at one node
  RecordingDialogs dialogs;
  EXPECT_FALSE(CalculateModel(s, dialogs));
  ASSERT_EQ(dialogs.Log.size(), 1u);
  const std::string& text = dialogs.Log[0].Text;
  EXPECT_NE(text.find("The block has 2 independent free motions"), std::string::npos) << text;
  EXPECT_NE(text.find("\nBars that add no stiffness: bar 1 (E = 0 in bar type 1), bar 6 (its two "
                      "nodes coincide)."),
            std::string::npos)
      << text;

  // Without a load along the free motions: named among the warnings.
  s.NumberEdit(4).SetRealValue(0);
  s.NumberEdit(6).SetRealValue(4);
  ASSERT_TRUE(CalculateModel(s, dialogs));
  ASSERT_EQ(s.Result.Warnings.size(), 2u);
  EXPECT_EQ(s.Result.Warnings[0],
            "Bars that add no stiffness: bar 1 (E = 0 in bar type 1), bar 6 (its two nodes "
            "coincide).");
  EXPECT_EQ(s.Result.Warnings[1].substr(0, 37), "The bar layout is a mechanism: the ba");
}

TEST(Mechanism, ManyIdleBarsAreCounted) {
  ModelStore s = MakeStore();
  SetNode(s, 1, "1", "0", "0");
  SetNode(s, 2, "3", "0", "0");
  for (int i = 1; i <= 13; ++i) SetBar(s, i, "1", "2");
  SetType(s, 0, "1000", "0");  // A = 0 in every bar
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  ASSERT_EQ(s.Result.Warnings.size(), 1u);
  EXPECT_NE(s.Result.Warnings[0].find("bar 10 (A = 0 in bar type 0) and 3 more."),
            std::string::npos)
      << s.Result.Warnings[0];
}

// The one-bar model of the hand case: only ux is restrained.
ModelStore OneBar(const TVector6& load) {
  ModelStore s = MakeStore();
  SetNode(s, 1, "1", "0", "0");
  SetNode(s, 2, "3", "0", "0");
  SetBar(s, 1, "1", "2");
  SetType(s, 0, "1000", "0.002");
  for (int j = 0; j < 6; ++j) s.NumberEdit(4 + j).SetRealValue(load[j]);
  return s;
}

TEST(Mechanism, LoadsOnFixedDofsAreNamed) {
  ModelStore s = OneBar({5, 10, 0, 0, -2.5, 0});
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  EXPECT_TRUE(dialogs.Log.empty());
  const std::vector<std::string> expected = {
      "The load Fy = 10 kN acts along a degree of freedom that no bar restrains; it was "
      "disregarded.",
      "The load Ty = -2.5 kNm acts along a degree of freedom that no bar restrains; it was "
      "disregarded."};
  EXPECT_EQ(s.Result.Warnings, expected);
  EXPECT_EQ(s.Result.Load, (TVector6{5, 10, 0, 0, -2.5, 0}));  // as entered
  EXPECT_EQ(s.Result.Displacements, (TVector6{5, 0, 0, 0, 0, 0}));

  // The load on the restrained dof only: nothing to say.
  ModelStore quiet = OneBar({5, 0, 0, 0, 0, 0});
  ASSERT_TRUE(CalculateModel(quiet, dialogs));
  EXPECT_TRUE(quiet.Result.Warnings.empty());
}

struct RefusedCase {
  const char* name;
  void (*spoil)(ModelStore&);
  const char* message;
  int page;
};

class RefusedTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedTest, StopsAndClearsEarlierResults) {
  ModelStore s = OneBar({5, 0, 0, 0, 0, 0});
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  ASSERT_TRUE(s.Result.Valid);
  s.ActivePage = 2;
  GetParam().spoil(s);
  EXPECT_FALSE(CalculateModel(s, dialogs));
  ASSERT_EQ(dialogs.Log.size(), 1u);
  EXPECT_EQ(dialogs.Log[0].Kind, "error");
  EXPECT_EQ(dialogs.Log[0].Text, GetParam().message);
  EXPECT_EQ(s.ActivePage, GetParam().page);
  EXPECT_FALSE(s.Result.Valid);
  EXPECT_EQ(s.StringGrid3.Cell(1, 1), "");
  EXPECT_EQ(s.NumberEdit(12).RealValue(), 0);
  EXPECT_FALSE(s.GroupBox4Visible || s.StringGrid3Visible || s.Memo1Visible);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedTest,
    ::testing::Values(
        RefusedCase{"negative E of type 0", [](ModelStore& s) { SetType(s, 0, "-1000", "0.002"); },
                    "Bar type 0 has a negative E = -1000 kN/m^2 (bar type table, type 0, column "
                    "\"E [kN/m^2]\"), used by bar 1. E and A must not be negative.",
                    2},
        RefusedCase{"negative A of type 3",
                    [](ModelStore& s) {
                      SetType(s, 3, "2.1E8", "-0.5");
                      SetBar(s, 1, "1", "2", "3");
                    },
                    "Bar type 3 has a negative A = -0.5 m^2 (bar type table, type 3, column "
                    "\"A [m^2]\"), used by bar 1. E and A must not be negative.",
                    2},
        RefusedCase{"negative A in a zero-length bar",
                    [](ModelStore& s) {
                      SetType(s, 1, "1", "-1E-9");
                      SetBar(s, 2, "1", "1", "1");
                    },
                    "Bar type 1 has a negative A = -1E-9 m^2 (bar type table, type 1, column "
                    "\"A [m^2]\"), used by bar 2. E and A must not be negative.",
                    2},
        RefusedCase{"Fx holds letters", [](ModelStore& s) { s.NumberEdit(4).SetText("abc"); },
                    "Fx holds no valid number.", 0},
        RefusedCase{"Tz holds a lone sign", [](ModelStore& s) { s.NumberEdit(9).SetText("-"); },
                    "Tz holds no valid number.", 0},
        RefusedCase{"A with a decimal comma",
                    [](ModelStore& s) { s.NumberEdit(11).SetText("2,5"); },
                    "A holds no valid number.", 0}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) {
      std::string name = info.param.name;
      for (char& ch : name)
        if (ch == ' ' || ch == '-') ch = '_';
      return name;
    });

TEST(Mechanism, UnusedTypeMayBeNegative) {
  ModelStore s = OneBar({5, 0, 0, 0, 0, 0});
  SetType(s, 4, "-1", "-1");  // no bar uses it
  RecordingDialogs dialogs;
  EXPECT_TRUE(CalculateModel(s, dialogs));
}

// ---------------------------------------------------------------------------------------------
// Per-bar results, equilibrium and the last table row

TEST(Mechanism, BarResultsAndEquilibrium) {
  ModelStore s = OneBar({5, 0, 0, 0, 0, 0});
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  ASSERT_EQ(s.Result.Bars.size(), 1u);
  const BarResult& b = s.Result.Bars[0];
  EXPECT_EQ(b.Bar, 1);
  EXPECT_EQ(b.BeginNode, 1);
  EXPECT_EQ(b.EndNode, 2);
  EXPECT_EQ(b.Type, 0);
  EXPECT_EQ(b.E, 1000);
  EXPECT_EQ(b.A, 0.002);
  EXPECT_EQ(b.Length, 2);
  EXPECT_EQ(b.Stiffness, 1);
  EXPECT_EQ(b.Force, -5);
  EXPECT_EQ(b.Elongation, -5);  // N L / (E A) = -5 * 2 / 2
  EXPECT_EQ(b.Stress, -2500);   // N / A
  EXPECT_EQ(s.Result.Residual, (TVector6{}));
  EXPECT_EQ(s.Result.RelativeResidual, 0);
  EXPECT_EQ(s.Result.CharacteristicLength, 1);
  EXPECT_EQ(s.Result.EigenvalueRatio, 1);  // one free dof
}

TEST(Mechanism, BarInTheLastTableRowIsCountedAndGetsItsForce) {
  ModelStore s = MakeStore(21);
  SetNode(s, 1, "1", "0", "0");
  SetNode(s, 2, "3", "0", "0");
  for (int i = 1; i <= 20; ++i) SetBar(s, i, "1", "2");  // rows 1 .. GridLength - 1
  SetType(s, 0, "1000", "0.002");
  s.NumberEdit(4).SetRealValue(20);
  RecordingDialogs dialogs;
  ASSERT_TRUE(CalculateModel(s, dialogs));
  EXPECT_EQ(s.Label24, "20 bars");
  EXPECT_EQ(s.StringGrid3.Cell(1, 20), "-1.0000");
  ASSERT_EQ(s.Result.Bars.size(), 20u);
  EXPECT_EQ(s.Result.Bars.back().Bar, 20);
  EXPECT_EQ(s.Result.Bars.back().Force, -1);
}

TEST(Mechanism, EquilibriumText) {
  EXPECT_EQ(EquilibriumText(3.2e-13), "Equilibrium check: largest residual 3.2e-13 of the load");
  EXPECT_EQ(EquilibriumText(0), "Equilibrium check: largest residual 0 of the load");
  EXPECT_EQ(EquilibriumText(0.25), "Equilibrium check: largest residual 0.25 of the load");
}

TEST(Mechanism, RoundedText) {
  EXPECT_EQ(RoundedText(0.70710678, 4), "0.7071");
  EXPECT_EQ(RoundedText(-0.00001, 4), "0");  // no negative zero
  EXPECT_EQ(RoundedText(1.0, 4), "1");
  EXPECT_EQ(RoundedText(-0.5, 4), "-0.5");
  EXPECT_EQ(RoundedText(123.45675, 2), "123.46");
  const double v[3] = {1e-17, -1, 0.25};
  EXPECT_EQ(VectorText(v, 4), "(0, -1, 0.25)");
}

}  // namespace
}  // namespace tarvelin
