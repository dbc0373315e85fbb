// Tests of the six-by-six LU routines, the print scale and the matrix display text.
#include "analysis/matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>
#include <string>

#include "model_helpers.h"
#include "recording_dialogs.h"

namespace tarvelin {
namespace {

TMatrix6 Identity() {
  TMatrix6 m{};
  for (int i = 0; i < 6; ++i) m[i][i] = 1.0;
  return m;
}

// Rebuilds P*A from the factors: L (unit diagonal) times U.
TMatrix6 Product(const TMatrix6& lu, int n) {
  TMatrix6 p{};
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      long double s = 0;
      for (int k = 0; k < n; ++k) {
        const double l = k < i ? lu[i][k] : (k == i ? 1.0 : 0.0);
        const double u = k <= j ? lu[k][j] : 0.0;
        s += static_cast<long double>(l) * u;
      }
      p[i][j] = static_cast<double>(s);
    }
  return p;
}

TEST(LUDecompose, IdentityNeedsNoInterchange) {
  TMatrix6 a = Identity();
  TIndexVector6 indx{};
  double d = 0;
  std::string err = "stale";
  LUDecompose(a, 6, indx, d, err);
  EXPECT_EQ(err, "");
  EXPECT_EQ(d, 1.0);
  EXPECT_EQ(indx, (TIndexVector6{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(a, Identity());
  TVector6 b{1.5, -2, 3, 0, 0, 7};
  const TVector6 original = b;
  LUSolve(a, 6, indx, b);
  EXPECT_EQ(b, original);
}

TEST(LUDecompose, SwappedRowsOfTwoByTwo) {
  TMatrix6 a{};
  a[0][1] = 1;
  a[1][0] = 1;
  a[4][4] = 99;  // outside the active block: untouched
  TIndexVector6 indx{0, 0, 0, 0, 0, 0};
  double d = 0;
  std::string err;
  LUDecompose(a, 2, indx, d, err);
  EXPECT_EQ(err, "");
  EXPECT_EQ(indx[0], 2);
  EXPECT_EQ(indx[1], 2);
  EXPECT_EQ(indx[2], 0);
  EXPECT_EQ(d, -1.0);
  EXPECT_EQ(a[4][4], 99);
  TVector6 b{3, 4, 0, 0, 0, 0};
  LUSolve(a, 2, indx, b);
  EXPECT_EQ(b[0], 4);
  EXPECT_EQ(b[1], 3);
}

TEST(LUDecompose, EqualScaledCandidatesFirstRowWins) {
  TMatrix6 a{};
  a[0][0] = 1;
  a[1][0] = 1;
  a[1][1] = 1;
  TIndexVector6 indx{};
  double d = 0;
  std::string err;
  LUDecompose(a, 2, indx, d, err);
  EXPECT_EQ(d, 1.0);
  EXPECT_EQ(indx[0], 1);
  EXPECT_EQ(indx[1], 2);
  EXPECT_EQ(a[1][0], 1.0);  // the multiplier
  EXPECT_EQ(a[1][1], 1.0);
}

TEST(LUDecompose, InterchangedRowKeepsItsScaleFactor) {
  // Column 1 takes row 2 (scaled 1 against 0.01), which moves row 1 (scale 1/100) down. In
  // column 2 that row's candidate 99.5 scaled by 1/100 loses to row 3's 2 scaled by 1/2; with
  // the scale of the pivot row left behind it would win instead.
  TMatrix6 a{};
  a[0] = {1, 100, 0, 0, 0, 0};
  a[1] = {2, 1, 0, 0, 0, 0};
  a[2] = {0, 2, 1, 0, 0, 0};
  TIndexVector6 indx{};
  double d = 0;
  std::string err;
  LUDecompose(a, 3, indx, d, err);
  EXPECT_EQ(indx[0], 2);
  EXPECT_EQ(indx[1], 3);
  EXPECT_EQ(indx[2], 3);
  EXPECT_EQ(d, 1.0);
  TVector6 b{201, 4, 5, 0, 0, 0};  // x = (1, 2, 1)
  LUSolve(a, 3, indx, b);
  EXPECT_DOUBLE_EQ(b[0], 1);
  EXPECT_DOUBLE_EQ(b[1], 2);
  EXPECT_DOUBLE_EQ(b[2], 1);
}

TEST(LUDecompose, ZeroRowIsReportedAndLeavesEverythingAlone) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-5, 5);
  TMatrix6 a;
  for (auto& row : a)
    for (double& x : row) x = u(rng);
  for (double& x : a[3]) x = 0.0;
  const TMatrix6 original = a;
  TIndexVector6 indx{9, 9, 9, 9, 9, 9};
  double d = 0;
  std::string err;
  LUDecompose(a, 6, indx, d, err);
  EXPECT_EQ(err, "error in LUDCMP - singular matrix");
  EXPECT_EQ(a, original);
  EXPECT_EQ(indx, (TIndexVector6{9, 9, 9, 9, 9, 9}));
  EXPECT_EQ(d, 1.0);
}

TEST(LUDecompose, EqualRowsGiveTinyPivotNotAnError) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> u(-9, 9);
  TMatrix6 a;
  for (auto& row : a)
    for (double& x : row) x = u(rng);
  for (int i = 0; i < 6; ++i) a[i][i] += 30;  // dominant, so the zero pivot comes last
  a[5] = a[4];
  TIndexVector6 indx{};
  double d = 0;
  std::string err;
  LUDecompose(a, 6, indx, d, err);
  EXPECT_EQ(err, "");
  EXPECT_EQ(a[5][5], 1.0e-20);
  TVector6 b{0, 0, 0, 0, 1, 0};  // inconsistent with the equal rows
  LUSolve(a, 6, indx, b);
  double biggest = 0;
  for (double x : b) biggest = std::max(biggest, std::fabs(x));
  EXPECT_GT(biggest, 1e15);
}

TEST(LUDecomposeDeathTest, SizeOutsideOneToSixStops) {
  TMatrix6 a = Identity();
  TIndexVector6 indx{};
  double d;
  std::string err;
  EXPECT_DEATH(LUDecompose(a, 7, indx, d, err),
               "matrix.cpp:[0-9]+: check failed: n >= 1 && n <= 6");
  EXPECT_DEATH(LUDecompose(a, 0, indx, d, err), "check failed: n >= 1 && n <= 6");
  TVector6 b{};
  EXPECT_DEATH(LUSolve(a, 6, indx, b), "check failed: ip >= 0 && ip < n");  // indx never written
}

// Random matrices of every size: the factors rebuild the row-interchanged matrix, and the
// solution agrees with an independent full-pivoting elimination in extended precision.
TEST(LUDecompose, RandomMatricesFactorAndSolve) {
  std::mt19937 rng(2024);
  std::uniform_real_distribution<double> u(-10, 10);
  for (int trial = 0; trial < 300; ++trial) {
    const int n = 1 + trial % 6;
    SCOPED_TRACE(trial);
    TMatrix6 a{};
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) a[i][j] = u(rng) * std::pow(10.0, (i % 3) - 1);  // row scales
    for (int i = 0; i < n; ++i) a[i][i] += 25 * std::pow(10.0, (i % 3) - 1);
    TVector6 rhs{};
    for (int i = 0; i < n; ++i) rhs[i] = u(rng);

    TMatrix6 lu = a;
    TIndexVector6 indx{};
    double d = 0;
    std::string err;
    LUDecompose(lu, n, indx, d, err);
    ASSERT_EQ(err, "");

    // Apply the recorded interchanges to a copy of a and compare with L*U.
    TMatrix6 pa = a;
    double sign = 1;
    for (int j = 0; j < n; ++j) {
      ASSERT_GE(indx[j], j + 1);
      ASSERT_LE(indx[j], n);
      if (indx[j] != j + 1) {
        std::swap(pa[j], pa[indx[j] - 1]);
        sign = -sign;
      }
    }
    EXPECT_EQ(d, sign);
    const TMatrix6 rebuilt = Product(lu, n);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) EXPECT_NEAR(rebuilt[i][j], pa[i][j], 1e-12 * 300);

    TVector6 b = rhs;
    LUSolve(lu, n, indx, b);
    test::LMat6 m{};
    test::LVec6 r{}, x{};
    for (int i = 0; i < 6; ++i) {
      m[i][i] = 1;
      if (i < n) r[i] = rhs[i];
    }
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) m[i][j] = a[i][j];
    ASSERT_TRUE(test::RefSolve(m, r, x));
    for (int i = 0; i < n; ++i)
      EXPECT_NEAR(b[i], static_cast<double>(x[i]),
                  1e-12 * (1 + std::fabs(static_cast<double>(x[i]))));
  }
}

TEST(LUSolve, LeadingZerosOfTheRightHandSideAreSkipped) {
  // Lower triangular with a leading zero right-hand side: the answer must not depend on the
  // skipped products.
  TMatrix6 a{};
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j <= i; ++j) a[i][j] = 1 + i + j;
  TMatrix6 lu = a;
  TIndexVector6 indx{};
  double d;
  std::string err;
  LUDecompose(lu, 6, indx, d, err);
  TVector6 b{0, 0, 0, 5, 6, 7};
  LUSolve(lu, 6, indx, b);
  for (int i = 0; i < 6; ++i) {
    double s = 0;
    for (int j = 0; j < 6; ++j) s += a[i][j] * b[j];
    EXPECT_NEAR(s, i < 3 ? 0.0 : 2.0 + i, 1e-12);
  }
}

TEST(LUSolve, CallerFactorsStayUntouched) {
  TMatrix6 a = Identity();
  a[0][1] = 2;
  TIndexVector6 indx{};
  double d;
  std::string err;
  LUDecompose(a, 6, indx, d, err);
  const TMatrix6 factors = a;
  TVector6 b{1, 1, 1, 1, 1, 1};
  LUSolve(a, 6, indx, b);
  EXPECT_EQ(a, factors);
  EXPECT_EQ(b[0], -1.0);
}

// ---------------------------------------------------------------------------------------------
// PrintScale and the display text

TEST(PrintScale, Rules) {
  TMatrix6 m{};
  EXPECT_EQ(PrintScale(m), 1.0);  // all zero
  m[0][3] = 0.25;
  EXPECT_EQ(PrintScale(m), 1.0);  // no diagonal entry: at least 1
  m[0][3] = -4;
  EXPECT_EQ(PrintScale(m), 4.0);
  m = {};
  m[2][2] = 0.5;
  m[5][0] = -0.125;
  EXPECT_EQ(PrintScale(m), 0.5);  // starts from the first non-zero diagonal entry
  m[2][2] = -0.5;
  EXPECT_EQ(PrintScale(m), 0.5);  // never negative
  m[1][1] = 3e-7;
  EXPECT_EQ(PrintScale(m), 0.5);
}

TEST(MatrixText, AllZeroMatrix) {
  const std::string row = "0.00 0.00 0.00 0.00 0.00 0.00 \r";
  std::string expected = "T\r\r";
  for (int i = 0; i < 6; ++i) expected += row;
  expected += "\rNOTE: All numbers times 1";
  EXPECT_EQ(MatrixText(TMatrix6{}, "T"), expected);
}

TEST(MatrixText, ScaledByLargestEntryWithSigns) {
  TMatrix6 m{};
  m[0][0] = 2;
  m[0][1] = 1;
  m[0][2] = -0.5;
  m[3][4] = -8;
  const std::string text = MatrixText(m, "System stiffness Matrix:");
  const std::string expected =
      "System stiffness Matrix:\r\r"
      "0.25 0.13 -0.06 0.00 0.00 0.00 \r"
      "0.00 0.00 0.00 0.00 0.00 0.00 \r"
      "0.00 0.00 0.00 0.00 0.00 0.00 \r"
      "0.00 0.00 0.00 0.00 -1.00 0.00 \r"
      "0.00 0.00 0.00 0.00 0.00 0.00 \r"
      "0.00 0.00 0.00 0.00 0.00 0.00 \r"
      "\rNOTE: All numbers times 8";
  EXPECT_EQ(text, expected);
}

TEST(MatrixText, LargeScaleInGeneralFormat) {
  TMatrix6 m{};
  m[1][1] = 20000;
  m[2][3] = -1e-6;
  m[4][0] = 2.5e20;
  const std::string text = MatrixText(m, "x");
  EXPECT_NE(text.find("\rNOTE: All numbers times 2.5E20"), std::string::npos);
  EXPECT_EQ(text.find('\n'), std::string::npos);
  EXPECT_NE(text.find("\r1.00 0.00 0.00 0.00 0.00 0.00 \r"), std::string::npos);  // row 5
}

TEST(ShowMatrix, OneMessageWithTheText) {
  test::RecordingDialogs dialogs;
  TMatrix6 m = Identity();
  ShowMatrix(m, 3, "Element[1] stiffness matrix ", dialogs);
  ASSERT_EQ(dialogs.Log.size(), 1u);
  EXPECT_EQ(dialogs.Log[0].Kind, "message");
  EXPECT_EQ(dialogs.Log[0].Text, MatrixText(m, "Element[1] stiffness matrix "));
  EXPECT_EQ(dialogs.Log[0].Text.rfind("Element[1] stiffness matrix \r\r1.00 0.00 ", 0), 0u);
}

}  // namespace
}  // namespace tarvelin
