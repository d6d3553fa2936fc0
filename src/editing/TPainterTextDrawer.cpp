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

}  // namespace

void TPainterTextDrawer::DrawText(TBitmap& picture, const std::string& text,
                                  const TWaterFont& font, int x, int y) {
  if (text.empty() || picture.Width() <= 0 || picture.Height() <= 0) return;
  // The bitmap's rows are padded to 4 bytes like a QImage's, so the image is the bitmap.
  QImage image(picture.Bits(), picture.Width(), picture.Height(), picture.Stride(),
               QImage::Format_BGR888);
  image.setDotsPerMeterX(kDotsPerMeter);
  image.setDotsPerMeterY(kDotsPerMeter);
  QPainter painter(&image);
  if (!painter.isActive()) return;
  painter.setFont(ToQFont(font));
  painter.setPen(QColor::fromRgb((font.Color >> 16) & 0xFF, (font.Color >> 8) & 0xFF, font.Color & 0xFF));
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.drawText(QRectF(x, y, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                   QString::fromStdString(text));
}

}  // namespace qarvo
