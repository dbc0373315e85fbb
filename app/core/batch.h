// The batch run without a window and the results export it puts back on failure.
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

// The results export of a batch run ("-o"): written before the other files, and put back as it
// was when a later step of the run fails, so that a failed run leaves every file as it was.
class BatchExport {
 public:
  // ExportResults to path, remembering the file as it was; nothing when path is empty.
  // Throws ExportResults' UserError.
  void Write(const CalculationResult& result, const std::string& model, const std::string& path);
  // Puts the file back as it was before Write (nothing when Write wrote nothing); reports
  // through dialogs when that fails.
  void Withdraw(Dialogs& dialogs);

 private:
  FileSnapshot old_;
  bool written_ = false;
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
