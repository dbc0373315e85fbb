// Stiffness analysis of a rigid block on pin-ended bars: assembly, report, solution, forces.
#pragma once

#include <string>
#include <vector>

#include "analysis/matrix.h"
#include "analysis/modelstore.h"

namespace tarvelin {

class Dialogs;

struct BarGeometryResult {
  TVector6 G{};  // kinematic vector
  double L = 0;  // length (m); 0 for a zero-length bar
  double K = 0;  // axial stiffness EA/L (kN/m); not computed for a zero-length bar
  BarData Data;  // the bar as read from the tables
};

// Reads bar i and computes its kinematic vector, length and stiffness; shows test output
// when store.CheckBox1 is set. Throws UserError on a cell that cannot be converted.
BarGeometryResult BarGeometry(const ModelStore& store, int bar, Dialogs& dialogs);
// Adds k*g*g^T to K (nothing for L <= 0); shows the element matrix with test output on.
void AddBarStiffness(const ModelStore& store, int bar, TMatrix6& K, const TVector6& g, double k,
                     double L, Dialogs& dialogs);
// N = sum g(j)*k*u(j); 0 for L = 0.
double BarNormalForce(const TVector6& g, double k, double L, const TVector6& u);
// The eight report lines for Memo1.
std::vector<std::string> StiffnessReport(const TMatrix6& K);

// The names of the Block page's numeric fields NumberEdit4..NumberEdit11: "Fx" .. "Tz", "E", "A".
const char* BlockFieldName(int field);
// The first Block page field (4..11) whose text is no readable number, or 0 when all are.
int FirstInvalidBlockField(const ModelStore& store);
// "Fx holds no valid number."
std::string InvalidFieldMessage(int field);

// "Equilibrium check: largest residual 3.2e-13 of the load" for a relative residual.
std::string EquilibriumText(double relativeResidual);

// The Calculate command. True when displacements and forces were produced. Input errors and
// a singular matrix (a mechanism the load drives) are reported through dialogs and give false;
// a conversion failure throws UserError. Every failure clears the results of earlier runs
// (ClearResults); a mechanism still leaves its free motions in store.Result. A success fills
// store.Result, warnings included.
bool CalculateModel(ModelStore& store, Dialogs& dialogs);

}  // namespace tarvelin
