// The settings file: start-up options and working state kept between runs.
#pragma once

#include <string>
#include <vector>

#include "analysis/modelstore.h"

namespace tarvelin {

class Dialogs;

struct StartupState {
  std::string ProgramDir;  // the program's folder, ending in "/"
  std::string WorkingDir;
  std::string DataFileName;
  int GridLength = kDefaultGridLength;
  bool BatchMode = false;
  bool OpenLastProject = false;
  bool AutoUpdate = true;
  bool NoIntroPanel = false;
  // The data files last opened or saved in the window, newest first (section "recentfiles").
  std::vector<std::string> RecentFiles;
  // The window's place and size when not maximised (section "window"); Known false: never
  // stored, the window takes its default size.
  struct Placement {
    bool Known = false;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Maximised = false;
  } Window;
};

constexpr int kMaxRecentFiles = 8;
// Puts name first in the list, once, and keeps at most kMaxRecentFiles.
void AddRecentFile(std::vector<std::string>& list, const std::string& name);

// Section "program" of iniPath into state. A "gridlength" that is not a whole number, or lies
// outside kMinGridLength..kMaxGridLength, is reported through dialogs.ShowError and the
// previous GridLength stays; a value below 20 gives 101. Also reads the recent files and the
// window's placement.
void ReadIniSettings(StartupState& state, const std::string& iniPath, Dialogs& dialogs);
// Writes section "program" in the order workingdir, openlastproject, datafile, gridlength
// (only when not 101), autoupdate, noIntroPanel, then sections "recentfiles" and "window"
// (when known), keeping the rest of the file. Throws
// UserError("Unable to write to <iniPath>") when the file or its folder cannot be written, or
// when a file exists there that cannot be read; the old file then stays as it was.
void SaveIniSettings(const StartupState& state, const std::string& iniPath);

}  // namespace tarvelin
