#include "core/OutputNaming.h"

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

std::string SourceBaseName(const std::string& sourceFile) {
  std::string name = fs::path(sourceFile).filename().string();
  const auto point = name.rfind('.');
  if (point != std::string::npos) name.erase(point);
  return name;
}

TOutputNamer::TOutputNamer(TIniFile& settings, TOutputFolderWarning warning)
    : settings_(settings), warning_(std::move(warning)) {}

std::string TOutputNamer::OutputFolder() {
  if (!override_.empty()) {
    const std::string reason = EnsureFolder(override_);
    if (!reason.empty()) throw ESettingsError(CannotCreate(override_, reason));
    return WithSeparator(override_);
  }
  const std::string fallback = DefaultOutputFolder();
  std::string folder = settings_.ReadString(settings::kSection, settings::kOutPutDir, fallback);
  const std::string reason = EnsureFolder(folder);
  if (!reason.empty()) {
    if (warning_)
      warning_(CannotCreate(folder, reason) + ". It will create default directory " + fallback +
               "!");
    const std::string fallbackReason = EnsureFolder(fallback);
    if (!fallbackReason.empty()) throw ESettingsError(CannotCreate(fallback, fallbackReason));
    settings_.WriteString(settings::kSection, settings::kOutPutDir, fallback);
    folder = fallback;
  }
  return WithSeparator(folder);
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
