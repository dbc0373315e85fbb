// TForm1: the main window, owner of the model store and the start-up state; start-up, batch
// run, commands and close.
#include "app/tform1.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <new>
#include <system_error>
#include <unordered_set>

#include "analysis/stiffness.h"
#include "app/aboutbox.h"
#include "app/core/modeledit.h"
#include "app/core/run.h"
#include "app/core/scenewrite.h"
#include "app/gridmodel.h"
#include "app/helpform.h"
#include "app/jpeg.h"
#include "app/modelview.h"
#include "app/pages.h"
#include "app/qtdialogs.h"
#include "files/datafile.h"
#include "files/resultsexport.h"
#include "support/check.h"
#include "support/numtext.h"
#include "support/unitlib.h"
#include "support/widgets/numberedit.h"
#include "version.h"
#include "vrml/export.h"

namespace fs = std::filesystem;

// Start-up milestones, off by default; QT_LOGGING_RULES="tarvelin.startup.info=true" prints
// them on standard error, so a script driving the program can wait for them.
Q_LOGGING_CATEGORY(lcStartup, "tarvelin.startup", QtWarningMsg)

namespace tarvelin {

const char* const kPluginWebPage = "https://www.cortona3d.com/cortona3d-viewer";
const char* const kMakersNotice = "(c) Tarvelin";

namespace {

const char kVersionPanel[] = "v " TARVELIN_VERSION;
const char kIntroPicture[] = ":/pictures/viewer.jpg";
const char kProgramIconResource[] = ":/pictures/tarvelin.png";

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

bool FileExists(const std::string& name) {
  std::error_code ec;
  return !name.empty() && fs::is_regular_file(name, ec);
}

bool FolderExists(const std::string& name) {
  std::error_code ec;
  return !name.empty() && fs::is_directory(name, ec);
}

// The program's icon: the picture when the program carries it, else a block on three bars.
QIcon ProgramIcon() {
  if (QFile::exists(QLatin1String(kProgramIconResource)))
    return QIcon(QLatin1String(kProgramIconResource));
  QPixmap pixmap(41, 41);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(60, 60, 60), 2));
  p.drawLine(10, 20, 4, 38);
  p.drawLine(20, 20, 20, 38);
  p.drawLine(30, 20, 37, 38);
  p.setBrush(QColor(70, 110, 190));
  p.drawRect(5, 6, 30, 14);
  p.setBrush(QColor(200, 60, 40));
  p.drawRect(1, 36, 39, 4);
  return QIcon(pixmap);
}

// WaitMilliseconds with the window's events processed, resting a millisecond between passes
// rather than spinning.
void WaitProcessingEvents(int ms) {
  WaitMilliseconds(ms, [] {
    QCoreApplication::processEvents();
    QThread::msleep(1);
  });
}

QLabel* Line(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setAccessibleName(text.trimmed());
  return label;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Creation

QFileDialog* NewDataFileDialog(QWidget* parent, const QString& startFolder, bool save) {
  auto* dialog =
      new QFileDialog(parent, save ? QStringLiteral("Save as") : QStringLiteral("Open"),
                      startFolder, QStringLiteral("pendel file (*.pen);;text file (*.txt)"));
  // Qt's own dialog matches the patterns in either letter case (x.PEN is listed under
  // "*.pen"); a desktop's native dialog may not, and would hide files written as .PEN.
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::AnyFile);  // a new name becomes the data file
  if (save) dialog->setOption(QFileDialog::DontConfirmOverwrite);
  dialog->setDefaultSuffix(QStringLiteral("pen"));
  return dialog;
}

QFileDialog* NewExportDialog(QWidget* parent, const QString& startFolder) {
  auto* dialog = new QFileDialog(parent, QStringLiteral("Export results"), startFolder,
                                 QStringLiteral("JSON file (*.json);;CSV file (*.csv)"));
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setDefaultSuffix(QStringLiteral("json"));
  QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
    dialog->setDefaultSuffix(filter.contains(QLatin1String("*.csv")) ? QStringLiteral("csv")
                                                                     : QStringLiteral("json"));
  });
  return dialog;
}

TForm1::TForm1(std::vector<std::string> args, FileLocations locations, Dialogs* dialogs,
               QWidget* parent)
    : QMainWindow(parent),
      args_(std::move(args)),
      locations_(std::move(locations)),
      // A write that ended wakes the window's thread, which shows what it reported.
      scene_([this] {
        QMetaObject::invokeMethod(
            this, [this] { ShowSceneMessages(); }, Qt::QueuedConnection);
      }) {
  if (dialogs) {
    dialogs_ = dialogs;
  } else {
    ownDialogs_ = std::make_unique<QtDialogs>(this);
    dialogs_ = ownDialogs_.get();
  }
  platform_ = DefaultPlatform();
  history_.Applied = [this] { ModelChanged(); };
  history_.SetFileName = [this](const std::string& name) {
    state_.DataFileName = name;
    ShowDataFileName(store_, name);
  };
  BuildWindow();
  FormCreate();
}

TForm1::~TForm1() {
  StopBackgroundWork();
  scene_.Wait();  // before the window goes: the write's end is posted to it
  // The pages outlive the history (child widgets go last): nothing they report may reach it.
  if (Pages) Pages->EditMade = nullptr;
  history_.Applied = nullptr;
}

TForm1::Platform TForm1::DefaultPlatform() {
  Platform p;
  p.OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  p.StartDetached = [](const QString& program, const QStringList& args, const QString& dir) {
    return QProcess::startDetached(program, args, dir);
  };
  auto ask = [](QWidget* parent, const QString& start, bool save) {
    std::unique_ptr<QFileDialog> dialog(NewDataFileDialog(parent, start, save));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return QString();
    return dialog->selectedFiles().first();
  };
  p.GetOpenFileName = [ask](QWidget* parent, const QString& start) {
    return ask(parent, start, false);
  };
  p.GetSaveFileName = [ask](QWidget* parent, const QString& start) {
    return ask(parent, start, true);
  };
  p.GetExportFileName = [](QWidget* parent, const QString& start) {
    std::unique_ptr<QFileDialog> dialog(NewExportDialog(parent, start));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return QString();
    return dialog->selectedFiles().first();
  };
  return p;
}

void TForm1::BuildWindow() {
  setWindowTitle(QStringLiteral("Tarvelin on bars"));
  setWindowIcon(ProgramIcon());

  auto* central = new QWidget(this);
  setCentralWidget(central);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(4, 4, 4, 2);
  column->setSpacing(4);

  Pages = new MainPages(&store_, dialogs_, central);
  PageControl1 = Pages;
  connect(Pages, &MainPages::CalculateRequested, this, &TForm1::BitBtn2Click);
  connect(Pages, &MainPages::ShowVrmlRequested, this, &TForm1::Button2Click);
  connect(Pages, &MainPages::HelpRequested, this, &TForm1::Technicalinformation1Click);
  Pages->EditMade = [this](ModelEdit edit, const QString& what) {
    history_.Record(std::move(edit), what);
  };
  connect(Pages, &MainPages::ViewRequested, this, &TForm1::ShowModelView);
  connect(Pages, &MainPages::ModelEdited, this, [this] {
    if (View3D) View3D->Model()->Refresh();
  });
  for (QTableView* table : {Pages->CoordGrid(), Pages->EleGrid(), Pages->StringGrid3()})
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TForm1::SyncViewSelection);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  // The pages keep their room while hidden, so the controls below them stay in place.
  QSizePolicy keep = PageControl1->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  PageControl1->setSizePolicy(keep);
  PageControl1->hide();
  column->addWidget(PageControl1, 1);

  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(8);
  CheckBox1 = new QCheckBox(QStringLiteral("Show test data during calculation fase"), central);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setAccessibleName(CheckBox1->text());
  connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) { store_.CheckBox1 = on; });
  SpeedButton1 = new QToolButton(central);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  SpeedButton1->setIconSize(QSize(20, 20));
  SpeedButton1->setToolTip(
      QStringLiteral("Show data folder, drag and drop files on the application"));
  SpeedButton1->setAccessibleName(QStringLiteral("Show data folder"));
  SpeedButton1->setAccessibleDescription(SpeedButton1->toolTip());
  connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                            QStringLiteral("Close"), central);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setAccessibleName(QStringLiteral("Close"));
  BitBtn1->setMinimumWidth(90);
  connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
  for (QWidget* w : {static_cast<QWidget*>(CheckBox1), static_cast<QWidget*>(BitBtn1)}) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
    w->hide();
  }
  bottom->addWidget(CheckBox1);
  bottom->addStretch(1);
  bottom->addWidget(SpeedButton1);
  bottom->addSpacing(12);
  bottom->addWidget(BitBtn1);
  column->addLayout(bottom);

  BuildMenus();
  BuildStatusBar();
  BuildBatchPanel();
  BuildIntroPanel();

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setSingleShot(true);
  Timer1->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

  FitWindowSize();
}

void TForm1::BuildMenus() {
  Bestand1 = menuBar()->addMenu(QStringLiteral("&File"));
  Bestand1->setObjectName(QStringLiteral("Bestand1"));
  New1 = Bestand1->addAction(QStringLiteral("New"), this, &TForm1::New1Click);
  New1->setShortcut(QKeySequence::New);
  Save1 = Bestand1->addAction(QStringLiteral("Save"), this, [this] { Save1Click(); });
  Save1->setShortcut(QKeySequence::Save);
  Opslaanals1 = Bestand1->addAction(QStringLiteral("Save as"), this, &TForm1::Opslaanals1Click);
  Opslaanals1->setShortcut(QKeySequence::SaveAs);
  Openen1 = Bestand1->addAction(QStringLiteral("Open"), this, &TForm1::Openen1Click);
  Openen1->setShortcut(QKeySequence::Open);
  Recent1 = Bestand1->addMenu(QStringLiteral("Recent files"));
  Recent1->setObjectName(QStringLiteral("Recent1"));
  ExportResults1 =
      Bestand1->addAction(QStringLiteral("Export results…"), this, &TForm1::ExportResults1Click);
  ExportResults1->setObjectName(QStringLiteral("ExportResults1"));
  ExportResults1->setEnabled(false);
  // The pages can clear the results without a refresh of the window; the menu looks again.
  connect(Bestand1, &QMenu::aboutToShow, this,
          [this] { ExportResults1->setEnabled(store_.Result.Valid); });
  Bestand1->addSeparator();
  Afsluiten1 = Bestand1->addAction(QStringLiteral("Close"), this, &TForm1::Afsluiten1Click);
  Afsluiten1->setShortcut(QKeySequence::Quit);

  Edit1 = menuBar()->addMenu(QStringLiteral("&Edit"));
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Undo1 = Edit1->addAction(QStringLiteral("Undo"), this, &TForm1::Undo1Click);
  Undo1->setShortcut(QKeySequence::Undo);
  Redo1 = Edit1->addAction(QStringLiteral("Redo"), this, &TForm1::Redo1Click);
  // Ctrl+Shift+Z and Ctrl+Y on every desktop, besides the desktop's own redo key.
  QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
  for (const QKeySequence& key :
       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)})
    if (!redoKeys.contains(key)) redoKeys << key;
  Redo1->setShortcuts(redoKeys);
  Undo1->setEnabled(false);
  Redo1->setEnabled(false);
  connect(&history_.Stack(), &QUndoStack::canUndoChanged, Undo1,
          [this](bool can) { Undo1->setEnabled(can && interactive_); });
  connect(&history_.Stack(), &QUndoStack::canRedoChanged, Redo1,
          [this](bool can) { Redo1->setEnabled(can && interactive_); });
  connect(&history_.Stack(), &QUndoStack::cleanChanged, this, [this] { UpdateCaption(); });
  Edit1->addSeparator();
  Copy1 = Edit1->addAction(QStringLiteral("Copy"), this, &TForm1::Copy1Click);
  Copy1->setShortcut(QKeySequence::Copy);
  Paste1 = Edit1->addAction(QStringLiteral("Paste"), this, &TForm1::Paste1Click);
  Paste1->setShortcut(QKeySequence::Paste);
  // The Delete key belongs to the control that has the focus (the tables and the fields
  // each clear their own), so the entry carries no shortcut of the window.
  Delete1 = Edit1->addAction(QStringLiteral("Delete"), this, &TForm1::Delete1Click);

  View1 = menuBar()->addMenu(QStringLiteral("&View"));
  View1->setObjectName(QStringLiteral("View1"));
  const char* const pages[] = {"Block", "Hinged bars", "Results"};
  for (int i = 0; i < 3; ++i) {
    QAction* page = View1->addAction(QLatin1String(pages[i]), this, [this, i] {
      if (Pages) Pages->GoToPage(i);
    });
    page->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + i)));
  }
  View1->addSeparator();
  View1->addAction(QStringLiteral("Show 3D-VRML model"), this, &TForm1::Button2Click);
  View3DAction = View1->addAction(QStringLiteral("3D view"), this, &TForm1::ShowModelView);
  View3DAction->setShortcut(QKeySequence(Qt::Key_F3));

  // F9 calculates from anywhere in the window.
  Calculate1 = new QAction(QStringLiteral("Calculate"), this);
  Calculate1->setShortcut(Qt::Key_F9);
  connect(Calculate1, &QAction::triggered, this, &TForm1::BitBtn2Click);
  addAction(Calculate1);

  Info1 = menuBar()->addMenu(QStringLiteral("&Info"));
  Info1->setObjectName(QStringLiteral("Info1"));
  Technicalinformation1 = Info1->addAction(QStringLiteral("Technical information"), this,
                                           &TForm1::Technicalinformation1Click);
  Manual1 = Info1->addAction(QStringLiteral("Manual"), this, &TForm1::Manual1Click);
  Info1->addSeparator();
  About1 = Info1->addAction(QStringLiteral("About"), this, &TForm1::About1Click);

  for (QMenu* menu : {Bestand1, Edit1, View1, Info1}) menu->menuAction()->setVisible(false);
  EnableCommands(false);
}

QList<QAction*> TForm1::Commands() const {
  QList<QAction*> list;
  for (QMenu* menu : {Bestand1, Edit1, View1, Info1})
    for (QAction* a : menu->actions())
      if (a != Undo1 && a != Redo1) list << a;
  list << Calculate1;
  return list;
}

// The menus' keys work only once the deferred start-up has shown the menus (not during a
// batch run).
void TForm1::EnableCommands(bool on) {
  for (QAction* a : Commands()) a->setEnabled(on);
  Undo1->setEnabled(on && history_.Stack().canUndo());
  Redo1->setEnabled(on && history_.Stack().canRedo());
  if (on) UpdateRecentMenu();
}

void TForm1::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  bar->setSizeGripEnabled(false);
  const int widths[8] = {100, 60, 50, 50, 50, 50, 50, 50};
  const char* texts[8] = {kMakersNotice, "dec 2016", "", "", "", "", "", kWWWNotChecked};
  for (int i = 0; i < 8; ++i) {
    auto* panel = new QLabel(QLatin1String(texts[i]), bar);
    panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setMinimumWidth(widths[i]);
    panel->setAccessibleName(QStringLiteral("status panel %1").arg(i + 1));
    // The last panel takes what is left, like the designed bar's last panel.
    bar->addWidget(panel, i == 7 ? 1 : 0);
    StatusPanels.push_back(panel);
  }
}

void TForm1::BuildBatchPanel() {
  Panel2 = new QFrame(centralWidget());
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setAutoFillBackground(true);
  QPalette palette = Panel2->palette();
  palette.setColor(QPalette::Window, Qt::white);
  palette.setColor(QPalette::WindowText, Qt::black);
  Panel2->setPalette(palette);
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);

  // The title at the top and the caption at the bottom: the intro panel, shown over the middle
  // of the window also during a batch run, must not hide them.
  auto* layout = new QVBoxLayout(Panel2);
  layout->setContentsMargins(12, 12, 12, 12);
  auto* head = new QHBoxLayout;
  head->addStretch(1);
  auto* icon = new QLabel(Panel2);
  icon->setPixmap(windowIcon().pixmap(41, 41));
  icon->setFixedSize(41, 41);
  head->addWidget(icon);
  auto* titles = new QVBoxLayout;
  auto* title = Line(QStringLiteral("TARVELIN ON BARS"), Panel2);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  titles->addWidget(title);
  titles->addWidget(Line(QStringLiteral("Discrete Element Method"), Panel2));
  titles->addWidget(Line(QLatin1String(kMakersNotice), Panel2));
  head->addLayout(titles);
  head->addStretch(1);
  layout->addLayout(head);
  layout->addStretch(1);
  auto* caption = Line(QStringLiteral("running in batch mode ...."), Panel2);
  caption->setObjectName(QStringLiteral("Panel2Caption"));
  caption->setAlignment(Qt::AlignCenter);
  layout->addWidget(caption);
  Panel2->hide();
}

void TForm1::BuildIntroPanel() {
  IntroPanel = new QFrame(centralWidget());
  IntroPanel->setObjectName(QStringLiteral("IntroPanel"));
  IntroPanel->setAutoFillBackground(true);
  QPalette palette = IntroPanel->palette();
  palette.setColor(QPalette::Window, QColor(0xcc, 0xff, 0xcc));
  palette.setColor(QPalette::WindowText, Qt::black);
  palette.setColor(QPalette::Button, QColor(0xcc, 0xff, 0xcc));
  palette.setColor(QPalette::ButtonText, Qt::black);
  IntroPanel->setPalette(palette);
  IntroPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  IntroPanel->setLineWidth(2);

  auto* layout = new QVBoxLayout(IntroPanel);
  layout->setContentsMargins(8, 6, 8, 6);
  layout->setSpacing(1);
  auto* top = new QHBoxLayout;
  auto* lines = new QVBoxLayout;
  lines->setSpacing(1);
  lines->addWidget(Line(QStringLiteral("To view the 3D model this "), IntroPanel));
  lines->addWidget(Line(QStringLiteral("program requires Mozilla Firefox"), IntroPanel));
  lines->addWidget(Line(QStringLiteral("with a VRML plug in. Download the"), IntroPanel));
  auto* linkLine = new QHBoxLayout;
  linkLine->setSpacing(0);
  Label42 = Line(QStringLiteral("Cortona plug in "), IntroPanel);
  Label42->setObjectName(QStringLiteral("Label42"));
  QFont link = Label42->font();
  link.setBold(true);
  link.setUnderline(true);
  Label42->setFont(link);
  QPalette blue = Label42->palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  Label42->setPalette(blue);
  Label42->setToolTip(QStringLiteral("go to the web site"));
  Label42->setCursor(Qt::PointingHandCursor);
  Label42->installEventFilter(this);
  linkLine->addWidget(Label42);
  linkLine->addWidget(Line(QStringLiteral("if no VRML"), IntroPanel));
  linkLine->addStretch(1);
  lines->addLayout(linkLine);
  lines->addWidget(Line(QStringLiteral("is already installed."), IntroPanel));
  top->addLayout(lines, 1);

  Image1 = new QLabel(IntroPanel);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setFixedSize(89, 26);
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setToolTip(QStringLiteral("double click for web site"));
  Image1->setAccessibleName(QStringLiteral("Cortona plug in picture"));
  Image1->installEventFilter(this);
  const QPixmap picture = LoadJpegPixmap(QLatin1String(kIntroPicture));
  if (!picture.isNull()) {
    // Scaled to the screen's pixels, so it stays sharp on a high-density screen.
    const qreal ratio = devicePixelRatioF();
    QPixmap scaled =
        picture.scaled(Image1->size() * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    Image1->setPixmap(scaled);
  }
  top->addWidget(Image1, 0, Qt::AlignTop);
  layout->addLayout(top);
  layout->addStretch(1);

  auto* row = new QHBoxLayout;
  CheckBox3 = new QCheckBox(QStringLiteral("Do not show this panel again"), IntroPanel);
  CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
  CheckBox3->setAccessibleName(CheckBox3->text());
  connect(CheckBox3, &QCheckBox::clicked, this, &TForm1::CheckBox3Click);
  Button1 = new QPushButton(QStringLiteral(">>"), IntroPanel);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setToolTip(QStringLiteral("continue"));
  Button1->setAccessibleName(QStringLiteral("continue"));
  Button1->setFixedWidth(40);
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  row->addWidget(CheckBox3);
  row->addStretch(1);
  row->addWidget(Button1);
  layout->addLayout(row);

  IntroPanel->resize(IntroPanel->sizeHint().expandedTo(QSize(305, 129)));
  IntroPanel->hide();
}

// The designed client area is 663 x 371; Linux fonts need more room, so the window starts at
// the larger of the design and what the pages ask for. It can be resized and maximised: the
// tables and the results grow with it.
void TForm1::FitWindowSize() {
  const QSize pages = PageControl1->sizeHint();
  const int bottomRow = std::max({CheckBox1->sizeHint().height(), SpeedButton1->sizeHint().height(),
                                  BitBtn1->sizeHint().height()});
  const QMargins m = centralWidget()->layout()->contentsMargins();
  const int spacing = centralWidget()->layout()->spacing();
  const int statusHeight = statusBar()->sizeHint().height();
  const int width = std::max(663, pages.width() + m.left() + m.right());
  const int client = std::max(371 - statusHeight, std::max(297, pages.height()) + spacing +
                                                      bottomRow + m.top() + m.bottom());
  const int menuHeight = menuBar()->sizeHint().height();
  resize(width, menuHeight + client + statusHeight);
}

void TForm1::PlaceOverlays() {
  if (!centralWidget()) return;
  const QRect area = centralWidget()->rect();
  Panel2->setGeometry(area);
  const QSize intro = IntroPanel->size();
  IntroPanel->move(area.center().x() - intro.width() / 2, area.center().y() - intro.height() / 2);
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  PlaceOverlays();
}

void TForm1::FormCreate() {
  setAcceptDrops(true);
  www_ = DefaultUpdateRec();
  store_.ActivePage = 0;

  StartRun(run_, args_, locations_, *dialogs_);
  www_.AutoUpdate = state_.AutoUpdate;
  ApplyPlacement();
  if (options_.TestOutput) store_.CheckBox1 = true;
  RefreshView();
  Timer1->start();
}

// ---------------------------------------------------------------------------------------------
// Deferred start-up and batch run

void TForm1::SetPanelText(int panel, const QString& text) {
  TARVELIN_ASSERT(panel >= 0 && panel < static_cast<int>(StatusPanels.size()));
  StatusPanels[panel]->setText(text);
}

void TForm1::Timer1Timer() {
  Timer1->stop();
  store_.Label23.clear();
  store_.Label24.clear();
  store_.PathNameLabel = "path=";
  store_.FileNameLabel = "file=";
  if (!Guarded([this] { StartTables(store_, state_); })) {
    ShowInteractive();
    return;
  }
  SetPanelText(2, QLatin1String(kVersionPanel));
  RefreshView();

  // A batch run, windowed or not, makes no version check: no question may hold a script.
  if (state_.BatchMode)
    SetPanelText(7, QLatin1String(kWWWNotChecked));
  else
    StartVersionCheck();

  if (!state_.NoIntroPanel) {
    PlaceOverlays();
    IntroPanel->show();
    IntroPanel->raise();
  }

  if (!ReadDataFileGuarded()) {
    // The model is partly read: no batch run on it, and it is not written back (FormClose).
    ShowInteractive();
    return;
  }
  if (state_.BatchMode) {
    RunBatch();
    return;
  }
  ShowInteractive();
}

bool TForm1::ReadDataFileGuarded(const std::string& previousName, bool keepName) {
  ReadResult result = ReadResult::NoFile;
  const bool read = Guarded([&] { result = ReadRunModel(store_, run_, keepName); });
  if (read && result == ReadResult::Read) {
    history_.Stack().clear();
    if (!state_.BatchMode) AddToRecentFiles(state_.DataFileName);
  } else if (!read && !keepName) {
    state_.DataFileName = previousName;
  }
  if (View3D) {  // another model: see all of it
    View3D->Model()->Refresh();
    View3D->Model()->FitAll();
  }
  RefreshView();
  return read;
}

void TForm1::OpenDataFile(const std::string& name, std::string previous) {
  state_.DataFileName = name;
  state_.WorkingDir = FolderOf(name);
  ReadDataFileGuarded(previous, false);
}

void TForm1::RunBatch() {
  PageControl1->hide();
  PlaceOverlays();
  Panel2->show();
  Panel2->raise();
  if (IntroPanel->isVisible()) IntroPanel->raise();

  // A failed calculation, a conversion error, a scene or a data file that cannot be written:
  // the program goes on interactively with the model loaded.
  auto fallBack = [this] {
    Panel2->hide();
    ShowInteractive();
  };
  bool calculated = false;
  const bool ran = Guarded([this, &calculated] { calculated = CalculateModel(store_, *dialogs_); });
  RefreshView();
  if (!ran || !calculated) return fallBack();
  // The settings are written by the close, as at every close.
  RunFiles written;
  bool wrote = false;
  if (!Guarded([&] {
        wrote =
            WriteRunFiles(store_, run_, locations_, WriteBatchPicture, false, written, *dialogs_);
      }) ||
      !wrote) {
    written.PutBack(*dialogs_);
    return fallBack();
  }
  RefreshView();
  WaitProcessingEvents(500);
  close();
  if (isVisible()) fallBack();  // the close met an error and the window stays
}

void TForm1::ShowInteractive() {
  PageControl1->show();
  CheckBox1->show();
  BitBtn1->show();
  for (QMenu* menu : {Bestand1, Edit1, View1, Info1}) menu->menuAction()->setVisible(true);
  interactive_ = true;
  EnableCommands(true);
  RefreshView();
  qCInfo(lcStartup, "ready for interactive use");
}

// ---------------------------------------------------------------------------------------------
// Version check

void TForm1::StartVersionCheck() {
  www_.AutoUpdate = state_.AutoUpdate;
  UpdateEnvironment& env = updateEnv_;
  env.Folder = locations_.DataDir;
  env.Ask = dialogs_;
  env.SetStatusPanel = [this](const std::string& text) { SetPanelText(7, Q(text)); };
  env.StartProgram = [this](const std::string& program, const std::vector<std::string>& args,
                            const std::string& workDir) {
    QStringList list;
    for (const std::string& a : args) list << Q(a);
    return platform_.StartDetached && platform_.StartDetached(Q(program), list, Q(workDir));
  };
  env.Wait = WaitProcessingEvents;
  env.CloseWindow = [this] { close(); };
  env.ProtectedNames = {FileNameOf(locations_.ProgramPath), FileNameOf(locations_.SettingsFile),
                        FileNameOf(locations_.SceneFile), www_.VersionFileName,
                        FileNameOf(state_.DataFileName)};
  env.Cancel = &cancelWork_;

  if (!www_.AutoUpdate) {  // only the leftovers to delete: nothing to wait for
    VersionChecked(www_, CheckVersion(www_, env));
    return;
  }
  auto rec = std::make_shared<WWWUpdateRec>(www_);
  auto outcome = std::make_shared<VersionOutcome>(VersionOutcome::Failed);
  const UpdateEnvironment fetchEnv = env;
  RunInBackground([rec, outcome, fetchEnv] { *outcome = CheckVersion(*rec, fetchEnv); },
                  [this, rec, outcome] { VersionChecked(*rec, *outcome); });
}

void TForm1::VersionChecked(const WWWUpdateRec& rec, VersionOutcome outcome) {
  www_ = rec;
  SetPanelText(7, QLatin1String(StatusText(outcome)));
  if (outcome != VersionOutcome::NewVersion) return;
  bool wanted = false;
  Guarded([this, &wanted] { wanted = AskForUpdate(www_, updateEnv_); });
  if (!wanted || closed_) return;
  auto fetched = std::make_shared<UpdaterOutcome>(UpdaterOutcome::Failed);
  const WWWUpdateRec checked = www_;
  const UpdateEnvironment fetchEnv = updateEnv_;
  RunInBackground([fetched, checked, fetchEnv] { *fetched = FetchUpdater(checked, fetchEnv); },
                  [this, fetched] { UpdaterFetched(*fetched); });
}

void TForm1::UpdaterFetched(UpdaterOutcome outcome) {
  Guarded([this, outcome] { FinishUpdate(www_, updateEnv_, outcome); });
}

void TForm1::RunInBackground(std::function<void()> work, std::function<void()> done) {
  if (worker_.joinable()) worker_.join();
  worker_ = std::thread([this, work = std::move(work), done = std::move(done)] {
    bool ran = true;
    try {
      work();
    } catch (...) {  // out of memory: the start goes on without the check
      ran = false;
    }
    // Posted to the window's thread; a window destroyed meanwhile drops it (the destructor
    // waits for this thread first).
    QMetaObject::invokeMethod(
        this,
        [this, ran, done] {
          if (closed_) return;
          if (ran)
            done();
          else
            SetPanelText(7, QLatin1String(kUpdateFailed));
        },
        Qt::QueuedConnection);
  });
}

void TForm1::StopBackgroundWork() {
  cancelWork_ = true;
  if (worker_.joinable()) worker_.join();
}

// ---------------------------------------------------------------------------------------------
// Close

bool TForm1::SaveDataFile() {
  return WriteDataFile(store_, state_.DataFileName, locations_.DataDir, &run_.DataFile.Stamp,
                       dialogs_);
}

bool TForm1::FormClose() {
  CommitEdits();
  FinishScene();
  // A model that failed to read, and the empty tables of a start closed before the data file
  // was read (by the user within the first second), are never written over the data file;
  // the settings are written all the same. A model that was read is written as at any close,
  // also when the updater closes the window, so no edit is lost.
  const bool keepDataFile = !run_.DataFile.MayWriteBack(state_.DataFileName);
  StorePlacement();
  return Guarded([this, keepDataFile] {
    // A file another program changed since it was read is overwritten only when the user
    // says so; No keeps it and the close goes on.
    if (!keepDataFile) SaveDataFile();
    SaveIniSettings(state_, locations_.SettingsFile);
  });
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (closed_) {
    event->accept();
    return;
  }
  if (FormClose()) {
    closed_ = true;
    cancelWork_ = true;
    Timer1->stop();
    event->accept();
  } else {
    RefreshView();
    event->ignore();
  }
}

// ---------------------------------------------------------------------------------------------
// Commands

bool TForm1::Guarded(const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const std::bad_alloc&) {
    dialogs_->ShowError("Out of memory");
  } catch (const std::exception& e) {
    dialogs_->ShowError(e.what());
  }
  return false;
}

void TForm1::CommitEdits() {
  if (Pages) Pages->CommitEdits();
}

bool TForm1::SceneNumbering() const {
  if (Pages) return Pages->ShowNumbering();
  return false;
}

bool TForm1::SceneAxes() const {
  if (Pages) return Pages->ShowAxes();
  return true;
}

void TForm1::RefreshView() {
  if (Pages) Pages->RefreshAll();
  const QSignalBlocker block1(CheckBox1);
  CheckBox1->setChecked(store_.CheckBox1);
  const QSignalBlocker block3(CheckBox3);
  CheckBox3->setChecked(state_.NoIntroPanel);
  UpdateCaption();
  if (View3D) View3D->Model()->Refresh();
  if (ExportResults1) ExportResults1->setEnabled(store_.Result.Valid);
}

bool TForm1::Modified() const {
  return !history_.Stack().isClean();
}

// The caption, with a "*" after the file name while the model has unsaved changes.
void TForm1::UpdateCaption() {
  setWindowTitle(Q(store_.Caption) + (Modified() ? QStringLiteral("*") : QString()));
}

void TForm1::ModelChanged() {
  // Whatever changed, the results shown belong to the model before the change.
  ClearResults(store_);
  state_.GridLength = store_.GridLength;
  RefreshView();
}

bool TForm1::AskToSaveChanges() {
  CommitEdits();
  if (!Modified()) return true;
  const std::string& file = state_.DataFileName;
  const bool named = !file.empty() && !run_.DataFile.Protects(file);
  const std::string name = named ? file.substr(file.rfind('/') + 1) : "the new model";
  switch (dialogs_->AskSaveChanges("Save the changes to " + name + "?")) {
    case Dialogs::SaveAnswer::Save:
      return Save1Click();
    case Dialogs::SaveAnswer::Discard:
      return true;
    case Dialogs::SaveAnswer::Cancel:
      break;
  }
  return false;
}

bool TForm1::Save1Click() {
  CommitEdits();
  // A model that failed to read is never written over its file unasked.
  if (state_.DataFileName.empty() || run_.DataFile.Protects(state_.DataFileName)) return SaveAs();
  bool written = false;
  const bool saved = Guarded([this, &written] { written = SaveDataFile(); }) && written;
  if (saved) {
    history_.Stack().setClean();
    AddToRecentFiles(state_.DataFileName);
  }
  RefreshView();
  return saved;
}

bool TForm1::SaveAs() {
  CommitEdits();
  const QString name =
      platform_.GetSaveFileName ? platform_.GetSaveFileName(this, Q(state_.ProgramDir)) : QString();
  if (name.isEmpty()) return false;
  bool written = false;
  const bool saved = Guarded([this, &name, &written] {
                       state_.DataFileName = name.toStdString();
                       written = SaveDataFile();
                       // Saved on purpose: the window's model is now what the file holds.
                       run_.DataFile.Saved(state_.DataFileName);
                       ShowDataFileName(store_, state_.DataFileName);
                     }) &&
                     written;
  if (saved) {
    history_.Stack().setClean();
    AddToRecentFiles(state_.DataFileName);
  }
  RefreshView();
  return saved;
}

void TForm1::AddToRecentFiles(const std::string& name) {
  AddRecentFile(state_.RecentFiles, name);
  UpdateRecentMenu();
}

void TForm1::UpdateRecentMenu() {
  Recent1->clear();
  int number = 1;
  for (const std::string& name : state_.RecentFiles) {
    const QString path = Q(name);
    QAction* entry = Recent1->addAction(QStringLiteral("&%1 %2").arg(number++).arg(path), this,
                                        [this, path] { RecentFileClick(path); });
    entry->setData(path);
  }
  Recent1->setEnabled(interactive_ && !state_.RecentFiles.empty());
}

void TForm1::RecentFileClick(const QString& name) {
  CommitEdits();
  const std::string file = name.toStdString();
  if (!FileExists(file)) {
    dialogs_->ShowError("The data file " + file + " no longer exists.");
    auto& list = state_.RecentFiles;
    list.erase(std::remove(list.begin(), list.end(), file), list.end());
    UpdateRecentMenu();
    return;
  }
  if (!AskToSaveChanges()) return;
  OpenDataFile(file, state_.DataFileName);
  RefreshView();
}

void TForm1::Undo1Click() {
  CommitEdits();
  history_.Stack().undo();
}

void TForm1::Redo1Click() {
  CommitEdits();
  history_.Stack().redo();
}

void TForm1::Copy1Click() {
  QWidget* focus = focusWidget();
  if (auto* grid = qobject_cast<GridView*>(focus)) return grid->CopySelection();
  if (auto* line = qobject_cast<QLineEdit*>(focus)) return line->copy();
  if (auto* text = qobject_cast<QPlainTextEdit*>(focus)) return text->copy();
}

void TForm1::Paste1Click() {
  EditOnFocus(&MainPages::PasteInto, &QLineEdit::paste);
}

void TForm1::Delete1Click() {
  EditOnFocus(&MainPages::DeleteIn, &QLineEdit::del);
}

void TForm1::EditOnFocus(void (MainPages::*onTable)(GridView*), void (QLineEdit::*onField)()) {
  QWidget* focus = focusWidget();
  if (auto* grid = qobject_cast<GridView*>(focus)) {
    if (Pages) (Pages->*onTable)(grid);
    return;
  }
  if (auto* line = qobject_cast<QLineEdit*>(focus)) (line->*onField)();
}

// The place and size of the last run, where a screen still shows them.
void TForm1::ApplyPlacement() {
  const StartupState::Placement& p = state_.Window;
  if (!p.Known) return;
  const QRect rect(p.Left, p.Top, p.Width, p.Height);
  bool onScreen = false;
  for (QScreen* screen : QGuiApplication::screens())
    onScreen = onScreen || screen->availableGeometry().intersects(rect);
  if (onScreen)
    setGeometry(rect);
  else
    resize(rect.size());
  if (p.Maximised) setWindowState(windowState() | Qt::WindowMaximized);
}

void TForm1::StorePlacement() {
  if (!isVisible()) return;
  const bool maximised = isMaximized();
  const QRect rect = maximised ? normalGeometry() : geometry();
  if (rect.isEmpty()) return;
  state_.Window.Known = true;
  state_.Window.Left = rect.x();
  state_.Window.Top = rect.y();
  state_.Window.Width = rect.width();
  state_.Window.Height = rect.height();
  state_.Window.Maximised = maximised;
}

void TForm1::New1Click() {
  CommitEdits();
  Guarded([this] {
    if (!dialogs_->AskYesNo("Are you sure to start a new project?")) return;
    if (!AskToSaveChanges()) return;
    const std::string previous = state_.DataFileName;
    const ModelSnapshot before = TakeModelSnapshot(store_);
    state_.DataFileName.clear();
    ShowDataFileName(store_, state_.DataFileName);
    ClearModel(store_);
    run_.DataFile.MarkLoaded();
    history_.RecordWithFileName(EditSince(before, store_), QStringLiteral("New"), previous,
                                state_.DataFileName);
    // The new model has nothing to save yet; undo brings the old one back, unsaved.
    history_.Stack().setClean();
  });
  RefreshView();
}

void TForm1::Opslaanals1Click() {
  SaveAs();
}

void TForm1::Openen1Click() {
  CommitEdits();
  if (!AskToSaveChanges()) return;
  const QString name =
      platform_.GetOpenFileName ? platform_.GetOpenFileName(this, Q(state_.WorkingDir)) : QString();
  if (name.isEmpty()) return;
  const std::string previous = state_.DataFileName;
  state_.DataFileName = name.toStdString();
  if (!FileExists(state_.DataFileName)) return;
  OpenDataFile(state_.DataFileName, previous);
  RefreshView();
}

void TForm1::ExportResults1Click() {
  CommitEdits();
  RefreshView();
  if (!store_.Result.Valid) return;  // an edit just committed made the results out of date
  const QString start =
      Q(state_.DataFileName.empty() ? state_.WorkingDir : FolderOf(state_.DataFileName));
  const QString name =
      platform_.GetExportFileName ? platform_.GetExportFileName(this, start) : QString();
  if (name.isEmpty()) return;
  Guarded([this, &name] { ExportResults(store_.Result, state_.DataFileName, name.toStdString()); });
}

void TForm1::Afsluiten1Click() {
  close();
}

// A Block page field whose shown text is no number (an empty field keeps its last value behind
// the scenes): refused, with the focus on that field and its text as the user left it.
bool TForm1::BlockFieldsReadable() {
  if (!Pages) return true;
  for (int n = 4; n <= 11; ++n) {
    TNumberEdit* field = Pages->NumberEdit(n);
    double value = 0;
    if (NumberLogic::ReadRealNumber(field->text().toStdString(), value)) continue;
    const QString typed = field->text();
    ClearResults(store_);
    dialogs_->ShowError(InvalidFieldMessage(n));
    store_.ActivePage = 0;  // "Block"
    RefreshView();
    field->setText(typed);
    field->setFocus(Qt::OtherFocusReason);
    return false;
  }
  return true;
}

void TForm1::BitBtn2Click() {
  CommitEdits();
  if (!BlockFieldsReadable()) return;
  // One scene at a time, and the last one's failure told before this calculation's messages.
  FinishScene();
  bool calculated = false;
  Guarded([this, &calculated] { calculated = CalculateModel(store_, *dialogs_); });
  RefreshView();
  // The results are on screen; the scene (gigabytes on the largest models) follows.
  if (calculated)
    Guarded([this] {
      scene_.Start(store_, state_.DataFileName, locations_.SceneFile, SceneNumbering(),
                   SceneAxes());
    });
}

void TForm1::FinishScene() {
  scene_.Wait();
  ShowSceneMessages();
}

void TForm1::ShowSceneMessages() {
  for (const BackgroundScene::Message& message : scene_.TakeMessages()) {
    if (message.Error)
      dialogs_->ShowError(message.Text);
    else
      dialogs_->ShowInformation(message.Text);
  }
}

void TForm1::Button2Click() {
  CommitEdits();
  FinishScene();  // Show writes the scene again: not while the last one is written
  Guarded([this] {
    ShowVrmlModel(store_, state_.DataFileName, locations_.SceneFile, SceneNumbering(), SceneAxes(),
                  *dialogs_, [this](const std::string& path) {
                    return platform_.OpenUrl && platform_.OpenUrl(QUrl::fromLocalFile(Q(path)));
                  });
  });
  RefreshView();
}

void TForm1::SpeedButton1Click() {
  const std::string folder =
      FolderExists(state_.WorkingDir) ? state_.WorkingDir : state_.ProgramDir;
  if (platform_.OpenUrl) platform_.OpenUrl(QUrl::fromLocalFile(Q(folder)));
}

void TForm1::Manual1Click() {
  const std::string manual = state_.ProgramDir + "MANUAL_TARVELIN.pdf";
  if (FileExists(manual)) {
    if (platform_.OpenUrl && !platform_.OpenUrl(QUrl::fromLocalFile(Q(manual))))
      dialogs_->ShowInformation("No program was found to open the manual:\r- " + manual);
    return;
  }
  dialogs_->ShowInformation("Help document not in the program root directory : \r- " +
                            state_.ProgramDir + "\r\rCheck your installation!");
}

void TForm1::About1Click() {
  CommitEdits();
  TAboutBox box(this);
  box.PutOptions(state_.OpenLastProject, state_.AutoUpdate, state_.GridLength, state_.NoIntroPanel);
  box.exec();
  Guarded([this, &box] {
    int newGridLength = state_.GridLength;
    box.GetOptions(state_.OpenLastProject, state_.AutoUpdate, state_.NoIntroPanel, newGridLength);
    switch (AcceptTableLength(newGridLength, state_.GridLength)) {
      case TableLengthChange::Accepted: {
        // A shorter table drops rows: one step that undo takes back.
        const ModelSnapshot before = TakeModelSnapshot(store_);
        store_.ResizeTables(newGridLength);
        InitTables(store_);
        state_.GridLength = store_.GridLength;
        history_.Record(EditSince(before, store_), QStringLiteral("Table length"));
        break;
      }
      case TableLengthChange::OutOfRange:
        dialogs_->ShowError(TableLengthOutOfRangeText(newGridLength, state_.GridLength));
        break;
      case TableLengthChange::Unchanged:
        break;
    }
  });
  RefreshView();
}

void TForm1::Technicalinformation1Click() {
  THelpForm form(this);
  form.exec();
}

void TForm1::Button1Click() {
  IntroPanel->hide();
}

void TForm1::CheckBox3Click() {
  state_.NoIntroPanel = CheckBox3->isChecked();
}

void TForm1::Label42Click() {
  if (platform_.OpenUrl) platform_.OpenUrl(QUrl(QLatin1String(kPluginWebPage)));
}

// ---------------------------------------------------------------------------------------------
// The 3D view

void TForm1::ShowModelView() {
  CommitEdits();
  if (!View3D) {
    View3D = new ViewWindow(&store_, dialogs_, this);
    connect(View3D->Model(), &ModelView::BarClicked, this,
            [this](int bar) { SelectTableRow(true, bar); });
    connect(View3D->Model(), &ModelView::NodeClicked, this,
            [this](int node) { SelectTableRow(false, node); });
    // Beside the main window, kept on the screen.
    QPoint at = frameGeometry().topRight() + QPoint(8, 0);
    if (const QScreen* screen = this->screen()) {
      const QRect room = screen->availableGeometry();
      at.setX(std::max(room.left(), std::min(at.x(), room.right() - View3D->width())));
      at.setY(std::max(room.top(), std::min(at.y(), room.bottom() - View3D->height())));
    }
    View3D->move(at);
    SyncViewSelection();
  }
  View3D->Model()->Refresh();
  View3D->show();
  View3D->raise();
  View3D->activateWindow();
}

void TForm1::SyncViewSelection() {
  if (!View3D || !Pages) return;
  std::unordered_set<int> bars, nodes;
  for (QTableView* table : {Pages->EleGrid(), Pages->StringGrid3()})
    for (const QModelIndex& i : table->selectionModel()->selectedIndexes())
      bars.insert(i.row() + 1);
  for (const QModelIndex& i : Pages->CoordGrid()->selectionModel()->selectedIndexes())
    nodes.insert(i.row() + 1);
  View3D->Model()->SetSelection(std::move(bars), std::move(nodes));
}

void TForm1::SelectTableRow(bool bar, int row) {
  if (!Pages || row < 1) return;
  if (Pages->currentIndex() == 0) Pages->setCurrentIndex(1);  // the tables' page, checked
  QTableView* table = bar ? Pages->EleGrid() : Pages->CoordGrid();
  if (Pages->currentIndex() == 2 && bar) table = Pages->StringGrid3();
  const QModelIndex index = table->model()->index(row - 1, 1);
  if (!index.isValid()) return;
  table->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
  table->setCurrentIndex(index);
  table->scrollTo(index);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label42 && event->type() == QEvent::MouseButtonRelease) {
    Label42Click();
    return true;
  }
  if (watched == Image1 && event->type() == QEvent::MouseButtonDblClick) {
    Label42Click();  // Image1DblClick
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Dropping files

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  QStringList names;
  for (const QUrl& url : event->mimeData()->urls())
    names << (url.isLocalFile() ? url.toLocalFile() : url.toString());
  event->acceptProposedAction();
  DropFiles(names);
}

void TForm1::DropFiles(const QStringList& names) {
  if (names.size() > 1) {
    dialogs_->ShowError("Can only accept one PEN-file");
    return;
  }
  if (names.isEmpty()) return;
  const std::string name = names.first().toStdString();
  if (!HasPenExtension(name)) {
    dialogs_->ShowError("Drag and drop only one PEN data file");
    return;
  }
  if (!FileExists(name)) return;
  CommitEdits();
  if (!AskToSaveChanges()) return;
  OpenDataFile(name, state_.DataFileName);
  RefreshView();
}

}  // namespace tarvelin
