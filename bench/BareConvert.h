// A plain decode-scale-encode-mux loop written directly on the libraries, with the settings
// the engine uses, as the yardstick for the engine's own overhead. Bench-only: errors throw
// std::runtime_error and objects are owned by the same RAII types as in the engine.
#pragma once

#include <stdexcept>
#include <string>

#include "media/LibraryObjects.h"

namespace qarvo::bare {

struct TSettings {
  std::string VideoCodec;     // encoder name
  int Width = 0, Height = 0;  // 0: the source's
  std::string AudioCodec;
  int SampleRate = 0;  // 0: the source's
};

inline void Check(int result, const char* what) {
  if (result < 0) throw std::runtime_error(std::string(what) + " failed");
}

struct TLane {
  int In = -1;
  AVStream* Out = nullptr;
  TCodecContextPtr Dec, Enc;
};

inline void Write(AVFormatContext* oc, TLane& lane, AVPacket* pkt) {
  pkt->stream_index = lane.Out->index;
  api().av_packet_rescale_ts(pkt, lane.Enc->time_base, lane.Out->time_base);
  Check(api().av_interleaved_write_frame(oc, pkt), "write");
}

inline void Encode(AVFormatContext* oc, TLane& lane, AVFrame* frame, AVPacket* pkt) {
  Check(api().avcodec_send_frame(lane.Enc.get(), frame), "send frame");
  while (api().avcodec_receive_packet(lane.Enc.get(), pkt) >= 0) Write(oc, lane, pkt);
}

// Converts the first video and audio streams; returns the pictures encoded.
inline int Convert(const std::string& input, const std::string& output, const TSettings& s) {
  AVFormatContext* raw = nullptr;
  Check(api().avformat_open_input(&raw, input.c_str(), nullptr, nullptr), "open");
  TInputFormatContextPtr ic(raw);
  Check(api().avformat_find_stream_info(ic.get(), nullptr), "info");
  raw = nullptr;
  Check(api().avformat_alloc_output_context2(&raw, nullptr, nullptr, output.c_str()), "output");
  TOutputFormatContextPtr oc(raw);
  TLane video, audio;
  video.In = api().av_find_best_stream(ic.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  audio.In = api().av_find_best_stream(ic.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  for (TLane* lane : {&video, &audio}) {
    if (lane->In < 0) continue;
    AVStream* st = ic->streams[lane->In];
    const AVCodec* dec = api().avcodec_find_decoder(st->codecpar->codec_id);
    lane->Dec.reset(api().avcodec_alloc_context3(dec));
    api().avcodec_parameters_to_context(lane->Dec.get(), st->codecpar);
    lane->Dec->pkt_timebase = st->time_base;
    lane->Dec->thread_count = 1;
    Check(api().avcodec_open2(lane->Dec.get(), dec, nullptr), "open decoder");
    const bool isVideo = lane == &video;
    const AVCodec* enc =
        api().avcodec_find_encoder_by_name((isVideo ? s.VideoCodec : s.AudioCodec).c_str());
    if (!enc) throw std::runtime_error("no encoder");
    lane->Enc.reset(api().avcodec_alloc_context3(enc));
    AVCodecContext* e = lane->Enc.get();
    e->thread_count = 1;
    if (oc->oformat->flags & AVFMT_GLOBALHEADER) e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (isVideo) {
      e->width = s.Width ? s.Width : lane->Dec->width;
      e->height = s.Height ? s.Height : lane->Dec->height;
      e->pix_fmt = enc->pix_fmts ? enc->pix_fmts[0] : AV_PIX_FMT_YUV420P;
      e->time_base = av_inv_q(st->r_frame_rate);
      e->framerate = st->r_frame_rate;
      e->sample_aspect_ratio = {1, 1};
    } else {
      e->sample_rate = s.SampleRate ? s.SampleRate : lane->Dec->sample_rate;
      e->sample_fmt = enc->sample_fmts ? enc->sample_fmts[0] : AV_SAMPLE_FMT_S16;
      api().av_channel_layout_copy(&e->ch_layout, &lane->Dec->ch_layout);
      e->time_base = {1, e->sample_rate};
    }
    Check(api().avcodec_open2(e, enc, nullptr), "open encoder");
    lane->Out = api().avformat_new_stream(oc.get(), nullptr);
    api().avcodec_parameters_from_context(lane->Out->codecpar, e);
    lane->Out->time_base = e->time_base;
  }
  Check(api().avio_open(&oc->pb, output.c_str(), AVIO_FLAG_WRITE), "avio_open");
  Check(api().avformat_write_header(oc.get(), nullptr), "header");

  TSwsContextPtr sws(api().sws_getContext(video.Dec->width, video.Dec->height, video.Dec->pix_fmt,
                                          video.Enc->width, video.Enc->height, video.Enc->pix_fmt,
                                          SWS_BICUBIC, nullptr, nullptr, nullptr));
  SwrContext* swrRaw = nullptr;
  Check(api().swr_alloc_set_opts2(&swrRaw, &audio.Enc->ch_layout, audio.Enc->sample_fmt,
                                  audio.Enc->sample_rate, &audio.Dec->ch_layout,
                                  audio.Dec->sample_fmt, audio.Dec->sample_rate, 0, nullptr),
        "swr");
  TSwrContextPtr swr(swrRaw);
  Check(api().swr_init(swr.get()), "swr init");
  TAudioFifoPtr fifo(
      api().av_audio_fifo_alloc(audio.Enc->sample_fmt, audio.Enc->ch_layout.nb_channels, 4096));
  TFramePtr decoded = MakeFrame(), scaled = MakeFrame(), converted = MakeFrame(),
            chunk = MakeFrame();
  TPacketPtr pkt = MakePacket(), out = MakePacket();
  int pictures = 0;
  int64_t samples = 0;
  const int frameSize = audio.Enc->frame_size > 0 ? audio.Enc->frame_size : 1024;

  const auto sendAudio = [&](bool last) {
    while (api().av_audio_fifo_size(fifo.get()) >= frameSize ||
           (last && api().av_audio_fifo_size(fifo.get()) > 0)) {
      const int n = std::min(frameSize, api().av_audio_fifo_size(fifo.get()));
      api().av_frame_unref(chunk.get());
      chunk->nb_samples = n;
      chunk->format = audio.Enc->sample_fmt;
      chunk->sample_rate = audio.Enc->sample_rate;
      api().av_channel_layout_copy(&chunk->ch_layout, &audio.Enc->ch_layout);
      Check(api().av_frame_get_buffer(chunk.get(), 0), "audio buffer");
      api().av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(chunk->extended_data), n);
      chunk->pts = samples;
      samples += n;
      Encode(oc.get(), audio, chunk.get(), out.get());
    }
  };
  const auto handle = [&](TLane& lane, AVPacket* packet) {
    api().avcodec_send_packet(lane.Dec.get(), packet);  // a damaged packet is skipped
    while (api().avcodec_receive_frame(lane.Dec.get(), decoded.get()) >= 0) {
      if (&lane == &video) {
        api().av_frame_unref(scaled.get());
        scaled->format = video.Enc->pix_fmt;
        scaled->width = video.Enc->width;
        scaled->height = video.Enc->height;
        Check(api().av_frame_get_buffer(scaled.get(), 0), "picture buffer");
        api().sws_scale(sws.get(), decoded->data, decoded->linesize, 0, decoded->height,
                        scaled->data, scaled->linesize);
        scaled->pts = pictures++;
        Encode(oc.get(), video, scaled.get(), out.get());
      } else {
        const int capacity = api().swr_get_out_samples(swr.get(), decoded->nb_samples);
        api().av_frame_unref(converted.get());
        converted->nb_samples = capacity;
        converted->format = audio.Enc->sample_fmt;
        api().av_channel_layout_copy(&converted->ch_layout, &audio.Enc->ch_layout);
        Check(api().av_frame_get_buffer(converted.get(), 0), "converted buffer");
        const int made = api().swr_convert(swr.get(), converted->extended_data, capacity,
                                           const_cast<const uint8_t**>(decoded->extended_data),
                                           decoded->nb_samples);
        api().av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(converted->extended_data),
                                  made);
        sendAudio(false);
      }
      api().av_frame_unref(decoded.get());
    }
  };
  while (api().av_read_frame(ic.get(), pkt.get()) >= 0) {
    if (pkt->stream_index == video.In)
      handle(video, pkt.get());
    else if (pkt->stream_index == audio.In)
      handle(audio, pkt.get());
    api().av_packet_unref(pkt.get());
  }
  handle(video, nullptr);
  handle(audio, nullptr);
  sendAudio(true);
  Encode(oc.get(), video, nullptr, out.get());
  Encode(oc.get(), audio, nullptr, out.get());
  Check(api().av_write_trailer(oc.get()), "trailer");
  return pictures;
}

}  // namespace qarvo::bare
