// The message boxes of the window: Dialogs over QMessageBox.
#pragma once

#include <QString>

#include "support/dialogs.h"

class QWidget;

namespace tarvelin {

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

  void ShowError(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  SaveAnswer AskSaveChanges(const std::string& text) override;

  // The core's texts break lines with carriage returns; the boxes want line feeds. A NUL byte
  // is shown as "\0".
  static QString BoxText(const std::string& text);
  // A modal box showing text as plain text: a value such as "<h1>OK</h1>" from a data file is
  // shown as written, never as rich text. Returns the button pressed.
  static int ShowBox(QWidget* parent, int icon, const QString& title, const std::string& text,
                     int buttons, int defaultButton);

 private:
  QWidget* parent_;
};

}  // namespace tarvelin
