#include "media/EngineLogger.h"

#include <strings.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/MainThread.h"
#include "base/NumberParse.h"
#include "base/StringFormat.h"
#include "media/LibraryApi.h"

namespace qarvo {

namespace {

constexpr size_t kLibraryLineBuffer = 2048;

struct TLevelName {
  const char* Name;
  int Value;
};
constexpr TLevelName kLevelNames[] = {{"quiet", -8},   {"panic", 0},    {"fatal", 8},
                                      {"error", 16},   {"warning", 24}, {"info", 32},
                                      {"verbose", 40}, {"debug", 48}};

}  // namespace

int LogLevelToLibrary(TLogLevel level) { return (static_cast<int>(level) - 1) * 8; }

TLogLevel LogLevelFromLibrary(int value) {
  if (value <= -8) return TLogLevel::llQuiet;
  const int ordinal = std::min(value / 8 + 1, static_cast<int>(TLogLevel::llDebug));
  return static_cast<TLogLevel>(std::max(ordinal, 0));
}

const char* LogLevelName(TLogLevel level) { return kLevelNames[static_cast<int>(level)].Name; }

TEngineLogger& TEngineLogger::GetLogger() {
  static TEngineLogger logger;
  return logger;
}

uint32_t TEngineLogger::CurrentThreadId() { return static_cast<uint32_t>(::syscall(SYS_gettid)); }

void TEngineLogger::SetLogLevel(TLogLevel level) {
  if (level_.exchange(level) == level) return;
  const int number = LogLevelToLibrary(level);
  libraryLevel_ = number;
  std::lock_guard lock(apiMutex_);
  if (setLevel_) setLevel_(number);
}

void TEngineLogger::SetLevelFromText(const std::string& text) {
  for (const TLevelName& entry : kLevelNames) {
    if (strcasecmp(entry.Name, text.c_str()) == 0) {
      SetLogLevel(LogLevelFromLibrary(entry.Value));
      return;
    }
  }
  SetLogLevel(LogLevelFromLibrary(static_cast<int>(ParseInteger("loglevel", text))));
}

void TEngineLogger::SetOnLog(TLogEvent handler) {
  std::lock_guard lock(handlerMutex_);
  handler_ = std::move(handler);
}

void TEngineLogger::Log(const void* sender, TLogLevel level, const std::string& message) {
  const TLogLevel current = level_.load();
  const bool wanted =
      current >= level || (level == TLogLevel::llVerbose && current != TLogLevel::llQuiet);
  if (wanted) Deliver(sender, CurrentThreadId(), level, message);
}

void TEngineLogger::LogF(const void* sender, TLogLevel level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string message = FormatV(format, args);
  va_end(args);
  Log(sender, level, message);
}

void TEngineLogger::Deliver(const void* sender, uint32_t threadId, TLogLevel level,
                            const std::string& message) {
  TLogEvent handler;
  {
    std::lock_guard lock(handlerMutex_);
    handler = handler_;
  }
  if (!handler) return;
  if (triggerInMainThread_ && !TMainThread::IsMainThread()) {
    TMainThread::RunInMainThread([&] { handler(sender, threadId, level, message); });
  } else {
    handler(sender, threadId, level, message);
  }
}

void TEngineLogger::HookLibraries(const TLibraryApi& api) {
  {
    std::lock_guard lock(apiMutex_);
    setLevel_ = api.av_log_set_level;
  }
  api.av_log_set_callback(&TEngineLogger::LibraryCallback);
  api.av_log_set_level(libraryLevel_.load());
  hooked_ = true;
}

void TEngineLogger::UnhookLibraries() {
  std::lock_guard lock(apiMutex_);
  setLevel_ = nullptr;
  hooked_ = false;
}

void TEngineLogger::LibraryCallback(void* context, int level, const char* format, va_list args) {
  GetLogger().LibraryMessage(context, level, format, args);
}

void TEngineLogger::LibraryMessage(void* context, int level, const char* format, va_list args) {
  if (level > libraryLevel_.load()) return;
  std::string prefix;
  if (context) {
    const AVClass* avClass = *static_cast<AVClass**>(context);
    if (avClass && avClass->item_name)
      prefix = Format("[%s @ %p]", avClass->item_name(context), context);
  }
  char buffer[kLibraryLineBuffer] = {};
  std::vsnprintf(buffer, sizeof buffer, format, args);

  const uint32_t threadId = CurrentThreadId();
  std::vector<std::string> lines;
  {
    std::lock_guard lock(listMutex_);
    auto item = std::find_if(items_.begin(), items_.end(),
                             [&](const TLogItem& i) { return i.ThreadID == threadId; });
    if (item == items_.end()) item = items_.insert(items_.begin(), TLogItem{threadId, {}});
    if (item->Text.empty())
      item->Text = prefix + buffer;
    else
      item->Text += buffer;
    for (size_t lf; (lf = item->Text.find('\n')) != std::string::npos;) {
      lines.push_back(item->Text.substr(0, lf));
      item->Text.erase(0, lf + 1);
    }
  }
  // Delivered outside the list lock: the hand-over may wait for the main thread.
  for (const std::string& line : lines) Deliver(this, threadId, LogLevelFromLibrary(level), line);
}

}  // namespace qarvo
