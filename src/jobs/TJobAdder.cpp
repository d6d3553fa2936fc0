#include "jobs/TJobAdder.h"

#include <QMetaObject>
#include <optional>

#include "core/JobList.h"
#include "jobs/PathText.h"

namespace qarvo {

TJobAdder::TJobAdder(IJobProber& prober, QObject* parent) : QObject(parent), prober_(prober) {}

TJobAdder::~TJobAdder() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    queue_.clear();
    prober_.Interrupt(true);
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TJobAdder::Enqueue(const std::vector<std::string>& files) {
  if (files.empty()) return;
  if (queued_ == 0) done_ = total_ = 0;
  queued_ += static_cast<int>(files.size());
  total_ += static_cast<int>(files.size());
  {
    std::lock_guard lock(mutex_);
    queue_.insert(queue_.end(), files.begin(), files.end());
  }
  if (!thread_.joinable()) thread_ = std::thread([this] { Work(); });
  wake_.notify_all();
}

void TJobAdder::Stop() {
  if (queued_ == 0) return;
  {
    std::lock_guard lock(mutex_);
    queue_.clear();
    ++generation_;
    // The file being probed is dropped: a slow one need not be read to its end.
    prober_.Interrupt(true);
  }
  queued_ = 0;
  emit Finished(true);
}

void TJobAdder::Work() {
  for (;;) {
    std::string file;
    uint64_t generation;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return quit_ || !queue_.empty(); });
      if (quit_) return;
      file = queue_.front();
      queue_.pop_front();
      generation = generation_;
      // Under the lock, so a Stop after this point interrupts this file's probe.
      prober_.Interrupt(false);
    }
    std::string reason;
    std::optional<int64_t> duration;
    try {
      duration = prober_.ProbeDuration(file, reason);
    } catch (const std::exception& e) {
      reason = e.what();
    }
    QMetaObject::invokeMethod(
        this,
        [this, generation, file, accepted = duration.has_value(), length = duration.value_or(-1),
         reason] { Deliver(generation, file, accepted, length, reason); },
        Qt::QueuedConnection);
  }
}

void TJobAdder::Deliver(uint64_t generation, const std::string& file, bool accepted,
                        int64_t duration, const std::string& reason) {
  {
    std::lock_guard lock(mutex_);
    if (generation != generation_) return;  // stopped since
  }
  ++done_;
  --queued_;
  emit Probed(PathText(file), accepted, duration, PathText(reason));
  if (queued_ == 0) emit Finished(false);
}

}  // namespace qarvo
