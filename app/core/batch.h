// The batch run without a window and the files it puts back on failure.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/core/exitstatus.h"
#include "app/core/filesnapshot.h"
#include "app/core/locations.h"
#include "support/dialogs.h"

namespace tarvelin {

class ModelStore;
struct CalculationResult;

// Writes the picture of the calculated model in store to path in one step; false, with the
// reason in error, when it could not.
using PictureWriter =
    std::function<bool(const ModelStore& store, const std::string& path, std::string& error)>;

// The files a batch run writes (export, picture, data file), each with what it replaced, so that
// a failed run can put every one back and leave every file as it was.
class RunFiles {
 public:
  // Runs write, which replaces path in one step and throws or returns false when it could not;
  // once it has, what it replaced is kept for PutBack. Nothing for an empty path. keepOpen keeps
  // the old file open instead of reading it (a large data file).
  bool Write(const std::string& path, const std::function<bool()>& write, bool keepOpen = false);
  // Puts every written file back as it was, the last first; reports through dialogs each that
  // cannot be.
  void PutBack(Dialogs& dialogs);

 private:
  std::vector<FileSnapshot> replaced_;
};

// The whole batch run without a window: settings, command line, read, calculate, the results
// export when "-o" asks for it, the scene when "-w" does, the picture when "-p" does (through
// writePicture; without one "-p" fails), write the data file and the settings; a failure puts
// back what the run had written. Messages go to dialogs.
// Returns kExitWritten, kExitFailed (data, settings, export and picture files left as they were) or
// kExitCommandLine.
int RunHeadlessBatch(const std::vector<std::string>& args, const FileLocations& locations,
                     Dialogs& dialogs, const PictureWriter& writePicture = {});

}  // namespace tarvelin
