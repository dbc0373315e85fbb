// Where the program keeps its files: beside itself, or in the per-user folders when its own
// folder cannot be written.
#pragma once

#include <functional>
#include <string>

namespace tarvelin {

// Looks up an environment variable; nullptr when it is not set (std::getenv in the program).
using EnvLookup = std::function<const char*(const char*)>;

struct FileLocations {
  std::string ProgramPath;   // full path of the program file
  std::string ProgramDir;    // its folder, ending in "/"; resolves "-i" names, holds the manual
  std::string SettingsFile;  // the settings file
  std::string DataDir;       // default "data.PEN", the scene and the update downloads; ends in "/"
  std::string SceneFile;     // the scene file written by the export
  bool PerUser = false;      // the per-user folders are used
};

// The running program's own file (/proc/self/exe), falling back on argv0 made absolute.
std::string ProgramFilePath(const std::string& argv0);

// Folder part of a path with its trailing "/" ("" when the path has no folder).
std::string FolderOf(const std::string& path);
// File-name part of a path.
std::string FileNameOf(const std::string& path);

// Tries to create (and then removes) a file in folder. This is the only reliable test: root
// ignores permission bits, and an immutable or read-only mounted folder refuses the creation.
bool CanCreateFileIn(const std::string& folder);

// Creates folder and its missing parents; true when it exists afterwards.
bool EnsureFolder(const std::string& folder);

// The per-user folders of the XDG base directory rules: $XDG_CONFIG_HOME/tarvelin/ and
// $XDG_DATA_HOME/tarvelin/, defaulting to ~/.config and ~/.local/share (relative values of the
// variables are ignored, as the rules say). Both end in "/".
std::string UserConfigFolder(const EnvLookup& env);
std::string UserDataFolder(const EnvLookup& env);

// Beside the program when programDirWritable: settings = program path with its extension
// replaced by ".ini", scene = ".wrl". Otherwise the per-user folders, which are created.
FileLocations ChooseFileLocations(const std::string& programPath, const EnvLookup& env,
                                  bool programDirWritable);

}  // namespace tarvelin
