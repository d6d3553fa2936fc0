#include "player/TPacketQueue.h"

#include <chrono>

namespace qarvo {

void TPacketQueue::Start() {
  {
    std::lock_guard lock(mutex_);
    abort_ = false;
  }
  PutFlush();
}

void TPacketQueue::Flush() {
  std::lock_guard lock(mutex_);
  entries_.clear();
  size_ = 0;
}

bool TPacketQueue::Append(TQueuedPacket entry, int64_t bytes) {
  {
    std::lock_guard lock(mutex_);
    if (abort_) return false;
    entries_.push_back(std::move(entry));
    size_ += bytes + kNodeOverhead;
  }
  changed_.notify_one();
  return true;
}

bool TPacketQueue::Put(AVPacket& packet) {
  TQueuedPacket entry;
  entry.Packet = MakePacket();
  api().av_packet_move_ref(entry.Packet.get(), &packet);
  const int64_t bytes = entry.Packet->size;
  return Append(std::move(entry), bytes);
}

bool TPacketQueue::PutFlush() { return Append({TQueuedKind::Flush, nullptr}, 0); }

bool TPacketQueue::PutEnd() { return Append({TQueuedKind::End, nullptr}, 0); }

void TPacketQueue::Abort() {
  {
    std::lock_guard lock(mutex_);
    abort_ = true;
  }
  changed_.notify_all();
}

int TPacketQueue::Get(TQueuedPacket& out, bool block) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (abort_) return -1;
    if (!entries_.empty()) {
      out = std::move(entries_.front());
      entries_.pop_front();
      size_ -= (out.Packet ? out.Packet->size : 0) + kNodeOverhead;
      return 1;
    }
    if (!block) return 0;
    changed_.wait_for(lock, std::chrono::milliseconds(100));
  }
}

int TPacketQueue::Count() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(entries_.size());
}

int64_t TPacketQueue::Size() const {
  std::lock_guard lock(mutex_);
  return size_;
}

bool TPacketQueue::Aborted() const {
  std::lock_guard lock(mutex_);
  return abort_;
}

}  // namespace qarvo
