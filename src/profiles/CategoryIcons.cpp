#include "profiles/CategoryIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <optional>

namespace qarvo {
namespace {

enum class TKind { Handheld, Console, Film, Disc, Sound, Screen, Reel, Devices, Web, Size, Wave };

// The current formats' categories draw pictures of their own, chosen by number.
std::optional<TKind> CurrentKind(int number) {
  switch (number) {
    case 28:
      return TKind::Screen;
    case 29:
      return TKind::Reel;
    case 30:
      return TKind::Devices;
    case 31:
      return TKind::Web;
    case 32:
      return TKind::Size;
    case 33:
      return TKind::Wave;
    default:
      return std::nullopt;
  }
}

TKind KindOf(int number, const QString& name) {
  if (const auto kind = CurrentKind(number)) return *kind;
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

// A wide screen with a play mark.
void DrawScreen(QPainter& p) {
  p.drawRoundedRect(QRectF(3, 5, 14, 9), 1.5, 1.5);
  p.drawLine(QPointF(8, 16), QPointF(12, 16));
  QPainterPath play;
  play.moveTo(8.5, 7.5);
  play.lineTo(12.5, 9.5);
  play.lineTo(8.5, 11.5);
  play.closeSubpath();
  p.fillPath(play, p.pen().color());
}

// A reel of film.
void DrawReel(QPainter& p) {
  p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
  for (const QPointF& hole :
       {QPointF(10, 6.5), QPointF(13.5, 10), QPointF(10, 13.5), QPointF(6.5, 10)})
    p.drawEllipse(hole, 1.4, 1.4);
}

// A phone in front of a television.
void DrawDevices(QPainter& p) {
  p.drawRect(QRectF(3, 4, 12, 8));
  p.drawLine(QPointF(7, 14.5), QPointF(11, 14.5));
  p.setBrush(p.pen().color());
  p.drawRoundedRect(QRectF(13, 9, 4.5, 8), 1, 1);
  p.setBrush(Qt::NoBrush);
}

// A globe.
void DrawWeb(QPainter& p) {
  p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
  p.drawEllipse(QPointF(10, 10), 2.8, 6.5);
  p.drawLine(QPointF(3.5, 10), QPointF(16.5, 10));
}

// A box with an arrow pressing it down.
void DrawSize(QPainter& p) {
  p.drawRect(QRectF(4, 10, 12, 7));
  p.drawLine(QPointF(10, 3), QPointF(10, 8.5));
  p.drawLine(QPointF(7.5, 6), QPointF(10, 8.5));
  p.drawLine(QPointF(12.5, 6), QPointF(10, 8.5));
}

// A sound wave.
void DrawWave(QPainter& p) {
  const double heights[] = {3, 7, 11, 6, 9, 4};
  for (int i = 0; i < 6; ++i) {
    const double x = 4.5 + i * 2.2;
    p.drawLine(QPointF(x, 10 - heights[i] / 2), QPointF(x, 10 + heights[i] / 2));
  }
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
  switch (KindOf(number, name)) {
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
    case TKind::Screen:
      DrawScreen(p);
      break;
    case TKind::Reel:
      DrawReel(p);
      break;
    case TKind::Devices:
      DrawDevices(p);
      break;
    case TKind::Web:
      DrawWeb(p);
      break;
    case TKind::Size:
      DrawSize(p);
      break;
    case TKind::Wave:
      DrawWave(p);
      break;
  }
  return pixmap;
}

}  // namespace qarvo
