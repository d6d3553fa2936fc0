// The desktop's default programs, through QDesktopServices.
#pragma once

#include "app/IShellOpener.h"

namespace qarvo {

class TDesktopShellOpener : public IShellOpener {
 public:
  void OpenWebAddress(const QString& address) override;
  void OpenFolder(const QString& folder) override;
};

}  // namespace qarvo
