#include "core/FormatDefinition.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "base/AsciiText.h"
#include "core/Utf8Text.h"

namespace qarvo {
namespace {

bool EmptyCountsAsNull(const std::string& key) {
  static const std::array<const char*, 6> keys{
      format_keys::kVideoEncoder, format_keys::kAudioBitRate, format_keys::kSampleRate,
      format_keys::kAudioEncoder, format_keys::kChannel,      format_keys::kVolume};
  const std::string lower = AsciiLower(key);
  return std::any_of(keys.begin(), keys.end(),
                     [&](const char* k) { return AsciiLower(k) == lower; });
}

using TNamePairs = std::vector<std::pair<const char*, const char*>>;

std::optional<std::string> Lookup(const TNamePairs& table, const std::string& text) {
  for (const auto& [from, to] : table)
    if (text == from) return std::string(to);
  return std::nullopt;
}

}  // namespace

bool TFormatDefinition::Current() const {
  return AsciiLower(Encoding) == format_keys::kEncodingCurrent;
}

std::string FormatSection(int code) { return "formatInfo" + std::to_string(code); }

std::vector<std::string> SplitChoiceList(const std::string& value) {
  std::vector<std::string> items;
  std::string current;
  for (char c : value) {
    if (c == ',') {
      items.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  items.push_back(std::move(current));
  return items;
}

std::optional<std::string> TChoiceList::DefaultItem() const {
  if (!Enabled || DefaultIndex < 0 || DefaultIndex >= static_cast<int>(Items.size()))
    return std::nullopt;
  return Items[DefaultIndex];
}

TChoiceList ParseChoiceList(const std::string& key, const std::string& value, int defaultIndex) {
  TChoiceList list;
  list.DefaultIndex = defaultIndex;
  if (value == format_keys::kNull) return list;
  if (value.empty()) {
    list.Enabled = !EmptyCountsAsNull(key);
    return list;
  }
  list.Enabled = true;
  list.Items = SplitChoiceList(value);
  return list;
}

const TChoiceList* TFormatDefinition::List(const std::string& key) const {
  const std::pair<const char*, const TChoiceList*> lists[] = {
      {format_keys::kVideoSize, &VideoSize},
      {format_keys::kVideoBitRate, &VideoBitRate},
      {format_keys::kFrameRate, &FrameRate},
      {format_keys::kVideoEncoder, &VideoEncoder},
      {format_keys::kAudioBitRate, &AudioBitRate},
      {format_keys::kSampleRate, &SampleRate},
      {format_keys::kAudioEncoder, &AudioEncoder},
      {format_keys::kChannel, &Channel},
      {format_keys::kVolume, &Volume},
      {format_keys::kRateMode, &RateMode},
      {format_keys::kQuality, &Quality},
      {format_keys::kSpeed, &Speed},
      {format_keys::kTargetSize, &TargetSize}};
  const std::string lower = AsciiLower(key);
  for (const auto& [name, list] : lists)
    if (AsciiLower(name) == lower) return list;
  return nullptr;
}

TFormatDefinition ReadFormatDefinition(const TIniSnapshot& definitions, int code) {
  const std::string section = FormatSection(code);
  TFormatDefinition d;
  d.Exists = definitions.SectionExists(section);
  d.Format = definitions.ReadString(section, format_keys::kFormat, format_keys::kNull);
  d.FileExt = definitions.ReadString(section, format_keys::kFileExt, format_keys::kFileExtDefault);
  const auto list = [&](const char* key) {
    return ParseChoiceList(key, definitions.ReadString(section, key, format_keys::kNull),
                           definitions.ReadInteger(section, std::string("i") + key, 0));
  };
  d.VideoSize = list(format_keys::kVideoSize);
  d.VideoBitRate = list(format_keys::kVideoBitRate);
  d.FrameRate = list(format_keys::kFrameRate);
  d.VideoEncoder = list(format_keys::kVideoEncoder);
  d.AudioBitRate = list(format_keys::kAudioBitRate);
  d.SampleRate = list(format_keys::kSampleRate);
  d.AudioEncoder = list(format_keys::kAudioEncoder);
  d.Channel = list(format_keys::kChannel);
  d.Volume = list(format_keys::kVolume);
  d.BitExact = definitions.ReadString(section, "paraBitExact", "");
  d.MaxBitrate = definitions.ReadString(section, "paraMaxBitrate", "");
  d.BufferSize = definitions.ReadString(section, "paraBufferSize", "");
  d.Level = definitions.ReadString(section, "paraLevel", "");
  d.Qscale = definitions.ReadString(section, "paraQscale", "");
  d.Gop = definitions.ReadString(section, "paraGop", "");
  d.Coder = definitions.ReadString(section, "paraCoder", "");
  d.Encoding = definitions.ReadString(section, format_keys::kEncoding, "");
  d.RateMode = list(format_keys::kRateMode);
  d.Quality = list(format_keys::kQuality);
  d.Speed = list(format_keys::kSpeed);
  d.TargetSize = list(format_keys::kTargetSize);
  d.Device = definitions.ReadString(section, format_keys::kDevice, "");
  d.SurroundEncoder = definitions.ReadString(section, format_keys::kSurroundEncoder, "");
  d.PixelFormat = definitions.ReadString(section, format_keys::kPixelFormat, "");
  return d;
}

TFormatDefinition ReadFormatDefinition(const TIniFile& definitions, int code) {
  return ReadFormatDefinition(definitions.Snapshot(), code);
}

std::optional<std::string> VideoEncoderEngineName(const std::string& displayName) {
  static const TNamePairs table{{"mpeg-4", "mpeg4"},
                                {"3gp", "3gp"},
                                {"3g2", "3g2"},
                                {"xvid", "libxvid"},
                                {"mov", "mov"},
                                {"wmv1", "wmv1"},
                                {"wmv2", "wmv2"},
                                {"wmv3", "wmv3"},
                                {"flv", "flv"},
                                {"swf", "swf"},
                                {"msmpeg4", "msmpeg4"},
                                {"msmpeg4v1", "msmpeg4v1"},
                                {"msmpeg4v2", "msmpeg4v2"},
                                {"mpeg1video", "mpeg1video"},
                                {"mpeg2video", "mpeg2video"},
                                {"h263", "h263"},
                                {"h263p", "h263p"},
                                {"rawvideo", "rawvideo"},
                                {"rv10", "rv10"},
                                {"rv20", "rv20"},
                                {"dvvideo", "dvvideo"},
                                {"huffyuv", "huffyuv"},
                                {"ljpeg", "ljpeg"},
                                {"mjpeg", "mjpeg"},
                                {"svq1", "svq1"},
                                {"zlib", "zlib"},
                                {"h264", "libx264"},
                                {"h.264", "libx264"},
                                {"hevc", "libx265"},
                                {"av1", "libsvtav1"},
                                {"vp9", "libvpx-vp9"},
                                {"gif", "gif"},
                                {"webp", "libwebp_anim"}};
  return Lookup(table, AsciiLower(displayName));
}

std::optional<std::string> AudioEncoderEngineName(const std::string& displayName) {
  static const TNamePairs table{{"mp3", "libmp3lame"},
                                {"ogg", "vorbis"},
                                {"mp2", "mp2"},
                                {"aac", "libfaac"},
                                {"ac-3", "ac3"},
                                {"flac", "libflac"},
                                {"amr_nb", "libopencore_amrnb"},
                                {"pcm_s16", "pcm_s16le"},
                                {"pcm_u16", "pcm_u16le"},
                                {"pcm_alaw", "pcm_alaw"},
                                {"pcm_mulaw ", "pcm_mulaw"},
                                {"adpcm_ms", "adpcm_ms"},
                                {"adpcm_ima_wav", "adpcm_ima_wav"},
                                {"wma1", "wmav1"},
                                {"wma2", "wmav2"},
                                {"e-ac-3", "eac3"},
                                {"opus", "libopus"},
                                {"keep as it is", "copy"}};
  return Lookup(table, AsciiLower(displayName));
}

std::optional<std::string> ChannelValue(const std::string& choice) {
  static const TNamePairs table{
      {"as source", "as source"}, {"mono 1 channel", "1"}, {"stereo 2 channels", "2"}};
  return Lookup(table, choice);
}

std::optional<std::string> VolumeValue(const std::string& choice) {
  if (choice.empty()) return std::nullopt;
  const std::string number = Utf8WithoutLast(choice);
  static const std::array<int, 12> offered{25, 50, 75, 100, 125, 150, 175, 200, 250, 300, 350, 400};
  for (int percent : offered)
    if (number == std::to_string(percent)) return std::to_string(percent * 256 / 100);
  return std::nullopt;
}

}  // namespace qarvo
