// The effects and watermark dialog without widgets: the ranges of its bars, the values it
// opens with, the pixel positions its preview computes and what Ok stores in the record.
#pragma once

#include <string>

#include "core/TlvFilesRecord.h"

namespace qarvo {

struct TValueRange {
  int Minimum;
  int Maximum;
};

inline constexpr TValueRange kBrightnessRange{0, 512};
inline constexpr TValueRange kContrastRange{-100, 100};
inline constexpr TValueRange kSaturationRange{0, 512};
inline constexpr TValueRange kExposureRange{-255, 512};
inline constexpr TValueRange kAutoAdjustRange{0, 10};
inline constexpr TValueRange kFontSizeRange{7, 70};
inline constexpr TValueRange kPositionRange{0, 100};  // percent of the picture
inline constexpr TValueRange kTextTransparencyRange{0, 10};
inline constexpr TValueRange kImageAlphaRange{0, 255};
// What "Clear Image" sets the picture's transparency bar to.
inline constexpr int kClearedImageAlpha = 125;

// What the dialog's controls hold.
struct TEffectValues {
  int Brightness = 255, Contrast = 0, Saturation = 255, Exposure = 0;
  bool ProcessText = false, ProcessImage = false;
  std::string WaterText;
  TWaterFont WaterFont;
  int TextHorizPos = 0, TextVertPos = 0;
  std::string WaterImage;
  int ImageHorizPos = 0, ImageVertPos = 0;
  int ImageAlpha = 0;
  int TransparentStyle = 1;  // 1 or 2
};

// The pixel positions the preview computed for its last picture.
struct TWatermarkPositions {
  int TextX = 0, TextY = 0, ImageX = 0, ImageY = 0;
};

// The controls as the dialog opens on a record: positions and the transparency of 0 or less
// show 0, a style other than 1 shows style 2.
TEffectValues EffectValuesOf(const TlvFilesRecord& record);
// "Reset" of the Effect tab: the neutral effects, both process checks cleared.
void ResetEffects(TEffectValues& values);
// A position bar's pixel: trunc(size × percent / 100).
int PositionPixel(int size, int percent);
// The positions for a picture of width × height.
TWatermarkPositions PositionsFor(const TEffectValues& values, int width, int height);
// The record the preview processes a picture with: `base` (its crop margins) with the
// dialog's values and positions.
TlvFilesRecord PreviewRecord(const TlvFilesRecord& base, const TEffectValues& values,
                             const TWatermarkPositions& positions);
// Ok: the values into the record, with the positions of the last previewed picture (a
// negative one is stored as 0 with its bar at 0).
void ConfirmEffects(TlvFilesRecord& record, const TEffectValues& values,
                    const TWatermarkPositions& last);
// The dialog's caption for a source.
std::string WaterMarkCaption(const std::string& source);

}  // namespace qarvo
