#include "core/ReleaseNumber.h"

#include <charconv>
#include <cmath>

namespace qarvo {

std::optional<double> ParseReleaseNumber(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  // Digits and at most one point; no sign, exponent or other notation.
  int points = 0;
  for (char c : text) {
    if (c == '.') {
      ++points;
    } else if (c < '0' || c > '9') {
      return std::nullopt;
    }
  }
  if (points > 1 || text == ".") return std::nullopt;
  double value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

bool IsNewerRelease(std::string_view programVersionText, std::string_view latest) {
  const auto program = ParseReleaseNumber(programVersionText);
  const auto newest = ParseReleaseNumber(latest);
  return program && newest && *program < *newest;
}

}  // namespace qarvo
