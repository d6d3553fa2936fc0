// The user's choices for one format (the "formatInfo" section of the settings file) as
// option composition reads them.
//
// A key missing from the profile falls back to the definition's default choice, mapped the
// way the parameter editors map it, so a format nobody has edited converts with its
// factory defaults. Only where the definition offers no such list does the reader's own
// default apply.
#pragma once

#include <string>

#include "core/FormatDefinition.h"
#include "core/IniFile.h"
#include "core/RateChoices.h"

namespace qarvo {

namespace profile_defaults {
inline constexpr const char* kVideoEncoder = "";
inline constexpr const char* kVideoSize = "null";
inline constexpr const char* kVideoBitRate = "512";
inline constexpr const char* kFrameRate = "29.97";
inline constexpr const char* kAudioEncoderAudioOnly = "libfaac";
inline constexpr const char* kChannel = "2";
inline constexpr const char* kSampleRate = "44100";
inline constexpr const char* kAudioBitRate = "128";
inline constexpr const char* kVolume = "3";
inline constexpr const char* kZoom = "lbox";
}  // namespace profile_defaults

class TFormatProfile {
 public:
  TFormatProfile(const TIniSnapshot& settings, TFormatDefinition definition, int code);

  const TFormatDefinition& Definition() const { return definition_; }

  std::string VideoEncoder() const;
  std::string VideoSize() const;
  std::string VideoBitRate() const;
  std::string FrameRate() const;
  // `audioOnly` picks the reader default when neither profile nor definition decide.
  std::string AudioEncoder(bool audioOnly) const;
  std::string Channel() const;
  std::string SampleRate() const;
  std::string AudioBitRate() const;
  std::string Volume() const;
  std::string Zoom() const;  // read as "parazoom"

  // The current formats' rate control ("paraRateMode", "paraQuality", "paraSpeed",
  // "paraTargetSize"); per-run overrides come first. Nothing where the format offers no
  // such list and no override names one.
  void SetOverrides(const TRateOverrides& overrides) { overrides_ = overrides; }
  std::optional<TRateMode> RateMode() const;
  std::optional<int> Quality() const;  // on the encoder's own scale
  std::string Speed() const;           // the encoder's preset; empty: none
  std::optional<int64_t> TargetSizeBytes() const;

 private:
  // Profile value of `key`, else the definition's default item of `listKey` passed through
  // `map` (nothing from map: the reader default), else `readerDefault`.
  template <typename TMap>
  std::string Read(const char* key, const char* listKey, TMap map,
                   const std::string& readerDefault) const;

  // Profile value of `key`, else the definition's default item of `list` through `map`.
  template <typename TMap>
  std::string ReadChoice(const char* key, const TChoiceList& list, TMap map) const;

  const TIniSnapshot& settings_;
  TFormatDefinition definition_;
  TRateOverrides overrides_;
  std::string section_;
};

}  // namespace qarvo
