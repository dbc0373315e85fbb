// Tests of the results export: the JSON read back with a JSON reader, the CSV parsed back, the
// numbers round-tripping exactly, the file names accepted, and nothing written on a failure.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>

#include "file_helpers.h"
#include "files/resultsexport.h"
#include "support/numtext.h"

namespace tarvelin {
namespace {

using nlohmann::json;
using test::Chattr;
using test::ReadWhole;
using test::TempFolder;
using test::WriteWhole;

// Numbers that a fixed number of digits would not carry through: thirds, the smallest
// subnormal, the largest double, a negative zero, values near powers of ten.
const double kAwkward[] = {1.0 / 3,
                           -2.0 / 3,
                           0.1,
                           4.0e-4,
                           2.1e8,
                           5e-324,
                           DBL_MAX,
                           -0.0,
                           1e21,
                           1e-7,
                           123456789012345678.0,
                           DBL_MIN,
                           -1e-300,
                           0.30000000000000004};

CalculationResult HandFilled() {
  CalculationResult r;
  r.Valid = true;
  r.Mechanism = false;
  for (int i = 0; i < 6; ++i) {
    r.Load[i] = kAwkward[i];
    r.Displacements[i] = kAwkward[13 - i];
    r.Residual[i] = kAwkward[(i + 3) % 14] * 1e-15;
    for (int j = 0; j < 6; ++j) r.Stiffness[i][j] = kAwkward[(i * 6 + j) % 14] * (i % 2 ? -1 : 1);
  }
  r.EigenvalueRatio = 3.0e-9 / 7;
  r.CharacteristicLength = std::sqrt(2.0);
  r.RelativeResidual = 1.0 / 3e13;
  r.Warnings = {
      "The load Fy = 10 kN acts along a degree of freedom that no bar restrains; it "
      "was disregarded.",
      "Quotes \"and\", commas\r\nand lines\n\\ back\tslash \xE2\x80\xA6 end"};
  FreeMotion rotation;
  rotation.Type = FreeMotion::Kind::Rotation;
  rotation.Mode = {0, 0, 0, 0, 0, 1};
  rotation.Direction[2] = 1;
  rotation.AxisPoint[0] = 1.0 / 3;
  rotation.Text = "A rotation about the axis through (0.333, 0, 0),\ndirection (0, 0, 1).";
  FreeMotion screw;
  screw.Type = FreeMotion::Kind::Screw;
  screw.Mode = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
  screw.Pitch = -0.125;
  FreeMotion translation;
  translation.Direction[0] = -1;
  r.FreeMotions = {rotation, screw, translation};
  for (int i = 1; i <= 3; ++i) {
    BarResult b;
    b.Bar = i;
    b.BeginNode = 10 + i;
    b.EndNode = 1000000 + i;
    b.Type = i - 1;
    b.E = 2.1e8 / i;
    b.A = 4e-4 * i;
    b.Length = i == 2 ? 0 : std::sqrt(i + 0.5);  // bar 2 has coinciding nodes
    b.Stiffness = i == 2 ? 0 : b.E * b.A / b.Length;
    b.Force = -106.82524936142609 * i;
    b.Elongation = i == 2 ? 0 : b.Force / b.Stiffness;
    b.Stress = b.Force / b.A;
    r.Bars.push_back(b);
  }
  return r;
}

// Exact equality, a negative zero counting as zero.
void ExpectSame(double expected, double read, const std::string& what) {
  EXPECT_EQ(expected, read) << what;
}

void ExpectSix(const TVector6& v, const json& object, const std::vector<std::string>& names,
               const std::string& what) {
  ASSERT_TRUE(object.is_object()) << what;
  ASSERT_EQ(object.size(), 6u) << what;
  for (int i = 0; i < 6; ++i) ExpectSame(v[i], object.at(names[i]).get<double>(), what + names[i]);
}

template <typename Range>
void ExpectNumbers(const Range& values, const json& array, const std::string& what) {
  ASSERT_TRUE(array.is_array()) << what;
  ASSERT_EQ(array.size(), std::size(values)) << what;
  std::size_t i = 0;
  for (double x : values) ExpectSame(x, array[i++].get<double>(), what);
}

TEST(ResultsJson, ReadsBackExactlyWithAJsonReader) {
  const CalculationResult r = HandFilled();
  const json j = json::parse(ResultsJson(r, "models/h\xC3\xA9xapod \"1\".PEN"));

  EXPECT_EQ(j.at("format"), "tarvelin-results");
  EXPECT_EQ(j.at("version"), 1);
  EXPECT_EQ(j.at("model"), "models/h\xC3\xA9xapod \"1\".PEN");
  EXPECT_EQ(j.at("mechanism"), false);
  ExpectSix(r.Load, j.at("loads"), {"Fx", "Fy", "Fz", "Tx", "Ty", "Tz"}, "load ");
  ExpectSix(r.Displacements, j.at("displacements"), {"ux", "uy", "uz", "phix", "phiy", "phiz"},
            "displacement ");
  ASSERT_EQ(j.at("stiffness").size(), 6u);
  for (int i = 0; i < 6; ++i)
    ExpectNumbers(r.Stiffness[i], j.at("stiffness")[i], "stiffness row " + std::to_string(i));
  ExpectSame(r.EigenvalueRatio, j.at("eigenvalueRatio"), "eigenvalue ratio");
  ExpectSame(r.CharacteristicLength, j.at("characteristicLength"), "characteristic length");
  ExpectSix(r.Residual, j.at("residual").at("vector"), {"Fx", "Fy", "Fz", "Tx", "Ty", "Tz"},
            "residual ");
  ExpectSame(r.RelativeResidual, j.at("residual").at("relative"), "relative residual");
  EXPECT_EQ(j.at("warnings"), json(r.Warnings));

  const json& motions = j.at("freeMotions");
  ASSERT_EQ(motions.size(), 3u);
  const char* kinds[] = {"rotation", "screw", "translation"};
  for (std::size_t m = 0; m < 3; ++m) {
    const FreeMotion& f = r.FreeMotions[m];
    EXPECT_EQ(motions[m].at("type"), kinds[m]);
    ExpectNumbers(f.Mode, motions[m].at("mode"), "mode");
    ExpectNumbers(f.Direction, motions[m].at("direction"), "direction");
    ExpectNumbers(f.AxisPoint, motions[m].at("axisPoint"), "axis point");
    ExpectSame(f.Pitch, motions[m].at("pitch"), "pitch");
    EXPECT_EQ(motions[m].at("text"), f.Text);
  }

  const json& bars = j.at("bars");
  ASSERT_EQ(bars.size(), r.Bars.size());
  for (std::size_t i = 0; i < r.Bars.size(); ++i) {
    const BarResult& b = r.Bars[i];
    const json& o = bars[i];
    EXPECT_EQ(o.at("bar").get<int>(), b.Bar);
    EXPECT_EQ(o.at("beginNode").get<int>(), b.BeginNode);
    EXPECT_EQ(o.at("endNode").get<int>(), b.EndNode);
    EXPECT_EQ(o.at("type").get<int>(), b.Type);
    ExpectSame(b.E, o.at("E"), "E");
    ExpectSame(b.A, o.at("A"), "A");
    ExpectSame(b.Length, o.at("length"), "length");
    ExpectSame(b.Stiffness, o.at("axialStiffness"), "EA/L");
    ExpectSame(b.Force, o.at("force"), "force");
    ExpectSame(b.Elongation, o.at("elongation"), "elongation");
    ExpectSame(b.Stress, o.at("stress"), "stress");
    EXPECT_EQ(o.size(), 11u);
  }
}

TEST(ResultsJson, EmptyListsAndAMechanism) {
  CalculationResult r;
  r.Valid = true;
  r.Mechanism = true;
  const json j = json::parse(ResultsJson(r, ""));
  EXPECT_EQ(j.at("mechanism"), true);
  EXPECT_EQ(j.at("model"), "");
  for (const char* list : {"warnings", "freeMotions", "bars"}) {
    EXPECT_TRUE(j.at(list).is_array()) << list;
    EXPECT_TRUE(j.at(list).empty()) << list;
  }
}

TEST(ResultsJson, NumbersThatJsonCannotHoldBecomeNull) {
  CalculationResult r = HandFilled();
  r.RelativeResidual = std::numeric_limits<double>::infinity();
  r.EigenvalueRatio = std::nan("");
  r.Bars[0].Stress = -std::numeric_limits<double>::infinity();
  const json j = json::parse(ResultsJson(r, "m.PEN"));
  EXPECT_TRUE(j.at("residual").at("relative").is_null());
  EXPECT_TRUE(j.at("eigenvalueRatio").is_null());
  EXPECT_TRUE(j.at("bars")[0].at("stress").is_null());
}

TEST(ResultsJson, BytesThatAreNotUtf8DoNotBreakTheFile) {
  CalculationResult r;
  r.Valid = true;
  r.Warnings = {"bar \xE9t\xE9"};  // Latin-1 text
  const json j = json::parse(ResultsJson(r, "caf\xE9.PEN"));
  EXPECT_EQ(j.at("warnings")[0], "bar \xEF\xBF\xBDt\xEF\xBF\xBD");
  EXPECT_EQ(j.at("model"), "caf\xEF\xBF\xBD.PEN");
}

// Every member name the export writes is described (in backticks) in docs/results-json.md.
void CollectNames(const json& value, std::set<std::string>& names) {
  if (value.is_object()) {
    for (const auto& [key, member] : value.items()) {
      names.insert(key);
      CollectNames(member, names);
    }
  } else if (value.is_array()) {
    for (const json& element : value) CollectNames(element, names);
  }
}

TEST(ResultsJson, EveryFieldIsDocumented) {
  const std::string docs = ReadWhole(TARVELIN_RESULTS_DOC);
  ASSERT_FALSE(docs.empty()) << TARVELIN_RESULTS_DOC;
  std::set<std::string> names;
  CollectNames(json::parse(ResultsJson(HandFilled(), "m.PEN")), names);
  EXPECT_GE(names.size(), 30u);
  for (const std::string& name : names)
    EXPECT_NE(docs.find("`" + name + "`"), std::string::npos) << name << " is not documented";
}

// ---------------------------------------------------------------------------------------------
// CSV

// RFC 4180 records: fields separated by commas, records by CRLF, quoted fields with doubled
// quotes and any character inside. A bare LF outside quotes is a fault of the writer.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      EXPECT_TRUE(field.empty()) << "quote inside an unquoted field";
      quoted = true;
    } else if (c == ',') {
      row.push_back(field);
      field.clear();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      row.push_back(field);
      field.clear();
      rows.push_back(row);
      row.clear();
      ++i;
    } else {
      EXPECT_NE(c, '\n') << "bare line feed at " << i;
      field += c;
    }
  }
  EXPECT_FALSE(quoted) << "unterminated quote";
  EXPECT_TRUE(field.empty() && row.empty()) << "last record without CRLF";
  return rows;
}

double Number(const std::string& text) {
  char* end = nullptr;
  const double x = std::strtod(text.c_str(), &end);
  EXPECT_TRUE(!text.empty() && *end == '\0') << "'" << text << "' is not a number";
  return x;
}

template <typename Range>
void ExpectRow(const std::vector<std::string>& row, const std::string& label, const Range& values) {
  ASSERT_EQ(row.size(), std::size(values) + 1) << label;
  EXPECT_EQ(row[0], label);
  std::size_t i = 1;
  for (double x : values) EXPECT_EQ(Number(row[i++]), x) << label;
}

TEST(ResultsCsv, ParsesBackIntoTheLeadingBlockAndTheBarTable) {
  const CalculationResult r = HandFilled();
  const auto rows = ParseCsv(ResultsCsv(r, "a,b \"c\".PEN"));

  // The leading block ends at the one empty record; the bar table follows it.
  std::size_t blank = 0;
  while (blank < rows.size() && !(rows[blank].size() == 1 && rows[blank][0].empty())) ++blank;
  ASSERT_LT(blank, rows.size());
  std::vector<std::vector<std::string>> block(rows.begin(), rows.begin() + blank);
  std::vector<std::vector<std::string>> table(rows.begin() + blank + 1, rows.end());

  EXPECT_EQ(block.at(0), (std::vector<std::string>{"model", "a,b \"c\".PEN"}));
  EXPECT_EQ(block.at(1), (std::vector<std::string>{"quantity", "x", "y", "z", "rx", "ry", "rz"}));
  ExpectRow(block.at(2), "load (kN; kNm)", r.Load);
  ExpectRow(block.at(3), "displacement (m; rad)", r.Displacements);
  ExpectRow(block.at(4), "residual (kN; kNm)", r.Residual);
  for (int i = 0; i < 6; ++i)
    ExpectRow(block.at(5 + i), "stiffness row " + std::to_string(i + 1), r.Stiffness[i]);
  ExpectRow(block.at(11), "relative residual", std::vector<double>{r.RelativeResidual});
  ExpectRow(block.at(12), "eigenvalue ratio", std::vector<double>{r.EigenvalueRatio});
  ExpectRow(block.at(13), "characteristic length (m)", std::vector<double>{r.CharacteristicLength});
  EXPECT_EQ(block.at(14), (std::vector<std::string>{"mechanism", "no"}));
  std::size_t at = 15;
  const char* kinds[] = {"rotation", "screw", "translation"};
  for (std::size_t m = 0; m < r.FreeMotions.size(); ++m) {
    const FreeMotion& f = r.FreeMotions[m];
    const std::string name = "free motion " + std::to_string(m + 1);
    EXPECT_EQ(block.at(at++), (std::vector<std::string>{name, kinds[m], f.Text}));
    ExpectRow(block.at(at++), name + " mode", f.Mode);
    ExpectRow(block.at(at++), name + " direction", f.Direction);
    ExpectRow(block.at(at++), name + " axis point (m)", f.AxisPoint);
    ExpectRow(block.at(at++), name + " pitch (m/rad)", std::vector<double>{f.Pitch});
  }
  for (const std::string& w : r.Warnings)
    EXPECT_EQ(block.at(at++), (std::vector<std::string>{"warning", w}));
  EXPECT_EQ(at, block.size());

  ASSERT_EQ(table.size(), r.Bars.size() + 1);
  EXPECT_EQ(table[0], (std::vector<std::string>{"bar", "begin node", "end node", "type",
                                                "E (kN/m2)", "A (m2)", "length (m)", "EA/L (kN/m)",
                                                "force (kN)", "elongation (m)", "stress (kN/m2)"}));
  for (std::size_t i = 0; i < r.Bars.size(); ++i) {
    const BarResult& b = r.Bars[i];
    const auto& row = table[i + 1];
    ASSERT_EQ(row.size(), 11u);
    EXPECT_EQ(row[0], std::to_string(b.Bar));
    EXPECT_EQ(row[1], std::to_string(b.BeginNode));
    EXPECT_EQ(row[2], std::to_string(b.EndNode));
    EXPECT_EQ(row[3], std::to_string(b.Type));
    const double values[] = {b.E, b.A, b.Length, b.Stiffness, b.Force, b.Elongation, b.Stress};
    for (int k = 0; k < 7; ++k) EXPECT_EQ(Number(row[4 + k]), values[k]) << "bar " << b.Bar;
  }
}

TEST(ResultsCsv, WithoutBarsTheTableIsTheHeaderRowAlone) {
  CalculationResult r;
  r.Valid = true;
  const auto rows = ParseCsv(ResultsCsv(r, "m.PEN"));
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows[rows.size() - 2], std::vector<std::string>{""});
  EXPECT_EQ(rows.back().at(0), "bar");
}

// ---------------------------------------------------------------------------------------------
// Numbers and names

TEST(ShortestNumber, IsTheShortestTextThatReadsBackExactly) {
  const struct {
    double value;
    const char* text;
  } rows[] = {
      {0.0, "0"},         {-0.0, "0"},
      {1.0, "1"},         {-2.5, "-2.5"},
      {0.1, "0.1"},       {2.1e8, "2.1e+08"},
      {4e-4, "4e-04"},    {1e21, "1e+21"},
      {5e-324, "5e-324"}, {0.30000000000000004, "0.30000000000000004"},
  };
  for (const auto& row : rows) EXPECT_EQ(ShortestNumber(row.value), row.text) << row.value;
  for (double x : kAwkward) {
    const std::string text = ShortestNumber(x);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), x) << text;
    char longest[64];
    std::snprintf(longest, sizeof longest, "%.17g", x);
    EXPECT_LE(text.size(), std::string(longest).size()) << text;
  }
  EXPECT_EQ(ShortestNumber(std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(ShortestNumber(-std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(ShortestNumber(std::nan("")), "null");
}

TEST(ResultsFormatOf, TakesTheExtensionInAnyLetterCase) {
  const struct {
    const char* name;
    ResultsFormat format;
  } rows[] = {
      {"r.json", ResultsFormat::Json},        {"R.JSON", ResultsFormat::Json},
      {"dir/r.Json", ResultsFormat::Json},    {"r.csv", ResultsFormat::Csv},
      {"/a.b/r.CsV", ResultsFormat::Csv},     {".json", ResultsFormat::Json},
      {"r.json.txt", ResultsFormat::Unknown}, {"r.jsonl", ResultsFormat::Unknown},
      {"r.PEN", ResultsFormat::Unknown},      {"r", ResultsFormat::Unknown},
      {"r.", ResultsFormat::Unknown},         {"a.json/r", ResultsFormat::Unknown},
      {"", ResultsFormat::Unknown},           {"r.cs", ResultsFormat::Unknown},
  };
  for (const auto& row : rows) EXPECT_EQ(ResultsFormatOf(row.name), row.format) << row.name;
}

// ---------------------------------------------------------------------------------------------
// Writing the file

class ExportFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder.Valid()); }

  // Exports and expects the message, with the folder as it was.
  void ExpectRefused(const CalculationResult& r, const std::string& path,
                     const std::string& message) {
    const auto before = folder.Names();
    const std::string old = ReadWhole(path);
    try {
      ExportResults(r, "m.PEN", path);
      ADD_FAILURE() << "exporting to " << path << " succeeded";
    } catch (const UserError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
    EXPECT_EQ(folder.Names(), before);
    EXPECT_EQ(ReadWhole(path), old);
  }

  TempFolder folder;
};

TEST_F(ExportFile, TheExtensionChoosesTheFormat) {
  const CalculationResult r = HandFilled();
  ExportResults(r, "m.PEN", folder.Path("r.JSON"));
  ExportResults(r, "m.PEN", folder.Path("r.Csv"));
  EXPECT_EQ(ReadWhole(folder.Path("r.JSON")), ResultsJson(r, "m.PEN"));
  EXPECT_EQ(ReadWhole(folder.Path("r.Csv")), ResultsCsv(r, "m.PEN"));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"r.Csv", "r.JSON"}));
}

TEST_F(ExportFile, RefusedWithoutWritingAnything) {
  const CalculationResult good = HandFilled();
  WriteWhole(folder.Path("old.json"), "old content");
  ExpectRefused(good, folder.Path("r.txt"),
                "Results can only be exported to a .json or a .csv file: " + folder.Path("r.txt"));
  CalculationResult stale = good;
  stale.Valid = false;
  ExpectRefused(stale, folder.Path("old.json"),
                "There are no valid results to export; calculate first.");
  ExpectRefused(good, folder.Path("missing/r.csv"),
                "Unable to write to " + folder.Path("missing/r.csv"));
}

TEST_F(ExportFile, UnwritableFolderKeepsTheOldFileWhole) {
  WriteWhole(folder.Path("r.json"), "old content");
  if (!Chattr("+i", folder.Path(""))) GTEST_SKIP() << "chattr +i is not supported here";
  ExpectRefused(HandFilled(), folder.Path("r.json"), "Unable to write to " + folder.Path("r.json"));
  ExpectRefused(HandFilled(), folder.Path("new.csv"),
                "Unable to write to " + folder.Path("new.csv"));
  Chattr("-i", folder.Path(""));
  EXPECT_EQ(ReadWhole(folder.Path("r.json")), "old content");
}

}  // namespace
}  // namespace tarvelin
