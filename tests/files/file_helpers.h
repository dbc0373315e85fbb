// Temporary folders and whole-file helpers for the file tests.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tarvelin::test {

// Names in folder, "." and ".." left out, sorted.
inline std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A fresh folder under the system's temporary folder, removed with its content at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = "/tmp/tarvelin-files-XXXXXX";
    if (::mkdtemp(&pattern[0])) path_ = pattern;
  }
  ~TempFolder() {
    if (path_.empty()) return;
    std::string command = "chattr -R -i '" + path_ + "' 2>/dev/null; chmod -R u+w '" + path_ +
                          "' 2>/dev/null; rm -rf '" + path_ + "'";
    int rc = std::system(command.c_str());
    (void)rc;
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  bool Valid() const { return !path_.empty(); }
  // The folder with a trailing "/".
  std::string Dir() const { return path_ + "/"; }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

  // Names in the folder, "." and ".." left out.
  std::vector<std::string> Names() const { return NamesIn(path_); }

 private:
  std::string path_;
};

inline std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void WriteWhole(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

inline bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Runs chattr on path; false when the file system or the system does not allow it.
inline bool Chattr(const std::string& flag, const std::string& path) {
  std::string command = "chattr " + flag + " '" + path + "' 2>/dev/null";
  return std::system(command.c_str()) == 0;
}

// Test data committed beside the tests.
inline std::string DataPath(const std::string& name) {
  return std::string(TARVELIN_TEST_DATA) + "/" + name;
}

}  // namespace tarvelin::test
