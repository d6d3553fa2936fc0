#include "engine/task/OptionText.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace qarvo {

namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7f; }

}  // namespace

std::string TrimOption(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlankOrControl(text[first])) ++first;
  while (last > first && IsBlankOrControl(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::string NormaliseLineBreaks(const std::string& text, bool marker) {
  static constexpr std::string_view kMarker = "<CRLF>";
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      result += '\n';
    } else if (marker && c == '<' && std::string_view(text).substr(i, kMarker.size()) == kMarker) {
      result += '\n';
      i += kMarker.size() - 1;
    } else {
      result += c;
    }
  }
  return result;
}

std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  });
  return text;
}

std::vector<TOptionLine> SplitOptionText(const std::string& text) {
  std::vector<TOptionLine> lines;
  const std::string rest = NormaliseLineBreaks(TrimOption(text));
  if (rest.empty()) return lines;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('\n', start);
    if (end == std::string::npos) end = rest.size();
    const std::string line = rest.substr(start, end - start);
    const size_t equals = line.find('=');
    if (equals == std::string::npos)
      lines.push_back({LowerCase(line), std::string()});
    else
      lines.push_back({LowerCase(line.substr(0, equals)), line.substr(equals + 1)});
    start = end + 1;
  }
  return lines;
}

bool DispatchedInRecordPass(const std::string& name, TRecordPass use) {
  static constexpr std::array<std::string_view, 8> kStreamGroup = {
      "newvideo", "newaudio", "newsubtitle", "apre", "vpre", "spre", "vfilters", "vf"};
  static constexpr std::array<std::string_view, 4> kInputOnly = {"acodec", "vcodec", "scodec", "s"};
  if (std::find(kStreamGroup.begin(), kStreamGroup.end(), name) != kStreamGroup.end()) return false;
  if (use == TRecordPass::Output &&
      std::find(kInputOnly.begin(), kInputOnly.end(), name) != kInputOnly.end())
    return false;
  return true;
}

}  // namespace qarvo
