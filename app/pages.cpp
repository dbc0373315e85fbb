// PageControl1: the pages "Block", "Hinged bars" and "Results" and their handlers.
#include "app/pages.h"

#include <QCheckBox>
#include <QClipboard>
#include <QColor>
#include <QEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <initializer_list>

#include "analysis/modelstore.h"
#include "analysis/stiffness.h"
#include "app/gridmodel.h"
#include "support/dialogs.h"
#include "support/numtext.h"
#include "support/unitlib.h"
#include "support/widgets/numberedit.h"

namespace tarvelin {

namespace {

constexpr int kFirstField = 4;
constexpr int kLastField = 17;

const char* const kCoordHint = "coordinates, use . for digital input";
const char* const kEleHint = "From block node [int] to supported node [int]";
const char* const kPropHint = "Bar properties, default type=0";
const char* const kForceHint = "normal force, if sign incorrect, change nodal order";
const char* const kShowHint = "view model with VRML plug in in your web browser";
const char* const kMemoHint = "Select, Ctrl+C to copy to clipboard";
const char* const kViewHint = "the model in 3D beside the tables, following every change (F3)";

// One column of a table: the designed width in pixels, its header and a typical content,
// both of which must fit with the desktop font (the designed widths were made for a 9-pixel
// "Small Fonts").
struct ColumnPlan {
  int Designed;
  const char* Header;
  const char* Sample;
};

// Row labels up to 100000 fit column 0 from the start: the window takes its size once, so
// the tables must not grow wider later (longer tables widen column 0 inside the control).
// Coordinates: the widest text the cleaning writes (six digits before the point).
const ColumnPlan kCoordColumns[] = {{30, "node", "100000"},
                                    {40, "X [m]", "-123457.000"},
                                    {40, "Y [m]", "-123457.000"},
                                    {40, "Z [m]", "-123457.000"}};
const ColumnPlan kEleColumns[] = {{30, "bar", "100000"},
                                  {60, "begin node", "100000"},
                                  {60, "end node", "100000"},
                                  {30, "type", "100"}};
const ColumnPlan kPropColumns[] = {
    {30, "type", "100000"}, {60, "E [kN/m^2]", "210000000"}, {60, "A [m^2]", "0.00123"}};
const ColumnPlan kForceColumns[] = {{30, "bar", "100000"},
                                    {160, "normal force [kN]", "-1234567.0000"},
                                    {0, "length [m]", "1234.56"},
                                    {0, "EA/L [kN/m]", "-1.23457E-5"},
                                    {0, "elongation [m]", "-1.23457E-5"},
                                    {0, "stress [kN/m^2]", "-1.23457E-5"}};

QString Text(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QLabel* PlainLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

struct MainPages::Private {
  ModelStore* Store = nullptr;
  tarvelin::Dialogs* Messages = nullptr;

  std::array<TNumberEdit*, kLastField - kFirstField + 1> Fields{};

  QFrame* Panel1 = nullptr;
  QLabel* PathNameLabel = nullptr;
  QLabel* FileNameLabel = nullptr;

  GridView* CoordGrid = nullptr;
  GridView* EleGrid = nullptr;
  GridView* PropGrid = nullptr;
  GridView* StringGrid3 = nullptr;
  GridModel* CoordModel = nullptr;
  GridModel* EleModel = nullptr;
  GridModel* PropModel = nullptr;
  ForceTableModel* ForceModel = nullptr;

  QPushButton* Button2 = nullptr;
  QPushButton* ViewButton1 = nullptr;  // "3D view" on "Hinged bars"
  QPushButton* ViewButton2 = nullptr;  // "3D view" on "Results"
  QPushButton* Button3 = nullptr;
  QCheckBox* CheckBox4 = nullptr;
  QCheckBox* CheckBox5 = nullptr;
  QCheckBox* CheckBox6 = nullptr;
  QCheckBox* CheckBox7 = nullptr;

  QPushButton* BitBtn2 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QGroupBox* GroupBox4 = nullptr;
  QLabel* Label23 = nullptr;
  QLabel* Label24 = nullptr;
  QLabel* Label38 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QLabel* Equilibrium = nullptr;  // the statics check, next to the report
  QFrame* WarningBox = nullptr;   // the calculation's warnings, under the results
  QLabel* Warnings = nullptr;

  // The load and property fields' texts as last reported or refreshed.
  std::array<std::string, 8> ReportedFields;
  int Current = 0;         // the page the user is on, as last accepted
  bool Switching = false;  // a page switch of our own is running: no check

  std::array<GridView*, 4> Grids() const { return {CoordGrid, EleGrid, PropGrid, StringGrid3}; }
};

// ---------------------------------------------------------------------------------------------
// Building the pages

namespace {

// Labelled numeric fields in a group, perColumn to a column ("Fx Fy Fz | Tx Ty Tz"), each
// with its name, the field and its unit. Created in the order of the field numbers, which
// is the order Enter moves the focus in.
void AddFieldRows(QGroupBox* group, std::array<TNumberEdit*, 14>& fields, ModelStore* store,
                  Dialogs* dialogs, int firstField, int perColumn,
                  std::initializer_list<std::pair<const char*, const char*>> labels) {
  auto* grid = new QGridLayout(group);
  const QFontMetrics fm(group->font());
  const int fieldWidth = fm.horizontalAdvance(QStringLiteral("-1.2345679E-10")) + 14;
  int n = firstField;
  int i = 0;
  for (const auto& [name, unit] : labels) {
    auto* edit = new TNumberEdit(&store->NumberEdit(n), dialogs, group);
    edit->setObjectName(QStringLiteral("NumberEdit%1").arg(n));
    edit->setMinimumWidth(fieldWidth);
    edit->setAccessibleName(QString::fromLatin1(name));
    edit->setAccessibleDescription(QString::fromLatin1(unit));
    auto* label = PlainLabel(QString::fromLatin1(name), group);
    label->setBuddy(edit);
    auto* unitLabel = PlainLabel(QString::fromLatin1(unit), group);
    const int row = i % perColumn;
    const int col = (i / perColumn) * 4;
    grid->addWidget(label, row, col);
    grid->addWidget(edit, row, col + 1);
    grid->addWidget(unitLabel, row, col + 2);
    fields[n - kFirstField] = edit;
    ++n;
    ++i;
  }
  if (static_cast<int>(labels.size()) > perColumn) grid->setColumnMinimumWidth(3, 12);
  // Spare width goes after the last unit, not into the fields.
  grid->setColumnStretch(grid->columnCount(), 1);
}

QCheckBox* NamedCheckBox(const char* name, const char* caption, bool checked, QWidget* parent) {
  auto* box = new QCheckBox(QString::fromLatin1(caption), parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setAccessibleName(QString::fromLatin1(caption));
  box->setChecked(checked);
  return box;
}

QPushButton* NamedButton(const char* name, const char* caption, const char* hint, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAccessibleName(QString::fromLatin1(caption));
  if (hint != nullptr) {
    button->setToolTip(QString::fromLatin1(hint));
    button->setAccessibleDescription(QString::fromLatin1(hint));
  }
  return button;
}

// A "Show 3D-VRML model" group: the Show button and the two option boxes, all one under the
// other, or (where height is scarce) the button beside the two boxes.
QGroupBox* VrmlGroup(const char* groupName, const char* buttonName, const char* numberingName,
                     const char* axesName, QPushButton*& button, QCheckBox*& numbering,
                     QCheckBox*& axes, bool compact, QWidget* parent) {
  auto* group = new QGroupBox(QStringLiteral("Show 3D-VRML model"), parent);
  group->setObjectName(QString::fromLatin1(groupName));
  auto* layout = new QGridLayout(group);
  button = NamedButton(buttonName, "Show", kShowHint, group);
  numbering = NamedCheckBox(numberingName, "show numbering", false, group);
  axes = NamedCheckBox(axesName, "show xyz-axis", true, group);
  if (compact) {
    layout->addWidget(button, 0, 0, 2, 1, Qt::AlignVCenter);
    layout->addWidget(numbering, 0, 1);
    layout->addWidget(axes, 1, 1);
    layout->setHorizontalSpacing(12);
  } else {
    layout->addWidget(button, 0, 0);
    layout->addWidget(numbering, 1, 0);
    layout->addWidget(axes, 2, 0);
  }
  return group;
}

GridView* NewGrid(const char* name, const char* hint, QWidget* parent) {
  auto* view = new GridView(parent);
  view->setObjectName(QString::fromLatin1(name));
  view->setToolTip(QString::fromLatin1(hint));
  view->setAccessibleName(QString::fromLatin1(hint));
  view->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  return view;
}

// Column widths: the designed width, or what the header and a typical content need with
// the desktop font. The control is made as wide as its columns plus the frame and the
// vertical scroll bar, so nothing is cut off.
template <size_t N>
void FitColumns(GridView* view, const ColumnPlan (&plan)[N]) {
  const QFontMetrics cellFm(view->font());
  const QFontMetrics headFm(view->horizontalHeader()->font());
  const int margin = 2 * view->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, view) + 8;
  int total = 0;
  for (size_t col = 0; col < N; ++col) {
    const ColumnPlan& p = plan[col];
    int width = p.Designed;
    width = std::max(width, cellFm.horizontalAdvance(QString::fromLatin1(p.Sample)) + 10);
    width = std::max(width, headFm.horizontalAdvance(QString::fromLatin1(p.Header)) + margin);
    view->setColumnWidth(static_cast<int>(col), width);
    total += width;
  }
  const int scroll = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
  view->setFixedWidth(total + 2 * view->frameWidth() + scroll + 2);
}

// Column 0 widens for the highest row label of a very long table (the control keeps its
// width and scrolls sideways then).
void FitLabelColumn(GridView* view) {
  const TextGrid& grid = view->Model()->Grid();
  if (grid.RowCount() < 2) return;
  const QFontMetrics fm(view->font());
  const int needed = fm.horizontalAdvance(Text(grid.Cell(0, grid.RowCount() - 1))) + 10;
  if (needed > view->columnWidth(0)) view->setColumnWidth(0, needed);
}

// Memo1 shows the whole report without scrolling: six matrix rows of 35 characters, the
// empty line, and the note, which wraps onto a second line when the scale has many digits.
QSize MemoSize(QPlainTextEdit* memo) {
  const QFontMetrics fm(memo->font());
  const int margin =
      2 * static_cast<int>(memo->document()->documentMargin()) + 2 * memo->frameWidth() + 4;
  const int width = fm.horizontalAdvance(QString(37, QLatin1Char('0'))) + margin;
  const int height = 9 * fm.lineSpacing() + margin;
  return {width, height};
}

}  // namespace

MainPages::MainPages(ModelStore* store, Dialogs* dialogs, QWidget* parent)
    : QTabWidget(parent), d_(new Private) {
  d_->Store = store;
  d_->Messages = dialogs;
  setObjectName(QStringLiteral("PageControl1"));

  // --- Page "Block" ---------------------------------------------------------------------------
  auto* block = new QWidget(this);
  block->setObjectName(QStringLiteral("TabSheet1"));
  {
    auto* panel = new QFrame(block);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(pal);
    panel->setToolTip(QStringLiteral("double click for help"));
    panel->setAccessibleName(QStringLiteral("Help"));
    auto* lines = new QVBoxLayout(panel);
    const char* const help[] = {
        "The x-y-z coordinate system lies at the mass centre",
        "of the block. Loads and displacements act in the",
        "directions of its six degrees of freedom: ux, uy, uz",
        "along and phix, phiy, phiz about the axes x, y, z.",
    };
    int number = 1;
    auto addLine = [&](const char* text) {
      auto* label = PlainLabel(QString::fromLatin1(text), panel);
      label->setObjectName(QStringLiteral("Label%1").arg(number++));
      // The double click belongs to the panel wherever it lands.
      label->setAttribute(Qt::WA_TransparentForMouseEvents);
      lines->addWidget(label);
      return label;
    };
    for (const char* line : help) addLine(line);
    lines->addSpacing(4);
    addLine("( double click for help .... )")->setAlignment(Qt::AlignHCenter);
    panel->installEventFilter(this);
    d_->Panel1 = panel;

    auto* loads = new QGroupBox(QStringLiteral("Loading at the mass centre"), block);
    loads->setObjectName(QStringLiteral("GroupBox2"));
    AddFieldRows(
        loads, d_->Fields, store, dialogs, 4, 3,
        {{"Fx", "kN"}, {"Fy", "kN"}, {"Fz", "kN"}, {"Tx", "kNm"}, {"Ty", "kNm"}, {"Tz", "kNm"}});

    auto* props = new QGroupBox(QStringLiteral("Default bar properties (type=0)"), block);
    props->setObjectName(QStringLiteral("GroupBox3"));
    AddFieldRows(props, d_->Fields, store, dialogs, 10, 2, {{"E", "kN/m^2"}, {"A", "m^2"}});
    d_->PathNameLabel = PlainLabel(Text(store->PathNameLabel), block);
    d_->PathNameLabel->setObjectName(QStringLiteral("PathNameLabel"));
    d_->FileNameLabel = PlainLabel(Text(store->FileNameLabel), block);
    d_->FileNameLabel->setObjectName(QStringLiteral("FileNameLabel"));

    auto* left = new QVBoxLayout;
    left->addWidget(panel);
    left->addWidget(props);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(loads);
    right->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addLayout(right);
    top->addStretch(1);
    auto* page = new QVBoxLayout(block);
    page->addLayout(top, 1);
    page->addWidget(d_->PathNameLabel);
    page->addWidget(d_->FileNameLabel);
  }
  addTab(block, QStringLiteral("Block"));

  // --- Page "Hinged bars" ---------------------------------------------------------------------
  auto* bars = new QWidget(this);
  bars->setObjectName(QStringLiteral("TabSheet2"));
  {
    d_->CoordGrid = NewGrid("CoordGrid", kCoordHint, bars);
    d_->CoordModel = new GridModel(&store->CoordGrid, 1, true, d_->CoordGrid);
    d_->CoordGrid->setModel(d_->CoordModel);
    d_->EleGrid = NewGrid("EleGrid", kEleHint, bars);
    d_->EleModel = new GridModel(&store->EleGrid, 1, true, d_->EleGrid);
    d_->EleGrid->setModel(d_->EleModel);
    d_->PropGrid = NewGrid("PropGrid", kPropHint, bars);
    d_->PropModel = new GridModel(&store->PropGrid, 2, true, d_->PropGrid);
    d_->PropGrid->setModel(d_->PropModel);
    const std::pair<GridModel*, ModelTable> inputs[] = {{d_->CoordModel, ModelTable::Nodes},
                                                        {d_->EleModel, ModelTable::Bars},
                                                        {d_->PropModel, ModelTable::Types}};
    for (const auto& [model, table] : inputs) {
      model->CellEdited = [this, table = table](int col, int row, const std::string& before,
                                                const std::string& after) {
        ModelEdit edit;
        edit.Cells.push_back({table, col, row, before, after});
        Report(std::move(edit), QStringLiteral("Edit cell"));
      };
    }
    for (GridView* grid : {d_->CoordGrid, d_->EleGrid, d_->PropGrid}) {
      connect(grid, &GridView::PasteRequested, this, [this, grid] { PasteInto(grid); });
      connect(grid, &GridView::DeleteRequested, this, [this, grid] { DeleteIn(grid); });
    }
    FitColumns(d_->CoordGrid, kCoordColumns);
    FitColumns(d_->EleGrid, kEleColumns);
    FitColumns(d_->PropGrid, kPropColumns);

    QGroupBox* vrml = VrmlGroup("GroupBox1", "Button2", "CheckBox4", "CheckBox5", d_->Button2,
                                d_->CheckBox4, d_->CheckBox5, false, bars);
    d_->ViewButton1 = NamedButton("ViewButton1", "3D view", kViewHint, bars);
    auto* side = new QVBoxLayout;
    side->addWidget(vrml);
    side->addWidget(d_->ViewButton1, 0, Qt::AlignLeft);
    side->addStretch(1);
    auto* page = new QHBoxLayout(bars);
    page->addWidget(d_->CoordGrid);
    page->addWidget(d_->EleGrid);
    page->addWidget(d_->PropGrid);
    page->addLayout(side);
    page->addStretch(1);

    connect(d_->CoordGrid, &GridView::RightPressed, this, &MainPages::CoordGridMouseDown);
    connect(d_->EleGrid, &GridView::RightPressed, this, &MainPages::EleGridMouseDown);
    connect(d_->PropGrid, &GridView::RightPressed, this, &MainPages::EleGridMouseDown);
  }
  addTab(bars, QStringLiteral("Hinged bars"));

  // --- Page "Results" -------------------------------------------------------------------------
  auto* results = new QWidget(this);
  results->setObjectName(QStringLiteral("TabSheet3"));
  {
    d_->BitBtn2 = NamedButton("BitBtn2", "Calculate", nullptr, results);
    d_->BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    d_->CheckBox2 = NamedCheckBox("CheckBox2", "disregard unused dof's", store->CheckBox2, results);

    d_->GroupBox4 = new QGroupBox(QStringLiteral("Displacements at mass centre"), results);
    d_->GroupBox4->setObjectName(QStringLiteral("GroupBox4"));
    AddFieldRows(
        d_->GroupBox4, d_->Fields, store, dialogs, 12, 3,
        {{"ux", "m"}, {"uy", "m"}, {"uz", "m"}, {"phix", "rad"}, {"phiy", "rad"}, {"phiz", "rad"}});
    // The fields only display the results; disabled, they keep the normal text colours so
    // that the numbers stay easy to read.
    d_->GroupBox4->setEnabled(false);
    {
      QPalette pal = d_->GroupBox4->palette();
      for (auto role : {QPalette::Text, QPalette::WindowText})
        pal.setColor(QPalette::Disabled, role, pal.color(QPalette::Active, role));
      d_->GroupBox4->setPalette(pal);
    }

    d_->Label23 = PlainLabel(Text(store->Label23), results);
    d_->Label23->setObjectName(QStringLiteral("Label23"));
    d_->Label24 = PlainLabel(Text(store->Label24), results);
    d_->Label24->setObjectName(QStringLiteral("Label24"));

    d_->StringGrid3 = NewGrid("StringGrid3", kForceHint, results);
    d_->ForceModel = new ForceTableModel(&store->StringGrid3, &store->Result, d_->StringGrid3);
    d_->StringGrid3->setModel(d_->ForceModel);
    d_->StringGrid3->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FitColumns(d_->StringGrid3, kForceColumns);

    d_->Label38 = PlainLabel(QStringLiteral("System Stiffness Matrix :"), results);
    d_->Label38->setObjectName(QStringLiteral("Label38"));
    d_->Memo1 = new QPlainTextEdit(results);
    d_->Memo1->setObjectName(QStringLiteral("Memo1"));
    d_->Memo1->setReadOnly(true);
    d_->Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    d_->Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    d_->Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    d_->Memo1->setToolTip(QString::fromLatin1(kMemoHint));
    d_->Memo1->setAccessibleName(QStringLiteral("System Stiffness Matrix :"));
    d_->Memo1->setAccessibleDescription(QString::fromLatin1(kMemoHint));
    d_->Memo1->setFixedSize(MemoSize(d_->Memo1));
    d_->Label38->setBuddy(d_->Memo1);
    d_->Equilibrium = PlainLabel(QString(), results);
    d_->Equilibrium->setObjectName(QStringLiteral("Equilibrium"));
    d_->Equilibrium->setToolTip(QStringLiteral(
        "The load less what the bar forces carry back to the mass centre, relative to the load"));

    // The warnings: plain text, wrapped, on a pale background with the warning sign, so that
    // they are read before the numbers are used.
    d_->WarningBox = new QFrame(results);
    d_->WarningBox->setObjectName(QStringLiteral("WarningBox"));
    d_->WarningBox->setFrameShape(QFrame::StyledPanel);
    d_->WarningBox->setAutoFillBackground(true);
    {
      QPalette pal = d_->WarningBox->palette();
      pal.setColor(QPalette::Window, QColor(255, 248, 214));
      pal.setColor(QPalette::WindowText, QColor(51, 38, 0));
      d_->WarningBox->setPalette(pal);
    }
    auto* sign = new QLabel(d_->WarningBox);
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize);
    sign->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSize, iconSize));
    sign->setAlignment(Qt::AlignTop);
    d_->Warnings = new QLabel(d_->WarningBox);
    d_->Warnings->setObjectName(QStringLiteral("Warnings"));
    d_->Warnings->setTextFormat(Qt::PlainText);
    d_->Warnings->setWordWrap(true);
    d_->Warnings->setTextInteractionFlags(Qt::TextSelectableByMouse);
    d_->Warnings->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* warningLayout = new QHBoxLayout(d_->WarningBox);
    warningLayout->addWidget(sign, 0, Qt::AlignTop);
    warningLayout->addWidget(d_->Warnings, 1);
    d_->WarningBox->hide();

    QGroupBox* vrml = VrmlGroup("GroupBox5", "Button3", "CheckBox6", "CheckBox7", d_->Button3,
                                d_->CheckBox6, d_->CheckBox7, true, results);

    // The results controls come and go; the others keep their places meanwhile.
    for (QWidget* w :
         std::initializer_list<QWidget*>{d_->GroupBox4, d_->StringGrid3, d_->Label38, d_->Memo1}) {
      QSizePolicy policy = w->sizePolicy();
      policy.setRetainSizeWhenHidden(true);
      w->setSizePolicy(policy);
    }

    auto* left = new QVBoxLayout;
    left->addWidget(d_->BitBtn2, 0, Qt::AlignLeft);
    left->addWidget(d_->CheckBox2);
    left->addWidget(d_->GroupBox4);
    left->addWidget(d_->Label23);
    left->addWidget(d_->Label24);
    left->addStretch(1);
    // The scene group under the force table, so that no column is taller than the report
    // with its caption.
    auto* middle = new QVBoxLayout;
    middle->addWidget(d_->StringGrid3, 1);
    middle->addWidget(vrml);
    d_->ViewButton2 = NamedButton("ViewButton2", "3D view", kViewHint, results);
    middle->addWidget(d_->ViewButton2, 0, Qt::AlignLeft);
    auto* right = new QVBoxLayout;
    right->addWidget(d_->Label38);
    right->addWidget(d_->Memo1);
    right->addWidget(d_->Equilibrium);
    right->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(middle);
    columns->addLayout(right);
    columns->addStretch(1);
    auto* page = new QVBoxLayout(results);
    page->addLayout(columns, 1);
    page->addWidget(d_->WarningBox);

    connect(d_->BitBtn2, &QPushButton::clicked, this, [this] {
      CommitEdits();
      emit CalculateRequested();
    });
    connect(d_->CheckBox2, &QCheckBox::toggled, this, [this](bool on) {
      if (d_->Store->CheckBox2 == on) return;
      d_->Store->CheckBox2 = on;
      ModelEdit edit;
      edit.SwitchChanged = true;
      edit.SwitchAfter = on;
      Report(std::move(edit), QStringLiteral("Switch"));
    });
  }
  addTab(results, QStringLiteral("Results"));

  // Both "Show" buttons run the same command; the option boxes of the two groups move
  // together (setChecked to the state a box already has emits nothing, so no echo).
  for (QPushButton* show : {d_->Button2, d_->Button3})
    connect(show, &QPushButton::clicked, this, [this] {
      CommitEdits();
      emit ShowVrmlRequested();
    });
  for (QPushButton* view : {d_->ViewButton1, d_->ViewButton2})
    connect(view, &QPushButton::clicked, this, [this] {
      CommitEdits();
      emit ViewRequested();
    });
  // Every change of a table or a load reaches the 3D view.
  for (QAbstractItemModel* model : std::initializer_list<QAbstractItemModel*>{
           d_->CoordModel, d_->EleModel, d_->PropModel, d_->ForceModel}) {
    connect(model, &QAbstractItemModel::dataChanged, this, &MainPages::ModelEdited);
    connect(model, &QAbstractItemModel::modelReset, this, &MainPages::ModelEdited);
  }
  for (int n = 4; n <= 11; ++n) {
    connect(d_->Fields[n - kFirstField], &TNumberEdit::Exited, this, &MainPages::ModelEdited);
    connect(d_->Fields[n - kFirstField], &TNumberEdit::KeyUp, this, &MainPages::ModelEdited);
  }
  connect(d_->CheckBox4, &QCheckBox::toggled, d_->CheckBox6, &QCheckBox::setChecked);
  connect(d_->CheckBox6, &QCheckBox::toggled, d_->CheckBox4, &QCheckBox::setChecked);
  connect(d_->CheckBox5, &QCheckBox::toggled, d_->CheckBox7, &QCheckBox::setChecked);
  connect(d_->CheckBox7, &QCheckBox::toggled, d_->CheckBox5, &QCheckBox::setChecked);

  for (int n = 4; n <= 11; ++n) {
    connect(d_->Fields[n - kFirstField], &TNumberEdit::Exited, this, [this, n] { FieldExited(n); });
    d_->Fields[n - kFirstField]->installEventFilter(this);
  }

  // Leaving a page is checked first: a mouse press on a tab is decided before the tab bar
  // sees it; keys, the wheel and Ctrl+Tab are caught when the page has changed.
  tabBar()->installEventFilter(this);
  d_->Current = currentIndex();
  connect(this, &QTabWidget::currentChanged, this, &MainPages::OnCurrentChanged);

  RefreshAll();
}

// The equilibrium check next to the report and the warnings under the results, both from the
// record of the last calculation.
void MainPages::RefreshChecks() {
  const CalculationResult& result = d_->Store->Result;
  const bool shown = result.Valid && d_->Store->Memo1Visible;
  d_->Equilibrium->setText(shown ? Text(EquilibriumText(result.RelativeResidual)) : QString());
  d_->Equilibrium->setVisible(shown);
  QString warnings;
  if (result.Valid) {
    for (const std::string& warning : result.Warnings) {
      if (!warnings.isEmpty()) warnings += QStringLiteral("\n\n");
      warnings += Text(warning);
    }
  }
  d_->Warnings->setText(warnings);
  d_->WarningBox->setVisible(!warnings.isEmpty());
}

QLabel* MainPages::Equilibrium() const {
  return d_->Equilibrium;
}

QLabel* MainPages::Warnings() const {
  return d_->Warnings;
}

MainPages::~MainPages() {
  delete d_;
}

// ---------------------------------------------------------------------------------------------
// Refreshing from the store

void MainPages::RefreshAll() {
  ModelStore& store = *d_->Store;
  for (TNumberEdit* field : d_->Fields) field->Refresh();
  for (int n = 4; n <= 11; ++n) d_->ReportedFields[n - 4] = store.NumberEdit(n).Text();

  for (GridView* grid : d_->Grids()) grid->Model()->Refresh();
  d_->ForceModel->RefreshAll();
  for (GridView* grid : d_->Grids()) FitLabelColumn(grid);

  d_->PathNameLabel->setText(Text(store.PathNameLabel));
  d_->FileNameLabel->setText(Text(store.FileNameLabel));
  d_->Label23->setText(Text(store.Label23));
  d_->Label24->setText(Text(store.Label24));

  QString report;
  for (size_t i = 0; i < store.Memo1.size(); ++i) {
    if (i > 0) report += QLatin1Char('\n');
    report += Text(store.Memo1[i]);
  }
  if (d_->Memo1->toPlainText() != report) d_->Memo1->setPlainText(report);

  d_->GroupBox4->setVisible(store.GroupBox4Visible);
  d_->StringGrid3->setVisible(store.StringGrid3Visible);
  d_->Label38->setVisible(store.Label38Visible);
  d_->Memo1->setVisible(store.Memo1Visible);
  RefreshChecks();

  d_->CheckBox2->setChecked(store.CheckBox2);

  if (store.ActivePage >= 0 && store.ActivePage < count() && store.ActivePage != currentIndex())
    SwitchPage(store.ActivePage);
  else
    store.ActivePage = currentIndex();
}

void MainPages::CommitEdits() {
  for (GridView* grid : d_->Grids()) grid->FinishEditing();
  CommitFieldEdits();
}

void MainPages::CommitFieldEdits() {
  ModelEdit edit;
  for (int n = 4; n <= 11; ++n) {
    std::string& reported = d_->ReportedFields[n - 4];
    const std::string& now = d_->Store->NumberEdit(n).Text();
    if (reported == now) continue;
    edit.Fields.push_back({n, reported, now});
    reported = now;
  }
  if (!edit.Empty()) Report(std::move(edit), QStringLiteral("Edit field"));
}

void MainPages::Report(ModelEdit edit, const QString& what) {
  if (EditMade && !edit.Empty()) EditMade(std::move(edit), what);
}

ModelTable MainPages::TableOfView(const GridView* grid) const {
  if (grid == d_->EleGrid) return ModelTable::Bars;
  if (grid == d_->PropGrid) return ModelTable::Types;
  return ModelTable::Nodes;
}

void MainPages::PasteInto(GridView* grid) {
  if (grid != d_->CoordGrid && grid != d_->EleGrid && grid != d_->PropGrid) return;
  grid->FinishEditing();
  const ModelTable table = TableOfView(grid);
  const QModelIndex current = grid->currentIndex();
  const int col = current.isValid() ? current.column() : 1;
  const int row = current.isValid() ? GridModel::GridRow(current) : FirstDataRow(table);
  const std::string text = QGuiApplication::clipboard()->text().toStdString();
  PastePlan plan = PlanPaste(*d_->Store, table, col, row, ParseTabText(text));
  if (!plan.Refusal.empty()) {
    d_->Messages->ShowError(plan.Refusal);
    return;
  }
  if (plan.Edit.Empty()) return;
  ApplyEdit(*d_->Store, plan.Edit, true);
  for (GridView* g : d_->Grids()) g->Model()->Refresh();
  Report(std::move(plan.Edit), QStringLiteral("Paste"));
}

void MainPages::DeleteIn(GridView* grid) {
  if (grid != d_->CoordGrid && grid != d_->EleGrid && grid != d_->PropGrid) return;
  grid->FinishEditing();
  std::vector<GridCell> cells;
  for (const auto& [col, row] : grid->SelectedCells()) cells.push_back({col, row});
  ModelEdit edit = ClearCellsEdit(*d_->Store, TableOfView(grid), cells);
  if (edit.Empty()) return;
  ApplyEdit(*d_->Store, edit, true);
  grid->Model()->Refresh();
  Report(std::move(edit), QStringLiteral("Delete"));
}

bool MainPages::GoToPage(int index) {
  if (index == currentIndex()) return true;
  if (!PageControl1Changing()) return false;
  SwitchPage(index);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Page changes

bool MainPages::PageControl1Changing() {
  CommitEdits();
  SetNumberFormats();
  bool ok = false;
  try {
    ok = NormaliseTables(*d_->Store);
  } catch (const UserError& e) {
    // A cell that passes the character test but is no number (1.2.3) stops the cleaning;
    // the page stays so that the user can mend it.
    d_->CoordModel->Refresh();
    d_->EleModel->Refresh();
    d_->Messages->ShowError(e.what());
    return false;
  }
  // The cleaning rewrote the valid cells, whatever the result.
  d_->CoordModel->Refresh();
  d_->EleModel->Refresh();
  if (!ok) d_->Messages->ShowError("error in (geometry) input fields");
  return ok;
}

void MainPages::SwitchPage(int index) {
  const bool wasSwitching = d_->Switching;
  d_->Switching = true;
  setCurrentIndex(index);
  d_->Switching = wasSwitching;
  d_->Current = currentIndex();
  d_->Store->ActivePage = d_->Current;
}

void MainPages::OnCurrentChanged(int index) {
  if (d_->Switching || index == d_->Current || index < 0) {
    d_->Current = index;
    d_->Store->ActivePage = index;
    return;
  }
  // Changed by a key or the wheel: go back to the page being left while it is checked, so
  // that any message appears over that page.
  const int target = index;
  SwitchPage(d_->Current);
  if (PageControl1Changing()) SwitchPage(target);
}

bool MainPages::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    // A field takes Ctrl+Z for its own typing; with nothing of that left to undo (or redo),
    // the key goes on to the window's undo of the model.
    if (auto* field = qobject_cast<TNumberEdit*>(watched)) {
      auto* key = static_cast<QKeyEvent*>(event);
      if ((key->matches(QKeySequence::Undo) && !field->isUndoAvailable()) ||
          (key->matches(QKeySequence::Redo) && !field->isRedoAvailable()))
        return true;
    }
  }
  if (watched == tabBar() && event->type() == QEvent::MouseButtonPress) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton) {
      const int index = tabBar()->tabAt(mouse->position().toPoint());
      if (index >= 0 && index != currentIndex() && tabBar()->isTabEnabled(index)) {
        if (PageControl1Changing()) SwitchPage(index);
        return true;
      }
    }
  } else if (watched == d_->Panel1 && event->type() == QEvent::MouseButtonDblClick) {
    emit HelpRequested();
    return true;
  }
  return QTabWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Table and field handlers

void MainPages::CoordGridMouseDown() {
  d_->CoordGrid->FinishEditing();
  if (!d_->Messages->AskYesNo("Erase nodal data ?")) return;
  ModelEdit edit = ClearTableEdit(*d_->Store, ModelTable::Nodes);
  d_->Store->CoordGrid.ClearCells(1, 1);
  d_->CoordModel->Refresh();
  Report(std::move(edit), QStringLiteral("Erase nodal data"));
}

void MainPages::EleGridMouseDown() {
  d_->EleGrid->FinishEditing();
  d_->PropGrid->FinishEditing();
  if (!d_->Messages->AskYesNo("Erase bar data ?")) return;
  // Only the bar table: the bar types stay, also after a right click on their table.
  ModelEdit edit = ClearTableEdit(*d_->Store, ModelTable::Bars);
  d_->Store->EleGrid.ClearCells(1, 1);
  d_->EleModel->Refresh();
  Report(std::move(edit), QStringLiteral("Erase bar data"));
}

void MainPages::FieldExited(int n) {
  ModelEdit edit;
  std::string& reported = d_->ReportedFields[n - 4];
  const std::string& now = d_->Store->NumberEdit(n).Text();
  if (reported != now) {
    edit.Fields.push_back({n, reported, now});
    reported = now;
  }
  if (n == 10 || n == 11) {
    // The type-0 row follows E and A: one edit with the field.
    const int col = n == 10 ? 1 : 2;
    TextGrid& props = d_->Store->PropGrid;
    const std::string before(props.Cell(col, 1));
    if (n == 10)
      NumberEdit10Exit();
    else
      NumberEdit11Exit();
    if (props.RowCount() > 1 && props.Cell(col, 1) != before)
      edit.Cells.push_back({ModelTable::Types, col, 1, before, std::string(props.Cell(col, 1))});
  }
  Report(std::move(edit), QStringLiteral("Edit field"));
}

void MainPages::NumberEdit10Exit() {
  if (d_->Store->PropGrid.RowCount() < 2) return;
  MirrorDefaultTypeE(*d_->Store);
  d_->PropModel->RefreshGridRow(1);
}

void MainPages::NumberEdit11Exit() {
  if (d_->Store->PropGrid.RowCount() < 2) return;
  MirrorDefaultTypeA(*d_->Store);
  d_->PropModel->RefreshGridRow(1);
}

// ---------------------------------------------------------------------------------------------
// Accessors

TNumberEdit* MainPages::NumberEdit(int n) const {
  if (n < kFirstField || n > kLastField) return nullptr;
  return d_->Fields[n - kFirstField];
}
QTableView* MainPages::CoordGrid() const {
  return d_->CoordGrid;
}
QTableView* MainPages::EleGrid() const {
  return d_->EleGrid;
}
QTableView* MainPages::PropGrid() const {
  return d_->PropGrid;
}
QTableView* MainPages::StringGrid3() const {
  return d_->StringGrid3;
}
QCheckBox* MainPages::CheckBox2() const {
  return d_->CheckBox2;
}
QPlainTextEdit* MainPages::Memo1() const {
  return d_->Memo1;
}
QPushButton* MainPages::BitBtn2() const {
  return d_->BitBtn2;
}
QPushButton* MainPages::ViewButton(int page) const {
  return page == 1 ? d_->ViewButton1 : page == 2 ? d_->ViewButton2 : nullptr;
}
bool MainPages::ShowNumbering() const {
  return d_->CheckBox4->isChecked();
}
bool MainPages::ShowAxes() const {
  return d_->CheckBox5->isChecked();
}

}  // namespace tarvelin
