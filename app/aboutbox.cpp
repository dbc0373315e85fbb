// TAboutBox: the about box with its links and the start-up options it edits.
#include "app/aboutbox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <climits>

#include "analysis/modelstore.h"
#include "support/numtext.h"
#include "version.h"

namespace tarvelin {

const char* const kWebPageUrl = "http://www.tarvelin.example/ORVIK/software/tarvelin/";
const char* const kMailUrl =
    "mailto:tarvelin@tarvelin.example?subject=info about Tarvelin&body=Dear Sir,";

namespace {

// Every text here is plain: "<filename>" must not be taken for a tag.
QLabel* PlainLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

void MakeLink(QLabel* label) {
  QFont font = label->font();
  font.setBold(true);
  font.setUnderline(true);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::blue);
  label->setPalette(palette);
  label->setCursor(Qt::PointingHandCursor);
}

void MakeBold(QWidget* widget) {
  QFont font = widget->font();
  font.setBold(true);
  widget->setFont(font);
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setWindowTitle("About");
  setObjectName("AboutBox");

  auto* panel = new QFrame(this);
  panel->setObjectName("Panel1");
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setAutoFillBackground(true);
  QPalette white = panel->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  panel->setPalette(white);

  auto* programImage = new QLabel(panel);
  programImage->setObjectName("ProgramImage");
  QIcon icon(":/pictures/tarvelin.png");
  if (icon.isNull() && parent) icon = parent->window()->windowIcon();
  programImage->setPixmap(icon.pixmap(41, 41));
  programImage->setFixedSize(41, 41);
  programImage->setScaledContents(true);

  label1_ = PlainLabel("TARVELIN ON HINGED BARS", panel);
  label1_->setObjectName("Label1");
  MakeLink(label1_);
  label1_->installEventFilter(this);
  auto* label2 = PlainLabel("Discrete Element Method", panel);
  label2->setObjectName("Label2");
  auto* versionLabel = PlainLabel("version " TARVELIN_VERSION, panel);
  versionLabel->setObjectName("VersionLabel");
  auto* versionDateLabel = PlainLabel(", 7 december 2016", panel);
  versionDateLabel->setObjectName("VersionDateLabel");
  copyright_ = PlainLabel("\u00a9 the Tarvelin on bars authors", panel);
  copyright_->setObjectName("Copyright");
  copyright_->setToolTip("click to mail me");
  MakeLink(copyright_);
  copyright_->installEventFilter(this);

  checkBox1_ = new QCheckBox("Open last project used at startup", panel);
  checkBox1_->setObjectName("CheckBox1");
  checkBox3_ = new QCheckBox("Do not show intro panel", panel);
  checkBox3_->setObjectName("CheckBox3");
  checkBox2_ = new QCheckBox("Automatic update from internet", panel);
  checkBox2_->setObjectName("CheckBox2");

  auto* label8 = PlainLabel("Maximum  table length :", panel);
  label8->setObjectName("Label8");
  comboBox1_ = new QComboBox(panel);
  comboBox1_->setObjectName("ComboBox1");
  comboBox1_->setEditable(true);
  comboBox1_->setInsertPolicy(QComboBox::NoInsert);
  // Typed text is taken as typed: inline completion turned a typed "20" into "200".
  comboBox1_->setCompleter(nullptr);
  for (const char* item : {"25", "50", "75", "100", "200", "400", "600", "800", "1000", "2000"})
    comboBox1_->addItem(item);
  comboBox1_->setAccessibleName("Maximum table length");
  comboBox1_->setMinimumContentsLength(7);
  label8->setBuddy(comboBox1_);

  auto* panel2 = new QFrame(panel);
  panel2->setObjectName("Panel2");
  panel2->setFrameShape(QFrame::HLine);
  panel2->setFrameShadow(QFrame::Sunken);

  auto* label6 = PlainLabel("BATCH MODE RUNNING", panel);
  label6->setObjectName("Label6");
  MakeBold(label6);
  auto* label3 = PlainLabel("start option : -i <filename> -R <max nr of rows> -t", panel);
  label3->setObjectName("Label3");
  auto* label4 = PlainLabel("for automatic processing", panel);
  label4->setObjectName("Label4");
  auto* label5 = PlainLabel("Use -R option for systems with more than 100 nodes or bars", panel);
  label5->setObjectName("Label5");
  auto* label7 = PlainLabel("Use -t option to show test output", panel);
  label7->setObjectName("Label7");

  okButton_ = new QPushButton("OK", this);
  okButton_->setObjectName("OKButton");
  MakeBold(okButton_);
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  // Layout, top to bottom as designed; sizes follow the fonts the desktop has.
  auto* titles = new QVBoxLayout;
  titles->setSpacing(2);
  titles->addWidget(label1_);
  titles->addWidget(label2);
  auto* version = new QHBoxLayout;
  version->setSpacing(0);
  version->addWidget(versionLabel);
  version->addWidget(versionDateLabel);
  version->addStretch();
  titles->addLayout(version);
  titles->addWidget(copyright_);
  auto* head = new QHBoxLayout;
  head->addWidget(programImage, 0, Qt::AlignTop);
  head->addSpacing(8);
  head->addLayout(titles, 1);

  auto* length = new QHBoxLayout;
  length->addWidget(label8);
  length->addWidget(comboBox1_);
  length->addStretch();

  auto* inside = new QVBoxLayout(panel);
  inside->setContentsMargins(10, 10, 10, 10);
  inside->setSpacing(4);
  inside->addLayout(head);
  inside->addSpacing(6);
  inside->addWidget(checkBox1_);
  inside->addWidget(checkBox3_);
  inside->addWidget(checkBox2_);
  inside->addLayout(length);
  inside->addSpacing(4);
  inside->addWidget(panel2);
  inside->addSpacing(4);
  inside->addWidget(label6);
  inside->addWidget(label3);
  inside->addWidget(label4);
  inside->addWidget(label5);
  inside->addWidget(label7);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(6, 6, 6, 6);
  outer->addWidget(panel);
  outer->addWidget(okButton_, 0, Qt::AlignHCenter);

  // The designed client area is 299 x 316; wider fonts get what they need.
  const QSize hint = sizeHint();
  setFixedSize(qMax(299, hint.width()), qMax(316, hint.height()));
  if (parent) move(parent->window()->pos() + QPoint(135, 45));
}

void TAboutBox::PutOptions(bool openLast, bool autoUpdate, int gridLength, bool noIntro) {
  checkBox1_->setChecked(openLast);
  checkBox2_->setChecked(autoUpdate);
  checkBox3_->setChecked(noIntro);
  comboBox1_->setEditText(QString::number(gridLength - 1));
}

void TAboutBox::GetOptions(bool& openLast, bool& autoUpdate, bool& noIntro, int& newGridLength) {
  openLast = checkBox1_->isChecked();
  autoUpdate = checkBox2_->isChecked();
  noIntro = checkBox3_->isChecked();
  const int rows = StrToInt(comboBox1_->currentText().toStdString());
  // The header row comes on top; the largest whole number has no room for it (and is far
  // beyond any table length anyway).
  newGridLength = rows < INT_MAX ? rows + 1 : INT_MAX;
}

void TAboutBox::Label1Click() {
  QDesktopServices::openUrl(QUrl(kWebPageUrl));
}

void TAboutBox::CopyrightClick() {
  QDesktopServices::openUrl(QUrl(kMailUrl));
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (watched == label1_) {
      Label1Click();
      return true;
    }
    if (watched == copyright_) {
      CopyrightClick();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tarvelin
