#include "support/AudioClipSource.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "support/TestMediaError.h"

namespace qarvo {
namespace {

constexpr int kVariableFrameSize = 1024;

}  // namespace

TAudioClipSource::TAudioClipSource(const AVCodecContext& encoder, const TToneSpec& tone,
                                   int64_t samples)
    : encoder_(encoder), tone_(tone), samples_(samples) {
  const bool variable = encoder.codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
  frameSize_ = encoder.frame_size > 0 && !variable ? encoder.frame_size : kVariableFrameSize;
  rendered_.resize(static_cast<size_t>(frameSize_) * tone.Channels);
  if (encoder.sample_fmt == AV_SAMPLE_FMT_S16) return;
  // This library version takes the layouts through non-const pointers.
  AVChannelLayout layout = encoder.ch_layout;
  SwrContext* swr = nullptr;
  CheckAv(api().swr_alloc_set_opts2(&swr, &layout, encoder.sample_fmt, tone.SampleRate, &layout,
                                    AV_SAMPLE_FMT_S16, tone.SampleRate, 0, nullptr),
          "swr_alloc_set_opts2");
  converter_.reset(swr);
  CheckAv(api().swr_init(swr), "swr_init");
}

const AVFrame* TAudioClipSource::Next() {
  if (position_ >= samples_) return nullptr;
  const int count = static_cast<int>(std::min<int64_t>(frameSize_, samples_ - position_));
  current_ = MakeFrame();
  if (!current_) throw std::runtime_error("av_frame_alloc: out of memory");
  current_->format = encoder_.sample_fmt;
  current_->sample_rate = encoder_.sample_rate;
  current_->nb_samples = count;
  CheckAv(api().av_channel_layout_copy(&current_->ch_layout, &encoder_.ch_layout),
          "av_channel_layout_copy");
  CheckAv(api().av_frame_get_buffer(current_.get(), 0), "av_frame_get_buffer(audio)");
  RenderTone(tone_, position_, count, rendered_.data());
  if (converter_) {
    const auto* in = reinterpret_cast<const uint8_t*>(rendered_.data());
    const int rc = CheckAv(api().swr_convert(converter_.get(), current_->data, count, &in, count),
                           "swr_convert");
    if (rc != count)
      throw std::runtime_error("swr_convert: converted " + std::to_string(rc) + " samples");
  } else {
    std::memcpy(current_->data[0], rendered_.data(),
                static_cast<size_t>(count) * tone_.Channels * 2);
  }
  current_->pts = position_;
  position_ += count;
  return current_.get();
}

}  // namespace qarvo
