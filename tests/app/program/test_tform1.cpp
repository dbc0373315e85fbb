// Qt Test of the main window under the offscreen platform: initial state, deferred start-up,
// the commands (with the file dialogs and the desktop answered by the test), drops, the about
// box, and the closes that must and must not write the data file.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <QUrl>
#include <QtTest>
#include <fstream>
#include <iterator>
#include <memory>

#include "app/core/locations.h"
#include "app/gridmodel.h"
#include "app/modelview.h"
#include "app/pages.h"
#include "app/qtdialogs.h"
#include "app/tform1.h"
#include "files/datafile.h"
#include "files/profilefile.h"
#include "http_test_server.h"
#include "recording_dialogs.h"
#include "support/widgets/numberedit.h"
#include "vrml/myvrml.h"

using tarvelin::FileLocations;
using tarvelin::TForm1;
using tarvelin::test::RecordingDialogs;

namespace {

std::string ReadAll(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const QString& path, const std::string& text) {
  std::ofstream(path.toStdString(), std::ios::binary) << text;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The model's sections as the window would write them into its data file.
std::string ModelText(TForm1& form) {
  return tarvelin::ProfileFile::Parse(tarvelin::DataFileText(form.Store(), {})).Text();
}

// One bar from (1, 0, 0) to (3, 0, 0) with EA = 2 and Fx = 5.
std::string OneBar(const std::string& fx = "5") {
  return "[loads]\r\nFx=" + fx +
         "\r\n[properties]\r\nE=1000\r\nA=0.002\r\n[coordinates]\r\n1=1@0@0\r\n2=3@0@0\r\n"
         "[elements]\r\n1=1@2\r\n";
}

}  // namespace

class TestTForm1 : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  RecordingDialogs dialogs_;
  std::unique_ptr<TForm1> form_;
  QList<QUrl> opened_;
  QString openAnswer_, saveAnswer_, openStart_, saveStart_, exportAnswer_, exportStart_;

  QString Path(const QString& name) const { return dir_->path() + "/" + name; }
  std::string Bin() const { return (dir_->path() + "/").toStdString(); }

  // A window on a program in the temporary folder; the deferred start-up is run by hand.
  TForm1& Make(std::vector<std::string> args = {},
               const std::string& settings = "[program]\r\nautoupdate=0\r\n") {
    WriteAll(Path("tarvelin.ini"), settings);
    FileLocations loc = tarvelin::ChooseFileLocations(
        Bin() + "tarvelin", [](const char*) -> const char* { return nullptr; }, true);
    form_ = std::make_unique<TForm1>(std::move(args), loc, &dialogs_);
    form_->Timer1->stop();
    TForm1::Platform& hooks = form_->Hooks();
    hooks.OpenUrl = [this](const QUrl& url) {
      opened_ << url;
      return true;
    };
    hooks.GetOpenFileName = [this](QWidget*, const QString& start) {
      openStart_ = start;
      return openAnswer_;
    };
    hooks.GetSaveFileName = [this](QWidget*, const QString& start) {
      saveStart_ = start;
      return saveAnswer_;
    };
    hooks.GetExportFileName = [this](QWidget*, const QString& start) {
      exportStart_ = start;
      return exportAnswer_;
    };
    hooks.StartDetached = [](const QString&, const QStringList&, const QString&) { return false; };
    form_->show();
    return *form_;
  }

  TForm1& Started(std::vector<std::string> args = {},
                  const std::string& settings = "[program]\r\nautoupdate=0\r\n") {
    TForm1& form = Make(std::move(args), settings);
    form.Timer1Timer();
    return form;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    dialogs_ = RecordingDialogs();
    opened_.clear();
    openAnswer_.clear();
    saveAnswer_.clear();
    openStart_.clear();
    saveStart_.clear();
    exportAnswer_.clear();
    exportStart_.clear();
  }

  void cleanup() {
    if (form_) {
      form_->Hooks().OpenUrl = nullptr;
      form_.reset();
    }
    QFile::setPermissions(Path("locked.PEN"), QFile::ReadOwner | QFile::WriteOwner);
    dir_.reset();
  }

  void initialStateBeforeTheDeferredStartUp() {
    TForm1& form = Make();
    QCOMPARE(form.windowTitle(), QString("Tarvelin on bars"));
    QVERIFY(form.PageControl1->isHidden());
    QVERIFY(form.CheckBox1->isHidden());
    QVERIFY(form.BitBtn1->isHidden());
    QVERIFY(form.Panel2->isHidden());
    QVERIFY(form.IntroPanel->isHidden());
    QVERIFY(!form.Bestand1->menuAction()->isVisible());
    QVERIFY(!form.Info1->menuAction()->isVisible());
    QVERIFY(form.SpeedButton1->isVisible());
    QCOMPARE(form.SpeedButton1->toolTip(),
             QString("Show data folder, drag and drop files on the application"));
    QCOMPARE(form.PageControl1->currentIndex(), 0);
    QCOMPARE(form.Timer1->interval(), 1000);
    QVERIFY(form.Timer1->isSingleShot());
    QCOMPARE(int(form.StatusPanels.size()), 8);
    const char* texts[] = {"(c) Tarvelin", "dec 2016", "", "", "", "", "", "WWW not checked"};
    for (int i = 0; i < 8; ++i) QCOMPARE(form.StatusPanels[i]->text(), QString(texts[i]));
    QStringList file, info;
    for (QAction* a : form.Bestand1->actions()) file << (a->isSeparator() ? "-" : a->text());
    for (QAction* a : form.Info1->actions()) info << (a->isSeparator() ? "-" : a->text());
    QCOMPARE(file, QStringList({"New", "Save", "Save as", "Open", "Recent files",
                                QString::fromUtf8("Export results\u2026"), "-", "Close"}));
    QCOMPARE(info, QStringList({"Technical information", "Manual", "-", "About"}));
    QStringList menus;
    for (QAction* a : form.menuBar()->actions()) menus << a->text();
    QCOMPARE(menus, QStringList({"&File", "&Edit", "&View", "&Info"}));
    QVERIFY(!form.Edit1->menuAction()->isVisible());
    QVERIFY(!form.Save1->isEnabled());  // no key works before the menus are shown
    QVERIFY(form.acceptDrops());
    QVERIFY(form.width() >= 663 && form.height() >= 371);
    QVERIFY(form.maximumSize().width() > 4000);  // resizable
  }

  void deferredStartUpShowsThePagesAndMenus() {
    TForm1& form = Started();
    QCOMPARE(form.StatusPanels[2]->text(), QString("v 1.8.15"));
    QCOMPARE(form.StatusPanels[7]->text(), QString("WWW not checked"));
    QVERIFY(form.PageControl1->isVisible());
    QVERIFY(form.CheckBox1->isVisible());
    QVERIFY(form.BitBtn1->isVisible());
    QVERIFY(form.Bestand1->menuAction()->isVisible());
    QVERIFY(form.IntroPanel->isVisible());
    QCOMPARE(form.Store().CoordGrid.RowCount(), 101);
    QCOMPARE(form.Store().PropGrid.RowCount(), 102);
    QCOMPARE(form.Store().PathNameLabel, std::string("path="));
    QVERIFY(dialogs_.Log.empty());
  }

  void introPanelHandlers() {
    TForm1& form = Started();
    QVERIFY(form.IntroPanel->isVisible());
    form.CheckBox3->click();
    QVERIFY(form.State().NoIntroPanel);
    form.Label42Click();
    QCOMPARE(opened_.size(), 1);
    QCOMPARE(opened_[0], QUrl(tarvelin::kPluginWebPage));
    form.Button1->click();
    QVERIFY(form.IntroPanel->isHidden());
    QVERIFY(form.close());
    QVERIFY(Contains(ReadAll(Path("tarvelin.ini")), "noIntroPanel=1\r\n"));
    // The next start does not show it.
    form_.reset();
    TForm1& again = Started({}, ReadAll(Path("tarvelin.ini")));
    QVERIFY(again.IntroPanel->isHidden());
  }

  void testOutputOptionAndReading() {
    TForm1& plain = Started({"-t", "-R", "50"});
    QVERIFY(plain.Store().CheckBox1);
    QVERIFY(plain.CheckBox1->isChecked());
    QCOMPARE(plain.Store().CoordGrid.RowCount(), 50);
    plain.CheckBox1->click();
    QVERIFY(!plain.Store().CheckBox1);
    form_.reset();
    // Reading the last project clears it again.
    WriteAll(Path("m.PEN"), OneBar());
    TForm1& read = Started({"-t", "x"},
                           "[program]\r\nautoupdate=0\r\nopenlastproject=1\r\n"
                           "datafile=" +
                               Bin() + "m.PEN\r\n");
    QVERIFY(!read.Store().CheckBox1);
    QVERIFY(!read.CheckBox1->isChecked());
    QCOMPARE(read.windowTitle(), QString("Tarvelin on bars : file=m.PEN"));
  }

  void openReadsAnExistingFile() {
    TForm1& form = Started();
    QDir().mkpath(Path("models"));
    WriteAll(Path("models/a.PEN"), OneBar());
    openAnswer_ = Path("models/a.PEN");
    form.Openen1Click();
    QCOMPARE(openStart_, QString::fromStdString(Bin()));
    QCOMPARE(form.State().DataFileName, openAnswer_.toStdString());
    QCOMPARE(form.State().WorkingDir, (Path("models") + "/").toStdString());
    QCOMPARE(form.windowTitle(), QString("Tarvelin on bars : file=a.PEN"));
    QCOMPARE(form.Store().CoordGrid.Cell(1, 2), std::string("3"));
    // The next Open starts in the folder of the last opened file; a new name is only taken.
    openAnswer_ = Path("models/new.PEN");
    form.Openen1Click();
    QCOMPARE(openStart_, Path("models") + "/");
    QCOMPARE(form.State().DataFileName, openAnswer_.toStdString());
    QCOMPARE(form.windowTitle(), QString("Tarvelin on bars : file=a.PEN"));
    QCOMPARE(form.Store().CoordGrid.Cell(1, 2), std::string("3"));
    // Cancel changes nothing.
    openAnswer_.clear();
    form.Openen1Click();
    QCOMPARE(form.State().DataFileName, Path("models/new.PEN").toStdString());
    // At close the model goes to the new name.
    QVERIFY(form.close());
    QVERIFY(Contains(ReadAll(Path("models/new.PEN")), "2=3.000@0.000@0.000"));
  }

  void saveAsWritesAndKeepsTheWorkingFolder() {
    TForm1& form = Started();
    WriteAll(Path("a.PEN"), OneBar());
    form.DropFiles({Path("a.PEN")});
    const std::string working = form.State().WorkingDir;
    QDir().mkpath(Path("out"));
    saveAnswer_ = Path("out/b.PEN");
    form.Opslaanals1Click();
    QCOMPARE(saveStart_, QString::fromStdString(Bin()));
    QVERIFY(Contains(ReadAll(Path("out/b.PEN")), "[elements]\r\n1=1@2@0\r\n"));
    QCOMPARE(form.State().WorkingDir, working);
    QCOMPARE(form.windowTitle(), QString("Tarvelin on bars : file=b.PEN"));
  }

  void newAsksAndClears() {
    TForm1& form = Started();
    WriteAll(Path("a.PEN"), OneBar());
    form.DropFiles({Path("a.PEN")});
    dialogs_.Answers = {false};
    form.New1Click();
    QCOMPARE(dialogs_.Texts("question"),
             std::vector<std::string>{"Are you sure to start a new project?"});
    QCOMPARE(form.Store().CoordGrid.Cell(1, 2), std::string("3"));
    dialogs_.Answers = {true};
    form.New1Click();
    QCOMPARE(form.State().DataFileName, std::string());
    QCOMPARE(form.windowTitle(), QString("Tarvelin on bars : file="));
    QCOMPARE(form.Store().PathNameLabel, std::string("path="));
    QCOMPARE(form.Store().CoordGrid.Cell(1, 2), std::string());
    QCOMPARE(form.Store().Label24, std::string("0 bars"));
    // Closing writes data.PEN beside the program and names it in the settings.
    QVERIFY(form.close());
    QVERIFY(Contains(ReadAll(Path("data.PEN")), "[loads]\r\nFx=0.000\r\n"));
    QVERIFY(Contains(ReadAll(Path("tarvelin.ini")), "datafile=" + Bin() + "data.PEN\r\n"));
    QVERIFY(Contains(ReadAll(Path("a.PEN")), "Fx=5"));  // untouched
  }

  void drops_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("read");
    QTest::newRow("one PEN file") << QStringList{"a.PEN"} << "" << true;
    QTest::newRow("lower case") << QStringList{"b.pen"} << "" << true;
    QTest::newRow("two PEN files")
        << QStringList{"a.PEN", "b.pen"} << "Can only accept one PEN-file" << false;
    QTest::newRow("text file") << QStringList{"c.txt"} << "Drag and drop only one PEN data file"
                               << false;
    QTest::newRow("missing file") << QStringList{"gone.PEN"} << "" << false;
  }

  void drops() {
    QFETCH(QStringList, names);
    QFETCH(QString, error);
    QFETCH(bool, read);
    TForm1& form = Started();
    WriteAll(Path("a.PEN"), OneBar());
    WriteAll(Path("b.pen"), OneBar());
    WriteAll(Path("c.txt"), OneBar());
    QStringList paths;
    for (const QString& n : names) paths << Path(n);
    form.DropFiles(paths);
    const std::vector<std::string> errors = dialogs_.Texts("error");
    if (error.isEmpty())
      QVERIFY(errors.empty());
    else
      QCOMPARE(errors, std::vector<std::string>{error.toStdString()});
    QCOMPARE(form.Store().CoordGrid.Cell(1, 2) == "3", read);
    QCOMPARE(form.State().DataFileName.empty(), !read);
    if (read) QCOMPARE(form.State().WorkingDir, Bin());
  }

  void dropEventsReachTheDropHandler() {
    TForm1& form = Started();
    WriteAll(Path("a.PEN"), OneBar());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Path("a.PEN"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    QCOMPARE(form.State().DataFileName, Path("a.PEN").toStdString());
    QCOMPARE(form.Store().CoordGrid.Cell(1, 2), std::string("3"));
    // A web address is no local PEN file.
    QMimeData web;
    web.setUrls({QUrl("https://example.org/b.txt")});
    // A drop follows its drag entering the window.
    QDragEnterEvent enterWeb(QPoint(10, 10), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enterWeb);
    QDropEvent dropWeb(QPointF(10, 10), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &dropWeb);
    QCOMPARE(dialogs_.Texts("error"),
             std::vector<std::string>{"Drag and drop only one PEN data file"});
  }

  void introPanelLinkAndPictureOpenThePluginPage() {
    TForm1& form = Started();
    QTest::mouseClick(form.Label42, Qt::LeftButton);
    QTest::mouseDClick(form.Image1, Qt::LeftButton);
    QCOMPARE(opened_.size(), 2);
    QCOMPARE(opened_[0], QUrl(tarvelin::kPluginWebPage));
    QCOMPARE(opened_[1], QUrl(tarvelin::kPluginWebPage));
  }

  // A file that stops the reading half-way (here at Fy, after Fx was read) leaves the window
  // with the model it had, whole, under its own name; nothing is written over either file.
  void failedOpenKeepsTheWholeModel() {
    TForm1& form = Started();
    WriteAll(Path("a.PEN"), OneBar());
    form.DropFiles({Path("a.PEN")});
    const std::string before = ModelText(form);
    const std::string bad = "[loads]\r\nFx=7\r\nFy=1,5\r\n[coordinates]\r\n1=9@9@9\r\n";
    WriteAll(Path("bad.PEN"), bad);
    openAnswer_ = Path("bad.PEN");
    form.Openen1Click();
    QCOMPARE(dialogs_.Texts("error"),
             std::vector<std::string>{"'1,5' is not a valid floating point value"});
    QCOMPARE(ModelText(form), before);
    QCOMPARE(form.State().DataFileName, Path("a.PEN").toStdString());
    QCOMPARE(form.windowTitle(), QString("Tarvelin on bars : file=a.PEN"));
    QVERIFY(form.ProtectedDataFile().empty());
    // A drop of the same file does the same.
    form.DropFiles({Path("bad.PEN")});
    QCOMPARE(ModelText(form), before);
    QCOMPARE(form.State().DataFileName, Path("a.PEN").toStdString());
    QVERIFY(form.close());
    QCOMPARE(ReadAll(Path("bad.PEN")), bad);
    QVERIFY(Contains(ReadAll(Path("a.PEN")), "[loads]\r\nFx=5.000\r\n"));
    QVERIFY(Contains(ReadAll(Path("tarvelin.ini")), "datafile=" + Bin() + "a.PEN\r\n"));
  }

  void saveAsLiftsTheProtection() {
    WriteAll(Path("bad.PEN"), OneBar("1,5"));
    TForm1& form = Started({"-i", Bin() + "bad.PEN"});
    QCOMPARE(form.ProtectedDataFile(), Path("bad.PEN").toStdString());
    QCOMPARE(form.windowTitle(), QString("Tarvelin on bars"));  // no file's model is shown
    // Save on a model that failed to read asks for a name.
    saveAnswer_ = Path("bad.PEN");
    QVERIFY(form.Save1Click());
    QCOMPARE(saveStart_, QString::fromStdString(Bin()));
    QVERIFY(form.ProtectedDataFile().empty());
    // What the window held: the empty model, nothing of the file.
    QVERIFY(Contains(ReadAll(Path("bad.PEN")), "[loads]\r\nFx=0.000\r\n"));
    QVERIFY(!Contains(ReadAll(Path("bad.PEN")), "[elements]"));
  }

  void startUpReadErrorGoesOnInteractively() {
    WriteAll(Path("bad.PEN"), OneBar("x"));
    TForm1& form = Started({"-i", Bin() + "bad.PEN"});
    QCOMPARE(dialogs_.Texts("error"),
             std::vector<std::string>{"'x' is not a valid floating point value"});
    QVERIFY(form.PageControl1->isVisible());
    QVERIFY(form.Panel2->isHidden());
    QVERIFY(form.isVisible());
    QVERIFY(form.close());
    QCOMPARE(ReadAll(Path("bad.PEN")), OneBar("x"));
  }

  void closeErrorKeepsTheWindowOpen() {
    TForm1& form = Started();
    WriteAll(Path("locked.PEN"), OneBar());
    form.DropFiles({Path("locked.PEN")});
    QFile::setPermissions(Path("locked.PEN"), QFile::ReadOwner);
    const std::string settings = ReadAll(Path("tarvelin.ini"));
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QCOMPARE(dialogs_.Texts("error"),
             std::vector<std::string>{"Unable to write to " + Bin() + "locked.PEN"});
    QCOMPARE(ReadAll(Path("tarvelin.ini")), settings);  // not written after the data error
    QFile::setPermissions(Path("locked.PEN"), QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY(form.close());  // a later close tries again
    QVERIFY(Contains(ReadAll(Path("tarvelin.ini")), "locked.PEN"));
  }

  void updaterStartDoesNotWriteTheDataFile() {
    WriteAll(Path("m.PEN"), OneBar());
    TForm1& form = Make(
        {}, "[program]\r\nautoupdate=0\r\nopenlastproject=1\r\ndatafile=" + Bin() + "m.PEN\r\n");
    form.UpdateRec().UpdateStarted = true;  // as UpdateProgram leaves it before the close
    QVERIFY(form.close());
    QCOMPARE(ReadAll(Path("m.PEN")), OneBar());
    QVERIFY(Contains(ReadAll(Path("tarvelin.ini")), "datafile=" + Bin() + "m.PEN\r\n"));
  }

  void closeBeforeTheDeferredStartUpKeepsTheDataFile() {
    WriteAll(Path("m.PEN"), OneBar());
    TForm1& form = Make(
        {}, "[program]\r\nautoupdate=0\r\nopenlastproject=1\r\ndatafile=" + Bin() + "m.PEN\r\n");
    QVERIFY(form.close());  // within the first second: nothing read yet
    QCOMPARE(ReadAll(Path("m.PEN")), OneBar());
    QVERIFY(Contains(ReadAll(Path("tarvelin.ini")), "datafile=" + Bin() + "m.PEN\r\n"));
    QVERIFY(!form.Timer1->isActive());
  }

  void calculateWritesTheScene() {
    TForm1& form = Started();
    WriteAll(Path("a.PEN"), OneBar());
    form.DropFiles({Path("a.PEN")});
    form.BitBtn2Click();
    QCOMPARE(form.Store().StringGrid3.Cell(1, 1), std::string("-5.0000"));
    QVERIFY(form.Store().GroupBox4Visible);
    form.FinishScene();  // written in the background
    QVERIFY(dialogs_.Log.empty());
    QVERIFY(Contains(ReadAll(Path("tarvelin.wrl")), "a.PEN"));
    // Show opens the scene with the desktop.
    form.Button2Click();
    QCOMPARE(opened_.size(), 1);
    QCOMPARE(opened_[0], QUrl::fromLocalFile(Path("tarvelin.wrl")));
  }

  // The scene of a Calculate is written in the background, and its failure is still reported
  // (with the window's thread free, on its own). Show, a second Calculate and the close first
  // wait for the write and report it, before anything of their own; nothing is reported twice.
  void sceneWriteFailureInTheBackground_data() {
    QTest::addColumn<QString>("then");
    QTest::addColumn<QStringList>("reportedAtOnce");
    QTest::addColumn<QStringList>("reported");
    const QString failed = QString::fromLatin1(tarvelin::kVrmlCreateError);
    QTest::newRow("nothing") << "" << QStringList() << QStringList{failed};
    QTest::newRow("show") << "show"
                          << QStringList{failed, failed, QStringLiteral("No VRML file created!")}
                          << QStringList{failed, failed, QStringLiteral("No VRML file created!")};
    QTest::newRow("calculate") << "calculate" << QStringList{failed} << QStringList{failed, failed};
    QTest::newRow("close") << "close" << QStringList{failed} << QStringList{failed};
  }

  void sceneWriteFailureInTheBackground() {
    QFETCH(QString, then);
    QFETCH(QStringList, reportedAtOnce);
    QFETCH(QStringList, reported);
    TForm1& form = Started();
    WriteAll(Path("a.PEN"), OneBar());
    form.DropFiles({Path("a.PEN")});
    QVERIFY(QDir().mkdir(Path("tarvelin.wrl")));  // a folder where the scene goes
    auto errors = [this] {
      QStringList list;
      for (const std::string& text : dialogs_.Texts("error")) list << QString::fromStdString(text);
      return list;
    };
    form.BitBtn2Click();
    QCOMPARE(form.Store().StringGrid3.Cell(1, 1), std::string("-5.0000"));
    if (then == "show") form.Button2Click();
    if (then == "calculate") form.BitBtn2Click();
    if (then == "close") {
      QVERIFY(form.close());
      QVERIFY(!form.isVisible());
    }
    QCOMPARE(errors(), reportedAtOnce);
    QTRY_COMPARE(errors(), reported);
    form.FinishScene();
    QCoreApplication::processEvents();
    QCOMPARE(errors(), reported);
    QVERIFY(QFileInfo(Path("tarvelin.wrl")).isDir());
  }

  // File > "Export results…" is offered only for valid results; a refused name or an
  // unwritable file ends in the error box with nothing written.
  void exportResults() {
    TForm1& form = Started();
    QVERIFY(!form.ExportResults1->isEnabled());
    QCOMPARE(form.ExportResults1->text(), QString::fromUtf8("Export results\u2026"));
    WriteAll(Path("a.PEN"), OneBar());
    form.DropFiles({Path("a.PEN")});
    QVERIFY(!form.ExportResults1->isEnabled());
    form.BitBtn2Click();
    QVERIFY(form.ExportResults1->isEnabled());

    exportAnswer_ = Path("r.json");
    form.ExportResults1->trigger();
    QCOMPARE(exportStart_, dir_->path() + "/");
    QVERIFY(dialogs_.Log.empty());
    QVERIFY(Contains(ReadAll(Path("r.json")), "\"displacements\": {\"ux\": 5,"));
    QVERIFY(Contains(ReadAll(Path("r.json")), "\"model\": \"" + Bin() + "a.PEN\""));

    exportAnswer_ = Path("r.txt");
    form.ExportResults1->trigger();
    exportAnswer_ = Path("none/r.csv");
    form.ExportResults1->trigger();
    exportAnswer_.clear();  // Cancel
    form.ExportResults1->trigger();
    QCOMPARE(dialogs_.Texts("error"),
             (std::vector<std::string>{
                 "Results can only be exported to a .json or a .csv file: " + Bin() + "r.txt",
                 "Unable to write to " + Bin() + "none/r.csv"}));
    QVERIFY(!QFile::exists(Path("r.txt")));

    // A failed calculation leaves no results to export.
    WriteAll(Path("b.PEN"),
             "[loads]\r\n[coordinates]\r\n1=abc@0@0\r\n2=0@0@1\r\n"
             "[elements]\r\n1=1@2\r\n");
    form.DropFiles({Path("b.PEN")});
    form.BitBtn2Click();
    QVERIFY(!form.ExportResults1->isEnabled());
  }

  void exportDialog() {
    std::unique_ptr<QFileDialog> dialog(tarvelin::NewExportDialog(nullptr, dir_->path()));
    QCOMPARE(dialog->nameFilters(), QStringList({"JSON file (*.json)", "CSV file (*.csv)"}));
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(dialog->defaultSuffix(), QString("json"));
    dialog->selectNameFilter("CSV file (*.csv)");
    emit dialog->filterSelected("CSV file (*.csv)");
    QCOMPARE(dialog->defaultSuffix(), QString("csv"));
    emit dialog->filterSelected("JSON file (*.json)");
    QCOMPARE(dialog->defaultSuffix(), QString("json"));
  }

  void failedCalculationWritesNoScene() {
    TForm1& form = Started();
    WriteAll(Path("a.PEN"),
             "[loads]\r\n[coordinates]\r\n1=abc@0@0\r\n2=0@0@1\r\n"
             "[elements]\r\n1=1@2\r\n");
    form.DropFiles({Path("a.PEN")});
    form.BitBtn2Click();
    QCOMPARE(dialogs_.Texts("error"),
             std::vector<std::string>{"Input error in coordinate table, check the numbers."});
    QCOMPARE(form.PageControl1->currentIndex(), 1);
    QVERIFY(!QFile::exists(Path("tarvelin.wrl")));
  }

  // A failed calculation leaves nothing of the earlier one: not on screen, not in the file the
  // close writes.
  void failedCalculationLeavesNoStaleResults() {
    TForm1& form = Started();
    WriteAll(Path("a.PEN"), OneBar());
    form.DropFiles({Path("a.PEN")});
    form.BitBtn2Click();
    QCOMPARE(form.Store().StringGrid3.Cell(1, 1), std::string("-5.0000"));
    QVERIFY(form.Store().Result.Valid);
    form.Store().PropGrid.SetCell(1, 1, "-1000");  // type 0 with a negative E
    form.BitBtn2Click();
    QCOMPARE(dialogs_.Texts("error"),
             std::vector<std::string>{"Bar type 0 has a negative E = -1000 kN/m^2 (bar type table, "
                                      "type 0, column \"E [kN/m^2]\"), used by bar 1. E and A must "
                                      "not be negative."});
    QCOMPARE(form.Store().StringGrid3.Cell(1, 1), std::string());
    QVERIFY(!form.Store().Result.Valid);
    QVERIFY(!form.Store().GroupBox4Visible);
    QCOMPARE(form.Store().NumberEdit(12).RealValue(), 0.0);
    QVERIFY(form.close());
    const std::string written = ReadAll(Path("a.PEN"));
    QVERIFY(!Contains(written, "[elementforces]\r\n1="));
    QVERIFY(Contains(written, "[displacements]\r\nux=0.000\r\n"));
  }

  // A Block field the user emptied is refused by name, with the focus put there and the empty
  // text kept; the last value behind it is not used.
  void emptiedBlockFieldIsRefused() {
    TForm1& form = Started();
    WriteAll(Path("a.PEN"), OneBar());
    form.DropFiles({Path("a.PEN")});
    form.BitBtn2Click();
    QVERIFY(form.Store().Result.Valid);
    tarvelin::TNumberEdit* fy = form.Pages->NumberEdit(5);
    fy->setText(QString());
    form.BitBtn2Click();
    QCOMPARE(dialogs_.Texts("error"), std::vector<std::string>{"Fy holds no valid number."});
    QCOMPARE(form.PageControl1->currentIndex(), 0);
    QCOMPARE(form.focusWidget(), static_cast<QWidget*>(fy));
    QCOMPARE(fy->text(), QString());
    QVERIFY(!form.Store().Result.Valid);
    QCOMPARE(form.Store().StringGrid3.Cell(1, 1), std::string());
    form.Hooks().OpenUrl = nullptr;
  }

  // After a message box the window has the keyboard again: a corrected E confirmed with Enter
  // moves the focus on as a real focus change, so the type-0 row follows it.
  void correctedNumberAfterAMessageBox() {
    WriteAll(Path("tarvelin.ini"), "[program]\r\nautoupdate=0\r\n");
    FileLocations loc = tarvelin::ChooseFileLocations(
        Bin() + "tarvelin", [](const char*) -> const char* { return nullptr; }, true);
    TForm1 form({}, loc);  // the real message boxes
    form.Timer1->stop();
    form.Timer1Timer();
    form.Button1Click();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QStringList shown;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&shown] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        shown << box->text();
        box->accept();
      }
    });
    answer.start(20);
    tarvelin::TNumberEdit* e = form.Pages->NumberEdit(10);
    e->setFocus();
    QTRY_VERIFY(e->hasFocus());
    e->selectAll();
    QTest::keyClicks(e, "-1");
    QTest::keyClick(e, Qt::Key_Return);
    QCOMPARE(shown, QStringList({"Number exceeds user defined range."}));
    QTRY_VERIFY(e->hasFocus());
    e->selectAll();
    QTest::keyClicks(e, "1000");
    QTest::keyClick(e, Qt::Key_Return);
    QTRY_VERIFY(form.Pages->NumberEdit(11)->hasFocus());
    QCOMPARE(form.Store().PropGrid.Cell(1, 1), std::string("1000"));
    form.Hooks().OpenUrl = nullptr;
  }

  void dataFolderAndManual() {
    TForm1& form = Started();
    form.SpeedButton1Click();
    QCOMPARE(opened_.value(0), QUrl::fromLocalFile(QString::fromStdString(Bin())));
    form.State().WorkingDir = "/no/such/folder/";
    form.SpeedButton1Click();
    QCOMPARE(opened_.value(1), QUrl::fromLocalFile(QString::fromStdString(Bin())));
    form.Manual1Click();
    QCOMPARE(dialogs_.Texts("information"),
             std::vector<std::string>{"Help document not in the program root directory : \r- " +
                                      Bin() + "\r\rCheck your installation!"});
    WriteAll(Path("MANUAL_TARVELIN.pdf"), "%PDF-1.4\n");
    form.Manual1Click();
    QCOMPARE(opened_.value(2), QUrl::fromLocalFile(Path("MANUAL_TARVELIN.pdf")));
  }

  // The dialogs of Open and Save as: the two choices with their captions as the user reads
  // them, and the first choice lists the data files whatever the letter case of ".pen".
  void dataFileDialogs_data() {
    QTest::addColumn<bool>("save");
    QTest::newRow("open") << false;
    QTest::newRow("save as") << true;
  }
  void dataFileDialogs() {
    QFETCH(bool, save);
    QTemporaryDir folder;
    for (const char* name : {"A.PEN", "b.pen", "c.txt", "d.dat"})
      WriteAll(folder.path() + "/" + name, "[loads]\r\n");
    std::unique_ptr<QFileDialog> dialog(tarvelin::NewDataFileDialog(nullptr, folder.path(), save));
    QCOMPARE(dialog->nameFilters(), QStringList({"pendel file (*.pen)", "text file (*.txt)"}));
    QCOMPARE(dialog->selectedNameFilter(), QString("pendel file (*.pen)"));
    QCOMPARE(dialog->defaultSuffix(), QString("pen"));
    QCOMPARE(dialog->directory().absolutePath(), QDir(folder.path()).absolutePath());
    QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);
    QCOMPARE(dialog->acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save) QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));

    auto* model = dialog->findChild<QFileSystemModel*>();
    QVERIFY(model != nullptr);
    const auto listed = [model, &folder] {
      QStringList names;
      const QModelIndex root = model->index(folder.path());
      if (model->canFetchMore(root)) model->fetchMore(root);
      for (int row = 0; row < model->rowCount(root); ++row) {
        const QModelIndex item = model->index(row, 0, root);
        if (model->flags(item) & Qt::ItemIsEnabled) names << model->fileName(item);
      }
      names.sort();
      return names;
    };
    QTRY_COMPARE(listed(), QStringList({"A.PEN", "b.pen"}));
  }

  void windowedBatchWritesAndCloses() {
    WriteAll(Path("m.PEN"), OneBar());
    TForm1& form = Started({"-i", Bin() + "m.PEN", "-w", "-o", Bin() + "m.CSV"});
    QVERIFY(!form.isVisible());
    QVERIFY(Contains(ReadAll(Path("m.CSV")), "\r\ndisplacement (m; rad),5,0,0,0,0,0\r\n"));
    QVERIFY(Contains(ReadAll(Path("m.PEN")), "[elementforces]\r\n1=-5.0000\r\n"));
    QVERIFY(QFile::exists(Path("tarvelin.wrl")));
    QVERIFY(Contains(ReadAll(Path("tarvelin.ini")), "datafile=" + Bin() + "m.PEN\r\n"));
  }

  // During a batch run the intro panel lies over the middle of the batch panel; the batch
  // panel's lines must stay readable beside it.
  void batchPanelReadableBesideTheIntroPanel() {
    WriteAll(Path("m.PEN"), OneBar());
    TForm1& form = Make({"-i", Bin() + "m.PEN"});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    bool bothShown = false;
    QStringList hidden;
    QTimer::singleShot(200, &form, [&] {  // within the half-second pause before the close
      bothShown = form.Panel2->isVisible() && form.IntroPanel->isVisible();
      const QRect intro = form.IntroPanel->geometry();
      for (QLabel* label : form.Panel2->findChildren<QLabel*>()) {
        if (!label->isVisible()) continue;
        const QRect at(label->mapTo(form.centralWidget(), QPoint(0, 0)), label->size());
        const QRect inPanel(label->mapTo(form.Panel2, QPoint(0, 0)), label->size());
        const QString name = label->text().isEmpty() ? QString("icon") : label->text();
        if (at.intersects(intro) || !form.Panel2->rect().contains(inPanel) ||
            label->width() < label->sizeHint().width())
          hidden << name;
      }
    });
    form.Timer1Timer();
    QVERIFY(bothShown);
    QCOMPARE(hidden, QStringList());
    QVERIFY(!form.isVisible());
  }

  // "-p": the picture of the calculated model beside the results; nothing when the
  // calculation stops.
  void windowedBatchWritesThePicture() {
    WriteAll(Path("m.PEN"), OneBar());
    TForm1& form = Started({"-i", Bin() + "m.PEN", "-p", Bin() + "m.svg"});
    QVERIFY(!form.isVisible());
    QVERIFY(Contains(ReadAll(Path("m.svg")), "<svg"));
    QVERIFY(Contains(ReadAll(Path("m.PEN")), "[elementforces]"));
    form_.reset();

    WriteAll(Path("bad.PEN"), "[coordinates]\r\n1=1@0@0\r\n2=3@0@0\r\n[elements]\r\n1=1@2@x\r\n");
    TForm1& failed = Started({"-i", Bin() + "bad.PEN", "-p", Bin() + "bad.png"});
    QVERIFY(failed.isVisible());
    QVERIFY(!QFile::exists(Path("bad.png")));
  }

  // The 3D view: opened by the menu entry, F3 and the pages' buttons; follows edits, the
  // calculation and the tables' selection; a click in it selects the table row.
  void modelViewOpensFollowsAndSelects() {
    WriteAll(Path("m.PEN"), OneBar());
    TForm1& form = Started();
    QVERIFY(form.View1->menuAction()->isVisible());
    QCOMPARE(form.View3DAction->shortcut(), QKeySequence(Qt::Key_F3));
    QVERIFY(form.View3D == nullptr);
    form.View3DAction->trigger();
    QVERIFY(form.View3D != nullptr);
    QVERIFY(form.View3D->isVisible());
    form.View3D->hide();
    for (int page : {1, 2}) {
      form.View3D->hide();
      QVERIFY(form.Pages->ViewButton(page) != nullptr);
      form.Pages->ViewButton(page)->click();
      QVERIFY(form.View3D->isVisible());
    }
    tarvelin::ModelView* view = form.View3D->Model();
    view->resize(400, 300);
    QCOMPARE(view->CurrentScene().Bars.size(), std::size_t(0));

    // Typing a model into the tables reaches the view at once.
    form.Store().PropGrid.SetCell(1, 1, "1000");
    form.Store().PropGrid.SetCell(2, 1, "0.002");
    QAbstractItemModel* coord = form.Pages->CoordGrid()->model();
    QAbstractItemModel* ele = form.Pages->EleGrid()->model();
    coord->setData(coord->index(0, 1), "1");
    coord->setData(coord->index(0, 2), "0");
    coord->setData(coord->index(0, 3), "0");
    coord->setData(coord->index(1, 1), "3");
    coord->setData(coord->index(1, 2), "0");
    coord->setData(coord->index(1, 3), "1");
    ele->setData(ele->index(0, 1), "1");
    ele->setData(ele->index(0, 2), "2");
    ele->setData(ele->index(0, 3), "0");
    QCOMPARE(view->CurrentScene().Bars.size(), std::size_t(1));
    QCOMPARE(view->CurrentScene().State, tarvelin::SceneState::Model);
    // Fx on a slanted bar: a free motion the load drives; the view shows that motion.
    form.Store().NumberEdit(4).SetRealValue(5);
    dialogs_.Log.clear();
    form.BitBtn2Click();
    QVERIFY(!dialogs_.Texts("error").empty());
    QCOMPARE(view->CurrentScene().State, tarvelin::SceneState::Mechanism);
    QVERIFY(view->CurrentScene().Displaced);
    // Along the bar the load is carried: results, with the bar's force.
    coord->setData(coord->index(1, 3), "0");
    form.BitBtn2Click();
    QCOMPARE(view->CurrentScene().State, tarvelin::SceneState::Results);
    QVERIFY(view->CurrentScene().Bars[0].HasForce);
    QCOMPARE(view->CurrentScene().Bars[0].Force, form.Store().Result.Bars.at(0).Force);

    // A table selection highlights; a click on the bar selects its row.
    QAbstractItemView* bars = form.Pages->EleGrid();
    bars->selectionModel()->select(ele->index(0, 2), QItemSelectionModel::ClearAndSelect);
    QVERIFY(view->Painting().SelectedBars.count(1) == 1);
    form.Pages->CoordGrid()->selectionModel()->select(coord->index(1, 1),
                                                      QItemSelectionModel::ClearAndSelect);
    QVERIFY(view->Painting().SelectedNodes.count(2) == 1);
    form.Pages->EleGrid()->clearSelection();
    QVERIFY(view->Painting().SelectedBars.empty());
    const tarvelin::SceneBar& bar = view->CurrentScene().Bars[0];
    const tarvelin::ScreenPoint a = view->View().Project(bar.Shown1);
    const tarvelin::ScreenPoint b = view->View().Project(bar.Shown2);
    const QPoint mid((a.X + b.X) / 2, (a.Y + b.Y) / 2);
    QSignalSpy clicked(view, &tarvelin::ModelView::BarClicked);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, mid);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(form.Pages->currentIndex(), 1);  // the tables' page
    const QModelIndexList picked = form.Pages->EleGrid()->selectionModel()->selectedIndexes();
    QVERIFY(!picked.isEmpty());
    for (const QModelIndex& i : picked) QCOMPARE(i.row(), 0);
    QVERIFY(view->Painting().SelectedBars.count(1) == 1);
  }

  // The export is written first and put back when the data file then fails: the window
  // stays open and the old export is whole.
  void windowedBatchWithdrawsTheExportWhenTheDataFileFails() {
    WriteAll(Path("m.PEN"), OneBar());
    QFile::setPermissions(Path("m.PEN"), QFile::ReadOwner);
    WriteAll(Path("old.json"), "old export");
    TForm1& form = Started({"-i", Bin() + "m.PEN", "-o", Bin() + "old.json"});
    QVERIFY(form.isVisible());
    QVERIFY(form.Interactive());
    QCOMPARE(dialogs_.Texts("error"),
             std::vector<std::string>{"Unable to write to " + Bin() + "m.PEN"});
    QCOMPARE(ReadAll(Path("old.json")), std::string("old export"));
    QFile::setPermissions(Path("m.PEN"), QFile::ReadOwner | QFile::WriteOwner);
  }

  void windowedBatchThatStopsShowsThePages() {
    // A bar type that does not convert stops the calculation with an error.
    WriteAll(Path("m.PEN"),
             "[loads]\r\n[coordinates]\r\n1=1@0@0\r\n2=3@0@0\r\n"
             "[elements]\r\n1=1@2@x\r\n");
    TForm1& form = Started({"-i", Bin() + "m.PEN"});
    QCOMPARE(dialogs_.Texts("error"),
             std::vector<std::string>{"'x' is not a valid integer value\nBar 1: the type is not a "
                                      "whole number (bar table, row 1, column \"type\")."});
    QVERIFY(form.isVisible());
    QVERIFY(form.Panel2->isHidden());
    QVERIFY(form.PageControl1->isVisible());
    QVERIFY(form.Bestand1->menuAction()->isVisible());
    QVERIFY(!Contains(ReadAll(Path("m.PEN")), "displacements"));
  }

  void versionCheckStartsTheUpdaterAndCloses() {
    tarvelin::test::HttpTestServer server;
    const std::string updater = "#!/bin/sh\necho started > marker\n";
    server.Set("/v/internet_version.ini",
               "[tarvelin]\r\nversion=1.8.16\r\ndate=1 january 2017\r\nupd_size=" +
                   std::to_string(updater.size()) + "\r\n");
    server.Set("/v/tarvelinupdater.exe", updater);
    WriteAll(Path("m.PEN"), OneBar());
    TForm1& form = Make(
        {}, "[program]\r\nautoupdate=1\r\nopenlastproject=1\r\ndatafile=" + Bin() + "m.PEN\r\n");
    form.UpdateRec().UpdateURL = server.Base() + "/v/";
    QStringList started;
    form.Hooks().StartDetached = [&started](const QString& program, const QStringList& args,
                                            const QString& dir) {
      started << program << args << dir;
      return true;
    };
    dialogs_.Answers = {true};
    form.Timer1Timer();
    // The start-up goes on while the check runs; the question comes with the answer.
    QVERIFY(form.PageControl1->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(form.UpdateRec().UpdateStarted, 10000);
    QCOMPARE(dialogs_.Texts("question"),
             std::vector<std::string>{"Latest internet version:\r\r1.8.16\r1 january 2017\r\r"
                                      "Do you want to update ?"});
    QCOMPARE(started, QStringList({Path("tarvelinupdater.exe"), Path("internet_version.ini"),
                                   QString::fromStdString(Bin())}));
    QVERIFY(!form.isVisible());  // closed by the check
    // The model was read meanwhile, so the close saved it as any close does.
    QVERIFY(Contains(ReadAll(Path("m.PEN")), "[displacements]"));
    QVERIFY(Contains(ReadAll(Path("tarvelin.ini")), "autoupdate=1\r\n"));
  }

  // A stalled server holds the check, not the window: a timer fires and the window repaints
  // while the check runs, and the outcome comes when the fetch gives up.
  void stalledServerLeavesTheWindowWorking() {
    tarvelin::test::HttpTestServer server;
    server.Set("/v/internet_version.ini", tarvelin::test::HttpTestServer::Reply{
                                              200, "[tarvelin]\r\nversion=9\r\n", "", true, false});
    const tarvelin::DownloadTimeouts saved = tarvelin::GetDownloadTimeouts();
    tarvelin::SetDownloadTimeouts({2000, 4000});
    TForm1& form = Make({}, "[program]\r\nautoupdate=1\r\n");
    form.UpdateRec().UpdateURL = server.Base() + "/v/";
    form.StatusPanels[7]->setText("not yet known");  // the check's outcome replaces it
    QStringList panelWhenFired;
    QTimer::singleShot(100, &form, [&] { panelWhenFired << form.StatusPanels[7]->text(); });
    form.Timer1Timer();
    QVERIFY(form.PageControl1->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(panelWhenFired.size(), 1, 3000);
    // The timer fired while the stalled fetch still held the check.
    QCOMPARE(panelWhenFired.first(), QString("not yet known"));
    QTRY_COMPARE_WITH_TIMEOUT(form.StatusPanels[7]->text(), QString("WWW not checked"), 10000);
    QVERIFY(dialogs_.Log.empty());
    tarvelin::SetDownloadTimeouts(saved);
  }

  // Closing during a stalled check breaks it off: no question after the close.
  void closeDuringTheCheckAsksNothing() {
    tarvelin::test::HttpTestServer server;
    server.Set("/v/internet_version.ini", tarvelin::test::HttpTestServer::Reply{
                                              200, "[tarvelin]\r\nversion=9\r\n", "", true, false});
    TForm1& form = Make({}, "[program]\r\nautoupdate=1\r\n");
    form.UpdateRec().UpdateURL = server.Base() + "/v/";
    form.Timer1Timer();
    QTRY_COMPARE_WITH_TIMEOUT(server.Connections(), 1, 5000);
    QVERIFY(form.close());
    form_.reset();  // waits for the broken-off fetch
    QCoreApplication::processEvents();
    QVERIFY(dialogs_.Log.empty());
  }

  // A batch run in the window makes no version check, so no question can hold it, even with
  // a newer version waiting.
  void windowedBatchMakesNoVersionCheck() {
    tarvelin::test::HttpTestServer server;
    server.Set("/v/internet_version.ini",
               "[tarvelin]\r\nversion=1.8.16\r\ndate=1 january 2017\r\n");
    WriteAll(Path("m.PEN"), OneBar());
    TForm1& form = Make({"-i", Bin() + "m.PEN"}, "[program]\r\nautoupdate=1\r\n");
    form.UpdateRec().UpdateURL = server.Base() + "/v/";
    form.Timer1Timer();
    QVERIFY(!form.isVisible());  // written and closed
    QVERIFY(Contains(ReadAll(Path("m.PEN")), "[displacements]"));
    QCOMPARE(server.Connections(), 0);
    QVERIFY(dialogs_.Texts("question").empty());
    QCOMPARE(form.StatusPanels[7]->text(), QString("WWW not checked"));
  }

  // Another program saves the data file while the window has it open: the close asks, and No
  // keeps their file (the close goes on); Yes writes the window's model.
  void closeAsksBeforeOverwritingAChangedDataFile() {
    for (bool overwrite : {false, true}) {
      WriteAll(Path("m.PEN"), OneBar());
      TForm1& form = Started(
          {}, "[program]\r\nautoupdate=0\r\nopenlastproject=1\r\ndatafile=" + Bin() + "m.PEN\r\n");
      const std::string theirs = OneBar("7") + "[notes]\r\nby=them\r\n";
      WriteAll(Path("m.PEN"), theirs);
      dialogs_ = RecordingDialogs();
      dialogs_.Answers = {overwrite};
      QVERIFY(form.close());
      QCOMPARE(dialogs_.Texts("question"),
               std::vector<std::string>{tarvelin::ChangedOnDiskQuestion(Bin() + "m.PEN")});
      if (overwrite)
        QVERIFY(Contains(ReadAll(Path("m.PEN")), "Fx=5.000\r\n"));
      else
        QCOMPARE(ReadAll(Path("m.PEN")), theirs);
      QVERIFY(Contains(ReadAll(Path("tarvelin.ini")), "datafile=" + Bin() + "m.PEN\r\n"));
      form_.reset();
    }
  }

  // A UTF-16 data file is reported at the start and never written back at close.
  void nonTextDataFileIsNeverWrittenBack() {
    const std::string utf16 = std::string("\xFF\xFE[\0l\0o\0a\0d\0s\0]\0", 16);
    WriteAll(Path("u.PEN"), utf16);
    TForm1& form = Started(
        {}, "[program]\r\nautoupdate=0\r\nopenlastproject=1\r\ndatafile=" + Bin() + "u.PEN\r\n");
    QCOMPARE(dialogs_.Texts("error"),
             std::vector<std::string>{Bin() + "u.PEN is not a text file: save it as plain text "
                                              "(UTF-8)"});
    QVERIFY(form.close());
    QCOMPARE(ReadAll(Path("u.PEN")), utf16);
  }

  // Every box shows its text as plain text, a NUL byte as "\0".
  void messageBoxesShowPlainText() {
    tarvelin::QtDialogs boxes;
    QStringList shown;
    QList<Qt::TextFormat> formats;
    auto answer = [&] {
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        shown << box->text();
        formats << box->textFormat();
        box->button(box->buttons().size() > 1 ? QMessageBox::No : QMessageBox::Ok)->click();
      });
    };
    const std::string value = std::string("<h1>Model checked: OK</h1>\0tail", 31);
    answer();
    boxes.ShowError(value);
    answer();
    boxes.ShowInformation(value);
    answer();
    boxes.ShowMessage(value);
    answer();
    QVERIFY(!boxes.AskYesNo(value));
    const QString expected = QString("<h1>Model checked: OK</h1>\\0tail");
    QCOMPARE(shown, QStringList({expected, expected, expected, expected}));
    QCOMPARE(formats, QList<Qt::TextFormat>(4, Qt::PlainText));
  }

  void versionCheckOffFetchesNothing() {
    tarvelin::test::HttpTestServer server;
    server.Set("/v/internet_version.ini", "[tarvelin]\r\nversion=1.8.16\r\n");
    TForm1& form = Make();
    form.UpdateRec().UpdateURL = server.Base() + "/v/";
    form.Timer1Timer();
    QCOMPARE(server.Connections(), 0);
    QCOMPARE(form.StatusPanels[7]->text(), QString("WWW not checked"));
    QVERIFY(dialogs_.Log.empty());
    QVERIFY(form.PageControl1->isVisible());
  }

  void aboutBoxChangesTheTableLength() {
    TForm1& form = Started();
    form.Store().CoordGrid.SetCell(1, 25, "7");
    form.Store().CoordGrid.SetCell(1, 26, "8");
    auto answer = [](const QString& text) {
      QTimer::singleShot(0, [text] {
        QWidget* box = QApplication::activeModalWidget();
        QVERIFY(box);
        QComboBox* combo = box->findChild<QComboBox*>();
        QVERIFY(combo);
        QCOMPARE(combo->currentText(), QString("100"));
        combo->setEditText(text);
        static_cast<QDialog*>(box)->accept();
      });
    };
    answer("25");
    form.About1Click();
    QCOMPARE(form.State().GridLength, 26);
    QCOMPARE(form.Store().CoordGrid.RowCount(), 26);
    QCOMPARE(form.Store().PropGrid.RowCount(), 27);
    QCOMPARE(form.Store().CoordGrid.Cell(1, 25), std::string("7"));
    QCOMPARE(form.Store().CoordGrid.Cell(1, 26), std::string());
    // The rows cut off come back with undo, and go again with redo.
    form.Undo1Click();
    QCOMPARE(form.Store().CoordGrid.RowCount(), 101);
    QCOMPARE(form.Store().CoordGrid.Cell(1, 26), std::string("8"));
    form.Redo1Click();
    QCOMPARE(form.State().GridLength, 26);
    QVERIFY(form.close());
    QVERIFY(Contains(ReadAll(Path("tarvelin.ini")), "gridlength=26\r\n"));
  }
  // ---- Desktop work: save, unsaved changes, undo, spreadsheets, keys, window, recent files

 private:
  TForm1& WithModel() {
    TForm1& form = Started();
    WriteAll(Path("a.PEN"), OneBar());
    form.DropFiles({Path("a.PEN")});
    form.Button1Click();
    return form;
  }
  static void EditCell(QTableView* grid, int col, int gridRow, const QString& text) {
    QVERIFY(grid->model()->setData(grid->model()->index(gridRow - 1, col), text));
  }
  static void ActivateOn(TForm1& form, QWidget* focus) {
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    focus->setFocus();
    QTRY_VERIFY(focus->hasFocus());
  }
  static QStringList RecentEntries(TForm1& form) {
    QStringList names;
    for (QAction* a : form.Recent1->actions()) names << a->data().toString();
    return names;
  }

 private slots:
  void saveWritesTheFileAndClearsTheStar() {
    TForm1& form = WithModel();
    QCOMPARE(form.windowTitle(), QString("Tarvelin on bars : file=a.PEN"));
    QVERIFY(!form.Modified());
    EditCell(form.Pages->CoordGrid(), 1, 2, "4");
    QCOMPARE(form.windowTitle(), QString("Tarvelin on bars : file=a.PEN*"));
    ActivateOn(form, form.Pages->CoordGrid());
    QTest::keySequence(&form, QKeySequence::Save);
    QVERIFY(Contains(ReadAll(Path("a.PEN")), "2=4.000@0.000@0.000"));
    QCOMPARE(form.windowTitle(), QString("Tarvelin on bars : file=a.PEN"));
    QVERIFY(dialogs_.Log.empty());
    QVERIFY(saveStart_.isEmpty());  // no dialog for a model with a file
    // Undo after saving: the model differs from its file again.
    QTest::keySequence(&form, QKeySequence::Undo);
    QCOMPARE(form.Store().CoordGrid.Cell(1, 2), std::string("3"));
    QCOMPARE(form.windowTitle(), QString("Tarvelin on bars : file=a.PEN*"));
    QTest::keySequence(&form, QKeySequence::Redo);
    QCOMPARE(form.windowTitle(), QString("Tarvelin on bars : file=a.PEN"));
    // Without a data file Save is Save as; its Cancel writes nothing.
    dialogs_.Answers = {true};
    form.New1Click();
    for (int col = 1; col <= 3; ++col) EditCell(form.Pages->CoordGrid(), col, 1, "2");
    QVERIFY(!form.Save1Click());
    QCOMPARE(saveStart_, QString::fromStdString(Bin()));
    QVERIFY(!QFile::exists(Path("data.PEN")));
    saveAnswer_ = Path("n.PEN");
    QVERIFY(form.Save1Click());
    QVERIFY(Contains(ReadAll(Path("n.PEN")), "1=2.000@2.000@2.000"));
    QCOMPARE(form.windowTitle(), QString("Tarvelin on bars : file=n.PEN"));
  }

  void openWithUnsavedChangesAsks_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("save") << int(tarvelin::Dialogs::SaveAnswer::Save);
    QTest::newRow("discard") << int(tarvelin::Dialogs::SaveAnswer::Discard);
    QTest::newRow("cancel") << int(tarvelin::Dialogs::SaveAnswer::Cancel);
  }
  void openWithUnsavedChangesAsks() {
    QFETCH(int, answer);
    using Answer = tarvelin::Dialogs::SaveAnswer;
    TForm1& form = WithModel();
    WriteAll(Path("b.PEN"), OneBar("9"));
    EditCell(form.Pages->CoordGrid(), 1, 2, "4");
    const std::string edited = ModelText(form);
    dialogs_.SaveAnswers = {Answer(answer)};
    openAnswer_ = Path("b.PEN");
    form.Openen1Click();
    QCOMPARE(dialogs_.Texts("save question"),
             std::vector<std::string>{"Save the changes to a.PEN?"});
    if (Answer(answer) == Answer::Cancel) {
      QVERIFY(openStart_.isEmpty());  // the open dialog never came
      QCOMPARE(ModelText(form), edited);
      QCOMPARE(form.State().DataFileName, Path("a.PEN").toStdString());
      QCOMPARE(form.windowTitle(), QString("Tarvelin on bars : file=a.PEN*"));
      QCOMPARE(ReadAll(Path("a.PEN")), OneBar());
      return;
    }
    QCOMPARE(form.State().DataFileName, Path("b.PEN").toStdString());
    QCOMPARE(form.Store().NumberEdit(4).RealValue(), 9.0);
    QVERIFY(!form.Modified());
    QVERIFY(!form.History().Stack().canUndo());  // a new file starts a new history
    if (Answer(answer) == Answer::Save)
      QVERIFY(Contains(ReadAll(Path("a.PEN")), "2=4.000@0.000@0.000"));
    else
      QCOMPARE(ReadAll(Path("a.PEN")), OneBar());  // only the edit asked about is gone
    QCOMPARE(ReadAll(Path("b.PEN")), OneBar("9"));
  }

  void dropAndNewAskToo() {
    using Answer = tarvelin::Dialogs::SaveAnswer;
    TForm1& form = WithModel();
    WriteAll(Path("b.PEN"), OneBar("9"));
    form.DropFiles({Path("b.PEN")});  // nothing unsaved: no question
    QVERIFY(dialogs_.Texts("save question").empty());
    EditCell(form.Pages->CoordGrid(), 1, 2, "4");
    dialogs_.SaveAnswers = {Answer::Cancel};
    form.DropFiles({Path("a.PEN")});
    QCOMPARE(form.State().DataFileName, Path("b.PEN").toStdString());
    dialogs_.Answers = {true};
    dialogs_.SaveAnswers = {Answer::Cancel};
    form.New1Click();
    QCOMPARE(form.Store().CoordGrid.Cell(1, 2), std::string("4"));
    QCOMPARE(dialogs_.Texts("save question"),
             std::vector<std::string>(2, "Save the changes to b.PEN?"));
  }

  void undoRestoresTheModelExactly_data() {
    QTest::addColumn<QString>("change");
    for (const char* change :
         {"cell", "field", "paste", "erase nodes", "erase bars", "delete", "new"})
      QTest::newRow(change) << QString(change);
  }
  void undoRestoresTheModelExactly() {
    QFETCH(QString, change);
    TForm1& form = WithModel();
    QTableView* coord = form.Pages->CoordGrid();
    const std::string before = ModelText(form);
    if (change == "cell") {
      EditCell(coord, 2, 1, "8");
    } else if (change == "field") {
      tarvelin::TNumberEdit* fy = form.Pages->NumberEdit(5);
      fy->selectAll();
      QTest::keyClicks(fy, "12");
      form.Pages->CommitEdits();
    } else if (change == "paste") {
      QGuiApplication::clipboard()->setText("7\t8\t9\n1,5\t2\t3\n");
      coord->setCurrentIndex(coord->model()->index(1, 1));
      QTest::keySequence(coord, QKeySequence::Paste);
    } else if (change.startsWith("erase")) {
      dialogs_.Answers = {true};
      QTableView* grid = change == "erase nodes" ? coord : form.Pages->PropGrid();
      QTest::mousePress(grid->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    } else if (change == "delete") {
      coord->selectionModel()->select(
          QItemSelection(coord->model()->index(0, 1), coord->model()->index(1, 2)),
          QItemSelectionModel::ClearAndSelect);
      QTest::keyClick(coord, Qt::Key_Delete);
    } else if (change == "new") {
      dialogs_.Answers = {true};
      form.New1Click();
    }
    const std::string after = ModelText(form);
    QVERIFY(after != before);
    QVERIFY(dialogs_.Texts("error").empty());
    form.Undo1Click();
    QCOMPARE(ModelText(form), before);
    form.Redo1Click();
    QCOMPARE(ModelText(form), after);
    form.Undo1Click();
    QCOMPARE(ModelText(form), before);
    QCOMPARE(form.State().DataFileName, Path("a.PEN").toStdString());
    QCOMPARE(form.windowTitle().startsWith("Tarvelin on bars : file=a.PEN"), true);
  }

  void pasteFromASpreadsheetLandsAndGrowsTheTable() {
    TForm1& form = Started({"-R", "20"});
    form.Button1Click();
    QTableView* grid = form.Pages->CoordGrid();
    QGuiApplication::clipboard()->setText("1,5\t2\t3\r\n4\t5\t6\r\n7\t8\t9\r\n");
    grid->setCurrentIndex(grid->model()->index(17, 1));  // node 18, X
    QTest::keySequence(grid, QKeySequence::Paste);
    QVERIFY(dialogs_.Log.empty());
    QCOMPARE(form.Store().CoordGrid.RowCount(), 21);
    QCOMPARE(form.Store().EleGrid.RowCount(), 21);
    QCOMPARE(grid->model()->rowCount(), 20);
    QCOMPARE(form.State().GridLength, 21);
    QCOMPARE(form.Store().CoordGrid.Cell(1, 18), std::string("1,5"));
    QCOMPARE(form.Store().CoordGrid.Cell(3, 20), std::string("9"));
    QCOMPARE(form.Store().CoordGrid.Cell(0, 20), std::string("20"));
    // The page change reads the decimal comma as typed text is read.
    QVERIFY(form.Pages->GoToPage(2));
    QCOMPARE(form.Store().CoordGrid.Cell(1, 18), std::string("1.500"));
    // One undo step takes the whole paste back, the table length with it.
    form.Undo1Click();
    QCOMPARE(form.Store().CoordGrid.RowCount(), 20);
    QCOMPARE(form.State().GridLength, 20);
    QCOMPARE(form.Store().CoordGrid.Cell(1, 18), std::string());
  }

  void refusedPasteChangesNothing() {
    TForm1& form = WithModel();
    const std::string before = ModelText(form);
    QTableView* grid = form.Pages->CoordGrid();
    QGuiApplication::clipboard()->setText("1\t2\t3\n4\tabc\t6\n");
    grid->setCurrentIndex(grid->model()->index(0, 1));
    ActivateOn(form, grid);
    form.Paste1->trigger();  // Edit > Paste on the table with the focus
    QCOMPARE(dialogs_.Texts("error"),
             std::vector<std::string>{
                 "Nothing was pasted: 'abc' is not a number (column \"Y [m]\", node 2)."});
    QCOMPARE(ModelText(form), before);
    QVERIFY(!form.History().Stack().canUndo());
    QVERIFY(!form.Modified());
    // Edit > Delete empties the selected cells of that table, as one step.
    grid->selectionModel()->select(grid->model()->index(1, 1), QItemSelectionModel::ClearAndSelect);
    form.Delete1->trigger();
    QCOMPARE(form.Store().CoordGrid.Cell(1, 2), std::string());
    QCOMPARE(form.History().Stack().count(), 1);
  }

  void copyGivesTabSeparatedText() {
    TForm1& form = WithModel();
    QTableView* grid = form.Pages->CoordGrid();
    ActivateOn(form, grid);
    grid->selectionModel()->select(
        QItemSelection(grid->model()->index(0, 1), grid->model()->index(1, 3)),
        QItemSelectionModel::ClearAndSelect);
    QTest::keySequence(grid, QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("1\t0\t0\n3\t0\t0\n"));
    // The menu entry copies from the control with the focus.
    QGuiApplication::clipboard()->clear();
    form.Copy1Click();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("1\t0\t0\n3\t0\t0\n"));
  }

  void editsAfterACalculationClearTheResults_data() {
    QTest::addColumn<QString>("change");
    for (const char* change : {"cell", "field", "switch", "erase", "undo"})
      QTest::newRow(change) << QString(change);
  }
  void editsAfterACalculationClearTheResults() {
    QFETCH(QString, change);
    TForm1& form = WithModel();
    if (change == "undo") EditCell(form.Pages->CoordGrid(), 3, 1, "0.0");  // same value
    form.BitBtn2Click();
    QVERIFY(form.Store().GroupBox4Visible);
    QCOMPARE(form.Store().StringGrid3.Cell(1, 1), std::string("-5.0000"));
    if (change == "cell") {
      EditCell(form.Pages->EleGrid(), 3, 1, "1");
    } else if (change == "field") {
      tarvelin::TNumberEdit* fx = form.Pages->NumberEdit(4);
      fx->selectAll();
      QTest::keyClicks(fx, "6");
      form.BitBtn2Click();  // calculates the new load: the earlier result must go first
      QCOMPARE(form.Store().StringGrid3.Cell(1, 1), std::string("-6.0000"));
      form.Undo1Click();
    } else if (change == "switch") {
      form.Pages->CheckBox2()->click();
    } else if (change == "erase") {
      dialogs_.Answers = {true};
      QTest::mousePress(form.Pages->EleGrid()->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    } else {
      form.Undo1Click();
    }
    QVERIFY(!form.Store().GroupBox4Visible);
    QVERIFY(form.Pages->StringGrid3()->isHidden());
    QCOMPARE(form.Store().StringGrid3.Cell(1, 1), std::string());
    QCOMPARE(form.Store().NumberEdit(12).RealValue(), 0.0);
    QVERIFY(form.close());
    QVERIFY(!Contains(ReadAll(Path("a.PEN")), "[elementforces]\r\n1="));
  }

  void resizeShowsMoreTableRows() {
    TForm1& form = Started();
    form.Button1Click();
    QVERIFY(form.Pages->GoToPage(1));
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTableView* grid = form.Pages->CoordGrid();
    const auto visibleRows = [grid] {
      return grid->viewport()->height() / grid->verticalHeader()->defaultSectionSize();
    };
    const int before = visibleRows();
    QVERIFY(before >= 10);
    form.resize(form.width() + 200, form.height() + 300);
    QTRY_VERIFY(visibleRows() >= before + 300 / grid->verticalHeader()->defaultSectionSize() - 1);
    QVERIFY(form.Pages->PropGrid()->viewport()->height() > before * 14);
  }

  void recentFilesSurviveARestart() {
    TForm1& form = Started({}, "[program]\r\nautoupdate=0\r\n[mine]\r\nkey=1\r\n");
    WriteAll(Path("a.PEN"), OneBar());
    WriteAll(Path("b.PEN"), OneBar("9"));
    form.DropFiles({Path("a.PEN")});
    openAnswer_ = Path("b.PEN");
    form.Openen1Click();
    QCOMPARE(RecentEntries(form), QStringList({Path("b.PEN"), Path("a.PEN")}));
    QVERIFY(form.close());
    const std::string ini = ReadAll(Path("tarvelin.ini"));
    QVERIFY(Contains(ini, "[mine]\r\nkey=1\r\n"));
    QVERIFY(Contains(ini, "[window]\r\n"));
    form_.reset();
    TForm1& again = Started({}, ini);
    QCOMPARE(RecentEntries(again), QStringList({Path("b.PEN"), Path("a.PEN")}));
    again.Recent1->actions().at(1)->trigger();
    QCOMPARE(again.State().DataFileName, Path("a.PEN").toStdString());
    QCOMPARE(again.Store().NumberEdit(4).RealValue(), 5.0);
    QCOMPARE(RecentEntries(again), QStringList({Path("a.PEN"), Path("b.PEN")}));
    // A file that has gone is named and leaves the list.
    QFile::remove(Path("b.PEN"));
    again.Recent1->actions().at(1)->trigger();
    QCOMPARE(dialogs_.Texts("error"),
             std::vector<std::string>{"The data file " + Bin() + "b.PEN no longer exists."});
    QCOMPARE(RecentEntries(again), QStringList({Path("a.PEN")}));
  }

  // Ctrl+Z in a field undoes the typing there first, then the model's changes.
  void undoKeyInAField() {
    TForm1& form = WithModel();
    EditCell(form.Pages->CoordGrid(), 1, 2, "4");
    tarvelin::TNumberEdit* fx = form.Pages->NumberEdit(4);
    ActivateOn(form, fx);
    const QString shown = fx->text();
    fx->selectAll();
    QTest::keyClicks(fx, "7");
    QTest::keySequence(fx, QKeySequence::Undo);  // the typing
    QCOMPARE(fx->text(), shown);
    QCOMPARE(form.Store().CoordGrid.Cell(1, 2), std::string("4"));
    while (fx->isUndoAvailable()) fx->undo();
    QTest::keySequence(fx, QKeySequence::Undo);  // nothing typed left: the model's last change
    QCOMPARE(form.Store().CoordGrid.Cell(1, 2), std::string("3"));
  }

  // File > Save takes the same path as the close: a data file another program changed is
  // overwritten only on Yes; No keeps their file and the model stays unsaved. A failed Open
  // in between does not make the window forget which file it read.
  void saveAsksBeforeOverwritingAChangedDataFile() {
    TForm1& form = WithModel();
    EditCell(form.Pages->CoordGrid(), 1, 2, "4");
    const std::string theirs = OneBar("7") + "[notes]\r\nby=them\r\n";
    WriteAll(Path("a.PEN"), theirs);
    WriteAll(Path("bad.PEN"), "[loads]\r\nFx=x\r\n");
    dialogs_.SaveAnswers = {tarvelin::Dialogs::SaveAnswer::Discard};
    openAnswer_ = Path("bad.PEN");
    form.Openen1Click();
    QCOMPARE(form.State().DataFileName, Path("a.PEN").toStdString());
    dialogs_.Answers = {false};
    QVERIFY(!form.Save1Click());
    QCOMPARE(dialogs_.Texts("question"),
             std::vector<std::string>{tarvelin::ChangedOnDiskQuestion(Bin() + "a.PEN")});
    QCOMPARE(ReadAll(Path("a.PEN")), theirs);
    QVERIFY(form.Modified());
    dialogs_.Answers = {true};
    QVERIFY(form.Save1Click());
    QVERIFY(Contains(ReadAll(Path("a.PEN")), "2=4.000@0.000@0.000"));
    QVERIFY(Contains(ReadAll(Path("a.PEN")), "[notes]\r\nby=them\r\n"));
    QVERIFY(!form.Modified());
  }

  void menusOpenWithAltAndF9Calculates_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("menu");
    QTest::newRow("Alt+F") << int(Qt::Key_F) << "Bestand1";
    QTest::newRow("Alt+E") << int(Qt::Key_E) << "Edit1";
    QTest::newRow("Alt+V") << int(Qt::Key_V) << "View1";
    QTest::newRow("Alt+I") << int(Qt::Key_I) << "Info1";
  }
  void menusOpenWithAltAndF9Calculates() {
    QFETCH(int, key);
    QFETCH(QString, menu);
    TForm1& form = WithModel();
    ActivateOn(form, form.Pages->CoordGrid());
    QTest::keyClick(&form, Qt::Key(key), Qt::AltModifier);
    QMenu* opened = form.findChild<QMenu*>(menu);
    QVERIFY(opened);
    QTRY_VERIFY(opened->isVisible());
    opened->close();
    QTRY_VERIFY(!opened->isVisible());
    ActivateOn(form, form.Pages->CoordGrid());
    QTest::keyClick(form.Pages->CoordGrid(), Qt::Key_F9);
    QCOMPARE(form.Store().StringGrid3.Cell(1, 1), std::string("-5.0000"));
  }

  void windowSizeIsRemembered() {
    TForm1& form = Started();
    const QSize start = form.size();
    form.resize(start.width() + 123, start.height() + 45);
    QVERIFY(form.close());
    form_.reset();
    TForm1& again = Started({}, ReadAll(Path("tarvelin.ini")));
    QCOMPARE(again.size(), QSize(start.width() + 123, start.height() + 45));
    QVERIFY(!again.isMaximized());
    // Maximised: the next start is maximised, and its normal size is still the one above.
    again.showMaximized();
    QTRY_VERIFY(again.isMaximized());
    QVERIFY(again.close());
    form_.reset();
    const std::string ini = ReadAll(Path("tarvelin.ini"));
    QVERIFY(Contains(ini, "maximised=1\r\n"));
    QVERIFY(Contains(ini, "width=" + std::to_string(start.width() + 123) + "\r\n"));
    TForm1& third = Started({}, ini);
    QVERIFY(third.isMaximized());
  }
};

QTEST_MAIN(TestTForm1)
#include "test_tform1.moc"
