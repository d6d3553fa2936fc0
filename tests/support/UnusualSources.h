// Sources as users meet them beside well-made clips: a text file named as a video, a clip cut
// off part way, and pictures that do not come at one fixed rate. Made from the generator's
// clips.
#pragma once

#include <cstddef>
#include <string>

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

}  // namespace qarvo
