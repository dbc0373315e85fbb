// PageControl1: the pages "Block", "Hinged bars" and "Results" over the model store.
#pragma once

#include <QTabWidget>
#include <functional>

#include "app/core/modeledit.h"

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
class GridView;

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
  QLabel* Equilibrium() const;
  QLabel* Warnings() const;
  QPushButton* BitBtn2() const;  // "Calculate"
  // The "3D view" buttons of the "Hinged bars" and "Results" pages.
  QPushButton* ViewButton(int page) const;

  // The two "Show 3D-VRML model" option pairs (each pair moves together).
  bool ShowNumbering() const;
  bool ShowAxes() const;

  // Commits the text of any open table cell editor into the store (before the core reads
  // the tables: calculate, save, close).
  void CommitEdits();
  // PageControl1Changing: cleans the node and bar tables; false (after the error box) when
  // the current page must stay.
  bool PageControl1Changing();

  // Every change of the model made on the pages (a typed cell, a field left with a new
  // value, the switch, an erase, a paste, a delete) is reported here after it is made, so
  // that the window can record it for undo and mark the results out of date.
  std::function<void(ModelEdit edit, const QString& what)> EditMade;
  // Reports the fields whose text changed since they were last reported or refreshed.
  void CommitFieldEdits();
  // Pastes the clipboard's tab-separated text into grid from its current cell; deletes the
  // text of the selected cells. Both are one edit; a refused paste changes nothing.
  void PasteInto(GridView* grid);
  void DeleteIn(GridView* grid);
  // Goes to page index through the page check (false when the page had to stay).
  bool GoToPage(int index);

 signals:
  void CalculateRequested();  // BitBtn2Click
  void ShowVrmlRequested();   // Button2Click (both "Show" buttons)
  void HelpRequested();       // Panel1DblClick, Label3DblClick
  void ViewRequested();       // a "3D view" button
  // A table cell or a load changed under the user's hands (the 3D view follows).
  void ModelEdited();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RefreshChecks();
  void SwitchPage(int index);
  void OnCurrentChanged(int index);
  void CoordGridMouseDown();
  void EleGridMouseDown();
  void NumberEdit10Exit();
  void NumberEdit11Exit();
  void FieldExited(int n);
  void Report(ModelEdit edit, const QString& what);
  ModelTable TableOfView(const GridView* grid) const;

  struct Private;
  Private* d_;
};

}  // namespace tarvelin
