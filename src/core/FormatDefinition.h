// The format definition store: what a format offers (definition file) and the choice
// lists' value conventions shared by the editors and option composition.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/IniFile.h"

namespace qarvo {

namespace format_keys {
inline constexpr const char* kFormat = "Format";
inline constexpr const char* kFileExt = "FileExt";
inline constexpr const char* kFileExtDefault = "mp4";
inline constexpr const char* kNull = "null";
inline constexpr const char* kAsSource = "as source";
inline constexpr const char* kVideoSize = "VideoSize";
inline constexpr const char* kVideoBitRate = "VideoBitRate";
inline constexpr const char* kFrameRate = "FrameRate";
inline constexpr const char* kVideoEncoder = "VideoEncoder";
inline constexpr const char* kAudioBitRate = "AudioBitRate";
inline constexpr const char* kSampleRate = "SampleRate";
inline constexpr const char* kAudioEncoder = "AudioEncoder";
inline constexpr const char* kChannel = "Channel";
inline constexpr const char* kVolume = "Volume";
inline constexpr const char* kZoom = "paraZoom";
// The current formats' keys (see the definition file's header).
inline constexpr const char* kEncoding = "Encoding";
inline constexpr const char* kEncodingCurrent = "current";
inline constexpr const char* kRateMode = "RateMode";
inline constexpr const char* kQuality = "Quality";
inline constexpr const char* kSpeed = "Speed";
inline constexpr const char* kTargetSize = "TargetSize";
inline constexpr const char* kDevice = "Device";
inline constexpr const char* kSurroundEncoder = "SurroundEncoder";
inline constexpr const char* kPixelFormat = "PixelFormat";
}  // namespace format_keys

// "formatInfo" + code: the section of a format in both files.
std::string FormatSection(int code);

// Splits a choice list at every ","; items are not trimmed and a trailing "," adds an
// empty last item.
std::vector<std::string> SplitChoiceList(const std::string& value);

// One parameter's choices. Disabled means the format has no such parameter ("null").
struct TChoiceList {
  bool Enabled = false;
  std::vector<std::string> Items;
  int DefaultIndex = 0;  // "i" + key of the definition; may lie outside Items
  // The item at the default index, if there is one.
  std::optional<std::string> DefaultItem() const;
};

// Reads a list value under the rules of its key: "null" (also when missing) disables it;
// an empty value disables the audio lists and the video encoder but leaves the frame size,
// video bit rate and frame rate enabled and empty.
TChoiceList ParseChoiceList(const std::string& key, const std::string& value, int defaultIndex);

struct TFormatDefinition {
  bool Exists = false;  // the definition file has the section
  std::string Format = "null";
  std::string FileExt = "mp4";
  TChoiceList VideoSize, VideoBitRate, FrameRate, VideoEncoder;
  TChoiceList AudioBitRate, SampleRate, AudioEncoder, Channel, Volume;
  // H.264 options as written (empty when missing).
  std::string BitExact, MaxBitrate, BufferSize, Level, Qscale, Gop, Coder;
  // The current formats: rate control lists and what the output keeps to (empty when missing).
  std::string Encoding;
  TChoiceList RateMode, Quality, Speed, TargetSize;
  std::string Device, SurroundEncoder, PixelFormat;

  // The format uses the encoders' current tools and the keys above.
  bool Current() const;

  // The choice list of a definition key ("VideoSize", ...); nullptr for other keys.
  const TChoiceList* List(const std::string& key) const;
};

TFormatDefinition ReadFormatDefinition(const TIniSnapshot& definitions, int code);
TFormatDefinition ReadFormatDefinition(const TIniFile& definitions, int code);

// Editor mappings from a choice text to the profile value; nothing for unknown texts.
std::optional<std::string> VideoEncoderEngineName(const std::string& displayName);
std::optional<std::string> AudioEncoderEngineName(const std::string& displayName);
std::optional<std::string> ChannelValue(const std::string& choice);
// "50%" -> "128" (percentage x 256 / 100) for the twelve offered percentages.
std::optional<std::string> VolumeValue(const std::string& choice);

}  // namespace qarvo
