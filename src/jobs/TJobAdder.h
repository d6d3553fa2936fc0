// Add's probing off the main thread: files are probed one after another, in the order given,
// on a thread of the adder's own, and each result comes back to the main thread as a queued
// call, so rows can appear as they are ready while the window stays responsive.
#pragma once

#include <QObject>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qarvo {

class IJobProber;

class TJobAdder : public QObject {
  Q_OBJECT

 public:
  // The prober is called on the adder's thread only; it must outlive the adder.
  explicit TJobAdder(IJobProber& prober, QObject* parent = nullptr);
  // Drops what is queued, interrupts the file being probed and waits for it.
  ~TJobAdder() override;

  // Queues files behind those still waiting (main thread).
  void Enqueue(const std::vector<std::string>& files);
  // Drops the files not yet probed and interrupts the one being probed; a result still on
  // its way is not delivered. Finished follows (main thread).
  void Stop();
  // Files queued or being probed.
  bool Busy() const { return queued_ > 0; }
  // Files of the current add: probed and in all.
  int Done() const { return done_; }
  int Total() const { return total_; }

 signals:
  // One file's result, in the order the files were queued: its length in µs (-1 unknown) or
  // the engine's reason for refusing it. The name and the reason keep their bytes (PathText).
  void Probed(const QString& file, bool accepted, qint64 durationUs, const QString& reason);
  // The queue ran empty, or Stop dropped it.
  void Finished(bool stopped);

 private:
  void Work();
  void Deliver(uint64_t generation, const std::string& file, bool accepted, int64_t duration,
               const std::string& reason);

  IJobProber& prober_;
  std::mutex mutex_;  // guards queue_, generation_, quit_ and the prober's interrupt
  std::condition_variable wake_;
  std::deque<std::string> queue_;
  uint64_t generation_ = 0;  // a Stop starts a new one; older results are dropped
  bool quit_ = false;
  std::thread thread_;  // started with the first Enqueue
  // Main thread only.
  int queued_ = 0;
  int done_ = 0;
  int total_ = 0;
};

}  // namespace qarvo
