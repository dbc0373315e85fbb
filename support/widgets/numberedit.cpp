// TNumberEdit: checks the text at every key release, keeps the focus while the text is wrong,
// and shows the three messages when a wrong text is confirmed with Tab or Enter.
#include "support/widgets/numberedit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <string>

#include "support/dialogs.h"

namespace tarvelin {

bool TNumberEdit::WatchRunning = false;

namespace {

bool IsTabKey(int key) {
  return key == Qt::Key_Tab || key == Qt::Key_Backtab;
}
bool IsEnterKey(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

TNumberEdit::TNumberEdit(NumberLogic* logic, Dialogs* dialogs, QWidget* parent)
    : QLineEdit(parent), logic_(logic), dialogs_(dialogs) {
  // A longer content would not fit the check's buffer; refusing it at typing time means the
  // check always sees everything the field shows.
  setMaxLength(kMaxContentLength);
  watch_.setInterval(1);
  watch_.setTimerType(Qt::PreciseTimer);
  connect(&watch_, &QTimer::timeout, this, &TNumberEdit::WatchTick);
  logic_->Changed = [this] { Refresh(); };
  Refresh();
}

TNumberEdit::~TNumberEdit() {
  logic_->Changed = nullptr;
  // The shared flag would otherwise stay set for good and no other field would start a watch.
  if (watch_.isActive()) StopWatch();
}

void TNumberEdit::Refresh() {
  // During our own check the logic stores the live content (or, for an empty content, keeps
  // the old text): the field must keep what the user typed.
  if (!checking_) {
    const QString text = QString::fromStdString(logic_->Text());
    if (text != this->text()) setText(text);
  }
  if (logic_->ShowHint()) setToolTip(QString::fromStdString(logic_->Hint()));
}

TNumberEdit::ShiftBit TNumberEdit::ShiftBitOf(int key) {
  switch (key) {
    case Qt::Key_Shift:
      return ShiftBit::Shift;
    case Qt::Key_Control:
      return ShiftBit::Ctrl;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
      return ShiftBit::Alt;
    default:
      return ShiftBit::None;
  }
}

bool TNumberEdit::event(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool plain =
        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (IsTabKey(key->key()) && plain) {
      // Focus navigation would move on at the press; the release decides instead, so that a
      // wrong text is reported and the focus stays.
      tabPressed_ = true;
      backtabPressed_ = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
      key->accept();
      return true;
    }
    if (IsEnterKey(key->key())) {
      QLineEdit::event(event);  // returnPressed, editingFinished
      enterPressed_ = true;
      // Not passed on to the window: a dialog's default button must not fire.
      key->accept();
      return true;
    }
  }
  return QLineEdit::event(event);
}

void TNumberEdit::keyReleaseEvent(QKeyEvent* event) {
  if (event->isAutoRepeat()) {
    QLineEdit::keyReleaseEvent(event);
    return;
  }
  const int key = event->key();
  const bool tab = IsTabKey(key);
  const bool enter = IsEnterKey(key);
  if ((tab && !tabPressed_) || (enter && !enterPressed_)) {
    // The press went to the control the focus came from.
    event->accept();
    return;
  }
  const bool backward = backtabPressed_;
  if (tab) tabPressed_ = backtabPressed_ = false;
  if (enter) enterPressed_ = false;
  event->accept();

  if (!WatchRunning) StartWatch();
  logic_->SetErrorKind(0);
  const ShiftBit shift = ShiftBitOf(key);
  if (shift == ShiftBit::None || shift == ShiftBit::Shift) {
    const std::string content = text().left(kMaxContentLength).toStdString();
    // The kind of the check itself, before taking over the value (a lone sign passes the
    // check and only fails when its value is taken over).
    std::string ignored;
    const std::uint8_t checked = content.empty() ? 3 : logic_->CheckText(content, &ignored);
    std::string internalMessage;
    checking_ = true;
    logic_->CheckLiveContent(content, &internalMessage);
    checking_ = false;
    if (!internalMessage.empty()) {
      dialogs_->ShowMessage(internalMessage);
      StartWatch();
    }
    if ((tab || enter) && checked != 0) {
      dialogs_->ShowMessage(NumberLogic::ErrorMessage(checked));
      StartWatch();
    }
  }
  if (!tab && !enter) emit KeyUp(key, shift);

  if (logic_->ErrorKind() == 0 && (tab || enter)) {
    StopWatch();
    if (enter) {
      FocusNextSibling();
    } else {
      focusNextPrevChild(!backward);
    }
    return;
  }
  if (!hasFocus() && CanTakeFocus()) setFocus(Qt::OtherFocusReason);
}

void TNumberEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  const Qt::FocusReason reason = event->reason();
  if (!autoSelect_ && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                       reason == Qt::ShortcutFocusReason)) {
    deselect();
  }
}

void TNumberEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // Another window taking the keyboard (a message box, a menu) is not leaving the field.
  if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
    emit Exited();
}

void TNumberEdit::StartWatch() {
  WatchRunning = true;
  watch_.start();
}

void TNumberEdit::StopWatch() {
  watch_.stop();
  WatchRunning = false;
}

void TNumberEdit::WatchTick() {
  autoSelect_ = false;
  if (hasFocus()) {
    WatchRunning = true;
    return;
  }
  if (logic_->ErrorKind() != 0) {
    // With the page hidden the field cannot take the focus; the next tick tries again.
    if (CanTakeFocus()) setFocus(Qt::OtherFocusReason);
    return;
  }
  StopWatch();
}

bool TNumberEdit::CanTakeFocus() const {
  return isVisible() && isEnabled() && focusPolicy() != Qt::NoFocus;
}

void TNumberEdit::FocusNextSibling() {
  QWidget* parent = parentWidget();
  if (!parent) return;
  // children() keeps the order in which the controls were created.
  const QObjectList& children = parent->children();
  const int count = children.size();
  const int self = children.indexOf(this);
  for (int i = 1; i < count; ++i) {
    auto* widget = qobject_cast<QWidget*>(children.at((self + i) % count));
    if (!widget || widget->isWindow() || qobject_cast<QLabel*>(widget)) continue;
    if (widget->isVisible() && widget->isEnabled() && widget->focusPolicy() != Qt::NoFocus) {
      widget->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

}  // namespace tarvelin
