#include "engine/hook/TPreviewer.h"

#include <cinttypes>
#include <cstdio>
#include <mutex>
#include <utility>

#include "base/EngineRecords.h"
#include "base/MainThread.h"

namespace qarvo {

namespace {

struct TFactoryHolder {
  std::mutex mutex;
  TPreviewWindowFactory factory;
};

TFactoryHolder& Holder() {
  static TFactoryHolder holder;
  return holder;
}

}  // namespace

void SetPreviewWindowFactory(TPreviewWindowFactory factory) {
  std::lock_guard lock(Holder().mutex);
  Holder().factory = std::move(factory);
}

TPreviewWindowFactory PreviewWindowFactory() {
  std::lock_guard lock(Holder().mutex);
  return Holder().factory;
}

TPreviewer::~TPreviewer() {
  if (form_) TMainThread::RunInMainThread([this] { form_.reset(); });
}

std::string TPreviewer::Caption(int64_t pts) {
  if (pts == kNoTimestamp) return "N/A";
  const bool negative = pts < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(pts) : static_cast<uint64_t>(pts);
  const uint64_t ms = magnitude / 1000;
  char text[64];
  std::snprintf(text, sizeof text, "%s%.2" PRIu64 ":%.2" PRIu64 ":%.2" PRIu64 ".%.3" PRIu64,
                negative ? "-" : "", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
  return text;
}

bool TPreviewer::Show(const TBitmap& bitmap, int frameNumber, int64_t pts) {
  if (closedByUser_) return false;
  frameNumber_ = frameNumber;
  pts_ = pts;
  TMainThread::RunInMainThread([&] { ShowInMainThread(bitmap); });
  return !closedByUser_;
}

void TPreviewer::ShowInMainThread(const TBitmap& bitmap) {
  if (!form_) {
    const TPreviewWindowFactory factory = PreviewWindowFactory();
    if (factory) form_ = factory();
    if (!form_) {
      closedByUser_ = true;
      return;
    }
  }
  if (form_->ClosedByUser()) {
    closedByUser_ = true;
    return;
  }
  form_->ShowPicture(bitmap, Caption(pts_));
}

}  // namespace qarvo
