// The time a source's content really spans, when its streams' timestamps disagree.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "media/LibraryApi.h"
#include "media/LibraryObjects.h"

namespace qarvo {

struct TStreamExtent {
  // µs to take from each stream's timestamps: a stream whose timestamps start far from the
  // others' (a muxer's clock, not a gap in the content) is moved to the file's start.
  std::vector<int64_t> Shift;
  // µs the content lasts once moved; no-timestamp when the container states no duration.
  int64_t Duration = AV_NOPTS_VALUE;
  bool Moved() const;
};

// A start this far after the earliest stream's, and beyond a quarter of the container's
// span, cannot be content that plays alongside the other streams.
inline constexpr int64_t kFarStreamStart = 10 * 1000000LL;

// `streamEnds` gives each stream's last timestamp (µs, no-timestamp when unknown); it is only
// asked for when a stream moves, since the container's duration then spans the gap.
TStreamExtent MeasureStreamExtent(const AVFormatContext& container,
                                  const std::function<std::vector<int64_t>()>& streamEnds);

// A second reader of a file the task opened (its file-protocol library name), reaching no
// other protocol; empty when it cannot be opened, with the library's code in `result`.
TInputFormatContextPtr OpenSecondReader(const std::string& libraryName, const AVInputFormat* format,
                                        int& result);

// The end (µs) of each stream's last packet, read from the file's tail by a reader of its own
// (from its start when the tail holds no packets); empty when the file cannot be read again.
std::vector<int64_t> ReadStreamEnds(const std::string& libraryName, const AVInputFormat* format);

}  // namespace qarvo
