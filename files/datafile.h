// The .PEN data file: reading it into the model store and writing the model and results.
#pragma once

#include <string>
#include <string_view>

#include "analysis/modelstore.h"
#include "files/profilefile.h"

namespace tarvelin {

class Dialogs;

enum class ReadResult { NoFile, Read };

// The data file as this program last read or wrote it, so that a change by another program
// in between is noticed before the file is replaced.
struct DataFileStamp {
  std::string Path;  // empty: nothing known, nothing compared
  FileStamp Stamp;
};

// Reads the file named dataFileName into the store (ShowDataFileName, ResetModelView, loads,
// properties, tables). First grows the tables to hold the largest row or type key it will
// read. NoFile when there is no file: nothing changed, nothing reported. Throws UserError on
// a load or property that does not convert, or when the file needs more than
// kMaxGridLength rows (then before anything has changed), or when the file exists but
// cannot be read ("Unable to read <file>"), is no regular file (a FIFO, a device) or is no
// text (NUL bytes, a UTF-16 byte-order mark; NotTextMessage). stamp, when given, receives
// what was read (also for NoFile).
ReadResult ReadDataFile(ModelStore& store, const std::string& dataFileName,
                        DataFileStamp* stamp = nullptr);

// ReadDataFile on a file already in memory; dataFileName is only shown.
void ReadDataProfile(ModelStore& store, const ProfileFile& profile,
                     const std::string& dataFileName);

// Writes the model and the last results into dataFileName, keeping other sections. When
// dataFileName is empty it first becomes defaultFolder + "data.PEN". Throws UserError
// ("Unable to write to <file>", NotTextMessage, or a conversion message) and leaves the old
// file whole.
// When stamp names this file and the file is no longer what it recorded (another program
// changed it), ask decides: the question ChangedOnDiskQuestion, and No keeps the file and
// returns false; without ask it throws UserError(ChangedOnDiskMessage). After a write the
// stamp records the new file. Returns true when the file was written.
bool WriteDataFile(const ModelStore& store, std::string& dataFileName,
                   const std::string& defaultFolder, DataFileStamp* stamp = nullptr,
                   Dialogs* ask = nullptr);

std::string ChangedOnDiskMessage(const std::string& dataFileName);
std::string ChangedOnDiskQuestion(const std::string& dataFileName);

// The model sections of WriteDataFile in file order ([loads], [properties], [coordinates],
// [elements], [barproperties], [elementforces], [displacements]; a table without an entry has
// no section), lines ending in CR LF, appended to text. Throws UserError on a node cell that
// passes the cleaning but does not convert.
void AppendModelSections(const ModelStore& store, std::string& text);
// The data file's text after writing the model into a file holding content: the lines of the
// other sections as they stand (CR LF line ends), then the model sections.
std::string DataFileText(const ModelStore& store, std::string content);

// PathNameLabel, FileNameLabel and Caption from dataFileName.
void ShowDataFileName(ModelStore& store, const std::string& dataFileName);

}  // namespace tarvelin
