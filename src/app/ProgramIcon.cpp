#include "app/ProgramIcon.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace qarvo {
namespace {

// The icon's own colours: it is a picture, not part of any scheme.
const QColor kIconDark(0x24, 0x3B, 0x6E);
const QColor kIconLight(0x4F, 0x7C, 0xC8);
const QColor kIconMark(0xF5, 0xF7, 0xFC);

// A rounded film frame with a play triangle pointing into an arrow: "convert a video".
void DrawIcon(QPainter& painter, const QRectF& box) {
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = box.width();
  QLinearGradient fill(box.topLeft(), box.bottomRight());
  fill.setColorAt(0, kIconLight);
  fill.setColorAt(1, kIconDark);
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawRoundedRect(box, s * 0.18, s * 0.18);
  painter.setBrush(kIconMark);
  // Sprocket holes along the top and bottom edges.
  const qreal hole = s * 0.07;
  for (int i = 0; i < 5; ++i) {
    const qreal x = box.left() + s * (0.14 + i * 0.16);
    painter.drawRect(QRectF(x, box.top() + s * 0.08, hole, hole));
    painter.drawRect(QRectF(x, box.bottom() - s * 0.08 - hole, hole, hole));
  }
  QPainterPath play;
  play.moveTo(box.left() + s * 0.30, box.top() + s * 0.30);
  play.lineTo(box.left() + s * 0.72, box.top() + s * 0.50);
  play.lineTo(box.left() + s * 0.30, box.top() + s * 0.70);
  play.closeSubpath();
  painter.drawPath(play);
}

}  // namespace

QPixmap ProgramIconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  DrawIcon(painter, QRectF(0, 0, size, size));
  return pixmap;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(ProgramIconPixmap(size));
  return icon;
}

QPixmap BuiltInCoverPicture() {
  QPixmap pixmap(399, 239);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient back(0, 0, 0, 239);
  back.setColorAt(0, kIconLight);
  back.setColorAt(1, kIconDark);
  painter.fillRect(pixmap.rect(), back);
  DrawIcon(painter, QRectF(28, 64, 110, 110));
  painter.setPen(kIconMark);
  QFont title = painter.font();
  title.setPixelSize(24);
  title.setBold(true);
  painter.setFont(title);
  painter.drawText(QRect(152, 50, 240, 90), Qt::AlignLeft | Qt::AlignBottom,
                   QStringLiteral("Qarvo 3GP\nVideo Converter"));
  QFont line = painter.font();
  line.setPixelSize(13);
  line.setBold(false);
  painter.setFont(line);
  painter.drawText(QRect(156, 146, 230, 40), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("Videos for phones and players"));
  painter.drawText(QRect(0, 205, 387, 24), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("Loading\u2026"));
  return pixmap;
}

}  // namespace qarvo
