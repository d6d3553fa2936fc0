// A queue of demuxed packets between the read thread and one decoder.
//
// Besides data packets it carries two markers: the flush marker, put at the head of the queue
// when a stream opens and after every seek, tells the decoder to drop its state; the end marker
// tells it that the input has ended and it should drain.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "media/LibraryObjects.h"

namespace qarvo {

enum class TQueuedKind { Data, Flush, End };

struct TQueuedPacket {
  TQueuedKind Kind = TQueuedKind::Data;
  TPacketPtr Packet;  // set for data packets only
};

class TPacketQueue {
 public:
  // Bytes counted for each queued entry on top of its packet's size.
  static constexpr int64_t kNodeOverhead = 72;

  TPacketQueue() = default;
  ~TPacketQueue() = default;
  TPacketQueue(const TPacketQueue&) = delete;
  TPacketQueue& operator=(const TPacketQueue&) = delete;

  // Clears the abort flag and puts the flush marker first (a stream is being opened).
  void Start();
  // Drops every queued entry.
  void Flush();
  // Takes over the packet's data (references it once; the caller's packet is emptied).
  // Returns false when the queue is aborted; the packet is then dropped.
  bool Put(AVPacket& packet);
  bool PutFlush();
  bool PutEnd();
  // Wakes every waiting reader; later gets return -1.
  void Abort();
  // 1 with an entry, 0 when empty and not blocking, -1 when aborted. A blocking get waits
  // in bounded slices so an abort is never missed.
  int Get(TQueuedPacket& out, bool block);

  int Count() const;
  int64_t Size() const;
  bool Aborted() const;

 private:
  bool Append(TQueuedPacket entry, int64_t bytes);

  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable changed_;
  std::deque<TQueuedPacket> entries_;
  int64_t size_ = 0;
  bool abort_ = false;
};

}  // namespace qarvo
