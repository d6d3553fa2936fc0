// The option state of one conversion task: what the option handlers set and input opening,
// stream creation, transcode set-up and the loop read. Each field names its option; settings
// marked "next ..." are consumed (and, where noted, reset) when that input, output or stream
// is created. Plain data: no library objects live here.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/EngineRecords.h"

namespace qarvo {

inline constexpr int kMaxFiles = 20;    // inputs or outputs of one task
inline constexpr int kMaxStreams = 20;  // streams per file the per-stream tables hold
inline constexpr int kMaxStreamMaps = 400;
inline constexpr int kMaxMetaDataMaps = 20;

struct TRational {
  int num = 0;
  int den = 0;
};

struct TStreamMap {  // option map
  int File = 0;
  int Stream = 0;
  int SyncFile = 0;
  int SyncStream = 0;
};

struct TMetaDataMap {  // option map_meta_data
  int OutFile = 0;
  int InFile = 0;
};

using TQuantMatrix = std::array<uint16_t, 64>;

// Media kinds in the order of the per-kind tables (frame limits, pending filter chains).
enum TKindIndex { kVideo = 0, kAudio = 1, kData = 2, kSubtitle = 3 };

struct TTaskOptions {
  // Files and timing
  std::string FileFormat;    // f: next input/output (cleared)
  TNameIfTaken NameIfTaken;  // next output: never replace, move on to these names (cleared)
  bool PgmYuv = false;       // f=pgmyuv: next input
  int64_t RecordingTime = std::numeric_limits<int64_t>::max();  // t, µs
  int64_t ExpectedTotalLength = -1;                             // t and inputs, µs (progress)
  int64_t StartTime = 0;                                        // ss, µs
  int64_t InputTsOffset = 0;                                    // itsoffset, µs: next input
  double TsScale[kMaxFiles][kMaxStreams] = {};                  // itsscale per input, stream
  int64_t RecordingTimestamp = 0;                               // timestamp, seconds
  std::vector<std::pair<std::string, std::string>> Metadata;    // metadata: next output
  int64_t FileSizeLimit = 0;                                    // fs, bytes; 0 = none
  // vframes, aframes, dframes (and subtitle), indexed by TKindIndex
  int32_t MaxFrames[4] = {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(),
                          std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()};
  std::vector<TStreamMap> StreamMaps;      // map
  std::vector<TMetaDataMap> MetaDataMaps;  // map_meta_data
  int32_t StreamIds[kMaxStreams] = {};     // streamid: next output (cleared)
  bool LoopInput = false;                  // loop_input
  int32_t LoopOutput = -1;                 // loop_output
  int32_t ProgramId = 0;                   // programid: next input (then 0)
  bool CopyTimestamps = false;             // copyts
  bool Shortest = false;                   // shortest
  float DtsDeltaThreshold = 10.0f;         // dts_delta_threshold, seconds
  int32_t VideoSyncMethod = -1;            // vsync
  int32_t AudioSyncMethod = 0;             // async
  float AudioDriftThreshold = 0.1f;        // adrift_threshold
  bool InputSync = false;                  // isync
  float MuxMaxDelay = 0.7f;                // muxdelay, seconds
  float MuxPreload = 0.5f;                 // muxpreload, seconds
  bool ExitOnError = false;                // xerror
  int32_t CopyInitialNonKeyframes = 0;     // copyinkf
  bool RateEmulation = false;              // re
  bool DoPacketDump = false;               // dump
  bool DoHexDump = false;                  // hex
  int32_t Verbose = 1;                     // v
  int32_t ThreadCount = 1;                 // threads (0 = automatic)
  bool Pipelined = false;                  // pipeline: decoding and sound on threads of their own
  int32_t SwsFlags = 4;                    // scaler flags (bicubic)

  // Next video stream
  int32_t FrameWidth = 0;  // s, crop, input opening
  int32_t FrameHeight = 0;
  float FrameAspectRatio = 0.0f;   // aspect, input opening
  int32_t FramePixFmt = -1;        // pix_fmt (reset to -1)
  bool FramePixFmtChosen = false;  // pix_fmt given as an option, not taken from the input
  int32_t CropTop = 0, CropBottom = 0, CropLeft = 0, CropRight = 0;  // croptop ...
  TRational FrameRate;                                               // r, input opening
  float VideoQScale = 0.0f;                                          // qscale
  std::optional<TQuantMatrix> IntraMatrix;                           // intra_matrix
  std::optional<TQuantMatrix> InterMatrix;                           // inter_matrix
  std::string RcOverride;                                            // rc_override
  std::string VideoCodecName;                                        // vcodec (reset)
  bool VideoStreamCopy = false;                                      // vcodec=copy (reset)
  uint32_t VideoTag = 0;                                             // vtag
  std::string VideoLanguage;                                         // vlang (reset)
  int32_t TopFieldFirst = -1;                                        // top
  int32_t IntraDcPrecision = 8;                                      // dc
  int32_t MeThreshold = 0;                                           // me_threshold
  bool IntraOnly = false;                                            // intra
  bool VideoDisable = false;      // vn (reset by each video stream)
  int32_t VideoDiscard = 0;       // vdt: next input
  bool SameQuality = false;       // sameq
  bool DoDeinterlace = false;     // deinterlace
  bool DoPsnr = false;            // psnr
  int32_t DoPass = 0;             // pass
  std::string PassLogFileName;    // passlogfile
  int32_t VideoGlobalHeader = 0;  // vglobal: 1 global, 2 local
  std::string VideoFilters;       // vf, vfilters
  bool ForceFps = false;          // force_fps
  bool QpHist = false;            // qphist
  std::string VstatsFileName;     // vstats, vstats_file
  int32_t VideoChannel = 0;       // vc: next input (then 0)
  std::string VideoStandard;      // tvstd: next input

  // Next audio stream
  int32_t AudioSampleRate = 44100;  // ar, input opening
  int32_t AudioChannels = 2;        // ac, input opening
  uint64_t AudioChannelLayout = 0;  // input opening (channel mask)
  int32_t AudioSampleFmt = -1;      // sample_fmt, input opening
  float AudioQScale = -99999.0f;    // aq
  std::string AudioCodecName;       // acodec (reset)
  bool AudioStreamCopy = false;     // acodec=copy (reset)
  uint32_t AudioTag = 0;            // atag
  std::string AudioLanguage;        // alang (reset)
  bool AudioDisable = false;        // an (reset by each audio stream)
  int32_t AudioVolume = 256;        // vol; 256 = unchanged

  // Next subtitle stream
  std::string SubtitleCodecName;    // scodec (reset)
  bool SubtitleStreamCopy = false;  // scodec=copy (reset)
  uint32_t SubtitleTag = 0;         // stag
  std::string SubtitleLanguage;     // slang (reset)
  bool SubtitleDisable = false;     // sn (reset)

  // Pending bitstream filter chains (vbsf, absf, sbsf), indexed by TKindIndex; each entry is
  // the text given to the option. Moved to the next stream of that kind.
  std::vector<std::string> PendingBitstreamFilters[4];

  // Every setting back to its initial value.
  void Reset() { *this = TTaskOptions(); }
};

}  // namespace qarvo
