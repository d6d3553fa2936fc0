// The news file's value reader.
#pragma once

#include <QString>

namespace qarvo {

// `path` is element names joined with ".": the first must be the root's name, each further
// one selects the first child of that name (names match exactly). With an attribute name
// the result is that attribute's value, otherwise the element's text. A missing element
// or attribute gives an empty text; a file that cannot be read or is not well-formed XML
// gives "error".
QString ReadNewsValue(const QString& fileName, const QString& path, const QString& attribute);

}  // namespace qarvo
