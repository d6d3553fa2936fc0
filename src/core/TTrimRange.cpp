#include "core/TTrimRange.h"

namespace qarvo {
namespace {

constexpr int64_t kMillisecond = 1000;

}  // namespace

void TTrimRange::FileOpened(int64_t fullLength) {
  fullLength_ = fullLength;
  rangeStart_ = rangeEnd_ = 0;
}

void TTrimRange::Restore(const TlvFilesRecord& record) {
  if (record.TrimStart >= 0) rangeStart_ = record.TrimStart;
  rangeEnd_ = record.TrimLength > 0 ? record.TrimStart + record.TrimLength : fullLength_;
}

bool TTrimRange::TakeStart(int64_t position) {
  if (position <= 0) return false;
  rangeStart_ = position;
  return true;
}

bool TTrimRange::TakeEnd(int64_t position) {
  if (position <= 0) return false;
  rangeEnd_ = position;
  return true;
}

void TTrimRange::Reset() {
  rangeStart_ = 0;
  rangeEnd_ = fullLength_;
}

int64_t TTrimRange::ConfirmedLength() const {
  if (rangeStart_ >= 0 && rangeEnd_ > 0 && rangeStart_ < rangeEnd_ && rangeEnd_ <= fullLength_)
    return rangeEnd_ - rangeStart_;
  return fullLength_;
}

void TTrimRange::Confirm(TlvFilesRecord& record) const {
  const int64_t length = ConfirmedLength();
  if (length <= 0) {
    record.TrimStart = record.TrimLength = 0;
    return;
  }
  record.TrimStart = rangeStart_ > 0 ? rangeStart_ : 0;
  const bool toTheEnd = length < kMillisecond || fullLength_ - length < kMillisecond;
  record.TrimLength = toTheEnd ? 0 : length;
}

}  // namespace qarvo
