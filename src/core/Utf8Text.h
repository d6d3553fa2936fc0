// Lengths of text shown to the user count characters, not bytes: a cut never splits a UTF-8
// sequence. A byte that does not belong to a well-formed sequence counts as one character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qarvo {

size_t Utf8Length(std::string_view text);
// The first `count` characters (all of the text when it is shorter).
std::string Utf8Prefix(std::string_view text, size_t count);
// The text without its last character.
std::string Utf8WithoutLast(std::string_view text);

}  // namespace qarvo
