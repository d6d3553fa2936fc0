// Draws watermark text into a bitmap. The frame processing stays free of any drawing library;
// the application supplies the drawer.
#pragma once

#include <string>

#include "base/TBitmap.h"
#include "core/TlvFilesRecord.h"

namespace qarvo {

class ITextDrawer {
 public:
  virtual ~ITextDrawer() = default;
  // `text` (UTF-8) in `font`, its top-left corner at (x, y), without background; what falls
  // outside the bitmap is cut off.
  virtual void DrawText(TBitmap& picture, const std::string& text, const TWaterFont& font, int x,
                        int y) = 0;
};

}  // namespace qarvo
