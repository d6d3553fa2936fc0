// Case folding for keys, names and codes written in ASCII.
#pragma once

#include <string>

namespace qarvo {

// The text with ASCII letters in lower case; other bytes (UTF-8 included) unchanged. Not
// std::tolower: under the user's locale that may change bytes of UTF-8 text.
inline std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace qarvo
