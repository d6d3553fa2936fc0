// The engine options composition decides for one job: the fields of the engine's input and
// output records that the application sets, with the engine's initial values. The front
// end copies them into the engine's records.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "engine/EngineRecords.h"

namespace qarvo {

struct TComposedInput {
  std::string FileName;
  std::string FileFormat;
  int64_t StartTime = kNoTimestamp;  // µs
  std::string ExtOptions;
};

struct TComposedOutput {
  std::string FileName;
  std::string FileFormat;
  std::string AudioCodec;
  bool DisableAudio = false;
  int32_t AudioVolume = -1;
  int32_t AudioChannels = -1;
  int32_t AudioSampleRate = -1;
  int32_t AudioBitrate = -1;
  std::string VideoCodec;
  std::string VideoPreset;
  bool DisableVideo = false;
  std::string FrameRate;
  std::string FrameSize;
  std::string AspectRatio;
  int32_t CropTop = -1, CropBottom = -1, CropLeft = -1, CropRight = -1;
  int32_t VideoBitrate = -1;
  std::string VideoFilters;
  bool DisableSubtitle = false;
  int64_t RecordingTime = kNoTimestamp;  // µs
  int32_t TargetType = 0;
  int32_t TargetNorm = 0;
  bool CustomHook = false;
};

}  // namespace qarvo
