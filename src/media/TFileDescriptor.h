// Owns an open system file descriptor: the one place such a descriptor is closed.
#pragma once

namespace qarvo {

class TFileDescriptor {
 public:
  TFileDescriptor() = default;
  explicit TFileDescriptor(int fd) : fd_(fd) {}
  TFileDescriptor(TFileDescriptor&& other) noexcept : fd_(other.Release()) {}
  TFileDescriptor& operator=(TFileDescriptor&& other) noexcept;
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  ~TFileDescriptor() { Reset(); }

  int Get() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  // Closes the descriptor held (if any) and takes `fd` instead.
  void Reset(int fd = -1);
  // Gives the descriptor up without closing it.
  int Release();

 private:
  int fd_ = -1;
};

}  // namespace qarvo
