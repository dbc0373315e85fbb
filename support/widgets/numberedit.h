// TNumberEdit: a single-line field for one number, over the window-free NumberLogic.
#pragma once

#include <QLineEdit>
#include <QTimer>

#include "support/numberlogic.h"

namespace tarvelin {

class Dialogs;

class TNumberEdit : public QLineEdit {
  Q_OBJECT
 public:
  // The field shows and edits *logic (owned by the model store, so no copy of the value
  // exists); messages go through dialogs. Both must outlive the field.
  TNumberEdit(NumberLogic* logic, Dialogs* dialogs, QWidget* parent = nullptr);
  ~TNumberEdit() override;

  NumberLogic& Logic() { return *logic_; }
  // Re-reads the logic's text and hint into the widget (after an assignment in the core).
  void Refresh();

  // Shared by all instances: a watch timer has been started and not yet stopped.
  static bool WatchRunning;

 signals:
  // Emitted when the focus leaves the field (NumberEdit10Exit, NumberEdit11Exit).
  void Exited();

 protected:
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool event(QEvent* event) override;  // Tab reaches keyRelease too

 private:
  void StartWatch();
  void StopWatch();
  void WatchTick();
  void FocusNextSibling();

  NumberLogic* logic_;
  Dialogs* dialogs_;
  QTimer watch_;  // 1 ms watch timer
};

}  // namespace tarvelin
