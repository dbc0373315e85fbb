// The internet version check and the start of the updater.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "version.h"

namespace tarvelin {

class Dialogs;

constexpr const char* kProgramVersion = TARVELIN_VERSION;
constexpr const char* kProgramDate = "7 december 2016";

// The texts of the eighth status panel.
constexpr const char* kWWWNotChecked = "WWW not checked";
constexpr const char* kWWWChecked = "WWW checked";
constexpr const char* kUpdateFailed = "update failed";

constexpr const char* kDefaultUpdateURL =
    "https://www.tarvelin.example/ORVIK/software/update/TARVELIN/version_update/";

struct WWWUpdateRec {
  bool AutoUpdate = true;
  bool UpdateStarted = false;
  bool VersionFileFetched = true;
  // Size values: 0 when missing or not a digit string, -1 when the digits do not fit in
  // 32 bits (no file ever has that size, so such an announced size never matches).
  std::int32_t ProgSize = 0;
  std::int32_t ManSize = 0;
  std::int32_t UpdSize = 0;
  std::string InternetVersion;
  std::string InternetDate;
  std::string UpdateURL;  // default: kDefaultUpdateURL
  std::string UpdaterName = "tarvelinupdater.exe";
  std::string VersionFileName = "internet_version.ini";
  // "upd_sha256" of the version file, lower-cased; empty when absent. A value that is not
  // 64 hexadecimal digits is kept as it stands and then matches no updater.
  std::string UpdSha256;
  // The version file came over https: the updater must come over https as well.
  bool SecureCheck = false;
};

// Largest version file taken; a longer one counts as no data.
constexpr std::uint64_t kMaxVersionFileBytes = 64 * 1024;
// Largest updater fetched when the version file announces no usable size.
constexpr std::uint64_t kMaxUpdaterBytes = 512ull * 1024 * 1024;

enum class FetchResult {
  Data,            // at least one byte of a successful reply was saved
  NoData,          // nothing usable came; the local file exists and is empty
  LocalFileError,  // the local file could not be created or written
  TooLarge,        // the reply was longer than allowed; the local file is left empty
};

struct FetchOptions {
  std::uint64_t MaxBytes = kMaxUpdaterBytes;
  // Only https, also for every redirect.
  bool HttpsOnly = false;
  // Set from another thread to break the fetch off (the window is closing).
  const std::atomic<bool>* Cancel = nullptr;
};

using FetchFunction = std::function<FetchResult(const std::string& url, const std::string& path,
                                                const FetchOptions& options)>;

// What the check needs from the program around it.
struct UpdateEnvironment {
  std::string Folder;  // where both files are kept and the updater is started, ending in "/"
  Dialogs* Ask = nullptr;
  std::function<void(const std::string&)> SetStatusPanel;  // eighth status panel
  // Starts program with one argument, working folder workDir; false when it could not start.
  std::function<bool(const std::string& program, const std::vector<std::string>& args,
                     const std::string& workDir)>
      StartProgram;
  std::function<void(int)> Wait;  // WaitMilliseconds with the window's event processing
  std::function<void()> CloseWindow;
  // Names the updater may never take (the program's own files), compared in any letter case;
  // "*.pen", "*.ini" and "*.wrl" names are refused besides.
  std::vector<std::string> ProtectedNames;
  // Breaks off the fetches when set (read from the thread that fetches).
  const std::atomic<bool>* Cancel = nullptr;
  // The transport; FetchToFile when empty.
  FetchFunction Fetch;
};

WWWUpdateRec DefaultUpdateRec();

// Limits of every fetch, so that a dead or slow server cannot hold the start for long.
struct DownloadTimeouts {
  long ConnectMs = 5000;
  long TotalMs = 20000;
};
void SetDownloadTimeouts(const DownloadTimeouts& timeouts);
DownloadTimeouts GetDownloadTimeouts();

// Fetches url into localPath, creating or truncating it. Only http and https, at most five
// redirects (within those two), connect and overall timeouts, user agent "tarvelin". An HTTP
// error status (400 and up) and a transfer broken off midway count as no data, a reply longer
// than options.MaxBytes as too large: the local file is then left empty.
FetchResult FetchToFile(const std::string& url, const std::string& localPath,
                        const FetchOptions& options = FetchOptions());

// FetchToFile(...) == FetchResult::Data.
bool DownloadFile(const std::string& url, const std::string& localPath);
// Deletes folder + rec.VersionFileName, then fetches rec.UpdateURL + rec.VersionFileName
// into it (at most kMaxVersionFileBytes).
FetchResult FetchVersionFile(const WWWUpdateRec& rec, const std::string& folder);

// Reads folder + rec.VersionFileName, section "tarvelin", into rec; a missing file leaves
// rec as it was.
void ReadInternetVersion(WWWUpdateRec& rec, const std::string& folder);

// The size of the file in bytes as a whole-number text; "0" when there is no such regular
// file.
std::string FileSizeText(const std::string& fileName);

// True for a name that stays inside the update folder: not empty after trimming blanks, no
// "/" or "\", no "..", no control characters.
bool IsPlainFileName(const std::string& name);

// True for a name the updater must not take: one of protectedNames in any letter case, or a
// name ending in ".pen", ".ini" or ".wrl" (data, settings and scene files).
bool IsProtectedName(const std::string& name, const std::vector<std::string>& protectedNames);

// The check in steps, so that the fetching steps can run away from the window's thread:
//   CheckVersion (fetching)  -> status text; NewVersion when the question is to be asked
//   AskForUpdate (window)    -> the question
//   FetchUpdater (fetching)  -> the checked updater in place, or why not
//   FinishUpdate (window)    -> status, start of the updater and the close
// UpdateProgram runs them one after the other.
enum class VersionOutcome { NotChecked, Failed, SameVersion, NewVersion };
enum class UpdaterOutcome { Ready, NothingCame, Failed };

// Deletes the leftovers of an earlier run, fetches (when rec.AutoUpdate) and reads the
// version file. Uses env.Folder, env.Fetch and env.Cancel only.
VersionOutcome CheckVersion(WWWUpdateRec& rec, const UpdateEnvironment& env);
// "WWW not checked", "update failed" or "WWW checked".
const char* StatusText(VersionOutcome outcome);
// Asks through env.Ask; false when there is no one to ask.
bool AskForUpdate(const WWWUpdateRec& rec, UpdateEnvironment& env);
// Fetches the updater into a temporary file beside its place, checks its size and digest
// there and only then renames it into place; on any failure nothing is left behind. A name
// outside the folder or a protected one, and plain http after an https check, are refused
// before anything is fetched. Uses env.Folder, env.ProtectedNames, env.Fetch, env.Cancel.
UpdaterOutcome FetchUpdater(const WWWUpdateRec& rec, const UpdateEnvironment& env);
// "update failed" for a failure; starts a ready updater and closes the window.
void FinishUpdate(WWWUpdateRec& rec, UpdateEnvironment& env, UpdaterOutcome outcome);

// The whole check: fetch and compare the version file, ask, fetch, check and start the
// updater, then close the window. Never throws.
void UpdateProgram(WWWUpdateRec& rec, UpdateEnvironment& env);

}  // namespace tarvelin
