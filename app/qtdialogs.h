// The message boxes of the window: Dialogs over QMessageBox.
#pragma once

#include <QString>

#include "support/dialogs.h"

class QWidget;

namespace tarvelin {

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  void ShowError(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;

  // The core's texts break lines with carriage returns; the boxes want line feeds.
  static QString BoxText(const std::string& text);

 private:
  QWidget* parent_;
};

}  // namespace tarvelin
