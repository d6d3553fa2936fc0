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
  // Called on a task's thread with the picture's canvas locked: one task's calls one at a
  // time, different tasks' calls at the same time. False leaves the picture as it came; an
  // exception does too, and the engine logs its message.
  virtual bool ProcessPicture(int task, TBitmap& picture, const TlvFilesRecord& record) = 0;
};

}  // namespace qarvo
