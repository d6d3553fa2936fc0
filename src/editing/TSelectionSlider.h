// The editing dialogs' position bar: a position bar that also shows a selected span (the
// kept range of the trim dialog).
#pragma once

#include "jobs/TPositionSlider.h"

namespace qarvo {

class TSelectionSlider : public TPositionSlider {
  Q_OBJECT

 public:
  explicit TSelectionSlider(QWidget* parent = nullptr);

  // Bar values; an empty selection (start == end) shows nothing.
  void SetSelection(int start, int end);
  void ClearSelection() { SetSelection(0, 0); }
  int SelStart() const { return selStart_; }
  int SelEnd() const { return selEnd_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int selStart_ = 0;
  int selEnd_ = 0;
};

}  // namespace qarvo
