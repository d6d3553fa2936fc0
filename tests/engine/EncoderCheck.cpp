#include "EncoderCheck.h"

#include "support/TestPicture.h"

namespace qarvo {

namespace {

std::string LibraryText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  api().av_strerror(code, text, sizeof text);
  return text;
}

std::string Drain(AVCodecContext* ctx, AVPacket* packet) {
  for (;;) {
    const int r = api().avcodec_receive_packet(ctx, packet);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return {};
    if (r < 0) return "avcodec_receive_packet: " + LibraryText(r);
    api().av_packet_unref(packet);
  }
}

}  // namespace

TCodecContextPtr MakeEncoderContext(const AVCodec* codec, int width, int height) {
  TCodecContextPtr ctx(api().avcodec_alloc_context3(codec));
  if (codec->type == AVMEDIA_TYPE_VIDEO) {
    ctx->width = width;
    ctx->height = height;
    ctx->time_base = {1, 25};
    ctx->framerate = {25, 1};
    ctx->pix_fmt = codec->pix_fmts ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
  } else if (codec->type == AVMEDIA_TYPE_AUDIO) {
    ctx->sample_rate = 48000;
    ctx->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    api().av_channel_layout_default(&ctx->ch_layout, 2);
    ctx->time_base = {1, 48000};
  }
  return ctx;
}

std::string OpenAndEncode(AVCodecContext* ctx, const AVCodec* codec, TDictionary privateOptions,
                          int frames) {
  int r = api().avcodec_open2(ctx, codec, privateOptions.Address());
  if (r < 0) return "avcodec_open2: " + LibraryText(r);
  if (privateOptions.Count() > 0) {
    const AVDictionaryEntry* e =
        api().av_dict_get(privateOptions.Raw(), "", nullptr, AV_DICT_IGNORE_SUFFIX);
    return std::string("option not used: ") + e->key;
  }
  TFramePtr frame = MakeFrame();
  TPacketPtr packet = MakePacket();
  if (ctx->codec_type == AVMEDIA_TYPE_VIDEO) {
    frame->format = ctx->pix_fmt;
    frame->width = ctx->width;
    frame->height = ctx->height;
  } else {
    frame->format = ctx->sample_fmt;
    frame->nb_samples = ctx->frame_size > 0 ? ctx->frame_size : 1024;
    frame->sample_rate = ctx->sample_rate;
    api().av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
  }
  if ((r = api().av_frame_get_buffer(frame.get(), 0)) < 0) return "frame: " + LibraryText(r);
  for (int i = 0; i < frames; ++i) {
    if ((r = api().av_frame_make_writable(frame.get())) < 0) return "writable: " + LibraryText(r);
    if (ctx->codec_type == AVMEDIA_TYPE_VIDEO && frame->format == AV_PIX_FMT_YUV420P)
      DrawTestPicture(*frame, i, 25.0);
    else if (ctx->codec_type == AVMEDIA_TYPE_AUDIO)
      api().av_samples_set_silence(frame->data, 0, frame->nb_samples, frame->ch_layout.nb_channels,
                                   static_cast<AVSampleFormat>(frame->format));
    frame->pts = ctx->codec_type == AVMEDIA_TYPE_VIDEO ? i : int64_t(i) * frame->nb_samples;
    if ((r = api().avcodec_send_frame(ctx, frame.get())) < 0)
      return "avcodec_send_frame: " + LibraryText(r);
    if (std::string e = Drain(ctx, packet.get()); !e.empty()) return e;
  }
  if ((r = api().avcodec_send_frame(ctx, nullptr)) < 0) return "flush: " + LibraryText(r);
  return Drain(ctx, packet.get());
}

}  // namespace qarvo
