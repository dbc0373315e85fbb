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

  // The content that a check reads at most (the rest of a longer text cannot be typed).
  static constexpr int kMaxContentLength = 80;

  // Shift bit of a released key: Shift, Ctrl and Alt; every other key gives None.
  enum class ShiftBit { None, Shift, Ctrl, Alt };
  static ShiftBit ShiftBitOf(int key);

  bool WatchActive() const { return watch_.isActive(); }

 signals:
  // Emitted when the focus leaves the field (NumberEdit10Exit, NumberEdit11Exit).
  void Exited();
  // After the check of a key release other than Tab and Enter (the OnKeyUp event).
  void KeyUp(int key, tarvelin::TNumberEdit::ShiftBit shift);

 protected:
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool event(QEvent* event) override;  // Tab reaches keyRelease too

 private:
  void StartWatch();
  void StopWatch();
  void WatchTick();
  void FocusNextSibling();
  bool CanTakeFocus() const;

  NumberLogic* logic_;
  Dialogs* dialogs_;
  QTimer watch_;  // 1 ms watch timer
  // Tab and Enter act on release; a release whose press went to another widget (which then
  // moved the focus here) is not ours to act on.
  bool tabPressed_ = false;
  bool backtabPressed_ = false;
  bool enterPressed_ = false;
  bool checking_ = false;   // the logic's Changed comes from our own check: keep the content
  bool autoSelect_ = true;  // select the whole text when the focus arrives by Tab
};

}  // namespace tarvelin
