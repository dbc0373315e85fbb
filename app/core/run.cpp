// The program's run: the steps the window and the batch run without a window share.
#include "app/core/run.h"

#include <array>
#include <utility>

#include "analysis/modelstore.h"
#include "app/core/scenewrite.h"
#include "files/resultsexport.h"
#include "support/dialogs.h"
#include "support/unitlib.h"

namespace tarvelin {

namespace {

constexpr int kFirstField = 4, kLastField = 17;

std::array<TextGrid*, 4> Tables(ModelStore& store) {
  return {&store.CoordGrid, &store.EleGrid, &store.PropGrid, &store.StringGrid3};
}

// A copy of store in all but what a read replaces anyway: the tables' data cells (the tables
// have the store's length, headed and empty) and the results. The old model's million rows
// are not copied. The fields' repaint hooks stay behind: they belong to the store's viewers,
// not to the model.
ModelStore WithoutModelData(ModelStore& store) {
  std::array<TextGrid*, 4> tables = Tables(store);
  std::array<TextGrid, 4> lent = {
      TextGrid(tables[0]->ColCount(), 0), TextGrid(tables[1]->ColCount(), 0),
      TextGrid(tables[2]->ColCount(), 0), TextGrid(tables[3]->ColCount(), 0)};
  CalculationResult lentResult;
  auto lend = [&] {  // swaps move, so the store is whole again after the second call
    for (std::size_t i = 0; i < tables.size(); ++i) std::swap(*tables[i], lent[i]);
    std::swap(store.Result, lentResult);
  };
  lend();
  ModelStore copy;
  try {
    copy = store;
  } catch (...) {
    lend();
    throw;
  }
  lend();
  for (int n = kFirstField; n <= kLastField; ++n) copy.NumberEdit(n).Changed = nullptr;
  copy.GridLength = store.GridLength;
  InitTables(copy);
  return copy;
}

// Takes over the model read into from, keeping what ties the store to its viewers: the
// fields' repaint hooks (the tables' adapters hold the tables themselves, which stay).
void AdoptModel(ModelStore& into, ModelStore&& from) {
  std::array<std::function<void()>, kLastField - kFirstField + 1> hooks;
  for (int n = kFirstField; n <= kLastField; ++n)
    hooks[n - kFirstField] = std::move(into.NumberEdit(n).Changed);
  into = std::move(from);
  for (int n = kFirstField; n <= kLastField; ++n)
    into.NumberEdit(n).Changed = std::move(hooks[n - kFirstField]);
}

}  // namespace

ReadResult RunDataFile::Read(ModelStore& store, const std::string& name, bool protectOnFailure,
                             FailedRead failed) {
  loaded_ = true;
  DataFileStamp stamp;
  ReadResult result = ReadResult::NoFile;
  try {
    if (failed == FailedRead::DiscardsModel) {
      result = ReadDataFile(store, name, &stamp);
    } else {
      // A file that stops the reading half-way must not leave a mix of its first entries and
      // the old model's rest: read aside, taken over when whole.
      ModelStore scratch = WithoutModelData(store);
      result = ReadDataFile(scratch, name, &stamp);
      if (result == ReadResult::Read) AdoptModel(store, std::move(scratch));
    }
  } catch (...) {
    if (protectOnFailure) protected_ = name;
    throw;
  }
  Stamp = stamp;
  if (result == ReadResult::Read && Protects(name)) protected_.clear();
  return result;
}

void RunDataFile::Saved(const std::string& name) {
  if (Protects(name)) protected_.clear();
}

void StartRun(ProgramRun& run, const std::vector<std::string>& args, const FileLocations& locations,
              Dialogs& dialogs) {
  SetNumberFormats();
  run.State = StartupState{};
  run.State.ProgramDir = locations.ProgramDir;
  run.State.WorkingDir = locations.ProgramDir;
  ReadIniSettings(run.State, locations.SettingsFile, dialogs);
  run.Options = ApplyCommandLine(args, run.State, dialogs);
}

void StartTables(ModelStore& store, const StartupState& state) {
  store.GridLength = state.GridLength;
  InitTables(store);
}

ReadResult ReadRunModel(ModelStore& store, ProgramRun& run, bool protectOnFailure,
                        FailedRead failed) {
  struct FollowLength {  // reading grows the tables to the largest key in the file
    ModelStore& store;
    StartupState& state;
    ~FollowLength() { state.GridLength = store.GridLength; }
  } follow{store, run.State};
  return run.DataFile.Read(store, run.State.DataFileName, protectOnFailure, failed);
}

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

bool WriteRunFiles(const ModelStore& store, ProgramRun& run, const FileLocations& locations,
                   const PictureWriter& writePicture, bool saveSettings, RunFiles& written,
                   Dialogs& dialogs) {
  const CommandLineOutcome& options = run.Options;
  StartupState& state = run.State;
  written.Write(options.ResultsFile, [&] {
    ExportResults(store.Result, state.DataFileName, options.ResultsFile);
    return true;
  });
  if (options.WriteScene && !WriteSceneChecked(store, state.DataFileName, locations.SceneFile,
                                               options.SceneNumbering, true, dialogs))
    return false;
  std::string error = "No picture can be drawn in this program.";
  if (!written.Write(options.PictureFile, [&] {
        return writePicture && writePicture(store, options.PictureFile, error);
      })) {
    dialogs.ShowError(error);
    return false;
  }
  // WriteDataFile replaces the file in one step, so the old one need not be read to keep it.
  if (run.DataFile.MayWriteBack(state.DataFileName))
    written.Write(
        state.DataFileName,
        [&] {
          WriteDataFile(store, state.DataFileName, locations.DataDir, &run.DataFile.Stamp);
          return true;
        },
        true);
  if (saveSettings) SaveIniSettings(state, locations.SettingsFile);
  return true;
}

}  // namespace tarvelin
