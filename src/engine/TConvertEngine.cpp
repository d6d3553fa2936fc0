#include "engine/TConvertEngine.h"

#include <algorithm>

namespace qarvo {

TConvertEngine::TConvertEngine(void* owner) : TCustomConvertEngine(owner) {}

void TConvertEngine::SetPreview(bool value) {
  preview_ = value;
  tasks_.SetPreview(value);
}

void TConvertEngine::SetPreviewBitmap(bool value) {
  previewBitmap_ = value;
  tasks_.SetPreviewBitmap(value);
}

void TConvertEngine::SetProgressInterval(int value) {
  progressInterval_ = std::max(value, kMinProgressInterval);
}

void TConvertEngine::SetOnCustomHook(TCustomHookEvent handler) {
  std::lock_guard lock(eventsMutex_);
  onCustomHook_ = std::move(handler);
}

void TConvertEngine::SetOnPreviewBitmap(TPreviewBitmapEvent handler) {
  std::lock_guard lock(eventsMutex_);
  onPreviewBitmap_ = std::move(handler);
}

void TConvertEngine::SetOnProgress(TProgressEvent handler) {
  std::lock_guard lock(eventsMutex_);
  onProgress_ = std::move(handler);
}

void TConvertEngine::SetOnTerminate(TTerminateEvent handler) {
  std::lock_guard lock(eventsMutex_);
  onTerminate_ = std::move(handler);
}

}  // namespace qarvo
