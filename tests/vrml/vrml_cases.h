// The VRML test cases: case files shared with the expected-file generator, temp folders.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/modelstore.h"
#include "vrml/myvrml.h"

namespace tarvelin::test {

// A folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::filesystem::path VrmlDataFolder();
std::string ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, const std::string& text);
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

// A model case (cases/*.model): cell texts exactly as they go into the tables.
struct ModelCase {
  std::string Title;  // data file name, empty for none
  bool Numbering = false;
  bool Axes = true;
  struct Node {
    int Row;
    std::string X, Y, Z;
  };
  struct Bar {
    int Row;
    std::string Begin, End, Type;
  };
  std::vector<Node> Nodes;
  std::vector<Bar> Bars;
};
ModelCase ReadModelCase(const std::filesystem::path& path);
// Sizes the tables to hold the case and fills its cells.
void FillStore(const ModelCase& model, ModelStore& store);

// A calls case (cases/*.calls): writer calls, one a line, run against vrml on scenePath.
struct SceneCounts {
  int Shapes = 0, Boxes = 0, Cylinders = 0, Cones = 0, Texts = 0, PointSets = 0, Viewpoints = 0;
};
// Runs the calls and closes the scene; returns the counts the calls imply.
SceneCounts RunCallsCase(const std::filesystem::path& path, MyVrml& vrml,
                         const std::string& scenePath);
// The counts a model implies: box, axes, and per bar a point, a cone, a cylinder unless
// its length is at most 1e-9, and labels when numbering is on.
SceneCounts CountsOfModel(const ModelCase& model);

// Case file names (stem) with the given extension, sorted.
std::vector<std::string> CaseNames(const std::string& extension);

}  // namespace tarvelin::test
