// What option composition and the batch run need to know about a source, as the media
// probe reports it; filled by the front end that owns the probe.
#pragma once

#include <cstdint>
#include <string>

namespace qarvo {

struct TSourceFacts {
  std::string FileName;
  std::string InputFormat;  // forced input format; empty for detection
  int64_t Duration = -1;    // µs; -1 when unknown
  int VideoStreamCount = 0;
  int AudioStreamCount = -1;  // -1 when unknown
  // First video stream.
  int Width = 0;
  int Height = 0;
  int BitRate = -1;  // bit/s; -1 when unknown
  // Shape of what a viewer sees: pixels SampleAspectNum:SampleAspectDen wide, the picture
  // turned clockwise by Rotation degrees (0, 90, 180, 270) for display.
  int SampleAspectNum = 1;
  int SampleAspectDen = 1;
  int Rotation = 0;
  double FrameRate = 0.0;  // the first video stream's frame rate; 0 when unknown
  // First audio stream: channels (0 when unknown or none), and whether the Matroska writer
  // takes the stream as it is.
  int AudioChannels = 0;
  std::string AudioCodec;
  bool AudioCopyFits = true;
};

}  // namespace qarvo
