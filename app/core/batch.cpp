// The batch run without a window: the run's shared steps, messages on a stream, the outcome as
// the exit status.
#include "app/core/batch.h"

#include "analysis/modelstore.h"
#include "analysis/stiffness.h"

namespace tarvelin {

int RunHeadlessBatch(const std::vector<std::string>& args, const FileLocations& locations,
                     Dialogs& dialogs, const PictureWriter& writePicture) {
  ProgramRun run;
  StartRun(run, args, locations, dialogs);
  if (run.Options.Errors > 0 || !run.State.BatchMode) return kExitCommandLine;

  ModelStore store;
  RunFiles written;
  // Every failure puts back what the run had written, so a failed run leaves every file as
  // it was.
  auto fail = [&](const std::string& message) {
    if (!message.empty()) dialogs.ShowError(message);
    written.PutBack(dialogs);
    return kExitFailed;
  };
  try {
    StartTables(store, run.State);
    store.CheckBox1 = run.Options.TestOutput;
    // A file that does not read whole ends the run: nothing is written over it, and the
    // half-read store is thrown away, so it is read in place.
    ReadRunModel(store, run, true, FailedRead::DiscardsModel);

    if (!CalculateModel(store, dialogs)) return kExitFailed;
    // Nobody sees the results page: what it would warn about goes to the stream.
    for (const std::string& warning : store.Result.Warnings)
      dialogs.ShowInformation("Warning: " + warning);
    if (!WriteRunFiles(store, run, locations, writePicture, true, written, dialogs))
      return fail("");
  } catch (const std::exception& e) {  // UserError, and a table too large for the memory
    return fail(e.what());
  }
  return kExitWritten;
}

}  // namespace tarvelin
