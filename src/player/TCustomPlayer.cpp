#include "player/TCustomPlayer.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "base/EngineRecords.h"
#include "base/MainThread.h"
#include "base/PumpingLock.h"
#include "base/StringFormat.h"
#include "media/EngineLogger.h"
#include "media/LibraryLoader.h"
#include "player/TEventThread.h"
#include "player/TPlayThread.h"
#include "player/TPlayerEngine.h"
#include "player/TPlayerRegistry.h"

namespace qarvo {

namespace {

using namespace std::chrono_literals;

// The waiting stop. Each round waits for the play thread, then for the lock the play thread
// holds while it handles one event; a play thread that has not answered the quit request
// after kQuitRounds rounds (kQuitRoundsOutsideRead while the reader is not stuck in a read)
// is left behind and the file closed here. Worst case about 0.8 s, so a stop always
// completes within a second.
constexpr std::chrono::milliseconds kStopSlice{50};
constexpr int kQuitRounds = 4;
constexpr int kQuitRoundsOutsideRead = 8;
// How long a stop or an Open waits for a thread to leave before leaving it behind.
constexpr std::chrono::milliseconds kThreadLeaveWait{100};
// How long a waiting stop lets a play thread that is closing the file finish.
constexpr std::chrono::milliseconds kClosingWait{3000};
constexpr std::chrono::milliseconds kEventThreadLeaveWait{1000};
// Files a waiting stop stops that handlers open again while it waits.
constexpr int kStopRounds = 3;

void LogError(const void* sender, const std::string& message) {
  TEngineLogger::GetLogger().Log(sender, TLogLevel::llError, message);
}

}  // namespace

TCustomPlayer::TCustomPlayer(void* owner) : TMediaComponent(owner) {}

TCustomPlayer::~TCustomPlayer() { StopBeforeDestruction(); }

// Every thread that may still call into this player ends here, before the most derived
// destructor has run: a play thread retired while it still played calls the player's virtual
// members, which a destructor further down would already have changed.
void TCustomPlayer::EndRetiredThreads() {
  if (eventThread_) {
    TMainThread::WaitPumping([&] { return eventThread_->Finished(); }, kEventThreadLeaveWait);
    retiredEventThreads_.push_back(std::move(eventThread_));
  }
  // A play thread retired while it still played is told to end before it is joined.
  for (auto& thread : retiredPlayThreads_)
    if (!thread->Finished()) thread->Quit();
  TMainThread::WaitPumping(
      [&] {
        for (auto& thread : retiredPlayThreads_)
          if (!thread->Finished()) return false;
        return true;
      },
      kEventThreadLeaveWait);
  for (auto& thread : retiredEventThreads_) thread->Terminate();
  TMainThread::WaitPumping(
      [&] {
        for (auto& thread : retiredEventThreads_)
          if (!thread->Finished()) return false;
        return true;
      },
      kEventThreadLeaveWait);
  retiredEventThreads_.clear();
  retiredPlayThreads_.clear();
}

void TCustomPlayer::StopBeforeDestruction() {
  {
    std::lock_guard lock(eventsMutex_);
    onFileOpen_ = nullptr;
    onHook_ = nullptr;
    onPosition_ = nullptr;
    onState_ = nullptr;
  }
  Stop(true);
  EndRetiredThreads();
}

void TCustomPlayer::SetOnFileOpen(TFileOpenEvent handler) {
  std::lock_guard lock(eventsMutex_);
  onFileOpen_ = std::move(handler);
}

void TCustomPlayer::SetOnHook(THookEvent handler) {
  std::lock_guard lock(eventsMutex_);
  onHook_ = std::move(handler);
}

void TCustomPlayer::SetOnPosition(TPositionEvent handler) {
  std::lock_guard lock(eventsMutex_);
  onPosition_ = std::move(handler);
}

void TCustomPlayer::SetOnState(TPlayStateEvent handler) {
  std::lock_guard lock(eventsMutex_);
  onState_ = std::move(handler);
}

std::string TCustomPlayer::LastErrMsg() const {
  std::lock_guard lock(errorMutex_);
  return lastErrMsg_;
}

void TCustomPlayer::SetLastErrMsg(const std::string& message) {
  std::lock_guard lock(errorMutex_);
  lastErrMsg_ = message;
}

int64_t TCustomPlayer::LastPosition() const {
  std::lock_guard lock(positionMutex_);
  return positionRule_.Last();
}

std::shared_ptr<TPlayerEngine> TCustomPlayer::CurrentEngine() const {
  std::lock_guard lock(engineMutex_);
  return engine_;
}

std::shared_ptr<TNotificationRing> TCustomPlayer::CurrentRing() const {
  std::lock_guard lock(engineMutex_);
  return ring_;
}

bool TCustomPlayer::Opened() const {
  const std::shared_ptr<TPlayerEngine> engine = CurrentEngine();
  return engine && !engine->Closed();
}

bool TCustomPlayer::Paused() const {
  const std::shared_ptr<TPlayerEngine> engine = CurrentEngine();
  return engine && !engine->Closed() && engine->Paused();
}

bool TCustomPlayer::NotificationThreadRunning() const {
  if (eventThread_ && !eventThread_->Finished()) return true;
  for (const auto& thread : retiredEventThreads_)
    if (!thread->Finished()) return true;
  return false;
}

// ---- Libraries and opening -------------------------------------------------------------------

bool TCustomPlayer::AVLibLoaded() const {
  return TLibraryLoader::Instance().Loaded(kPlayerLibraries);
}

bool TCustomPlayer::LoadAVLib(const std::string& folder) {
  TLibraryLoader& loader = TLibraryLoader::Instance();
  loader.SetLibPath(folder);
  if (loader.Load(kPlayerLibraries)) return true;
  SetLastErrMsg(loader.LastError());
  return false;
}

void TCustomPlayer::ApplyDrivers() const {
  // SDL takes its drivers from the environment. Changing it races any other thread reading
  // the environment at that moment; it stays until the drivers go to SDL's own init calls.
  // NOLINTBEGIN(concurrency-mt-unsafe)
  if (const char* audio = AudioDriverName(audioDriver_)) setenv("SDL_AUDIODRIVER", audio, 1);
  if (const char* video = VideoDriverName(videoDriver_)) setenv("SDL_VIDEODRIVER", video, 1);
  // NOLINTEND(concurrency-mt-unsafe)
}

bool TCustomPlayer::Open(const std::string& fileName, TVideoSurface* surface, bool paused) {
  if (!AVLibLoaded()) {
    SetLastErrMsg(kNotLoaded);
    return false;
  }
  TCustomPlayer* playing = TPlayerRegistry::Current();
  if (playing && playing != this) playing->Stop(true);
  Stop(true);

  ApplyDrivers();
  const bool ownWindow = surface == nullptr && !controls_.DisableDisplay;
  std::string sdlError;
  if (!sdl_.Start(!controls_.DisableAudio, ownWindow, sdlError)) {
    SetLastErrMsg(Format("Could not initialize SDL with ScreenHandle(%u): %s",
                         static_cast<unsigned>(reinterpret_cast<uintptr_t>(surface)),
                         sdlError.c_str()));
    return false;
  }
  if (controls_.DisableDisplay) {
    controls_.DisableVideo = true;
  } else if (ownWindow && api().SDL_GetNumVideoDisplays() < 1) {
    SetLastErrMsg("SDL_GetVideoInfo() failed");
    sdl_.End();
    return false;
  }
  if (!StartPlayback(fileName, surface, paused)) {
    sdl_.End();
    return false;
  }
  return true;
}

bool TCustomPlayer::StartPlayback(const std::string& fileName, TVideoSurface* surface,
                                  bool paused) {
  // Before the engine's threads exist: the hook converter belongs to the video thread then.
  hookPicture_.Reset();
  snapshotPicture_.Reset();
  {
    std::lock_guard lock(positionMutex_);
    positionRule_.Reset();
    audioEndReported_ = false;
  }
  RetireThreads();
  auto engine = std::make_shared<TPlayerEngine>(*this, surface);
  {
    // Set before Open: the engine may report while it opens.
    std::lock_guard lock(engineMutex_);
    engine_ = engine;
    ring_ = std::make_shared<TNotificationRing>();
  }
  // Queued before the engine opens: opening paused reports psPause from the video thread,
  // which may run before the play thread starts. A failed open drops the ring undelivered.
  const TPlayState previousState = state_;
  QueueState(*CurrentRing(), TPlayState::psPlay);
  bool opened = false;
  try {
    opened = engine->Open(fileName, {}, paused);
    if (!opened) SetLastErrMsg(engine->LastError());
  } catch (const std::exception& e) {
    SetLastErrMsg(e.what());
  }
  if (!opened) {
    state_ = previousState;
    std::lock_guard lock(engineMutex_);
    engine_.reset();
    ring_.reset();
    return false;
  }
  fileName_ = fileName;
  surface_ = surface;
  try {
    probe_.Attach(engine->FormatContext());
  } catch (const std::exception& e) {
    LogError(this, e.what());
  }
  TPlayerRegistry::SetCurrent(this);
  FireFileOpen(*engine, surface);
  StartThreads(engine);
  return true;
}

void TCustomPlayer::FireFileOpen(TPlayerEngine& engine, TVideoSurface* surface) {
  TFileOpenEvent handler;
  {
    std::lock_guard lock(eventsMutex_);
    handler = onFileOpen_;
  }
  int screenWidth = controls_.ScreenWidth;
  int screenHeight = controls_.ScreenHeight;
  if (handler) {
    const int64_t duration = engine.ImageSequence() ? 0 : engine.Duration();
    const bool video = engine.HasVideo();
    const int width = video ? engine.VideoWidth() : -1;
    const int height = video ? engine.VideoHeight() : -1;
    RunHandler("OnFileOpen", [&] {
      handler(static_cast<TCustomPlayer&>(*this), duration, width, height, screenWidth,
              screenHeight);
    });
    controls_.ScreenWidth = screenWidth;
    controls_.ScreenHeight = screenHeight;
  }
  if (surface && (screenWidth == 0 || screenHeight == 0)) {
    int width = 0, height = 0;
    surface->ClientSize(width, height);
    controls_.ScreenWidth = width;
    controls_.ScreenHeight = height;
  }
}

void TCustomPlayer::StartThreads(const std::shared_ptr<TPlayerEngine>& engine) {
  std::shared_ptr<TNotificationRing> ring = CurrentRing();
  TEventThread::TFlag predecessor;
  for (const auto& thread : retiredEventThreads_)
    if (!thread->Finished()) predecessor = thread->FinishedFlag();
  eventThread_ = std::make_unique<TEventThread>(
      ring, [this](const TNotification& item) { Deliver(item); }, predecessor);
  playThread_ =
      std::make_unique<TPlayThread>(engine, controls_.PlayThreadRunning,
                                    [this, ring](TPlayState state) { QueueState(*ring, state); });
}

// ---- Stopping ------------------------------------------------------------------------------

void TCustomPlayer::Stop(bool wait) {
  // A handler run while the wait pumps may open a file again: that playback is stopped too,
  // so that nothing plays once a waiting stop returns.
  for (int round = 0;; ++round) {
    const std::shared_ptr<TPlayerEngine> engine = CurrentEngine();
    if (engine && !engine->Closed()) {
      // The probe must let go of the container before the reader closes it.
      probe_.CloseFile();
      if (engine->Paused()) engine->TogglePause();
      engine->PostQuit();
    }
    if (!wait) return;
    if (playThread_) WaitForPlayThread(engine);
    if (CurrentEngine() == engine || round >= kStopRounds) break;
  }
  FinishStop();
}

void TCustomPlayer::WaitForPlayThread(const std::shared_ptr<TPlayerEngine>& engine) {
  int rounds = 1;
  for (;;) {
    if (TMainThread::WaitPumping([&] { return controls_.PlayThreadRunning.IsSet(); }, kStopSlice))
      return;
    if (!engine || engine->Closed()) return WaitForClosingPlayThread();
    if (!TryLockPumping(controls_.Lock, kStopSlice)) continue;
    std::unique_lock lock(controls_.Lock, std::adopt_lock);
    ++rounds;
    if (rounds <= kQuitRounds || (rounds <= kQuitRoundsOutsideRead && !engine->InRead())) {
      engine->PostQuit();
      continue;
    }
    engine->Close();
    lock.unlock();
    return WaitForClosingPlayThread();
  }
}

void TCustomPlayer::WaitForClosingPlayThread() {
  // The file is closed or closing; the play thread still owns its window and SDL's video
  // until it leaves, and a waiting stop promises SDL released. Closing never blocks on a
  // stuck read, so this ends.
  TMainThread::WaitPumping([&] { return controls_.PlayThreadRunning.IsSet(); }, kClosingWait);
}

void TCustomPlayer::FinishStop() {
  if (playThread_) {
    TMainThread::WaitPumping([&] { return playThread_->Finished(); }, kThreadLeaveWait);
    if (playThread_->Finished())
      playThread_.reset();
    else
      retiredPlayThreads_.push_back(std::move(playThread_));
  }
  {
    // The notification thread keeps its own ring to deliver psStop.
    std::lock_guard lock(engineMutex_);
    engine_.reset();
  }
  probe_.CloseFile();
  sdl_.End();
  surface_ = nullptr;
  TPlayerRegistry::Release(this);
  RetireThreads();
}

void TCustomPlayer::RetireThreads() {
  if (eventThread_) {
    // It ends once it has delivered psStop; a handler of it running on the main thread right
    // now cannot end before we return, so then it is not waited for.
    if (!eventThread_->Finished() && mainHandlerDepth_ == 0)
      TMainThread::WaitPumping([&] { return eventThread_->Finished(); }, kEventThreadLeaveWait);
    retiredEventThreads_.push_back(std::move(eventThread_));
  }
  retiredEventThreads_.remove_if([](const auto& thread) { return thread->Finished(); });
  retiredPlayThreads_.remove_if([](const auto& thread) { return thread->Finished(); });
}

// ---- Playback control ----------------------------------------------------------------------

void TCustomPlayer::AspectRatioChanged() {
  const std::shared_ptr<TPlayerEngine> engine = CurrentEngine();
  if (engine && !engine->Closed()) engine->AspectChanged();
}

void TCustomPlayer::Pause() {
  const std::shared_ptr<TPlayerEngine> engine = CurrentEngine();
  if (!engine || engine->Closed() || engine->Paused()) return;
  engine->TogglePause();
  ReportState(TPlayState::psPause);
}

void TCustomPlayer::Resume() {
  const std::shared_ptr<TPlayerEngine> engine = CurrentEngine();
  if (!engine || engine->Closed() || !engine->Paused()) return;
  engine->TogglePause();
  ReportState(TPlayState::psResume);
}

void TCustomPlayer::Seek(int flags, bool wait, int64_t target) {
  const std::shared_ptr<TPlayerEngine> engine = CurrentEngine();
  if (!engine || engine->Closed()) return;
  flags &= kSeekBackward | kSeekByte | kSeekAny | kSeekFrame;
  int64_t relative = 0;
  if (!(flags & kSeekByte)) {
    relative = target <= 0 ? 1 : 0;
    const int64_t duration = engine->Duration();
    if (duration > 0 && target > duration) target = duration;
    if (engine->StartTime() != kNoTimestamp) target += engine->StartTime();
  }
  engine->RequestSeek(target, relative, flags, wait);
}

void TCustomPlayer::SeekRelative(uint8_t flags, bool wait, double offset) {
  const std::shared_ptr<TPlayerEngine> engine = CurrentEngine();
  if (!engine || engine->Closed() || !std::isfinite(offset)) return;
  const int seekFlags = flags & (kSeekBackward | kSeekByte | kSeekAny | kSeekFrame);
  int64_t target = 0;
  int64_t distance = 0;
  if (seekFlags & kSeekByte) {
    const int64_t bitRate = engine->BitRate();
    distance =
        std::llround(bitRate > 0 ? offset * static_cast<double>(bitRate) / 8.0 : offset * 180000.0);
    target = std::max<int64_t>(engine->BytePosition(), 0) + distance;
  } else {
    distance = std::llround(offset * 1000000.0);
    target = std::llround((engine->MasterClock() + offset) * 1000000.0);
  }
  engine->RequestSeek(target, distance, seekFlags, wait);
}

TBitmap& TCustomPlayer::CurrentFrame() {
  int64_t pts = 0;
  return CurrentFrame(pts);
}

TBitmap& TCustomPlayer::CurrentFrame(int64_t& pts) {
  pts = -1;
  const std::shared_ptr<TPlayerEngine> engine = CurrentEngine();
  if (!engine || engine->Closed() || !engine->HasVideo()) {
    snapshot_.SetSize(0, 0);
    return snapshot_;
  }
  snapshot_.SetSize(engine->VideoWidth(), engine->VideoHeight());
  std::memset(snapshot_.Bits(), 0, snapshot_.SizeInBytes());
  double ptsSeconds = 0;
  bool got = false;
  try {
    got = engine->CurrentPicture(snapshotPicture_, ptsSeconds);
  } catch (const std::exception& e) {
    LogError(this, e.what());
  }
  const TBitmap* picture = snapshotPicture_.Bitmap();
  if (!got || !picture) return snapshot_;
  snapshot_.SetSize(picture->Width(), picture->Height());
  std::memcpy(snapshot_.Bits(), picture->Bits(), snapshot_.SizeInBytes());
  pts = TPositionRule::PositionOf(ptsSeconds, engine->StartTime());
  return snapshot_;
}

// ---- Reports from the engine ---------------------------------------------------------------

void TCustomPlayer::ReportState(TPlayState state) {
  if (const std::shared_ptr<TNotificationRing> ring = CurrentRing())
    QueueState(*ring, state);
  else
    state_ = state;
}

void TCustomPlayer::QueueState(TNotificationRing& ring, TPlayState state) {
  state_ = state;
  bool handled = false;
  {
    std::lock_guard lock(eventsMutex_);
    handled = static_cast<bool>(onState_);
  }
  if (handled)
    ring.Push({TNotificationKind::nkState, state, 0});
  else if (state == TPlayState::psStop)
    ring.Push({TNotificationKind::nkEnd, state, 0});  // the notification thread must still end
}

int64_t TCustomPlayer::StartOffset(const TPlayerEngine& engine) const {
  const int64_t start = engine.StartTime();
  return start == kNoTimestamp ? 0 : start;
}

void TCustomPlayer::PositionUpdate() {
  const std::shared_ptr<TPlayerEngine> engine = CurrentEngine();
  if (!engine || engine->ImageSequence()) return;
  // Until the first picture after a seek, the clocks still tell the old position.
  if (controls_.Seeking) return;
  const double clock = engine->HasVideo() ? engine->VideoClock() : engine->AudioClock();
  int64_t position = TPositionRule::PositionOf(clock, engine->StartTime());
  bool report = false;
  {
    std::lock_guard lock(positionMutex_);
    if (!engine->EofReached()) positionRule_.Resume();
    report = positionRule_.Update(position, engine->Duration());
  }
  if (report) QueuePosition(position);
  if (!ReachedEnd(*engine)) return;
  const int64_t duration = engine->Duration();
  bool finish = false;
  {
    std::lock_guard lock(positionMutex_);
    finish = positionRule_.Finish(duration);
  }
  if (finish) QueuePosition(duration);
  ReportState(TPlayState::psEnd);
}

void TCustomPlayer::QueuePosition(int64_t position) {
  bool handled = false;
  {
    std::lock_guard lock(eventsMutex_);
    handled = static_cast<bool>(onPosition_);
  }
  const std::shared_ptr<TNotificationRing> ring = CurrentRing();
  if (handled && ring) ring->Push({TNotificationKind::nkPosition, state_, position});
}

bool TCustomPlayer::ReachedEnd(TPlayerEngine& engine) {
  if (engine.Capture()) return false;
  std::lock_guard lock(positionMutex_);
  if (engine.HasVideo()) {
    if (engine.EndReported() || !engine.EofReached()) return false;
    engine.SetEndReported();
    return true;
  }
  // Nothing clears the engine's flag for sound alone, so the end is reported on each arrival
  // at it (again after a seek back), not on every refresh at it.
  const bool eof = engine.EofReached();
  if (!eof) audioEndReported_ = false;
  if (!eof || audioEndReported_) return false;
  audioEndReported_ = true;
  return true;
}

void TCustomPlayer::HookPicture(const AVFrame& picture, uint8_t* const overlay[3],
                                const int overlayPitch[3], double ptsSeconds) {
  THookEvent handler;
  {
    std::lock_guard lock(eventsMutex_);
    handler = onHook_;
  }
  if (!controls_.Hook || !handler) return;
  if (!hookPicture_.ToBitmap(picture) || !hookPicture_.Bitmap()) {
    LogError(this, "Cannot initialize the toRGB conversion context");
    return;
  }
  int64_t start = kNoTimestamp;
  if (const std::shared_ptr<TPlayerEngine> engine = CurrentEngine()) start = engine->StartTime();
  const int64_t pts = TPositionRule::PositionOf(ptsSeconds, start);
  TBitmap& bitmap = *hookPicture_.Bitmap();
  {
    TCanvasLock canvas(bitmap);
    try {
      handler(*this, bitmap, pts);
    } catch (const std::exception& e) {
      LogError(this, std::string("Error occurs OnHook: ") + e.what());
      return;
    } catch (...) {
      LogError(this, "Error occurs OnHook: unknown exception");
      return;
    }
  }
  // The overlay is planar 4:2:0 of the picture's size; anything else is not written over.
  const auto format = static_cast<AVPixelFormat>(picture.format);
  TPictureView target;
  for (int i = 0; i < 3; ++i) {
    target.Data[i] = overlay[i];
    target.LineSize[i] = overlayPitch[i];
  }
  target.Format = AV_PIX_FMT_YUV420P;
  target.Width = picture.width;
  target.Height = picture.height;
  if ((format != AV_PIX_FMT_YUV420P && format != AV_PIX_FMT_YUVJ420P) ||
      !hookPicture_.Converted() || !hookPicture_.FromBitmap(target))
    LogError(this, "Cannot initialize the fromRGB conversion context");
}

// ---- Delivery ------------------------------------------------------------------------------

void TCustomPlayer::Deliver(const TNotification& item) {
  // The handler is read where it runs: one cleared meanwhile (the player is being destroyed)
  // is not called.
  if (item.Kind == TNotificationKind::nkPosition) {
    RunHandler("OnPosition", [&] {
      TPositionEvent handler;
      {
        std::lock_guard lock(eventsMutex_);
        handler = onPosition_;
      }
      if (handler) handler(*this, item.Position);
    });
  } else if (item.Kind == TNotificationKind::nkState) {
    RunHandler("OnState", [&] {
      TPlayStateEvent handler;
      {
        std::lock_guard lock(eventsMutex_);
        handler = onState_;
      }
      if (handler) handler(*this, item.State);
    });
  }
}

void TCustomPlayer::RunHandler(const char* event, const std::function<void()>& call) {
  auto guarded = [&] {
    try {
      call();
    } catch (const std::exception& e) {
      LogError(this, Format("Error occurs %s: %s", event, e.what()));
    } catch (...) {
      LogError(this, Format("Error occurs %s: unknown exception", event));
    }
  };
  if (!triggerEventInMainThread_ || TMainThread::IsMainThread()) {
    guarded();
    return;
  }
  TMainThread::RunInMainThread([&] {
    // The notification thread waits for this handler: a stop or an Open from inside it must
    // not wait for that thread.
    ++mainHandlerDepth_;
    guarded();
    --mainHandlerDepth_;
  });
}

}  // namespace qarvo
