#include "support/DirectEncode.h"

#include <stdexcept>

#include "media/CodecLock.h"
#include "media/LibraryObjects.h"

#include "support/PicturePsnr.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

// The encoder and the file it writes, opened on the first picture (its size and rate).
class TDirectWriter {
 public:
  TDirectWriter(std::string output, const TDirectEncoding& settings)
      : output_(std::move(output)), settings_(settings) {}

  void Open(const AVFrame& picture, const AVStream& source) {
    const AVCodec* codec = api().avcodec_find_encoder_by_name(settings_.Encoder.c_str());
    if (!codec) throw std::runtime_error("no encoder " + settings_.Encoder);
    AVFormatContext* raw = nullptr;
    CheckAv(api().avformat_alloc_output_context2(&raw, nullptr, nullptr, output_.c_str()),
            "avformat_alloc_output_context2(" + output_ + ")");
    container_.reset(raw);
    encoder_.reset(api().avcodec_alloc_context3(codec));
    if (!encoder_) throw std::runtime_error("avcodec_alloc_context3: out of memory");
    AVCodecContext* e = encoder_.get();
    e->width = picture.width;
    e->height = picture.height;
    e->pix_fmt = settings_.PixelFormat;
    const AVRational rate = source.r_frame_rate.num > 0 ? source.r_frame_rate : AVRational{25, 1};
    e->framerate = rate;
    e->time_base = av_inv_q(rate);
    e->sample_aspect_ratio = {1, 1};
    e->thread_count = settings_.Threads;
    if (container_->oformat->flags & AVFMT_GLOBALHEADER) e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    TDictionary options;
    // "vb" is the engine's name of the library's "b".
    for (const auto& [name, value] : settings_.Options)
      options.Set(name == "vb" ? "b" : name.c_str(), value.c_str());
    {
      TCodecLockGuard lock;
      CheckAv(api().avcodec_open2(e, codec, options.Address()),
              "avcodec_open2(" + settings_.Encoder + ")");
    }
    if (options.Count() > 0) {
      // An encoder closed before the end of its stream may wait for it for ever (SVT-AV1).
      CheckAv(api().avcodec_send_frame(e, nullptr), "avcodec_send_frame(end)");
      throw std::runtime_error(
          settings_.Encoder + " does not take the option " +
          api().av_dict_get(options.Raw(), "", nullptr, AV_DICT_IGNORE_SUFFIX)->key);
    }
    stream_ = api().avformat_new_stream(container_.get(), nullptr);
    if (!stream_) throw std::runtime_error("avformat_new_stream: out of memory");
    CheckAv(api().avcodec_parameters_from_context(stream_->codecpar, e),
            "avcodec_parameters_from_context");
    stream_->time_base = e->time_base;
    CheckAv(api().avio_open(&container_->pb, output_.c_str(), AVIO_FLAG_WRITE),
            "avio_open(" + output_ + ")");
    CheckAv(api().avformat_write_header(container_.get(), nullptr), "avformat_write_header");
    converted_ = MakeFrame();
    packet_ = MakePacket();
  }

  void Encode(AVFrame& picture, const AVStream& source) {
    if (!encoder_) Open(picture, source);
    AVFrame* sent = &picture;
    if (picture.format != settings_.PixelFormat) sent = Convert(picture);
    sent->pts = count_++;
    sent->pict_type = AV_PICTURE_TYPE_NONE;
    Send(sent);
  }

  int Finish() {
    if (!encoder_) throw std::runtime_error("no pictures in the source");
    Send(nullptr);
    CheckAv(api().av_write_trailer(container_.get()), "av_write_trailer");
    return static_cast<int>(count_);
  }

 private:
  AVFrame* Convert(const AVFrame& picture) {
    if (!scaler_)
      scaler_.reset(api().sws_getContext(
          picture.width, picture.height, static_cast<AVPixelFormat>(picture.format), picture.width,
          picture.height, settings_.PixelFormat, SWS_LANCZOS | SWS_ACCURATE_RND, nullptr, nullptr,
          nullptr));
    if (!scaler_) throw std::runtime_error("sws_getContext: conversion not supported");
    api().av_frame_unref(converted_.get());
    converted_->format = settings_.PixelFormat;
    converted_->width = picture.width;
    converted_->height = picture.height;
    CheckAv(api().av_frame_get_buffer(converted_.get(), 0), "av_frame_get_buffer");
    api().sws_scale(scaler_.get(), picture.data, picture.linesize, 0, picture.height,
                    converted_->data, converted_->linesize);
    return converted_.get();
  }

  void Send(AVFrame* picture) {
    CheckAv(api().avcodec_send_frame(encoder_.get(), picture), "avcodec_send_frame");
    int result = 0;
    while ((result = api().avcodec_receive_packet(encoder_.get(), packet_.get())) >= 0) {
      packet_->stream_index = stream_->index;
      // A picture lasts one frame; MP4 would otherwise cut the last one from its edit list.
      if (packet_->duration <= 0) packet_->duration = 1;
      api().av_packet_rescale_ts(packet_.get(), encoder_->time_base, stream_->time_base);
      CheckAv(api().av_interleaved_write_frame(container_.get(), packet_.get()),
              "av_interleaved_write_frame");
    }
    if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
      CheckAv(result, "avcodec_receive_packet");
  }

  std::string output_;
  const TDirectEncoding& settings_;
  TOutputFormatContextPtr container_;
  TCodecContextPtr encoder_;
  AVStream* stream_ = nullptr;
  TSwsContextPtr scaler_;
  TFramePtr converted_;
  TPacketPtr packet_;
  int64_t count_ = 0;
};

}  // namespace

int EncodeDirect(const std::string& source, const std::string& output,
                 const TDirectEncoding& settings) {
  TDirectWriter writer(output, settings);
  ForEachPicture(source,
                 [&](AVFrame& picture, const AVStream& stream) { writer.Encode(picture, stream); });
  return writer.Finish();
}

}  // namespace qarvo
