// The after-run actions on the desktop: the file manager through the desktop services, and
// powering off through the login manager on the system bus.
#pragma once

#include "core/BatchRun.h"

namespace qarvo {

class TDesktopActions : public IAfterRunActions {
 public:
  void OpenFolder(const std::string& folder) override;
  // Failures are not reported: a machine that refuses keeps running.
  void PowerOff() override;
};

}  // namespace qarvo
