#include "app/NewsValue.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <vector>

#include "jobs/NewsRows.h"

namespace qarvo {

namespace {

// QStringLiteral wraps static data, nothing is allocated.
const QString kError = QStringLiteral("error");      // NOLINT(cert-err58-cpp): as above
const QString kRoot = QStringLiteral("XMLPackage");  // NOLINT(cert-err58-cpp): as above

// Moves to the first child element of the current one with this name; false (at the
// current element's end) when there is none.
bool FindChild(QXmlStreamReader& xml, const QString& name) {
  while (xml.readNextStartElement()) {
    if (xml.name() == name) return true;
    xml.skipCurrentElement();
  }
  return false;
}

// The row number of a child named "row<n>" (n written without leading zeros, below
// maxRows); -1 for any other name.
int RowNumber(QStringView name, int maxRows) {
  if (!name.startsWith(u"row")) return -1;
  const QStringView digits = name.mid(3);
  bool ok = false;
  const int row = digits.toInt(&ok);
  return ok && row >= 0 && row < maxRows && digits == QString::number(row) ? row : -1;
}

TNewsFile AllValues(const QString& value, int maxRows) {
  TNewsFile news{value, value, {}, {}};
  for (int row = 0; row < maxRows; ++row) {
    news.Infos << value;
    news.Urls << value;
  }
  return news;
}

}  // namespace

QString ReadNewsValue(const QString& fileName, const QString& path, const QString& attribute) {
  const QFileInfo info(fileName);
  if (!info.isFile() || info.size() > kMaxNewsFileBytes) return kError;
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return kError;
  const QByteArray bytes = file.read(kMaxNewsFileBytes + 1);
  if (bytes.size() > kMaxNewsFileBytes) return kError;  // it grew since
  QXmlStreamReader xml(bytes);
  if (!xml.readNextStartElement()) return kError;  // no root element
  const QStringList names = path.split(QLatin1Char('.'));
  QString value;
  bool found = xml.name() == names.front();
  for (qsizetype level = 1; found && level < names.size(); ++level)
    found = FindChild(xml, names[level]);
  if (found) {
    value = attribute.isEmpty() ? xml.readElementText(QXmlStreamReader::IncludeChildElements)
                                : xml.attributes().value(attribute).toString();
  }
  // The whole document must be readable, as when it is loaded at once.
  while (!xml.atEnd()) xml.readNext();
  return xml.hasError() ? kError : value;
}

TNewsFile ParseNewsFile(const QByteArray& bytes, int maxRows) {
  qCDebug(lcNews) << "news file read:" << bytes.size() << "bytes";
  if (bytes.size() > kMaxNewsFileBytes) return AllValues(kError, maxRows);
  QXmlStreamReader xml(bytes);
  if (!xml.readNextStartElement()) return AllValues(kError, maxRows);
  // Another root gives empty values, but only for a document that is well-formed throughout.
  const bool ours = xml.name() == kRoot;
  TNewsFile news = AllValues({}, maxRows);
  bool countSeen = false;
  bool latestSeen = false;
  std::vector<bool> rowSeen(static_cast<size_t>(maxRows), false);
  while (xml.readNextStartElement()) {
    const QXmlStreamAttributes attributes = xml.attributes();
    const QStringView name = xml.name();
    // For each name the first child counts.
    if (ours && name == u"count" && !countSeen) {
      countSeen = true;
      news.Count = attributes.value(QStringLiteral("number")).toString();
    } else if (ours && name == u"videoversion" && !latestSeen) {
      latestSeen = true;
      news.Latest = attributes.value(QStringLiteral("number")).toString();
    } else if (const int row = ours ? RowNumber(name, maxRows) : -1; row >= 0 && !rowSeen[row]) {
      rowSeen[row] = true;
      news.Infos[row] = attributes.value(QStringLiteral("info")).toString();
      news.Urls[row] = attributes.value(QStringLiteral("url")).toString();
    }
    xml.skipCurrentElement();
  }
  while (!xml.atEnd()) xml.readNext();
  return xml.hasError() ? AllValues(kError, maxRows) : news;
}

}  // namespace qarvo
