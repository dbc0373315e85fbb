// The batch run without a window, and the small pieces the window shares with it.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/locations.h"
#include "support/dialogs.h"

namespace tarvelin {

class ModelStore;
struct CalculationResult;

// Exit statuses of a batch run without a window.
constexpr int kExitWritten = 0;      // results written into the data file, settings saved
constexpr int kExitFailed = 1;       // calculation failed or a conversion or file error
constexpr int kExitCommandLine = 2;  // command-line error, or nothing to run without a screen

// Message boxes as lines on a stream (standard error); questions are answered "No".
class StreamDialogs : public Dialogs {
 public:
  explicit StreamDialogs(std::FILE* out = stderr) : out_(out) {}
  void ShowError(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;

 private:
  void Put(const std::string& text);
  std::FILE* out_;
};

// Passes every message on and counts the error boxes, so that a caller can tell whether an
// operation that reports through dialogs (the scene export) failed.
class CountingDialogs : public Dialogs {
 public:
  explicit CountingDialogs(Dialogs& inner) : inner_(inner) {}
  void ShowError(const std::string& text) override {
    ++Errors;
    inner_.ShowError(text);
  }
  void ShowInformation(const std::string& text) override { inner_.ShowInformation(text); }
  void ShowMessage(const std::string& text) override { inner_.ShowMessage(text); }
  bool AskYesNo(const std::string& text) override { return inner_.AskYesNo(text); }
  int Errors = 0;

 private:
  Dialogs& inner_;
};

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

// WriteVrmlModel; true when it neither reported an error nor threw one (a thrown conversion
// error is reported through dialogs here).
bool WriteSceneChecked(const ModelStore& store, const std::string& dataFileName,
                       const std::string& scenePath, bool numbering, bool axes, Dialogs& dialogs);

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
