#include "editing/TSelectionSlider.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

namespace qarvo {

TSelectionSlider::TSelectionSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setTickPosition(QSlider::NoTicks);
  connect(this, &QSlider::sliderReleased, this, [this] { emit SeekRequested(value()); });
  connect(this, &QSlider::actionTriggered, this, [this](int action) {
    if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction)
      emit SeekRequested(sliderPosition());
  });
}

void TSelectionSlider::SetSelection(int start, int end) {
  selStart_ = std::min(start, end);
  selEnd_ = std::max(start, end);
  update();
}

void TSelectionSlider::ShowPosition(int value) {
  if (isSliderDown()) return;
  const QSignalBlocker block(this);
  setValue(value);
  update();
}

void TSelectionSlider::paintEvent(QPaintEvent* event) {
  if (selEnd_ > selStart_ && maximum() > minimum()) {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = groove.width() - handle.width();
    const auto at = [&](int value) {
      return groove.left() + handle.width() / 2 +
             QStyle::sliderPositionFromValue(minimum(), maximum(), value, std::max(span, 0));
    };
    QPainter painter(this);
    QColor band = palette().color(QPalette::Highlight);
    band.setAlpha(110);
    const int height = std::max(4, groove.height() / 2);
    painter.fillRect(QRect(QPoint(at(selStart_), groove.center().y() - height / 2 - 3),
                           QPoint(at(selEnd_), groove.center().y() + height / 2 + 3)),
                     band);
  }
  QSlider::paintEvent(event);
}

}  // namespace qarvo
