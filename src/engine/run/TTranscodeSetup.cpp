#include "engine/run/TTranscodeSetup.h"

#include <climits>
#include <fstream>
#include <sstream>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/CodecLock.h"
#include "media/EngineLogger.h"
#include "media/ErrorText.h"
#include "engine/paths/TAudioOutput.h"
#include "engine/paths/TPacketWriter.h"
#include "engine/paths/TRunState.h"
#include "engine/paths/TSubtitleOutput.h"
#include "engine/paths/TVideoOutput.h"
#include "engine/run/EncoderLevels.h"
#include "engine/run/TStreamMapper.h"
#include "engine/run/TTranscodeLoop.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

namespace {

TEngineLogger& Log() { return TEngineLogger::GetLogger(); }

// The input tag is kept when the output container can carry it for the same codec.
void ChooseCopyTag(const AVOutputFormat& format, const AVCodecParameters& in,
                   AVCodecParameters& out, uint32_t userTag) {
  if (userTag) {
    out.codec_tag = userTag;
    return;
  }
  out.codec_tag = 0;
  if (!format.codec_tag) {
    out.codec_tag = in.codec_tag;
    return;
  }
  const AVCodecID mapped = api().av_codec_get_id(format.codec_tag, in.codec_tag);
  unsigned int tag = 0;
  const int known = api().av_codec_get_tag2(format.codec_tag, in.codec_id, &tag);
  if (mapped == in.codec_id || !known) out.codec_tag = in.codec_tag;
}

}  // namespace

void TTranscodeSetup::FailAfterMapping(const char* message) {
  TStreamMapper::LogMapping(run_);
  Log().Log(&run_.Task, TLogLevel::llError, message);
  throw EEngineError(message);
}

void TTranscodeSetup::Run() {
  TStreamMapper::Map(run_);
  for (int n = 0; n < static_cast<int>(run_.OutputStreams.size()); ++n)
    Configure(run_.OutputStreams[n], n);
  FitAutomaticThreads();
  // Decoders first: a subtitle encoder needs the header its decoder makes when it opens.
  OpenDecoders();
  OpenEncoders();
  StartClocks();
  CopyFileMetadata();
  CopyChapters();
  // Bitstream filters work on the final codec parameters, before the headers describe them.
  for (TOutputStreamState& ost : run_.OutputStreams) {
    const char* name = ost.EncodingNeeded && ost.Encoder->codec ? ost.Encoder->codec->name : "copy";
    ost.Writer = std::make_unique<TPacketWriter>(*ost.Muxer, *ost.Stream, name,
                                                 ost.Created->BitstreamFilters,
                                                 run_.Options.ExitOnError, &run_.Task);
  }
  WriteHeaders();
}

void TTranscodeSetup::Configure(TOutputStreamState& ost, int number) {
  TInputStreamState& ist = run_.InputStreams[ost.SourceIndex];
  CheckCall(api().av_dict_copy(&ost.Stream->metadata, ist.Stream->metadata, AV_DICT_DONT_OVERWRITE),
            "av_dict_copy()");
  ost.Stream->disposition = ist.Stream->disposition;
  if (ist.Decoder) {
    ost.Encoder->bits_per_raw_sample = ist.Decoder->bits_per_raw_sample;
    ost.Encoder->chroma_sample_location = ist.Decoder->chroma_sample_location;
  }
  if (ost.Created->Copy) {
    ConfigureCopy(ost);
  } else {
    ConfigureEncoding(ost);
    // The pictures are turned upright on the way, so an inherited turn would turn them again.
    if (ost.Encoder->codec_type == AVMEDIA_TYPE_VIDEO)
      CheckCall(api().av_dict_set(&ost.Stream->metadata, "rotate", nullptr, 0),
                "av_dict_set(rotate)");
  }
  SetUpPasses(ost, number);
}

void TTranscodeSetup::ConfigureCopy(TOutputStreamState& ost) {
  const TInputStreamState& ist = run_.InputStreams[ost.SourceIndex];
  const AVCodecParameters& in = *ist.Stream->codecpar;
  if (static_cast<int64_t>(in.extradata_size) + 8 > INT_MAX)
    throw EEngineError("icodec.extradata_size is invalid (too large)");
  const uint32_t userTag = ost.Encoder->codec_tag;
  const AVRational sar = ost.Encoder->sample_aspect_ratio;
  if (api().avcodec_parameters_copy(ost.Stream->codecpar, &in) < 0)
    throw EEngineError("av_mallocz fail");
  AVCodecParameters& out = *ost.Stream->codecpar;
  ChooseCopyTag(*ost.Muxer->oformat, in, out, userTag);
  ost.Stream->time_base = ist.Stream->time_base;
  switch (in.codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      if (run_.Options.AudioVolume != 256)
        throw EEngineError("-acodec copy and -vol are incompatible (frames are not decoded)");
      if ((out.block_align == 1 && out.codec_id == AV_CODEC_ID_MP3) ||
          out.codec_id == AV_CODEC_ID_AC3)
        out.block_align = 0;
      break;
    case AVMEDIA_TYPE_VIDEO:
      if (run_.Task.HasCustomHook())
        throw EEngineError("-vcodec copy and CustomHook are incompatible (frames are not decoded)");
      if (run_.Task.VideoHooks.InUse())
        throw EEngineError("-vcodec copy and -vhook are incompatible (frames are not decoded)");
      if (run_.Task.PreviewFlags())
        throw EEngineError("-vcodec copy and PostHooks are incompatible (frames are not decoded)");
      ost.Stream->avg_frame_rate = ist.Stream->avg_frame_rate;
      ost.Stream->r_frame_rate = ist.Stream->r_frame_rate;
      if (sar.num > 0 && !out.sample_aspect_ratio.num) out.sample_aspect_ratio = sar;
      ost.Stream->sample_aspect_ratio = out.sample_aspect_ratio;
      break;
    case AVMEDIA_TYPE_SUBTITLE:
    case AVMEDIA_TYPE_DATA:
    case AVMEDIA_TYPE_ATTACHMENT:
      break;
    default:
      throw EEngineError("invalid codec_type of output stream");
  }
}

void TTranscodeSetup::ConfigureEncoding(TOutputStreamState& ost) {
  TInputStreamState& ist = run_.InputStreams[ost.SourceIndex];
  if (!ist.Decoder) throw EEngineError("invalid codec_type of output stream");
  switch (ost.Encoder->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      ost.Audio = std::make_unique<TAudioOutput>(run_, ost, ist);
      break;
    case AVMEDIA_TYPE_VIDEO:
      ost.Video = std::make_unique<TVideoOutput>(run_, ost, ist);
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      ost.Subtitle = std::make_unique<TSubtitleOutput>();
      break;
    default:
      throw EEngineError("invalid codec_type of output stream");
  }
  ost.EncodingNeeded = true;
  ist.DecodingNeeded = true;
}

void TTranscodeSetup::SetUpPasses(TOutputStreamState& ost, int number) {
  if (!ost.EncodingNeeded || !(ost.Encoder->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2)))
    return;
  const std::string& prefix = run_.Options.PassLogFileName;
  std::string name = (prefix.empty() ? std::string("engine2pass") : prefix) + "-" +
                     std::to_string(number) + ".log";
  if (name.size() > 1023) name.resize(1023);
  if (ost.Encoder->flags & AV_CODEC_FLAG_PASS1) {
    ost.PassLogFile.reset(std::fopen(name.c_str(), "wb"));
    if (!ost.PassLogFile)
      throw EEngineError(Format("Cannot write log file %s for pass-1 encoding", name.c_str()));
    return;
  }
  std::ifstream in(name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in)
    throw EEngineError(Format("Cannot read file: Error reading log file \"%s\" for pass-2 encoding",
                              name.c_str()));
  ost.PassStats = text.str();
  ost.Encoder->stats_in = ost.PassStats.data();
}

bool TTranscodeSetup::KeepsAutomaticThreads(AVCodecID codec) {
  switch (codec) {
    // Measured on two cores with the sound lane: x264's frame threads pay for themselves, and
    // VP9's row threads run at 0.4 of the encoder alone when held to one.
    case AV_CODEC_ID_H264:
    case AV_CODEC_ID_HEVC:
    case AV_CODEC_ID_VP9:
    case AV_CODEC_ID_AV1:
      return true;
    default:
      return false;
  }
}

// A pipelined run keeps a core busy per lane; automatic codec threads beyond the cores
// left over only add switching, except for the encoders that keep their own.
void TTranscodeSetup::FitAutomaticThreads() {
  const int lanes = TTranscodeLoop::PipelineLanes(run_);
  if (lanes == 0) return;
  const int threads = std::max(1, api().av_cpu_count() - lanes + 1);
  for (TInputStreamState& ist : run_.InputStreams)
    if (ist.DecodingNeeded && ist.Decoder && ist.Decoder->thread_count == 0)
      ist.Decoder->thread_count = threads;
  for (TOutputStreamState& ost : run_.OutputStreams)
    if (ost.EncodingNeeded && ost.Encoder->thread_count == 0 &&
        !KeepsAutomaticThreads(ost.Encoder->codec_id))
      ost.Encoder->thread_count = threads;
}

void TTranscodeSetup::OpenEncoders() {
  for (TOutputStreamState& ost : run_.OutputStreams) {
    if (!ost.EncodingNeeded) continue;
    AVCodecContext* enc = ost.Encoder;
    const AVCodec* codec =
        ost.Created->Codec ? ost.Created->Codec : api().avcodec_find_encoder(enc->codec_id);
    const char* type = TStreamMapper::TypeName(enc->codec_type);
    const AVCodecContext* dec = run_.InputStreams[ost.SourceIndex].Decoder;
    // Text subtitle encoders start from the style header the opened decoder made.
    if (enc->codec_type == AVMEDIA_TYPE_SUBTITLE && dec && dec->subtitle_header &&
        !enc->subtitle_header) {
      enc->subtitle_header = static_cast<uint8_t*>(api().av_mallocz(dec->subtitle_header_size + 1));
      if (!enc->subtitle_header) throw EEngineError("av_mallocz fail");
      std::copy(dec->subtitle_header, dec->subtitle_header + dec->subtitle_header_size,
                enc->subtitle_header);
      enc->subtitle_header_size = dec->subtitle_header_size;
    }
    if (!codec)
      FailAfterMapping(Format("Encoder (codec id %d) not found for output stream #%d.%d (%s)",
                              enc->codec_id, ost.FileIndex, ost.StreamIndex, type)
                           .c_str());
    FitCodecLevel(*enc);
    int result;
    {
      TCodecLockGuard lock;
      result = api().avcodec_open2(enc, codec, nullptr);
      ost.EncoderOpen = result >= 0;
    }
    if (result < 0)
      FailAfterMapping(
          Format("Error while opening encoder for output stream #%d.%d (%s) - maybe incorrect "
                 "parameters such as bit_rate, rate, width or height. Please check error log "
                 "message to find out more detail information.",
                 ost.FileIndex, ost.StreamIndex, type)
              .c_str());
    if (api().avcodec_parameters_from_context(ost.Stream->codecpar, enc) < 0)
      throw EEngineError("av_mallocz fail");
    ost.Stream->time_base = enc->time_base;
    if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
      ost.Stream->avg_frame_rate = enc->framerate;
      ost.Stream->sample_aspect_ratio = enc->sample_aspect_ratio;
    }
    run_.ExtraBytes += enc->extradata_size;
  }
}

void TTranscodeSetup::OpenDecoders() {
  for (TInputStreamState& ist : run_.InputStreams) {
    if (!ist.DecodingNeeded) continue;
    const AVCodec* codec = ist.DecoderCodec
                               ? ist.DecoderCodec
                               : api().avcodec_find_decoder(ist.Stream->codecpar->codec_id);
    const char* type = TStreamMapper::TypeName(ist.Stream->codecpar->codec_type);
    if (!codec)
      FailAfterMapping(Format("Decoder (codec id %d) not found for input stream #%d.%d (%s)",
                              ist.Stream->codecpar->codec_id, ist.FileIndex, ist.StreamIndex, type)
                           .c_str());
    int result;
    {
      TCodecLockGuard lock;
      result = api().avcodec_open2(ist.Decoder, codec, nullptr);
      ist.DecoderOpen = result >= 0;
    }
    if (result < 0)
      FailAfterMapping(Format("Error while opening decoder for input stream #%d.%d (%s)",
                              ist.FileIndex, ist.StreamIndex, type)
                           .c_str());
  }
}

void TTranscodeSetup::StartClocks() {
  for (TInputStreamState& ist : run_.InputStreams) {
    const AVRational rate = ist.Stream->avg_frame_rate;
    const int delay = ist.Decoder ? ist.Decoder->has_b_frames : 0;
    ist.Pts = rate.num ? -std::llrint(delay * 1000000.0 / av_q2d(rate)) : 0;
    ist.NextPts = AV_NOPTS_VALUE;
    ist.IsStart = true;
  }
}

void TTranscodeSetup::CopyFileMetadata() {
  TTaskFiles& files = run_.Task.Files;
  for (const TMetaDataMap& map : run_.Options.MetaDataMaps) {
    if (map.OutFile < 0 || map.OutFile >= static_cast<int>(files.Outputs.size()))
      FailAfterMapping(Format("Invalid output file index %d map_meta_data(%d,%d)", map.OutFile,
                              map.OutFile, map.InFile)
                           .c_str());
    if (map.InFile < 0 || map.InFile >= static_cast<int>(files.Inputs.size()))
      FailAfterMapping(Format("Invalid input file index %d map_meta_data(%d,%d)", map.InFile,
                              map.OutFile, map.InFile)
                           .c_str());
    CheckCall(
        api().av_dict_copy(&files.Outputs[map.OutFile].Context->metadata,
                           files.Inputs[map.InFile].Context->metadata, AV_DICT_DONT_OVERWRITE),
        "av_dict_copy()");
  }
}

void TTranscodeSetup::CopyChapters() {
  const TTaskOptions& o = run_.Options;
  TTaskFiles& files = run_.Task.Files;
  for (const TOpenedInput& input : files.Inputs) {
    const AVFormatContext* is = input.Context.get();
    for (TOpenedOutput& output : files.Outputs) {
      AVFormatContext* os = output.Context.get();
      for (unsigned c = 0; c < is->nb_chapters; ++c) {
        const AVChapter* in = is->chapters[c];
        const int64_t tsOff =
            api().av_rescale_q(o.StartTime - input.TsOffset, {1, 1000000}, in->time_base);
        const int64_t limit =
            o.RecordingTime == INT64_MAX
                ? INT64_MAX
                : api().av_rescale_q(o.RecordingTime, {1, 1000000}, in->time_base);
        if (in->end < tsOff) continue;
        if (limit != INT64_MAX && in->start > limit + tsOff) break;
        // Room first, so the chapter belongs to the output context from its allocation on.
        auto* grown = static_cast<AVChapter**>(
            api().av_realloc(os->chapters, sizeof(AVChapter*) * (os->nb_chapters + 1)));
        if (!grown) throw EEngineError("av_realloc fail");
        os->chapters = grown;
        auto* out = static_cast<AVChapter*>(api().av_mallocz(sizeof(AVChapter)));
        if (!out) throw EEngineError("av_mallocz fail");
        os->chapters[os->nb_chapters++] = out;
        out->id = in->id;
        out->time_base = in->time_base;
        out->start = std::max<int64_t>(0, in->start - tsOff);
        out->end = std::min(limit, in->end - tsOff);
        CheckCall(api().av_dict_copy(&out->metadata, in->metadata, 0), "av_dict_copy()");
      }
    }
  }
}

void TTranscodeSetup::WriteHeaders() {
  TTaskFiles& files = run_.Task.Files;
  bool allRtp = !files.Outputs.empty();
  for (int f = 0; f < static_cast<int>(files.Outputs.size()); ++f) {
    TOpenedOutput& output = files.Outputs[f];
    if (api().avformat_write_header(output.Context.get(), nullptr) < 0)
      FailAfterMapping(
          Format("Could not write header for output file #%d (incorrect codec parameters ?)", f)
              .c_str());
    output.HeaderWritten = true;
    allRtp = allRtp && std::string(output.Context->oformat->name) == "rtp";
  }
  if (allRtp) {
    std::vector<AVFormatContext*> contexts;
    for (TOpenedOutput& output : files.Outputs) contexts.push_back(output.Context.get());
    char sdp[2048] = {};
    api().av_sdp_create(contexts.data(), static_cast<int>(contexts.size()), sdp, sizeof sdp);
    std::string text(sdp);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
      text.pop_back();
    Log().Log(&run_.Task, TLogLevel::llInfo, "SDP:\r\n" + text);
  }
  for (int f = 0; f < static_cast<int>(files.Outputs.size()); ++f)
    api().av_dump_format(files.Outputs[f].Context.get(), f, files.Outputs[f].Context->url, 1);
  TStreamMapper::LogMapping(run_);
}

}  // namespace qarvo
