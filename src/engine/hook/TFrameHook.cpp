#include "engine/hook/TFrameHook.h"

#include <exception>
#include <new>
#include <string>

#include "base/MainThread.h"
#include "base/PumpingLock.h"
#include "media/EngineLogger.h"

namespace qarvo {

namespace {

constexpr int kHookAlign = 32;

// Set while the holder of PreviewLock() waits for a preview to be handled or shown on the
// main thread.
std::atomic<bool> previewDelivering{false};

struct TDelivering {
  TDelivering() { previewDelivering = true; }
  ~TDelivering() { previewDelivering = false; }
};

}  // namespace

std::timed_mutex& PreviewLock() {
  static std::timed_mutex lock;
  return lock;
}

void TFrameHook::Log(const std::string& message) const {
  TEngineLogger::GetLogger().Log(sender_, TLogLevel::llError, message);
}

void TFrameHook::SetPreviewFlag(TPreviewFlag flag, bool on) {
  if (on) {
    previewFlags_.fetch_or(flag);
    return;
  }
  previewFlags_.fetch_and(~flag);
  if (flag != pfPreview) return;
  // Inside a preview handler the lock's holder waits for this very thread; it sees the flag
  // once its handler returned.
  if (TMainThread::IsMainThread() && previewDelivering) return;
  TPumpingLock lock(PreviewLock());
  if (!(previewFlags_ & pfPreview)) previewer_.reset();
}

void TFrameHook::Reset() {
  hookStopped_ = false;
  frameNumber_ = 0;
  shownNumber_ = 0;
  hookRGB_.Reset();
  hookRows_.Reset();
  deinterlacer_.Reset();
  hookFrame_.reset();
  hookPool_.reset();
  hookBufferSize_ = 0;
  TPumpingLock lock(PreviewLock());
  lastPreview_ = {};
  previewRGB_.Reset();
  previewer_.reset();
}

bool TFrameHook::AllocateHookBuffer(const AVFrame& picture) {
  const TLibraryApi& a = api();
  const auto format = static_cast<AVPixelFormat>(picture.format);
  const int size = a.av_image_get_buffer_size(format, picture.width, picture.height, kHookAlign);
  if (size < 0) return false;
  const size_t needed = static_cast<size_t>(size) + AV_INPUT_BUFFER_PADDING_SIZE;
  if (needed > hookBufferSize_) {
    hookPool_.reset(a.av_buffer_pool_init(needed, nullptr));
    hookBufferSize_ = hookPool_ ? needed : 0;
    if (!hookPool_) return false;
  }
  AVFrame& hook = *hookFrame_;
  a.av_frame_unref(&hook);
  hook.buf[0] = a.av_buffer_pool_get(hookPool_.get());
  if (!hook.buf[0]) return false;
  hook.extended_data = hook.data;
  hook.format = picture.format;
  hook.width = picture.width;
  hook.height = picture.height;
  if (a.av_image_fill_arrays(hook.data, hook.linesize, hook.buf[0]->data, format, picture.width,
                             picture.height, kHookAlign) < 0 ||
      a.av_frame_copy_props(&hook, &picture) < 0) {
    a.av_frame_unref(&hook);
    return false;
  }
  return true;
}

bool TFrameHook::CopyToHookBuffer(const AVFrame& picture) {
  if (!AllocateHookBuffer(picture)) return false;
  if (api().av_frame_copy(hookFrame_.get(), &picture) < 0) {
    api().av_frame_unref(hookFrame_.get());
    return false;
  }
  return true;
}

void TFrameHook::Preprocess(AVFrame& picture, bool deinterlace, int64_t pts, TUprightTurn* turn) {
  ++frameNumber_;
  const bool custom = customHook_ && !hookStopped_;
  const bool modules = modules_ && !hookStopped_;
  if (!deinterlace && !custom && !modules) {
    if (turn) turn->Apply(picture);
    return;
  }
  const TLibraryApi& a = api();
  if (!hookFrame_) hookFrame_ = MakeFrame();
  a.av_frame_unref(hookFrame_.get());

  // hooked: hookFrame_ holds the processed picture, writable. The decoder may still read its
  // own pictures as references, so hooks never write into the decoded one.
  bool hooked = false;
  if (deinterlace) {
    hooked =
        deinterlacer_.Run(picture, *hookFrame_) && a.av_frame_make_writable(hookFrame_.get()) >= 0;
    if (!hooked) {
      a.av_frame_unref(hookFrame_.get());
      Log("Deinterlacing failed.");
    }
  }
  if (turn) {
    turn->Apply(hooked ? *hookFrame_ : picture);
    if (hooked && turn->Turns() && a.av_frame_make_writable(hookFrame_.get()) < 0)
      throw std::bad_alloc();
  }
  if (custom) {
    RunCustomHook(picture, hooked, pts);
  } else if (modules) {
    if (!hooked && !(hooked = CopyToHookBuffer(picture))) {
      Log("hook buf malloc error.");
      return;
    }
    modules_(*hookFrame_, pts);
  }
  if (!hooked) return;
  a.av_frame_unref(&picture);
  a.av_frame_move_ref(&picture, hookFrame_.get());
}

void TFrameHook::RunCustomHook(const AVFrame& picture, bool& hooked, int64_t pts) {
  const AVFrame& source = hooked ? *hookFrame_ : picture;
  if (!hookRGB_.ToBitmap(source)) {
    Log("Cannot initialize the toRGB conversion context");
    hookStopped_ = true;
    return;
  }
  const bool watched =
      hookRows_.Before(*hookRGB_.Bitmap(), hookRGB_.CanWriteRows(TPictureView::Of(source)));
  bool update = true;
  bool stopHook = false;
  try {
    customHook_(*hookRGB_.Bitmap(), frameNumber_, pts, update, stopHook);
  } catch (const std::exception& e) {
    Log(std::string("Error occurs OnCustomHook: ") + e.what());
    update = false;
  } catch (...) {
    Log("Error occurs OnCustomHook: unknown exception");
    update = false;
  }
  const std::vector<THookRowWatch::TBand>* bands =
      update && watched ? &hookRows_.After(*hookRGB_.Bitmap()) : nullptr;
  // A picture the hook left as it was stays the decoded one.
  if (bands && bands->size() == 1 && !bands->front().Changed) update = false;
  if (update) {
    // A converted picture comes back from the bitmap, and the bands the hook left from the
    // decoded picture: its buffer needs no copy first.
    const bool fresh = !hooked;
    if (fresh) {
      hooked = hookRGB_.Converted() ? AllocateHookBuffer(picture) : CopyToHookBuffer(picture);
      if (!hooked) Log("hook buf malloc error.");
    }
    if (hooked && !WriteBack(bands, fresh ? &picture : nullptr)) {
      Log("Cannot initialize the fromRGB conversion context");
      stopHook = true;
      if (fresh) {
        api().av_frame_unref(hookFrame_.get());
        hooked = false;
      }
    }
  }
  if (stopHook) hookStopped_ = true;
}

bool TFrameHook::WriteBack(const std::vector<THookRowWatch::TBand>* bands,
                           const AVFrame* unchanged) {
  if (!bands || bands->size() <= 1) return hookRGB_.FromBitmap(*hookFrame_);
  AVFrame& target = *hookFrame_;
  for (const THookRowWatch::TBand& band : *bands) {
    if (band.Changed) {
      if (!hookRGB_.FromBitmapRows(target, band.FirstRow, band.EndRow)) return false;
    } else if (unchanged) {
      // 4:2:0: a chroma row for each pair of picture rows.
      for (int plane = 0; plane < 3; ++plane) {
        const int first = plane ? band.FirstRow / 2 : band.FirstRow;
        const int end = plane ? (band.EndRow + 1) / 2 : band.EndRow;
        const int width = plane ? (target.width + 1) / 2 : target.width;
        api().av_image_copy_plane(
            target.data[plane] + static_cast<ptrdiff_t>(first) * target.linesize[plane],
            target.linesize[plane],
            unchanged->data[plane] + static_cast<ptrdiff_t>(first) * unchanged->linesize[plane],
            unchanged->linesize[plane], width, end - first);
      }
    }
  }
  return true;
}

bool TFrameHook::PreviewDue() {
  const auto now = std::chrono::steady_clock::now();
  if (lastPreview_ != std::chrono::steady_clock::time_point{} &&
      now - lastPreview_ <= std::chrono::microseconds(kPreviewIntervalUs))
    return false;
  lastPreview_ = now;
  return true;
}

void TFrameHook::Preview(const AVFrame& picture, int64_t pts) {
  TPumpingLock lock(PreviewLock());
  const int flags = previewFlags_;
  int failed = 0;
  if ((flags & pfPreviewBitmap) && previewBitmapHandler_) {
    if (PreviewDue()) {
      if (previewRGB_.ToBitmap(picture)) {
        TDelivering delivering;
        previewBitmapHandler_(*previewRGB_.Bitmap(), shownNumber_, pts);
      } else {
        Log("Cannot initialize the toRGB conversion context");
        failed = pfPreviewBitmap;
      }
    }
  } else if (flags & pfPreview) {
    if (PreviewDue()) {
      const bool converted = previewRGB_.ToBitmap(picture);
      if (!converted) Log("Cannot initialize the toRGB conversion context");
      if (!converted) {
        failed = pfPreview;
      } else {
        if (!previewer_) previewer_ = std::make_unique<TPreviewer>();
        TDelivering delivering;
        if (!previewer_->Show(*previewRGB_.Bitmap(), shownNumber_, pts)) failed = pfPreview;
      }
    }
  }
  // Only the switches that failed here go off: the handler may have changed the others.
  previewFlags_.fetch_and(~failed);
  if (!(previewFlags_ & pfPreview)) previewer_.reset();
}

}  // namespace qarvo
