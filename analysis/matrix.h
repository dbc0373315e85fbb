// Six-by-six matrix routines: LU factors (Crout, implicit partial pivoting), solving,
// the print scale and the test-output display of a matrix.
#pragma once

#include <array>
#include <string>

namespace tarvelin {

class Dialogs;

using TMatrix6 = std::array<std::array<double, 6>, 6>;  // [row][col], 0-based here
using TVector6 = std::array<double, 6>;
using TIndexVector6 = std::array<int, 6>;  // 1-based row numbers, as the routines write them

// Factors the leading n-by-n block of a in place. d receives +1/-1; err is empty on success
// and "error in LUDCMP - singular matrix" when a row is entirely zero (a is then unchanged
// and indx not written). A zero pivot is replaced by 1.0E-20.
void LUDecompose(TMatrix6& a, int n, TIndexVector6& indx, double& d, std::string& err);
// Solves with the factors of LUDecompose; b receives the solution.
void LUSolve(const TMatrix6& a, int n, const TIndexVector6& indx, TVector6& b);
// Largest absolute entry, starting from the first non-zero diagonal entry (or 1.0).
double PrintScale(const TMatrix6& m);
// The text ShowMatrix shows (lines separated by single CR characters).
std::string MatrixText(const TMatrix6& m, const std::string& title);
// Shows MatrixText in a plain message box.
void ShowMatrix(const TMatrix6& m, int n, const std::string& title, Dialogs& dialogs);

}  // namespace tarvelin
