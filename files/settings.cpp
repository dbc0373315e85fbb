// Reading and saving the start-up options in section "program" of the settings file.
#include "files/settings.h"

#include "files/profilefile.h"
#include "support/dialogs.h"
#include "support/numtext.h"

namespace tarvelin {
namespace {

const char kSection[] = "program";

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
  if (length < 20) length = kDefaultGridLength;
  if (length > kMaxGridLength) {
    dialogs.ShowError("The table length " + text + " lies outside the range " +
                      std::to_string(kMinGridLength) + " to " + std::to_string(kMaxGridLength) +
                      "; the table length stays " + std::to_string(state.GridLength) + ".");
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
  ini.Save(iniPath);
}

}  // namespace tarvelin
