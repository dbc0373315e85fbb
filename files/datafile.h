// The .PEN data file: reading it into the model store and writing the model and results.
#pragma once

#include <string>

#include "analysis/modelstore.h"

namespace tarvelin {

class ProfileFile;

enum class ReadResult { NoFile, Read };

// Reads the file named dataFileName into the store (ShowDataFileName, ResetModelView, loads,
// properties, tables). First grows the tables to hold the largest row or type key it will
// read. NoFile when there is no file: nothing changed, nothing reported. Throws UserError on
// a load or property that does not convert, or when the file needs more than
// kMaxGridLength rows (then before anything has changed), or when the file exists but
// cannot be read ("Unable to read <file>").
ReadResult ReadDataFile(ModelStore& store, const std::string& dataFileName);

// ReadDataFile on a file already in memory; dataFileName is only shown.
void ReadDataProfile(ModelStore& store, const ProfileFile& profile,
                     const std::string& dataFileName);

// Writes the model and the last results into dataFileName, keeping other sections. When
// dataFileName is empty it first becomes defaultFolder + "data.PEN". Throws UserError
// ("Unable to write to <file>", or a conversion message) and leaves the old file whole.
void WriteDataFile(ModelStore& store, std::string& dataFileName, const std::string& defaultFolder);

// The model sections of WriteDataFile, replaced in a file held in memory. Throws UserError on
// a node cell that passes the cleaning but does not convert; profile is then half updated.
void UpdateDataProfile(const ModelStore& store, ProfileFile& profile);

// PathNameLabel, FileNameLabel and Caption from dataFileName.
void ShowDataFileName(ModelStore& store, const std::string& dataFileName);

}  // namespace tarvelin
