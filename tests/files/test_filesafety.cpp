// Files that are no text, no regular file, or that another program changed under us: read as
// errors and never overwritten unasked; leftovers of killed saves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "file_helpers.h"
#include "files/datafile.h"
#include "files/profilefile.h"
#include "files/settings.h"
#include "recording_dialogs.h"
#include "support/numtext.h"

namespace tarvelin {
namespace {

using test::ReadWhole;
using test::TempFolder;
using test::WriteWhole;

const std::string kModel =
    "[loads]\r\nFx=5\r\n[properties]\r\nE=1000\r\nA=0.002\r\n[coordinates]\r\n1=1@0@0\r\n"
    "2=3@0@0\r\n[elements]\r\n1=1@2\r\n";

ModelStore NewStore() {
  ModelStore store;
  store.GridLength = kDefaultGridLength;
  InitTables(store);
  return store;
}

std::string ReadError(const std::string& path) {
  ModelStore store = NewStore();
  try {
    ReadDataFile(store, path);
  } catch (const UserError& e) {
    return e.what();
  }
  return "read";
}

std::string WriteError(const std::string& path) {
  ModelStore store = NewStore();
  std::string name = path;
  try {
    WriteDataFile(store, name, "/nowhere/");
  } catch (const UserError& e) {
    return e.what();
  }
  return "written";
}

std::string Utf16(const std::string& text, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char c : text) {
    if (bigEndian) out += '\0';
    out += c;
    if (!bigEndian) out += '\0';
  }
  return out;
}

// A FIFO and a link to /dev/zero in folder, named with extension.
std::vector<std::string> FifoAndDeviceLink(const TempFolder& folder, const std::string& extension) {
  const std::string fifo = folder.Path("fifo" + extension);
  const std::string zero = folder.Path("zero" + extension);
  EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
  return {fifo, zero};
}

// UTF-16 (with a byte-order mark or without, then full of NUL bytes) and binary junk are
// reported and never rewritten; a UTF-8 byte-order mark is text.
TEST(NonTextDataFile, IsReportedAndNeverWritten) {
  TempFolder folder;
  struct Case {
    const char* Name;
    std::string Bytes;
  };
  const Case cases[] = {
      {"le.PEN", Utf16(kModel, false)},
      {"be.PEN", Utf16(kModel, true)},
      {"bomonly.PEN", "\xFF\xFE"},
      {"nobom.PEN", Utf16(kModel, false).substr(2)},
      {"junk.PEN", std::string("\x7f"
                               "ELF\x02\x01\x01\0\0\0",
                               10) +
                       "[loads]\r\nFx=1\r\n"},
      {"late.PEN", kModel + std::string(1, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = folder.Path(c.Name);
    WriteWhole(path, c.Bytes);
    const std::string message = path + " is not a text file: save it as plain text (UTF-8)";
    EXPECT_EQ(ReadError(path), message);
    EXPECT_EQ(WriteError(path), message);
    EXPECT_EQ(ReadWhole(path), c.Bytes);
  }
  EXPECT_EQ(folder.Names().size(), std::size(cases));  // no temporary file left

  const std::string bom = folder.Path("bom.PEN");
  WriteWhole(bom, "\xEF\xBB\xBF" + kModel);
  ModelStore store = NewStore();
  EXPECT_EQ(ReadDataFile(store, bom), ReadResult::Read);
  EXPECT_EQ(store.CoordGrid.Cell(1, 2), "3");
  EXPECT_EQ(WriteError(bom), "written");
  EXPECT_EQ(ReadWhole(bom).rfind("\xEF\xBB\xBF[loads]\r\n", 0), 0u);
}

// A FIFO or a link to a device is refused at once: neither waits for a writer nor reads
// without end. A folder stays "no file", as before.
TEST(NonRegularDataFile, IsRefusedWithoutWaiting) {
  TempFolder folder;
  for (const std::string& path : FifoAndDeviceLink(folder, ".PEN")) {
    SCOPED_TRACE(path);
    EXPECT_EQ(ReadError(path), "Unable to read " + path + ": it is not a regular file");
    EXPECT_EQ(WriteError(path), "Unable to write to " + path);
  }
  ModelStore store = NewStore();
  EXPECT_EQ(ReadDataFile(store, folder.Dir()), ReadResult::NoFile);
}

// Another program changes the data file between our read and our write: by writing in place
// (size, or only its time), or by renaming a new file in (only the inode differs).
class ChangedDataFile : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = folder_.Path("m.PEN");
    WriteWhole(path_, kModel);
    SetTime(path_, 1000000000);
    store_ = NewStore();
    ASSERT_EQ(ReadDataFile(store_, path_, &stamp_), ReadResult::Read);
    store_.CoordGrid.SetCell(1, 1, "7");  // our edit
  }
  static void SetTime(const std::string& path, time_t seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  // The ways another program can change the file; each leaves theirs as the content.
  std::vector<std::pair<const char*, std::function<void()>>> Changes() {
    const std::string theirs = kModel + "[notes]\r\nby=them\r\n";
    const std::string sameSize = std::string(kModel).replace(kModel.find("Fx=5"), 4, "Fx=6");
    return {
        {"longer", [=] { WriteWhole(path_, theirs); }},
        {"same size, later time",
         [=] {
           WriteWhole(path_, sameSize);
           SetTime(path_, 1000000001);
         }},
        {"renamed in, same size and time",
         [=] {
           WriteWhole(path_ + ".new", sameSize);
           SetTime(path_ + ".new", 1000000000);
           ASSERT_EQ(::rename((path_ + ".new").c_str(), path_.c_str()), 0);
         }},
        {"removed", [=] { ::unlink(path_.c_str()); }},
    };
  }
  TempFolder folder_;
  std::string path_;
  ModelStore store_;
  DataFileStamp stamp_;
};

TEST_F(ChangedDataFile, BatchFailsAndLeavesTheirFile) {
  for (auto& [what, change] : Changes()) {
    SCOPED_TRACE(what);
    SetUp();
    change();
    const std::string theirs = test::Exists(path_) ? ReadWhole(path_) : "<none>";
    try {
      WriteDataFile(store_, path_, folder_.Dir(), &stamp_);
      ADD_FAILURE() << "overwritten";
    } catch (const UserError& e) {
      EXPECT_EQ(std::string(e.what()), ChangedOnDiskMessage(path_));
    }
    EXPECT_EQ(test::Exists(path_) ? ReadWhole(path_) : "<none>", theirs);
  }
}

TEST_F(ChangedDataFile, WindowAsksAndNoKeepsTheirFile) {
  for (bool overwrite : {false, true}) {
    for (auto& [what, change] : Changes()) {
      SCOPED_TRACE(std::string(what) + (overwrite ? ", yes" : ", no"));
      SetUp();
      change();
      const std::string theirs = test::Exists(path_) ? ReadWhole(path_) : "<none>";
      test::RecordingDialogs ask;
      ask.Answers = {overwrite};
      EXPECT_EQ(WriteDataFile(store_, path_, folder_.Dir(), &stamp_, &ask), overwrite);
      EXPECT_EQ(ask.Texts("question"), std::vector<std::string>{ChangedOnDiskQuestion(path_)});
      if (overwrite)
        EXPECT_NE(ReadWhole(path_).find("1=7.000@"), std::string::npos);
      else
        EXPECT_EQ(test::Exists(path_) ? ReadWhole(path_) : "<none>", theirs);
    }
  }
}

// Unchanged, or changed by our own earlier write: written without a question, and the stamp
// then follows our write. A stamp of another file is no reason to ask.
TEST_F(ChangedDataFile, OwnWritesNeedNoQuestion) {
  test::RecordingDialogs ask;
  EXPECT_TRUE(WriteDataFile(store_, path_, folder_.Dir(), &stamp_, &ask));
  EXPECT_TRUE(WriteDataFile(store_, path_, folder_.Dir(), &stamp_, &ask));
  EXPECT_EQ(stamp_.Stamp, StampOf(path_));
  std::string other = folder_.Path("other.PEN");
  WriteWhole(other, kModel);
  EXPECT_TRUE(WriteDataFile(store_, other, folder_.Dir(), &stamp_, &ask));
  EXPECT_TRUE(ask.Log.empty());
  EXPECT_EQ(stamp_.Path, other);
}

// A FIFO or a link to /dev/zero as the settings file: reported, defaults used, and no save
// through it. Up to 1 MiB is read, beyond it is refused.
TEST(SettingsFile, NonRegularAndOversizedAreRefused) {
  TempFolder folder;
  const std::vector<std::string> odd = FifoAndDeviceLink(folder, ".ini");
  const std::string& fifo = odd[0];
  const std::string& zero = odd[1];
  const std::string head = "[program]\r\nnoIntroPanel=1\r\n";
  const std::string exact = folder.Path("exact.ini");
  WriteWhole(exact, head + std::string(1024 * 1024 - head.size(), ';'));
  const std::string over = folder.Path("over.ini");
  WriteWhole(over, head + std::string(1024 * 1024 - head.size() + 1, ';'));
  struct Case {
    std::string Path;
    std::string Error;  // empty: read
  };
  const Case cases[] = {
      {fifo,
       "The settings file " + fifo + " is not a regular file; the default settings are used."},
      {zero,
       "The settings file " + zero + " is not a regular file; the default settings are used."},
      {over, "The settings file " + over + " is larger than 1 MiB; the default settings are used."},
      {exact, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Path);
    test::RecordingDialogs dialogs;
    StartupState state;
    ReadIniSettings(state, c.Path, dialogs);
    EXPECT_EQ(state.NoIntroPanel, c.Error.empty());
    EXPECT_EQ(dialogs.Texts("error"),
              c.Error.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.Error});
    if (c.Error.empty()) continue;
    try {
      SaveIniSettings(state, c.Path);
      ADD_FAILURE() << "saved";
    } catch (const UserError& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + c.Path);
    }
  }
  struct stat st;
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// A process id that no longer runs: a child that has ended and been reaped.
pid_t DeadPid() {
  pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return child;
}

// The temporary files of saves killed midway are removed at the next save into the folder;
// those of running processes, and names of other shapes, stay.
TEST(KilledSaveLeftovers, DeadOnesAreRemovedAtTheNextSave) {
  TempFolder folder;
  const std::string dead = std::to_string(DeadPid());
  const std::string live = std::to_string(::getppid());
  const std::vector<std::string> removed = {
      ".m.PEN." + dead + ".0.tmp",
      ".tarvelin.ini." + dead + ".12.tmp",
      ".tarvelinupdater.exe." + dead + ".3.tmp",
  };
  const std::vector<std::string> kept = {
      ".m.PEN." + live + ".0.tmp",  // its process still runs
      ".m.PEN.x.0.tmp",
      "." + dead + ".0.tmp",  // no name
      "m.PEN." + dead + ".0.tmp",
      ".m.PEN." + dead + ".tmp",
      "other.PEN",
  };
  for (const std::string& name : removed) WriteWhole(folder.Path(name), std::string(1000, 'x'));
  for (const std::string& name : kept) WriteWhole(folder.Path(name), "keep");
  WriteFileAtomically(folder.Path("new.PEN"), "[loads]\r\n");
  std::vector<std::string> expected = kept;
  expected.push_back("new.PEN");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(folder.Names(), expected);
}

}  // namespace
}  // namespace tarvelin
