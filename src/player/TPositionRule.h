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
  // last reported position). Nothing is reported after Finish until Resume.
  bool Update(int64_t& position, int64_t duration);
  // At the end of the file: true when the duration still has to be reported (the clocks stop
  // at the last sample or picture, which may fall short of the container's duration).
  bool Finish(int64_t duration);
  // Playback left the end (a seek): positions are reported again.
  void Resume() { finished_ = false; }
  // The last reported position; kNoTimestamp before the first.
  int64_t Last() const { return last_; }
  void Reset();

 private:
  int64_t last_;
  bool reported_ = false;
  bool finished_ = false;
};

}  // namespace qarvo
