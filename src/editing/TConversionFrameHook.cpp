#include "editing/TConversionFrameHook.h"

#include <stdexcept>

namespace qarvo {

void TConversionFrameHook::RunStarting() {
  std::lock_guard lock(mutex_);
  processors_.clear();
  reported_.clear();
}

TFrameProcessor& TConversionFrameHook::ProcessorOf(int task) {
  std::lock_guard lock(mutex_);
  std::unique_ptr<TFrameProcessor>& processor = processors_[task];
  if (!processor) processor = std::make_unique<TFrameProcessor>();
  return *processor;
}

bool TConversionFrameHook::ProcessTaskPicture(TFrameProcessor& processor, TBitmap& picture,
                                              const TlvFilesRecord& record, std::string& error) {
  return processor.Process(picture, record, error);
}

bool TConversionFrameHook::ProcessPicture(int task, TBitmap& picture,
                                          const TlvFilesRecord& record) {
  std::string error;
  if (ProcessTaskPicture(ProcessorOf(task), picture, record, error)) return true;
  bool first;
  {
    std::lock_guard lock(mutex_);
    first = reported_.emplace(task, record.WaterImage).second;
  }
  if (first) throw std::runtime_error(error);
  return false;
}

}  // namespace qarvo
