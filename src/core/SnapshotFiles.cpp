#include "core/SnapshotFiles.h"

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

}  // namespace

std::string SnapshotFolder(TIniFile& settings, const TSnapshotFolderWarning& warning) {
  const std::string fallback = DefaultOutputFolder();
  std::string folder = settings.ReadString(settings::kSection, settings::kSnapOutPutDir, fallback);
  if (!EnsureFolder(folder)) {
    if (warning)
      warning("Cannot create output directory:" + folder + ".It will create default directory " +
              fallback + "!");
    if (!EnsureFolder(fallback)) throw EPictureFileError("Cannot create output directory:" + fallback);
    settings.WriteString(settings::kSection, settings::kSnapOutPutDir, fallback);
    folder = fallback;
  }
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::vector<std::string> SaveSnapshots(TIniFile& settings, const TBitmap& full,
                                       const TBitmap& small, const TSnapshotFolderWarning& warning) {
  const std::string folder = SnapshotFolder(settings, warning);
  const bool fullSize = SwitchOn(settings, settings::kSnapFullSize, settings::kSnapFullSizeDefault);
  const bool smallSize = SwitchOn(settings, settings::kSnapSmallSize, settings::kSnapSmallSizeDefault);
  const bool bmp = SwitchOn(settings, settings::kSnapBmp, settings::kSnapBmpDefault);
  const bool jpg = SwitchOn(settings, settings::kSnapJpg, settings::kSnapJpgDefault);
  const int quality = settings.ReadInteger(settings::kSection, settings::kJpgCmp, settings::kJpgCmpDefault);
  std::vector<std::string> written;
  const auto write = [&](bool on, const char* name, const auto& writer) {
    if (!on) return;
    written.push_back(folder + name);
    writer(written.back());
  };
  write(fullSize && bmp, kSnapshotFullBmp, [&](const std::string& f) { WriteBmpFile(full, f); });
  write(smallSize && bmp, kSnapshotSmallBmp, [&](const std::string& f) { WriteBmpFile(small, f); });
  write(fullSize && jpg, kSnapshotFullJpg, [&](const std::string& f) { WriteJpegFile(full, f, quality); });
  write(smallSize && jpg, kSnapshotSmallJpg, [&](const std::string& f) { WriteJpegFile(small, f, quality); });
  return written;
}

}  // namespace qarvo
