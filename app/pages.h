// PageControl1: the pages "Block", "Hinged bars" and "Results" over the model store.
#pragma once

#include <QTabWidget>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QGroupBox;

namespace tarvelin {

class Dialogs;
class ModelStore;
class TNumberEdit;

class MainPages : public QTabWidget {
  Q_OBJECT
 public:
  // The pages show and edit *store directly (fields through TNumberEdit over the store's
  // NumberLogic objects, tables through QAbstractTableModel adapters over its grids).
  MainPages(ModelStore* store, Dialogs* dialogs, QWidget* parent = nullptr);
  ~MainPages() override;

  // Re-read everything from the store after a core operation changed it (read, new,
  // calculate, resize): fields, tables (row counts too), labels, result visibility,
  // CheckBox2, the active page.
  void RefreshAll();

  TNumberEdit* NumberEdit(int n) const;  // 4..17
  QTableView* CoordGrid() const;
  QTableView* EleGrid() const;
  QTableView* PropGrid() const;
  QTableView* StringGrid3() const;
  QCheckBox* CheckBox2() const;
  QPlainTextEdit* Memo1() const;
  QPushButton* BitBtn2() const;  // "Calculate"

  // The two "Show 3D-VRML model" option pairs (each pair moves together).
  bool ShowNumbering() const;
  bool ShowAxes() const;

 signals:
  void CalculateRequested();  // BitBtn2Click
  void ShowVrmlRequested();   // Button2Click (both "Show" buttons)
  void HelpRequested();       // Panel1DblClick, Label3DblClick

 private:
  struct Private;
  Private* d_;
};

}  // namespace tarvelin
