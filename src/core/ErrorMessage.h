// Text of an error shown to the user: the application's error handler, and the plain words
// the front ends show for a job the engine refused or failed.
#pragma once

#include <string>

namespace qarvo {

// Appends "." when the message ends in a character that sorts after "." (a letter or a
// digit does; "!", ")" and "." itself do not). Characters compare as unsigned bytes, so a
// message ending in a non-ASCII letter gets its point too. An empty message stays empty.
std::string ErrorMessageText(const std::string& message);

// Why a job of `source` (written to `output`, empty when not yet named) failed, in plain words
// without the source's name (the front end shows it once beside the message): the engine's
// own text (file names, library call names, stream numbers, "Error number" codes) is replaced
// by the cause where the cause is known, and otherwise loses the source's name and the code.
std::string PlainJobMessage(const std::string& engineText, const std::string& source,
                            const std::string& output);

inline constexpr const char* kNoAudioStream = "the source has no audio stream";
inline constexpr const char* kNoAudioOrVideoStream = "the source has no audio or video stream";
inline constexpr const char* kSourceIsFolder = "this is a folder, not a media file";

}  // namespace qarvo
