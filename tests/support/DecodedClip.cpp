#include "support/DecodedClip.h"

#include <stdexcept>

#include "media/CodecLock.h"
#include "media/LibraryObjects.h"

#include "support/TestMediaError.h"
#include "support/TestPicture.h"

namespace qarvo {
namespace {

// Decoder state of one stream.
struct TStreamReader {
  AVStream* Stream = nullptr;
  TCodecContextPtr Context;
  TSwsContextPtr ToGrey;  // for pictures whose first plane is not 8-bit luma
  TFramePtr Grey;
  TSwrContextPtr ToS16;
  TDecodedStream* Out = nullptr;
  bool SawSamples = false;
};

double Seconds(int64_t ts, AVRational base) {
  return ts == AV_NOPTS_VALUE ? 0.0 : static_cast<double>(ts) * av_q2d(base);
}

bool HasLumaPlane(AVPixelFormat format) {
  const AVPixFmtDescriptor* d = api().av_pix_fmt_desc_get(format);
  return d &&
         !(d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM |
                       AV_PIX_FMT_FLAG_HWACCEL)) &&
         d->comp[0].depth == 8 && d->comp[0].step == 1 && d->comp[0].plane == 0;
}

void KeepFirstPicture(TDecodedStream& out, const AVFrame& frame) {
  const int w = frame.width, h = frame.height;
  TSwsContextPtr convert(api().sws_getContext(w, h, static_cast<AVPixelFormat>(frame.format), w, h,
                                              AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr,
                                              nullptr));
  if (!convert) throw std::runtime_error("sws_getContext(to yuv420p): not supported");
  out.FirstPicture.resize(api().av_image_get_buffer_size(AV_PIX_FMT_YUV420P, w, h, 1));
  uint8_t* planes[4] = {};
  int linesizes[4] = {};
  CheckAv(api().av_image_fill_arrays(planes, linesizes, out.FirstPicture.data(), AV_PIX_FMT_YUV420P,
                                     w, h, 1),
          "av_image_fill_arrays(yuv420p)");
  api().sws_scale(convert.get(), frame.data, frame.linesize, 0, h, planes, linesizes);
}

void TakePicture(TStreamReader& r, const AVFrame& frame) {
  const uint8_t* luma = frame.data[0];
  int linesize = frame.linesize[0];
  if (!HasLumaPlane(static_cast<AVPixelFormat>(frame.format))) {
    if (!r.ToGrey) {
      r.ToGrey.reset(api().sws_getContext(
          frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), frame.width,
          frame.height, AV_PIX_FMT_GRAY8, SWS_POINT, nullptr, nullptr, nullptr));
      r.Grey = MakeFrame();
      if (!r.ToGrey || !r.Grey) throw std::runtime_error("sws_getContext(to gray): not supported");
      r.Grey->format = AV_PIX_FMT_GRAY8;
      r.Grey->width = frame.width;
      r.Grey->height = frame.height;
      CheckAv(api().av_frame_get_buffer(r.Grey.get(), 0), "av_frame_get_buffer(gray)");
    }
    api().sws_scale(r.ToGrey.get(), frame.data, frame.linesize, 0, frame.height, r.Grey->data,
                    r.Grey->linesize);
    luma = r.Grey->data[0];
    linesize = r.Grey->linesize[0];
  }
  if (r.Out->FrameNumbers.empty()) KeepFirstPicture(*r.Out, frame);
  r.Out->FrameNumbers.push_back(ReadFrameNumber(luma, linesize, frame.width, frame.height));
  r.Out->FrameTimes.push_back(Seconds(frame.best_effort_timestamp, r.Stream->time_base));
}

void TakeSamples(TStreamReader& r, const AVFrame& frame) {
  if (!r.ToS16) {
    AVChannelLayout layout = frame.ch_layout;  // non-const pointers in this library version
    SwrContext* swr = nullptr;
    CheckAv(api().swr_alloc_set_opts2(&swr, &layout, AV_SAMPLE_FMT_S16, frame.sample_rate, &layout,
                                      static_cast<AVSampleFormat>(frame.format), frame.sample_rate,
                                      0, nullptr),
            "swr_alloc_set_opts2");
    r.ToS16.reset(swr);
    CheckAv(api().swr_init(swr), "swr_init");
  }
  if (!r.SawSamples) {
    r.Out->FirstSampleTime = Seconds(frame.best_effort_timestamp, r.Stream->time_base);
    r.SawSamples = true;
  }
  const int channels = frame.ch_layout.nb_channels;
  const size_t start = r.Out->Samples.size();
  r.Out->Samples.resize(start + static_cast<size_t>(frame.nb_samples) * channels);
  auto* out = reinterpret_cast<uint8_t*>(r.Out->Samples.data() + start);
  const int done =
      CheckAv(api().swr_convert(r.ToS16.get(), &out, frame.nb_samples,
                                const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples),
              "swr_convert");
  r.Out->Samples.resize(start + static_cast<size_t>(done) * channels);
}

void ReceiveFrames(TStreamReader& r, AVFrame& frame) {
  for (;;) {
    const int rc = api().avcodec_receive_frame(r.Context.get(), &frame);
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return;
    CheckAv(rc, "avcodec_receive_frame");
    if (r.Out->Type == AVMEDIA_TYPE_VIDEO)
      TakePicture(r, frame);
    else
      TakeSamples(r, frame);
    api().av_frame_unref(&frame);
  }
}

TStreamReader OpenReader(AVFormatContext& input, AVStream& stream, TDecodedStream& out) {
  TStreamReader r;
  r.Stream = &stream;
  r.Out = &out;
  const AVCodecParameters& par = *stream.codecpar;
  out.Type = par.codec_type;
  out.Codec = par.codec_id;
  if (par.codec_type != AVMEDIA_TYPE_VIDEO && par.codec_type != AVMEDIA_TYPE_AUDIO) return r;
  out.Width = par.width;
  out.Height = par.height;
  out.FrameRate = api().av_guess_frame_rate(&input, &stream, nullptr);
  out.SampleAspect =
      stream.sample_aspect_ratio.num ? stream.sample_aspect_ratio : par.sample_aspect_ratio;
  out.SampleRate = par.sample_rate;
  out.Channels = par.ch_layout.nb_channels;
  const AVCodec* codec = api().avcodec_find_decoder(par.codec_id);
  if (!codec)
    throw std::runtime_error(std::string("avcodec_find_decoder(") +
                             api().avcodec_get_name(par.codec_id) + "): no decoder");
  r.Context.reset(api().avcodec_alloc_context3(codec));
  if (!r.Context) throw std::runtime_error("avcodec_alloc_context3: out of memory");
  CheckAv(api().avcodec_parameters_to_context(r.Context.get(), &par),
          "avcodec_parameters_to_context");
  r.Context->pkt_timebase = stream.time_base;
  TCodecLockGuard lock;
  CheckAv(api().avcodec_open2(r.Context.get(), codec, nullptr),
          std::string("avcodec_open2(") + codec->name + ")");
  return r;
}

}  // namespace

TDecodedClip DecodeClip(const std::string& path) {
  LoadMediaLibraries();
  AVFormatContext* raw = nullptr;
  CheckAv(api().avformat_open_input(&raw, path.c_str(), nullptr, nullptr),
          "avformat_open_input(" + path + ")");
  TInputFormatContextPtr input(raw);
  {
    TCodecLockGuard lock;
    CheckAv(api().avformat_find_stream_info(input.get(), nullptr),
            "avformat_find_stream_info(" + path + ")");
  }
  TDecodedClip clip;
  clip.FormatName = input->iformat->name;
  if (input->duration != AV_NOPTS_VALUE)
    clip.Duration = static_cast<double>(input->duration) / AV_TIME_BASE;
  if (input->start_time != AV_NOPTS_VALUE)
    clip.StartTime = static_cast<double>(input->start_time) / AV_TIME_BASE;
  clip.Streams.resize(input->nb_streams);
  std::vector<TStreamReader> readers;
  for (unsigned i = 0; i < input->nb_streams; ++i)
    readers.push_back(OpenReader(*input, *input->streams[i], clip.Streams[i]));
  TPacketPtr packet = MakePacket();
  TFramePtr frame = MakeFrame();
  if (!packet || !frame) throw std::runtime_error("av_packet_alloc: out of memory");
  for (;;) {
    const int rc = api().av_read_frame(input.get(), packet.get());
    if (rc == AVERROR_EOF) break;
    CheckAv(rc, "av_read_frame(" + path + ")");
    TStreamReader& r = readers.at(packet->stream_index);
    if (r.Context) {
      CheckAv(api().avcodec_send_packet(r.Context.get(), packet.get()), "avcodec_send_packet");
      ReceiveFrames(r, *frame);
    }
    api().av_packet_unref(packet.get());
  }
  for (TStreamReader& r : readers) {
    if (!r.Context) continue;
    CheckAv(api().avcodec_send_packet(r.Context.get(), nullptr), "avcodec_send_packet(drain)");
    ReceiveFrames(r, *frame);
  }
  return clip;
}

}  // namespace qarvo
