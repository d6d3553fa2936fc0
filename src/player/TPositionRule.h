// When the player reports a playback position: only moves of more than 10 ms reach the
// application, and a position at or past the known duration is the duration, reported once,
// so the last position of a file equals its length.
#pragma once

#include <cstdint>

namespace qarvo {

class TPositionRule {
 public:
  static constexpr int64_t kMinMove = 10000;  // microseconds

  TPositionRule() { Reset(); }

  // Microseconds relative to the file's start: the clock in seconds, rounded, minus the start
  // time (none when the file has none).
  static int64_t PositionOf(double clockSeconds, int64_t startTime);

  // Clamps position to a positive duration; true when it is to be reported (it is then the
  // last reported position).
  bool Update(int64_t& position, int64_t duration);
  // The last reported position; kNoTimestamp before the first.
  int64_t Last() const { return last_; }
  void Reset();

 private:
  int64_t last_;
  bool reported_ = false;
};

}  // namespace qarvo
