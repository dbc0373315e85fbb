// Painting the 3D view's scene with QPainter (screen, QImage, SVG), and the picture files of
// the view: PNG or SVG, written in one step.
#pragma once

#include <QColor>
#include <string>
#include <unordered_set>

#include "view/camera.h"
#include "view/scene.h"

class QPainter;

namespace tarvelin {

class ModelStore;

// Colour of the selection halo around bars and nodes picked in the tables or the view.
extern const QColor kSelectionColour;

struct PaintOptions {
  std::unordered_set<int> SelectedBars;   // bar table rows
  std::unordered_set<int> SelectedNodes;  // node numbers
  bool Moving = false;  // the camera is being dragged: large models are drawn thinned
  bool Legend = true;
  bool Axes = true;
};

QColor ToQColor(const Rgb& c);

// Paints scene as camera sees it on a Width x Height area at the painter's origin.
void PaintScene(QPainter& painter, const Scene& scene, const Camera& camera,
                const PaintOptions& options);

// Draws 1 bar in step bars while moving when the model has more than this many.
constexpr std::size_t kMovingBarBudget = 25000;

// Size of the "-p" picture of a batch run.
constexpr int kBatchPictureWidth = 1200;
constexpr int kBatchPictureHeight = 900;

// The picture of the model in store, isometric and fitted: PNG or SVG by the file's
// extension (either letter case). The file is replaced in one step; on any failure it is left
// as it was and error says why. Needs a QGuiApplication.
bool WritePicture(const ModelStore& store, const std::string& path, int width, int height,
                  const SceneOptions& sceneOptions, std::string& error);
// The "-p" picture of a batch run: WritePicture at the batch size with the default options.
bool WriteBatchPicture(const ModelStore& store, const std::string& path, std::string& error);
// Draws scene as camera sees it (its viewport the picture's size) into path, PNG or SVG by
// the extension, replacing the file in one step; false, with the reason in error, when the
// name or size is refused or the file cannot be written (it is then left as it was).
bool SavePictureFile(const Scene& scene, const Camera& camera, const PaintOptions& options,
                     const std::string& path, std::string& error);
// Renders to the bytes of a PNG or SVG file (svg true) with the given camera.
bool RenderPicture(const Scene& scene, const Camera& camera, const PaintOptions& options, bool svg,
                   std::string& bytes);

}  // namespace tarvelin
