#include "editing/TPainterTextDrawer.h"

#include <QFont>
#include <QImage>
#include <QPainter>

namespace qarvo {
namespace {

// Point sizes as on a 96-dpi screen, whatever screen (if any) the program has.
constexpr int kDotsPerMeter = 3780;

QFont ToQFont(const TWaterFont& font) {
  QFont qfont(QString::fromStdString(font.Name));
  // A negative size counts pixels, as the font records of other programs may hold.
  if (font.Size > 0)
    qfont.setPointSize(font.Size);
  else if (font.Size < 0)
    qfont.setPixelSize(-font.Size);
  qfont.setBold(font.Bold);
  qfont.setItalic(font.Italic);
  qfont.setUnderline(font.Underline);
  qfont.setStrikeOut(font.StrikeOut);
  return qfont;
}

bool SameFont(const TWaterFont& a, const TWaterFont& b) {
  return a.Name == b.Name && a.Size == b.Size && a.Color == b.Color && a.Bold == b.Bold &&
         a.Italic == b.Italic && a.Underline == b.Underline && a.StrikeOut == b.StrikeOut;
}

}  // namespace

const TPainterTextDrawer::TLaidOut& TPainterTextDrawer::LaidOut(const std::string& text,
                                                                const TWaterFont& font) {
  if (!laidOut_ || laidOut_->Text != text || !SameFont(laidOut_->Font, font)) {
    laidOut_.emplace(
        TLaidOut{text, font, ToQFont(font), QStaticText(QString::fromStdString(text))});
    laidOut_->Glyphs.setTextFormat(Qt::PlainText);
    laidOut_->Glyphs.setPerformanceHint(QStaticText::AggressiveCaching);
  }
  return *laidOut_;
}

QImage& TPainterTextDrawer::Wrapped(TBitmap& picture) {
  if (image_.constBits() != picture.Bits() || image_.width() != picture.Width() ||
      image_.height() != picture.Height() || image_.bytesPerLine() != picture.Stride()) {
    // The bitmap's rows are padded to 4 bytes like a QImage's, so the image is the bitmap.
    image_ = QImage(picture.Bits(), picture.Width(), picture.Height(), picture.Stride(),
                    QImage::Format_BGR888);
    image_.setDotsPerMeterX(kDotsPerMeter);
    image_.setDotsPerMeterY(kDotsPerMeter);
  }
  return image_;
}

void TPainterTextDrawer::DrawText(TBitmap& picture, const std::string& text, const TWaterFont& font,
                                  int x, int y) {
  if (text.empty() || picture.Width() <= 0 || picture.Height() <= 0) return;
  QPainter painter(&Wrapped(picture));
  if (!painter.isActive()) return;
  const TLaidOut& laidOut = LaidOut(text, font);
  painter.setFont(laidOut.QtFont);
  painter.setPen(QColor::fromRgb(static_cast<int>((font.Color >> 16) & 0xFF),
                                 static_cast<int>((font.Color >> 8) & 0xFF),
                                 static_cast<int>(font.Color & 0xFF)));
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.drawStaticText(QPointF(x, y), laidOut.Glyphs);
}

}  // namespace qarvo
