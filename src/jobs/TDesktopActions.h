// The after-run actions on the desktop: the file manager through the desktop services, and
// powering off through the login manager on the system bus; and opening a web address.
#pragma once

#include <QString>

#include "core/BatchRun.h"

namespace qarvo {

class TDesktopActions : public IAfterRunActions {
 public:
  void OpenFolder(const std::string& folder) override;
  // Failures are not reported: a machine that refuses keeps running.
  void PowerOff() override;

  // Hands an http or https address to the desktop's browser; any other address is logged
  // and not opened (the desktop's opener would start whatever program claims its scheme).
  // True when it was handed over.
  static bool OpenWebAddress(const QString& address);
};

}  // namespace qarvo
