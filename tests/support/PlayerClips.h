// Clips for the player's tests that the plain generator cannot write in one go: sound whose
// timestamps jump, pictures that change size in the middle of a file, and bitmap subtitles.
#pragma once

#include <string>

namespace qarvo {

// A Matroska copy of the 3-second standard clip whose sound timestamps jump forward by
// `jumpSeconds` from `atSeconds` on (the sound itself runs on without a gap).
std::string EnsureAudioJumpClip(double atSeconds, double jumpSeconds);

// An MPEG transport stream of two one-second parts, 320x240 then 176x144, without sound.
std::string EnsureSizeChangeClip();

// The 2-second picture-only clip in Matroska with a bitmap subtitle stream: one page that
// covers the whole 320x240 picture in opaque white from kSubtitleShown to kSubtitleCleared
// seconds, then an empty page.
constexpr double kSubtitleShown = 0.6;
constexpr double kSubtitleCleared = 1.2;
std::string EnsureSubtitledClip();

}  // namespace qarvo
