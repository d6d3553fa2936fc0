// A job's frame processing with its text drawn by QPainter and its watermark picture read
// from its file once: what the conversion hook and the editing previews run on each picture.
#pragma once

#include <string>

#include "base/TBitmap.h"
#include "core/TlvFilesRecord.h"
#include "editing/TPainterTextDrawer.h"
#include "editing/TWatermarkPictureLoader.h"

namespace qarvo {

class TFrameProcessor {
 public:
  // False, with `error` and the frame untouched, when the record's watermark picture cannot
  // be read. One thread at a time.
  bool Process(TBitmap& frame, const TlvFilesRecord& record, std::string& error);
  // Forgets the pictures read so far.
  void Clear() { pictures_.Clear(); }

 private:
  TPainterTextDrawer text_;
  TWatermarkPictureLoader pictures_;
};

}  // namespace qarvo
