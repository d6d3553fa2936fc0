// Opening a web address in the browser and a folder in the file manager; failures say
// nothing. Tests record the addresses instead.
#pragma once

#include <QString>

namespace qarvo {

class IShellOpener {
 public:
  virtual ~IShellOpener() = default;
  virtual void OpenWebAddress(const QString& address) = 0;
  virtual void OpenFolder(const QString& folder) = 0;
};

}  // namespace qarvo
