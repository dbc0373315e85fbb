// Mechanism check: eigen-decomposition of the scaled free block of K, the free motions as
// translations, rotations and screws, and the words that explain them.
#include "analysis/mechanism.h"

#include <Eigen/Dense>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace tarvelin {

namespace {

using Mat = Eigen::MatrixXd;
using Vec = Eigen::VectorXd;
using Vec3 = Eigen::Vector3d;

// A scaled rotation part below this (the basis vectors have unit length) is no rotation.
constexpr double kRotationShare = 1e-6;

std::string ToChars(double value, std::chars_format format, int precision) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
  return std::string(buffer, r.ptr);
}

// Text of a length in metres: six significant digits, enough for any drawing.
std::string LengthText(double value) {
  if (value == 0.0) return "0";
  std::string s = ToChars(value, std::chars_format::general, 6);
  return s == "-0" ? "0" : s;
}

// The direction with the sign that makes its first noticeable component positive, so that the
// same motion always reads the same way.
Vec3 CanonicalDirection(Vec3 d) {
  d.normalize();
  for (int i = 0; i < 3; ++i) {
    if (std::fabs(d[i]) > 1e-6) {
      if (d[i] < 0) d = -d;
      break;
    }
  }
  for (int i = 0; i < 3; ++i)
    if (std::fabs(d[i]) < 1e-12) d[i] = 0.0;
  return d;
}

// An orthonormal basis of span(columns of space) (3 x k, orthonormal columns) that prefers the
// coordinate axes: each step takes the axis whose projection onto the rest of the space is
// largest, so a space that holds an axis gets that axis as a basis vector.
std::vector<Vec3> NaturalBasis(const Eigen::Matrix<double, 3, Eigen::Dynamic>& space) {
  std::vector<Vec3> basis;
  const Eigen::Index k = space.cols();
  for (Eigen::Index step = 0; step < k; ++step) {
    Vec3 best = Vec3::Zero();
    double bestNorm = -1;
    for (int axis = 0; axis < 3; ++axis) {
      Vec3 e = Vec3::Unit(axis);
      Vec3 p = space * (space.transpose() * e);
      for (const Vec3& b : basis) p -= b * b.dot(p);
      // Ties are common (a space at 45 degrees): keep the earlier axis.
      if (p.norm() > bestNorm + 1e-9) {
        bestNorm = p.norm();
        best = p;
      }
    }
    basis.push_back(CanonicalDirection(best));
  }
  return basis;
}

void Store3(double out[3], const Vec3& v) {
  for (int i = 0; i < 3; ++i) out[i] = v[i];
}

FreeMotion Translation(const Vec3& direction) {
  FreeMotion m;
  m.Type = FreeMotion::Kind::Translation;
  Store3(m.Direction, direction);
  for (int i = 0; i < 3; ++i) m.Mode[i] = direction[i];
  m.Text = "Translation of the block along " + VectorText(m.Direction, 4) +
           ".\nA bar with a component along this direction would restrain it.";
  return m;
}

// A rigid motion with unit rotation `axis` and translation t of the mass centre: the axis
// passes through p0 = axis x t (the point nearest the mass centre) and the motion advances
// t . axis along it per radian.
FreeMotion RotationOrScrew(const Vec3& axis, const Vec3& t, double L) {
  FreeMotion m;
  double pitch = t.dot(axis);
  Vec3 point = axis.cross(t);
  for (int i = 0; i < 3; ++i)
    if (std::fabs(point[i]) < 1e-9 * L) point[i] = 0.0;
  if (std::fabs(pitch) <= kRotationShare * L) pitch = 0.0;
  m.Type = pitch == 0.0 ? FreeMotion::Kind::Rotation : FreeMotion::Kind::Screw;
  Store3(m.Direction, axis);
  Store3(m.AxisPoint, point);
  m.Pitch = pitch;
  const Vec3 translation = pitch * axis + point.cross(axis);
  for (int i = 0; i < 3; ++i) {
    m.Mode[i] = translation[i];
    m.Mode[3 + i] = axis[i];
  }
  const std::string where = "the axis through (" + LengthText(point[0]) + ", " +
                            LengthText(point[1]) + ", " + LengthText(point[2]) +
                            ") m with direction " + VectorText(m.Direction, 4);
  if (m.Type == FreeMotion::Kind::Rotation) {
    m.Text = "Rotation of the block about " + where +
             ".\nA bar whose line neither meets this axis nor is parallel to it would restrain "
             "it.";
  } else {
    m.Text = "Screw motion of the block about " + where + ", pitch " +
             ToChars(pitch, std::chars_format::general, 4) +
             " m per radian (it turns and moves along the axis together).\nA bar parallel to "
             "the axis, or one whose line neither meets the axis nor is parallel to it, would "
             "restrain it.";
  }
  return m;
}

}  // namespace

std::string RoundedText(double value, int decimals) {
  const double factor = std::pow(10.0, decimals);
  double r = std::round(value * factor) / factor;
  if (r == 0.0) return "0";
  std::string s = ToChars(r, std::chars_format::fixed, decimals);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s;
}

std::string VectorText(const double v[3], int decimals) {
  return "(" + RoundedText(v[0], decimals) + ", " + RoundedText(v[1], decimals) + ", " +
         RoundedText(v[2], decimals) + ")";
}

std::vector<FreeMotion> DescribeFreeMotions(const std::vector<TVector6>& scaledBasis, double L) {
  const Eigen::Index m = static_cast<Eigen::Index>(scaledBasis.size());
  if (m == 0) return {};
  Eigen::Matrix<double, 6, Eigen::Dynamic> basis(6, m);
  for (Eigen::Index c = 0; c < m; ++c)
    for (int r = 0; r < 6; ++r) basis(r, c) = scaledBasis[static_cast<size_t>(c)][r];

  // Split the space by its rotation parts: combinations without rotation are translations.
  const Eigen::Matrix<double, 3, Eigen::Dynamic> rot = basis.bottomRows(3);
  Eigen::JacobiSVD<Eigen::MatrixXd> svd(rot, Eigen::ComputeFullU | Eigen::ComputeFullV);
  const Eigen::VectorXd sigma = svd.singularValues();
  Eigen::Index rank = 0;
  for (Eigen::Index i = 0; i < sigma.size(); ++i)
    if (sigma[i] > kRotationShare) ++rank;

  const Eigen::MatrixXd V = svd.matrixV();
  const Eigen::Matrix<double, 6, Eigen::Dynamic> translations = basis * V.rightCols(m - rank);
  Eigen::Matrix<double, 3, Eigen::Dynamic> tspace = translations.topRows(3);
  // Orthonormalise (the rotation parts left are below kRotationShare).
  if (tspace.cols() > 0) {
    Eigen::HouseholderQR<Eigen::MatrixXd> qr(tspace);
    tspace = qr.householderQ() * Eigen::MatrixXd::Identity(3, tspace.cols());
  }

  std::vector<FreeMotion> motions;
  for (const Vec3& d : NaturalBasis(tspace)) motions.push_back(Translation(d));

  if (rank > 0) {
    const Eigen::MatrixXd U = svd.matrixU().leftCols(rank);
    for (const Vec3& axis : NaturalBasis(U)) {
      // The combination whose scaled rotation part is this axis, free of any translation the
      // space already holds: its axis then passes as near the mass centre as it can.
      Eigen::VectorXd coefficients =
          V.leftCols(rank) *
          (sigma.head(rank).cwiseInverse().asDiagonal() * (U.transpose() * axis));
      const Eigen::Matrix<double, 6, 1> motion = basis * coefficients;
      Vec3 t = motion.head<3>();
      if (tspace.cols() > 0) t -= tspace * (tspace.transpose() * t);
      // Scaled rotation `axis` is a rotation of axis / L: per unit rotation the translation
      // is L times as large.
      motions.push_back(RotationOrScrew(axis, t * L, L));
    }
  }
  return motions;
}

std::string ExplainFreeMotions(const std::vector<FreeMotion>& motions) {
  if (motions.empty()) return {};
  if (motions.size() == 1) return motions.front().Text;
  std::string text = "The block has " + std::to_string(motions.size()) +
                     " independent free motions, and every combination of them; a basis:";
  int number = 0;
  bool translation = false, rotation = false;
  for (const FreeMotion& m : motions) {
    const std::string first = m.Text.substr(0, m.Text.find('\n'));
    text += "\n" + std::to_string(++number) + ". " + first;
    if (m.Type == FreeMotion::Kind::Translation)
      translation = true;
    else
      rotation = true;
  }
  text += "\nAt least " + std::to_string(motions.size()) +
          " more bars are needed, each lengthened or shortened by one of these motions";
  if (translation && rotation)
    text +=
        ": for a translation a bar with a component along its direction, for a rotation a "
        "bar whose line neither meets its axis nor is parallel to it.";
  else if (translation)
    text += ": a bar with a component along each direction.";
  else
    text += ": for each axis a bar whose line neither meets it nor is parallel to it.";
  return text;
}

MechanismCheck CheckMechanism(const TMatrix6& K, const std::array<bool, 6>& free,
                              const TVector6& load, double L) {
  MechanismCheck check;
  int index[6];
  int n = 0;
  for (int r = 0; r < 6; ++r)
    if (free[r]) index[n++] = r;
  if (n == 0) return check;

  // S K S with S = diag(1, 1, 1, 1/L, 1/L, 1/L); the load becomes S F. The assembled K need
  // not be exactly symmetric, so its symmetric part is decomposed.
  auto scale = [L](int dof) { return dof < 3 ? 1.0 : 1.0 / L; };
  Mat ks(n, n);
  Vec fs(n);
  for (int i = 0; i < n; ++i) {
    const int r = index[i];
    fs[i] = load[r] * scale(r);
    for (int j = 0; j < n; ++j) {
      const int c = index[j];
      ks(i, j) = 0.5 * (K[r][c] + K[c][r]) * scale(r) * scale(c);
    }
  }
  Eigen::SelfAdjointEigenSolver<Mat> eigen(ks);
  const Vec lambda = eigen.eigenvalues();  // ascending
  const Mat vectors = eigen.eigenvectors();
  const double largest = lambda[n - 1];
  check.EigenvalueRatio = largest > 0 ? std::max(lambda[0], 0.0) / largest : 0.0;
  check.Singular = !(largest > 0) || lambda[0] <= kSingularRatio * largest;
  check.NearlySingular = !check.Singular && lambda[0] <= kNearlySingularRatio * largest;

  auto toDofs = [&](int column) {
    TVector6 v{};
    for (int i = 0; i < n; ++i) v[index[i]] = vectors(i, column);
    return v;
  };

  if (check.NearlySingular) {
    check.Motions = DescribeFreeMotions({toDofs(0)}, L);
    return check;
  }
  if (!check.Singular) return check;

  std::vector<TVector6> basis;
  Vec along = Vec::Zero(n);
  Vec displacement = Vec::Zero(n);
  for (int k = 0; k < n; ++k) {
    const double component = vectors.col(k).dot(fs);
    if (!(largest > 0) || lambda[k] <= kSingularRatio * largest) {
      basis.push_back(toDofs(k));
      along += component * vectors.col(k);
    } else {
      displacement += (component / lambda[k]) * vectors.col(k);
    }
  }
  check.LoadDrives = along.norm() > kDrivingShare * fs.norm();
  check.Motions = DescribeFreeMotions(basis, L);
  for (int i = 0; i < n; ++i) check.Displacements[index[i]] = displacement[i] * scale(index[i]);
  return check;
}

}  // namespace tarvelin
