#include "engine/hook/TUprightTurn.h"

#include "base/EngineError.h"
#include "media/TVideoFilterGraph.h"

namespace qarvo {

TUprightTurn::TUprightTurn(int rotation)
    : rotation_(rotation == 90 || rotation == 180 || rotation == 270 ? rotation : 0) {}

TUprightTurn::~TUprightTurn() = default;

void TUprightTurn::Apply(AVFrame& picture) {
  if (!rotation_) return;
  if (!graph_ || picture.width != width_ || picture.height != height_ ||
      picture.format != format_) {
    TGraphSpec spec;
    spec.Width = picture.width;
    spec.Height = picture.height;
    spec.PixFmt = static_cast<AVPixelFormat>(picture.format);
    spec.SampleAspect = picture.sample_aspect_ratio;
    spec.Rotation = rotation_;
    spec.OutPixFmt = spec.PixFmt;
    graph_ = std::make_unique<TVideoFilterGraph>(spec);
    width_ = picture.width;
    height_ = picture.height;
    format_ = picture.format;
  }
  if (!turned_) turned_ = MakeFrame();
  graph_->Push(&picture);
  // One picture in, one out: the turn holds nothing back.
  if (!graph_->Pull(*turned_)) throw EEngineError("Error while turning a picture upright");
  const AVRational shape = picture.sample_aspect_ratio;
  api().av_frame_unref(&picture);
  api().av_frame_move_ref(&picture, turned_.get());
  // A picture without a stated shape stays without one.
  if (shape.num <= 0 || shape.den <= 0) picture.sample_aspect_ratio = shape;
}

}  // namespace qarvo
