// The floating window in which a task shows the pictures it encodes. The engine never draws
// windows itself: the application installs a factory that makes them. Every call on a
// window is made on the main thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/TBitmap.h"

namespace qarvo {

class TPreviewWindow {
 public:
  virtual ~TPreviewWindow() = default;
  // Shows the bitmap at the top-left corner of a client area of its size, with the caption.
  // The bitmap belongs to the task and changes after the call: copy what is kept.
  virtual void ShowPicture(const TBitmap& bitmap, const std::string& caption) = 0;
  // True once the user has closed the window.
  virtual bool ClosedByUser() const = 0;
};

using TPreviewWindowFactory = std::function<std::unique_ptr<TPreviewWindow>()>;

// The factory used by every task's previewer; without one, previews count as closed by the
// user. Installed by the application on the main thread.
void SetPreviewWindowFactory(TPreviewWindowFactory factory);
TPreviewWindowFactory PreviewWindowFactory();

}  // namespace qarvo
