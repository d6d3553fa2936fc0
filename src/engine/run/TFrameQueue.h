// The bounded hand-over between the decoding thread and the output thread of a pipelined
// run: decoded pictures and sound, copied packets and stream clock updates, in decoding
// order. The number of waiting pictures is bounded apart from the number of items, so
// memory stays flat whatever the picture size.
//
// Threads: one producer, one consumer; everything below is guarded by mutex_. Every wait is
// bounded so an abort is always seen.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "media/LibraryObjects.h"

namespace qarvo {

struct TPipelineItem {
  enum class TKind { Frame, Packet, Clock, End };
  TKind Kind = TKind::End;
  int Index = -1;  // input stream
  bool Picture = false;
  TFramePtr Frame;
  TPacketPtr Packet;
  // The decoding side's clock of the stream when the item was made.
  int64_t Pts = 0;
  int64_t NextPts = 0;
  int Quality = 0;
  int64_t DecodedFrames = 0;
};

class TFrameQueue {
 public:
  TFrameQueue(int mostItems, int mostPictures);
  // Blocks while full; false once aborted (the item is dropped).
  bool Push(TPipelineItem item);
  // Blocks while empty; false once aborted.
  bool Pop(TPipelineItem& item);
  enum class TPopped { Item, Aborted, Interrupted };
  // As Pop, but gives up waiting once interrupted() is true (checked at every wait step).
  TPopped Pop(TPipelineItem& item, const std::function<bool()>& interrupted);
  // Wakes both sides for good; later pushes and pops fail.
  void Abort();

 private:
  bool Full() const;

  const size_t mostItems_;
  const int mostPictures_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<TPipelineItem> items_;
  int pictures_ = 0;
  bool aborted_ = false;
};

}  // namespace qarvo
