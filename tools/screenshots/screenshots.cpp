// Screenshot tool behind `make screenshots`: opens the main window on a copy of a bundled
// example, calculates it, and saves PNG pictures of the pages (also maximised), the about box
// and the technical-information window; then the 3D view of every example beside it (the model
// by bar type, the forces, the deformed shape). Run under Xvfb:
// screenshots <example.PEN> <output folder>.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "app/aboutbox.h"
#include "app/helpform.h"
#include "app/modelview.h"
#include "app/tform1.h"
#include "support/dialogs.h"

namespace {

// Message boxes would wait for a click: print them instead, and say No to questions.
class PrintedDialogs : public tarvelin::Dialogs {
 public:
  void ShowError(const std::string& text) override { Print("error", text); }
  void ShowInformation(const std::string& text) override { Print("information", text); }
  void ShowMessage(const std::string& text) override { Print("message", text); }
  bool AskYesNo(const std::string& text) override {
    Print("question", text);
    return false;
  }
  int Count = 0;

 private:
  void Print(const char* kind, const std::string& text) {
    ++Count;
    std::fprintf(stderr, "screenshots: %s box: %s\n", kind, text.c_str());
  }
};

void Settle(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Save(QWidget* widget, const QDir& out, const char* name) {
  widget->raise();
  widget->activateWindow();
  Settle(300);
  const QString path = out.filePath(name);
  if (!widget->grab().save(path, "PNG")) {
    std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: screenshots <example.PEN> <output folder>\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[2]));
  if (!QDir().mkpath(out.path())) return 1;

  // The program writes beside itself at close: give it a folder of its own, with settings
  // that reopen the copied example and leave the internet alone.
  QTemporaryDir folder;
  if (!folder.isValid()) return 1;
  const QString model = folder.filePath("hexapod.PEN");
  if (!QFile::copy(QString::fromLocal8Bit(argv[1]), model)) {
    std::fprintf(stderr, "screenshots: cannot copy %s\n", argv[1]);
    return 1;
  }
  tarvelin::FileLocations locations;
  locations.ProgramDir = folder.path().toStdString() + "/";
  locations.ProgramPath = locations.ProgramDir + "tarvelin";
  locations.SettingsFile = locations.ProgramDir + "tarvelin.ini";
  locations.DataDir = locations.ProgramDir;
  locations.SceneFile = locations.ProgramDir + "tarvelin.wrl";
  QFile settings(QString::fromStdString(locations.SettingsFile));
  if (!settings.open(QIODevice::WriteOnly)) return 1;
  settings.write(("[program]\r\nworkingdir=" + locations.ProgramDir +
                  "\r\nopenlastproject=1\r\ndatafile=" + model.toStdString() +
                  "\r\nautoupdate=0\r\nnoIntroPanel=0\r\n")
                     .c_str());
  settings.close();

  PrintedDialogs dialogs;
  tarvelin::TForm1 form({}, locations, &dialogs);
  form.show();
  QElapsedTimer clock;
  clock.start();
  while (!form.Interactive() && clock.elapsed() < 15000)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  if (!form.Interactive()) {
    std::fprintf(stderr, "screenshots: the window did not finish its start-up\n");
    return 1;
  }

  bool ok = Save(&form, out, "intro_panel.png");
  form.Button1Click();  // ">>"
  form.PageControl1->setCurrentIndex(2);
  form.BitBtn2Click();  // "Calculate": every page then shows the calculated model
  ok = Save(&form, out, "page_results.png") && ok;
  form.PageControl1->setCurrentIndex(0);
  ok = Save(&form, out, "page_block.png") && ok;
  form.PageControl1->setCurrentIndex(1);
  ok = Save(&form, out, "page_hinged_bars.png") && ok;

  // Maximised on a 1920 x 1080 screen: the tables and the results take the room. Without a
  // window manager nobody acts on the request, so the window then takes the screen itself.
  form.showMaximized();
  Settle(300);
  const QRect screen = form.screen()->availableGeometry();
  if (form.width() < screen.width() - 50) form.setGeometry(screen);
  form.PageControl1->setCurrentIndex(1);
  ok = Save(&form, out, "maximised_hinged_bars.png") && ok;
  form.PageControl1->setCurrentIndex(2);
  ok = Save(&form, out, "maximised_results.png") && ok;
  form.showNormal();
  Settle(100);

  {
    tarvelin::TAboutBox box(&form);
    box.PutOptions(true, false, 101, false);
    box.show();
    ok = Save(&box, out, "about_box.png") && ok;
  }
  {
    tarvelin::THelpForm help(&form);
    help.show();
    ok = Save(&help, out, "technical_information.png") && ok;
  }
  // The 3D view of each example: the model by bar type, the forces on the undeformed model,
  // and the deformed shape with the forces.
  form.ShowModelView();
  tarvelin::ViewWindow* view = form.View3D;
  view->resize(820, 620);
  const QDir examples = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteDir();
  for (const QString& name : examples.entryList({"*.PEN"}, QDir::Files, QDir::Name)) {
    const QString copy = folder.filePath("view_" + name);
    QFile::remove(copy);
    if (!QFile::copy(examples.filePath(name), copy)) continue;
    form.DropFiles({copy});
    const QString base = "view_" + QFileInfo(name).completeBaseName().toLower();
    auto shot = [&](bool forces, bool deformed, const char* what) {
      view->ForceColoursAction->setChecked(forces);
      view->DeformedAction->setChecked(deformed);
      view->ApplyOptions();
      view->Model()->FitAll();
      return Save(view, out, qPrintable(base + what));
    };
    form.PageControl1->setCurrentIndex(1);
    ok = shot(false, false, "_model.png") && ok;
    form.PageControl1->setCurrentIndex(2);
    form.BitBtn2Click();
    ok = shot(true, false, "_forces.png") && ok;
    ok = shot(true, true, "_deformed.png") && ok;
  }
  view->close();
  form.close();
  Settle(100);
  if (dialogs.Count > 0) {
    std::fprintf(stderr, "screenshots: the program showed message boxes\n");
    ok = false;
  }
  return ok ? 0 : 1;
}
