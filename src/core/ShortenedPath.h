// A source path shortened for a dialog's label or caption.
#pragma once

#include <cstddef>
#include <string>

namespace qarvo {

// The path itself when it has at most `longest` characters; otherwise its first `kept`
// characters, "..", its extension (with the dot) and two blanks.
std::string ShortenedPath(const std::string& path, size_t longest, size_t kept);

}  // namespace qarvo
