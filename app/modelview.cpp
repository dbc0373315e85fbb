// The 3D view widget and its window.
#include "app/modelview.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHelpEvent>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QToolBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

#include "analysis/modelstore.h"
#include "support/dialogs.h"
#include "support/numtext.h"

namespace tarvelin {

namespace {

QString Num(double v) {
  return QString::fromStdString(FormatGeneral(v, 6));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// ModelView

ModelView::ModelView(const ModelStore* store, QWidget* parent) : QWidget(parent), store_(store) {
  setObjectName(QStringLiteral("ModelView"));
  setAccessibleName(QStringLiteral("3D view of the model"));
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(200, 150);
  setAttribute(Qt::WA_OpaquePaintEvent);
  camera_.SetStandardView(StandardView::Isometric);
  camera_.SetViewport(width(), height());
}

void ModelView::Refresh() {
  dirty_ = true;
  update();
}

void ModelView::EnsureScene() {
  camera_.SetViewport(width(), height());
  if (!dirty_) return;
  scene_ = BuildScene(*store_, options_);
  dirty_ = false;
  // The first model with bars is fitted; later edits keep the user's camera.
  if (!fitted_ && !scene_.Bars.empty()) {
    camera_.FitAll(scene_.Extent());
    fitted_ = true;
  }
}

const Scene& ModelView::CurrentScene() {
  EnsureScene();
  return scene_;
}

void ModelView::FitAll() {
  EnsureScene();
  camera_.FitAll(scene_.Extent());
  fitted_ = !scene_.Bars.empty();
  update();
  emit CameraChanged();
}

void ModelView::SetStandardView(StandardView view) {
  camera_.SetStandardView(view);
  FitAll();
}

void ModelView::SetPerspective(bool on) {
  camera_.Perspective = on;
  update();
  emit CameraChanged();
}

void ModelView::SetSceneOptions(const SceneOptions& options) {
  options_ = options;
  Refresh();
}

void ModelView::SetSelection(std::unordered_set<int> bars, std::unordered_set<int> nodes) {
  paint_.SelectedBars = std::move(bars);
  paint_.SelectedNodes = std::move(nodes);
  update();
}

void ModelView::paintEvent(QPaintEvent*) {
  QElapsedTimer timer;
  timer.start();
  EnsureScene();
  QPainter painter(this);
  PaintOptions options = paint_;
  options.Moving = drag_ != Drag::None && moved_;
  PaintScene(painter, scene_, camera_, options);
  if (scene_.Bars.empty()) {
    painter.setPen(QColor(90, 90, 90));
    painter.drawText(rect(), Qt::AlignCenter,
                     QStringLiteral("No bars to show yet: fill in the node and bar tables."));
  }
  lastPaintMs_ = timer.nsecsElapsed() / 1e6;
}

void ModelView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  camera_.SetViewport(width(), height());
}

void ModelView::mousePressEvent(QMouseEvent* event) {
  pressPos_ = lastPos_ = event->position().toPoint();
  moved_ = false;
  if (event->button() == Qt::MiddleButton ||
      (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier)))
    drag_ = Drag::Pan;
  else if (event->button() == Qt::LeftButton)
    drag_ = Drag::Orbit;
  setFocus(Qt::MouseFocusReason);
}

void ModelView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (drag_ == Drag::None) return;
  if (!moved_ && (pos - pressPos_).manhattanLength() < 3) return;
  moved_ = true;
  const QPoint d = pos - lastPos_;
  lastPos_ = pos;
  if (drag_ == Drag::Orbit)
    camera_.Orbit(d.x(), d.y());
  else
    camera_.Pan(d.x(), d.y());
  update();
  emit CameraChanged();
}

void ModelView::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = drag_ != Drag::None && !moved_ && event->button() == Qt::LeftButton;
  const bool wasMoving = moved_;
  drag_ = Drag::None;
  moved_ = false;
  if (wasMoving) update();  // the whole model again after a thinned drag
  if (!click) return;
  EnsureScene();
  const QPointF p = event->position();
  const Hit hit = HitTest(scene_, camera_, p.x(), p.y());
  if (hit.What == Hit::Kind::Bar) emit BarClicked(scene_.Bars[hit.Index].Bar);
  if (hit.What == Hit::Kind::Node) emit NodeClicked(scene_.Nodes[hit.Index].Number);
}

void ModelView::mouseDoubleClickEvent(QMouseEvent* event) {
  EnsureScene();
  const QPointF p = event->position();
  if (HitTest(scene_, camera_, p.x(), p.y()).What == Hit::Kind::None) FitAll();
}

void ModelView::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0) return;
  const QPointF p = event->position();
  camera_.ZoomAt(p.x(), p.y(), std::pow(1.2, steps));
  update();
  emit CameraChanged();
  event->accept();
}

void ModelView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F && event->modifiers() == Qt::NoModifier) {
    FitAll();
    return;
  }
  QWidget::keyPressEvent(event);
}

QString ModelView::ToolTipAt(const QPoint& pos) {
  EnsureScene();
  const Hit hit = HitTest(scene_, camera_, pos.x(), pos.y());
  if (hit.What == Hit::Kind::Bar) {
    const SceneBar& b = scene_.Bars[hit.Index];
    QString text = QStringLiteral("bar %1\nnodes %2 to %3\ntype %4\nE = %5 kN/m^2\nA = %6 m^2")
                       .arg(b.Bar)
                       .arg(b.BeginNode)
                       .arg(b.EndNode)
                       .arg(b.Type)
                       .arg(Num(b.E), Num(b.A));
    if (b.HasForce)
      text += QStringLiteral("\nN = %1 kN (%2)")
                  .arg(Num(b.Force), b.Force > 0   ? QStringLiteral("tension")
                                     : b.Force < 0 ? QStringLiteral("compression")
                                                   : QStringLiteral("no force"));
    return text;
  }
  if (hit.What == Hit::Kind::Node) {
    const SceneNode& n = scene_.Nodes[hit.Index];
    return QStringLiteral("node %1\n%2\nX = %3 m, Y = %4 m, Z = %5 m")
        .arg(n.Number)
        .arg(n.OnBlock ? QStringLiteral("on the block") : QStringLiteral("supported"))
        .arg(Num(n.Position.X), Num(n.Position.Y), Num(n.Position.Z));
  }
  return QString();
}

bool ModelView::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = ToolTipAt(help->pos());
    if (text.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(help->globalPos(), text, this);
    return true;
  }
  return QWidget::event(event);
}

// ---------------------------------------------------------------------------------------------
// ViewWindow

ViewWindow::ViewWindow(const ModelStore* store, Dialogs* dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), view_(new ModelView(store, this)), dialogs_(dialogs) {
  setObjectName(QStringLiteral("ViewWindow"));
  setWindowTitle(QStringLiteral("3D view - Tarvelin on bars"));
  tools_ = new QToolBar(this);
  tools_->setObjectName(QStringLiteral("ViewTools"));
  auto add = [this](const char* text, const char* tip, auto slot) {
    QAction* a = tools_->addAction(QLatin1String(text));
    a->setToolTip(QLatin1String(tip));
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  add("Fit all", "Show the whole model (F, or a double click on empty space)",
      [this] { view_->FitAll(); });
  tools_->addSeparator();
  add("Top", "Look down on the block", [this] { view_->SetStandardView(StandardView::Top); });
  add("Front", "Look from +y", [this] { view_->SetStandardView(StandardView::Front); });
  add("Side", "Look from +x", [this] { view_->SetStandardView(StandardView::Side); });
  add("Isometric", "Isometric view", [this] { view_->SetStandardView(StandardView::Isometric); });
  PerspectiveAction = add("Perspective", "Perspective or parallel projection",
                          [this](bool on) { view_->SetPerspective(on); });
  PerspectiveAction->setCheckable(true);
  PerspectiveAction->setChecked(view_->View().Perspective);
  tools_->addSeparator();
  auto toggle = [this, &add](const char* text, const char* tip, bool on) {
    QAction* a = add(text, tip, [this] { ApplyOptions(); });
    a->setCheckable(true);
    a->setChecked(on);
    return a;
  };
  ForceColoursAction =
      toggle("Forces", "Colour the bars by normal force after a calculation (else by type)", true);
  WidthAction = toggle("Width by |N|", "Line width grows with the normal force", false);
  DeformedAction = toggle("Deformed", "Displaced positions after a calculation", true);
  tools_->addWidget(new QLabel(QStringLiteral(" factor "), tools_));
  FactorBox = new QDoubleSpinBox(tools_);
  FactorBox->setObjectName(QStringLiteral("FactorBox"));
  FactorBox->setRange(0, 1e12);
  FactorBox->setDecimals(3);
  FactorBox->setSpecialValueText(QStringLiteral("auto"));
  FactorBox->setToolTip(
      QStringLiteral("Amplification of the displacements; auto shows the largest as a tenth of "
                     "the model's size"));
  FactorBox->setAccessibleName(QStringLiteral("amplification factor"));
  FactorBox->setMaximumWidth(90);
  tools_->addWidget(FactorBox);
  connect(FactorBox, &QDoubleSpinBox::valueChanged, this, [this] { ApplyOptions(); });
  NumbersAction = toggle("Numbers", "Node and bar numbers", false);
  tools_->addSeparator();
  SavePictureAction =
      add("Save picture…", "Write the view as PNG or SVG", [this] { SavePictureClick(); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tools_);
  layout->addWidget(view_, 1);
  resize(760, 560);

  AskPictureFile = [](QWidget* parent) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Save picture"), QString(),
                                        QStringLiteral("PNG picture (*.png);;SVG picture (*.svg)"));
  };
  AskPictureSize = [](QWidget* parent, QSize size) {
    bool ok = false;
    const QString text = QInputDialog::getText(
        parent, QStringLiteral("Save picture"), QStringLiteral("Size in pixels (width x height):"),
        QLineEdit::Normal, QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()), &ok);
    if (!ok) return QSize();
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2) return QSize(0, 0);  // refused by SavePicture
    return QSize(parts[0].trimmed().toInt(), parts[1].trimmed().toInt());
  };
  ApplyOptions();
}

void ViewWindow::ApplyOptions() {
  SceneOptions o;
  o.Colours = ForceColoursAction->isChecked() ? Colouring::ByForce : Colouring::ByType;
  o.WidthByForce = WidthAction->isChecked();
  o.Deformed = DeformedAction->isChecked();
  o.Factor = FactorBox->value();
  o.Numbers = NumbersAction->isChecked();
  view_->SetSceneOptions(o);
}

bool ViewWindow::SavePicture(const std::string& path, int width, int height) {
  // The view as the user sees it, scaled to the picture's size.
  Camera camera = view_->View();
  if (width > 0 && height > 0) {
    const double zoom = std::min(static_cast<double>(width) / std::max(camera.Width, 1),
                                 static_cast<double>(height) / std::max(camera.Height, 1));
    camera.Distance *= (static_cast<double>(height) / std::max(camera.Height, 1)) / zoom;
  }
  camera.Width = width;
  camera.Height = height;
  std::string error;
  if (SavePictureFile(view_->CurrentScene(), camera, view_->Painting(), path, error)) return true;
  if (dialogs_) dialogs_->ShowError(error);
  return false;
}

void ViewWindow::SavePictureClick() {
  const QString name = AskPictureFile ? AskPictureFile(this) : QString();
  if (name.isEmpty()) return;
  QSize size = view_->size();
  if (!name.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive) && AskPictureSize) {
    size = AskPictureSize(this, size);
    if (size == QSize()) return;  // cancelled
  }
  SavePicture(name.toStdString(), size.width(), size.height());
}

}  // namespace tarvelin
