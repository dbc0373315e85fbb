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
#include "files/datafile.h"
#include "files/profilefile.h"
#include "files/resultsexport.h"
#include "files/settings.h"
#include "support/numtext.h"
#include "support/unitlib.h"
#include "vrml/export.h"

namespace fs = std::filesystem;

namespace tarvelin {

void StreamDialogs::Put(const std::string& message) {
  // The boxes' line breaks are carriage returns; a terminal wants line feeds.
  const std::string text = ShowableText(message);
  std::string line;
  line.reserve(text.size() + 1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      line += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += text[i];
    }
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fflush(out_);
}

void StreamDialogs::ShowError(const std::string& text) {
  Put(text);
}
void StreamDialogs::ShowInformation(const std::string& text) {
  Put(text);
}
void StreamDialogs::ShowMessage(const std::string& text) {
  Put(text);
}
bool StreamDialogs::AskYesNo(const std::string& text) {
  Put(text + " [answered No]");
  return false;
}

FileSnapshot TakeSnapshot(const std::string& path) {
  FileSnapshot snap;
  snap.Path = path;
  std::ifstream in(path, std::ios::binary);
  if (!in) return snap;
  snap.Existed = true;
  snap.Bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return snap;
}

FileSnapshot KeepReplacedFile(const std::string& path) {
  FileSnapshot snap;
  snap.Path = path;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return snap;
  snap.Existed = true;
  snap.Kept = std::shared_ptr<const int>(new int(fd), [](const int* kept) {
    ::close(*kept);
    delete kept;
  });
  return snap;
}

namespace {

// The whole content behind an open descriptor, from its start.
bool ReadKept(int fd, std::string& bytes) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  bytes.clear();
  bytes.reserve(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)));
  char buffer[1 << 16];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    bytes.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
}

}  // namespace

bool RestoreSnapshot(const FileSnapshot& snapshot) {
  if (!snapshot.Existed) {
    std::error_code ec;
    fs::remove(snapshot.Path, ec);
    return !ec;
  }
  try {
    if (snapshot.Kept) {
      std::string bytes;
      if (!ReadKept(*snapshot.Kept, bytes)) return false;
      WriteFileAtomically(snapshot.Path, bytes);
      return true;
    }
    WriteFileAtomically(snapshot.Path, snapshot.Bytes);
    return true;
  } catch (const UserError&) {
    return false;
  }
}

bool WriteSceneChecked(const ModelStore& store, const std::string& dataFileName,
                       const std::string& scenePath, bool numbering, bool axes, Dialogs& dialogs) {
  CountingDialogs counting(dialogs);
  try {
    WriteVrmlModel(store, dataFileName, scenePath, numbering, axes, counting);
  } catch (const UserError& e) {
    counting.ShowError(e.what());
  }
  return counting.Errors == 0;
}

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
