// The kept time range of a job as the trim dialog sets it: the start and end taken from the
// playing preview, and what a confirmation stores in the job record. Times in µs.
#pragma once

#include <cstdint>

#include "core/TlvFilesRecord.h"

namespace qarvo {

class TTrimRange {
 public:
  // A file opened with `fullLength`: start 0, end 0 (the fields show zero times).
  void FileOpened(int64_t fullLength);
  // The record's stored range over the opened file.
  void Restore(const TlvFilesRecord& record);
  // The current position as the start; false (nothing changes) unless it is after 0.
  bool TakeStart(int64_t position);
  // The current position as the end; false (nothing changes) unless it is after 0.
  bool TakeEnd(int64_t position);
  // Whether the length field shows the range after TakeEnd: only when the end is after the start.
  bool LengthShown() const { return rangeEnd_ > rangeStart_; }
  // Reset and Default: the whole file.
  void Reset();

  // The length a confirmation keeps: the range when it is a sound one, else the whole file.
  int64_t ConfirmedLength() const;
  // Writes TrimStart and TrimLength; a length within a millisecond of the file's is stored
  // as 0 (up to the end).
  void Confirm(TlvFilesRecord& record) const;

  int64_t RangeStart() const { return rangeStart_; }
  int64_t RangeEnd() const { return rangeEnd_; }
  int64_t FullLength() const { return fullLength_; }

 private:
  int64_t rangeStart_ = 0;
  int64_t rangeEnd_ = 0;
  int64_t fullLength_ = 0;
};

}  // namespace qarvo
