// Tests of the settings file: defaults, reading rules, the table length and the writing order.
#include "files/settings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <algorithm>

#include "file_helpers.h"
#include "recording_dialogs.h"
#include "support/numtext.h"

namespace tarvelin {
namespace {

using test::ReadWhole;
using test::RecordingDialogs;
using test::TempFolder;
using test::WriteWhole;

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.Valid());
    state.ProgramDir = folder.Dir();
    state.WorkingDir = folder.Dir();
    ini = folder.Path("tarvelin.ini");
  }
  StartupState ReadWith(const std::string& content) {
    WriteWhole(ini, content);
    StartupState read = state;
    ReadIniSettings(read, ini, dialogs);
    return read;
  }
  TempFolder folder;
  StartupState state;
  std::string ini;
  RecordingDialogs dialogs;
};

TEST_F(Settings, DefaultsWithoutAFileAndFirstSave) {
  StartupState read = state;
  ReadIniSettings(read, ini, dialogs);
  EXPECT_EQ(read.WorkingDir, folder.Dir());
  EXPECT_FALSE(read.OpenLastProject);
  EXPECT_TRUE(read.AutoUpdate);
  EXPECT_FALSE(read.NoIntroPanel);
  EXPECT_EQ(read.DataFileName, "");
  EXPECT_EQ(read.GridLength, 101);
  EXPECT_TRUE(dialogs.Log.empty());

  read.DataFileName = folder.Path("data.PEN");
  SaveIniSettings(read, ini);
  EXPECT_EQ(ReadWhole(ini), "[program]\r\nworkingdir=" + folder.Dir() +
                                "\r\nopenlastproject=0\r\ndatafile=" + folder.Path("data.PEN") +
                                "\r\nautoupdate=1\r\nnoIntroPanel=0\r\n");
}

TEST_F(Settings, ReadsEveryKeyInAnyLetterCase) {
  StartupState read = ReadWith(
      "[Program]\r\nWorkingDir = /home/u/models \r\nOpenLastProject=1\r\nAUTOUPDATE=0\r\n"
      "noINTROpanel=1\r\nDataFile=/home/u/models/a.PEN\r\nGridLength=250\r\n");
  EXPECT_EQ(read.WorkingDir, "/home/u/models");
  EXPECT_TRUE(read.OpenLastProject);
  EXPECT_FALSE(read.AutoUpdate);
  EXPECT_TRUE(read.NoIntroPanel);
  EXPECT_EQ(read.DataFileName, "/home/u/models/a.PEN");
  EXPECT_EQ(read.GridLength, 250);
}

TEST_F(Settings, FlagsAreOnOnlyForExactlyOne) {
  for (const char* text : {"yes", "true", "2", "01", " ", "on"}) {
    StartupState read =
        ReadWith(std::string("[program]\r\nautoupdate=") + text + "\r\nopenlastproject=" + text +
                 "\r\nnoIntroPanel=" + text + "\r\n");
    EXPECT_FALSE(read.AutoUpdate) << text;
    EXPECT_FALSE(read.OpenLastProject) << text;
    EXPECT_FALSE(read.NoIntroPanel) << text;
  }
}

TEST_F(Settings, DataFileIsReadOnlyWhenTheLastProjectOpens) {
  state.DataFileName = "";
  StartupState read = ReadWith("[program]\r\nopenlastproject=0\r\ndatafile=/x/old.PEN\r\n");
  EXPECT_EQ(read.DataFileName, "");
  read.DataFileName = "/x/new.PEN";
  SaveIniSettings(read, ini);
  EXPECT_NE(ReadWhole(ini).find("datafile=/x/new.PEN\r\n"), std::string::npos);
  EXPECT_EQ(ReadWhole(ini).find("old.PEN"), std::string::npos);
}

TEST_F(Settings, GridLengthRules) {
  struct Case {
    std::string Text;
    int Expected;
    std::string Error;
  };
  const Case cases[] = {
      {"15", 101, ""},
      {"19", 101, ""},
      {"20", 20, ""},
      {"0", 101, ""},
      {"-5", 101, ""},
      {"1000001", 1000001, ""},
      {"+50", 50, ""},
      {"1.5", 77, "'1.5' is not a valid integer value"},
      {"abc", 77, "'abc' is not a valid integer value"},
      {"", 77, "'' is not a valid integer value"},
      {"1E3", 77, "'1E3' is not a valid integer value"},
      {"99999999999", 77, "'99999999999' is not a valid integer value"},
      {"1000002", 77, "range"},
      {"2147483647", 77, "range"},
  };
  for (const Case& c : cases) {
    dialogs.Log.clear();
    state.GridLength = 77;
    StartupState read = ReadWith("[program]\r\ngridlength=" + c.Text + "\r\n");
    EXPECT_EQ(read.GridLength, c.Expected) << c.Text;
    std::vector<std::string> errors = dialogs.Texts("error");
    if (c.Error.empty()) {
      EXPECT_TRUE(errors.empty()) << c.Text;
    } else {
      ASSERT_EQ(errors.size(), 1u) << c.Text;
      if (c.Error == "range") {
        EXPECT_NE(errors[0].find(c.Text), std::string::npos) << errors[0];
        EXPECT_NE(errors[0].find("1000001"), std::string::npos) << errors[0];
      } else {
        EXPECT_EQ(errors[0], c.Error);
      }
    }
  }
}

TEST_F(Settings, MissingGridLengthKeepsTheCurrentOne) {
  state.GridLength = 51;
  EXPECT_EQ(ReadWith("[program]\r\nautoupdate=1\r\n").GridLength, 51);
  EXPECT_TRUE(dialogs.Log.empty());
}

TEST_F(Settings, SaveOrderAndInPlaceReplacement) {
  WriteWhole(ini,
             "[other]\r\nx=1\r\n[program]\r\nnoIntroPanel=1\r\nGridLength=50\r\n"
             "WorkingDir=/old\r\n\r\n[later]\r\ny=2\r\n");
  state.WorkingDir = "/new";
  state.DataFileName = "/new/m.PEN";
  state.OpenLastProject = true;
  state.AutoUpdate = false;
  state.NoIntroPanel = false;
  state.GridLength = 101;  // the stored 50 stays
  SaveIniSettings(state, ini);
  EXPECT_EQ(ReadWhole(ini),
            "[other]\r\nx=1\r\n[program]\r\nnoIntroPanel=0\r\nGridLength=50\r\n"
            "WorkingDir=/new\r\nopenlastproject=1\r\ndatafile=/new/m.PEN\r\nautoupdate=0\r\n"
            "\r\n[later]\r\ny=2\r\n");

  state.GridLength = 300;
  SaveIniSettings(state, ini);
  StartupState read = state;
  read.GridLength = 101;
  ReadIniSettings(read, ini, dialogs);
  EXPECT_EQ(read.GridLength, 300);
  EXPECT_EQ(read.DataFileName, "/new/m.PEN");
}

TEST_F(Settings, UnwritableFileOrFolderIsReported) {
  std::string locked = folder.Path("locked");
  ASSERT_EQ(::mkdir(locked.c_str(), 0755), 0);
  std::string path = locked + "/tarvelin.ini";
  WriteWhole(path, "[program]\r\nautoupdate=1\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  try {
    SaveIniSettings(state, path);
    ADD_FAILURE() << "a read-only settings file was written";
  } catch (const UserError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
  }
  EXPECT_EQ(ReadWhole(path), "[program]\r\nautoupdate=1\r\n");

  ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
  if (!test::Chattr("+i", locked)) GTEST_SKIP() << "chattr is not available";
  try {
    SaveIniSettings(state, path);
    ADD_FAILURE() << "a settings file in an immutable folder was written";
  } catch (const UserError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
  }
  test::Chattr("-i", locked);
  EXPECT_EQ(ReadWhole(path), "[program]\r\nautoupdate=1\r\n");
  EXPECT_EQ(test::NamesIn(locked), std::vector<std::string>{"tarvelin.ini"});
}

TEST(RecentFiles, NewestFirstOnceAndAtMostEight) {
  std::vector<std::string> list;
  for (int i = 1; i <= 9; ++i) AddRecentFile(list, "/m/" + std::to_string(i) + ".PEN");
  ASSERT_EQ(list.size(), 8u);
  EXPECT_EQ(list.front(), "/m/9.PEN");
  EXPECT_EQ(list.back(), "/m/2.PEN");  // the oldest fell off
  AddRecentFile(list, "/m/5.PEN");     // again: moves to the top, not twice
  EXPECT_EQ(list.size(), 8u);
  EXPECT_EQ(list.front(), "/m/5.PEN");
  EXPECT_EQ(std::count(list.begin(), list.end(), "/m/5.PEN"), 1);
  AddRecentFile(list, "");
  EXPECT_EQ(list.front(), "/m/5.PEN");
}

TEST_F(Settings, RecentFilesAndWindowSurviveAndOtherSectionsStay) {
  StartupState written = ReadWith("[mine]\r\nkey=kept\r\n[recentfiles]\r\nfile9=/old.PEN\r\n");
  written.RecentFiles = {"/b.PEN", "/a.PEN"};
  written.Window = {true, 10, 20, 900, 600, true};
  SaveIniSettings(written, ini);
  const std::string text = ReadWhole(ini);
  EXPECT_NE(text.find("[mine]\r\nkey=kept\r\n"), std::string::npos);
  EXPECT_NE(text.find("[recentfiles]\r\nfile1=/b.PEN\r\nfile2=/a.PEN\r\n"), std::string::npos);
  EXPECT_EQ(text.find("file9"), std::string::npos);  // the list is written whole
  StartupState read = state;
  ReadIniSettings(read, ini, dialogs);
  EXPECT_EQ(read.RecentFiles, written.RecentFiles);
  EXPECT_TRUE(read.Window.Known);
  EXPECT_EQ(read.Window.Left, 10);
  EXPECT_EQ(read.Window.Top, 20);
  EXPECT_EQ(read.Window.Width, 900);
  EXPECT_EQ(read.Window.Height, 600);
  EXPECT_TRUE(read.Window.Maximised);
}

TEST_F(Settings, UnusableWindowPlacementIsIgnored) {
  for (const char* window : {"width=abc\r\nheight=5\r\nleft=0\r\ntop=0",
                             "width=0\r\nheight=5\r\nleft=0\r\ntop=0", "width=10\r\nheight=5"}) {
    StartupState read = ReadWith(std::string("[window]\r\n") + window + "\r\n");
    EXPECT_FALSE(read.Window.Known) << window;
  }
  // Nothing known, nothing written.
  WriteWhole(ini, "");
  SaveIniSettings(state, ini);
  EXPECT_EQ(ReadWhole(ini).find("[window]"), std::string::npos);
}

}  // namespace
}  // namespace tarvelin
