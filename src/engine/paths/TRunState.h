// The state tables of one transcode run: per input file, per input stream and per output
// stream, plus the task-wide counters the loop, the output paths and the report share.
// Created by the set-up, used by the loop on the task's worker thread only, freed at its end.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "media/LibraryObjects.h"

namespace qarvo {

class TTaskContext;
class TPacketWriter;
class TVideoOutput;
class TAudioOutput;
class TSubtitleOutput;
struct TTaskOptions;
struct TCreatedOutputStream;

struct TFileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using TFilePtr = std::unique_ptr<FILE, TFileCloser>;

struct TInputFileState {
  bool EofReached = false;
  int64_t ReachedUs = AV_NOPTS_VALUE;  // furthest packet end read, µs from the file's start
  int FirstStream = 0;                 // index in the input-stream table of the file's first stream
  int StreamCount = 0;                 // streams at set-up time
};

struct TInputStreamState {
  int FileIndex = 0;
  int StreamIndex = 0;
  AVStream* Stream = nullptr;
  AVCodecContext* Decoder = nullptr;  // owned by the task's opened input
  const AVCodec* DecoderCodec = nullptr;
  bool Discard = true;
  bool DecodingNeeded = false;
  bool DecoderOpen = false;
  int64_t Start = 0;                 // wall clock at set-up, µs (rate emulation)
  int64_t NextPts = AV_NOPTS_VALUE;  // µs
  int64_t Pts = 0;                   // µs
  bool IsStart = true;
  bool MultiFrameWarned = false;
  bool PastRecordingTime = false;
  int Quality = 0;
  int64_t DecodedFrames = 0;
  // µs by which the first decoded frame came after the output's start (a codec's or muxer's
  // delay the container could not state), taken off every frame; no-timestamp before it.
  int64_t Lead = AV_NOPTS_VALUE;
};

struct TOutputStreamState {
  TOutputStreamState();
  ~TOutputStreamState();
  TOutputStreamState(TOutputStreamState&&) noexcept;
  TOutputStreamState& operator=(TOutputStreamState&&) noexcept;

  int FileIndex = 0;
  int StreamIndex = 0;
  int SourceIndex = 0;  // feeding stream in the input-stream table
  int SyncSource = 0;   // input stream whose clock drives synchronisation
  AVFormatContext* Muxer = nullptr;
  AVStream* Stream = nullptr;
  TCreatedOutputStream* Created = nullptr;  // encoder context, codec, copy flag, filters
  AVCodecContext* Encoder = nullptr;
  bool EncodingNeeded = false;
  bool EncoderOpen = false;
  int FrameNumber = 0;
  int64_t SyncOpts = 0;                   // next output timestamp, encoder time base
  int64_t LastFramePts = AV_NOPTS_VALUE;  // last pts sent to the encoder
  double OutputTime = 0.0;                // seconds reached in the muxer
  bool WroteFrame = false;
  int64_t LastQuality = 0;     // quality of the last coded picture (lambda units)
  int LastPictType = 0;        // AV_PICTURE_TYPE_* of the last coded picture
  uint64_t LastError[3] = {};  // squared error per plane of the last picture (PSNR flag)
  uint64_t ErrorSum[3] = {};   // the same over all pictures
  std::unique_ptr<TPacketWriter> Writer;
  std::unique_ptr<TVideoOutput> Video;
  std::unique_ptr<TAudioOutput> Audio;
  std::unique_ptr<TSubtitleOutput> Subtitle;
  TFilePtr PassLogFile;
  bool StatsWritten = false;  // the pass log holds statistics of this encoder
  std::string PassStats;      // second-pass statistics handed to the encoder
  TPacketPtr Packet;          // reused for the encoder's output; streams may encode on two threads
};

struct TRunState {
  TRunState(TTaskContext& task);
  ~TRunState();

  TTaskContext& Task;
  TTaskOptions& Options;
  std::vector<TInputFileState> InputFiles;
  std::vector<TInputStreamState> InputStreams;
  std::vector<TOutputStreamState> OutputStreams;
  int64_t VideoBytes = 0;
  int64_t AudioBytes = 0;
  int64_t ExtraBytes = 0;
  int DupCount = 0;
  int DropCount = 0;
  bool DupDropChanged = false;
  TFilePtr VstatsFile;
  TPacketPtr Scratch;  // reused packet for encoder output (one per stream, see TOutputStreamState)

  // Units of `timeBase` past which added pictures or silence must not reach: the content's
  // expected length and a margin; INT64_MAX when the length is unknown.
  int64_t FillLimit(AVRational timeBase) const;
};

}  // namespace qarvo
