#include "jobs/TPositionSlider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

namespace qarvo {

TPositionSlider::TPositionSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setTickPosition(QSlider::NoTicks);
  connect(this, &QSlider::sliderReleased, this, [this] { emit SeekRequested(value()); });
  // Keys and the wheel; a drag (SliderMove) seeks once, when it ends.
  connect(this, &QSlider::actionTriggered, this, [this](int action) {
    if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction)
      emit SeekRequested(sliderPosition());
  });
}

void TPositionSlider::ShowPosition(int value) {
  if (isSliderDown()) return;
  const QSignalBlocker block(this);
  setValue(value);
  update();
}

TPositionSlider::TBarGeometry TPositionSlider::BarGeometry() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return {style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this),
          style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this),
          option.upsideDown};
}

int TPositionSlider::ValueAt(int x) const {
  const TBarGeometry bar = BarGeometry();
  return QStyle::sliderValueFromPosition(minimum(), maximum(),
                                         x - bar.Groove.x() - bar.Handle.width() / 2,
                                         bar.Groove.width() - bar.Handle.width(), bar.UpsideDown);
}

void TPositionSlider::mousePressEvent(QMouseEvent* event) {
  // The style would step a page towards a click beside the handle. The handle goes to the
  // click instead, so the press below grabs it: a drag from there, a seek on release.
  if (event->button() == Qt::LeftButton && maximum() > minimum()) {
    const QPoint at = event->position().toPoint();
    if (!BarGeometry().Handle.contains(at)) setSliderPosition(ValueAt(at.x()));
  }
  QSlider::mousePressEvent(event);
}

}  // namespace qarvo
