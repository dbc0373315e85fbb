// Export of the model in the tables as a VRML scene, and showing it with the desktop.
#include "vrml/export.h"

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/dialogs.h"
#include "support/numtext.h"
#include "vrml/myvrml.h"

namespace tarvelin {

namespace {

struct Point {
  double X = 0, Y = 0, Z = 0;
};

struct BarNodes {
  int Begin = 0;
  int End = 0;
  Point P1;  // the node on the block
  Point P2;  // the supported node
};

// Bars 1..n with their two nodes, in table order; the first bad cell throws UserError.
std::vector<BarNodes> ReadAllBarNodes(const ModelStore& store, int n) {
  std::vector<BarNodes> bars(n > 0 ? n : 0);
  for (int i = 1; i <= n; ++i) {
    const BarData d = ReadBarNodes(store, i);
    bars[i - 1] = BarNodes{d.BeginNode, d.EndNode, {d.X1, d.Y1, d.Z1}, {d.X2, d.Y2, d.Z2}};
  }
  return bars;
}

ModelExtent ExtentOf(const std::vector<BarNodes>& bars) {
  ModelExtent e;
  auto widen = [&e](const Point& p) {
    if (std::fabs(p.X) > e.Ex) e.Ex = std::fabs(p.X);
    if (std::fabs(p.Y) > e.Ey) e.Ey = std::fabs(p.Y);
    if (std::fabs(p.Z) > e.Ez) e.Ez = std::fabs(p.Z);
  };
  for (const BarNodes& b : bars) {
    widen(b.P1);
    widen(b.P2);
  }
  e.E = e.Ex;
  if (e.Ey > e.E) e.E = e.Ey;
  if (e.Ez > e.E) e.E = e.Ez;
  return e;
}

// Symmetric about the mass centre: twice the farthest begin node per axis, 0.1 when flat.
BlockSize BlockOf(const std::vector<BarNodes>& bars) {
  Point lo, hi;
  for (std::size_t i = 0; i < bars.size(); ++i) {
    const Point& p = bars[i].P1;
    if (i == 0) {
      lo = hi = p;
      continue;
    }
    if (p.X < lo.X) lo.X = p.X;
    if (p.Y < lo.Y) lo.Y = p.Y;
    if (p.Z < lo.Z) lo.Z = p.Z;
    if (p.X > hi.X) hi.X = p.X;
    if (p.Y > hi.Y) hi.Y = p.Y;
    if (p.Z > hi.Z) hi.Z = p.Z;
  }
  auto size = [](double smallest, double largest) {
    const double s = 2 * std::fmax(std::fabs(smallest), std::fabs(largest));
    return s < 1e-8 ? 0.1 : s;
  };
  return {size(lo.X, hi.X), size(lo.Y, hi.Y), size(lo.Z, hi.Z)};
}

std::string ModelTitle(const std::string& dataFileName) {
  if (dataFileName.empty()) return "unknown file";
  const std::string::size_type slash = dataFileName.find_last_of('/');
  return slash == std::string::npos ? dataFileName : dataFileName.substr(slash + 1);
}

}  // namespace

ModelExtent GetModelExtent(const ModelStore& store) {
  return ExtentOf(ReadAllBarNodes(store, CountBars(store)));
}

BlockSize GetBlockSize(const ModelStore& store) {
  return BlockOf(ReadAllBarNodes(store, CountBars(store)));
}

void WriteVrmlModel(const ModelStore& store, const std::string& dataFileName,
                    const std::string& scenePath, bool numbering, bool axes, Dialogs& dialogs) {
  const int n = CountBars(store);
  // Every node is read before the scene file is touched.
  const std::vector<BarNodes> bars = ReadAllBarNodes(store, n);
  const ModelExtent extent = ExtentOf(bars);
  const BlockSize block = BlockOf(bars);

  MyVrml vrml(dialogs);
  if (!vrml.WriteVrmlHeader(scenePath, ModelTitle(dataFileName), 1.5 * extent.E)) return;
  vrml.WriteVrmlBlock(axes, block.Sx, block.Sy, block.Sz);
  for (int i = 1; i <= n; ++i) {
    const BarNodes& b = bars[i - 1];
    // A bad type cell ends the export here; the unfinished scene is dropped with vrml.
    const std::string_view typeCell = store.EleGrid.Cell(3, i);
    const int type = typeCell.empty() ? 0 : StrToInt(typeCell);
    const std::string none = "none";
    vrml.WriteVrmlBlockNode(numbering ? std::to_string(b.Begin) : none, b.P1.X, b.P1.Y, b.P1.Z);
    vrml.WriteVrmlSupport(numbering ? std::to_string(b.End) : none, b.P2.X, b.P2.Y, b.P2.Z);
    vrml.WriteVrmlBar(type, numbering ? std::to_string(i) : none, b.P1.X, b.P1.Y, b.P1.Z, b.P2.X,
                      b.P2.Y, b.P2.Z);
  }
  vrml.CloseVrmlFile();
}

void ShowVrmlModel(ModelStore& store, const std::string& dataFileName, const std::string& scenePath,
                   bool numbering, bool axes, Dialogs& dialogs,
                   const std::function<bool(const std::string&)>& openScene) {
  namespace fs = std::filesystem;
  NormaliseTables(store);
  if (CountBars(store) == 0) {
    dialogs.ShowError("Insufficient number of hinged bars specified.");
    return;
  }
  WriteVrmlModel(store, dataFileName, scenePath, numbering, axes, dialogs);
  std::error_code ec;
  if (!fs::is_regular_file(scenePath, ec)) {
    dialogs.ShowError("No VRML file created!");
    return;
  }
  if (!openScene(scenePath)) {
    const fs::path full = fs::absolute(scenePath, ec).lexically_normal();
    dialogs.ShowInformation(
        "The desktop could not open the VRML scene; it may have no viewer for .wrl files.\n"
        "The scene file is:\n" +
        (ec ? scenePath : full.string()) + "\nOpen it with a VRML viewer of your choice.");
  }
}

}  // namespace tarvelin
