// Where a snapshot goes and which of its four files are written, from the settings file.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "base/TBitmap.h"
#include "core/IniFile.h"

namespace qarvo {

inline constexpr const char* kSnapshotFullBmp = "Snapshot_full.bmp";
inline constexpr const char* kSnapshotSmallBmp = "Snapshot_small.bmp";
inline constexpr const char* kSnapshotFullJpg = "Snapshot_full.jpg";
inline constexpr const char* kSnapshotSmallJpg = "Snapshot_small.jpg";

// Told (to show "Warning") when the configured snapshot folder cannot be created and the
// default folder replaces it.
using TSnapshotFolderWarning = std::function<void(const std::string& message)>;

// The snapshot folder with a trailing "/", created when missing. When it cannot be created
// the default folder is created, stored as the snapshot folder and used. Throws
// EPictureFileError when neither can be created.
std::string SnapshotFolder(TIniFile& settings, const TSnapshotFolderWarning& warning);

// The names of one snapshot's four files: the fixed names, or with `keepEvery` the fixed names
// with the local date and time of `taken` before the extension
// ("Snapshot_full_2026-12-10_20-05-03.bmp"), numbered from "_2" on when a file of that
// second is already in `folder`, so no earlier snapshot is replaced.
struct TSnapshotNames {
  std::string FullBmp, SmallBmp, FullJpg, SmallJpg;
};
TSnapshotNames SnapshotNames(const std::string& folder, bool keepEvery,
                             std::chrono::system_clock::time_point taken);

// Writes the full and the small picture, each only when both of its switches are on (size and
// file kind), JPEG at the configured quality; under the fixed names every snapshot replaces
// the previous one, with "keep every snapshot" on each gets names of its own. Returns the
// paths written. Throws EPictureFileError.
std::vector<std::string> SaveSnapshots(TIniFile& settings, const TBitmap& full,
                                       const TBitmap& small, const TSnapshotFolderWarning& warning);
std::vector<std::string> SaveSnapshots(TIniFile& settings, const TBitmap& full,
                                       const TBitmap& small, const TSnapshotFolderWarning& warning,
                                       std::chrono::system_clock::time_point taken);

}  // namespace qarvo
