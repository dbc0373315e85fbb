// The 3D view in the window: ModelView paints the model store's scene and turns the mouse
// into camera changes; ViewWindow puts it beside the main window with its tool bar.
#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>
#include <string>
#include <unordered_set>

#include "app/viewpaint.h"
#include "view/camera.h"
#include "view/scene.h"

class QAction;
class QDoubleSpinBox;
class QToolBar;

namespace tarvelin {

class Dialogs;
class ModelStore;

class ModelView : public QWidget {
  Q_OBJECT
 public:
  explicit ModelView(const ModelStore* store, QWidget* parent = nullptr);

  // The tables, loads or results changed: the scene is built again before the next paint.
  void Refresh();
  void FitAll();
  void SetStandardView(StandardView view);
  void SetPerspective(bool on);
  void SetSceneOptions(const SceneOptions& options);
  const SceneOptions& Options() const { return options_; }
  // Bars (table rows) and nodes (numbers) drawn highlighted.
  void SetSelection(std::unordered_set<int> bars, std::unordered_set<int> nodes);
  const PaintOptions& Painting() const { return paint_; }

  const Camera& View() const { return camera_; }
  Camera& View() { return camera_; }
  // The scene as drawn, built first when out of date.
  const Scene& CurrentScene();
  // The tooltip text of what lies under pixel pos, empty over nothing.
  QString ToolTipAt(const QPoint& pos);
  // Milliseconds the last paint took (the benchmark reads it).
  double LastPaintMilliseconds() const { return lastPaintMs_; }

 signals:
  void BarClicked(int bar);    // bar table row
  void NodeClicked(int node);  // node number
  void CameraChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

 private:
  enum class Drag { None, Orbit, Pan };
  void EnsureScene();

  const ModelStore* store_;
  SceneOptions options_;
  Scene scene_;
  bool dirty_ = true;
  bool fitted_ = false;  // the camera has been fitted to a model with bars
  Camera camera_;
  PaintOptions paint_;
  Drag drag_ = Drag::None;
  QPoint pressPos_;
  QPoint lastPos_;
  bool moved_ = false;
  double lastPaintMs_ = 0;
};

// The 3D view's own window: tool bar (fit, standard views, projection, colouring, deformed
// shape and its factor, numbers, width by force, "Save picture…") over the view.
class ViewWindow : public QWidget {
  Q_OBJECT
 public:
  ViewWindow(const ModelStore* store, Dialogs* dialogs, QWidget* parent = nullptr);

  ModelView* Model() const { return view_; }
  // Writes the view as it is: PNG of width x height pixels, or SVG; false after the error
  // box when it failed.
  bool SavePicture(const std::string& path, int width, int height);
  // Asks for the file (and a PNG's size) and saves; the tests replace the questions.
  void SavePictureClick();
  std::function<QString(QWidget*)> AskPictureFile;
  std::function<QSize(QWidget*, QSize)> AskPictureSize;

  QAction* PerspectiveAction = nullptr;
  QAction* ForceColoursAction = nullptr;
  QAction* DeformedAction = nullptr;
  QAction* NumbersAction = nullptr;
  QAction* WidthAction = nullptr;
  QAction* SavePictureAction = nullptr;
  QDoubleSpinBox* FactorBox = nullptr;

  // Reads the tool bar's switches and the factor into the view.
  void ApplyOptions();

 private:
  ModelView* view_;
  Dialogs* dialogs_;
  QToolBar* tools_;
};

}  // namespace tarvelin
