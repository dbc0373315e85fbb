// The 3D view's camera and projection.
#include "view/camera.h"

#include <algorithm>
#include <cmath>

namespace tarvelin {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Points nearer the eye than this share of the distance are cut off in perspective.
constexpr double kNearShare = 1e-3;
constexpr double kMinDistance = 1e-9;
constexpr double kMaxDistance = 1e12;

// The model's axes seen as a z-up frame: y and z turned half a turn about x, so that the
// camera's "up" is the model's -z.
Vec3 ToUpFrame(const Vec3& p) {
  return {p.X, -p.Y, -p.Z};
}

}  // namespace

double Length(const Vec3& a) {
  return std::sqrt(Dot(a, a));
}

void Camera::SetViewport(int width, int height) {
  Width = std::max(width, 1);
  Height = std::max(height, 1);
}

void Camera::SetStandardView(StandardView view) {
  switch (view) {
    case StandardView::Top:
      Yaw = -kPi / 2;
      Pitch = kPi / 2;
      break;
    case StandardView::Front:
      Yaw = -kPi / 2;
      Pitch = 0;
      break;
    case StandardView::Side:
      Yaw = 0;
      Pitch = 0;
      break;
    case StandardView::Isometric:
      Yaw = -kPi / 4;
      Pitch = std::atan(1 / std::sqrt(2.0));
      break;
  }
}

// The basis is built in the z-up frame and turned back into model coordinates (the turn is
// its own inverse).
Vec3 Camera::Right() const {
  return ToUpFrame({-std::sin(Yaw), std::cos(Yaw), 0});
}
Vec3 Camera::Up() const {
  return ToUpFrame(
      {-std::sin(Pitch) * std::cos(Yaw), -std::sin(Pitch) * std::sin(Yaw), std::cos(Pitch)});
}
Vec3 Camera::Back() const {
  return ToUpFrame(
      {std::cos(Pitch) * std::cos(Yaw), std::cos(Pitch) * std::sin(Yaw), std::sin(Pitch)});
}

double Camera::FocalPixels() const {
  return 0.5 * Height / std::tan(0.5 * FieldOfView);
}

double Camera::Scale() const {
  return FocalPixels() / Distance;
}

ScreenPoint Camera::Project(const Vec3& p) const {
  return Projector(*this).Project(p);
}

bool Camera::ProjectSegment(const Vec3& a, const Vec3& b, ScreenPoint& pa, ScreenPoint& pb) const {
  return Projector(*this).ProjectSegment(a, b, pa, pb);
}

Projector::Projector(const Camera& camera)
    : target_(camera.Target),
      right_(camera.Right()),
      up_(camera.Up()),
      back_(camera.Back()),
      distance_(camera.Distance),
      focal_(camera.FocalPixels()),
      scale_(camera.Scale()),
      near_(kNearShare * camera.Distance),
      cx_(0.5 * camera.Width),
      cy_(0.5 * camera.Height),
      perspective_(camera.Perspective) {}

bool Projector::ProjectSegment(const Vec3& a, const Vec3& b, ScreenPoint& pa,
                               ScreenPoint& pb) const {
  pa = Project(a);
  pb = Project(b);
  if (pa.Visible && pb.Visible) return true;
  if (!pa.Visible && !pb.Visible) return false;
  // Cut just in front of the near plane: the share of the way from the visible end.
  const double nearDepth = 2 * near_;
  const ScreenPoint& seen = pa.Visible ? pa : pb;
  const ScreenPoint& hidden = pa.Visible ? pb : pa;
  const double t = (seen.Depth - nearDepth) / (seen.Depth - hidden.Depth);
  const Vec3& from = pa.Visible ? a : b;
  const Vec3& to = pa.Visible ? b : a;
  const ScreenPoint cut = Project(from + t * (to - from));
  (pa.Visible ? pb : pa) = cut;
  return true;
}

void Camera::Orbit(double dx, double dy) {
  Yaw -= dx * 0.01;
  Pitch = std::clamp(Pitch + dy * 0.01, -kPi / 2, kPi / 2);
}

void Camera::Pan(double dx, double dy) {
  const double s = Scale();
  Target = Target - (dx / s) * Right() + (dy / s) * Up();
}

void Camera::ZoomAt(double x, double y, double factor) {
  if (!(factor > 0) || !std::isfinite(factor)) return;
  const double newDistance = std::clamp(Distance / factor, kMinDistance, kMaxDistance);
  factor = Distance / newDistance;
  const double s = Scale();
  const Vec3 q = Target + ((x - 0.5 * Width) / s) * Right() - ((y - 0.5 * Height) / s) * Up();
  Target = q - (1 / factor) * (q - Target);
  Distance = newDistance;
}

void Camera::FitAll(const std::vector<Vec3>& points) {
  if (points.empty()) {
    Target = {};
    Distance = 1 / std::sin(0.5 * FieldOfView) * 1.2;
    return;
  }
  Vec3 lo = points.front(), hi = points.front();
  for (const Vec3& p : points) {
    lo = {std::min(lo.X, p.X), std::min(lo.Y, p.Y), std::min(lo.Z, p.Z)};
    hi = {std::max(hi.X, p.X), std::max(hi.Y, p.Y), std::max(hi.Z, p.Z)};
  }
  Target = 0.5 * (lo + hi);
  const Vec3 right = Right(), up = Up(), back = Back();
  // Centre the points' spread across the screen, then the nearest distance at which every
  // point lies within 90% of the viewport in both projections: in perspective a point at
  // zc towards the eye needs D >= zc + f * |xc| / half-width (and the same upwards).
  double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  for (const Vec3& p : points) {
    const Vec3 v = p - Target;
    x0 = std::min(x0, Dot(v, right));
    x1 = std::max(x1, Dot(v, right));
    y0 = std::min(y0, Dot(v, up));
    y1 = std::max(y1, Dot(v, up));
  }
  Target = Target + (0.5 * (x0 + x1)) * right + (0.5 * (y0 + y1)) * up;
  const double halfW = 0.45 * Width, halfH = 0.45 * Height;
  const double f = FocalPixels();
  double distance = 0, radius = 0;
  for (const Vec3& p : points) {
    const Vec3 v = p - Target;
    const double zc = Dot(v, back);
    const double need =
        f * std::max(std::fabs(Dot(v, right)) / halfW, std::fabs(Dot(v, up)) / halfH);
    distance = std::max(distance, need + std::max(zc, 0.0));
    radius = std::max(radius, Length(v));
  }
  if (!(radius > 1e-9)) radius = 1e-3 * std::max(1.0, Length(Target));
  // Never closer than just beyond the nearest point, so that perspective keeps it in front.
  distance = std::max(distance, 1.05 * radius + 1e-9);
  Distance = std::clamp(distance, kMinDistance, kMaxDistance);
}

}  // namespace tarvelin
