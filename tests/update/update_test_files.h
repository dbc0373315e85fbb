// Temporary folders and whole-file reading and writing for the update tests.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace tarvelin::test {

// A fresh folder under the system's temporary folder, removed with its content afterwards.
class UpdateTempFolder {
 public:
  UpdateTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvelin-update-XXXXXX");
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    path_ = pattern + "/";
  }
  // The given folder, created (with its parents) when missing and removed afterwards.
  explicit UpdateTempFolder(const std::string& path) : path_(path + "/") {
    std::filesystem::create_directories(path);
  }
  ~UpdateTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  UpdateTempFolder(const UpdateTempFolder&) = delete;
  UpdateTempFolder& operator=(const UpdateTempFolder&) = delete;

  // The folder, ending in "/".
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

inline std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWhole(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

inline bool Exists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

}  // namespace tarvelin::test
