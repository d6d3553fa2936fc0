#include "jobs/PathText.h"

#include <QMimeData>
#include <QStringList>
#include <QUrl>
#include <filesystem>
#include <system_error>

#include "core/PathEscapes.h"

namespace qarvo {

namespace {

namespace fs = std::filesystem;

bool Exists(const std::string& path) {
  std::error_code error;
  return fs::symlink_status(path, error).type() != fs::file_type::not_found && !error;
}

// The one entry of `folder` whose name Qt decodes to `name`.
std::optional<std::string> MatchEntry(const std::string& folder, const QString& name) {
  std::error_code error;
  std::optional<std::string> found;
  for (fs::directory_iterator it(folder.empty() ? "." : folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string entry = it->path().filename().native();
    if (QString::fromUtf8(entry.data(), static_cast<qsizetype>(entry.size())) != name) continue;
    if (found) return std::nullopt;  // two entries read alike
    found = entry;
  }
  return error ? std::nullopt : found;
}

}  // namespace

QString PathText(const std::string& bytes) {
  return QString::fromStdU16String(EscapePathBytes(bytes));
}

std::string PathBytes(const QString& text) { return UnescapePathBytes(text.toStdU16String()); }

QString ShownPath(const QString& text) {
  return QString::fromStdU16String(ShownPathText(text.toStdU16String()));
}

QStringList DroppedLocalPaths(const QMimeData* mime) {
  QStringList paths;
  if (!mime || !mime->hasUrls()) return paths;
  for (const QUrl& url : mime->urls()) {
    if (!url.isLocalFile()) continue;
    const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
    paths << PathText(QByteArray::fromPercentEncoding(encoded).toStdString());
  }
  return paths;
}

std::optional<std::string> RecoverPathBytes(const QString& decoded) {
  const std::string direct = decoded.toStdString();
  if (Exists(direct)) return direct;
  const QStringList parts = decoded.split(QLatin1Char('/'));
  std::string path;
  for (qsizetype i = 0; i < parts.size(); ++i) {
    const QString& part = parts[i];
    if (part.isEmpty()) {
      if (i == 0) path = "/";
      continue;
    }
    const std::string joined =
        path.empty() ? std::string() : (path.back() == '/' ? path : path + "/");
    const std::string next = joined + part.toStdString();
    if (Exists(next)) {
      path = next;
      continue;
    }
    const std::optional<std::string> entry = MatchEntry(path, part);
    if (!entry) return std::nullopt;
    path = joined + *entry;
  }
  return path;
}

}  // namespace qarvo
