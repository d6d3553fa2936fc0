// The playback engine of one open file: read thread, decoders, picture and sound output and
// the play thread's event loop. The component owns one at a time and drives it.
//
// Thread use: Open, TogglePause, RequestSeek, PostQuit and the queries are called from the
// component (main thread); RunEventLoop runs on the component's play thread until the file is
// closed. The engine's own threads (read, video, subtitle, refresh, sound) live between a
// successful Open and Close.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "base/TBitmap.h"
#include "player/TPlayEventQueue.h"
#include "player/TPlayerHost.h"
#include "player/TVideoSurface.h"

namespace qarvo {

class TRGBPicture;
class TSdlWindowSurface;
class TVideoRefresh;
struct TPlayerState;

class TPlayerEngine {
 public:
  // surface may be null: the engine then opens its own window captioned "Player".
  TPlayerEngine(TPlayerHost& host, TVideoSurface* surface);
  ~TPlayerEngine();  // closes when still open
  TPlayerEngine(const TPlayerEngine&) = delete;
  TPlayerEngine& operator=(const TPlayerEngine&) = delete;

  // Opens the file and starts reading; waits (running main-thread calls when on the main
  // thread) until the streams are open, at most Controls().OpenTimeoutMs. False with
  // LastError() set.
  bool Open(const std::string& fileName, const std::string& forcedFormat, bool paused);
  std::string LastError() const;

  // The play thread: handles events until the file is closed (quit), then returns.
  void RunEventLoop();
  // Asks the play thread to close the file.
  void PostQuit();
  // Closes on the calling thread as the quit event would (a waiting stop whose play thread
  // does not answer). Never blocks on a thread stuck in a read: such a thread is left to end
  // on its own and cleans up after itself. On the main thread every wait keeps running
  // handed-over calls.
  void Close();
  bool Closed() const;

  void TogglePause();
  // The component's AspectRatio changed: the play thread refits the surface and redraws.
  void AspectChanged();
  // Ignored while a seek is pending. flags: kSeekBackward | kSeekByte | kSeekAny | kSeekFrame.
  void RequestSeek(int64_t position, int64_t relative, int flags, bool wait);

  // State the component reads (valid while open).
  bool Paused() const;
  bool HasVideo() const;
  bool HasAudio() const;
  bool ImageSequence() const;
  bool Capture() const;
  bool EofReached() const;
  bool EndReported() const;
  void SetEndReported();
  bool InRead() const;
  int64_t StartTime() const;  // microseconds; kNoTimestamp when the file has none
  int64_t Duration() const;   // microseconds; -1 when unknown
  int64_t BitRate() const;
  int64_t BytePosition() const;  // of the picture on screen, else of the reader
  int VideoWidth() const;        // decoded size; -1 without video
  int VideoHeight() const;
  double VideoClock() const;   // seconds
  double AudioClock() const;   // seconds
  double MasterClock() const;  // the audio clock, or the video clock without audio
  // The opened format context (for the component's probe object); null when closed.
  AVFormatContext* FormatContext() const;

  // The picture at the read position of the picture queue converted through converter;
  // false when there is none. pts in seconds.
  bool CurrentPicture(TRGBPicture& converter, double& ptsSeconds) const;

 private:
  // Turns the surface's notifications into play-thread events.
  class TSurfaceEvents : public TVideoSurfaceListener {
   public:
    explicit TSurfaceEvents(TPlayEventQueue& events) : events_(events) {}
    void SurfaceResized(int width, int height) override;
    void SurfaceExposed() override;

   private:
    TPlayEventQueue& events_;
  };

  // Where a disabled display without a surface "draws": nothing, so the refresh still paces
  // positions and the end without a window or SDL's video.
  class TBlankSurface : public TVideoSurface {
   public:
    void ClientSize(int& width, int& height) const override { width = height = 0; }
    bool SetMode(int, int) override { return true; }
    void Show(const TYuvPicture&, const TDisplayRect&) override {}
    void Redraw() override {}
    void SetListener(TVideoSurfaceListener*) override {}
  };

  std::shared_ptr<TPlayerState> Current() const;
  // Until Opened is value (any non-zero one for 0); false when the timeout passed first.
  static bool WaitOpened(TPlayerState& state, int value, std::chrono::milliseconds timeout);
  // Leaves a read thread that did not report in time to end on its own, closing what it opened.
  static void AbandonOpen(TPlayerState& state);
  // Joins the read thread once it has ended; false when it has not within the timeout.
  static bool JoinReader(TPlayerState& state, std::chrono::milliseconds timeout);
  // Close's work on the state taken out of the engine: every thread ended or left behind.
  static void Shutdown(TPlayerState& state);
  bool StartRefreshThread(const std::shared_ptr<TPlayerState>& state);
  void HandleEvent(TPlayerState& state, const TPlayEvent& event);
  void Resize(TPlayerState& state, int width, int height);
  TVideoSurface* ActiveSurface() const;

  TPlayerHost& host_;
  TVideoSurface* surface_;
  TPlayEventQueue events_;
  TSurfaceEvents surfaceEvents_{events_};
  TBlankSurface blank_;
  mutable std::mutex stateMutex_;  // guards state_, refresh_ and ownSurface_
  std::shared_ptr<TPlayerState> state_;
  std::shared_ptr<TVideoRefresh> refresh_;
  // The window the play thread opens when no surface was given (play thread only).
  std::unique_ptr<TSdlWindowSurface> ownSurface_;
  std::string lastError_;
};

}  // namespace qarvo
