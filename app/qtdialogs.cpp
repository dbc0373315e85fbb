// The message boxes of the window: Dialogs over QMessageBox.
#include "app/qtdialogs.h"

#include <QMessageBox>

namespace tarvelin {

QString QtDialogs::BoxText(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

void QtDialogs::ShowError(const std::string& text) {
  QMessageBox::critical(parent_, QStringLiteral("Error"), BoxText(text));
}

void QtDialogs::ShowInformation(const std::string& text) {
  QMessageBox::information(parent_, QStringLiteral("Information"), BoxText(text));
}

void QtDialogs::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tarvelin on bars"), BoxText(text),
                  QMessageBox::Ok, parent_);
  box.exec();
}

bool QtDialogs::AskYesNo(const std::string& text) {
  return QMessageBox::question(parent_, QStringLiteral("Confirm"), BoxText(text),
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace tarvelin
