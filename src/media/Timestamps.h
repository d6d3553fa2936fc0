// Timestamp conversions between stream time bases and the engine's microseconds, in one place
// so the no-timestamp marker is never rescaled by accident.
#pragma once

#include <cstdint>

#include "media/LibraryApi.h"

namespace qarvo {

inline constexpr AVRational kMicroseconds{1, 1000000};

// `ts` in `from` units to `to` units, rounded to nearest; no-timestamp stays no-timestamp.
inline int64_t RescaleTs(int64_t ts, AVRational from, AVRational to) {
  return ts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : api().av_rescale_q(ts, from, to);
}
inline int64_t ToMicroseconds(int64_t ts, AVRational from) {
  return RescaleTs(ts, from, kMicroseconds);
}
inline int64_t FromMicroseconds(int64_t us, AVRational to) {
  return RescaleTs(us, kMicroseconds, to);
}

}  // namespace qarvo
