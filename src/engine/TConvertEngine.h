// The engine component the application places on its main window: the published
// properties and events over TCustomConvertEngine.
#pragma once

#include <string>

#include "engine/TCustomConvertEngine.h"

namespace qarvo {

class TConvertEngine : public TCustomConvertEngine {
 public:
  static constexpr const char* kVersion = "3.3";
  static constexpr int kMinProgressInterval = 100;

  explicit TConvertEngine(void* owner = nullptr);

  const std::string& About() const { return about_; }
  void SetAbout(const std::string& value) { about_ = value; }
  std::string Version() const { return kVersion; }

  // Passed at once to every task in the list.
  bool Preview() const { return preview_; }
  void SetPreview(bool value);
  bool PreviewBitmap() const { return previewBitmap_; }
  void SetPreviewBitmap(bool value);

  // Milliseconds between two progress reports of a task; 100 or less is stored as 100.
  int ProgressInterval() const { return progressInterval_; }
  void SetProgressInterval(int value);

  TThreadPriority ThreadPriority() const { return threadPriority_; }
  void SetThreadPriority(TThreadPriority value) { threadPriority_ = value; }

  // OnPreviewBitmap and OnProgress run on the main thread (through the main-thread hand-over).
  bool TriggerEventInMainThread() const { return triggerEventInMainThread_; }
  void SetTriggerEventInMainThread(bool value) { triggerEventInMainThread_ = value; }

  // On the task's thread, with the bitmap's canvas locked; tasks running side by side call it
  // at the same time.
  void SetOnCustomHook(TCustomHookEvent handler);
  // On the main thread when TriggerEventInMainThread, otherwise on the task's thread.
  void SetOnPreviewBitmap(TPreviewBitmapEvent handler);
  void SetOnProgress(TProgressEvent handler);
  // On a short-lived thread of its own in threaded runs and for tasks a stop ends before they
  // started; otherwise on the thread that ran the task.
  void SetOnTerminate(TTerminateEvent handler);
};

}  // namespace qarvo
