#include "core/OutputNaming.h"

#include <filesystem>

#include "core/AppPaths.h"
#include "core/SettingsError.h"
#include "core/SettingsKeys.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

bool EnsureFolder(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code error;
  if (fs::is_directory(folder, error)) return true;
  fs::create_directories(folder, error);
  return fs::is_directory(folder, error);
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
    if (!EnsureFolder(override_))
      throw ESettingsError("Cannot create output directory:" + override_);
    return WithSeparator(override_);
  }
  const std::string fallback = DefaultOutputFolder();
  std::string folder = settings_.ReadString(settings::kSection, settings::kOutPutDir, fallback);
  if (!EnsureFolder(folder)) {
    if (warning_)
      warning_("Cannot create output directory:" + folder +
               ".It will create default directory " + fallback + "!");
    if (!EnsureFolder(fallback))
      throw ESettingsError("Cannot create output directory:" + fallback);
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
