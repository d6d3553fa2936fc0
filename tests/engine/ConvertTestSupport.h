// Shared pieces of the conversion tests: a scratch folder and a task that converts one clip.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/TCustomTranscoder.h"

#include "support/DecodedClip.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {

using test::TScratchFolder;

// A task whose progress reports are recorded.
class TRecordingTranscoder : public TCustomTranscoder {
 public:
  std::vector<TProgressInfo> Reports;
  std::function<void(const TProgressInfo&)> OnReport;
  void ReportProgress(const TProgressInfo& info) override {
    Reports.push_back(info);
    if (OnReport) OnReport(info);
  }
};

// The video / audio stream of a decoded clip, or null.
inline const TDecodedStream* StreamOf(const TDecodedClip& clip, AVMediaType type) {
  for (const TDecodedStream& stream : clip.Streams)
    if (stream.Type == type) return &stream;
  return nullptr;
}

// For a clip decoded in the same expression: the clip is kept until the next such call, so
// the pointer stays valid for the statements that follow.
inline const TDecodedStream* StreamOf(TDecodedClip&& clip, AVMediaType type) {
  static thread_local TDecodedClip kept;
  kept = std::move(clip);
  return StreamOf(kept, type);
}

// The stream of that kind of a file, decoded (empty Type when the file has none).
inline TDecodedStream DecodedStream(const std::string& path, AVMediaType type) {
  const TDecodedClip clip = DecodeClip(path);
  const TDecodedStream* stream = StreamOf(clip, type);
  return stream ? *stream : TDecodedStream();
}

}  // namespace qarvo
