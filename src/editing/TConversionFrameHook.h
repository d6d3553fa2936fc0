// The conversion's frame hook: each job's effects and watermarks on each of its pictures.
#pragma once

#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "editing/TFrameProcessor.h"
#include "jobs/IConversionHook.h"

namespace qarvo {

class TConversionFrameHook : public IConversionHook {
 public:
  void RunStarting() override;
  // A watermark picture that cannot be read leaves the picture unchanged; the first such
  // picture of a task raises the reason for the engine's log, later ones pass quietly.
  bool ProcessPicture(int task, TBitmap& picture, const TlvFilesRecord& record) override;

 private:
  std::mutex mutex_;  // guards everything below: simultaneous tasks may share the hook
  TFrameProcessor processor_;
  std::set<std::pair<int, std::string>> reported_;  // (task, picture path) failures logged
};

}  // namespace qarvo
