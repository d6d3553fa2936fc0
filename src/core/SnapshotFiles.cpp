#include "core/SnapshotFiles.h"

#include <ctime>
#include <filesystem>

#include "core/AppPaths.h"
#include "core/BitmapFiles.h"
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

// Only the value 1 switches a snapshot file on.
bool SwitchOn(const TIniFile& settings, const char* key, bool defaultOn) {
  return settings.ReadInteger(settings::kSection, key, defaultOn ? 1 : 0) == 1;
}

// "Snapshot_full.bmp" with `stamp` before the extension.
std::string Stamped(const char* name, const std::string& stamp) {
  const std::string plain = name;
  const size_t dot = plain.rfind('.');
  return plain.substr(0, dot) + stamp + plain.substr(dot);
}

std::string TimeStamp(std::chrono::system_clock::time_point taken) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(taken);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "_%Y-%m-%d_%H-%M-%S", &local);
  return text;
}

}  // namespace

TSnapshotNames SnapshotNames(const std::string& folder, bool keepEvery,
                             std::chrono::system_clock::time_point taken) {
  if (!keepEvery) return {kSnapshotFullBmp, kSnapshotSmallBmp, kSnapshotFullJpg, kSnapshotSmallJpg};
  const std::string stamp = TimeStamp(taken);
  for (int number = 1;; ++number) {
    const std::string suffix = number == 1 ? stamp : stamp + "_" + std::to_string(number);
    TSnapshotNames names{Stamped(kSnapshotFullBmp, suffix), Stamped(kSnapshotSmallBmp, suffix),
                         Stamped(kSnapshotFullJpg, suffix), Stamped(kSnapshotSmallJpg, suffix)};
    std::error_code error;
    bool inUse = false;
    for (const std::string* name :
         {&names.FullBmp, &names.SmallBmp, &names.FullJpg, &names.SmallJpg})
      inUse = inUse || fs::exists(fs::path(folder) / *name, error);
    if (!inUse) return names;
  }
}

std::string SnapshotFolder(TIniFile& settings, const TSnapshotFolderWarning& warning) {
  const std::string fallback = DefaultOutputFolder();
  std::string folder = settings.ReadString(settings::kSection, settings::kSnapOutPutDir, fallback);
  if (!EnsureFolder(folder)) {
    if (warning)
      warning("Cannot create output directory:" + folder + ".It will create default directory " +
              fallback + "!");
    if (!EnsureFolder(fallback))
      throw EPictureFileError("Cannot create output directory:" + fallback);
    settings.WriteString(settings::kSection, settings::kSnapOutPutDir, fallback);
    folder = fallback;
  }
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::vector<std::string> SaveSnapshots(TIniFile& settings, const TBitmap& full,
                                       const TBitmap& small,
                                       const TSnapshotFolderWarning& warning) {
  return SaveSnapshots(settings, full, small, warning, std::chrono::system_clock::now());
}

std::vector<std::string> SaveSnapshots(TIniFile& settings, const TBitmap& full,
                                       const TBitmap& small, const TSnapshotFolderWarning& warning,
                                       std::chrono::system_clock::time_point taken) {
  const std::string folder = SnapshotFolder(settings, warning);
  const bool keepEvery =
      SwitchOn(settings, settings::kKeepEverySnapshot, settings::kKeepEverySnapshotDefault);
  const TSnapshotNames names = SnapshotNames(folder, keepEvery, taken);
  const bool fullSize = SwitchOn(settings, settings::kSnapFullSize, settings::kSnapFullSizeDefault);
  const bool smallSize =
      SwitchOn(settings, settings::kSnapSmallSize, settings::kSnapSmallSizeDefault);
  const bool bmp = SwitchOn(settings, settings::kSnapBmp, settings::kSnapBmpDefault);
  const bool jpg = SwitchOn(settings, settings::kSnapJpg, settings::kSnapJpgDefault);
  const int quality =
      settings.ReadInteger(settings::kSection, settings::kJpgCmp, settings::kJpgCmpDefault);
  std::vector<std::string> written;
  const auto write = [&](bool on, const std::string& name, const auto& writer) {
    if (!on) return;
    written.push_back(folder + name);
    writer(written.back());
  };
  write(fullSize && bmp, names.FullBmp, [&](const std::string& f) { WriteBmpFile(full, f); });
  write(smallSize && bmp, names.SmallBmp, [&](const std::string& f) { WriteBmpFile(small, f); });
  write(fullSize && jpg, names.FullJpg,
        [&](const std::string& f) { WriteJpegFile(full, f, quality); });
  write(smallSize && jpg, names.SmallJpg,
        [&](const std::string& f) { WriteJpegFile(small, f, quality); });
  return written;
}

}  // namespace qarvo
