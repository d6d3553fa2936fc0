#include "core/FrameEffects.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/LevelPasses.h"

namespace qarvo {
namespace {

uint8_t ClampLevel(int64_t value) {
  return static_cast<uint8_t>(std::clamp<int64_t>(value, 0, 255));
}

TLevelTable ContrastLevels(int contrast) {
  // Past ±100 the slope turns over and at exactly 100 it is vertical.
  contrast = std::clamp(contrast, -100, 100);
  if (contrast == 100) contrast = 99;
  const double k = contrast > 0 ? 1.0 / std::cos(contrast * 0.015707963267948967)
                                : std::cos(contrast * 0.015708);
  TLevelTable table{};
  for (int i = 0; i < 256; ++i)
    table[i] = ClampLevel(static_cast<int64_t>(std::nearbyint((i - 170) * k + 170)));
  return table;
}

// Brightness, then contrast.
TLevelTable BrightnessContrastLevels(int brightness, int contrast) {
  const TLevelTable c = ContrastLevels(contrast);
  TLevelTable table{};
  for (int j = 0; j < 256; ++j) {
    const int64_t t =
        (256 - static_cast<int64_t>(brightness) + static_cast<int64_t>(brightness) * j) / 256;
    table[j] = c[ClampLevel(t)];
  }
  return table;
}

TLevelTable ExposureLevels(float exposure) {
  TLevelTable table{};
  const double e = exposure;
  for (int i = 0; i < 256; ++i) {
    // Bounded so that no exposure, however far outside the dialog's range, overflows.
    const double curve = std::clamp(256.0 * (1.0 - std::exp((i / -128.0) * (e / 128.0))),
                                    -2147483648.0, 2147483648.0);
    const int64_t r = std::llrint(curve);
    const int64_t level = e >= 0 ? i + ((r * (255 - i)) >> 8) : i - (((-r) * (255 - i)) >> 8);
    table[i] = ClampLevel(level);
  }
  return table;
}

bool HasColourEffects(const TlvFilesRecord& record) {
  return !(record.Brightness == 255 && record.Contrast == 0 && record.Saturation == 255);
}

// Colour effects and then exposure in one pass: the exposure curve is folded into the colour
// table, which gives the same bytes as two passes.
void ApplyPictureEffects(TBitmap& frame, const TlvFilesRecord& record) {
  const bool exposure = record.Exposure != 0;
  if (HasColourEffects(record)) {
    TLevelTable levels = BrightnessContrastLevels(record.Brightness, record.Contrast);
    if (exposure) {
      const TLevelTable curve = ExposureLevels(static_cast<float>(record.Exposure));
      for (uint8_t& level : levels) level = curve[level];
    }
    ApplySaturatedLevels(frame, record.Saturation, levels);
  } else if (exposure) {
    ApplyLevels(frame, ExposureLevels(static_cast<float>(record.Exposure)));
  }
}

struct TBlendArea {
  int FirstRow, EndRow, FirstColumn, EndColumn;
  bool Empty() const { return EndRow <= FirstRow || EndColumn <= FirstColumn; }
};

// Watermark rows and columns that land inside the frame, also for positions left of or above it.
TBlendArea BlendArea(const TBitmap& frame, const TBitmap& watermark, int x, int y) {
  const int64_t endRow = std::min<int64_t>(watermark.Height(), int64_t{frame.Height()} - y);
  const int64_t endColumn = std::min<int64_t>(watermark.Width(), int64_t{frame.Width()} - x);
  return {static_cast<int>(std::clamp<int64_t>(-int64_t{y}, 0, watermark.Height())),
          static_cast<int>(std::max<int64_t>(endRow, 0)),
          static_cast<int>(std::clamp<int64_t>(-int64_t{x}, 0, watermark.Width())),
          static_cast<int>(std::max<int64_t>(endColumn, 0))};
}

}  // namespace

void ApplyColourEffects(TBitmap& picture, int brightness, int contrast, int saturation) {
  ApplySaturatedLevels(picture, saturation, BrightnessContrastLevels(brightness, contrast));
}

void ApplyExposure(TBitmap& picture, float exposure) {
  ApplyLevels(picture, ExposureLevels(exposure));
}

void BlendPicture(TBitmap& frame, const TBitmap& watermark, int x, int style, int alpha, int y,
                  const uint8_t* pixelAlpha) {
  const TBlendArea area = BlendArea(frame, watermark, x, y);
  if (area.Empty()) return;
  alpha = std::clamp(alpha, 0, 255);
  const int bytes = (area.EndColumn - area.FirstColumn) * 3;
  // The blend weight of each picture alpha, worked out once instead of a division a pixel.
  std::array<uint16_t, 256> weights{};
  if (style == 1 && pixelAlpha)
    for (int a = 0; a < 256; ++a) weights[a] = static_cast<uint16_t>((alpha * a + 127) / 255);
  for (int r = area.FirstRow; r < area.EndRow; ++r) {
    uint8_t* f = frame.ScanLine(y + r) + static_cast<ptrdiff_t>(x + area.FirstColumn) * 3;
    const uint8_t* w = watermark.ScanLine(r) + static_cast<ptrdiff_t>(area.FirstColumn) * 3;
    if (style != 1) {
      for (int i = 0; i < bytes; ++i) f[i] = static_cast<uint8_t>(w[i] * f[i] / 255);
    } else if (!pixelAlpha) {
      const int keep = 256 - alpha;
      for (int i = 0; i < bytes; ++i)
        f[i] = static_cast<uint8_t>((keep * f[i] + alpha * w[i]) >> 8);
    } else {
      const uint8_t* a = pixelAlpha + static_cast<size_t>(r) * watermark.Width() + area.FirstColumn;
      for (int i = 0, x = 0; i < bytes; i += 3, ++x) {
        const int weight = weights[a[x]];
        if (weight == 0) continue;
        const int keep = 256 - weight;
        f[i] = static_cast<uint8_t>((keep * f[i] + weight * w[i]) >> 8);
        f[i + 1] = static_cast<uint8_t>((keep * f[i + 1] + weight * w[i + 1]) >> 8);
        f[i + 2] = static_cast<uint8_t>((keep * f[i + 2] + weight * w[i + 2]) >> 8);
      }
    }
  }
}

void BlendPicture(TBitmap& frame, const TWatermarkPicture& watermark, int x, int style, int alpha,
                  int y) {
  const bool ownAlpha = !watermark.Alpha.empty();
  if (style != 1)
    BlendPicture(frame, ownAlpha ? watermark.OverWhite : watermark.Picture, x, style, alpha, y);
  else
    BlendPicture(frame, watermark.Picture, x, style, alpha, y,
                 ownAlpha ? watermark.Alpha.data() : nullptr);
}

void ProcessFrame(TBitmap& frame, const TlvFilesRecord& record, ITextDrawer* text,
                  const TWatermarkPicture* watermark) {
  const auto effects = [&] { ApplyPictureEffects(frame, record); };
  const auto drawText = [&] {
    if (text && !record.WaterText.empty())
      text->DrawText(frame, record.WaterText, record.WaterFont, record.TextX, record.TextY);
  };
  const auto drawPicture = [&] {
    if (watermark && !record.WaterImage.empty())
      BlendPicture(frame, *watermark, record.ImageX, record.TransparentStyle, record.ImageAlpha,
                   record.ImageY);
  };
  // A flagged element goes before the effects, so they change it too.
  if (!record.ProcessText && !record.ProcessImage) {
    effects();
    drawText();
    drawPicture();
  } else if (record.ProcessText && !record.ProcessImage) {
    drawText();
    effects();
    drawPicture();
  } else if (!record.ProcessText && record.ProcessImage) {
    drawPicture();
    effects();
    drawText();
  } else {
    drawText();
    drawPicture();
    effects();
  }
}

}  // namespace qarvo
