// The camera of the 3D view: orbit, pan and zoom about a target point, the standard views,
// fit-all, and the projection of model points onto the pixels of a viewport.
#pragma once

#include <vector>

namespace tarvelin {

struct Vec3 {
  double X = 0, Y = 0, Z = 0;
};
inline Vec3 operator+(const Vec3& a, const Vec3& b) {
  return {a.X + b.X, a.Y + b.Y, a.Z + b.Z};
}
inline Vec3 operator-(const Vec3& a, const Vec3& b) {
  return {a.X - b.X, a.Y - b.Y, a.Z - b.Z};
}
inline Vec3 operator*(double k, const Vec3& a) {
  return {k * a.X, k * a.Y, k * a.Z};
}
inline double Dot(const Vec3& a, const Vec3& b) {
  return a.X * b.X + a.Y * b.Y + a.Z * b.Z;
}
inline Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}
double Length(const Vec3& a);

// A point on the viewport in pixels (x to the right, y down from the top-left corner) and its
// distance in front of the eye along the view direction.
struct ScreenPoint {
  double X = 0, Y = 0;
  double Depth = 0;
  bool Visible = true;  // false: behind the eye (perspective only)
};

enum class StandardView { Top, Front, Side, Isometric };

// The model's z axis points down (as the block's technical picture has it): the camera keeps
// -z up on the screen. Top looks down on the block (x to the right, y down the screen); front
// looks from +y towards -y (x right); side looks from +x towards -x (y to the left).
class Camera {
 public:
  Vec3 Target;           // the point the camera orbits about, at the viewport's centre
  double Distance = 10;  // from the eye to the target, m
  double Yaw = 0;        // radians about the vertical
  double Pitch = 0;      // radians above the horizontal, within -pi/2 .. pi/2
  bool Perspective = true;
  double FieldOfView = 0.5235987755982988;  // vertical, radians (30 degrees)
  int Width = 640;
  int Height = 480;

  void SetViewport(int width, int height);
  void SetStandardView(StandardView view);

  // Pixels per metre at the target's depth; the parallel projection uses it everywhere.
  double Scale() const;
  // One point; many points go faster through a Projector.
  ScreenPoint Project(const Vec3& p) const;
  // Projects the segment a-b, cut at the eye's near plane in perspective; false when nothing
  // of it lies in front of the eye.
  bool ProjectSegment(const Vec3& a, const Vec3& b, ScreenPoint& pa, ScreenPoint& pb) const;

  // Mouse gestures in pixels: a drag to the right turns the model to the right, a drag down
  // tips its top towards the viewer; a pan moves the model with the pointer.
  void Orbit(double dx, double dy);
  void Pan(double dx, double dy);
  // Zooms by factor (>1 closer) keeping the point under the pixel (x, y) on the target's
  // plane where it is.
  void ZoomAt(double x, double y, double factor);
  // Target, distance and zoom so that every point lies inside the viewport in both
  // projections, with a margin; the view direction stays.
  void FitAll(const std::vector<Vec3>& points);

  // The camera's unit vectors in model coordinates: to the right, up the screen, and from
  // the target towards the eye.
  Vec3 Right() const;
  Vec3 Up() const;
  Vec3 Back() const;

 private:
  friend class Projector;
  double FocalPixels() const;
};

// The camera's projection with its basis worked out once, for projecting many points.
class Projector {
 public:
  explicit Projector(const Camera& camera);
  ScreenPoint Project(const Vec3& p) const {
    const Vec3 v = p - target_;
    const double zc = Dot(v, back_);
    ScreenPoint s;
    s.Depth = distance_ - zc;
    double k = scale_;
    if (perspective_) {
      s.Visible = s.Depth > near_;
      k = focal_ / (s.Depth > near_ ? s.Depth : near_);
    }
    s.X = cx_ + k * Dot(v, right_);
    s.Y = cy_ - k * Dot(v, up_);
    return s;
  }
  bool ProjectSegment(const Vec3& a, const Vec3& b, ScreenPoint& pa, ScreenPoint& pb) const;

 private:
  Vec3 target_, right_, up_, back_;
  double distance_, focal_, scale_, near_, cx_, cy_;
  bool perspective_;
};

}  // namespace tarvelin
