#include "support/ClipEncoder.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "media/CodecLock.h"

#include "support/TestMediaError.h"

namespace qarvo {

TClipEncoder::TClipEncoder(AVFormatContext& output, const std::string& codecName)
    : output_(output), name_(codecName) {
  codec_ = api().avcodec_find_encoder_by_name(codecName.c_str());
  if (!codec_)
    throw std::runtime_error("avcodec_find_encoder_by_name(" + codecName + "): Unknown encoder");
  context_.reset(api().avcodec_alloc_context3(codec_));
  packet_ = MakePacket();
  if (!context_ || !packet_)
    throw std::runtime_error(Call("avcodec_alloc_context3") + ": out of memory");
}

std::string TClipEncoder::Call(const char* name) const {
  return std::string(name) + "(" + name_ + ")";
}

void TClipEncoder::Open(TDictionary options) {
  AVCodecContext& c = *context_;
  // One thread and bit-exact coding make a spec produce the same bytes on every run.
  c.thread_count = 1;
  c.flags |= AV_CODEC_FLAG_BITEXACT;
  if (output_.oformat->flags & AVFMT_GLOBALHEADER) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  {
    TCodecLockGuard lock;
    CheckAv(api().avcodec_open2(&c, codec_, options.Address()), Call("avcodec_open2"));
  }
  if (options.Count() > 0) {
    const AVDictionaryEntry* left =
        api().av_dict_get(options.Raw(), "", nullptr, AV_DICT_IGNORE_SUFFIX);
    throw std::runtime_error(Call("avcodec_open2") + ": option not taken: " + left->key);
  }
  stream_ = api().avformat_new_stream(&output_, nullptr);
  if (!stream_) throw std::runtime_error(Call("avformat_new_stream") + ": out of memory");
  CheckAv(api().avcodec_parameters_from_context(stream_->codecpar, &c),
          Call("avcodec_parameters_from_context"));
  stream_->time_base = c.time_base;
  if (c.codec_type == AVMEDIA_TYPE_VIDEO) {
    stream_->avg_frame_rate = c.framerate;
    stream_->r_frame_rate = c.framerate;
    stream_->sample_aspect_ratio = c.sample_aspect_ratio;
  }
}

int64_t TClipEncoder::PictureTicks() const {
  if (context_->framerate.num <= 0) return 1;
  return std::max<int64_t>(
      1, api().av_rescale_q(1, av_inv_q(context_->framerate), context_->time_base));
}

void TClipEncoder::Step() {
  if (finished_) return;
  const AVFrame* frame = source_ ? source_() : nullptr;
  Encode(frame);
  if (!frame) {
    finished_ = true;
    return;
  }
  const int64_t length =
      context_->codec_type == AVMEDIA_TYPE_AUDIO ? frame->nb_samples : PictureTicks();
  position_ = static_cast<double>(frame->pts + length) * av_q2d(context_->time_base);
}

void TClipEncoder::Encode(const AVFrame* frame) {
  CheckAv(api().avcodec_send_frame(context_.get(), frame), Call("avcodec_send_frame"));
  for (;;) {
    const int rc = api().avcodec_receive_packet(context_.get(), packet_.get());
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return;
    CheckAv(rc, Call("avcodec_receive_packet"));
    WritePacket();
  }
}

void TClipEncoder::WritePacket() {
  AVPacket& p = *packet_;
  // A picture lasts one frame; a known duration lets the muxers end the last picture.
  if (context_->codec_type == AVMEDIA_TYPE_VIDEO && p.duration == 0) p.duration = PictureTicks();
  if (withoutDurations_) p.duration = 0;
  if (!offsetKnown_) {
    offset_ = startAtZero_ && p.dts != AV_NOPTS_VALUE && p.dts < 0 ? -p.dts : 0;
    offset_ += std::llround(shift_ / av_q2d(context_->time_base));
    offsetKnown_ = true;
  }
  if (p.pts != AV_NOPTS_VALUE) p.pts += offset_;
  if (p.dts != AV_NOPTS_VALUE) p.dts += offset_;
  const AVRational tb = context_->time_base;
  if (strayBy_ != 0.0 && !strayDone_ && p.pts != AV_NOPTS_VALUE && p.pts * av_q2d(tb) >= strayAt_) {
    strayDone_ = true;
    const int64_t by = std::llround(strayBy_ / av_q2d(tb));
    p.pts += by;
    if (strayDecoding_ && p.dts != AV_NOPTS_VALUE) p.dts += by;
  }
  api().av_packet_rescale_ts(&p, context_->time_base, stream_->time_base);
  p.stream_index = stream_->index;
  CheckAv(api().av_interleaved_write_frame(&output_, &p), Call("av_interleaved_write_frame"));
}

}  // namespace qarvo
