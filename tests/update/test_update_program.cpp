// The whole version check against a local HTTP server: statuses, the question, the updater.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "http_test_server.h"
#include "recording_dialogs.h"
#include "update/sha256.h"
#include "update/update.h"
#include "update_test_files.h"

namespace tarvelin {
namespace {

using test::HttpTestServer;

const char* const kVersionPath = "/upd/internet_version.ini";
const char* const kUpdaterPath = "/upd/tarvelinupdater.exe";
const std::string kUpdater = "#!/bin/sh\nprintf '%s\\n%s\\n' \"$1\" \"$(pwd)\" > marker.txt\n";

std::string Question(const std::string& version, const std::string& date) {
  return "Latest internet version:\r\r" + version + "\r" + date + "\r\rDo you want to update ?";
}

std::string VersionFile(const std::string& version, const std::string& date,
                        const std::string& extra = "") {
  return "[tarvelin]\r\nversion=" + version + "\r\ndate=" + date + "\r\n" + extra;
}

// Announces kUpdater with its right size.
std::string NewVersionFile(const std::string& extra = "") {
  return VersionFile("1.9.0", "1 march 2024",
                     "upd_size=" + std::to_string(kUpdater.size()) + "\r\n" + extra);
}

class Check : public ::testing::Test {
 protected:
  struct Start {
    std::string Program;
    std::vector<std::string> Args;
    std::string WorkDir;
  };

  void SetUp() override {
    saved_ = GetDownloadTimeouts();
    SetDownloadTimeouts({2000, 5000});
    rec_ = DefaultUpdateRec();
    rec_.UpdateURL = server_.Base() + "/upd/";
    env_.Folder = folder_.Path();
    env_.Ask = &dialogs_;
    env_.SetStatusPanel = [this](const std::string& text) { status_.push_back(text); };
    env_.StartProgram = [this](const std::string& program, const std::vector<std::string>& args,
                               const std::string& workDir) {
      starts_.push_back({program, args, workDir});
      events_.push_back("start");
      return startSucceeds_;
    };
    env_.Wait = [this](int ms) { events_.push_back("wait " + std::to_string(ms)); };
    env_.CloseWindow = [this] { events_.push_back("close"); };
  }
  void TearDown() override { SetDownloadTimeouts(saved_); }

  void Run() { UpdateProgram(rec_, env_); }
  std::vector<std::string> Questions() const { return dialogs_.Texts("question"); }
  std::string Local(const std::string& name) const { return folder_ / name; }

  // The updater was fetched, checked and started, and the window closed after the wait.
  void ExpectStarted(const std::string& name = "tarvelinupdater.exe") {
    EXPECT_TRUE(rec_.UpdateStarted);
    ASSERT_EQ(starts_.size(), 1u);
    EXPECT_EQ(starts_[0].Program, folder_.Path() + name);
    EXPECT_EQ(starts_[0].Args, std::vector<std::string>{folder_.Path() + "internet_version.ini"});
    EXPECT_EQ(starts_[0].WorkDir, folder_.Path());
    EXPECT_EQ(events_, (std::vector<std::string>{"start", "wait 500", "close"}));
    EXPECT_EQ(test::ReadWhole(Local(name)), kUpdater);
    struct stat info;
    ASSERT_EQ(::stat(Local(name).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
    EXPECT_EQ(status_, std::vector<std::string>{"WWW checked"});
  }

  // A version file naming the updater name: refused after the question, before any fetch.
  void ExpectUpdaterNameRefused(const std::string& name) {
    SCOPED_TRACE(name);
    server_.Set(kVersionPath, NewVersionFile("Updater=" + name + "\r\n"));
    server_.Set("/upd/" + name, kUpdater);
    rec_ = DefaultUpdateRec();
    rec_.UpdateURL = server_.Base() + "/upd/";
    status_.clear();
    dialogs_.Log.clear();
    dialogs_.Answers = {true};
    Run();
    EXPECT_EQ(Questions().size(), 1u);
    EXPECT_EQ(status_, (std::vector<std::string>{"WWW checked", "update failed"}));
    EXPECT_EQ(server_.Requests().back().Path, kVersionPath);
  }

  // The user says yes, the update fails, and the download leaves nothing behind.
  void RunExpectingFailureThatLeavesNothing() {
    status_.clear();
    dialogs_.Answers = {true};
    Run();
    EXPECT_EQ(status_, (std::vector<std::string>{"WWW checked", "update failed"}));
    EXPECT_EQ(FolderContent(), std::vector<std::string>{"internet_version.ini"});
  }

  // The names in the program's folder, sorted.
  std::vector<std::string> FolderContent() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  void ExpectNotStarted() {
    EXPECT_FALSE(rec_.UpdateStarted);
    EXPECT_TRUE(starts_.empty());
    EXPECT_TRUE(events_.empty());
  }

  HttpTestServer server_;
  test::UpdateTempFolder top_;
  // The program's folder, one level down, so that a name escaping it stays in top_.
  test::UpdateTempFolder folder_{top_ / "prog"};
  test::RecordingDialogs dialogs_;
  WWWUpdateRec rec_;
  UpdateEnvironment env_;
  std::vector<std::string> status_;
  std::vector<Start> starts_;
  std::vector<std::string> events_;
  bool startSucceeds_ = true;
  DownloadTimeouts saved_;
};

TEST_F(Check, SameVersionAndDateAsksNothing) {
  server_.Set(kVersionPath, VersionFile("1.8.15", "7 december 2016"));
  Run();
  EXPECT_EQ(status_, std::vector<std::string>{"WWW checked"});
  EXPECT_TRUE(rec_.VersionFileFetched);
  EXPECT_TRUE(Questions().empty());
  EXPECT_EQ(server_.CountRequests(kUpdaterPath), 0);
  // The fetched version file stays until the next start.
  EXPECT_EQ(test::ReadWhole(Local("internet_version.ini")),
            VersionFile("1.8.15", "7 december 2016"));
  ExpectNotStarted();
}

// Any difference in version or date text asks; declining ends with "WWW checked".
TEST_F(Check, OtherVersionOrDateAsksAndNoDeclines) {
  struct Case {
    std::string File, Version, Date;
  };
  const Case cases[] = {
      {VersionFile("1.8.15", "8 december 2016"), "1.8.15", "8 december 2016"},
      {VersionFile("1.8.14", "7 december 2016"), "1.8.14", "7 december 2016"},
      {VersionFile("1.8.15", "7 December 2016"), "1.8.15", "7 December 2016"},
      {VersionFile("", ""), "", ""},
      {"[other]\r\nversion=1.8.15\r\ndate=7 december 2016\r\n", "", ""},
      {"<html>a page of the server</html>", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.File);
    server_.Set(kVersionPath, c.File);
    rec_ = DefaultUpdateRec();
    rec_.UpdateURL = server_.Base() + "/upd/";
    dialogs_.Log.clear();
    status_.clear();
    Run();
    EXPECT_EQ(Questions(), std::vector<std::string>{Question(c.Version, c.Date)});
    EXPECT_EQ(status_, std::vector<std::string>{"WWW checked"});
  }
  EXPECT_EQ(server_.CountRequests(kUpdaterPath), 0);
  ExpectNotStarted();
}

TEST_F(Check, UpdaterWithTheAnnouncedSizeIsStarted) {
  server_.Set(kVersionPath, NewVersionFile());
  server_.Set(kUpdaterPath, kUpdater);
  dialogs_.Answers = {true};
  Run();
  EXPECT_EQ(Questions(), std::vector<std::string>{Question("1.9.0", "1 march 2024")});
  ExpectStarted();
}

TEST_F(Check, SizeThatDiffersFails) {
  const std::string size = std::to_string(kUpdater.size());
  const char* const lines[] = {
      "",  // missing: 0
      "upd_size=\r\n",
      "upd_size=12a\r\n",
      "upd_size=0\r\n",
      "upd_size=-1\r\n",
  };
  std::vector<std::string> files;
  for (const char* line : lines) files.push_back(VersionFile("1.9.0", "d", line));
  files.push_back(VersionFile("1.9.0", "d", "upd_size=" + std::to_string(kUpdater.size() + 1)));
  files.push_back(VersionFile("1.9.0", "d", "upd_size=" + std::to_string(kUpdater.size() - 1)));
  // Too large for 32 bits; its lowest 32 bits equal the right size.
  files.push_back(
      VersionFile("1.9.0", "d", "upd_size=" + std::to_string(4294967296ULL + kUpdater.size())));
  server_.Set(kUpdaterPath, kUpdater);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    server_.Set(kVersionPath, file);
    rec_ = DefaultUpdateRec();
    rec_.UpdateURL = server_.Base() + "/upd/";
    RunExpectingFailureThatLeavesNothing();
  }
  ExpectNotStarted();
}

TEST_F(Check, DigestMustMatchWhenAnnounced) {
  std::string digest = Sha256Hex(kUpdater);
  std::string upper = digest;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string wrong = digest;
  wrong[10] = wrong[10] == '0' ? '1' : '0';
  struct Case {
    std::string Line;
    bool Starts;
  };
  const Case cases[] = {
      {"upd_sha256=" + digest, true},
      {"upd_sha256= " + upper + " ", true},
      {"upd_sha256=", true},  // empty: no digest announced
      {"upd_sha256=" + wrong, false},
      {"upd_sha256=" + digest.substr(1), false},  // 63 digits
      {"upd_sha256=" + digest + "0", false},
      {"upd_sha256=" + digest.substr(0, 63) + "g", false},
      {"upd_sha256=" + Sha256Hex(""), false},
  };
  server_.Set(kUpdaterPath, kUpdater);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Line);
    server_.Set(kVersionPath, NewVersionFile(c.Line + "\r\n"));
    rec_ = DefaultUpdateRec();
    rec_.UpdateURL = server_.Base() + "/upd/";
    status_.clear();
    starts_.clear();
    events_.clear();
    dialogs_.Answers = {true};
    Run();
    if (c.Starts) {
      ExpectStarted();
    } else {
      EXPECT_EQ(status_, (std::vector<std::string>{"WWW checked", "update failed"}));
      ExpectNotStarted();
    }
  }
}

TEST_F(Check, UrlAndUpdaterOfTheVersionFileAreUsed) {
  server_.Set(kVersionPath,
              NewVersionFile("URL=" + server_.Base() + "/other/\r\nUpdater=newupdater.sh\r\n"));
  server_.Set("/other/newupdater.sh", kUpdater);
  server_.Set(kUpdaterPath, "the wrong one");
  dialogs_.Answers = {true};
  Run();
  EXPECT_EQ(server_.CountRequests("/other/newupdater.sh"), 1);
  EXPECT_EQ(server_.CountRequests(kUpdaterPath), 0);
  ExpectStarted("newupdater.sh");
}

TEST_F(Check, UpdaterNamesOutsideTheFolderAreRefused) {
  const char* const names[] = {"../x", "/bin/sh", "a/b", "..", "a\\b", "x/../../y"};
  for (const char* name : names) ExpectUpdaterNameRefused(name);
  EXPECT_FALSE(test::Exists(top_ / "x"));
  ExpectNotStarted();
}

TEST_F(Check, UnreachableServer) {
  rec_.UpdateURL = "http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/upd/";
  Run();
  EXPECT_EQ(status_, std::vector<std::string>{"WWW not checked"});
  EXPECT_FALSE(rec_.VersionFileFetched);
  EXPECT_TRUE(Questions().empty());
  // An empty local version file is left.
  EXPECT_TRUE(test::Exists(Local("internet_version.ini")));
  EXPECT_EQ(test::ReadWhole(Local("internet_version.ini")), "");
  ExpectNotStarted();
}

TEST_F(Check, ErrorStatusCountsAsNoVersionFile) {
  for (int status : {404, 500}) {
    SCOPED_TRACE(status);
    server_.Set(kVersionPath, HttpTestServer::Reply{status, "[tarvelin]\nversion=9\n", "", false});
    status_.clear();
    Run();
    EXPECT_EQ(status_, std::vector<std::string>{"WWW not checked"});
    EXPECT_FALSE(rec_.VersionFileFetched);
    EXPECT_EQ(test::ReadWhole(Local("internet_version.ini")), "");
  }
  EXPECT_TRUE(Questions().empty());
  ExpectNotStarted();
}

TEST_F(Check, RedirectsWithinHttpAreFollowed) {
  server_.Set(kVersionPath, HttpTestServer::Reply{302, "", "/moved/version.ini", false});
  server_.Set("/moved/version.ini", NewVersionFile());
  server_.Set(kUpdaterPath,
              HttpTestServer::Reply{301, "", server_.Base() + "/moved/updater", false});
  server_.Set("/moved/updater", kUpdater);
  dialogs_.Answers = {true};
  Run();
  ExpectStarted();
}

TEST_F(Check, AutoUpdateOffDeletesLeftoversAndFetchesNothing) {
  test::WriteWhole(Local("internet_version.ini"), "old");
  test::WriteWhole(Local("tarvelinupdater.exe"), "old");
  test::WriteWhole(Local("data.PEN"), "kept");
  rec_.AutoUpdate = false;
  Run();
  EXPECT_EQ(status_, std::vector<std::string>{"WWW not checked"});
  EXPECT_FALSE(test::Exists(Local("internet_version.ini")));
  EXPECT_FALSE(test::Exists(Local("tarvelinupdater.exe")));
  EXPECT_EQ(test::ReadWhole(Local("data.PEN")), "kept");
  EXPECT_TRUE(server_.Requests().empty());
  ExpectNotStarted();
}

// A record that still holds a refused name from an earlier check deletes nothing outside.
TEST_F(Check, LeftoverDeletionStaysInTheFolder) {
  test::WriteWhole(top_ / "victim", "precious");
  rec_.UpdaterName = "../victim";
  rec_.AutoUpdate = false;
  Run();
  EXPECT_EQ(test::ReadWhole(top_ / "victim"), "precious");
  EXPECT_EQ(status_, std::vector<std::string>{"WWW not checked"});
}

// A link planted under the updater's name is removed, never written through.
TEST_F(Check, LeftoverLinkIsRemovedNotFollowed) {
  test::UpdateTempFolder elsewhere;
  test::WriteWhole(elsewhere / "victim", "precious");
  ASSERT_EQ(::symlink((elsewhere / "victim").c_str(), Local("tarvelinupdater.exe").c_str()), 0);
  server_.Set(kVersionPath, NewVersionFile());
  server_.Set(kUpdaterPath, kUpdater);
  dialogs_.Answers = {true};
  Run();
  ExpectStarted();
  EXPECT_EQ(test::ReadWhole(elsewhere / "victim"), "precious");
}

TEST_F(Check, UpdaterFetchThatBringsNothing) {
  server_.Set(kVersionPath, NewVersionFile());
  const HttpTestServer::Reply replies[] = {
      {404, "not found", "", false},
      {200, "", "", false},
      {200, kUpdater, "", true},  // stalls halfway
  };
  SetDownloadTimeouts({2000, 700});
  for (const HttpTestServer::Reply& reply : replies) {
    SCOPED_TRACE(reply.Status);
    server_.Set(kUpdaterPath, reply);
    status_.clear();
    dialogs_.Answers = {true};
    Run();
    EXPECT_EQ(status_, std::vector<std::string>{"WWW checked"});
    EXPECT_EQ(FolderContent(), std::vector<std::string>{"internet_version.ini"});
  }
  ExpectNotStarted();
}

TEST_F(Check, NonHttpUpdaterAddressIsNotFetched) {
  server_.Set(kVersionPath, NewVersionFile("URL=file:///etc/\r\nUpdater=passwd\r\n"));
  dialogs_.Answers = {true};
  Run();
  EXPECT_EQ(status_, std::vector<std::string>{"WWW checked"});
  EXPECT_EQ(test::ReadWhole(Local("passwd")), "");
  ExpectNotStarted();
}

// A folder where a local file should go: the check fails soundly, nothing escapes.
TEST_F(Check, LocalFilesThatCannotBeWritten) {
  server_.Set(kVersionPath, NewVersionFile());
  server_.Set(kUpdaterPath, kUpdater);
  std::filesystem::create_directories(Local("tarvelinupdater.exe") + "/inside");
  dialogs_.Answers = {true};
  Run();
  EXPECT_EQ(status_, (std::vector<std::string>{"WWW checked", "update failed"}));
  ExpectNotStarted();

  std::filesystem::remove(Local("internet_version.ini"));
  std::filesystem::create_directories(Local("internet_version.ini") + "/inside");
  status_.clear();
  dialogs_.Log.clear();
  Run();
  EXPECT_EQ(status_, std::vector<std::string>{"update failed"});
  EXPECT_TRUE(Questions().empty());
  ExpectNotStarted();
}

// The window must not close when no updater runs to replace the program.
TEST_F(Check, UpdaterThatCannotBeStarted) {
  server_.Set(kVersionPath, NewVersionFile());
  server_.Set(kUpdaterPath, kUpdater);
  startSucceeds_ = false;
  dialogs_.Answers = {true};
  Run();
  EXPECT_EQ(starts_.size(), 1u);
  EXPECT_FALSE(rec_.UpdateStarted);
  EXPECT_EQ(events_, std::vector<std::string>{"start"});
  EXPECT_EQ(status_, (std::vector<std::string>{"WWW checked", "update failed"}));
}

// The fetched bytes really run: a shell script records its argument and working folder.
TEST_F(Check, FetchedUpdaterRuns) {
  server_.Set(kVersionPath, NewVersionFile("upd_sha256=" + Sha256Hex(kUpdater) + "\r\n"));
  server_.Set(kUpdaterPath, kUpdater);
  int exitStatus = -1;
  env_.StartProgram = [&](const std::string& program, const std::vector<std::string>& args,
                          const std::string& workDir) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
      if (::chdir(workDir.c_str()) != 0) ::_exit(126);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    int waitStatus = 0;
    ::waitpid(child, &waitStatus, 0);
    exitStatus = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
    return true;
  };
  dialogs_.Answers = {true};
  Run();
  EXPECT_EQ(exitStatus, 0);
  EXPECT_TRUE(rec_.UpdateStarted);
  EXPECT_EQ(events_, (std::vector<std::string>{"wait 500", "close"}));
  const std::string folder = std::filesystem::canonical(folder_.Path()).string();
  EXPECT_EQ(test::ReadWhole(Local("marker.txt")),
            folder_.Path() + "internet_version.ini\n" + folder + "\n");
}

TEST_F(Check, NoOneToAskMeansNo) {
  server_.Set(kVersionPath, NewVersionFile());
  server_.Set(kUpdaterPath, kUpdater);
  env_.Ask = nullptr;
  Run();
  EXPECT_EQ(status_, std::vector<std::string>{"WWW checked"});
  EXPECT_EQ(server_.CountRequests(kUpdaterPath), 0);
  ExpectNotStarted();
}

// The program's own files, its settings, scene and version file and any data file are never
// replaced by the updater, whatever the letter case; the refusal comes after the question and
// before any fetch, and the file stays as it was.
TEST_F(Check, UpdaterNamesOfTheProgramsFilesAreRefused) {
  env_.ProtectedNames = {"tarvelin", "tarvelin.ini", "tarvelin.wrl", "internet_version.ini"};
  const char* const names[] = {"tarvelin",     "TARVELIN",  " Tarvelin ",           "tarvelin.INI",
                               "TARVELIN.wrl", "model.pen", "INTERNET_VERSION.ini", "x.PEN",
                               "other.ini",    "scene.Wrl"};
  for (const char* name : names) {
    test::WriteWhole(Local("tarvelin"), "the program");
    test::WriteWhole(Local("x.PEN"), "[loads]\r\n");
    ExpectUpdaterNameRefused(name);
    EXPECT_EQ(test::ReadWhole(Local("tarvelin")), "the program");
    EXPECT_EQ(test::ReadWhole(Local("x.PEN")), "[loads]\r\n");
  }
  // Names that merely resemble them are fetched as usual.
  for (const char* name : {"tarvelin2", "tarvelin.exe", "pen", "updater.ini.sh"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(IsProtectedName(name, env_.ProtectedNames));
  }
  ExpectNotStarted();
}

// A name refused by an earlier check is not deleted as a leftover at the next start.
TEST_F(Check, ProtectedLeftoverNameIsNotDeleted) {
  env_.ProtectedNames = {"tarvelin"};
  test::WriteWhole(Local("tarvelin"), "the program");
  rec_.UpdaterName = "Tarvelin";
  rec_.AutoUpdate = false;
  Run();
  EXPECT_EQ(test::ReadWhole(Local("tarvelin")), "the program");
}

// A version file longer than 64 KiB is no version file, whether it says its length or sends
// without end; exactly 64 KiB is read.
TEST_F(Check, VersionFileIsBoundedAt64KiB) {
  const std::string head = VersionFile("1.8.15", "7 december 2016");
  const std::string exact = head + std::string(kMaxVersionFileBytes - head.size(), ';');
  struct Case {
    HttpTestServer::Reply Reply;
    const char* Status;
  };
  const Case cases[] = {
      {{200, exact, "", false, false}, "WWW checked"},
      {{200, exact + ";", "", false, false}, "WWW not checked"},
      {{200, head + std::string(100 * 1024 * 1024, ';'), "", false, false}, "WWW not checked"},
      {{200, std::string(8192, ';'), "", false, true}, "WWW not checked"},
  };
  SetDownloadTimeouts({2000, 60000});  // the bound, not the time limit, must end the fetch
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Reply.Body.size());
    server_.Set(kVersionPath, c.Reply);
    rec_ = DefaultUpdateRec();
    rec_.UpdateURL = server_.Base() + "/upd/";
    status_.clear();
    Run();
    EXPECT_EQ(status_, std::vector<std::string>{c.Status});
    EXPECT_LE(std::filesystem::file_size(Local("internet_version.ini")), kMaxVersionFileBytes);
  }
  EXPECT_TRUE(Questions().empty());
}

// An updater longer than announced, or without end, is stopped at its announced size and
// fails; nothing of it stays.
TEST_F(Check, UpdaterIsBoundedAtItsAnnouncedSize) {
  const HttpTestServer::Reply replies[] = {
      {200, kUpdater + "x", "", false, false},
      {200, kUpdater + std::string(50 * 1024 * 1024, 'x'), "", false, false},
      {200, kUpdater, "", false, true},
  };
  SetDownloadTimeouts({2000, 60000});
  server_.Set(kVersionPath, NewVersionFile());
  for (const HttpTestServer::Reply& reply : replies) {
    SCOPED_TRACE(reply.Body.size());
    server_.Set(kUpdaterPath, reply);
    RunExpectingFailureThatLeavesNothing();
  }
  ExpectNotStarted();
}

// The transport says which bound stopped a reply: too large, not the time limit.
TEST(FetchBounds, EndlessAndOversizedRepliesAreTooLarge) {
  HttpTestServer server;
  test::UpdateTempFolder folder;
  const DownloadTimeouts saved = GetDownloadTimeouts();
  SetDownloadTimeouts({2000, 60000});
  server.Set("/endless", HttpTestServer::Reply{200, std::string(4096, 'e'), "", false, true});
  server.Set("/big", std::string(1001, 'b'));
  server.Set("/fits", std::string(1000, 'f'));
  FetchOptions options;
  options.MaxBytes = 1000;
  EXPECT_EQ(FetchToFile(server.Base() + "/endless", folder / "e", options), FetchResult::TooLarge);
  EXPECT_EQ(FetchToFile(server.Base() + "/big", folder / "b", options), FetchResult::TooLarge);
  EXPECT_EQ(FetchToFile(server.Base() + "/fits", folder / "f", options), FetchResult::Data);
  EXPECT_EQ(test::ReadWhole(folder / "e"), "");
  EXPECT_EQ(test::ReadWhole(folder / "b"), "");
  EXPECT_EQ(test::ReadWhole(folder / "f"), std::string(1000, 'f'));

  // Broken off from another thread's flag (the window closing during a stalled check).
  server.Set("/stall", HttpTestServer::Reply{200, "abcdef", "", true, false});
  std::atomic<bool> cancel{true};
  options.Cancel = &cancel;
  EXPECT_EQ(FetchToFile(server.Base() + "/stall", folder / "s", options), FetchResult::NoData);
  SetDownloadTimeouts(saved);
}

// Https only: plain http is not even asked.
TEST(FetchBounds, HttpsOnlyRefusesPlainHttp) {
  HttpTestServer server;
  test::UpdateTempFolder folder;
  server.Set("/f", "data");
  FetchOptions options;
  options.HttpsOnly = true;
  EXPECT_EQ(FetchToFile(server.Base() + "/f", folder / "f", options), FetchResult::NoData);
  EXPECT_EQ(server.Connections(), 0);
}

// After a version file fetched over https the updater never comes over plain http. The
// transport maps the https address onto the local server and records what it was asked.
TEST_F(Check, HttpsCheckNeverFallsBackToHttp) {
  const std::string secure = "https://updates.test/";
  std::vector<std::pair<std::string, bool>> asked;
  env_.Fetch = [&](const std::string& url, const std::string& path, const FetchOptions& options) {
    asked.emplace_back(url, options.HttpsOnly);
    std::string plain = url;
    std::string scheme = plain.substr(0, 8);
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (scheme + plain.substr(8, secure.size() - 8) == secure)
      plain = server_.Base() + "/" + plain.substr(secure.size());
    FetchOptions local = options;
    local.HttpsOnly = false;
    return FetchToFile(plain, path, local);
  };
  struct Case {
    std::string Url;
    bool Fetched;
  };
  const Case cases[] = {
      {"", true},  // the updater from the checked https address
      {"URL=" + secure + "other/\r\n", true},
      {"URL=HTTPS://updates.test/other/\r\n", true},
      {"URL=" + server_.Base() + "/other/\r\n", false},
      {"URL=HTTP://updates.test/other/\r\n", false},
      {"URL=updates.test/other/\r\n", false},
  };
  server_.Set("/upd/tarvelinupdater.exe", kUpdater);
  server_.Set("/other/tarvelinupdater.exe", kUpdater);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Url);
    server_.Set(kVersionPath, NewVersionFile(c.Url));
    rec_ = DefaultUpdateRec();
    rec_.UpdateURL = secure + "upd/";
    status_.clear();
    starts_.clear();
    events_.clear();
    asked.clear();
    dialogs_.Answers = {true};
    Run();
    ASSERT_GE(asked.size(), 1u);
    EXPECT_TRUE(asked[0].second);  // redirects of the check stay on https too
    if (c.Fetched) {
      ASSERT_EQ(asked.size(), 2u);
      EXPECT_TRUE(asked[1].second);
      ExpectStarted();
    } else {
      EXPECT_EQ(asked.size(), 1u);
      EXPECT_EQ(status_, (std::vector<std::string>{"WWW checked", "update failed"}));
      ExpectNotStarted();
    }
  }
  // A check over http may fetch over http (the other tests) and asks no https-only fetch.
  EXPECT_FALSE(DefaultUpdateRec().SecureCheck);
}

}  // namespace
}  // namespace tarvelin
