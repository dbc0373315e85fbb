// The internet version check and the start of the updater.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarvelin {

class Dialogs;

constexpr const char* kProgramVersion = "1.8.15";
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
};

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
};

WWWUpdateRec DefaultUpdateRec();

// Limits of every fetch, so that a dead or slow server cannot hold the start for long.
struct DownloadTimeouts {
  long ConnectMs = 5000;
  long TotalMs = 20000;
};
void SetDownloadTimeouts(const DownloadTimeouts& timeouts);
DownloadTimeouts GetDownloadTimeouts();

enum class FetchResult {
  Data,            // at least one byte of a successful reply was saved
  NoData,          // nothing usable came; the local file exists and is empty
  LocalFileError,  // the local file could not be created or written
};

// Fetches url into localPath, creating or truncating it. Only http and https, at most five
// redirects (within those two), connect and overall timeouts, user agent "tarvelin". An HTTP
// error status (400 and up) and a transfer broken off midway count as no data: the local
// file is then left empty.
FetchResult FetchToFile(const std::string& url, const std::string& localPath);

// FetchToFile(...) == FetchResult::Data.
bool DownloadFile(const std::string& url, const std::string& localPath);
// Deletes folder + rec.VersionFileName, then fetches rec.UpdateURL + rec.VersionFileName
// into it.
FetchResult FetchVersionFile(const WWWUpdateRec& rec, const std::string& folder);
bool DownloadVersionFile(const WWWUpdateRec& rec, const std::string& folder);

// Reads folder + rec.VersionFileName, section "tarvelin", into rec; a missing file leaves
// rec as it was.
void ReadInternetVersion(WWWUpdateRec& rec, const std::string& folder);

// The size of the file in bytes as a whole-number text; "0" when there is no such regular
// file.
std::string FileSizeText(const std::string& fileName);

// True for a name that stays inside the update folder: not empty after trimming blanks, no
// "/" or "\", no "..", no control characters.
bool IsPlainFileName(const std::string& name);

// The whole check: fetch and compare the version file, ask, fetch, check and start the
// updater, then close the window. Never throws.
void UpdateProgram(WWWUpdateRec& rec, UpdateEnvironment& env);

}  // namespace tarvelin
