// A bar's length, direction and midpoint from its two end points: one measure for the
// stiffness and the scene.
#pragma once

namespace tarvelin {

// Bars at most this long (m) have no direction: they add no stiffness, carry no force and
// are not drawn as cylinders.
inline constexpr double kMinBarLength = 1.0e-9;

struct Point3 {
  double X = 0, Y = 0, Z = 0;
};

struct BarLine {
  // |p1 - p2| (m): the plain sqrt(dx*dx + dy*dy + dz*dz) wherever that stays finite; where it
  // overflows, the same on the components divided by the largest one, times that one (+inf
  // only when the bar is longer than the largest double).
  double Length = 0;
  // (p1 - p2) / Length: the unit vector from the end node towards the begin node; (0, 0, 0)
  // when the bar has no direction.
  Point3 Direction;
  // (p1 + p2) / 2, correctly rounded also where the sum of the ends leaves the double range.
  Point3 Midpoint;

  // False for a bar no longer than kMinBarLength.
  bool HasDirection() const { return !(Length <= kMinBarLength); }
};

// The bar from p1 (the begin node, on the block) to p2 (the end node, supported). Finite
// coordinates of any size give a finite direction and midpoint.
BarLine MeasureBar(const Point3& p1, const Point3& p2);

}  // namespace tarvelin
