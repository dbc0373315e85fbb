// TNumberEdit worked with the keyboard as a user would: typing, Tab and Enter, focus keeping.
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "recording_dialogs.h"
#include "support/widgets/numberedit.h"

using tarvelin::NumberLogic;
using tarvelin::TNumberEdit;
using tarvelin::TNumberType;
using tarvelin::test::RecordingDialogs;

namespace {

// A window with one parent holding, in creation order: a label, field A, a label, field B, a
// disabled field, a hidden line edit, a check box, a label, field C and a closing label.
struct Panel {
  RecordingDialogs dialogs;
  NumberLogic logicA = NumberLogic::Designed(TNumberType::RealType, -1e9, 1e9, "0");
  NumberLogic logicB = NumberLogic::Designed(TNumberType::RealType, 0, 50000000, "0");
  NumberLogic logicOff = NumberLogic::Designed(TNumberType::RealType, 0, 10, "0");
  NumberLogic logicC = NumberLogic::Designed(TNumberType::IntType, -5, 5, "0");
  QWidget window;
  TNumberEdit* a;
  TNumberEdit* b;
  TNumberEdit* off;
  QLineEdit* hidden;
  QCheckBox* check;
  TNumberEdit* c;

  Panel() {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel("Fx", &window));
    a = new TNumberEdit(&logicA, &dialogs, &window);
    layout->addWidget(a);
    layout->addWidget(new QLabel("E", &window));
    b = new TNumberEdit(&logicB, &dialogs, &window);
    layout->addWidget(b);
    off = new TNumberEdit(&logicOff, &dialogs, &window);
    off->setEnabled(false);
    layout->addWidget(off);
    hidden = new QLineEdit(&window);
    check = new QCheckBox("option", &window);
    layout->addWidget(check);
    layout->addWidget(new QLabel("n", &window));
    c = new TNumberEdit(&logicC, &dialogs, &window);
    layout->addWidget(c);
    layout->addWidget(new QLabel("end", &window));
    window.show();
    hidden->hide();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) qWarning("window not active");
  }

  ~Panel() {
    // Leave no watch running into the next test.
    delete a;
    delete b;
    delete off;
    delete c;
  }

  // Replaces the content the way a user does: select all and type over it.
  static void Type(TNumberEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty()) {
      QTest::keyClick(edit, Qt::Key_Delete);
    } else {
      QTest::keyClicks(edit, text);
    }
  }

  std::vector<std::string> Messages() const { return dialogs.Texts("message"); }
};

// Gives the 1 ms watch timer a few ticks. What a tick must bring about is waited for with
// QTRY_VERIFY instead: on a busy machine 25 ms may pass without any tick.
void Ticks() {
  QTest::qWait(25);
}

}  // namespace

class TestNumberEdit : public QObject {
  Q_OBJECT
 private slots:
  void init() { TNumberEdit::WatchRunning = false; }

  void typing_data();
  void typing();
  void confirmWithEnterOrTab_data();
  void confirmWithEnterOrTab();
  void enterMovesAmongSiblingsInCreationOrder();
  void backtabMovesBackward();
  void focusComesBackWhileWrong();
  void ctrlOrAltReleaseDoesNotCheck_data();
  void ctrlOrAltReleaseDoesNotCheck();
  void emptyingKeepsStoredTextAndValue();
  void internalMessageAtTheKeyRelease();
  void strayTabReleaseIsNotOurs();
  void defaultHintBecomesToolTip();
  void refreshShowsAssignments();
  void exitedOnFocusLeaving();
  void contentIsLimitedToTheCheckBuffer();
  void destroyedFieldReleasesSharedFlag();
  void secondFieldStartsNoTimerWhileAnotherRuns();
  void enterDoesNotReachTheDialog();
};

void TestNumberEdit::typing_data() {
  QTest::addColumn<bool>("integer");
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("kind");
  QTest::addColumn<double>("value");  // RealValue, or IntValue for the whole-number field

  QTest::newRow("upper bound") << false << "1e9" << 0 << 1e9;
  QTest::newRow("beyond user range, value taken") << false << "2e9" << 2 << 2e9;
  QTest::newRow("beyond compiler range") << false << "1e301" << 1 << 1e301;
  QTest::newRow("too small") << false << "1e-301" << 1 << 1e-301;
  QTest::newRow("smallest accepted") << false << "1E-300" << 0 << 1e-300;
  QTest::newRow("empty exponent") << false << "1.5E" << 3 << 1.5;
  QTest::newRow("comma") << false << "1,5" << 3 << 1.0;
  QTest::newRow("lone minus") << false << "-" << 3 << 0.0;
  QTest::newRow("negative real") << false << "-12.5" << 0 << -12.5;
  QTest::newRow("int accepted") << true << "3" << 0 << 3.0;
  QTest::newRow("int beyond user range") << true << "7" << 2 << 7.0;
  QTest::newRow("int not whole") << true << "1.5" << 3 << 1.0;
  QTest::newRow("int beyond compiler range") << true << "-2147483647" << 1 << -2147483647.0;
}

void TestNumberEdit::typing() {
  QFETCH(bool, integer);
  QFETCH(QString, text);
  QFETCH(int, kind);
  QFETCH(double, value);
  Panel panel;
  TNumberEdit* edit = integer ? panel.c : panel.a;
  Panel::Type(edit, text);
  QCOMPARE(int(edit->Logic().ErrorKind()), kind);
  QCOMPARE(QString::fromStdString(edit->Logic().Text()), text);
  if (integer) {
    QCOMPARE(double(edit->Logic().IntValue()), value);
  } else {
    QCOMPARE(edit->Logic().RealValue(), value);
  }
  QCOMPARE(edit->text(), text);
  QVERIFY(panel.Messages().empty());
  QVERIFY(TNumberEdit::WatchRunning);
}

void TestNumberEdit::confirmWithEnterOrTab_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("key");
  QTest::addColumn<QString>("message");  // empty: none, and the focus moves on

  for (int key : {int(Qt::Key_Return), int(Qt::Key_Tab)}) {
    const char* name = key == Qt::Key_Tab ? "tab" : "enter";
    QTest::addRow("%s negative E", name) << "-1" << key << "Number exceeds user defined range.";
    QTest::addRow("%s large E", name) << "210000000" << key << "Number exceeds user defined range.";
    QTest::addRow("%s overflow", name) << "1e400" << key << "Number exceeds compiler range.";
    QTest::addRow("%s letters", name) << "abc" << key << "Error in number.";
    QTest::addRow("%s empty", name) << "" << key << "Error in number.";
    QTest::addRow("%s right", name) << "2.5" << key << "";
    QTest::addRow("%s bound", name) << "50000000" << key << "";
  }
  QTest::newRow("keypad enter wrong") << "x" << int(Qt::Key_Enter) << "Error in number.";
}

void TestNumberEdit::confirmWithEnterOrTab() {
  QFETCH(QString, text);
  QFETCH(int, key);
  QFETCH(QString, message);
  Panel panel;
  Panel::Type(panel.b, text);
  QTest::keyClick(panel.b, Qt::Key(key));
  Ticks();
  if (message.isEmpty()) {
    QVERIFY(panel.Messages().empty());
    // The next control able to take the focus after E is the check box (Enter, creation
    // order) or, by focus chain, the same check box (Tab): disabled and hidden are passed.
    QVERIFY(panel.check->hasFocus());
    QTRY_VERIFY(!panel.b->WatchActive());
    QVERIFY(!TNumberEdit::WatchRunning);
    QCOMPARE(panel.b->Logic().RealValue(), text.toDouble());
  } else {
    QCOMPARE(panel.Messages(), std::vector<std::string>{message.toStdString()});
    QVERIFY(panel.b->hasFocus());
    QVERIFY(panel.b->WatchActive());
    // Still wrong, so clicking elsewhere does not get away from it.
    panel.a->setFocus();
    Ticks();
    QTRY_VERIFY(panel.b->hasFocus());
  }
}

void TestNumberEdit::enterMovesAmongSiblingsInCreationOrder() {
  Panel panel;
  panel.a->setFocus();
  QTest::keyClick(panel.a, Qt::Key_Return);
  QVERIFY(panel.b->hasFocus());
  QTest::keyClick(panel.b, Qt::Key_Return);
  QVERIFY(panel.check->hasFocus());  // disabled field and hidden edit passed over
  panel.c->setFocus();
  QTest::keyClick(panel.c, Qt::Key_Return);
  QVERIFY(panel.a->hasFocus());  // wrapped from the last to the first
  QVERIFY(panel.Messages().empty());
}

void TestNumberEdit::backtabMovesBackward() {
  Panel panel;
  panel.b->setFocus();
  // Sent without the Shift key events (QTest would release Shift into B again, where the
  // real keyboard sends it to the field that has the focus by then).
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
  QApplication::sendEvent(panel.b, &press);
  QVERIFY(panel.b->hasFocus());  // the press alone moves nothing
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Backtab, Qt::ShiftModifier);
  QApplication::sendEvent(panel.b, &release);
  QVERIFY(panel.a->hasFocus());
  QTest::keyClick(panel.a, Qt::Key_Tab);
  QVERIFY(panel.b->hasFocus());
}

void TestNumberEdit::focusComesBackWhileWrong() {
  Panel panel;
  Panel::Type(panel.a, "1x");
  panel.check->setFocus();
  Ticks();
  QTRY_VERIFY(panel.a->hasFocus());
  QVERIFY(panel.Messages().empty());  // no message without Tab or Enter

  // Mended, it can be left; the watch stops once the focus has gone.
  QTest::keyClick(panel.a, Qt::Key_Backspace);
  QCOMPARE(int(panel.a->Logic().ErrorKind()), 0);
  panel.check->setFocus();
  Ticks();
  QVERIFY(panel.check->hasFocus());
  QTRY_VERIFY(!panel.a->WatchActive());
  QVERIFY(!TNumberEdit::WatchRunning);
  QCOMPARE(panel.a->Logic().RealValue(), 1.0);
}

void TestNumberEdit::ctrlOrAltReleaseDoesNotCheck_data() {
  QTest::addColumn<int>("key");
  QTest::newRow("ctrl") << int(Qt::Key_Control);
  QTest::newRow("alt") << int(Qt::Key_Alt);
}

void TestNumberEdit::ctrlOrAltReleaseDoesNotCheck() {
  QFETCH(int, key);
  Panel panel;
  Panel::Type(panel.a, "7");
  // A change without a key release (a paste with the mouse) is not stored...
  panel.a->setText("abc");
  QCOMPARE(panel.a->Logic().Text(), std::string("7"));
  // ...nor by releasing Ctrl or Alt, which also clears the error kind.
  QTest::keyRelease(panel.a, Qt::Key(key));
  QCOMPARE(panel.a->Logic().Text(), std::string("7"));
  QCOMPARE(int(panel.a->Logic().ErrorKind()), 0);
  QCOMPARE(panel.a->Logic().RealValue(), 7.0);
  // So the field can be left with the wrong content.
  panel.check->setFocus();
  Ticks();
  QVERIFY(panel.check->hasFocus());
  // Shift is checked like any other key.
  panel.a->setFocus();
  QTest::keyRelease(panel.a, Qt::Key_Shift);
  QCOMPARE(panel.a->Logic().Text(), std::string("abc"));
  QCOMPARE(int(panel.a->Logic().ErrorKind()), 3);
}

void TestNumberEdit::emptyingKeepsStoredTextAndValue() {
  Panel panel;
  Panel::Type(panel.a, "12");
  QCOMPARE(panel.a->Logic().RealValue(), 12.0);
  QTest::keyClick(panel.a, Qt::Key_Backspace);
  QTest::keyClick(panel.a, Qt::Key_Backspace);
  QCOMPARE(panel.a->text(), QString());
  QCOMPARE(int(panel.a->Logic().ErrorKind()), 3);
  QCOMPARE(panel.a->Logic().Text(), std::string("1"));
  QCOMPARE(panel.a->Logic().RealValue(), 1.0);
  QTest::keyClick(panel.a, Qt::Key_Return);
  QCOMPARE(panel.Messages(), std::vector<std::string>{"Error in number."});
  QVERIFY(panel.a->hasFocus());
}

void TestNumberEdit::internalMessageAtTheKeyRelease() {
  Panel panel;
  Panel::Type(panel.a, "-E5");
  QCOMPARE(panel.Messages(),
           std::vector<std::string>{"NUMEDIT: There is something wrong !!\rMantisse: -\r"
                                    "Exponent: 5"});
  QCOMPARE(int(panel.a->Logic().ErrorKind()), 3);
  QCOMPARE(panel.a->Logic().RealValue(), 0.0);
  QVERIFY(panel.a->WatchActive());
  panel.b->setFocus();
  Ticks();
  QTRY_VERIFY(panel.a->hasFocus());
}

void TestNumberEdit::strayTabReleaseIsNotOurs() {
  Panel panel;
  Panel::Type(panel.a, "abc");
  const size_t before = panel.dialogs.Log.size();
  // The press went to another control, which moved the focus here.
  QTest::keyRelease(panel.a, Qt::Key_Tab);
  QTest::keyRelease(panel.a, Qt::Key_Return);
  QCOMPARE(panel.dialogs.Log.size(), before);
  QVERIFY(panel.a->hasFocus());
}

void TestNumberEdit::defaultHintBecomesToolTip() {
  Panel panel;
  QCOMPARE(panel.a->toolTip(), QString());
  panel.logicA.SetDefaultHint(true);
  QCOMPARE(panel.a->toolTip(), QString("-1E9 1E9"));
  panel.logicA.SetMax(5);
  QCOMPARE(panel.a->toolTip(), QString("-1E9 5"));
  // Switching it off leaves the hint as it was.
  panel.logicA.SetDefaultHint(false);
  QCOMPARE(panel.a->toolTip(), QString("-1E9 5"));
}

void TestNumberEdit::refreshShowsAssignments() {
  Panel panel;
  panel.logicA.SetRealValue(0.123456789);
  QCOMPARE(panel.a->text(), QString("0.12345679"));
  panel.logicA.SetRealValue(123456789);
  QCOMPARE(panel.a->text(), QString("1.2345679E8"));
  panel.logicA.SetText("abc");
  QCOMPARE(panel.a->text(), QString("abc"));
}

void TestNumberEdit::exitedOnFocusLeaving() {
  Panel panel;
  QSignalSpy exited(panel.b, &TNumberEdit::Exited);
  Panel::Type(panel.b, "2.5");
  QCOMPARE(exited.count(), 0);
  QTest::keyClick(panel.b, Qt::Key_Tab);
  QCOMPARE(exited.count(), 1);
  QCOMPARE(panel.b->Logic().RealValue(), 2.5);
}

void TestNumberEdit::contentIsLimitedToTheCheckBuffer() {
  Panel panel;
  Panel::Type(panel.a, QString(100, '1'));
  QCOMPARE(panel.a->text().size(), TNumberEdit::kMaxContentLength);
  QCOMPARE(panel.a->Logic().Text().size(), size_t(TNumberEdit::kMaxContentLength));
  QCOMPARE(int(panel.a->Logic().ErrorKind()), 2);
}

void TestNumberEdit::destroyedFieldReleasesSharedFlag() {
  RecordingDialogs dialogs;
  NumberLogic logic = NumberLogic::Designed(TNumberType::RealType, 0, 1, "0");
  QWidget window;
  auto* edit = new TNumberEdit(&logic, &dialogs, &window);
  window.show();
  QTest::keyClicks(edit, "9");
  QVERIFY(TNumberEdit::WatchRunning);
  delete edit;
  QVERIFY(!TNumberEdit::WatchRunning);
  QVERIFY(!logic.Changed);
}

void TestNumberEdit::secondFieldStartsNoTimerWhileAnotherRuns() {
  Panel panel;
  Panel::Type(panel.a, "x");
  QVERIFY(panel.a->WatchActive());
  // Field B is typed into while A's watch runs (the focus is forced there by hand).
  panel.b->setFocus();
  QTest::keyClicks(panel.b, "1");
  QVERIFY(!panel.b->WatchActive());
  Ticks();
  QTRY_VERIFY(panel.a->hasFocus());
}

void TestNumberEdit::enterDoesNotReachTheDialog() {
  RecordingDialogs dialogs;
  NumberLogic logic = NumberLogic::Designed(TNumberType::RealType, 0, 10, "0");
  QDialog window;
  auto* edit = new TNumberEdit(&logic, &dialogs, &window);
  auto* button = new QPushButton("OK", &window);
  button->setDefault(true);
  QSignalSpy clicked(button, &QPushButton::clicked);
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(edit);
  layout->addWidget(button);
  window.show();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Return);
  QCOMPARE(clicked.count(), 0);
  QVERIFY(button->hasFocus());
  delete edit;
}

QTEST_MAIN(TestNumberEdit)
#include "test_numberedit.moc"
