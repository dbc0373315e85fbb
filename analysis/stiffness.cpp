// Stiffness analysis of the block: bar geometry, assembly, report, solution and bar forces.
#include "analysis/stiffness.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "support/dialogs.h"
#include "support/numtext.h"

namespace tarvelin {

namespace {

// Bars at most this long have no direction; they add nothing and carry no force.
constexpr double kMinBarLength = 1.0e-9;

// The length of a bar whose squared components overflow, measured on components scaled by the
// largest one. Only used then, so every ordinary length keeps the plain formula's last digit.
double ScaledLength(double dx, double dy, double dz) {
  const double m = std::max({std::fabs(dx), std::fabs(dy), std::fabs(dz)});
  if (!std::isfinite(m)) return m;
  const double sx = dx / m, sy = dy / m, sz = dz / m;
  return m * std::sqrt(sx * sx + sy * sy + sz * sz);
}

void ShowBarMessage(int bar, const BarData& b, double ea, double length, Dialogs& dialogs) {
  std::string text = "bar=" + std::to_string(bar) + " from node " + std::to_string(b.BeginNode) +
                     " to node   " + std::to_string(b.EndNode);
  text +=
      "\rx1=" + FormatGeneral(b.X1) + " y1=" + FormatGeneral(b.Y1) + " z1=" + FormatGeneral(b.Z1);
  text +=
      "\rx2=" + FormatGeneral(b.X2) + " y2=" + FormatGeneral(b.Y2) + " z2=" + FormatGeneral(b.Z2);
  text += "\rEA=" + FormatGeneral(ea);
  text += "\rlength=" + FormatFixed(length, 8, 2);
  dialogs.ShowMessage(text);
}

void ShowKinematicMessage(int bar, const TVector6& g, double ea, double length, Dialogs& dialogs) {
  std::string text = "Bg[" + std::to_string(bar) + "]=[";
  for (int j = 0; j < 6; ++j) {
    if (j > 0) text += ' ';
    text += FormatFixed(g[j], 6, 3);
  }
  text += "]\rEA=" + FormatGeneral(ea) + " L=" + FormatFixed(length, 6, 3);
  text += "\rk =" + FormatGeneral(ea / length);
  dialogs.ShowMessage(text);
}

}  // namespace

// g = (e, r1 x e) with e the unit vector from the end node to the begin node and r1 the begin
// node's position: the elongation of the bar is g.u for a block displacement u.
BarGeometryResult BarGeometry(const ModelStore& store, int bar, Dialogs& dialogs) {
  const BarData b = ReadBar(store, bar);
  BarGeometryResult r;
  const double dx = b.X1 - b.X2;
  const double dy = b.Y1 - b.Y2;
  const double dz = b.Z1 - b.Z2;
  r.L = std::sqrt(dx * dx + dy * dy + dz * dz);
  if (std::isinf(r.L)) r.L = ScaledLength(dx, dy, dz);
  const double ea = b.A * b.E;
  if (store.CheckBox1) ShowBarMessage(bar, b, ea, r.L, dialogs);
  if (std::fabs(r.L) <= kMinBarLength) {
    r.L = 0.0;
    return r;
  }
  const double ex = dx / r.L;
  const double ey = dy / r.L;
  const double ez = dz / r.L;
  r.G[0] = ex;
  r.G[1] = ey;
  r.G[2] = ez;
  r.G[3] = -ey * b.Z1 + ez * b.Y1;
  r.G[4] = ex * b.Z1 - ez * b.X1;
  r.G[5] = -ex * b.Y1 + ey * b.X1;
  r.K = ea / r.L;
  if (store.CheckBox1) ShowKinematicMessage(bar, r.G, ea, r.L, dialogs);
  return r;
}

void AddBarStiffness(const ModelStore& store, int bar, TMatrix6& K, const TVector6& g, double k,
                     double L, Dialogs& dialogs) {
  if (!(L > 0.0)) return;
  TMatrix6 ke;
  // Each entry as (g(p)*k)*g(q): the element matrix need not come out exactly symmetric.
  for (int p = 0; p < 6; ++p)
    for (int q = 0; q < 6; ++q) ke[p][q] = g[p] * k * g[q];
  if (store.CheckBox1)
    ShowMatrix(ke, 6, "Element[" + std::to_string(bar) + "] stiffness matrix ", dialogs);
  for (int p = 0; p < 6; ++p)
    for (int q = 0; q < 6; ++q) K[p][q] = K[p][q] + ke[p][q];
}

double BarNormalForce(const TVector6& g, double k, double L, const TVector6& u) {
  if (L == 0.0) return 0.0;
  double n = 0.0;
  for (int j = 0; j < 6; ++j) n = n + g[j] * k * u[j];
  return n;
}

std::vector<std::string> StiffnessReport(const TMatrix6& K) {
  std::vector<std::string> lines;
  lines.reserve(8);
  const double scale = PrintScale(K);
  for (const auto& row : K) {
    std::string line;
    for (int q = 0; q < 6; ++q) {
      const double x = row[q] / scale;
      if (q > 0) line += ' ';
      line += x >= 0 ? ' ' : '-';
      line += FormatFixed(std::fabs(x), 8, 2);
    }
    lines.push_back(std::move(line));
  }
  lines.emplace_back();
  lines.push_back("NOTE: All numbers times " + FormatGeneral(scale));
  return lines;
}

bool CalculateModel(ModelStore& store, Dialogs& dialogs) {
  if (!NormaliseTables(store)) {
    dialogs.ShowError("Input error in coordinate table, check the numbers.");
    store.ActivePage = 1;  // "Hinged bars"
    return false;
  }

  TVector6 b;
  for (int j = 0; j < 6; ++j) b[j] = store.NumberEdit(4 + j).RealValue();
  TMatrix6 K{};
  TIndexVector6 indx{};

  // The tables do not change during the calculation, so one count serves the assembly, the
  // label and the force recovery.
  const int bars = CountBars(store);
  for (int i = 1; i <= bars; ++i) {
    const BarGeometryResult geo = BarGeometry(store, i, dialogs);
    AddBarStiffness(store, i, K, geo.G, geo.K, geo.L, dialogs);
  }
  if (store.CheckBox1) ShowMatrix(K, 6, "System stiffness Matrix:", dialogs);

  store.Memo1 = StiffnessReport(K);

  if (store.CheckBox2) {
    // A degree of freedom no bar restrains is held at zero; a load on it is dropped.
    for (int r = 0; r < 6; ++r) {
      bool unused = true;
      for (double x : K[r]) unused = unused && x == 0.0;
      if (unused) {
        K[r][r] = 1.0;
        b[r] = 0.0;
      }
    }
  }

  double d = 0;
  std::string err;
  LUDecompose(K, 6, indx, d, err);
  if (!err.empty()) {
    dialogs.ShowError("Wrong bar layout, singular matrix found.");
    return false;
  }
  LUSolve(K, 6, indx, b);

  for (int j = 0; j < 6; ++j) store.NumberEdit(12 + j).SetRealValue(b[j]);
  store.Label23 = std::to_string(CountNodes(store)) + " nodes";
  store.Label24 = std::to_string(bars) + " bars";

  TextGrid& forces = store.StringGrid3;
  for (int i = 1; i <= bars; ++i) {
    const BarGeometryResult geo = BarGeometry(store, i, dialogs);
    const double n = BarNormalForce(geo.G, geo.K, geo.L, b);
    if (i < forces.RowCount()) forces.SetCell(1, i, FormatFixed(n, 8, 4));
  }

  store.GroupBox4Visible = true;
  store.StringGrid3Visible = true;
  store.Label38Visible = true;
  store.Memo1Visible = true;
  return true;
}

}  // namespace tarvelin
