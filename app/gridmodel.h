// Table adapters: a QAbstractTableModel over a TextGrid of the model store, and its view.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tarvelin {

class TextGrid;
struct CalculationResult;

// Shows a TextGrid without copying it: data() and setData() read and write the grid's cells.
// Grid row 0 (the headers) becomes the horizontal header; grid rows 1.. are the model's rows
// 0..; every grid column is a model column. Column 0 and the rows before firstDataRow are
// fixed cells (shown like headers, neither selectable nor editable, passed over by Tab).
class GridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // firstDataRow: the first grid row the user may type into (1, or 2 for the bar types whose
  // row 1 mirrors the default properties). editable false makes every cell read-only.
  GridModel(TextGrid* grid, int firstDataRow, bool editable, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  TextGrid& Grid() const { return *grid_; }
  static int GridRow(const QModelIndex& index) { return index.row() + 1; }
  bool IsFixed(int col, int gridRow) const { return col == 0 || gridRow < firstDataRow_; }

  // After the core rewrote the grid: a reset when its row count changed (the only case that
  // costs a full relayout), otherwise one dataChanged over every cell and the headers.
  void Refresh();
  // After the core rewrote one grid row (row 0 refreshes the headers).
  void RefreshGridRow(int gridRow);

  // Told of every cell the user changed through the model (typing), after the change.
  std::function<void(int col, int gridRow, const std::string& before, const std::string& after)>
      CellEdited;

 private:
  TextGrid* grid_;
  int firstDataRow_;
  bool editable_;
  int rows_;  // model rows as last announced to the views
};

// The bar-force table: the grid's two columns as they are, then the per-bar quantities of the
// last calculation (length, EA/L, elongation, stress), read from the result record when shown.
class ForceTableModel : public GridModel {
 public:
  static constexpr int kExtraColumns = 4;
  ForceTableModel(TextGrid* grid, const CalculationResult* result, QObject* parent = nullptr);

  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  // The text of an extra column (0..kExtraColumns-1) for grid row gridRow; empty without a
  // result for that bar.
  QString ExtraText(int extra, int gridRow) const;
  // After a calculation: the grid's cells and the extra columns.
  void RefreshAll();

 private:
  const CalculationResult* result_;
};

// The view of a grid: uniform row heights, Tab between cells, typing starts editing, and a
// right mouse press anywhere on the table (cells or headers) reported as RightPressed.
class GridView : public QTableView {
  Q_OBJECT
 public:
  explicit GridView(QWidget* parent = nullptr);

  GridModel* Model() const { return qobject_cast<GridModel*>(model()); }
  // Commits the text of an open cell editor into the grid and closes it, so that the core
  // sees what the user typed before it reads or rewrites the cells.
  void FinishEditing();
  bool IsEditing() const { return state() == QAbstractItemView::EditingState; }
  // Row height from the font, the same for every row (no per-row sizing).
  void ApplyRowHeight();

  // The selected block as tab-separated text, as spreadsheets read it (cells of the block
  // that are not selected stay empty); empty when nothing is selected.
  QString SelectedText() const;
  // Puts SelectedText on the clipboard.
  void CopySelection() const;
  // The selected cells as (column, grid row).
  std::vector<std::pair<int, int>> SelectedCells() const;

 signals:
  void RightPressed();
  // The desktop's paste and delete keys on the table (not while a cell is edited).
  void PasteRequested();
  void DeleteRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
};

}  // namespace tarvelin
