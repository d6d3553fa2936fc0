// The preview's button pictures, drawn as shapes at whatever size and pixel ratio they are
// asked for, so they stay crisp on every screen.
#pragma once

#include <QColor>
#include <QIconEngine>

namespace qarvo {

class TPlayerIconEngine : public QIconEngine {
 public:
  enum class TShape { Play, Pause, Stop, Snapshot, Volume };

  // `ink` for the enabled picture, `disabledInk` for the disabled one.
  TPlayerIconEngine(TShape shape, QColor ink, QColor disabledInk);

  // The icon of a shape in the colours of a palette (button text, disabled button text).
  static QIcon Icon(TShape shape, const QPalette& palette);

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
  QIconEngine* clone() const override;
  QString key() const override;

 private:
  TShape shape_;
  QColor ink_;
  QColor disabledInk_;
};

}  // namespace qarvo
