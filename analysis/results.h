// The plain record of one calculation, read by the results page, the 3D view and the exports.
#pragma once

#include <string>
#include <vector>

#include "analysis/matrix.h"

namespace tarvelin {

// A motion the bars leave free: a generalised displacement of the mass centre (dof order
// ux, uy, uz, phix, phiy, phiz), normalised, and what it means geometrically.
struct FreeMotion {
  enum class Kind { Translation, Rotation, Screw };
  Kind Type = Kind::Translation;
  TVector6 Mode{};           // the motion, dof order: unit translation, or unit rotation
  double Direction[3] = {};  // unit translation direction, or the rotation axis direction
  double AxisPoint[3] = {};  // a point on the rotation axis (nearest the mass centre)
  double Pitch = 0;          // m/rad: translation along the axis per radian (Screw)
  std::string Text;          // the engineer's description, lines separated by '\n'
};

// Everything known about one bar after a calculation.
struct BarResult {
  int Bar = 0;  // row of EleGrid
  int BeginNode = 0;
  int EndNode = 0;
  int Type = 0;
  double E = 0;           // kN/m^2
  double A = 0;           // m^2
  double Length = 0;      // m; 0 for a zero-length bar
  double Stiffness = 0;   // EA/L, kN/m; 0 for a zero-length bar
  double Force = 0;       // normal force N, kN, tension positive
  double Elongation = 0;  // N*L/(EA), m
  double Stress = 0;      // N/A, kN/m^2
};

// The record of the last calculation. Valid is false until a calculation has produced
// displacements; a calculation that failed as a mechanism leaves Valid false but fills
// FreeMotions so that the view can show them.
struct CalculationResult {
  bool Valid = false;
  bool Mechanism = false;  // the load drives a free motion: no displacements
  TVector6 Load{};
  TVector6 Displacements{};
  TMatrix6 Stiffness{};             // as assembled, before unused dofs were fixed
  double EigenvalueRatio = 0;       // smallest / largest eigenvalue of the scaled free block
  double CharacteristicLength = 1;  // m; scale of the rotational dofs
  // The motions the bars leave free (a basis, translations first); for a layout close to a
  // mechanism the weakest motion. Filled also when a mechanism made the calculation fail.
  std::vector<FreeMotion> FreeMotions;
  TVector6 Residual{};  // F - sum N_i g_i
  // Largest |residual| over the largest |load| component, moments divided by
  // CharacteristicLength so that both carry kN.
  double RelativeResidual = 0;
  std::vector<std::string> Warnings;
  std::vector<BarResult> Bars;
};

}  // namespace tarvelin
