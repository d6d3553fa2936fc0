#include "core/FileInfoFields.h"

#include <algorithm>
#include <cmath>

#include "base/StringFormat.h"
#include "core/Utf8Text.h"

namespace qarvo {

std::string FileInfoShortName(const std::string& path) {
  if (Utf8Length(path) < 46) return path;
  std::string extension;
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
    extension = path.substr(dot);
  return Utf8Prefix(path, 40) + ".." + extension + "  ";
}

std::string FileInfoDurationText(int64_t duration) {
  if (duration < 0) duration = 0;
  return Format("%d.%.3d Second", static_cast<int>(duration / 1000000),
                static_cast<int>(duration / 1000 % 1000));
}

std::string FileInfoAudioFormat(const std::string& description) {
  const std::string marker = "Audio:";
  const size_t at = description.find(marker);
  if (at == std::string::npos) return {};
  size_t start = at + marker.size();
  if (start < description.size() && description[start] == ' ') ++start;
  // The name ends at the comma; neither the codec tag some containers add in brackets
  // ("mp3 (U[0][0][0] / 0x0055)") nor the next line belongs to it.
  const size_t end = std::min(
      {description.find(',', start), description.find(" (", start), description.find('\n', start)});
  return description.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string FileInfoFrameRate(int numerator, int denominator) {
  if (numerator <= 0 || denominator <= 0) return {};
  if (numerator % denominator == 0) return std::to_string(numerator / denominator);
  std::string text = Format("%.3f", static_cast<double>(numerator) / denominator);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

std::string FileInfoFrameCount(int numerator, int denominator, int64_t duration) {
  if (numerator <= 0 || denominator <= 0 || duration < 0) return {};
  const double frames = static_cast<double>(duration) / 1e6 * numerator / denominator;
  return std::to_string(std::llround(frames));
}

std::string FileInfoNumber(int64_t value) {
  return value < 0 ? std::string() : std::to_string(value);
}

std::string FileInfoBitRate(int64_t bitsPerSecond) {
  if (bitsPerSecond <= 0) return {};
  const int64_t kilobits = std::max<int64_t>(1, std::llround(bitsPerSecond / 1000.0));
  return std::to_string(kilobits) + " kb/s";
}

std::string FileInfoCodec(const std::string& codecName) {
  const std::string name = codecName.substr(0, codecName.find('('));
  const size_t last = name.find_last_not_of(' ');
  return last == std::string::npos ? std::string() : name.substr(0, last + 1);
}

}  // namespace qarvo
