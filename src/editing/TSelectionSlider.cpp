#include "editing/TSelectionSlider.h"

#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace qarvo {

TSelectionSlider::TSelectionSlider(QWidget* parent) : TPositionSlider(parent) {}

void TSelectionSlider::SetSelection(int start, int end) {
  selStart_ = std::min(start, end);
  selEnd_ = std::max(start, end);
  update();
}

void TSelectionSlider::paintEvent(QPaintEvent* event) {
  if (selEnd_ > selStart_ && maximum() > minimum()) {
    const TBarGeometry bar = BarGeometry();
    const QRect& groove = bar.Groove;
    const QRect& handle = bar.Handle;
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
  TPositionSlider::paintEvent(event);
}

}  // namespace qarvo
