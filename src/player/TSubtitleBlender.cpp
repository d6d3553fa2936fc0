#include "player/TSubtitleBlender.h"

#include <algorithm>

namespace qarvo {

namespace {

uint8_t Mix(uint8_t under, int over, int alpha) {
  return static_cast<uint8_t>((under * (255 - alpha) + over * alpha + 127) / 255);
}

}  // namespace

TYuvaColour TSubtitleBlender::FromArgb(uint32_t argb) {
  const int a = static_cast<int>((argb >> 24) & 0xff), r = static_cast<int>((argb >> 16) & 0xff),
            g = static_cast<int>((argb >> 8) & 0xff), b = static_cast<int>(argb & 0xff);
  TYuvaColour c;
  c.Y = static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
  c.U = static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
  c.V = static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
  c.A = static_cast<uint8_t>(a);
  return c;
}

void TSubtitleBlender::Blend(AVFrame& picture, const AVSubtitle& subtitle) {
  for (unsigned i = 0; i < subtitle.num_rects; ++i)
    if (subtitle.rects[i]) BlendRect(picture, *subtitle.rects[i]);
}

void TSubtitleBlender::BlendRect(AVFrame& picture, const AVSubtitleRect& rect) {
  if (rect.type != SUBTITLE_BITMAP || !rect.data[0] || !rect.data[1] || rect.nb_colors <= 0 ||
      picture.format != AV_PIX_FMT_YUV420P)
    return;
  TYuvaColour palette[256];
  const auto* argb = reinterpret_cast<const uint32_t*>(rect.data[1]);
  const int colours = std::min(rect.nb_colors, 256);
  for (int i = 0; i < colours; ++i) palette[i] = FromArgb(argb[i]);
  // The part of the rectangle inside the picture.
  const int x0 = std::max(0, rect.x), y0 = std::max(0, rect.y);
  const int x1 = std::min(picture.width, rect.x + rect.w);
  const int y1 = std::min(picture.height, rect.y + rect.h);
  if (x0 >= x1 || y0 >= y1) return;
  auto colourAt = [&](int x, int y) -> const TYuvaColour* {
    if (x < x0 || x >= x1 || y < y0 || y >= y1) return nullptr;
    const int index = rect.data[0][(y - rect.y) * rect.linesize[0] + (x - rect.x)];
    return index < colours ? &palette[index] : nullptr;
  };
  for (int y = y0; y < y1; ++y) {
    uint8_t* luma = picture.data[0] + y * picture.linesize[0];
    for (int x = x0; x < x1; ++x)
      if (const TYuvaColour* c = colourAt(x, y)) luma[x] = Mix(luma[x], c->Y, c->A);
  }
  for (int cy = y0 / 2; cy <= (y1 - 1) / 2; ++cy) {
    uint8_t* u = picture.data[1] + cy * picture.linesize[1];
    uint8_t* v = picture.data[2] + cy * picture.linesize[2];
    for (int cx = x0 / 2; cx <= (x1 - 1) / 2; ++cx) {
      int sumA = 0, sumU = 0, sumV = 0;
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx)
          if (const TYuvaColour* c = colourAt(2 * cx + dx, 2 * cy + dy)) {
            sumA += c->A;
            sumU += c->U * c->A;
            sumV += c->V * c->A;
          }
      if (sumA == 0) continue;
      const int alpha = sumA / 4;
      u[cx] = Mix(u[cx], sumU / sumA, alpha);
      v[cx] = Mix(v[cx], sumV / sumA, alpha);
    }
  }
}

}  // namespace qarvo
