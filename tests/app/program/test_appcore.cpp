// Tests of the start-up logic without a window: screen test, command line, file locations,
// ClearModel, the stream dialogs, file snapshots, the run's shared steps, the scene written in
// the background and the headless batch run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "analysis/modelstore.h"
#include "analysis/stiffness.h"
#include "app/core/batch.h"
#include "app/core/commandline.h"
#include "app/core/locations.h"
#include "app/core/run.h"
#include "app/core/scenewrite.h"
#include "app/core/streamdialogs.h"
#include "files/datafile.h"
#include "files/profilefile.h"
#include "files/settings.h"
#include "recording_dialogs.h"
#include "vrml/export.h"
#include "vrml/myvrml.h"

namespace fs = std::filesystem;
using tarvelin::test::RecordingDialogs;

namespace tarvelin {
namespace {

EnvLookup FakeEnv(const std::map<std::string, std::string>& vars) {
  return [vars](const char* name) -> const char* {
    auto it = vars.find(name);
    return it == vars.end() ? nullptr : it->second.c_str();
  };
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A temporary folder, removed afterwards; the test runs with it as the current folder.
class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarvelin-appcore-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    old_ = fs::current_path();
    fs::create_directories(root_ + "/bin");
    fs::create_directories(root_ + "/work");
    fs::current_path(root_ + "/work");
  }
  void TearDown() override {
    fs::current_path(old_);
    std::system(("chattr -R -i " + root_ + " 2>/dev/null").c_str());
    fs::remove_all(root_);
  }
  std::string Bin() const { return root_ + "/bin/"; }
  std::string Work() const { return root_ + "/work/"; }

  std::string root_;
  fs::path old_;
};

// ---------------------------------------------------------------------------------------------

TEST(HasScreen, FollowsTheDisplayVariablesAndThePlatform) {
  struct Row {
    std::map<std::string, std::string> env;
    bool screen;
  };
  const Row rows[] = {
      {{}, false},
      {{{"DISPLAY", ":0"}}, true},
      {{{"DISPLAY", ""}}, false},
      {{{"WAYLAND_DISPLAY", "wayland-0"}}, true},
      {{{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "offscreen"}}, false},
      {{{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "minimal"}}, false},
      {{{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "offscreen:fontengine=freetype"}}, false},
      {{{"QT_QPA_PLATFORM", "xcb"}}, false},
      {{{"WAYLAND_DISPLAY", "w"}, {"QT_QPA_PLATFORM", "xcb"}}, false},
      {{{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "xcb"}}, true},
      {{{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}}, false},
      {{{"QT_QPA_PLATFORM", "wayland;xcb"}}, false},
      {{{"DISPLAY", ":1"}, {"QT_QPA_PLATFORM", "wayland;xcb"}}, true},
      {{{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", ""}}, true},
  };
  for (const Row& row : rows) {
    std::string vars;
    for (const auto& [k, v] : row.env) vars += k + "=" + v + " ";
    EXPECT_EQ(HasScreen(FakeEnv(row.env)), row.screen) << vars;
  }
}

TEST(DisplayLooksReachable, OnlyAMissingLocalSocketCounts) {
  EXPECT_FALSE(DisplayLooksReachable(FakeEnv({{"DISPLAY", ":987654"}})));
  EXPECT_FALSE(DisplayLooksReachable(FakeEnv({{"DISPLAY", ":987654.0"}})));
  EXPECT_FALSE(DisplayLooksReachable(FakeEnv({{"DISPLAY", "unix:987654"}})));
  EXPECT_TRUE(DisplayLooksReachable(FakeEnv({{"DISPLAY", "remote:987654"}})));
  EXPECT_TRUE(DisplayLooksReachable(FakeEnv({{"DISPLAY", ":987654"}, {"WAYLAND_DISPLAY", "w"}})));
  EXPECT_TRUE(DisplayLooksReachable(FakeEnv({})));
  EXPECT_TRUE(DisplayLooksReachable(FakeEnv({{"DISPLAY", ":x"}})));
}

TEST(IsBatchCommandLine, NeedsTwoArgumentsAndAFileAfterI) {
  using Args = std::vector<std::string>;
  EXPECT_FALSE(IsBatchCommandLine({}));
  EXPECT_FALSE(IsBatchCommandLine(Args{"-i"}));
  EXPECT_FALSE(IsBatchCommandLine(Args{"-t", "-i"}));
  EXPECT_FALSE(IsBatchCommandLine(Args{"-I", "a.PEN"}));
  EXPECT_FALSE(IsBatchCommandLine(Args{"-R", "50"}));
  EXPECT_TRUE(IsBatchCommandLine(Args{"-i", "a.PEN"}));
  EXPECT_TRUE(IsBatchCommandLine(Args{"-i", "a.txt"}));  // the walk then reports it
  EXPECT_TRUE(IsBatchCommandLine(Args{"-R", "50", "-i", "a.PEN"}));
}

TEST(HasPenExtension, AnyLetterCaseOfTheLastExtension) {
  EXPECT_TRUE(HasPenExtension("a.PEN"));
  EXPECT_TRUE(HasPenExtension("a.pen"));
  EXPECT_TRUE(HasPenExtension("/x.y/a.b.Pen"));
  EXPECT_TRUE(HasPenExtension(".pen"));
  EXPECT_FALSE(HasPenExtension("a.PEN.txt"));
  EXPECT_FALSE(HasPenExtension("a.PENX"));
  EXPECT_FALSE(HasPenExtension("/x.pen/a"));
  EXPECT_FALSE(HasPenExtension("PEN"));
}

// ---------------------------------------------------------------------------------------------
// The command-line walk

class CommandLineTest : public TempFolder {
 protected:
  void SetUp() override {
    TempFolder::SetUp();
    WriteAll(Bin() + "inbin.PEN", "[loads]\r\n");
    WriteAll(Work() + "here.pen", "[loads]\r\n");
    WriteAll(Work() + "notes.txt", "");
    state_.ProgramDir = Bin();
    state_.WorkingDir = Bin();
  }
  CommandLineOutcome Apply(std::vector<std::string> args) {
    return ApplyCommandLine(args, state_, dialogs_);
  }
  // Applies a row's arguments with the message log emptied and checks the errors reported.
  CommandLineOutcome ApplyRow(const std::vector<std::string>& args,
                              const std::vector<std::string>& errors) {
    dialogs_.Log.clear();
    CommandLineOutcome out = Apply(args);
    EXPECT_EQ(dialogs_.Texts("error"), errors) << Joined(args);
    EXPECT_EQ(out.Errors, static_cast<int>(errors.size())) << Joined(args);
    return out;
  }
  static std::string Joined(const std::vector<std::string>& args) {
    std::string text;
    for (const auto& a : args) text += a + " ";
    return text;
  }
  StartupState state_;
  RecordingDialogs dialogs_;
};

TEST_F(CommandLineTest, SingleArgumentIsIgnored) {
  for (const char* arg : {"-t", "-i", "-R", "-w"}) {
    StartupState before = state_;
    CommandLineOutcome out = Apply({arg});
    EXPECT_FALSE(out.TestOutput);
    EXPECT_FALSE(out.WriteScene);
    EXPECT_EQ(state_.DataFileName, before.DataFileName);
    EXPECT_TRUE(dialogs_.Log.empty());
  }
}

TEST_F(CommandLineTest, DataFileIsResolved) {
  struct Row {
    std::vector<std::string> args;
    std::string dataFile;
    bool batch;
    std::vector<std::string> errors;
  };
  const std::string bin = Bin(), work = Work();
  const Row rows[] = {
      // A name found as given is kept as given, relative or not.
      {{"-i", "here.pen"}, "here.pen", true, {}},
      {{"-i", "./here.pen"}, "./here.pen", true, {}},
      {{"-i", work + "here.pen"}, work + "here.pen", true, {}},
      {{"-i", "inbin.PEN"}, bin + "inbin.PEN", true, {}},
      {{"-i", bin + "inbin.PEN"}, bin + "inbin.PEN", true, {}},
      {{"-i", "../bin/inbin.PEN"}, "../bin/inbin.PEN", true, {}},
      {{"-i", "notes.txt"}, "", false, {"Not a .PEN file"}},
      {{"-i", "gone.PEN"},
       "",
       false,
       {"Error in filename or path, no spaces in name or path accepted"}},
      {{"-i", "here.pen", "-i", "gone.PEN"},
       "",
       false,
       {"Error in filename or path, no spaces in name or path accepted"}},
      {{"-i", "notes.txt", "-i", "inbin.PEN"}, bin + "inbin.PEN", true, {"Not a .PEN file"}},
      {{"-i", "-t"}, "", false, {"Not a .PEN file"}},
      {{"-t", "-i"}, "", false, {}},
  };
  for (const Row& row : rows) {
    state_.DataFileName.clear();
    state_.BatchMode = false;
    dialogs_.Log.clear();
    Apply(row.args);
    std::string args;
    for (const auto& a : row.args) args += a + " ";
    EXPECT_EQ(state_.DataFileName, row.dataFile) << args;
    EXPECT_EQ(state_.BatchMode, row.batch) << args;
    EXPECT_EQ(dialogs_.Texts("error"), row.errors) << args;
  }
}

TEST_F(CommandLineTest, MissingFileDropsTheSettingsDataFile) {
  state_.DataFileName = Bin() + "inbin.PEN";  // from "datafile" of the settings
  Apply({"-i", "gone.PEN"});
  EXPECT_EQ(state_.DataFileName, "");
  EXPECT_FALSE(state_.BatchMode);
}

TEST_F(CommandLineTest, NotAPenFileKeepsTheDataFile) {
  state_.DataFileName = Bin() + "inbin.PEN";
  Apply({"-i", "notes.txt"});
  EXPECT_EQ(state_.DataFileName, Bin() + "inbin.PEN");
}

TEST_F(CommandLineTest, TableLength) {
  struct Row {
    std::vector<std::string> args;
    int gridLength;
    std::vector<std::string> errors;
  };
  const Row rows[] = {
      {{"-R", "50"}, 50, {}},
      {{"-R", "+60"}, 60, {}},
      {{"-R", "2"}, 2, {}},
      {{"-R", "1000001"}, 1000001, {}},
      {{"-R", "30", "-R", "40"}, 40, {}},
      {{"-R", "abc"}, 77, {}},  // fails the number-text test: ignored
      {{"-R", "1E-5"}, 77, {}},
      {{"-t", "-R"}, 77, {}},  // last argument
      {{"-r", "50"}, 77, {}},  // letter case counts
      {{"-R", "1.5"}, 77, {"'1.5' is not a valid integer value"}},
      {{"-R", "1E3"}, 77, {"'1E3' is not a valid integer value"}},
      {{"-R", ""}, 77, {"'' is not a valid integer value"}},
      {{"-R", "99999999999"}, 77, {"'99999999999' is not a valid integer value"}},
      {{"-R", "1"},
       77,
       {"The table length 1 lies outside the range 2 to 1000001; the table length stays 77."}},
      {{"-R", "1000002"},
       77,
       {"The table length 1000002 lies outside the range 2 to 1000001; the table length stays "
        "77."}},
      {{"-R", "-5"},
       77,
       {"The table length -5 lies outside the range 2 to 1000001; the table length stays 77."}},
  };
  for (const Row& row : rows) {
    state_.GridLength = 77;
    ApplyRow(row.args, row.errors);
    EXPECT_EQ(state_.GridLength, row.gridLength) << Joined(row.args);
  }
}

TEST_F(CommandLineTest, FlagsAndTheirLetterCase) {
  CommandLineOutcome out = Apply({"-w", "-n", "-t"});
  EXPECT_TRUE(out.TestOutput);
  EXPECT_TRUE(out.WriteScene);
  EXPECT_TRUE(out.SceneNumbering);
  out = Apply({"-T", "-W", "-N"});
  EXPECT_FALSE(out.TestOutput);
  EXPECT_FALSE(out.WriteScene);
  EXPECT_FALSE(out.SceneNumbering);
  // The file argument of "-i" is consumed, even when it looks like an option.
  WriteAll(Work() + "-t.PEN", "");
  out = Apply({"-i", "-t.PEN"});
  EXPECT_FALSE(out.TestOutput);
  EXPECT_TRUE(state_.BatchMode);
}

TEST_F(CommandLineTest, PictureFile) {
  struct Row {
    std::vector<std::string> Args;
    std::string Picture;  // kept
    std::string Error;    // "" when none
  };
  const Row rows[] = {
      {{"-i", "here.pen", "-p", "out.png"}, "out.png", ""},
      {{"-p", "dir/Out.SVG", "-t"}, "dir/Out.SVG", ""},
      {{"-p", "a.png", "-p", "b.svg"}, "b.svg", ""},  // the last one counts
      {{"-p", "out.jpg", "-t"}, "", "The picture file must end in .png or .svg: out.jpg"},
      {{"-p", ".png.txt", "-t"}, "", "The picture file must end in .png or .svg: .png.txt"},
      {{"-t", "-p"}, "", "The option -p needs a picture file (.png or .svg)."},
  };
  for (const Row& row : rows) {
    dialogs_.Log.clear();
    const CommandLineOutcome out = Apply(row.Args);
    EXPECT_EQ(out.PictureFile, row.Picture) << row.Args[1];
    EXPECT_EQ(out.Errors, row.Error.empty() ? 0 : 1) << row.Args[1];
    if (!row.Error.empty()) {
      EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{row.Error});
    }
  }
  // A refused picture name is not read as an option: "-t" after it still counts, "-w" as the
  // name does not.
  EXPECT_TRUE(Apply({"-p", "x.gif", "-t"}).TestOutput);
  EXPECT_FALSE(Apply({"-p", "-w"}).WriteScene);
}

TEST_F(CommandLineTest, ResultsExportOption) {
  const std::string wrong = "Results can only be exported to a .json or a .csv file: ";
  const std::string missing = "The option -o needs a file name ending in .json or .csv";
  struct Row {
    std::vector<std::string> args;
    std::string resultsFile;
    std::vector<std::string> errors;
    bool writeScene;
  };
  const Row rows[] = {
      {{"-o", "r.json", "-w"}, "r.json", {}, true},
      {{"-o", "out/R.CSV"}, "out/R.CSV", {}, false},
      {{"-o", "a.json", "-o", "b.Csv"}, "b.Csv", {}, false},  // the later one wins
      {{"-o", "r.txt"}, "", {wrong + "r.txt"}, false},
      {{"-o", "r.json.bak"}, "", {wrong + "r.json.bak"}, false},
      {{"-o", "-w"}, "", {wrong + "-w"}, false},  // the name is taken, even an option
      {{"-t", "-o"}, "", {missing}, false},       // last argument
      {{"-O", "r.json"}, "", {}, false},          // letter case counts
  };
  for (const Row& row : rows) {
    CommandLineOutcome out = ApplyRow(row.args, row.errors);
    EXPECT_EQ(out.ResultsFile, row.resultsFile) << Joined(row.args);
    EXPECT_EQ(out.WriteScene, row.writeScene) << Joined(row.args);
  }
}

// ---------------------------------------------------------------------------------------------
// File locations

TEST_F(TempFolder, BesideTheProgramWhenItsFolderIsWritable) {
  FileLocations loc = ChooseFileLocations(Bin() + "tarvelin", FakeEnv({}), true);
  EXPECT_EQ(loc.ProgramDir, Bin());
  EXPECT_EQ(loc.SettingsFile, Bin() + "tarvelin.ini");
  EXPECT_EQ(loc.SceneFile, Bin() + "tarvelin.wrl");
  EXPECT_EQ(loc.DataDir, Bin());
  EXPECT_FALSE(loc.PerUser);
  loc = ChooseFileLocations(Bin() + "prog.exe", FakeEnv({}), true);
  EXPECT_EQ(loc.SettingsFile, Bin() + "prog.ini");
  EXPECT_EQ(loc.SceneFile, Bin() + "prog.wrl");
}

TEST_F(TempFolder, PerUserFoldersAreMadeWhenTheProgramFolderIsNotWritable) {
  const std::string config = root_ + "/cfg", data = root_ + "/dat";
  FileLocations loc = ChooseFileLocations(
      Bin() + "tarvelin", FakeEnv({{"XDG_CONFIG_HOME", config}, {"XDG_DATA_HOME", data}}), false);
  EXPECT_TRUE(loc.PerUser);
  EXPECT_EQ(loc.ProgramDir, Bin());  // still resolves "-i" names and finds the manual
  EXPECT_EQ(loc.SettingsFile, config + "/tarvelin/tarvelin.ini");
  EXPECT_EQ(loc.DataDir, data + "/tarvelin/");
  EXPECT_EQ(loc.SceneFile, data + "/tarvelin/tarvelin.wrl");
  EXPECT_TRUE(fs::is_directory(config + "/tarvelin"));
  EXPECT_TRUE(fs::is_directory(data + "/tarvelin"));
}

TEST_F(TempFolder, PerUserFoldersDefaultToTheHomeFolder) {
  const std::string home = root_ + "/home";
  auto env = FakeEnv({{"HOME", home}, {"XDG_CONFIG_HOME", "relative/cfg"}});
  EXPECT_EQ(UserConfigFolder(env), home + "/.config/tarvelin/");
  EXPECT_EQ(UserDataFolder(env), home + "/.local/share/tarvelin/");
}

TEST_F(TempFolder, CanCreateFileIn) {
  EXPECT_TRUE(CanCreateFileIn(Bin()));
  EXPECT_TRUE(fs::is_empty(Bin()));  // the probe is removed again
  EXPECT_FALSE(CanCreateFileIn(root_ + "/no/such/folder/"));
  if (std::system(("chattr +i " + Bin() + " 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "chattr +i is not available";
  EXPECT_FALSE(CanCreateFileIn(Bin()));
  std::system(("chattr -i " + Bin()).c_str());
}

TEST(FolderOf, SplitsAtTheLastSlash) {
  EXPECT_EQ(FolderOf("/a/b/c.PEN"), "/a/b/");
  EXPECT_EQ(FileNameOf("/a/b/c.PEN"), "c.PEN");
  EXPECT_EQ(FolderOf("c.PEN"), "");
  EXPECT_EQ(FileNameOf("c.PEN"), "c.PEN");
}

// ---------------------------------------------------------------------------------------------
// ClearModel, dialogs on a stream, snapshots

TEST(ClearModel, EmptiesTheModelAndKeepsRowNumbers) {
  ModelStore store;
  InitTables(store);
  for (int n = 4; n <= 17; ++n) store.NumberEdit(n).SetRealValue(n);
  store.CoordGrid.SetCell(1, 5, "1.000");
  store.EleGrid.SetCell(3, 100, "2");
  store.PropGrid.SetCell(2, 2, "0.5");
  store.PropGrid.SetCell(1, 1, "10");
  store.StringGrid3.SetCell(1, 1, "-5.0000");
  store.GroupBox4Visible = store.StringGrid3Visible = store.Memo1Visible = true;
  store.Label38Visible = true;
  store.CheckBox1 = true;
  store.CheckBox2 = false;

  ClearModel(store);

  EXPECT_EQ(store.Label23, "0 nodes");
  EXPECT_EQ(store.Label24, "0 bars");
  for (int n = 4; n <= 17; ++n) EXPECT_EQ(store.NumberEdit(n).RealValue(), 0.0) << n;
  EXPECT_EQ(store.PropGrid.Cell(1, 1), "0");
  EXPECT_EQ(store.PropGrid.Cell(2, 1), "0");
  EXPECT_EQ(store.CoordGrid.Cell(1, 5), "");
  EXPECT_EQ(store.EleGrid.Cell(3, 100), "");
  EXPECT_EQ(store.PropGrid.Cell(2, 2), "");
  EXPECT_EQ(store.StringGrid3.Cell(1, 1), "");
  EXPECT_EQ(store.CoordGrid.Cell(0, 5), "5");
  EXPECT_EQ(store.PropGrid.Cell(0, 1), "0");
  EXPECT_EQ(store.CoordGrid.Cell(1, 0), "X [m]");
  EXPECT_FALSE(store.GroupBox4Visible || store.StringGrid3Visible || store.Memo1Visible ||
               store.Label38Visible);
  EXPECT_FALSE(store.CheckBox1);
  EXPECT_TRUE(store.CheckBox2);
}

TEST(StreamDialogs, CarriageReturnsBecomeLinesAndQuestionsAreDeclined) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  StreamDialogs dialogs(out);
  dialogs.ShowError("one\rtwo");
  dialogs.ShowInformation("a\r\nb");
  EXPECT_FALSE(dialogs.AskYesNo("Do you want to update ?"));
  std::rewind(out);
  char buffer[256] = {};
  std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, out);
  std::fclose(out);
  EXPECT_EQ(std::string(buffer, n), "one\ntwo\na\nb\nDo you want to update ? [answered No]\n");
}

TEST_F(TempFolder, SnapshotsPutFilesBack) {
  const std::string file = Work() + "f.PEN", absent = Work() + "none.PEN";
  WriteAll(file, "old\r\ncontent");
  FileSnapshot a = TakeSnapshot(file), b = TakeSnapshot(absent);
  WriteAll(file, "new");
  WriteAll(absent, "made");
  EXPECT_TRUE(RestoreSnapshot(a));
  EXPECT_TRUE(RestoreSnapshot(b));
  EXPECT_EQ(ReadAll(file), "old\r\ncontent");
  EXPECT_FALSE(fs::exists(absent));
}

// A file the run replaces in one step is kept open, not read, and comes back whole; one that
// did not exist goes again.
TEST_F(TempFolder, KeptFilesPutBackAfterAReplacement) {
  const std::string file = Work() + "f.PEN", absent = Work() + "none.PEN";
  const std::string old = "old\r\ncontent\r\n" + std::string(200000, 'x');
  WriteAll(file, old);
  FileSnapshot a = KeepReplacedFile(file), b = KeepReplacedFile(absent);
  EXPECT_TRUE(a.Existed);
  EXPECT_TRUE(a.Bytes.empty());
  EXPECT_FALSE(b.Existed);
  WriteFileAtomically(file, "new");
  WriteFileAtomically(absent, "made");
  EXPECT_TRUE(RestoreSnapshot(a));
  EXPECT_TRUE(RestoreSnapshot(b));
  EXPECT_EQ(ReadAll(file), old);
  EXPECT_FALSE(fs::exists(absent));
  // A copy of the snapshot serves as well, also after the first is gone.
  WriteFileAtomically(file, "newer");
  FileSnapshot copy = a;
  a = FileSnapshot();
  EXPECT_TRUE(RestoreSnapshot(copy));
  EXPECT_EQ(ReadAll(file), old);
}

// ---------------------------------------------------------------------------------------------
// The headless batch run in-process

class HeadlessBatch : public TempFolder {
 protected:
  void SetUp() override {
    TempFolder::SetUp();
    loc_ = ChooseFileLocations(Bin() + "tarvelin", FakeEnv({}), true);
    WriteAll(loc_.SettingsFile, "[program]\r\nautoupdate=0\r\n");
  }
  // One bar from (1, 0, 0) to (3, 0, 0), EA = 2, Fx = 5: ux = 5, force -5.
  std::string Model(const std::string& fx) {
    return "[loads]\r\nFx=" + fx +
           "\r\n[properties]\r\nE=1000\r\nA=0.002\r\n[coordinates]\r\n1=1@0@0\r\n2=3@0@0\r\n"
           "[elements]\r\n1=1@2\r\n";
  }
  FileLocations loc_;
  RecordingDialogs dialogs_;
};

TEST_F(HeadlessBatch, WritesTheResults) {
  WriteAll(Work() + "one.PEN", Model("5"));
  EXPECT_EQ(RunHeadlessBatch({"-i", "one.PEN"}, loc_, dialogs_), kExitWritten);
  EXPECT_TRUE(dialogs_.Log.empty());
  const std::string text = ReadAll(Work() + "one.PEN");
  EXPECT_NE(text.find("[elementforces]\r\n1=-5.0000\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("ux=5.000\r\n"), std::string::npos) << text;
  // The name as it was given on the command line.
  EXPECT_NE(ReadAll(loc_.SettingsFile).find("datafile=one.PEN\r\n"), std::string::npos);
}

// A data file that cannot be written puts the export back as it was before the run: the old
// export restored, a new one removed.
TEST_F(HeadlessBatch, ExportIsWithdrawnWhenTheDataFileFails) {
  WriteAll(Work() + "one.PEN", Model("5"));
  EXPECT_EQ(RunHeadlessBatch({"-i", "one.PEN", "-o", "fresh.json"}, loc_, dialogs_), kExitWritten);
  EXPECT_NE(ReadAll(Work() + "fresh.json").find("\"displacements\": {\"ux\": 5,"),
            std::string::npos)
      << ReadAll(Work() + "fresh.json");

  WriteAll(Work() + "old.csv", "old export");
  const std::string settings = ReadAll(loc_.SettingsFile);
  ASSERT_EQ(::chmod((Work() + "one.PEN").c_str(), 0444), 0);
  for (const char* exportName : {"old.csv", "new.json"}) {
    dialogs_.Log.clear();
    const std::string before = ReadAll(Work() + "one.PEN");
    EXPECT_EQ(RunHeadlessBatch({"-i", "one.PEN", "-o", exportName}, loc_, dialogs_), kExitFailed);
    EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{"Unable to write to one.PEN"});
    EXPECT_EQ(ReadAll(Work() + "one.PEN"), before);
    EXPECT_EQ(ReadAll(loc_.SettingsFile), settings);
  }
  EXPECT_EQ(ReadAll(Work() + "old.csv"), "old export");
  EXPECT_FALSE(fs::exists(Work() + "new.json"));
}

TEST_F(HeadlessBatch, FailureStatuses) {
  WriteAll(Work() + "bad.PEN", Model("5,0"));
  const std::string settings = ReadAll(loc_.SettingsFile);
  EXPECT_EQ(RunHeadlessBatch({"-i", "bad.PEN"}, loc_, dialogs_), kExitFailed);
  EXPECT_EQ(dialogs_.Texts("error"),
            std::vector<std::string>{"'5,0' is not a valid floating point value"});
  EXPECT_EQ(ReadAll(Work() + "bad.PEN"), Model("5,0"));
  EXPECT_EQ(ReadAll(loc_.SettingsFile), settings);

  dialogs_.Log.clear();
  EXPECT_EQ(RunHeadlessBatch({"-i", "gone.PEN"}, loc_, dialogs_), kExitCommandLine);
  EXPECT_EQ(RunHeadlessBatch({"-i", "bad.txt"}, loc_, dialogs_), kExitCommandLine);
  EXPECT_EQ(ReadAll(loc_.SettingsFile), settings);
}

// The data file changes between the batch's read and its write: here the scene export, given
// the data file's own name, stands in for another program saving it meanwhile. The run fails
// with a message and leaves the file as the other writer left it.
TEST_F(HeadlessBatch, DataFileChangedBetweenReadAndWriteIsLeftAsIs) {
  const std::string path = Work() + "one.PEN";
  WriteAll(path, Model("5"));
  const std::string settings = ReadAll(loc_.SettingsFile);
  loc_.SceneFile = path;
  EXPECT_EQ(RunHeadlessBatch({"-i", "one.PEN", "-w"}, loc_, dialogs_), kExitFailed);
  const std::string theirs = ReadAll(path);
  EXPECT_EQ(theirs.rfind("#VRML", 0), 0u) << theirs;
  EXPECT_EQ(theirs.find("[displacements]"), std::string::npos);
  EXPECT_EQ(ReadAll(loc_.SettingsFile), settings);
  EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{ChangedOnDiskMessage("one.PEN")});
}

// A UTF-16 or binary data file ends the run with status 1 and stays as it was.
TEST_F(HeadlessBatch, NonTextDataFileFails) {
  using namespace std::string_literals;
  const std::string utf16 = "\xFF\xFE[\0l\0o\0a\0d\0s\0]\0"s;
  WriteAll(Work() + "u.PEN", utf16);
  EXPECT_EQ(RunHeadlessBatch({"-i", "u.PEN"}, loc_, dialogs_), kExitFailed);
  EXPECT_EQ(ReadAll(Work() + "u.PEN"), utf16);
  EXPECT_EQ(dialogs_.Texts("error"),
            std::vector<std::string>{"u.PEN is not a text file: save it as plain text (UTF-8)"});
}

// A NUL byte inside a value is shown as an escape, not the end of the message.
TEST(StreamDialogsText, NulIsShownAsAnEscape) {
  char buffer[256] = {};
  std::FILE* out = ::fmemopen(buffer, sizeof buffer, "w");
  ASSERT_NE(out, nullptr);
  StreamDialogs dialogs(out);
  using namespace std::string_literals;
  dialogs.ShowError("'1\0x' is not a valid integer value\rnext"s);
  std::fclose(out);
  EXPECT_EQ(std::string(buffer), "'1\\0x' is not a valid integer value\nnext\n");
}

// "-p": the picture goes through the writer after the calculation; a failed run leaves no
// picture and an older one as it was.
TEST_F(HeadlessBatch, PictureAfterASuccessfulCalculationOnly) {
  WriteAll(Work() + "one.PEN", Model("5"));
  std::vector<std::string> asked;
  PictureWriter writer = [&](const ModelStore& store, const std::string& path, std::string&) {
    asked.push_back(path);
    EXPECT_TRUE(store.GroupBox4Visible);  // calculated
    WriteAll(path, "picture");
    return true;
  };
  EXPECT_EQ(RunHeadlessBatch({"-i", "one.PEN", "-p", "one.png"}, loc_, dialogs_, writer),
            kExitWritten);
  EXPECT_EQ(asked, std::vector<std::string>{"one.png"});
  EXPECT_EQ(ReadAll(Work() + "one.png"), "picture");

  // The calculation fails: no picture is asked for.
  WriteAll(Work() + "bad.PEN", Model("5,0"));
  EXPECT_EQ(RunHeadlessBatch({"-i", "bad.PEN", "-p", "bad.png"}, loc_, dialogs_, writer),
            kExitFailed);
  EXPECT_EQ(asked.size(), 1u);
  EXPECT_FALSE(fs::exists(Work() + "bad.png"));

  // The writer fails: the run fails and the data file keeps its content.
  dialogs_.Log.clear();
  WriteAll(Work() + "two.PEN", Model("5"));
  PictureWriter failing = [](const ModelStore&, const std::string&, std::string& error) {
    error = "cannot draw";
    return false;
  };
  EXPECT_EQ(RunHeadlessBatch({"-i", "two.PEN", "-p", "two.svg"}, loc_, dialogs_, failing),
            kExitFailed);
  EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{"cannot draw"});
  EXPECT_EQ(ReadAll(Work() + "two.PEN"), Model("5"));
  // Without a writer "-p" cannot be served.
  EXPECT_EQ(RunHeadlessBatch({"-i", "two.PEN", "-p", "two.svg"}, loc_, dialogs_), kExitFailed);

  // The settings cannot be written after the picture: the older picture comes back.
  WriteAll(Work() + "one.png", "older");
  fs::create_directory(Work() + "locked");
  FileLocations locked = loc_;
  locked.SettingsFile = Work() + "locked/tarvelin.ini";
  WriteAll(locked.SettingsFile, "[program]\r\nautoupdate=0\r\n");
  ASSERT_EQ(std::system(("chattr +i '" + Work() + "locked'").c_str()), 0);
  WriteAll(Work() + "one.PEN", Model("5"));  // as no run writes it
  const int status = RunHeadlessBatch({"-i", "one.PEN", "-p", "one.png"}, locked, dialogs_, writer);
  std::system(("chattr -i '" + Work() + "locked'").c_str());
  EXPECT_EQ(status, kExitFailed);
  EXPECT_EQ(ReadAll(Work() + "one.png"), "older");
  EXPECT_EQ(ReadAll(Work() + "one.PEN"), Model("5"));  // the data file written comes back too
}

// ---------------------------------------------------------------------------------------------
// The run's shared steps

// One bar from (1, 0, 0) to (3, 0, 0), EA = 2; fx the load Fx as written.
std::string OneBarModel(const std::string& fx) {
  return "[loads]\r\nFx=" + fx +
         "\r\n[properties]\r\nE=1000\r\nA=0.002\r\n[coordinates]\r\n1=1@0@0\r\n2=3@0@0\r\n"
         "[elements]\r\n1=1@2\r\n";
}

// The model sections as a save would write them.
std::string ModelText(const ModelStore& store) {
  return ProfileFile::Parse(DataFileText(store, {})).Text();
}

// The settings, then the command line over them.
TEST_F(TempFolder, StartRunAppliesTheCommandLineOverTheSettings) {
  const FileLocations loc = ChooseFileLocations(Bin() + "tarvelin", FakeEnv({}), true);
  WriteAll(loc.SettingsFile,
           "[program]\r\nautoupdate=0\r\ngridlength=200\r\ndatafile=" + Work() + "old.PEN\r\n");
  WriteAll(Work() + "new.PEN", OneBarModel("5"));
  RecordingDialogs dialogs;
  ProgramRun run;
  StartRun(run, {"-i", "new.PEN", "-R", "300", "-w"}, loc, dialogs);
  EXPECT_TRUE(dialogs.Log.empty());
  EXPECT_EQ(run.State.ProgramDir, Bin());
  EXPECT_FALSE(run.State.AutoUpdate);
  EXPECT_EQ(run.State.GridLength, 300);
  EXPECT_EQ(run.State.DataFileName, "new.PEN");
  EXPECT_TRUE(run.State.BatchMode);
  EXPECT_TRUE(run.Options.WriteScene);
  ModelStore store;
  StartTables(store, run.State);
  EXPECT_EQ(store.CoordGrid.RowCount(), 300);
  EXPECT_EQ(store.EleGrid.Cell(1, 0), "begin node");
}

// A read takes the file over only when the whole of it was read; a failed read leaves the
// store as it was (fields, tables and their length) and, when asked, marks the file as never
// to be written back until it is read whole (or saved on purpose: saveAsLiftsTheProtection in
// test_tform1). The store's field hooks stay with the store and are not run for a model read
// aside.
TEST_F(TempFolder, RunDataFileTakesOnlyAWholeFile) {
  using namespace std::string_literals;
  struct Row {
    const char* what;
    std::string text;  // empty: no file
    bool protect;
    bool throws;
    bool taken;
    bool protectedAfter;
  };
  // The bad load is met after the tables have grown to row 300 in the copy being read.
  const std::string halfWay =
      "[loads]\r\nFx=1,5\r\n[coordinates]\r\n1=1@0@0\r\n300=1@2@3\r\n[elements]\r\n1=1@300\r\n";
  const Row rows[] = {
      {"whole file", OneBarModel("7"), true, false, true, false},
      {"stops half-way", halfWay, true, true, false, true},
      {"stops half-way, name not kept", halfWay, false, true, false, false},
      {"no text", "\xFF\xFE[\0l\0"s, true, true, false, true},
      {"no file", "", true, false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string before = Work() + "before.PEN", name = Work() + "m.PEN";
    WriteAll(before, OneBarModel("5"));
    fs::remove(name);
    if (!row.text.empty()) WriteAll(name, row.text);
    ModelStore store;
    InitTables(store);
    RunDataFile file;
    EXPECT_FALSE(file.MayWriteBack(before));  // nothing loaded yet
    ASSERT_EQ(file.Read(store, before, true), ReadResult::Read);
    int repaints = 0;
    store.NumberEdit(4).Changed = [&repaints] { ++repaints; };
    const std::string model = ModelText(store);
    const int length = store.GridLength;

    bool threw = false;
    try {
      file.Read(store, name, row.protect);
    } catch (const std::exception&) {
      threw = true;
    }
    EXPECT_EQ(threw, row.throws);
    EXPECT_EQ(ModelText(store) == model, !row.taken);
    EXPECT_EQ(store.GridLength, length);
    EXPECT_EQ(store.NumberEdit(4).RealValue(), row.taken ? 7.0 : 5.0);
    EXPECT_EQ(repaints, 0);
    ASSERT_TRUE(store.NumberEdit(4).Changed);
    EXPECT_EQ(file.Protects(name), row.protectedAfter);
    EXPECT_EQ(file.MayWriteBack(name), !row.protectedAfter);
    // The stamp follows the last read that did not fail.
    EXPECT_EQ(file.Stamp.Path, row.throws ? before : name);
    // Read whole at last, the file may be written back again.
    if (row.protectedAfter) {
      WriteAll(name, OneBarModel("7"));
      EXPECT_EQ(file.Read(store, name, true), ReadResult::Read);
      EXPECT_TRUE(file.MayWriteBack(name));
    }
  }
}

// A read in place (the batch run, which throws a half-read store away) takes the same model
// from a whole file as a read aside, and protects a file that stops half-way just the same.
TEST_F(TempFolder, RunDataFileReadInPlace) {
  const std::string halfWay = "[coordinates]\r\n1=1@0@0\r\n300=1@2@3\r\n[loads]\r\nFx=1,5\r\n";
  const struct {
    const char* what;
    std::string text;
    bool throws;
  } rows[] = {{"whole file", OneBarModel("7"), false}, {"stops half-way", halfWay, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string name = Work() + "m.PEN";
    WriteAll(name, row.text);
    ModelStore aside, inPlace;
    InitTables(aside);
    InitTables(inPlace);
    RunDataFile asideFile, inPlaceFile;
    auto threw = [&](RunDataFile& file, ModelStore& store, FailedRead failed) {
      try {
        file.Read(store, name, true, failed);
        return false;
      } catch (const std::exception&) {
        return true;
      }
    };
    EXPECT_EQ(threw(asideFile, aside, FailedRead::KeepsModel), row.throws);
    EXPECT_EQ(threw(inPlaceFile, inPlace, FailedRead::DiscardsModel), row.throws);
    if (!row.throws) {
      EXPECT_EQ(ModelText(inPlace), ModelText(aside));
    }
    EXPECT_EQ(inPlaceFile.MayWriteBack(name), !row.throws);
    EXPECT_EQ(inPlaceFile.Stamp.Path, row.throws ? "" : name);
  }
}

// The write step of a batch run: the data file only when it may be written back, the settings
// only when asked (the window writes them at its close); what was written goes back.
TEST_F(TempFolder, WriteRunFilesHonoursTheDataFileRule) {
  const FileLocations loc = ChooseFileLocations(Bin() + "tarvelin", FakeEnv({}), true);
  struct Row {
    const char* what;
    bool readWhole;
    bool saveSettings;
  };
  const Row rows[] = {{"read whole", true, true},
                      {"read whole, settings at the close", true, false},
                      {"read failed", false, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string name = Work() + "m.PEN", text = OneBarModel(row.readWhole ? "5" : "x");
    const std::string settings = "[program]\r\nautoupdate=0\r\n";
    WriteAll(name, text);
    WriteAll(loc.SettingsFile, settings);
    RecordingDialogs dialogs;
    ProgramRun run;
    StartRun(run, {"-i", name}, loc, dialogs);
    ModelStore store;
    StartTables(store, run.State);
    EXPECT_EQ(row.readWhole, [&] {
      try {
        ReadRunModel(store, run, true);
        return true;
      } catch (const std::exception&) {
        return false;
      }
    }());
    if (row.readWhole) {
      ASSERT_TRUE(CalculateModel(store, dialogs));
    }
    RunFiles written;
    EXPECT_TRUE(WriteRunFiles(store, run, loc, {}, row.saveSettings, written, dialogs));
    EXPECT_EQ(ReadAll(name) != text, row.readWhole);
    EXPECT_EQ(ReadAll(loc.SettingsFile) != settings, row.saveSettings);
    written.PutBack(dialogs);
    EXPECT_EQ(ReadAll(name), text);
    EXPECT_TRUE(dialogs.Texts("error").empty());
  }
}

// ---------------------------------------------------------------------------------------------
// The scene written in the background

class BackgroundSceneTest : public TempFolder {
 protected:
  void SetUp() override {
    TempFolder::SetUp();
    InitTables(store_);
    // Fields, bar types and every kind of table entry, so that a scene made of less than
    // what it needs differs from WriteVrmlModel's.
    WriteAll(Work() + "m.PEN",
             "[loads]\r\nFx=5\r\nTz=2\r\n[properties]\r\nE=1000\r\nA=0.002\r\n"
             "[coordinates]\r\n1=1@0@0\r\n2=3@0@0\r\n3=0@2@-1\r\n4=-2@-1@0.5\r\n"
             "[elements]\r\n1=1@2\r\n2=1@3@1\r\n3=4@3@2\r\n"
             "[barproperties]\r\n1=2000@0.001\r\n2=3000@0.004\r\n");
    ASSERT_EQ(ReadDataFile(store_, Work() + "m.PEN"), ReadResult::Read);
  }
  ModelStore store_;
};

// The scene is the one WriteVrmlModel writes, made of the tables as they were at the start:
// the store may change at once. Each write tells its end; the owner's end waits for the write.
TEST_F(BackgroundSceneTest, WritesTheTablesAsTheyWereAtTheStart) {
  RecordingDialogs dialogs;
  WriteVrmlModel(store_, "m.PEN", Work() + "expected.wrl", true, true, dialogs);
  std::atomic<int> ended{0};
  {
    BackgroundScene scene([&ended] { ++ended; });
    scene.Start(store_, "m.PEN", Work() + "scene.wrl", true, true);
    store_.CoordGrid.SetCell(1, 2, "30");
    store_.EleGrid.SetCell(2, 1, "1");
    scene.Wait();
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(scene.TakeMessages().empty());
    scene.Start(store_, "m.PEN", Work() + "later.wrl", true, true);
  }
  EXPECT_EQ(ended, 2);
  EXPECT_EQ(ReadAll(Work() + "scene.wrl"), ReadAll(Work() + "expected.wrl"));
  EXPECT_NE(ReadAll(Work() + "later.wrl").find("# end of file"), std::string::npos);
  EXPECT_TRUE(dialogs.Log.empty());
}

// What a write would have shown is kept, oldest first and once, with the texts the window
// showed when it wrote the scene itself: the file's failure, and a cell that does not convert.
TEST_F(BackgroundSceneTest, KeepsWhatTheWriteReportedForTheOwner) {
  BackgroundScene scene;
  scene.Wait();  // nothing to wait for
  for (int round = 0; round < 2; ++round)
    scene.Start(store_, "m.PEN", Work() + "none/scene.wrl", false, true);
  scene.Wait();
  std::vector<BackgroundScene::Message> messages = scene.TakeMessages();
  ASSERT_EQ(messages.size(), 2u);
  for (const BackgroundScene::Message& m : messages) {
    EXPECT_TRUE(m.Error);
    EXPECT_EQ(m.Text, kVrmlCreateError);
  }
  EXPECT_TRUE(scene.TakeMessages().empty());

  store_.CoordGrid.SetCell(1, 2, "abc");
  RecordingDialogs dialogs;
  EXPECT_FALSE(WriteSceneChecked(store_, "m.PEN", Work() + "direct.wrl", false, true, dialogs));
  scene.Start(store_, "m.PEN", Work() + "scene.wrl", false, true);
  scene.Wait();
  messages = scene.TakeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].Text, dialogs.Texts("error").at(0));
  EXPECT_FALSE(fs::exists(Work() + "scene.wrl"));
}

}  // namespace
}  // namespace tarvelin
