#include "app/TDesktopShellOpener.h"

#include <QDesktopServices>
#include <QUrl>

#include "jobs/TDesktopActions.h"

namespace qarvo {

void TDesktopShellOpener::OpenWebAddress(const QString& address) {
  TDesktopActions::OpenWebAddress(address);
}

void TDesktopShellOpener::OpenFolder(const QString& folder) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

}  // namespace qarvo
