#include "engine/run/TTranscodeLoop.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <exception>
#include <limits>
#include <thread>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/DisplayRotation.h"
#include "media/EngineLogger.h"
#include "media/ErrorText.h"
#include "media/Timestamps.h"
#include "engine/hook/TUprightTurn.h"
#include "engine/paths/TAudioOutput.h"
#include "engine/paths/TPacketWriter.h"
#include "engine/paths/TRunState.h"
#include "engine/paths/TStreamEncoder.h"
#include "engine/paths/TSubtitleOutput.h"
#include "engine/paths/TVideoOutput.h"
#include "engine/run/TFrameQueue.h"
#include "engine/run/TStreamMapper.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

namespace {

int KindIndex(AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
      return kVideo;
    case AVMEDIA_TYPE_AUDIO:
      return kAudio;
    case AVMEDIA_TYPE_SUBTITLE:
      return kSubtitle;
    default:
      return kData;
  }
}

// "hh:mm:ss.cc" of a µs count, as a source's reach and length are told to the user.
std::string ClockText(int64_t us) {
  const int64_t cs = std::max<int64_t>(us, 0) / 10000;
  return Format("%02lld:%02lld:%02lld.%02lld", static_cast<long long>(cs / 360000),
                static_cast<long long>(cs / 6000 % 60), static_cast<long long>(cs / 100 % 60),
                static_cast<long long>(cs % 100));
}

// Data that stops this much short of the container's stated length ended early; less is
// the usual spread between the streams' ends.
int64_t EarlyEndMargin(int64_t length) { return std::max<int64_t>(500000, length / 20); }

double OutputTime(const TOutputStreamState& ost) {
  if (ost.EncodingNeeded && ost.Encoder->codec_type != AVMEDIA_TYPE_SUBTITLE)
    return ost.SyncOpts * av_q2d(ost.Encoder->time_base);
  return ost.Writer->OutputTime();
}

}  // namespace

TTranscodeLoop::TTranscodeLoop(TRunState& run)
    : run_(run),
      report_(api().av_gettime_relative()),
      noPacket_(run.InputFiles.size(), false),
      packet_(MakePacket()),
      frame_(MakeFrame()) {
  for (const TInputStreamState& ist : run.InputStreams)
    turns_.push_back(std::make_unique<TUprightTurn>(
        ist.Stream && ist.Stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO
            ? DisplayRotation(*ist.Stream)
            : 0));
}

TTranscodeLoop::~TTranscodeLoop() = default;

bool TTranscodeLoop::CanPipeline(const TRunState& run) {
  const TTaskOptions& o = run.Options;
  if (run.InputFiles.size() != 1 || o.FileSizeLimit || o.RateEmulation) return false;
  for (const int32_t most : o.MaxFrames)
    if (most != std::numeric_limits<int32_t>::max()) return false;
  // Decoded subtitles go straight to their writer.
  for (const TInputStreamState& ist : run.InputStreams)
    if (ist.DecodingNeeded && ist.Stream->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE)
      return false;
  return true;
}

TInputStreamState& TTranscodeLoop::In(int index) {
  return pipelined_ ? decoding_[index] : run_.InputStreams[index];
}

void TTranscodeLoop::Run() {
  lastReport_ = api().av_gettime_relative();
  if (run_.Options.Pipelined && CanPipeline(run_)) {
    RunPipelined();
    return;
  }
  ReadLoop();
  DrainDecoders();
  FinishOutputs();
}

bool TTranscodeLoop::ReportDue() const {
  return api().av_gettime_relative() - lastReport_ > run_.Task.ProgressIntervalUs;
}

void TTranscodeLoop::ReportIfDue(int fileIndex) {
  if (ReportDue()) {
    lastReport_ = api().av_gettime_relative();
    report_.Report(run_, false, fileIndex);
  }
}

void TTranscodeLoop::ReadLoop() {
  TTaskContext& task = run_.Task;
  while (!task.StopRequested) {
    task.PauseGate.Wait(!pipelined_);  // pipelined, the output side is the writer
    if (task.StopRequested) break;
    bool anyWaiting = false;
    const int file = ChooseFile(anyWaiting);
    if (file < 0) {
      if (noPacketCount_ == 0) break;
      std::fill(noPacket_.begin(), noPacket_.end(), false);
      noPacketCount_ = 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    if (run_.Options.FileSizeLimit && !task.Files.Outputs.empty()) {
      AVIOContext* pb = task.Files.Outputs[0].Context->pb;
      if (pb && api().avio_seek(pb, 0, SEEK_CUR) >= run_.Options.FileSizeLimit) break;
    }
    if (!ReadAndProcess(file)) break;
  }
}

int TTranscodeLoop::ChooseFile(bool& anyWaiting) {
  int64_t minPts = INT64_MAX;
  double minTime = 1e300;
  int ptsFile = -1, timeFile = -1;
  for (const TOutputStreamState& ost : run_.OutputStreams) {
    const TInputStreamState& ist = In(ost.SourceIndex);
    if (ist.PastRecordingTime || noPacket_[ist.FileIndex]) {
      anyWaiting = anyWaiting || noPacket_[ist.FileIndex];
      continue;
    }
    // The output side's state belongs to its thread; with one input and no frame limit the
    // choice does not depend on it.
    if (!pipelined_ &&
        ost.FrameNumber >= run_.Options.MaxFrames[KindIndex(ost.Encoder->codec_type)])
      return -1;
    if (run_.InputFiles[ist.FileIndex].EofReached) continue;
    const double time = pipelined_ ? 0.0 : OutputTime(ost);
    if (ist.Pts < minPts) {
      minPts = ist.Pts;
      ptsFile = ist.FileIndex;
    }
    if (time < minTime) {
      minTime = time;
      timeFile = ist.FileIndex;
    }
  }
  return run_.Options.InputSync ? ptsFile : timeFile;
}

// False when the loop must end (end of an input with the shortest option).
bool TTranscodeLoop::ReadAndProcess(int fileIndex) {
  AVFormatContext* ctx = run_.Task.Files.Inputs[fileIndex].Context.get();
  AVPacket* packet = packet_.get();
  const int result = api().av_read_frame(ctx, packet);
  if (result == AVERROR(EAGAIN)) {
    noPacket_[fileIndex] = true;
    ++noPacketCount_;
    return true;
  }
  if (result < 0) {
    EndOfInput(fileIndex, result);
    run_.InputFiles[fileIndex].EofReached = true;
    return !run_.Options.Shortest;
  }
  NoteReached(fileIndex, *packet);
  std::fill(noPacket_.begin(), noPacket_.end(), false);
  noPacketCount_ = 0;
  struct TUnref {
    AVPacket* p;
    ~TUnref() { api().av_packet_unref(p); }
  } unref{packet};
  if (run_.Options.DoPacketDump)
    TEngineLogger::GetLogger().LogF(
        &run_.Task, TLogLevel::llDebug, "packet: stream %d size %d pts %lld dts %lld%s",
        packet->stream_index, packet->size, static_cast<long long>(packet->pts),
        static_cast<long long>(packet->dts), (packet->flags & AV_PKT_FLAG_KEY) ? " key" : "");
  const TInputFileState& file = run_.InputFiles[fileIndex];
  if (packet->stream_index >= file.StreamCount) return true;
  const int index = file.FirstStream + packet->stream_index;
  TInputStreamState& ist = In(index);
  if (ist.Discard) return true;
  CorrectTimestamps(fileIndex, ist, *packet);
  const TTaskOptions& o = run_.Options;
  const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
  if (o.RecordingTime != INT64_MAX && ts != AV_NOPTS_VALUE &&
      ToMicroseconds(ts, ist.Stream->time_base) >= o.StartTime + o.RecordingTime) {
    ist.PastRecordingTime = true;
    return true;
  }
  if (ProcessPacket(index, packet) < 0) {
    const std::string text =
        Format("Error while decoding stream #%d.%d (%s)", ist.FileIndex, ist.StreamIndex,
               TStreamMapper::TypeName(ist.Stream->codecpar->codec_type));
    if (o.ExitOnError) throw EEngineError(text);
    if (o.Verbose >= 0) TEngineLogger::GetLogger().Log(&run_.Task, TLogLevel::llVerbose, text);
    return true;
  }
  if (!pipelined_) ReportIfDue(fileIndex);
  return true;
}

void TTranscodeLoop::NoteReached(int fileIndex, const AVPacket& packet) {
  const AVFormatContext* ctx = run_.Task.Files.Inputs[fileIndex].Context.get();
  if (packet.stream_index < 0 || static_cast<unsigned>(packet.stream_index) >= ctx->nb_streams)
    return;
  const int64_t ts = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
  if (ts == AV_NOPTS_VALUE) return;
  const AVRational tb = ctx->streams[packet.stream_index]->time_base;
  const int64_t start = ctx->start_time != AV_NOPTS_VALUE ? ctx->start_time : 0;
  const int64_t end = ToMicroseconds(ts + std::max<int64_t>(packet.duration, 0), tb) - start;
  int64_t& reached = run_.InputFiles[fileIndex].ReachedUs;
  if (reached == AV_NOPTS_VALUE || end > reached) reached = end;
}

// A read that fails is not the end of the source: the task fails with the library's text
// instead of finishing as if the file were complete. Data that stops well short of the
// container's stated length is converted as far as it goes, and the task says so.
void TTranscodeLoop::EndOfInput(int fileIndex, int result) {
  const TOpenedInput& input = run_.Task.Files.Inputs[fileIndex];
  const AVFormatContext* ctx = input.Context.get();
  // Demuxers report a failed read of their byte stream as its end.
  if (result == AVERROR_EOF && ctx->pb && ctx->pb->error < 0 && ctx->pb->error != AVERROR_EOF)
    result = ctx->pb->error;
  const int64_t reached = std::max<int64_t>(run_.InputFiles[fileIndex].ReachedUs, 0);
  const bool lengthKnown = ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0 &&
                           ctx->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE;
  const std::string where = "at " + ClockText(reached) +
                            (lengthKnown ? " of " + ClockText(ctx->duration) : std::string());
  if (result != AVERROR_EOF && result != AVERROR_INVALIDDATA)
    throw EEngineError(input.FileName + ": reading failed " + where + ": " + ErrorText(result));
  if (!lengthKnown || reached + EarlyEndMargin(ctx->duration) >= ctx->duration) return;
  const std::string warning = "source ended early " + where;
  TEngineLogger::GetLogger().LogF(&run_.Task, TLogLevel::llWarning, "%s: %s",
                                  input.FileName.c_str(), warning.c_str());
  if (run_.Task.RunWarning().empty()) run_.Task.SetRunWarning(warning);
}

void TTranscodeLoop::CorrectTimestamps(int fileIndex, TInputStreamState& ist, AVPacket& packet) {
  TTaskOptions& o = run_.Options;
  int64_t& offset = run_.Task.Files.Inputs[fileIndex].TsOffset;
  const AVRational tb = ist.Stream->time_base;
  const std::vector<int64_t>& moved = run_.Task.Files.Inputs[fileIndex].StreamShift;
  const int64_t own = ist.StreamIndex < static_cast<int>(moved.size()) ? moved[ist.StreamIndex] : 0;
  const int64_t shift = FromMicroseconds(offset - own, tb);
  if (packet.dts != AV_NOPTS_VALUE) packet.dts += shift;
  if (packet.pts != AV_NOPTS_VALUE) packet.pts += shift;
  if (fileIndex < kMaxFiles && ist.StreamIndex < kMaxStreams) {
    const double scale = o.TsScale[fileIndex][ist.StreamIndex];
    if (scale != 0.0) {
      if (packet.dts != AV_NOPTS_VALUE) packet.dts = std::llrint(packet.dts * scale);
      if (packet.pts != AV_NOPTS_VALUE) packet.pts = std::llrint(packet.pts * scale);
    }
  }
  const AVFormatContext* ctx = run_.Task.Files.Inputs[fileIndex].Context.get();
  if (packet.dts == AV_NOPTS_VALUE || ist.NextPts == AV_NOPTS_VALUE ||
      !(ctx->iformat->flags & AVFMT_TS_DISCONT) || o.CopyTimestamps)
    return;
  const int64_t dts = ToMicroseconds(packet.dts, tb);
  const int64_t delta = dts - ist.NextPts;
  if (std::llabs(delta) > static_cast<int64_t>(o.DtsDeltaThreshold * 1000000.0) ||
      dts + 1 < ist.Pts) {
    offset -= delta;
    if (o.Verbose > 2)
      TEngineLogger::GetLogger().LogF(
          &run_.Task, TLogLevel::llVerbose, "timestamp discontinuity %lld, new offset= %lld",
          static_cast<long long>(delta), static_cast<long long>(offset));
    const int64_t back = FromMicroseconds(delta, tb);
    packet.dts -= back;
    if (packet.pts != AV_NOPTS_VALUE) packet.pts -= back;
  }
}

int TTranscodeLoop::ProcessPacket(int index, AVPacket* packet) {
  TInputStreamState& ist = In(index);
  if (ist.NextPts == AV_NOPTS_VALUE) ist.NextPts = ist.Pts;
  if (packet && packet->dts != AV_NOPTS_VALUE) {
    // Decoded streams take their clock from the pictures; copied ones from the packets.
    if (!ist.DecodingNeeded)
      ist.Pts = ist.NextPts = ToMicroseconds(packet->dts, ist.Stream->time_base);
  }
  if (ist.DecodingNeeded) {
    if (ist.Stream->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE)
      return DecodeSubtitle(index, packet);
    return Decode(index, packet);
  }
  if (!packet) return 0;
  const AVCodecParameters& par = *ist.Stream->codecpar;
  ist.Pts = ist.NextPts;
  if (packet->duration > 0) {
    ist.NextPts += ToMicroseconds(packet->duration, ist.Stream->time_base);
  } else if (par.codec_type == AVMEDIA_TYPE_AUDIO && par.sample_rate > 0 && par.frame_size > 0) {
    ist.NextPts += 1000000LL * par.frame_size / par.sample_rate;
  } else if (par.codec_type == AVMEDIA_TYPE_VIDEO && ist.Stream->avg_frame_rate.num) {
    ist.NextPts += std::llrint(1000000.0 / av_q2d(ist.Stream->avg_frame_rate));
  }
  Pace(ist);
  EmitPacket(index, *packet);
  return 0;
}

void TTranscodeLoop::OutputPacket(int index, const AVPacket& packet) {
  const int64_t start = run_.Options.StartTime;
  if (start == 0 || run_.InputStreams[index].Pts >= start) CopyPacket(index, packet);
}

int TTranscodeLoop::Decode(int index, AVPacket* packet) {
  TInputStreamState& ist = In(index);
  int result = api().avcodec_send_packet(ist.Decoder, packet);
  if (result < 0 && result != AVERROR_EOF && result != AVERROR(EAGAIN)) return -1;
  AVFrame* frame = frame_.get();
  while ((result = api().avcodec_receive_frame(ist.Decoder, frame)) >= 0) {
    HandleFrame(index, *frame);
    api().av_frame_unref(frame);
  }
  return result == AVERROR(EAGAIN) || result == AVERROR_EOF ? 0 : -1;
}

int TTranscodeLoop::DecodeSubtitle(int index, AVPacket* packet) {
  TInputStreamState& ist = In(index);
  if (!packet) return DrainSubtitles(index);
  // A decoder may leave rectangles behind even when it fails: the owner frees them on every path.
  TSubtitle subtitle;
  int got = 0;
  if (api().avcodec_decode_subtitle2(ist.Decoder, &subtitle, &got, packet) < 0) return -1;
  if (!got) return 0;
  if (packet->pts != AV_NOPTS_VALUE)
    ist.Pts = ist.NextPts = ToMicroseconds(packet->pts, ist.Stream->time_base);
  if (run_.Options.StartTime && ist.Pts < run_.Options.StartTime) return 1;
  for (TOutputStreamState& ost : run_.OutputStreams)
    if (ost.SourceIndex == index && ost.Subtitle)
      ost.Subtitle->Process(run_, ost, ist, subtitle, packet->pts);
  return 1;
}

// Decoders that hold subtitles back give them up for empty packets at the end.
int TTranscodeLoop::DrainSubtitles(int index) {
  const AVCodecContext* decoder = In(index).Decoder;
  if (!decoder->codec || !(decoder->codec->capabilities & AV_CODEC_CAP_DELAY)) return 0;
  TPacketPtr empty = MakePacket();
  constexpr int kMostHeldBack = 256;
  int result = 1;
  for (int n = 0; n < kMostHeldBack && result > 0; ++n) result = DecodeSubtitle(index, empty.get());
  return std::min(result, 0);
}

void TTranscodeLoop::HandleFrame(int index, AVFrame& frame) {
  TInputStreamState& ist = In(index);
  const TTaskOptions& o = run_.Options;
  const AVMediaType type = ist.Stream->codecpar->codec_type;
  int64_t pts = frame.best_effort_timestamp;
  ist.Pts = pts != AV_NOPTS_VALUE ? WithoutLead(ist, ToMicroseconds(pts, ist.Stream->time_base))
                                  : ist.NextPts;
  if (type == AVMEDIA_TYPE_AUDIO) {
    if (frame.sample_rate > 0)
      ist.NextPts = ist.Pts + 1000000LL * frame.nb_samples / frame.sample_rate;
    // The chunk that crosses the recording time is cut there, not written whole.
    if (o.RecordingTime != INT64_MAX && frame.sample_rate > 0) {
      const int64_t left = o.StartTime + o.RecordingTime - ist.Pts;
      if (left <= 0) {
        EmitClock(index);
        return;
      }
      const int64_t keep = left * frame.sample_rate / 1000000;
      if (keep < frame.nb_samples) frame.nb_samples = static_cast<int>(keep);
    }
    if (o.AudioVolume != 256) ApplyVolume(frame);
  } else if (type == AVMEDIA_TYPE_VIDEO) {
    int64_t duration =
        frame.pkt_duration > 0 ? ToMicroseconds(frame.pkt_duration, ist.Stream->time_base) : 0;
    if (duration <= 0) {
      const AVRational rate =
          ist.Stream->avg_frame_rate.num ? ist.Stream->avg_frame_rate : ist.Stream->r_frame_rate;
      if (rate.num) duration = std::llrint(1000000.0 / av_q2d(rate));
    }
    ist.NextPts = ist.Pts + duration;
    ist.Quality = frame.quality;
    ++ist.DecodedFrames;
    // The hook is most of a hooked picture's cost: the decoding thread takes it, so the two
    // threads share the work (the encoding side has the scaling, the encoder and the muxer).
    if (pipelined_) PreparePicture(index, frame, ist);
  }
  EmitFrame(index, frame, type == AVMEDIA_TYPE_VIDEO);
}

// The stream's parameters belong to the demuxer, which may be reading on the other thread:
// the caller says whether this is a picture.
void TTranscodeLoop::OutputFrame(int index, AVFrame& frame, bool picture) {
  TInputStreamState& ist = run_.InputStreams[index];
  const TTaskOptions& o = run_.Options;
  // The hooks write into a buffer of their own, never into the decoder's reference picture.
  // A pipelined run has hooked the picture on its decoding thread already.
  if (picture && !pipelined_) PreparePicture(index, frame, ist);
  if (picture) run_.Task.NotePicture();
  Pace(ist);
  if (o.StartTime && ist.Pts < o.StartTime) return;
  for (TOutputStreamState& ost : run_.OutputStreams) {
    if (ost.SourceIndex != index || !ost.EncodingNeeded) continue;
    if (ost.Video)
      ost.Video->Process(run_, ost, ist, frame);
    else if (ost.Audio)
      ost.Audio->Process(run_, ost, ist, frame);
  }
}

// The picture turned upright first: the hook draws, and the output crops, on what a viewer
// of the source sees.
void TTranscodeLoop::PreparePicture(int index, AVFrame& frame, const TInputStreamState& ist) {
  run_.Task.PreprocessPicture(frame, *ist.Decoder, ist.Pts, *turns_[index]);
}

// Sound and pictures start together: a stream whose first frame comes a little after the
// start (an encoder's delay, a reordering delay, a muxer's rounding) starts at it.
int64_t TTranscodeLoop::WithoutLead(TInputStreamState& ist, int64_t pts) const {
  constexpr int64_t kMostLead = 250000;
  const int64_t start = run_.Options.StartTime;
  if (ist.Lead == AV_NOPTS_VALUE) ist.Lead = start == 0 && pts > 0 && pts <= kMostLead ? pts : 0;
  return pts - ist.Lead;
}

void TTranscodeLoop::ApplyVolume(AVFrame& frame) const {
  const int volume = run_.Options.AudioVolume;
  const AVSampleFormat format = static_cast<AVSampleFormat>(frame.format);
  const bool planar = api().av_sample_fmt_is_planar(format);
  const int channels = frame.ch_layout.nb_channels;
  const int planes = planar ? channels : 1;
  const int count = frame.nb_samples * (planar ? 1 : channels);
  if (api().av_frame_make_writable(&frame) < 0) return;
  for (int p = 0; p < planes; ++p) {
    uint8_t* data = frame.extended_data[p];
    switch (api().av_get_packed_sample_fmt(format)) {
      case AV_SAMPLE_FMT_S16: {
        auto* s = reinterpret_cast<int16_t*>(data);
        for (int i = 0; i < count; ++i)
          s[i] = static_cast<int16_t>(std::clamp((s[i] * volume + 128) >> 8, -32768, 32767));
        break;
      }
      case AV_SAMPLE_FMT_S32: {
        auto* s = reinterpret_cast<int32_t*>(data);
        for (int i = 0; i < count; ++i)
          s[i] = static_cast<int32_t>(std::clamp<int64_t>(
              (static_cast<int64_t>(s[i]) * volume + 128) >> 8, INT32_MIN, INT32_MAX));
        break;
      }
      case AV_SAMPLE_FMT_FLT: {
        auto* s = reinterpret_cast<float*>(data);
        for (int i = 0; i < count; ++i) s[i] = s[i] * volume / 256.0f;
        break;
      }
      case AV_SAMPLE_FMT_DBL: {
        auto* s = reinterpret_cast<double*>(data);
        for (int i = 0; i < count; ++i) s[i] = s[i] * volume / 256.0;
        break;
      }
      default:
        break;
    }
  }
}

void TTranscodeLoop::Pace(const TInputStreamState& ist) const {
  if (!run_.Options.RateEmulation) return;
  const int64_t elapsed = api().av_gettime_relative() - ist.Start;
  if (ist.Pts - elapsed > 1000)
    std::this_thread::sleep_for(std::chrono::milliseconds((ist.Pts - elapsed) / 1000));
}

void TTranscodeLoop::CopyPacket(int index, const AVPacket& packet) {
  const TInputStreamState& ist = run_.InputStreams[index];
  for (TOutputStreamState& ost : run_.OutputStreams) {
    if (ost.SourceIndex != index || ost.EncodingNeeded) continue;
    if (!ost.WroteFrame && !(packet.flags & AV_PKT_FLAG_KEY) &&
        !run_.Options.CopyInitialNonKeyframes)
      continue;
    const AVRational in = ist.Stream->time_base;
    const AVRational out = ost.Stream->time_base;
    const int64_t start = FromMicroseconds(run_.Options.StartTime, out);
    TPacketPtr copy(api().av_packet_clone(&packet));
    if (!copy) throw std::bad_alloc();
    copy->stream_index = ost.Stream->index;
    copy->pts =
        packet.pts != AV_NOPTS_VALUE ? RescaleTs(packet.pts, in, out) - start : AV_NOPTS_VALUE;
    copy->dts = (packet.dts != AV_NOPTS_VALUE ? RescaleTs(packet.dts, in, out)
                                              : FromMicroseconds(ist.Pts, out)) -
                start;
    copy->duration = packet.duration > 0 ? api().av_rescale_q(packet.duration, in, out) : 0;
    (ost.Stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO ? run_.VideoBytes : run_.AudioBytes) +=
        packet.size;
    if (ost.Stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) ++ost.SyncOpts;
    ost.Writer->Write(*copy);
    ost.WroteFrame = true;
    ++ost.FrameNumber;
  }
}

// A source whose data yields nothing (damaged past its header, or nothing after the start
// time) must not end as a finished conversion with an output that holds nothing.
void TTranscodeLoop::ExpectSomethingWritten() const {
  if (run_.Task.StopRequested || run_.OutputStreams.empty()) return;
  for (const TOutputStreamState& ost : run_.OutputStreams)
    if (TStreamEncoder::CountsAsWritten(ost)) return;
  const std::string source =
      run_.Task.Files.Inputs.empty() ? std::string() : run_.Task.Files.Inputs[0].FileName;
  throw EEngineError(
      source + ": nothing could be converted (damaged data, or nothing after the start time)");
}

void TTranscodeLoop::DrainDecoders() {
  for (int i = 0; i < static_cast<int>(run_.InputStreams.size()); ++i)
    if (In(i).DecodingNeeded && In(i).DecoderOpen) ProcessPacket(i, nullptr);
}

void TTranscodeLoop::FinishOutputs() {
  // Sound last: its end is cut to the pictures' end.
  for (const bool sound : {false, true}) {
    for (TOutputStreamState& ost : run_.OutputStreams) {
      if ((ost.Audio != nullptr) != sound) continue;
      if (ost.EncodingNeeded) {
        TInputStreamState& ist = run_.InputStreams[ost.SourceIndex];
        if (ost.Video) ost.Video->Flush(run_, ost, ist);
        if (ost.Audio) ost.Audio->Flush(run_, ost);
        if (ost.Video || ost.Audio) TStreamEncoder::Encode(run_, ost, nullptr);
        if (ost.Subtitle) ost.Subtitle->Flush(ost);
      }
      ost.Writer->Flush();
    }
  }
  ExpectSomethingWritten();
  for (TOpenedOutput& output : run_.Task.Files.Outputs) {
    if (!output.HeaderWritten || output.TrailerWritten) continue;
    const int result = api().av_write_trailer(output.Context.get());
    output.TrailerWritten = true;
    if (result < 0) throw EEngineError(FileErrorText(output.FileName, result));
  }
  report_.Report(run_, true, -1);
}

}  // namespace qarvo
