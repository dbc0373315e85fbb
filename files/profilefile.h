// Ini-style profile files, read once into memory and written back whole in one step.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace tarvelin {

// Replaces path with content in one step: a temporary file in the same folder, flushed and
// renamed over the old one (following a symbolic link, keeping the permission bits, refusing
// a file the user made read-only). Throws UserError("Unable to write to <path>") on failure,
// leaving the old file whole and no temporary file behind.
void WriteFileAtomically(const std::string& path, const std::string& content);

class ProfileFile {
 public:
  // Parses the file at path; a missing or unreadable file gives an empty profile.
  static ProfileFile Load(const std::string& path);
  static ProfileFile Parse(const std::string& content);

  // The value of key in section (names compared regardless of letter case), trimmed and cut
  // at 2047 characters; defaultValue when the section or key is missing. The first
  // occurrence of a duplicated section or key is the one read.
  std::string Read(const std::string& section, const std::string& key,
                   const std::string& defaultValue) const;
  bool HasSection(const std::string& section) const;

  // Replaces the value of an existing key in place, or adds the entry at the end of its
  // section, or adds the section at the end of the file.
  void Write(const std::string& section, const std::string& key, const std::string& value);
  // Removes every occurrence of the section with all its entries.
  void EraseSection(const std::string& section);

  // The whole file as text, lines ending in CR LF.
  std::string Text() const;
  // WriteFileAtomically(path, Text()).
  void Save(const std::string& path) const;

 private:
  // The parsed lines and the look-up index (owned by profilefile.cpp).
};

}  // namespace tarvelin
