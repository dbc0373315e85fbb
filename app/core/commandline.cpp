// The program's command line and the screen test.
#include "app/core/commandline.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "analysis/modelstore.h"
#include "files/resultsexport.h"
#include "files/settings.h"
#include "support/dialogs.h"
#include "support/numtext.h"
#include "support/unitlib.h"
#include "view/scene.h"

namespace fs = std::filesystem;

namespace tarvelin {

const char* const kNeedDisplayMessage =
    "tarvelin: there is no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY "
    "is set, or the Qt platform is offscreen or minimal).\n"
    "Run it on a display, or give \"-i\" and a data file for a batch run:\n"
    "  tarvelin -i <file.PEN> [-R <table length>] [-w [-n]] [-p <picture.png|picture.svg>]\n"
    "           [-o <results.json|results.csv>]\n";

namespace {

bool FileExists(const std::string& name) {
  std::error_code ec;
  return !name.empty() && fs::is_regular_file(name, ec);
}

// From the last "." of the file-name part on ("" without one), as a dotted file such as
// ".PEN" counts too.
std::string UpperExtension(const std::string& name) {
  std::size_t dot = name.rfind('.');
  std::size_t slash = name.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = name.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return ext;
}

// A name found as given (relative names against the current folder) is kept exactly as given:
// it is what the window shows and what the settings file's "datafile" stores.
std::string ResolveDataFileName(const std::string& name, const std::string& programDir) {
  if (FileExists(name)) return name;
  if (!programDir.empty() && name.find(programDir) != std::string::npos) return name;
  return programDir + name;
}

}  // namespace

std::string PictureOptionMessage(const std::string& name) {
  if (name.empty()) return "The option -p needs a picture file (.png or .svg).";
  return "The picture file must end in .png or .svg: " + name;
}

bool HasPenExtension(const std::string& name) {
  return UpperExtension(name) == ".PEN";
}

bool DisplayLooksReachable(const EnvLookup& env) {
  const char* wayland = env("WAYLAND_DISPLAY");
  const char* display = env("DISPLAY");
  if ((wayland && *wayland) || !display || !*display) return true;
  std::string name(display);
  if (name.rfind("unix:", 0) == 0) name.erase(0, 4);
  if (name.empty() || name[0] != ':') return true;  // a display over the network
  std::string number = name.substr(1);
  number = number.substr(0, number.find('.'));  // ":0.1" is screen 1 of display 0
  if (number.empty() || !IsDigitString(number)) return true;
  std::error_code ec;
  return fs::exists("/tmp/.X11-unix/X" + number, ec);
}

CommandLineOutcome ApplyCommandLine(const std::vector<std::string>& args, StartupState& state,
                                    Dialogs& dialogs) {
  CommandLineOutcome out;
  if (args.size() < 2) return out;
  const std::size_t count = args.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (args[i] == "-t") out.TestOutput = true;
    if (args[i] == "-w") out.WriteScene = true;
    if (args[i] == "-n") out.SceneNumbering = true;

    if (args[i] == "-i" && i + 1 < count) {
      const std::string& name = args[i + 1];
      if (!HasPenExtension(name)) {
        // The file argument is looked at again as an option at the next index.
        dialogs.ShowError("Not a .PEN file");
        ++out.Errors;
      } else {
        state.DataFileName = ResolveDataFileName(name, state.ProgramDir);
        ++i;
        if (FileExists(state.DataFileName)) {
          state.BatchMode = true;
        } else {
          // An earlier "-i" does not stay in force without its file.
          state.DataFileName.clear();
          state.BatchMode = false;
          dialogs.ShowError("Error in filename or path, no spaces in name or path accepted");
          ++out.Errors;
        }
      }
    }

    if (args[i] == "-p") {
      if (i + 1 < count && IsPictureFileName(args[i + 1])) {
        out.PictureFile = args[++i];
      } else {
        dialogs.ShowError(PictureOptionMessage(i + 1 < count ? args[i + 1] : ""));
        ++out.Errors;
        if (i + 1 < count) ++i;
      }
      continue;
    }

    if (args[i] == "-o") {
      if (i + 1 >= count) {
        // Left out silently, the export a script waits for would never come.
        dialogs.ShowError("The option -o needs a file name ending in .json or .csv");
        ++out.Errors;
      } else if (ResultsFormatOf(args[i + 1]) == ResultsFormat::Unknown) {
        dialogs.ShowError(ResultsFormatMessage(args[++i]));
        ++out.Errors;
      } else {
        out.ResultsFile = args[++i];
      }
    }

    if (args[i] == "-R" && i + 1 < count && IsNumberText(args[i + 1])) {
      const std::string& text = args[i + 1];
      ++i;
      int length = 0;
      if (!TryStrToInt(text, length)) {
        dialogs.ShowError("'" + text + "' is not a valid integer value");
        ++out.Errors;
      } else if (!GridLengthInRange(length)) {
        dialogs.ShowError(GridLengthRangeMessage(text, state.GridLength));
        ++out.Errors;
      } else {
        state.GridLength = length;
      }
    }
  }
  return out;
}

bool IsBatchCommandLine(const std::vector<std::string>& args) {
  if (args.size() < 2) return false;
  for (std::size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == "-i") return true;
  return false;
}

bool HasScreen(const EnvLookup& env) {
  auto set = [&](const char* name) {
    const char* value = env(name);
    return value && *value;
  };
  if (const char* platform = env("QT_QPA_PLATFORM"); platform && *platform) {
    std::string name(platform);
    name = name.substr(0, name.find(':'));  // "offscreen:fontengine=..." names offscreen
    if (name == "offscreen" || name == "minimal") return false;
    if (name == "xcb") return set("DISPLAY");
    if (name == "wayland" || name == "wayland-egl") return set("WAYLAND_DISPLAY");
    // Platforms that draw on their own (eglfs, linuxfb, vnc) need neither variable; a list
    // of fallbacks ("wayland;xcb") needs one of them.
    if (name.find(';') == std::string::npos) return true;
  }
  return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace tarvelin
