// Reading and saving the start-up options in section "program" of the settings file.
#include "files/settings.h"

#include <algorithm>

#include "files/profilefile.h"
#include "support/dialogs.h"
#include "support/numtext.h"

namespace tarvelin {
namespace {

const char kSection[] = "program";
const char kRecentSection[] = "recentfiles";
const char kWindowSection[] = "window";
const char* const kPlacementKeys[] = {"left", "top", "width", "height"};

std::string RecentKey(int i) {
  return "file" + std::to_string(i + 1);
}

void ReadRecentAndWindow(StartupState& state, const ProfileFile& ini) {
  state.RecentFiles.clear();
  for (int i = 0; i < kMaxRecentFiles; ++i) {
    const std::string name = ini.Read(kRecentSection, RecentKey(i), "");
    const auto& list = state.RecentFiles;
    if (!name.empty() && std::find(list.begin(), list.end(), name) == list.end())
      state.RecentFiles.push_back(name);
  }
  StartupState::Placement p;
  int* values[] = {&p.Left, &p.Top, &p.Width, &p.Height};
  p.Known = true;
  for (int i = 0; i < 4; ++i)
    p.Known = p.Known && TryStrToInt(ini.Read(kWindowSection, kPlacementKeys[i], ""), *values[i]);
  p.Known = p.Known && p.Width > 0 && p.Height > 0;
  p.Maximised = ini.Read(kWindowSection, "maximised", "0") == "1";
  if (p.Known) state.Window = p;
}

// Far more than any settings file holds; a larger one is no settings file.
constexpr std::uint64_t kMaxSettingsBytes = 1024 * 1024;

bool Flag(const ProfileFile& ini, const char* key, const char* defaultValue) {
  return ini.Read(kSection, key, defaultValue) == "1";
}

const char* FlagText(bool on) {
  return on ? "1" : "0";
}

}  // namespace

void ReadIniSettings(StartupState& state, const std::string& iniPath, Dialogs& dialogs) {
  ProfileFile ini;
  switch (ProfileFile::LoadFile(iniPath, ini, kMaxSettingsBytes)) {
    case ProfileFile::LoadStatus::Loaded:
    case ProfileFile::LoadStatus::Missing:
      break;
    case ProfileFile::LoadStatus::NotRegular:
      // A FIFO would hold the start, a link to a device would never end.
      dialogs.ShowError("The settings file " + iniPath +
                        " is not a regular file; the default settings are used.");
      break;
    case ProfileFile::LoadStatus::TooLarge:
      dialogs.ShowError("The settings file " + iniPath +
                        " is larger than 1 MiB; the default settings are used.");
      break;
    case ProfileFile::LoadStatus::Unreadable:
      break;  // read as empty, as before: the defaults
  }
  state.WorkingDir = ini.Read(kSection, "workingdir", state.WorkingDir);
  state.OpenLastProject = Flag(ini, "openlastproject", "0");
  state.AutoUpdate = Flag(ini, "autoupdate", "1");
  state.NoIntroPanel = Flag(ini, "noIntroPanel", "0");
  ReadRecentAndWindow(state, ini);
  if (state.OpenLastProject)
    state.DataFileName = ini.Read(kSection, "datafile", state.DataFileName);

  // A bad length is reported and the previous one kept, so start-up always goes on with a
  // table length the program can hold.
  std::string text = ini.Read(kSection, "gridlength", std::to_string(state.GridLength));
  int length = 0;
  if (!TryStrToInt(text, length)) {
    dialogs.ShowError("'" + text + "' is not a valid integer value");
    return;
  }
  length = StoredGridLength(length);
  if (!GridLengthInRange(length)) {
    dialogs.ShowError(GridLengthRangeMessage(text, state.GridLength));
    return;
  }
  state.GridLength = length;
}

void SaveIniSettings(const StartupState& state, const std::string& iniPath) {
  ProfileFile ini;
  // A file that exists but cannot be read is not replaced with our section alone.
  const ProfileFile::LoadStatus status = ProfileFile::LoadFile(iniPath, ini, kMaxSettingsBytes);
  if (status != ProfileFile::LoadStatus::Loaded && status != ProfileFile::LoadStatus::Missing)
    throw UserError("Unable to write to " + iniPath);
  ini.Write(kSection, "workingdir", state.WorkingDir);
  ini.Write(kSection, "openlastproject", FlagText(state.OpenLastProject));
  ini.Write(kSection, "datafile", state.DataFileName);
  if (state.GridLength != kDefaultGridLength)
    ini.Write(kSection, "gridlength", std::to_string(state.GridLength));
  ini.Write(kSection, "autoupdate", FlagText(state.AutoUpdate));
  ini.Write(kSection, "noIntroPanel", FlagText(state.NoIntroPanel));
  ini.EraseSection(kRecentSection);
  for (size_t i = 0; i < state.RecentFiles.size() && i < kMaxRecentFiles; ++i)
    ini.Write(kRecentSection, RecentKey(static_cast<int>(i)), state.RecentFiles[i]);
  if (state.Window.Known) {
    const int values[] = {state.Window.Left, state.Window.Top, state.Window.Width,
                          state.Window.Height};
    for (int i = 0; i < 4; ++i)
      ini.Write(kWindowSection, kPlacementKeys[i], std::to_string(values[i]));
    ini.Write(kWindowSection, "maximised", FlagText(state.Window.Maximised));
  }
  ini.Save(iniPath);
}

void AddRecentFile(std::vector<std::string>& list, const std::string& name) {
  if (name.empty()) return;
  list.erase(std::remove(list.begin(), list.end(), name), list.end());
  list.insert(list.begin(), name);
  if (list.size() > static_cast<size_t>(kMaxRecentFiles)) list.resize(kMaxRecentFiles);
}

}  // namespace tarvelin
