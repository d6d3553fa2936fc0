#include "editing/TConversionFrameHook.h"

#include <stdexcept>

namespace qarvo {

void TConversionFrameHook::RunStarting() {
  std::lock_guard lock(mutex_);
  processor_.Clear();
  reported_.clear();
}

bool TConversionFrameHook::ProcessPicture(int task, TBitmap& picture,
                                          const TlvFilesRecord& record) {
  std::lock_guard lock(mutex_);
  std::string error;
  if (processor_.Process(picture, record, error)) return true;
  if (reported_.emplace(task, record.WaterImage).second) throw std::runtime_error(error);
  return false;
}

}  // namespace qarvo
