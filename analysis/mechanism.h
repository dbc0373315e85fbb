// Mechanism check of the block's stiffness matrix: scale-free singularity test, the motions the
// bars leave free, and their description in an engineer's words.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "analysis/matrix.h"
#include "analysis/results.h"

namespace tarvelin {

// K counts as singular when its smallest eigenvalue is at most this share of its largest ...
constexpr double kSingularRatio = 1e-10;
// ... and as close to a mechanism below this share.
constexpr double kNearlySingularRatio = 1e-8;
// The load drives a free motion when its component along it exceeds this share of its size.
constexpr double kDrivingShare = 1e-9;

struct MechanismCheck {
  double EigenvalueRatio = 1;  // smallest / largest eigenvalue of the scaled free block
  bool Singular = false;
  bool NearlySingular = false;
  bool LoadDrives = false;  // the load has a component along a free motion
  // Singular: a basis of the free motions, read naturally. Nearly singular: the weak motion.
  std::vector<FreeMotion> Motions;
  // Singular and not driven: the displacements without any component along the free motions.
  TVector6 Displacements{};
};

// Decides on the degrees of freedom marked free whether K (kN/m, kN, kNm/rad) is singular,
// with the rotational rows and columns scaled by the characteristic length L (m) so that every
// entry carries kN/m and the verdict does not depend on the units of length or stiffness.
// load is the load applied at the mass centre (kN, kNm); fixed dofs have no part in anything.
MechanismCheck CheckMechanism(const TMatrix6& K, const std::array<bool, 6>& free,
                              const TVector6& load, double L);

// Describes an orthonormal basis of free motions given in scaled coordinates (ux, uy, uz and
// L times phix, phiy, phiz): pure translations first, with directions along the axes where the
// space allows, then rotations or screws about axes through the point nearest the mass centre.
std::vector<FreeMotion> DescribeFreeMotions(const std::vector<TVector6>& scaledBasis, double L);

// The explanation of a set of free motions: what moves and what would restrain it, one
// sentence a line (lines separated by '\n').
std::string ExplainFreeMotions(const std::vector<FreeMotion>& motions);

// A number as it reads in the explanations: rounded to `decimals` decimals, trailing zeros and
// a negative zero dropped.
std::string RoundedText(double value, int decimals);
// "(x, y, z)" of RoundedText components.
std::string VectorText(const double v[3], int decimals);

}  // namespace tarvelin
