#include "profiles/CategoryIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace qarvo {
namespace {

enum class TKind { Handheld, Console, Film, Disc, Sound };

TKind KindOf(const QString& name) {
  const auto has = [&](const char* word) { return name.contains(word, Qt::CaseInsensitive); };
  if (has("Audio")) return TKind::Sound;
  if (has("DVD") || has("VCD")) return TKind::Disc;
  if (has("PS3") || has("xbox") || has("WII") || has("PSP")) return TKind::Console;
  if (has("Video") || has("Flash") || has("MOV") || has("MKV") || has("TV")) return TKind::Film;
  return TKind::Handheld;
}

void DrawHandheld(QPainter& p) {
  p.drawRoundedRect(QRectF(6, 3, 8, 14), 1.5, 1.5);
  p.fillRect(QRectF(7.5, 5, 5, 8), p.pen().color());
}

void DrawConsole(QPainter& p) {
  p.drawRoundedRect(QRectF(3, 7, 14, 7), 3, 3);
  p.drawLine(QPointF(6, 10.5), QPointF(9, 10.5));
  p.drawLine(QPointF(7.5, 9), QPointF(7.5, 12));
  p.drawPoint(QPointF(13, 10));
  p.drawPoint(QPointF(14.5, 11.5));
}

void DrawFilm(QPainter& p) {
  p.drawRect(QRectF(4, 4, 12, 12));
  for (double y = 5.5; y < 15; y += 3) {
    p.drawPoint(QPointF(5.5, y));
    p.drawPoint(QPointF(14.5, y));
  }
  p.drawRect(QRectF(7.5, 6.5, 5, 7));
}

void DrawDisc(QPainter& p) {
  p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
  p.drawEllipse(QPointF(10, 10), 1.8, 1.8);
}

void DrawSound(QPainter& p) {
  p.drawLine(QPointF(12.5, 4), QPointF(12.5, 13));
  p.drawLine(QPointF(12.5, 4), QPointF(16, 6));
  p.setBrush(p.pen().color());
  p.drawEllipse(QPointF(10, 13.5), 2.6, 2);
}

}  // namespace

QPixmap CategoryIcon(int number, const QString& name, qreal devicePixelRatio) {
  QPixmap pixmap(QSize(kCategoryIconSize, kCategoryIconSize) * devicePixelRatio);
  pixmap.setDevicePixelRatio(devicePixelRatio);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor tile = QColor::fromHsv((number * 47) % 360, 150, 175);
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(0.5, 0.5, 19, 19), 4, 4);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  switch (KindOf(name)) {
    case TKind::Handheld:
      DrawHandheld(p);
      break;
    case TKind::Console:
      DrawConsole(p);
      break;
    case TKind::Film:
      DrawFilm(p);
      break;
    case TKind::Disc:
      DrawDisc(p);
      break;
    case TKind::Sound:
      DrawSound(p);
      break;
  }
  return pixmap;
}

}  // namespace qarvo
