// VRML 2.0 scene writer: header, block, nodes, supports, bars, closing, bar-type colours.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvelin {

class Dialogs;

// The message shown when the scene file cannot be created or put in place.
inline constexpr const char* kVrmlCreateError =
    "Can not create a VRML file, check your disk or r/w permissions.";

// One scene at a time. The scene is assembled and, on CloseVrmlFile, written in one step
// (temporary file renamed into place), so a failed export never leaves a half file.
class MyVrml {
 public:
  explicit MyVrml(Dialogs& dialogs);
  // Drops an unfinished scene: its temporary file is removed, the old scene file is kept.
  ~MyVrml();
  MyVrml(const MyVrml&) = delete;
  MyVrml& operator=(const MyVrml&) = delete;

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
  // when that fails. Without an open scene it does nothing and returns false.
  bool CloseVrmlFile();

  // True between a successful WriteVrmlHeader and CloseVrmlFile.
  bool IsOpen() const { return fd_ >= 0; }

  // Colour text of a bar type: channel/255 in the general format, e.g. "1 0 0".
  static std::string BarTypeColor(int barType);
  // The 23-character real field: sign (blank or "-", negative zero included), one digit,
  // ".", 14 digits, "E", exponent sign, four exponent digits; the exact value of the double
  // rounded to 15 significant digits, halves away from zero.
  static std::string RealField(double value);

 private:
  void Line(std::string_view text);
  void Fixed(std::string_view text, std::size_t width);
  void Real(double value);
  void Blanks(std::size_t count);
  void EndLine();
  // Writes what has been assembled to the temporary file; a failure is kept for the close.
  void Flush();
  // Three real fields, gap between the first two, thirdGap before the third.
  void Reals(double a, double b, double c, std::string_view gap = " ",
             std::string_view thirdGap = " ");
  struct LabelLayout;
  void LabelGroup(std::string_view heading, double p, double q, double r, std::string_view text,
                  const LabelLayout& layout);
  void Discard();

  Dialogs& dialogs_;
  std::string out_;
  std::string fileName_;
  std::string tempName_;
  int fd_ = -1;
  bool writeFailed_ = false;
  double sceneSize_ = 0;
  std::string labelSize_;  // R(SceneSize / 40), the same on every label
};

}  // namespace tarvelin
