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

void BatchExport::Write(const CalculationResult& result, const std::string& model,
                        const std::string& path) {
  if (path.empty()) return;
  old_ = TakeSnapshot(path);
  ExportResults(result, model, path);
  written_ = true;
}

void BatchExport::Withdraw(Dialogs& dialogs) {
  if (written_ && !RestoreSnapshot(old_)) dialogs.ShowError("Unable to write to " + old_.Path);
  written_ = false;
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
  FileSnapshot picture;
  BatchExport exported;
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
    exported.Write(store.Result, state.DataFileName, options.ResultsFile);
    if (options.WriteScene && !WriteSceneChecked(store, state.DataFileName, locations.SceneFile,
                                                 options.SceneNumbering, true, dialogs)) {
      exported.Withdraw(dialogs);
      return kExitFailed;
    }
    if (!options.PictureFile.empty()) {
      picture = TakeSnapshot(options.PictureFile);
      std::string error = "No picture can be drawn in this program.";
      if (!writePicture || !writePicture(store, options.PictureFile, error)) {
        dialogs.ShowError(error);
        exported.Withdraw(dialogs);
        return kExitFailed;
      }
    }
  } catch (const std::exception& e) {  // UserError, and a table too large for the memory
    dialogs.ShowError(e.what());
    exported.Withdraw(dialogs);
    return kExitFailed;
  }

  // The data file is replaced in one step; when the settings then fail, it is put back, so
  // a failed run leaves both files as they were; a picture of the failed run goes again.
  auto restorePicture = [&] {
    if (!options.PictureFile.empty() && !RestoreSnapshot(picture))
      dialogs.ShowError("Unable to write to " + options.PictureFile);
  };
  // WriteDataFile replaces the file in one step, so the old one need not be read to keep it.
  FileSnapshot data = KeepReplacedFile(state.DataFileName);
  try {
    // Another program's change since the read is not overwritten: the run fails instead.
    WriteDataFile(store, state.DataFileName, locations.DataDir, &read);
  } catch (const UserError& e) {
    dialogs.ShowError(e.what());
    restorePicture();
    exported.Withdraw(dialogs);
    return kExitFailed;
  }
  try {
    SaveIniSettings(state, locations.SettingsFile);
  } catch (const UserError& e) {
    dialogs.ShowError(e.what());
    if (!RestoreSnapshot(data)) dialogs.ShowError("Unable to write to " + state.DataFileName);
    restorePicture();
    exported.Withdraw(dialogs);
    return kExitFailed;
  }
  return kExitWritten;
}

}  // namespace tarvelin
