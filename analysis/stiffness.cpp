// Stiffness analysis of the block: bar geometry, assembly, report, solution and bar forces.
#include "analysis/stiffness.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "analysis/bargeometry.h"
#include "analysis/mechanism.h"
#include "support/dialogs.h"
#include "support/numtext.h"

namespace tarvelin {

namespace {

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
  BarGeometryResult r;
  r.Data = ReadBar(store, bar);
  const BarData& b = r.Data;
  const BarLine line = MeasureBar({b.X1, b.Y1, b.Z1}, {b.X2, b.Y2, b.Z2});
  const double ea = b.A * b.E;
  if (store.CheckBox1) ShowBarMessage(bar, b, ea, line.Length, dialogs);
  if (!line.HasDirection()) return r;  // L = 0
  r.L = line.Length;
  const double ex = line.Direction.X;
  const double ey = line.Direction.Y;
  const double ez = line.Direction.Z;
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

namespace {

const char* const kLoadNames[6] = {"Fx", "Fy", "Fz", "Tx", "Ty", "Tz"};
const char* const kLoadUnits[6] = {"kN", "kN", "kN", "kNm", "kNm", "kNm"};
// Bars named one by one in a warning; the rest are counted.
constexpr size_t kNamedBars = 10;
// A larger residual of equilibrium, relative to the load, makes the results suspect.
constexpr double kResidualWarning = 1e-6;

// Bars that add nothing to K: zero length, a length beyond the double range (EA/L = 0), or E
// or A exactly 0.
struct IdleBars {
  std::vector<std::string> Named;
  size_t Count = 0;

  void Note(int bar, const BarGeometryResult& geo) {
    std::string why;
    if (geo.L == 0.0)
      why = "its two nodes coincide";
    else if (std::isinf(geo.L))
      why = "it is longer than the largest number, 1.8E308 m";
    else if (geo.Data.E == 0.0)
      why = "E = 0 in bar type " + std::to_string(geo.Data.Type);
    else if (geo.Data.A == 0.0)
      why = "A = 0 in bar type " + std::to_string(geo.Data.Type);
    else
      return;
    if (++Count <= kNamedBars) Named.push_back("bar " + std::to_string(bar) + " (" + why + ")");
  }
  std::string Text() const {
    if (Count == 0) return {};
    std::string text = Count == 1 ? "A bar adds no stiffness: " : "Bars that add no stiffness: ";
    for (size_t i = 0; i < Named.size(); ++i) text += (i > 0 ? ", " : "") + Named[i];
    if (Count > Named.size()) text += " and " + std::to_string(Count - Named.size()) + " more";
    return text + ".";
  }
};

std::string NegativePropertyMessage(int bar, const BarData& b) {
  const bool e = b.E < 0;
  const std::string name = e ? "E" : "A";
  return "Bar type " + std::to_string(b.Type) + " has a negative " + name + " = " +
         FormatGeneral(e ? b.E : b.A) + " " + (e ? "kN/m^2" : "m^2") + " (bar type table, type " +
         std::to_string(b.Type) + ", column \"" + (e ? "E [kN/m^2]" : "A [m^2]") +
         "\"), used by bar " + std::to_string(bar) + ". E and A must not be negative.";
}

// What the record keeps of the matrix and its check, whether the calculation went on or not.
void RecordMatrixCheck(CalculationResult& result, const MechanismCheck& check,
                       const TMatrix6& assembled, const TVector6& load, double L) {
  result.Load = load;
  result.Stiffness = assembled;
  result.EigenvalueRatio = check.EigenvalueRatio;
  result.CharacteristicLength = L;
  result.FreeMotions = check.Motions;
}

// Ends a calculation that found a mechanism the load drives (or a dof without any stiffness
// with "disregard unused dof's" off): no result survives, but the free motions stay in the
// record for the view.
void FailAsMechanism(ModelStore& store, const MechanismCheck& check, const TMatrix6& assembled,
                     const TVector6& load, double L, const std::string& idleText,
                     Dialogs& dialogs) {
  ClearResults(store);
  store.Result.Mechanism = true;
  RecordMatrixCheck(store.Result, check, assembled, load, L);
  std::string text = "Wrong bar layout, singular matrix found.";
  if (!check.Motions.empty()) {
    text += "\nThe bars leave the block free to move, and the load drives that motion.\n" +
            ExplainFreeMotions(check.Motions);
  }
  if (!idleText.empty()) text += "\n" + idleText;
  dialogs.ShowError(text);
}

}  // namespace

std::string EquilibriumText(double relativeResidual) {
  char buffer[32];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, relativeResidual,
                               std::chars_format::general, 2);
  return "Equilibrium check: largest residual " + std::string(buffer, r.ptr) + " of the load";
}

const char* BlockFieldName(int field) {
  static const char* const kNames[8] = {"Fx", "Fy", "Fz", "Tx", "Ty", "Tz", "E", "A"};
  return field >= 4 && field <= 11 ? kNames[field - 4] : "";
}

int FirstInvalidBlockField(const ModelStore& store) {
  for (int field = 4; field <= 11; ++field) {
    double value = 0;
    if (!NumberLogic::ReadRealNumber(store.NumberEdit(field).Text(), value)) return field;
  }
  return 0;
}

std::string InvalidFieldMessage(int field) {
  return std::string(BlockFieldName(field)) + " holds no valid number.";
}

namespace {

bool Calculate(ModelStore& store, Dialogs& dialogs) {
  if (!NormaliseTables(store)) {
    ClearResults(store);
    dialogs.ShowError("Input error in coordinate table, check the numbers.");
    store.ActivePage = 1;  // "Hinged bars"
    return false;
  }
  // A field whose text is no number still holds its last value; that is not what it shows.
  if (const int field = FirstInvalidBlockField(store)) {
    ClearResults(store);
    dialogs.ShowError(InvalidFieldMessage(field));
    store.ActivePage = 0;  // "Block"
    return false;
  }

  TVector6 b;
  for (int j = 0; j < 6; ++j) b[j] = store.NumberEdit(4 + j).RealValue();
  const TVector6 load = b;
  TMatrix6 K{};
  TIndexVector6 indx{};

  // The tables do not change during the calculation, so one count serves the assembly, the
  // label and the force recovery.
  const int bars = CountBars(store);
  double L = 0;  // largest distance of a begin node from the mass centre
  IdleBars idle;
  // Each bar is read once: what the force recovery needs is kept from the assembly.
  CalculationResult result;
  result.Bars.reserve(static_cast<size_t>(bars));
  std::vector<TVector6> kinematic;
  kinematic.reserve(static_cast<size_t>(bars));
  for (int i = 1; i <= bars; ++i) {
    const BarGeometryResult geo = BarGeometry(store, i, dialogs);
    if (geo.Data.E < 0 || geo.Data.A < 0) {
      ClearResults(store);
      dialogs.ShowError(NegativePropertyMessage(i, geo.Data));
      return false;
    }
    AddBarStiffness(store, i, K, geo.G, geo.K, geo.L, dialogs);
    idle.Note(i, geo);
    L = std::max(L, std::hypot(geo.Data.X1, geo.Data.Y1, geo.Data.Z1));
    BarResult bar;
    bar.Bar = i;
    bar.BeginNode = geo.Data.BeginNode;
    bar.EndNode = geo.Data.EndNode;
    bar.Type = geo.Data.Type;
    bar.E = geo.Data.E;
    bar.A = geo.Data.A;
    bar.Length = geo.L;
    bar.Stiffness = geo.K;
    result.Bars.push_back(bar);
    kinematic.push_back(geo.G);
  }
  if (!(L > 0) || !std::isfinite(L)) L = 1.0;
  if (store.CheckBox1) ShowMatrix(K, 6, "System stiffness Matrix:", dialogs);

  store.Memo1 = StiffnessReport(K);
  const TMatrix6 assembled = K;
  const std::string idleText = idle.Text();

  std::vector<std::string> warnings;
  std::array<bool, 6> free;
  free.fill(true);
  if (store.CheckBox2) {
    // A degree of freedom no bar restrains is held at zero; a load on it is disregarded, and
    // the user is told.
    for (int r = 0; r < 6; ++r) {
      bool unused = true;
      for (double x : K[r]) unused = unused && x == 0.0;
      if (unused) {
        if (b[r] != 0.0)
          warnings.push_back("The load " + std::string(kLoadNames[r]) + " = " +
                             FormatGeneral(b[r]) + " " + kLoadUnits[r] +
                             " acts along a degree of freedom that no bar restrains; it was "
                             "disregarded.");
        K[r][r] = 1.0;
        b[r] = 0.0;
        free[r] = false;
      }
    }
  }
  if (!idleText.empty()) warnings.push_back(idleText);

  const MechanismCheck check = CheckMechanism(K, free, b, L);

  double d = 0;
  std::string err;
  LUDecompose(K, 6, indx, d, err);
  if (!err.empty() || (check.Singular && check.LoadDrives)) {
    FailAsMechanism(store, check, assembled, load, L, idleText, dialogs);
    return false;
  }
  if (check.Singular) {
    // The load leaves the free motions alone: solve on the rest of the space.
    b = check.Displacements;
    warnings.push_back(
        "The bar layout is a mechanism: the bars leave the block free to move. The load does not "
        "drive that motion, so the displacements leave it out.\n" +
        ExplainFreeMotions(check.Motions));
  } else {
    LUSolve(K, 6, indx, b);
    if (check.NearlySingular)
      warnings.push_back("The bar layout is close to a mechanism (eigenvalue ratio " +
                         FormatGeneral(check.EigenvalueRatio, 2) +
                         "): small changes of the bars change the results much. The weakest "
                         "motion:\n" +
                         ExplainFreeMotions(check.Motions));
  }

  for (int j = 0; j < 6; ++j) store.NumberEdit(12 + j).SetRealValue(b[j]);
  store.Label23 = std::to_string(CountNodes(store)) + " nodes";
  store.Label24 = std::to_string(bars) + " bars";

  // The applied load less what the bars carry: F - sum N_i g_i.
  TVector6 residual = load;
  for (int r = 0; r < 6; ++r)
    if (!free[r]) residual[r] = 0.0;  // disregarded, and reported as such
  TextGrid& forces = store.StringGrid3;
  for (int i = 1; i <= bars; ++i) {
    // Test output shows every bar again before its force, as it always has.
    if (store.CheckBox1) BarGeometry(store, i, dialogs);
    BarResult& bar = result.Bars[static_cast<size_t>(i - 1)];
    const TVector6& g = kinematic[static_cast<size_t>(i - 1)];
    const double n = BarNormalForce(g, bar.Stiffness, bar.Length, b);
    if (i < forces.RowCount()) forces.SetCell(1, i, FormatFixed(n, 8, 4));
    for (int j = 0; j < 6; ++j) residual[j] -= n * g[j];
    bar.Force = n;
    bar.Elongation = bar.Stiffness != 0.0 ? n / bar.Stiffness : 0.0;
    bar.Stress = bar.A != 0.0 ? n / bar.A : 0.0;
  }
  std::vector<TVector6>().swap(kinematic);
  // Rows after the last bar hold no bar: no force of an earlier model may stay there.
  for (int r = bars + 1; r < forces.RowCount(); ++r)
    if (!forces.Cell(1, r).empty()) forces.SetCell(1, r, {});

  // Largest residual over the largest load, moments divided by L so both carry kN.
  double largestResidual = 0, largestLoad = 0;
  for (int j = 0; j < 6; ++j) {
    const double s = j < 3 ? 1.0 : 1.0 / L;
    largestResidual = std::max(largestResidual, std::fabs(residual[j]) * s);
    if (free[j]) largestLoad = std::max(largestLoad, std::fabs(load[j]) * s);
  }
  const double relative = largestLoad > 0 ? largestResidual / largestLoad : largestResidual;
  if (relative > kResidualWarning)
    warnings.push_back("Equilibrium check: the bar forces leave a residual of " +
                       FormatGeneral(relative, 2) +
                       " of the load unbalanced; the results are not reliable.");

  result.Valid = true;
  RecordMatrixCheck(result, check, assembled, load, L);
  result.Displacements = b;
  result.Residual = residual;
  result.RelativeResidual = relative;
  result.Warnings = std::move(warnings);
  store.Result = std::move(result);

  store.GroupBox4Visible = true;
  store.StringGrid3Visible = true;
  store.Label38Visible = true;
  store.Memo1Visible = true;
  return true;
}

}  // namespace

bool CalculateModel(ModelStore& store, Dialogs& dialogs) {
  try {
    return Calculate(store, dialogs);
  } catch (...) {
    // A conversion that failed while the bars were read: no earlier result may stay.
    ClearResults(store);
    throw;
  }
}

}  // namespace tarvelin
