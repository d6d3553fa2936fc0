#include "app/NewsValue.h"

#include <QFile>
#include <QStringList>
#include <QXmlStreamReader>

namespace qarvo {

namespace {

// NOLINTNEXTLINE(cert-err58-cpp): QStringLiteral wraps static data, nothing is allocated
const QString kError = QStringLiteral("error");

// Moves to the first child element of the current one with this name; false (at the
// current element's end) when there is none.
bool FindChild(QXmlStreamReader& xml, const QString& name) {
  while (xml.readNextStartElement()) {
    if (xml.name() == name) return true;
    xml.skipCurrentElement();
  }
  return false;
}

}  // namespace

QString ReadNewsValue(const QString& fileName, const QString& path, const QString& attribute) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return kError;
  QXmlStreamReader xml(&file);
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

}  // namespace qarvo
