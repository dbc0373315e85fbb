// Tests of replacing a file in one step: success, permissions, links and every failure.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "file_helpers.h"
#include "files/profilefile.h"
#include "support/numtext.h"

namespace tarvelin {
namespace {

using test::Chattr;
using test::ReadWhole;
using test::TempFolder;
using test::WriteWhole;

// Writes and expects the failure message, with the old content still in place and no
// temporary file beside it.
void ExpectRefused(const TempFolder& folder, const std::string& path, const std::string& old) {
  auto before = folder.Names();
  try {
    WriteFileAtomically(path, "new content\r\n");
    ADD_FAILURE() << "writing " << path << " succeeded";
  } catch (const UserError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
  }
  EXPECT_EQ(folder.Names(), before);
  if (!old.empty()) {
    EXPECT_EQ(ReadWhole(path), old);
  }
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

class AtomicWrite : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder.Valid()); }
  TempFolder folder;
};

TEST_F(AtomicWrite, CreatesAndReplacesLeavingNothingBehind) {
  std::string path = folder.Path("a.PEN");
  WriteFileAtomically(path, "first");
  EXPECT_EQ(ReadWhole(path), "first");
  WriteFileAtomically(path, std::string("se\0cond", 7));
  EXPECT_EQ(ReadWhole(path), std::string("se\0cond", 7));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"a.PEN"});
}

TEST_F(AtomicWrite, NewFileFollowsTheUmask) {
  mode_t old = ::umask(027);
  WriteFileAtomically(folder.Path("new.ini"), "x");
  ::umask(old);
  EXPECT_EQ(ModeOf(folder.Path("new.ini")), 0640u);
}

TEST_F(AtomicWrite, KeepsPermissionBits) {
  for (mode_t mode : {0600u, 0640u, 0664u, 0200u}) {
    std::string path = folder.Path("perm.PEN");
    WriteWhole(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    WriteFileAtomically(path, "new");
    EXPECT_EQ(ModeOf(path), mode);
    EXPECT_EQ(ReadWhole(path), "new");
  }
}

TEST_F(AtomicWrite, RefusesReadOnlyFile) {
  std::string path = folder.Path("ro.PEN");
  WriteWhole(path, "precious");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);  // chmod a-w
  ExpectRefused(folder, path, "precious");
  EXPECT_EQ(ModeOf(path), 0444u);
}

TEST_F(AtomicWrite, RefusesUnwritableFolder) {
  std::string path = folder.Path("sub/data.PEN");
  ASSERT_EQ(::mkdir(folder.Path("sub").c_str(), 0755), 0);
  WriteWhole(path, "precious");
  if (!Chattr("+i", folder.Path("sub"))) GTEST_SKIP() << "chattr is not available here";
  try {
    WriteFileAtomically(path, "new");
    ADD_FAILURE() << "writing into an immutable folder succeeded";
  } catch (const UserError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
  }
  Chattr("-i", folder.Path("sub"));
  EXPECT_EQ(ReadWhole(path), "precious");
  EXPECT_EQ(test::NamesIn(folder.Path("sub")), std::vector<std::string>{"data.PEN"});
}

TEST_F(AtomicWrite, RefusesImmutableFile) {
  std::string path = folder.Path("imm.PEN");
  WriteWhole(path, "precious");
  if (!Chattr("+i", path)) GTEST_SKIP() << "chattr is not available here";
  ExpectRefused(folder, path, "precious");
  Chattr("-i", path);
}

TEST_F(AtomicWrite, RefusesMissingFolderDirectoryAndEmptyName) {
  ExpectRefused(folder, folder.Path("missing/data.PEN"), "");
  ExpectRefused(folder, folder.Dir(), "");
  ASSERT_EQ(::mkdir(folder.Path("dir.PEN").c_str(), 0755), 0);
  ExpectRefused(folder, folder.Path("dir.PEN"), "");
  ExpectRefused(folder, "", "");
}

TEST_F(AtomicWrite, FollowsSymbolicLinks) {
  ASSERT_EQ(::mkdir(folder.Path("real").c_str(), 0755), 0);
  std::string target = folder.Path("real/target.PEN");
  WriteWhole(target, "old");
  ASSERT_EQ(::chmod(target.c_str(), 0660), 0);
  ASSERT_EQ(::symlink("real/target.PEN", folder.Path("relative.PEN").c_str()), 0);
  ASSERT_EQ(::symlink(folder.Path("relative.PEN").c_str(), folder.Path("chain.PEN").c_str()), 0);

  WriteFileAtomically(folder.Path("chain.PEN"), "through two links");
  EXPECT_EQ(ReadWhole(target), "through two links");
  EXPECT_EQ(ModeOf(target), 0660u);
  struct stat st;
  ASSERT_EQ(::lstat(folder.Path("chain.PEN").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::lstat(folder.Path("relative.PEN").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));

  // A dangling link creates the file it points to.
  ASSERT_EQ(::symlink("real/later.PEN", folder.Path("dangling.PEN").c_str()), 0);
  WriteFileAtomically(folder.Path("dangling.PEN"), "created");
  EXPECT_EQ(ReadWhole(folder.Path("real/later.PEN")), "created");

  // A link to a read-only file is refused like the file itself.
  ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
  ExpectRefused(folder, folder.Path("relative.PEN"), "through two links");

  ASSERT_EQ(::symlink("loop2", folder.Path("loop1").c_str()), 0);
  ASSERT_EQ(::symlink("loop1", folder.Path("loop2").c_str()), 0);
  ExpectRefused(folder, folder.Path("loop1"), "");
}

TEST_F(AtomicWrite, FullDiskLeavesOldFile) {
  // A file-size limit makes the write fail part way, as a full disk would.
  std::string path = folder.Path("full.PEN");
  WriteWhole(path, "old and whole");
  struct rlimit old;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  auto before = folder.Names();
  bool refused = false;
  try {
    WriteFileAtomically(path, std::string(100000, 'x'));
  } catch (const UserError& e) {
    refused = std::string(e.what()) == "Unable to write to " + path;
  }
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_TRUE(refused);
  EXPECT_EQ(ReadWhole(path), "old and whole");
  EXPECT_EQ(folder.Names(), before);
}

}  // namespace
}  // namespace tarvelin
