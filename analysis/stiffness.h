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

// The Calculate command. True when displacements and forces were produced. Input errors and
// a singular matrix are reported through dialogs and give false; a conversion failure throws
// UserError before any result control has changed.
bool CalculateModel(ModelStore& store, Dialogs& dialogs);

}  // namespace tarvelin
