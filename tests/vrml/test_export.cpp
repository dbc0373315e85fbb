// Model export: golden scenes, extent and block size, and the export's failures.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>

#include "recording_dialogs.h"
#include "support/numtext.h"
#include "vrml/export.h"
#include "vrml/myvrml.h"
#include "vrml_cases.h"

namespace tarvelin {
namespace {

namespace fs = std::filesystem;
using test::ReadWholeFile;
using test::RecordingDialogs;
using test::TempFolder;

const char* kCreateError = "Can not create a VRML file, check your disk or r/w permissions.";

// Shows the first differing line, which says far more than two 30 kB strings.
void ExpectSameText(const std::string& actual, const std::string& expected) {
  if (actual == expected) return;
  std::size_t line = 1, start = 0, i = 0;
  while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) {
    if (actual[i] == '\n') {
      ++line;
      start = i + 1;
    }
    ++i;
  }
  auto lineAt = [start](const std::string& s) {
    const auto end = s.find('\n', start);
    return s.substr(start, end == std::string::npos ? std::string::npos : end - start);
  };
  ADD_FAILURE() << "first difference in line " << line << "\n  actual:   [" << lineAt(actual)
                << "]\n  expected: [" << lineAt(expected) << "]";
}

// The scene of the model case cases/<name>.model as the export writes it.
std::string ExportedCase(const std::string& name, RecordingDialogs& dialogs) {
  const test::ModelCase model =
      test::ReadModelCase(test::VrmlDataFolder() / "cases" / (name + ".model"));
  ModelStore store;
  test::FillStore(model, store);
  TempFolder dir;
  WriteVrmlModel(store, model.Title, dir.File("tarvelin.wrl"), model.Numbering, model.Axes,
                 dialogs);
  return ReadWholeFile(dir.File("tarvelin.wrl"));
}

std::string ExpectedScene(const std::string& name) {
  return ReadWholeFile(test::VrmlDataFolder() / "expected" / (name + ".wrl"));
}

class ModelGoldenTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ModelGoldenTest, ExportMatchesTheExpectedScene) {
  RecordingDialogs dialogs;
  const std::string text = ExportedCase(GetParam(), dialogs);
  EXPECT_TRUE(dialogs.Log.empty());
  ExpectSameText(text, ExpectedScene(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Cases, ModelGoldenTest, ::testing::ValuesIn(test::CaseNames(".model")));

// The scene text never depends on the user's number conventions.
TEST(LocaleTest, SceneIsTheSameUnderACommaLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  bool set = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8"})
    if (std::setlocale(LC_ALL, name)) {
      set = true;
      break;
    }
  if (!set) GTEST_SKIP() << "no locale with a decimal comma is installed";
  RecordingDialogs dialogs;
  const std::string text = ExportedCase("worked_full", dialogs);
  std::setlocale(LC_ALL, saved.c_str());
  ExpectSameText(text, ExpectedScene("worked_full"));
}

class CallsGoldenTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CallsGoldenTest, WriterMatchesTheExpectedScene) {
  const fs::path data = test::VrmlDataFolder();
  TempFolder dir;
  RecordingDialogs dialogs;
  MyVrml vrml(dialogs);
  test::RunCallsCase(data / "cases" / (GetParam() + ".calls"), vrml, dir.File("s.wrl"));
  EXPECT_TRUE(dialogs.Log.empty());
  ExpectSameText(ReadWholeFile(dir.File("s.wrl")),
                 ReadWholeFile(data / "expected" / (GetParam() + ".wrl")));
}

INSTANTIATE_TEST_SUITE_P(Cases, CallsGoldenTest, ::testing::ValuesIn(test::CaseNames(".calls")));

// A store with the given nodes (row n = node n) and bars (begin, end, type cells).
struct Model {
  std::vector<std::array<const char*, 3>> Nodes;
  std::vector<std::array<const char*, 3>> Bars;
};

void Fill(const Model& m, ModelStore& store) {
  InitTables(store);
  for (std::size_t n = 0; n < m.Nodes.size(); ++n)
    for (int c = 0; c < 3; ++c)
      if (m.Nodes[n][c]) store.CoordGrid.SetCell(c + 1, int(n) + 1, m.Nodes[n][c]);
  for (std::size_t i = 0; i < m.Bars.size(); ++i)
    for (int c = 0; c < 3; ++c) store.EleGrid.SetCell(c + 1, int(i) + 1, m.Bars[i][c]);
}

struct ExtentCase {
  const char* Name;
  Model M;
  ModelExtent Extent;
  BlockSize Block;
};

class ExtentTest : public ::testing::TestWithParam<ExtentCase> {};

TEST_P(ExtentTest, ExtentAndBlockSize) {
  const ExtentCase& c = GetParam();
  ModelStore store;
  Fill(c.M, store);
  const ModelExtent e = GetModelExtent(store);
  EXPECT_DOUBLE_EQ(e.Ex, c.Extent.Ex);
  EXPECT_DOUBLE_EQ(e.Ey, c.Extent.Ey);
  EXPECT_DOUBLE_EQ(e.Ez, c.Extent.Ez);
  EXPECT_DOUBLE_EQ(e.E, c.Extent.E);
  if (c.M.Bars.empty()) return;  // the block size is never asked for without bars
  const BlockSize b = GetBlockSize(store);
  EXPECT_DOUBLE_EQ(b.Sx, c.Block.Sx);
  EXPECT_DOUBLE_EQ(b.Sy, c.Block.Sy);
  EXPECT_DOUBLE_EQ(b.Sz, c.Block.Sz);
}

INSTANTIATE_TEST_SUITE_P(
    Models, ExtentTest,
    ::testing::Values(
        ExtentCase{
            "WorkedExample",
            {{{"1", "0", "0"}, {"-1", "0.5", "0"}, {}, {}, {"1", "0", "-2"}, {"-1", "2.5", "-2"}},
             {{"1", "5", ""}, {"2", "6", "1"}}},
            {1, 2.5, 2, 2.5},
            {2, 1, 0.1}},
        ExtentCase{"NoBars", {{{"5", "6", "7"}}, {}}, {0, 0, 0, 0}, {}},
        ExtentCase{"BeginNodesAtTheOrigin",
                   {{{"0", "0", "0"}, {"0", "0", "-4"}, {"3", "0", "0"}},
                    {{"1", "2", ""}, {"1", "3", ""}}},
                   {3, 0, 4, 4},
                   {0.1, 0.1, 0.1}},
        ExtentCase{"SymmetricAboutTheMassCentre",
                   {{{"-1", "0", "0.5"}, {"3", "0", "0.5"}, {"0", "-7", "1"}},
                    {{"1", "3", ""}, {"2", "3", ""}}},
                   {3, 7, 1, 7},
                   {6, 0.1, 1}},
        ExtentCase{
            "OnlyFilledRowsCount",
            {{{"1", "1", "1"}, {"-9", "9", "9"}, {"2", "2", "2"}}, {{"1", "3", ""}, {"", "2", ""}}},
            {2, 2, 2, 2},
            {2, 2, 2}},
        ExtentCase{"NegativeCoordinatesCountByMagnitude",
                   {{{"-2", "-0.5", "-3"}, {"0", "0", "0"}}, {{"1", "2", ""}}},
                   {2, 0.5, 3, 3},
                   {4, 1, 6}}),
    [](const ::testing::TestParamInfo<ExtentCase>& info) { return info.param.Name; });

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Fill({{{"1", "0", "0"}, {"-1", "0.5", "0"}, {"1", "0", "-2"}, {"-1", "2.5", "-2"}},
          {{"1", "3", ""}, {"2", "4", "1"}}},
         store);
    path = dir.File("tarvelin.wrl");
  }
  void Write() { WriteVrmlModel(store, "", path, true, true, dialogs); }
  std::string ErrorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const UserError& e) {
      return e.what();
    }
    return "";
  }

  ModelStore store;
  TempFolder dir;
  std::string path;
  RecordingDialogs dialogs;
};

TEST_F(ExportTest, TitleWithoutADataFileIsUnknownFile) {
  Write();
  EXPECT_NE(ReadWholeFile(path).find("\"Tarvelin on hinged bars : unknown file\""),
            std::string::npos);
}

TEST_F(ExportTest, BadNodeCellsStopTheExportBeforeTheFileIsTouched) {
  struct Case {
    int Col, Row;
    const char* Text;
    const char* Message;
  };
  const Case cases[] = {
      {1, 2, "2.5", "'2.5' is not a valid integer value"},
      {2, 2, "9", "'' is not a valid floating point value"},       // node 9 has no coordinates
      {1, 1, "0", "'X [m]' is not a valid floating point value"},  // the header row
      {1, 2, "-1", "List index out of bounds (-1)"},
  };
  for (const Case& c : cases) {
    SetUp();
    test::WriteWholeFile(path, "old scene");
    store.EleGrid.SetCell(c.Col, c.Row, c.Text);
    EXPECT_EQ(ErrorOf([this] { Write(); }), c.Message);
    EXPECT_EQ(ReadWholeFile(path), "old scene");
    EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"tarvelin.wrl"});
  }
}

TEST_F(ExportTest, AGapInTheBarTableStopsTheExport) {
  store.EleGrid.SetCell(1, 4, "1");
  store.EleGrid.SetCell(2, 4, "3");
  store.EleGrid.SetCell(1, 2, "");  // rows 1 and 4 complete: N = 2, row 2 is read
  EXPECT_EQ(ErrorOf([this] { Write(); }), "'' is not a valid integer value");
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(ExportTest, ABadTypeCellLeavesTheOldScene) {
  test::WriteWholeFile(path, "old scene");
  store.EleGrid.SetCell(3, 2, "x");
  EXPECT_EQ(ErrorOf([this] { Write(); }), "'x' is not a valid integer value");
  EXPECT_EQ(ReadWholeFile(path), "old scene");
  EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"tarvelin.wrl"});
}

TEST_F(ExportTest, ShowOpensTheWrittenScene) {
  std::vector<std::string> opened;
  ShowVrmlModel(store, "/data/m.PEN", path, false, true, dialogs, [&](const std::string& p) {
    opened.push_back(p);
    return true;
  });
  EXPECT_EQ(opened, std::vector<std::string>{path});
  EXPECT_TRUE(dialogs.Log.empty());
  EXPECT_NE(ReadWholeFile(path).find("m.PEN"), std::string::npos);
}

TEST_F(ExportTest, ShowNormalisesTheTablesFirst) {
  store.CoordGrid.SetCell(1, 1, " 1,5 ");
  store.EleGrid.SetCell(3, 1, "");
  ShowVrmlModel(store, "", path, false, false, dialogs, [](const std::string&) { return true; });
  EXPECT_EQ(store.CoordGrid.Cell(1, 1), "1.500");
  EXPECT_EQ(store.EleGrid.Cell(3, 1), "0");
  EXPECT_NE(ReadWholeFile(path).find("point [ 1.50000000000000E+0000,"), std::string::npos);
}

TEST_F(ExportTest, ShowWithoutBarsWritesNothing) {
  store.EleGrid.ClearCells(1, 1);
  bool opened = false;
  ShowVrmlModel(store, "", path, true, true, dialogs, [&](const std::string&) {
    opened = true;
    return true;
  });
  EXPECT_EQ(dialogs.Texts("error"),
            std::vector<std::string>{"Insufficient number of hinged bars specified."});
  EXPECT_FALSE(opened);
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(ExportTest, ShowTellsThePathWhenTheDesktopCannotOpenIt) {
  ShowVrmlModel(store, "", path, true, true, dialogs, [](const std::string&) { return false; });
  const auto info = dialogs.Texts("information");
  ASSERT_EQ(info.size(), 1u);
  EXPECT_NE(info[0].find(fs::absolute(path).string()), std::string::npos) << info[0];
  EXPECT_TRUE(dialogs.Texts("error").empty());
}

TEST_F(ExportTest, ShowWhenTheSceneCannotBeCreated) {
  const std::string missing = dir.File("no/such/folder/tarvelin.wrl");
  bool opened = false;
  ShowVrmlModel(store, "", missing, true, true, dialogs, [&](const std::string&) {
    opened = true;
    return true;
  });
  EXPECT_EQ(dialogs.Texts("error"),
            (std::vector<std::string>{kCreateError, "No VRML file created!"}));
  EXPECT_FALSE(opened);
}

TEST_F(ExportTest, ShowOpensAnEarlierSceneWhenTheNewOneCannotBeWritten) {
  const std::string folder = dir.File("locked");
  fs::create_directory(folder);
  path = folder + "/tarvelin.wrl";
  test::WriteWholeFile(path, "old scene");
  if (std::system(("chattr +i '" + folder + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "chattr is not available here";
  std::vector<std::string> opened;
  ShowVrmlModel(store, "", path, true, true, dialogs, [&](const std::string& p) {
    opened.push_back(p);
    return true;
  });
  std::system(("chattr -i '" + folder + "'").c_str());
  EXPECT_EQ(dialogs.Texts("error"), std::vector<std::string>{kCreateError});
  EXPECT_EQ(opened, std::vector<std::string>{path});
  EXPECT_EQ(ReadWholeFile(path), "old scene");
}

}  // namespace
}  // namespace tarvelin
