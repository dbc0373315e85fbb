// THelpForm: shows the page of technical notes, stretched over the whole client area.
#include "app/helpform.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "app/jpeg.h"

namespace tarvelin {

const char* const kTechnicalNotesPicture = ":/pictures/technical_notes.jpg";

THelpForm::THelpForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setWindowTitle("Technical information");
  setObjectName("HelpForm");
  setFixedSize(795, 561);

  image1_ = new QLabel(this);
  image1_->setObjectName("Image1");
  image1_->setGeometry(0, 0, 795, 561);
  image1_->setAlignment(Qt::AlignCenter);
  image1_->setScaledContents(true);
  image1_->setAutoFillBackground(true);
  QPalette white = image1_->palette();
  white.setColor(QPalette::Window, Qt::white);
  image1_->setPalette(white);
  const QPixmap page = LoadJpegPixmap(kTechnicalNotesPicture);
  if (!page.isNull()) image1_->setPixmap(page);

  bitBtn1_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), "Close", this);
  bitBtn1_->setObjectName("BitBtn1");
  bitBtn1_->setGeometry(717, 532, 75, 25);
  bitBtn1_->raise();
  connect(bitBtn1_, &QPushButton::clicked, this, &THelpForm::BitBtn1Click);
}

void THelpForm::BitBtn1Click() {
  accept();
}

}  // namespace tarvelin
