// Text of an error shown to the user by the application's error handler.
#pragma once

#include <string>

namespace qarvo {

// Appends "." when the message ends in a character that sorts after "." (a letter or a
// digit does; "!", ")" and "." itself do not). Characters compare as unsigned bytes, so a
// message ending in a non-ASCII letter gets its point too. An empty message stays empty.
std::string ErrorMessageText(const std::string& message);

}  // namespace qarvo
