// What a run does to every decoded picture of a job; the editing layer supplies it.
#pragma once

#include "base/TBitmap.h"
#include "core/TlvFilesRecord.h"

namespace qarvo {

class IConversionHook {
 public:
  virtual ~IConversionHook() = default;
  // A run begins (main thread): task indices count from 0 again.
  virtual void RunStarting() = 0;
  // Called on a worker thread with the picture's canvas locked, one call at a time. False
  // leaves the picture as it came; an exception does too, and the engine logs its message.
  virtual bool ProcessPicture(int task, TBitmap& picture, const TlvFilesRecord& record) = 0;
};

}  // namespace qarvo
