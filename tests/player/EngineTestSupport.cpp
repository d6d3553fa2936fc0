#include "EngineTestSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <numeric>

#include "media/LibraryLoader.h"
#include "player/TPlayerState.h"

#include "support/TestMedia.h"
#include "support/TestPicture.h"

namespace qarvo {

double Now() { return PlayerNow(); }

bool TTestHost::WaitPositionUpdates(int count, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return positionUpdated_.wait_for(lock, timeout, [&] { return positionUpdates_ >= count; });
}

void TTestHost::PositionUpdate() {
  if (engine_) {
    const double clock = engine_->MasterClock();
    std::lock_guard<std::mutex> lock(mutex_);
    positions_.push_back(clock);
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++positionUpdates_;
  }
  positionUpdated_.notify_all();
  if (engine_ && engine_->EofReached() && !engine_->EndReported()) {
    engine_->SetEndReported();
    ReportState(TPlayState::psEnd);
  }
}

void TTestHost::ReportState(TPlayState state) {
  std::lock_guard<std::mutex> lock(mutex_);
  states_.push_back(state);
}

void TTestHost::HookPicture(const AVFrame& picture, uint8_t* const overlay[3],
                            const int overlayPitch[3], double) {
  ++hooked_;
  if (HookAction) HookAction();
  const int value = PaintLuma;
  if (value < 0) return;
  for (int y = 0; y < picture.height; ++y)
    std::fill_n(overlay[0] + y * overlayPitch[0], picture.width, static_cast<uint8_t>(value));
}

std::vector<double> TTestHost::Positions() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return positions_;
}

std::vector<TPlayState> TTestHost::States() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return states_;
}

void TMemorySurface::ClientSize(int& width, int& height) const {
  std::lock_guard<std::mutex> lock(mutex_);
  width = width_;
  height = height_;
}

bool TMemorySurface::SetMode(int width, int height) {
  std::lock_guard<std::mutex> lock(mutex_);
  width_ = width;
  height_ = height;
  return true;
}

void TMemorySurface::Show(const TYuvPicture& picture, const TDisplayRect& rect) {
  TShownPicture shown;
  shown.Time = Now();
  shown.Frame = ReadFrameNumber(picture.Plane[0], picture.Pitch[0], picture.Width, picture.Height);
  shown.Width = picture.Width;
  shown.Height = picture.Height;
  shown.Rect = rect;
  std::vector<uint8_t> luma(static_cast<size_t>(picture.Width) * picture.Height);
  for (int y = 0; y < picture.Height; ++y)
    std::copy_n(picture.Plane[0] + y * picture.Pitch[0], picture.Width,
                luma.begin() + y * picture.Width);
  shown.MeanLuma = luma.empty() ? 0
                                : static_cast<int>(std::accumulate(luma.begin(), luma.end(), 0LL) /
                                                   static_cast<long long>(luma.size()));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    shown_.push_back(shown);
    lastLuma_ = std::move(luma);
    lastWidth_ = picture.Width;
    lastHeight_ = picture.Height;
  }
  changed_.notify_all();
}

void TMemorySurface::SetListener(TVideoSurfaceListener* listener) {
  std::lock_guard<std::mutex> lock(mutex_);
  listener_ = listener;
}

TVideoSurfaceListener* TMemorySurface::Listener() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return listener_;
}

std::vector<TShownPicture> TMemorySurface::Shown() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shown_;
}

int TMemorySurface::ShownCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(shown_.size());
}

bool TMemorySurface::WaitShown(int count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return static_cast<int>(shown_.size()) >= count; });
}

TShownPicture TMemorySurface::Last() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shown_.empty() ? TShownPicture{} : shown_.back();
}

std::vector<uint8_t> TMemorySurface::LastLuma(int& width, int& height) const {
  std::lock_guard<std::mutex> lock(mutex_);
  width = lastWidth_;
  height = lastHeight_;
  return lastLuma_;
}

void EngineTest::SetUp() {
  // The disk sound driver writes what is played into this file.
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  // The media folder is shared by every test program running at the time: the name carries
  // the process so two runs of the same test never write into one file.
  audioFile_ = TestMediaDir() + "/played-" + info->test_suite_name() + "-" + info->name() + "-" +
               std::to_string(::getpid()) + ".raw";
  setenv("SDL_DISKAUDIOFILE", audioFile_.c_str(), 1);
  TLibraryLoader& loader = TLibraryLoader::Instance();
  ASSERT_TRUE(loader.Load(kPlayerLibraries)) << loader.LastError();
  engine_ = std::make_unique<TPlayerEngine>(host_, &surface_);
  host_.SetEngine(engine_.get());
}

void EngineTest::TearDown() {
  Stop();
  engine_.reset();
  std::remove(audioFile_.c_str());
}

bool EngineTest::Open(const std::string& path, bool paused) {
  if (!engine_->Open(path, "", paused)) return false;
  StartPlayThread();
  return true;
}

void EngineTest::StartPlayThread() {
  playThread_ = std::thread([this] { engine_->RunEventLoop(); });
}

void EngineTest::Stop() {
  if (engine_) engine_->PostQuit();
  if (playThread_.joinable()) playThread_.join();
  if (engine_) engine_->Close();
}

bool EngineTest::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    // The last resort: what is shown and heard has no event of its own to wait on.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

}  // namespace qarvo

namespace qarvo {

void RealTimeEngineTest::SetUp() {
  unsetenv("SDL_DISKAUDIODELAY");
  EngineTest::SetUp();
}

}  // namespace qarvo
