// Where the application's files live on this machine.
//
// The settings file sits beside the executable when that folder is writable (portable use,
// the build tree), else in $XDG_CONFIG_HOME/qarvo3gpvideoconverter/. The format definition
// file is read beside the executable when it is there, else from the installed data folder.
// QARVO_SETTINGS_FILE and QARVO_FORMAT_FILE override both choices.
#pragma once

#include <functional>
#include <string>

namespace qarvo {

struct TPathEnvironment {
  std::string ExeFolder;  // with trailing "/"
  bool ExeFolderWritable = false;
  std::string Home;
  std::string ConfigHome;        // $XDG_CONFIG_HOME as set, possibly empty
  std::string DataFolder;        // installed data folder, with trailing "/"
  std::string SettingsOverride;  // $QARVO_SETTINGS_FILE
  std::string FormatOverride;    // $QARVO_FORMAT_FILE
  std::function<bool(const std::string&)> FileExists;
};

// Reads /proc/self/exe, the environment and the file system.
TPathEnvironment CurrentPathEnvironment();

// Folder of the running executable with trailing "/"; "./" when it cannot be found.
std::string ExecutableFolder();

std::string ResolveSettingsFile(const TPathEnvironment& environment, const std::string& name);
std::string ResolveFormatFile(const TPathEnvironment& environment, const std::string& name);

// Creates the folder that will hold the settings file, so that the first write can succeed.
// Returns false when it cannot be created; writes then report the error.
bool PrepareSettingsFolder(const std::string& settingsFile);

// Fallback folder for output and snapshots.
std::string DefaultOutputFolder();
std::string DefaultOutputFolder(const std::string& home);

}  // namespace qarvo
