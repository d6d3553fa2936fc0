// Decoded subtitles waiting for their time, shared by the subtitle thread (fills) and the
// play thread (blends them into pictures and drops them when they have ended).
#pragma once

#include <array>
#include <condition_variable>
#include <mutex>

#include "media/LibraryObjects.h"

namespace qarvo {

struct TSubPicture {
  double Pts = 0.0;  // seconds
  TSubtitle Sub;
  bool Valid = false;
};

class TSubpictureQueue {
 public:
  static constexpr int kSize = 4;

  TSubpictureQueue() = default;
  ~TSubpictureQueue() { Release(); }
  TSubpictureQueue(const TSubpictureQueue&) = delete;
  TSubpictureQueue& operator=(const TSubpictureQueue&) = delete;

  // Everything below is guarded by Mutex; Changed is signalled whenever Size changes.
  std::mutex Mutex;
  std::condition_variable Changed;
  std::array<TSubPicture, kSize> Pictures;
  int ReadIndex = 0;
  int WriteIndex = 0;
  int Size = 0;
  bool StreamChanged = false;

  TSubPicture& Read() { return Pictures[ReadIndex]; }
  TSubPicture& Second() { return Pictures[(ReadIndex + 1) % kSize]; }
  // Frees the subtitle at the read position (caller holds Mutex).
  void Pop();
  // Frees every queued subtitle (caller holds Mutex or is the last user).
  void Release();
};

}  // namespace qarvo
