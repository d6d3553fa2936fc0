// Figures a container's header states, changed in a written file the way other writers
// state them: a length that differs from the content, an ASF preroll other than the muxer's.
#pragma once

#include <string>

namespace qarvo {

// Writes `length` seconds (when positive) as the stated length of the ASF or Matroska file at
// `path`, and for ASF `prerollMs` (when not negative) as its preroll. Throws
// std::runtime_error when the file holds no such header field.
void StateInHeader(const std::string& path, const std::string& container, double length,
                   int prerollMs);

}  // namespace qarvo
