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
  QString s = QString::fromStdString(ShowableText(text));
  s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

int QtDialogs::ShowBox(QWidget* parent, int icon, const QString& title, const std::string& text,
                       int buttons, int defaultButton) {
  const KeepActiveWindow keep;
  QMessageBox box(static_cast<QMessageBox::Icon>(icon), title, BoxText(text),
                  static_cast<QMessageBox::StandardButtons>(buttons), parent);
  box.setTextFormat(Qt::PlainText);
  if (defaultButton != QMessageBox::NoButton)
    box.setDefaultButton(static_cast<QMessageBox::StandardButton>(defaultButton));
  return box.exec();
}

void QtDialogs::ShowError(const std::string& text) {
  ShowBox(parent_, QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok,
          QMessageBox::NoButton);
}

void QtDialogs::ShowInformation(const std::string& text) {
  ShowBox(parent_, QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok,
          QMessageBox::NoButton);
}

void QtDialogs::ShowMessage(const std::string& text) {
  ShowBox(parent_, QMessageBox::NoIcon, QStringLiteral("Tarvelin on bars"), text, QMessageBox::Ok,
          QMessageBox::NoButton);
}

bool QtDialogs::AskYesNo(const std::string& text) {
  return ShowBox(parent_, QMessageBox::Question, QStringLiteral("Confirm"), text,
                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace tarvelin

namespace tarvelin {

Dialogs::SaveAnswer QtDialogs::AskSaveChanges(const std::string& text) {
  const KeepActiveWindow keep;
  switch (QMessageBox::question(parent_, QStringLiteral("Confirm"), BoxText(text),
                                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                QMessageBox::Save)) {
    case QMessageBox::Save:
      return SaveAnswer::Save;
    case QMessageBox::Discard:
      return SaveAnswer::Discard;
    default:
      return SaveAnswer::Cancel;
  }
}

}  // namespace tarvelin
