#include "support/VideoClipSource.h"

#include <algorithm>
#include <stdexcept>

#include "support/TestMediaError.h"
#include "support/TestPicture.h"

namespace qarvo {

TVideoClipSource::TVideoClipSource(const AVCodecContext& encoder, int64_t frames, bool marker,
                                   bool grain, bool pattern)
    : width_(encoder.width),
      height_(encoder.height),
      format_(encoder.pix_fmt),
      frameRate_(av_q2d(encoder.framerate)),
      ticks_(std::max<int64_t>(
          1, api().av_rescale_q(1, av_inv_q(encoder.framerate), encoder.time_base))),
      rate_(encoder.framerate),
      clock_(encoder.time_base),
      frames_(frames),
      marker_(marker),
      grain_(grain),
      pattern_(pattern) {
  if (format_ == AV_PIX_FMT_YUV420P) return;
  drawn_ = NewFrame(AV_PIX_FMT_YUV420P);
  scaler_.reset(api().sws_getContext(width_, height_, AV_PIX_FMT_YUV420P, width_, height_, format_,
                                     SWS_POINT | SWS_BITEXACT, nullptr, nullptr, nullptr));
  if (!scaler_) {
    const char* name = api().av_get_pix_fmt_name(format_);
    throw std::runtime_error(std::string("sws_getContext(yuv420p to ") + (name ? name : "?") +
                             "): conversion not supported");
  }
}

TFramePtr TVideoClipSource::NewFrame(AVPixelFormat format) const {
  TFramePtr frame = MakeFrame();
  if (!frame) throw std::runtime_error("av_frame_alloc: out of memory");
  frame->format = format;
  frame->width = width_;
  frame->height = height_;
  CheckAv(api().av_frame_get_buffer(frame.get(), 0), "av_frame_get_buffer(video)");
  return frame;
}

void TVideoClipSource::Draw(AVFrame& frame) const {
  if (pattern_)
    DrawPositionPattern(frame);
  else
    DrawTestPicture(frame, index_, frameRate_);
  if (grain_) AddSensorGrain(frame, index_);
  if (marker_) DrawCornerMarker(frame);
}

const AVFrame* TVideoClipSource::Next() {
  if (index_ >= frames_) return nullptr;
  // A fresh frame each time: the encoder may still hold the previous one.
  current_ = NewFrame(format_);
  if (scaler_) {
    Draw(*drawn_);
    const int rc = api().sws_scale(scaler_.get(), drawn_->data, drawn_->linesize, 0, height_,
                                   current_->data, current_->linesize);
    if (rc != height_)
      throw std::runtime_error("sws_scale: converted " + std::to_string(rc) + " rows");
  } else {
    Draw(*current_);
  }
  // A clock finer than the rate rounds each picture's own time, as a millisecond writer does.
  current_->pts =
      rate_.num > 0 ? api().av_rescale_q(index_, av_inv_q(rate_), clock_) : index_ * ticks_;
  ++index_;
  return current_.get();
}

}  // namespace qarvo
