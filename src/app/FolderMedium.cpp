#include "app/FolderMedium.h"

#include <QStorageInfo>

namespace qarvo {

bool IsReadOnlyMedium(const TFolderMedium& medium) {
  const QString type = medium.FileSystemType.toLower();
  return medium.ReadOnly || type == QLatin1String("iso9660") || type == QLatin1String("udf");
}

TFolderMedium MediumOf(const QString& folder) {
  const QStorageInfo storage(folder);
  if (!storage.isValid()) return {};
  return {QString::fromLatin1(storage.fileSystemType()), storage.isReadOnly()};
}

}  // namespace qarvo
