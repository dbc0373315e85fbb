// Table adapters: the store's text grids shown and edited in place through Qt's model/view.
#include "app/gridmodel.h"

#include <QAbstractItemDelegate>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <algorithm>

#include "analysis/modelstore.h"
#include "analysis/results.h"
#include "app/core/modeledit.h"
#include "support/numtext.h"

namespace tarvelin {

namespace {
QString QtText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// GridModel

GridModel::GridModel(TextGrid* grid, int firstDataRow, bool editable, QObject* parent)
    : QAbstractTableModel(parent),
      grid_(grid),
      firstDataRow_(firstDataRow),
      editable_(editable),
      rows_(std::max(grid->RowCount() - 1, 0)) {}

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_->ColCount();
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !checkIndex(index, CheckIndexOption::ParentIsInvalid)) return {};
  const int col = index.column();
  const int row = GridRow(index);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return QtText(grid_->Cell(col, row));
    case Qt::BackgroundRole:
      if (IsFixed(col, row)) return QGuiApplication::palette().button();
      return {};
    case Qt::ForegroundRole:
      // Fixed cells are disabled items; keep their text as dark as a header's.
      if (IsFixed(col, row)) return QGuiApplication::palette().buttonText();
      return {};
    default:
      return {};
  }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !editable_) return false;
  if (!index.isValid() || !checkIndex(index, CheckIndexOption::ParentIsInvalid)) return false;
  const int col = index.column();
  const int row = GridRow(index);
  if (IsFixed(col, row) || row >= grid_->RowCount()) return false;
  const std::string text = value.toString().toStdString();
  if (grid_->Cell(col, row) == text) return true;
  const std::string before(grid_->Cell(col, row));
  grid_->SetCell(col, row, text);
  emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
  if (CellEdited) CellEdited(col, row, before, text);
  return true;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  if (!index.isValid() || !checkIndex(index, CheckIndexOption::ParentIsInvalid))
    return Qt::NoItemFlags;
  if (IsFixed(index.column(), GridRow(index))) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (editable_) f |= Qt::ItemIsEditable;
  return f;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    if (section < 0 || section >= grid_->ColCount()) return {};
    return QtText(grid_->Cell(section, 0));
  }
  if (section < 0 || section >= rows_) return {};
  return QtText(grid_->Cell(0, section + 1));
}

void GridModel::Refresh() {
  const int rows = std::max(grid_->RowCount() - 1, 0);
  if (rows != rows_) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
    return;
  }
  if (rows_ > 0 && grid_->ColCount() > 0)
    emit dataChanged(index(0, 0), index(rows_ - 1, grid_->ColCount() - 1),
                     {Qt::DisplayRole, Qt::EditRole});
  if (grid_->ColCount() > 0) emit headerDataChanged(Qt::Horizontal, 0, grid_->ColCount() - 1);
}

void GridModel::RefreshGridRow(int gridRow) {
  if (grid_->ColCount() == 0) return;
  if (gridRow == 0) {
    emit headerDataChanged(Qt::Horizontal, 0, grid_->ColCount() - 1);
    return;
  }
  if (gridRow < 1 || gridRow > rows_) return;
  emit dataChanged(index(gridRow - 1, 0), index(gridRow - 1, grid_->ColCount() - 1),
                   {Qt::DisplayRole, Qt::EditRole});
}

// ---------------------------------------------------------------------------------------------
// ForceTableModel

namespace {
const char* const kExtraHeaders[ForceTableModel::kExtraColumns] = {
    "length [m]", "EA/L [kN/m]", "elongation [m]", "stress [kN/m^2]"};
}

ForceTableModel::ForceTableModel(TextGrid* grid, const CalculationResult* result, QObject* parent)
    : GridModel(grid, 1, false, parent), result_(result) {}

int ForceTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Grid().ColCount() + kExtraColumns;
}

QString ForceTableModel::ExtraText(int extra, int gridRow) const {
  if (!result_->Valid || gridRow < 1 || gridRow > static_cast<int>(result_->Bars.size())) return {};
  const BarResult& bar = result_->Bars[static_cast<size_t>(gridRow - 1)];
  const double values[kExtraColumns] = {bar.Length, bar.Stiffness, bar.Elongation, bar.Stress};
  return QString::fromStdString(FormatGeneral(values[extra], 6));
}

QVariant ForceTableModel::data(const QModelIndex& index, int role) const {
  const int extra = index.column() - Grid().ColCount();
  if (extra < 0) return GridModel::data(index, role);
  if (!index.isValid() || !checkIndex(index, CheckIndexOption::ParentIsInvalid)) return {};
  if (role == Qt::DisplayRole) return ExtraText(extra, GridRow(index));
  if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

QVariant ForceTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  const int extra = section - Grid().ColCount();
  if (orientation != Qt::Horizontal || extra < 0)
    return GridModel::headerData(section, orientation, role);
  if (role != Qt::DisplayRole || extra >= kExtraColumns) return {};
  return QString::fromLatin1(kExtraHeaders[extra]);
}

void ForceTableModel::RefreshAll() {
  Refresh();
  const int rows = rowCount();
  const int first = Grid().ColCount();
  if (rows > 0)
    emit dataChanged(index(0, first), index(rows - 1, first + kExtraColumns - 1),
                     {Qt::DisplayRole});
}

// ---------------------------------------------------------------------------------------------
// GridView

GridView::GridView(QWidget* parent) : QTableView(parent) {
  setTabKeyNavigation(true);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  // A block of cells, for copying to and clearing like a spreadsheet.
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  // Column 0 holds the row labels as fixed cells, so the row header would only repeat them.
  verticalHeader()->hide();
  // Fixed, uniform sections: the view never measures 100,000 rows one by one.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  ApplyRowHeight();
  viewport()->installEventFilter(this);
  horizontalHeader()->viewport()->installEventFilter(this);
}

void GridView::FinishEditing() {
  if (state() != QAbstractItemView::EditingState) return;
  QWidget* editor = indexWidget(currentIndex());
  if (editor == nullptr) return;
  commitData(editor);
  closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void GridView::ApplyRowHeight() {
  const int height = std::max(14, fontMetrics().height() + 4);
  verticalHeader()->setMinimumSectionSize(std::min(14, height));
  verticalHeader()->setDefaultSectionSize(height);
  horizontalHeader()->setFixedHeight(height + 2);
}

bool GridView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress &&
      (watched == viewport() || watched == horizontalHeader()->viewport())) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::RightButton) {
      emit RightPressed();
      return true;
    }
  }
  return QTableView::eventFilter(watched, event);
}

void GridView::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) ApplyRowHeight();
}

}  // namespace tarvelin

namespace tarvelin {

std::vector<std::pair<int, int>> GridView::SelectedCells() const {
  std::vector<std::pair<int, int>> cells;
  if (!selectionModel()) return cells;
  for (const QModelIndex& index : selectionModel()->selectedIndexes())
    cells.emplace_back(index.column(), GridModel::GridRow(index));
  return cells;
}

QString GridView::SelectedText() const {
  const std::vector<std::pair<int, int>> cells = SelectedCells();
  if (cells.empty() || !Model()) return QString();
  int firstCol = cells.front().first, lastCol = firstCol;
  int firstRow = cells.front().second, lastRow = firstRow;
  for (const auto& [col, row] : cells) {
    firstCol = std::min(firstCol, col);
    lastCol = std::max(lastCol, col);
    firstRow = std::min(firstRow, row);
    lastRow = std::max(lastRow, row);
  }
  const QItemSelectionModel* selection = selectionModel();
  // Columns beyond the grid (the force table's per-bar quantities) are copied as shown.
  const TextGrid& grid = Model()->Grid();
  const std::string text = TabTextOf(
      [&](int col, int row) {
        if (col < grid.ColCount()) return std::string(grid.Cell(col, row));
        return model()->index(row - 1, col).data().toString().toStdString();
      },
      firstCol, lastCol, firstRow, lastRow,
      [&](int col, int row) { return selection->isSelected(model()->index(row - 1, col)); });
  return QString::fromStdString(text);
}

void GridView::CopySelection() const {
  const QString text = SelectedText();
  if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

bool GridView::event(QEvent* event) {
  // The table's own keys come before the window's shortcuts of the same keys.
  if (event->type() == QEvent::ShortcutOverride && !IsEditing()) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Paste) ||
        key->matches(QKeySequence::Delete) || key->key() == Qt::Key_Delete) {
      event->accept();
      return true;
    }
  }
  return QTableView::event(event);
}

void GridView::keyPressEvent(QKeyEvent* event) {
  if (!IsEditing()) {
    if (event->matches(QKeySequence::Copy)) {
      CopySelection();
      event->accept();
      return;
    }
    if (event->matches(QKeySequence::Paste)) {
      emit PasteRequested();
      event->accept();
      return;
    }
    if (event->matches(QKeySequence::Delete) || event->key() == Qt::Key_Delete) {
      emit DeleteRequested();
      event->accept();
      return;
    }
  }
  QTableView::keyPressEvent(event);
}

}  // namespace tarvelin
