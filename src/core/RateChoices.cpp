#include "core/RateChoices.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "base/AsciiText.h"

namespace qarvo {
namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<int> WholeNumber(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return std::nullopt;
  for (; i < text.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
  return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

// The text between an entry's last "(" and its closing ")", if it ends with one.
std::optional<std::string> Bracketed(const std::string& entry) {
  if (entry.empty() || entry.back() != ')') return std::nullopt;
  const auto open = entry.rfind('(');
  if (open == std::string::npos) return std::nullopt;
  return Trimmed(entry.substr(open + 1, entry.size() - open - 2));
}

constexpr TRateMode kModes[] = {TRateMode::ConstantQuality, TRateMode::AverageBitRate,
                                TRateMode::TwoPassAverageBitRate, TRateMode::TargetSize};

}  // namespace

const char* RateModeChoice(TRateMode mode) {
  switch (mode) {
    case TRateMode::ConstantQuality:
      return "constant quality";
    case TRateMode::AverageBitRate:
      return "average bit rate";
    case TRateMode::TwoPassAverageBitRate:
      return "two-pass average bit rate";
    case TRateMode::TargetSize:
      return "target size";
  }
  return "constant quality";
}

std::optional<TRateMode> RateModeFromChoice(const std::string& choice) {
  const std::string wanted = AsciiLower(Trimmed(choice));
  for (TRateMode mode : kModes)
    if (wanted == RateModeChoice(mode)) return mode;
  return std::nullopt;
}

std::optional<int> ChoiceNumber(const std::string& choice) {
  const std::string entry = Trimmed(choice);
  if (const auto inside = Bracketed(entry)) return WholeNumber(*inside);
  return WholeNumber(entry);
}

std::string SpeedValue(const std::string& choice) {
  std::string entry = Trimmed(choice);
  if (const auto inside = Bracketed(entry)) return *inside;
  return entry;
}

std::optional<int64_t> TargetSizeBytes(const std::string& megabytes) {
  const std::string text = Trimmed(megabytes);
  if (text.empty() || text.size() > 12) return std::nullopt;
  bool point = false;
  for (char c : text) {
    if (c == '.' && !point)
      point = true;
    else if (!std::isdigit(static_cast<unsigned char>(c)))
      return std::nullopt;
  }
  const double value = std::strtod(text.c_str(), nullptr);
  if (value < 0.1 || value > kMostTargetMegabytes) return std::nullopt;
  return static_cast<int64_t>(std::llround(value * 1e6));
}

}  // namespace qarvo
