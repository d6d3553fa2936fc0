#include "core/OutputNaming.h"

#include <unistd.h>

#include <filesystem>

#include "core/AppPaths.h"
#include "core/SettingsError.h"
#include "core/SettingsKeys.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

// Empty when the folder exists or was made; otherwise why it cannot be.
std::string EnsureFolder(const std::string& folder) {
  if (folder.empty()) return "no folder named";
  std::error_code error;
  if (fs::is_directory(folder, error)) return {};
  fs::create_directories(folder, error);
  if (fs::is_directory(folder)) return {};
  if (!error) error = std::make_error_code(std::errc::not_a_directory);
  return error.message();
}

std::string CannotCreate(const std::string& folder, const std::string& reason) {
  return "Cannot create output directory: " + folder + " (" + reason + ")";
}

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

std::string OutputFolderFallbackWarning(const std::string& folder, const std::string& fallback) {
  return "Cannot create output directory:" + folder + ".It will create default directory " +
         fallback + "!";
}

bool FolderCouldBeMade(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code error;
  fs::path path(folder);
  if (fs::is_directory(path, error)) return true;
  while (!fs::exists(path, error)) {
    if (!path.has_relative_path()) return false;
    path = path.parent_path();
  }
  return fs::is_directory(path, error) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string SourceBaseName(const std::string& sourceFile) {
  std::string name = fs::path(sourceFile).filename().string();
  const auto point = name.rfind('.');
  if (point != std::string::npos) name.erase(point);
  return name;
}

TOutputNamer::TOutputNamer(TIniFile& settings, TOutputFolderWarning warning, TMode mode)
    : settings_(settings), warning_(std::move(warning)), mode_(mode) {}

std::string TOutputNamer::OutputFolder() {
  if (!folder_) folder_ = WithSeparator(ResolveFolder());
  return *folder_;
}

std::string TOutputNamer::ResolveFolder() {
  const bool preview = mode_ == TMode::Preview;
  if (!override_.empty()) {
    const std::string reason = preview ? std::string() : EnsureFolder(override_);
    if (!reason.empty()) throw ESettingsError(CannotCreate(override_, reason));
    return override_;
  }
  const std::string fallback = DefaultOutputFolder();
  const std::string folder =
      settings_.ReadString(settings::kSection, settings::kOutPutDir, fallback);
  if (preview) return FolderCouldBeMade(folder) ? folder : fallback;
  if (EnsureFolder(folder).empty()) return folder;
  // Said before anything is written there; the setting follows what the user was told.
  if (warning_) warning_(OutputFolderFallbackWarning(folder, fallback));
  const std::string fallbackReason = EnsureFolder(fallback);
  if (!fallbackReason.empty()) throw ESettingsError(CannotCreate(fallback, fallbackReason));
  settings_.WriteString(settings::kSection, settings::kOutPutDir, fallback);
  return fallback;
}

bool TOutputNamer::Taken(const std::string& path) const {
  std::error_code error;
  return handedOut_.count(path) > 0 || fs::exists(path, error) || fs::is_symlink(path, error);
}

std::string TOutputNamer::MakeOutputFileName(const std::string& sourceFile,
                                             const std::string& suffix) {
  const std::string base = OutputFolder() + SourceBaseName(sourceFile);
  std::string name = base + "_(new)" + suffix;
  for (int n = 1; Taken(name); ++n) name = base + "_(new_" + std::to_string(n) + ")" + suffix;
  handedOut_.insert(name);
  return name;
}

}  // namespace qarvo
