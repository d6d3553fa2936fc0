// Shared by the player component's tests: an in-memory drawing surface that remembers what it
// was asked to show, and a recorder of the player's events and error log.
#pragma once

#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/EngineLogger.h"
#include "engine/LibraryLoader.h"
#include "player/PlayerTypes.h"
#include "player/TVideoSurface.h"
#include "support/TestPicture.h"

namespace qarvo::test {

// The engine's libraries and SDL, loaded once; throws std::runtime_error with the loader's text.
void LoadPlayerLibraries();

class TMemorySurface : public TVideoSurface {
 public:
  TMemorySurface(int width, int height) : width_(width), height_(height) {}

  void ClientSize(int& width, int& height) const override {
    std::lock_guard lock(mutex_);
    width = width_;
    height = height_;
  }
  bool SetMode(int width, int height) override {
    std::lock_guard lock(mutex_);
    width_ = width;
    height_ = height;
    ++modes_;
    return true;
  }
  void Show(const TYuvPicture& picture, const TDisplayRect&) override {
    std::lock_guard lock(mutex_);
    ++shown_;
    pictureWidth_ = picture.Width;
    pictureHeight_ = picture.Height;
    // The mean luma of the picture's centre row tells a test what was drawn.
    const uint8_t* row = picture.Plane[0] + static_cast<ptrdiff_t>(picture.Height / 2) * picture.Pitch[0];
    int64_t sum = 0;
    for (int x = 0; x < picture.Width; ++x) sum += row[x];
    lastLuma_ = picture.Width > 0 ? static_cast<int>(sum / picture.Width) : -1;
    lastFrame_ = ReadFrameNumber(picture.Plane[0], picture.Pitch[0], picture.Width, picture.Height);
    changed_.notify_all();
  }
  void Redraw() override {}
  void SetListener(TVideoSurfaceListener*) override {}

  int Shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
  }
  int LastFrame() const {
    std::lock_guard lock(mutex_);
    return lastFrame_;
  }
  int LastLuma() const {
    std::lock_guard lock(mutex_);
    return lastLuma_;
  }
  void PictureSize(int& width, int& height) const {
    std::lock_guard lock(mutex_);
    width = pictureWidth_;
    height = pictureHeight_;
  }
  bool WaitShown(int count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return shown_ >= count; });
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  int width_;
  int height_;
  int modes_ = 0;
  int shown_ = 0;
  int pictureWidth_ = 0;
  int pictureHeight_ = 0;
  int lastLuma_ = -1;
  int lastFrame_ = -1;
};

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

// Collects the engine log's error lines from any thread while alive.
class TErrorLog {
 public:
  TErrorLog() {
    TEngineLogger& logger = TEngineLogger::GetLogger();
    wasInMainThread_ = logger.TriggerEventInMainThread();
    logger.SetTriggerEventInMainThread(false);
    logger.SetOnLog([this](const void*, uint32_t, TLogLevel level, const std::string& text) {
      if (level > TLogLevel::llError) return;
      std::lock_guard lock(mutex_);
      lines_.push_back(text);
    });
  }
  ~TErrorLog() {
    TEngineLogger& logger = TEngineLogger::GetLogger();
    logger.SetOnLog(nullptr);
    logger.SetTriggerEventInMainThread(wasInMainThread_);
  }
  TErrorLog(const TErrorLog&) = delete;
  TErrorLog& operator=(const TErrorLog&) = delete;

  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  bool Contains(const std::string& text) const {
    std::lock_guard lock(mutex_);
    for (const std::string& line : lines_)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  bool wasInMainThread_ = true;
};

}  // namespace qarvo::test
