// Reads a media file back completely: stream properties, the frame number of every decoded
// picture and every decoded sample, for tests that check what a conversion or the generator
// produced.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/LibraryApi.h"

namespace qarvo {

struct TDecodedStream {
  AVMediaType Type = AVMEDIA_TYPE_UNKNOWN;
  AVCodecID Codec = AV_CODEC_ID_NONE;
  // Video.
  int Width = 0;
  int Height = 0;
  AVRational FrameRate{0, 1};         // as the demuxer guesses it
  std::vector<int> FrameNumbers;      // ReadFrameNumber of each picture in output order
  std::vector<double> FrameTimes;     // presentation time of each picture, seconds
  std::vector<uint8_t> FirstPicture;  // the first picture as unpadded yuv420p planes
  AVRational SampleAspect{0, 1};      // as the demuxer states it
  // Audio.
  int SampleRate = 0;
  int Channels = 0;
  double FirstSampleTime = 0.0;  // presentation time of the first decoded sample, seconds
  std::vector<int16_t> Samples;  // interleaved signed 16-bit
};

struct TDecodedClip {
  std::string FormatName;               // demuxer name list, e.g. "mov,mp4,m4a,3gp,3g2,mj2"
  double Duration = -1.0;               // seconds as the demuxer reports it, -1 when unknown
  double StartTime = 0.0;               // seconds
  std::vector<TDecodedStream> Streams;  // in file order; other types are listed undecoded
};

// Decodes every video and audio stream of `path`; throws std::runtime_error naming the
// failing call.
TDecodedClip DecodeClip(const std::string& path);

}  // namespace qarvo
