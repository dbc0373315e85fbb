// Tests of the table adapters: model consistency, cell access straight into the store,
// fixed and read-only cells, refresh signals, and the view's editing and right click.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "analysis/modelstore.h"
#include "app/gridmodel.h"

using tarvelin::GridModel;
using tarvelin::GridView;
using tarvelin::ModelStore;
using tarvelin::TextGrid;

namespace {

enum class Which { Coord, Ele, Prop, Forces };

// The adapters as the pages make them: bar types fixed up to row 1, forces read-only.
struct Adapter {
  TextGrid* Grid;
  int FirstDataRow;
  bool Editable;
};

Adapter AdapterFor(ModelStore& store, Which which) {
  switch (which) {
    case Which::Coord:
      return {&store.CoordGrid, 1, true};
    case Which::Ele:
      return {&store.EleGrid, 1, true};
    case Which::Prop:
      return {&store.PropGrid, 2, true};
    case Which::Forces:
      return {&store.StringGrid3, 1, false};
  }
  return {nullptr, 0, false};
}

void AddWhichRows() {
  QTest::addColumn<int>("which");
  QTest::newRow("CoordGrid") << int(Which::Coord);
  QTest::newRow("EleGrid") << int(Which::Ele);
  QTest::newRow("PropGrid") << int(Which::Prop);
  QTest::newRow("StringGrid3") << int(Which::Forces);
}

}  // namespace

class TestGridModel : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    store_ = std::make_unique<ModelStore>();
    tarvelin::InitTables(*store_);
  }

  void modelTesterThroughEdits_data() { AddWhichRows(); }
  void modelTesterThroughEdits() {
    QFETCH(int, which);
    Adapter a = AdapterFor(*store_, Which(which));
    GridModel model(a.Grid, a.FirstDataRow, a.Editable);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    model.setData(model.index(3, 1), QStringLiteral("7.25"));
    a.Grid->SetCell(1, 5, "x");
    model.Refresh();  // same row count
    model.RefreshGridRow(5);
    model.RefreshGridRow(0);
    // Longer and shorter tables, as the about box makes them.
    store_->ResizeTables(150);
    tarvelin::InitTables(*store_);
    model.Refresh();
    QCOMPARE(model.rowCount(), a.Grid->RowCount() - 1);
    store_->ResizeTables(21);
    tarvelin::InitTables(*store_);
    model.Refresh();
    QCOMPARE(model.rowCount(), a.Grid->RowCount() - 1);
    QCOMPARE(model.data(model.index(model.rowCount() - 1, 0)).toString().toStdString(),
             a.Grid->Cell(0, a.Grid->RowCount() - 1));
  }

  void shapeAndHeaders_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QString>("firstLabel");
    QTest::newRow("CoordGrid") << int(Which::Coord)
                               << QStringList{"node", "X [m]", "Y [m]", "Z [m]"} << "1";
    QTest::newRow("EleGrid") << int(Which::Ele)
                             << QStringList{"bar", "begin node", "end node", "type"} << "1";
    // Type 0 stands in row 1 of the bar types.
    QTest::newRow("PropGrid") << int(Which::Prop) << QStringList{"type", "E [kN/m^2]", "A [m^2]"}
                              << "0";
    QTest::newRow("StringGrid3") << int(Which::Forces) << QStringList{"bar", "normal force [kN]"}
                                 << "1";
  }
  void shapeAndHeaders() {
    QFETCH(int, which);
    QFETCH(QStringList, headers);
    QFETCH(QString, firstLabel);
    Adapter a = AdapterFor(*store_, Which(which));
    GridModel model(a.Grid, a.FirstDataRow, a.Editable);
    QCOMPARE(model.rowCount(), a.Grid->RowCount() - 1);
    QCOMPARE(model.columnCount(), headers.size());
    for (int c = 0; c < headers.size(); ++c)
      QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), headers[c]);
    QCOMPARE(model.data(model.index(0, 0)).toString(), firstLabel);
    // No copy: a cell the core writes is what the model shows at once.
    a.Grid->SetCell(1, 2, "12.5");
    QCOMPARE(model.data(model.index(1, 1)).toString(), QStringLiteral("12.5"));
    QCOMPARE(model.data(model.index(1, 1), Qt::EditRole).toString(), QStringLiteral("12.5"));
  }

  void flags_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("gridRow");
    QTest::addColumn<bool>("editable");
    QTest::newRow("node label") << int(Which::Coord) << 0 << 1 << false;
    QTest::newRow("node X") << int(Which::Coord) << 1 << 1 << true;
    QTest::newRow("last node Z") << int(Which::Coord) << 3 << 100 << true;
    QTest::newRow("bar type") << int(Which::Ele) << 3 << 7 << true;
    QTest::newRow("bar label") << int(Which::Ele) << 0 << 7 << false;
    QTest::newRow("type 0 E") << int(Which::Prop) << 1 << 1 << false;
    QTest::newRow("type 0 A") << int(Which::Prop) << 2 << 1 << false;
    QTest::newRow("type 1 E") << int(Which::Prop) << 1 << 2 << true;
    QTest::newRow("last type A") << int(Which::Prop) << 2 << 101 << true;
    QTest::newRow("force") << int(Which::Forces) << 1 << 1 << false;
  }
  void flags() {
    QFETCH(int, which);
    QFETCH(int, col);
    QFETCH(int, gridRow);
    QFETCH(bool, editable);
    Adapter a = AdapterFor(*store_, Which(which));
    GridModel model(a.Grid, a.FirstDataRow, a.Editable);
    const QModelIndex index = model.index(gridRow - 1, col);
    QVERIFY(index.isValid());
    QCOMPARE(model.flags(index).testFlag(Qt::ItemIsEditable), editable);
    const std::string before(a.Grid->Cell(col, gridRow));
    QCOMPARE(model.setData(index, QStringLiteral("9")), editable);
    QCOMPARE(std::string(a.Grid->Cell(col, gridRow)), editable ? std::string("9") : before);
  }

  void setDataSignals() {
    GridModel model(&store_->CoordGrid, 1, true);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(model.index(4, 2), QStringLiteral("abc")));
    QCOMPARE(store_->CoordGrid.Cell(2, 5), std::string("abc"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].value<QModelIndex>(), model.index(4, 2));
    // Writing the same text again changes nothing and says so.
    QVERIFY(model.setData(model.index(4, 2), QStringLiteral("abc")));
    QCOMPARE(changed.count(), 1);
    QVERIFY(!model.setData(model.index(4, 2), QStringLiteral("1"), Qt::DisplayRole + 100));
    QCOMPARE(store_->CoordGrid.Cell(2, 5), std::string("abc"));
  }

  void refreshResetsOnlyOnRowCountChange() {
    GridModel model(&store_->EleGrid, 1, true);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    store_->EleGrid.SetCell(1, 1, "1");
    model.Refresh();
    QCOMPARE(reset.count(), 0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].value<QModelIndex>(), model.index(0, 0));
    QCOMPARE(changed[0][1].value<QModelIndex>(), model.index(99, 3));

    store_->ResizeTables(40);
    model.Refresh();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(model.rowCount(), 39);
    // Rows that survived keep their cells.
    QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("1"));

    model.RefreshGridRow(3);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed[1][0].value<QModelIndex>(), model.index(2, 0));
    model.RefreshGridRow(500);  // beyond the table: nothing to announce
    QCOMPARE(changed.count(), 2);
  }

  void viewTabEditsCellsInTurn() {
    GridModel model(&store_->CoordGrid, 1, true);
    GridView view;
    view.setModel(&model);
    view.resize(300, 300);
    view.show();
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    view.setCurrentIndex(model.index(0, 1));
    view.setFocus();
    // Typing starts the editor; Tab commits and opens the next cell.
    QTest::keyClicks(&view, "1");
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, ".5");
    QTest::keyClick(editor, Qt::Key_Tab);
    QCOMPARE(store_->CoordGrid.Cell(1, 1), std::string("1.5"));
    QCOMPARE(view.currentIndex(), model.index(0, 2));
    editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, "-2");
    QTest::keyClick(editor, Qt::Key_Tab);
    QCOMPARE(store_->CoordGrid.Cell(2, 1), std::string("-2"));

    // An editor left open is committed on request, before the core reads the cells.
    editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, "3");
    QCOMPARE(store_->CoordGrid.Cell(3, 1), std::string());
    view.FinishEditing();
    QCOMPARE(store_->CoordGrid.Cell(3, 1), std::string("3"));
    QVERIFY(!view.IsEditing());

    // Tab after the last column goes on in the next row, past its label.
    view.setCurrentIndex(model.index(0, 3));
    view.edit(model.index(0, 3));
    editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    QTest::keyClick(editor, Qt::Key_Tab);
    QCOMPARE(view.currentIndex(), model.index(1, 1));
  }

  void viewRightPressOnly() {
    GridModel model(&store_->EleGrid, 1, true);
    GridView view;
    view.setModel(&model);
    view.resize(300, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy right(&view, &GridView::RightPressed);
    const QPoint cell = view.visualRect(model.index(2, 1)).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell);
    QCOMPARE(right.count(), 0);
    QTest::mouseClick(view.viewport(), Qt::RightButton, {}, cell);
    QCOMPARE(right.count(), 1);
    // The header row belongs to the table too.
    QTest::mouseClick(view.horizontalHeader()->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(right.count(), 2);
  }

  void largeTableScrollsAndEdits() {
    store_->ResizeTables(100001);
    tarvelin::InitTables(*store_);
    GridModel model(&store_->CoordGrid, 1, true);
    GridView view;
    view.setModel(&model);
    view.resize(300, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(model.rowCount(), 100000);
    QCOMPARE(view.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(view.rowHeight(99999), view.rowHeight(0));
    view.scrollToBottom();
    QCoreApplication::processEvents();
    const QModelIndex bottom = view.indexAt(QPoint(5, view.viewport()->height() - 3));
    QCOMPARE(bottom.row(), 99999);
    QCOMPARE(bottom.data().toString(), QStringLiteral("100000"));
    QVERIFY(model.setData(model.index(99999, 3), QStringLiteral("4.5")));
    QCOMPARE(store_->CoordGrid.Cell(3, 100000), std::string("4.5"));
  }

 private:
  std::unique_ptr<ModelStore> store_;
};

QTEST_MAIN(TestGridModel)
#include "test_gridmodel.moc"
