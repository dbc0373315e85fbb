// The view's scene: content read from the tables, results and free motions, displaced
// positions, colours and the hit test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/numtext.h"
#include "view/scene.h"
#include "view_helpers.h"
#include "vrml/export.h"

namespace tarvelin {
namespace {

using test::SmallModel;

void ExpectNear(const Vec3& a, const Vec3& b, const char* what) {
  EXPECT_NEAR(a.X, b.X, 1e-12) << what;
  EXPECT_NEAR(a.Y, b.Y, 1e-12) << what;
  EXPECT_NEAR(a.Z, b.Z, 1e-12) << what;
}

void FillRecord(ModelStore& s, const TVector6& u, const std::vector<double>& forces) {
  s.Result.Valid = true;
  s.Result.Displacements = u;
  for (std::size_t i = 0; i < forces.size(); ++i) {
    BarResult b;
    b.Bar = static_cast<int>(i) + 1;
    b.Force = forces[i];
    s.Result.Bars.push_back(b);
  }
}

TEST(SceneTest, ModelWithoutResultsHasTheTablesBlockAndLoads) {
  ModelStore s = SmallModel();
  s.NumberEdit(4).SetRealValue(10);
  s.NumberEdit(6).SetRealValue(-40);
  s.NumberEdit(8).SetRealValue(5);
  const Scene scene = BuildScene(s, {});
  EXPECT_EQ(scene.State, SceneState::Model);
  ASSERT_EQ(scene.Bars.size(), 4u);
  EXPECT_EQ(scene.Nodes.size(), 8u);
  for (const SceneNode& n : scene.Nodes) EXPECT_EQ(n.OnBlock, n.Number <= 4) << n.Number;
  EXPECT_EQ(scene.Bars[2].Type, 1);
  EXPECT_EQ(scene.Bars[2].E, 70000000);
  EXPECT_EQ(scene.Bars[2].A, 0.002);
  EXPECT_FALSE(scene.Displaced);
  EXPECT_FALSE(scene.HasForces);
  // The block is the export's block.
  const BlockSize block = GetBlockSize(s);
  ASSERT_TRUE(scene.HasBlock);
  EXPECT_EQ(scene.BlockSx, block.Sx);
  EXPECT_EQ(scene.BlockSy, block.Sy);
  EXPECT_EQ(scene.BlockSz, block.Sz);
  ExpectNear(scene.BlockCorners[7], {block.Sx / 2, block.Sy / 2, block.Sz / 2}, "corner");
  EXPECT_EQ(scene.ModelSize, 2 * GetModelExtent(s).E);
  // Only the loads that are not zero; the largest force a quarter of the model's size.
  ASSERT_EQ(scene.Loads.size(), 3u);
  EXPECT_EQ(scene.Loads[0].Label, "Fx = 10 kN");
  EXPECT_NEAR(scene.Loads[1].Tip.Z, -0.25 * scene.ModelSize, 1e-12);
  EXPECT_NEAR(scene.Loads[0].Tip.X, 0.0625 * scene.ModelSize, 1e-12);
  EXPECT_TRUE(scene.Loads[2].Moment);
  EXPECT_EQ(scene.Loads[2].Label, "Ty = 5 kNm");
  EXPECT_NEAR(scene.Loads[2].Tip.Y, 0.16 * scene.ModelSize, 1e-12);
  // Coloured by type, whatever was asked, when there are no forces.
  EXPECT_EQ(scene.Colours, Colouring::ByType);
  EXPECT_EQ(scene.Bars[0].Colour, TypeColour(0));
  EXPECT_EQ(scene.Bars[3].Colour, TypeColour(1));
  EXPECT_NE(TypeColour(0), TypeColour(1));
  ASSERT_EQ(scene.Key.Entries.size(), 2u);
  EXPECT_EQ(scene.Key.Entries[1].Text, "type 1");
}

TEST(SceneTest, DeformedPositionsAreTheRigidMotionOfEachBeginNode) {
  ModelStore s = SmallModel();
  const TVector6 u{0.001, -0.002, 0.0005, 0.0003, -0.0001, 0.0002};
  FillRecord(s, u, {5, -3, 0, 1});
  SceneOptions options;
  options.Factor = 3;
  const Scene scene = BuildScene(s, options);
  ASSERT_TRUE(scene.Displaced);
  EXPECT_EQ(scene.Factor, 3);
  for (const SceneBar& b : scene.Bars) {
    // u_p = t + phi x p, written out.
    const Vec3& p = b.P1;
    const Vec3 moved{p.X + 3 * (u[0] + u[4] * p.Z - u[5] * p.Y),
                     p.Y + 3 * (u[1] + u[5] * p.X - u[3] * p.Z),
                     p.Z + 3 * (u[2] + u[3] * p.Y - u[4] * p.X)};
    ExpectNear(b.Shown1, moved, "begin node");
    ExpectNear(b.Shown2, b.P2, "supports stay");
  }
  for (const SceneNode& n : scene.Nodes)
    if (!n.OnBlock) ExpectNear(n.Shown, n.Position, "supported node");
  ExpectNear(scene.ShownCorners[0], RigidMotion(scene.BlockCorners[0], u, 3), "block corner");
}

TEST(SceneTest, AutomaticFactorShowsTheLargestDisplacementAsATenthOfTheModel) {
  ModelStore s = SmallModel();
  FillRecord(s, {0, 0, 0, 0, 0, 0.001}, {1, 1, 1, 1});
  const Scene scene = BuildScene(s, {});
  double largest = 0;
  for (const SceneBar& b : scene.Bars) largest = std::max(largest, Length(b.Shown1 - b.P1));
  for (int c = 0; c < 8; ++c)
    largest = std::max(largest, Length(scene.ShownCorners[c] - scene.BlockCorners[c]));
  EXPECT_NEAR(largest, 0.1 * scene.ModelSize, 1e-12);
  EXPECT_EQ(scene.Factor, scene.AutoFactor);
  // Undeformed on request; no motion at all leaves the positions too.
  SceneOptions flat;
  flat.Deformed = false;
  EXPECT_FALSE(BuildScene(s, flat).Displaced);
  s.Result.Displacements = {};
  EXPECT_FALSE(BuildScene(s, {}).Displaced);
  EXPECT_EQ(BuildScene(s, {}).AutoFactor, 1);
}

TEST(SceneTest, ForcesColourTheBarsOnTheDivergingScale) {
  ModelStore s = SmallModel();
  FillRecord(s, {1e-3, 0, 0, 0, 0, 0}, {8, -8, 0, 4});
  const Scene scene = BuildScene(s, {});
  ASSERT_EQ(scene.Colours, Colouring::ByForce);
  EXPECT_EQ(scene.LargestForce, 8);
  EXPECT_EQ(scene.Bars[0].Colour, kTensionColour);
  EXPECT_EQ(scene.Bars[1].Colour, kCompressionColour);
  EXPECT_EQ(scene.Bars[2].Colour, kZeroForceColour);
  EXPECT_EQ(scene.Key.Title, "normal force [kN]");
  ASSERT_EQ(scene.Key.Entries.size(), 5u);
  EXPECT_EQ(scene.Key.Entries.front().Text, "8  tension");
  EXPECT_EQ(scene.Key.Entries.back().Text, "-8  compression");
  SceneOptions byType;
  byType.Colours = Colouring::ByType;
  EXPECT_EQ(BuildScene(s, byType).Bars[1].Colour, TypeColour(0));
  SceneOptions wide;
  wide.WidthByForce = true;
  const Scene w = BuildScene(s, wide);
  EXPECT_GT(w.Bars[0].Width, w.Bars[3].Width);
  EXPECT_EQ(w.Bars[0].Width, w.Bars[1].Width);
}

TEST(SceneTest, ForceScaleDarkensFromCompressionToTensionAndStaysWithinItsEnds) {
  auto grey = [](const Rgb& c) { return 0.299 * c.R + 0.587 * c.G + 0.114 * c.B; };
  double previous = 1e9;
  for (double f = -12; f <= 12; f += 1) {
    const double g = grey(ForceColour(f, 10));
    EXPECT_LE(g, previous) << f;
    previous = g;
  }
  EXPECT_GT(grey(kCompressionColour) - grey(kTensionColour), 100);
  EXPECT_EQ(ForceColour(-12, 10), kCompressionColour);
  EXPECT_EQ(ForceColour(12, 10), kTensionColour);
  EXPECT_EQ(ForceColour(5, 0), kZeroForceColour);
  EXPECT_EQ(ForceColour(NAN, 10), kZeroForceColour);
}

TEST(SceneTest, ResultsPageStandsInForTheRecordWhileItIsShown) {
  ModelStore s = SmallModel();
  s.NumberEdit(12).SetRealValue(0.002);
  s.StringGrid3.SetCell(1, 1, "-2.5");
  s.StringGrid3.SetCell(1, 2, "7");
  EXPECT_EQ(BuildScene(s, {}).State, SceneState::Model);  // hidden results are stale
  s.GroupBox4Visible = true;
  s.StringGrid3Visible = true;
  const Scene scene = BuildScene(s, {});
  EXPECT_EQ(scene.State, SceneState::Results);
  EXPECT_EQ(scene.Motion[0], 0.002);
  EXPECT_TRUE(scene.Displaced);
  EXPECT_EQ(scene.Bars[0].Force, -2.5);
  EXPECT_EQ(scene.Bars[1].Force, 7);
  EXPECT_FALSE(scene.Bars[2].HasForce);
}

TEST(SceneTest, MechanismShowsTheFreeMotionAndItsAxis) {
  ModelStore s = SmallModel();
  s.Result.Mechanism = true;
  FreeMotion m;
  m.Type = FreeMotion::Kind::Rotation;
  m.Mode = {0, 0, 0, 0, 0, 1};
  m.Direction[2] = 1;
  m.AxisPoint[0] = 0.5;
  s.Result.FreeMotions.push_back(m);
  const Scene scene = BuildScene(s, {});
  EXPECT_EQ(scene.State, SceneState::Mechanism);
  EXPECT_TRUE(scene.Displaced);
  ASSERT_TRUE(scene.HasRotationAxis);
  ExpectNear(scene.RotationAxisA, {0.5, 0, -0.5 * scene.ModelSize}, "axis end");
  ExpectNear(scene.RotationAxisB, {0.5, 0, 0.5 * scene.ModelSize}, "axis end");
  const std::vector<Vec3> extent = scene.Extent();  // fit-all keeps the axis in view
  EXPECT_NE(std::find_if(extent.begin(), extent.end(),
                         [](const Vec3& p) { return p.Z < -1 && p.X == 0.5; }),
            extent.end());
  ASSERT_FALSE(scene.Key.Notes.empty());
  EXPECT_NE(scene.Key.Notes[0].find("mechanism"), std::string::npos);
  s.Result.FreeMotions[0].Type = FreeMotion::Kind::Translation;
  EXPECT_FALSE(BuildScene(s, {}).HasRotationAxis);
}

TEST(SceneTest, RowsBeingEditedAreLeftOutAndTheRestDrawn) {
  ModelStore s = SmallModel();
  s.EleGrid.SetCell(2, 2, "99");  // a node without coordinates
  s.EleGrid.SetCell(3, 3, "");    // a type being typed
  const Scene scene = BuildScene(s, {});
  EXPECT_EQ(scene.Bars.size(), 2u);
  EXPECT_EQ(scene.SkippedBars, 2);
  EXPECT_GT(scene.ModelSize, 0);
  ModelStore empty;
  InitTables(empty);
  const Scene none = BuildScene(empty, {});
  EXPECT_TRUE(none.Bars.empty());
  EXPECT_FALSE(none.HasBlock);
  EXPECT_EQ(none.ModelSize, 1);
}

TEST(HitTest, ProjectedMidpointFindsTheBarAndBesideItFindsNone) {
  ModelStore s = SmallModel();
  const Scene scene = BuildScene(s, {});
  for (StandardView view : {StandardView::Isometric, StandardView::Front}) {
    Camera c;
    c.SetViewport(400, 300);
    c.SetStandardView(view);
    c.FitAll(scene.Extent());
    // Bar 1 in the front view and bar 3 in the isometric one.
    const int i = view == StandardView::Front ? 0 : 2;
    const ScreenPoint a = c.Project(scene.Bars[i].Shown1);
    const ScreenPoint b = c.Project(scene.Bars[i].Shown2);
    const double mx = (a.X + b.X) / 2, my = (a.Y + b.Y) / 2;
    const Hit hit = HitTest(scene, c, mx, my);
    EXPECT_EQ(hit.What, Hit::Kind::Bar);
    EXPECT_EQ(hit.Index, i);
    // 12 pixels across the bar, on the side away from the model's middle, there is nothing.
    const double len = std::hypot(b.X - a.X, b.Y - a.Y);
    double nx = -(b.Y - a.Y) / len, ny = (b.X - a.X) / len;
    if (nx * (mx - 200) + ny * (my - 150) < 0) {
      nx = -nx;
      ny = -ny;
    }
    EXPECT_EQ(HitTest(scene, c, mx + 12 * nx, my + 12 * ny).What, Hit::Kind::None);
    EXPECT_EQ(HitTest(scene, c, mx + 4 * nx, my + 4 * ny).Index, i);  // within the tolerance
    // A node wins over the bars that meet there.
    const Hit node = HitTest(scene, c, a.X + 1, a.Y);
    ASSERT_EQ(node.What, Hit::Kind::Node);
    EXPECT_EQ(scene.Nodes[node.Index].Number, scene.Bars[i].BeginNode);
  }
}

}  // namespace
}  // namespace tarvelin
