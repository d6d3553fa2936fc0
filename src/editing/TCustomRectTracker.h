// A rectangle the user moves and resizes with the mouse over its parent: a dotted frame with
// eight grab handles. The rules of the handles and drags are core/TrackerRules.
#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

#include "core/TrackerRules.h"

namespace qarvo {

class TCustomRectTracker : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDefaultSize = 65;

  explicit TCustomRectTracker(QWidget* parent = nullptr);

  // A control kept 5 pixels inside the tracker; setting it puts the tracker 5 pixels
  // outside the control's bounds. Null detaches it.
  void SetAcControl(QWidget* control);
  QWidget* AcControl() const { return acControl_; }
  // The zone the current drag holds (None while no button is down).
  TTrackZone DragZone() const { return zone_; }

 signals:
  // On release when the bounds differ from those at the press: the inner frame (bounds inset
  // by 2) in parent coordinates.
  void OnChange(const QRect& trackRect);
  void OnMouseDown(const QPoint& position);
  // After each step of a drag has moved or resized the tracker.
  void OnMouseMove(const QPoint& position);
  void OnMouseUp(const QPoint& position);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void FollowAcControl();
  void UpdateCursor(TTrackZone zone);

  TTrackZone zone_ = TTrackZone::None;
  QPoint last_;
  QRect pressBounds_;
  QPointer<QWidget> acControl_;
};

}  // namespace qarvo
