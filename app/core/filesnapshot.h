// A file as it was, to put back when a later step of a run fails.
#pragma once

#include <memory>
#include <string>

namespace tarvelin {

// A file's bytes as they were, to put back when a later step of the same run fails.
struct FileSnapshot {
  std::string Path;
  bool Existed = false;
  std::string Bytes;
  // Set by KeepReplacedFile instead of Bytes: the old file held open, read only to put it back.
  std::shared_ptr<const int> Kept;
};
FileSnapshot TakeSnapshot(const std::string& path);
// The same for a file that the run replaces only in one step (WriteFileAtomically renames the
// new file over it): the old file lives on behind an open descriptor, so nothing is read unless
// it must be put back. Not for a file that may be rewritten in place.
FileSnapshot KeepReplacedFile(const std::string& path);
// Puts the file back as it was (removing it when it did not exist); false when that failed.
bool RestoreSnapshot(const FileSnapshot& snapshot);

}  // namespace tarvelin
