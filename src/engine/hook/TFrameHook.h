// What a task does with its decoded and encoded pictures besides converting them: the custom
// hook the application may change pictures in, the frame-processing modules, deinterlacing,
// and the preview pictures (bitmaps for the application or the engine's preview window).
//
// Pre-processing and previews run on the task's thread (a pipelined task preprocesses on its
// decoding thread and previews on its encoding thread). The preview flags are also changed
// by the component from the main thread, also from inside a preview handler while the
// previewing task holds PreviewLock() and waits for that handler: a flag change never waits
// for the lock then, and the preview window is only ever freed under it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "base/TBitmap.h"
#include "media/LibraryObjects.h"
#include "media/TRGBPicture.h"
#include "engine/hook/TDeinterlacer.h"
#include "engine/hook/THookRowWatch.h"
#include "engine/hook/TPreviewer.h"
#include "engine/hook/TUprightTurn.h"

namespace qarvo {

// The one process-wide lock held during each preview and every change of preview flags.
std::timed_mutex& PreviewLock();

enum TPreviewFlag : int { pfPreview = 1, pfPreviewBitmap = 2 };

class TFrameHook {
 public:
  using TCustomHookHandler = std::function<void(TBitmap& bitmap, int frameNumber, int64_t pts,
                                                bool& update, bool& stopHook)>;
  using TPreviewBitmapHandler = std::function<void(TBitmap& bitmap, int frameNumber, int64_t pts)>;
  // Calls every configured frame-processing module with the picture.
  using TModuleRunner = std::function<void(AVFrame& picture, int64_t pts)>;

  static constexpr int64_t kPreviewIntervalUs = 100000;

  // sender: what the log names as the source of hook messages (the task).
  explicit TFrameHook(const void* sender) : sender_(sender) {}
  TFrameHook(const TFrameHook&) = delete;
  TFrameHook& operator=(const TFrameHook&) = delete;

  // Set while the task is not running.
  void SetCustomHook(TCustomHookHandler handler) { customHook_ = std::move(handler); }
  void SetPreviewBitmapHandler(TPreviewBitmapHandler handler) {
    previewBitmapHandler_ = std::move(handler);
  }
  void SetModules(TModuleRunner runner) { modules_ = std::move(runner); }
  bool HasCustomHook() const { return static_cast<bool>(customHook_) && !hookStopped_; }
  bool HookStopped() const { return hookStopped_; }

  // Turning pfPreview off frees the preview window, under PreviewLock(); while the lock's
  // holder waits for a preview handler the preview in progress frees it when it ends.
  int PreviewFlags() const { return previewFlags_.load(); }
  void SetPreviewFlag(TPreviewFlag flag, bool on);

  // Every decoded picture: counts it, turns it upright by `turn` (after deinterlacing: fields
  // are rows of the stored picture) and, when deinterlacing, a custom hook or modules are in
  // use, replaces it by the processed copy. pts in µs.
  void Preprocess(AVFrame& picture, bool deinterlace, int64_t pts, TUprightTurn* turn = nullptr);
  // Every picture going to the encoder while a preview flag is on; pts in µs.
  void Preview(const AVFrame& picture, int64_t pts);

  int FrameNumber() const { return frameNumber_; }
  // Every preprocessed picture as it reaches the encoding side, which may be another thread:
  // previews number their pictures by this count.
  void NotePicture() { ++shownNumber_; }
  // Back to the state of a new task (frame counter, hook switched back on, buffers freed).
  void Reset();

 private:
  // A pool buffer of the picture's size and format (contents undefined) in hookFrame_.
  bool AllocateHookBuffer(const AVFrame& picture);
  bool CopyToHookBuffer(const AVFrame& picture);
  // hooked: whether hookFrame_ holds the picture to work on; set when it comes to hold the
  // hooked result.
  void RunCustomHook(const AVFrame& picture, bool& hooked, int64_t pts);
  // The hooked bitmap back into hookFrame_: all of it, or for a watched picture only the
  // changed bands, the others taken from `unchanged` (null: hookFrame_ holds them already).
  bool WriteBack(const std::vector<THookRowWatch::TBand>* bands, const AVFrame* unchanged);
  bool PreviewDue();
  void Log(const std::string& message) const;

  const void* sender_;
  TCustomHookHandler customHook_;
  TPreviewBitmapHandler previewBitmapHandler_;
  TModuleRunner modules_;
  bool hookStopped_ = false;
  int frameNumber_ = 0;  // the preprocessing thread's
  int shownNumber_ = 0;  // the previewing thread's

  TRGBPicture hookRGB_;
  THookRowWatch hookRows_;
  TDeinterlacer deinterlacer_;
  // The processed picture; its memory comes from a pool rebuilt only when pictures grow, so
  // a picture still held by the encoder is never written over.
  TFramePtr hookFrame_;
  TBufferPoolPtr hookPool_;
  size_t hookBufferSize_ = 0;

  std::atomic<int> previewFlags_{0};
  // Guarded by PreviewLock().
  std::chrono::steady_clock::time_point lastPreview_{};
  TRGBPicture previewRGB_;
  std::unique_ptr<TPreviewer> previewer_;
};

}  // namespace qarvo
