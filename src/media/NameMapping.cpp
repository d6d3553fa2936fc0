#include "media/NameMapping.h"

#include <array>
#include <cctype>
#include <string_view>

#include "media/LibraryLoader.h"

namespace qarvo {

namespace {

struct TFlagToken {
  char Sign = 0;  // '+', '-' or 0 when written without one
  std::string Name;
};

// "+a-b+c" -> (+a)(-b)(+c); "a+b" -> (a)(+b).
std::vector<TFlagToken> SplitFlags(const std::string& value) {
  std::vector<TFlagToken> tokens;
  TFlagToken current;
  bool started = false;
  for (char c : value) {
    if (c == '+' || c == '-') {
      if (started) tokens.push_back(current);
      current = {c, {}};
      started = true;
    } else {
      current.Name += c;
      started = true;
    }
  }
  if (started) tokens.push_back(current);
  return tokens;
}

std::string JoinFlags(const std::vector<TFlagToken>& tokens) {
  std::string text;
  for (const auto& token : tokens) {
    if (token.Sign) text += token.Sign;
    text += token.Name;
  }
  return text;
}

// A flag that became a private option of its own: set gives OnValue, cleared OffValue.
struct TMovedFlag {
  std::string_view Flag;
  std::string_view Option;
  std::string_view OnValue;
  std::string_view OffValue;
};

// A flag that became a flag of another flags option.
struct TRenamedFlag {
  std::string_view Flag;
  std::string_view Option;
  std::string_view NewFlag;
};

constexpr std::array<TMovedFlag, 10> kFlags2Moved = {{
    {"bpyramid", "b-pyramid", "normal", "none"},
    {"wpred", "weightb", "1", "0"},
    {"mixed_refs", "mixed-refs", "1", "0"},
    {"dct8x8", "8x8dct", "1", "0"},
    {"fastpskip", "fast-pskip", "1", "0"},
    {"mbtree", "mbtree", "1", "0"},
    {"aud", "aud", "1", "0"},
    {"psy", "psy", "1", "0"},
    {"ssim", "ssim", "1", "0"},
    {"intra_refresh", "intra-refresh", "1", "0"},
}};

constexpr std::array<TMovedFlag, 6> kFlagsMoved = {{
    {"scan_offset", "scan_offset", "1", "0"},
    {"alt", "alternate_scan", "1", "0"},
    {"umv", "umv", "1", "0"},
    {"aiv", "aiv", "1", "0"},
    {"obmc", "obmc", "1", "0"},
    {"slice", "structured_slices", "1", "0"},
}};

constexpr std::array<TRenamedFlag, 4> kFlagsRenamed = {{
    {"naq", "mpv_flags", "naq"},
    {"mv0", "mpv_flags", "mv0"},
    {"cbp", "mpv_flags", "cbp_rd"},
    {"qprd", "mpv_flags", "qp_rd"},
}};

template <size_t N>
const TMovedFlag* FindMoved(const std::array<TMovedFlag, N>& table, const std::string& flag) {
  for (const auto& entry : table)
    if (entry.Flag == flag) return &entry;
  return nullptr;
}

const TRenamedFlag* FindRenamed(const std::string& flag) {
  for (const auto& entry : kFlagsRenamed)
    if (entry.Flag == flag) return &entry;
  return nullptr;
}

// Moves the legacy flags of a flags value out into their present options; the flags left
// stay with the option. Nothing when no flag of the value is legacy.
template <size_t N>
std::optional<std::vector<TOptionSetting>> TranslateFlags(const std::string& option,
                                                          const std::string& value,
                                                          const std::array<TMovedFlag, N>& moved,
                                                          bool withRenamed) {
  std::vector<TFlagToken> kept;
  std::vector<TOptionSetting> settings;
  std::vector<std::pair<std::string, std::string>> renamed;  // option, flags
  bool legacy = false;
  for (const auto& token : SplitFlags(value)) {
    if (const TMovedFlag* entry = FindMoved(moved, token.Name)) {
      legacy = true;
      settings.push_back({std::string(entry->Option),
                          std::string(token.Sign == '-' ? entry->OffValue : entry->OnValue)});
    } else if (const TRenamedFlag* entry = withRenamed ? FindRenamed(token.Name) : nullptr) {
      legacy = true;
      const std::string flag = (token.Sign == '-' ? "-" : "+") + std::string(entry->NewFlag);
      auto it = renamed.begin();
      while (it != renamed.end() && it->first != entry->Option) ++it;
      if (it == renamed.end())
        renamed.emplace_back(std::string(entry->Option), flag);
      else
        it->second += flag;
    } else {
      kept.push_back(token);
    }
  }
  if (!legacy) return std::nullopt;
  for (const auto& [name, flags] : renamed) settings.push_back({name, flags});
  if (!kept.empty()) settings.insert(settings.begin(), {option, JoinFlags(kept)});
  return settings;
}

// "+parti8x8+parti4x4-partp8x8" -> "i8x8,i4x4"; nothing when a flag is not a partition.
std::optional<std::vector<TOptionSetting>> TranslatePartitions(const std::string& value) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kParts = {{
      {"parti4x4", "i4x4"},
      {"parti8x8", "i8x8"},
      {"partp4x4", "p4x4"},
      {"partp8x8", "p8x8"},
      {"partb8x8", "b8x8"},
  }};
  const auto tokens = SplitFlags(value);
  if (tokens.empty()) return std::nullopt;
  std::string list;
  for (const auto& token : tokens) {
    auto it = kParts.begin();
    while (it != kParts.end() && it->first != token.Name) ++it;
    if (it == kParts.end()) return std::nullopt;
    if (token.Sign == '-') continue;
    if (list.find(it->second) != std::string::npos) continue;
    if (!list.empty()) list += ',';
    list += it->second;
  }
  return std::vector<TOptionSetting>{{"partitions", list.empty() ? "none" : list}};
}

// Splits at any of `separators` outside quotes and brackets; each later piece starts with the
// separator that ended the one before.
std::vector<std::string> SplitOutside(const std::string& text, const std::string& separators) {
  std::vector<std::string> pieces(1);
  int depth = 0;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      pieces.back() += c;
      pieces.back() += text[++i];
      continue;
    }
    if (c == '\'') quoted = !quoted;
    if (!quoted && c == '[') ++depth;
    if (!quoted && c == ']') --depth;
    if (!quoted && depth == 0 && separators.find(c) != std::string::npos) {
      pieces.emplace_back(1, c);  // the separator leads the next piece
      continue;
    }
    pieces.back() += c;
  }
  return pieces;
}

bool IsPlainNumber(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// One filter of a chain, with its input labels, separator and output labels kept around it.
std::string TranslateFilter(const std::string& piece) {
  size_t start = 0;
  while (start < piece.size() && (piece[start] == ',' || piece[start] == ';' ||
                                  std::isspace(static_cast<unsigned char>(piece[start]))))
    ++start;
  while (start < piece.size() && piece[start] == '[') {
    const size_t close = piece.find(']', start);
    if (close == std::string::npos) return piece;
    start = close + 1;
    while (start < piece.size() && std::isspace(static_cast<unsigned char>(piece[start]))) ++start;
  }
  if (piece.compare(start, 5, "crop=") != 0) return piece;
  const size_t valuesStart = start + 5;
  size_t valuesEnd = piece.find('[', valuesStart);
  if (valuesEnd == std::string::npos) valuesEnd = piece.size();
  const std::string values = piece.substr(valuesStart, valuesEnd - valuesStart);
  std::vector<std::string> parts = SplitOutside(values, ":");
  for (size_t i = 1; i < parts.size(); ++i) parts[i].erase(0, 1);
  if (parts.size() > 4) return piece;
  for (const std::string& part : parts)
    if (part.empty() || part.find('=') != std::string::npos) return piece;
  static const char* const kNames[] = {"x", "y", "w", "h"};
  std::string named;
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string value = parts[i];
    // 0 was the rest of the picture beyond the corner.
    if (i >= 2 && value == "0") {
      const std::string& corner = parts[i - 2];
      value = std::string(i == 2 ? "iw" : "ih") + (IsPlainNumber(corner) ? "-" + corner : "");
    }
    named += (named.empty() ? "" : ":") + std::string(kNames[i]) + "=" + value;
  }
  return piece.substr(0, valuesStart) + named + piece.substr(valuesEnd);
}

}  // namespace

std::string TranslateLegacyFilters(const std::string& text) {
  std::string translated;
  for (const std::string& piece : SplitOutside(text, ",;")) translated += TranslateFilter(piece);
  return translated;
}

std::optional<std::vector<TOptionSetting>> TranslateLegacyOption(const std::string& name,
                                                                 const std::string& value) {
  if (name == "flags2") return TranslateFlags(name, value, kFlags2Moved, false);
  if (name == "flags") return TranslateFlags(name, value, kFlagsMoved, true);
  if (name == "partitions") return TranslatePartitions(value);
  if (name == "directpred") return std::vector<TOptionSetting>{{"direct-pred", value}};
  if (name == "cqp") return std::vector<TOptionSetting>{{"qp", value}};
  return std::nullopt;
}

std::string ReplacementEncoderName(const std::string& name) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kEncoders = {{
      {"libfaac", "aac"},
      {"libflac", "flac"},
      {"vorbis", "libvorbis"},
      {"libamr_nb", "libopencore_amrnb"},
  }};
  for (const auto& [old, present] : kEncoders)
    if (old == name) return std::string(present);
  return {};
}

std::string TranslateEncoderName(const std::string& name) {
  std::string replacement = ReplacementEncoderName(name);
  if (replacement.empty()) return name;
  if (!TLibraryLoader::Instance().IsLoaded(liAVCodec)) return replacement;
  const AVCodec* codec = api().avcodec_find_encoder_by_name(name.c_str());
  if (!codec) return replacement;
  // A built-in encoder still marked experimental is replaced when the other one exists.
  if ((codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) &&
      api().avcodec_find_encoder_by_name(replacement.c_str()))
    return replacement;
  return name;
}

}  // namespace qarvo
