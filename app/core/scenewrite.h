// Writing the scene file with its failure told to the caller.
#pragma once

#include <string>

#include "support/dialogs.h"

namespace tarvelin {

class ModelStore;

// WriteVrmlModel; true when it neither reported an error nor threw one (a thrown conversion
// error is reported through dialogs here).
bool WriteSceneChecked(const ModelStore& store, const std::string& dataFileName,
                       const std::string& scenePath, bool numbering, bool axes, Dialogs& dialogs);

}  // namespace tarvelin
