#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "base/EngineError.h"
#include "base/MainThread.h"
#include "media/EngineLogger.h"
#include "media/LibraryLoader.h"

namespace qarvo {
namespace {

struct TLine {
  uint32_t Thread;
  TLogLevel Level;
  std::string Text;
};

// Captures delivered lines; restores the logger's settings afterwards.
class EngineLoggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TMainThread::SetMainThread();
    logger.SetTriggerEventInMainThread(false);
    logger.SetLogLevel(TLogLevel::llDebug);
    logger.SetOnLog([this](const void*, uint32_t thread, TLogLevel level, const std::string& text) {
      std::lock_guard lock(mutex);
      lines.push_back({thread, level, text});
    });
  }
  void TearDown() override {
    logger.SetOnLog(nullptr);
    logger.SetLogLevel(TLogLevel::llInfo);
    logger.SetTriggerEventInMainThread(true);
  }
  // Feeds the library callback the way the libraries call it.
  static void Library(void* context, int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    TEngineLogger::LibraryCallback(context, level, format, args);
    va_end(args);
  }

  TEngineLogger& logger = TEngineLogger::GetLogger();
  std::mutex mutex;
  std::vector<TLine> lines;
};

TEST(LogLevel, MapsBothWays) {
  EXPECT_EQ(LogLevelToLibrary(TLogLevel::llQuiet), -8);
  EXPECT_EQ(LogLevelToLibrary(TLogLevel::llInfo), 32);
  EXPECT_EQ(LogLevelToLibrary(TLogLevel::llDebug), 48);
  EXPECT_EQ(LogLevelFromLibrary(-8), TLogLevel::llQuiet);
  EXPECT_EQ(LogLevelFromLibrary(-100), TLogLevel::llQuiet);
  EXPECT_EQ(LogLevelFromLibrary(-3), TLogLevel::llPanic);  // truncation toward zero
  EXPECT_EQ(LogLevelFromLibrary(20), TLogLevel::llError);
  EXPECT_EQ(LogLevelFromLibrary(24), TLogLevel::llWarning);
  EXPECT_EQ(LogLevelFromLibrary(100), TLogLevel::llDebug);
}

TEST_F(EngineLoggerTest, LevelFromTextAcceptsNamesAndNumbers) {
  logger.SetLevelFromText("Warning");
  EXPECT_EQ(logger.LogLevel(), TLogLevel::llWarning);
  logger.SetLevelFromText("20");
  EXPECT_EQ(logger.LogLevel(), TLogLevel::llError);
  logger.SetLevelFromText("QUIET");
  EXPECT_EQ(logger.LogLevel(), TLogLevel::llQuiet);
  EXPECT_THROW(logger.SetLevelFromText("loud"), EEngineError);
  EXPECT_EQ(logger.LogLevel(), TLogLevel::llQuiet);
}

TEST_F(EngineLoggerTest, DeliveryRuleLetsVerboseThroughAnyNonQuietLog) {
  logger.SetLogLevel(TLogLevel::llError);
  logger.Log(nullptr, TLogLevel::llVerbose, "progress");
  logger.Log(nullptr, TLogLevel::llInfo, "info");
  logger.Log(nullptr, TLogLevel::llError, "error");
  logger.SetLogLevel(TLogLevel::llQuiet);
  logger.Log(nullptr, TLogLevel::llVerbose, "hidden");
  logger.Log(nullptr, TLogLevel::llError, "hidden too");
  logger.LogF(nullptr, TLogLevel::llQuiet, "quiet %d", 1);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].Text, "progress");
  EXPECT_EQ(lines[1].Text, "error");
  EXPECT_EQ(lines[2].Text, "quiet 1");
}

TEST_F(EngineLoggerTest, LibraryPartsOfOneThreadFormOneLineWithTheFirstPrefix) {
  ASSERT_TRUE(TLibraryLoader::Instance().Load(kEngineLibraries));
  AVCodecContext* context = api().avcodec_alloc_context3(nullptr);
  Library(context, AV_LOG_ERROR, "abc");
  EXPECT_TRUE(lines.empty());  // held until the line ends
  Library(context, AV_LOG_ERROR, "%s\n", "def");
  Library(nullptr, AV_LOG_INFO, "one\ntwo\nrest");
  api().avcodec_free_context(&context);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].Text.find('['), 0u) << lines[0].Text;
  EXPECT_NE(lines[0].Text.find(" @ 0x"), std::string::npos) << lines[0].Text;
  EXPECT_EQ(lines[0].Text.substr(lines[0].Text.size() - 7), "]abcdef");
  EXPECT_EQ(lines[0].Level, TLogLevel::llError);
  EXPECT_EQ(lines[1].Text, "one");
  EXPECT_EQ(lines[2].Text, "two");
  Library(nullptr, AV_LOG_INFO, "\n");
  EXPECT_EQ(lines.back().Text, "rest");
}

TEST_F(EngineLoggerTest, LibraryMessagesAboveTheLevelAreDropped) {
  logger.SetLogLevel(TLogLevel::llWarning);
  Library(nullptr, AV_LOG_INFO, "info\n");
  Library(nullptr, AV_LOG_WARNING, "warning\n");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].Text, "warning");
}

TEST_F(EngineLoggerTest, PartsOfTwoThreadsNeverMix) {
  constexpr int kLinesPerThread = 200;
  auto writer = [](char tag) {
    for (int i = 0; i < kLinesPerThread; ++i) {
      Library(nullptr, AV_LOG_INFO, "%c", tag);
      Library(nullptr, AV_LOG_INFO, "%c%c\n", tag, tag);
    }
  };
  std::thread a(writer, 'a'), b(writer, 'b');
  a.join();
  b.join();
  ASSERT_EQ(lines.size(), 2u * kLinesPerThread);
  for (const TLine& line : lines)
    EXPECT_TRUE(line.Text == "aaa" || line.Text == "bbb") << line.Text;
}

TEST_F(EngineLoggerTest, WorkerLinesReachTheHandlerOnTheMainThread) {
  logger.SetTriggerEventInMainThread(true);
  std::thread::id handlerThread;
  logger.SetOnLog([&](const void*, uint32_t, TLogLevel, const std::string&) {
    handlerThread = std::this_thread::get_id();
  });
  std::atomic<bool> done{false};
  std::thread worker([&] {
    logger.Log(nullptr, TLogLevel::llError, "from worker");
    done = true;
  });
  EXPECT_TRUE(TMainThread::WaitPumping([&] { return done.load(); }, std::chrono::seconds(5)));
  worker.join();
  EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

}  // namespace
}  // namespace qarvo
