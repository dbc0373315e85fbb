// Tests of the three pages worked as a user would: cells, right-click erase, the page-change
// check, the E and A fields feeding the type-0 row, the option pairs, and the results.
#include <QAbstractButton>
#include <QAbstractItemDelegate>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <memory>

#include "analysis/modelstore.h"
#include "analysis/stiffness.h"
#include "app/gridmodel.h"
#include "app/pages.h"
#include "support/widgets/numberedit.h"
#include "tests/common/recording_dialogs.h"

using tarvelin::MainPages;
using tarvelin::ModelStore;
using tarvelin::TextGrid;
using tarvelin::TNumberEdit;
using tarvelin::test::RecordingDialogs;

namespace {

constexpr int kBlock = 0;
constexpr int kBars = 1;
constexpr int kResults = 2;

const char* const kGeometryError = "error in (geometry) input fields";

}  // namespace

class TestPages : public QObject {
  Q_OBJECT

 private:
  template <class T>
  T* Find(const char* name) const {
    T* w = pages_->findChild<T*>(QString::fromLatin1(name));
    if (w == nullptr) qFatal("no widget %s", name);
    return w;
  }

  void ClickTab(int index) {
    QTabBar* bar = pages_->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
  }

  void ShowPage(int index) {
    store_->ActivePage = index;
    pages_->RefreshAll();
    QCOMPARE(pages_->currentIndex(), index);
  }

  // Opens the cell editor on (col, gridRow) of a table and returns it.
  QLineEdit* OpenEditor(QTableView* view, int col, int gridRow) {
    const QModelIndex index = view->model()->index(gridRow - 1, col);
    view->setCurrentIndex(index);
    view->setFocus();
    view->edit(index);
    return qobject_cast<QLineEdit*>(view->indexWidget(index));
  }

  // The one-bar model: block node 1 at (1, 0, 0), support node 2 at (3, 0, 0), E·A = 2, so
  // k = 1 and Fx = 5 moves the block 5 m and pushes the bar with 5 kN.
  void FillOneBarModel() {
    store_->CoordGrid.SetCell(1, 1, "1");
    store_->CoordGrid.SetCell(2, 1, "0");
    store_->CoordGrid.SetCell(3, 1, "0");
    store_->CoordGrid.SetCell(1, 2, "3");
    store_->CoordGrid.SetCell(2, 2, "0");
    store_->CoordGrid.SetCell(3, 2, "0");
    store_->EleGrid.SetCell(1, 1, "1");
    store_->EleGrid.SetCell(2, 1, "2");
    store_->PropGrid.SetCell(1, 1, "1000");
    store_->PropGrid.SetCell(2, 1, "0.002");
    store_->NumberEdit(4).SetRealValue(5);
  }

 private slots:
  void init() {
    TNumberEdit::WatchRunning = false;
    store_ = std::make_unique<ModelStore>();
    tarvelin::InitTables(*store_);
    dialogs_ = std::make_unique<RecordingDialogs>();
    pages_ = std::make_unique<MainPages>(store_.get(), dialogs_.get());
    pages_->show();
    pages_->activateWindow();  // no window manager under Xvfb does it for us
    QVERIFY(QTest::qWaitForWindowActive(pages_.get()));
  }

  void cleanup() {
    pages_.reset();
    dialogs_.reset();
    store_.reset();
  }

  void pagesAndNames() {
    QCOMPARE(pages_->count(), 3);
    QCOMPARE(pages_->tabText(kBlock), QStringLiteral("Block"));
    QCOMPARE(pages_->tabText(kBars), QStringLiteral("Hinged bars"));
    QCOMPARE(pages_->tabText(kResults), QStringLiteral("Results"));
    const char* const fieldNames[] = {"Fx", "Fy", "Fz", "Tx", "Ty",   "Tz",   "E",
                                      "A",  "ux", "uy", "uz", "phix", "phiy", "phiz"};
    for (int n = 4; n <= 17; ++n) {
      QVERIFY(pages_->NumberEdit(n) != nullptr);
      QCOMPARE(pages_->NumberEdit(n)->accessibleName(), QString::fromLatin1(fieldNames[n - 4]));
      QCOMPARE(&pages_->NumberEdit(n)->Logic(), &store_->NumberEdit(n));
    }
    QCOMPARE(pages_->NumberEdit(3), nullptr);
    QCOMPARE(pages_->NumberEdit(18), nullptr);
    // The displacement fields only show values.
    QVERIFY(!pages_->NumberEdit(12)->isEnabled());
    QVERIFY(pages_->NumberEdit(10)->isEnabled());

    const std::pair<QTableView*, const char*> tables[] = {
        {pages_->CoordGrid(), "coordinates, use . for digital input"},
        {pages_->EleGrid(), "From block node [int] to supported node [int]"},
        {pages_->PropGrid(), "Bar properties, default type=0"},
        {pages_->StringGrid3(), "normal force, if sign incorrect, change nodal order"}};
    for (const auto& [view, hint] : tables) {
      QCOMPARE(view->toolTip(), QString::fromLatin1(hint));
      QCOMPARE(view->accessibleName(), QString::fromLatin1(hint));
    }
    const std::pair<const char*, const char*> boxes[] = {{"CheckBox2", "disregard unused dof's"},
                                                         {"CheckBox4", "show numbering"},
                                                         {"CheckBox5", "show xyz-axis"},
                                                         {"CheckBox6", "show numbering"},
                                                         {"CheckBox7", "show xyz-axis"}};
    for (const auto& [name, caption] : boxes) {
      QCOMPARE(Find<QCheckBox>(name)->text(), QString::fromLatin1(caption));
      QCOMPARE(Find<QCheckBox>(name)->accessibleName(), QString::fromLatin1(caption));
    }
    QCOMPARE(pages_->BitBtn2()->accessibleName(), QStringLiteral("Calculate"));
    for (const char* name : {"Button2", "Button3"}) {
      QCOMPARE(Find<QPushButton>(name)->accessibleName(), QStringLiteral("Show"));
      QCOMPARE(Find<QPushButton>(name)->toolTip(),
               QStringLiteral("view model with VRML plug in in your web browser"));
    }
    QCOMPARE(Find<QGroupBox>("GroupBox1")->title(), QStringLiteral("Show 3D-VRML model"));
    QCOMPARE(Find<QGroupBox>("GroupBox5")->title(), QStringLiteral("Show 3D-VRML model"));
    QCOMPARE(Find<QGroupBox>("GroupBox2")->title(), QStringLiteral("Loading at the mass centre"));
    QCOMPARE(Find<QGroupBox>("GroupBox3")->title(),
             QStringLiteral("Default bar properties (type=0)"));
    QCOMPARE(Find<QLabel>("Label38")->text(), QStringLiteral("System Stiffness Matrix :"));
    QCOMPARE(pages_->Memo1()->toolTip(), QStringLiteral("Select, Ctrl+C to copy to clipboard"));
    QVERIFY(pages_->Memo1()->isReadOnly());
    // The report's columns line up: the characters it uses are equally wide.
    const QFontMetrics memoFm(pages_->Memo1()->font());
    for (QChar c : QStringLiteral("-.1NOTE:"))
      QCOMPARE(memoFm.horizontalAdvance(c), memoFm.horizontalAdvance(QLatin1Char(' ')));
    // Start: numbering off, axes on; results hidden.
    QVERIFY(!pages_->ShowNumbering());
    QVERIFY(pages_->ShowAxes());
    QVERIFY(Find<QGroupBox>("GroupBox4")->isHidden());
    QVERIFY(pages_->StringGrid3()->isHidden());
    QVERIFY(pages_->Memo1()->isHidden());
    QCOMPARE(Find<QLabel>("PathNameLabel")->text(), QStringLiteral("path="));
    QCOMPARE(Find<QLabel>("FileNameLabel")->text(), QStringLiteral("file="));
  }

  void typingIntoCells_data() {
    QTest::addColumn<int>("table");  // 0 CoordGrid, 1 EleGrid, 2 PropGrid
    QTest::addColumn<int>("gridRow");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("node") << 0 << 1 << "1.5"
                          << "-2";
    QTest::newRow("bar") << 1 << 3 << "12"
                         << "7";
    QTest::newRow("type 1") << 2 << 2 << "210000"
                            << "0.01";
  }
  void typingIntoCells() {
    QFETCH(int, table);
    QFETCH(int, gridRow);
    QFETCH(QString, first);
    QFETCH(QString, second);
    ShowPage(kBars);
    QTableView* views[] = {pages_->CoordGrid(), pages_->EleGrid(), pages_->PropGrid()};
    TextGrid* grids[] = {&store_->CoordGrid, &store_->EleGrid, &store_->PropGrid};
    QLineEdit* editor = OpenEditor(views[table], 1, gridRow);
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, first);
    QTest::keyClick(editor, Qt::Key_Tab);  // commits and opens the next cell of the row
    QCOMPARE(QString::fromStdString(std::string(grids[table]->Cell(1, gridRow))), first);
    editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, second);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // Enter commits through a queued call
    QCOMPARE(QString::fromStdString(std::string(grids[table]->Cell(2, gridRow))), second);
    // Nothing else moved.
    QCOMPARE(grids[table]->Cell(1, gridRow + 1), std::string());
    QCOMPARE(grids[table]->Cell(0, 0),
             views[table]->model()->headerData(0, Qt::Horizontal).toString().toStdString());
  }

  void fixedAndReadOnlyCells() {
    store_->PropGrid.SetCell(1, 1, "1000");
    store_->StringGrid3.SetCell(1, 1, "-5.0000");
    store_->StringGrid3Visible = true;
    pages_->RefreshAll();

    ShowPage(kBars);
    QTableView* prop = pages_->PropGrid();
    QTest::ignoreMessage(QtWarningMsg, "edit: editing failed");
    QVERIFY(OpenEditor(prop, 1, 1) == nullptr);
    QVERIFY(!qobject_cast<tarvelin::GridView*>(prop)->IsEditing());
    QVERIFY(!prop->model()->setData(prop->model()->index(0, 1), QStringLiteral("7")));
    QCOMPARE(store_->PropGrid.Cell(1, 1), std::string("1000"));
    // Row labels are not typed into either.
    QTest::ignoreMessage(QtWarningMsg, "edit: editing failed");
    QVERIFY(OpenEditor(pages_->CoordGrid(), 0, 4) == nullptr);

    ShowPage(kResults);
    QTableView* forces = pages_->StringGrid3();
    QTest::ignoreMessage(QtWarningMsg, "edit: editing failed");
    QVERIFY(OpenEditor(forces, 1, 1) == nullptr);
    forces->setFocus();
    QTest::keyClicks(forces, "99");
    QCOMPARE(store_->StringGrid3.Cell(1, 1), std::string("-5.0000"));
    QVERIFY(!forces->model()->setData(forces->model()->index(0, 1), QStringLiteral("1")));
    QCOMPARE(forces->model()->index(0, 1).data().toString(), QStringLiteral("-5.0000"));
  }

  void rightClickErase_data() {
    QTest::addColumn<int>("table");  // 0 CoordGrid, 1 EleGrid, 2 PropGrid
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("nodesErased");
    QTest::addColumn<bool>("barsErased");
    QTest::newRow("nodes, Yes") << 0 << true << "Erase nodal data ?" << true << false;
    QTest::newRow("nodes, No") << 0 << false << "Erase nodal data ?" << false << false;
    QTest::newRow("bars, Yes") << 1 << true << "Erase bar data ?" << false << true;
    QTest::newRow("bars, No") << 1 << false << "Erase bar data ?" << false << false;
    // A right click on the bar types erases the bars, never the types.
    QTest::newRow("types, Yes") << 2 << true << "Erase bar data ?" << false << true;
    QTest::newRow("types, No") << 2 << false << "Erase bar data ?" << false << false;
  }
  void rightClickErase() {
    QFETCH(int, table);
    QFETCH(bool, answer);
    QFETCH(QString, question);
    QFETCH(bool, nodesErased);
    QFETCH(bool, barsErased);
    FillOneBarModel();
    store_->PropGrid.SetCell(1, 2, "5000");
    store_->EleGrid.SetCell(3, 1, "1");
    pages_->RefreshAll();
    ShowPage(kBars);
    QTableView* views[] = {pages_->CoordGrid(), pages_->EleGrid(), pages_->PropGrid()};
    QTableView* view = views[table];

    // A left click never asks.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(1, 1)).center());
    QVERIFY(dialogs_->Log.empty());

    dialogs_->Answers = {answer};
    QTest::mouseClick(view->viewport(), Qt::RightButton, {},
                      view->visualRect(view->model()->index(1, 1)).center());
    QCOMPARE(dialogs_->Texts("question"), std::vector<std::string>{question.toStdString()});

    QCOMPARE(store_->CoordGrid.Cell(1, 2), nodesErased ? std::string() : std::string("3"));
    QCOMPARE(store_->CoordGrid.Cell(3, 1), nodesErased ? std::string() : std::string("0"));
    QCOMPARE(store_->EleGrid.Cell(2, 1), barsErased ? std::string() : std::string("2"));
    QCOMPARE(store_->EleGrid.Cell(3, 1), barsErased ? std::string() : std::string("1"));
    // Labels, headers and the bar types always stay.
    QCOMPARE(store_->CoordGrid.Cell(0, 2), std::string("2"));
    QCOMPARE(store_->EleGrid.Cell(1, 0), std::string("begin node"));
    QCOMPARE(store_->PropGrid.Cell(1, 1), std::string("1000"));
    QCOMPARE(store_->PropGrid.Cell(1, 2), std::string("5000"));
    // The view shows what the store holds.
    QCOMPARE(pages_->CoordGrid()->model()->index(1, 1).data().toString().toStdString(),
             store_->CoordGrid.Cell(1, 2));
    QCOMPARE(pages_->EleGrid()->model()->index(0, 2).data().toString().toStdString(),
             store_->EleGrid.Cell(2, 1));
  }

  void eraseCommitsOpenEditorFirst() {
    ShowPage(kBars);
    QLineEdit* editor = OpenEditor(pages_->CoordGrid(), 2, 5);
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, "8");
    dialogs_->Answers = {true};
    QTest::mouseClick(pages_->CoordGrid()->viewport(), Qt::RightButton, {}, QPoint(60, 30));
    // The typed text reached the store before the erase, so the erase removed it and no
    // stale editor writes it back later.
    QCOMPARE(store_->CoordGrid.Cell(2, 5), std::string());
    QVERIFY(!qobject_cast<tarvelin::GridView*>(pages_->CoordGrid())->IsEditing());
    QCoreApplication::processEvents();
    QCOMPARE(store_->CoordGrid.Cell(2, 5), std::string());
  }

  void pageChangeChecked_data() {
    QTest::addColumn<QString>("bad");
    QTest::addColumn<QString>("message");
    QTest::newRow("not a number") << "abc" << kGeometryError;
    QTest::newRow("sign inside") << "1E-5" << kGeometryError;
    // Passes the character test, then fails the conversion: reported, page kept.
    QTest::newRow("two points") << "1.2.3"
                                << "'1.2.3' is not a valid floating point value\nNode 3: Y holds "
                                   "no valid number (node table, row 3, column \"Y [m]\").";
  }
  void pageChangeChecked() {
    QFETCH(QString, bad);
    QFETCH(QString, message);
    store_->CoordGrid.SetCell(1, 1, "1,5");
    store_->CoordGrid.SetCell(2, 3, bad.toStdString());
    store_->EleGrid.SetCell(1, 1, "1");
    store_->EleGrid.SetCell(2, 1, "2");
    pages_->RefreshAll();
    QCOMPARE(pages_->currentIndex(), kBlock);

    // Leaving "Block" is refused although "Block" itself was not edited.
    ClickTab(kBars);
    QCOMPARE(dialogs_->Texts("error"), std::vector<std::string>{message.toStdString()});
    QCOMPARE(pages_->currentIndex(), kBlock);
    QCOMPARE(store_->ActivePage, kBlock);
    QCOMPARE(store_->CoordGrid.Cell(2, 3), bad.toStdString());

    // By keyboard too: the tab bar's arrow keys and Ctrl+Tab.
    pages_->tabBar()->setFocus();
    QTest::keyClick(pages_->tabBar(), Qt::Key_Right);
    QCOMPARE(pages_->currentIndex(), kBlock);
    QTest::keyClick(pages_.get(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(pages_->currentIndex(), kBlock);
    QCOMPARE(dialogs_->Texts("error").size(), size_t(3));

    // Mended: the change goes through, and the tables show the cleaned cells.
    store_->CoordGrid.SetCell(2, 3, "2");
    ClickTab(kBars);
    QCOMPARE(dialogs_->Texts("error").size(), size_t(3));
    QCOMPARE(pages_->currentIndex(), kBars);
    QCOMPARE(store_->ActivePage, kBars);
    QCOMPARE(store_->CoordGrid.Cell(1, 1), std::string("1.500"));
    QCOMPARE(pages_->CoordGrid()->model()->index(0, 1).data().toString(), QStringLiteral("1.500"));
    QCOMPARE(pages_->CoordGrid()->model()->index(2, 2).data().toString(), QStringLiteral("2.000"));
    QCOMPARE(pages_->EleGrid()->model()->index(0, 3).data().toString(), QStringLiteral("0"));

    // A key goes on to the next page once the tables pass.
    pages_->tabBar()->setFocus();
    QTest::keyClick(pages_->tabBar(), Qt::Key_Right);
    QCOMPARE(pages_->currentIndex(), kResults);
    QCOMPARE(store_->ActivePage, kResults);
    QCOMPARE(dialogs_->Texts("error").size(), size_t(3));
  }

  void pageChangeSeesOpenEditor() {
    ShowPage(kBars);
    QLineEdit* editor = OpenEditor(pages_->CoordGrid(), 1, 2);
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, "abc");
    ClickTab(kResults);
    QCOMPARE(dialogs_->Texts("error"), std::vector<std::string>{kGeometryError});
    QCOMPARE(pages_->currentIndex(), kBars);
    QCOMPARE(store_->CoordGrid.Cell(1, 2), std::string("abc"));

    QLineEdit* again = OpenEditor(pages_->CoordGrid(), 1, 2);
    QVERIFY(again != nullptr);
    again->selectAll();
    QTest::keyClicks(again, "4");
    ClickTab(kResults);
    QCOMPARE(dialogs_->Texts("error").size(), size_t(1));
    QCOMPARE(pages_->currentIndex(), kResults);
    QCOMPARE(store_->CoordGrid.Cell(1, 2), std::string("4.000"));
  }

  void corePageSwitchNotChecked() {
    // After a failed calculation the core shows "Hinged bars" with the bad cell on it.
    store_->CoordGrid.SetCell(1, 1, "abc");
    store_->ActivePage = kBars;
    pages_->RefreshAll();
    QCOMPARE(pages_->currentIndex(), kBars);
    QVERIFY(dialogs_->Log.empty());
    QCOMPARE(store_->CoordGrid.Cell(1, 1), std::string("abc"));
  }

  void typeZeroRowFollowsDefaultFields_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("cell");
    QTest::newRow("E") << 10 << "2.5" << 1 << "2.5";
    QTest::newRow("E exponent") << 10 << "2.1e5" << 1 << "210000";
    QTest::newRow("A") << 11 << "0.002" << 2 << "0.002";
  }
  void typeZeroRowFollowsDefaultFields() {
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(int, col);
    QFETCH(QString, cell);
    TNumberEdit* edit = pages_->NumberEdit(field);
    edit->setFocus();
    QVERIFY(edit->hasFocus());
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    QCOMPARE(store_->NumberEdit(field).Text(), typed.toStdString());
    QCOMPARE(store_->PropGrid.Cell(col, 1), std::string());
    // Leaving the field writes the type-0 row.
    pages_->NumberEdit(field == 10 ? 11 : 10)->setFocus();
    QCOMPARE(QString::fromStdString(std::string(store_->PropGrid.Cell(col, 1))), cell);
    QCOMPARE(pages_->PropGrid()->model()->index(0, col).data().toString(), cell);
  }

  void optionPairsMoveTogether() {
    ShowPage(kBars);
    auto* box4 = Find<QCheckBox>("CheckBox4");
    auto* box5 = Find<QCheckBox>("CheckBox5");
    auto* box6 = Find<QCheckBox>("CheckBox6");
    auto* box7 = Find<QCheckBox>("CheckBox7");
    QSignalSpy spy4(box4, &QCheckBox::toggled);
    QSignalSpy spy6(box6, &QCheckBox::toggled);
    QTest::mouseClick(box4, Qt::LeftButton, {}, box4->rect().center());
    QVERIFY(box4->isChecked());
    QVERIFY(box6->isChecked());
    QVERIFY(pages_->ShowNumbering());
    QCOMPARE(spy4.count(), 1);  // no echo back from the partner
    QCOMPARE(spy6.count(), 1);

    ShowPage(kResults);
    QTest::mouseClick(box7, Qt::LeftButton, {}, box7->rect().center());
    QVERIFY(!box7->isChecked());
    QVERIFY(!box5->isChecked());
    QVERIFY(!pages_->ShowAxes());
    QTest::mouseClick(box6, Qt::LeftButton, {}, box6->rect().center());
    QVERIFY(!box4->isChecked());
    QVERIFY(!pages_->ShowNumbering());
    QCOMPARE(spy4.count(), 2);
  }

  void checkBox2FollowsStore() {
    ShowPage(kResults);
    QCheckBox* box = pages_->CheckBox2();
    QVERIFY(box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    QVERIFY(!store_->CheckBox2);
    store_->CheckBox2 = true;
    pages_->RefreshAll();
    QVERIFY(box->isChecked());
  }

  void buttonsAndHelp() {
    QSignalSpy calculate(pages_.get(), &MainPages::CalculateRequested);
    QSignalSpy show(pages_.get(), &MainPages::ShowVrmlRequested);
    QSignalSpy help(pages_.get(), &MainPages::HelpRequested);

    auto* panel = Find<QWidget>("Panel1");
    QTest::mouseDClick(panel, Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(help.count(), 1);
    // On one of its lines as well.
    auto* line = Find<QLabel>("Label3");
    QTest::mouseDClick(panel, Qt::LeftButton, {}, line->geometry().center());
    QCOMPARE(help.count(), 2);

    // Calculate first commits what is being typed in a cell.
    ShowPage(kBars);
    QLineEdit* editor = OpenEditor(pages_->EleGrid(), 1, 1);
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, "3");
    std::string seen;
    connect(pages_.get(), &MainPages::CalculateRequested, this,
            [&] { seen = store_->EleGrid.Cell(1, 1); });
    QTest::mouseClick(Find<QPushButton>("Button2"), Qt::LeftButton);
    QCOMPARE(show.count(), 1);
    ShowPage(kResults);
    QTest::mouseClick(pages_->BitBtn2(), Qt::LeftButton);
    QCOMPARE(calculate.count(), 1);
    QCOMPARE(seen, std::string("3"));
    QTest::mouseClick(Find<QPushButton>("Button3"), Qt::LeftButton);
    QCOMPARE(show.count(), 2);
  }

  void resultsAfterCalculation() {
    FillOneBarModel();
    pages_->RefreshAll();
    QVERIFY(tarvelin::CalculateModel(*store_, *dialogs_));
    QVERIFY(dialogs_->Log.empty());
    ShowPage(kResults);  // RefreshAll also shows the results
    QWidget* page = pages_->widget(kResults);
    QVERIFY(Find<QGroupBox>("GroupBox4")->isVisibleTo(page));
    QVERIFY(pages_->StringGrid3()->isVisibleTo(page));
    QVERIFY(Find<QLabel>("Label38")->isVisibleTo(page));
    QVERIFY(pages_->Memo1()->isVisibleTo(page));
    QCOMPARE(pages_->NumberEdit(12)->text(), QStringLiteral("5"));
    QCOMPARE(pages_->NumberEdit(13)->text(), QStringLiteral("0"));
    QCOMPARE(pages_->StringGrid3()->model()->index(0, 1).data().toString(),
             QStringLiteral("-5.0000"));
    QCOMPARE(Find<QLabel>("Label23")->text(), QStringLiteral("2 nodes"));
    QCOMPARE(Find<QLabel>("Label24")->text(), QStringLiteral("1 bars"));
    const QStringList lines = pages_->Memo1()->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 8);
    QVERIFY(lines[0].startsWith(QStringLiteral(" 1.00")));
    QCOMPARE(lines[7], QStringLiteral("NOTE: All numbers times 1"));
    // The whole report is in view: no scrolling needed.
    QCoreApplication::processEvents();
    QCOMPARE(pages_->Memo1()->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(pages_->Memo1()->verticalScrollBar()->maximum(), 0);
    // Also with the longest scale the general format writes.
    store_->Memo1.back() = "NOTE: All numbers times 1.23456789012345E-15";
    pages_->RefreshAll();
    QCoreApplication::processEvents();
    QCOMPARE(pages_->Memo1()->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(pages_->Memo1()->verticalScrollBar()->maximum(), 0);

    // A new model hides them again.
    tarvelin::ResetModelView(*store_);
    pages_->RefreshAll();
    QVERIFY(!pages_->StringGrid3()->isVisibleTo(page));
    QVERIFY(!pages_->Memo1()->isVisibleTo(page));
  }

  void tableLengthChange() {
    const int width = pages_->CoordGrid()->width();
    store_->CoordGrid.SetCell(1, 20, "1");
    pages_->RefreshAll();
    store_->ResizeTables(21);
    tarvelin::InitTables(*store_);
    pages_->RefreshAll();
    QCOMPARE(pages_->CoordGrid()->model()->rowCount(), 20);
    QCOMPARE(pages_->PropGrid()->model()->rowCount(), 21);
    QCOMPARE(pages_->CoordGrid()->model()->index(19, 1).data().toString(), QStringLiteral("1"));
    store_->ResizeTables(100001);
    tarvelin::InitTables(*store_);
    pages_->RefreshAll();
    QCOMPARE(pages_->StringGrid3()->model()->rowCount(), 100000);
    // The widest row label still fits its column, and the table kept its width.
    const QTableView* view = pages_->CoordGrid();
    QVERIFY(view->fontMetrics().horizontalAdvance(QStringLiteral("100000")) < view->columnWidth(0));
    QCOMPARE(view->width(), width);
  }

  void headersFitWhenTablesHeadedLater() {
    // The program builds the pages first and heads the tables in its deferred start-up.
    ModelStore store;
    RecordingDialogs dialogs;
    MainPages pages(&store, &dialogs);
    pages.show();
    const QTableView* views[] = {pages.CoordGrid(), pages.EleGrid(), pages.PropGrid(),
                                 pages.StringGrid3()};
    int widths[4];
    for (int i = 0; i < 4; ++i) widths[i] = views[i]->width();
    tarvelin::InitTables(store);
    pages.RefreshAll();
    // The window takes its size once: the tables keep their widths.
    for (int i = 0; i < 4; ++i) QCOMPARE(views[i]->width(), widths[i]);
    for (QTableView* view :
         {pages.CoordGrid(), pages.EleGrid(), pages.PropGrid(), pages.StringGrid3()}) {
      QVERIFY(view->model()->columnCount() > 1);
      for (int c = 0; c < view->model()->columnCount(); ++c) {
        const QString head = view->model()->headerData(c, Qt::Horizontal).toString();
        QVERIFY(!head.isEmpty());
        QVERIFY2(
            view->horizontalHeader()->fontMetrics().horizontalAdvance(head) < view->columnWidth(c),
            qPrintable(view->objectName() + QStringLiteral(": ") + head));
      }
    }
  }

  // Nothing is cut off with the desktop fonts: every caption fits its control, every header
  // its column, every table its columns, and the fields show their longest numbers.
  // With TARVELIN_SCREENSHOT_DIR set, each page is also saved there as a picture.
  // The results page shows the record: per-bar quantities beside the forces, the equilibrium
  // check beside the report, the warnings under the results; a failed run shows none of them.
  void resultsPageShowsTheRecord() {
    FillOneBarModel();
    store_->NumberEdit(5).SetRealValue(10);  // Fy: no bar restrains uy
    pages_->RefreshAll();
    QVERIFY(tarvelin::CalculateModel(*store_, *dialogs_));
    pages_->RefreshAll();
    ShowPage(2);
    QAbstractItemModel* forces = pages_->StringGrid3()->model();
    QCOMPARE(forces->columnCount(), 6);
    QCOMPARE(forces->headerData(4, Qt::Horizontal).toString(), QStringLiteral("elongation [m]"));
    const QStringList row = {
        forces->index(0, 1).data().toString(), forces->index(0, 2).data().toString(),
        forces->index(0, 3).data().toString(), forces->index(0, 4).data().toString(),
        forces->index(0, 5).data().toString()};
    QCOMPARE(row, QStringList({"-5.0000", "2", "1", "-5", "-2500"}));
    QCOMPARE(forces->index(1, 2).data().toString(), QString());  // no bar in row 2
    // Copied as shown, the per-bar columns included.
    auto* forceView = qobject_cast<tarvelin::GridView*>(pages_->StringGrid3());
    forceView->selectionModel()->select(QItemSelection(forces->index(0, 1), forces->index(0, 5)),
                                        QItemSelectionModel::Select);
    QCOMPARE(forceView->SelectedText(), QStringLiteral("-5.0000\t2\t1\t-5\t-2500\n"));
    QVERIFY(pages_->Equilibrium()->isVisibleTo(pages_.get()));
    QCOMPARE(pages_->Equilibrium()->text(),
             QStringLiteral("Equilibrium check: largest residual 0 of the load"));
    QVERIFY(pages_->Warnings()->isVisibleTo(pages_.get()));
    QCOMPARE(pages_->Warnings()->text(),
             QStringLiteral("The load Fy = 10 kN acts along a degree of freedom that no bar "
                            "restrains; it was disregarded."));

    store_->PropGrid.SetCell(1, 1, "-1000");
    QVERIFY(!tarvelin::CalculateModel(*store_, *dialogs_));
    pages_->RefreshAll();
    QVERIFY(!pages_->Equilibrium()->isVisibleTo(pages_.get()));
    QVERIFY(!pages_->Warnings()->isVisibleTo(pages_.get()));
    QCOMPARE(forces->index(0, 1).data().toString(), QString());
    QCOMPARE(forces->index(0, 2).data().toString(), QString());
  }

  void layoutFits() {
    FillOneBarModel();
    for (int n = 4; n <= 17; ++n) store_->NumberEdit(n).SetRealValue(-1.2345679e-10);
    store_->NumberEdit(10).SetRealValue(50000000);
    store_->NumberEdit(11).SetRealValue(0.00012345678);
    store_->NumberEdit(4).SetRealValue(5);
    pages_->RefreshAll();
    QVERIFY(tarvelin::CalculateModel(*store_, *dialogs_));
    store_->StringGrid3.SetCell(1, 2, "-1234567.0000");
    // The widest texts that the cleaning writes into the node table (six digits before the
    // point; beyond that the general format with six digits).
    store_->CoordGrid.SetCell(1, 3, "-123457.000");
    store_->CoordGrid.SetCell(2, 3, "100000.000");
    store_->CoordGrid.SetCell(3, 3, "-1.23457E15");
    store_->PathNameLabel = "path=/home/user/projects/bars";
    store_->FileNameLabel = "file=example.PEN";
    pages_->RefreshAll();
    pages_->resize(pages_->sizeHint());
    const QString shots = qEnvironmentVariable("TARVELIN_SCREENSHOT_DIR");
    const char* const names[] = {"block", "hinged_bars", "results"};
    for (int p = 0; p < pages_->count(); ++p) {
      ShowPage(p);
      QCoreApplication::processEvents();
      QWidget* page = pages_->widget(p);
      for (QWidget* w : page->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(page) || w->parent()->inherits("QAbstractScrollArea")) continue;
        auto* label = qobject_cast<QLabel*>(w);
        if (label && label->wordWrap()) {
          // A wrapped text is whole when the label is as tall as its lines at its width.
          QVERIFY2(w->height() >= label->heightForWidth(w->width()),
                   qPrintable(w->objectName() + QStringLiteral(" is cut off")));
        } else if (label || qobject_cast<QAbstractButton*>(w)) {
          const QSize hint = w->minimumSizeHint().expandedTo(w->sizeHint());
          QVERIFY2(w->width() >= hint.width() && w->height() >= hint.height(),
                   qPrintable(w->objectName() + QStringLiteral(" is cut off")));
        }
        if (auto* edit = qobject_cast<TNumberEdit*>(w)) {
          const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
          QVERIFY2(
              edit->fontMetrics().horizontalAdvance(edit->text()) + 2 * frame + 4 <= edit->width(),
              qPrintable(edit->objectName() + QStringLiteral(" hides ") + edit->text()));
        }
        if (auto* view = qobject_cast<QTableView*>(w)) {
          int total = 0;
          for (int c = 0; c < view->model()->columnCount(); ++c) {
            const QString head = view->model()->headerData(c, Qt::Horizontal).toString();
            QVERIFY2(view->horizontalHeader()->fontMetrics().horizontalAdvance(head) <
                         view->columnWidth(c),
                     qPrintable(view->objectName() + QStringLiteral(": ") + head));
            total += view->columnWidth(c);
            // Every filled cell shows its whole text.
            QStyleOptionViewItem option;
            option.initFrom(view->viewport());
            option.font = view->font();
            for (int r = 0; r < std::min(view->model()->rowCount(), 10); ++r) {
              const QModelIndex index = view->model()->index(r, c);
              const QString text = index.data().toString();
              if (text.isEmpty()) continue;
              QVERIFY2(
                  view->itemDelegate()->sizeHint(option, index).width() <= view->columnWidth(c),
                  qPrintable(view->objectName() + QStringLiteral(" cuts ") + text));
            }
          }
          QVERIFY2(total <= view->viewport()->width(), qPrintable(view->objectName()));
        }
      }
      if (!shots.isEmpty()) {
        QDir().mkpath(shots);
        QVERIFY(pages_->grab().save(shots + QStringLiteral("/page_%1.png").arg(names[p])));
      }
    }
  }

 private:
  std::unique_ptr<ModelStore> store_;
  std::unique_ptr<RecordingDialogs> dialogs_;
  std::unique_ptr<MainPages> pages_;
};

QTEST_MAIN(TestPages)
#include "test_pages.moc"
