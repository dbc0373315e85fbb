// The program's run, shared by the window and the batch run without a window: start-up
// (settings, command line, tables), read, calculate (CalculateModel), write; and the rule of
// which data file the model in memory is never written over.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/core/commandline.h"
#include "app/core/filesnapshot.h"
#include "app/core/locations.h"
#include "files/datafile.h"
#include "files/settings.h"

namespace tarvelin {

class Dialogs;
class ModelStore;

// What a read that stops half-way leaves in the store.
enum class FailedRead {
  KeepsModel,     // the model as it was: the file is read aside and taken over when whole
  DiscardsModel,  // what was read so far: for a caller that throws the store away then (a batch
                  // run), which saves holding a second model of a million rows
};

// The data file of a run, and the rule of which file the model in memory is never written
// over: one whose reading failed (a model partly read, a file that could not be read), and
// any file while no model was loaded (the empty tables before the start-up's read).
class RunDataFile {
 public:
  // Reads name into store, all or nothing: the store changes only when the whole file was
  // read (NoFile leaves it as it was). A read that fails throws on (UserError, bad_alloc) with
  // the store as it was (unless failed says DiscardsModel); with protectOnFailure name is then
  // never written back until it is read whole or saved on purpose (Saved). Either way a model
  // counts as loaded from now on.
  ReadResult Read(ModelStore& store, const std::string& name, bool protectOnFailure,
                  FailedRead failed = FailedRead::KeepsModel);
  // The window holds a model of its own (File > New before the start-up's read).
  void MarkLoaded() { loaded_ = true; }
  // True when the model may be written over name without asking for another name.
  bool MayWriteBack(const std::string& name) const { return loaded_ && !Protects(name); }
  // True for the file whose reading failed.
  bool Protects(const std::string& name) const { return !protected_.empty() && protected_ == name; }
  // The model was saved under name on purpose: it may be written back there from now on.
  void Saved(const std::string& name);
  // The file whose reading failed; empty when there is none.
  const std::string& Protected() const { return protected_; }

  // The data file as last read or written here, so that another program's change in between
  // is noticed before the file is replaced.
  DataFileStamp Stamp;

 private:
  std::string protected_;
  bool loaded_ = false;
};

// What the start-up left: the settings with the command line applied, the options, and the
// data file.
struct ProgramRun {
  StartupState State;
  CommandLineOutcome Options;
  RunDataFile DataFile;
};

// Start-up: the number formats, the settings file over the defaults, then the command line
// over the settings. Problems go to dialogs; Options.Errors counts those of the command line.
void StartRun(ProgramRun& run, const std::vector<std::string>& args, const FileLocations& locations,
              Dialogs& dialogs);

// The tables of a start: the state's length, headed, without data.
void StartTables(ModelStore& store, const StartupState& state);

// Reads State.DataFileName into store through DataFile.Read; State.GridLength follows the
// store's table length, also when the read fails.
ReadResult ReadRunModel(ModelStore& store, ProgramRun& run, bool protectOnFailure,
                        FailedRead failed = FailedRead::KeepsModel);

// Writes the picture of the calculated model in store to path in one step; false, with the
// reason in error, when it could not.
using PictureWriter =
    std::function<bool(const ModelStore& store, const std::string& path, std::string& error)>;

// The files a batch run writes (export, scene, picture, data file, settings), each with what
// it replaced, so that a failed run can put every one back and leave every file as it was.
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

// What a batch run writes after a successful calculation, in this order: the results export
// ("-o"), the scene ("-w"), the picture ("-p", through writePicture; without one "-p" fails),
// the data file (when it may be written back; another program's change since the read is not
// overwritten: the write fails instead) and, with saveSettings, the settings. Every file
// replaced is kept in written, for PutBack after a failure. False after the scene's or the
// picture's failure was reported through dialogs; the other failures throw (UserError,
// bad_alloc).
bool WriteRunFiles(const ModelStore& store, ProgramRun& run, const FileLocations& locations,
                   const PictureWriter& writePicture, bool saveSettings, RunFiles& written,
                   Dialogs& dialogs);

}  // namespace tarvelin
