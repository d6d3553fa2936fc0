#include "probe/StreamInfo.h"

#include <climits>
#include <cmath>
#include <cstdlib>

#include "media/DisplayRotation.h"
#include "probe/CodecName.h"

namespace qarvo {

namespace {

constexpr AVRational kMicroseconds{1, 1000000};

int32_t ClampToInt32(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

std::string Text(const AVDictionary* metadata, const char* key) {
  const char* value = MetadataValue(metadata, key);
  return value ? value : "";
}

// The leading number of a value such as "2009-05-01" or "3/12"; 0 when there is none.
int32_t LeadingNumber(const char* value) {
  return value ? ClampToInt32(std::strtoll(value, nullptr, 10)) : 0;
}

template <typename TInfo>
void ReadCommon(const AVFormatContext& container, const AVStream& stream, TInfo& info) {
  info.Language = Text(stream.metadata, "language");
  info.CodecName = CodecName(*stream.codecpar);
  const AVRational timeBase = UsableTimeBase(stream.time_base);
  if (stream.start_time != AV_NOPTS_VALUE) {
    info.StartTime = stream.start_time;
    info.StartTimeUS = api().av_rescale_q(stream.start_time, timeBase, kMicroseconds);
  }
  const int64_t duration = StreamDuration(container, stream);
  if (duration != AV_NOPTS_VALUE) {
    info.Duration = duration;
    info.DurationUS = api().av_rescale_q(duration, timeBase, kMicroseconds);
  }
  info.BitRate = ClampToInt32(stream.codecpar->bit_rate);
}

}  // namespace

const char* MetadataValue(const AVDictionary* metadata, const char* key) {
  if (!metadata) return nullptr;
  const AVDictionaryEntry* entry = api().av_dict_get(metadata, key, nullptr, 0);
  return entry ? entry->value : nullptr;
}

AVRational UsableTimeBase(AVRational timeBase) {
  if (timeBase.den == 0) timeBase.den = timeBase.num != 0 ? timeBase.num : 1;
  return timeBase;
}

bool HasCodecParameters(const AVCodecParameters& codec) {
  if (codec.codec_id == AV_CODEC_ID_NONE) return false;
  switch (codec.codec_type) {
    case AVMEDIA_TYPE_VIDEO:
      return codec.width > 0 && codec.height > 0;
    case AVMEDIA_TYPE_AUDIO:
      return codec.sample_rate > 0 && codec.ch_layout.nb_channels > 0;
    default:
      return true;
  }
}

int64_t StreamDuration(const AVFormatContext& container, const AVStream& stream) {
  if (stream.duration != AV_NOPTS_VALUE) return stream.duration;
  const AVRational timeBase = UsableTimeBase(stream.time_base);
  int64_t microseconds = 0;
  const char* tag = MetadataValue(stream.metadata, "DURATION");
  if (tag && api().av_parse_time(&microseconds, tag, 1) >= 0 && microseconds >= 0)
    return api().av_rescale_q(microseconds, kMicroseconds, timeBase);
  if (container.duration == AV_NOPTS_VALUE || container.duration <= 0) return AV_NOPTS_VALUE;
  microseconds = container.duration;
  if (container.start_time != AV_NOPTS_VALUE && stream.start_time != AV_NOPTS_VALUE)
    microseconds -=
        api().av_rescale_q(stream.start_time, timeBase, kMicroseconds) - container.start_time;
  return microseconds > 0 ? api().av_rescale_q(microseconds, kMicroseconds, timeBase)
                          : AV_NOPTS_VALUE;
}

bool HasVariableFrameRate(const AVStream& stream) {
  const AVRational average = stream.avg_frame_rate;
  const AVRational real = stream.r_frame_rate;
  if (average.num <= 0 || average.den <= 0 || real.num <= 0 || real.den <= 0) return false;
  return std::abs(av_q2d(average) / av_q2d(real) - 1.0) > 0.01;
}

int64_t ContainerTimestamp(const AVFormatContext& container) {
  const char* text = MetadataValue(container.metadata, "creation_time");
  int64_t microseconds = 0;
  if (!text || api().av_parse_time(&microseconds, text, 0) < 0) return 0;
  return microseconds / 1000000;
}

TFileStreamInfo ReadFileStreamInfo(const AVFormatContext& container) {
  TFileStreamInfo info;
  if (container.start_time != AV_NOPTS_VALUE) info.StartTime = container.start_time;
  if (container.duration != AV_NOPTS_VALUE) info.Duration = container.duration;
  info.BitRate = ClampToInt32(container.bit_rate);
  info.Timestamp = ContainerTimestamp(container);
  const AVDictionary* metadata = container.metadata;
  const char* year = MetadataValue(metadata, "year");
  info.Year = LeadingNumber(year ? year : MetadataValue(metadata, "date"));
  info.Track = LeadingNumber(MetadataValue(metadata, "track"));
  info.Title = Text(metadata, "title");
  // Current demuxers file the author of most formats under "artist".
  info.Author = Text(metadata, "author");
  if (info.Author.empty()) info.Author = Text(metadata, "artist");
  info.Copyright = Text(metadata, "copyright");
  info.Comment = Text(metadata, "comment");
  info.Album = Text(metadata, "album");
  info.Genre = Text(metadata, "genre");
  return info;
}

TAudioStreamInfo ReadAudioStreamInfo(const AVFormatContext& container, const AVStream& stream) {
  TAudioStreamInfo info;
  ReadCommon(container, stream, info);
  const AVCodecParameters& codec = *stream.codecpar;
  info.Channels = codec.ch_layout.nb_channels;
  info.SampleRate = codec.sample_rate;
  info.SampleFormat = codec.format;
  return info;
}

TVideoStreamInfo ReadVideoStreamInfo(const AVFormatContext& container, const AVStream& stream) {
  TVideoStreamInfo info;
  ReadCommon(container, stream, info);
  const AVCodecParameters& codec = *stream.codecpar;
  info.Height = codec.height;
  info.Width = codec.width;
  AVRational aspect =
      stream.sample_aspect_ratio.num ? stream.sample_aspect_ratio : codec.sample_aspect_ratio;
  // An unknown pixel shape is a square one.
  if (aspect.num <= 0 || aspect.den <= 0) aspect = {1, 1};
  if (codec.width > 0 && codec.height > 0)
    info.DisplayAspectRatio = static_cast<float>(av_q2d(aspect) * codec.width / codec.height);
  info.SampleAspectNum = aspect.num;
  info.SampleAspectDen = aspect.den;
  info.Rotation = DisplayRotation(stream);
  info.PixelFormat = codec.format;
  info.FrameRateNum = stream.r_frame_rate.num;
  info.FrameRateDen = stream.r_frame_rate.den;
  return info;
}

}  // namespace qarvo
