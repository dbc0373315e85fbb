// VRML 2.0 scene writer: header, block, nodes, supports, bars, closing, bar-type colours.
#pragma once

#include <string>

namespace tarvelin {

class Dialogs;

// One scene at a time. The scene is assembled and, on CloseVrmlFile, written in one step
// (temporary file renamed into place), so a failed export never leaves a half file.
class MyVrml {
 public:
  explicit MyVrml(Dialogs& dialogs);
  ~MyVrml();

  // False (after "Can not create a VRML file, check your disk or r/w permissions.") when the
  // file cannot be created.
  bool WriteVrmlHeader(const std::string& fileName, const std::string& modelTitle,
                       double sceneSize);
  void WriteVrmlBlock(bool showAxes, double sizeX, double sizeY, double sizeZ);
  void WriteVrmlBlockNode(const std::string& name, double x, double y, double z);
  void WriteVrmlSupport(const std::string& name, double x, double y, double z);
  void WriteVrmlBar(int barType, const std::string& name, double x1, double y1, double z1,
                    double x2, double y2, double z2);
  // Writes the closing lines and puts the file in place; false (after the same message)
  // when that fails.
  bool CloseVrmlFile();

  static std::string BarTypeColor(int barType);
  // The 23-character real field.
  static std::string RealField(double value);
};

}  // namespace tarvelin
