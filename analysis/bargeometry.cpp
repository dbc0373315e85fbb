// Bar length, direction and midpoint, safe against overflow for coordinates near the largest
// double without relying on a wider floating type (long double is plain double on some
// compilers).
#include "analysis/bargeometry.h"

#include <algorithm>
#include <cmath>

namespace tarvelin {

namespace {

double Middle(double a, double b) {
  const double m = (a + b) * 0.5;
  // The sum overflows only for two ends far from the underflow range: their halves are exact
  // and the sum of the halves is rounded once, as (a + b) / 2 would be without overflow.
  return std::isinf(m) ? a * 0.5 + b * 0.5 : m;
}

// Length and direction of (dx, dy, dz) when the plain formula overflows, measured on the
// components divided by the largest one; factor times the vector is the bar.
void MeasureScaled(BarLine& bar, double dx, double dy, double dz, double factor) {
  const double m = std::max({std::fabs(dx), std::fabs(dy), std::fabs(dz)});
  if (!std::isfinite(m)) {
    bar.Length = m;  // an infinite or NaN coordinate: no direction to give
    return;
  }
  const double sx = dx / m, sy = dy / m, sz = dz / m;
  const double root = std::sqrt(sx * sx + sy * sy + sz * sz);
  const double length = m * root;
  bar.Length = factor * length;  // +inf only when the bar is longer than the largest double
  if (std::isinf(length))
    bar.Direction = {sx / root, sy / root, sz / root};
  else
    bar.Direction = {dx / length, dy / length, dz / length};
}

}  // namespace

BarLine MeasureBar(const Point3& p1, const Point3& p2) {
  BarLine bar;
  bar.Midpoint = {Middle(p1.X, p2.X), Middle(p1.Y, p2.Y), Middle(p1.Z, p2.Z)};
  const double dx = p1.X - p2.X;
  const double dy = p1.Y - p2.Y;
  const double dz = p1.Z - p2.Z;
  const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
  if (!std::isinf(length)) {
    // Every ordinary bar: the plain formula, to the last digit.
    bar.Length = length;
    if (bar.HasDirection()) bar.Direction = {dx / length, dy / length, dz / length};
  } else if (std::isfinite(dx) && std::isfinite(dy) && std::isfinite(dz)) {
    // Only the squares left the double range (components beyond about 1e154).
    MeasureScaled(bar, dx, dy, dz, 1);
  } else {
    // A difference itself overflows (ends on opposite sides, near the largest double): half
    // the bar, whose halved ends are exact at that size.
    MeasureScaled(bar, p1.X * 0.5 - p2.X * 0.5, p1.Y * 0.5 - p2.Y * 0.5, p1.Z * 0.5 - p2.Z * 0.5,
                  2);
  }
  return bar;
}

}  // namespace tarvelin
