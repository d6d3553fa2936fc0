// Shared by the player component's tests: library loading and a recorder of the error log.
// The in-memory drawing surface and the environment guard are the engine tests' ones.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "media/EngineLogger.h"
#include "media/LibraryLoader.h"
#include "player/EngineTestSupport.h"
#include "player/PlayerTypes.h"

namespace qarvo::test {

// The engine's libraries and SDL, loaded once; throws std::runtime_error with the loader's text.
void LoadPlayerLibraries();

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
