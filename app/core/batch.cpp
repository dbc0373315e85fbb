// The batch run without a window: the same core path as the window's, messages on a stream,
// the outcome as the exit status.
#include "app/core/batch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "analysis/modelstore.h"
#include "analysis/stiffness.h"
#include "app/core/commandline.h"
#include "app/core/scenewrite.h"
#include "app/core/streamdialogs.h"
#include "files/datafile.h"
#include "files/profilefile.h"
#include "files/resultsexport.h"
#include "files/settings.h"
#include "support/numtext.h"
#include "support/unitlib.h"
#include "vrml/export.h"

namespace fs = std::filesystem;

namespace tarvelin {

bool RunFiles::Write(const std::string& path, const std::function<bool()>& write, bool keepOpen) {
  if (path.empty()) return true;
  FileSnapshot old = keepOpen ? KeepReplacedFile(path) : TakeSnapshot(path);
  if (!write()) return false;
  replaced_.push_back(std::move(old));
  return true;
}

void RunFiles::PutBack(Dialogs& dialogs) {
  for (auto it = replaced_.rbegin(); it != replaced_.rend(); ++it)
    if (!RestoreSnapshot(*it)) dialogs.ShowError("Unable to write to " + it->Path);
  replaced_.clear();
}

int RunHeadlessBatch(const std::vector<std::string>& args, const FileLocations& locations,
                     Dialogs& dialogs, const PictureWriter& writePicture) {
  SetNumberFormats();
  StartupState state;
  state.ProgramDir = locations.ProgramDir;
  state.WorkingDir = locations.ProgramDir;
  ReadIniSettings(state, locations.SettingsFile, dialogs);

  CommandLineOutcome options = ApplyCommandLine(args, state, dialogs);
  if (options.Errors > 0 || !state.BatchMode) return kExitCommandLine;

  ModelStore store;
  DataFileStamp read;
  RunFiles written;
  // Every failure puts back what the run had written, so a failed run leaves every file as
  // it was.
  auto fail = [&](const std::string& message) {
    if (!message.empty()) dialogs.ShowError(message);
    written.PutBack(dialogs);
    return kExitFailed;
  };
  try {
    store.GridLength = state.GridLength;
    InitTables(store);
    store.CheckBox1 = options.TestOutput;
    ReadDataFile(store, state.DataFileName, &read);
    // Reading grows the tables to the largest key in the file; keep the state in step.
    state.GridLength = store.GridLength;

    if (!CalculateModel(store, dialogs)) return kExitFailed;
    // Nobody sees the results page: what it would warn about goes to the stream.
    for (const std::string& warning : store.Result.Warnings)
      dialogs.ShowInformation("Warning: " + warning);
    written.Write(options.ResultsFile, [&] {
      ExportResults(store.Result, state.DataFileName, options.ResultsFile);
      return true;
    });
    if (options.WriteScene && !WriteSceneChecked(store, state.DataFileName, locations.SceneFile,
                                                 options.SceneNumbering, true, dialogs))
      return fail("");
    std::string error = "No picture can be drawn in this program.";
    if (!written.Write(options.PictureFile, [&] {
          return writePicture && writePicture(store, options.PictureFile, error);
        }))
      return fail(error);
    // WriteDataFile replaces the file in one step, so the old one need not be read to keep it;
    // another program's change since the read is not overwritten: the run fails instead.
    written.Write(
        state.DataFileName,
        [&] {
          WriteDataFile(store, state.DataFileName, locations.DataDir, &read);
          return true;
        },
        true);
    SaveIniSettings(state, locations.SettingsFile);
  } catch (const std::exception& e) {  // UserError, and a table too large for the memory
    return fail(e.what());
  }
  return kExitWritten;
}

}  // namespace tarvelin
