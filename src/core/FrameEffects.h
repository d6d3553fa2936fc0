// The per-frame picture pipeline of a job: colour effects, exposure, text and picture
// watermark on a 24-bit BGR bitmap, in the order the job's two flags choose.
#pragma once

#include <cstdint>

#include "base/TBitmap.h"
#include "core/ITextDrawer.h"
#include "core/TWatermarkPicture.h"
#include "core/TlvFilesRecord.h"

namespace qarvo {

// Brightness (256 = ×1), contrast (−100..100, slope around level 170) and saturation
// (256 = ×1), every pixel in place.
void ApplyColourEffects(TBitmap& picture, int brightness, int contrast, int saturation);

// An exponential tone curve: positive values lighten, negative ones darken.
void ApplyExposure(TBitmap& picture, float exposure);

// Draws `watermark` with its top-left corner at (x, y), cut at the frame's edges. Style 1
// blends with opacity `alpha` (0..255), further weighted per pixel by `pixelAlpha` when given
// (watermark width × height bytes); any other style multiplies and ignores both.
void BlendPicture(TBitmap& frame, const TBitmap& watermark, int x, int style, int alpha, int y,
                  const uint8_t* pixelAlpha = nullptr);
// The same with a loaded watermark picture and its own transparency.
void BlendPicture(TBitmap& frame, const TWatermarkPicture& watermark, int x, int style, int alpha,
                  int y);

// One frame with the record's settings. The text is drawn through `text` (skipped when null or
// the record has no text); `watermark` is the record's picture, null when it has none.
void ProcessFrame(TBitmap& frame, const TlvFilesRecord& record, ITextDrawer* text,
                  const TWatermarkPicture* watermark);

}  // namespace qarvo
