// Reading the VRML case files and running them; temporary folders for the tests.
#include "vrml_cases.h"

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace tarvelin::test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::string pattern = (fs::temp_directory_path() / "tarvelin-vrml-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

fs::path VrmlDataFolder() {
  return fs::path(TARVELIN_VRML_DATA);
}

std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteWholeFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::vector<std::string> FolderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

std::vector<std::string> Words(const std::string& text) {
  std::istringstream s(text);
  std::vector<std::string> words;
  for (std::string w; s >> w;) words.push_back(w);
  return words;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// strtod rather than stod: subnormal values are wanted here, not an out-of-range error.
double Real(const std::string& text) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0') throw std::runtime_error("bad real in case file: " + text);
  return v;
}

std::string Name(const std::string& token) {
  return token == "<empty>" ? "" : token;
}

bool HasLength(double x1, double y1, double z1, double x2, double y2, double z2) {
  return std::sqrt((x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2) + (z1 - z2) * (z1 - z2)) > 1e-9;
}

void AddBlock(SceneCounts& c, bool axes) {
  c.Boxes += 1;
  if (axes) {
    c.Cylinders += 3;
    c.Texts += 3;
  }
}

void Finish(SceneCounts& c) {
  c.Viewpoints = 2;
  c.Shapes = c.Boxes + c.Cylinders + c.Cones + c.Texts + c.PointSets;
}

}  // namespace

ModelCase ReadModelCase(const fs::path& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  ModelCase model;
  for (std::string line; std::getline(in, line);) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    const auto space = line.find(' ');
    const std::string key = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : Trim(line.substr(space + 1));
    const std::vector<std::string> f = Words(rest);
    if (key == "title") {
      model.Title = rest == "-" ? "" : rest;
    } else if (key == "numbering") {
      model.Numbering = f.at(0) == "on";
    } else if (key == "axes") {
      model.Axes = f.at(0) == "on";
    } else if (key == "node") {
      model.Nodes.push_back({std::stoi(f.at(0)), f.at(1), f.at(2), f.at(3)});
    } else if (key == "bar") {
      model.Bars.push_back({std::stoi(f.at(0)), f.at(1), f.at(2), f.at(3) == "-" ? "" : f[3]});
    } else {
      throw std::runtime_error("unknown line in " + path.string() + ": " + line);
    }
  }
  return model;
}

void FillStore(const ModelCase& model, ModelStore& store) {
  int rows = kDefaultGridLength;
  for (const auto& n : model.Nodes) rows = std::max(rows, n.Row + 1);
  for (const auto& b : model.Bars) rows = std::max(rows, b.Row + 1);
  store.GridLength = rows;
  store.ResizeTables(rows);
  InitTables(store);
  for (const auto& n : model.Nodes) {
    store.CoordGrid.SetCell(1, n.Row, n.X);
    store.CoordGrid.SetCell(2, n.Row, n.Y);
    store.CoordGrid.SetCell(3, n.Row, n.Z);
  }
  for (const auto& b : model.Bars) {
    store.EleGrid.SetCell(1, b.Row, b.Begin);
    store.EleGrid.SetCell(2, b.Row, b.End);
    store.EleGrid.SetCell(3, b.Row, b.Type);
  }
}

SceneCounts RunCallsCase(const fs::path& path, MyVrml& vrml, const std::string& scenePath) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  SceneCounts c;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (Trim(line).empty() || line[0] == '#') continue;
    const auto space = line.find(' ');
    const std::string key = line.substr(0, space);
    const std::string rest = line.substr(space + 1);
    const std::vector<std::string> f = Words(rest);
    if (key == "header") {
      const auto gap = rest.find(' ');
      if (!vrml.WriteVrmlHeader(scenePath, rest.substr(gap + 1), Real(rest.substr(0, gap))))
        throw std::runtime_error("header failed");
    } else if (key == "block") {
      vrml.WriteVrmlBlock(f.at(0) == "1", Real(f.at(1)), Real(f.at(2)), Real(f.at(3)));
      AddBlock(c, f[0] == "1");
    } else if (key == "node" || key == "support") {
      const std::string name = Name(f.at(0));
      const double x = Real(f.at(1)), y = Real(f.at(2)), z = Real(f.at(3));
      if (key == "node") {
        vrml.WriteVrmlBlockNode(name, x, y, z);
        c.PointSets += 1;
      } else {
        vrml.WriteVrmlSupport(name, x, y, z);
        c.Cones += 1;
      }
      if (name != "none") c.Texts += 1;
    } else if (key == "bar") {
      const std::string name = Name(f.at(1));
      double v[6];
      for (int i = 0; i < 6; ++i) v[i] = Real(f.at(2 + i));
      vrml.WriteVrmlBar(std::stoi(f.at(0)), name, v[0], v[1], v[2], v[3], v[4], v[5]);
      if (HasLength(v[0], v[1], v[2], v[3], v[4], v[5])) {
        c.Cylinders += 1;
        if (name != "none") c.Texts += 1;
      }
    } else {
      throw std::runtime_error("unknown line in " + path.string() + ": " + line);
    }
  }
  if (!vrml.CloseVrmlFile()) throw std::runtime_error("close failed");
  Finish(c);
  return c;
}

SceneCounts CountsOfModel(const ModelCase& model) {
  std::map<int, std::vector<double>> nodes;
  for (const auto& n : model.Nodes) nodes[n.Row] = {Real(n.X), Real(n.Y), Real(n.Z)};
  SceneCounts c;
  AddBlock(c, model.Axes);
  for (const auto& b : model.Bars) {
    const auto& p = nodes.at(std::stoi(b.Begin));
    const auto& q = nodes.at(std::stoi(b.End));
    c.PointSets += 1;
    c.Cones += 1;
    const bool drawn = HasLength(p[0], p[1], p[2], q[0], q[1], q[2]);
    if (drawn) c.Cylinders += 1;
    if (model.Numbering) c.Texts += 2 + (drawn ? 1 : 0);
  }
  Finish(c);
  return c;
}

std::vector<std::string> CaseNames(const std::string& extension) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(VrmlDataFolder() / "cases"))
    if (e.path().extension() == extension) names.push_back(e.path().stem());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tarvelin::test
