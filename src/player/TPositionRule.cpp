#include "player/TPositionRule.h"

#include <cmath>
#include <cstdlib>

#include "base/EngineRecords.h"

namespace qarvo {

int64_t TPositionRule::PositionOf(double clockSeconds, int64_t startTime) {
  if (!std::isfinite(clockSeconds)) clockSeconds = 0;
  const int64_t clock = std::llround(clockSeconds * 1000000.0);
  return startTime == kNoTimestamp ? clock : clock - startTime;
}

bool TPositionRule::Update(int64_t& position, int64_t duration) {
  // The clocks stop short of the duration at the end; the duration stays the last report.
  if (finished_) return false;
  if (duration > 0 && position >= duration) {
    position = duration;
    // The end is always worth a report, however close the previous one was.
    if (reported_ && last_ != duration) reported_ = false;
  }
  if (reported_ && std::llabs(position - last_) <= kMinMove) return false;
  last_ = position;
  reported_ = true;
  return true;
}

bool TPositionRule::Finish(int64_t duration) {
  finished_ = true;
  if (duration <= 0 || (reported_ && last_ == duration)) return false;
  last_ = duration;
  reported_ = true;
  return true;
}

void TPositionRule::Reset() {
  last_ = kNoTimestamp;
  reported_ = false;
  finished_ = false;
}

}  // namespace qarvo
