// What a run asks or tells the user in message boxes; tests answer instead.
#pragma once

#include <string>

#include "core/OptionComposer.h"

namespace qarvo {

class IRunMessages : public ISizeQuestion {
 public:
  // A message with the caption "Warning" and one OK button.
  virtual void ShowWarning(const std::string& text) = 0;
};

}  // namespace qarvo
