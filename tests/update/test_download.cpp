// Fetching one address into one local file, file sizes, updater names and the version file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "http_test_server.h"
#include "update/update.h"
#include "update_test_files.h"

namespace tarvelin {
namespace {

using test::HttpTestServer;

// Timeouts short enough that a stalled reply ends the test quickly.
class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = GetDownloadTimeouts();
    SetDownloadTimeouts({2000, 3000});
  }
  void TearDown() override { SetDownloadTimeouts(saved_); }

  std::string Binary(size_t length) {
    std::string bytes;
    for (size_t i = 0; i < length; ++i) bytes += static_cast<char>((i * 131 + 7) & 255);
    return bytes;
  }

  HttpTestServer server_;
  test::UpdateTempFolder folder_;
  DownloadTimeouts saved_;
};

TEST_F(Download, SavesTheBodyUnchangedAndSendsTheAgentName) {
  const std::string body = Binary(100000);  // many blocks, zero bytes included
  server_.Set("/f.bin", body);
  const std::string local = folder_ / "f.bin";
  test::WriteWhole(local, std::string(300000, 'x'));  // an older, longer file is replaced

  EXPECT_TRUE(DownloadFile(server_.Base() + "/f.bin", local));
  EXPECT_EQ(test::ReadWhole(local), body);
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(server_.Requests()[0].UserAgent, "tarvelin");
}

// Every reply that is not the file asked for leaves an empty local file and reports no data.
TEST_F(Download, RepliesWithoutTheFileGiveAnEmptyFile) {
  struct Case {
    const char* Name;
    HttpTestServer::Reply Reply;
  };
  const Case cases[] = {
      {"404 page", {404, "<html>not here</html>", "", false}},
      {"500 page", {500, "<html>broken</html>", "", false}},
      {"empty 200", {200, "", "", false}},
      {"204", {204, "", "", false}},
      {"redirect without target", {302, "moved somewhere", "", false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    server_.Set("/x", c.Reply);
    const std::string local = folder_ / "x";
    test::WriteWhole(local, "old content");
    EXPECT_EQ(FetchToFile(server_.Base() + "/x", local), FetchResult::NoData);
    EXPECT_TRUE(test::Exists(local));
    EXPECT_EQ(test::ReadWhole(local), "");
  }
}

TEST_F(Download, FollowsUpToFiveRedirectsWithinHttp) {
  server_.Set("/end", "the file");
  // /r1 -> /r2 -> ... -> /r6 -> /end: six redirects from /r1, five from /r2.
  for (int i = 1; i <= 6; ++i)
    server_.Set("/r" + std::to_string(i),
                HttpTestServer::Reply{i % 2 ? 302 : 301, "moved",
                                      i == 6 ? "/end" : "/r" + std::to_string(i + 1), false});
  const std::string local = folder_ / "r";
  EXPECT_TRUE(DownloadFile(server_.Base() + "/r2", local));
  EXPECT_EQ(test::ReadWhole(local), "the file");

  EXPECT_FALSE(DownloadFile(server_.Base() + "/r1", local));
  EXPECT_EQ(test::ReadWhole(local), "");
}

TEST_F(Download, OnlyHttpAndHttpsAreFetched) {
  const std::string local = folder_ / "passwd";
  EXPECT_EQ(FetchToFile("file:///etc/passwd", local), FetchResult::NoData);
  EXPECT_EQ(test::ReadWhole(local), "");

  // Other schemes do not even connect to the listening port.
  HttpTestServer other;
  const std::string otherHost = "://127.0.0.1:" + std::to_string(other.Port()) + "/x";
  for (const char* scheme : {"ftp", "dict", "gopher", "telnet", "smtp"})
    EXPECT_FALSE(DownloadFile(scheme + otherHost, local)) << scheme;

  // Nor may a redirect lead out of http and https.
  server_.Set("/to-file", HttpTestServer::Reply{302, "moved", "file:///etc/passwd", false});
  EXPECT_FALSE(DownloadFile(server_.Base() + "/to-file", local));
  EXPECT_EQ(test::ReadWhole(local), "");
  server_.Set("/to-ftp", HttpTestServer::Reply{302, "moved", "ftp" + otherHost, false});
  EXPECT_FALSE(DownloadFile(server_.Base() + "/to-ftp", local));
  EXPECT_EQ(other.Connections(), 0);
}

TEST_F(Download, UnreachableServerGivesNoData) {
  const std::string local = folder_ / "v.ini";
  EXPECT_EQ(FetchToFile("http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/v.ini", local),
            FetchResult::NoData);
  EXPECT_TRUE(test::Exists(local));
  EXPECT_EQ(test::ReadWhole(local), "");
}

// A server that stops sending halfway is cut off by the overall timeout; half a file is
// not kept.
TEST_F(Download, StalledTransferEndsWithNoData) {
  SetDownloadTimeouts({1000, 500});
  server_.Set("/slow", HttpTestServer::Reply{200, Binary(4000), "", true});
  const std::string local = folder_ / "slow";
  EXPECT_EQ(FetchToFile(server_.Base() + "/slow", local), FetchResult::NoData);
  EXPECT_EQ(test::ReadWhole(local), "");
}

TEST_F(Download, LocalFileThatCannotBeCreated) {
  server_.Set("/f", "data");
  EXPECT_EQ(FetchToFile(server_.Base() + "/f", folder_ / "no-such-folder/f"),
            FetchResult::LocalFileError);
  // A folder in the file's place.
  ASSERT_EQ(::mkdir((folder_ / "dir").c_str(), 0755), 0);
  EXPECT_EQ(FetchToFile(server_.Base() + "/f", folder_ / "dir"), FetchResult::LocalFileError);
  EXPECT_FALSE(DownloadFile(server_.Base() + "/f", folder_ / "dir"));
}

TEST_F(Download, LocalFileThatCannotBeWritten) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  server_.Set("/f", Binary(70000));
  EXPECT_EQ(FetchToFile(server_.Base() + "/f", "/dev/full"), FetchResult::LocalFileError);
}

TEST(FileSizeText, SizesInBytes) {
  test::UpdateTempFolder folder;
  EXPECT_EQ(FileSizeText(folder / "missing"), "0");
  EXPECT_EQ(FileSizeText(folder.Path()), "0");
  test::WriteWhole(folder / "empty", "");
  EXPECT_EQ(FileSizeText(folder / "empty"), "0");
  test::WriteWhole(folder / "seven", "1234567");
  EXPECT_EQ(FileSizeText(folder / "seven"), "7");
  // Beyond 32 bits the size is still written in full (a sparse file costs no disk).
  const std::string big = folder / "big";
  test::WriteWhole(big, "");
  if (::truncate(big.c_str(), 5000000001LL) != 0) GTEST_SKIP() << "no large files here";
  EXPECT_EQ(FileSizeText(big), "5000000001");
}

TEST(IsPlainFileName, AcceptsOnlyNamesInsideTheFolder) {
  const std::pair<const char*, bool> cases[] = {
      {"tarvelinupdater.exe", true},
      {"updater-2.sh", true},
      {"a.b.c", true},
      {"C:updater", true},  // an ordinary name here
      {"", false},
      {"   ", false},
      {".", false},
      {" . ", false},
      {"..", false},
      {"../x", false},
      {"x..y", false},
      {"/bin/sh", false},
      {"a/b", false},
      {"a\\b", false},
      {"..\\x", false},
      {"line\nbreak", false},
  };
  for (const auto& [name, plain] : cases) EXPECT_EQ(IsPlainFileName(name), plain) << name;
}

class ReadVersion : public ::testing::Test {
 protected:
  WWWUpdateRec Read(const std::string& content) {
    test::WriteWhole(folder_ / "internet_version.ini", content);
    WWWUpdateRec rec = DefaultUpdateRec();
    ReadInternetVersion(rec, folder_.Path());
    return rec;
  }
  test::UpdateTempFolder folder_;
};

TEST_F(ReadVersion, ReadsTheKeysOfSectionTarvelin) {
  WWWUpdateRec rec = Read(
      "[other]\r\nversion=9\r\n[TARVELIN]\r\nVersion =  1.9.0  \r\nDATE=1 may 2020\r\n"
      "prog_size=123\r\nman_size=456\r\nupd_size=789\r\nurl=http://h/p/\r\nupdater=u.sh\r\n"
      "UPD_SHA256=ABCDEF\r\n");
  EXPECT_EQ(rec.InternetVersion, "1.9.0");
  EXPECT_EQ(rec.InternetDate, "1 may 2020");
  EXPECT_EQ(rec.ProgSize, 123);
  EXPECT_EQ(rec.ManSize, 456);
  EXPECT_EQ(rec.UpdSize, 789);
  EXPECT_EQ(rec.UpdateURL, "http://h/p/");
  EXPECT_EQ(rec.UpdaterName, "u.sh");
  EXPECT_EQ(rec.UpdSha256, "abcdef");
}

TEST_F(ReadVersion, EmptyUrlAndUpdaterKeepTheDefaults) {
  WWWUpdateRec rec = Read("[tarvelin]\nversion=1\nURL=\nUpdater=   \n");
  EXPECT_EQ(rec.UpdateURL, kDefaultUpdateURL);
  EXPECT_EQ(rec.UpdaterName, "tarvelinupdater.exe");
  EXPECT_EQ(rec.UpdSha256, "");
}

TEST_F(ReadVersion, SizeValues) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"upd_size=0", 0},
      {"upd_size=42", 42},
      {"upd_size= 0042 ", 42},
      {"upd_size=", 0},
      {"upd_size=12a", 0},
      {"upd_size=-5", 0},
      {"upd_size=1.5", 0},
      {"upd_size=1 000", 0},
      {"", 0},  // missing
      {"upd_size=2147483647", 2147483647},
      {"upd_size=2147483648", -1},  // too large for 32 bits: never matches
      {"upd_size=99999999999999999999999", -1},
  };
  for (const auto& [line, expected] : cases)
    EXPECT_EQ(Read(std::string("[tarvelin]\n") + line + "\n").UpdSize, expected) << line;
}

TEST_F(ReadVersion, MissingFileKeepsTheRecord) {
  WWWUpdateRec rec = DefaultUpdateRec();
  rec.InternetVersion = "earlier";
  rec.UpdSize = 5;
  ReadInternetVersion(rec, folder_.Path());
  EXPECT_EQ(rec.InternetVersion, "earlier");
  EXPECT_EQ(rec.UpdSize, 5);
}

TEST_F(ReadVersion, FileWithoutTheSectionGivesEmptyValues) {
  WWWUpdateRec rec = Read("<html><body>Not Found</body></html>\n");
  EXPECT_EQ(rec.InternetVersion, "");
  EXPECT_EQ(rec.InternetDate, "");
  EXPECT_EQ(rec.UpdSize, 0);
}

}  // namespace
}  // namespace tarvelin
