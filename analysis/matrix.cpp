// Six-by-six LU factors and solution (Crout with implicit partial pivoting) and matrix display.
#include "analysis/matrix.h"

#include <cmath>
#include <utility>

#include "support/check.h"
#include "support/dialogs.h"
#include "support/numtext.h"

namespace tarvelin {

// Crout's method, rows scaled implicitly by their largest entry. The running sums subtract one
// product at a time in increasing k, so the factors are reproducible digit for digit.
void LUDecompose(TMatrix6& a, int n, TIndexVector6& indx, double& d, std::string& err) {
  // The routines keep local six-entry tables; a larger n would run off them.
  TARVELIN_ASSERT(n >= 1 && n <= 6);
  d = 1.0;
  err.clear();

  double vv[6];
  for (int i = 0; i < n; ++i) {
    double big = 0.0;
    for (int j = 0; j < n; ++j) {
      const double temp = std::fabs(a[i][j]);
      if (temp > big) big = temp;
    }
    if (big == 0.0) {
      err = "error in LUDCMP - singular matrix";
      return;
    }
    vv[i] = 1.0 / big;
  }

  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < j; ++i) {
      double sum = a[i][j];
      for (int k = 0; k < i; ++k) sum = sum - a[i][k] * a[k][j];
      a[i][j] = sum;
    }
    double big = 0.0;
    int imax = j;
    for (int i = j; i < n; ++i) {
      double sum = a[i][j];
      for (int k = 0; k < j; ++k) sum = sum - a[i][k] * a[k][j];
      a[i][j] = sum;
      const double dum = vv[i] * std::fabs(sum);
      if (dum > big) {
        big = dum;
        imax = i;
      }
    }
    if (imax != j) {
      for (int k = 0; k < n; ++k) std::swap(a[imax][k], a[j][k]);
      d = -d;
      vv[imax] = vv[j];
    }
    indx[j] = imax + 1;
    // A mechanism leaves an exact zero pivot; a tiny one keeps the solution finite.
    if (a[j][j] == 0.0) a[j][j] = 1.0e-20;
    if (j < n - 1) {
      const double dum = 1.0 / a[j][j];
      for (int i = j + 1; i < n; ++i) a[i][j] = a[i][j] * dum;
    }
  }
}

void LUSolve(const TMatrix6& a, int n, const TIndexVector6& indx, TVector6& b) {
  TARVELIN_ASSERT(n >= 1 && n <= 6);
  int ii = -1;  // first non-zero entry of the permuted right-hand side, -1 while none
  for (int i = 0; i < n; ++i) {
    const int ip = indx[i] - 1;
    TARVELIN_ASSERT(ip >= 0 && ip < n);  // indx as LUDecompose wrote it
    double sum = b[ip];
    b[ip] = b[i];
    if (ii >= 0) {
      for (int j = ii; j < i; ++j) sum = sum - a[i][j] * b[j];
    } else if (sum != 0.0) {
      ii = i;
    }
    b[i] = sum;
  }
  for (int i = n - 1; i >= 0; --i) {
    double sum = b[i];
    for (int j = i + 1; j < n; ++j) sum = sum - a[i][j] * b[j];
    b[i] = sum / a[i][i];
  }
}

double PrintScale(const TMatrix6& m) {
  double scale = 1.0;
  for (int i = 0; i < 6; ++i) {
    if (m[i][i] != 0.0) {
      scale = m[i][i];
      break;
    }
  }
  for (const auto& row : m)
    for (double x : row)
      if (std::fabs(x) > scale) scale = std::fabs(x);
  return scale;
}

std::string MatrixText(const TMatrix6& m, const std::string& title) {
  std::string text = title;
  text += "\r\r";
  const double scale = PrintScale(m);
  for (const auto& row : m) {
    for (double x : row) {
      text += FormatFixed(x / scale, 8, 2);
      text += ' ';
    }
    text += '\r';
  }
  text += '\r';
  text += "NOTE: All numbers times ";
  text += FormatGeneral(scale);
  return text;
}

void ShowMatrix(const TMatrix6& m, int /*n: always six rows and columns*/, const std::string& title,
                Dialogs& dialogs) {
  dialogs.ShowMessage(MatrixText(m, title));
}

}  // namespace tarvelin
