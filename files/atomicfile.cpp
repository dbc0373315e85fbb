// Replacing a file in one step, so that a failed save never leaves a half-written file.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>

#include "files/profilefile.h"
#include "support/numtext.h"

namespace tarvelin {
namespace {

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows symbolic links on the last part of path, so that the file they lead to is the one
// replaced and the link itself stays. A dangling link leads to the file it would create.
bool ResolveLinks(std::string path, std::string& resolved) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      resolved = path;
      return true;
    }
    std::string target(4096, '\0');
    ssize_t n = ::readlink(path.c_str(), &target[0], target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return false;
    target.resize(static_cast<std::size_t>(n));
    path = target[0] == '/' ? target : FolderOf(path) + target;
  }
  return false;  // a loop of links
}

bool WriteAll(int fd, std::string_view content) {
  const char* data = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

int CreateTemporary(const std::string& target, std::string& tempPath, mode_t createMode) {
  static std::atomic<unsigned> counter{0};
  std::size_t slash = target.rfind('/');
  std::string folder = FolderOf(target);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = folder + "." + base + "." + std::to_string(::getpid()) + "." +
               std::to_string(counter.fetch_add(1)) + ".tmp";
    int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool AllDigits(const std::string& text) {
  if (text.empty() || text.size() > 18) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// The process id in a temporary file's name ".NAME.PID.N.tmp"; 0 when the name is no such.
long long LeftoverOwner(const std::string& name) {
  const std::string suffix = ".tmp";
  if (name.size() < 8 || name[0] != '.' ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
    return 0;
  const std::string stem = name.substr(0, name.size() - suffix.size());
  const std::size_t counterDot = stem.rfind('.');
  if (counterDot == std::string::npos || counterDot == 0 || !AllDigits(stem.substr(counterDot + 1)))
    return 0;
  const std::size_t pidDot = stem.rfind('.', counterDot - 1);
  if (pidDot == std::string::npos || pidDot == 0) return 0;
  const std::string pid = stem.substr(pidDot + 1, counterDot - pidDot - 1);
  if (!AllDigits(pid)) return 0;
  return std::stoll(pid);
}

// Removes the temporary files that saves killed midway left in folder: those of processes
// that no longer run. A live process (or one we may not signal) keeps its own.
void RemoveDeadLeftovers(const std::string& folder) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;
  const long long self = ::getpid();
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    const long long pid = LeftoverOwner(name);
    if (pid <= 0 || pid == self || pid > INT32_MAX) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    struct stat st;
    const std::string path = folder + name;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  }
  ::closedir(dir);
}

void SyncFolder(const std::string& target) {
  std::string folder = FolderOf(target);
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // best effort: the rename itself has already succeeded
  ::close(fd);
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::string& content) {
  WriteFileAtomically(path, [&content](const PieceWriter& put) { put(content); });
}

void WriteFileAtomically(const std::string& path,
                         const std::function<void(const PieceWriter& put)>& produce) {
  const UserError failure("Unable to write to " + path);
  std::string target;
  if (path.empty() || path.back() == '/' || !ResolveLinks(path, target)) throw failure;

  struct stat old;
  bool exists = ::lstat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) throw failure;
  if (exists) {
    if (!S_ISREG(old.st_mode)) throw failure;
    // The superuser passes access(), so a file without any write bit is refused by its
    // mode as well: renaming over it would otherwise silently replace it.
    if ((old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) throw failure;
  }

  RemoveDeadLeftovers(FolderOf(target));
  std::string tempPath;
  int fd = CreateTemporary(target, tempPath, exists ? 0600 : 0666);
  if (fd < 0) throw failure;
  bool ok = true;
  if (exists) {
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
      // Keeps the owner where we may (as the superuser); where we may not, the file becomes
      // ours, which is no reason to refuse the save.
      int kept = ::fchown(fd, old.st_uid, old.st_gid);
      (void)kept;
    }
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  }
  try {
    // After a failed write the rest is still produced, but not written.
    produce([&](std::string_view piece) { ok = ok && WriteAll(fd, piece); });
  } catch (...) {
    ::close(fd);
    ::unlink(tempPath.c_str());
    throw;
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(tempPath.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(tempPath.c_str());
    throw failure;
  }
  SyncFolder(target);
}

}  // namespace tarvelin
