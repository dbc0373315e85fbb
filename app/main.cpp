// Program entry: the window on a screen, or the batch run without one.
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/core/batch.h"
#include "app/core/commandline.h"
#include "app/core/locations.h"
#include "app/core/streamdialogs.h"
#include "app/qtdialogs.h"
#include "app/tform1.h"
#include "app/viewpaint.h"

namespace {

// The last net of the general error display: an exception that a handler let through is
// shown in the error box, and the program goes on.
class TApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      tarvelin::QtDialogs::ShowBox(activeWindow(), QMessageBox::Critical, QStringLiteral("Error"),
                                   e.what(), QMessageBox::Ok, QMessageBox::NoButton);
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  using namespace tarvelin;
  // Qt takes its own options out of argv; the program's walk sees every argument as given.
  const std::vector<std::string> args(argv + 1, argv + argc);
  const EnvLookup env = [](const char* name) -> const char* { return std::getenv(name); };
  const std::string programPath = ProgramFilePath(argc > 0 ? argv[0] : "tarvelin");

  // A batch run with a display that has gone away runs without a window.
  const bool screen = HasScreen(env) && (!IsBatchCommandLine(args) || DisplayLooksReachable(env));
  if (!screen) {
    if (!IsBatchCommandLine(args)) {
      std::fputs(kNeedDisplayMessage, stderr);
      return kExitCommandLine;
    }
    const FileLocations locations =
        ChooseFileLocations(programPath, env, CanCreateFileIn(FolderOf(programPath)));
    StreamDialogs dialogs(stderr);
    // A picture ("-p") is painted on the offscreen platform, which needs no display; without
    // one no Qt is started at all.
    std::unique_ptr<QGuiApplication> painting;
    PictureWriter writePicture;
    if (std::find(args.begin(), args.end(), "-p") != args.end()) {
      qputenv("QT_QPA_PLATFORM", "offscreen");
      static int qtArgc = 1;
      static char* qtArgv[] = {argv[0], nullptr};
      painting = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
      writePicture = WriteBatchPicture;
    }
    return RunHeadlessBatch(args, locations, dialogs, writePicture);
  }

  TApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tarvelin"));
  const FileLocations locations =
      ChooseFileLocations(programPath, env, CanCreateFileIn(FolderOf(programPath)));
  TForm1 form(args, locations);
  form.show();
  return app.exec();
}
