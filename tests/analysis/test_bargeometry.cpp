// Tests of the bar measure at its boundaries: no length, the direction threshold, tiny and
// huge coordinates, ends on opposite sides of the largest double, negative directions.
#include "analysis/bargeometry.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace tarvelin {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct MeasureCase {
  const char* Name;
  Point3 P1, P2;
  double Length;  // within 2 units of the last place, or kInf
  bool Directed;
  Point3 Direction;  // within 2 units of the last place when Directed
  Point3 Midpoint;   // exact
};

void PrintTo(const MeasureCase& c, std::ostream* os) {
  *os << c.Name;
}

class MeasureBarTest : public testing::TestWithParam<MeasureCase> {};

bool Near(double actual, double expected) {
  return std::fabs(actual - expected) <= 2 * DBL_EPSILON * std::fabs(expected) ||
         actual == expected;
}

TEST_P(MeasureBarTest, LengthDirectionAndMidpoint) {
  const MeasureCase& c = GetParam();
  const BarLine bar = MeasureBar(c.P1, c.P2);
  EXPECT_TRUE(Near(bar.Length, c.Length)) << bar.Length;
  EXPECT_EQ(bar.HasDirection(), c.Directed);
  EXPECT_TRUE(Near(bar.Direction.X, c.Direction.X)) << bar.Direction.X;
  EXPECT_TRUE(Near(bar.Direction.Y, c.Direction.Y)) << bar.Direction.Y;
  EXPECT_TRUE(Near(bar.Direction.Z, c.Direction.Z)) << bar.Direction.Z;
  EXPECT_EQ(bar.Midpoint.X, c.Midpoint.X);
  EXPECT_EQ(bar.Midpoint.Y, c.Midpoint.Y);
  EXPECT_EQ(bar.Midpoint.Z, c.Midpoint.Z);
  // Reversed, the bar keeps its length and midpoint and turns its direction.
  const BarLine back = MeasureBar(c.P2, c.P1);
  EXPECT_EQ(back.Length, bar.Length);
  EXPECT_EQ(back.Direction.X, -bar.Direction.X);
  EXPECT_EQ(back.Direction.Y, -bar.Direction.Y);
  EXPECT_EQ(back.Direction.Z, -bar.Direction.Z);
  EXPECT_EQ(back.Midpoint.X, bar.Midpoint.X);
}

const double kHalfRoot2 = std::sqrt(0.5);
const double kBig = 1.5e308;  // twice it overflows

INSTANTIATE_TEST_SUITE_P(
    Boundaries, MeasureBarTest,
    testing::Values(
        MeasureCase{"OneNodeTwice", {2, -3, 4}, {2, -3, 4}, 0, false, {0, 0, 0}, {2, -3, 4}},
        MeasureCase{
            "AtTheThreshold", {1e-9, 0, 0}, {0, 0, 0}, 1e-9, false, {0, 0, 0}, {5e-10, 0, 0}},
        MeasureCase{"JustAboveIt", {0, 0, 0}, {0, 0, 2e-9}, 2e-9, true, {0, 0, -1}, {0, 0, 1e-9}},
        // Squares below the smallest double: no length, the midpoint still exact.
        MeasureCase{
            "TinyCoordinates", {1e-300, 0, 0}, {3e-300, 0, 0}, 0, false, {0, 0, 0}, {2e-300, 0, 0}},
        MeasureCase{"PlainFormula",
                    {4, 6, 8},
                    {1, 2, 3},
                    std::sqrt(50.0),
                    true,
                    {3 / std::sqrt(50.0), 4 / std::sqrt(50.0), 5 / std::sqrt(50.0)},
                    {2.5, 4, 5.5}},
        MeasureCase{"NegativeDirection",
                    {0, 0, 0},
                    {3, 4, 12},
                    13,
                    true,
                    {-3.0 / 13, -4.0 / 13, -12.0 / 13},
                    {1.5, 2, 6}},
        // Squares beyond the largest double, the length within it.
        MeasureCase{"SquaresOverflow",
                    {0, 0, 0},
                    {-3e200, 4e200, 0},
                    5e200,
                    true,
                    {0.6, -0.8, 0},
                    {-1.5e200, 2e200, 0}},
        // The sum of the ends overflows; their distance is ordinary.
        MeasureCase{"SumOverflows", {kBig, 1, 0}, {kBig, 3, 0}, 2, true, {0, -1, 0}, {kBig, 2, 0}},
        // Longer than the largest double: the length is infinite, the direction still known.
        MeasureCase{"LengthOverflows",
                    {0, 0, 0},
                    {kBig, kBig, 0},
                    kInf,
                    true,
                    {-kHalfRoot2, -kHalfRoot2, 0},
                    {kBig / 2, kBig / 2, 0}},
        MeasureCase{"DifferenceOverflows",
                    {kBig, kBig, -DBL_MAX},
                    {-kBig, -kBig, -DBL_MAX},
                    kInf,
                    true,
                    {kHalfRoot2, kHalfRoot2, 0},
                    {0, 0, -DBL_MAX}}),
    [](const testing::TestParamInfo<MeasureCase>& info) { return info.param.Name; });

// The scene and the results of every ordinary bar stay as the plain formula writes them.
TEST(MeasureBar, OrdinaryBarsKeepThePlainFormulaToTheLastDigit) {
  const Point3 ends[][2] = {{{0.773, 0.207, 0.4}, {1.028, 1.226, 2.2}},
                            {{-0.566, -0.566, 0.4}, {-1.576, -0.278, 2.2}},
                            {{1e150, -3e149, 7}, {-2e150, 0.1, 1e-3}}};
  for (const auto& e : ends) {
    const double dx = e[0].X - e[1].X, dy = e[0].Y - e[1].Y, dz = e[0].Z - e[1].Z;
    const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
    const BarLine bar = MeasureBar(e[0], e[1]);
    EXPECT_EQ(bar.Length, length);
    EXPECT_EQ(bar.Direction.X, dx / length);
    EXPECT_EQ(bar.Direction.Y, dy / length);
    EXPECT_EQ(bar.Direction.Z, dz / length);
    EXPECT_EQ(bar.Midpoint.Y, (e[0].Y + e[1].Y) * 0.5);
  }
}

// Huge bars give what the plain formula gives on the same bar scaled down, scaled back up.
TEST(MeasureBar, AHugeBarIsAScaledOrdinaryOne) {
  const Point3 p1{0.773, -0.207, 0.4}, p2{-1.576, 0.278, 2.2};
  const double scale = std::ldexp(1.0, 900);
  const BarLine small = MeasureBar(p1, p2);
  const BarLine huge = MeasureBar({p1.X * scale, p1.Y * scale, p1.Z * scale},
                                  {p2.X * scale, p2.Y * scale, p2.Z * scale});
  EXPECT_TRUE(Near(huge.Length / scale, small.Length)) << huge.Length / scale - small.Length;
  EXPECT_TRUE(Near(huge.Direction.X, small.Direction.X));
  EXPECT_TRUE(Near(huge.Direction.Y, small.Direction.Y));
  EXPECT_TRUE(Near(huge.Direction.Z, small.Direction.Z));
  EXPECT_EQ(huge.Midpoint.Z / scale, small.Midpoint.Z);
}

}  // namespace
}  // namespace tarvelin
