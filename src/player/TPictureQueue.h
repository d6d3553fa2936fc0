// The two pictures decoded ahead of the screen, shared by the video thread (fills) and the
// play thread (shows and empties).
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "media/LibraryObjects.h"

namespace qarvo {

struct TVideoPicture {
  double Pts = 0.0;          // seconds
  double TargetClock = 0.0;  // seconds (wall clock) when it is due
  int64_t Pos = -1;          // byte position in the file
  // The planar YUV 4:2:0 picture; a new one per decoded picture, so a picture on screen or
  // handed out keeps its size and content while the next one is being made.
  TFramePtr Frame;
  int Width = 0;
  int Height = 0;
  bool Allocated = false;
  bool SubtitlesBlended = false;
};

class TPictureQueue {
 public:
  static constexpr int kSize = 2;

  // Everything below is guarded by Mutex; Changed is signalled whenever Size or the abort
  // state changes.
  std::mutex Mutex;
  std::condition_variable Changed;
  std::array<TVideoPicture, kSize> Pictures;
  int ReadIndex = 0;
  int WriteIndex = 0;
  int Size = 0;
  // The next picture shown is the first after an opening or a seek: it is shown even while
  // paused.
  bool ShowFirst = true;

  TVideoPicture& Read() { return Pictures[ReadIndex]; }
  TVideoPicture& Next() { return Pictures[(ReadIndex + 1) % kSize]; }
  TVideoPicture& Write() { return Pictures[WriteIndex]; }
  // Removes the picture at the read position (caller holds Mutex).
  void Pop();
  // Frees every picture (caller holds Mutex or is the last user).
  void Release();
};

}  // namespace qarvo
