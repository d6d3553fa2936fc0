#include "core/Utf8Text.h"

namespace qarvo {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Bytes of the character starting at `at`.
size_t CharacterSize(std::string_view text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const size_t size = lead >= 0xF0 && lead <= 0xF4  ? 4
                      : lead >= 0xE0                ? 3
                      : lead >= 0xC2 && lead < 0xE0 ? 2
                                                    : 1;
  if (size == 1 || lead > 0xF4 || at + size > text.size()) return 1;
  for (size_t i = 1; i < size; ++i)
    if (!IsContinuation(static_cast<unsigned char>(text[at + i]))) return 1;
  return size;
}

}  // namespace

size_t Utf8Length(std::string_view text) {
  size_t count = 0;
  for (size_t at = 0; at < text.size(); at += CharacterSize(text, at)) ++count;
  return count;
}

std::string Utf8Prefix(std::string_view text, size_t count) {
  size_t at = 0;
  for (; at < text.size() && count > 0; --count) at += CharacterSize(text, at);
  return std::string(text.substr(0, at));
}

std::string Utf8WithoutLast(std::string_view text) {
  size_t at = 0, last = 0;
  for (; at < text.size(); at += CharacterSize(text, at)) last = at;
  return std::string(text.substr(0, last));
}

}  // namespace qarvo
