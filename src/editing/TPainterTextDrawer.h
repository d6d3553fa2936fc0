// Watermark text drawn with QPainter straight into a bitmap's memory.
#pragma once

#include "core/ITextDrawer.h"

namespace qarvo {

class TPainterTextDrawer : public ITextDrawer {
 public:
  // Any thread; needs the Qt application object for its fonts.
  void DrawText(TBitmap& picture, const std::string& text, const TWaterFont& font, int x,
                int y) override;
};

}  // namespace qarvo
