#include "jobs/TPlayerIconEngine.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPen>
#include <QPixmap>

namespace qarvo {

TPlayerIconEngine::TPlayerIconEngine(TShape shape, QColor ink, QColor disabledInk)
    : shape_(shape), ink_(ink), disabledInk_(disabledInk) {}

QIcon TPlayerIconEngine::Icon(TShape shape, const QPalette& palette) {
  return QIcon(new TPlayerIconEngine(shape, palette.color(QPalette::Active, QPalette::ButtonText),
                                     palette.color(QPalette::Disabled, QPalette::ButtonText)));
}

void TPlayerIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                              QIcon::State) {
  const QColor ink = mode == QIcon::Disabled ? disabledInk_ : ink_;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  // The shapes are drawn on a 24 x 24 grid centred in the rectangle.
  const qreal side = qMin(rect.width(), rect.height());
  painter->translate(rect.x() + (rect.width() - side) / 2.0,
                     rect.y() + (rect.height() - side) / 2.0);
  painter->scale(side / 24.0, side / 24.0);
  painter->setPen(Qt::NoPen);
  painter->setBrush(ink);
  switch (shape_) {
    case TShape::Play: {
      QPainterPath triangle;
      triangle.moveTo(6, 3.5);
      triangle.lineTo(20.5, 12);
      triangle.lineTo(6, 20.5);
      triangle.closeSubpath();
      painter->drawPath(triangle);
      break;
    }
    case TShape::Pause:
      painter->drawRoundedRect(QRectF(5.5, 4, 4.5, 16), 1, 1);
      painter->drawRoundedRect(QRectF(14, 4, 4.5, 16), 1, 1);
      break;
    case TShape::Stop:
      painter->drawRoundedRect(QRectF(5, 5, 14, 14), 1.5, 1.5);
      break;
    case TShape::Snapshot: {
      QPainterPath body;
      body.addRoundedRect(QRectF(2, 7, 20, 14), 2.5, 2.5);
      QPainterPath top;
      top.moveTo(7.5, 7.5);
      top.lineTo(9.5, 4);
      top.lineTo(14.5, 4);
      top.lineTo(16.5, 7.5);
      top.closeSubpath();
      QPainterPath lens;
      lens.addEllipse(QPointF(12, 14), 4.5, 4.5);
      QPainterPath inner;
      inner.addEllipse(QPointF(12, 14), 2.5, 2.5);
      painter->drawPath(body.united(top).subtracted(lens).united(inner));
      break;
    }
    case TShape::Volume: {
      QPainterPath speaker;
      speaker.moveTo(3, 9);
      speaker.lineTo(7.5, 9);
      speaker.lineTo(13, 4);
      speaker.lineTo(13, 20);
      speaker.lineTo(7.5, 15);
      speaker.lineTo(3, 15);
      speaker.closeSubpath();
      painter->drawPath(speaker);
      painter->setBrush(Qt::NoBrush);
      painter->setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap));
      painter->drawArc(QRectF(10, 8, 8, 8), -50 * 16, 100 * 16);
      painter->drawArc(QRectF(9, 4.5, 14, 15), -50 * 16, 100 * 16);
      break;
    }
  }
  painter->restore();
}

QPixmap TPlayerIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  paint(&painter, QRect(QPoint(0, 0), size), mode, state);
  return pixmap;
}

QIconEngine* TPlayerIconEngine::clone() const {
  return new TPlayerIconEngine(shape_, ink_, disabledInk_);
}

QString TPlayerIconEngine::key() const { return QStringLiteral("TPlayerIconEngine"); }

}  // namespace qarvo
