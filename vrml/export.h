// Export of the model in the tables as a VRML scene.
#pragma once

#include <functional>
#include <string>

#include "analysis/modelstore.h"

namespace tarvelin {

class Dialogs;

struct ModelExtent {
  double Ex = 0, Ey = 0, Ez = 0, E = 0;
};
struct BlockSize {
  double Sx = 0, Sy = 0, Sz = 0;
};

ModelExtent GetModelExtent(const ModelStore& store);
BlockSize GetBlockSize(const ModelStore& store);

// Writes the scene of bars 1..CountBars to scenePath; the title is the file-name part of
// dataFileName, or "unknown file". Throws UserError on a cell that does not convert.
void WriteVrmlModel(const ModelStore& store, const std::string& dataFileName,
                    const std::string& scenePath, bool numbering, bool axes, Dialogs& dialogs);

// NormaliseTables, the bar check, WriteVrmlModel, then openScene(scenePath) when the file
// exists. openScene returns false when the desktop could not open it; the user is then told
// the scene's full path in an information box.
void ShowVrmlModel(ModelStore& store, const std::string& dataFileName, const std::string& scenePath,
                   bool numbering, bool axes, Dialogs& dialogs,
                   const std::function<bool(const std::string&)>& openScene);

}  // namespace tarvelin
