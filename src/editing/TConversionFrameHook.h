// The conversion's frame hook: each job's effects and watermarks on each of its pictures.
#pragma once

#include <map>
#include <memory>
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
  // Tasks side by side call it at the same time: each has a processor of its own.
  bool ProcessPicture(int task, TBitmap& picture, const TlvFilesRecord& record) override;

 protected:
  // One picture through its task's own processor, with no lock held.
  virtual bool ProcessTaskPicture(TFrameProcessor& processor, TBitmap& picture,
                                  const TlvFilesRecord& record, std::string& error);

 private:
  TFrameProcessor& ProcessorOf(int task);

  std::mutex mutex_;  // guards the two maps below, not what a task does with its processor
  // A task's text layout and watermark pictures, used by that task's thread alone.
  std::map<int, std::unique_ptr<TFrameProcessor>> processors_;
  std::set<std::pair<int, std::string>> reported_;  // (task, picture path) failures logged
};

}  // namespace qarvo
