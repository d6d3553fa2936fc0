// The rectangle tracker as the crop dialog places it.
#pragma once

#include "editing/TCustomRectTracker.h"

namespace qarvo {

class TRectTracker : public TCustomRectTracker {
  Q_OBJECT

 public:
  explicit TRectTracker(QWidget* parent = nullptr) : TCustomRectTracker(parent) {}
};

}  // namespace qarvo
