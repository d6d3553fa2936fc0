// What the probe reports about a file and its streams. Times are microseconds ("US") or
// counts of the stream's own time base; -1 marks a value that is not available.
#pragma once

#include <cstdint>
#include <string>

namespace qarvo {

struct TFileStreamInfo {
  int64_t StartTime = -1;  // µs
  int64_t Duration = -1;   // µs
  int32_t BitRate = -1;    // bit/s
  int64_t Timestamp = -1;  // creation time, seconds since 1970
  int32_t Year = -1;
  int32_t Track = -1;
  std::string Title;
  std::string Author;
  std::string Copyright;
  std::string Comment;
  std::string Album;
  std::string Genre;
};

struct TAudioStreamInfo {
  std::string Language;
  std::string CodecName;
  int64_t StartTime = -1;  // stream time base
  int64_t StartTimeUS = -1;
  int64_t Duration = -1;  // stream time base
  int64_t DurationUS = -1;
  int32_t BitRate = -1;
  int32_t Channels = -1;
  int32_t SampleRate = -1;
  int32_t SampleFormat = -1;
};

struct TVideoStreamInfo {
  std::string Language;
  std::string CodecName;
  int64_t StartTime = -1;  // stream time base
  int64_t StartTimeUS = -1;
  int64_t Duration = -1;  // stream time base
  int64_t DurationUS = -1;
  int32_t BitRate = -1;
  int32_t Height = -1;  // height comes before width in this record
  int32_t Width = -1;
  float DisplayAspectRatio = -1.0f;
  int32_t PixelFormat = -1;
  int32_t FrameRateNum = -1;  // the stream's real frame rate
  int32_t FrameRateDen = -1;
  // Pixel shape and display turn: what a viewer sees is the picture turned clockwise by
  // Rotation degrees (0, 90, 180 or 270) with pixels SampleAspectNum:SampleAspectDen wide.
  int32_t SampleAspectNum = 1;
  int32_t SampleAspectDen = 1;
  int32_t Rotation = 0;
};

}  // namespace qarvo
