// The view's camera: standard views, projections, fit-all and the mouse gestures.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "view/camera.h"

namespace tarvelin {
namespace {

// A parallel camera on a 200 x 100 viewport at 10 pixels per metre about the origin.
Camera ParallelCamera(StandardView view) {
  Camera c;
  c.SetViewport(200, 100);
  c.Perspective = false;
  c.SetStandardView(view);
  c.Distance = 50 / std::tan(0.5 * c.FieldOfView) / 10;
  return c;
}

struct ViewCase {
  const char* Name;
  StandardView View;
  Vec3 Point;
  double X, Y;
};

TEST(CameraTest, KnownPointLandsOnKnownPixelInEachStandardView) {
  const double up = 10 * std::sqrt(2.0 / 3.0);  // a vertical metre seen from 35.26 degrees
  const ViewCase cases[] = {
      // From above: x to the right, y down the screen.
      {"top", StandardView::Top, {1, 2, 3}, 110, 70},
      // From +y: x to the right, z (pointing down) down the screen.
      {"front", StandardView::Front, {1, 2, 3}, 110, 80},
      // From +x: y to the left, z down.
      {"side", StandardView::Side, {1, 2, 3}, 80, 80},
      // The isometric eye looks along (1, 1, -1): that point is on the centre pixel, and a
      // point above the target straight above it.
      {"isometric on the axis", StandardView::Isometric, {1, 1, -1}, 100, 50},
      {"isometric above", StandardView::Isometric, {0, 0, -1}, 100, 50 - up},
      {"target", StandardView::Top, {0, 0, 0}, 100, 50},
  };
  for (const ViewCase& c : cases) {
    const ScreenPoint s = ParallelCamera(c.View).Project(c.Point);
    EXPECT_NEAR(s.X, c.X, 1e-9) << c.Name;
    EXPECT_NEAR(s.Y, c.Y, 1e-9) << c.Name;
    EXPECT_TRUE(s.Visible) << c.Name;
  }
}

TEST(CameraTest, PerspectiveEnlargesNearPointsAndHidesPointsBehindTheEye) {
  Camera c = ParallelCamera(StandardView::Top);
  c.Perspective = true;
  // On the target's plane both projections agree.
  EXPECT_NEAR(c.Project({1, 2, 0}).X, 110, 1e-9);
  // Nearer the eye (above the block is -z) a point lies farther out.
  EXPECT_GT(c.Project({1, 2, -1}).X, 110.5);
  EXPECT_LT(c.Project({1, 2, 1}).X, 109.5);
  EXPECT_FALSE(c.Project({0, 0, -2 * c.Distance}).Visible);
  ScreenPoint a, b;
  EXPECT_FALSE(c.ProjectSegment({0, 0, -2 * c.Distance}, {1, 0, -3 * c.Distance}, a, b));
  // A segment through the eye's plane keeps its visible end and is cut at the near plane.
  ASSERT_TRUE(c.ProjectSegment({1, 0, 0}, {1, 0, -2 * c.Distance}, a, b));
  EXPECT_NEAR(a.X, 110, 1e-9);
  EXPECT_TRUE(b.Visible);
}

TEST(CameraTest, FitAllKeepsEveryPointInsideTheViewport) {
  const std::vector<Vec3> points = {{-3, 0.2, 1},    {5, -2, 0},    {0.5, 7, -4},
                                    {100, 100, 100}, {99, 98, 101}, {-1, -1, -1}};
  const int sizes[][2] = {{640, 480}, {200, 900}, {1000, 120}, {1, 1}};
  for (bool perspective : {true, false})
    for (StandardView view :
         {StandardView::Top, StandardView::Front, StandardView::Side, StandardView::Isometric})
      for (const auto& size : sizes) {
        Camera c;
        c.SetViewport(size[0], size[1]);
        c.Perspective = perspective;
        c.SetStandardView(view);
        c.Orbit(37, -12);  // not only the aligned views
        c.FitAll(points);
        for (const Vec3& p : points) {
          const ScreenPoint s = c.Project(p);
          EXPECT_TRUE(s.Visible);
          EXPECT_GE(s.X, 0);
          EXPECT_LE(s.X, size[0]);
          EXPECT_GE(s.Y, 0);
          EXPECT_LE(s.Y, size[1]);
        }
      }
}

TEST(CameraTest, FitAllOfOnePointOrNoneGivesAUsableCamera) {
  Camera c;
  c.FitAll({{2, 3, 4}});
  EXPECT_GT(c.Distance, 0);
  EXPECT_NEAR(c.Project({2, 3, 4}).X, 320, 1e-6);
  c.FitAll({});
  EXPECT_GT(c.Distance, 0);
  EXPECT_TRUE(std::isfinite(c.Project({1, 1, 1}).X));
}

TEST(CameraTest, ZoomKeepsThePointUnderThePointer) {
  for (bool perspective : {true, false}) {
    Camera c = ParallelCamera(StandardView::Top);
    c.Perspective = perspective;
    const Vec3 p{3, -1, 0};  // on the target's plane
    const ScreenPoint before = c.Project(p);
    c.ZoomAt(before.X, before.Y, 2);
    const ScreenPoint after = c.Project(p);
    EXPECT_NEAR(after.X, before.X, 1e-9);
    EXPECT_NEAR(after.Y, before.Y, 1e-9);
    EXPECT_NEAR(c.Scale(), 20, 1e-9);
    // Nonsense factors leave the camera alone.
    c.ZoomAt(0, 0, 0);
    c.ZoomAt(0, 0, -1);
    c.ZoomAt(0, 0, NAN);
    EXPECT_NEAR(c.Scale(), 20, 1e-9);
  }
}

TEST(CameraTest, PanMovesTheModelWithThePointerAndOrbitTurnsIt) {
  Camera c = ParallelCamera(StandardView::Isometric);
  const Vec3 p{1, 2, 3};
  const ScreenPoint before = c.Project(p);
  c.Pan(15, -7);
  const ScreenPoint after = c.Project(p);
  EXPECT_NEAR(after.X - before.X, 15, 1e-9);
  EXPECT_NEAR(after.Y - before.Y, -7, 1e-9);

  Camera o = ParallelCamera(StandardView::Front);
  o.Orbit(100, 0);
  EXPECT_NEAR(o.Yaw, -std::acos(-1.0) / 2 - 1, 1e-12);
  EXPECT_EQ(o.Pitch, 0);
  // The pitch stops at straight above and straight below.
  o.Orbit(0, 1e6);
  EXPECT_NEAR(o.Pitch, std::acos(-1.0) / 2, 1e-12);
  o.Orbit(0, -1e6);
  EXPECT_NEAR(o.Pitch, -std::acos(-1.0) / 2, 1e-12);
  EXPECT_TRUE(std::isfinite(o.Project(p).X));
}

}  // namespace
}  // namespace tarvelin
