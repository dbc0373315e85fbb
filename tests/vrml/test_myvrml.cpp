// Scene writer: the real field, bar-type colours, creating and replacing the scene file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "recording_dialogs.h"
#include "vrml/myvrml.h"
#include "vrml_cases.h"

namespace tarvelin {
namespace {

using test::ReadWholeFile;
using test::RecordingDialogs;
using test::TempFolder;

struct RealCase {
  const char* Name;
  double Value;
  const char* Field;
};

class RealFieldTest : public ::testing::TestWithParam<RealCase> {};

TEST_P(RealFieldTest, WritesTheFieldOf23Characters) {
  const RealCase& c = GetParam();
  const std::string field = MyVrml::RealField(c.Value);
  EXPECT_EQ(field, c.Field);
  EXPECT_EQ(field.size(), 23u);
}

const double kPi = 3.14159265358979323846;

INSTANTIATE_TEST_SUITE_P(
    Values, RealFieldTest,
    ::testing::Values(
        RealCase{"OneAndAHalf", 1.5, " 1.50000000000000E+0000"},
        RealCase{"SmallNegative", -0.06, "-6.00000000000000E-0002"},
        RealCase{"Zero", 0.0, " 0.00000000000000E+0000"},
        RealCase{"NegativeZero", -0.0, "-0.00000000000000E+0000"},
        RealCase{"HalfPi", kPi / 2, " 1.57079632679490E+0000"},
        RealCase{"MinusThreeQuarterPi", -3 * kPi / 4, "-2.35619449019234E+0000"},
        // Exact ties at the fifteenth digit go away from zero, not to even.
        RealCase{"TieUp", 1000000000000005.0, " 1.00000000000001E+0015"},
        RealCase{"TieUpNegative", -1000000000000025.0, "-1.00000000000003E+0015"},
        // Carry through all nines moves the exponent.
        RealCase{"CarryIntoExponent", 999999999999999.5, " 1.00000000000000E+0015"},
        // The 17-digit form shows "...50" after the fifteenth digit; the exact value
        // decides: just below the half, resp. just above.
        RealCase{"NearTieBelow", 765579.1794854895, " 7.65579179485489E+0005"},
        RealCase{"NearTieAbove", 917235.3051578775, " 9.17235305157878E+0005"},
        RealCase{"BinaryNoise", 0.1 + 0.2, " 3.00000000000000E-0001"},
        RealCase{"Hundred", 100.0, " 1.00000000000000E+0002"},
        RealCase{"Largest", std::numeric_limits<double>::max(), " 1.79769313486232E+0308"},
        RealCase{"Subnormal", std::numeric_limits<double>::denorm_min(), " 4.94065645841247E-0324"},
        RealCase{"SmallestNormalNegative", -std::numeric_limits<double>::min(),
                 "-2.22507385850720E-0308"}),
    [](const ::testing::TestParamInfo<RealCase>& info) { return info.param.Name; });

TEST(BarTypeColorTest, FollowsTheColourTable) {
  const char* expected[] = {
      "0.709803921568627 0.16078431372549 0.772549019607843",
      "0.250980392156863 0.862745098039216 0.0705882352941176",
      "0.980392156862745 0.980392156862745 0.16078431372549",
      "0.745098039215686 0.745098039215686 0.745098039215686",
      "0.333333333333333 0.725490196078431 0.807843137254902",
      "1 0 0",
      "0.709803921568627 0.16078431372549 0.772549019607843",
      "0.47843137254902 0.384313725490196 0.188235294117647",
      "0.192156862745098 0.670588235294118 0.0549019607843137",
      "0.43921568627451 0.501960784313725 0.564705882352941",
      "0.0745098039215686 0.12156862745098 1",
      "1 1 1",
      "0.149019607843137 0.847058823529412 0.992156862745098",
      "0.976470588235294 0.470588235294118 0.168627450980392",
      "0.713725490196078 0.0156862745098039 0.917647058823529",
      "0.0745098039215686 0.12156862745098 1",
      "0 0 0",
  };
  for (int type = 0; type <= 16; ++type)
    EXPECT_EQ(MyVrml::BarTypeColor(type), expected[type]) << "type " << type;
  const std::string other = "0.607843137254902 0 0.0392156862745098";
  for (int type :
       {17, 18, 100, -1, -17, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()})
    EXPECT_EQ(MyVrml::BarTypeColor(type), other) << "type " << type;
}

// A minimal scene: header, one bar, closing.
void WriteSmallScene(MyVrml& vrml, const std::string& path) {
  ASSERT_TRUE(vrml.WriteVrmlHeader(path, "t.PEN", 1.0));
  vrml.WriteVrmlBar(0, "1", 0, 0, 0, 1, 1, 1);
}

// A scene writer with its folder and message log; path is the usual scene name in the folder.
class SceneFileTest : public ::testing::Test {
 protected:
  TempFolder dir;
  const std::string path = dir.File("tarvelin.wrl");
  RecordingDialogs dialogs;
  MyVrml vrml{dialogs};
};

TEST_F(SceneFileTest, EveryLineEndsWithCrLf) {
  WriteSmallScene(vrml, dir.File("s.wrl"));
  vrml.WriteVrmlBlock(true, 1, 2, 3);
  vrml.WriteVrmlSupport("2", 1, 1, -1);
  ASSERT_TRUE(vrml.CloseVrmlFile());
  const std::string text = ReadWholeFile(dir.File("s.wrl"));
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
    }
    if (text[i] == '\r') {
      ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at " << i;
    }
  }
  EXPECT_TRUE(dialogs.Log.empty());
  EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"s.wrl"});
}

TEST_F(SceneFileTest, NothingReachesTheTargetBeforeClosing) {
  WriteSmallScene(vrml, dir.File("s.wrl"));
  EXPECT_TRUE(vrml.IsOpen());
  EXPECT_FALSE(std::filesystem::exists(dir.File("s.wrl")));
  ASSERT_TRUE(vrml.CloseVrmlFile());
  EXPECT_FALSE(vrml.IsOpen());
  EXPECT_TRUE(std::filesystem::exists(dir.File("s.wrl")));
}

TEST_F(SceneFileTest, AnUnfinishedSceneLeavesTheOldFileAndNoTemporary) {
  test::WriteWholeFile(path, "old scene");
  {
    MyVrml vrml(dialogs);
    WriteSmallScene(vrml, path);
    // The export stops here (a conversion error); the writer goes out of scope.
  }
  EXPECT_EQ(ReadWholeFile(path), "old scene");
  EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"tarvelin.wrl"});
}

TEST_F(SceneFileTest, ClosingReplacesTheOldFile) {
  test::WriteWholeFile(path, "old scene");
  WriteSmallScene(vrml, path);
  ASSERT_TRUE(vrml.CloseVrmlFile());
  const std::string text = ReadWholeFile(path);
  EXPECT_EQ(text.rfind("#VRML V2.0 utf8\r\n", 0), 0u);
  EXPECT_NE(text.find("\r\n# end of file, "), std::string::npos);
  EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"tarvelin.wrl"});
  // A second header starts a fresh scene in the same writer.
  ASSERT_TRUE(vrml.WriteVrmlHeader(path, "u.PEN", 2.0));
  ASSERT_TRUE(vrml.CloseVrmlFile());
  const std::string second = ReadWholeFile(path);
  EXPECT_NE(second.find("Tarvelin on hinged bars : u.PEN"), std::string::npos);
  EXPECT_EQ(second.find("Cylinder"), std::string::npos);
}

TEST_F(SceneFileTest, AFailureToPutTheSceneInPlaceIsReported) {
  WriteSmallScene(vrml, path);
  // Something else takes the name before the scene is closed.
  std::filesystem::create_directory(path);
  EXPECT_FALSE(vrml.CloseVrmlFile());
  EXPECT_FALSE(vrml.IsOpen());
  EXPECT_EQ(
      dialogs.Texts("error"),
      std::vector<std::string>{"Can not create a VRML file, check your disk or r/w permissions."});
  EXPECT_TRUE(std::filesystem::is_directory(path));
  EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"tarvelin.wrl"});
}

TEST_F(SceneFileTest, ClosingWithoutAnOpenSceneDoesNothing) {
  EXPECT_FALSE(vrml.CloseVrmlFile());
  EXPECT_TRUE(dialogs.Log.empty());
}

TEST_F(SceneFileTest, HeaderFailsWhenTheFileCannotBeCreated) {
  std::filesystem::create_directory(dir.File("folder.wrl"));
  const std::string paths[] = {dir.File("missing/tarvelin.wrl"), dir.File("folder.wrl"), ""};
  for (const std::string& path : paths) {
    RecordingDialogs dialogs;
    MyVrml vrml(dialogs);
    EXPECT_FALSE(vrml.WriteVrmlHeader(path, "t", 1)) << path;
    EXPECT_FALSE(vrml.IsOpen());
    EXPECT_EQ(dialogs.Texts("error"),
              std::vector<std::string>{
                  "Can not create a VRML file, check your disk or r/w permissions."});
    EXPECT_FALSE(vrml.CloseVrmlFile());
  }
  EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"folder.wrl"});
}

TEST_F(SceneFileTest, HeaderFailsInAFolderThatCannotBeWritten) {
  const std::string folder = dir.File("locked");
  std::filesystem::create_directory(folder);
  test::WriteWholeFile(folder + "/tarvelin.wrl", "old scene");
  if (std::system(("chattr +i '" + folder + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "chattr is not available here";
  bool created;
  {
    MyVrml vrml(dialogs);
    created = vrml.WriteVrmlHeader(folder + "/tarvelin.wrl", "t", 1);
  }
  std::system(("chattr -i '" + folder + "'").c_str());
  EXPECT_FALSE(created);
  EXPECT_EQ(dialogs.Texts("error").size(), 1u);
  EXPECT_EQ(ReadWholeFile(folder + "/tarvelin.wrl"), "old scene");
}

TEST_F(SceneFileTest, TheSceneFileGetsOrdinaryPermissions) {
  WriteSmallScene(vrml, dir.File("s.wrl"));
  ASSERT_TRUE(vrml.CloseVrmlFile());
  const mode_t mask = umask(0);
  umask(mask);
  struct stat st {};
  ASSERT_EQ(stat(dir.File("s.wrl").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

// Coordinates so large that the squares of the bar's components (or the sum of its two ends)
// leave the double range, while its length and midpoint do not: they are written as numbers.
TEST_F(SceneFileTest, AHugeBarKeepsItsLengthAndMidpoint) {
  ASSERT_TRUE(vrml.WriteVrmlHeader(dir.File("s.wrl"), "t.PEN", 1.0));
  vrml.WriteVrmlBar(0, "1", 0, 0, 0, 1e200, 0, 0);
  vrml.WriteVrmlBar(0, "2", 0, 0, 0, -3e200, 4e200, 0);
  vrml.WriteVrmlBar(0, "3", 1.5e308, 1, 0, 1.5e308, 3, 0);
  ASSERT_TRUE(vrml.CloseVrmlFile());
  const std::string text = ReadWholeFile(dir.File("s.wrl"));
  EXPECT_EQ(text.find("INF"), std::string::npos);
  EXPECT_EQ(text.find("NAN"), std::string::npos);
  const char* expected[] = {
      // bar 1: along x
      "  rotation    0 0 1  1.57079632679490E+0000",
      "  translation  5.00000000000000E+0199  0.00000000000000E+0000  0.00000000000000E+0000",
      "          height  1.00000000000000E+0200",
      // bar 2: u = (0.6, -0.8, 0), angle -arccos(-0.8)
      "  rotation   -0.00000000000000E+0000  0.00000000000000E+0000  6.00000000000000E-0001 "
      "-2.49809154479651E+0000  ",
      "  translation -1.50000000000000E+0200  2.00000000000000E+0200  0.00000000000000E+0000",
      "          height  5.00000000000000E+0200",
      // bar 3: along y, the midpoint of two ends whose sum overflows
      "  translation  1.50000000000000E+0308  2.00000000000000E+0000  0.00000000000000E+0000",
      "          height  2.00000000000000E+0000",
  };
  for (const char* line : expected) EXPECT_NE(text.find(line), std::string::npos) << line;
}

// Ends on opposite sides near the largest double: even the difference of the ends overflows.
// The bar still stands where it is and points along x; only its length is beyond any number.
TEST_F(SceneFileTest, ABarLongerThanTheLargestDoubleKeepsItsPlaceAndDirection) {
  ASSERT_TRUE(vrml.WriteVrmlHeader(path, "t.PEN", 1.0));
  vrml.WriteVrmlBar(0, "1", 1.2e308, 0, 0, -1.2e308, 0, 0);
  ASSERT_TRUE(vrml.CloseVrmlFile());
  const std::string text = ReadWholeFile(path);
  EXPECT_EQ(text.find("NAN"), std::string::npos);
  for (const char* line : {
           "  rotation    0 0 1  1.57079632679490E+0000",
           "  translation  0.00000000000000E+0000  0.00000000000000E+0000  0.00000000000000E+0000",
           "          height  INF  ",
       })
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

// A scene that is passed on to the disk in several slices: every slice arrives once, in order.
TEST_F(SceneFileTest, ALargeSceneIsTheSmallOneWithItsBarsRepeated) {
  auto scene = [&](int bars) {
    EXPECT_TRUE(vrml.WriteVrmlHeader(dir.File("s.wrl"), "t.PEN", 1.0));
    for (int i = 0; i < bars; ++i) {
      vrml.WriteVrmlSupport("7", 0.25, -1, 2);
      vrml.WriteVrmlBar(3, "12", 0, 0, 0, 1, -2, 3);
    }
    EXPECT_TRUE(vrml.CloseVrmlFile());
    return ReadWholeFile(dir.File("s.wrl"));
  };
  const std::string empty = scene(0);
  const std::string one = scene(1);
  const int many = 6000;  // several megabytes
  const std::string large = scene(many);
  const std::string closing = "\r\n# end of file, Tarvelin on bars\r\n";
  ASSERT_GT(empty.size(), closing.size());
  ASSERT_EQ(empty.substr(empty.size() - closing.size()), closing);
  const std::string header = empty.substr(0, empty.size() - closing.size());
  const std::string block = one.substr(header.size(), one.size() - empty.size());
  ASSERT_GT(block.size() * many, std::size_t(4) << 20);
  std::string expected = header;
  for (int i = 0; i < many; ++i) expected += block;
  expected += closing;
  EXPECT_EQ(large.size(), expected.size());
  EXPECT_TRUE(large == expected);
  EXPECT_TRUE(dialogs.Log.empty());
  EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"s.wrl"});
}

// The disk fills up halfway through a large scene (a file size limit stands in for it).
TEST_F(SceneFileTest, AWriteFailureHalfwayLeavesTheOldScene) {
  test::WriteWholeFile(path, "old scene");
  ASSERT_TRUE(vrml.WriteVrmlHeader(path, "t.PEN", 1.0));

  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limited = saved;
  limited.rlim_cur = 1 << 21;
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  for (int i = 0; i < 6000; ++i) vrml.WriteVrmlBar(1, "1", 0, 0, 0, 1, 1, 1);
  const bool closed = vrml.CloseVrmlFile();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(closed);
  EXPECT_EQ(
      dialogs.Texts("error"),
      std::vector<std::string>{"Can not create a VRML file, check your disk or r/w permissions."});
  EXPECT_EQ(ReadWholeFile(path), "old scene");
  EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"tarvelin.wrl"});
}

}  // namespace
}  // namespace tarvelin
