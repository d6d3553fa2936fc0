// The news file's readers: one value by its path, and everything the update check needs
// in one pass.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qarvo {

// A news file is a few kilobytes; anything past this is refused unread.
inline constexpr qint64 kMaxNewsFileBytes = 1024 * 1024;

// `path` is element names joined with ".": the first must be the root's name, each further
// one selects the first child of that name (names match exactly). With an attribute name
// the result is that attribute's value, otherwise the element's text. A missing element
// or attribute gives an empty text; a file that cannot be read, is past kMaxNewsFileBytes,
// or is not well-formed XML gives "error".
QString ReadNewsValue(const QString& fileName, const QString& path, const QString& attribute);

// What the update check reads of a news file, each value as ReadNewsValue gives it.
struct TNewsFile {
  QString Count;      // "XMLPackage.count" / "number"
  QString Latest;     // "XMLPackage.videoversion" / "number"
  QStringList Infos;  // row i: "XMLPackage.row<i>" / "info"
  QStringList Urls;   // row i: "XMLPackage.row<i>" / "url"
};

// Reads the values of rows 0 .. maxRows - 1 along with the count and the release.
TNewsFile ParseNewsFile(const QByteArray& xml, int maxRows);

}  // namespace qarvo
