// How a batch run without a window ends, as the process exit status.
#pragma once

namespace tarvelin {

// Exit statuses of a batch run without a window.
constexpr int kExitWritten = 0;      // results written into the data file, settings saved
constexpr int kExitFailed = 1;       // calculation failed or a conversion or file error
constexpr int kExitCommandLine = 2;  // command-line error, or nothing to run without a screen

}  // namespace tarvelin
