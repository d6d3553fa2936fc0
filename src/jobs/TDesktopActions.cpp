#include "jobs/TDesktopActions.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDesktopServices>
#include <QUrl>

#include "jobs/NewsRows.h"

namespace qarvo {

void TDesktopActions::OpenFolder(const std::string& folder) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

bool TDesktopActions::OpenWebAddress(const QString& address) {
  if (!IsWebAddress(address)) {
    qCWarning(lcNews).noquote() << "address refused (not an http or https address):" << address;
    return false;
  }
  QDesktopServices::openUrl(QUrl(address));
  return true;
}

void TDesktopActions::PowerOff() {
  QDBusInterface manager(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QDBusConnection::systemBus());
  if (!manager.isValid()) return;
  // Not interactive: no authentication prompt in the middle of the night.
  manager.call(QDBus::NoBlock, QStringLiteral("PowerOff"), false);
}

}  // namespace qarvo
