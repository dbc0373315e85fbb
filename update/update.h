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

struct WWWUpdateRec {
  bool AutoUpdate = true;
  bool UpdateStarted = false;
  bool VersionFileFetched = true;
  std::int32_t ProgSize = 0;
  std::int32_t ManSize = 0;
  std::int32_t UpdSize = 0;
  std::string InternetVersion;
  std::string InternetDate;
  std::string UpdateURL;  // default: https://<update host>/ORVIK/software/update/TARVELIN/version_update/
  std::string UpdaterName = "tarvelinupdater.exe";
  std::string VersionFileName = "internet_version.ini";
  std::string UpdSha256;  // "upd_sha256" of the version file, lower-case hex; empty when absent
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
  std::function<void(int)> Wait;    // WaitMilliseconds with the window's event processing
  std::function<void()> CloseWindow;
};

WWWUpdateRec DefaultUpdateRec();

// Fetches url into localPath (http and https only, at most five redirects, connect and
// overall timeouts, HTTP error statuses deliver no data). True when at least one byte came.
bool DownloadFile(const std::string& url, const std::string& localPath);
bool DownloadVersionFile(const WWWUpdateRec& rec, const std::string& folder);
void ReadInternetVersion(WWWUpdateRec& rec, const std::string& folder);
std::string FileSizeText(const std::string& fileName);
void UpdateProgram(WWWUpdateRec& rec, UpdateEnvironment& env);

}  // namespace tarvelin
