// Message boxes and the beep of the parameter panel, behind an interface so that tests
// record them instead of blocking on a modal box.
#pragma once

#include "core/ParameterEditor.h"

namespace qarvo {

class IUserPrompts {
 public:
  virtual ~IUserPrompts() = default;
  virtual void ShowMessage(const TParamMessage& message) = 0;
  virtual void Beep() = 0;
};

}  // namespace qarvo
