// The 3D view's scene content, built from the model store, and the hit test.
#include "view/scene.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

#include "analysis/modelstore.h"
#include "support/numtext.h"
#include "support/unitlib.h"
#include "vrml/export.h"

namespace tarvelin {

const Rgb kCompressionColour{245, 166, 35};
const Rgb kZeroForceColour{118, 118, 118};
const Rgb kTensionColour{27, 42, 128};

namespace {

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
  auto channel = [t](unsigned char x, unsigned char y) {
    return static_cast<unsigned char>(std::lround(x + (static_cast<double>(y) - x) * t));
  };
  return {channel(a.R, b.R), channel(a.G, b.G), channel(a.B, b.B)};
}

std::string Number(double value) {
  return FormatGeneral(value, 4);
}

// The largest displacement any point of the block makes under the motion u.
double LargestMotion(const Scene& scene, const TVector6& u) {
  double largest = 0;
  auto widen = [&](const Vec3& p) {
    largest = std::max(largest, Length(RigidMotion(p, u, 1) - p));
  };
  for (const SceneBar& b : scene.Bars) widen(b.P1);
  if (scene.HasBlock)
    for (const Vec3& c : scene.BlockCorners) widen(c);
  return largest;
}

void AddLoads(const ModelStore& store, Scene& scene) {
  const char* names[6] = {"Fx", "Fy", "Fz", "Tx", "Ty", "Tz"};
  double loads[6];
  for (int i = 0; i < 6; ++i) loads[i] = store.NumberEdit(4 + i).RealValue();
  // Forces and moments are scaled each among themselves: the largest force a quarter of the
  // model's size, the largest moment less, so that a force and a moment about the same axis
  // keep their heads and labels apart.
  for (int group = 0; group < 2; ++group) {
    double largest = 0;
    for (int i = 0; i < 3; ++i) largest = std::max(largest, std::fabs(loads[3 * group + i]));
    if (!(largest > 0) || !std::isfinite(largest)) continue;
    for (int i = 0; i < 3; ++i) {
      const double value = loads[3 * group + i];
      if (value == 0) continue;
      LoadArrow a;
      a.Axis = i;
      a.Moment = group == 1;
      a.Value = value;
      const double length = (group == 0 ? 0.25 : 0.16) * scene.ModelSize * value / largest;
      double tip[3] = {0, 0, 0};
      tip[i] = length;
      a.Tip = {tip[0], tip[1], tip[2]};
      a.Label =
          std::string(names[3 * group + i]) + " = " + Number(value) + (a.Moment ? " kNm" : " kN");
      scene.Loads.push_back(a);
    }
  }
}

// The displacements and forces the window shows: the record when valid, else the fields and
// the force table of the results page while they are shown.
bool ReadResults(const ModelStore& store, TVector6& u, std::vector<double>& forces,
                 std::vector<bool>& hasForce, int rows) {
  forces.assign(rows + 1, 0);
  hasForce.assign(rows + 1, false);
  const CalculationResult& r = store.Result;
  if (r.Valid) {
    u = r.Displacements;
    for (const BarResult& b : r.Bars)
      if (b.Bar >= 1 && b.Bar <= rows) {
        forces[b.Bar] = b.Force;
        hasForce[b.Bar] = true;
      }
    return true;
  }
  if (!store.GroupBox4Visible) return false;
  for (int j = 0; j < 6; ++j) u[j] = store.NumberEdit(12 + j).RealValue();
  if (store.StringGrid3Visible)
    for (int i = 1; i <= rows && i < store.StringGrid3.RowCount(); ++i) {
      double value = 0;
      if (TryStrToFloat(store.StringGrid3.Cell(1, i), value) && std::isfinite(value)) {
        forces[i] = value;
        hasForce[i] = true;
      }
    }
  return true;
}

void ColourBars(Scene& scene, const SceneOptions& options) {
  scene.Colours = scene.HasForces && options.Colours == Colouring::ByForce ? Colouring::ByForce
                                                                           : Colouring::ByType;
  for (SceneBar& b : scene.Bars) {
    if (scene.Colours == Colouring::ByForce) {
      b.Colour = b.HasForce ? ForceColour(b.Force, scene.LargestForce) : kZeroForceColour;
      if (options.WidthByForce && b.HasForce && scene.LargestForce > 0)
        b.Width = 1 + 5 * std::fabs(b.Force) / scene.LargestForce;
    } else {
      b.Colour = TypeColour(b.Type);
    }
  }
  Legend& key = scene.Key;
  if (scene.Colours == Colouring::ByForce) {
    key.Title = "normal force [kN]";
    const double m = scene.LargestForce;
    const double steps[5] = {1, 0.5, 0, -0.5, -1};
    for (double s : steps) {
      std::string text = Number(s * m);
      if (s > 0) text += "  tension";
      if (s < 0) text += "  compression";
      key.Entries.push_back({ForceColour(s * m, m), text});
    }
  } else {
    key.Title = "bar type";
    std::map<int, bool> types;
    for (const SceneBar& b : scene.Bars) types[b.Type] = true;
    const std::size_t shown = 10;
    for (const auto& [type, unused] : types) {
      if (key.Entries.size() == shown) {
        key.Entries.push_back(
            {Rgb{255, 255, 255}, "... " + std::to_string(types.size() - shown) + " more types"});
        break;
      }
      key.Entries.push_back({TypeColour(type), "type " + std::to_string(type)});
    }
  }
}

}  // namespace

Rgb ForceColour(double force, double largest) {
  if (!(largest > 0) || !std::isfinite(force)) return kZeroForceColour;
  const double t = std::clamp(force / largest, -1.0, 1.0);
  return t >= 0 ? Mix(kZeroForceColour, kTensionColour, t)
                : Mix(kZeroForceColour, kCompressionColour, -t);
}

Rgb TypeColour(int type) {
  // Okabe and Ito's palette, without its yellow (weak on white) and black (the block's edges).
  static const Rgb palette[] = {{0, 114, 178},  {213, 94, 0},  {0, 158, 115},  {204, 121, 167},
                                {86, 180, 233}, {230, 159, 0}, {120, 70, 150}, {100, 100, 100}};
  const int n = static_cast<int>(sizeof(palette) / sizeof(palette[0]));
  return palette[((type % n) + n) % n];
}

Vec3 RigidMotion(const Vec3& p, const TVector6& u, double factor) {
  const Vec3 t{u[0], u[1], u[2]};
  const Vec3 phi{u[3], u[4], u[5]};
  return p + factor * (t + Cross(phi, p));
}

std::vector<Vec3> Scene::Extent() const {
  std::vector<Vec3> points;
  points.reserve(2 * Nodes.size() + 20);
  for (const SceneNode& n : Nodes) {
    points.push_back(n.Position);
    if (Displaced) points.push_back(n.Shown);
  }
  if (HasBlock)
    for (int i = 0; i < 8; ++i) {
      points.push_back(BlockCorners[i]);
      if (Displaced) points.push_back(ShownCorners[i]);
    }
  for (const LoadArrow& a : Loads) points.push_back(a.Tip);
  if (HasRotationAxis) {
    points.push_back(RotationAxisA);
    points.push_back(RotationAxisB);
  }
  for (int i = 0; i < 3; ++i) {
    double p[3] = {0, 0, 0};
    p[i] = AxisLength;
    points.push_back({p[0], p[1], p[2]});
  }
  return points;
}

Scene BuildScene(const ModelStore& store, const SceneOptions& options) {
  Scene scene;
  scene.Numbers = options.Numbers;
  const int count = CountBars(store);
  scene.Bars.reserve(count > 0 ? count : 0);
  std::vector<int> nodeIndex(store.CoordGrid.RowCount(), -1);
  auto addNode = [&](int number, const Vec3& p, bool onBlock) {
    if (number < 0 || number >= static_cast<int>(nodeIndex.size())) return;
    int& index = nodeIndex[number];
    if (index < 0) {
      index = static_cast<int>(scene.Nodes.size());
      scene.Nodes.push_back({number, p, p, onBlock});
    } else if (onBlock) {
      scene.Nodes[index].OnBlock = true;  // a begin node moves with the block
    }
  };
  for (int i = 1; i <= count; ++i) {
    try {
      const BarData d = ReadBar(store, i);
      SceneBar b;
      b.Bar = i;
      b.BeginNode = d.BeginNode;
      b.EndNode = d.EndNode;
      b.Type = d.Type;
      b.E = d.E;
      b.A = d.A;
      b.P1 = b.Shown1 = {d.X1, d.Y1, d.Z1};
      b.P2 = b.Shown2 = {d.X2, d.Y2, d.Z2};
      scene.Bars.push_back(b);
    } catch (const UserError&) {
      ++scene.SkippedBars;  // a row being typed: drawn once it reads
    }
  }
  for (const SceneBar& b : scene.Bars) addNode(b.BeginNode, b.P1, true);
  for (const SceneBar& b : scene.Bars) addNode(b.EndNode, b.P2, false);

  // The block and the model's size as the scene export has them; a row that does not read
  // leaves the export's sizes unknown, and then the bars that read give the size.
  try {
    const BlockSize block = GetBlockSize(store);
    const ModelExtent extent = GetModelExtent(store);
    scene.HasBlock = count > 0;
    scene.BlockSx = block.Sx;
    scene.BlockSy = block.Sy;
    scene.BlockSz = block.Sz;
    scene.ModelSize = 2 * extent.E;
  } catch (const UserError&) {
    double e = 0;
    for (const SceneNode& n : scene.Nodes)
      e = std::max({e, std::fabs(n.Position.X), std::fabs(n.Position.Y), std::fabs(n.Position.Z)});
    scene.ModelSize = 2 * e;
  }
  if (!(scene.ModelSize > 0) || !std::isfinite(scene.ModelSize)) scene.ModelSize = 1;
  for (int c = 0; c < 8; ++c) {
    const Vec3 corner{(c & 1 ? 0.5 : -0.5) * scene.BlockSx, (c & 2 ? 0.5 : -0.5) * scene.BlockSy,
                      (c & 4 ? 0.5 : -0.5) * scene.BlockSz};
    scene.BlockCorners[c] = scene.ShownCorners[c] = corner;
  }
  scene.AxisLength = std::max(
      {0.75 * scene.BlockSx, 0.75 * scene.BlockSy, 0.75 * scene.BlockSz, 0.15 * scene.ModelSize});

  AddLoads(store, scene);

  // Results and motion.
  std::vector<double> forces;
  std::vector<bool> hasForce;
  TVector6 u{};
  const CalculationResult& record = store.Result;
  if (record.Mechanism && !record.FreeMotions.empty()) {
    scene.State = SceneState::Mechanism;
    const FreeMotion& free = record.FreeMotions.front();
    u = free.Mode;
    if (free.Type != FreeMotion::Kind::Translation) {
      scene.HasRotationAxis = true;
      const Vec3 p{free.AxisPoint[0], free.AxisPoint[1], free.AxisPoint[2]};
      const Vec3 d{free.Direction[0], free.Direction[1], free.Direction[2]};
      const double half = 0.5 * scene.ModelSize / std::max(Length(d), 1e-300);
      scene.RotationAxisA = p - half * d;
      scene.RotationAxisB = p + half * d;
    }
  } else if (ReadResults(store, u, forces, hasForce, count)) {
    scene.State = SceneState::Results;
    for (SceneBar& b : scene.Bars) {
      b.HasForce = hasForce[b.Bar];
      b.Force = forces[b.Bar];
      if (b.HasForce) {
        scene.HasForces = true;
        scene.LargestForce = std::max(scene.LargestForce, std::fabs(b.Force));
      }
    }
  }
  scene.Motion = u;
  const double largest = scene.State == SceneState::Model ? 0 : LargestMotion(scene, u);
  scene.AutoFactor = largest > 0 && std::isfinite(largest) ? 0.1 * scene.ModelSize / largest : 1;
  scene.Factor = options.Factor > 0 ? options.Factor : scene.AutoFactor;
  scene.Displaced = options.Deformed && largest > 0 && std::isfinite(largest);
  if (scene.Displaced) {
    for (SceneNode& n : scene.Nodes)
      if (n.OnBlock) n.Shown = RigidMotion(n.Position, u, scene.Factor);
    for (SceneBar& b : scene.Bars) b.Shown1 = RigidMotion(b.P1, u, scene.Factor);
    for (int c = 0; c < 8; ++c)
      scene.ShownCorners[c] = RigidMotion(scene.BlockCorners[c], u, scene.Factor);
  }

  ColourBars(scene, options);
  Legend& key = scene.Key;
  if (scene.State == SceneState::Mechanism)
    key.Notes.push_back("mechanism: the free motion shown, not a result");
  if (scene.Displaced)
    key.Notes.push_back("displacements x " + Number(scene.Factor) +
                        (scene.State == SceneState::Mechanism ? " (motion scaled)" : ""));
  else if (scene.State == SceneState::Results)
    key.Notes.push_back("undeformed");
  if (scene.SkippedBars > 0)
    key.Notes.push_back(std::to_string(scene.SkippedBars) + " bar rows do not read");
  return scene;
}

bool IsPictureFileName(const std::string& path, bool* svg) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (svg) *svg = ext == ".svg";
  return ext == ".png" || ext == ".svg";
}

Hit HitTest(const Scene& scene, const Camera& camera, double x, double y, double tolerance) {
  Hit hit;
  const Projector projector(camera);
  double best = tolerance * tolerance;
  for (std::size_t i = 0; i < scene.Nodes.size(); ++i) {
    const ScreenPoint s = projector.Project(scene.Nodes[i].Shown);
    if (!s.Visible) continue;
    const double d = (s.X - x) * (s.X - x) + (s.Y - y) * (s.Y - y);
    if (d <= best) {
      best = d;
      hit = {Hit::Kind::Node, static_cast<int>(i)};
    }
  }
  if (hit.What == Hit::Kind::Node) return hit;
  for (std::size_t i = 0; i < scene.Bars.size(); ++i) {
    ScreenPoint a, b;
    if (!projector.ProjectSegment(scene.Bars[i].Shown1, scene.Bars[i].Shown2, a, b)) continue;
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((x - a.X) * dx + (y - a.Y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double px = a.X + t * dx - x, py = a.Y + t * dy - y;
    const double d = px * px + py * py;
    if (d <= best) {
      best = d;
      hit = {Hit::Kind::Bar, static_cast<int>(i)};
    }
  }
  return hit;
}

}  // namespace tarvelin
