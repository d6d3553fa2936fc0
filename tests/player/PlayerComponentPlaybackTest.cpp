// The player component on real playback: generated clips, the disk sound driver and an
// in-memory surface; events are delivered on the main thread, which the tests pump.
#include <SDL2/SDL.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <semaphore>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/MainThread.h"
#include "player/ComponentTestSupport.h"
#include "player/TMediaPlayer.h"
#include "player/TReadThread.h"

#include "support/TestMedia.h"

namespace qarvo {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Milliseconds(Clock::duration span) {
  return std::chrono::duration<double, std::milli>(span).count();
}

class PlayerComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    test::LoadPlayerLibraries();
    folder_ = fs::path(TestMediaDir()) / ("player-component-" + std::to_string(getpid()));
    fs::create_directories(folder_);
    Record(player_);
  }
  void TearDown() override {
    player_.Stop(true);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  void Record(TMediaPlayer& player) {
    player.SetOnState([this](TCustomPlayer& sender, TPlayState state) {
      std::lock_guard lock(mutex_);
      states_.push_back({&sender, state});
    });
    player.SetOnPosition([this](TCustomPlayer&, int64_t position) {
      std::lock_guard lock(mutex_);
      positions_.push_back(position);
    });
  }
  std::vector<TPlayState> States(const TCustomPlayer* of = nullptr) const {
    std::lock_guard lock(mutex_);
    std::vector<TPlayState> states;
    for (const auto& [sender, state] : states_)
      if (!of || sender == of) states.push_back(state);
    return states;
  }
  std::vector<int64_t> Positions() const {
    std::lock_guard lock(mutex_);
    return positions_;
  }
  bool Reported(TPlayState state, const TCustomPlayer* of = nullptr) const {
    for (TPlayState s : States(of))
      if (s == state) return true;
    return false;
  }
  static bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    return TMainThread::WaitPumping(done, timeout);
  }
  static void Pump(std::chrono::milliseconds span) {
    TMainThread::WaitPumping([] { return false; }, span);
  }

  // The disk sound driver paced like a sound card (1024 samples at 44.1 kHz per buffer).
  static void PlayInRealTime() { setenv("SDL_DISKAUDIODELAY", "23", 1); }

  test::TEnvGuard soundFile_{"SDL_DISKAUDIOFILE"};
  test::TEnvGuard soundDelay_{"SDL_DISKAUDIODELAY"};
  fs::path folder_;
  TMemorySurface surface_{640, 480};  // outlives the player
  TMediaPlayer player_;
  mutable std::mutex mutex_;
  std::vector<std::pair<const TCustomPlayer*, TPlayState>> states_;
  std::vector<int64_t> positions_;
};

TEST_F(PlayerComponentTest, PlaysToTheEndReportingStatesAndPositionsUpToTheDuration) {
  int64_t openedDuration = 0;
  int frameWidth = 0, frameHeight = 0;
  player_.SetOnFileOpen([&](TCustomPlayer&, int64_t duration, int width, int height, int&, int&) {
    openedDuration = duration;
    frameWidth = width;
    frameHeight = height;
  });
  PlayInRealTime();
  const std::string clip = EnsureClip("avi_mpeg4_mp3");
  ASSERT_TRUE(player_.Open(clip, &surface_, false)) << player_.LastErrMsg();
  EXPECT_TRUE(player_.Opened());
  EXPECT_EQ(player_.FileName(), clip);
  EXPECT_TRUE(player_.MediaProbe().Loaded());
  EXPECT_NEAR(static_cast<double>(openedDuration), 2e6, 2e5);
  EXPECT_EQ(frameWidth, 320);
  EXPECT_EQ(frameHeight, 240);
  ASSERT_TRUE(PumpUntil([&] { return Reported(TPlayState::psEnd); }, 10s));
  Pump(100ms);                    // a while after the end: the time open is what is tested
  EXPECT_TRUE(player_.Opened());  // the end leaves the file open
  player_.Stop(true);
  EXPECT_FALSE(player_.Opened());
  EXPECT_FALSE(player_.MediaProbe().Loaded());
  ASSERT_TRUE(PumpUntil([&] { return Reported(TPlayState::psStop); }, 2s));

  EXPECT_EQ(States(),
            (std::vector<TPlayState>{TPlayState::psPlay, TPlayState::psEnd, TPlayState::psStop}));
  const std::vector<int64_t> positions = Positions();
  ASSERT_GT(positions.size(), 10u);
  for (size_t i = 1; i < positions.size(); ++i) {
    // The duration closes the reports however near the clock came to it.
    if (i + 1 < positions.size()) {
      EXPECT_GT(std::llabs(positions[i] - positions[i - 1]), 10000) << i;
    }
    EXPECT_LE(positions[i], openedDuration) << i;
  }
  EXPECT_EQ(positions.back(), openedDuration);
  EXPECT_EQ(player_.LastPosition(), openedDuration);
  EXPECT_EQ(api().SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
}

TEST_F(PlayerComponentTest, PauseTwiceReportsOnceAndResumeWhilePlayingDoesNothing) {
  ASSERT_TRUE(player_.Open(EnsureClip("avi_mpeg4_mp3"), &surface_, false)) << player_.LastErrMsg();
  player_.Resume();
  player_.Pause();
  EXPECT_TRUE(player_.Paused());
  player_.Pause();
  player_.Resume();
  EXPECT_FALSE(player_.Paused());
  player_.Resume();
  player_.Stop(true);
  ASSERT_TRUE(PumpUntil([&] { return Reported(TPlayState::psStop); }, 2s));
  std::vector<TPlayState> states = States();
  EXPECT_EQ(states, (std::vector<TPlayState>{TPlayState::psPlay, TPlayState::psPause,
                                             TPlayState::psResume, TPlayState::psStop}));
}

TEST_F(PlayerComponentTest, OpenedPausedShowsTheFirstPictureAndReportsPause) {
  ASSERT_TRUE(player_.Open(EnsureClip("avi_mpeg4_mp3"), &surface_, true)) << player_.LastErrMsg();
  ASSERT_TRUE(PumpUntil([&] { return Reported(TPlayState::psPause); }, 3s));
  ASSERT_TRUE(PumpUntil([&] { return surface_.ShownCount() > 0; }, 2s));
  EXPECT_TRUE(player_.Paused());
  Pump(300ms);  // held means no new picture for a while: the time paused is what is tested
  EXPECT_EQ(surface_.Last().Frame, 0);  // still the first picture
  int64_t pts = -1;
  const TBitmap& frame = player_.CurrentFrame(pts);
  EXPECT_EQ(frame.Width(), 320);
  EXPECT_EQ(frame.Height(), 240);
  EXPECT_EQ(pts, 0);
  // The pause comes from the video thread, which may run before the play thread starts.
  EXPECT_EQ(States(), (std::vector<TPlayState>{TPlayState::psPlay, TPlayState::psPause}));
}

// A phone's clip stored turned plays upright: its size, the pictures the hook gets and the
// picture on show, with the marker of the stored bottom-right corner a quarter turn on.
TEST_F(PlayerComponentTest, ATurnedClipIsShownUpright) {
  TClipSpec spec;
  spec.Container = spec.Extension = "mp4";
  spec.AudioCodec.clear();
  spec.Duration = 0.5;
  spec.Width = 320;
  spec.Height = 180;
  spec.Rotation = 90;
  spec.CornerMarker = true;
  const std::string clip = EnsureClipFile(spec, "player_turned90.mp4");
  int openedWidth = 0, openedHeight = 0;
  player_.SetOnFileOpen([&](TCustomPlayer&, int64_t, int width, int height, int&, int&) {
    openedWidth = width;
    openedHeight = height;
  });
  std::atomic<int> hookedWidth{0}, hookedHeight{0};
  player_.SetOnHook([&](TCustomPlayer&, TBitmap& bitmap, int64_t) {
    hookedWidth = bitmap.Width();
    hookedHeight = bitmap.Height();
  });
  player_.SetHook(true);
  ASSERT_TRUE(player_.Open(clip, &surface_, true)) << player_.LastErrMsg();
  ASSERT_TRUE(PumpUntil([&] { return surface_.ShownCount() > 0 && hookedWidth > 0; }, 5s));
  EXPECT_EQ(openedWidth, 180);
  EXPECT_EQ(openedHeight, 320);
  EXPECT_EQ(hookedWidth, 180);
  EXPECT_EQ(hookedHeight, 320);
  const TBitmap& frame = player_.CurrentFrame();
  ASSERT_EQ(frame.Width(), 180);
  ASSERT_EQ(frame.Height(), 320);
  const auto green = [&](int x, int y) {
    const uint8_t* bgr = frame.ScanLine(y) + 3 * x;
    return bgr[1] > bgr[0] + 60 && bgr[1] > bgr[2] + 60;
  };
  EXPECT_TRUE(green(6, 320 - 6));
  EXPECT_FALSE(green(180 - 6, 320 - 6));
  EXPECT_FALSE(green(180 - 6, 6));
  EXPECT_FALSE(green(6, 6));
  player_.SetHook(false);
  player_.SetOnHook(nullptr);
}

TEST_F(PlayerComponentTest, SeeksWhilePausedShowTheTargetAndStayPaused) {
  ASSERT_TRUE(player_.Open(EnsureClip("short3s"), &surface_, true)) << player_.LastErrMsg();
  ASSERT_TRUE(PumpUntil([&] { return Reported(TPlayState::psPause); }, 3s));
  int64_t pts = -1;
  player_.Seek(0, true, 2000000);
  const auto shownAt = [&](int64_t& at, auto near) {
    return PumpUntil(
        [&] {
          player_.CurrentFrame(at);
          return near(at);
        },
        5s);
  };
  EXPECT_TRUE(shownAt(pts, [](int64_t at) { return at >= 1400000; }));
  EXPECT_GE(pts, 1400000);  // the key picture at or before 2 s, or the picture at 2 s
  EXPECT_LE(pts, 2000000);
  EXPECT_TRUE(player_.Paused());

  player_.SeekRelative(0, true, -1.5);
  int64_t back = -1;
  EXPECT_TRUE(shownAt(back, [&](int64_t at) { return at >= 0 && at < pts - 500000; }));
  EXPECT_LT(back, pts - 500000);
  EXPECT_GE(back, 0);

  player_.Seek(kSeekAny, true, 99000000);  // past the end: the end
  EXPECT_TRUE(shownAt(pts, [](int64_t at) { return at >= 2400000; }));
  EXPECT_GE(pts, 2400000);
  EXPECT_TRUE(player_.Paused());
  EXPECT_EQ(States(), (std::vector<TPlayState>{TPlayState::psPlay, TPlayState::psPause}));
}

TEST_F(PlayerComponentTest, OnFileOpenChoosesTheDrawingSizeElseTheSurfaceGivesIt) {
  player_.SetOnFileOpen([](TCustomPlayer&, int64_t, int, int, int& screenWidth, int& screenHeight) {
    screenWidth = 320;
    screenHeight = 240;
  });
  TMemorySurface surface(800, 600);
  // Stops the player before the surface goes, also when an assertion leaves early.
  const std::unique_ptr<TMediaPlayer, void (*)(TMediaPlayer*)> stop(
      &player_, [](TMediaPlayer* player) { player->Stop(true); });
  ASSERT_TRUE(player_.Open(EnsureClip("odd_size"), &surface, false)) << player_.LastErrMsg();
  ASSERT_TRUE(surface.WaitShown(1, 3s));
  int width = 0, height = 0;
  surface.ClientSize(width, height);
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
  EXPECT_EQ(player_.ScreenWidth(), 320);
  EXPECT_EQ(player_.ScreenHeight(), 240);
  player_.Stop(true);

  TMemorySurface panel(400, 300);
  TMediaPlayer other;
  ASSERT_TRUE(other.Open(EnsureClip("avi_mpeg4_mp3"), &panel, false)) << other.LastErrMsg();
  EXPECT_EQ(other.ScreenWidth(), 400);
  EXPECT_EQ(other.ScreenHeight(), 300);
  other.Stop(true);
}

TEST_F(PlayerComponentTest, ASecondOpenStopsTheFileThatIsPlaying) {
  const std::string clip = EnsureClip("avi_mpeg4_mp3");
  ASSERT_TRUE(player_.Open(clip, &surface_, false)) << player_.LastErrMsg();
  ASSERT_TRUE(player_.Open(EnsureClip("short3s"), &surface_, false)) << player_.LastErrMsg();
  ASSERT_TRUE(PumpUntil([&] { return States().size() >= 3; }, 2s));
  EXPECT_EQ(States(),
            (std::vector<TPlayState>{TPlayState::psPlay, TPlayState::psStop, TPlayState::psPlay}));

  // Another player's Open stops this one first: one player plays at a time.
  TMemorySurface surface(320, 240);
  TMediaPlayer second;
  Record(second);
  ASSERT_TRUE(second.Open(clip, &surface, false)) << second.LastErrMsg();
  EXPECT_FALSE(player_.Opened());
  EXPECT_TRUE(second.Opened());
  ASSERT_TRUE(PumpUntil([&] { return Reported(TPlayState::psPlay, &second); }, 2s));
  EXPECT_EQ(States(&player_).back(), TPlayState::psStop);
  EXPECT_TRUE(surface.WaitShown(1, 3s));
  second.Stop(true);
}

TEST_F(PlayerComponentTest, WithoutAStateHandlerTheNotificationThreadStillEnds) {
  player_.SetOnState(nullptr);
  ASSERT_TRUE(player_.Open(EnsureClip("avi_mpeg4_mp3"), &surface_, false)) << player_.LastErrMsg();
  ASSERT_TRUE(PumpUntil([&] { return !Positions().empty(); }, 3s));
  EXPECT_TRUE(player_.NotificationThreadRunning());
  player_.Stop(true);
  EXPECT_TRUE(PumpUntil([&] { return !player_.NotificationThreadRunning(); }, 2s));
  EXPECT_EQ(player_.State(), TPlayState::psStop);
}

TEST_F(PlayerComponentTest, EventsOffTheMainThreadArriveOnTheNotificationThread) {
  player_.SetTriggerEventInMainThread(false);
  std::atomic<bool> onMain{false};
  std::mutex mutex;
  std::condition_variable changed;
  int states = 0;
  player_.SetOnState([&](TCustomPlayer&, TPlayState) {
    if (TMainThread::IsMainThread()) onMain = true;
    {
      std::lock_guard lock(mutex);
      ++states;
    }
    changed.notify_all();
  });
  const auto statesReach = [&](int count) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, 10s, [&] { return states >= count; });
  };
  ASSERT_TRUE(player_.Open(EnsureClip("avi_mpeg4_mp3"), &surface_, false)) << player_.LastErrMsg();
  // Nobody pumps: the states still arrive.
  EXPECT_TRUE(statesReach(1));
  player_.Stop(true);
  EXPECT_TRUE(statesReach(2));
  {
    std::lock_guard lock(mutex);
    EXPECT_EQ(states, 2);
  }
  EXPECT_FALSE(onMain);
}

TEST_F(PlayerComponentTest, StopFromAHandlerOnTheMainThreadCompletesWithinASecond) {
  Clock::duration stopTook{};
  std::atomic<bool> stopped{false};
  player_.SetOnPosition([&](TCustomPlayer& sender, int64_t position) {
    std::this_thread::sleep_for(20ms);  // a slow handler keeps the notification thread waiting
    if (position > 500000 && !stopped.exchange(true)) {
      const auto start = Clock::now();
      sender.Stop(true);
      stopTook = Clock::now() - start;
    }
  });
  ASSERT_TRUE(player_.Open(EnsureClip("short3s"), &surface_, false)) << player_.LastErrMsg();
  ASSERT_TRUE(PumpUntil([&] { return stopped.load(); }, 5s));
  EXPECT_LT(Milliseconds(stopTook), 1000.0);
  EXPECT_FALSE(player_.Opened());
  EXPECT_TRUE(PumpUntil([&] { return Reported(TPlayState::psStop); }, 2s));
}

TEST_F(PlayerComponentTest, StopCompletesWithinASecondWhileTheReadIsStalled) {
  std::signal(SIGPIPE, SIG_IGN);
  TClipSpec spec;
  spec.Duration = 8.0;
  const fs::path clip = folder_ / "eight-seconds.avi";
  GenerateClip(spec, clip.string());
  std::ifstream in(clip, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  const fs::path fifo = folder_ / "stalled.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  std::atomic<bool> release{false};
  std::binary_semaphore letGo{0};
  std::thread writer([&] {
    const int fd = open(fifo.c_str(), O_WRONLY);
    if (fd < 0) return;
    // Six of the eight seconds, then nothing more until the test lets go.
    size_t written = 0;
    const size_t part = bytes.size() * 3 / 4;
    while (written < part && !release) {
      const ssize_t n = write(fd, bytes.data() + written, part - written);
      if (n <= 0) break;
      written += static_cast<size_t>(n);
    }
    letGo.acquire();
    close(fd);
  });
  const bool opened = player_.Open(fifo.string(), &surface_, false);
  EXPECT_TRUE(opened) << player_.LastErrMsg();
  if (opened) {
    ASSERT_TRUE(surface_.WaitShown(1, 5s));
    Pump(1500ms);  // the reader has long run out of data
    const auto start = Clock::now();
    player_.Stop(true);
    EXPECT_LT(Milliseconds(Clock::now() - start), 1000.0);
    EXPECT_FALSE(player_.Opened());
  }
  release = true;
  letGo.release();
  if (!opened) {
    // A writer still waiting for its reader gets one, and then a broken pipe.
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    if (reader >= 0) close(reader);
  }
  writer.join();
  EXPECT_TRUE(TReadThread::WaitAllEnded(20s));  // the reader left behind ends on its own
}

TEST_F(PlayerComponentTest, TheHookChangesTheShownPictureAndAFailingHookLeavesIt) {
  test::TErrorLog log;
  std::atomic<int> hooked{0};
  std::atomic<bool> fail{false};
  player_.SetOnHook([&](TCustomPlayer&, TBitmap& bitmap, int64_t) {
    ++hooked;
    std::memset(bitmap.Bits(), 255, bitmap.SizeInBytes());
    if (fail) throw std::runtime_error("no brush");
  });
  player_.SetHook(true);
  PlayInRealTime();
  ASSERT_TRUE(player_.Open(EnsureClip("short3s"), &surface_, false)) << player_.LastErrMsg();
  ASSERT_TRUE(surface_.WaitShown(3, 3s));
  EXPECT_GT(surface_.Last().MeanLuma, 230);
  EXPECT_EQ(surface_.Last().Frame, -1);  // painted over
  fail = true;
  const int shown = surface_.ShownCount();
  ASSERT_TRUE(surface_.WaitShown(shown + 4, 3s));
  EXPECT_GE(surface_.Last().Frame, 0);  // the decoded picture, unchanged
  EXPECT_TRUE(log.Contains("Error occurs OnHook: no brush"));
  EXPECT_GT(hooked, 0);
  // The hook uses this test's locals: it must not run once they are gone.
  player_.Stop(true);
}

TEST_F(PlayerComponentTest, CurrentFrameIsThePictureOnScreenAndEmptyWithoutVideo) {
  ASSERT_TRUE(player_.Open(EnsureClip("avi_mpeg4_mp3"), &surface_, false)) << player_.LastErrMsg();
  ASSERT_TRUE(surface_.WaitShown(5, 3s));
  player_.Pause();
  Pump(100ms);
  int64_t pts = -1;
  TBitmap& frame = player_.CurrentFrame(pts);
  EXPECT_EQ(frame.Width(), 320);
  EXPECT_EQ(frame.Height(), 240);
  EXPECT_GT(pts, 0);
  EXPECT_LE(pts, 2000000);
  bool black = true;
  for (size_t i = 0; i < frame.SizeInBytes() && black; ++i) black = frame.Bits()[i] == 0;
  EXPECT_FALSE(black);
  player_.Stop(true);
  EXPECT_EQ(player_.CurrentFrame(pts).Width(), 0);
  EXPECT_EQ(pts, -1);

  ASSERT_TRUE(player_.Open(EnsureClip("audio_only"), &surface_, false)) << player_.LastErrMsg();
  TBitmap& none = player_.CurrentFrame(pts);
  EXPECT_EQ(none.Width() + none.Height(), 0);
  EXPECT_EQ(pts, -1);
}

TEST_F(PlayerComponentTest, SoundAloneReportsItsEndOnceAndPositionsReachTheDuration) {
  int64_t duration = 0;
  player_.SetOnFileOpen([&](TCustomPlayer&, int64_t d, int width, int height, int&, int&) {
    duration = d;
    EXPECT_EQ(width, -1);
    EXPECT_EQ(height, -1);
  });
  PlayInRealTime();
  ASSERT_TRUE(player_.Open(EnsureClip("audio_only"), &surface_, false)) << player_.LastErrMsg();
  ASSERT_TRUE(PumpUntil([&] { return Reported(TPlayState::psEnd); }, 10s));
  Pump(300ms);  // a while after the end: no second end, no later position (what is tested)
  player_.Stop(true);
  PumpUntil([&] { return Reported(TPlayState::psStop); }, 2s);
  EXPECT_EQ(States(),
            (std::vector<TPlayState>{TPlayState::psPlay, TPlayState::psEnd, TPlayState::psStop}));
  ASSERT_FALSE(Positions().empty());
  EXPECT_EQ(Positions().back(), duration);
}

// Once failed about one run in two: the reader marked the seek after putting the flush
// packets in, undoing the video thread's mark, so every new picture was dropped as stale.
TEST_F(PlayerComponentTest, ASeekBackFromTheEndPlaysAndReportsTheEndAgain) {
  PlayInRealTime();
  ASSERT_TRUE(player_.Open(EnsureClip("avi_mpeg4_mp3"), &surface_, false)) << player_.LastErrMsg();
  ASSERT_TRUE(PumpUntil([&] { return Reported(TPlayState::psEnd); }, 10s));
  const size_t before = Positions().size();
  player_.Seek(kSeekAny, true, 0);
  ASSERT_TRUE(PumpUntil(
      [&] {
        const auto states = States();
        return std::count(states.begin(), states.end(), TPlayState::psEnd) == 2;
      },
      10s));
  const std::vector<int64_t> positions = Positions();
  ASSERT_GT(positions.size(), before + 1);
  EXPECT_TRUE(std::any_of(positions.begin() + before, positions.end(),
                          [](int64_t p) { return p < 500000; }));  // resumed from the start
  EXPECT_EQ(positions.back(), positions[before - 1]);  // and ended at the duration again
}

TEST_F(PlayerComponentTest, AHandlerOnTheMainThreadCanOpenTheNextFile) {
  const std::string next = EnsureClip("short3s");
  std::atomic<bool> reopened{false};
  player_.SetOnState([&](TCustomPlayer& sender, TPlayState state) {
    std::lock_guard lock(mutex_);
    states_.push_back({&sender, state});
    if (state != TPlayState::psEnd || reopened) return;
    reopened = true;
    mutex_.unlock();
    const bool opened = sender.Open(next, &surface_, false);
    mutex_.lock();
    EXPECT_TRUE(opened) << sender.LastErrMsg();
  });
  ASSERT_TRUE(player_.Open(EnsureClip("avi_mpeg4_mp3"), &surface_, false)) << player_.LastErrMsg();
  ASSERT_TRUE(PumpUntil([&] { return reopened && States().size() >= 5; }, 10s));
  EXPECT_EQ(States(),
            (std::vector<TPlayState>{TPlayState::psPlay, TPlayState::psEnd, TPlayState::psStop,
                                     TPlayState::psPlay, TPlayState::psEnd}));
  EXPECT_EQ(player_.FileName(), next);
}

TEST_F(PlayerComponentTest, APlayerDestroyedWhilePlayingOrPausedStopsQuietly) {
  for (const bool paused : {false, true}) {
    const auto start = Clock::now();
    {
      TMemorySurface surface(320, 240);  // outlives the player's playback
      TMediaPlayer player;
      Record(player);
      ASSERT_TRUE(player.Open(EnsureClip("short3s"), &surface, paused)) << player.LastErrMsg();
      ASSERT_TRUE(surface.WaitShown(1, 3s));
    }
    EXPECT_LT(Milliseconds(Clock::now() - start), 2000.0);
    Pump(50ms);                     // a late event would arrive within this: none is what is tested
    EXPECT_TRUE(States().empty());  // the handlers went before the stop
    EXPECT_EQ(api().SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
  }
}

TEST_F(PlayerComponentTest, WithoutASurfaceThePlayerUsesAWindowOfItsOwnAndEndsItsVideo) {
  test::TEnvGuard video("SDL_VIDEODRIVER");
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  PlayInRealTime();  // sound written at full speed would leave every picture late
  ASSERT_TRUE(player_.Open(EnsureClip("avi_mpeg4_mp3"), nullptr, false)) << player_.LastErrMsg();
  EXPECT_NE(api().SDL_WasInit(SDL_INIT_VIDEO), 0u);
  EXPECT_TRUE(PumpUntil([&] { return Positions().size() >= 5; }, 3s));  // pictures are shown
  player_.Stop(true);
  EXPECT_EQ(api().SDL_WasInit(SDL_INIT_EVERYTHING), 0u);

  player_.SetDisableDisplay(true);  // no drawing: no window and no video
  ASSERT_TRUE(player_.Open(EnsureClip("avi_mpeg4_mp3"), nullptr, false)) << player_.LastErrMsg();
  EXPECT_TRUE(player_.DisableVideo());
  EXPECT_EQ(player_.CurrentFrame().Width(), 0);
  EXPECT_TRUE(PumpUntil([&] { return Reported(TPlayState::psEnd); }, 5s));  // the sound plays
  // Checked once the play thread has run all along: it never made a window of its own.
  EXPECT_EQ(api().SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

TEST_F(PlayerComponentTest, BadInputsFailToOpenWithAMessage) {
  const fs::path empty = folder_ / "empty.avi";
  std::ofstream(empty).close();
  const fs::path garbage = folder_ / "garbage.avi";
  {
    std::ofstream out(garbage, std::ios::binary);
    for (int i = 0; i < 200000; ++i) out.put(static_cast<char>((i * 7919) >> 3));
  }
  const fs::path truncated = folder_ / "truncated.avi";
  {
    std::ifstream in(EnsureClip("avi_mpeg4_mp3"), std::ios::binary);
    std::vector<char> head(2000);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    std::ofstream(truncated, std::ios::binary).write(head.data(), in.gcount());
  }
  for (const fs::path& bad : {folder_ / "missing.avi", empty, garbage, truncated}) {
    SCOPED_TRACE(bad.string());
    EXPECT_FALSE(player_.Open(bad.string(), &surface_, false));
    EXPECT_EQ(player_.LastErrMsg().rfind(bad.string(), 0), 0u) << player_.LastErrMsg();
    EXPECT_FALSE(player_.Opened());
    EXPECT_EQ(api().SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
  }
  EXPECT_TRUE(States().empty());
}

}  // namespace
}  // namespace qarvo
