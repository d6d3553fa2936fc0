// Release numbers of the news file against the program's version text.
#pragma once

#include <optional>
#include <string_view>

namespace qarvo {

// A decimal number written with a point ("3.4", " 3.300 "); nothing for anything else,
// including the reader's "error" text and an empty text.
std::optional<double> ParseReleaseNumber(std::string_view text);

// True only when both numbers are readable and the program's is lower: an unreadable
// release number never asks for an upgrade.
bool IsNewerRelease(std::string_view programVersionText, std::string_view latest);

}  // namespace qarvo
