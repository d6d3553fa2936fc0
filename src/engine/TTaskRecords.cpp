#include "engine/TTaskRecords.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <ctime>

#include "base/StringFormat.h"
#include "media/NameMapping.h"
#include "engine/options/EncoderRateOptions.h"

namespace qarvo {

namespace {

std::string Int(int64_t value) { return std::to_string(value); }

// Single-precision record values as plain decimal text.
std::string Float(float value) { return Format("%g", static_cast<double>(value)); }

constexpr const char* kStreamOptionNames[] = {"acodec", "vcodec", "scodec", "apre",
                                              "vpre",   "spre",   "s",      "vf"};

}  // namespace

std::string DurationText(int64_t us) {
  const bool negative = us < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(us) : static_cast<uint64_t>(us);
  return Format("%s%" PRIu64 ".%06" PRIu64, negative ? "-" : "", magnitude / 1000000,
                magnitude % 1000000);
}

int64_t RecordDateToUnixSeconds(double value) {
  tzset();
  // The C library's standard-time offset, seconds west of UTC: the bias.
  const double localOffsetDays = -static_cast<double>(timezone) / 86400.0;
  return std::llround((value - 25569.0 - localOffsetDays) * 86400.0);
}

void TTaskRecords::Dispatch(const std::string& name, const std::string& value) {
  task_.DispatchOption(name, value);
}

void TTaskRecords::DispatchIfSet(const std::string& name, const std::string& value) {
  if (!value.empty()) Dispatch(name, value);
}

void TTaskRecords::ApplyInput(const TInputOptions& options) {
  if (!options.ExtOptions.empty())
    task_.ApplyOptionText(options.ExtOptions, TCustomTranscoder::TOptionTextUse::Input);
  DispatchIfSet("f", options.FileFormat);
  if (options.StartTime != kNoTimestamp) Dispatch("ss", DurationText(options.StartTime));
  if (options.ProgramID >= 0) Dispatch("programid", Int(options.ProgramID));
}

std::string& TTaskRecords::Default(const std::string& name) {
  for (TOptionLine& line : defaults_)
    if (line.Name == name) return line.Value;
  return defaults_.emplace_back(TOptionLine{name, std::string()}).Value;
}

void TTaskRecords::ApplyOutputBeforeOpen(const TOutputOptions& o) {
  defaults_ = {{"acodec", o.AudioCodec},    {"vcodec", AvailableVideoEncoder(o.VideoCodec)},
               {"scodec", o.SubtitleCodec}, {"apre", o.AudioPreset},
               {"vpre", o.VideoPreset},     {"spre", o.SubtitlePreset},
               {"s", o.FrameSize},          {"vf", o.VideoFilters}};
  pending_.clear();
  for (TOptionLine line : SplitOptionText(o.ExtOptions)) {
    if (line.Name == "vfilters") line.Name = "vf";
    if (line.Value.empty() ||
        std::find(std::begin(kStreamOptionNames), std::end(kStreamOptionNames), line.Name) ==
            std::end(kStreamOptionNames))
      continue;
    std::string& def = Default(line.Name);
    if (def.empty()) def = line.Value;
    pending_.push_back(line);
  }

  if (o.TargetType >= 1 && o.TargetType <= 3) {
    static const char* const kTargets[] = {"vcd", "svcd", "dvd"};
    const char* norm = o.TargetNorm == 1 ? "pal" : o.TargetNorm == 2 ? "ntsc" : "auto";
    task_.ApplyTarget(kTargets[o.TargetType - 1], norm, o.DefaultNorm == 1 ? "pal" : "ntsc");
  }
  for (const char* name : {"acodec", "vcodec", "scodec", "apre", "vpre", "spre"})
    DispatchIfSet(name, Default(name));
  if (!o.ExtOptions.empty())
    task_.ApplyOptionText(o.ExtOptions, TCustomTranscoder::TOptionTextUse::Output);
  ApplyOutputFields(o);
  ApplyRateControl(o);
  task_.Options.NameIfTaken = o.NameIfTaken;
  DispatchIfSet("s", Default("s"));
  DispatchIfSet("vf", Default("vf"));
}

void TTaskRecords::ApplyOutputFields(const TOutputOptions& o) {
  DispatchIfSet("f", o.FileFormat);
  if (o.PacketSize > 0) task_.GenericSet("packetsize", Int(o.PacketSize));
  if (o.MuxRate > 0) task_.GenericSet("muxrate", Int(o.MuxRate));
  if (o.MuxDelay > 0) Dispatch("muxdelay", Float(o.MuxDelay));
  if (o.MuxPreload > 0) Dispatch("muxpreload", Float(o.MuxPreload));
  if (o.DisableAudio) Dispatch("an", "1");
  if (o.AudioVolume >= 0) Dispatch("vol", Int(o.AudioVolume));
  if (o.AudioChannels > 0) Dispatch("ac", Int(o.AudioChannels));
  if (o.AudioSampleRate > 0) Dispatch("ar", Int(o.AudioSampleRate));
  if (o.AudioBitrate > 0) task_.GenericSet("ab", Int(o.AudioBitrate));
  if (o.AudioBitrateTolerance > 0) task_.GenericSet("abt", Int(o.AudioBitrateTolerance));
  Dispatch("alang", o.AudioLanguage);
  Dispatch("async", Int(o.AudioSyncMethod));
  DispatchIfSet("atag", o.AudioTag);
  if (o.DisableVideo) Dispatch("vn", "1");
  DispatchIfSet("r", o.FrameRate);
  DispatchIfSet("aspect", o.AspectRatio);
  if (o.CropTop > 0) Dispatch("croptop", Int(o.CropTop));
  if (o.CropBottom > 0) Dispatch("cropbottom", Int(o.CropBottom));
  if (o.CropLeft > 0) Dispatch("cropleft", Int(o.CropLeft));
  if (o.CropRight > 0) Dispatch("cropright", Int(o.CropRight));
  if (o.GroupOfPictures > 0) task_.GenericSet("g", Int(o.GroupOfPictures));
  if (o.VideoBitrate > 0) task_.GenericSet("vb", Int(o.VideoBitrate));
  if (o.VideoMaxRate > 0) task_.GenericSet("maxrate", Int(o.VideoMaxRate));
  if (o.VideoMinRate > 0) task_.GenericSet("minrate", Int(o.VideoMinRate));
  if (o.VideoBitrateTolerance > 0) task_.GenericSet("bt", Int(o.VideoBitrateTolerance));
  if (o.VideoBufferSize > 0) task_.GenericSet("bufsize", Int(o.VideoBufferSize));
  Dispatch("vsync", Int(o.VideoSyncMethod));
  DispatchIfSet("vtag", o.VideoTag);
  Dispatch("vlang", o.VideoLanguage);
  if (o.DisableSubtitle) Dispatch("sn", "1");
  Dispatch("slang", o.SubtitleLanguage);
  Dispatch("isync", o.InputSync ? "1" : "0");
  if (o.CopyTimestamps) Dispatch("copyts", "1");
  if (o.StartTime != kNoTimestamp) Dispatch("ss", DurationText(o.StartTime));
  if (o.RecordingTime != kNoTimestamp) Dispatch("t", DurationText(o.RecordingTime));
  ApplyInfo(o.Info);
}

void TTaskRecords::ApplyRateControl(const TOutputOptions& o) {
  if (o.VideoQuality < 0 && o.EncoderSpeed.empty()) return;
  const std::string encoder = TranslateEncoderName(AvailableVideoEncoder(o.VideoCodec));
  for (const auto& [name, value] : EncoderRateOptions(encoder, o.VideoQuality, o.EncoderSpeed))
    task_.GenericSet(name, value);
}

void TTaskRecords::ApplyInfo(const TStreamInfo& info) {
  if (info.Timestamp == 0) {
    Dispatch("timestamp", "now");
  } else if (info.Timestamp > 0) {
    const time_t seconds = static_cast<time_t>(RecordDateToUnixSeconds(info.Timestamp));
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%SZ", &utc);
    Dispatch("timestamp", text);
  }
  if (info.Year > 0) Dispatch("metadata", "year=" + Int(info.Year));
  if (info.Track > 0) Dispatch("metadata", "track=" + Int(info.Track));
  const std::pair<const char*, const std::string*> texts[] = {
      {"title", &info.Title},     {"author", &info.Author}, {"copyright", &info.Copyright},
      {"comment", &info.Comment}, {"album", &info.Album},   {"genre", &info.Genre}};
  for (const auto& [key, value] : texts)
    if (!value->empty()) Dispatch("metadata", std::string(key) + "=" + *value);
}

void TTaskRecords::Take(const std::string& name) {
  const auto line = std::find_if(pending_.begin(), pending_.end(),
                                 [&](const TOptionLine& l) { return l.Name == name; });
  if (line == pending_.end()) {
    DispatchIfSet(name, Default(name));
    return;
  }
  const TOptionLine taken = *line;
  pending_.erase(line);
  Dispatch(taken.Name, taken.Value);
}

void TTaskRecords::ApplyStreamGroups(const TOutputOptions& o) {
  for (const TOptionLine& line : SplitOptionText(o.ExtOptions)) {
    if (line.Name == "newaudio") {
      Take("acodec");
      Take("apre");
    } else if (line.Name == "newvideo") {
      Take("vcodec");
      Take("vpre");
      Take("s");
      Take("vf");
    } else if (line.Name == "newsubtitle") {
      Take("scodec");
      Take("spre");
    } else {
      continue;
    }
    Dispatch(line.Name, line.Value);
  }
}

}  // namespace qarvo
