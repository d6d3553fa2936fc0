// File names between the window and the file system: a name keeps its bytes (see
// core/PathEscapes.h) from the command line, the file dialog and a drop to the open call.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

class QMimeData;

namespace qarvo {

// A name's bytes as the window's text, and back, exactly.
QString PathText(const std::string& bytes);
std::string PathBytes(const QString& text);
// The text as it is shown: a byte that is not UTF-8 as U+FFFD.
QString ShownPath(const QString& text);

// The local files a drop names, with their bytes: an address carries them percent-encoded,
// where Qt's decoding of it as text would replace what is not UTF-8.
QStringList DroppedLocalPaths(const QMimeData* mime);

// A name Qt has decoded itself (a file dialog's choice): Qt replaced the bytes that are not
// UTF-8, so the entry is found again by listing its folder and matching the same decoding of
// each entry's name. Nothing when no entry, or more than one, decodes to the name.
std::optional<std::string> RecoverPathBytes(const QString& decoded);

// The message for a name that RecoverPathBytes could not tell.
inline constexpr const char* kUnreadableName =
    "the name is not valid text and no single file matches it";

}  // namespace qarvo
