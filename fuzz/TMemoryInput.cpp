#include "TMemoryInput.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace qarvo::fuzz {

namespace {
constexpr int kBufferSize = 4096;
}

TMemoryInput::TMemoryInput(const uint8_t* data, size_t size) : data_(data), size_(size) {
  TAvMemoryPtr<unsigned char> buffer(static_cast<unsigned char*>(api().av_malloc(kBufferSize)));
  if (!buffer) throw std::bad_alloc();
  AVIOContext* io = api().avio_alloc_context(buffer.get(), kBufferSize, 0, this,
                                             &TMemoryInput::Read, nullptr, &TMemoryInput::Seek);
  if (!io) throw std::bad_alloc();
  buffer.release();  // the context's deleter frees its buffer
  io_.reset(io);
}

int TMemoryInput::Read(void* opaque, uint8_t* buffer, int size) {
  auto& self = *static_cast<TMemoryInput*>(opaque);
  const size_t count =
      std::min(static_cast<size_t>(std::max(size, 0)), self.size_ - self.position_);
  if (count == 0) return AVERROR_EOF;
  std::memcpy(buffer, self.data_ + self.position_, count);
  self.position_ += count;
  return static_cast<int>(count);
}

int64_t TMemoryInput::Seek(void* opaque, int64_t offset, int whence) {
  auto& self = *static_cast<TMemoryInput*>(opaque);
  const auto size = static_cast<int64_t>(self.size_);
  int64_t base;
  switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
      return size;
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = static_cast<int64_t>(self.position_);
      break;
    case SEEK_END:
      base = size;
      break;
    default:
      return -1;
  }
  int64_t target = 0;
  if (__builtin_add_overflow(base, offset, &target) || target < 0 || target > size) return -1;
  self.position_ = static_cast<size_t>(target);
  return target;
}

}  // namespace qarvo::fuzz
