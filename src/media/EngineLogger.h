// The engine log: one logger for the engine's own messages and the libraries' log output.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>

namespace qarvo {

struct TLibraryApi;

enum class TLogLevel { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// Library level numbers: (ordinal - 1) * 8, so llQuiet is -8 and llDebug 48.
int LogLevelToLibrary(TLogLevel level);
// The reverse: <= -8 is llQuiet, otherwise value / 8 + 1 truncating toward zero, at most llDebug.
TLogLevel LogLevelFromLibrary(int value);
const char* LogLevelName(TLogLevel level);

using TLogEvent = std::function<void(const void* sender, uint32_t threadId, TLogLevel level,
                                     const std::string& message)>;

class TEngineLogger {
 public:
  // The single logger, created on first use and alive until the program ends.
  static TEngineLogger& GetLogger();
  TEngineLogger(const TEngineLogger&) = delete;
  TEngineLogger& operator=(const TEngineLogger&) = delete;

  TLogLevel LogLevel() const { return level_.load(); }
  // Also sets the libraries' level when the value changes.
  void SetLogLevel(TLogLevel level);
  // The `loglevel` option: a level name (any case) or a decimal library number.
  void SetLevelFromText(const std::string& text);

  bool TriggerEventInMainThread() const { return triggerInMainThread_.load(); }
  void SetTriggerEventInMainThread(bool value) { triggerInMainThread_ = value; }
  void SetOnLog(TLogEvent handler);

  // Delivered when LogLevel >= level, or when level is llVerbose and LogLevel is not llQuiet.
  void Log(const void* sender, TLogLevel level, const std::string& message);
  void LogF(const void* sender, TLogLevel level, const char* format, ...)
      __attribute__((format(printf, 4, 5)));

  // Install / remove the libraries' log callback (when avutil is bound / unbound).
  void HookLibraries(const TLibraryApi& api);
  void UnhookLibraries();
  // The libraries' callback; public so tests can feed it like the libraries do.
  static void LibraryCallback(void* context, int level, const char* format, va_list args);
  static uint32_t CurrentThreadId();

 private:
  TEngineLogger() = default;

  struct TLogItem {
    uint32_t ThreadID = 0;
    std::string Text;  // the unfinished line
  };

  void LibraryMessage(void* context, int level, const char* format, va_list args);
  void Deliver(const void* sender, uint32_t threadId, TLogLevel level, const std::string& message);

  std::atomic<TLogLevel> level_{TLogLevel::llInfo};
  // Library messages above this number are dropped in the callback.
  std::atomic<int> libraryLevel_{32};
  std::atomic<bool> triggerInMainThread_{true};
  std::atomic<bool> hooked_{false};

  std::mutex handlerMutex_;  // guards handler_
  TLogEvent handler_;

  std::mutex listMutex_;  // guards items_
  std::list<TLogItem> items_;

  std::mutex apiMutex_;  // guards setLevel_
  void (*setLevel_)(int) = nullptr;
};

}  // namespace qarvo
