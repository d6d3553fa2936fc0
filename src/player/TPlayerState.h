// Everything about one open file that the playback threads share.
//
// Held by std::shared_ptr: every thread that works on the file holds a reference, so a read
// thread stuck inside a blocking read can be left behind by Close and frees the state itself
// once the read returns. Flags are atomics written by one thread and polled by the others; the
// queues and the video clock carry their own locks.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "media/LibraryObjects.h"
#include "media/UnicodeProtocol.h"
#include "player/TPacketQueue.h"
#include "player/TPictureQueue.h"
#include "player/TSubpictureQueue.h"
#include "player/TVideoClock.h"

namespace qarvo {

class TPlayerHost;
class TVideoSurface;
class TPlayEventQueue;
class TPlayerAudio;

// Seconds on the monotonic clock, the time base of every wall-clock field below.
double PlayerNow();

struct TPlayerState {
  TPlayerState();
  ~TPlayerState();
  TPlayerState(const TPlayerState&) = delete;
  TPlayerState& operator=(const TPlayerState&) = delete;

  // Set by the engine before the read thread starts; valid until Close.
  TPlayerHost* Host = nullptr;
  TPlayEventQueue* Events = nullptr;

  // File (written by the read thread before Opened becomes non-zero).
  std::string FileName;
  std::string ForcedFormat;
  std::unique_ptr<TUnicodeFile> Unicode;
  TInputFormatContextPtr Input;
  int64_t StartTime = AV_NOPTS_VALUE;  // microseconds
  int64_t Duration = -1;               // microseconds
  int64_t AudioStartTime = -1;         // microseconds
  int64_t BitRate = 0;
  bool ImageSequence = false;
  bool Capture = false;
  bool DisableDisplay = false;

  // Control flags.
  std::atomic<bool> AbortRequest{false};
  std::atomic<bool> Paused{false};
  bool LastPaused = false;              // read thread only
  std::atomic<int> ReadPauseResult{0};  // read thread writes, TogglePause reads
  std::atomic<bool> SeekRequest{false};
  std::atomic<int> SeekFlags{0};
  std::atomic<int64_t> SeekPos{0};
  std::atomic<int64_t> SeekRel{0};
  std::atomic<int> Opened{0};  // 0 opening, 1 opened, -1 failed, -2 read thread done
  std::atomic<bool> EofReached{false};
  std::atomic<bool> EndReported{false};
  std::atomic<bool> ReadErrorReported{false};
  std::atomic<bool> InRead{false};
  std::atomic<bool> PausedAtSeek{false};
  std::atomic<int> StepCount{0};
  std::atomic<bool> SkipQueued{false};
  std::atomic<bool> FirstAfterSeek{false};
  std::atomic<bool> RefreshPending{false};
  std::atomic<bool> ReadDone{false};
  // Set by an Open that gave up waiting: the read thread then closes what it opened itself.
  std::atomic<bool> OpenAbandoned{false};
  std::string OpenError;  // written by the read thread before Opened = -1

  // The video clock and picture timer (seconds; wall-clock ones on PlayerNow()), behind their
  // own lock; see TVideoClock for who calls what. Paused is changed through it.
  TVideoClock Clock{Paused};
  std::atomic<int64_t> VideoCurrentPos{-1};
  std::atomic<int64_t> ReadPos{-1};  // byte position of the last packet read

  // The chosen streams' indices (-1 none) and their discard flags in Input are the read
  // thread's: it sets them while opening (before Opened becomes non-zero) and reads them while
  // reading; only whoever has seen it end resets them (the closer after joining it, or the read
  // thread itself). Each index is a single value, so an atomic.

  // Audio.
  std::atomic<int> AudioStream{-1};
  AVStream* AudioSt = nullptr;
  TCodecContextPtr AudioCodec;
  TPacketQueue AudioQueue;
  std::unique_ptr<TPlayerAudio> Audio;
  std::atomic<int> ShowMode{0};  // 0 none, 1 waveform

  // Video.
  std::atomic<int> VideoStream{-1};
  AVStream* VideoSt = nullptr;
  TCodecContextPtr VideoCodec;
  TPacketQueue VideoQueue;
  TPictureQueue Pictures;
  std::atomic<double> SkipFrames{1.0};  // video thread and refresh
  double SkipFramesIndex = 0.0;         // video thread only
  std::atomic<int> DecodedWidth{-1};
  std::atomic<int> DecodedHeight{-1};
  std::thread VideoThread;

  // Subtitle.
  std::atomic<int> SubtitleStream{-1};
  AVStream* SubtitleSt = nullptr;
  TCodecContextPtr SubtitleCodec;
  TPacketQueue SubtitleQueue;
  TSubpictureQueue Subpictures;
  std::thread SubtitleThread;

  // Display (play thread).
  int SurfaceWidth = 0;
  int SurfaceHeight = 0;

  std::thread ReadThread;
  std::thread RefreshThread;
  // Serialises opening and closing the stream components (read thread on a failed open,
  // Close otherwise).
  std::mutex ComponentsMutex;

  bool HasVideo() const { return VideoSt != nullptr; }
  bool HasAudio() const { return AudioSt != nullptr; }
  // The clocks of the playback.
  double AudioClockNow() const;
  double VideoClockNow() const;
  double MasterClock() const;
  // The wall time the picture with the given pts is due (video thread).
  double ComputeTargetClock(double pts);
};

}  // namespace qarvo
