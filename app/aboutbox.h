// TAboutBox: name, version and links of the program, and the four start-up options.
#pragma once

#include <QDialog>
#include <string>

#include "analysis/tablelength.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace tarvelin {

// The addresses handed to the desktop by the two links.
extern const char* const kWebPageUrl;
extern const char* const kMailUrl;

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  // Placed 135 to the right of and 45 below the top-left corner of parent's window.
  explicit TAboutBox(QWidget* parent);

  // The combo box shows gridLength - 1 (the data rows).
  void PutOptions(bool openLast, bool autoUpdate, int gridLength, bool noIntro);
  // The three flags are always given back. Then the combo text is read as a whole number
  // (throws UserError "'<text>' is not a valid integer value", newGridLength untouched) and
  // newGridLength is that number plus 1 (a text of 2147483647 gives 2147483647).
  void GetOptions(bool& openLast, bool& autoUpdate, bool& noIntro, int& newGridLength);

  QLabel* Label1() const { return label1_; }
  QLabel* Copyright() const { return copyright_; }
  QCheckBox* CheckBox1() const { return checkBox1_; }
  QCheckBox* CheckBox2() const { return checkBox2_; }
  QCheckBox* CheckBox3() const { return checkBox3_; }
  QComboBox* ComboBox1() const { return comboBox1_; }
  QPushButton* OKButton() const { return okButton_; }

 public slots:
  void Label1Click();     // the program's web page
  void CopyrightClick();  // a prepared mail to the author

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* label1_ = nullptr;
  QLabel* copyright_ = nullptr;
  QCheckBox* checkBox1_ = nullptr;
  QCheckBox* checkBox2_ = nullptr;
  QCheckBox* checkBox3_ = nullptr;
  QComboBox* comboBox1_ = nullptr;
  QPushButton* okButton_ = nullptr;
};

}  // namespace tarvelin
