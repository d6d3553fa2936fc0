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
  int AudioStreamCount = 0;
  // First video stream.
  int Width = 0;
  int Height = 0;
  int BitRate = -1;  // bit/s; -1 when unknown
};

}  // namespace qarvo
