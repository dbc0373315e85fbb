// TForm1: the main window, owner of the model store and the start-up state; start-up, batch
// run, commands and close.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "analysis/modelstore.h"
#include "app/core/commandline.h"
#include "app/core/locations.h"
#include "app/core/run.h"
#include "app/core/scenewrite.h"
#include "app/modelhistory.h"
#include "files/datafile.h"
#include "files/settings.h"
#include "update/update.h"

class QAction;
class QCheckBox;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolButton;
class QUrl;

namespace tarvelin {

class Dialogs;
class GridView;
class MainPages;
class ViewWindow;

// Address of the VRML plug-in's web page (intro panel link and picture).
extern const char* const kPluginWebPage;
// The maker's notice (status panel 1 and the batch panel).
extern const char* const kMakersNotice;

// The open (save false) or save dialog of the data file, not yet shown: ".pen" files or text
// files, ".pen" added to a name typed without extension, any name accepted, and no question
// before an existing file is replaced.
QFileDialog* NewDataFileDialog(QWidget* parent, const QString& startFolder, bool save);

// The save dialog of the results export, not yet shown: JSON or CSV files, the selected
// filter's extension added to a name typed without one.
QFileDialog* NewExportDialog(QWidget* parent, const QString& startFolder);

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  // What the window asks of the desktop. The defaults use QDesktopServices, QProcess and
  // QFileDialog; tests replace them to answer the dialogs and to see what would be opened.
  struct Platform {
    std::function<bool(const QUrl&)> OpenUrl;
    std::function<bool(const QString& program, const QStringList& args, const QString& workDir)>
        StartDetached;
    // The open and save dialogs: the chosen name, or an empty text for Cancel.
    std::function<QString(QWidget* parent, const QString& startFolder)> GetOpenFileName;
    std::function<QString(QWidget* parent, const QString& startFolder)> GetSaveFileName;
    // The save dialog of File > "Export results…" (JSON or CSV).
    std::function<QString(QWidget* parent, const QString& startFolder)> GetExportFileName;
  };

  // args: the process arguments without the program name. dialogs: the message boxes, or
  // nullptr for QMessageBox. The constructor runs FormCreate.
  TForm1(std::vector<std::string> args, FileLocations locations, Dialogs* dialogs = nullptr,
         QWidget* parent = nullptr);
  ~TForm1() override;

  // Start-up and close.
  void FormCreate();
  void Timer1Timer();
  // Waits for the scene being written in the background, then writes the data file (unless
  // it must not be written back) and the settings; false, after the error box, when the
  // window must stay open. A close while the version check runs breaks the check off.
  bool FormClose();

  // Commands.
  void New1Click();
  // File > Save: writes the model to its data file, as the close does; without a data file
  // (or with one that failed to read) it is Save as. False when nothing was written.
  bool Save1Click();
  void Opslaanals1Click();
  // File > Recent files: reads name as Open does.
  void RecentFileClick(const QString& name);
  // Edit menu: undo and redo of model changes; copy, paste and delete act on the control
  // with the keyboard focus (a table, a field, the report).
  void Undo1Click();
  void Redo1Click();
  void Copy1Click();
  void Paste1Click();
  void Delete1Click();
  void Openen1Click();
  void ExportResults1Click();
  void Afsluiten1Click();
  void BitBtn1Click() { Afsluiten1Click(); }
  // Calculate: the results are drawn first, then the scene is written in the background.
  void BitBtn2Click();
  // Waits for the scene being written in the background and shows what its write reported.
  // Show, a second Calculate and the close call it first.
  void FinishScene();
  bool BlockFieldsReadable();
  void Button2Click();
  void SpeedButton1Click();
  void Manual1Click();
  void About1Click();
  void Technicalinformation1Click();
  void Button1Click();
  void CheckBox3Click();
  void Label42Click();
  // "3D view" (View menu, the pages' buttons, F3): opens the view window, or brings it up.
  void ShowModelView();
  // The drop handler on the dropped files' local names.
  void DropFiles(const QStringList& names);

  // Runs one command: a UserError (or any other exception) it raises is shown in the error
  // box and the program goes on. Returns false when it raised one.
  bool Guarded(const std::function<void()>& command);
  // Re-reads everything on screen from the store and the state.
  void RefreshView();

  // State, for the commands' callers and tests.
  ModelStore& Store() { return store_; }
  StartupState& State() { return state_; }
  WWWUpdateRec& UpdateRec() { return www_; }
  const FileLocations& Locations() const { return locations_; }
  const CommandLineOutcome& Options() const { return options_; }
  Platform& Hooks() { return platform_; }
  Dialogs& dialogs() { return *dialogs_; }
  // The data file that must not be written back at close (a model that failed to read);
  // empty when there is none.
  const std::string& ProtectedDataFile() const { return run_.DataFile.Protected(); }
  // The model has changes that are not saved in its data file.
  bool Modified() const;
  ModelHistory& History() { return history_; }

  // Controls.
  QTabWidget* PageControl1 = nullptr;  // the three pages (MainPages when built with them)
  MainPages* Pages = nullptr;          // nullptr when the program is built without the pages
  QCheckBox* CheckBox1 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QFrame* Panel2 = nullptr;      // batch panel
  QFrame* IntroPanel = nullptr;  // intro panel
  QLabel* Image1 = nullptr;      // the viewer picture on the intro panel
  QLabel* Label42 = nullptr;     // "Cortona plug in "
  QCheckBox* CheckBox3 = nullptr;
  QPushButton* Button1 = nullptr;
  QMenu* Bestand1 = nullptr;  // "File"
  QMenu* Info1 = nullptr;     // "Info"
  QMenu* Edit1 = nullptr;     // "Edit"
  QMenu* View1 = nullptr;     // "View"
  QMenu* Recent1 = nullptr;   // File > "Recent files"

  QAction* View3DAction = nullptr;  // View > "3D view" (F3)
  ViewWindow* View3D = nullptr;     // created on first use
  QAction* New1 = nullptr;
  QAction* Save1 = nullptr;
  QAction* Undo1 = nullptr;
  QAction* Redo1 = nullptr;
  QAction* Copy1 = nullptr;
  QAction* Paste1 = nullptr;
  QAction* Delete1 = nullptr;
  QAction* Calculate1 = nullptr;  // F9
  QAction* Opslaanals1 = nullptr;
  QAction* Openen1 = nullptr;
  QAction* ExportResults1 = nullptr;  // enabled only while the results are valid
  QAction* Afsluiten1 = nullptr;
  QAction* Technicalinformation1 = nullptr;
  QAction* Manual1 = nullptr;
  QAction* About1 = nullptr;
  QTimer* Timer1 = nullptr;
  std::vector<QLabel*> StatusPanels;  // the eight panels of StatusBar1

  // True once the deferred start-up has shown the pages and menus.
  bool Interactive() const { return interactive_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWindow();
  void BuildMenus();
  void BuildStatusBar();
  void BuildBatchPanel();
  void BuildIntroPanel();
  void FitWindowSize();
  void PlaceOverlays();
  void ShowInteractive();
  void RunBatch();
  // The version check: its fetches run on a worker thread, so the window keeps working; the
  // question and the updater's start come back to the window's thread.
  void StartVersionCheck();
  void VersionChecked(const WWWUpdateRec& rec, VersionOutcome outcome);
  void UpdaterFetched(UpdaterOutcome outcome);
  // Runs work on the worker thread (after the previous work has ended), then done on the
  // window's thread unless the window has closed meanwhile.
  void RunInBackground(std::function<void()> work, std::function<void()> done);
  void StopBackgroundWork();
  // Every save of the model into state_.DataFileName (close, Save, Save as): when another
  // program changed the file since it was read or last saved here, the user is asked before
  // it is overwritten. False when the answer kept the file; throws UserError on failure.
  bool SaveDataFile();
  // Reads state_.DataFileName, taken over only when the whole file was read; false when the
  // file stopped the reading with an error. The window then keeps its model whole, and the
  // data file's name goes back to previousName unless keepName (the start-up, whose empty
  // model is never written over the file).
  bool ReadDataFileGuarded(const std::string& previousName = std::string(), bool keepName = true);
  // Open, drop and recent files: name, an existing file, becomes the data file; when it
  // fails to read, the name goes back to previous.
  void OpenDataFile(const std::string& name, std::string previous);
  // Asks "Save the changes to NAME?" when the model has unsaved changes; false for Cancel
  // (or a save that did not happen).
  bool AskToSaveChanges();
  bool SaveAs();
  void ModelChanged();
  void ShowSceneMessages();
  void UpdateCaption();
  void UpdateRecentMenu();
  void AddToRecentFiles(const std::string& name);
  void ApplyPlacement();
  void StorePlacement();
  void EnableCommands(bool on);
  // Paste or delete on the control with the keyboard focus: a table or a field.
  void EditOnFocus(void (MainPages::*onTable)(GridView*), void (QLineEdit::*onField)());
  QList<QAction*> Commands() const;
  bool SceneNumbering() const;
  bool SceneAxes() const;
  void CommitEdits();
  void SetPanelText(int panel, const QString& text);
  void SyncViewSelection();
  void SelectTableRow(bool bar, int row);
  static Platform DefaultPlatform();

  std::vector<std::string> args_;
  FileLocations locations_;
  std::unique_ptr<Dialogs> ownDialogs_;
  Dialogs* dialogs_;
  ModelStore store_;
  // The run: settings, options and the data file, shared with the batch run without a window.
  ProgramRun run_;
  StartupState& state_ = run_.State;
  CommandLineOutcome& options_ = run_.Options;
  WWWUpdateRec www_;
  UpdateEnvironment updateEnv_;
  std::thread worker_;
  std::atomic<bool> cancelWork_{false};
  Platform platform_;
  ModelHistory history_{&store_};
  // The scene of the last Calculate, written on its own thread.
  BackgroundScene scene_;
  bool interactive_ = false;
  bool closed_ = false;  // FormClose has run to its end
};

}  // namespace tarvelin
