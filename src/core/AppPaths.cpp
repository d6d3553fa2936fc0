#include "core/AppPaths.h"

#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#ifndef QARVO_DATA_DIR
#define QARVO_DATA_DIR "/usr/local/share/qarvo"
#endif

namespace qarvo {

namespace {

constexpr const char* kSettingsFolderName = "qarvo3gpvideoconverter";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string WithTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') {
    folder += '/';
  }
  return folder;
}

std::string WithoutTrailingSlashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') {
    folder.pop_back();
  }
  return folder;
}

std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (!home.empty()) {
    return home;
  }
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir) {
    home = found->pw_dir;
  }
  return home;
}

// $XDG_CONFIG_HOME counts only when it is an absolute path.
std::string ConfigBase(const TPathEnvironment& environment) {
  if (!environment.ConfigHome.empty() && environment.ConfigHome.front() == '/') {
    return WithoutTrailingSlashes(environment.ConfigHome);
  }
  if (!environment.Home.empty()) {
    return WithoutTrailingSlashes(environment.Home) + "/.config";
  }
  return {};
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::string ExecutableFolder() {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) {
    return "./";
  }
  const std::string path(buffer, static_cast<size_t>(length));
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

TPathEnvironment CurrentPathEnvironment() {
  TPathEnvironment environment;
  environment.ExeFolder = ExecutableFolder();
  environment.ExeFolderWritable = ::access(environment.ExeFolder.c_str(), W_OK) == 0;
  environment.Home = HomeFolder();
  environment.ConfigHome = Environment("XDG_CONFIG_HOME");
  environment.DataFolder = WithTrailingSlash(QARVO_DATA_DIR);
  environment.SettingsOverride = Environment("QARVO_SETTINGS_FILE");
  environment.FormatOverride = Environment("QARVO_FORMAT_FILE");
  environment.FileExists = IsRegularFile;
  return environment;
}

std::string ResolveSettingsFile(const TPathEnvironment& environment, const std::string& name) {
  if (!environment.SettingsOverride.empty()) {
    return environment.SettingsOverride;
  }
  const std::string base = ConfigBase(environment);
  if (environment.ExeFolderWritable || base.empty()) {
    return environment.ExeFolder + name;
  }
  return base + "/" + kSettingsFolderName + "/" + name;
}

std::string ResolveFormatFile(const TPathEnvironment& environment, const std::string& name) {
  if (!environment.FormatOverride.empty()) {
    return environment.FormatOverride;
  }
  std::string beside = environment.ExeFolder + name;
  if (environment.FileExists && environment.FileExists(beside)) {
    return beside;
  }
  return WithTrailingSlash(environment.DataFolder) + name;
}

bool PrepareSettingsFolder(const std::string& settingsFile) {
  const std::filesystem::path folder = std::filesystem::path(settingsFile).parent_path();
  if (folder.empty()) {
    return true;
  }
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return std::filesystem::is_directory(folder, error);
}

std::string DefaultOutputFolder() { return DefaultOutputFolder(HomeFolder()); }

std::string DefaultOutputFolder(const std::string& home) {
  if (home.empty()) {
    return "/tmp/videoconverter";  // no home folder at all: still an absolute, creatable path
  }
  const std::string base = WithoutTrailingSlashes(home);
  return (base == "/" ? "" : base) + "/videoconverter";
}

}  // namespace qarvo
