#include "engine/open/TInputSetup.h"

#include <cctype>
#include <cmath>
#include <utility>
#include <vector>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/DisplayRotation.h"
#include "media/EngineLogger.h"
#include "media/FindCodec.h"
#include "media/OpenInputContainer.h"
#include "media/StreamKind.h"
#include "engine/open/StreamExtent.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

namespace {

TEngineLogger& Log() { return TEngineLogger::GetLogger(); }

// Opening parameters for raw and device inputs, which cannot tell them from the data.
void FillRawParameters(const TTaskOptions& o, TDictionary& dict) {
  if (o.AudioSampleRate > 0) dict.Set("sample_rate", std::to_string(o.AudioSampleRate).c_str());
  if (o.AudioChannels > 0) dict.Set("channels", std::to_string(o.AudioChannels).c_str());
  if (o.FrameRate.num > 0 && o.FrameRate.den > 0)
    dict.Set("framerate", Format("%d/%d", o.FrameRate.num, o.FrameRate.den).c_str());
  if (o.FrameWidth > 0 && o.FrameHeight > 0)
    dict.Set("video_size", Format("%dx%d", o.FrameWidth, o.FrameHeight).c_str());
  if (o.FramePixFmt >= 0) {
    if (const char* name = api().av_get_pix_fmt_name(static_cast<AVPixelFormat>(o.FramePixFmt)))
      dict.Set("pixel_format", name);
  }
  if (o.VideoChannel) dict.Set("channel", std::to_string(o.VideoChannel).c_str());
  if (!o.VideoStandard.empty()) dict.Set("standard", o.VideoStandard.c_str());
}

// The analysis reads at most this much of a file's start.
constexpr int64_t kAnalysedSpan = 5 * AV_TIME_BASE;
constexpr int kAnalysedPackets = 5000;

// Whether the file name ends in one of a demuxer's comma-separated extensions.
bool HasExtension(const std::string& fileName, const char* extensions) {
  const size_t dot = fileName.rfind('.');
  if (!extensions || dot == std::string::npos || fileName.find('/', dot) != std::string::npos)
    return false;
  std::string ext = fileName.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string list = std::string(",") + extensions + ",";
  return !ext.empty() && list.find("," + ext + ",") != std::string::npos;
}

// Two streams of one kind with no declared frame count: only then do counts decide.
bool CountsUndeclared(const AVFormatContext& ctx) {
  int undeclared[AVMEDIA_TYPE_NB] = {};
  for (unsigned i = 0; i < ctx.nb_streams; ++i) {
    const AVStream* st = ctx.streams[i];
    const int kind = st->codecpar->codec_type;
    if (kind >= 0 && kind < AVMEDIA_TYPE_NB && st->nb_frames <= 0 && ++undeclared[kind] > 1)
      return true;
  }
  return false;
}

// Packets per stream from the reader's start up to the analysed span; `result` is the last
// read's code.
std::vector<int64_t> CountPackets(AVFormatContext& reader, unsigned streams, int& result) {
  std::vector<int64_t> counts(streams, 0);
  std::vector<int64_t> first(streams, AV_NOPTS_VALUE);
  TPacketPtr packet = MakePacket();
  for (int n = 0; n < kAnalysedPackets; ++n) {
    if ((result = api().av_read_frame(&reader, packet.get())) < 0) break;
    const unsigned index = static_cast<unsigned>(packet->stream_index);
    const int64_t ts = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
    api().av_packet_unref(packet.get());
    if (index >= streams) continue;
    if (ts != AV_NOPTS_VALUE) {
      if (first[index] == AV_NOPTS_VALUE) first[index] = ts;
      const AVRational tb = reader.streams[index]->time_base;
      if (api().av_rescale_q(ts - first[index], tb, AVRational{1, AV_TIME_BASE}) > kAnalysedSpan)
        break;
    }
    ++counts[index];
  }
  return counts;
}

}  // namespace

const AVInputFormat* TInputSetup::LoopingFormat(const std::string& fileName) {
  const AVInputFormat* images = api().av_find_input_format("image2");
  return images && HasExtension(fileName, images->extensions) ? images : nullptr;
}

void TInputSetup::ReportLoopRefused(const TOpenedInput& input, const TDictionary& unused) const {
  if (!api().av_dict_get(unused.Raw(), "loop", nullptr, 0)) return;
  Log().LogF(&task_, TLogLevel::llWarning, "%s: the %s demuxer cannot loop its input (loop_input)",
             input.FileName.c_str(), input.Context->iformat->name);
}

void TInputSetup::CountAnalysedFrames(TOpenedInput& input, const std::string& libraryName,
                                      const AVInputFormat* format) const {
  if (!CountsUndeclared(*input.Context)) return;
  // A second reader, so the task's own stays where the analysis left it.
  int result = 0;
  if (TInputFormatContextPtr reader = OpenSecondReader(libraryName, format, result))
    input.AnalysedFrames = CountPackets(*reader, input.Context->nb_streams, result);
  if (result < 0 && result != AVERROR_EOF)
    Log().LogF(&task_, TLogLevel::llVerbose, "%s: frames of the analysed span not counted: %s",
               input.FileName.c_str(), ErrorText(result).c_str());
}

bool TInputSetup::Fail(const std::string& message) {
  task_.SetErrorText(message);
  return false;
}

bool TInputSetup::Open(const std::string& fileName) {
  TTaskOptions& o = task_.Options;
  if (task_.InputCount() >= TTaskContext::kFileLimit)
    return Fail(Format("max input files %d reached", TTaskContext::kFileLimit));
  const AVInputFormat* format = nullptr;
  if (!o.FileFormat.empty()) {
    format = api().av_find_input_format(o.FileFormat.c_str());
    if (!format) throw EEngineError(Format("Unknown input format: \"%s\"", o.FileFormat.c_str()));
    o.FileFormat.clear();
  }
  // Codec names given before an input choose its decoders only, also when opening fails.
  struct TReleaseNames {
    TTaskOptions& o;
    ~TReleaseNames() {
      o.VideoCodecName.clear();
      o.AudioCodecName.clear();
      o.SubtitleCodecName.clear();
    }
  } releaseNames{o};

  TDictionary parameters;
  if (format) FillRawParameters(o, parameters);
  if (o.LoopInput) {
    if (!format) format = LoopingFormat(fileName);
    parameters.Set("loop", "1");
  }
  const std::string* names[3] = {&o.VideoCodecName, &o.AudioCodecName, &o.SubtitleCodecName};
  const AVMediaType kinds[3] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_SUBTITLE};
  for (int k = 0; k < 3; ++k) {
    const TFoundCodec found = FindCodec(*names[k], kinds[k], false, FF_COMPLIANCE_NORMAL);
    if (!found.Ok) return Fail(found.Error);
    forced_[k] = found.Codec;
  }
  if (o.PgmYuv) forced_[0] = api().avcodec_find_decoder(AV_CODEC_ID_PGMYUV);

  TInputOpenRequest request;
  request.FileName = fileName;
  request.Format = format;
  request.Options = &parameters;
  // A chosen program limits the streams the analysis reads.
  request.AnalyseStreams = false;
  request.Flags = AVFMT_FLAG_NONBLOCK;
  request.Interrupt = task_.InputInterrupt.Callback();
  request.Prepare = [this](AVFormatContext& context) { PrepareContext(context); };
  TInputContainer opened = OpenInputContainer(request);
  if (!opened.Context) return Fail(opened.Error);
  TOpenedInput input;
  input.FileName = fileName;
  input.Unicode = std::move(opened.Unicode);
  input.Context = std::move(opened.Context);
  const std::string& libraryName = opened.LibraryName;
  o.PgmYuv = false;
  if (o.LoopInput) ReportLoopRefused(input, parameters);

  if (o.ProgramId) {
    const bool found = SelectProgram(input);
    o.ProgramId = 0;
    if (!found) return Fail("Specified program id not found");
  }
  const std::string analysisError = AnalyseInputStreams(*input.Context, fileName);
  if (!analysisError.empty() && o.Verbose >= 0) {
    Log().Log(&task_, TLogLevel::llVerbose, analysisError);
    return Fail(analysisError);
  }
  CountAnalysedFrames(input, libraryName, format);
  int64_t seekPosition = 0;
  SeekToStart(input, seekPosition);
  SetUpStreams(input);

  // The content's span, not the container's: streams with far-off clocks would plan hours.
  TStreamExtent extent =
      MeasureStreamExtent(*input.Context, [&]() { return ReadStreamEnds(libraryName, format); });
  if (extent.Moved()) {
    Log().LogF(&task_, TLogLevel::llInfo, "%s: streams start far apart; content lasts %0.3f s",
               fileName.c_str(), extent.Duration / 1000000.0);
    input.StreamShift = std::move(extent.Shift);
  }
  if (extent.Duration != AV_NOPTS_VALUE && extent.Duration > o.ExpectedTotalLength)
    o.ExpectedTotalLength = extent.Duration;
  input.TsOffset = o.CopyTimestamps ? o.InputTsOffset : o.InputTsOffset - seekPosition;
  o.InputTsOffset = 0;
  if (o.Verbose >= 0)
    api().av_dump_format(input.Context.get(), task_.InputCount(), libraryName.c_str(), 0);
  o.VideoChannel = 0;
  task_.Files.Inputs.push_back(std::move(input));
  return true;
}

void TInputSetup::PrepareContext(AVFormatContext& context) {
  task_.ApplyGenericOptions(&context, AV_OPT_FLAG_DECODING_PARAM);
  if (forced_[0]) context.video_codec_id = forced_[0]->id;
  if (forced_[1]) context.audio_codec_id = forced_[1]->id;
  if (forced_[2]) context.subtitle_codec_id = forced_[2]->id;
  if (task_.Options.PgmYuv) context.video_codec_id = AV_CODEC_ID_PGMYUV;
}

bool TInputSetup::SelectProgram(TOpenedInput& input) {
  AVFormatContext* ctx = input.Context.get();
  for (unsigned i = 0; i < ctx->nb_streams; ++i) ctx->streams[i]->discard = AVDISCARD_ALL;
  bool found = false;
  for (unsigned p = 0; p < ctx->nb_programs; ++p) {
    AVProgram* program = ctx->programs[p];
    if (program->id != task_.Options.ProgramId) {
      program->discard = AVDISCARD_ALL;
      continue;
    }
    found = true;
    for (unsigned s = 0; s < program->nb_stream_indexes; ++s)
      ctx->streams[program->stream_index[s]]->discard = AVDISCARD_DEFAULT;
  }
  return found;
}

void TInputSetup::SeekToStart(TOpenedInput& input, int64_t& seekPosition) {
  TTaskOptions& o = task_.Options;
  AVFormatContext* ctx = input.Context.get();
  seekPosition = o.StartTime;
  if (ctx->start_time != AV_NOPTS_VALUE) seekPosition += ctx->start_time;
  if (o.StartTime != 0) {
    const int result = api().av_seek_frame(ctx, -1, seekPosition, AVSEEK_FLAG_BACKWARD);
    if (result < 0 && o.Verbose > 0)
      Log().LogF(&task_, TLogLevel::llVerbose, "%s: could not seek to position %0.3f",
                 input.FileName.c_str(), seekPosition / 1000000.0);
  }
  o.StartTime = 0;
}

void TInputSetup::SetUpStreams(TOpenedInput& input) {
  TTaskOptions& o = task_.Options;
  AVFormatContext* ctx = input.Context.get();
  for (unsigned i = 0; i < ctx->nb_streams; ++i) {
    AVStream* st = ctx->streams[i];
    const AVMediaType type = st->codecpar->codec_type;
    if (type < AVMEDIA_TYPE_UNKNOWN || type > AVMEDIA_TYPE_ATTACHMENT)
      throw EEngineError("invalid codec_type");
    const AVCodec* forced = nullptr;
    if (type == AVMEDIA_TYPE_VIDEO) forced = forced_[0];
    if (type == AVMEDIA_TYPE_AUDIO) forced = forced_[1];
    if (type == AVMEDIA_TYPE_SUBTITLE) forced = forced_[2];
    input.ForcedDecoders.push_back(forced);

    TCodecContextPtr decoder;
    if (type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_SUBTITLE) {
      const AVCodec* codec = forced ? forced : api().avcodec_find_decoder(st->codecpar->codec_id);
      decoder.reset(api().avcodec_alloc_context3(codec));
      if (!decoder) throw std::bad_alloc();
      if (api().avcodec_parameters_to_context(decoder.get(), st->codecpar) < 0)
        throw std::bad_alloc();
      decoder->pkt_timebase = st->time_base;
      decoder->thread_count = o.ThreadCount;
    }
    input.Decoders.push_back(std::move(decoder));
    if (type == AVMEDIA_TYPE_VIDEO && !IsAttachedPicture(*st)) {
      SetUpVideo(input, static_cast<int>(i));
    } else if (type == AVMEDIA_TYPE_AUDIO) {
      SetUpAudio(input, static_cast<int>(i));
    } else if (type == AVMEDIA_TYPE_SUBTITLE && o.SubtitleDisable) {
      st->discard = AVDISCARD_ALL;
    }
  }
}

void TInputSetup::SetUpVideo(TOpenedInput& input, int index) {
  TTaskOptions& o = task_.Options;
  AVStream* st = input.Context->streams[index];
  AVCodecContext* dec = input.Decoders[index].get();
  task_.ApplyGenericOptions(dec, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_DECODING_PARAM);
  o.FrameWidth = dec->width;
  o.FrameHeight = dec->height;
  AVRational sar = st->sample_aspect_ratio.num ? st->sample_aspect_ratio : dec->sample_aspect_ratio;
  double aspect = 0.0;
  if (dec->height) aspect = av_q2d(sar) * dec->width / dec->height;
  if (aspect == 0.0 && dec->width && dec->height)
    aspect = static_cast<double>(dec->width) / dec->height;
  if (aspect == 0.0) aspect = 4.0 / 3.0;
  // The loop turns the pictures upright first, so the output's defaults are upright.
  const int rotation = DisplayRotation(*st);
  if (rotation == 90 || rotation == 270) {
    std::swap(o.FrameWidth, o.FrameHeight);
    aspect = 1.0 / aspect;
  }
  o.FrameAspectRatio = static_cast<float>(aspect);
  if (dec->pix_fmt == AV_PIX_FMT_NONE) dec->pix_fmt = AV_PIX_FMT_YUV420P;
  o.FramePixFmt = dec->pix_fmt;
  o.FramePixFmtChosen = false;
  if (dec->lowres) {
    o.FrameWidth >>= dec->lowres;
    o.FrameHeight >>= dec->lowres;
  }
  const AVRational rate = st->r_frame_rate.num ? st->r_frame_rate : st->avg_frame_rate;
  const AVRational decoderRate = dec->framerate;
  if (o.Verbose >= 0 && decoderRate.num && rate.num && av_cmp_q(decoderRate, rate) != 0)
    Log().LogF(&task_, TLogLevel::llInfo,
               "Seems stream %d codec frame rate differs from container frame rate: "
               "%2.2f (%d/%d) -> %2.2f (%d/%d)",
               index, av_q2d(decoderRate), decoderRate.num, decoderRate.den, av_q2d(rate), rate.num,
               rate.den);
  o.FrameRate = {rate.num, rate.den};
  if (o.VideoDisable)
    st->discard = AVDISCARD_ALL;
  else if (o.VideoDiscard)
    st->discard = static_cast<AVDiscard>(o.VideoDiscard);
}

void TInputSetup::SetUpAudio(TOpenedInput& input, int index) {
  TTaskOptions& o = task_.Options;
  AVStream* st = input.Context->streams[index];
  AVCodecContext* dec = input.Decoders[index].get();
  task_.ApplyGenericOptions(dec, AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_DECODING_PARAM);
  if (dec->ch_layout.nb_channels > 0) o.AudioChannels = dec->ch_layout.nb_channels;
  if (dec->sample_rate > 0) o.AudioSampleRate = dec->sample_rate;
  o.AudioChannelLayout =
      dec->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? dec->ch_layout.u.mask : 0;
  o.AudioSampleFmt = dec->sample_fmt;
  if (o.AudioDisable) st->discard = AVDISCARD_ALL;
}

}  // namespace qarvo
