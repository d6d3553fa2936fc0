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

// The longest name one entry of the folder's file system takes.
size_t NameLimit(const std::string& folder) {
  const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  return limit > 0 ? static_cast<size_t>(limit) : 255;
}

// `base` + `tail` as one file name of at most `limit` bytes: the base is shortened (at a
// character's start, so UTF-8 stays whole) and the tail ("_(new)" and the extension) kept.
std::string FitName(const std::string& base, const std::string& tail, size_t limit) {
  if (base.size() + tail.size() <= limit) return base + tail;
  size_t keep = limit > tail.size() ? limit - tail.size() : 0;
  while (keep > 0 && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80) --keep;
  return base.substr(0, keep) + tail;
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
  std::string fallback = DefaultOutputFolder();
  std::string folder = settings_.ReadString(settings::kSection, settings::kOutPutDir, fallback);
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
  const std::string folder = OutputFolder();
  const TNameIfTaken numbered = NumberedNames(sourceFile, suffix);
  std::string name =
      folder + FitName(SourceBaseName(sourceFile), "_(new)" + suffix, NameLimit(folder));
  for (int n = 1; Taken(name); ++n) name = numbered(n);
  handedOut_.insert(name);
  return name;
}

TNameIfTaken TOutputNamer::NumberedNames(const std::string& sourceFile, const std::string& suffix) {
  const std::string folder = OutputFolder();
  const std::string base = SourceBaseName(sourceFile);
  const size_t limit = NameLimit(folder);
  return [folder, base, suffix, limit](int n) {
    return folder + FitName(base, "_(new_" + std::to_string(n) + ")" + suffix, limit);
  };
}

}  // namespace qarvo
