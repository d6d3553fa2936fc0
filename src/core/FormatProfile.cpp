#include "core/FormatProfile.h"

#include <optional>

namespace qarvo {
namespace {

std::optional<std::string> Same(const std::string& item) { return item; }

}  // namespace

TFormatProfile::TFormatProfile(const TIniSnapshot& settings, TFormatDefinition definition, int code)
    : settings_(settings), definition_(std::move(definition)), section_(FormatSection(code)) {}

template <typename TMap>
std::string TFormatProfile::Read(const char* key, const char* listKey, TMap map,
                                 const std::string& readerDefault) const {
  if (settings_.ValueExists(section_, key)) return settings_.ReadString(section_, key, "");
  if (const TChoiceList* list = definition_.List(listKey)) {
    if (const auto item = list->DefaultItem()) {
      if (const auto mapped = map(*item)) return *mapped;
    }
  }
  return readerDefault;
}

std::string TFormatProfile::VideoEncoder() const {
  return Read("paraVideoEncoder", format_keys::kVideoEncoder, VideoEncoderEngineName,
              profile_defaults::kVideoEncoder);
}

std::string TFormatProfile::VideoSize() const {
  return Read("paraVideoSize", format_keys::kVideoSize, Same, profile_defaults::kVideoSize);
}

std::string TFormatProfile::VideoBitRate() const {
  if (overrides_.BitRateKbps) return std::to_string(*overrides_.BitRateKbps);
  return Read("paraVideoBitRate", format_keys::kVideoBitRate, Same,
              profile_defaults::kVideoBitRate);
}

std::string TFormatProfile::FrameRate() const {
  return Read("paraFrameRate", format_keys::kFrameRate, Same, profile_defaults::kFrameRate);
}

std::string TFormatProfile::AudioEncoder(bool audioOnly) const {
  return Read("paraAudioEncoder", format_keys::kAudioEncoder, AudioEncoderEngineName,
              audioOnly ? profile_defaults::kAudioEncoderAudioOnly : "");
}

std::string TFormatProfile::Channel() const {
  return Read("paraChannel", format_keys::kChannel, ChannelValue, profile_defaults::kChannel);
}

std::string TFormatProfile::SampleRate() const {
  return Read("paraSampleRate", format_keys::kSampleRate, Same, profile_defaults::kSampleRate);
}

std::string TFormatProfile::AudioBitRate() const {
  return Read("paraAudioBitRate", format_keys::kAudioBitRate, Same,
              profile_defaults::kAudioBitRate);
}

std::string TFormatProfile::Volume() const {
  // Without a volume list the output keeps the source's loudness: the bare reader default
  // (3, i.e. almost silent) was never a choice anyone made.
  return Read("paraVolume", format_keys::kVolume, VolumeValue, "256");
}

std::string TFormatProfile::Zoom() const {
  return settings_.ReadString(section_, "parazoom", profile_defaults::kZoom);
}

template <typename TMap>
std::string TFormatProfile::ReadChoice(const char* key, const TChoiceList& list, TMap map) const {
  if (!list.Enabled) return {};
  if (settings_.ValueExists(section_, key)) return settings_.ReadString(section_, key, "");
  if (const auto item = list.DefaultItem()) return map(*item);
  return {};
}

std::optional<TRateMode> TFormatProfile::RateMode() const {
  if (overrides_.TargetSizeBytes) return TRateMode::TargetSize;
  if (overrides_.TwoPass) return TRateMode::TwoPassAverageBitRate;
  if (overrides_.Quality) return TRateMode::ConstantQuality;
  if (overrides_.BitRateKbps) return TRateMode::AverageBitRate;
  const std::string choice = ReadChoice("paraRateMode", definition_.RateMode,
                                        [](const std::string& item) { return item; });
  if (choice.empty()) return std::nullopt;
  // A stored text no mode has falls back to the format's default.
  if (const auto mode = RateModeFromChoice(choice)) return mode;
  const auto item = definition_.RateMode.DefaultItem();
  return item ? RateModeFromChoice(*item) : std::nullopt;
}

std::optional<int> TFormatProfile::Quality() const {
  if (overrides_.Quality) return overrides_.Quality;
  const std::string value =
      ReadChoice("paraQuality", definition_.Quality, [](const std::string& item) {
        const auto n = ChoiceNumber(item);
        return n ? std::to_string(*n) : std::string();
      });
  if (const auto number = ChoiceNumber(value)) return number;
  const auto item = definition_.Quality.DefaultItem();
  return item ? ChoiceNumber(*item) : std::nullopt;
}

std::string TFormatProfile::Speed() const {
  if (overrides_.Speed) return *overrides_.Speed;
  return SpeedValue(ReadChoice("paraSpeed", definition_.Speed, SpeedValue));
}

std::optional<int64_t> TFormatProfile::TargetSizeBytes() const {
  if (overrides_.TargetSizeBytes) return overrides_.TargetSizeBytes;
  const std::string value = ReadChoice("paraTargetSize", definition_.TargetSize,
                                       [](const std::string& item) { return item; });
  if (value.empty()) return std::nullopt;
  // A stored text that is no size falls back to the format's default, as the size box shows.
  if (const auto bytes = qarvo::TargetSizeBytes(value)) return bytes;
  const auto item = definition_.TargetSize.DefaultItem();
  return item ? qarvo::TargetSizeBytes(*item) : std::nullopt;
}

}  // namespace qarvo
