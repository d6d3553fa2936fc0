#include "app/TDesktopShellOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace qarvo {

void TDesktopShellOpener::OpenWebAddress(const QString& address) {
  QDesktopServices::openUrl(QUrl(address));
}

void TDesktopShellOpener::OpenFolder(const QString& folder) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

}  // namespace qarvo
