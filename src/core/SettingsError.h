// Error raised when a settings or definition file cannot be written.
#pragma once

#include <stdexcept>
#include <string>

namespace qarvo {

class ESettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace qarvo
