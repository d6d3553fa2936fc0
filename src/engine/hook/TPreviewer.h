// A task's preview window: created on the first picture, drawn and freed on the main thread
// (calls from the task's thread are handed over and waited for).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/hook/TPreviewWindow.h"

namespace qarvo {

class TPreviewer {
 public:
  TPreviewer() = default;
  ~TPreviewer();
  TPreviewer(const TPreviewer&) = delete;
  TPreviewer& operator=(const TPreviewer&) = delete;

  // Shows the picture; false once the user has closed the window (or no window can be made).
  bool Show(const TBitmap& bitmap, int frameNumber, int64_t pts);
  bool ClosedByUser() const { return closedByUser_; }

  // "hh:mm:ss.mmm" of a time in microseconds; "N/A" for the no-timestamp value.
  static std::string Caption(int64_t pts);

 private:
  void ShowInMainThread(const TBitmap& bitmap);

  std::unique_ptr<TPreviewWindow> form_;  // touched on the main thread only
  bool closedByUser_ = false;
  int frameNumber_ = 0;
  int64_t pts_ = 0;
};

}  // namespace qarvo
