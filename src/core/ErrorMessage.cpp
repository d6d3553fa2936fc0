#include "core/ErrorMessage.h"

namespace qarvo {

std::string ErrorMessageText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
    return message + ".";
  }
  return message;
}

}  // namespace qarvo
