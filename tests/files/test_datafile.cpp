// Tests of the .PEN data file: written bytes, round trips, reading rules and failures.
#include "files/datafile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "file_helpers.h"
#include "files/profilefile.h"
#include "support/numtext.h"

namespace tarvelin {
namespace {

using test::DataPath;
using test::ReadWhole;
using test::TempFolder;
using test::WriteWhole;

ModelStore NewStore(int gridLength = kDefaultGridLength) {
  ModelStore store;
  store.GridLength = gridLength;
  InitTables(store);
  return store;
}

void SetNode(ModelStore& s, int row, const std::string& x, const std::string& y,
             const std::string& z) {
  s.CoordGrid.SetCell(1, row, x);
  s.CoordGrid.SetCell(2, row, y);
  s.CoordGrid.SetCell(3, row, z);
}

void SetBar(ModelStore& s, int row, const std::string& begin, const std::string& end,
            const std::string& type) {
  s.EleGrid.SetCell(1, row, begin);
  s.EleGrid.SetCell(2, row, end);
  s.EleGrid.SetCell(3, row, type);
}

void SetType(ModelStore& s, int type, const std::string& e, const std::string& a) {
  s.PropGrid.SetCell(1, type + 1, e);
  s.PropGrid.SetCell(2, type + 1, a);
}

// The two-node model of the manual: a load of -100 kN along z and one bar.
ModelStore TwoNodeModel(const std::string& typeCell) {
  ModelStore s = NewStore();
  s.NumberEdit(6).SetRealValue(-100);
  s.NumberEdit(10).SetRealValue(210000000);
  s.NumberEdit(11).SetRealValue(0.001);
  SetNode(s, 1, "0", "0", "1");
  SetNode(s, 2, "0", "0", "3");
  SetBar(s, 1, "1", "2", typeCell);
  return s;
}

// The section headers of a file, in order.
std::vector<std::string> Headers(const std::string& text) {
  std::vector<std::string> headers;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    if (!line.empty() && line[0] == '[') headers.push_back(line.substr(0, line.find(']') + 1));
  return headers;
}

// The entry lines of one section of a file, line ends removed.
std::vector<std::string> SectionLines(const std::string& text, const std::string& header) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') {
      inside = line == header;
      continue;
    }
    if (inside && !line.empty()) lines.push_back(line);
  }
  return lines;
}

std::string WriteToText(ModelStore& store, const TempFolder& folder, const std::string& name) {
  std::string path = folder.Path(name);
  WriteDataFile(store, path, folder.Dir());
  return ReadWhole(path);
}

class DataFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder.Valid()); }
  // Writes content to a file in the folder and reads it into a fresh store.
  ModelStore ReadText(const std::string& content, int gridLength = kDefaultGridLength) {
    std::string path = folder.Path("in.PEN");
    WriteWhole(path, content);
    ModelStore store = NewStore(gridLength);
    EXPECT_EQ(ReadDataFile(store, path), ReadResult::Read);
    return store;
  }
  TempFolder folder;
};

// ---------------------------------------------------------------------------------------------
// Writing

TEST_F(DataFile, TwoNodeExampleByteForByte) {
  ModelStore untyped = TwoNodeModel("");
  EXPECT_EQ(WriteToText(untyped, folder, "a.PEN"), ReadWhole(DataPath("files/two_node.PEN")));
  ModelStore typed = TwoNodeModel("0");
  EXPECT_EQ(WriteToText(typed, folder, "b.PEN"), ReadWhole(DataPath("files/two_node_typed.PEN")));
}

TEST_F(DataFile, EmptyNameBecomesDataPenInTheDefaultFolder) {
  ModelStore store = TwoNodeModel("");
  std::string name;
  WriteDataFile(store, name, folder.Dir());
  EXPECT_EQ(name, folder.Path("data.PEN"));
  EXPECT_EQ(ReadWhole(name), ReadWhole(DataPath("files/two_node.PEN")));
}

TEST_F(DataFile, SectionOrderAfterACalculation) {
  ModelStore store = TwoNodeModel("");
  SetType(store, 1, "1e8", "0.002");
  store.StringGrid3.SetCell(1, 1, "-100.0000");
  store.NumberEdit(14).SetRealValue(-0.0004);
  std::string text = WriteToText(store, folder, "calc.PEN");
  std::vector<std::string> expected{"[loads]",        "[properties]",    "[coordinates]",
                                    "[elements]",     "[barproperties]", "[elementforces]",
                                    "[displacements]"};
  EXPECT_EQ(Headers(text), expected);
  EXPECT_EQ(SectionLines(text, "[elementforces]"), std::vector<std::string>{"1=-100.0000"});
  EXPECT_EQ(SectionLines(text, "[displacements]")[2], "uz=-0.000");
}

TEST_F(DataFile, CellsAreWrittenAsCleaned) {
  ModelStore store = NewStore();
  SetNode(store, 1, "2,5", " 1 000 ", "1e3");
  SetNode(store, 2, "1", "2", "");     // incomplete: no entry
  SetNode(store, 3, "abc", "0", "0");  // fails the cleaning: no entry
  SetNode(store, 4, "12345.6789", "-2.5", "1234567.891");
  SetBar(store, 1, " 3 ", "4", "");     // two fields
  SetBar(store, 2, "1", "2", "x");      // failing type: two fields
  SetBar(store, 3, "5", "", "1");       // incomplete: no entry
  SetBar(store, 4, "1,0", "2", " 1 ");  // cleaned texts, not reformatted
  SetType(store, 1, "200000000", "");   // A empty: no entry
  SetType(store, 2, "2,1E8", "0.003");
  SetType(store, 3, "x", "1");  // fails the cleaning
  store.StringGrid3.SetCell(1, 2, " 12,5 ");
  store.StringGrid3.SetCell(1, 3, "n/a");
  std::string text = WriteToText(store, folder, "clean.PEN");
  EXPECT_EQ(
      SectionLines(text, "[coordinates]"),
      (std::vector<std::string>{"1=2.500@1000.000@1000.000", "4=12345.679@-2.500@1234567.900"}));
  EXPECT_EQ(SectionLines(text, "[elements]"),
            (std::vector<std::string>{"1=3@4", "2=1@2", "4=1.0@2@1"}));
  EXPECT_EQ(SectionLines(text, "[barproperties]"), std::vector<std::string>{"2=2.1E8@0.003"});
  EXPECT_EQ(SectionLines(text, "[elementforces]"), std::vector<std::string>{"2=12.5"});
}

TEST_F(DataFile, EmptyModelRemovesOldTableSections) {
  std::string path = folder.Path("old.PEN");
  WriteWhole(path,
             "[coordinates]\r\n1=1@2@3\r\n[elements]\r\n1=1@2\r\n[barproperties]\r\n1=1@2\r\n"
             "[elementforces]\r\n1=5.0000\r\n");
  ModelStore store = NewStore();
  WriteDataFile(store, path, folder.Dir());
  EXPECT_EQ(Headers(ReadWhole(path)),
            (std::vector<std::string>{"[loads]", "[properties]", "[displacements]"}));
}

TEST_F(DataFile, HandWrittenSectionsSurvive) {
  std::string path = folder.Path("notes.PEN");
  WriteWhole(path, ReadWhole(DataPath("files/notes.PEN")));
  ModelStore store = TwoNodeModel("");
  WriteDataFile(store, path, folder.Dir());
  std::string expected =
      "; written by hand\r\n[notes]\r\nauthor=somebody\r\nremark = keep me \r\n\r\n"
      "[Extra]\r\nx=1\r\n; a comment inside\r\n\r\n" +
      ReadWhole(DataPath("files/two_node.PEN"));
  EXPECT_EQ(ReadWhole(path), expected);
}

TEST_F(DataFile, DuplicatedSectionsLeaveNoStaleCopy) {
  ModelStore store =
      ReadText("[coordinates]\r\n1=1@1@1\r\n[coordinates]\r\n1=9@9@9\r\n2=2@2@2\r\n");
  EXPECT_EQ(store.CoordGrid.Cell(1, 1), "1");
  EXPECT_EQ(store.CoordGrid.Cell(1, 2), "");
  std::string text = WriteToText(store, folder, "in.PEN");
  EXPECT_EQ(SectionLines(text, "[coordinates]"), std::vector<std::string>{"1=1.000@1.000@1.000"});
}

TEST_F(DataFile, RoundTripGivesIdenticalBytes) {
  ModelStore store = NewStore();
  const double loads[6] = {1.2345, -7, 0.0005, 123456789.5, -0.1, 42};
  for (int i = 0; i < 6; ++i) store.NumberEdit(4 + i).SetRealValue(loads[i]);
  store.NumberEdit(10).SetRealValue(0.123456789);
  store.NumberEdit(11).SetRealValue(0.00001);
  SetNode(store, 1, "1,5", " 2 ", "-0.0006");
  SetNode(store, 3, "1e3", "1234567", "0.0005");
  SetNode(store, 100, "100", "-100", "0");
  SetBar(store, 1, "1", "3", "");
  SetBar(store, 2, " 3 ", "100", "2");
  SetBar(store, 100, "1", "100", "100");
  SetType(store, 2, "210000000", "0,003");
  SetType(store, 100, "1", "1");
  store.StringGrid3.SetCell(1, 1, "-100.0000");
  std::string first = WriteToText(store, folder, "rt.PEN");

  ModelStore back = ReadText(first);
  std::string path = folder.Path("rt2.PEN");
  WriteDataFile(back, path, folder.Dir());
  std::string second = ReadWhole(path);
  // Results are not read back, and a bar without type reads back as type 0.
  ProfileFile expected = ProfileFile::Parse(first);
  expected.Write("elements", "1", "1@3@0");
  expected.EraseSection("elementforces");
  expected.EraseSection("displacements");
  for (const char* key : {"ux", "uy", "uz", "phix", "phiy", "phiz"})
    expected.Write("displacements", key, "0.000");
  EXPECT_EQ(second, expected.Text());

  ModelStore again = ReadText(second);
  std::string third = WriteToText(again, folder, "rt3.PEN");
  EXPECT_EQ(third, second);
  EXPECT_EQ(back.CoordGrid.Cell(1, 1), "1.500");
  EXPECT_EQ(back.CoordGrid.Cell(2, 3), "1234567.000");
  EXPECT_EQ(back.EleGrid.Cell(3, 1), "0");
  EXPECT_EQ(back.PropGrid.Cell(2, 3), "0.003");
  EXPECT_EQ(back.PropGrid.Cell(1, 1), "0.12345679");
}

// ---------------------------------------------------------------------------------------------
// Reading

TEST_F(DataFile, MissingFileChangesNothing) {
  ModelStore store = TwoNodeModel("");
  EXPECT_EQ(ReadDataFile(store, folder.Path("none.PEN")), ReadResult::NoFile);
  EXPECT_EQ(ReadDataFile(store, folder.Dir()), ReadResult::NoFile);
  EXPECT_EQ(ReadDataFile(store, ""), ReadResult::NoFile);
  EXPECT_EQ(store.CoordGrid.Cell(3, 2), "3");
  EXPECT_EQ(store.NumberEdit(6).RealValue(), -100);
  EXPECT_EQ(store.FileNameLabel, "file=");
  EXPECT_EQ(store.Caption, "Tarvelin on bars");
}

TEST_F(DataFile, FileWithoutSectionsEmptiesTheModel) {
  std::string path = folder.Path("empty.PEN");
  WriteWhole(path, "[other]\r\nx=1\r\n");
  ModelStore store = TwoNodeModel("0");
  SetType(store, 5, "1", "2");
  store.StringGrid3.SetCell(1, 1, "5.0000");
  store.NumberEdit(12).SetRealValue(0.5);
  store.GroupBox4Visible = store.StringGrid3Visible = store.Label38Visible = true;
  store.Memo1Visible = true;
  store.CheckBox1 = true;
  store.CheckBox2 = false;
  ASSERT_EQ(ReadDataFile(store, path), ReadResult::Read);
  for (int n = 4; n <= 17; ++n) EXPECT_EQ(store.NumberEdit(n).RealValue(), 0) << n;
  EXPECT_EQ(store.PropGrid.Cell(1, 1), "0");
  EXPECT_EQ(store.PropGrid.Cell(2, 1), "0");
  for (const TextGrid* grid : {&store.CoordGrid, &store.EleGrid, &store.StringGrid3})
    for (int r = 1; r < grid->RowCount(); ++r)
      for (int c = 1; c < grid->ColCount(); ++c) ASSERT_EQ(grid->Cell(c, r), "");
  EXPECT_EQ(store.PropGrid.Cell(1, 6), "");
  EXPECT_EQ(store.CoordGrid.Cell(0, 1), "1");
  EXPECT_EQ(store.PropGrid.Cell(0, 1), "0");
  EXPECT_FALSE(store.GroupBox4Visible || store.StringGrid3Visible || store.Label38Visible ||
               store.Memo1Visible || store.CheckBox1);
  EXPECT_TRUE(store.CheckBox2);
  EXPECT_EQ(store.PathNameLabel, "path=" + folder.Dir());
  EXPECT_EQ(store.FileNameLabel, "file=empty.PEN");
  EXPECT_EQ(store.Caption, "Tarvelin on bars : file=empty.PEN");
}

TEST_F(DataFile, ReadsTheTwoNodeExample) {
  ModelStore store = ReadText(ReadWhole(DataPath("files/two_node.PEN")));
  EXPECT_EQ(store.NumberEdit(6).RealValue(), -100);
  EXPECT_EQ(store.NumberEdit(10).RealValue(), 210000000);
  EXPECT_EQ(store.NumberEdit(11).RealValue(), 0.001);
  EXPECT_EQ(store.PropGrid.Cell(1, 1), "210000000");
  EXPECT_EQ(store.PropGrid.Cell(2, 1), "0.001");
  EXPECT_EQ(store.CoordGrid.Cell(3, 2), "3.000");
  EXPECT_EQ(store.EleGrid.Cell(1, 1), "1");
  EXPECT_EQ(store.EleGrid.Cell(2, 1), "2");
  EXPECT_EQ(store.EleGrid.Cell(3, 1), "0");
}

TEST_F(DataFile, NamesInAnyLetterCase) {
  ModelStore store = ReadText(
      "[Loads]\r\nFX=3\r\nfz=-1\r\n[PROPERTIES]\r\ne=5\r\n[Coordinates]\r\n1=1@2@3\r\n"
      "[ELEMENTS]\r\n1=1@1\r\n[BarProperties]\r\n1=7@8\r\n");
  EXPECT_EQ(store.NumberEdit(4).RealValue(), 3);
  EXPECT_EQ(store.NumberEdit(6).RealValue(), -1);
  EXPECT_EQ(store.NumberEdit(10).RealValue(), 5);
  EXPECT_EQ(store.CoordGrid.Cell(3, 1), "3");
  EXPECT_EQ(store.EleGrid.Cell(3, 1), "0");
  EXPECT_EQ(store.PropGrid.Cell(2, 2), "8");
}

TEST_F(DataFile, FieldsAreTakenAsSplit) {
  ModelStore store = ReadText(
      "[coordinates]\r\n1=  1,5@ 2 @x  \r\n3=1@2@3\r\n7=7@7@7\r\n[elements]\r\n2=a@@c\r\n");
  EXPECT_EQ(store.CoordGrid.Cell(1, 1), "1,5");
  EXPECT_EQ(store.CoordGrid.Cell(2, 1), " 2 ");
  EXPECT_EQ(store.CoordGrid.Cell(3, 1), "x");
  EXPECT_EQ(store.CoordGrid.Cell(1, 2), "");
  EXPECT_EQ(store.CoordGrid.Cell(1, 3), "1");
  EXPECT_EQ(store.CoordGrid.Cell(1, 6), "");
  EXPECT_EQ(store.CoordGrid.Cell(1, 7), "7");
  EXPECT_EQ(store.EleGrid.Cell(2, 2), "");
  EXPECT_EQ(store.EleGrid.Cell(3, 2), "c");
}

TEST_F(DataFile, ResultsInTheFileAreIgnored) {
  ModelStore store =
      ReadText("[displacements]\r\nux=1.000\r\nphiz=2.000\r\n[elementforces]\r\n1=-100.0000\r\n");
  EXPECT_EQ(store.NumberEdit(12).RealValue(), 0);
  EXPECT_EQ(store.NumberEdit(17).RealValue(), 0);
  EXPECT_EQ(store.StringGrid3.Cell(1, 1), "");
}

TEST_F(DataFile, TypeZeroRowAndFieldsTakeTheEightDigitRoundTrip) {
  ModelStore store = ReadText(
      "[properties]\r\nE=0.123456789\r\nA=0.00001\r\n[loads]\r\n"
      "Fx=123456789\r\n[barproperties]\r\n0=1@2\r\n");
  EXPECT_DOUBLE_EQ(store.NumberEdit(10).RealValue(), 0.12345679);
  EXPECT_EQ(store.PropGrid.Cell(1, 1), "0.12345679");
  EXPECT_EQ(store.PropGrid.Cell(2, 1), "1E-5");
  EXPECT_EQ(store.NumberEdit(4).RealValue(), 123456790);
}

struct MalformedCase {
  const char* Name;
  std::string Entries;  // lines added to a file whose row 1 of each table is valid
  int Table;            // 0 nodes, 1 bars, 2 types (PropGrid row)
  int Row;
  std::vector<std::string> Cells;  // columns 1.. of that row afterwards
};

std::ostream& operator<<(std::ostream& out, const MalformedCase& c) {
  return out << c.Name;
}

class MalformedEntry : public DataFile, public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedEntry, IsIgnoredAlone) {
  const MalformedCase& c = GetParam();
  ModelStore store =
      ReadText("[coordinates]\r\n1=1@1@1\r\n" + std::string(c.Table == 0 ? c.Entries : "") +
               "[elements]\r\n1=1@1@1\r\n" + (c.Table == 1 ? c.Entries : "") +
               "[barproperties]\r\n1=1@1\r\n" + (c.Table == 2 ? c.Entries : ""));
  EXPECT_EQ(store.CoordGrid.Cell(1, 1), "1");
  EXPECT_EQ(store.EleGrid.Cell(1, 1), "1");
  EXPECT_EQ(store.PropGrid.Cell(1, 2), "1");
  const TextGrid& grid = c.Table == 0   ? store.CoordGrid
                         : c.Table == 1 ? store.EleGrid
                                        : store.PropGrid;
  for (std::size_t i = 0; i < c.Cells.size(); ++i)
    EXPECT_EQ(grid.Cell(static_cast<int>(i) + 1, c.Row), c.Cells[i]) << "column " << i + 1;
  EXPECT_EQ(store.GridLength, kDefaultGridLength);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, MalformedEntry,
    ::testing::Values(
        MalformedCase{"node_two_fields", "2=1@2\r\n", 0, 2, {"", "", ""}},
        MalformedCase{"node_four_fields", "2=1@2@3@4\r\n", 0, 2, {"", "", ""}},
        MalformedCase{"node_no_separator", "2=123\r\n", 0, 2, {"", "", ""}},
        MalformedCase{"node_empty", "2=\r\n", 0, 2, {"", "", ""}},
        MalformedCase{"node_leading_zero", "02=1@2@3\r\n", 0, 2, {"", "", ""}},
        MalformedCase{"node_plus_sign", "+2=1@2@3\r\n", 0, 2, {"", "", ""}},
        MalformedCase{"node_letters", "2a=1@2@3\r\n", 0, 2, {"", "", ""}},
        MalformedCase{"node_zero", "0=1@2@3\r\n", 0, 0, {"X [m]", "Y [m]", "Z [m]"}},
        MalformedCase{"node_beyond_with_bad_value", "99999999=1@2\r\n", 0, 2, {"", "", ""}},
        MalformedCase{"node_key_blanks_trimmed", " 2 =4@5@6\r\n", 0, 2, {"4", "5", "6"}},
        MalformedCase{"node_no_equals", "2\r\n", 0, 2, {"", "", ""}},
        MalformedCase{"bar_four_fields", "2=1@2@0@4\r\n", 1, 2, {"", "", ""}},
        MalformedCase{"bar_one_field", "2=1\r\n", 1, 2, {"", "", ""}},
        MalformedCase{"bar_two_fields_type_zero", "2=1@2\r\n", 1, 2, {"1", "2", "0"}},
        MalformedCase{"type_three_fields", "2=1@2@3\r\n", 2, 3, {"", ""}},
        MalformedCase{"type_zero_not_read", "0=5@6\r\n", 2, 1, {"0", "0"}},
        MalformedCase{"type_one_field", "2=5\r\n", 2, 3, {"", ""}}),
    [](const ::testing::TestParamInfo<MalformedCase>& info) {
      return std::string(info.param.Name);
    });

TEST_F(DataFile, LoadThatDoesNotConvertStopsTheReading) {
  struct Case {
    std::string Content;
    std::string Message;
  };
  const Case cases[] = {
      {"[loads]\r\nFx=2\r\nFy=1,5\r\n", "'1,5' is not a valid floating point value"},
      {"[loads]\r\nFx=2\r\nFy=\r\n", "'' is not a valid floating point value"},
      {"[loads]\r\nFx=2\r\n[properties]\r\nE=abc\r\n", "'abc' is not a valid floating point value"},
      {"[loads]\r\nFx=2\r\n[properties]\r\nA=1e999\r\n",
       "'1e999' is not a valid floating point value"}};
  for (const Case& c : cases) {
    std::string path = folder.Path("bad.PEN");
    WriteWhole(path, c.Content);
    ModelStore store = TwoNodeModel("");
    try {
      ReadDataFile(store, path);
      ADD_FAILURE() << "no error for " << c.Content;
    } catch (const UserError& e) {
      EXPECT_EQ(std::string(e.what()), c.Message);
    }
    EXPECT_EQ(store.NumberEdit(4).RealValue(), 2);
    EXPECT_EQ(store.CoordGrid.Cell(3, 2), "3");  // the tables were not emptied yet
    EXPECT_EQ(store.FileNameLabel, "file=bad.PEN");
  }
}

// ---------------------------------------------------------------------------------------------
// Table growth

TEST_F(DataFile, GrowsTheTablesToTheLargestKey) {
  std::string text = ReadWhole(DataPath("files/nodes150.PEN"));
  ModelStore store = ReadText(text);
  EXPECT_EQ(store.GridLength, 151);
  EXPECT_EQ(store.CoordGrid.RowCount(), 151);
  EXPECT_EQ(store.PropGrid.RowCount(), 152);
  EXPECT_EQ(store.StringGrid3.RowCount(), 151);
  EXPECT_EQ(store.CoordGrid.Cell(0, 150), "150");
  EXPECT_EQ(store.PropGrid.Cell(0, 151), "150");
  EXPECT_EQ(store.CoordGrid.Cell(1, 150), "150.000");
  EXPECT_EQ(store.EleGrid.Cell(2, 150), "1");
  EXPECT_EQ(store.PropGrid.Cell(1, 121), "200000120");

  // Nothing is lost when the model goes back to a file.
  std::string written = WriteToText(store, folder, "in.PEN");
  for (const char* header : {"[coordinates]", "[elements]", "[barproperties]"})
    EXPECT_EQ(SectionLines(written, header), SectionLines(text, header)) << header;
}

TEST_F(DataFile, GrowsForEachTableAndNeverShrinks) {
  EXPECT_EQ(ReadText("[elements]\r\n300=1@2\r\n").GridLength, 301);
  EXPECT_EQ(ReadText("[barproperties]\r\n4999=1@2\r\n").GridLength, 5000);
  ModelStore big = ReadText("[coordinates]\r\n3=1@2@3\r\n", 400);
  EXPECT_EQ(big.GridLength, 400);
  EXPECT_EQ(big.CoordGrid.RowCount(), 400);
}

TEST_F(DataFile, GrowsToTheLargestTableLength) {
  ModelStore store = ReadText("[coordinates]\r\n1000000=1@2@3\r\n");
  EXPECT_EQ(store.GridLength, kMaxGridLength);
  EXPECT_EQ(store.CoordGrid.Cell(3, 1000000), "3");
  EXPECT_EQ(store.StringGrid3.Cell(0, 1000000), "1000000");
}

TEST_F(DataFile, FileNeedingTooManyRowsIsRefusedBeforeAnyChange) {
  const std::string entries[] = {"[coordinates]\r\n99999999=1@2@3\r\n",
                                 "[elements]\r\n1000001=1@2\r\n",
                                 "[barproperties]\r\n123456789012345678901234567890=1@2\r\n"};
  for (const std::string& entry : entries) {
    std::string path = folder.Path("huge.PEN");
    WriteWhole(path, "[loads]\r\nFx=5\r\n" + entry);
    ModelStore store = TwoNodeModel("");
    try {
      ReadDataFile(store, path);
      ADD_FAILURE() << "no error for " << entry;
    } catch (const UserError& e) {
      std::string message = e.what();
      EXPECT_EQ(message.rfind("Unable to read " + path, 0), 0u) << message;
      EXPECT_NE(message.find("1000000 rows"), std::string::npos) << message;
    }
    EXPECT_EQ(store.GridLength, kDefaultGridLength);
    EXPECT_EQ(store.NumberEdit(4).RealValue(), 0);
    EXPECT_EQ(store.CoordGrid.Cell(3, 2), "3");
    EXPECT_EQ(store.Caption, "Tarvelin on bars");
  }
}

// ---------------------------------------------------------------------------------------------
// Numbers the calculation accepts but the character test refuses

TEST_F(DataFile, SignedExponentsSurviveASave) {
  ModelStore store = TwoNodeModel("0");
  SetNode(store, 3, "2.5E-3", "1E-5", "-1e+2");
  SetType(store, 1, "210000000", "1e-3");
  SetBar(store, 2, "1", "3", "1e0");
  store.StringGrid3.SetCell(1, 1, "1E-5");
  std::string text = WriteToText(store, folder, "exp.PEN");
  EXPECT_EQ(SectionLines(text, "[coordinates]")[2], "3=0.003@0.000@-100.000");
  EXPECT_EQ(SectionLines(text, "[barproperties]"), std::vector<std::string>{"1=210000000@1e-3"});
  EXPECT_EQ(SectionLines(text, "[elements]")[1], "2=1@3@1e0");
  EXPECT_EQ(SectionLines(text, "[elementforces]"), std::vector<std::string>{"1=1E-5"});

  ModelStore back = ReadText(text);
  EXPECT_EQ(back.PropGrid.Cell(2, 2), "1e-3");
  EXPECT_EQ(back.CoordGrid.Cell(1, 3), "0.003");
  std::string again = WriteToText(back, folder, "in.PEN");
  EXPECT_EQ(SectionLines(again, "[barproperties]"), SectionLines(text, "[barproperties]"));
  EXPECT_EQ(SectionLines(again, "[coordinates]"), SectionLines(text, "[coordinates]"));
  EXPECT_EQ(SectionLines(again, "[elements]"), SectionLines(text, "[elements]"));
}

// ---------------------------------------------------------------------------------------------
// Write failures: the message, and the old file whole

class DataFileWriteFailure : public DataFile {
 protected:
  void ExpectFailure(std::string path, const std::string& message) {
    ModelStore store = TwoNodeModel("");
    SetNode(store, 5, bad, "0", "0");
    std::string old = test::Exists(path) ? ReadWhole(path) : "";
    auto before = test::NamesIn(path.substr(0, path.rfind('/')));
    try {
      WriteDataFile(store, path, folder.Dir());
      ADD_FAILURE() << "writing " << path << " succeeded";
    } catch (const UserError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
    if (!old.empty()) {
      EXPECT_EQ(ReadWhole(path), old);
    }
    EXPECT_EQ(test::NamesIn(path.substr(0, path.rfind('/'))), before);
  }
  std::string bad = "1";
};

TEST_F(DataFileWriteFailure, ReadOnlyFile) {
  std::string path = folder.Path("ro.PEN");
  WriteWhole(path, "[notes]\r\nx=1\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  ExpectFailure(path, "Unable to write to " + path);
}

TEST_F(DataFileWriteFailure, MissingFolder) {
  std::string path = folder.Path("missing/data.PEN");
  ExpectFailure(path, "Unable to write to " + path);
  EXPECT_FALSE(test::Exists(folder.Path("missing")));
}

TEST_F(DataFileWriteFailure, UnwritableFolder) {
  ASSERT_EQ(::mkdir(folder.Path("locked").c_str(), 0755), 0);
  std::string path = folder.Path("locked/data.PEN");
  WriteWhole(path, "[loads]\r\nFx=1.000\r\n");
  if (!test::Chattr("+i", folder.Path("locked"))) GTEST_SKIP() << "chattr is not available";
  ExpectFailure(path, "Unable to write to " + path);
  test::Chattr("-i", folder.Path("locked"));
}

TEST_F(DataFileWriteFailure, NodeCellThatDoesNotConvert) {
  std::string path = folder.Path("conv.PEN");
  WriteWhole(path, "[loads]\r\nFx=1.000\r\n");
  bad = "1.2.3";
  ExpectFailure(path,
                "'1.2.3' is not a valid floating point value\nNode 5: X holds no valid number "
                "(node table, row 5, column \"X [m]\").");
  bad = "   ";
  ExpectFailure(path,
                "'' is not a valid floating point value\nNode 5: X holds blanks only (node table, "
                "row 5, column \"X [m]\").");
}

// With several cells of one row that do not convert, the message names the first of X, Y, Z.
TEST_F(DataFileWriteFailure, FirstNodeCellThatDoesNotConvertIsNamed) {
  struct Case {
    const char *X, *Y, *Z, *Named, *Where;
  };
  const Case cases[] = {
      {"1.2.3", "1,2,3", " ", "1.2.3", "X holds no valid number (node table, row 4, column \"X"},
      {"-", "1.2.3", "e", "-", "X holds no valid number (node table, row 4, column \"X"},
      {"2", "1,2,3", "e", "1.2,3", "Y holds no valid number (node table, row 4, column \"Y"},
      {"2", " ", "1.2.3", "", "Y holds blanks only (node table, row 4, column \"Y"},
      {"2", "3", "1..5", "1..5", "Z holds no valid number (node table, row 4, column \"Z"}};
  std::string path = folder.Path("order.PEN");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.X) + "|" + c.Y + "|" + c.Z);
    ModelStore store = TwoNodeModel("");
    SetNode(store, 4, c.X, c.Y, c.Z);
    try {
      WriteDataFile(store, path, folder.Dir());
      ADD_FAILURE() << "writing succeeded";
    } catch (const UserError& e) {
      EXPECT_EQ(std::string(e.what()),
                "'" + std::string(c.Named) +
                    "' is not a valid floating point value\nNode 4: " + c.Where + " [m]\").");
    }
  }
}

TEST_F(DataFileWriteFailure, FolderInPlaceOfTheFile) {
  std::string path = folder.Path("dir.PEN");
  ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
  ExpectFailure(path, "Unable to write to " + path);
}

// ---------------------------------------------------------------------------------------------
// The file name shown

TEST(ShowDataFileName, LabelsAndCaption) {
  struct Case {
    std::string Name;
    std::string Path;
  };
  const std::string f48 = "/" + std::string(46, 'a') + "/";  // 48 characters
  const std::string f50 = "/" + std::string(48, 'b') + "/";
  const std::string f51 = "/" + std::string(49, 'c') + "/";
  const std::string f75 = "/" + std::string(73, 'd') + "/";
  const std::string f90 = "/" + std::string(88, 'e') + "/";
  const Case cases[] = {
      {f48 + "m.PEN", "path=" + f48},
      {f50 + "m.PEN", "path=" + f50},
      {f51 + "m.PEN", "path=" + f51 + "..."},
      {f75 + "m.PEN", "path=" + f75 + "..."},
      {f90 + "m.PEN", "path=" + f90.substr(0, 75) + "..."},
      {"m.PEN", "path="},
  };
  for (const Case& c : cases) {
    ModelStore store;
    ShowDataFileName(store, c.Name);
    EXPECT_EQ(store.PathNameLabel, c.Path) << c.Name;
    EXPECT_EQ(store.FileNameLabel, "file=m.PEN");
    EXPECT_EQ(store.Caption, "Tarvelin on bars : file=m.PEN");
  }
}

}  // namespace
}  // namespace tarvelin
