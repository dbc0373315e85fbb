// Program entry: the window on a screen, or the batch run without one.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/core/batch.h"
#include "app/core/commandline.h"
#include "app/core/locations.h"
#include "app/qtdialogs.h"
#include "app/tform1.h"

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
    return RunHeadlessBatch(args, locations, dialogs);
  }

  TApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tarvelin"));
  const FileLocations locations =
      ChooseFileLocations(programPath, env, CanCreateFileIn(FolderOf(programPath)));
  TForm1 form(args, locations);
  form.show();
  return app.exec();
}
