// Records exchanged between the application and the conversion engine. Plain C++ only: the
// core library and front ends include this without any media header.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string>

namespace qarvo {

class TBitmap;

// The libraries' "no timestamp" value: the most negative 64-bit number.
inline constexpr int64_t kNoTimestamp = std::numeric_limits<int64_t>::min();

enum class TThreadPriority {
  tpIdle,
  tpLowest,
  tpLower,
  tpNormal,
  tpHigher,
  tpHighest,
  tpTimeCritical
};

// One input file of a task.
struct TInputOptions {
  std::string FileName;              // empty: the name given to AddTask (written back)
  std::string FileFormat;            // forced container format, option f
  int64_t StartTime = kNoTimestamp;  // µs, option ss
  int32_t ProgramID = -1;            // option programid; negative means unset
  std::string ExtOptions;            // option text
};

// Output metadata.
struct TStreamInfo {
  // Days since 30 December 1899 (fraction = time of day). 0: now; > 0: this local time; < 0: none.
  double Timestamp = -1.0;
  int32_t Year = -1;
  int32_t Track = -1;
  std::string Title;
  std::string Author;
  std::string Copyright;
  std::string Comment;
  std::string Album;
  std::string Genre;
};

// An output's name to try when its own was taken while it was written, for n = 1, 2, ...
using TNameIfTaken = std::function<std::string(int n)>;

// One output file of a task. Each field is applied only under its rule (see SetOutputFile).
struct TOutputOptions {
  std::string FileName;
  std::string FileFormat;
  int32_t PacketSize = -1;
  int32_t MuxRate = -1;
  float MuxDelay = -1.0f;
  float MuxPreload = -1.0f;
  std::string AudioCodec;
  std::string AudioPreset;
  bool DisableAudio = false;
  int32_t AudioVolume = -1;  // 256 = unchanged
  int32_t AudioChannels = -1;
  int32_t AudioSampleRate = -1;
  int32_t AudioBitrate = -1;
  int32_t AudioBitrateTolerance = -1;
  std::string AudioLanguage;
  int32_t AudioSyncMethod = 0;
  std::string AudioTag;
  std::string VideoCodec;
  std::string VideoPreset;
  bool DisableVideo = false;
  std::string FrameRate;
  std::string FrameSize;
  std::string AspectRatio;
  int32_t CropTop = -1;
  int32_t CropBottom = -1;
  int32_t CropLeft = -1;
  int32_t CropRight = -1;
  int32_t GroupOfPictures = -1;
  int32_t VideoBitrate = -1;
  int32_t VideoMaxRate = -1;
  int32_t VideoMinRate = -1;
  int32_t VideoBitrateTolerance = -1;
  int32_t VideoBufferSize = -1;
  int32_t VideoSyncMethod = -1;
  std::string VideoTag;
  std::string VideoFilters;
  std::string VideoLanguage;
  std::string SubtitleCodec;
  std::string SubtitlePreset;
  bool DisableSubtitle = false;
  std::string SubtitleLanguage;
  bool InputSync = false;
  bool CopyTimestamps = false;
  int64_t StartTime = kNoTimestamp;      // µs
  int64_t RecordingTime = kNoTimestamp;  // µs
  TStreamInfo Info;
  int32_t TargetType = 0;   // 1 vcd, 2 svcd, 3 dvd
  int32_t TargetNorm = 0;   // 0 auto, 1 pal, 2 ntsc
  int32_t DefaultNorm = 1;  // 1 pal, anything else ntsc
  bool CustomHook = false;
  bool Join = false;
  std::string ExtOptions;
  // Rate control of the newer formats; the older formats leave these unset.
  int32_t VideoQuality = -1;     // constant quality on the encoder's own scale; -1 none
  std::string EncoderSpeed;      // the encoder's speed preset; empty: the format's default
  int32_t VideoPasses = 1;       // 2: two-pass average bit rate
  int64_t TargetSizeBytes = -1;  // the whole output must fit; encoded in two passes; -1 none
  // Set: an existing file is never replaced (the finished output takes the first free name
  // this gives) and a stopped task leaves no output. Unset: the output replaces a file of its
  // name, and a stopped task's output stays as far as it was written.
  TNameIfTaken NameIfTaken;
};

// Per-frame hook. Update and StopHook are in/out.
struct THookInfo {
  int32_t TaskIndex = -1;
  TBitmap* Bitmap = nullptr;
  int32_t FrameNumber = 0;  // 1-based count of decoded video frames
  int64_t PTS = 0;          // µs
  bool Update = true;
  bool StopHook = false;
};
using PHookInfo = THookInfo*;

struct TPreviewInfo {
  int32_t TaskIndex = -1;
  TBitmap* Bitmap = nullptr;
  int32_t FrameNumber = 0;
  int64_t PTS = 0;
};

struct TProgressInfo {
  int32_t TaskIndex = -1;
  int32_t FileIndex = -1;       // -1 in the final report
  int32_t FrameCount = -1;      // -1 without a video output stream
  int32_t FPS = -1;             // 0 during the first second, -1 without video output
  float Quality = -1.0f;        // -1 without an encoded video output
  float BitRate = 0.0f;         // kbit/s
  int64_t CurrentSize = 0;      // bytes of the first output
  int64_t CurrentDuration = 0;  // µs
  int64_t TotalDuration = -1;   // µs, -1 when unknown
};
using PProgressInfo = TProgressInfo*;

struct TTerminateInfo {
  int32_t TaskIndex = -1;  // -1: end of the whole run
  bool Finished = false;
  bool Exception = false;
  std::string ExceptionMsg;
  std::string Warning = {};  // a finished task's reservation, e.g. a source that ended early
  bool Started = true;       // false for a task the run ended before it began
  // The first output as it was written: its name may have moved on to a free one.
  std::string OutputFile = {};
};

}  // namespace qarvo
