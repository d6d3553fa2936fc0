// A preview's position bar. The playback moves the handle without asking for a seek; the
// user asks for one by releasing a drag, by clicking (the handle jumps to the click and can
// be dragged on from there), by keys or by the wheel.
#pragma once

#include <QRect>
#include <QSlider>

namespace qarvo {

class TPositionSlider : public QSlider {
  Q_OBJECT

 public:
  explicit TPositionSlider(QWidget* parent = nullptr);

  // Moves the handle for the playback: no SeekRequested, and nothing while the user holds it.
  void ShowPosition(int value);
  // The bar value whose handle centre is at x (widget coordinates).
  int ValueAt(int x) const;

 signals:
  void SeekRequested(int value);

 protected:
  // The style's groove and handle (widget coordinates) and whether values run against x.
  struct TBarGeometry {
    QRect Groove;
    QRect Handle;
    bool UpsideDown = false;
  };
  TBarGeometry BarGeometry() const;

  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace qarvo
