#include "core/EffectRules.h"

#include <algorithm>

#include "core/ShortenedPath.h"

namespace qarvo {
namespace {

void StorePosition(int pixel, int bar, int32_t& storedPixel, int32_t& storedBar) {
  storedPixel = pixel < 0 ? 0 : pixel;
  storedBar = pixel < 0 ? 0 : bar;
}

}  // namespace

TEffectValues EffectValuesOf(const TlvFilesRecord& record) {
  TEffectValues values;
  values.TextHorizPos = std::max(record.TextHorizPos, 0);
  values.TextVertPos = std::max(record.TextVertPos, 0);
  values.ImageHorizPos = std::max(record.ImageHorizPos, 0);
  values.ImageVertPos = std::max(record.ImageVertPos, 0);
  values.ImageAlpha = std::max(record.ImageAlpha, 0);
  values.TransparentStyle = record.TransparentStyle == 1 ? 1 : 2;
  values.Brightness = record.Brightness;
  values.Contrast = record.Contrast;
  values.Saturation = record.Saturation;
  values.Exposure = record.Exposure;
  values.ProcessText = record.ProcessText;
  values.ProcessImage = record.ProcessImage;
  values.WaterText = record.WaterText;
  values.WaterFont = record.WaterFont;
  values.WaterImage = record.WaterImage;
  return values;
}

void ResetEffects(TEffectValues& values) {
  values.Brightness = 255;
  values.Contrast = 0;
  values.Saturation = 255;
  values.Exposure = 0;
  values.ProcessText = values.ProcessImage = false;
}

int PositionPixel(int size, int percent) {
  return static_cast<int>(static_cast<int64_t>(size) * percent / 100);
}

TWatermarkPositions PositionsFor(const TEffectValues& values, int width, int height) {
  return {PositionPixel(width, values.TextHorizPos), PositionPixel(height, values.TextVertPos),
          PositionPixel(width, values.ImageHorizPos), PositionPixel(height, values.ImageVertPos)};
}

TlvFilesRecord PreviewRecord(const TlvFilesRecord& base, const TEffectValues& values,
                             const TWatermarkPositions& positions) {
  TlvFilesRecord record = base;
  ConfirmEffects(record, values, positions);
  return record;
}

void ConfirmEffects(TlvFilesRecord& record, const TEffectValues& values,
                    const TWatermarkPositions& last) {
  record.WaterText = values.WaterText;
  record.WaterFont = values.WaterFont;
  StorePosition(last.TextX, values.TextHorizPos, record.TextX, record.TextHorizPos);
  StorePosition(last.TextY, values.TextVertPos, record.TextY, record.TextVertPos);
  StorePosition(last.ImageX, values.ImageHorizPos, record.ImageX, record.ImageHorizPos);
  StorePosition(last.ImageY, values.ImageVertPos, record.ImageY, record.ImageVertPos);
  record.WaterImage = values.WaterImage;
  record.ImageAlpha = values.ImageAlpha;
  record.TransparentStyle = values.TransparentStyle == 1 ? 1 : 2;
  record.Brightness = values.Brightness;
  record.Contrast = values.Contrast;
  record.Saturation = values.Saturation;
  record.Exposure = values.Exposure;
  record.ProcessText = values.ProcessText;
  record.ProcessImage = values.ProcessImage;
}

std::string WaterMarkCaption(const std::string& source) {
  return "Water Mark  " + ShortenedPath(source, 55, 50);
}

}  // namespace qarvo
