// An I/O context that reads a byte buffer, for opening a container held in memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/LibraryObjects.h"

namespace qarvo::fuzz {

class TMemoryInput {
 public:
  // The bytes must outlive the object.
  TMemoryInput(const uint8_t* data, size_t size);
  TMemoryInput(const TMemoryInput&) = delete;
  TMemoryInput& operator=(const TMemoryInput&) = delete;

  AVIOContext* Context() const { return io_.get(); }

 private:
  static int Read(void* opaque, uint8_t* buffer, int size);
  static int64_t Seek(void* opaque, int64_t offset, int whence);

  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
  TIOContextPtr io_;
};

}  // namespace qarvo::fuzz
