// The about box (texts, options, table length, links) and the technical-information window.
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>
#include <climits>

#include "analysis/modelstore.h"
#include "app/aboutbox.h"
#include "app/helpform.h"
#include "support/numtext.h"

using tarvelin::AcceptTableLength;
using tarvelin::TableLengthChange;
using tarvelin::TAboutBox;
using tarvelin::THelpForm;

// Stands in for the desktop: records the addresses handed to it.
class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> Urls;
 public slots:
  void Open(const QUrl& url) { Urls.append(url); }
};

Q_DECLARE_METATYPE(TableLengthChange)

class TestDialogs : public QObject {
  Q_OBJECT
 private slots:
  void aboutTexts_data();
  void aboutTexts();
  void aboutTextsFitTheirLabels();
  void aboutPlacementAndSize();
  void optionsRoundTrip_data();
  void optionsRoundTrip();
  void typedTableLength();
  void nonWholeTableLength_data();
  void nonWholeTableLength();
  void largestWholeNumber();
  void tableLengthRules_data();
  void tableLengthRules();
  void outOfRangeText();
  void links();
  void okCloses();
  void helpForm();

 private:
  QWidget main_;
};

void TestDialogs::aboutTexts_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("text");
  QTest::newRow("Label1") << "Label1"
                          << "TARVELIN ON HINGED BARS";
  QTest::newRow("Label2") << "Label2"
                          << "Discrete Element Method";
  QTest::newRow("VersionLabel") << "VersionLabel"
                                << "version 1.8.15";
  QTest::newRow("VersionDateLabel") << "VersionDateLabel"
                                    << ", 7 december 2016";
  QTest::newRow("Label8") << "Label8"
                          << "Maximum  table length :";
  QTest::newRow("Label6") << "Label6"
                          << "BATCH MODE RUNNING";
  QTest::newRow("Label3") << "Label3"
                          << "start option : -i <filename> -R <max nr of rows> -t";
  QTest::newRow("Label4") << "Label4"
                          << "for automatic processing";
  QTest::newRow("Label5") << "Label5"
                          << "Use -R option for systems with more than 100 nodes or bars";
  QTest::newRow("Label7") << "Label7"
                          << "Use -t option to show test output";
}

void TestDialogs::aboutTexts() {
  QFETCH(QString, name);
  QFETCH(QString, text);
  TAboutBox box(&main_);
  auto* label = box.findChild<QLabel*>(name);
  QVERIFY(label);
  QCOMPARE(label->text(), text);
  // Shown as written: "<filename>" is no tag, two blanks stay two.
  QCOMPARE(label->textFormat(), Qt::PlainText);
}

void TestDialogs::aboutTextsFitTheirLabels() {
  TAboutBox box(&main_);
  box.show();
  QVERIFY(QTest::qWaitForWindowExposed(&box));
  QCOMPARE(box.windowTitle(), QString("About"));
  QCOMPARE(box.CheckBox1()->text(), QString("Open last project used at startup"));
  QCOMPARE(box.CheckBox3()->text(), QString("Do not show intro panel"));
  QCOMPARE(box.CheckBox2()->text(), QString("Automatic update from internet"));
  QCOMPARE(box.Copyright()->toolTip(), QString("click to mail me"));
  QStringList items;
  for (int i = 0; i < box.ComboBox1()->count(); ++i) items << box.ComboBox1()->itemText(i);
  QCOMPARE(items,
           QStringList({"25", "50", "75", "100", "200", "400", "600", "800", "1000", "2000"}));
  QVERIFY(box.Label1()->font().bold() && box.Label1()->font().underline());
  QVERIFY(box.Copyright()->font().bold() && box.Copyright()->font().underline());
  QVERIFY(box.OKButton()->font().bold());
  // Nothing clipped with the fonts this desktop has.
  for (QWidget* widget : box.findChildren<QWidget*>()) {
    if (!widget->isVisible() || qobject_cast<QComboBox*>(widget->parentWidget())) continue;
    if (qobject_cast<QLabel*>(widget) || qobject_cast<QCheckBox*>(widget)) {
      QVERIFY2(widget->width() >= widget->sizeHint().width(), qPrintable(widget->objectName()));
      QVERIFY2(box.rect().contains(QRect(widget->mapTo(&box, QPoint(0, 0)), widget->size())),
               qPrintable(widget->objectName()));
    }
  }
}

void TestDialogs::aboutPlacementAndSize() {
  main_.move(100, 80);
  TAboutBox box(&main_);
  QCOMPARE(box.pos(), QPoint(235, 125));
  QVERIFY(box.width() >= 299 && box.height() >= 316);
  QCOMPARE(box.minimumSize(), box.maximumSize());
}

void TestDialogs::optionsRoundTrip_data() {
  QTest::addColumn<bool>("openLast");
  QTest::addColumn<bool>("autoUpdate");
  QTest::addColumn<int>("gridLength");
  QTest::addColumn<bool>("noIntro");
  QTest::addColumn<QString>("shown");
  QTest::newRow("defaults") << false << true << 101 << false << "100";
  QTest::newRow("all on") << true << true << 2001 << true << "2000";
  QTest::newRow("all off") << false << false << 21 << false << "20";
  QTest::newRow("large") << true << false << 100001 << true << "100000";
}

void TestDialogs::optionsRoundTrip() {
  QFETCH(bool, openLast);
  QFETCH(bool, autoUpdate);
  QFETCH(int, gridLength);
  QFETCH(bool, noIntro);
  QFETCH(QString, shown);
  TAboutBox box(&main_);
  box.PutOptions(openLast, autoUpdate, gridLength, noIntro);
  QCOMPARE(box.ComboBox1()->currentText(), shown);
  QCOMPARE(box.CheckBox1()->isChecked(), openLast);
  QCOMPARE(box.CheckBox2()->isChecked(), autoUpdate);
  QCOMPARE(box.CheckBox3()->isChecked(), noIntro);
  bool o = !openLast, a = !autoUpdate, n = !noIntro;
  int length = -1;
  box.GetOptions(o, a, n, length);
  QCOMPARE(o, openLast);
  QCOMPARE(a, autoUpdate);
  QCOMPARE(n, noIntro);
  QCOMPARE(length, gridLength);
  QCOMPARE(AcceptTableLength(length, gridLength), TableLengthChange::Unchanged);
}

void TestDialogs::typedTableLength() {
  TAboutBox box(&main_);
  box.PutOptions(false, true, 101, false);
  box.show();
  QVERIFY(QTest::qWaitForWindowExposed(&box));
  box.ComboBox1()->lineEdit()->selectAll();
  QTest::keyClicks(box.ComboBox1()->lineEdit(), "20");
  bool o, a, n;
  int length = 0;
  box.GetOptions(o, a, n, length);
  // Taken as typed: no completion to the item "200".
  QCOMPARE(box.ComboBox1()->currentText(), QStringLiteral("20"));
  QCOMPARE(length, 21);
  // Nor "2" to "25".
  box.ComboBox1()->lineEdit()->selectAll();
  QTest::keyClicks(box.ComboBox1()->lineEdit(), "2");
  QCOMPARE(box.ComboBox1()->currentText(), QStringLiteral("2"));
  box.ComboBox1()->lineEdit()->selectAll();
  QTest::keyClicks(box.ComboBox1()->lineEdit(), "20");
  QCOMPARE(AcceptTableLength(length, 101), TableLengthChange::Accepted);
  // Picking an item from the list.
  box.ComboBox1()->setCurrentIndex(0);
  box.GetOptions(o, a, n, length);
  QCOMPARE(length, 26);
}

void TestDialogs::nonWholeTableLength_data() {
  QTest::addColumn<QString>("text");
  QTest::newRow("decimal") << "25.5";
  QTest::newRow("letters") << "abc";
  QTest::newRow("empty") << "";
  QTest::newRow("blank after") << "25 ";
  QTest::newRow("too big for a whole number") << "99999999999";
}

void TestDialogs::nonWholeTableLength() {
  QFETCH(QString, text);
  TAboutBox box(&main_);
  box.PutOptions(false, false, 101, false);
  box.CheckBox1()->setChecked(true);
  box.CheckBox2()->setChecked(true);
  box.CheckBox3()->setChecked(true);
  box.ComboBox1()->setEditText(text);
  bool o = false, a = false, n = false;
  int length = 101;
  try {
    box.GetOptions(o, a, n, length);
    QFAIL("no error for a text that is not a whole number");
  } catch (const tarvelin::UserError& error) {
    QCOMPARE(QString(error.what()), "'" + text + "' is not a valid integer value");
  }
  // The flags were taken over before the conversion failed; the length was not touched.
  QVERIFY(o && a && n);
  QCOMPARE(length, 101);
}

void TestDialogs::largestWholeNumber() {
  TAboutBox box(&main_);
  box.ComboBox1()->setEditText("2147483647");
  bool o, a, n;
  int length = 0;
  box.GetOptions(o, a, n, length);
  QCOMPARE(length, INT_MAX);
  QCOMPARE(AcceptTableLength(length, 101), TableLengthChange::OutOfRange);
}

void TestDialogs::tableLengthRules_data() {
  QTest::addColumn<int>("newLength");
  QTest::addColumn<int>("current");
  QTest::addColumn<TableLengthChange>("change");
  QTest::newRow("same") << 101 << 101 << TableLengthChange::Unchanged;
  QTest::newRow("25 rows") << 26 << 101 << TableLengthChange::Accepted;
  QTest::newRow("20 rows, the least") << 21 << 101 << TableLengthChange::Accepted;
  QTest::newRow("19 rows") << 20 << 101 << TableLengthChange::Unchanged;
  QTest::newRow("zero rows") << 1 << 101 << TableLengthChange::Unchanged;
  QTest::newRow("negative") << -4 << 101 << TableLengthChange::Unchanged;
  QTest::newRow("largest") << tarvelin::kMaxGridLength << 101 << TableLengthChange::Accepted;
  QTest::newRow("one beyond") << tarvelin::kMaxGridLength + 1 << 101
                              << TableLengthChange::OutOfRange;
  QTest::newRow("grow") << 2001 << 26 << TableLengthChange::Accepted;
}

void TestDialogs::tableLengthRules() {
  QFETCH(int, newLength);
  QFETCH(int, current);
  QFETCH(TableLengthChange, change);
  QCOMPARE(AcceptTableLength(newLength, current), change);
}

void TestDialogs::outOfRangeText() {
  QCOMPARE(tarvelin::TableLengthOutOfRangeText(2000001, 101),
           std::string("The table length 2000000 lies outside the range 20 to 1000000; the "
                       "table length stays 100."));
}

void TestDialogs::links() {
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler("http", &recorder, "Open");
  QDesktopServices::setUrlHandler("mailto", &recorder, "Open");
  TAboutBox box(&main_);
  box.show();
  QVERIFY(QTest::qWaitForWindowExposed(&box));
  QTest::mouseClick(box.Label1(), Qt::LeftButton);
  QTest::mouseClick(box.Copyright(), Qt::LeftButton);
  QTest::mouseClick(box.Copyright(), Qt::RightButton);  // only the left button is a click
  QDesktopServices::unsetUrlHandler("http");
  QDesktopServices::unsetUrlHandler("mailto");

  QCOMPARE(recorder.Urls.size(), 2);
  const QUrl web = recorder.Urls[0];
  QCOMPARE(web.scheme(), QString("http"));
  QCOMPARE(web.path(), QString("/ORVIK/software/tarvelin/"));
  QVERIFY(!web.host().isEmpty());
  const QUrl mail = recorder.Urls[1];
  QCOMPARE(mail.scheme(), QString("mailto"));
  QVERIFY(mail.path().contains('@'));
  const QUrlQuery query(mail);
  QCOMPARE(query.queryItemValue("subject", QUrl::FullyDecoded), QString("info about Tarvelin"));
  QCOMPARE(query.queryItemValue("body", QUrl::FullyDecoded), QString("Dear Sir,"));
}

void TestDialogs::okCloses() {
  TAboutBox box(&main_);
  box.show();
  QVERIFY(QTest::qWaitForWindowExposed(&box));
  QTest::mouseClick(box.OKButton(), Qt::LeftButton);
  QVERIFY(!box.isVisible());
  QCOMPARE(box.result(), int(QDialog::Accepted));
}

void TestDialogs::helpForm() {
  THelpForm form(&main_);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(form.windowTitle(), QString("Technical information"));
  QCOMPARE(form.size(), QSize(795, 561));
  QCOMPARE(form.Image1()->geometry(), QRect(0, 0, 795, 561));
  QVERIFY(!form.Image1()->pixmap().isNull());
  QCOMPARE(form.BitBtn1()->geometry(), QRect(717, 532, 75, 25));
  QCOMPARE(form.BitBtn1()->text(), QString("Close"));
  // The button lies over the picture and takes the click.
  QCOMPARE(form.childAt(750, 545), form.BitBtn1());
  QTest::mouseClick(form.BitBtn1(), Qt::LeftButton);
  QVERIFY(!form.isVisible());
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
