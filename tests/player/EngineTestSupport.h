// What the engine tests play against: a host that records what the engine reports, a surface
// that records what it shows (with the time and the frame number burnt into each picture),
// and a fixture that runs the play thread.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "player/TPlayerEngine.h"

namespace qarvo {

namespace test {

// Restores an environment variable at the end of a test.
class TEnvGuard {
 public:
  explicit TEnvGuard(const char* name) : name_(name) {
    const char* value = getenv(name);
    had_ = value != nullptr;
    if (had_) value_ = value;
  }
  ~TEnvGuard() {
    if (had_)
      setenv(name_, value_.c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string value_;
};

}  // namespace test

class TTestHost : public TPlayerHost {
 public:
  TPlayerControls& Controls() override { return controls_; }
  void PositionUpdate() override;
  void ReportState(TPlayState state) override;
  void HookPicture(const AVFrame& picture, uint8_t* const overlay[3], const int overlayPitch[3],
                   double ptsSeconds) override;

  void SetEngine(TPlayerEngine* engine) { engine_ = engine; }
  std::vector<TPlayState> States() const;
  int PositionUpdates() const { return positionUpdates_; }
  // Waits until this many position updates have come; false when the timeout passed first.
  bool WaitPositionUpdates(int count, std::chrono::milliseconds timeout);
  // The master clock at each position update.
  std::vector<double> Positions() const;
  int Hooked() const { return hooked_; }
  // When set, the hook paints the luma plane of every picture with this value.
  std::atomic<int> PaintLuma{-1};
  // Run by the hook on the video thread for every picture; set before the file opens.
  std::function<void()> HookAction;

 private:
  TPlayerControls controls_;
  TPlayerEngine* engine_ = nullptr;
  mutable std::mutex mutex_;
  std::condition_variable positionUpdated_;  // with mutex_, on every position update
  std::vector<TPlayState> states_;
  std::vector<double> positions_;
  std::atomic<int> positionUpdates_{0};
  std::atomic<int> hooked_{0};
};

struct TShownPicture {
  double Time = 0;  // PlayerNow() seconds
  int Frame = -1;   // burnt-in number, -1 when unreadable
  int Width = 0;
  int Height = 0;
  TDisplayRect Rect;
  int MeanLuma = 0;
};

class TMemorySurface : public TVideoSurface {
 public:
  TMemorySurface(int width = 0, int height = 0) : width_(width), height_(height) {}
  void ClientSize(int& width, int& height) const override;
  bool SetMode(int width, int height) override;
  void Show(const TYuvPicture& picture, const TDisplayRect& rect) override;
  void Redraw() override { ++redraws_; }
  void SetListener(TVideoSurfaceListener* listener) override;

  std::vector<TShownPicture> Shown() const;
  int ShownCount() const;
  // True once count pictures have been shown, false when the timeout passes first.
  bool WaitShown(int count, std::chrono::milliseconds timeout) const;
  TShownPicture Last() const;
  // The luma plane of the last picture shown.
  std::vector<uint8_t> LastLuma(int& width, int& height) const;
  TVideoSurfaceListener* Listener() const;
  int Redraws() const { return redraws_; }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;  // signalled on every picture shown
  int width_, height_;
  std::vector<TShownPicture> shown_;
  std::vector<uint8_t> lastLuma_;
  int lastWidth_ = 0, lastHeight_ = 0;
  TVideoSurfaceListener* listener_ = nullptr;
  std::atomic<int> redraws_{0};
};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the clip and starts the play thread; false with the engine's error.
  bool Open(const std::string& path, bool paused = false);
  void StartPlayThread();
  // Stops like the component's waiting stop does when the play thread answers.
  void Stop();
  bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

  TTestHost host_;
  TMemorySurface surface_;
  std::unique_ptr<TPlayerEngine> engine_;
  std::thread playThread_;
  std::string audioFile_;  // what the disk sound driver played
};

// The disk sound driver paced like a real device (one buffer per buffer duration) instead of
// as fast as it can, for tests that look at timing.
class RealTimeEngineTest : public EngineTest {
 protected:
  void SetUp() override;

 private:
  test::TEnvGuard delay_{"SDL_DISKAUDIODELAY"};
};

// Seconds on the engine's clock.
double Now();

}  // namespace qarvo
