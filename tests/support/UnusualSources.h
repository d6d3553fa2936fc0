// Sources as users meet them beside well-made clips: a text file named as a video, a clip cut
// off part way, a clip whose reading fails part way, and pictures that do not come at one
// fixed rate. Made from the generator's clips.
#pragma once

#include <cstddef>
#include <string>
#include <thread>

#include "media/TFileDescriptor.h"

namespace qarvo {

// A few lines of plain text in the media folder under a video file's name (.avi).
std::string EnsureTextNamedAsVideo();

// A 3-second Matroska clip (mpeg4 + vorbis, 25 fps) and the same cut off after
// kTruncatedFraction of its bytes, so its data ends well before its stated length.
std::string EnsureThreeSecondMatroska();
inline constexpr double kTruncatedFraction = 0.45;
std::string EnsureTruncatedMatroska();

// The 2-second Matroska clip's streams in MP4 with every third picture left out (non-key ones
// only): 40 ms and 80 ms between pictures, an average rate near 16.7 fps against the real 25.
std::string EnsureVariableRateClip();

// Serves the first `bytes` of a file through a pseudo-terminal and then hangs it up, so that
// a reader gets every byte and then EIO, as from a failing disk; no privileges needed. Name()
// is the "pipe:N" name under which the libraries read the terminal. The reader must be done
// with the name before this object goes.
class TFailingSource {
 public:
  TFailingSource(const std::string& path, size_t bytes);
  ~TFailingSource();
  TFailingSource(const TFailingSource&) = delete;
  TFailingSource& operator=(const TFailingSource&) = delete;

  std::string Name() const { return "pipe:" + std::to_string(master_.Get()); }

 private:
  TFileDescriptor master_;
  std::thread writer_;
};

}  // namespace qarvo
