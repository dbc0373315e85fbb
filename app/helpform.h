// THelpForm: the technical-information window, one page of notes and a "Close" button.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tarvelin {

// Resource name of the page of notes.
extern const char* const kTechnicalNotesPicture;

class THelpForm : public QDialog {
  Q_OBJECT
 public:
  explicit THelpForm(QWidget* parent);

  QLabel* Image1() const { return image1_; }
  QPushButton* BitBtn1() const { return bitBtn1_; }

 public slots:
  void BitBtn1Click();

 private:
  QLabel* image1_;
  QPushButton* bitBtn1_;
};

}  // namespace tarvelin
