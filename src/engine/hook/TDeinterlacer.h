// Deinterlaces single pictures for the frame hook: each picture's lines of the second field
// are rebuilt from their neighbours within the same picture, so a picture comes out as soon
// as it goes in (the hook replaces pictures one for one and cannot wait for the next).
#pragma once

#include "media/LibraryObjects.h"

namespace qarvo {

class TDeinterlacer {
 public:
  TDeinterlacer() = default;
  TDeinterlacer(const TDeinterlacer&) = delete;
  TDeinterlacer& operator=(const TDeinterlacer&) = delete;

  // Puts the deinterlaced picture (same size, format and properties) into `out`, which is
  // unreferenced first. False when the picture cannot be deinterlaced.
  bool Run(const AVFrame& picture, AVFrame& out);
  void Reset();

 private:
  bool Build(int width, int height, AVPixelFormat format);

  TFilterGraphPtr graph_;
  AVFilterContext* source_ = nullptr;
  AVFilterContext* sink_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  AVPixelFormat format_ = AV_PIX_FMT_NONE;
};

}  // namespace qarvo
