// Fixture for option tests: loaded libraries, a fresh task and the engine log captured.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/EngineError.h"
#include "base/MainThread.h"
#include "media/EngineLogger.h"
#include "media/LibraryLoader.h"
#include "engine/TCustomTranscoder.h"

namespace qarvo {

class TaskOptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(TLibraryLoader::Instance().Load(kEngineLibraries));
    TMainThread::SetMainThread();
    TEngineLogger& logger = TEngineLogger::GetLogger();
    logger.SetTriggerEventInMainThread(false);
    logger.SetLogLevel(TLogLevel::llInfo);
    logger.SetOnLog([this](const void*, uint32_t, TLogLevel level, const std::string& text) {
      std::lock_guard lock(mutex_);
      log_.emplace_back(level, text);
    });
    task_ = std::make_unique<TCustomTranscoder>();
  }
  void TearDown() override {
    task_.reset();
    TEngineLogger::GetLogger().SetOnLog(nullptr);
    TEngineLogger::GetLogger().SetLogLevel(TLogLevel::llInfo);
    TEngineLogger::GetLogger().SetTriggerEventInMainThread(true);
  }

  TCustomTranscoder& Task() { return *task_; }
  TTaskOptions& O() { return task_->Options; }
  void D(const std::string& name, const std::string& value) { task_->DispatchOption(name, value); }
  // The message of the engine error the dispatch raises ("" when none).
  std::string Error(const std::string& name, const std::string& value) {
    try {
      D(name, value);
    } catch (const EEngineError& e) {
      return e.what();
    }
    return "";
  }
  bool Logged(TLogLevel level, const std::string& text) {
    std::lock_guard lock(mutex_);
    for (const auto& [l, t] : log_)
      if (l == level && t == text) return true;
    return false;
  }
  size_t LogCount() {
    std::lock_guard lock(mutex_);
    return log_.size();
  }
  int64_t VideoInt(const char* name) { return task_->Generic.CodecInt(AVMEDIA_TYPE_VIDEO, name); }
  int64_t AudioInt(const char* name) { return task_->Generic.CodecInt(AVMEDIA_TYPE_AUDIO, name); }

 private:
  std::unique_ptr<TCustomTranscoder> task_;
  std::mutex mutex_;
  std::vector<std::pair<TLogLevel, std::string>> log_;
};

}  // namespace qarvo
