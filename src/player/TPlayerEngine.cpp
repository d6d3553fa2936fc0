#include "player/TPlayerEngine.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <system_error>
#include <thread>

#include "base/MainThread.h"
#include "base/StringFormat.h"
#include "media/EngineLogger.h"
#include "media/TRGBPicture.h"
#include "player/TPlayerAudio.h"
#include "player/TPlayerState.h"
#include "player/TReadThread.h"
#include "player/TSdlWindowSurface.h"
#include "player/TStreamComponents.h"
#include "player/TVideoRefresh.h"

namespace qarvo {

namespace {

using namespace std::chrono_literals;

constexpr auto kWaitStep = 100ms;
// A seek that waits gives up after this long rather than hang its caller.
constexpr auto kSeekWaitLimit = std::chrono::seconds(10);
// How long Close lets a read thread finish before leaving it to end on its own.
constexpr auto kReadThreadGrace = 300ms;

// Runs work to its end. On the main thread it runs on a thread of its own while this one keeps
// running handed-over calls: the work joins threads that may be handing one over (a log line).
void RunPumping(const std::function<void()>& work) {
  if (!TMainThread::IsMainThread()) {
    work();
    return;
  }
  std::atomic<bool> done{false};
  std::exception_ptr error;
  std::thread worker;
  try {
    worker = std::thread([&] {
      try {
        work();
      } catch (...) {
        error = std::current_exception();
      }
      // SDL keeps per-thread data (its error text) for threads it did not create.
      if (api().SDL_TLSCleanup) api().SDL_TLSCleanup();
      done = true;
    });
  } catch (const std::system_error&) {
    work();  // no thread to spare: the work waits here, as it would on any other thread
    return;
  }
  while (!TMainThread::WaitPumping([&] { return done.load(); }, kWaitStep)) {
  }
  worker.join();
  if (error) std::rethrow_exception(error);
}

void RefreshLoop(const std::shared_ptr<TPlayerState>& state) {
  while (!state->AbortRequest) {
    if (!state->RefreshPending.exchange(true)) state->Events->Post(TPlayEventKind::Refresh);
    std::this_thread::sleep_for(state->ShowMode == 1 ? 20ms : 5ms);
  }
}

}  // namespace

void TPlayerEngine::TSurfaceEvents::SurfaceResized(int width, int height) {
  events_.Post(TPlayEvent{TPlayEventKind::Resize, width, height});
}

void TPlayerEngine::TSurfaceEvents::SurfaceExposed() { events_.Post(TPlayEventKind::Expose); }

TPlayerEngine::TPlayerEngine(TPlayerHost& host, TVideoSurface* surface)
    : host_(host), surface_(surface) {}

TPlayerEngine::~TPlayerEngine() { Close(); }

std::shared_ptr<TPlayerState> TPlayerEngine::Current() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return state_;
}

std::string TPlayerEngine::LastError() const { return lastError_; }

bool TPlayerEngine::WaitOpened(TPlayerState& state, int value, std::chrono::milliseconds timeout) {
  return TMainThread::WaitPumping(
      [&] { return value == 0 ? state.Opened != 0 : state.Opened == value; }, timeout);
}

bool TPlayerEngine::Open(const std::string& fileName, const std::string& forcedFormat,
                         bool paused) {
  Close();
  lastError_.clear();
  auto state = std::make_shared<TPlayerState>();
  state->Host = &host_;
  state->Events = &events_;
  state->FileName = fileName;
  state->ForcedFormat = forcedFormat;
  TPlayerControls& controls = host_.Controls();
  state->DisableDisplay = controls.DisableDisplay;
  if (paused) {
    state->Paused = true;
    state->StepCount = 1;
  }
  events_.Clear();
  controls.SeekDone.Set();
  controls.PictureDecoded.Set();
  controls.Seeking = false;
  try {
    state->ReadThread = std::thread(&TReadThread::Run, state);
  } catch (const std::system_error&) {
    lastError_ = "SDL_CreateThread() failed.";
    return false;
  }
  const std::chrono::milliseconds limit(std::max(0, controls.OpenTimeoutMs.load()));
  if (!WaitOpened(*state, 0, limit)) {
    AbandonOpen(*state);
    lastError_ = Format("%s: the file did not open within %d ms.", fileName.c_str(),
                        static_cast<int>(limit.count()));
    return false;
  }
  if (state->Opened != 1) {
    // OpenError is written before the failure is reported; the read thread cleans up itself.
    lastError_ = state->OpenError;
    if (!WaitOpened(*state, -2, limit) || !JoinReader(*state, limit)) AbandonOpen(*state);
    return false;
  }
  if (!state->HasVideo() && !state->DisableDisplay) state->ShowMode = 1;
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    state_ = state;
    if (surface_)
      refresh_ = std::make_shared<TVideoRefresh>(*state, *surface_);
    else if (state->DisableDisplay)
      refresh_ = std::make_shared<TVideoRefresh>(*state, blank_);
  }
  if (surface_) surface_->SetListener(&surfaceEvents_);
  if (!StartRefreshThread(state)) {
    Close();
    lastError_ = "SDL_CreateThread() failed.";
    return false;
  }
  return true;
}

void TPlayerEngine::AbandonOpen(TPlayerState& state) {
  // Set before the abort the read thread ends on, so it sees it when it finishes.
  state.OpenAbandoned = true;
  state.AbortRequest = true;
  state.AudioQueue.Abort();
  state.VideoQueue.Abort();
  state.SubtitleQueue.Abort();
  if (state.ReadThread.joinable()) state.ReadThread.detach();
}

bool TPlayerEngine::JoinReader(TPlayerState& state, std::chrono::milliseconds timeout) {
  if (!state.ReadThread.joinable()) return true;
  // Past ReadDone the read thread hands nothing to the main thread any more.
  if (!TMainThread::WaitPumping([&] { return state.ReadDone.load(); }, timeout)) return false;
  state.ReadThread.join();
  return true;
}

bool TPlayerEngine::StartRefreshThread(const std::shared_ptr<TPlayerState>& state) {
  try {
    state->RefreshThread = std::thread(&RefreshLoop, state);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

TVideoSurface* TPlayerEngine::ActiveSurface() const {
  return surface_ ? surface_ : ownSurface_.get();
}

void TPlayerEngine::RunEventLoop() {
  const std::shared_ptr<TPlayerState> opened = Current();
  if (!opened) return;
  // With the display disabled nothing is drawn, so no window (and no SDL video) is made.
  if (!surface_ && !opened->DisableDisplay) {
    auto own = std::make_unique<TSdlWindowSurface>();
    if (!own->Started())
      TEngineLogger::GetLogger().Log(&host_, TLogLevel::llError, "SDL: could not set video mode.");
    own->SetListener(&surfaceEvents_);
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (state_) refresh_ = std::make_shared<TVideoRefresh>(*state_, *own);
    ownSurface_ = std::move(own);
  }
  for (;;) {
    TPlayEvent event;
    bool got = events_.Wait(event, ownSurface_ ? 10ms : 50ms);
    if (ownSurface_ && ownSurface_->PumpEvents()) {
      event.Kind = TPlayEventKind::Quit;
      got = true;
    }
    if (!got) {
      if (!Current()) break;
      continue;
    }
    std::unique_lock<std::timed_mutex> lock(host_.Controls().Lock);
    const std::shared_ptr<TPlayerState> state = Current();
    if (!state) break;
    if (event.Kind == TPlayEventKind::Quit) {
      Close();
      break;
    }
    HandleEvent(*state, event);
  }
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (ownSurface_) {
      refresh_.reset();
      ownSurface_.reset();
    }
  }
  // SDL keeps per-thread data (its error text) for threads it did not create.
  if (api().SDL_TLSCleanup) api().SDL_TLSCleanup();
}

void TPlayerEngine::HandleEvent(TPlayerState& state, const TPlayEvent& event) {
  std::shared_ptr<TVideoRefresh> refresh;
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    refresh = refresh_;
  }
  if (!refresh) return;
  switch (event.Kind) {
    case TPlayEventKind::Refresh:
      refresh->Refresh(true);
      state.RefreshPending = false;
      break;
    case TPlayEventKind::Allocate:
      refresh->OpenSurface(false);
      break;
    case TPlayEventKind::Resize:
      Resize(state, event.Width, event.Height);
      if (state.Paused) refresh->Redraw();
      break;
    case TPlayEventKind::Expose:
      if (state.Paused)
        refresh->Refresh(false);
      else if (TVideoSurface* surface = ActiveSurface())
        surface->Redraw();
      break;
    case TPlayEventKind::AspectChange:
      refresh->OpenSurface(true);
      refresh->Redraw();
      break;
    case TPlayEventKind::Quit:
      break;
  }
}

void TPlayerEngine::Resize(TPlayerState& state, int width, int height) {
  TVideoSurface* surface = ActiveSurface();
  if (!surface || width <= 0 || height <= 0) return;
  if (!surface->SetMode(width, height)) {
    TEngineLogger::GetLogger().Log(&host_, TLogLevel::llError, "SDL: could not set video mode.");
    return;
  }
  TPlayerControls& controls = host_.Controls();
  controls.ScreenWidth = width;
  controls.ScreenHeight = height;
  state.SurfaceWidth = width;
  state.SurfaceHeight = height;
}

void TPlayerEngine::PostQuit() { events_.Post(TPlayEventKind::Quit); }

void TPlayerEngine::Close() {
  std::shared_ptr<TPlayerState> state;
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    state = std::move(state_);
    state_.reset();
    if (!ownSurface_) refresh_.reset();
  }
  if (!state) return;
  if (surface_) surface_->SetListener(nullptr);
  RunPumping([&] { Shutdown(*state); });
  // Wakes a play thread waiting for its next event.
  events_.Post(TPlayEventKind::Quit);
}

void TPlayerEngine::Shutdown(TPlayerState& state) {
  state.AbortRequest = true;
  state.AudioQueue.Abort();
  state.VideoQueue.Abort();
  state.SubtitleQueue.Abort();
  if (state.RefreshThread.joinable()) state.RefreshThread.join();
  // The read thread ends first: the stream indices and discard flags are its own until then.
  // One stuck in a read that ignores the interrupt is left behind: it holds the state and
  // frees it (closing the input) when the read returns.
  const bool readerEnded = JoinReader(state, kReadThreadGrace);
  if (!readerEnded) state.ReadThread.detach();
  TStreamComponents::CloseAll(state, readerEnded);
  std::lock_guard<std::mutex> lock(state.Pictures.Mutex);
  state.Pictures.Release();
}

bool TPlayerEngine::Closed() const { return !Current(); }

void TPlayerEngine::TogglePause() {
  const std::shared_ptr<TPlayerState> state = Current();
  if (!state) return;
  TPlayerControls& controls = host_.Controls();
  if (!controls.SeekDone.Wait(std::chrono::milliseconds(250))) controls.SeekDone.Set();
  if (!Current()) return;
  if (state->Paused) {
    state->Clock.Resume(PlayerNow(), state->ReadPauseResult != AVERROR(ENOSYS));
  } else {
    if (state->HasVideo() && !controls.PictureDecoded.Wait(std::chrono::milliseconds(250)))
      controls.PictureDecoded.Set();
    state->Clock.Pause();
  }
}

void TPlayerEngine::AspectChanged() {
  if (Current()) events_.Post(TPlayEventKind::AspectChange);
}

void TPlayerEngine::RequestSeek(int64_t position, int64_t relative, int flags, bool wait) {
  const std::shared_ptr<TPlayerState> state = Current();
  if (!state || state->SeekRequest) return;
  TPlayerControls& controls = host_.Controls();
  controls.Seeking = true;
  state->PausedAtSeek = state->Paused.load();
  state->SeekPos = position;
  state->SeekRel = relative;
  state->SeekFlags = flags & 15;
  controls.SeekDone.Reset();
  state->SeekRequest = true;
  if (!wait) return;
  const auto limit = std::chrono::steady_clock::now() + kSeekWaitLimit;
  auto waitFor = [&](const TManualEvent& event) {
    while (std::chrono::steady_clock::now() < limit) {
      if (TMainThread::WaitPumping([&] { return event.IsSet() || state->AbortRequest; }, kWaitStep))
        return;
    }
  };
  waitFor(controls.SeekDone);
  if (state->HasVideo()) waitFor(controls.PictureDecoded);
}

bool TPlayerEngine::Paused() const {
  const auto state = Current();
  return state && state->Paused;
}
bool TPlayerEngine::HasVideo() const {
  const auto state = Current();
  return state && state->HasVideo();
}
bool TPlayerEngine::HasAudio() const {
  const auto state = Current();
  return state && state->HasAudio();
}
bool TPlayerEngine::ImageSequence() const {
  const auto state = Current();
  return state && state->ImageSequence;
}
bool TPlayerEngine::Capture() const {
  const auto state = Current();
  return state && state->Capture;
}
bool TPlayerEngine::EofReached() const {
  const auto state = Current();
  return state && state->EofReached;
}
bool TPlayerEngine::EndReported() const {
  const auto state = Current();
  return state && state->EndReported;
}
void TPlayerEngine::SetEndReported() {
  if (const auto state = Current()) state->EndReported = true;
}
bool TPlayerEngine::InRead() const {
  const auto state = Current();
  return state && state->InRead;
}
int64_t TPlayerEngine::StartTime() const {
  const auto state = Current();
  return state ? state->StartTime : AV_NOPTS_VALUE;
}
int64_t TPlayerEngine::Duration() const {
  const auto state = Current();
  return state ? state->Duration : -1;
}
int64_t TPlayerEngine::BitRate() const {
  const auto state = Current();
  return state ? state->BitRate : 0;
}
int64_t TPlayerEngine::BytePosition() const {
  const auto state = Current();
  if (!state) return -1;
  return state->VideoCurrentPos >= 0 ? state->VideoCurrentPos.load() : state->ReadPos.load();
}
int TPlayerEngine::VideoWidth() const {
  const auto state = Current();
  return state && state->HasVideo() ? state->DecodedWidth.load() : -1;
}
int TPlayerEngine::VideoHeight() const {
  const auto state = Current();
  return state && state->HasVideo() ? state->DecodedHeight.load() : -1;
}
double TPlayerEngine::VideoClock() const {
  const auto state = Current();
  return state ? state->VideoClockNow() : 0.0;
}
double TPlayerEngine::AudioClock() const {
  const auto state = Current();
  return state ? state->AudioClockNow() : 0.0;
}
double TPlayerEngine::MasterClock() const {
  const auto state = Current();
  return state ? state->MasterClock() : 0.0;
}
AVFormatContext* TPlayerEngine::FormatContext() const {
  const auto state = Current();
  return state ? state->Input.get() : nullptr;
}

bool TPlayerEngine::CurrentPicture(TRGBPicture& converter, double& ptsSeconds) const {
  std::shared_ptr<TVideoRefresh> refresh;
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    refresh = refresh_;
  }
  if (!refresh) return false;
  const TFramePtr picture = refresh->Shown(ptsSeconds);
  return picture && converter.ToBitmap(*picture);
}

}  // namespace qarvo
