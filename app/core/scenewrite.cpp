// Writing the scene with its failure counted.
#include "app/core/scenewrite.h"

#include "analysis/modelstore.h"
#include "app/core/streamdialogs.h"
#include "support/numtext.h"
#include "vrml/export.h"

namespace tarvelin {

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

}  // namespace tarvelin
