// VRML 2.0 scene writer: fixed line layouts with computed reals, written atomically.
#include "vrml/myvrml.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "analysis/bargeometry.h"
#include "support/dialogs.h"
#include "support/numtext.h"
#include "support/unitlib.h"

namespace tarvelin {

namespace {

constexpr double kHalfPi = 1.57079632679489661923;
constexpr std::size_t kRealWidth = 23;
constexpr std::size_t kFlushSize = std::size_t(1) << 20;

// The magnitude of a double rounded to 15 significant digits, halves away from zero:
// value = d[0].d[1]...d[14] x 10^exp10.
struct Digits15 {
  std::array<char, 15> d;
  int exp10 = 0;
};

// Rounds |value| (finite) from its exact binary value. A correctly rounded 17-digit form
// decides all cases but one: when it shows "50" in the two digits after the fifteenth,
// the exact value may lie on either side of the half, and only the full expansion can tell.
Digits15 RoundTo15(double value) {
  const double a = std::fabs(value);
  Digits15 r;
  char buf[40];
  auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 16);
  // buf holds "d.dddddddddddddddde+XX".
  char digits[17];
  digits[0] = buf[0];
  for (int i = 1; i < 17; ++i) digits[i] = buf[i + 1];
  const char* e = buf + 18;  // 'e'
  int exp10 = 0;
  std::from_chars(e + 2, res.ptr, exp10);
  if (e[1] == '-') exp10 = -exp10;

  const int tail = (digits[15] - '0') * 10 + (digits[16] - '0');
  bool up = tail > 50;
  if (tail == 50) {
    // Any double has at most 767 significant decimal digits.
    static thread_local char exact[800];
    std::to_chars(exact, exact + sizeof exact, a, std::chars_format::scientific, 780);
    up = exact[16] >= '5';  // sixteenth significant digit of the exact value
  }
  for (int i = 0; i < 15; ++i) r.d[i] = digits[i];
  r.exp10 = exp10;
  if (up) {
    int i = 14;
    while (i >= 0 && r.d[i] == '9') r.d[i--] = '0';
    if (i >= 0) {
      ++r.d[i];
    } else {
      r.d[0] = '1';
      ++r.exp10;
    }
  }
  if (a == 0) r.exp10 = 0;
  return r;
}

void AppendReal(std::string& out, double value) {
  const char sign = std::signbit(value) ? '-' : ' ';
  if (!std::isfinite(value)) {
    // Only reachable through an overflowing sum; keep the field width all the same.
    std::string text(1, sign);
    text += std::isnan(value) ? "NAN" : "INF";
    text.resize(kRealWidth, ' ');
    out += text;
    return;
  }
  const Digits15 r = RoundTo15(value);
  char field[kRealWidth];
  field[0] = sign;
  field[1] = r.d[0];
  field[2] = '.';
  for (int i = 1; i < 15; ++i) field[i + 2] = r.d[i];
  field[17] = 'E';
  field[18] = r.exp10 < 0 ? '-' : '+';
  int e = std::abs(r.exp10);
  for (int i = 22; i >= 19; --i) {
    field[i] = static_cast<char>('0' + e % 10);
    e /= 10;
  }
  out.append(field, kRealWidth);
}

// General format with 15 significant digits (plain for -3 <= e <= 15, e the exponent of
// 0.d1d2... x 10^e); enough for the colour channels, which always read plainly.
std::string GeneralText(double value) {
  if (value == 0) return "0";
  const Digits15 r = RoundTo15(value);
  int k = 15;
  while (k > 1 && r.d[k - 1] == '0') --k;
  const std::string digits(r.d.data(), k);
  const int e = r.exp10 + 1;
  std::string text = value < 0 ? "-" : "";
  if (e >= -3 && e <= 15) {
    if (e <= 0) {
      text += "0." + std::string(-e, '0') + digits;
    } else if (k <= e) {
      text += digits + std::string(e - k, '0');
    } else {
      text += digits.substr(0, e) + "." + digits.substr(e);
    }
  } else {
    text += digits.substr(0, 1);
    if (k > 1) text += "." + digits.substr(1);
    text += "E" + std::to_string(e - 1);
  }
  return text;
}

// Red, green and blue (0..255) of bar types 0..16, then the entry for every other type.
constexpr std::array<const char*, 18> kColorTable = {
    "181  41 197", " 64 220  18", "250 250  41", "190 190 190", " 85 185 206", "255   0   0",
    "181  41 197", "122  98  48", " 49 171  14", "112 128 144", " 19  31 255", "255 255 255",
    " 38 216 253", "249 120  43", "182   4 234", " 19  31 255", "  0   0   0", "155   0  10",
};

std::string ColorText(const char* triple) {
  std::string text = triple;
  CollapseBlanks(text);
  std::string result;
  for (int channel = 1; channel <= 3; ++channel) {
    if (channel > 1) result += ' ';
    result += GeneralText(StrToInt(GetWord(channel, text)) / 255.0);
  }
  return result;
}

// A VRML string's content: the quote and the backslash are the two characters the format
// escapes; anything else is written as it is.
std::string VrmlStringContent(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

MyVrml::MyVrml(Dialogs& dialogs) : dialogs_(dialogs) {}

MyVrml::~MyVrml() {
  Discard();
}

std::string MyVrml::RealField(double value) {
  std::string out;
  AppendReal(out, value);
  return out;
}

std::string MyVrml::BarTypeColor(int barType) {
  static const std::array<std::string, 18> texts = [] {
    std::array<std::string, 18> t;
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = ColorText(kColorTable[i]);
    return t;
  }();
  return texts[barType >= 0 && barType <= 16 ? barType : 17];
}

void MyVrml::EndLine() {
  out_ += "\r\n";
  // Large models make scenes of hundreds of megabytes: pass them on to the temporary file in
  // slices rather than holding them whole.
  if (out_.size() >= kFlushSize) Flush();
}

void MyVrml::Flush() {
  if (fd_ < 0) return;
  const char* data = out_.data();
  std::size_t left = out_.size();
  while (!writeFailed_ && left > 0) {
    const ssize_t n = ::write(fd_, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      writeFailed_ = true;
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  out_.clear();
}

void MyVrml::Line(std::string_view text) {
  out_ += text;
  EndLine();
}

void MyVrml::Fixed(std::string_view text, std::size_t width) {
  out_ += text;
  if (text.size() < width) out_.append(width - text.size(), ' ');
  EndLine();
}

void MyVrml::Real(double value) {
  AppendReal(out_, value);
}

void MyVrml::Reals(double a, double b, double c, std::string_view gap, std::string_view thirdGap) {
  Real(a);
  out_ += gap;
  Real(b);
  out_ += thirdGap;
  Real(c);
}

void MyVrml::Blanks(std::size_t count) {
  out_.append(count, ' ');
}

void MyVrml::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(tempName_.c_str());
    fd_ = -1;
  }
  out_.clear();
  writeFailed_ = false;
}

bool MyVrml::WriteVrmlHeader(const std::string& fileName, const std::string& modelTitle,
                             double sceneSize) {
  namespace fs = std::filesystem;
  Discard();
  sceneSize_ = sceneSize;
  labelSize_ = RealField(sceneSize / 40);

  // Creatability is settled here, by creating the temporary file beside the target; the
  // scene itself reaches the disk only in CloseVrmlFile.
  std::error_code ec;
  const fs::path target(fileName);
  if (!fileName.empty() && !fs::is_directory(target, ec)) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    // A short name of our own, so that a long scene name cannot push it past the limit.
    const std::string base = ".tarvelin-scene-" + std::to_string(getpid()) + "-";
    for (int n = 0; n < 100 && fd_ < 0; ++n) {
      const std::string name = (folder / (base + std::to_string(n) + ".tmp")).string();
      const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        fd_ = fd;
        tempName_ = name;
      } else if (errno != EEXIST) {
        break;
      }
    }
  }
  if (fd_ < 0) {
    dialogs_.ShowError(kVrmlCreateError);
    return false;
  }
  fileName_ = fileName;
  out_.reserve(kFlushSize + (1 << 12));

  Line("#VRML V2.0 utf8");
  Line("# generated by tarvelin.exe : simple Tarvelin on hinged bars");
  Line("# Tarvelin on bars, rigid block on hinged bars (Discrete Element Method)");
  Line("#");
  Line("");
  Line("WorldInfo {");
  Line("  info [\"Tarvelin on hinged bars : " + VrmlStringContent(modelTitle) +
       "\",\"Tarvelin on bars, rigid block on hinged bars\",\"Version 1.8 dec 2006\"]");
  Line("  title \"Tarvelin on hinged bars\"");
  Line("}");
  Line("");
  Fixed("NavigationInfo { type [ \"EXAMINE\", \"ANY\" ] }", 89);
  Fixed("", 89);
  Fixed("Viewpoint", 89);
  Fixed("{", 89);
  Fixed("  description \"Viewpoint1\"", 90);
  out_ += "  position ";
  Reals(sceneSize, sceneSize, -sceneSize);
  Blanks(42);
  EndLine();
  Fixed(
      "  orientation -0.897148 0.403004 -0.180869 2.25325 # towards 0 0 0  tilt -2.03541 "
      "radians",
      89);
  Fixed("  fieldOfView 0.785398", 89);
  Line("}");
  Line("");
  Fixed("Viewpoint", 89);
  Fixed("{", 89);
  Fixed("  description \"Viewpoint2\"", 89);
  out_ += "  position ";
  Reals(-sceneSize, -sceneSize, -sceneSize);
  Blanks(40);
  EndLine();
  Fixed("  orientation 0.689054 0.561775 -0.457835 3.04848 # towards 0 0 0  tilt 2.03541 radians",
        89);
  Fixed("  fieldOfView 0.785398", 89);
  Line("}");
  Line("");
  return true;
}

// The line layouts of a label group: the node, support and bar labels keep their lines at 46
// characters, the axis letters at 51.
struct MyVrml::LabelLayout {
  std::size_t Width;              // of the padded lines; the one with a tab is one shorter
  std::size_t TranslationBlanks;  // after the translation
  std::string_view ThirdGap;      // before the third coordinate of the translation
  std::size_t TextBlanks;         // after the text
  std::size_t SizeBlanks;         // after the font size
};

// The label group: a yellow text turned by -1.57079 about x and moved to (p, q, r).
void MyVrml::LabelGroup(std::string_view heading, double p, double q, double r,
                        std::string_view text, const LabelLayout& layout) {
  const std::size_t w = layout.Width;
  Line(heading);
  Line("");
  Fixed("Transform {", w);
  out_ += "  translation ";
  Reals(p, q, r, " ", layout.ThirdGap);
  Blanks(layout.TranslationBlanks);
  EndLine();
  Fixed("  rotation    1 0 0 -1.57079", w);
  Fixed("  children [", w);
  Fixed("    Shape {", w);
  Fixed("      appearance Appearance {", w);
  Fixed("\t    material Material { diffuseColor 1 1 0 }", w - 1);
  Fixed("      }", w);
  Fixed("      geometry Text {", w);
  Fixed("        string [", w);
  Blanks(16);
  out_ += '"';
  out_ += VrmlStringContent(text);
  out_ += "\"]";
  Blanks(layout.TextBlanks);
  EndLine();
  Fixed("        fontStyle FontStyle {", w);
  Fixed("            family \"ARIAL\"", w);
  out_ += "            size ";
  out_ += labelSize_;
  Blanks(layout.SizeBlanks);
  EndLine();
  Fixed("        }   }   }", w);
  Fixed("      ]", w);
  Fixed("}", w);
  Line("");
}

void MyVrml::WriteVrmlBlock(bool showAxes, double sizeX, double sizeY, double sizeZ) {
  Line("");
  Fixed("  Shape {", 51);
  Fixed("    appearance Appearance {", 51);
  Fixed("        material Material { diffuseColor 1 0 0 }", 51);
  Fixed("    }", 51);
  Fixed("    geometry Box {", 51);
  out_ += "        size ";
  Reals(sizeX, sizeY, sizeZ);
  Blanks(18);
  EndLine();
  Fixed("    }", 51);
  Fixed("}", 51);
  if (!showAxes) return;

  const double sizes[3] = {sizeX, sizeY, sizeZ};
  for (int axis = 0; axis < 3; ++axis) {
    const double s = sizes[axis];
    double centre[3] = {0, 0, 0};
    centre[axis] = 0.375 * s;
    Fixed("Transform {", 51);
    out_ += "  translation ";
    Reals(centre[0], centre[1], centre[2]);
    Blanks(9);
    EndLine();
    if (axis == 0) Fixed("  rotation    0 0 1 -1.57079", 51);
    if (axis == 2) Fixed("  rotation    1 0 0 -1.57079", 51);
    Fixed("  children [", 51);
    Fixed("  Shape {", 51);
    Fixed("      appearance Appearance {", 51);
    Fixed("          material Material { diffuseColor 1 1 1 }", 51);
    Fixed("      }", 51);
    Fixed("      geometry Cylinder {", 51);
    Fixed("          radius 0.01", 51);
    out_ += "          height ";
    Real(0.75 * s);
    Blanks(23);
    EndLine();
    Fixed("      }", 51);
    Fixed("  }", 51);
    Fixed("  ]", 51);
    Fixed("}", 51);

    const double tip = 0.75 * s + 0.06;
    const char* const letters[3] = {"x", "y", "z"};
    centre[axis] = tip;
    // The x letter's translation is one blank narrower before its third coordinate.
    LabelGroup("# name of axis ", centre[0], centre[1], centre[2], letters[axis],
               {51, axis == 0 ? 5u : 4u, axis == 0 ? " " : "  ", 31, 15});
  }
}

void MyVrml::WriteVrmlBlockNode(const std::string& name, double x, double y, double z) {
  Line("");
  Line("# node " + name + " on the block");
  Line("");
  Fixed("Shape {", 37);
  Fixed("  appearance Appearance {", 37);
  Fixed("      material Material { }", 37);
  Fixed("  }", 37);
  Fixed("  geometry PointSet {", 37);
  Fixed("      color Color {", 37);
  Fixed("          color [1,1,1]", 37);
  Fixed("      }", 37);
  Fixed("      coord Coordinate {", 37);
  out_ += "          point [";
  Reals(x, y, z, ",", ",");
  out_ += "]  ";
  EndLine();
  Fixed("      }", 37);
  Fixed("  }", 37);
  Fixed("}", 37);
  Line("");
  if (name != "none")
    LabelGroup("# name of the node ", x + 0.06, y, z, name, {46, 10, " ", 18, 10});
}

void MyVrml::WriteVrmlSupport(const std::string& name, double x, double y, double z) {
  out_ += "# supportnode ";
  out_ += name;
  Blanks(23);
  EndLine();
  Line("");
  Fixed("Transform {", 46);
  out_ += "  translation ";
  Reals(x, y, z);
  Blanks(15);
  EndLine();
  // The cone's tip (local +y) points towards the plane z = 0.
  Fixed(z < 0 ? "  rotation    1 0 0  1.57079" : "  rotation    1 0 0 -1.57079", 44);
  Fixed("  children [", 46);
  Fixed("    Shape {", 46);
  Fixed("      appearance Appearance {", 46);
  Fixed("\t    material Material { diffuseColor 0 0 1 }", 45);
  Fixed("      }", 46);
  Fixed("      geometry Cone {", 46);
  Fixed("        bottomRadius 0.1", 46);
  Fixed("\t    height 0.1", 45);
  Fixed("\t    side TRUE", 45);
  Fixed("        bottom TRUE", 46);
  Fixed("      }", 46);
  Fixed("    }", 46);
  Fixed("   ]", 46);
  Fixed("}", 46);
  if (name != "none")
    LabelGroup("# name of the support ", x + 0.06, y, z, name, {46, 10, " ", 18, 10});
}

void MyVrml::WriteVrmlBar(int barType, const std::string& name, double x1, double y1, double z1,
                          double x2, double y2, double z2) {
  const std::string colour = BarTypeColor(barType);
  const BarLine line = MeasureBar({x1, y1, z1}, {x2, y2, z2});
  if (!line.HasDirection()) return;
  const double ux = line.Direction.X;
  const double uy = line.Direction.Y;
  const double uz = line.Direction.Z;
  const double mx = line.Midpoint.X;
  const double my = line.Midpoint.Y;
  const double mz = line.Midpoint.Z;

  Line("");
  Fixed("Transform {", 53);
  const double tol = 1e-8;
  if (std::fabs(uy) <= tol && std::fabs(uz) <= tol) {
    out_ += "  rotation    0 0 1 ";
    Real(kHalfPi);
    Blanks(17);
    EndLine();
  } else if (std::fabs(ux) <= tol && std::fabs(uz) <= tol) {
    // The cylinder already lies along y.
  } else if (std::fabs(ux) <= tol && std::fabs(uy) <= tol) {
    out_ += "  rotation    1 0 0 ";
    Real(kHalfPi);
    Blanks(17);
    EndLine();
  } else {
    // Axis u x (0, 1, 0), unnormalised, with every product by zero kept: the middle
    // component is a signed zero whose sign readers of the file see. This relies on IEEE
    // arithmetic (no fast-math, no contraction; see CMakeLists.txt).
    const double a1 = 0.0 * uy - uz;
    const double a2 = 0.0 * uz + (-ux) * 0.0;
    const double a3 = ux - 0.0 * uy;
    const double angle = -std::acos(uy);
    out_ += "  rotation   ";
    Reals(a1, a2, a3);
    out_ += ' ';
    Real(angle);
    out_ += "  ";
    EndLine();
  }
  out_ += "  translation ";
  Reals(mx, my, mz);
  Blanks(19);
  EndLine();
  Fixed("  children [", 53);
  Fixed("  Shape {", 53);
  Fixed("      appearance Appearance {", 53);
  Line("          material Material { diffuseColor " + colour + " }");
  Fixed("      }", 53);
  Fixed("      geometry Cylinder {", 53);
  Fixed("          radius 0.05", 53);
  out_ += "          height ";
  Real(line.Length);
  Blanks(30);
  EndLine();
  Fixed("      }", 53);
  Fixed("  }", 53);
  Fixed("  ]", 53);
  Fixed("}", 53);
  if (name != "none")
    LabelGroup("# name of bar ", mx + 0.06, my, mz, "(" + name + ")", {46, 7, " ", 16, 10});
}

bool MyVrml::CloseVrmlFile() {
  if (fd_ < 0) return false;
  Line("");
  Line("# end of file, Tarvelin on bars");

  Flush();
  bool ok = !writeFailed_;
  // The data must be on the disk before the rename makes it the scene file.
  if (ok && ::fsync(fd_) != 0) ok = false;
  if (::close(fd_) != 0) ok = false;
  fd_ = -1;
  if (ok && std::rename(tempName_.c_str(), fileName_.c_str()) != 0) ok = false;
  if (!ok) ::unlink(tempName_.c_str());
  out_.clear();
  out_.shrink_to_fit();
  if (!ok) dialogs_.ShowError(kVrmlCreateError);
  return ok;
}

}  // namespace tarvelin
