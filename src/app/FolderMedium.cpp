#include "app/FolderMedium.h"

#include <QDir>
#include <QStorageInfo>
#include <QTemporaryFile>

namespace qarvo {

bool IsReadOnlyMedium(const TFolderMedium& medium) {
  const QString type = medium.FileSystemType.toLower();
  return medium.ReadOnly || type == QLatin1String("iso9660") || type == QLatin1String("udf");
}

TFolderMedium MediumOf(const QString& folder) {
  TFolderMedium medium;
  const QStorageInfo storage(folder);
  if (storage.isValid()) {
    medium.FileSystemType = QString::fromLatin1(storage.fileSystemType());
    medium.ReadOnly = storage.isReadOnly();
  }
  medium.Writable = FolderTakesFiles(folder);
  return medium;
}

bool FolderTakesFiles(const QString& folder) {
  QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".qarvo-write-XXXXXX")));
  return probe.open();  // removed again when it goes out of scope
}

}  // namespace qarvo
