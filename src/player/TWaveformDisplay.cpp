#include "player/TWaveformDisplay.h"

#include <algorithm>
#include <cstring>

namespace qarvo {

bool TWaveformDisplay::Prepare(int width, int height) {
  if (width < 2 || height < 2) return false;
  if (picture_ && picture_->width == width && picture_->height == height) return true;
  picture_ = MakeFrame();
  picture_->width = width;
  picture_->height = height;
  picture_->format = AV_PIX_FMT_YUV420P;
  if (api().av_frame_get_buffer(picture_.get(), 0) < 0) {
    picture_.reset();
    return false;
  }
  return true;
}

int TWaveformDisplay::AlignedStart(const std::vector<int16_t>& samples, int channels, int window) {
  const int frames = static_cast<int>(samples.size()) / std::max(1, channels);
  auto at = [&](int frame) { return static_cast<int>(samples[frame * channels]); };
  int best = 0;
  int bestScore = -1 << 30;
  for (int i = 0; i < window && i + 9 < frames; ++i) {
    const int a = at(i + 4), b = at(i + 5);
    if ((a <= 0 && b > 0) || (a > 0 && b <= 0)) {
      const int score = at(i) - at(i + 9);
      if (score > bestScore) {
        bestScore = score;
        best = i;
      }
    }
  }
  return best;
}

void TWaveformDisplay::VerticalLine(int x, int y0, int y1) {
  if (y0 > y1) std::swap(y0, y1);
  for (int y = std::max(0, y0); y <= std::min(picture_->height - 1, y1); ++y)
    picture_->data[0][y * picture_->linesize[0] + x] = kWhite;
}

void TWaveformDisplay::HorizontalLine(int y) {
  if (y < 0 || y >= picture_->height) return;
  std::memset(picture_->data[0] + y * picture_->linesize[0], kWhite, picture_->width);
}

const AVFrame* TWaveformDisplay::Render(const std::vector<int16_t>& samples, int channels,
                                        int width, int height) {
  if (!Prepare(width, height) || api().av_frame_make_writable(picture_.get()) < 0) return nullptr;
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = plane == 0 ? height : (height + 1) / 2;
    std::memset(picture_->data[plane], plane == 0 ? kBlack : 128,
                static_cast<size_t>(picture_->linesize[plane]) * rows);
  }
  channels = std::max(1, channels);
  const int frames = static_cast<int>(samples.size()) / channels;
  const int start =
      AlignedStart(samples, channels, std::min(kAlignWindow, std::max(0, frames - width)));
  const int band = height / channels;
  for (int ch = 0; ch < channels; ++ch) {
    const int centre = ch * band + band / 2;
    const int reach = band * 9 / 20;
    for (int x = 0; x < width && start + x < frames; ++x) {
      const int value = samples[(start + x) * channels + ch];
      VerticalLine(x, centre, centre - value * reach / 32768);
    }
    if (ch > 0) HorizontalLine(ch * band);
  }
  return picture_.get();
}

}  // namespace qarvo
