// Tests of replacing a file in one step: success, permissions, links and every failure.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <functional>

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

// The message of the UserError that write throws under a file-size limit of 4096 bytes, which
// makes a write fail part way, as a full disk would; empty when it throws none.
std::string ErrorUnderSizeLimit(const std::function<void()>& write) {
  struct rlimit old;
  if (::getrlimit(RLIMIT_FSIZE, &old) != 0) return "getrlimit failed";
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  std::string message;
  if (::setrlimit(RLIMIT_FSIZE, &small) != 0) message = "setrlimit failed";
  try {
    if (message.empty()) write();
  } catch (const UserError& e) {
    message = e.what();
  }
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  return message;
}

TEST_F(AtomicWrite, FullDiskLeavesOldFile) {
  std::string path = folder.Path("full.PEN");
  WriteWhole(path, "old and whole");
  auto before = folder.Names();
  const bool refused = ErrorUnderSizeLimit([&] {
                         WriteFileAtomically(path, std::string(100000, 'x'));
                       }) == "Unable to write to " + path;
  EXPECT_TRUE(refused);
  EXPECT_EQ(ReadWhole(path), "old and whole");
  EXPECT_EQ(folder.Names(), before);
}

// Content handed over in pieces: written in order; a write that fails halfway (a file size
// limit) and an exception from the producer both leave the old file whole and nothing beside.
TEST_F(AtomicWrite, PiecesAreWrittenInOrderOrNotAtAll) {
  const std::string path = folder.Path("pieces.PEN");
  WriteFileAtomically(path, [](const PieceWriter& put) {
    put("first ");
    put("");
    put(std::string(70000, 'x'));
    put(" last");
  });
  EXPECT_EQ(ReadWhole(path), "first " + std::string(70000, 'x') + " last");

  WriteWhole(path, "old and whole");
  const auto before = folder.Names();
  int produced = 0;
  EXPECT_EQ(ErrorUnderSizeLimit([&] {
              WriteFileAtomically(path, [&](const PieceWriter& put) {
                for (; produced < 10; ++produced) put(std::string(1000, 'y'));
              });
            }),
            "Unable to write to " + path);
  EXPECT_EQ(produced, 10);
  EXPECT_EQ(ReadWhole(path), "old and whole");
  EXPECT_EQ(folder.Names(), before);

  EXPECT_THROW(WriteFileAtomically(path,
                                   [](const PieceWriter& put) {
                                     put("half");
                                     throw UserError("the producer failed");
                                   }),
               UserError);
  EXPECT_EQ(ReadWhole(path), "old and whole");
  EXPECT_EQ(folder.Names(), before);
}

}  // namespace
}  // namespace tarvelin
