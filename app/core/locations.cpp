// Where the program keeps its files: beside itself, or in the per-user folders.
#include "app/core/locations.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tarvelin {

namespace {

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string HomeFolder(const EnvLookup& env) {
  const char* home = env("HOME");
  if (home && *home) return home;
  if (const passwd* pw = getpwuid(getuid())) return pw->pw_dir;
  return "/";
}

// An XDG variable counts only when it holds an absolute path.
std::string XdgFolder(const EnvLookup& env, const char* name, const char* fallback) {
  const char* value = env(name);
  std::string base =
      (value && value[0] == '/') ? std::string(value) : WithSlash(HomeFolder(env)) + fallback;
  return WithSlash(WithSlash(base) + "tarvelin");
}

}  // namespace

std::string ProgramFilePath(const std::string& argv0) {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec && !self.empty()) return self.string();
  return fs::absolute(argv0, ec).lexically_normal().string();
}

std::string FolderOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool CanCreateFileIn(const std::string& folder) {
  std::string probe =
      WithSlash(folder.empty() ? "." : folder) + ".tarvelin-write-test-" + std::to_string(getpid());
  int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

bool EnsureFolder(const std::string& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec);
}

std::string UserConfigFolder(const EnvLookup& env) {
  return XdgFolder(env, "XDG_CONFIG_HOME", ".config");
}

std::string UserDataFolder(const EnvLookup& env) {
  return XdgFolder(env, "XDG_DATA_HOME", ".local/share");
}

FileLocations ChooseFileLocations(const std::string& programPath, const EnvLookup& env,
                                  bool programDirWritable) {
  FileLocations loc;
  loc.ProgramPath = programPath;
  loc.ProgramDir = FolderOf(programPath);
  if (programDirWritable) {
    loc.SettingsFile = fs::path(programPath).replace_extension(".ini").string();
    loc.SceneFile = fs::path(programPath).replace_extension(".wrl").string();
    loc.DataDir = loc.ProgramDir;
    return loc;
  }
  loc.PerUser = true;
  std::string config = UserConfigFolder(env);
  loc.DataDir = UserDataFolder(env);
  // A folder that cannot be made shows up later as "Unable to write to ..." at the write.
  EnsureFolder(config);
  EnsureFolder(loc.DataDir);
  loc.SettingsFile = config + "tarvelin.ini";
  loc.SceneFile = loc.DataDir + "tarvelin.wrl";
  return loc;
}

}  // namespace tarvelin
