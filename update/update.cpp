// The internet version check: fetch the version file, compare, ask, fetch and start the updater.
#include "update/update.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <mutex>

#include "files/profilefile.h"
#include "support/dialogs.h"
#include "support/unitlib.h"
#include "update/sha256.h"

namespace tarvelin {

namespace {

DownloadTimeouts gTimeouts;

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Sink {
  std::FILE* File = nullptr;
  unsigned long long Written = 0;
  unsigned long long Limit = 0;
  bool WriteFailed = false;
  bool TooLarge = false;
};

size_t WriteBlock(char* data, size_t size, size_t count, void* userData) {
  auto* sink = static_cast<Sink*>(userData);
  size_t bytes = size * count;
  if (bytes == 0) return 0;
  // A body without an announced length (or lying about it) is stopped at the limit, so an
  // endless reply can neither fill the disk nor hold the check.
  if (bytes > sink->Limit - sink->Written) {
    sink->TooLarge = true;
    return 0;
  }
  if (std::fwrite(data, 1, bytes, sink->File) != bytes) {
    sink->WriteFailed = true;
    return 0;  // makes curl stop with a write error
  }
  sink->Written += bytes;
  return bytes;
}

int Progress(void* cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return cancel && static_cast<const std::atomic<bool>*>(cancel)->load() ? 1 : 0;
}

// All options must take; a libcurl that cannot restrict the protocols must not fetch at all.
bool Configure(CURL* curl, const std::string& url, Sink& sink, const FetchOptions& options) {
  const DownloadTimeouts limits = gTimeouts;
  const char* protocols = options.HttpsOnly ? "https" : "http,https";
  return curl_easy_setopt(curl, CURLOPT_URL, url.c_str()) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, protocols) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, protocols) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_DEFAULT_PROTOCOL, "https") == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, limits.ConnectMs) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, limits.TotalMs) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_USERAGENT, "tarvelin") == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                          static_cast<curl_off_t>(options.MaxBytes)) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_XFERINFODATA,
                          const_cast<std::atomic<bool>*>(options.Cancel)) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBlock) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink) == CURLE_OK;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool RegularFileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Deletes a leftover file (or a symbolic link planted in its place); folders stay, and the
// fetch into such a name then fails as a local-file error.
void DeleteFile(const std::string& path) {
  ::unlink(path.c_str());
}

// A size value of the version file: digits only, else 0; -1 when it does not fit in 32 bits.
std::int32_t SizeValue(const std::string& text) {
  if (text.empty() || !IsDigitString(text)) return 0;
  long long value = 0;
  for (char c : text) {
    value = value * 10 + (c - '0');
    if (value > INT32_MAX) return -1;
  }
  return static_cast<std::int32_t>(value);
}

std::string LowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsSha256Text(const std::string& text) {
  if (text.size() != 64) return false;
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

bool SizeMatches(const std::string& sizeText, std::int32_t announced) {
  if (announced < 0) return false;
  unsigned long long size = 0;
  for (char c : sizeText) {
    if (c < '0' || c > '9') return false;
    size = size * 10 + static_cast<unsigned>(c - '0');
    if (size > INT32_MAX) return false;
  }
  return size == static_cast<unsigned long long>(announced);
}

void Show(UpdateEnvironment& env, const char* text) {
  if (env.SetStatusPanel) env.SetStatusPanel(text);
}

bool StartsWithNoCase(const std::string& text, const std::string& start) {
  return text.size() >= start.size() && LowerCase(text.substr(0, start.size())) == start;
}

bool EndsWithNoCase(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && LowerCase(text.substr(text.size() - end.size())) == end;
}

FetchResult Fetch(const UpdateEnvironment& env, const std::string& url, const std::string& path,
                  const FetchOptions& options) {
  return env.Fetch ? env.Fetch(url, path, options) : FetchToFile(url, path, options);
}

// A fresh file for the download beside its place, created by us alone: no file or link
// planted under the name is ever written through.
bool CreateDownloadFile(const std::string& folder, const std::string& name, std::string& path) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = Join(folder, "." + name + "." + std::to_string(::getpid()) + "." +
                            std::to_string(counter.fetch_add(1)) + ".tmp");
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

// The updater in the temporary file: size, digest and mode checked and set there.
bool CheckDownloadedUpdater(const WWWUpdateRec& rec, const std::string& path) {
  if (!SizeMatches(FileSizeText(path), rec.UpdSize)) return false;
  if (!rec.UpdSha256.empty()) {
    std::string digest;
    if (!IsSha256Text(rec.UpdSha256) || !Sha256OfFile(path, digest) ||
        digest != LowerCase(rec.UpdSha256))
      return false;
  }
  return ::chmod(path.c_str(), 0755) == 0;
}

}  // namespace

bool IsProtectedName(const std::string& name, const std::vector<std::string>& protectedNames) {
  std::string trimmed = name;
  TrimLeadingBlanks(trimmed);
  TrimTrailingBlanks(trimmed);
  for (const std::string& other : protectedNames)
    if (!other.empty() && LowerCase(trimmed) == LowerCase(other)) return true;
  for (const char* end : {".pen", ".ini", ".wrl"})
    if (EndsWithNoCase(trimmed, end)) return true;
  return false;
}

VersionOutcome CheckVersion(WWWUpdateRec& rec, const UpdateEnvironment& env) {
  // Leftovers of an earlier run; a name that could point outside the folder, or that names
  // one of the program's own files, is left alone.
  if (IsPlainFileName(rec.UpdaterName) && !IsProtectedName(rec.UpdaterName, env.ProtectedNames))
    DeleteFile(Join(env.Folder, rec.UpdaterName));
  DeleteFile(Join(env.Folder, rec.VersionFileName));
  if (!rec.AutoUpdate) return VersionOutcome::NotChecked;

  rec.SecureCheck = StartsWithNoCase(rec.UpdateURL, "https://");
  const std::string local = Join(env.Folder, rec.VersionFileName);
  FetchOptions options;
  options.MaxBytes = kMaxVersionFileBytes;
  options.HttpsOnly = rec.SecureCheck;
  options.Cancel = env.Cancel;
  FetchResult fetched = Fetch(env, rec.UpdateURL + rec.VersionFileName, local, options);
  rec.VersionFileFetched = fetched == FetchResult::Data;
  if (fetched == FetchResult::LocalFileError) return VersionOutcome::Failed;
  if (!rec.VersionFileFetched) return VersionOutcome::NotChecked;

  ReadInternetVersion(rec, env.Folder);
  if (rec.InternetVersion == kProgramVersion && rec.InternetDate == kProgramDate)
    return VersionOutcome::SameVersion;
  return VersionOutcome::NewVersion;
}

const char* StatusText(VersionOutcome outcome) {
  switch (outcome) {
    case VersionOutcome::NotChecked:
      return kWWWNotChecked;
    case VersionOutcome::Failed:
      return kUpdateFailed;
    case VersionOutcome::SameVersion:
    case VersionOutcome::NewVersion:
      break;
  }
  return kWWWChecked;
}

bool AskForUpdate(const WWWUpdateRec& rec, UpdateEnvironment& env) {
  const std::string question = std::string("Latest internet version:") + "\r\r" +
                               rec.InternetVersion + "\r" + rec.InternetDate + "\r\r" +
                               "Do you want to update ?";
  return env.Ask && env.Ask->AskYesNo(question);
}

UpdaterOutcome FetchUpdater(const WWWUpdateRec& rec, const UpdateEnvironment& env) {
  // A name from the server must not reach outside the update folder, nor replace the
  // program, its settings, scene or version file, or a data file.
  if (!IsPlainFileName(rec.UpdaterName) || IsProtectedName(rec.UpdaterName, env.ProtectedNames))
    return UpdaterOutcome::Failed;
  // What an https check vouched for must not be fetched where anyone on the way can change it.
  if (rec.SecureCheck && !StartsWithNoCase(rec.UpdateURL, "https://"))
    return UpdaterOutcome::Failed;

  std::string temporary;
  if (!CreateDownloadFile(env.Folder, rec.UpdaterName, temporary)) return UpdaterOutcome::Failed;
  FetchOptions options;
  options.MaxBytes = rec.UpdSize > 0 ? static_cast<std::uint64_t>(rec.UpdSize) : kMaxUpdaterBytes;
  options.HttpsOnly = rec.SecureCheck;
  options.Cancel = env.Cancel;
  const FetchResult fetched = Fetch(env, rec.UpdateURL + rec.UpdaterName, temporary, options);
  UpdaterOutcome outcome = UpdaterOutcome::Failed;
  if (fetched == FetchResult::NoData) {
    // Nothing came: the check ends quietly with "WWW checked".
    outcome = UpdaterOutcome::NothingCame;
  } else if (fetched == FetchResult::Data && CheckDownloadedUpdater(rec, temporary) &&
             ::rename(temporary.c_str(), Join(env.Folder, rec.UpdaterName).c_str()) == 0) {
    return UpdaterOutcome::Ready;
  }
  ::unlink(temporary.c_str());
  return outcome;
}

void FinishUpdate(WWWUpdateRec& rec, UpdateEnvironment& env, UpdaterOutcome outcome) {
  if (outcome == UpdaterOutcome::NothingCame) return;
  if (outcome == UpdaterOutcome::Failed) {
    Show(env, kUpdateFailed);
    return;
  }
  const std::string local = Join(env.Folder, rec.UpdaterName);
  rec.UpdateStarted = true;
  bool started = false;
  try {
    started = env.StartProgram &&
              env.StartProgram(local, {Join(env.Folder, rec.VersionFileName)}, env.Folder);
  } catch (...) {
    started = false;
  }
  if (!started) {
    // Closing now would end the program with nothing to replace it; carry on instead.
    rec.UpdateStarted = false;
    Show(env, kUpdateFailed);
    return;
  }
  if (env.Wait) env.Wait(500);
  if (env.CloseWindow) env.CloseWindow();
}

namespace {

void RunCheck(WWWUpdateRec& rec, UpdateEnvironment& env) {
  const VersionOutcome outcome = CheckVersion(rec, env);
  Show(env, StatusText(outcome));
  if (outcome != VersionOutcome::NewVersion || !AskForUpdate(rec, env)) return;
  FinishUpdate(rec, env, FetchUpdater(rec, env));
}

}  // namespace

WWWUpdateRec DefaultUpdateRec() {
  WWWUpdateRec rec;
  rec.UpdateURL = kDefaultUpdateURL;
  return rec;
}

void SetDownloadTimeouts(const DownloadTimeouts& timeouts) {
  gTimeouts = timeouts;
}

DownloadTimeouts GetDownloadTimeouts() {
  return gTimeouts;
}

FetchResult FetchToFile(const std::string& url, const std::string& localPath,
                        const FetchOptions& options) {
  Sink sink;
  sink.Limit = options.MaxBytes;
  sink.File = std::fopen(localPath.c_str(), "wb");
  if (!sink.File) return FetchResult::LocalFileError;

  InitCurlOnce();
  CURLcode outcome = CURLE_FAILED_INIT;
  long status = 0;
  if (CURL* curl = curl_easy_init()) {
    if (Configure(curl, url, sink, options)) {
      outcome = curl_easy_perform(curl);
      curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    }
    curl_easy_cleanup(curl);
  }
  const bool closed = std::fclose(sink.File) == 0;

  if (sink.WriteFailed || !closed) {
    if (::truncate(localPath.c_str(), 0) != 0) {
      // Nothing more to do: the caller reports the failure either way.
    }
    return FetchResult::LocalFileError;
  }
  // Only a complete reply with a success status is the file asked for; an error page or
  // half a file is worth nothing and must not be read as the version file or started.
  const bool tooLarge = sink.TooLarge || outcome == CURLE_FILESIZE_EXCEEDED;
  if (tooLarge || outcome != CURLE_OK || status < 200 || status > 299 || sink.Written == 0) {
    if (sink.Written > 0 && ::truncate(localPath.c_str(), 0) != 0)
      return FetchResult::LocalFileError;
    return tooLarge ? FetchResult::TooLarge : FetchResult::NoData;
  }
  return FetchResult::Data;
}

bool DownloadFile(const std::string& url, const std::string& localPath) {
  return FetchToFile(url, localPath) == FetchResult::Data;
}

FetchResult FetchVersionFile(const WWWUpdateRec& rec, const std::string& folder) {
  const std::string local = Join(folder, rec.VersionFileName);
  DeleteFile(local);
  FetchOptions options;
  options.MaxBytes = kMaxVersionFileBytes;
  return FetchToFile(rec.UpdateURL + rec.VersionFileName, local, options);
}

void ReadInternetVersion(WWWUpdateRec& rec, const std::string& folder) {
  const std::string path = Join(folder, rec.VersionFileName);
  if (!RegularFileExists(path)) return;
  const ProfileFile ini = ProfileFile::Load(path);
  const std::string section = "tarvelin";
  rec.InternetVersion = ini.Read(section, "version", "");
  rec.InternetDate = ini.Read(section, "date", "");
  rec.ProgSize = SizeValue(ini.Read(section, "prog_size", "0"));
  rec.ManSize = SizeValue(ini.Read(section, "man_size", "0"));
  rec.UpdSize = SizeValue(ini.Read(section, "upd_size", "0"));
  std::string url = ini.Read(section, "URL", "");
  if (!url.empty()) rec.UpdateURL = url;
  std::string updater = ini.Read(section, "Updater", "");
  if (!updater.empty()) rec.UpdaterName = updater;
  rec.UpdSha256 = LowerCase(ini.Read(section, "upd_sha256", ""));
}

std::string FileSizeText(const std::string& fileName) {
  struct stat info;
  if (::stat(fileName.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return "0";
  return std::to_string(static_cast<unsigned long long>(info.st_size));
}

bool IsPlainFileName(const std::string& name) {
  std::string trimmed = name;
  TrimLeadingBlanks(trimmed);
  TrimTrailingBlanks(trimmed);
  if (trimmed.empty() || trimmed == "." || trimmed.find("..") != std::string::npos) return false;
  for (char c : name)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32 || c == 127) return false;
  return true;
}

void UpdateProgram(WWWUpdateRec& rec, UpdateEnvironment& env) {
  try {
    RunCheck(rec, env);
  } catch (...) {
    // Out of memory or a failing callback: the start must go on all the same.
    try {
      if (!rec.UpdateStarted) Show(env, kUpdateFailed);
    } catch (...) {
    }
  }
}

}  // namespace tarvelin
