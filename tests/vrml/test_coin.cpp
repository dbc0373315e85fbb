// Every scene the writer produces is read by Coin3D's VRML97 reader, and what it builds
// (shapes, transforms, viewpoints) is checked against the model.
#include <Inventor/SbRotation.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/VRMLnodes/SoVRMLBox.h>
#include <Inventor/VRMLnodes/SoVRMLCone.h>
#include <Inventor/VRMLnodes/SoVRMLCylinder.h>
#include <Inventor/VRMLnodes/SoVRMLPointSet.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLText.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/VRMLnodes/SoVRMLViewpoint.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/errors/SoReadError.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "recording_dialogs.h"
#include "vrml/export.h"
#include "vrml_cases.h"

namespace tarvelin {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> g_messages;

void CollectError(const SoError* error, void*) {
  g_messages.push_back(error->getDebugString().getString());
}

class CoinScene {
 public:
  explicit CoinScene(const std::string& path) {
    g_messages.clear();
    SoInput in;
    if (!in.openFile(path.c_str())) return;
    root_ = SoDB::readAll(&in);
    if (root_) root_->ref();
  }
  ~CoinScene() {
    if (root_) root_->unref();
  }
  SoSeparator* Root() const { return root_; }

  std::vector<SoNode*> All(SoType type) const {
    SoSearchAction search;
    search.setType(type);
    search.setInterest(SoSearchAction::ALL);
    search.setSearchingAll(TRUE);
    search.apply(root_);
    std::vector<SoNode*> nodes;
    const SoPathList& paths = search.getPaths();
    for (int i = 0; i < paths.getLength(); ++i) {
      SoNode* tail = paths[i]->getTail();
      // A geometry is found through its shape, and the path ends at the shape.
      if (!tail->isOfType(type) && tail->isOfType(SoVRMLShape::getClassTypeId()))
        tail = static_cast<SoVRMLShape*>(tail)->geometry.getValue();
      if (tail && tail->isOfType(type)) nodes.push_back(tail);
    }
    return nodes;
  }
  int Count(SoType type) const { return int(All(type).size()); }

 private:
  SoSeparator* root_ = nullptr;
};

class CoinTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SoDB::init();
    SoReadError::setHandlerCallback(CollectError, nullptr);
    SoDebugError::setHandlerCallback(CollectError, nullptr);
  }
};

void ExpectCounts(const CoinScene& scene, const test::SceneCounts& c) {
  EXPECT_EQ(scene.Count(SoVRMLShape::getClassTypeId()), c.Shapes);
  EXPECT_EQ(scene.Count(SoVRMLBox::getClassTypeId()), c.Boxes);
  EXPECT_EQ(scene.Count(SoVRMLCylinder::getClassTypeId()), c.Cylinders);
  EXPECT_EQ(scene.Count(SoVRMLCone::getClassTypeId()), c.Cones);
  EXPECT_EQ(scene.Count(SoVRMLText::getClassTypeId()), c.Texts);
  EXPECT_EQ(scene.Count(SoVRMLPointSet::getClassTypeId()), c.PointSets);
  EXPECT_EQ(scene.Count(SoVRMLViewpoint::getClassTypeId()), c.Viewpoints);
}

// The geometry inside a transform that holds one shape, or null.
SoNode* GeometryOf(SoVRMLTransform* t) {
  if (t->getNumChildren() != 1) return nullptr;
  auto* shape = dynamic_cast<SoVRMLShape*>(t->getChild(0));
  return shape ? shape->geometry.getValue() : nullptr;
}

struct Vec {
  double X, Y, Z;
};

void ExpectNear(const SbVec3f& v, const Vec& w, const char* what) {
  const double tol = 1e-5 * (1 + std::fabs(w.X) + std::fabs(w.Y) + std::fabs(w.Z));
  EXPECT_NEAR(v[0], w.X, tol) << what;
  EXPECT_NEAR(v[1], w.Y, tol) << what;
  EXPECT_NEAR(v[2], w.Z, tol) << what;
}

class CoinModelTest : public CoinTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(CoinModelTest, ReadsTheExportedSceneAndItsGeometry) {
  const test::ModelCase model =
      test::ReadModelCase(test::VrmlDataFolder() / "cases" / (GetParam() + ".model"));
  ModelStore store;
  test::FillStore(model, store);
  test::TempFolder dir;
  test::RecordingDialogs dialogs;
  const std::string path = dir.File("tarvelin.wrl");
  WriteVrmlModel(store, model.Title, path, model.Numbering, model.Axes, dialogs);

  CoinScene scene(path);
  ASSERT_NE(scene.Root(), nullptr) << (g_messages.empty() ? "" : g_messages[0]);
  EXPECT_TRUE(g_messages.empty()) << g_messages[0];
  ExpectCounts(scene, test::CountsOfModel(model));

  std::map<int, Vec> nodes;
  for (const auto& n : model.Nodes) nodes[n.Row] = {std::stod(n.X), std::stod(n.Y), std::stod(n.Z)};
  double extent = 0;
  for (const auto& b : model.Bars)
    for (int node : {std::stoi(b.Begin), std::stoi(b.End)})
      for (double v : {nodes[node].X, nodes[node].Y, nodes[node].Z})
        extent = std::fmax(extent, std::fabs(v));
  const double s = 1.5 * extent;
  const auto viewpoints = scene.All(SoVRMLViewpoint::getClassTypeId());
  ASSERT_EQ(viewpoints.size(), 2u);
  ExpectNear(static_cast<SoVRMLViewpoint*>(viewpoints[0])->position.getValue(), {s, s, -s},
             "viewpoint 1");
  ExpectNear(static_cast<SoVRMLViewpoint*>(viewpoints[1])->position.getValue(), {-s, -s, -s},
             "viewpoint 2");

  // Bars and supports in table order: each cylinder's local y turned onto the bar and
  // centred at its midpoint; each cone's tip turned towards the plane z = 0.
  std::vector<SoVRMLTransform*> bars, cones;
  for (SoNode* node : scene.All(SoVRMLTransform::getClassTypeId())) {
    auto* t = static_cast<SoVRMLTransform*>(node);
    SoNode* g = GeometryOf(t);
    if (g && g->isOfType(SoVRMLCone::getClassTypeId())) cones.push_back(t);
    if (g && g->isOfType(SoVRMLCylinder::getClassTypeId()) &&
        static_cast<SoVRMLCylinder*>(g)->radius.getValue() == 0.05f)
      bars.push_back(t);
  }
  std::size_t bar = 0;
  ASSERT_EQ(cones.size(), model.Bars.size());
  for (std::size_t i = 0; i < model.Bars.size(); ++i) {
    const Vec p = nodes[std::stoi(model.Bars[i].Begin)];
    const Vec q = nodes[std::stoi(model.Bars[i].End)];

    SbVec3f tip;
    cones[i]->rotation.getValue().multVec(SbVec3f(0, 1, 0), tip);
    EXPECT_NEAR(tip[2], q.Z < 0 ? 1.0 : -1.0, 1e-5) << "support of bar " << i + 1;
    ExpectNear(cones[i]->translation.getValue(), q, "support position");

    const Vec d = {p.X - q.X, p.Y - q.Y, p.Z - q.Z};
    const double length = std::sqrt(d.X * d.X + d.Y * d.Y + d.Z * d.Z);
    if (length <= 1e-9) continue;
    ASSERT_LT(bar, bars.size());
    SoVRMLTransform* t = bars[bar++];
    SbVec3f axis;
    t->rotation.getValue().multVec(SbVec3f(0, 1, 0), axis);
    const Vec u = {d.X / length, d.Y / length, d.Z / length};
    const double dot = axis[0] * u.X + axis[1] * u.Y + axis[2] * u.Z;
    EXPECT_NEAR(std::fabs(dot), 1.0, 1e-5) << "bar " << i + 1 << " is not along its nodes";
    ExpectNear(t->translation.getValue(), {(p.X + q.X) / 2, (p.Y + q.Y) / 2, (p.Z + q.Z) / 2},
               "bar midpoint");
    auto* cylinder = static_cast<SoVRMLCylinder*>(GeometryOf(t));
    EXPECT_NEAR(cylinder->height.getValue(), length, 1e-5 * length);
  }
  EXPECT_EQ(bar, bars.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, CoinModelTest, ::testing::ValuesIn(test::CaseNames(".model")));

class CoinCallsTest : public CoinTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(CoinCallsTest, ReadsTheWrittenScene) {
  test::TempFolder dir;
  test::RecordingDialogs dialogs;
  MyVrml vrml(dialogs);
  const std::string path = dir.File("s.wrl");
  const test::SceneCounts counts =
      test::RunCallsCase(test::VrmlDataFolder() / "cases" / (GetParam() + ".calls"), vrml, path);
  CoinScene scene(path);
  ASSERT_NE(scene.Root(), nullptr) << (g_messages.empty() ? "" : g_messages[0]);
  EXPECT_TRUE(g_messages.empty()) << g_messages[0];
  ExpectCounts(scene, counts);
}

INSTANTIATE_TEST_SUITE_P(Cases, CoinCallsTest, ::testing::ValuesIn(test::CaseNames(".calls")));

TEST_F(CoinTest, LabelsCarryTheirNames) {
  test::TempFolder dir;
  test::RecordingDialogs dialogs;
  MyVrml vrml(dialogs);
  const std::string path = dir.File("s.wrl");
  ASSERT_TRUE(vrml.WriteVrmlHeader(path, "a \"quoted\" title", 4));
  vrml.WriteVrmlBlock(true, 1, 1, 1);
  vrml.WriteVrmlBlockNode("7", 0, 0, 0);
  vrml.WriteVrmlSupport("8", 1, 1, 1);
  vrml.WriteVrmlBar(0, "3", 0, 0, 0, 1, 1, 1);
  vrml.WriteVrmlBar(0, "a\"b", 0, 0, 0, 2, 1, 1);
  ASSERT_TRUE(vrml.CloseVrmlFile());
  CoinScene scene(path);
  ASSERT_NE(scene.Root(), nullptr);
  std::vector<std::string> texts;
  for (SoNode* n : scene.All(SoVRMLText::getClassTypeId())) {
    auto* text = static_cast<SoVRMLText*>(n);
    ASSERT_EQ(text->string.getNum(), 1);
    texts.push_back(text->string[0].getString());
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"x", "y", "z", "7", "8", "(3)", "(a\"b)"}));
}

}  // namespace
}  // namespace tarvelin
