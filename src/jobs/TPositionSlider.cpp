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

int TPositionSlider::ValueAt(int x) const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect groove =
      style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
  const QRect handle =
      style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  return QStyle::sliderValueFromPosition(minimum(), maximum(), x - groove.x() - handle.width() / 2,
                                         groove.width() - handle.width(), option.upsideDown);
}

void TPositionSlider::mousePressEvent(QMouseEvent* event) {
  // The style would step a page towards a click beside the handle. The handle goes to the
  // click instead, so the press below grabs it: a drag from there, a seek on release.
  if (event->button() == Qt::LeftButton && maximum() > minimum()) {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const QPoint at = event->position().toPoint();
    if (!handle.contains(at)) setSliderPosition(ValueAt(at.x()));
  }
  QSlider::mousePressEvent(event);
}

}  // namespace qarvo
