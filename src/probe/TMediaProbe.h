// The probe the application and the tasks use: the summary plus the default stream.
#pragma once

#include <cstdint>

#include "probe/TCustomMediaProbe.h"

namespace qarvo {

class TMediaProbe : public TCustomMediaProbe {
 public:
  TMediaProbe() = default;
  ~TMediaProbe() override;

  void Refresh() override;
  void CloseFile() override;

  // First video stream, else first audio stream, else -1.
  int DefaultStreamIndex() const { return defaultStreamIndex_; }
  // The default stream's start time in its own time base; without a default stream the
  // container's start time in microseconds; 0 when neither is known.
  int64_t StartTime() const { return startTime_; }

 private:
  int defaultStreamIndex_ = -1;
  int64_t startTime_ = 0;
};

}  // namespace qarvo
