#include "editing/TCustomRectTracker.h"

#include <QMouseEvent>
#include <QPainter>

namespace qarvo {
namespace {

constexpr int kHandle = 5;
constexpr int kAcInset = 5;

}  // namespace

TCustomRectTracker::TCustomRectTracker(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("RectTracker"));
  setAttribute(Qt::WA_TranslucentBackground);
  setMouseTracking(true);
  setMinimumSize(kTrackerMinimum, kTrackerMinimum);
  resize(kDefaultSize, kDefaultSize);
}

void TCustomRectTracker::SetAcControl(QWidget* control) {
  acControl_ = control;
  if (control) setGeometry(control->geometry().adjusted(-kAcInset, -kAcInset, kAcInset, kAcInset));
}

void TCustomRectTracker::FollowAcControl() {
  if (!acControl_) return;
  if (acControl_->parentWidget() != parentWidget()) {
    // It cannot be placed in the tracker's coordinates: let it go.
    acControl_ = nullptr;
    return;
  }
  acControl_->setGeometry(geometry().adjusted(kAcInset, kAcInset, -kAcInset, -kAcInset));
}

void TCustomRectTracker::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FollowAcControl();
}

void TCustomRectTracker::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  FollowAcControl();
}

void TCustomRectTracker::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // The frame inverts what lies under it, so it shows on any picture.
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  QPen pen(Qt::white, 1, Qt::DotLine);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRect(QPoint(2, 2), QPoint(width() - 3, height() - 3)));
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  const int w = width(), h = height();
  const int mx = MiddleHandle(w), my = MiddleHandle(h);
  for (const QPoint at : {QPoint(0, 0), QPoint(w - kHandle, 0), QPoint(0, h - kHandle),
                          QPoint(w - kHandle, h - kHandle), QPoint(mx, 0), QPoint(mx, h - kHandle),
                          QPoint(0, my), QPoint(w - kHandle, my)})
    painter.fillRect(QRect(at, QSize(kHandle, kHandle)), Qt::black);
}

void TCustomRectTracker::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    last_ = event->position().toPoint();
    zone_ = HitTest(width(), height(), last_.x(), last_.y());
    pressBounds_ = geometry();
  }
  emit OnMouseDown(event->position().toPoint());
}

void TCustomRectTracker::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (zone_ == TTrackZone::None) {
    UpdateCursor(HitTest(width(), height(), at.x(), at.y()));
    return;
  }
  const QRect now = geometry();
  int lastX = last_.x(), lastY = last_.y();
  const TTrackRect next = DragStep(zone_, {now.x(), now.y(), now.width(), now.height()},
                                   at.x() - last_.x(), at.y() - last_.y(), lastX, lastY);
  last_ = QPoint(lastX, lastY);
  setGeometry(next.Left, next.Top, next.Width, next.Height);
  emit OnMouseMove(at);
}

void TCustomRectTracker::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  zone_ = TTrackZone::None;
  if (geometry() != pressBounds_) emit OnChange(geometry().adjusted(2, 2, -2, -2));
  emit OnMouseUp(event->position().toPoint());
}

void TCustomRectTracker::UpdateCursor(TTrackZone zone) {
  switch (zone) {
    case TTrackZone::Left:
    case TTrackZone::Right:
      setCursor(Qt::SizeHorCursor);
      break;
    case TTrackZone::Top:
    case TTrackZone::Bottom:
      setCursor(Qt::SizeVerCursor);
      break;
    case TTrackZone::TopRight:
    case TTrackZone::BottomLeft:
      setCursor(Qt::SizeBDiagCursor);
      break;
    case TTrackZone::TopLeft:
    case TTrackZone::BottomRight:
      setCursor(Qt::SizeFDiagCursor);
      break;
    case TTrackZone::Move:
      setCursor(Qt::SizeAllCursor);
      break;
    case TTrackZone::None:
      unsetCursor();
      break;
  }
}

}  // namespace qarvo
