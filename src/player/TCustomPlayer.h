// The player component as the application sees it: opens one file at a time onto a drawing
// surface, plays, pauses, seeks and stops it, hands out the current picture, lets the
// application change every picture before it is shown (OnHook), and reports the file, the
// position and the playback state. TMediaPlayer is the class applications use.
//
// Threads: every operation is called on the main thread. OnFileOpen runs on the caller of
// Open, OnPosition and OnState on the notification thread; all three are handed to the main
// thread when TriggerEventInMainThread (the default). OnHook runs on the engine's video
// thread with the bitmap's canvas locked, so it must not wait for the main thread. Waits on
// the main thread (Open, Stop with wait, seeks with wait) keep running handed-over calls.
//
// One player plays at a time in a process: an Open on any player first stops the one that is
// playing, waiting.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "base/TBitmap.h"
#include "base/TMediaComponent.h"
#include "media/TRGBPicture.h"
#include "probe/TMediaProbe.h"
#include "player/PlayerTypes.h"
#include "player/TNotificationRing.h"
#include "player/TPlayerHost.h"
#include "player/TPositionRule.h"
#include "player/TSdlSession.h"

namespace qarvo {

class TEventThread;
class TPlayThread;
class TPlayerEngine;

class TCustomPlayer : public TMediaComponent, public TPlayerHost {
 public:
  static constexpr const char* kVersion = "2.3";
  static constexpr const char* kNotLoaded = "libav or libsdl not loaded.";

  ~TCustomPlayer() override;

  const std::string& About() const { return about_; }
  void SetAbout(const std::string& value) { about_ = value; }
  std::string Version() const { return kVersion; }

  void SetOnFileOpen(TFileOpenEvent handler);
  void SetOnHook(THookEvent handler);
  void SetOnPosition(TPositionEvent handler);
  void SetOnState(TPlayStateEvent handler);

  // ---- Operations (main thread) -------------------------------------------------------------
  bool AVLibLoaded() const;
  bool LoadAVLib(const std::string& folder);
  // surface null: the player draws into a window of its own; otherwise it must stay alive
  // until the file is stopped (Stop with wait, the next Open or the player's destruction).
  // False with LastErrMsg set.
  bool Open(const std::string& fileName, TVideoSurface* surface, bool paused);
  void Stop(bool wait);
  void Pause();
  void Resume();
  // flags: kSeekBackward | kSeekByte | kSeekAny | kSeekFrame; target in microseconds from the
  // file's start (bytes with kSeekByte).
  void Seek(int flags, bool wait, int64_t target);
  // offset in seconds from the current position.
  void SeekRelative(uint8_t flags, bool wait, double offset);
  // The picture on screen as a 24-bit bitmap owned by the player (reused by the next call):
  // the decoded size filled black when no picture can be had, 0 x 0 without video. pts is its
  // time from the file's start, -1 without one.
  TBitmap& CurrentFrame();
  TBitmap& CurrentFrame(int64_t& pts);

  // ---- Public state ---------------------------------------------------------------------------
  std::string LastErrMsg() const;
  TPlayState State() const { return state_; }
  // The last reported position; kNoTimestamp when none was reported.
  int64_t LastPosition() const;
  // A file is open (from a successful Open until a stop ended its playback).
  bool Opened() const;
  bool Paused() const;
  const std::string& FileName() const { return fileName_; }
  TVideoSurface* Surface() const { return surface_; }
  // Describes the open file; empty when nothing is open.
  TMediaProbe& MediaProbe() { return probe_; }
  // Whether a notification thread is still delivering.
  bool NotificationThreadRunning() const;

  // ---- Engine side ----------------------------------------------------------------------------
  TPlayerControls& Controls() override { return controls_; }
  void PositionUpdate() override;
  void ReportState(TPlayState state) override;
  void HookPicture(const AVFrame& picture, uint8_t* const overlay[3], const int overlayPitch[3],
                   double ptsSeconds) override;

 protected:
  explicit TCustomPlayer(void* owner = nullptr);
  // Tells a playing engine that Controls().AspectRatio changed.
  void AspectRatioChanged();
  // Drops the handlers and stops, waiting. The most derived destructor calls it first: the
  // playback threads call this object's virtual methods until they have ended, and those must
  // not run while a destructor rewrites the object's type.
  void StopBeforeDestruction();
  void EndRetiredThreads();

  // Published state, read and written through TMediaPlayer.
  std::string about_;
  TPlayerControls controls_;
  std::atomic<bool> triggerEventInMainThread_{true};
  TAudioDriver audioDriver_ = TAudioDriver::adDefault;
  TVideoDriver videoDriver_ = TVideoDriver::vdDefault;

 private:
  void SetLastErrMsg(const std::string& message);
  bool StartPlayback(const std::string& fileName, TVideoSurface* surface, bool paused);
  void ApplyDrivers() const;
  void FireFileOpen(TPlayerEngine& engine, TVideoSurface* surface);
  void StartThreads(const std::shared_ptr<TPlayerEngine>& engine);
  // The waiting stop: until the play thread has ended, or the engine is closed here.
  void WaitForPlayThread(const std::shared_ptr<TPlayerEngine>& engine);
  // A play thread that is closing the file: until it has left (bounded).
  void WaitForClosingPlayThread();
  void FinishStop();
  // Moves the notification thread aside (waiting a moment for it to deliver psStop) and
  // joins the threads left behind that have ended.
  void RetireThreads();
  std::shared_ptr<TPlayerEngine> CurrentEngine() const;
  std::shared_ptr<TNotificationRing> CurrentRing() const;
  void QueueState(TNotificationRing& ring, TPlayState state);
  void Deliver(const TNotification& item);
  // Runs a handler on the main thread when the component asks for it; exceptions are logged.
  void RunHandler(const char* event, const std::function<void()>& call);
  int64_t StartOffset(const TPlayerEngine& engine) const;
  void QueuePosition(int64_t position);
  // True once when playback has reached the end of the file.
  bool ReachedEnd(TPlayerEngine& engine);

  std::atomic<TPlayState> state_{TPlayState::psStop};
  std::string fileName_;
  TVideoSurface* surface_ = nullptr;
  TMediaProbe probe_;
  TRGBPicture snapshotPicture_;  // main thread
  TBitmap snapshot_;             // main thread
  TRGBPicture hookPicture_;      // video thread while playing; main thread otherwise
  TSdlSession sdl_;              // main thread

  mutable std::mutex errorMutex_;  // guards lastErrMsg_
  std::string lastErrMsg_;

  mutable std::mutex eventsMutex_;  // guards the four handlers (copied out before a call)
  TFileOpenEvent onFileOpen_;
  THookEvent onHook_;
  TPositionEvent onPosition_;
  TPlayStateEvent onState_;

  // The engine and the notification ring of the open file. Replaced on the main thread;
  // the playback threads take a copy under the mutex.
  mutable std::mutex engineMutex_;
  std::shared_ptr<TPlayerEngine> engine_;
  std::shared_ptr<TNotificationRing> ring_;

  mutable std::mutex positionMutex_;  // guards the two below (engine threads)
  TPositionRule positionRule_;
  bool audioEndReported_ = false;

  // Main thread only.
  std::unique_ptr<TPlayThread> playThread_;
  std::unique_ptr<TEventThread> eventThread_;
  // Threads that did not end in time; joined once they have.
  std::list<std::unique_ptr<TPlayThread>> retiredPlayThreads_;
  std::list<std::unique_ptr<TEventThread>> retiredEventThreads_;
  // Handed-over handlers running on the main thread right now.
  int mainHandlerDepth_ = 0;
};

}  // namespace qarvo
