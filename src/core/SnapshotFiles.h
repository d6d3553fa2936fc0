// Where a snapshot goes and which of its four files are written, from the settings file.
#pragma once

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

// Writes the full and the small picture under the fixed names, each only when both of its
// switches are on (size and file kind), JPEG at the configured quality; every snapshot
// replaces the previous one. Returns the paths written. Throws EPictureFileError.
std::vector<std::string> SaveSnapshots(TIniFile& settings, const TBitmap& full,
                                       const TBitmap& small, const TSnapshotFolderWarning& warning);

}  // namespace qarvo
