// The batch run without a window.
#pragma once

#include <string>
#include <vector>

#include "app/core/exitstatus.h"
#include "app/core/locations.h"
#include "app/core/run.h"
#include "support/dialogs.h"

namespace tarvelin {

// The whole batch run without a window: settings, command line, read, calculate, the results
// export when "-o" asks for it, the scene when "-w" does, the picture when "-p" does (through
// writePicture; without one "-p" fails), write the data file and the settings; a failure puts
// back what the run had written. Messages go to dialogs.
// Returns kExitWritten, kExitFailed (data, settings, export and picture files left as they were) or
// kExitCommandLine.
int RunHeadlessBatch(const std::vector<std::string>& args, const FileLocations& locations,
                     Dialogs& dialogs, const PictureWriter& writePicture = {});

}  // namespace tarvelin
