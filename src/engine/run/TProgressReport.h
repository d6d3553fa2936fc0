// The progress report of a run: the values handed to the task's progress callback, the
// report line, and the closing statistics line.
#pragma once

#include <cstdint>
#include <string>

namespace qarvo {

struct TRunState;

class TProgressReport {
 public:
  explicit TProgressReport(int64_t timerStart) : timerStart_(timerStart) {}
  // Nothing is reported while the first video stream has written no frame.
  void Report(TRunState& run, bool isLast, int fileIndex);
  // The report line of the last call (empty when it was abandoned).
  const std::string& Line() const { return line_; }

 private:
  int64_t timerStart_;
  int64_t histogram_[52] = {};  // quantiser histogram (qphist)
  std::string line_;
};

}  // namespace qarvo
