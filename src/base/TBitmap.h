// A 24-bit device-independent bitmap: B, G, R bytes per pixel, rows padded to 4 bytes,
// stored top-down. Plain C++ so the core library's effects and the GUI can share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace qarvo {

class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(int width, int height) { SetSize(width, height); }

  // Keeps the memory when the size is unchanged; new pixels are black.
  void SetSize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Bytes per row: 3 × width rounded up to a multiple of 4.
  int Stride() const { return stride_; }
  static int StrideFor(int width) { return (width * 3 + 3) & ~3; }

  uint8_t* ScanLine(int row) { return pixels_.data() + static_cast<size_t>(row) * stride_; }
  const uint8_t* ScanLine(int row) const {
    return pixels_.data() + static_cast<size_t>(row) * stride_;
  }
  uint8_t* Bits() { return pixels_.data(); }
  const uint8_t* Bits() const { return pixels_.data(); }
  size_t SizeInBytes() const { return pixels_.size(); }

  // The canvas lock: held while a handler draws into the bitmap on another thread.
  void LockCanvas() { canvas_.lock(); }
  void UnlockCanvas() { canvas_.unlock(); }

 private:
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  std::vector<uint8_t> pixels_;
  std::recursive_mutex canvas_;
};

// Holds a bitmap's canvas lock for a scope.
class TCanvasLock {
 public:
  explicit TCanvasLock(TBitmap& bitmap) : bitmap_(bitmap) { bitmap_.LockCanvas(); }
  ~TCanvasLock() { bitmap_.UnlockCanvas(); }
  TCanvasLock(const TCanvasLock&) = delete;
  TCanvasLock& operator=(const TCanvasLock&) = delete;

 private:
  TBitmap& bitmap_;
};

}  // namespace qarvo
