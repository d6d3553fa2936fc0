// The engine's one exception type: its message is the text shown to the user.
#pragma once

#include <stdexcept>
#include <string>

namespace qarvo {

class EEngineError : public std::runtime_error {
 public:
  explicit EEngineError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace qarvo
