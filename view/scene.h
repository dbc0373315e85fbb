// The content of the 3D view as plain data: block, mass centre axes, nodes, bars, loads,
// numbers, legend, colours and the displaced positions; and the hit test.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "analysis/matrix.h"
#include "view/camera.h"

namespace tarvelin {

class ModelStore;

struct Rgb {
  unsigned char R = 0, G = 0, B = 0;
  bool operator==(const Rgb& o) const { return R == o.R && G == o.G && B == o.B; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// The diverging normal-force scale: compression light orange, no force mid grey, tension
// dark blue. Blue and orange stay apart for colour-blind eyes, and the lightness falls
// steadily from compression to tension, so a grey print keeps the order.
extern const Rgb kCompressionColour;
extern const Rgb kZeroForceColour;
extern const Rgb kTensionColour;
// Colour of force on the scale whose ends are -largest and +largest (largest > 0).
Rgb ForceColour(double force, double largest);
// Colour of a bar type (a short palette of clearly different colours, repeated).
Rgb TypeColour(int type);

enum class Colouring { ByType, ByForce };

struct SceneOptions {
  Colouring Colours = Colouring::ByForce;  // by type when there are no forces
  bool Deformed = true;                    // displaced positions when there are any
  double Factor = 0;                       // amplification; 0 or less: automatic
  bool Numbers = false;                    // node and bar numbers
  bool WidthByForce = false;               // line width grows with |N|
};

struct SceneNode {
  int Number = 0;
  Vec3 Position;         // as in the node table
  Vec3 Shown;            // displaced when the scene shows a motion, else Position
  bool OnBlock = false;  // a begin node (moves with the block); else a supported node
};

struct SceneBar {
  int Bar = 0;  // row of the bar table
  int BeginNode = 0, EndNode = 0, Type = 0;
  double E = 0, A = 0;
  bool HasForce = false;
  double Force = 0;  // kN, tension positive
  Vec3 P1, P2;       // begin (block) and end (support) node, as in the tables
  Vec3 Shown1, Shown2;
  Rgb Colour;
  double Width = 2.5;  // pixels
};

// A load at the mass centre: a force (one head) or a moment (two heads) along its axis.
struct LoadArrow {
  int Axis = 0;  // 0 x, 1 y, 2 z
  bool Moment = false;
  double Value = 0;
  Vec3 Tip;  // the arrow runs from the mass centre to Tip
  std::string Label;
};

struct LegendEntry {
  Rgb Colour;
  std::string Text;
};

struct Legend {
  std::string Title;
  std::vector<LegendEntry> Entries;  // by force: the scale from tension down to compression
  std::vector<std::string> Notes;    // factor, motion, state lines
};

enum class SceneState {
  Model,      // no results: the tables only
  Results,    // a calculation's displacements and forces
  Mechanism,  // a calculation that found a free motion
};

struct Scene {
  SceneState State = SceneState::Model;
  std::vector<SceneNode> Nodes;
  std::vector<SceneBar> Bars;
  int SkippedBars = 0;  // rows that do not read (being edited)

  bool HasBlock = false;
  double BlockSx = 0, BlockSy = 0, BlockSz = 0;
  std::array<Vec3, 8> BlockCorners{};  // bit 0: +x, bit 1: +y, bit 2: +z
  std::array<Vec3, 8> ShownCorners{};
  double ModelSize = 1;  // m: twice the largest coordinate
  double AxisLength = 0.3;

  std::vector<LoadArrow> Loads;

  bool Displaced = false;  // Shown differs from the tables (results or a free motion)
  TVector6 Motion{};       // the mass centre's motion shown, unamplified
  double Factor = 1;       // amplification applied
  double AutoFactor = 1;   // the largest displacement shown as a tenth of ModelSize

  bool HasRotationAxis = false;
  Vec3 RotationAxisA, RotationAxisB;

  bool HasForces = false;
  double LargestForce = 0;  // kN, |N| of the largest
  Colouring Colours = Colouring::ByType;
  bool Numbers = false;  // node and bar numbers drawn
  Legend Key;

  // Every point drawn (nodes, block, loads), for fit-all.
  std::vector<Vec3> Extent() const;
};

// The scene of the model in store: bars 1..CountBars whose cells read, the block as the scene
// export sizes it, loads, and the results: the record of the last calculation when it is
// valid, otherwise the displacements and forces on the results page while they are shown;
// a free motion when the calculation found a mechanism.
Scene BuildScene(const ModelStore& store, const SceneOptions& options);

// Position of p moved with the block by the mass centre's motion u (ux, uy, uz, phix, phiy,
// phiz), amplified by factor: p + factor * (t + phi x p).
Vec3 RigidMotion(const Vec3& p, const TVector6& u, double factor);

// True for a name ending in ".png" or ".svg" in any letter case, the pictures the view
// writes; svg (when given) tells which.
bool IsPictureFileName(const std::string& path, bool* svg = nullptr);

struct Hit {
  enum class Kind { None, Node, Bar };
  Kind What = Kind::None;
  int Index = -1;  // into Scene::Nodes or Scene::Bars
};
// The node within tolerance pixels of (x, y), else the nearest bar within tolerance, at the
// shown positions.
Hit HitTest(const Scene& scene, const Camera& camera, double x, double y, double tolerance = 5);

}  // namespace tarvelin
