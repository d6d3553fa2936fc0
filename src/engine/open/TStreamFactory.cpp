#include "engine/open/TStreamFactory.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/EngineLogger.h"
#include "media/ErrorText.h"
#include "media/FindCodec.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

namespace {

// The strictness the generic options give encoder contexts (e.g. "strict=experimental").
int GenericStrictness(TTaskContext& task, AVMediaType type) {
  TCodecContextPtr probe(api().avcodec_alloc_context3(nullptr));
  if (!probe) throw std::bad_alloc();
  probe->codec_type = type;
  const int kind = type == AVMEDIA_TYPE_VIDEO   ? AV_OPT_FLAG_VIDEO_PARAM
                   : type == AVMEDIA_TYPE_AUDIO ? AV_OPT_FLAG_AUDIO_PARAM
                                                : AV_OPT_FLAG_SUBTITLE_PARAM;
  task.ApplyGenericOptions(probe.get(), kind | AV_OPT_FLAG_ENCODING_PARAM);
  return probe->strict_std_compliance;
}

// An automatic count ("threads=auto") reaches only the encoders whose threads leave the
// stream as playable as a single-threaded one: x264 threads by frames; the MPEG-1/2 and
// MPEG-4 encoders cut each picture into slices (MPEG-2 starts one at every row anyway, MPEG-4
// marks them with resync markers, which simple-profile players decode). H.263 gets none: its
// slice mode is not in the baseline profile phones play. Any other count is taken as given.
int EncoderThreads(const AVCodec* codec, int requested) {
  if (requested != 0) return requested;
  if (!codec) return 1;
  switch (codec->id) {
    case AV_CODEC_ID_H264:
    case AV_CODEC_ID_MPEG4:
    case AV_CODEC_ID_MPEG1VIDEO:
    case AV_CODEC_ID_MPEG2VIDEO:
    // The newer coders thread by frames, tiles or rows; their streams decode the same.
    case AV_CODEC_ID_HEVC:
    case AV_CODEC_ID_AV1:
    case AV_CODEC_ID_VP9:
      return 0;
    default:
      return 1;
  }
}

uint16_t* CopyMatrix(const TQuantMatrix& matrix) {
  auto* copy = static_cast<uint16_t*>(api().av_malloc(sizeof(uint16_t) * 64));
  if (!copy) throw std::bad_alloc();
  std::memcpy(copy, matrix.data(), sizeof(uint16_t) * 64);
  return copy;
}

bool Lists(const AVPixelFormat* list, AVPixelFormat format) {
  for (const AVPixelFormat* p = list; *p != AV_PIX_FMT_NONE; ++p)
    if (*p == format) return true;
  return false;
}

// The full-range twin of a planar YUV format, or the format itself.
AVPixelFormat FullRange(AVPixelFormat format) {
  switch (format) {
    case AV_PIX_FMT_YUV420P:
      return AV_PIX_FMT_YUVJ420P;
    case AV_PIX_FMT_YUV422P:
      return AV_PIX_FMT_YUVJ422P;
    case AV_PIX_FMT_YUV444P:
      return AV_PIX_FMT_YUVJ444P;
    default:
      return format;
  }
}

// The wanted pixel format, or the encoder's first listed one when it does not take it. Two
// encoders list formats they then refuse: the JPEG encoder takes limited-range YUV only at a
// relaxed strictness (so it gets the full-range twin), and the DV encoder takes each format
// only at the sizes of its profiles (so it gets a listed format that has a profile).
AVPixelFormat EncoderPixelFormat(const AVCodec& codec, const AVCodecContext& enc,
                                 AVPixelFormat wanted) {
  if (!codec.pix_fmts) return wanted;
  if (codec.id == AV_CODEC_ID_MJPEG) {
    if (enc.strict_std_compliance < 0 &&
        (wanted == AV_PIX_FMT_YUV420P || wanted == AV_PIX_FMT_YUV422P))
      return wanted;
    if (enc.strict_std_compliance > FF_COMPLIANCE_UNOFFICIAL &&
        Lists(codec.pix_fmts, FullRange(wanted)))
      return FullRange(wanted);
  }
  if (codec.id == AV_CODEC_ID_DVVIDEO && enc.height > 0) {
    // A pad filter may still widen the picture to the DV width and height, so the norm's
    // picture, chosen by the rate, counts too.
    const bool pal = std::fabs(av_q2d(enc.framerate) - 25.0) < 0.01;
    const std::pair<int, int> sizes[] = {
        {enc.width, enc.height}, {720, enc.height}, {720, pal ? 576 : 480}};
    for (const auto& [width, height] : sizes) {
      if (api().av_dv_codec_profile(width, height, wanted)) return wanted;
      for (const AVPixelFormat* p = codec.pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
        if (api().av_dv_codec_profile(width, height, *p)) return *p;
    }
  }
  return Lists(codec.pix_fmts, wanted) ? wanted : codec.pix_fmts[0];
}

// The pictures every device plays: 8-bit 4:2:0, in the source's range (a full-range source
// keeps its levels where the encoder can say so). Deeper or wider sources are brought down;
// only an encoder that takes no 4:2:0 at all (lossless and raw coders) keeps its own choice.
AVPixelFormat PlayableFormat(const AVCodec& codec, AVPixelFormat source) {
  if (!codec.pix_fmts) return source;
  const bool fullRange = source == AV_PIX_FMT_YUVJ420P || source == AV_PIX_FMT_YUVJ422P ||
                         source == AV_PIX_FMT_YUVJ444P || source == AV_PIX_FMT_YUVJ440P ||
                         source == AV_PIX_FMT_YUVJ411P;
  if (fullRange && Lists(codec.pix_fmts, AV_PIX_FMT_YUVJ420P)) return AV_PIX_FMT_YUVJ420P;
  return AV_PIX_FMT_YUV420P;
}

// A channel layout the encoder takes: the wanted one, else one of as many channels, else the
// widest of fewer (5.1 into a stereo-only coder gives stereo), else its narrowest.
void FitChannelLayout(const AVCodec& codec, AVChannelLayout& layout) {
  if (!codec.ch_layouts) {
    // Coders that list no layouts but open with only so many channels.
    const int most = codec.id == AV_CODEC_ID_WMAV1 || codec.id == AV_CODEC_ID_WMAV2     ? 2
                     : codec.id == AV_CODEC_ID_AMR_NB || codec.id == AV_CODEC_ID_AMR_WB ? 1
                                                                                        : 0;
    if (most && layout.nb_channels > most) {
      api().av_channel_layout_uninit(&layout);
      api().av_channel_layout_default(&layout, most);
    }
    return;
  }
  const AVChannelLayout* same = nullptr;
  const AVChannelLayout* fewer = nullptr;
  const AVChannelLayout* narrowest = nullptr;
  for (const AVChannelLayout* l = codec.ch_layouts; l->nb_channels != 0; ++l) {
    if (api().av_channel_layout_compare(l, &layout) == 0) return;
    if (!same && l->nb_channels == layout.nb_channels) same = l;
    if (l->nb_channels < layout.nb_channels && (!fewer || l->nb_channels > fewer->nb_channels))
      fewer = l;
    if (!narrowest || l->nb_channels < narrowest->nb_channels) narrowest = l;
  }
  const AVChannelLayout* chosen = same ? same : fewer ? fewer : narrowest;
  if (!chosen) return;
  api().av_channel_layout_uninit(&layout);
  CheckCall(api().av_channel_layout_copy(&layout, chosen), "av_channel_layout_copy()");
}

}  // namespace

void ParseRcOverride(const std::string& text, AVCodecContext& enc) {
  std::vector<RcOverride> overrides;
  size_t pos = 0;
  while (pos <= text.size() && !text.empty()) {
    const size_t slash = text.find('/', pos);
    const std::string group =
        text.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
    int start = 0, end = 0, q = 0;
    if (std::sscanf(group.c_str(), "%d,%d,%d", &start, &end, &q) != 3)
      throw EEngineError("error parsing rc_override");
    RcOverride item{};
    item.start_frame = start;
    item.end_frame = end;
    if (q > 0) {
      item.qscale = q;
      item.quality_factor = 1.0f;
    } else {
      item.qscale = 0;
      item.quality_factor = -q / 100.0f;
    }
    overrides.push_back(item);
    if (slash == std::string::npos) break;
    pos = slash + 1;
  }
  if (overrides.empty()) return;
  auto* table = static_cast<RcOverride*>(api().av_malloc(sizeof(RcOverride) * overrides.size()));
  if (!table) throw std::bad_alloc();
  std::memcpy(table, overrides.data(), sizeof(RcOverride) * overrides.size());
  api().av_freep(&enc.rc_override);
  enc.rc_override = table;
  enc.rc_override_count = static_cast<int>(overrides.size());
}

const AVCodec* TStreamFactory::ChooseEncoder(const std::string& name, AVMediaType type) {
  if (!name.empty()) {
    const TFoundCodec found = FindCodec(name, type, true, GenericStrictness(task_, type));
    if (!found.Ok) {
      task_.SetErrorText(found.Error);
      throw EEngineError(found.Error);
    }
    return found.Codec;
  }
  if (type == AVMEDIA_TYPE_SUBTITLE) return nullptr;  // subtitles are never guessed
  AVFormatContext* oc = output_.Context.get();
  const AVCodecID id = api().av_guess_codec(oc->oformat, nullptr, oc->url, nullptr, type);
  return id == AV_CODEC_ID_NONE ? nullptr : api().avcodec_find_encoder(id);
}

TCreatedOutputStream TStreamFactory::CreateStream(const AVCodec* codec, AVMediaType type,
                                                  int kindIndex, uint32_t tag) {
  TCreatedOutputStream created;
  created.Codec = codec;
  created.Encoder.reset(api().avcodec_alloc_context3(codec));
  if (!created.Encoder) throw EEngineError("Could not alloc stream");
  created.Encoder->codec_type = type;
  if (!codec) created.Encoder->codec_id = AV_CODEC_ID_NONE;
  created.Encoder->thread_count = EncoderThreads(codec, task_.Options.ThreadCount);
  if (tag) created.Encoder->codec_tag = tag;
  created.BitstreamFilters = std::move(task_.Options.PendingBitstreamFilters[kindIndex]);
  task_.Options.PendingBitstreamFilters[kindIndex].clear();
  return created;
}

AVStream* TStreamFactory::AddToContainer(TCreatedOutputStream& created) {
  AVFormatContext* oc = output_.Context.get();
  if (oc->nb_streams >= static_cast<unsigned>(kMaxStreams))
    throw EEngineError("Could not alloc stream");
  AVStream* st = api().avformat_new_stream(oc, nullptr);
  if (!st) throw EEngineError("Could not alloc stream");
  const int pendingId = task_.Options.StreamIds[st->index];
  if (pendingId) st->id = pendingId;
  st->codecpar->codec_type = created.Encoder->codec_type;
  output_.Streams.push_back(std::move(created));
  return st;
}

AVRational TStreamFactory::SampleAspectRatio() const {
  const TTaskOptions& o = task_.Options;
  const double ratio = (o.FrameWidth && o.FrameHeight)
                           ? o.FrameAspectRatio * o.FrameHeight / o.FrameWidth
                           : o.FrameAspectRatio * 3.0 / 4.0;
  return api().av_d2q(ratio, 255);
}

void TStreamFactory::SetLanguage(AVStream& st, std::string& language) {
  if (!language.empty())
    CheckCall(api().av_dict_set(&st.metadata, "language", language.c_str(), 0),
              "av_dict_set(language)");
  language.clear();
}

void TStreamFactory::NewVideoStream() {
  TTaskOptions& o = task_.Options;
  const AVCodec* codec =
      o.VideoStreamCopy ? nullptr : ChooseEncoder(o.VideoCodecName, AVMEDIA_TYPE_VIDEO);
  TCreatedOutputStream created = CreateStream(codec, AVMEDIA_TYPE_VIDEO, kVideo, o.VideoTag);
  AVCodecContext& enc = *created.Encoder;
  const bool wantsGlobal = output_.Context->oformat->flags & AVFMT_GLOBALHEADER;
  if ((o.VideoGlobalHeader & 1) || (o.VideoGlobalHeader == 0 && wantsGlobal))
    enc.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (o.VideoGlobalHeader & 2) enc.flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
  created.Copy = o.VideoStreamCopy;
  if (created.Copy) {
    enc.sample_aspect_ratio = SampleAspectRatio();
  } else {
    task_.ApplyGenericOptions(&enc, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
    if (codec) {
      enc.codec_id = codec->id;
      ConfigureVideoEncoder(enc, *codec);
    }
  }
  AVStream* st = AddToContainer(created);
  st->sample_aspect_ratio = output_.Streams.back().Encoder->sample_aspect_ratio;
  SetLanguage(*st, o.VideoLanguage);
  o.VideoDisable = false;
  o.VideoCodecName.clear();
  o.VideoStreamCopy = false;
  o.FramePixFmt = -1;
  o.FramePixFmtChosen = false;
}

void TStreamFactory::ConfigureVideoEncoder(AVCodecContext& enc, const AVCodec& codec) {
  TTaskOptions& o = task_.Options;
  AVRational rate{o.FrameRate.num, o.FrameRate.den};
  if (rate.num <= 0 || rate.den <= 0) rate = {25, 1};
  if (codec.supported_framerates && !o.ForceFps) {
    // The MPEG-1 encoder lists rates beyond the standard's eight but refuses them unless the
    // strictness is unofficial or lower: choose among the ones it will open with.
    static constexpr AVRational kMpeg1Rates[] = {{24000, 1001}, {24, 1}, {25, 1},
                                                 {30000, 1001}, {30, 1}, {50, 1},
                                                 {60000, 1001}, {60, 1}, {0, 0}};
    const AVRational* rates = codec.supported_framerates;
    if (codec.id == AV_CODEC_ID_MPEG1VIDEO && enc.strict_std_compliance > FF_COMPLIANCE_UNOFFICIAL)
      rates = kMpeg1Rates;
    rate = rates[api().av_find_nearest_q_idx(rate, rates)];
  }
  enc.framerate = rate;
  enc.time_base = av_inv_q(rate);
  enc.width = o.FrameWidth;
  enc.height = o.FrameHeight;
  enc.sample_aspect_ratio = SampleAspectRatio();
  const AVPixelFormat source = static_cast<AVPixelFormat>(o.FramePixFmt);
  enc.pix_fmt =
      EncoderPixelFormat(codec, enc, o.FramePixFmtChosen ? source : PlayableFormat(codec, source));
  if (o.IntraOnly) enc.gop_size = 0;
  if (o.VideoQScale != 0.0f || o.SameQuality) {
    enc.flags |= AV_CODEC_FLAG_QSCALE;
    enc.global_quality = static_cast<int>(FF_QP2LAMBDA * o.VideoQScale + 0.5f);
  }
  if (o.IntraMatrix) enc.intra_matrix = CopyMatrix(*o.IntraMatrix);
  if (o.InterMatrix) enc.inter_matrix = CopyMatrix(*o.InterMatrix);
  ParseRcOverride(o.RcOverride, enc);
  if (enc.rc_initial_buffer_occupancy == 0)
    enc.rc_initial_buffer_occupancy = enc.rc_buffer_size * 3 / 4;
  enc.intra_dc_precision = o.IntraDcPrecision - 8;
  if (o.DoPsnr) enc.flags |= AV_CODEC_FLAG_PSNR;
  if (o.DoPass == 1) enc.flags |= AV_CODEC_FLAG_PASS1;
  if (o.DoPass == 2) enc.flags |= AV_CODEC_FLAG_PASS2;
}

void TStreamFactory::NewAudioStream() {
  TTaskOptions& o = task_.Options;
  const AVCodec* codec =
      o.AudioStreamCopy ? nullptr : ChooseEncoder(o.AudioCodecName, AVMEDIA_TYPE_AUDIO);
  TCreatedOutputStream created = CreateStream(codec, AVMEDIA_TYPE_AUDIO, kAudio, o.AudioTag);
  AVCodecContext& enc = *created.Encoder;
  if (output_.Context->oformat->flags & AVFMT_GLOBALHEADER)
    enc.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  created.Copy = o.AudioStreamCopy;
  if (created.Copy) {
    api().av_channel_layout_default(&enc.ch_layout, o.AudioChannels);
    enc.sample_rate = o.AudioSampleRate;
  } else {
    task_.ApplyGenericOptions(&enc, AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
    if (codec) {
      enc.codec_id = codec->id;
      ConfigureAudioEncoder(enc, *codec);
    }
  }
  if (enc.sample_rate <= 0) enc.sample_rate = o.AudioSampleRate > 0 ? o.AudioSampleRate : 44100;
  enc.time_base = {1, enc.sample_rate};
  AVStream* st = AddToContainer(created);
  SetLanguage(*st, o.AudioLanguage);
  o.AudioDisable = false;
  o.AudioCodecName.clear();
  o.AudioStreamCopy = false;
}

void TStreamFactory::ConfigureAudioEncoder(AVCodecContext& enc, const AVCodec& codec) {
  TTaskOptions& o = task_.Options;
  if (o.AudioQScale > -99999.0f) {
    enc.flags |= AV_CODEC_FLAG_QSCALE;
    enc.global_quality = static_cast<int>(FF_QP2LAMBDA * o.AudioQScale);
  }
  const int channels = o.AudioChannels > 0 ? o.AudioChannels : 2;
  api().av_channel_layout_uninit(&enc.ch_layout);
  if (o.AudioChannelLayout && __builtin_popcountll(o.AudioChannelLayout) == channels)
    api().av_channel_layout_from_mask(&enc.ch_layout, o.AudioChannelLayout);
  else
    api().av_channel_layout_default(&enc.ch_layout, channels);
  FitChannelLayout(codec, enc.ch_layout);
  AVSampleFormat format = static_cast<AVSampleFormat>(o.AudioSampleFmt);
  if (codec.sample_fmts) {
    bool supported = false;
    for (const AVSampleFormat* f = codec.sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
      supported = supported || *f == format;
    if (!supported) format = codec.sample_fmts[0];
  } else if (format == AV_SAMPLE_FMT_NONE) {
    format = AV_SAMPLE_FMT_S16;
  }
  enc.sample_fmt = format;
  int rate = o.AudioSampleRate > 0 ? o.AudioSampleRate : 44100;
  // The AMR coders list no rates but open only with their one: telephone or wide band.
  static const int kNarrowBand[] = {8000, 0}, kWideBand[] = {16000, 0};
  const int* rates = codec.id == AV_CODEC_ID_AMR_NB   ? kNarrowBand
                     : codec.id == AV_CODEC_ID_AMR_WB ? kWideBand
                                                      : codec.supported_samplerates;
  if (rates) {
    int best = 0;
    bool exact = false;
    for (const int* r = rates; *r; ++r) {
      if (*r == rate) exact = true;
      if (!best || std::abs(*r - rate) < std::abs(best - rate)) best = *r;
    }
    if (!exact && best) {
      TEngineLogger::GetLogger().LogF(
          &task_, TLogLevel::llWarning,
          "Requested sampling rate unsupported using closest supported (%d)", best);
      rate = best;
    }
  }
  enc.sample_rate = rate;
}

void TStreamFactory::NewSubtitleStream() {
  TTaskOptions& o = task_.Options;
  const AVCodec* codec = nullptr;
  if (!o.SubtitleStreamCopy) codec = ChooseEncoder(o.SubtitleCodecName, AVMEDIA_TYPE_SUBTITLE);
  TCreatedOutputStream created =
      CreateStream(codec, AVMEDIA_TYPE_SUBTITLE, kSubtitle, o.SubtitleTag);
  created.Copy = o.SubtitleStreamCopy;
  if (!created.Copy) {
    task_.ApplyGenericOptions(created.Encoder.get(),
                              AV_OPT_FLAG_SUBTITLE_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
    created.Encoder->codec_id = codec ? codec->id : AV_CODEC_ID_NONE;
    created.Encoder->time_base = {1, 1000};  // display times are in milliseconds
  }
  AVStream* st = AddToContainer(created);
  SetLanguage(*st, o.SubtitleLanguage);
  o.SubtitleDisable = false;
  o.SubtitleCodecName.clear();
  o.SubtitleStreamCopy = false;
}

}  // namespace qarvo
