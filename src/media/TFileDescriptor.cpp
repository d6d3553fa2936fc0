#include "media/TFileDescriptor.h"

#include <unistd.h>

namespace qarvo {

TFileDescriptor& TFileDescriptor::operator=(TFileDescriptor&& other) noexcept {
  if (this != &other) Reset(other.Release());
  return *this;
}

void TFileDescriptor::Reset(int fd) {
  // close() releases the descriptor even when it reports an error (EINTR included): it is
  // never retried, which could close a descriptor another thread opened meanwhile.
  if (fd_ >= 0 && fd_ != fd) ::close(fd_);
  fd_ = fd;
}

int TFileDescriptor::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

}  // namespace qarvo
