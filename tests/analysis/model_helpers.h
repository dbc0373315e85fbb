// Helpers for analysis tests: filling a model store and an independent reference solver.
#pragma once

#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "analysis/modelstore.h"

namespace tarvelin::test {

inline ModelStore MakeStore(int gridLength = kDefaultGridLength) {
  ModelStore store;
  store.GridLength = gridLength;
  InitTables(store);
  return store;
}

inline void SetNode(ModelStore& s, int n, const std::string& x, const std::string& y,
                    const std::string& z) {
  s.CoordGrid.SetCell(1, n, x);
  s.CoordGrid.SetCell(2, n, y);
  s.CoordGrid.SetCell(3, n, z);
}

inline void SetBar(ModelStore& s, int i, const std::string& begin, const std::string& end,
                   const std::string& type = "") {
  s.EleGrid.SetCell(1, i, begin);
  s.EleGrid.SetCell(2, i, end);
  s.EleGrid.SetCell(3, i, type);
}

inline void SetType(ModelStore& s, int t, const std::string& e, const std::string& a) {
  s.PropGrid.SetCell(1, t + 1, e);
  s.PropGrid.SetCell(2, t + 1, a);
}

// Text of thousandths (k / 1000) with exactly three decimals, made without any formatting
// routine of the program.
inline std::string Milli(long long k) {
  std::string sign = k < 0 ? "-" : "";
  long long a = k < 0 ? -k : k;
  std::string frac = std::to_string(a % 1000);
  while (frac.size() < 3) frac = "0" + frac;
  return sign + std::to_string(a / 1000) + "." + frac;
}

using LVec6 = std::array<long double, 6>;
using LMat6 = std::array<LVec6, 6>;

// Kinematic vector of a bar from its begin node p (on the block) to its support q:
// the unit vector e from q to p and the moment arm p x e.
inline LVec6 RefKinematic(const std::array<long double, 3>& p, const std::array<long double, 3>& q,
                          long double& length) {
  const long double d[3] = {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
  length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  LVec6 g{};
  if (length <= 1e-9L) return g;
  const long double e[3] = {d[0] / length, d[1] / length, d[2] / length};
  g[0] = e[0];
  g[1] = e[1];
  g[2] = e[2];
  g[3] = p[1] * e[2] - p[2] * e[1];
  g[4] = p[2] * e[0] - p[0] * e[2];
  g[5] = p[0] * e[1] - p[1] * e[0];
  return g;
}

// Solves m x = rhs by Gaussian elimination with full pivoting. Returns false when a pivot
// vanishes.
inline bool RefSolve(LMat6 m, LVec6 rhs, LVec6& x) {
  std::array<int, 6> col{0, 1, 2, 3, 4, 5};
  for (int k = 0; k < 6; ++k) {
    int pr = k, pc = k;
    long double best = 0;
    for (int i = k; i < 6; ++i)
      for (int j = k; j < 6; ++j)
        if (std::fabs(m[i][j]) > best) {
          best = std::fabs(m[i][j]);
          pr = i;
          pc = j;
        }
    if (best == 0) return false;
    std::swap(m[k], m[pr]);
    std::swap(rhs[k], rhs[pr]);
    if (pc != k) {
      for (int i = 0; i < 6; ++i) std::swap(m[i][k], m[i][pc]);
      std::swap(col[k], col[pc]);
    }
    for (int i = k + 1; i < 6; ++i) {
      const long double f = m[i][k] / m[k][k];
      for (int j = k; j < 6; ++j) m[i][j] -= f * m[k][j];
      rhs[i] -= f * rhs[k];
    }
  }
  LVec6 y{};
  for (int k = 5; k >= 0; --k) {
    long double s = rhs[k];
    for (int j = k + 1; j < 6; ++j) s -= m[k][j] * y[j];
    y[k] = s / m[k][k];
  }
  for (int k = 0; k < 6; ++k) x[col[k]] = y[k];
  return true;
}

}  // namespace tarvelin::test
