// The program's command line: the options "-t", "-i", "-R", "-w", "-n", "-p", "-o", and whether
// there is a screen to show the window on.
#pragma once

#include <string>
#include <vector>

#include "app/core/locations.h"

namespace tarvelin {

class Dialogs;
struct StartupState;

struct CommandLineOutcome {
  bool TestOutput = false;      // "-t": check CheckBox1
  bool WriteScene = false;      // "-w": a batch run also writes the scene
  bool SceneNumbering = false;  // "-n": ... with numbering on
  std::string PictureFile;      // "-p": the picture of the calculated model (.png or .svg)
  std::string ResultsFile;      // "-o": a batch run also exports the results (.json or .csv)
  int Errors = 0;               // messages reported while the options were applied
};

// Applies the arguments (without the program name) to state; looked at only when there are
// at least two. Options are compared with their letter case, walked from first to last:
//   "-t"            test output;
//   "-i" <file>     the data file: ".PEN" in any letter case, found as given (relative to
//                   the current folder) or in state.ProgramDir; sets BatchMode;
//   "-R" <number>   the table length, a whole number within kMinGridLength..kMaxGridLength;
//   "-w", "-n"      scene export after a successful batch calculation, with numbering;
//   "-p" <file>     the picture of the calculated model, ".png" or ".svg" in any letter case,
//                   written after a successful batch calculation.
//   "-o" <file>     results export after a successful batch calculation: ".json" or ".csv"
//                   in any letter case, relative to the current folder; another name, or
//                   "-o" as the last argument, is an error.
// Problems are reported through dialogs.ShowError and leave the state as it was, except that
// a data file that cannot be found also empties DataFileName.
CommandLineOutcome ApplyCommandLine(const std::vector<std::string>& args, StartupState& state,
                                    Dialogs& dialogs);

// "-p" without a picture file after it, or with a file of another kind.
std::string PictureOptionMessage(const std::string& name);

// True when the extension of name, in upper case, is ".PEN".
bool HasPenExtension(const std::string& name);

// True when the arguments ask for a batch run: at least two, and "-i" followed by another.
bool IsBatchCommandLine(const std::vector<std::string>& args);

// False when there is no screen for a window: neither DISPLAY nor WAYLAND_DISPLAY is set, or
// QT_QPA_PLATFORM names the offscreen or minimal platform.
bool HasScreen(const EnvLookup& env);

// False only when DISPLAY names a local X display (":N", "unix:N") whose socket
// /tmp/.X11-unix/XN is missing, so that a batch run with a stale DISPLAY (a closed ssh -X
// session) runs without a window instead of failing to open one. True when it cannot tell.
bool DisplayLooksReachable(const EnvLookup& env);

// Said on standard error when there is neither a screen nor a batch run to do.
extern const char* const kNeedDisplayMessage;

}  // namespace tarvelin
