// What the player component shares with the playback threads: the settings they read
// without a lock, the component's lock, and the three manual-reset events of a playback.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace qarvo {

// A manual-reset event: stays set until reset; waits return at once while it is set.
class TManualEvent {
 public:
  explicit TManualEvent(bool initiallySet) : set_(initiallySet) {}
  void Set();
  void Reset();
  bool IsSet() const;
  // True when the event is (or becomes) set within the timeout.
  bool Wait(std::chrono::milliseconds timeout) const;

 private:
  mutable std::mutex mutex_;  // guards set_
  mutable std::condition_variable changed_;
  bool set_;
};

struct TPlayerControls {
  // Read by the engine at Open.
  std::atomic<int> FrameWidth{0};
  std::atomic<int> FrameHeight{0};
  std::atomic<bool> DisableAudio{false};
  std::atomic<bool> DisableVideo{false};
  std::atomic<bool> DisableDisplay{false};
  // How long Open waits for the file's streams before it gives up on a read thread that never
  // reports (a device or pipe that blocks its open).
  std::atomic<int> OpenTimeoutMs{30000};
  // Read by the playback threads at any time.
  std::atomic<bool> Mute{false};
  std::atomic<int> AudioVolume{128};
  std::atomic<bool> Hook{false};
  std::atomic<float> AspectRatio{0.0f};
  // The drawing size; 0 = the video's. Written back by the engine when the surface resizes.
  std::atomic<int> ScreenWidth{0};
  std::atomic<int> ScreenHeight{0};
  // Set by a seek request, cleared when the first picture after it is decoded.
  std::atomic<bool> Seeking{false};

  // Taken by the play thread for each event and by a waiting stop.
  std::timed_mutex Lock;
  TManualEvent SeekDone{true};
  TManualEvent PictureDecoded{true};
  TManualEvent PlayThreadRunning{true};
};

}  // namespace qarvo
