#include "core/ParameterRules.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <set>

#include "core/FormatDefinition.h"

namespace qarvo {
namespace {

bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }

bool ContainsIgnoringCase(const std::string& text, const std::string& lowerPart) {
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.find(lowerPart) != std::string::npos;
}

std::optional<int> IntegerOf(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Rounded towards zero to an even number; 0 becomes 2.
int EvenSide(int side) {
  const int even = side - side % 2;
  return even == 0 ? 2 : even;
}

std::optional<double> DecimalOf(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const bool plain = std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
           c == 'e' || c == 'E';
  });
  if (!plain) return std::nullopt;
  if (text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

bool IsIntegerText(std::string_view text) { return IntegerOf(text).has_value(); }

bool IsDecimalText(std::string_view text) { return DecimalOf(text).has_value(); }

bool IsPositiveNumberText(std::string_view text, bool decimal) {
  if (decimal) {
    const auto value = DecimalOf(text);
    return value && *value > 0;
  }
  const auto value = IntegerOf(text);
  return value && *value > 0;
}

TKeyVerdict FilterKey(TKeyRule rule, std::string_view currentText, char32_t key) {
  const bool judged = key == kBackspace || (key >= 0x20 && key != 0x7f);
  if (!judged || key == kBackspace || IsDigit(key)) return {};
  if (rule == TKeyRule::Numeric) return {false, true, true};
  if (rule == TKeyRule::Decimal)
    return key == '.' && currentText.find('.') == std::string_view::npos
               ? TKeyVerdict{}
               : TKeyVerdict{false, true, true};
  if (currentText.empty()) return {};
  if (key == 'x' && currentText.find('x') == std::string_view::npos) return {};
  return {false, true, false};
}

TFrameSizeCheck CheckFrameSize(const std::string& text) {
  using TResult = TFrameSizeCheck::TResult;
  if (ContainsIgnoringCase(text, format_keys::kAsSource)) return {TResult::AsSource, {}};
  const auto x = text.rfind('x');
  if (x == std::string::npos) return {TResult::Invalid, {}};
  const auto width = IntegerOf(std::string_view(text).substr(0, x));
  const auto height = IntegerOf(std::string_view(text).substr(x + 1));
  if (!width || !height) return {TResult::Invalid, {}};
  if (*width % 2 == 0 && *height % 2 == 0 && *width != 0 && *height != 0)
    return {TResult::Accepted, text};
  return {TResult::Corrected,
          std::to_string(EvenSide(*width)) + "x" + std::to_string(EvenSide(*height))};
}

std::string FrameSizeCorrectionText(const std::string& correctedSize) {
  return "Frame Size must be a multiple of 2.\nThe correct value:" + correctedSize;
}

std::optional<std::string> VideoEncoderToFind(const std::string& displayName) {
  static const std::set<std::string> handedOver{
      "mpeg4",   "libxvid", "mpeg1video", "mpeg2video", "msmpeg4", "msmpeg4v1", "msmpeg4v2",
      "huffyuv", "dvvideo", "rawvideo",   "h263p",      "h263",    "rv10",      "rv20",
      "ljpeg",   "mjpeg",   "svq1",       "zlib",       "wmv1",    "wmv2",      "libx264"};
  auto name = VideoEncoderEngineName(displayName);
  if (name && handedOver.count(*name)) return name;
  return std::nullopt;
}

std::optional<std::string> AudioEncoderToFind(const std::string& displayName) {
  return AudioEncoderEngineName(displayName);
}

std::string MissingEncoderText(const std::string& displayName, const std::string& engineName) {
  return "\"" + displayName +
         "\" cannot be used here: the media libraries on this computer were built without its "
         "encoder (\"" +
         engineName +
         "\").\nChoose another encoder, or put libraries built with it into a folder "
         "\"LibAV\" beside the program.";
}

std::optional<TAudioEncoderLimits> AudioEncoderLimits(const std::string& engineName) {
  // Narrow-band AMR codes telephone sound: one channel at 8 kHz, in eight modes of 4.75 to
  // 12.2 kbit/s.
  if (engineName == "libopencore_amrnb" || engineName == "libamr_nb")
    return TAudioEncoderLimits{{8000}, 4.75, 12.2, "12.2", 1};
  return std::nullopt;
}

}  // namespace qarvo
