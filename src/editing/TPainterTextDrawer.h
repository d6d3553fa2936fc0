// Watermark text drawn with QPainter straight into a bitmap's memory. One object serves one
// thread at a time.
#pragma once

#include <QFont>
#include <QImage>
#include <QStaticText>
#include <optional>

#include "core/ITextDrawer.h"
#include "core/TlvFilesRecord.h"

namespace qarvo {

class TPainterTextDrawer : public ITextDrawer {
 public:
  // Any thread; needs the Qt application object for its fonts.
  void DrawText(TBitmap& picture, const std::string& text, const TWaterFont& font, int x,
                int y) override;

 private:
  // A run draws the same text on every picture: its font and laid-out glyphs are kept until
  // the text or the font changes.
  struct TLaidOut {
    std::string Text;
    TWaterFont Font;
    QFont QtFont;
    QStaticText Glyphs;
  };
  const TLaidOut& LaidOut(const std::string& text, const TWaterFont& font);

  // The bitmap's memory as an image. A hook's bitmap stays in one place for a whole run, and
  // the image keeps its paint engine, so each picture does not build one anew.
  QImage& Wrapped(TBitmap& picture);

  std::optional<TLaidOut> laidOut_;
  QImage image_;
};

}  // namespace qarvo
