// The message boxes of the window: Dialogs over QMessageBox.
#include "app/qtdialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace tarvelin {

namespace {

// Gives the keyboard back to the window that had it before a box. Without a window manager
// (and on the offscreen platform) nothing else activates it again, and the focus moves made in
// it afterwards (Enter on a corrected number) would then reach no field as focus changes.
class KeepActiveWindow {
 public:
  KeepActiveWindow() : window_(QApplication::activeWindow()) {}
  ~KeepActiveWindow() {
    if (window_ && window_->isVisible() && QApplication::activeWindow() != window_)
      window_->activateWindow();
  }
  KeepActiveWindow(const KeepActiveWindow&) = delete;
  KeepActiveWindow& operator=(const KeepActiveWindow&) = delete;

 private:
  QPointer<QWidget> window_;
};

}  // namespace

QString QtDialogs::BoxText(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

void QtDialogs::ShowError(const std::string& text) {
  const KeepActiveWindow keep;
  QMessageBox::critical(parent_, QStringLiteral("Error"), BoxText(text));
}

void QtDialogs::ShowInformation(const std::string& text) {
  const KeepActiveWindow keep;
  QMessageBox::information(parent_, QStringLiteral("Information"), BoxText(text));
}

void QtDialogs::ShowMessage(const std::string& text) {
  const KeepActiveWindow keep;
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tarvelin on bars"), BoxText(text),
                  QMessageBox::Ok, parent_);
  box.exec();
}

bool QtDialogs::AskYesNo(const std::string& text) {
  const KeepActiveWindow keep;
  return QMessageBox::question(parent_, QStringLiteral("Confirm"), BoxText(text),
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace tarvelin
