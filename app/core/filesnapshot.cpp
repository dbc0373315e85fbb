// Files' bytes kept to put back when a later step fails.
#include "app/core/filesnapshot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "files/profilefile.h"
#include "support/numtext.h"

namespace fs = std::filesystem;

namespace tarvelin {

FileSnapshot TakeSnapshot(const std::string& path) {
  FileSnapshot snap;
  snap.Path = path;
  std::ifstream in(path, std::ios::binary);
  if (!in) return snap;
  snap.Existed = true;
  snap.Bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return snap;
}

FileSnapshot KeepReplacedFile(const std::string& path) {
  FileSnapshot snap;
  snap.Path = path;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return snap;
  snap.Existed = true;
  snap.Kept = std::shared_ptr<const int>(new int(fd), [](const int* kept) {
    ::close(*kept);
    delete kept;
  });
  return snap;
}

namespace {

// The whole content behind an open descriptor, from its start.
bool ReadKept(int fd, std::string& bytes) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  bytes.clear();
  bytes.reserve(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)));
  char buffer[1 << 16];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    bytes.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
}

}  // namespace

bool RestoreSnapshot(const FileSnapshot& snapshot) {
  if (!snapshot.Existed) {
    std::error_code ec;
    fs::remove(snapshot.Path, ec);
    return !ec;
  }
  try {
    if (snapshot.Kept) {
      std::string bytes;
      if (!ReadKept(*snapshot.Kept, bytes)) return false;
      WriteFileAtomically(snapshot.Path, bytes);
      return true;
    }
    WriteFileAtomically(snapshot.Path, snapshot.Bytes);
    return true;
  } catch (const UserError&) {
    return false;
  }
}

}  // namespace tarvelin
