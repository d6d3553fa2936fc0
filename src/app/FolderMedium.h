// Whether a folder can take output: not on a disc file system (iso9660, udf) nor on a file
// system mounted read-only, and a file can be made in it.
#pragma once

#include <QString>
#include <functional>

namespace qarvo {

struct TFolderMedium {
  QString FileSystemType;
  bool ReadOnly = false;
  bool Writable = true;  // a file could be made in the folder
};

using TFolderMediumProbe = std::function<TFolderMedium(const QString& folder)>;

bool IsReadOnlyMedium(const TFolderMedium& medium);
// The medium of the mounted file system that holds the folder, and whether the folder takes
// files.
TFolderMedium MediumOf(const QString& folder);
// Whether a file can be made in the folder: a probe file is written and removed. Permission
// bits alone would not do, since they do not stop the superuser, while an immutable folder
// or a read-only mount do.
bool FolderTakesFiles(const QString& folder);

}  // namespace qarvo
