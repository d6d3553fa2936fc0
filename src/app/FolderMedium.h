// Whether a folder lies on a medium that cannot take output: a disc file system (iso9660,
// udf) or a file system mounted read-only.
#pragma once

#include <QString>
#include <functional>

namespace qarvo {

struct TFolderMedium {
  QString FileSystemType;
  bool ReadOnly = false;
};

using TFolderMediumProbe = std::function<TFolderMedium(const QString& folder)>;

bool IsReadOnlyMedium(const TFolderMedium& medium);
// The medium of the mounted file system that holds the folder.
TFolderMedium MediumOf(const QString& folder);

}  // namespace qarvo
