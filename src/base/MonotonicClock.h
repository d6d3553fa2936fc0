// Microseconds on the steady clock: for intervals (speed, time left), never for dates.
#pragma once

#include <chrono>
#include <cstdint>

namespace qarvo {

inline int64_t MonotonicMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace qarvo
