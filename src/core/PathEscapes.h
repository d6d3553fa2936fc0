// A file's name is bytes; the window's texts are UTF-16. A name's valid UTF-8 maps to its
// characters and each other byte to a lone low surrogate (U+DC80 + the byte), so the mapping
// is reversible: a name that is not UTF-8 keeps its bytes through the window and opens the
// file it names. Where a name is shown, the escapes read as U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace qarvo {

std::u16string EscapePathBytes(std::string_view bytes);
// The exact inverse of EscapePathBytes; any other text gives its UTF-8 (a lone surrogate that
// is no escape as U+FFFD).
std::string UnescapePathBytes(std::u16string_view text);
// The text with every escape shown as U+FFFD.
std::u16string ShownPathText(std::u16string_view text);

}  // namespace qarvo
